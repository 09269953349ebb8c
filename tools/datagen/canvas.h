// Resolution-independent drawing for the data generator. Every picture is
// described once in "base" units (the pixel size of the no-suffix variant)
// and rasterised at 1, 2 or 4 output pixels per base unit, so the "-hd" and
// "-hd2" variants are the same picture drawn again with finer detail, never
// an upscaled copy. Shapes are signed distance functions (negative inside)
// sampled at pixel centres with hard edges, which keeps the pixel-art look
// crisp at every size. Relies on image.h.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/datagen/image.h"

namespace datagen {

// Signed distance in base units: negative inside, positive outside.
using Sdf = std::function<float(float x, float y)>;
// Colour of a shape at a point, in base units.
using Paint = std::function<Color(float x, float y)>;

struct Box {
    float x0, y0, x1, y1;
};

// ---- shapes -------------------------------------------------------------
Sdf circle(float cx, float cy, float r);
Sdf ellipse(float cx, float cy, float rx, float ry);
Sdf rect(float cx, float cy, float halfW, float halfH, float radius = 0);
Sdf capsule(float ax, float ay, float bx, float by, float r);
Sdf polygon(std::vector<float> xy);  // x0,y0,x1,y1,...; any simple polygon
Sdf ring(float cx, float cy, float r, float halfThickness);
Sdf unite(Sdf a, Sdf b);
Sdf subtract(Sdf a, Sdf b);
Sdf intersect(Sdf a, Sdf b);
Sdf grow(Sdf a, float by);
// The shape turned by `degrees` clockwise (y down) about (cx, cy).
Sdf rotated(Sdf a, float cx, float cy, float degrees);
// A gear: `teeth` teeth between radii rIn and rOut, tooth share `duty`.
Sdf gear(float cx, float cy, float rIn, float rOut, int teeth, float duty, float phaseDeg = 0);
// A star with `points` points between radii rIn and rOut, first point up.
Sdf star(float cx, float cy, float rIn, float rOut, int points, float phaseDeg = 0);

// ---- shading helpers -------------------------------------------------------
// Rounds v (0..1) down to one of `levels` bands: the stepped shading of
// pixel art instead of a smooth gradient.
float band(float v, int levels);
Paint solid(const Color& c);
// A lit ball: light from the upper left, banded.
Paint ball(float cx, float cy, float r, const Color& base, int levels = 4);

class Canvas {
public:
    // A frame of `baseW` x `baseH` base units whose top-left output pixel is
    // (originX, originY) in `image`, drawn at `scale` pixels per unit. The
    // sheets use whole scales; a fractional one serves sizes such as the
    // 24- and 48-pixel desktop icons.
    Canvas(Image& image, int originX, int originY, int baseW, int baseH, float scale);

    float scale() const { return scale_; }
    int baseWidth() const { return baseW_; }
    int baseHeight() const { return baseH_; }

    void fill(const Sdf& shape, const Paint& paint);
    void fill(const Sdf& shape, const Paint& paint, const Box& bounds);
    void fill(const Sdf& shape, const Color& c) { fill(shape, solid(c)); }
    // The shape with a border of `border` units in `ink` around `paint`.
    void outlined(const Sdf& shape, float border, const Color& ink, const Paint& paint);
    void outlined(const Sdf& shape, float border, const Color& ink, const Color& c) {
        outlined(shape, border, ink, solid(c));
    }
    // Paints every pixel of the frame (also where alpha is 0).
    void wash(const Paint& paint);

private:
    Image& image_;
    int originX_, originY_, baseW_, baseH_;
    float scale_;
    int pixelsW_, pixelsH_;  // the frame's size in output pixels
};

}  // namespace datagen
