// The renderer and the graphics context on the recording GL fake: which draw
// calls a script of operations produces (batching by kind, texture and
// capacity; blend and scissor breaks; what a new frame resets), the vertices
// handed over (layouts, transforms and the matrix stack, texture coordinates,
// images at their handles), oval segment counts, the frame's window size and
// swap, and ReadPixels' row order and bounds. No script may allocate
// collected objects.
#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "tests/graphics/fake_fixture.h"

namespace graphics_test {
namespace {

// A number as the tables write it: rounded to three decimals, no "-0".
std::string Num(float f) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::round(f * 1000) / 1000 + 0.0);
    return text;
}

// A draw call as the tables write it: the mode (T triangles, F fan, L lines,
// P points) and the vertex or index count; then @first when not 0, A or B
// for the test's surfaces (X another), + when additive, the scissor box.
std::string Describe(const fakegl::DrawCall& d, GLuint a, GLuint b) {
    std::string out = d.mode == GL_TRIANGLES      ? "T"
                      : d.mode == GL_TRIANGLE_FAN ? "F"
                      : d.mode == GL_LINES        ? "L"
                                                  : "P";
    out += std::to_string(d.count);
    if (d.first) out += "@" + std::to_string(d.first);
    if (d.texture) out += d.texture == a ? "A" : d.texture == b ? "B" : "X";
    if (d.blendDst == GL_ONE) out += "+";
    char box[64] = "";
    if (d.scissor[2]) {
        std::snprintf(box, sizeof box, "[%d,%d,%d,%d]", d.scissor[0], d.scissor[1], d.scissor[2],
                      d.scissor[3]);
    }
    return out + box;
}

class RendererTest : public FakeGraphicsTest {};

TEST_F(RendererTest, DrawCallsAndVerticesOfOperationScripts) {
    gxtkSurface* a = MakeSolidSurface(64, 32, 255, 0, 0);
    gxtkSurface* b = MakeSolidSurface(8, 8, 0, 255, 0);
    // Polygons by their vertex count (the places do not matter here).
    const Array<float> tri(3 * 2), hexagon(6 * 2), pentagon(5 * 2), dot(1 * 2), two(2 * 2), none(0),
        huge(1025 * 2), odd(1), shortMatrix(5);
    Array<float> textured(12);  // x, y, u, v of each corner
    const float corners[12] = {0, 0, 0, 0, 10, 0, 4, 0, 10, 10, 4, 4};
    for (int i = 0; i < 12; ++i)
        textured[i] = corners[i];
    c_Image* whole = (new c_Image())->m_new()->p_Init(a, 1, 0);
    c_Image* framed = (new c_Image())->m_new()->p_Init(a, 2, 0);
    framed->p_SetHandle(5, 6);
    c_Image* centred = (new c_Image())->m_new()->p_Init(MakeSolidSurface(20, 10, 1, 1, 1), 1, 1);
    const std::map<std::string, std::function<void()>> ops = {
        {"rect", [&] { g->DrawRect(10, 20, 30, 40); }},
        {"line", [&] { g->DrawLine(1, 1, 2, 4); }},
        {"point", [&] { g->DrawPoint(3, 3); }},
        {"oval", [&] { g->DrawOval(10, 20, 100, 60); }},
        {"A", [&] { g->DrawSurface(a, 0, 0); }},
        {"B", [&] { g->DrawSurface(b, 0, 0); }},
        {"partA", [&] { g->DrawSurface2(a, 5, 6, 16, 8, 8, 4); }},
        {"texturedB", [&] { g->DrawPoly2(textured, b, 8, 2); }},
        {"untextured", [&] { g->DrawPoly2(hexagon, nullptr, 0, 0); }},
        {"poly0", [&] { g->DrawPoly(none); }},
        {"poly1", [&] { g->DrawPoly(dot); }},
        {"poly2", [&] { g->DrawPoly(two); }},
        {"poly3", [&] { g->DrawPoly(tri); }},
        {"poly5", [&] { g->DrawPoly(pentagon); }},
        {"poly6", [&] { g->DrawPoly(hexagon); }},
        {"poly1025", [&] { g->DrawPoly(huge); }},
        {"polyOdd", [&] { g->DrawPoly(odd); }},  // an odd element alone is no vertex
        {"begin3", [&] { g->Begin(gxtkGraphics::kKindTriangles, 3, nullptr); }},
        {"begin6", [&] { g->Begin(6, 6, nullptr); }},
        {"begin0", [&] { g->Begin(7, 0, nullptr); }},
        {"begin1025", [&] { g->Begin(7, 1025, nullptr); }},
        {"colour", [&] { g->SetColor(10, 20, 30); }},
        {"alpha", [&] { g->SetAlpha(0.5f); }},
        {"matrix", [&] { g->SetMatrix(2, 1, 0.5f, 3, 100, 200); }},
        {"blend0", [&] { g->SetBlend(0); }},
        {"blend1", [&] { g->SetBlend(1); }},
        {"blend7", [&] { g->SetBlend(7); }},  // any mode but 1 is alpha blending
        {"cls", [&] { g->Cls(0, 0, 0); }},
        {"end", [&] { g->EndRender(); }},
        {"begin", [&] { g->BeginRender(); }},
        // The graphics context's calls.
        {"bbRect", [&] { bb_graphics_DrawRect(1, 0, 1, 1); }},
        {"scissor", [&] { bb_graphics_SetScissor(10, 20, 100, 50); }},
        {"translate", [&] { bb_graphics_Translate(10, 0); }},
        {"scale", [&] { bb_graphics_Scale(2, 2); }},
        {"rotate", [&] { bb_graphics_Rotate(90); }},
        {"identity", [&] { bb_graphics_SetMatrix(1, 0, 0, 1, 0, 0); }},
        {"pop", [&] { bb_graphics_PopMatrix(); }},
        {"push", [&] { bb_graphics_PushMatrix(); }},
        {"pushThenStep",
         [&] {
             bb_graphics_PushMatrix();
             bb_graphics_Translate(1, 0);
         }},
        {"shortMatrix", [&] { bb_graphics_SetMatrix2(shortMatrix); }},
        {"whole", [&] { bb_graphics_DrawImage(whole, 100, 100, 0); }},
        {"framed", [&] { bb_graphics_DrawImage(framed, 100, 100, 1); }},
        {"turned", [&] { bb_graphics_DrawImage2(centred, 100, 100, 90, 2, 1, 0); }},
        {"pass",
         [&] {
             bb_graphics_EndRender();
             g->EndRender();
             BeginFrame();
         }},
        {"missing",
         [&] {
             bb_graphics_DrawImage(framed, 0, 0, 2);
             bb_graphics_DrawImage(framed, 0, 0, -1);
             bb_graphics_DrawImage2(framed, 0, 0, 45, 1, 1, 7);
             bb_graphics_DrawImage(nullptr, 0, 0, 0);
             bb_graphics_DrawImage2(nullptr, 0, 0, 45, 1, 1, 0);
             bb_graphics_EndRender();  // no render pass from here on
             bb_graphics_DrawImage(framed, 0, 0, 0);
             bb_graphics_DrawImage2(framed, 0, 0, 45, 1, 1, 0);
             bb_graphics_DrawRect(0, 0, 1, 1);
             bb_graphics_DrawEllipse(0, 0, 1, 1);
             bb_graphics_Cls(0, 0, 0);
         }},
    };
    struct Case {
        std::string name;
        std::string script;  // operations; "3*rect" is three rectangles
        std::string draws;
        // Vertices by index in the vertices of all draws, in order: "i:x,y",
        // and "/u,v" for textured ones.
        std::string vertices = "";
        int blendFuncs = 0;  // glBlendFunc calls
    };
    const std::vector<Case> cases = {
        // First, so that b gets its texture (and scale) in the middle of the draw.
        {"texture coordinates of a polygon offset by its source, and of a part of a surface",
         "texturedB partA", "T3B T6A",
         "1:10,0/1.5,0.25 2:10,10/1.5,0.75 3:5,6/0.25,0.25 "
         "5:13,10/0.375,0.375"},
        {"full batches flush: 256 quads, then 44; 512 lines, then 1", "300*rect 513*line",
         "T1536 T264 L1024 L2"},
        {"a change of kind splits", "rect line rect", "T6 L2 T6"},
        {"colour, alpha, matrix, the blend in force and another source split nothing",
         "partA colour alpha matrix blend0 blend7 partA A", "T18A"},
        {"surfaces A, B, A give three batches; an untextured one follows", "A B A rect",
         "T6A T6B T6A T6"},
        {"3 vertices join triangles, 6 share a batch of fans, 1 and 2 are a point and a line",
         "begin3 poly3 poly6 begin6 poly5 poly1 point poly2", "T6 F6 F6@6 F5 P2 L2"},
        {"no vertex, more than a batch holds, or no surface to sample draws nothing",
         "poly0 poly1025 polyOdd begin0 begin1025 untextured", ""},
        {"Cls discards what is pending", "rect cls line", "L2"},
        {"blend changes split; EndRender draws, BeginRender drops what is pending and resets "
         "the blend",
         "rect blend1 rect blend1 rect blend0 rect blend1 rect end line begin point blend1 rect",
         "T6 T12+ T6 T6+ P1 T6+", "", 5},
        {"the scissor box turns y up; the next render pass switches it off",
         "scissor bbRect pass bbRect", "T6[10,410,100,50] T6", "", 1},
        {"missing frames, no image, or no render pass draw nothing", "missing", ""},
        {"a rectangle is two triangles on the diagonal 0-2; (x, y) goes to (ax + cy + tx, "
         "bx + dy + ty)",
         "rect matrix line", "T6 L2",
         "0:10,20 1:40,20 2:40,60 3:10,20 4:40,60 5:10,60 "
         "6:102.5,204 7:106,214"},
        {"an oval starts at its rightmost point and runs counter-clockwise on screen", "oval",
         "F80", "0:110,50 20:60,20"},
        {"a later transform applies first; +90 degrees turn +x up; a short matrix is ignored; "
         "a render pass starts untransformed",
         "translate scale bbRect identity scale translate bbRect identity rotate bbRect "
         "shortMatrix bbRect pass bbRect",
         "T24 T6", "0:12,0 6:22,0 12:0,-1 18:0,-1 24:1,0", 1},
        {"the matrix stack keeps 32 transforms and ignores pops of an empty stack",
         "40*pushThenStep pop bbRect 40*pop bbRect", "T12", "0:32,0 6:1,0"},
        {"a render pass starts with an empty matrix stack", "translate push pass pop bbRect", "T6",
         "0:1,0", 1},
        {"images: the whole surface, a frame at its handle, one scaled and turned about it",
         "whole framed translate turned bbRect", "T12A T6X T6",
         "2:164,132/1,1 6:95,94/0.5,0 8:127,126/1,1 13:105,80/1,0 18:11,0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BeginFrame();
        fakegl::ClearLog();
        g->ResetStats();
        g->SetMatrix(1, 0, 0, 1, 0, 0);  // the device keeps one until the context hands over
        const int allocated = gc_new_bytes;
        std::istringstream script(c.script);
        for (std::string op; script >> op;) {
            const size_t star = op.find('*');
            const int times = star == std::string::npos ? 1 : std::stoi(op.substr(0, star));
            for (int i = 0; i < times; ++i)
                ops.at(op.substr(star == std::string::npos ? 0 : star + 1))();
        }
        g->Flush();
        EXPECT_EQ(gc_new_bytes, allocated) << "the game replays its draw list every frame";
        std::string draws, vertices;
        std::vector<std::pair<fakegl::Vertex, bool>> all;  // and whether textured
        for (const fakegl::DrawCall& d : fakegl::Draws()) {
            draws += (draws.empty() ? "" : " ") + Describe(d, a->texture, b->texture);
            for (const fakegl::Vertex& v : d.vertices)
                all.emplace_back(v, d.texture != 0);
        }
        std::istringstream wanted(c.vertices);
        for (std::string token; wanted >> token;) {
            const size_t i = std::stoul(token);
            ASSERT_LT(i, all.size()) << token;
            const auto& [v, textured] = all[i];
            vertices += (vertices.empty() ? "" : " ") + std::to_string(i) + ":" + Num(v.x) + "," +
                        Num(v.y) + (textured ? "/" + Num(v.u) + "," + Num(v.v) : "");
        }
        EXPECT_EQ(draws, c.draws);
        EXPECT_EQ(vertices, c.vertices);
        EXPECT_EQ(g->GetStats().drawCalls, fakegl::Draws().size());
        EXPECT_EQ(fakegl::CountCalls("glBlendFunc"), c.blendFuncs);
    }
}

TEST_F(RendererTest, OvalSegmentCounts) {
    struct Case {
        float w, h, scale;
        int segments;
    };
    const Case cases[] = {
        {20, 10, 1, 12},              // 10 + 5 = 15, down to a multiple of 4
        {100, 60, 1, 80},             // 50 + 30
        {10, 6, 1, 12},               // 8 is raised to the minimum
        {3000, 3000, 1, 1024},        // capped at the batch size
        {-40, 20, 1, 28},             // half sizes count by magnitude: 20 + 10
        {20, 10, 2, 28},              // scaled: 20 + 10 = 30, down to 28
        {1e30f, 1, 1, 1024},          // too large for an int: the cap, not overflow
        {39, 1, 1, 16},               // half sizes truncated: 19 + 0, not 20
        {std::nanf(""), 1, 1, 1024},  // not a number: the cap, not a conversion
    };
    // DrawOval draws as many vertices (the script table's "oval" row).
    for (const Case& c : cases) {
        g->SetMatrix(c.scale, 0, 0, c.scale, 0, 0);
        EXPECT_EQ(g->OvalSegments(c.w, c.h), c.segments) << c.w << "x" << c.h << " at " << c.scale;
    }
}

TEST_F(RendererTest, AFrameTakesTheWindowsSizeAndEndsWithASwap) {
    const int swaps = glfw_fake::Swaps();
    glfw_fake::SetWindowSize(800, 600);
    g->BeginRender();
    EXPECT_EQ(std::make_pair(g->Width(), g->Height()), std::make_pair(800, 600));
    g->EndRender();
    EXPECT_EQ(glfw_fake::Swaps(), swaps + 1);
}

TEST_F(RendererTest, ReadPixelsTurnsRowsTopDownAndStaysInTheArray) {
    // The fake reports pixel (x, y) of GL's bottom-up frame as y << 12 | x.
    Array<int> pixels(2 + 3 * 10);
    g->DrawRect(0, 0, 1, 1);
    g->ReadPixels(pixels, 5, 7, 4, 3, 2, 10);
    EXPECT_EQ(fakegl::Draws().size(), 1u);     // pending work is drawn first
    const int bottom = kWindowHeight - 7 - 3;  // GL row of the rectangle's bottom row
    for (int i = 0; i < pixels.Length(); ++i) {
        const int r = (i - 2) / 10, col = (i - 2) % 10;
        const bool inside = i >= 2 && col < 4;
        const uint32_t want = inside ? 0xFF000000u | uint32_t(bottom + 2 - r) << 12 | (5 + col) : 0;
        EXPECT_EQ(static_cast<uint32_t>(pixels[i]), want) << i;
    }

    struct Case {
        int w, h, offset, pitch;
        int reads;
    };
    const Case cases[] = {
        {4, 4, 0, 4, 1},                  // exactly fits
        {4, 5, 0, 4, 0},                  // one row too many
        {4, 4, 1, 4, 0},                  // shifted past the end
        {4, 4, -1, 4, 0},                 // before the start
        {0, 4, 0, 4, 0},                  // nothing to read
        {4, 4, 12, -4, 1},                // rows upwards, all inside
        {4, 2, 0, -4, 0},                 // rows upwards from the first: the second is before it
        {1, INT_MAX, 0, 0, 0},            // rows over each other, more than array and window hold
        {4, 2, INT_MAX - 3, INT_MAX, 0},  // the sum wraps in 32 bits
    };
    Array<int> small(16);
    for (const Case& c : cases) {
        fakegl::ClearLog();
        g->ReadPixels(small, 0, 0, c.w, c.h, c.offset, c.pitch);
        EXPECT_EQ(fakegl::CountCalls("glReadPixels"), c.reads)
            << c.w << "x" << c.h << " at " << c.offset << " pitch " << c.pitch;
    }
}

}  // namespace
}  // namespace graphics_test
