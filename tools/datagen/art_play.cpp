// Painters for the play pictures: the menu backdrop and overlay, the title,
// particles and star sparkles, badges, the sprite sheet (droplet, gem,
// barrier), the rainbow tube slices and the desktop icon. Relies on canvas.h
// and pixel_font.h.
//
// Index: menu | title | particles | badges | sprites | tube | desktop icon
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tools/datagen/pixel_font.h"
#include "tools/datagen/sheets.h"

namespace datagen {

namespace {

constexpr float kPi = 3.14159265358979f;

// Tube slices run through the rainbow in this many phases.
constexpr int kTubePhases = 26;

// Small deterministic hash for scattering decorations.
uint32_t hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}
float hash01(uint32_t x) {
    return float(hash(x) & 0xffffff) / 16777216.0f;
}

const Color kWhite = rgb(255, 255, 255);
const Color kWater = rgb(70, 180, 255);

void sparkle(Canvas& c, float x, float y, float size, const Color& col) {
    c.fill(unite(rect(x, y, size, size * 0.22f), rect(x, y, size * 0.22f, size)), col);
}

}  // namespace

// ==== menu ==========================================================================

void drawMenu(Canvas& c, int frame) {
    const float m = 128;
    switch (frame) {
        case 0: {  // backdrop: a banded sunburst in deep blues
            c.wash([=](float x, float y) {
                float dx = x - m, dy = y - m;
                float a = std::atan2(dy, dx) / (2 * kPi) * 16;
                float ray = (int(std::floor(a)) & 1) ? 1.0f : 0.0f;
                float d = std::sqrt(dx * dx + dy * dy) / 181;
                float v = band(1 - d, 6);
                Color deep = rgb(10, 14, 60), glow = rgb(60, 70, 190);
                Color col = mix(deep, glow, v);
                return ray > 0 ? scaled(col, 1.18f) : col;
            });
            for (uint32_t i = 0; i < 70; ++i) {
                float x = 4 + hash01(i * 3 + 1) * 248, y = 4 + hash01(i * 3 + 2) * 248;
                float s = 0.6f + hash01(i * 3 + 3) * 1.6f;
                sparkle(c, x, y, s, rgb(255, 255, 255, 0.35f + 0.4f * hash01(i + 99)));
            }
            break;
        }
        case 1: {  // overlay: a rainbow ribbon sweeping across, like the tube
            Sdf ribbon = [=](float x, float y) {
                float centre = 150 + std::sin(x / 40.0f) * 30 - x * 0.2f;
                return std::fabs(y - centre) - 26;
            };
            c.fill(grow(ribbon, 2), rgb(255, 255, 255, 0.5f));
            c.fill(ribbon, [=](float x, float y) {
                float centre = 150 + std::sin(x / 40.0f) * 30 - x * 0.2f;
                float v = (y - centre) / 26;
                Color col = hsv(x / 256.0f, 0.7f, 1.0f, 0.35f + 0.4f * band(v * v, 4));
                return v < -0.55f && v > -0.8f ? mix(col, rgb(255, 255, 255, 0.8f), 0.6f) : col;
            });
            break;
        }
        case 2: {  // soft clouds, for a lighter screen
            for (uint32_t i = 0; i < 14; ++i) {
                float x = hash01(i * 5 + 1) * 256, y = 40 + hash01(i * 5 + 2) * 180;
                float r = 14 + hash01(i * 5 + 3) * 22;
                c.fill(circle(x, y, r), rgb(255, 255, 255, 0.18f));
            }
            break;
        }
        case 3: {  // a grid floor
            c.wash([](float x, float y) {
                bool line = std::fmod(x, 32) < 1.5f || std::fmod(y, 32) < 1.5f;
                return line ? rgb(120, 160, 255, 0.35f) : rgb(0, 0, 0, 0);
            });
            break;
        }
        default:
            break;
    }
}

// ==== title ===========================================================================

void drawTitleLogo(Canvas& c, int) {
    const std::string top = "Dropling", bottom = "in A Vuro";
    const float u1 = 5, u2 = 4;
    float w1 = float(textWidth(top)) * u1, w2 = float(textWidth(bottom)) * u2;
    float x1 = (256 - w1) / 2, y1 = 6;
    float x2 = (256 - w2) / 2, y2 = 6 + 9 * u1 + 12;
    // Shadow, outline, then the letters: water blue for the name, a rainbow
    // for the tagline.
    drawText(c, top, x1 + 3, y1 + 4, u1, solid(rgb(0, 0, 40, 0.55f)), 2.5f);
    drawText(c, top, x1, y1, u1, solid(inkColor()), 2.5f);
    drawText(c, top, x1, y1, u1, [=](float, float y) {
        float v = (y - y1) / (7 * u1);
        if (v < 0.28f) return rgb(220, 248, 255);
        return mix(rgb(110, 210, 255), rgb(40, 110, 230), band(v, 4));
    });
    drawText(c, bottom, x2 + 3, y2 + 3, u2, solid(rgb(0, 0, 40, 0.55f)), 2.0f);
    drawText(c, bottom, x2, y2, u2, solid(inkColor()), 2.0f);
    drawText(c, bottom, x2, y2, u2, [=](float x, float y) {
        Color col = hsv((x - x2) / w2 * 0.8f, 0.6f, 1.0f);
        return (y - y2) < 1.5f * u2 ? mix(col, kWhite, 0.5f) : col;
    });
}

// ==== particles ========================================================================

void drawParticle(Canvas& c, int frame) {
    // Sixteen shapes in sixteen sizes and turns. They are white or light grey:
    // the game tints particles through its palette and draws star sparkles
    // white at their depth's alpha.
    const float m = 4;
    int shape = frame / 16, variant = frame % 16;
    float s = 1.5f + float(variant % 4) * 0.7f;  // size
    float turn = float(variant / 4) * 22.5f;
    Color hot = kWhite, warm = rgb(210, 220, 240);
    switch (shape % 8) {
        case 0:  // round dot with a bright core
            c.fill(circle(m, m, s * 0.9f), warm);
            c.fill(circle(m, m, s * 0.45f), hot);
            break;
        case 1:  // plus sparkle
            c.fill(rotated(unite(rect(m, m, s + 0.5f, 0.55f), rect(m, m, 0.55f, s + 0.5f)), m, m,
                           turn),
                   warm);
            c.fill(circle(m, m, 0.9f), hot);
            break;
        case 2:  // four-point star
            c.fill(star(m, m, s * 0.3f, s + 0.6f, 4, turn), warm);
            c.fill(circle(m, m, 0.8f), hot);
            break;
        case 3:  // five-point star
            c.fill(star(m, m, s * 0.45f, s + 0.5f, 5, turn), hot);
            break;
        case 4:  // diamond
            c.fill(rotated(rect(m, m, s * 0.6f, s * 0.6f), m, m, 45 + turn), warm);
            c.fill(rotated(rect(m - 0.5f, m - 0.5f, s * 0.25f, s * 0.25f), m, m, 45 + turn), hot);
            break;
        case 5:  // ring
            c.fill(ring(m, m, s * 0.8f, 0.55f), hot);
            break;
        case 6:  // confetti strip
            c.fill(rotated(rect(m, m, s * 0.9f, 0.7f, 0.3f), m, m, turn * 2), warm);
            break;
        default:  // tiny droplet
            c.fill(rotated(unite(circle(m, m + 0.8f, s * 0.6f),
                                 polygon({m - s * 0.55f, m + 0.6f, m + s * 0.55f, m + 0.6f, m,
                                          m - s * 0.9f})),
                           m, m, turn),
                   warm);
            c.fill(circle(m - 0.6f, m + 0.4f, 0.5f), hot);
            break;
    }
}

// ==== badges ===========================================================================

void drawBadge(Canvas& c, int frame) {
    const float m = 32;
    bool earned = frame == 0;  // the test badge; the others are placeholders
    Color metal = earned ? rgb(255, 200, 60) : hsv(float(frame) / 64.0f, 0.35f, 0.8f);
    // Ribbon tails.
    Sdf tails =
        unite(polygon({20, 34, 30, 34, 24, 62, 18, 56}), polygon({34, 34, 44, 34, 46, 56, 40, 62}));
    c.fill(grow(tails, 1.5f), inkColor());
    c.fill(tails, earned ? rgb(220, 60, 80) : scaled(metal, 0.7f));
    c.fill(circle(m, 28, 24), inkColor());
    c.fill(circle(m, 28, 22.5f), ball(m, 28, 22.5f, metal, 4));
    c.fill(ring(m, 28, 17.5f, 1), scaled(metal, 0.6f));
    if (earned) {
        Sdf st = star(m, 29, 6, 14, 5);
        c.fill(grow(st, 1.2f), inkColor());
        c.fill(st, rgb(255, 255, 230));
        drawTextCentred(c, "TEST", m, 28, 1, solid(inkColor()));
    } else {
        drawTextCentred(c, std::to_string(frame), m, 28, 2, solid(scaled(metal, 0.45f)));
    }
}

// ==== sprites ============================================================================

namespace {

// The droplet: a round body trailing a point to the left (the tube rushes
// left past it), with a big eye looking ahead.
void drawDroplet(Canvas& c, bool blink) {
    const float cx = 18, cy = 16, r = 10;
    Sdf body = unite(circle(cx, cy, r),
                     polygon({cx - 2, cy - r + 0.6f, 2, cy + 1, cx - 2, cy + r - 0.6f}));
    c.fill(grow(body, 1.5f), inkColor());
    c.fill(body, ball(cx + 1, cy, r + 2, kWater, 4));
    c.fill(ellipse(cx - 4, cy - 5, 3.2f, 1.8f), rgb(225, 248, 255));
    c.fill(circle(cx - 8.5f, cy - 1.5f, 1), rgb(225, 248, 255));
    if (blink) {
        c.fill(rect(cx + 4, cy - 1, 3, 0.7f), inkColor());
    } else {
        c.fill(ellipse(cx + 4, cy - 1.5f, 3, 3.6f), kWhite);
        c.fill(ellipse(cx + 5.3f, cy - 1, 1.6f, 2.2f), inkColor());
        c.fill(circle(cx + 4.6f, cy - 2.4f, 0.6f), kWhite);
    }
    c.fill(capsule(cx + 1, cy + 5, cx + 5, cy + 5.5f, 0.7f), scaled(kWater, 0.45f));
}

void drawGem(Canvas& c, const Color& base) {
    const float m = 16;
    // A cut gem seen from the side: table, crown and pavilion facets. Drawn
    // at twice its size in play, it spans about half a lane.
    const float top = 10, girdle = 14, culet = 24, table = 4.5f, half = 8.5f;
    Sdf gem =
        polygon({m - table, top, m + table, top, m + half, girdle, m, culet, m - half, girdle});
    c.fill(grow(gem, 1.5f), inkColor());
    c.fill(gem, [=](float x, float y) {
        float t = (x - m) / half;
        if (y < girdle)
            return t < -0.35f ? scaled(base, 1.4f)
                              : (t < 0.35f ? scaled(base, 1.1f) : scaled(base, 0.85f));
        return t < -0.3f ? base : (t < 0.3f ? scaled(base, 0.78f) : scaled(base, 0.58f));
    });
    c.fill(capsule(m - half, girdle, m + half, girdle, 0.35f), scaled(base, 0.5f));
    c.fill(rect(m - 3, top + 1.5f, 1, 0.8f), rgb(255, 255, 255));
    sparkle(c, m + 6, top - 1, 2.5f, kWhite);
}

// One frame of the barrier: a crackling energy column between two posts.
// `phase` moves the bolt and the glow from frame to frame.
void drawBarrier(Canvas& c, int phase) {
    const float m = 16;
    c.fill(rect(m, m, 6, 15), rgb(255, 60, 40, 0.25f + 0.1f * float(phase)));
    c.fill(rect(m, m, 3.5f, 15), rgb(255, 120, 60, 0.45f));
    std::vector<float> pts;
    for (int i = 0; i <= 8; ++i) {
        float y = 1 + float(i) * 3.75f;
        float off = (hash01(uint32_t(i * 7 + phase * 31)) - 0.5f) * 7;
        pts.push_back(m + (i == 0 || i == 8 ? 0 : off));
        pts.push_back(y);
    }
    for (size_t i = 0; i + 3 < pts.size(); i += 2) {
        c.fill(capsule(pts[i], pts[i + 1], pts[i + 2], pts[i + 3], 1.3f), rgb(255, 230, 120));
        c.fill(capsule(pts[i], pts[i + 1], pts[i + 2], pts[i + 3], 0.5f), kWhite);
    }
    for (float y : {2.5f, 29.5f}) {
        c.fill(rect(m, y, 6, 2.5f, 1), inkColor());
        c.fill(rect(m, y, 5, 1.6f, 0.5f), rgb(200, 205, 225));
    }
}

}  // namespace

void drawSprite(Canvas& c, int frame) {
    switch (frame) {
        case 0:
            drawDroplet(c, false);
            return;
        case 8:
            drawDroplet(c, true);
            return;
        case 1:
            drawBarrier(c, 0);
            return;
        case 9:
            drawBarrier(c, 1);
            return;
        case 17:
            drawBarrier(c, 2);
            return;
        case 2: {  // barrier preview: a dashed warning outline
            const float m = 16;
            for (int i = 0; i < 5; ++i) {
                float y = 3 + float(i) * 6.5f;
                c.fill(rect(m, y, 6, 1.8f, 0.6f), rgb(255, 80, 60));
            }
            c.fill(rect(m, m - 2, 1.2f, 5), kWhite);
            c.fill(circle(m, m + 5.5f, 1.2f), kWhite);
            return;
        }
        default:
            break;
    }
    if (frame >= 56) {
        // Frame 56 is the gem the player collects; the rest are colour variants.
        static const Color kGems[8] = {rgb(255, 70, 190), rgb(70, 230, 150), rgb(90, 150, 255),
                                       rgb(255, 200, 50), rgb(190, 90, 255), rgb(255, 110, 70),
                                       rgb(80, 230, 240), rgb(240, 240, 255)};
        drawGem(c, kGems[frame - 56]);
    }
}

// ==== tube ===============================================================================

void drawTubeSlice(Canvas& c, int frame) {
    // Consecutive slices advance one phase; within a slice the hue runs on
    // towards the next phase so that neighbouring slices meet without a seam.
    bool rainbow = frame < kTubePhases;
    float phase = float(frame);
    c.wash([=](float x, float y) {
        float v = (y - 128) / 128;  // -1 at the top wall, 1 at the bottom wall
        float av = std::fabs(v);
        float hue = (phase + x / 8) / float(kTubePhases);
        float sat = rainbow ? 0.75f : 0.0f;
        if (av > 0.955f) return hsv(hue, sat * 0.5f, 1.0f);  // bright rim
        if (av > 0.915f) return hsv(hue, sat, 0.55f);        // wall shadow
        float depth = band(av * av, 5);                      // darker glass at the walls
        Color glass = hsv(hue, sat, 0.95f, 0.22f + 0.5f * depth);
        if (v > -0.72f && v < -0.56f) return mix(glass, rgb(255, 255, 255, 0.75f), 0.65f);
        return glass;
    });
}

// ==== desktop icon =======================================================================

void drawAppIcon(Canvas& c) {
    // The droplet in a stretch of rainbow tube on a rounded night-blue tile:
    // the play screen in one glance, still readable at 16 pixels.
    const float m = 16;
    Sdf tile = rect(m, m, 15, 15, 6);
    c.fill(tile, inkColor());
    c.fill(rect(m, m, 14, 14, 5.2f), [=](float, float y) {
        return mix(rgb(60, 70, 190), rgb(10, 14, 60), band(y / 32, 4));
    });
    c.fill(intersect(tile, rect(m, m, 16, 11)), [=](float x, float y) {
        float v = std::fabs(y - m) / 11;  // 0 on the tube's axis, 1 at its walls
        Color col = hsv(x / 40, 0.75f, 0.95f);
        return v > 0.85f ? hsv(x / 40, 0.4f, 1.0f) : mix(col, rgb(10, 14, 60), band(v, 3) * 0.6f);
    });
    drawDroplet(c, false);
}

}  // namespace datagen
