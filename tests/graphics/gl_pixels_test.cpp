// The renderer, surfaces and images on the real OpenGL (Mesa under Xvfb),
// checked by reading pixels back: premultiplied alpha and additive blending,
// nearest sampling of a texture, an image turned and scaled about its handle,
// an oval's coverage, the scissor's flipped y, and textures re-created after
// the window (and with it the context) was re-made. Mesa's software renderer
// is deterministic, so colours are compared exactly where the arithmetic is
// exact and to within one step where GL rounds.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <iterator>
#include <cstdlib>
#include <string>

#include "graphics/graphics.h"
#include "host/glfwgame.h"
#include "platform/glfw2.h"

using namespace glfw2;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Rgb {
    int r, g, b;
};

::testing::AssertionResult Near(const char* expr, const char*, uint32_t argb, Rgb want) {
    const int r = (argb >> 16) & 255, g = (argb >> 8) & 255, b = argb & 255;
    if (std::abs(r - want.r) <= 1 && std::abs(g - want.g) <= 1 && std::abs(b - want.b) <= 1) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << expr << " is (" << r << ", " << g << ", " << b << "), expected (" << want.r << ", "
           << want.g << ", " << want.b << ")";
}

void OpenWindow() {
    glfwOpenWindow(kWidth, kHeight, 8, 8, 8, 0, 0, 0, GLFW_WINDOW);
    glfwGraphicsSeq++;  // as the host does for every window it opens
}

class GlPixelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(glfwInit()) << "needs an X display (run under xvfb-run)";
        OpenWindow();
        ASSERT_TRUE(glfwGetWindowParam(GLFW_OPENED));
    }
    // Not glfwTerminate: closing the X connection unloads Mesa's driver, and
    // memory the driver still holds would then show up as a leak in the
    // sanitizer build.
    static void TearDownTestSuite() { glfwCloseWindow(); }

    void SetUp() override {
        ASSERT_TRUE(glfwGetWindowParam(GLFW_OPENED));
        bb_graphics_InitGlobals();
        g = new gxtkGraphics();
        bb_graphics_SetGraphicsDevice(g);
        StartFrame();
    }
    void TearDown() override {
        bb_graphics_EndRender();
        g->EndRender();
    }

    void StartFrame() {
        g->BeginRender();
        bb_graphics_BeginRender();
        bb_graphics_Cls(0, 0, 0);
    }

    // One pixel in window coordinates (top-left origin) as 0xAARRGGBB.
    uint32_t Pixel(int x, int y) {
        Array<int> out(1);
        g->ReadPixels(out, x, y, 1, 1, 0, 1);
        return static_cast<uint32_t>(out[0]);
    }

    struct Probe {
        int x, y;
        Rgb want;
    };
    void ExpectPixels(std::initializer_list<Probe> probes) {
        for (const Probe& p : probes)
            EXPECT_PRED_FORMAT2(Near, Pixel(p.x, p.y), p.want) << "at " << p.x << "," << p.y;
    }

    // A depth-4 surface from straight (not premultiplied) RGBA texels.
    gxtkSurface* Surface(int w, int h, const std::vector<uint8_t>& rgba) {
        uint8_t* data = static_cast<uint8_t*>(std::malloc(rgba.size()));
        std::copy(rgba.begin(), rgba.end(), data);
        gxtkSurface* s = new gxtkSurface();
        s->SetData(data, w, h, 4);
        return s;
    }
    static c_Image* Whole(gxtkSurface* s, int flags = 0) {
        return (new c_Image())->m_new()->p_Init(s, 1, flags);
    }

    gxtkGraphics* g = nullptr;
};

TEST_F(GlPixelTest, PremultipliedAlphaAndAdditiveBlending) {
    ASSERT_EQ(g->Width(), kWidth);
    bb_graphics_Cls(0, 0, 255);
    bb_graphics_SetColor(255, 0, 0);
    bb_graphics_SetAlpha(0.5f);
    bb_graphics_DrawRect(10, 10, 20, 20);
    EXPECT_EQ(Pixel(15, 15) >> 24, 0xFFu);  // no alpha channel: reads as opaque

    bb_graphics_SetBlend(1);
    bb_graphics_SetAlpha(1);
    bb_graphics_SetColor(100, 50, 0);
    bb_graphics_DrawRect(40, 10, 20, 20);
    bb_graphics_DrawRect(40, 10, 20, 20);  // twice: adds up

    bb_graphics_SetBlend(0);
    bb_graphics_SetColor(0, 255, 0);
    bb_graphics_SetAlpha(0);
    bb_graphics_DrawRect(70, 10, 20, 20);  // fully transparent: no change
    // Source (127, 0, 0) at alpha 127 over blue: blue keeps 128/255 of itself.
    ExpectPixels({{15, 15, {127, 0, 128}},
                  {35, 15, {0, 0, 255}},
                  {45, 15, {200, 100, 255}},
                  {75, 15, {0, 0, 255}}});
}

TEST_F(GlPixelTest, TexturesAreSampledNearestAndPremultiplied) {
    // 3 by 2 texels, drawn 10 times larger.
    gxtkSurface* s = Surface(3, 2, {255, 0,   0,   255, 0,   255, 0, 255, 0, 0, 255, 255,
                                    255, 255, 255, 255, 255, 0,   0, 128, 0, 0, 0,   0});
    bb_graphics_Cls(0, 0, 255);
    bb_graphics_Scale(10, 10);
    c_Image* image = Whole(s);
    bb_graphics_DrawImage(image, 0, 0, 0);
    // An RGB image of odd width: its rows of 9 bytes follow each other
    // without the padding to 4 bytes that is GL's default.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    const uint8_t rgbTexels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 255, 0};
    auto* rgb = static_cast<uint8_t*>(std::malloc(sizeof rgbTexels));
    std::copy(std::begin(rgbTexels), std::end(rgbTexels), rgb);
    gxtkSurface* odd = new gxtkSurface();
    odd->SetData(rgb, 3, 2, 3);
    bb_graphics_DrawImage(Whole(odd), 20, 0, 0);
    // Tinting multiplies the texel by the vertex colour.
    bb_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    bb_graphics_SetColor(255, 128, 0);
    bb_graphics_DrawImage2(image, 100, 100, 0, 10, 10, 0);

    ExpectPixels({{5, 5, {255, 0, 0}},
                  // Both sides of a texel edge keep their own colour: no filtering.
                  {9, 5, {255, 0, 0}},
                  {10, 5, {0, 255, 0}},
                  {25, 5, {0, 0, 255}},
                  {5, 15, {255, 255, 255}},
                  // Red at half alpha, stored as (128, 0, 0, 128), over the blue clear.
                  {15, 15, {128, 0, 127}},
                  // A transparent texel leaves the background; outside the image too.
                  {25, 15, {0, 0, 255}},
                  {31, 5, {0, 0, 255}},
                  {105, 115, {255, 128, 0}},
                  {205, 5, {255, 0, 0}},
                  {225, 5, {0, 0, 255}},
                  {205, 15, {255, 255, 255}},
                  {215, 15, {0, 0, 0}},
                  {225, 15, {255, 255, 0}}});
}

TEST_F(GlPixelTest, ImageTurnsAndScalesAboutItsHandle) {
    // 20 by 10: left half red, right half green; handle at the centre.
    std::vector<uint8_t> texels;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool right = x >= 10;
            texels.insert(texels.end(),
                          {uint8_t(right ? 0 : 255), uint8_t(right ? 255 : 0), 0, 255});
        }
    }
    c_Image* image = Whole(Surface(20, 10, texels), 1);
    bb_graphics_DrawImage2(image, 200, 200, 90, 2, 1, 0);

    // Scaled to 40 by 10 and turned a quarter counter-clockwise: 10 wide and
    // 40 tall about (200, 200), the right (green) half now on top.
    const Rgb red{255, 0, 0}, green{0, 255, 0}, black{0, 0, 0};
    ExpectPixels({{200, 185, green},
                  {200, 215, red},
                  {196, 181, green},
                  {203, 218, red},
                  {193, 200, black},
                  {206, 200, black},
                  {200, 178, black},
                  {200, 221, black}});
}

TEST_F(GlPixelTest, OvalCoversItsInsideButNotTheCornersOfItsBox) {
    bb_graphics_SetColor(255, 255, 0);
    bb_graphics_DrawEllipse(300, 200, 40, 20);  // box 260..340 by 180..220
    const Rgb in{255, 255, 0}, out{0, 0, 0};
    ExpectPixels({{300, 200, in},
                  {338, 200, in},
                  {262, 200, in},
                  {300, 182, in},
                  {300, 218, in},
                  {261, 181, out},
                  {338, 181, out},
                  {261, 218, out},
                  {338, 218, out},
                  {342, 200, out}});
}

TEST_F(GlPixelTest, ScissorLimitsDrawingAndClearingWithATopLeftOrigin) {
    bb_graphics_SetScissor(10, 20, 30, 40);
    bb_graphics_Cls(255, 255, 255);
    bb_graphics_SetColor(255, 0, 0);
    bb_graphics_DrawRect(0, 0, 100, 100);
    ExpectPixels({{15, 25, {255, 0, 0}},
                  {39, 59, {255, 0, 0}},
                  {15, 15, {0, 0, 0}},
                  {15, 65, {0, 0, 0}},
                  {45, 25, {0, 0, 0}}});
    bb_graphics_SetScissor(0, 0, kWidth, kHeight);
}

TEST_F(GlPixelTest, SurfacesDrawAgainAfterTheWindowIsRecreated) {
    gxtkSurface* s = Surface(2, 1, {0, 255, 255, 255, 255, 0, 255, 255});
    bb_graphics_Scale(8, 8);
    bb_graphics_DrawImage(Whole(s), 0, 0, 0);
    EXPECT_PRED_FORMAT2(Near, Pixel(4, 4), (Rgb{0, 255, 255}));
    const int firstSeq = s->seq;
    bb_graphics_EndRender();
    g->EndRender();

    OpenWindow();  // a new window with a new context: the old texture is gone
    StartFrame();
    bb_graphics_Scale(8, 8);
    bb_graphics_DrawImage(Whole(s), 0, 0, 0);
    EXPECT_NE(s->seq, firstSeq);
    EXPECT_PRED_FORMAT2(Near, Pixel(4, 4), (Rgb{0, 255, 255}));
    EXPECT_PRED_FORMAT2(Near, Pixel(12, 4), (Rgb{255, 0, 255}));
}

TEST_F(GlPixelTest, WritePixelsReachesATextureInUse) {
    gxtkSurface* s = g->CreateSurface(4, 4);
    Array<int> argb(16);
    std::fill(argb.begin(), argb.end(), static_cast<int>(0xFF00FF00u));
    g->WritePixels2(s, argb, 0, 0, 4, 4, 0, 4);
    bb_graphics_DrawImage(Whole(s), 0, 0, 0);
    EXPECT_PRED_FORMAT2(Near, Pixel(1, 1), (Rgb{0, 255, 0}));

    argb[5] = static_cast<int>(0xFFFF0000u);
    g->WritePixels2(s, argb, 0, 0, 4, 4, 0, 4);  // pixel (1, 1) turns red
    bb_graphics_DrawImage(Whole(s), 0, 0, 0);
    EXPECT_PRED_FORMAT2(Near, Pixel(1, 1), (Rgb{255, 0, 0}));
    EXPECT_PRED_FORMAT2(Near, Pixel(2, 1), (Rgb{0, 255, 0}));
}

}  // namespace
