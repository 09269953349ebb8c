// Images and the graphics context on the recording GL fake: frame layouts and
// flags, the runtime error for frames outside the surface (in a child
// process), the lazy hand-over of the transform to the device, loading from PNG files
// (premultiplied, in the file's own channel count) and the default font.
#include <stb/stb_image_write.h>

#include <cstdio>
#include <string>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/graphics/fake_fixture.h"

namespace graphics_test {
namespace {

using Frames = std::vector<std::pair<int, int>>;

Frames FramePositions(c_Image* image) {
    Frames out;
    for (int i = 0; i < image->m_Frames.Length(); ++i)
        out.emplace_back(image->m_Frames[i]->m_X, image->m_Frames[i]->m_Y);
    return out;
}

class ImageTest : public FakeGraphicsTest {
protected:
    // frameWidth 0: `frames` frames across a plain w by h surface, as
    // LoadImage cuts them; otherwise frames of that size, as LoadImage2 does.
    c_Image* Make(int w, int h, int frameWidth, int frameHeight, int frames, int flags = 0) {
        gxtkSurface* s = MakeSolidSurface(w, h, 1, 1, 1);
        c_Image* image = (new c_Image())->m_new();
        if (frameWidth == 0) return image->p_Init(s, frames, flags);
        return image->p_Init2(s, 0, 0, frameWidth, frameHeight, frames, flags, nullptr, 0, 0, w, h);
    }
};

TEST_F(ImageTest, FrameLayoutsAndFlags) {
    struct Case {
        int w, h, frameWidth, frameHeight, frames, flags;
        int width, height;
        float handleX, handleY;
        int flagsAfter;
        Frames positions;
    };
    // Flags: 1 centres the handle, 2 and 4 pad by a pixel on each side
    // across and down; 65536 marks an image of the whole surface.
    const Case cases[] = {
        {100, 20, 0, 0, 3, 0, 33, 20, 0, 0, 0, {{0, 0}, {33, 0}, {66, 0}}},
        {100, 64, 32, 32, 4, 0, 32, 32, 0, 0, 0, {{0, 0}, {32, 0}, {64, 0}, {0, 32}}},
        {32, 64, 32, 32, 2, 0, 32, 32, 0, 0, 0, {{0, 0}, {0, 32}}},  // as wide as the surface
        {10, 10, 0, 0, 0, 0, 0, 10, 0, 0, 0, {}},
        {10, 10, 5, 5, -3, 0, 5, 5, 0, 0, 0, {}},
        {68, 20, 0, 0, 2, 3, 32, 20, 16, 10, 2, {{1, 0}, {35, 0}}},
        {10, 12, 0, 0, 1, 4, 10, 10, 0, 0, 4, {{0, 1}}},
        {40, 30, 0, 0, 1, 0, 40, 30, 0, 0, 65536, {{0, 0}}},
        {40, 30, 0, 0, 1, 1, 40, 30, 20, 15, 65536, {{0, 0}}},
        {40, 30, 0, 0, 1, 2, 38, 30, 0, 0, 2, {{1, 0}}},
        {40, 30, 0, 0, 2, 0, 20, 30, 0, 0, 0, {{0, 0}, {20, 0}}},
        {40, 30, 40, 30, 1, 0, 40, 30, 0, 0, 65536, {{0, 0}}},
        {40, 30, 20, 30, 1, 0, 20, 30, 0, 0, 0, {{0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " frames " +
                     std::to_string(c.frames) + " flags " + std::to_string(c.flags));
        c_Image* image = Make(c.w, c.h, c.frameWidth, c.frameHeight, c.frames, c.flags);
        EXPECT_EQ(std::make_pair(image->m_Width, image->m_Height),
                  std::make_pair(c.width, c.height));
        EXPECT_EQ(std::make_pair(image->m_HandleX, image->m_HandleY),
                  std::make_pair(c.handleX, c.handleY));
        EXPECT_EQ(image->m_Flags, c.flagsAfter);
        EXPECT_EQ(FramePositions(image), c.positions);
    }
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
    // A seventh 32 by 32 frame on 100 by 64; a frame wider than the surface.
    const std::pair<int, int> frameWidthsAndCounts[] = {{32, 7}, {101, 1}};
    for (auto [frameWidth, frames] : frameWidthsAndCounts) {
        SCOPED_TRACE(frameWidth);
        EXPECT_EXIT(
            {
                InChildWithOutputOnStderr();
                Make(100, 64, frameWidth, 32, frames);
            },
            ::testing::ExitedWithCode(255), "Vantor Runtime Error : Image frame outside surface");
    }
}

// A device that counts the transforms it is handed.
class CountingGraphics : public gxtkGraphics {
public:
    int setMatrixCalls = 0;
    int SetMatrix(float a, float b, float c, float d, float tx, float ty) override {
        setMatrixCalls++;
        return gxtkGraphics::SetMatrix(a, b, c, d, tx, ty);
    }
};

TEST_F(ImageTest, TheDeviceGetsTheTransformOncePerDrawThatNeedsIt) {
    CountingGraphics* device = new CountingGraphics();
    bb_graphics_SetGraphicsDevice(device);
    device->BeginRender();
    bb_graphics_BeginRender();
    bb_graphics_DrawRect(0, 0, 1, 1);  // the render pass's reset is handed over here
    bb_graphics_Translate(5, 0);
    bb_graphics_Translate(5, 0);
    bb_graphics_DrawRect(0, 0, 1, 1);
    bb_graphics_DrawRect(0, 0, 1, 1);
    EXPECT_EQ(device->setMatrixCalls, 2);
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
        EXPECT_EQ(std::vector<uint8_t>(s->data, s->data + stored.size()), stored);
        // Loading binds at once, in the format of the file's channels.
        ASSERT_NE(fakegl::GetTexture(s->texture), nullptr);
        EXPECT_EQ(fakegl::GetTexture(s->texture)->format, c.glFormat);
        EXPECT_EQ(FramePositions(image), (Frames{{0, 0}, {3, 0}, {0, 2}, {3, 2}}));
    }
    // Missing or undecodable files give null.
    EXPECT_EQ(bb_graphics_LoadImage(String((dir + "/missing.png").c_str()), 1, 0), nullptr);
    FILE* f = std::fopen((dir + "/junk.png").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a picture", f);
    std::fclose(f);
    EXPECT_EQ(bb_graphics_LoadImage(String((dir + "/junk.png").c_str()), 1, 0), nullptr);
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
    EXPECT_EQ(font->m_Frames.Length(), 96);
    EXPECT_EQ(font->m_Width, 8);  // 10 less the padding
    EXPECT_EQ(font->m_Frames[1]->m_X, 11);
    bb_graphics_SetFont(nullptr, 32);
    EXPECT_EQ(bb_graphics_context->m_Font, font);  // not loaded again

    c_Image* other = Make(8, 8, 0, 0, 1);
    bb_graphics_SetFont(other, 65);
    EXPECT_EQ(std::make_pair(bb_graphics_context->m_Font, bb_graphics_context->m_FirstChar),
              std::make_pair(other, 65));
    ASSERT_EQ(chdir(cwd), 0);
}

}  // namespace
}  // namespace graphics_test
