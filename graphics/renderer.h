// gxtkGraphics, the one drawing device: points, lines, rectangles, ovals,
// polygons and textured quads collected into a single client-array vertex
// batch and handed to OpenGL 1.1 only when the batch must change kind or
// texture, is full, a per-draw-call state (blend, scissor) really changes, or
// the frame ends. Colour and the 2D transform are applied per vertex on the
// CPU, so they never break a batch.
//
// Relies on the runtime (Object, Array), the platform layer (window size,
// buffer swap) and OpenGL through the plain gl* names, which a test replaces
// at link time with the recording fake. Surfaces live in surface.h.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

class gxtkSurface;

class gxtkGraphics : public Object {
public:
    // Capacity of the batch. 1024 vertices are 256 quads, 512 lines or 341
    // triangles; the quad index table covers every quad the batch can hold.
    static constexpr int kBatchVertices = 1024;
    static constexpr int kBatchQuads = kBatchVertices / 4;
    static constexpr int kQuadIndices = kBatchQuads * 6;

    // Batch kinds; any value of 5 or more is a polygon of that many vertices.
    static constexpr int kKindPoints = 1;
    static constexpr int kKindLines = 2;
    static constexpr int kKindTriangles = 3;
    static constexpr int kKindQuads = 4;

    // Blend modes as callers pass them: 1 is additive, anything else is
    // alpha blending of premultiplied colour.
    static constexpr int kBlendAlpha = 0;
    static constexpr int kBlendAdditive = 1;

    // The vertex layout the three client arrays read with a 20-byte stride.
    // The colour is stored so that its bytes in memory are R, G, B, A.
    struct Vertex {
        float x, y;
        float u, v;
        uint32_t color;
    };
    static_assert(sizeof(Vertex) == 20, "client arrays use a 20-byte stride");

    // Counters kept for tests and the benchmark. They only ever grow, except
    // through ResetStats; exact and deterministic, unlike timings.
    struct Stats {
        uint64_t drawCalls = 0;     // glDrawArrays + glDrawElements issued
        uint64_t flushes = 0;       // non-empty batches sent
        uint64_t vertices = 0;      // vertices sent
        uint64_t blendChanges = 0;  // glBlendFunc issued by SetBlend
        uint64_t frames = 0;        // EndRender calls
    };

    int width = 0;
    int height = 0;
    uint32_t packedColor = 0;
    float red = 0, green = 0, blue = 0;
    float alpha = 0;
    float a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    bool transformed = false;
    Vertex vertexBuffer[kBatchVertices];
    uint16_t quadIndexTable[kQuadIndices];
    int batchKind = 0;
    int batchCount = 0;
    gxtkSurface* batchSurface = nullptr;

    gxtkGraphics();

    virtual int Width();
    virtual int Height();
    virtual int BeginRender();
    virtual int EndRender();
    virtual int DiscardGraphics();
    virtual gxtkSurface* LoadSurface(String path);
    virtual gxtkSurface* LoadSurface__UNSAFE__(gxtkSurface* surface, String path);
    virtual gxtkSurface* CreateSurface(int width, int height);
    virtual int Cls(float r, float g, float b);
    virtual int SetAlpha(float alpha);
    virtual int SetColor(float r, float g, float b);
    virtual int SetBlend(int blend);
    virtual int SetScissor(int x, int y, int w, int h);
    virtual int SetMatrix(float a, float b, float c, float d, float tx, float ty);
    virtual int DrawPoint(float x, float y);
    virtual int DrawRect(float x, float y, float w, float h);
    virtual int DrawLine(float x1, float y1, float x2, float y2);
    virtual int DrawOval(float x, float y, float w, float h);
    virtual int DrawPoly(Array<float> verts);
    virtual int DrawPoly2(Array<float> verts, gxtkSurface* surface, int srcx, int srcy);
    virtual int DrawSurface(gxtkSurface* surface, float x, float y);
    virtual int DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy, int srcw,
                             int srch);
    virtual int ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch);
    virtual int WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int w, int h,
                             int offset, int pitch);

    // Reserves `count` vertices of `kind` drawn with `surface` (null: no
    // texture) and returns the first; null when count is outside 1..1024,
    // which no batch could hold.
    Vertex* Begin(int kind, int count, gxtkSurface* surface);
    int Flush();

    // The blend mode in force for the batch (kBlendAlpha or kBlendAdditive).
    int BlendMode() const { return blendMode; }
    const Stats& GetStats() const { return stats; }
    void ResetStats() { stats = Stats(); }

    // Number of segments DrawOval would use for this box under the current
    // matrix (12 to 1024, a multiple of 4 between the bounds).
    int OvalSegments(float w, float h) const;

private:
    Vertex* Reserve(int kind, int count, gxtkSurface* surface);
    void Put(Vertex* v, float x, float y) const;
    void PutQuad(Vertex* v, float x, float y, float w, float h) const;

    // Normalised blend mode last given to OpenGL; a SetBlend to the same mode
    // costs nothing, which keeps the game's per-command replay of colour and
    // blend from splitting the batch on every command.
    int blendMode = kBlendAlpha;
    Stats stats;
};
