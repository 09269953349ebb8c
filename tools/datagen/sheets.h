// The picture sheets the game loads: how each is laid out (frame size, frame
// count, frames per row) and the function that draws one frame of it in base
// units. The layouts are what the game's loader cuts the files into; the
// drawing functions live in art_*.cpp. Relies on canvas.h.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/datagen/canvas.h"

namespace datagen {

struct SheetLayout {
    std::string name;  // data path without the resolution suffix and ".png"
    int frameW, frameH, frames, columns;
    bool variants;  // written at all three resolutions ("", "-hd", "-hd2")
    std::function<void(Canvas&, int frame)> draw;
};

// Every sheet of the game, in the order the loader meets them.
const std::vector<SheetLayout>& gameSheets();

// Renders a sheet at `scale` output pixels per base unit.
Image renderSheet(const SheetLayout& sheet, int scale);

// The default font of the graphics layer: 96 frames side by side, each with
// a column of padding on either side.
Image renderDefaultFont();

// ---- frame painters (art_*.cpp) ----------------------------------------------
void drawFontGlyph(Canvas& c, int frame);
void drawIcon(Canvas& c, int frame);
void drawButton(Canvas& c, int frame);
void drawDpad(Canvas& c, int frame);
void drawStudioLogo(Canvas& c, int frame);
void drawTestcardCircle(Canvas& c, int frame);
void drawMenu(Canvas& c, int frame);
void drawTitleLogo(Canvas& c, int frame);
void drawParticle(Canvas& c, int frame);
void drawBadge(Canvas& c, int frame);
void drawSprite(Canvas& c, int frame);
void drawTubeSlice(Canvas& c, int frame);
// The program's icon for the desktop, 32 by 32 base units.
void drawAppIcon(Canvas& c);

// Shared look.
Color inkColor();  // the dark outline colour every sprite uses

}  // namespace datagen
