// The table of picture sheets and the code that rasterises a sheet frame by
// frame at one resolution. Relies on sheets.h and the painters in art_*.cpp.
#include "tools/datagen/sheets.h"

#include "tools/datagen/pixel_font.h"

namespace datagen {

namespace {

constexpr int kDefaultFontFrames = 96;
constexpr int kDefaultFontCellW = 10;  // 8 visible columns and 1 padding column each side
constexpr int kDefaultFontCellH = 13;

}  // namespace

const std::vector<SheetLayout>& gameSheets() {
    static const std::vector<SheetLayout> sheets = {
        {"fonts/editundo", 16, 16, 128, 16, true, drawFontGlyph},
        {"common/icons", 32, 32, 16, 4, true, drawIcon},
        {"common/Buttons", 64, 64, 16, 4, true, drawButton},
        {"common/dpad", 32, 32, 16, 4, true, drawDpad},
        {"common/VeskLogo", 256, 256, 1, 1, true, drawStudioLogo},
        {"common/Testcard_Circle", 256, 256, 1, 1, true, drawTestcardCircle},
        {"menu", 256, 256, 4, 2, true, drawMenu},
        {"logo", 256, 128, 1, 1, true, drawTitleLogo},
        {"parts", 8, 8, 256, 16, true, drawParticle},
        {"BadgesA", 64, 64, 64, 8, true, drawBadge},
        {"gfx", 32, 32, 64, 8, true, drawSprite},
        {"tube", 8, 256, 32, 32, true, drawTubeSlice},
    };
    return sheets;
}

Image renderSheet(const SheetLayout& sheet, int scale) {
    int rows = (sheet.frames + sheet.columns - 1) / sheet.columns;
    Image image(sheet.columns * sheet.frameW * scale, rows * sheet.frameH * scale);
    for (int f = 0; f < sheet.frames; ++f) {
        int col = f % sheet.columns, row = f / sheet.columns;
        Canvas canvas(image, col * sheet.frameW * scale, row * sheet.frameH * scale, sheet.frameW,
                      sheet.frameH, scale);
        sheet.draw(canvas, f);
    }
    return image;
}

Image renderDefaultFont() {
    Image image(kDefaultFontFrames * kDefaultFontCellW, kDefaultFontCellH);
    for (int f = 0; f < kDefaultFontFrames; ++f) {
        const Glyph* g = glyphFor(32 + f);
        if (!g) continue;
        Canvas canvas(image, f * kDefaultFontCellW, 0, kDefaultFontCellW, kDefaultFontCellH, 1);
        // Centred in the 8 visible columns; caps from row 2.
        float left = 1.0f + float(8 - g->width) / 2.0f;
        drawGlyph(canvas, *g, float(int(left)), 2, 1, solid(rgb(255, 255, 255)));
    }
    return image;
}

}  // namespace datagen
