// Surfaces on the recording GL fake: lazy texture creation and its
// parameters, the power-of-two retry on a driver that refuses other sizes,
// re-creation after the window (and its context) was re-made, SetSubData
// before and after a texture exists, and Discard. Premultiplication is
// checked where image loading makes surfaces (image_test.cpp).
#include <climits>
#include <string>

#include "host/glfwgame.h"
#include "tests/graphics/fake_fixture.h"

namespace graphics_test {
namespace {

class SurfaceTest : public FakeGraphicsTest {};

std::vector<uint8_t> Bytes(const gxtkSurface* s) {
    return std::vector<uint8_t>(s->data, s->data + s->width * s->height * s->depth);
}

TEST_F(SurfaceTest, FirstBindMakesANearestClampedTextureFromThePixels) {
    gxtkSurface* s =
        MakeSurface(2, 2, 4, {10, 20, 30, 255, 40, 50, 60, 255, 0, 0, 0, 0, 255, 255, 255, 255});
    EXPECT_EQ(s->seq, -1);
    EXPECT_EQ(fakegl::CountCalls("glGenTextures"), 0);  // nothing before first use

    s->Bind();
    ASSERT_NE(s->texture, 0u);
    EXPECT_EQ(s->seq, glfwGraphicsSeq);
    const fakegl::Texture* t = fakegl::GetTexture(s->texture);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->width, 2);
    EXPECT_EQ(t->height, 2);
    EXPECT_EQ(t->format, GLenum(GL_RGBA));
    EXPECT_EQ(t->pixels, Bytes(s));
    for (GLenum filter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER})
        EXPECT_EQ(t->params.at(filter), GL_NEAREST) << filter;
    for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T})
        EXPECT_EQ(t->params.at(wrap), GL_CLAMP_TO_EDGE) << wrap;
    EXPECT_FLOAT_EQ(s->uscale, 0.5f);

    // Later binds only bind.
    fakegl::ClearLog();
    s->Bind();
    EXPECT_EQ(fakegl::Calls().size(), 1u);
    EXPECT_EQ(fakegl::Calls()[0].name, "glBindTexture");
}

TEST_F(SurfaceTest, RefusedSizesArePaddedToPowersOfTwo) {
    fakegl::SetRefuseNonPowerOfTwo(true);
    struct Case {
        int width, height;
        int texWidth, texHeight;
    };
    const Case cases[] = {{100, 50, 128, 64}, {1, 3, 1, 4}, {2, 5, 2, 8}, {64, 64, 64, 64}};
    // No power of two above 2^30 fits an int: such a side stays as it is.
    EXPECT_EQ(gxtkSurface::PaddedSize((1 << 30) + 1), (1 << 30) + 1);
    EXPECT_EQ(gxtkSurface::PaddedSize(INT_MAX), INT_MAX);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        gxtkSurface* s = MakeSolidSurface(c.width, c.height, 255, 0, 0);
        s->Bind();
        const fakegl::Texture* t = fakegl::GetTexture(s->texture);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->width, c.texWidth);
        EXPECT_EQ(t->height, c.texHeight);
        EXPECT_FLOAT_EQ(s->uscale, 1.0f / c.texWidth);
        EXPECT_FLOAT_EQ(s->vscale, 1.0f / c.texHeight);
        // The image sits in the top-left corner of the padded texture.
        EXPECT_EQ(t->pixels[0], 255);
        const size_t lastImageRow = static_cast<size_t>(c.height - 1) * c.texWidth * 4;
        EXPECT_EQ(t->pixels[lastImageRow + (c.width - 1) * 4], 255);
    }

    // Drawing the whole 100 by 50 surface samples only its part.
    gxtkSurface* s = MakeSolidSurface(100, 50, 1, 1, 1);
    fakegl::ClearLog();
    g->DrawSurface(s, 0, 0);
    g->Flush();
    ASSERT_EQ(fakegl::Draws().size(), 1u);
    const auto& v = fakegl::Draws()[0].vertices;
    EXPECT_FLOAT_EQ(v[2].u, 100.0f / 128);
    EXPECT_FLOAT_EQ(v[2].v, 50.0f / 64);
}

TEST_F(SurfaceTest, AStaleErrorIsNotTakenForARefusal) {
    // Nothing refuses here; an error left over from an unrelated call must
    // not send a 100-pixel surface to a 128-pixel texture.
    glBindTexture(GL_TEXTURE_2D, 12345);  // no such texture: the fake reports nothing yet
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gxtkSurface* s = MakeSolidSurface(100, 50, 1, 1, 1);
    s->Bind();
    EXPECT_EQ(fakegl::GetTexture(s->texture)->width, 100);
}

TEST_F(SurfaceTest, WindowRecreationGivesAFreshTextureWithTheKeptPixels) {
    gxtkSurface* s = MakeSolidSurface(3, 2, 10, 20, 30, 255);
    g->DrawSurface(s, 0, 0);
    g->EndRender();
    const GLuint first = s->texture;

    glfwGraphicsSeq++;  // what the host does when it opens a new window
    fakegl::ClearLog();
    g->BeginRender();
    g->DrawSurface(s, 0, 0);
    g->EndRender();

    EXPECT_NE(s->texture, first);
    EXPECT_EQ(s->seq, glfwGraphicsSeq);
    EXPECT_EQ(fakegl::CountCalls("glDeleteTextures"), 0);  // the old one died with its context
    const fakegl::Texture* t = fakegl::GetTexture(s->texture);
    EXPECT_EQ(t->pixels, Bytes(s));
    ASSERT_EQ(fakegl::Draws().size(), 1u);
    EXPECT_EQ(fakegl::Draws()[0].texture, s->texture);
}

TEST_F(SurfaceTest, SetSubDataBeforeAnyWindowOnlyUpdatesThePixelCopy) {
    glfwGraphicsSeq = 0;
    gxtkSurface* s = g->CreateSurface(4, 2);  // its Bind does nothing yet
    EXPECT_EQ(s->texture, 0u);
    const uint32_t row[4] = {0xFF102030u, 0x80FF0000u, 0x00FFFFFFu, 0xFFFFFFFFu};
    s->SetSubData(0, 1, 4, 1, row, 4);
    EXPECT_EQ(fakegl::CountCalls("glGenTextures"), 0);
    EXPECT_EQ(fakegl::CountCalls("glTexSubImage2D"), 0);
    // Unwritten pixels are transparent black, written ones premultiplied.
    const std::vector<uint8_t> expected = {0, 0,   0, 0, 0, 0,    0,    0,    0,   0,   0,
                                           0, 0,   0, 0, 0, 0x10, 0x20, 0x30, 255, 128, 0,
                                           0, 128, 0, 0, 0, 0,    255,  255,  255, 255};
    EXPECT_EQ(Bytes(s), expected);

    glfwGraphicsSeq = 1;
    s->Bind();
    EXPECT_EQ(fakegl::GetTexture(s->texture)->pixels, expected);
}

TEST_F(SurfaceTest, SetSubDataUploadsRowsAndKeepsInsideTheSurface) {
    gxtkSurface* s = MakeSolidSurface(4, 4, 0, 0, 0, 255);
    s->Bind();
    std::vector<uint32_t> src(6 * 6, 0xFF0000FFu);

    // Whole rows go up at once, partial rows one by one.
    fakegl::ClearLog();
    s->SetSubData(0, 1, 4, 2, src.data(), 4);
    EXPECT_EQ(fakegl::CountCalls("glTexSubImage2D"), 1);
    fakegl::ClearLog();
    src.assign(src.size(), 0xFF00FF00u);
    s->SetSubData(1, 0, 2, 3, src.data(), 4);
    EXPECT_EQ(fakegl::CountCalls("glTexSubImage2D"), 3);
    EXPECT_EQ(fakegl::GetTexture(s->texture)->pixels, Bytes(s));
    // Pixel (2, 1) is green now, (3, 1) still the blue of the first write.
    EXPECT_EQ(s->data[(1 * 4 + 2) * 4 + 1], 255);
    EXPECT_EQ(s->data[(1 * 4 + 3) * 4 + 2], 255);

    src.assign(src.size(), 0xFFFFFFFFu);
    s->SetSubData(-1, -1, 6, 6, src.data(), 6);  // overhangs every side
    for (uint8_t byte : Bytes(s))
        EXPECT_EQ(byte, 255);
    EXPECT_EQ(fakegl::GetTexture(s->texture)->pixels, Bytes(s));
    s->SetSubData(4, 0, 2, 2, src.data(), 6);  // entirely outside: nothing
    // Rectangles at the ends of the int range end left of and above it.
    s->SetSubData(INT_MIN, INT_MIN, INT_MAX, INT_MAX, src.data(), 6);
    s->SetSubData(INT_MIN, 0, INT_MAX, 2, src.data(), 6);

    // Only RGBA surfaces take data.
    gxtkSurface* rgb = MakeSurface(1, 1, 3, {1, 2, 3});
    rgb->SetSubData(0, 0, 1, 1, src.data(), 1);
    EXPECT_EQ(Bytes(rgb), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(SurfaceTest, DiscardDeletesOnlyATextureOfTheCurrentContext) {
    gxtkSurface* current = MakeSolidSurface(2, 2, 1, 1, 1);
    current->Bind();
    const GLuint name = current->texture;
    current->Discard();
    EXPECT_TRUE(fakegl::GetTexture(name)->deleted);
    EXPECT_EQ(current->data, nullptr);
    EXPECT_EQ(current->seq, -1);

    gxtkSurface* stale = MakeSolidSurface(2, 2, 1, 1, 1);
    stale->Bind();
    glfwGraphicsSeq++;
    fakegl::ClearLog();
    stale->Discard();
    EXPECT_EQ(fakegl::CountCalls("glDeleteTextures"), 0);
}

}  // namespace
}  // namespace graphics_test
