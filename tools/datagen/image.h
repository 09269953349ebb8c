// Pictures in memory for the data generator: a premultiplied float RGBA
// raster, compositing, and PNG encoding (zlib from Debian compresses).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

// A straight (not premultiplied) colour, channels 0..1.
struct Color {
    float r = 0, g = 0, b = 0, a = 1;
};

Color rgb(int r, int g, int b, float a = 1.0f);
Color mix(const Color& x, const Color& y, float t);
Color scaled(const Color& c, float k);  // brightness, alpha kept
Color hsv(float hue01, float sat, float val, float a = 1.0f);

class Image {
public:
    Image() = default;
    Image(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // Porter-Duff "over" of a straight colour with the given coverage.
    void blend(int x, int y, const Color& c, float coverage = 1.0f);
    // Replaces a pixel outright (straight colour).
    void set(int x, int y, const Color& c);
    Color get(int x, int y) const;  // straight colour
    float alpha(int x, int y) const { return px_[index(x, y)].a; }

    // Composites another image over this one with its top-left at (x, y).
    void draw(const Image& src, int x, int y);

    // 8-bit straight RGBA, rows top to bottom.
    std::vector<uint8_t> rgba8() const;
    std::vector<uint8_t> png() const;

private:
    struct Px {
        float r, g, b, a;  // premultiplied
    };
    size_t index(int x, int y) const { return size_t(y) * size_t(width_) + size_t(x); }

    int width_ = 0, height_ = 0;
    std::vector<Px> px_;
};

// PNG of 8-bit RGB or RGBA rows; `channels` is 3 or 4.
std::vector<uint8_t> encodePng(const std::vector<uint8_t>& pixels, int width, int height,
                               int channels);

}  // namespace datagen
