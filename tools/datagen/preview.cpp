// Screen mock-ups for the contact sheet. A small nearest-neighbour sprite
// blitter draws frames about their centre with rotation, scale, tint and
// alpha, as the game's renderer would at the base asset size.
#include "tools/datagen/preview.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <string>

#include "tools/datagen/canvas.h"
#include "tools/datagen/pixel_font.h"
#include "tools/datagen/sheets.h"

namespace datagen {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kScreenW = 640, kScreenH = 480;

struct Sheet {
    Image image;
    int fw, fh;
};

const Sheet& sheet(const std::string& name) {
    static std::map<std::string, Sheet> cache;
    auto it = cache.find(name);
    if (it != cache.end()) return it->second;
    for (const SheetLayout& s : gameSheets()) {
        if (s.name == name) return cache[name] = Sheet{renderSheet(s, 1), s.frameW, s.frameH};
    }
    return cache[name];
}

// Draws frame `frame` of a sheet centred on (x, y).
void sprite(Image& dst, const std::string& name, int frame, float x, float y, float sx = 1,
            float sy = 1, float rotDeg = 0, Color tint = {1, 1, 1, 1}) {
    const Sheet& s = sheet(name);
    int perRow = s.image.width() / s.fw;
    int ox = (frame % perRow) * s.fw, oy = (frame / perRow) * s.fh;
    float c = std::cos(rotDeg * kPi / 180), sn = std::sin(rotDeg * kPi / 180);
    float reach = std::sqrt(float(s.fw * s.fw) * sx * sx + float(s.fh * s.fh) * sy * sy) / 2 + 1;
    for (int py = int(y - reach); py <= int(y + reach); ++py) {
        for (int px = int(x - reach); px <= int(x + reach); ++px) {
            if (px < 0 || py < 0 || px >= dst.width() || py >= dst.height()) continue;
            float dx = float(px) + 0.5f - x, dy = float(py) + 0.5f - y;
            // Inverse of: rotate (clockwise on screen for positive angles), then scale.
            float u = (dx * c + dy * sn) / sx + float(s.fw) / 2;
            float v = (-dx * sn + dy * c) / sy + float(s.fh) / 2;
            if (u < 0 || v < 0 || u >= float(s.fw) || v >= float(s.fh)) continue;
            Color src = s.image.get(ox + int(u), oy + int(v));
            if (src.a <= 0) continue;
            dst.blend(px, py, {src.r * tint.r, src.g * tint.g, src.b * tint.b, src.a * tint.a});
        }
    }
}

void box(Image& dst, float x, float y, float w, float h, Color c) {
    for (int py = int(y); py < int(y + h); ++py)
        for (int px = int(x); px < int(x + w); ++px)
            dst.blend(px, py, c);
}

void oval(Image& dst, float cx, float cy, float rx, float ry, Color c) {
    for (int py = int(cy - ry); py <= int(cy + ry); ++py)
        for (int px = int(cx - rx); px <= int(cx + rx); ++px) {
            float dx = (float(px) + 0.5f - cx) / rx, dy = (float(py) + 0.5f - cy) / ry;
            if (dx * dx + dy * dy <= 1) dst.blend(px, py, c);
        }
}

// The game's text routine with the game font: cell advance 7 by 10.
void text(Image& dst, const std::string& t, float x, float y, float scale, Color tint,
          float alignX = 0, float alignY = 0) {
    float w = 0;
    for (char ch : t)
        w = std::trunc(w + float(gameLetterAdvance(ch)) * scale);
    float pen = x - w * alignX / 2, top = y - (alignY - 1) * 10 * scale / 2, line = top;
    float start = pen;
    for (size_t i = 0; i < t.size(); ++i) {
        char ch = t[i];
        if (ch == '\n') {
            line += 10 * scale;
            pen = start;
            continue;
        }
        if (ch > 32) sprite(dst, "fonts/editundo", ch - 32, pen, line, scale, scale, 0, tint);
        pen += float(gameLetterAdvance(ch)) * scale;
    }
}

// The game's 32-bit generator, so the mock-up scatters things the same way
// every time.
struct Rng {
    uint32_t seed = 1234;
    float next() {
        seed = seed * 1664525U + 1013904223U;
        return float(seed >> 8) / 16777216.0f;
    }
    float range(float lo, float hi) { return lo + (hi - lo) * next(); }
};

const Color kInk[9] = {{1, .1f, .1f, 1}, {1, .5f, .1f, 1}, {1, 1, .1f, 1},
                       {.1f, 1, .1f, 1}, {.1f, 1, 1, 1},   {.1f, .1f, 1, 1},
                       {.5f, .1f, 1, 1}, {1, .1f, .5f, 1}, {1, 1, 1, 1}};

Color inkTint(int colour, float alpha) {
    Color k = kInk[(colour - 1) % 9];
    // The game multiplies the palette by 3 and clamps at full brightness.
    return {std::fmin(1.0f, k.r * 3), std::fmin(1.0f, k.g * 3), std::fmin(1.0f, k.b * 3), alpha};
}

}  // namespace

Image previewPlay() {
    Image img(kScreenW, kScreenH);
    box(img, 0, 0, kScreenW, kScreenH, rgb(0, 0, 80));
    Rng rng;
    for (int i = 0; i < 101; ++i) {
        int frame = int(rng.range(0, 255.99f));
        float x = rng.range(-8, kScreenW + 8), y = rng.range(-8, kScreenH + 8);
        float depth = rng.range(0.2f, 0.8f);
        sprite(img, "parts", frame, x, y, 1, 1, rng.range(0, 360), {1, 1, 1, depth});
    }
    // The tube: 101 rows 16 pixels apart, the centre and width drifting.
    auto centreOf = [](int row) {
        return 240 + 70 * std::sin(float(row) / 14.0f) + 20 * std::sin(float(row) / 5.0f);
    };
    auto widthOf = [](int row) { return 0.75f + 0.25f * std::sin(float(row) / 9.0f); };
    for (int row = 0; row <= 48; ++row) {
        float x = float(row - 8) * 16 + 4;
        sprite(img, "tube", row % 26, x, centreOf(row), 2, widthOf(row), 0, {1, 1, 1, 0.9f});
    }
    for (int row = 10; row <= 44; row += 4) {
        float x = float(row - 8) * 16 + 4, w = widthOf(row);
        if (row % 16 == 10) {
            sprite(img, "gfx", 2, float(row - 12) * 16 + 4,
                   centreOf(row - 4) + 64 * widthOf(row - 4) * 0, 2, 3 * widthOf(row - 4), 0,
                   {1, 1, 1, 0.5f});
            sprite(img, "gfx", 1 + 8 * (row % 3), x, centreOf(row), 2, 4 * w);
        } else {
            sprite(img, "gfx", 56, x, centreOf(row) - 64 * w, 2, 2, float(row * 25));
        }
    }
    // A gem just collected: a ring of particles.
    for (int k = 0; k < 16; ++k) {
        float a = float(k) * 22.5f * kPi / 180, r = 26 + float(k % 3) * 4;
        sprite(img, "parts", (k * 37) % 256, 110 + r * std::sin(a), 180 - r * std::cos(a), 2, 2,
               float(k * 40), inkTint(k % 8 + 1, 0.9f));
    }
    sprite(img, "gfx", 0, 64, centreOf(11) - 10, 2, 2, -8);
    text(img, "00001234", kScreenW / 2, 32, 2, {100 / 255.0f, 1, 100 / 255.0f, 0.8f});
    sprite(img, "common/icons", 0, 16, 16);
    return img;
}

Image previewMenu() {
    Image img(kScreenW, kScreenH);
    const float W = kScreenW, H = kScreenH, P = 140;
    box(img, 0, 0, W, H, rgb(0, 0, 80));
    sprite(img, "menu", 0, W / 2, H / 2, 3, 3);
    sprite(img, "menu", 1, 0.4f * W, H / 2, 3, 3, 0, {1, 1, 1, 0.75f});
    sprite(img, "gfx", 0, W / 2, H / 2, 3, 3);
    sprite(img, "logo", 0, 0.4f * W, 96, 1.5f, 1.5f);
    box(img, W - P, 0, P, H, {0, 0, 0, 0.4f});
    text(img, "Top 10\n       12345\n        9876\n         500", W - P + 20, 60, 1.5f,
         {1, 200 / 255.0f, 100 / 255.0f, 1});
    text(img, "Last 10\n        2024\n         500", W - P + 20, H / 2 + 20, 1.5f,
         {200 / 255.0f, 1, 100 / 255.0f, 1});
    float x0 = std::trunc((W - P) / 2), y0 = std::trunc(H - 96);
    for (int k = 1; k <= 4; ++k) {
        float x = x0 + float(k - 2) * 88, s = k == 2 ? 1.75f : 1.0f;
        float d = std::fabs(x - x0),
              a = k == 2 ? 1.0f : std::fmax(0.5f, std::fmin(1.0f, 1 - d / 480));
        if (k < 4) {
            sprite(img, "common/Buttons", k - 1, x, y0, s, s, 0, {1, 1, 1, a});
        } else {
            for (int layer = 0; layer < 3; ++layer)
                sprite(img, "common/Buttons", 8 + layer, x, y0, s, s, float(layer * 15),
                       {1, 1, 1, a});
        }
    }
    sprite(img, "common/icons", 3, W - 70, H - 48, 3, 2.5f, 0,
           {100 / 255.0f, 1, 100 / 255.0f, 0.3f});
    sprite(img, "common/VeskLogo", 0, W - 70, 32, 0.35f, 0.35f);
    return img;
}

Image previewLoading() {
    Image img(kScreenW, kScreenH);
    const float W = kScreenW, H = kScreenH, R = H, spin = 48;
    box(img, 0, 0, W, H, rgb(40, 40, 80));
    for (int k = 0; k <= 10; ++k) {
        float a = (spin + 196 + 16 * float(k)) * kPi / 180;
        oval(img, W / 2 + std::sin(a) * R / 4, H / 2 - std::cos(a) * R / 4, 8, 8,
             rgb(250, 250, 250, float(k) / 10));
    }
    oval(img, W / 2, H / 2, 0.3f * R, 0.3f * R, rgb(255, 255, 0, 0.8f));
    box(img, 0, 0.4f * H, W, 0.2f * H, rgb(250, 160, 60, 0.7f));
    sprite(img, "common/VeskLogo", 0, W / 2, 0.48f * H);
    for (int k = 0; k <= 10; ++k) {
        float a = (spin + 16 + 16 * float(k)) * kPi / 180;
        oval(img, W / 2 + std::sin(a) * R / 4, H / 2 - std::cos(a) * R / 4, 8, 8,
             rgb(50, 50, 50, float(k) / 10));
    }
    return img;
}

Image previewPause() {
    Image img = previewPlay();
    const float W = kScreenW, H = kScreenH, Y = H / 2;
    box(img, 0, 0, W, H, rgb(0, 0, 0, Y / (0.8f * H)));
    box(img, W / 2 - 128, Y - 64, 256, 8, rgb(255, 255, 10, 0.6f));
    box(img, W / 2 - 140, Y - 52, 280, 104, rgb(255, 150, 10, 0.7f));
    box(img, W / 2 - 128, Y + 56, 256, 8, rgb(10, 150, 255, 0.6f));
    sprite(img, "common/icons", 6, W / 2, Y, 2.5f, 2.5f, 0, rgb(255, 255, 100));
    sprite(img, "common/icons", 3, W / 2, Y, 2, 2, 0, rgb(50, 50, 250));
    sprite(img, "common/icons", 1, W / 2 - 140, Y - 64, 2, 2, 0, rgb(255, 50, 50));
    for (int layer = 0; layer < 3; ++layer)
        sprite(img, "common/Buttons", 8 + layer, W / 2 + 140, Y - 64, 1, 1, float(layer * 20));
    return img;
}

}  // namespace datagen
