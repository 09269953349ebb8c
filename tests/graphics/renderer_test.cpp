// The renderer on the recording GL fake: which draw calls a sequence of
// operations produces (batching by kind, texture and capacity; blend and
// scissor breaks), the vertices it hands over (layouts, colour packing,
// transforms, oval segment counts), per-frame GL state, and ReadPixels' row
// order and bounds.
#include <cmath>
#include <climits>
#include <functional>
#include <string>

#include "tests/graphics/fake_fixture.h"

namespace graphics_test {
namespace {

using fakegl::DrawCall;
using fakegl::Draws;

// The shape of one expected draw call.
struct Expected {
    GLenum mode;
    bool indexed;
    int first;
    int count;
};

Array<float> Floats(std::initializer_list<float> values) {
    Array<float> a(static_cast<int>(values.size()));
    int i = 0;
    for (float v : values)
        a[i++] = v;
    return a;
}

Array<float> Polygon(int vertices) {
    Array<float> a(vertices * 2);
    for (int i = 0; i < vertices; ++i) {
        a[i * 2] = static_cast<float>(10 + i);
        a[i * 2 + 1] = static_cast<float>(20 + i * i);
    }
    return a;
}

class RendererTest : public FakeGraphicsTest {};

// ---------------------------------------------------------------------------
// Batching

TEST_F(RendererTest, BatchesByKindTextureAndCapacity) {
    gxtkSurface* surfaceA = MakeSolidSurface(8, 8, 255, 0, 0);
    gxtkSurface* surfaceB = MakeSolidSurface(8, 8, 0, 255, 0);

    struct Case {
        std::string name;
        std::function<void(gxtkGraphics*)> draw;
        std::vector<Expected> expected;
    };
    const std::vector<Case> cases = {
        {"300 rectangles fill one batch of 256 quads, then 44",
         [](gxtkGraphics* g) {
             for (int i = 0; i < 300; ++i)
                 g->DrawRect(float(i), 0, 2, 2);
         },
         {{GL_TRIANGLES, true, 0, 256 * 6}, {GL_TRIANGLES, true, 0, 44 * 6}}},
        {"a line between rectangles splits them",
         [](gxtkGraphics* g) {
             g->DrawRect(0, 0, 1, 1);
             g->DrawLine(0, 0, 5, 5);
             g->DrawRect(0, 0, 1, 1);
         },
         {{GL_TRIANGLES, true, 0, 6}, {GL_LINES, false, 0, 2}, {GL_TRIANGLES, true, 0, 6}}},
        {"colour, alpha and matrix changes never split a batch",
         [](gxtkGraphics* g) {
             g->DrawRect(0, 0, 1, 1);
             g->SetColor(10, 20, 30);
             g->SetAlpha(0.5f);
             g->SetMatrix(2, 0, 0, 2, 5, 5);
             g->DrawRect(0, 0, 1, 1);
         },
         {{GL_TRIANGLES, true, 0, 12}}},
        {"surfaces A, B, A make three batches",
         [&](gxtkGraphics* g) {
             g->DrawSurface(surfaceA, 0, 0);
             g->DrawSurface(surfaceB, 0, 0);
             g->DrawSurface(surfaceA, 0, 0);
         },
         {{GL_TRIANGLES, true, 0, 6}, {GL_TRIANGLES, true, 0, 6}, {GL_TRIANGLES, true, 0, 6}}},
        {"a 3-vertex polygon joins a pending triangle batch",
         [](gxtkGraphics* g) {
             g->Begin(gxtkGraphics::kKindTriangles, 3, nullptr);
             g->DrawPoly(Polygon(3));
         },
         {{GL_TRIANGLES, false, 0, 6}}},
        {"6-vertex polygons share a batch, each drawn as its own fan",
         [](gxtkGraphics* g) {
             g->DrawPoly(Polygon(6));
             g->DrawPoly(Polygon(6));
             g->DrawPoly(Polygon(5));
         },
         {{GL_TRIANGLE_FAN, false, 0, 6},
          {GL_TRIANGLE_FAN, false, 6, 6},
          {GL_TRIANGLE_FAN, false, 0, 5}}},
        {"polygons of 1 and 2 vertices are a point and a line",
         [](gxtkGraphics* g) {
             g->DrawPoly(Polygon(1));
             g->DrawPoint(3, 3);
             g->DrawPoly(Polygon(2));
         },
         {{GL_POINTS, false, 0, 2}, {GL_LINES, false, 0, 2}}},
        {"polygons of 0 or more than 1024 vertices draw nothing",
         [](gxtkGraphics* g) {
             g->DrawPoly(Polygon(0));
             g->DrawPoly(Polygon(1025));
             g->DrawPoly(Floats({1}));  // an odd element alone is no vertex
         },
         {}},
        {"Cls discards what is pending",
         [](gxtkGraphics* g) {
             g->DrawRect(0, 0, 1, 1);
             g->DrawRect(0, 0, 1, 1);
             g->Cls(0, 0, 0);
             g->DrawLine(0, 0, 1, 1);
         },
         {{GL_LINES, false, 0, 2}}},
        {"setting the blend mode in force keeps the batch",
         [](gxtkGraphics* g) {
             g->DrawRect(0, 0, 1, 1);
             g->SetBlend(0);
             g->DrawRect(0, 0, 1, 1);
             g->SetBlend(7);  // any mode but 1 is alpha blending
             g->DrawRect(0, 0, 1, 1);
         },
         {{GL_TRIANGLES, true, 0, 18}}},
        {"a real blend change splits the batch",
         [](gxtkGraphics* g) {
             g->DrawRect(0, 0, 1, 1);
             g->SetBlend(1);
             g->DrawRect(0, 0, 1, 1);
             g->SetBlend(1);
             g->DrawRect(0, 0, 1, 1);
             g->SetBlend(0);
             g->DrawRect(0, 0, 1, 1);
         },
         {{GL_TRIANGLES, true, 0, 6}, {GL_TRIANGLES, true, 0, 12}, {GL_TRIANGLES, true, 0, 6}}},
        {"a full batch of one kind flushes before the next vertex",
         [](gxtkGraphics* g) {
             for (int i = 0; i < 513; ++i)
                 g->DrawLine(0, 0, 1, 1);
         },
         {{GL_LINES, false, 0, 1024}, {GL_LINES, false, 0, 2}}},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g->BeginRender();
        fakegl::ClearLog();
        c.draw(g);
        g->Flush();
        ASSERT_EQ(Draws().size(), c.expected.size());
        for (size_t i = 0; i < c.expected.size(); ++i) {
            SCOPED_TRACE("draw " + std::to_string(i));
            EXPECT_EQ(Draws()[i].mode, c.expected[i].mode);
            EXPECT_EQ(Draws()[i].indexed, c.expected[i].indexed);
            EXPECT_EQ(Draws()[i].first, c.expected[i].first);
            EXPECT_EQ(Draws()[i].count, c.expected[i].count);
        }
    }
}

TEST_F(RendererTest, TexturedBatchesBindTheirSurfaceOnlyForTheirDraw) {
    gxtkSurface* a = MakeSolidSurface(4, 4, 255, 0, 0);
    gxtkSurface* b = MakeSolidSurface(4, 4, 0, 0, 255);
    g->DrawSurface(a, 0, 0);
    g->DrawSurface(b, 0, 0);
    g->DrawRect(0, 0, 1, 1);
    g->Flush();
    ASSERT_EQ(Draws().size(), 3u);
    EXPECT_TRUE(Draws()[0].textured);
    EXPECT_EQ(Draws()[0].texture, a->texture);
    EXPECT_TRUE(Draws()[1].textured);
    EXPECT_EQ(Draws()[1].texture, b->texture);
    EXPECT_NE(a->texture, b->texture);
    EXPECT_FALSE(Draws()[2].textured);
    EXPECT_FALSE(fakegl::IsEnabled(GL_TEXTURE_2D));
}

TEST_F(RendererTest, BlendChangesReachGlOnlyWhenTheModeChanges) {
    const int before = fakegl::CountCalls("glBlendFunc");
    for (int i = 0; i < 100; ++i)
        g->SetBlend(0);
    EXPECT_EQ(fakegl::CountCalls("glBlendFunc"), before);

    g->DrawRect(0, 0, 1, 1);
    g->SetBlend(1);
    g->DrawRect(0, 0, 1, 1);
    g->Flush();
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_EQ(Draws()[0].blendDst, GLenum(GL_ONE_MINUS_SRC_ALPHA));
    EXPECT_EQ(Draws()[1].blendSrc, GLenum(GL_ONE));
    EXPECT_EQ(Draws()[1].blendDst, GLenum(GL_ONE));

    // A new frame puts alpha blending back, in GL and in the renderer's
    // memory of it, so the first SetBlend(1) of the frame is not skipped.
    g->BeginRender();
    fakegl::ClearLog();
    g->SetBlend(1);
    EXPECT_EQ(fakegl::CountCalls("glBlendFunc"), 1);
}

// The game's replay sets alpha, colour and blend before every one of its up
// to 2499 commands; the frame must still take a handful of draw calls.
TEST_F(RendererTest, ReplayOfAFullDrawListStaysAtAFewDrawCalls) {
    gxtkSurface* sheet = MakeSolidSurface(64, 64, 255, 255, 255);
    g->ResetStats();
    for (int i = 0; i < 2499; ++i) {
        g->SetAlpha(0.5f + float(i % 5) * 0.1f);
        g->SetColor(float(i % 255), 128, 255);
        g->SetBlend(0);
        g->SetMatrix(1, 0, 0, 1, float(i % 640), float(i % 480));
        g->DrawSurface2(sheet, 0, 0, (i % 4) * 16, 0, 16, 16);
    }
    g->EndRender();
    EXPECT_EQ(g->GetStats().drawCalls, 10u);  // ceil(2499 / 256)
    EXPECT_EQ(g->GetStats().flushes, 10u);
    EXPECT_EQ(g->GetStats().vertices, 2499u * 4);
    EXPECT_EQ(g->GetStats().blendChanges, 0u);
    EXPECT_EQ(static_cast<int>(Draws().size()), 10);
}

// ---------------------------------------------------------------------------
// Vertices

TEST_F(RendererTest, RectangleAndLineVerticesWithColourAndMatrix) {
    g->SetColor(255, 0, 0);
    g->SetAlpha(0.5f);
    g->DrawRect(10, 20, 30, 40);
    g->SetMatrix(2, 0, 0, 3, 100, 200);
    g->DrawLine(1, 1, 2, 2);
    g->Flush();
    ASSERT_EQ(Draws().size(), 2u);

    // Quads reach GL as two triangles sharing the diagonal 0-2.
    const std::vector<std::pair<float, float>> quad = {{10, 20}, {40, 20}, {40, 60},
                                                       {10, 20}, {40, 60}, {10, 60}};
    const DrawCall& rect = Draws()[0];
    ASSERT_EQ(rect.vertices.size(), quad.size());
    for (size_t i = 0; i < quad.size(); ++i) {
        EXPECT_EQ(rect.vertices[i].x, quad[i].first) << i;
        EXPECT_EQ(rect.vertices[i].y, quad[i].second) << i;
        // Red 255 at alpha 0.5, premultiplied and truncated: 127, 0, 0, 127.
        EXPECT_EQ(rect.vertices[i].r, 127);
        EXPECT_EQ(rect.vertices[i].g, 0);
        EXPECT_EQ(rect.vertices[i].b, 0);
        EXPECT_EQ(rect.vertices[i].a, 127);
    }
    const DrawCall& line = Draws()[1];
    EXPECT_EQ(line.vertices[0].x, 102);
    EXPECT_EQ(line.vertices[0].y, 203);
    EXPECT_EQ(line.vertices[1].x, 104);
    EXPECT_EQ(line.vertices[1].y, 206);
}

TEST_F(RendererTest, SurfaceTextureCoordinatesCoverTheSourceRectangle) {
    gxtkSurface* s = MakeSolidSurface(64, 32, 1, 2, 3);
    g->DrawSurface2(s, 5, 6, 16, 8, 8, 4);
    g->DrawSurface(s, 0, 0);
    g->Flush();
    ASSERT_EQ(Draws().size(), 1u);
    const auto& v = Draws()[0].vertices;
    ASSERT_EQ(v.size(), 12u);
    // Corner 0 and corner 2 of the first quad: the source rectangle.
    EXPECT_FLOAT_EQ(v[0].u, 16.0f / 64);
    EXPECT_FLOAT_EQ(v[0].v, 8.0f / 32);
    EXPECT_FLOAT_EQ(v[2].u, 24.0f / 64);
    EXPECT_FLOAT_EQ(v[2].v, 12.0f / 32);
    EXPECT_EQ(v[2].x, 13);
    EXPECT_EQ(v[2].y, 10);
    // The whole surface, corner 2 of the second quad.
    EXPECT_FLOAT_EQ(v[8].u, 1.0f);
    EXPECT_FLOAT_EQ(v[8].v, 1.0f);
    EXPECT_EQ(v[8].x, 64);
    EXPECT_EQ(v[8].y, 32);
}

TEST_F(RendererTest, TexturedPolygonOffsetsItsCoordinatesBySource) {
    gxtkSurface* s = MakeSolidSurface(16, 16, 1, 2, 3);
    g->DrawPoly2(Floats({0, 0, 0, 0, 10, 0, 4, 0, 10, 10, 4, 4}), s, 8, 2);
    g->DrawPoly2(Floats({0, 0, 0, 0, 10, 0, 4, 0, 10, 10, 4, 4}), nullptr, 0, 0);
    g->Flush();
    ASSERT_EQ(Draws().size(), 1u);  // without a surface nothing is drawn
    const auto& v = Draws()[0].vertices;
    EXPECT_FLOAT_EQ(v[1].u, 12.0f / 16);
    EXPECT_FLOAT_EQ(v[1].v, 2.0f / 16);
    EXPECT_FLOAT_EQ(v[2].v, 6.0f / 16);
}

TEST_F(RendererTest, OvalSegmentCounts) {
    struct Case {
        float w, h;
        float scale;
        int segments;
    };
    const Case cases[] = {
        {20, 10, 1, 12},        // 10 + 5 = 15, down to a multiple of 4
        {100, 60, 1, 80},       // 50 + 30
        {10, 6, 1, 12},         // 8 is raised to the minimum
        {3000, 3000, 1, 1024},  // capped at the batch size
        {-40, 20, 1, 28},       // half sizes count by magnitude: 20 + 10
        {20, 10, 2, 28},        // scaled: 20 + 10 = 30, down to 28
        {1e30f, 1, 1, 1024},    // too large for an int: the cap, not overflow
        {39, 1, 1, 16},         // half sizes truncated: 19 + 0, not 20
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        g->SetMatrix(c.scale, 0, 0, c.scale, 0, 0);
        fakegl::ClearLog();
        g->DrawOval(0, 0, c.w, c.h);
        g->Flush();
        ASSERT_EQ(Draws().size(), 1u);
        EXPECT_EQ(Draws()[0].mode, GLenum(GL_TRIANGLE_FAN));
        EXPECT_EQ(Draws()[0].count, c.segments);
    }
    // From the rightmost point counter-clockwise on screen: a quarter of the
    // way round is the top.
    g->SetMatrix(1, 0, 0, 1, 0, 0);
    fakegl::ClearLog();
    g->DrawOval(10, 20, 100, 60);
    g->Flush();
    const auto& v = Draws()[0].vertices;
    EXPECT_FLOAT_EQ(v[0].x, 110);
    EXPECT_FLOAT_EQ(v[0].y, 50);
    EXPECT_NEAR(v[20].x, 60, 1e-3);
    EXPECT_NEAR(v[20].y, 20, 1e-3);
}

// ---------------------------------------------------------------------------
// Per-frame and per-draw-call state

TEST_F(RendererTest, ScissorSwitchesOffForTheWholeWindowAndFlipsY) {
    g->DrawRect(0, 0, 1, 1);
    g->SetScissor(10, 20, 100, 50);
    g->DrawRect(0, 0, 1, 1);
    g->SetScissor(0, 0, kWindowWidth, kWindowHeight);
    g->DrawRect(0, 0, 1, 1);
    g->Flush();
    ASSERT_EQ(Draws().size(), 3u);
    EXPECT_FALSE(Draws()[0].scissor);
    EXPECT_TRUE(Draws()[1].scissor);
    EXPECT_EQ(Draws()[1].scissorBox[0], 10);
    EXPECT_EQ(Draws()[1].scissorBox[1], kWindowHeight - 20 - 50);
    EXPECT_EQ(Draws()[1].scissorBox[2], 100);
    EXPECT_EQ(Draws()[1].scissorBox[3], 50);
    EXPECT_FALSE(Draws()[2].scissor);
}

TEST_F(RendererTest, EndRenderDrawsAndSwapsBeginRenderFollowsTheWindowAndDropsTheBatch) {
    const int swaps = FakeSwapCount();
    g->DrawRect(0, 0, 1, 1);
    g->EndRender();
    EXPECT_EQ(Draws().size(), 1u);
    EXPECT_EQ(FakeSwapCount(), swaps + 1);
    EXPECT_EQ(g->batchCount, 0);

    g->DrawRect(0, 0, 1, 1);  // left pending on purpose
    SetFakeWindowSize(800, 600);
    fakegl::ClearLog();
    EXPECT_EQ(g->BeginRender(), 1);
    EXPECT_EQ(g->Width(), 800);
    EXPECT_EQ(g->Height(), 600);
    EXPECT_EQ(g->batchCount, 0);

    const auto& calls = fakegl::Calls();
    const int viewport = fakegl::FindCall("glViewport");
    ASSERT_GE(viewport, 0);
    EXPECT_EQ(calls[viewport].args, (std::vector<double>{0, 0, 800, 600}));
    const int ortho = fakegl::FindCall("glOrtho");
    ASSERT_GE(ortho, 0);
    EXPECT_EQ(calls[ortho].args, (std::vector<double>{0, 800, 600, 0, -1, 1}));
    for (const char* pointer : {"glVertexPointer", "glTexCoordPointer", "glColorPointer"}) {
        const int i = fakegl::FindCall(pointer);
        ASSERT_GE(i, 0) << pointer;
        EXPECT_EQ(calls[i].args[2], 20) << pointer;  // the vertex stride
    }
    EXPECT_TRUE(fakegl::IsEnabled(GL_BLEND));
    EXPECT_FALSE(fakegl::IsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(Draws().empty());
}

TEST_F(RendererTest, BeginRejectsCountsNoBatchCanHold) {
    EXPECT_EQ(g->Begin(7, 0, nullptr), nullptr);
    EXPECT_EQ(g->Begin(7, 1025, nullptr), nullptr);
    gxtkGraphics::Vertex* first = g->Begin(7, 7, nullptr);
    gxtkGraphics::Vertex* second = g->Begin(7, 7, nullptr);
    EXPECT_EQ(second, first + 7);
}

// ---------------------------------------------------------------------------
// Reading pixels back

TEST_F(RendererTest, ReadPixelsTurnsRowsTopDownHonoursOffsetAndPitchAndStaysInTheArray) {
    // The fake reports pixel (x, y) of GL's bottom-up frame as y << 12 | x.
    Array<int> pixels(2 + 3 * 10);
    g->DrawRect(0, 0, 1, 1);
    g->ReadPixels(pixels, 5, 7, 4, 3, 2, 10);
    EXPECT_EQ(Draws().size(), 1u);  // pending work is drawn first

    const int bottom = kWindowHeight - 7 - 3;  // GL row of the rectangle's bottom row
    for (int r = 0; r < 3; ++r) {
        for (int i = 0; i < 4; ++i) {
            const uint32_t expected = 0xFF000000u | uint32_t(bottom + 2 - r) << 12 | (5 + i);
            EXPECT_EQ(static_cast<uint32_t>(pixels[2 + r * 10 + i]), expected) << r << "," << i;
        }
    }
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[6], 0);  // between rows, untouched

    // Rectangles that do not fit the array are refused.
    Array<int> small(16);
    const int reads = fakegl::CountCalls("glReadPixels");
    g->ReadPixels(small, 0, 0, 4, 5, 0, 4);   // one row too many
    g->ReadPixels(small, 0, 0, 4, 4, 1, 4);   // shifted past the end
    g->ReadPixels(small, 0, 0, 4, 4, -1, 4);  // before the start
    g->ReadPixels(small, 0, 0, 0, 4, 0, 4);   // nothing to read
    // Rows laid over each other: more of them than the array or the window
    // has pixels is no read at all (and no buffer of that size).
    g->ReadPixels(small, 0, 0, 1, INT_MAX, 0, 0);
    EXPECT_EQ(fakegl::CountCalls("glReadPixels"), reads);
    g->ReadPixels(small, 0, 0, 4, 4, 0, 4);  // exactly fits
    EXPECT_EQ(fakegl::CountCalls("glReadPixels"), reads + 1);
}

}  // namespace
}  // namespace graphics_test
