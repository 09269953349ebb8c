// Raster storage, compositing and PNG output for the data generator; PNG
// bytes come from stb_image_write, which is deterministic for equal input.
#include "tools/datagen/image.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

constexpr int kPngCompressionLevel = 5;

uint8_t toByte(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return uint8_t(std::lround(v * 255.0f));
}

void appendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    auto* bytes = static_cast<uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

Color rgb(int r, int g, int b, float a) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, a};
}

Color mix(const Color& x, const Color& y, float t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
            x.a + (y.a - x.a) * t};
}

Color scaled(const Color& c, float k) {
    return {std::min(1.0f, c.r * k), std::min(1.0f, c.g * k), std::min(1.0f, c.b * k), c.a};
}

Color hsv(float hue01, float sat, float val, float a) {
    float h = (hue01 - std::floor(hue01)) * 6.0f;
    int sector = int(h) % 6;
    float f = h - std::floor(h);
    float p = val * (1 - sat), q = val * (1 - sat * f), t = val * (1 - sat * (1 - f));
    switch (sector) {
        case 0:
            return {val, t, p, a};
        case 1:
            return {q, val, p, a};
        case 2:
            return {p, val, t, a};
        case 3:
            return {p, q, val, a};
        case 4:
            return {t, p, val, a};
        default:
            return {val, p, q, a};
    }
}

Image::Image(int width, int height)
    : width_(width), height_(height), px_(size_t(width) * size_t(height), Px{0, 0, 0, 0}) {}

void Image::blend(int x, int y, const Color& c, float coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    float a = std::clamp(c.a * coverage, 0.0f, 1.0f);
    if (a <= 0) return;
    Px& d = px_[index(x, y)];
    float k = 1 - a;
    d.r = c.r * a + d.r * k;
    d.g = c.g * a + d.g * k;
    d.b = c.b * a + d.b * k;
    d.a = a + d.a * k;
}

void Image::set(int x, int y, const Color& c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    px_[index(x, y)] = Px{c.r * c.a, c.g * c.a, c.b * c.a, c.a};
}

Color Image::get(int x, int y) const {
    const Px& p = px_[index(x, y)];
    if (p.a <= 0) return {0, 0, 0, 0};
    return {p.r / p.a, p.g / p.a, p.b / p.a, p.a};
}

void Image::draw(const Image& src, int x, int y) {
    for (int sy = 0; sy < src.height_; ++sy) {
        for (int sx = 0; sx < src.width_; ++sx) {
            const Px& s = src.px_[src.index(sx, sy)];
            int dx = x + sx, dy = y + sy;
            if (s.a <= 0 || dx < 0 || dy < 0 || dx >= width_ || dy >= height_) continue;
            Px& d = px_[index(dx, dy)];
            float k = 1 - s.a;
            d = Px{s.r + d.r * k, s.g + d.g * k, s.b + d.b * k, s.a + d.a * k};
        }
    }
}

std::vector<uint8_t> Image::rgba8() const {
    std::vector<uint8_t> out(px_.size() * 4);
    for (size_t i = 0; i < px_.size(); ++i) {
        const Px& p = px_[i];
        uint8_t a = toByte(p.a);
        // Fully transparent pixels are stored as 0,0,0,0 so that equal pictures
        // give equal bytes whatever colour was painted there with no cover.
        if (a == 0) continue;
        out[i * 4 + 0] = toByte(p.r / p.a);
        out[i * 4 + 1] = toByte(p.g / p.a);
        out[i * 4 + 2] = toByte(p.b / p.a);
        out[i * 4 + 3] = a;
    }
    return out;
}

std::vector<uint8_t> Image::png() const {
    return encodePng(rgba8(), width_, height_, 4);
}

std::vector<uint8_t> encodePng(const std::vector<uint8_t>& pixels, int width, int height,
                               int channels) {
    // A middling zlib level: the files stay small and the generator, which
    // runs in every build, stays quick.
    stbi_write_png_compression_level = kPngCompressionLevel;
    std::vector<uint8_t> out;
    stbi_write_png_to_func(appendBytes, &out, width, height, channels, pixels.data(),
                           width * channels);
    return out;
}

}  // namespace datagen
