// The renderer, surfaces and images on the real OpenGL (Mesa under Xvfb),
// checked by reading pixels back: premultiplied alpha and additive blending,
// nearest sampling of a texture and rows of odd byte length, an image turned
// and scaled about its handle, an oval's coverage, textures re-made after the
// window (and with it the context) was re-made, and pixels written into a
// texture in use. Mesa's software renderer is deterministic, so colours are
// compared to within the one step where GL rounds.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "host/glfwgame.h"
#include "platform/glfw2.h"

using namespace glfw2;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// Colours as 0xRRGGBB; each channel may be one step off.
::testing::AssertionResult Near(const char* expr, const char*, uint32_t argb, uint32_t want) {
    for (int shift = 0; shift < 24; shift += 8) {
        if (std::abs(int(argb >> shift & 255) - int(want >> shift & 255)) > 1) {
            return ::testing::AssertionFailure()
                   << expr << " is " << std::hex << (argb & 0xFFFFFF) << ", expected " << want;
        }
    }
    return ::testing::AssertionSuccess();
}

void OpenWindow() {
    glfwOpenWindow(kWidth, kHeight, 8, 8, 8, 0, 0, 0, GLFW_WINDOW);
    glfwGraphicsSeq++;  // as the host does for every window it opens
}

// A surface from straight (not premultiplied) texels of `depth` bytes each.
gxtkSurface* Surface(int w, int h, int depth, const std::vector<uint8_t>& texels) {
    uint8_t* data = static_cast<uint8_t*>(std::malloc(texels.size()));
    std::copy(texels.begin(), texels.end(), data);
    gxtkSurface* s = new gxtkSurface();
    s->SetData(data, w, h, depth);
    return s;
}

c_Image* Whole(gxtkSurface* s, int flags = 0) {
    return (new c_Image())->m_new()->p_Init(s, 1, flags);
}

TEST(GlPixelTest, DrawnPixels) {
    ASSERT_TRUE(glfwInit()) << "needs an X display (run under xvfb-run)";
    OpenWindow();
    bb_graphics_InitGlobals();
    gxtkGraphics* g = new gxtkGraphics();
    bb_graphics_SetGraphicsDevice(g);
    auto startFrame = [&] {
        g->BeginRender();
        bb_graphics_BeginRender();
        bb_graphics_Cls(0, 0, 0);
    };
    // 3 by 2 RGBA texels; the same as RGB, of which a row is 9 bytes.
    gxtkSurface* rgba = Surface(3, 2, 4, {255, 0,   0,   255, 0,   255, 0, 255, 0, 0, 255, 255,
                                          255, 255, 255, 255, 255, 0,   0, 128, 0, 0, 0,   0});
    gxtkSurface* rgb =
        Surface(3, 2, 3, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 255, 0});
    // 20 by 10: left half red, right half green; handle at the centre.
    std::vector<uint8_t> halves;
    for (int i = 0; i < 20 * 10; ++i)
        halves.insert(halves.end(),
                      {uint8_t(i % 20 < 10 ? 255 : 0), uint8_t(i % 20 < 10 ? 0 : 255), 0, 255});
    c_Image* turned = Whole(Surface(20, 10, 4, halves), c_Image::ImageCentreHandle);
    gxtkSurface* kept = Surface(2, 1, 4, {0, 255, 255, 255, 255, 0, 255, 255});
    gxtkSurface* written = g->CreateSurface(4, 4);
    Array<int> argb(16);

    struct Case {
        std::string name;
        std::function<void()> draw;
        std::string probes;  // "x,y=rrggbb" in window coordinates, y down
    };
    const std::vector<Case> cases = {
        {"premultiplied alpha and additive blending (the row ends transparent green)",
         [&] {
             bb_graphics_Cls(0, 0, 255);
             bb_graphics_SetColor(255, 0, 0);
             bb_graphics_SetAlpha(0.5f);
             bb_graphics_DrawRect(10, 10, 20, 20);
             bb_graphics_SetBlend(1);
             bb_graphics_SetAlpha(1);
             bb_graphics_SetColor(100, 50, 0);
             bb_graphics_DrawRect(40, 10, 20, 20);
             bb_graphics_DrawRect(40, 10, 20, 20);  // twice: adds up
             bb_graphics_SetBlend(0);
             bb_graphics_SetColor(0, 255, 0);
             bb_graphics_SetAlpha(0);
             bb_graphics_DrawRect(70, 10, 20, 20);  // fully transparent: no change
         },
         // Source (127, 0, 0) at alpha 127 over blue: blue keeps 128/255 of itself.
         "15,15=7f0080 35,15=0000ff 45,15=c864ff 75,15=0000ff"},
        // Texels keep their colour up to their edge (9 | 10); red at half alpha
        // is stored (128, 0, 0, 128); a transparent texel leaves the background.
        {"textures sampled nearest, premultiplied, tinted; RGB rows unpadded",
         [&] {
             bb_graphics_Cls(0, 0, 255);
             bb_graphics_Scale(10, 10);
             bb_graphics_DrawImage(Whole(rgba), 0, 0, 0);
             glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // GL's default, which RGB rows must not use
             bb_graphics_DrawImage(Whole(rgb), 20, 0, 0);
             bb_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
             bb_graphics_SetColor(255, 128, 0);
             bb_graphics_DrawImage2(Whole(rgba), 100, 100, 0, 10, 10, 0);
         },
         "9,5=ff0000 10,5=00ff00 25,5=0000ff 5,15=ffffff 15,15=80007f 25,15=0000ff 31,5=0000ff "
         "105,115=ff8000 205,5=ff0000 225,5=0000ff 205,15=ffffff 215,15=000000 225,15=ffff00"},
        // Scaled to 40 by 10 and turned a quarter counter-clockwise: 10 wide and
        // 40 tall about (200, 200), the right (green) half now on top.
        {"an image turned and scaled about its handle",
         [&] { bb_graphics_DrawImage2(turned, 200, 200, 90, 2, 1, 0); },
         "200,185=00ff00 200,215=ff0000 196,181=00ff00 203,218=ff0000 193,200=000000 "
         "206,200=000000 200,178=000000 200,221=000000"},
        {"an oval covers its inside but not the corners of its box",
         [&] {
             bb_graphics_SetColor(255, 255, 0);
             bb_graphics_DrawEllipse(300, 200, 40, 20);  // box 260..340 by 180..220
         },
         "300,200=ffff00 338,200=ffff00 262,200=ffff00 300,182=ffff00 300,218=ffff00 "
         "261,181=000000 338,181=000000 261,218=000000 338,218=000000 342,200=000000"},
        {"a surface drawn again after the window is re-made",
         [&] {
             bb_graphics_DrawImage(Whole(kept), 0, 0, 0);
             bb_graphics_EndRender();
             g->EndRender();
             OpenWindow();  // a new window with a new context: the old texture is gone
             startFrame();
             bb_graphics_Scale(8, 8);
             bb_graphics_DrawImage(Whole(kept), 0, 0, 0);
         },
         "4,4=00ffff 12,4=ff00ff"},
        {"pixels written into a texture in use",
         [&] {
             std::fill(argb.begin(), argb.end(), static_cast<int>(0xFF00FF00u));
             g->WritePixels2(written, argb, 0, 0, 4, 4, 0, 4);
             bb_graphics_DrawImage(Whole(written), 0, 0, 0);
             argb[5] = static_cast<int>(0xFFFF0000u);
             g->WritePixels2(written, argb, 0, 0, 4, 4, 0, 4);  // pixel (1, 1) turns red
             bb_graphics_DrawImage(Whole(written), 0, 0, 0);
         },
         "1,1=ff0000 2,1=00ff00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startFrame();
        c.draw();
        std::istringstream probes(c.probes);
        for (std::string probe; probes >> probe;) {
            int x = 0, y = 0;
            unsigned want = 0;
            ASSERT_EQ(std::sscanf(probe.c_str(), "%d,%d=%x", &x, &y, &want), 3) << probe;
            Array<int> out(1);
            g->ReadPixels(out, x, y, 1, 1, 0, 1);
            EXPECT_PRED_FORMAT2(Near, static_cast<uint32_t>(out[0]), want) << "at " << probe;
        }
        bb_graphics_EndRender();
        g->EndRender();
    }
    // Not glfwTerminate: closing the X connection unloads Mesa's driver, and
    // memory the driver still holds would then show up as a leak in the
    // sanitizer build.
    glfwCloseWindow();
}

}  // namespace
