// The game's own pixel font: hand-drawn glyph bitmaps for the printable
// ASCII range and a few symbols above it, plus the renderers that put them
// into picture frames. Drawing our own letters keeps third-party fonts (and
// their licences) out of the data. Relies on canvas.h.
#pragma once

#include <string>

#include "tools/datagen/canvas.h"

namespace datagen {

// Glyph cells: caps occupy rows 0..6 (row 6 is the baseline), descenders
// rows 7..8.
constexpr int kGlyphRows = 9;
constexpr int kGlyphCapRows = 7;

struct Glyph {
    int width = 0;                      // columns
    const char* rows[kGlyphRows] = {};  // '#' is ink; shorter rows are blank on the right
    bool ink(int col, int row) const;
};

// The glyph for a character code, or nullptr when the font has none (space
// has a glyph of width 3 and no ink).
const Glyph* glyphFor(int code);

// Horizontal advance in glyph pixels: the width plus a two-column gap.
int glyphAdvance(int code);
int textWidth(const std::string& text);  // in glyph pixels, without the last gap

// How far the game's own text routine moves on after a character, in glyph
// pixels: its 7-pixel cell with the per-letter correction the glyph widths
// are drawn to.
int gameLetterAdvance(char ch);

// Draws one glyph with its top-left glyph pixel at (x, y), `unit` base units
// per glyph pixel. The strokes are drawn as round-capped lines between
// neighbouring ink pixels, so at the base scale the glyph is the bitmap and
// at the larger scales it becomes a smooth rounded letter.
void drawGlyph(Canvas& canvas, const Glyph& glyph, float x, float y, float unit, const Paint& paint,
               float thicken = 0);
// Draws a line of text with its top-left at (x, y).
void drawText(Canvas& canvas, const std::string& text, float x, float y, float unit,
              const Paint& paint, float thicken = 0);
// Draws text centred on (cx, cy) (cap height centred).
void drawTextCentred(Canvas& canvas, const std::string& text, float cx, float cy, float unit,
                     const Paint& paint, float thicken = 0);

}  // namespace datagen
