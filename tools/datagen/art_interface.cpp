// Painters for the interface pictures: the game's font strip, the icon,
// button and d-pad sheets, the studio logo and the test-card circle. Icons
// and fonts are drawn white or light grey because the game tints them with
// its draw colour; outlines use the shared dark ink so the tint never
// washes them out. Relies on canvas.h and pixel_font.h.
//
// Index: font strip | icons | buttons | d-pad | studio logo | test card
#include <algorithm>
#include <cmath>

#include "tools/datagen/pixel_font.h"
#include "tools/datagen/sheets.h"

namespace datagen {

namespace {

constexpr float kPi = 3.14159265358979f;

// Glyphs sit at this column and row of their 16 x 16 cell: the game centres
// each cell on its pen position and advances 7 units per letter, so a
// five-column letter starting here is centred on the cell.
constexpr float kGlyphLeft = 6;
constexpr float kGlyphTop = 4;

const Color kWhite = rgb(255, 255, 255);
const Color kLight = rgb(226, 232, 245);
const Color kShade = rgb(168, 178, 204);

// A light icon body with an ink border, shaded top to bottom so that a tint
// still shows some depth.
void iconShape(Canvas& c, const Sdf& shape, float border = 1.5f) {
    c.fill(grow(shape, border), inkColor());
    c.fill(shape, [](float, float y) { return y < 15 ? kWhite : (y < 22 ? kLight : kShade); });
}

void drawGear(Canvas& c, float cx, float cy, float rIn, float rOut, int teeth, float hole,
              const Color& body, float phase = 0) {
    Sdf g = subtract(gear(cx, cy, rIn, rOut, teeth, 0.35f, phase), circle(cx, cy, hole));
    c.fill(grow(g, 1.5f), inkColor());
    c.fill(g, [=](float x, float y) {
        float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
        float lit = (y - cy) < -(x - cx) * 0.3f ? 1.1f : 0.85f;
        return scaled(d < rIn - 2 ? body : scaled(body, 1.15f), lit);
    });
}

}  // namespace

Color inkColor() {
    return rgb(24, 18, 44);
}

// ---- font strip ---------------------------------------------------------------

void drawFontGlyph(Canvas& c, int frame) {
    const Glyph* g = glyphFor(32 + frame);
    if (!g) return;
    // A drop shadow one unit down and right keeps the letters readable over
    // the bright tube and the menu backdrop.
    drawGlyph(c, *g, kGlyphLeft + 1, kGlyphTop + 1, 1, solid(rgb(0, 0, 0, 0.6f)));
    drawGlyph(c, *g, kGlyphLeft, kGlyphTop, 1, solid(kWhite));
}

// ---- icons ---------------------------------------------------------------------

namespace {

// The outline of icon `frame` in a 32 x 32 frame, or nullptr for frames
// that are not a single shape (the glow and the gear).
Sdf iconSdf(int frame) {
    const float m = 16;
    switch (frame) {
        case 0:  // pause
            return unite(rect(11, m, 3.5f, 10, 1), rect(21, m, 3.5f, 10, 1));
        case 1:  // quit
            return unite(capsule(8, 8, 24, 24, 3.5f), capsule(24, 8, 8, 24, 3.5f));
        case 2:  // back
            return unite(polygon({5, m, 15, 6, 15, 26}), rect(19, m, 8, 3.5f, 1));
        case 3:  // play / resume
            return polygon({9, 5, 9, 27, 27, m});
        case 4:  // restart
            return unite(subtract(ring(m, m, 9, 3), polygon({m, m, 30, 4, 30, m})),
                         polygon({20, 2, 29, 10, 19, 14}));
        case 5:  // sound
            return unite(unite(rect(7, m, 4, 5, 1), polygon({7, m, 16, 6, 16, 26})),
                         intersect(unite(ring(14, m, 6.5f, 1.5f), ring(14, m, 11.5f, 1.5f)),
                                   rect(26, m, 6, 13)));
        case 7:  // music
            return unite(unite(circle(11, 23, 4.5f), circle(23, 20, 4.5f)),
                         unite(polygon({13, 23, 15.5f, 23, 15.5f, 10, 13, 10}),
                               polygon({13, 6, 27.5f, 3, 27.5f, 20, 25, 20, 25, 8, 13, 10.5f})));
        case 8:  // star
            return star(m, 17, 5.5f, 13, 5);
        case 9:  // trophy
            return unite(unite(polygon({8, 5, 24, 5, 22, 15, 10, 15}), circle(m, 14, 6)),
                         unite(rect(m, 21, 2, 4), rect(m, 26, 7, 2, 1)));
        case 10:    // full screen
        case 11: {  // windowed: the same corners pointing inwards
            bool in = frame == 11;
            Sdf s = circle(-10, -10, 1);
            for (int k = 0; k < 4; ++k) {
                float sx = (k & 1) ? 1.0f : -1.0f, sy = (k & 2) ? 1.0f : -1.0f;
                float ox = m + sx * (in ? 4 : 11), oy = m + sy * (in ? 4 : 11);
                float dx = in ? sx * 7 : -sx * 7, dy = in ? sy * 7 : -sy * 7;
                s = unite(s, unite(capsule(ox, oy, ox + dx, oy, 1.8f),
                                   capsule(ox, oy, ox, oy + dy, 1.8f)));
            }
            return s;
        }
        case 13:  // home
            return unite(polygon({m, 4, 29, 15, 3, 15}), rect(m, 21, 9, 7, 1));
        case 14:  // information
            return unite(circle(m, 7, 3.5f), rect(m, 19, 3.5f, 8, 1));
        case 15:  // confirm
            return unite(capsule(6, 17, 13, 24, 3.2f), capsule(13, 24, 26, 8, 3.2f));
        default:
            return nullptr;
    }
}

}  // namespace

void drawIcon(Canvas& c, int frame) {
    const float m = 16;
    if (Sdf shape = iconSdf(frame)) {
        iconShape(c, shape);
    } else if (frame == 6) {
        // The highlight behind a selected button: a soft banded glow.
        for (int i = 0; i < 6; ++i) {
            float r = 15.5f - float(i) * 2.4f;
            c.fill(circle(m, m, r), rgb(255, 255, 255, 0.12f + 0.06f * float(i)));
        }
    } else if (frame == 12) {
        drawGear(c, m, m, 9, 13, 8, 4.5f, kLight);
    }
}

// ---- buttons -------------------------------------------------------------------

void drawButton(Canvas& c, int frame) {
    const float m = 32;
    if (frame <= 2) {
        // The three game types: a round button per type, warmer and with more
        // speed chevrons as the game gets faster.
        static const Color kTypeColors[3] = {rgb(70, 200, 110), rgb(255, 176, 40),
                                             rgb(240, 70, 90)};
        Color body = kTypeColors[frame];
        c.fill(circle(m, m, 30), inkColor());
        c.fill(circle(m, m, 28), ball(m, m, 28, body, 4));
        c.fill(ring(m, m, 23.5f, 1), rgb(255, 255, 255, 0.35f));
        // A slice of the rainbow tube across the button.
        Sdf band = [=](float x, float y) {
            float centre = m + 4 + std::sin((x - m) / 9.0f) * 5;
            return std::fabs(y - centre) - 6;
        };
        Sdf inner = intersect(band, circle(m, m, 27));
        c.fill(inner, [](float x, float) {
            return hsv(std::clamp((x - 6) / 52, 0.0f, 1.0f) * 0.85f, 0.65f, 1.0f, 0.85f);
        });
        int chevrons = frame + 1;
        float w = 9, total = w * float(chevrons);
        for (int i = 0; i < chevrons; ++i) {
            float x0 = m - total / 2 + w * float(i) + 1;
            Sdf chev = unite(capsule(x0, 24, x0 + 6, 33, 2.6f), capsule(x0 + 6, 33, x0, 42, 2.6f));
            c.fill(grow(chev, 1.2f), inkColor());
            c.fill(chev, kWhite);
        }
        return;
    }
    switch (frame) {
        case 8:  // the options gear: outer ring
            drawGear(c, m, m, 23, 30, 12, 16, rgb(255, 170, 50));
            break;
        case 9:  // middle ring, turning inside the outer one
            drawGear(c, m, m, 10.5f, 14, 8, 7, rgb(120, 200, 255), 11.25f);
            break;
        case 10: {  // hub
            c.fill(circle(m, m, 6.5f), inkColor());
            c.fill(circle(m, m, 5), ball(m, m, 5, rgb(255, 240, 150), 3));
            c.fill(rect(m, m, 3.5f, 0.8f), inkColor());
            break;
        }
        case 12: {  // credits corner: a heart with sparkles, for the thanks
            Sdf heart = unite(unite(circle(24, 27, 10), circle(40, 27, 10)),
                              polygon({15.5f, 32, 48.5f, 32, m, 52}));
            c.fill(grow(heart, 2), inkColor());
            c.fill(heart, ball(28, 28, 22, rgb(255, 90, 130), 4));
            c.fill(ellipse(23, 24, 3, 2), rgb(255, 230, 235));
            for (int k = 0; k < 3; ++k) {
                float sx = 10 + 20 * float(k), sy = 10 + float((k * 7) % 9);
                c.fill(star(sx + 6, sy, 1.2f, 4.5f, 4), rgb(255, 250, 190));
            }
            break;
        }
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
        case 11:
        case 13:
        case 14:
        case 15: {
            // Spare round buttons in the family's style, each with an icon
            // of the icon sheet, enlarged.
            static const int kIconOf[16] = {0, 0, 0, 8, 9, 5, 7, 2, 0, 0, 0, 14, 0, 13, 4, 15};
            Sdf icon = iconSdf(kIconOf[frame]);
            constexpr float k = 1.25f, o = 32 - 16 * k;  // icon units to button units
            Sdf big = [icon](float x, float y) { return icon((x - o) / k, (y - o) / k) * k; };
            float hue = float(frame) / 16.0f;
            c.fill(circle(m, m, 26), inkColor());
            c.fill(circle(m, m, 24), ball(m, m, 24, hsv(hue, 0.55f, 0.95f), 4));
            c.fill(grow(big, 1.5f), inkColor());
            c.fill(big, kWhite);
            break;
        }
        default:
            break;
    }
}

// ---- d-pad ---------------------------------------------------------------------

void drawDpad(Canvas& c, int frame) {
    const float m = 16;
    bool pressed = frame >= 8;
    int kind = frame % 8;
    Color body = pressed ? rgb(255, 220, 120) : kLight;
    auto arrow = [&](float deg) {
        Sdf a = rotated(unite(rect(m, 19, 6, 9, 2), polygon({m, 4, 25, 13, 7, 13})), m, m, deg);
        c.fill(grow(a, 1.5f), inkColor());
        c.fill(a, ball(m, m, 16, body, 3));
    };
    switch (kind) {
        case 0: {  // the whole cross
            Sdf cross = unite(rect(m, m, 5, 14, 2), rect(m, m, 14, 5, 2));
            c.fill(grow(cross, 1.5f), inkColor());
            c.fill(cross, ball(m, m, 16, body, 3));
            c.fill(circle(m, m, 3), scaled(body, 0.7f));
            break;
        }
        case 1:
            arrow(0);
            break;
        case 2:
            arrow(90);
            break;
        case 3:
            arrow(180);
            break;
        case 4:
            arrow(270);
            break;
        case 5:  // stick well
            c.fill(circle(m, m, 15), inkColor());
            c.fill(circle(m, m, 13.5f), rgb(90, 96, 128, 0.8f));
            c.fill(ring(m, m, 10, 0.6f), rgb(255, 255, 255, 0.3f));
            break;
        case 6:  // stick knob
            c.fill(circle(m, m, 10), inkColor());
            c.fill(circle(m, m, 8.5f), ball(m, m, 8.5f, body, 4));
            break;
        case 7: {  // action button
            c.fill(circle(m, m, 13), inkColor());
            c.fill(circle(m, m, 11.5f),
                   ball(m, m, 11.5f, pressed ? rgb(255, 120, 120) : rgb(120, 220, 140), 4));
            drawTextCentred(c, "A", m, m, 2, solid(kWhite));
            break;
        }
        default:
            break;
    }
}

// ---- studio logo ---------------------------------------------------------------

void drawStudioLogo(Canvas& c, int) {
    // A badge: dark disc, a ring of colour, a big stylised V and the name.
    // It fills the middle 0.64 of its frame: the menu shows it small in the
    // top right corner, and the score panel's heading sits just below the
    // frame's lower half there.
    const float m = 128, k = 0.64f;
    auto at = [=](float v) { return m + (v - m) * k; };  // a coordinate
    auto len = [=](float v) { return v * k; };            // a length
    c.fill(circle(m, m, len(124)), inkColor());
    c.fill(ring(m, m, len(112), len(8)), [=](float x, float y) {
        float a = std::atan2(y - m, x - m) / (2 * kPi) + 0.5f;
        return hsv(a, 0.7f, 1.0f);
    });
    c.fill(circle(m, m, len(100)), [=](float, float y) {
        return mix(rgb(60, 40, 120), rgb(20, 110, 170), band((y - at(28)) / len(200), 6));
    });
    Sdf vee = unite(capsule(at(78), at(58), m, at(150), len(16)),
                    capsule(at(178), at(58), m, at(150), len(16)));
    c.fill(grow(vee, len(4)), inkColor());
    c.fill(vee, [=](float, float y) {
        return mix(rgb(255, 255, 255), rgb(150, 230, 255), band((y - at(40)) / len(120), 4));
    });
    // A droplet falling into the V.
    Sdf drop = unite(circle(m, at(80), len(11)),
                     polygon({at(m - 9.5f), at(74), at(m + 9.5f), at(74), m, at(52)}));
    c.fill(grow(drop, len(3)), inkColor());
    c.fill(drop, ball(at(m - 2), at(78), len(13), rgb(90, 200, 255), 4));
    drawTextCentred(c, "VESK", m + len(3), at(201), len(6), solid(rgb(0, 0, 0, 0.5f)), 1);
    drawTextCentred(c, "VESK", m, at(198), len(6), solid(rgb(255, 236, 140)), 1);
}

// ---- test card ------------------------------------------------------------------

void drawTestcardCircle(Canvas& c, int) {
    const float m = 128, r = 120;
    c.fill(circle(m, m, r + 4), rgb(255, 255, 255));
    c.fill(circle(m, m, r), rgb(40, 40, 40));
    Sdf disc = circle(m, m, r - 1);
    // Upper cap: black and white gratings that get finer to the right.
    c.fill(intersect(disc, rect(m, 38, 128, 26)), [](float x, float) {
        float period = 14 - x / 24;
        return std::fmod(x, period) < period / 2 ? rgb(235, 235, 235) : rgb(20, 20, 20);
    });
    // Colour bars.
    static const Color kBars[8] = {rgb(235, 235, 235), rgb(235, 235, 16), rgb(16, 235, 235),
                                   rgb(16, 235, 16),   rgb(235, 16, 235), rgb(235, 16, 16),
                                   rgb(16, 16, 235),   rgb(16, 16, 16)};
    c.fill(intersect(disc, rect(m, 96, 128, 32)), [](float x, float) {
        int i = std::clamp(int((x - 8) / 30), 0, 7);
        return kBars[i];
    });
    // Grey steps.
    c.fill(intersect(disc, rect(m, 150, 128, 22)), [](float x, float) {
        int step = std::clamp(int((x - 8) / 40), 0, 5);
        int v = 16 + step * 44;
        return rgb(v, v, v);
    });
    // Lower cap: a frequency sweep and the station's slate.
    c.fill(intersect(disc, rect(m, 210, 128, 38)), rgb(20, 20, 20));
    c.fill(intersect(disc, rect(m, 196, 80, 8)), [](float x, float) {
        float period = 2 + (x - 48) / 20;
        return std::fmod(x, period) < period / 2 ? rgb(220, 220, 220) : rgb(40, 40, 40);
    });
    drawTextCentred(c, "DROPLING", m, 223, 2, solid(rgb(240, 240, 240)));
    // Crosshair and centre ring.
    c.fill(intersect(disc, unite(rect(m, m, 0.75f, 128), rect(m, m, 128, 0.75f))),
           rgb(255, 255, 255));
    c.fill(ring(m, m, 24, 1.2f), rgb(255, 255, 255));
    c.fill(ring(m, m, r - 1, 1.5f), rgb(255, 255, 255));
}

}  // namespace datagen
