// Raster storage, compositing and PNG output for the data generator. PNG
// files are written here with Debian's zlib doing the compression, which
// gives the same bytes for the same pixels.
#include "tools/datagen/image.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace datagen {

namespace {

constexpr int kPngZlibLevel = 1;  // fastest: the files come out barely larger
constexpr uint8_t kPngPaethFilter = 4;

void putBigEndian(uint8_t* at, uint32_t v) {
    at[0] = uint8_t(v >> 24);
    at[1] = uint8_t(v >> 16);
    at[2] = uint8_t(v >> 8);
    at[3] = uint8_t(v);
}

// A PNG chunk: length, type, data and the CRC of type and data.
void appendChunk(std::vector<uint8_t>& png, const char* type, const uint8_t* data, size_t size) {
    uint8_t word[4];
    putBigEndian(word, uint32_t(size));
    png.insert(png.end(), word, word + 4);
    size_t typeAt = png.size();
    png.insert(png.end(), type, type + 4);
    if (size) png.insert(png.end(), data, data + size);
    uLong crc = crc32(0L, png.data() + typeAt, uInt(4 + size));
    putBigEndian(word, uint32_t(crc));
    png.insert(png.end(), word, word + 4);
}

uint8_t toByte(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return uint8_t(std::lround(v * 255.0f));
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
    // Every row uses the Paeth filter: flat areas and smooth bands, which
    // these pictures are made of, then compress well, and choosing no filter
    // per row keeps the encoder quick.
    const size_t rowBytes = size_t(width) * size_t(channels);
    std::vector<uint8_t> filtered((rowBytes + 1) * size_t(height));
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels.data() + size_t(y) * rowBytes;
        const uint8_t* up = y > 0 ? row - rowBytes : nullptr;
        uint8_t* out = filtered.data() + size_t(y) * (rowBytes + 1);
        out[0] = kPngPaethFilter;
        for (size_t i = 0; i < rowBytes; ++i) {
            int a = i >= size_t(channels) ? row[i - size_t(channels)] : 0;
            int b = up ? up[i] : 0;
            int c = (up && i >= size_t(channels)) ? up[i - size_t(channels)] : 0;
            int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            int predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
            out[1 + i] = uint8_t(row[i] - predictor);
        }
    }
    uLongf packedSize = compressBound(uLong(filtered.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, filtered.data(), uLong(filtered.size()),
                  kPngZlibLevel) != Z_OK) {
        throw std::runtime_error("datagen: zlib could not compress a picture");
    }
    packed.resize(packedSize);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    uint8_t header[13];
    putBigEndian(header, uint32_t(width));
    putBigEndian(header + 4, uint32_t(height));
    header[8] = 8;                             // bits per channel
    header[9] = channels == 4 ? 6 : 2;         // RGBA or RGB
    header[10] = header[11] = header[12] = 0;  // deflate, adaptive filters, no interlace
    appendChunk(png, "IHDR", header, sizeof header);
    appendChunk(png, "IDAT", packed.data(), packed.size());
    appendChunk(png, "IEND", nullptr, 0);
    return png;
}

}  // namespace datagen
