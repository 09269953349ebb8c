// Shape functions and the sampler that turns them into pixels at any of the
// three resolutions. Distances are exact for circles, boxes, capsules and
// polygons; the combinators keep them good enough for hard-edged filling and
// for borders of a unit or two.
#include "tools/datagen/canvas.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kDegToRad = kPi / 180.0f;
constexpr int kTile = 8;                 // output pixels per side of a culling tile
constexpr float kTileCullMargin = 3.0f;  // see Canvas::fill

float length(float x, float y) {
    return std::sqrt(x * x + y * y);
}

}  // namespace

Sdf circle(float cx, float cy, float r) {
    return [=](float x, float y) { return length(x - cx, y - cy) - r; };
}

Sdf ellipse(float cx, float cy, float rx, float ry) {
    return [=](float x, float y) {
        float k = length((x - cx) / rx, (y - cy) / ry);
        return (k - 1.0f) * std::min(rx, ry);
    };
}

Sdf rect(float cx, float cy, float halfW, float halfH, float radius) {
    return [=](float x, float y) {
        float qx = std::fabs(x - cx) - halfW + radius;
        float qy = std::fabs(y - cy) - halfH + radius;
        float outside = length(std::max(qx, 0.0f), std::max(qy, 0.0f));
        return outside + std::min(std::max(qx, qy), 0.0f) - radius;
    };
}

Sdf capsule(float ax, float ay, float bx, float by, float r) {
    return [=](float x, float y) {
        float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
        float len2 = dx * dx + dy * dy;
        float t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f) : 0.0f;
        return length(px - dx * t, py - dy * t) - r;
    };
}

Sdf polygon(std::vector<float> xy) {
    return [xy = std::move(xy)](float x, float y) {
        size_t n = xy.size() / 2;
        float best = 1e30f;
        bool inside = false;
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
            float ex = xj - xi, ey = yj - yi, wx = x - xi, wy = y - yi;
            float len2 = ex * ex + ey * ey;
            float t = len2 > 0 ? std::clamp((wx * ex + wy * ey) / len2, 0.0f, 1.0f) : 0.0f;
            best = std::min(best, length(wx - ex * t, wy - ey * t));
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
        }
        return inside ? -best : best;
    };
}

Sdf ring(float cx, float cy, float r, float halfThickness) {
    return [=](float x, float y) { return std::fabs(length(x - cx, y - cy) - r) - halfThickness; };
}

Sdf unite(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

Sdf subtract(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

Sdf intersect(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

Sdf grow(Sdf a, float by) {
    return [=](float x, float y) { return a(x, y) - by; };
}

Sdf rotated(Sdf a, float cx, float cy, float degrees) {
    float c = std::cos(-degrees * kDegToRad), s = std::sin(-degrees * kDegToRad);
    return [=](float x, float y) {
        float dx = x - cx, dy = y - cy;
        return a(cx + dx * c - dy * s, cy + dx * s + dy * c);
    };
}

Sdf gear(float cx, float cy, float rIn, float rOut, int teeth, float duty, float phaseDeg) {
    return [=](float x, float y) {
        float dx = x - cx, dy = y - cy;
        float r = length(dx, dy);
        float a = std::atan2(dy, dx) / (2 * kPi) * float(teeth) - phaseDeg / 360.0f * float(teeth);
        float f = a - std::floor(a);  // position within one tooth period
        // A tooth is a trapezoid: full height in the middle of its share,
        // sloping over the edges so the teeth taper.
        float edge = std::fabs(f - 0.5f) * 2;  // 0 at tooth centre, 1 between
        float limit = duty;
        float h = edge < limit ? 1.0f : std::max(0.0f, 1.0f - (edge - limit) / 0.2f);
        float outer = rIn + (rOut - rIn) * h;
        return r - outer;
    };
}

Sdf star(float cx, float cy, float rIn, float rOut, int points, float phaseDeg) {
    std::vector<float> xy;
    for (int i = 0; i < points * 2; ++i) {
        float a = (phaseDeg - 90.0f) * kDegToRad + kPi * float(i) / float(points);
        float r = (i % 2 == 0) ? rOut : rIn;
        xy.push_back(cx + r * std::cos(a));
        xy.push_back(cy + r * std::sin(a));
    }
    return polygon(std::move(xy));
}

float band(float v, int levels) {
    v = std::clamp(v, 0.0f, 0.999f);
    return std::floor(v * float(levels)) / float(levels - 1 > 0 ? levels - 1 : 1);
}

Paint solid(const Color& c) {
    return [c](float, float) { return c; };
}

Paint ball(float cx, float cy, float r, const Color& base, int levels) {
    return [=](float x, float y) {
        float nx = (x - cx) / r, ny = (y - cy) / r;
        float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
        // Light from the upper left and a little in front.
        float light = std::clamp(-0.45f * nx - 0.55f * ny + 0.70f * nz, 0.0f, 1.0f);
        float k = 0.45f + 0.75f * band(light, levels);
        return scaled(base, k);
    };
}

Canvas::Canvas(Image& image, int originX, int originY, int baseW, int baseH, float scale)
    : image_(image),
      originX_(originX),
      originY_(originY),
      baseW_(baseW),
      baseH_(baseH),
      scale_(scale),
      pixelsW_(int(std::lround(float(baseW) * scale))),
      pixelsH_(int(std::lround(float(baseH) * scale))) {}

void Canvas::fill(const Sdf& shape, const Paint& paint) {
    fill(shape, paint, Box{0, 0, float(baseW_), float(baseH_)});
}

void Canvas::fill(const Sdf& shape, const Paint& paint, const Box& bounds) {
    float s = scale_;
    int x0 = std::max(0, int(std::floor(bounds.x0 * s)));
    int y0 = std::max(0, int(std::floor(bounds.y0 * s)));
    int x1 = std::min(pixelsW_, int(std::ceil(bounds.x1 * s)));
    int y1 = std::min(pixelsH_, int(std::ceil(bounds.y1 * s)));
    // Tiles whose centre lies far outside the shape are skipped whole, and
    // tiles far inside are filled without testing each pixel. The margin
    // allows for shapes whose distance is only approximate (gears, wavy
    // bands), which may overstate it up to about threefold.
    const float reach = kTileCullMargin * float(kTile) * 0.7072f / s;
    for (int ty = y0; ty < y1; ty += kTile) {
        for (int tx = x0; tx < x1; tx += kTile) {
            int tx1 = std::min(tx + kTile, x1), ty1 = std::min(ty + kTile, y1);
            float cx = float(tx + tx1) * 0.5f / s, cy = float(ty + ty1) * 0.5f / s;
            float d = shape(cx, cy);
            if (d > reach) continue;
            // Deep inside, every pixel of the tile is covered: skip the tests.
            bool whole = d < -reach;
            for (int py = ty; py < ty1; ++py) {
                float y = (float(py) + 0.5f) / s;
                for (int px = tx; px < tx1; ++px) {
                    float x = (float(px) + 0.5f) / s;
                    if (whole || shape(x, y) <= 0) {
                        image_.blend(originX_ + px, originY_ + py, paint(x, y));
                    }
                }
            }
        }
    }
}

void Canvas::outlined(const Sdf& shape, float border, const Color& ink, const Paint& paint) {
    fill(grow(shape, border), ink);
    fill(shape, paint);
}

void Canvas::wash(const Paint& paint) {
    float s = scale_;
    for (int py = 0; py < pixelsH_; ++py) {
        for (int px = 0; px < pixelsW_; ++px) {
            float x = (float(px) + 0.5f) / s, y = (float(py) + 0.5f) / s;
            image_.blend(originX_ + px, originY_ + py, paint(x, y));
        }
    }
}

}  // namespace datagen
