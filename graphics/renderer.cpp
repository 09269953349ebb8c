// gxtkGraphics: the batched renderer. Everything that reaches OpenGL during a
// frame goes through Flush (draw calls), SetBlend, SetScissor, Cls and
// BeginRender (per-frame state); the draw operations only fill vertexBuffer.
// Surface loading and binding live in surface.cpp.
//
// Index:
//   construction and frame
//   state: colour, blend, scissor, matrix, clear
//   batch admission and flush
//   primitives
//   pixels
#include "graphics/renderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "graphics/surface.h"
#include "platform/glfw2.h"

using namespace glfw2;

namespace {

// Full turn in radians as the oval loop steps it (single precision).
constexpr float kTwoPi = 6.2831855f;
// Oval segment counts: never fewer than this, even for a dot.
constexpr int kOvalMinSegments = 12;

}  // namespace

// ===========================================================================
// construction and frame

gxtkGraphics::gxtkGraphics() {
    glfwGetWindowSize(&width, &height);
    for (int q = 0; q < kBatchQuads; ++q) {
        // Two triangles sharing the diagonal from corner 0 to corner 2.
        const uint16_t i = static_cast<uint16_t>(q * 4);
        uint16_t* t = &quadIndexTable[q * 6];
        t[0] = i;
        t[1] = i + 1;
        t[2] = i + 2;
        t[3] = i;
        t[4] = i + 2;
        t[5] = i + 3;
    }
    for (Vertex& v : vertexBuffer)
        v = Vertex{0, 0, 0, 0, 0};
}

int gxtkGraphics::Width() {
    return width;
}
int gxtkGraphics::Height() {
    return height;
}

int gxtkGraphics::BeginRender() {
    width = height = 0;
    glfwGetWindowSize(&width, &height);

    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Origin top-left, y down, one unit per pixel.
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &vertexBuffer[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &vertexBuffer[0].u);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), &vertexBuffer[0].color);

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    blendMode = kBlendAlpha;
    glDisable(GL_TEXTURE_2D);

    batchCount = 0;
    return 1;
}

int gxtkGraphics::EndRender() {
    if (batchCount > 0) Flush();
    glfwSwapBuffers();
    stats.frames++;
    return 0;
}

int gxtkGraphics::DiscardGraphics() {
    return 0;
}

// ===========================================================================
// state: colour, blend, scissor, matrix, clear

namespace {

// Premultiplied colour in the byte order R, G, B, A. Inputs are not clamped:
// callers keep colour within 0-255 and alpha within 0-1.
uint32_t PackColor(float r, float g, float b, float alpha) {
    const uint32_t pa = static_cast<uint32_t>(static_cast<int>(alpha * 255.0f));
    const uint32_t pb = static_cast<uint32_t>(static_cast<int>(b * alpha));
    const uint32_t pg = static_cast<uint32_t>(static_cast<int>(g * alpha));
    const uint32_t pr = static_cast<uint32_t>(static_cast<int>(r * alpha));
    return pa << 24 | pb << 16 | pg << 8 | pr;
}

}  // namespace

int gxtkGraphics::SetColor(float r, float g, float b) {
    red = r;
    green = g;
    blue = b;
    packedColor = PackColor(red, green, blue, alpha);
    return 0;
}

int gxtkGraphics::SetAlpha(float newAlpha) {
    alpha = newAlpha;
    packedColor = PackColor(red, green, blue, alpha);
    return 0;
}

int gxtkGraphics::SetBlend(int blend) {
    const int mode = blend == kBlendAdditive ? kBlendAdditive : kBlendAlpha;
    if (mode == blendMode) return 0;
    Flush();
    if (mode == kBlendAdditive) {
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
    blendMode = mode;
    stats.blendChanges++;
    return 0;
}

int gxtkGraphics::SetScissor(int x, int y, int w, int h) {
    Flush();
    if (x == 0 && y == 0 && w == Width() && h == Height()) {
        glDisable(GL_SCISSOR_TEST);
    } else {
        glEnable(GL_SCISSOR_TEST);
        // Top-left origin to OpenGL's bottom-left.
        glScissor(x, Height() - y - h, w, h);
    }
    return 0;
}

int gxtkGraphics::SetMatrix(float na, float nb, float nc, float nd, float ntx, float nty) {
    a = na;
    b = nb;
    c = nc;
    d = nd;
    tx = ntx;
    ty = nty;
    transformed = !(a == 1 && b == 0 && c == 0 && d == 1 && tx == 0 && ty == 0);
    return 0;
}

int gxtkGraphics::Cls(float r, float g, float b) {
    // Whatever was batched before a clear would be painted over anyway.
    batchCount = 0;
    glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return 0;
}

// ===========================================================================
// batch admission and flush

gxtkGraphics::Vertex* gxtkGraphics::Reserve(int kind, int count, gxtkSurface* surface) {
    if (batchKind == kind && batchSurface == surface && batchCount + count <= kBatchVertices) {
        Vertex* first = &vertexBuffer[batchCount];
        batchCount += count;
        return first;
    }
    if (batchCount > 0) Flush();
    batchKind = kind;
    batchSurface = surface;
    batchCount = count;
    return vertexBuffer;
}

gxtkGraphics::Vertex* gxtkGraphics::Begin(int kind, int count, gxtkSurface* surface) {
    if (count < 1 || count > kBatchVertices) return nullptr;
    return Reserve(kind, count, surface);
}

int gxtkGraphics::Flush() {
    if (batchCount == 0) return 0;
    if (batchSurface) {
        glEnable(GL_TEXTURE_2D);
        batchSurface->Bind();
    }
    switch (batchKind) {
        case kKindPoints:
            glDrawArrays(GL_POINTS, 0, batchCount);
            stats.drawCalls++;
            break;
        case kKindLines:
            glDrawArrays(GL_LINES, 0, batchCount);
            stats.drawCalls++;
            break;
        case kKindTriangles:
            glDrawArrays(GL_TRIANGLES, 0, batchCount);
            stats.drawCalls++;
            break;
        case kKindQuads:
            glDrawElements(GL_TRIANGLES, batchCount / 4 * 6, GL_UNSIGNED_SHORT, quadIndexTable);
            stats.drawCalls++;
            break;
        default:
            // Polygons of equal size share a batch but each is its own fan.
            for (int first = 0; first < batchCount; first += batchKind) {
                glDrawArrays(GL_TRIANGLE_FAN, first, batchKind);
                stats.drawCalls++;
            }
            break;
    }
    if (batchSurface) glDisable(GL_TEXTURE_2D);
    stats.flushes++;
    stats.vertices += static_cast<uint64_t>(batchCount);
    batchCount = 0;
    return 0;
}

// ===========================================================================
// primitives

void gxtkGraphics::Put(Vertex* v, float x, float y) const {
    if (transformed) {
        v->x = a * x + c * y + tx;
        v->y = b * x + d * y + ty;
    } else {
        v->x = x;
        v->y = y;
    }
    v->color = packedColor;
}

void gxtkGraphics::PutQuad(Vertex* v, float x, float y, float w, float h) const {
    Put(v + 0, x, y);
    Put(v + 1, x + w, y);
    Put(v + 2, x + w, y + h);
    Put(v + 3, x, y + h);
}

int gxtkGraphics::DrawPoint(float x, float y) {
    Put(Reserve(kKindPoints, 1, nullptr), x, y);
    return 0;
}

int gxtkGraphics::DrawLine(float x1, float y1, float x2, float y2) {
    Vertex* v = Reserve(kKindLines, 2, nullptr);
    Put(v + 0, x1, y1);
    Put(v + 1, x2, y2);
    return 0;
}

int gxtkGraphics::DrawRect(float x, float y, float w, float h) {
    PutQuad(Reserve(kKindQuads, 4, nullptr), x, y, w, h);
    return 0;
}

int gxtkGraphics::OvalSegments(float w, float h) const {
    const float xr = w * 0.5f;
    const float yr = h * 0.5f;
    float n;
    if (transformed) {
        n = std::sqrt((xr * a) * (xr * a) + (xr * b) * (xr * b)) +
            std::sqrt((yr * c) * (yr * c) + (yr * d) * (yr * d));
    } else {
        n = std::fabs(std::trunc(xr)) + std::fabs(std::trunc(yr));
    }
    // Compared as floats first: a huge or non-finite box must not be
    // converted to int, which would be undefined.
    if (!(n < static_cast<float>(kBatchVertices))) return kBatchVertices;
    const int segments = static_cast<int>(n);
    if (segments < kOvalMinSegments) return kOvalMinSegments;
    return segments & ~3;
}

int gxtkGraphics::DrawOval(float x, float y, float w, float h) {
    const float xr = w * 0.5f;
    const float yr = h * 0.5f;
    const int n = OvalSegments(w, h);
    Vertex* v = Reserve(n, n, nullptr);
    // Starts at the rightmost point and runs counter-clockwise on screen.
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) * kTwoPi / static_cast<float>(n);
        Put(v + i, x + xr + std::cos(t) * xr, y + yr - std::sin(t) * yr);
    }
    return 0;
}

int gxtkGraphics::DrawPoly(Array<float> verts) {
    const int n = verts.Length() / 2;
    if (n < 1 || n > kBatchVertices) return 0;
    Vertex* v = Reserve(n, n, nullptr);
    for (int i = 0; i < n; ++i)
        Put(v + i, verts[i * 2], verts[i * 2 + 1]);
    return 0;
}

int gxtkGraphics::DrawPoly2(Array<float> verts, gxtkSurface* surface, int srcx, int srcy) {
    const int n = verts.Length() / 4;
    // Without a surface there is nothing to sample: binding it at the next
    // flush would dereference null.
    if (!surface || n < 1 || n > kBatchVertices) return 0;
    surface->EnsureTexture();
    Vertex* v = Reserve(n, n, surface);
    for (int i = 0; i < n; ++i) {
        Put(v + i, verts[i * 4], verts[i * 4 + 1]);
        v[i].u = (verts[i * 4 + 2] + static_cast<float>(srcx)) * surface->uscale;
        v[i].v = (verts[i * 4 + 3] + static_cast<float>(srcy)) * surface->vscale;
    }
    return 0;
}

int gxtkGraphics::DrawSurface(gxtkSurface* surface, float x, float y) {
    if (!surface) return 0;
    surface->EnsureTexture();
    const float w = static_cast<float>(surface->Width());
    const float h = static_cast<float>(surface->Height());
    Vertex* v = Reserve(kKindQuads, 4, surface);
    PutQuad(v, x, y, w, h);
    const float u1 = w * surface->uscale;
    const float v1 = h * surface->vscale;
    v[0].u = 0;
    v[0].v = 0;
    v[1].u = u1;
    v[1].v = 0;
    v[2].u = u1;
    v[2].v = v1;
    v[3].u = 0;
    v[3].v = v1;
    return 0;
}

int gxtkGraphics::DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy, int srcw,
                               int srch) {
    if (!surface) return 0;
    surface->EnsureTexture();
    Vertex* v = Reserve(kKindQuads, 4, surface);
    PutQuad(v, x, y, static_cast<float>(srcw), static_cast<float>(srch));
    const float u0 = static_cast<float>(srcx) * surface->uscale;
    const float v0 = static_cast<float>(srcy) * surface->vscale;
    const float u1 = static_cast<float>(srcx + srcw) * surface->uscale;
    const float v1 = static_cast<float>(srcy + srch) * surface->vscale;
    v[0].u = u0;
    v[0].v = v0;
    v[1].u = u1;
    v[1].v = v0;
    v[2].u = u1;
    v[2].v = v1;
    v[3].u = u0;
    v[3].v = v1;
    return 0;
}

// ===========================================================================
// pixels

namespace {

// True when rows 0..h-1 of w elements at offset + r * pitch all lie inside an
// array of `length` elements. Computed in 64 bits so that no argument can
// wrap the check.
bool RowsInside(int64_t length, int offset, int pitch, int w, int h) {
    if (offset < 0 || w < 0 || h < 1) return false;
    const int64_t lastRow = static_cast<int64_t>(offset) + static_cast<int64_t>(h - 1) * pitch;
    const int64_t lowest = pitch < 0 ? lastRow : offset;
    const int64_t highest = pitch < 0 ? offset : lastRow;
    return lowest >= 0 && highest + w <= length;
}

}  // namespace

int gxtkGraphics::ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch) {
    Flush();
    // A rectangle that would write outside the array is refused whole rather
    // than corrupting the heap.
    if (w < 1 || !RowsInside(pixels.Length(), offset, pitch, w, h)) return 0;
    // Rows laid over each other (a pitch below the width) pass the check
    // above at any height; more pixels than both the array and the window
    // hold is no read anyone can mean, and its buffer could be gigabytes.
    const int64_t cells = std::max<int64_t>(pixels.Length(), int64_t{width} * height);
    if (int64_t{w} * h > cells) return 0;
    std::vector<uint32_t> buffer(static_cast<size_t>(w) * static_cast<size_t>(h));
    glReadPixels(x, height - y - h, w, h, GL_BGRA, GL_UNSIGNED_BYTE, buffer.data());
    for (int r = 0; r < h; ++r) {
        // OpenGL's rows run bottom-up.
        const uint32_t* src = &buffer[static_cast<size_t>(h - 1 - r) * w];
        const int row = offset + r * pitch;
        for (int i = 0; i < w; ++i)
            pixels[row + i] = static_cast<int>(src[i]);
    }
    return 0;
}

int gxtkGraphics::WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int w, int h,
                               int offset, int pitch) {
    Flush();
    if (!surface || w < 1 || !RowsInside(pixels.Length(), offset, pitch, w, h)) return 0;
    surface->SetSubData(x, y, w, h, reinterpret_cast<const uint32_t*>(&pixels[offset]), pitch);
    return 0;
}
