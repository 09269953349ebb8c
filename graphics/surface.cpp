// gxtkSurface and the renderer's surface loaders (LoadSurface,
// LoadSurface__UNSAFE__, CreateSurface). Decoding is the host's
// LoadImageData (stb_image, the file's own channel count); here the pixels
// are premultiplied, kept, and turned into textures on demand.
#include "graphics/surface.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "graphics/renderer.h"
#include "host/glfwgame.h"

namespace {

constexpr int kMaxByte = 255;
// GL keeps at most one pending error per kind; a handful of reads clears them.
constexpr int kMaxStaleErrors = 8;
constexpr int kLargestIntPowerOfTwo = 1 << 30;

}  // namespace

gxtkSurface::gxtkSurface() = default;

gxtkSurface::~gxtkSurface() {
    ReleaseTexture();
    std::free(data);
    data = nullptr;
}

int gxtkSurface::Width() {
    return width;
}
int gxtkSurface::Height() {
    return height;
}
int gxtkSurface::Loaded() {
    return 1;
}

int gxtkSurface::OnUnsafeLoadComplete() {
    Bind();
    return 1;
}

void gxtkSurface::ReleaseTexture() {
    // A texture of an older context went away with that context; deleting
    // its name now could hit an unrelated texture of the current one.
    if (seq == glfwGraphicsSeq) {
        glDeleteTextures(1, &texture);
        seq = -1;
    }
}

int gxtkSurface::Discard() {
    ReleaseTexture();
    std::free(data);
    data = nullptr;
    return 0;
}

GLenum gxtkSurface::FormatForDepth(int depth) {
    switch (depth) {
        case 1:
            return GL_LUMINANCE;
        case 2:
            return GL_LUMINANCE_ALPHA;
        case 3:
            return GL_RGB;
        case 4:
            return GL_RGBA;
        default:
            return 0;
    }
}

void gxtkSurface::Premultiply(uint8_t* pixels, int count, int depth) {
    if (depth == 2) {
        for (int i = 0; i < count; ++i, pixels += 2) {
            pixels[0] = static_cast<uint8_t>(pixels[0] * pixels[1] / kMaxByte);
        }
    } else if (depth == 4) {
        for (int i = 0; i < count; ++i, pixels += 4) {
            const int alpha = pixels[3];
            pixels[0] = static_cast<uint8_t>(pixels[0] * alpha / kMaxByte);
            pixels[1] = static_cast<uint8_t>(pixels[1] * alpha / kMaxByte);
            pixels[2] = static_cast<uint8_t>(pixels[2] * alpha / kMaxByte);
        }
    }
}

int gxtkSurface::PaddedSize(int size) {
    // No power of two above 2^30 fits an int: such a side stays as it is,
    // which the driver refuses like any other size it cannot take.
    if (size > kLargestIntPowerOfTwo) return size;
    int padded = 1;
    while (padded < size)
        padded *= 2;
    return padded;
}

void gxtkSurface::SetData(uint8_t* newData, int newWidth, int newHeight, int newDepth) {
    // Reloading into a surface must not leak the pixels it had.
    if (newData != data) std::free(data);
    data = newData;
    width = newWidth;
    height = newHeight;
    depth = newDepth;
    format = FormatForDepth(depth);
    if (data) Premultiply(data, width * height, depth);
}

void gxtkSurface::Bind() {
    if (glfwGraphicsSeq == 0) return;  // no window, no context yet
    if (seq == glfwGraphicsSeq) {
        glBindTexture(GL_TEXTURE_2D, texture);
        return;
    }
    seq = glfwGraphicsSeq;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    // Stale errors from earlier calls must not be mistaken for a refusal.
    for (int i = 0; i < kMaxStaleErrors && glGetError() != GL_NO_ERROR; ++i) {
    }
    int texWidth = width;
    int texHeight = height;
    glTexImage2D(GL_TEXTURE_2D, 0, format, texWidth, texHeight, 0, format, GL_UNSIGNED_BYTE,
                 nullptr);
    if (glGetError() != GL_NO_ERROR) {
        // Old drivers only take power-of-two sides: pad, and sample only the
        // image's part of the texture through the scales below.
        texWidth = PaddedSize(width);
        texHeight = PaddedSize(height);
        glTexImage2D(GL_TEXTURE_2D, 0, format, texWidth, texHeight, 0, format, GL_UNSIGNED_BYTE,
                     nullptr);
    }
    uscale = 1.0f / static_cast<float>(texWidth);
    vscale = 1.0f / static_cast<float>(texHeight);

    if (data) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, data);
    }
}

void gxtkSurface::SetSubData(int x, int y, int w, int h, const uint32_t* src, int pitch) {
    if (format != GL_RGBA || !src) return;
    // Only the part of the rectangle inside the surface is written; the rest
    // would land outside the pixel block.
    // In 64 bits, so that rectangles near the ends of the int range cannot
    // wrap the clipping.
    const int64_t x0 = std::max<int64_t>(x, 0);
    const int64_t y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{x} + w, width);
    const int64_t y1 = std::min<int64_t>(int64_t{y} + h, height);
    if (x0 >= x1 || y0 >= y1) return;
    src += static_cast<std::ptrdiff_t>((y0 - y) * pitch + (x0 - x));
    x = static_cast<int>(x0);
    y = static_cast<int>(y0);
    w = static_cast<int>(x1 - x0);
    h = static_cast<int>(y1 - y0);

    if (!data) {
        // Zeroed, so the pixels nobody wrote are transparent black instead of
        // whatever the heap held.
        data = static_cast<uint8_t*>(
            std::calloc(static_cast<size_t>(width) * static_cast<size_t>(height), 4));
        if (!data) return;
        depth = 4;
    }
    for (int r = 0; r < h; ++r) {
        const uint32_t* row = src + static_cast<std::ptrdiff_t>(r) * pitch;
        uint8_t* out = data + (static_cast<size_t>(y + r) * width + x) * 4;
        for (int i = 0; i < w; ++i, out += 4) {
            const uint32_t p = row[i];
            const uint32_t alpha = p >> 24;
            out[0] = static_cast<uint8_t>(((p >> 16) & 255) * alpha / kMaxByte);
            out[1] = static_cast<uint8_t>(((p >> 8) & 255) * alpha / kMaxByte);
            out[2] = static_cast<uint8_t>((p & 255) * alpha / kMaxByte);
            out[3] = static_cast<uint8_t>(alpha);
        }
    }

    if (seq != glfwGraphicsSeq) return;  // reaches the texture when it is made
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (w == width) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, format, GL_UNSIGNED_BYTE,
                        data + static_cast<size_t>(y) * width * 4);
    } else {
        for (int r = 0; r < h; ++r) {
            glTexSubImage2D(GL_TEXTURE_2D, 0, x, y + r, w, 1, format, GL_UNSIGNED_BYTE,
                            data + (static_cast<size_t>(y + r) * width + x) * 4);
        }
    }
}

// ===========================================================================
// The renderer's loaders

gxtkSurface* gxtkGraphics::LoadSurface__UNSAFE__(gxtkSurface* surface, String path) {
    int w = 0, h = 0, depth = 0;
    unsigned char* pixels = BBGlfwGame::_glfwGame->LoadImageData(path, &w, &h, &depth);
    if (!pixels) return nullptr;
    if (!gxtkSurface::FormatForDepth(depth)) {
        std::free(pixels);
        return nullptr;
    }
    surface->SetData(pixels, w, h, depth);
    // The pixels (and their texture) live as long as the object.
    gc_external_bytes(static_cast<int>(std::min<long long>(INT_MAX, 1LL * w * h * depth)));
    return surface;
}

gxtkSurface* gxtkGraphics::LoadSurface(String path) {
    gxtkSurface* surface = LoadSurface__UNSAFE__(new gxtkSurface(), path);
    if (surface) surface->Bind();
    return surface;
}

gxtkSurface* gxtkGraphics::CreateSurface(int w, int h) {
    gxtkSurface* surface = new gxtkSurface();
    surface->width = w;
    surface->height = h;
    surface->depth = 4;
    surface->format = GL_RGBA;
    surface->Bind();
    return surface;
}
