// Surfaces on the recording GL fake: the texture made on first use, kept
// while the window lives and made again from the kept pixels after the
// window (and its context) was re-made; Discard; the power-of-two retry on a
// driver that refuses other sizes; SetSubData before and after a texture
// exists, clipped to the surface. Premultiplication on loading is checked in
// image_test.cpp.
#include <climits>
#include <string>

#include "tests/graphics/fake_fixture.h"

namespace graphics_test {
namespace {

class SurfaceTest : public FakeGraphicsTest {};

std::vector<uint8_t> Bytes(const gxtkSurface* s) {
    return std::vector<uint8_t>(s->data, s->data + s->width * s->height * s->depth);
}

TEST_F(SurfaceTest, ATextureIsMadeOncePerWindowFromTheKeptPixels) {
    gxtkSurface* s = MakeSurface(3, 1, 4, {10, 20, 30, 255, 40, 50, 60, 128, 7, 7, 7, 0});
    gxtkSurface* stale = MakeSolidSurface(2, 2, 1, 1, 1);
    stale->Bind();  // its texture belongs to the first window
    GLuint first = 0;
    for (int window = 1; window <= 2; ++window) {
        SCOPED_TRACE(window);
        for (int frame = 0; frame < 2; ++frame) {
            BeginFrame();
            g->DrawSurface(s, 0, 0);
            g->EndRender();
        }
        const fakegl::Texture* t = fakegl::GetTexture(s->texture);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->pixels, Bytes(s));
        EXPECT_EQ(fakegl::Draws().back().texture, s->texture);
        EXPECT_EQ(t->params, (std::map<GLenum, GLint>{{GL_TEXTURE_MAG_FILTER, GL_NEAREST},
                                                      {GL_TEXTURE_MIN_FILTER, GL_NEAREST},
                                                      {GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE},
                                                      {GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE}}));
        if (window == 1) {
            first = s->texture;
            glfwGraphicsSeq++;  // what the host does when it opens a new window
        }
    }
    EXPECT_NE(s->texture, first);
    EXPECT_EQ(fakegl::CountCalls("glGenTextures"), 3);  // stale's, then one per window
    // Textures of an older context died with it: deleting their names could
    // hit a texture of the current one.
    stale->Discard();
    EXPECT_EQ(fakegl::CountCalls("glDeleteTextures"), 0);
    const GLuint current = s->texture;
    s->Discard();
    EXPECT_EQ(fakegl::GetTexture(current), nullptr);
    EXPECT_EQ(s->data, nullptr);
}

TEST_F(SurfaceTest, RefusedSizesArePaddedToPowersOfTwo) {
    struct Case {
        int width, height;
        bool refuse, staleError;
        int texWidth, texHeight;
    };
    const Case cases[] = {
        {100, 50, true, false, 128, 64},
        {1, 3, true, false, 1, 4},
        {64, 64, true, false, 64, 64},
        // An error left over from an unrelated call is not taken for a refusal.
        {100, 50, false, true, 100, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        fakegl::SetRefuseNonPowerOfTwo(true);
        if (c.staleError)
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 3, 3, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        fakegl::SetRefuseNonPowerOfTwo(c.refuse);
        gxtkSurface* s = MakeSolidSurface(c.width, c.height, 255, 0, 0);
        fakegl::ClearLog();
        g->DrawSurface(s, 0, 0);
        g->Flush();
        const fakegl::Texture* t = fakegl::GetTexture(s->texture);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(std::make_pair(t->width, t->height), std::make_pair(c.texWidth, c.texHeight));
        // The image sits in the top-left corner and only its part is sampled.
        EXPECT_EQ(t->pixels[0], 255);
        const size_t lastImageRow = static_cast<size_t>(c.height - 1) * c.texWidth * 4;
        EXPECT_EQ(t->pixels[lastImageRow + (c.width - 1) * 4], 255);
        const fakegl::Vertex corner = fakegl::Draws().at(0).vertices.at(2);
        EXPECT_FLOAT_EQ(corner.u, float(c.width) / float(c.texWidth));
        EXPECT_FLOAT_EQ(corner.v, float(c.height) / float(c.texHeight));
    }
    // No power of two above 2^30 fits an int: such a side stays as it is.
    EXPECT_EQ(gxtkSurface::PaddedSize((1 << 30) + 1), (1 << 30) + 1);
    EXPECT_EQ(gxtkSurface::PaddedSize(INT_MAX), INT_MAX);
}

TEST_F(SurfaceTest, SetSubDataBeforeAnyWindowOnlyUpdatesThePixelCopy) {
    glfwGraphicsSeq = 0;
    gxtkSurface* s = g->CreateSurface(4, 2);  // its Bind does nothing yet
    const uint32_t row[4] = {0xFF102030u, 0x80FF0000u, 0x00FFFFFFu, 0xFFFFFFFFu};
    s->SetSubData(0, 1, 4, 1, row, 4);
    EXPECT_EQ(fakegl::CountCalls("glGenTextures") + fakegl::CountCalls("glTexSubImage2D"), 0);
    // Unwritten pixels are transparent black, written ones premultiplied.
    const std::vector<uint8_t> expected = {0, 0,   0, 0, 0, 0,    0,    0,    0,   0,   0,
                                           0, 0,   0, 0, 0, 0x10, 0x20, 0x30, 255, 128, 0,
                                           0, 128, 0, 0, 0, 0,    255,  255,  255, 255};
    EXPECT_EQ(Bytes(s), expected);
    glfwGraphicsSeq = 1;
    s->Bind();
    EXPECT_EQ(fakegl::GetTexture(s->texture)->pixels, expected);
}

TEST_F(SurfaceTest, SetSubDataWritesTheRectanglesPartInsideTheSurface) {
    // Source pixel i is opaque with blue i, so each written pixel tells
    // which source pixel it came from.
    std::vector<uint32_t> src(6 * 6);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = 0xFF000000u | static_cast<uint32_t>(i);
    struct Case {
        std::string name;
        int x, y, w, h, pitch;
        int uploads;         // whole rows go up at once, part rows one by one
        int x0, y0, x1, y1;  // the part written
    };
    const Case cases[] = {
        {"whole rows", 0, 1, 4, 2, 4, 1, 0, 1, 4, 3},
        {"part rows", 1, 0, 2, 3, 5, 3, 1, 0, 3, 3},
        {"overhanging every side", -1, -2, 6, 6, 6, 1, 0, 0, 4, 4},
        {"entirely outside", 4, 0, 2, 2, 6, 0, 0, 0, 0, 0},
        {"a width that wraps in 32 bits", 2, 0, INT_MAX, 1, 6, 1, 2, 0, 4, 1},
        {"ending left of and above the surface", INT_MIN, INT_MIN, INT_MAX, INT_MAX, 6, 0, 0, 0, 0,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gxtkSurface* s = MakeSolidSurface(4, 4, 0, 0, 0, 0);
        s->Bind();
        fakegl::ClearLog();
        s->SetSubData(c.x, c.y, c.w, c.h, src.data(), c.pitch);
        EXPECT_EQ(fakegl::CountCalls("glTexSubImage2D"), c.uploads);
        EXPECT_EQ(fakegl::GetTexture(s->texture)->pixels, Bytes(s));
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                const bool in = x >= c.x0 && x < c.x1 && y >= c.y0 && y < c.y1;
                const uint8_t* p = s->data + (y * 4 + x) * 4;
                EXPECT_EQ(p[3], in ? 255 : 0) << x << "," << y;
                if (in) {
                    EXPECT_EQ(p[2], (y - c.y) * c.pitch + (x - c.x)) << x << "," << y;
                }
            }
        }
    }
    // Only RGBA surfaces take data.
    gxtkSurface* rgb = MakeSurface(1, 1, 3, {1, 2, 3});
    rgb->SetSubData(0, 0, 1, 1, src.data(), 1);
    EXPECT_EQ(Bytes(rgb), (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace graphics_test
