// The graphics context, images and frames on the recording GL fake: frame
// layouts and flags, the runtime error for frames outside the surface (in a
// child process), transform combination and the lazy hand-over to the device,
// the matrix stack and its guarded ends, DrawImage/DrawImage2 geometry, the
// render pass reset, loading from PNG files and the default font.
#include <stb/stb_image_write.h>

#include <cmath>
#include <cstdio>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/graphics/fake_fixture.h"

namespace graphics_test {
namespace {

using fakegl::Draws;

// A device that counts the transforms it is handed.
class CountingGraphics : public gxtkGraphics {
public:
    int setMatrixCalls = 0;
    int SetMatrix(float a, float b, float c, float d, float tx, float ty) override {
        setMatrixCalls++;
        return gxtkGraphics::SetMatrix(a, b, c, d, tx, ty);
    }
};

class ImageTest : public FakeGraphicsTest {
protected:
    c_Image* NewImage() { return (new c_Image())->m_new(); }
    // `frames` frames across a plain w by h surface.
    c_Image* Strip(int w, int h, int frames, int flags = 0) {
        return NewImage()->p_Init(MakeSolidSurface(w, h, 1, 1, 1), frames, flags);
    }
    // fw by fh frames in the part (x, y, w, h) of a plain sw by sh surface.
    c_Image* Grid(int sw, int sh, int fw, int fh, int frames, int x, int y, int w, int h) {
        return NewImage()->p_Init2(MakeSolidSurface(sw, sh, 1, 1, 1), 0, 0, fw, fh, frames, 0,
                                   nullptr, x, y, w, h);
    }

    std::vector<std::pair<int, int>> FramePositions(c_Image* image) {
        std::vector<std::pair<int, int>> out;
        for (int i = 0; i < image->m_Frames.Length(); ++i) {
            out.emplace_back(image->m_Frames[i]->m_X, image->m_Frames[i]->m_Y);
        }
        return out;
    }

    // Where the context's transform sends (x, y).
    std::pair<float, float> Map(float x, float y) {
        const c_GraphicsContext* m = bb_graphics_context;
        return {m->m_A * x + m->m_C * y + m->m_Tx, m->m_B * x + m->m_D * y + m->m_Ty};
    }
};

using Frames = std::vector<std::pair<int, int>>;

// ---------------------------------------------------------------------------
// Frames and flags

TEST_F(ImageTest, FrameLayoutsOfStripsGridsAndSubRectangles) {
    c_Image* strip = Strip(100, 20, 3);
    EXPECT_EQ(strip->m_Width, 33);
    EXPECT_EQ(strip->m_Height, 20);
    EXPECT_EQ(FramePositions(strip), (Frames{{0, 0}, {33, 0}, {66, 0}}));
    EXPECT_EQ(FramePositions(Grid(100, 64, 32, 32, 6, 0, 0, 100, 64)),
              (Frames{{0, 0}, {32, 0}, {64, 0}, {0, 32}, {32, 32}, {64, 32}}));
    // A sub-rectangle of a surface: frames are offset by its origin.
    EXPECT_EQ(FramePositions(Grid(64, 64, 16, 16, 3, 8, 4, 32, 32)),
              (Frames{{8, 4}, {24, 4}, {8, 20}}));

    // Frame counts of zero or less give an image without frames.
    c_Image* image = Strip(10, 10, 0);
    EXPECT_EQ(image->m_Frames.Length(), 0);
    EXPECT_EQ(Grid(10, 10, 5, 5, -3, 0, 0, 10, 10)->m_Frames.Length(), 0);
    bb_graphics_DrawImage(image, 0, 0, 0);
    g->Flush();
    EXPECT_TRUE(Draws().empty());
}

// The runtime error path reads the debugger's answer from standard input
// and writes its message on standard output, which EXPECT_EXIT does not
// capture: the child gets an empty input and its output on stderr.
void InChildWithOutputOnStderr() {
    fflush(stdout);
    dup2(2, 1);
    FILE* in = freopen("/dev/null", "r", stdin);
    (void)in;
}

TEST_F(ImageTest, FramesOutsideTheSurfaceEndTheProgram) {
    struct Case {
        std::string name;
        int frameWidth, frameHeight, frames;
    };
    const Case cases[] = {{"a seventh 32x32 frame on 100x64", 32, 32, 7},
                          {"a frame wider than the surface", 101, 8, 1},
                          {"a frame taller than the surface", 8, 65, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gxtkSurface* surface = MakeSolidSurface(100, 64, 1, 1, 1);
        EXPECT_EXIT(
            {
                InChildWithOutputOnStderr();
                NewImage()->p_Init2(surface, 0, 0, c.frameWidth, c.frameHeight, c.frames, 0,
                                    nullptr, 0, 0, 100, 64);
            },
            ::testing::ExitedWithCode(255), "Vantor Runtime Error : Image frame outside surface");
    }
}

TEST_F(ImageTest, FlagsPadAndCentreAndMarkWholeSurfaces) {
    struct Case {
        std::string name;
        int surfaceW, surfaceH, frames, flags;
        int width, height;
        float handleX, handleY;
        int flagsAfter;
        Frames positions;
    };
    // Flags: 1 centres the handle, 2 and 4 pad by a pixel on each side
    // across and down; 65536 marks an image of the whole surface.
    const std::vector<Case> cases = {
        {"pad and centre 34-wide", 68, 20, 2, 3, 32, 20, 16, 10, 2, {{1, 0}, {35, 0}}},
        {"vertical padding", 10, 12, 1, 4, 10, 10, 0, 0, 4, {{0, 1}}},
        {"whole surface", 40, 30, 1, 0, 40, 30, 0, 0, 65536, {{0, 0}}},
        {"whole surface centred", 40, 30, 1, 1, 40, 30, 20, 15, 65536, {{0, 0}}},
        {"padded: not the whole", 40, 30, 1, 2, 38, 30, 0, 0, 2, {{1, 0}}},
        {"two frames: not the whole", 40, 30, 2, 0, 20, 30, 0, 0, 0, {{0, 0}, {20, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c_Image* image = Strip(c.surfaceW, c.surfaceH, c.frames, c.flags);
        EXPECT_EQ(image->m_Width, c.width);
        EXPECT_EQ(image->m_Height, c.height);
        EXPECT_FLOAT_EQ(image->m_HandleX, c.handleX);
        EXPECT_FLOAT_EQ(image->m_HandleY, c.handleY);
        EXPECT_EQ(image->m_Flags, c.flagsAfter);
        EXPECT_EQ(FramePositions(image), c.positions);
    }
}

TEST_F(ImageTest, WholeSurfaceImagesDrawTheSurfaceAndOthersTheirFrame) {
    gxtkSurface* surface = MakeSolidSurface(40, 30, 1, 1, 1);
    c_Image* whole = NewImage()->p_Init(surface, 1, 0);
    c_Image* framed = NewImage()->p_Init(surface, 2, 0);
    framed->p_SetHandle(5, 6);
    BeginFrame();
    bb_graphics_DrawImage(whole, 100, 100, 0);
    bb_graphics_DrawImage(framed, 100, 100, 1);
    g->Flush();
    ASSERT_EQ(Draws().size(), 1u);  // same surface: one batch
    const auto& v = Draws()[0].vertices;
    EXPECT_EQ(v[0].x, 100);
    EXPECT_EQ(v[2].x, 140);  // the whole surface
    EXPECT_FLOAT_EQ(v[2].u, 1.0f);
    EXPECT_EQ(v[6].x, 95);  // frame 1 at its handle
    EXPECT_EQ(v[6].y, 94);
    EXPECT_FLOAT_EQ(v[6].u, 0.5f);
    EXPECT_EQ(v[8].x, 115);
}

// ---------------------------------------------------------------------------
// Transforms

TEST_F(ImageTest, TransformsCombineWithTheNewOneAppliedFirst) {
    bb_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    bb_graphics_Translate(10, 0);
    bb_graphics_Scale(2, 2);
    EXPECT_EQ(Map(1, 1), std::make_pair(12.0f, 2.0f));

    bb_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    bb_graphics_Scale(2, 2);
    bb_graphics_Translate(10, 0);
    EXPECT_EQ(Map(1, 1), std::make_pair(22.0f, 2.0f));

    // A positive angle turns counter-clockwise on a y-down screen: +x goes up.
    bb_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    bb_graphics_Rotate(90);
    const auto p = Map(1, 0);
    EXPECT_NEAR(p.first, 0, 1e-6);
    EXPECT_NEAR(p.second, -1, 1e-6);
    EXPECT_EQ(bb_graphics_context->m_Transformed, 1);

    bb_graphics_SetMatrix2(Array<float>(6));  // all zeros: not the identity
    EXPECT_EQ(bb_graphics_context->m_Transformed, 1);
    bb_graphics_Translate(0, 0);
    bb_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    EXPECT_EQ(bb_graphics_context->m_Transformed, 0);
    bb_graphics_SetMatrix2(Array<float>(5));  // too short: ignored
    EXPECT_EQ(bb_graphics_context->m_Transformed, 0);
}

TEST_F(ImageTest, TheDeviceGetsTheTransformOncePerDrawThatNeedsIt) {
    CountingGraphics* device = new CountingGraphics();
    bb_graphics_SetGraphicsDevice(device);
    device->BeginRender();
    bb_graphics_BeginRender();
    bb_graphics_DrawRect(0, 0, 1, 1);  // the render pass's reset is handed over here
    EXPECT_EQ(device->setMatrixCalls, 1);

    bb_graphics_Translate(5, 0);
    bb_graphics_Translate(5, 0);
    bb_graphics_DrawRect(0, 0, 1, 1);
    bb_graphics_DrawRect(0, 0, 1, 1);
    EXPECT_EQ(device->setMatrixCalls, 2);
    device->Flush();
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Draws()[0].vertices[6].x, 10);  // second rectangle moved by both
}

TEST_F(ImageTest, MatrixStackRestoresAndIgnoresOverflowAndUnderflow) {
    BeginFrame();
    bb_graphics_Translate(1, 0);
    bb_graphics_PushMatrix();
    bb_graphics_Translate(1, 0);
    bb_graphics_PopMatrix();
    EXPECT_EQ(Map(0, 0).first, 1);

    bb_graphics_PopMatrix();  // empty: nothing changes
    EXPECT_EQ(Map(0, 0).first, 1);
    EXPECT_EQ(bb_graphics_context->m_MatrixSp, 0);

    // 40 pushes of 1..40: only the first 32 are kept.
    for (int i = 1; i <= 40; ++i) {
        bb_graphics_SetMatrix(1, 0, 0, 1, float(i), 0);
        bb_graphics_PushMatrix();
    }
    EXPECT_EQ(bb_graphics_context->m_MatrixSp, 32 * 6);
    EXPECT_EQ(bb_graphics_context->m_MatrixStack.Length(), 32 * 6);
    bb_graphics_PopMatrix();
    EXPECT_EQ(Map(0, 0).first, 32);
    for (int i = 0; i < 40; ++i)
        bb_graphics_PopMatrix();
    EXPECT_EQ(Map(0, 0).first, 1);
    EXPECT_EQ(bb_graphics_context->m_MatrixSp, 0);
}

TEST_F(ImageTest, DrawImage2TurnsAboutTheHandleAndKeepsTheContextTransform) {
    c_Image* image = Strip(20, 10, 1, 1);
    BeginFrame();
    bb_graphics_Translate(3, 4);
    const c_GraphicsContext* ctx = bb_graphics_context;
    const std::vector<float> before = {ctx->m_A, ctx->m_B,  ctx->m_C,
                                       ctx->m_D, ctx->m_Tx, ctx->m_Ty};
    bb_graphics_DrawImage2(image, 100, 100, 90, 2, 1, 0);
    g->Flush();

    // The 40 by 10 scaled frame turned a quarter counter-clockwise about its
    // centre, (100, 100) + the outer translation: its top-right corner
    // (vertex 1) ends at the top-left. The pixel tests check the rest.
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_NEAR(Draws()[0].vertices[1].x, 98, 1e-4);
    EXPECT_NEAR(Draws()[0].vertices[1].y, 84, 1e-4);
    // The context's own transform is left as it was.
    EXPECT_EQ((std::vector<float>{ctx->m_A, ctx->m_B, ctx->m_C, ctx->m_D, ctx->m_Tx, ctx->m_Ty}),
              before);
    EXPECT_EQ(ctx->m_MatrixSp, 0);
}

// ---------------------------------------------------------------------------
// The render pass and guarded calls

TEST_F(ImageTest, BeginRenderResetsTheContextAndTheDevice) {
    BeginFrame();
    bb_graphics_SetColor(1, 2, 3);
    bb_graphics_SetAlpha(0.25f);
    bb_graphics_SetBlend(1);
    bb_graphics_SetScissor(1, 2, 3, 4);
    bb_graphics_Translate(9, 9);
    bb_graphics_PushMatrix();
    bb_graphics_EndRender();
    EXPECT_EQ(bb_graphics_renderDevice, nullptr);
    g->EndRender();

    BeginFrame();
    EXPECT_EQ(bb_graphics_renderDevice, g);
    const c_GraphicsContext* ctx = bb_graphics_context;
    EXPECT_EQ(ctx->m_MatrixSp, 0);
    EXPECT_EQ(ctx->m_Transformed, 0);
    EXPECT_EQ(ctx->m_MatrixDirty, 1);
    EXPECT_EQ(ctx->m_Blend, 0);
    EXPECT_EQ(ctx->m_ScissorW, kWindowWidth);
    EXPECT_EQ(g->BlendMode(), gxtkGraphics::kBlendAlpha);
    EXPECT_EQ(g->packedColor, 0xFFFFFFFFu);
    EXPECT_FALSE(fakegl::IsEnabled(GL_SCISSOR_TEST));
}

TEST_F(ImageTest, DrawsOfMissingFramesOrOutsideARenderPassAreIgnored) {
    c_Image* image = Strip(20, 10, 2);
    // Outside a render pass: no device to draw on.
    bb_graphics_DrawImage(image, 0, 0, 0);
    bb_graphics_DrawRect(0, 0, 1, 1);
    bb_graphics_Cls(0, 0, 0);

    BeginFrame();
    fakegl::ClearLog();
    bb_graphics_DrawImage(image, 0, 0, 2);
    bb_graphics_DrawImage(image, 0, 0, -1);
    bb_graphics_DrawImage2(image, 0, 0, 45, 1, 1, 7);
    bb_graphics_DrawImage(nullptr, 0, 0, 0);
    EXPECT_EQ(bb_graphics_context->m_MatrixSp, 0);
    g->Flush();
    EXPECT_TRUE(Draws().empty());
    EXPECT_EQ(fakegl::CountCalls("glClear"), 0);
}

// The game replays its whole draw list every frame: doing so must not
// create collected objects (the collector's counters stay put).
TEST_F(ImageTest, AFrameOfDrawingAllocatesNothing) {
    c_Image* image = Strip(64, 16, 4, 1);
    const int allocated = gc_new_bytes;
    const int live = gc_alloced_bytes;
    for (int frame = 0; frame < 3; ++frame) {
        BeginFrame();
        for (int i = 0; i < 500; ++i) {
            bb_graphics_SetAlpha(0.5f);
            bb_graphics_SetColor(255, float(i % 256), 0);
            bb_graphics_SetBlend(i % 100 == 0 ? 1 : 0);
            bb_graphics_DrawImage2(image, float(i), 10, float(i), 1.5f, 1.5f, i % 4);
            bb_graphics_DrawRect(0, 0, 4, 4);
            bb_graphics_DrawEllipse(50, 50, 10, 5);
        }
        bb_graphics_EndRender();
        g->EndRender();
    }
    EXPECT_EQ(gc_new_bytes, allocated);
    EXPECT_EQ(gc_alloced_bytes, live);
}

// ---------------------------------------------------------------------------
// Loading

class ImageFileTest : public ImageTest {
protected:
    void SetUp() override {
        ImageTest::SetUp();
        char pattern[] = "/tmp/dropling-graphics-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        ImageTest::TearDown();
    }
    std::string WritePng(const std::string& name, int w, int h, int channels,
                         const std::vector<uint8_t>& pixels) {
        const std::string path = dir + "/" + name;
        EXPECT_NE(stbi_write_png(path.c_str(), w, h, channels, pixels.data(), w * channels), 0);
        return path;
    }
    std::string dir;
};

// Two pixels, repeated: grey-alpha and RGBA pixels are premultiplied on the
// way in, grey and RGB ones are kept as decoded.
TEST_F(ImageFileTest, LoadsPngFilesWithTheirOwnChannelCountPremultiplied) {
    struct Case {
        int channels;
        std::vector<uint8_t> pixels, stored;
        GLenum glFormat;
    };
    const Case cases[] = {
        {1, {77, 250}, {77, 250}, GL_LUMINANCE},
        {2, {255, 0, 200, 128}, {0, 0, 100, 128}, GL_LUMINANCE_ALPHA},
        {3, {1, 2, 3, 200, 100, 50}, {1, 2, 3, 200, 100, 50}, GL_RGB},
        {4, {9, 9, 9, 255, 200, 100, 50, 128}, {9, 9, 9, 255, 100, 50, 25, 128}, GL_RGBA}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channels);
        std::vector<uint8_t> pixels, stored;
        for (int i = 0; i < 6 * 4 / 2; ++i) {
            pixels.insert(pixels.end(), c.pixels.begin(), c.pixels.end());
            stored.insert(stored.end(), c.stored.begin(), c.stored.end());
        }
        const std::string path =
            WritePng("img" + std::to_string(c.channels) + ".png", 6, 4, c.channels, pixels);
        c_Image* image = bb_graphics_LoadImage2(String(path.c_str()), 3, 2, 4, 0);
        ASSERT_NE(image, nullptr);
        gxtkSurface* s = image->m_Surface;
        EXPECT_EQ(s->depth, c.channels);
        EXPECT_EQ(std::vector<uint8_t>(s->data, s->data + stored.size()), stored);
        // Loading binds at once, in the format of the file's channels.
        ASSERT_NE(fakegl::GetTexture(s->texture), nullptr);
        EXPECT_EQ(fakegl::GetTexture(s->texture)->format, c.glFormat);
        EXPECT_EQ(FramePositions(image), (Frames{{0, 0}, {3, 0}, {0, 2}, {3, 2}}));
    }
}

TEST_F(ImageFileTest, MissingOrUndecodableFilesGiveNull) {
    EXPECT_EQ(bb_graphics_LoadImage(String((dir + "/missing.png").c_str()), 1, 0), nullptr);
    const std::string junk = dir + "/junk.png";
    FILE* f = std::fopen(junk.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a picture", f);
    std::fclose(f);
    EXPECT_EQ(bb_graphics_LoadImage(String(junk.c_str()), 1, 0), nullptr);
    EXPECT_EQ(fakegl::CountCalls("glGenTextures"), 0);
}

TEST_F(ImageFileTest, DefaultFontIsLoadedOnceOrSilentlyMissing) {
    // Data paths are relative to the working directory.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.c_str()), 0);

    bb_graphics_SetFont(nullptr, 99);
    EXPECT_EQ(bb_graphics_context->m_Font, nullptr);
    EXPECT_EQ(bb_graphics_context->m_FirstChar, 32);

    ASSERT_EQ(mkdir((dir + "/data").c_str(), 0755), 0);
    WritePng("data/glint_font.png", 96 * 10, 12, 4, std::vector<uint8_t>(96 * 10 * 12 * 4, 255));
    bb_graphics_SetFont(nullptr, 99);
    c_Image* font = bb_graphics_context->m_Font;
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, bb_graphics_context->m_DefaultFont);
    EXPECT_EQ(font->m_Frames.Length(), 96);
    EXPECT_EQ(font->m_Width, 8);  // 10 less the padding
    EXPECT_EQ(font->m_Frames[1]->m_X, 11);
    bb_graphics_SetFont(nullptr, 32);
    EXPECT_EQ(bb_graphics_context->m_Font, font);  // not loaded again

    c_Image* other = Strip(8, 8, 1);
    bb_graphics_SetFont(other, 65);
    EXPECT_EQ(bb_graphics_context->m_Font, other);
    EXPECT_EQ(bb_graphics_context->m_FirstChar, 65);
    ASSERT_EQ(chdir(cwd), 0);
}

}  // namespace
}  // namespace graphics_test
