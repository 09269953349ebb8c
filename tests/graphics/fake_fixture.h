// Shared set-up for the graphics tests that run on the recording GL fake and
// the scripted GLFW fake: a 640 by 480 "window", a fresh collector, the
// graphics globals and one renderer inside an open render pass. Also small
// helpers to make surfaces from pixel lists.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/graphics.h"
#include "host/glfwgame.h"
#include "platform/glfw2.h"
#include "tests/fakes/fake_gl.h"
#include "tests/fakes/glfw_fake.h"

namespace graphics_test {

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;

// A surface holding a copy of `pixels` (depth bytes each, premultiplied on
// the way in as loading does); no texture yet.
inline gxtkSurface* MakeSurface(int width, int height, int depth,
                                const std::vector<uint8_t>& pixels) {
    EXPECT_EQ(pixels.size(), static_cast<size_t>(width * height * depth));
    uint8_t* data = static_cast<uint8_t*>(std::malloc(pixels.size()));
    std::memcpy(data, pixels.data(), pixels.size());
    gxtkSurface* s = new gxtkSurface();
    s->SetData(data, width, height, depth);
    return s;
}

// A depth-4 surface of the given size filled with one RGBA value.
inline gxtkSurface* MakeSolidSurface(int width, int height, uint8_t r, uint8_t g, uint8_t b,
                                     uint8_t a = 255) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < width * height; ++i)
        pixels.insert(pixels.end(), {r, g, b, a});
    return MakeSurface(width, height, 4, pixels);
}

class FakeGraphicsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakegl::Reset();
        gc_reset();
        glfw_fake::Reset();
        glfw2::glfwInit();
        glfw2::glfwOpenWindow(kWindowWidth, kWindowHeight, 8, 8, 8, 0, 0, 0, glfw2::GLFW_WINDOW);
        // Loading goes through the host's decoder; it needs the one host
        // object, which lives for the whole process as in the program.
        if (!BBGlfwGame::_glfwGame) new BBGlfwGame();
        glfwGraphicsSeq = 1;  // one window has been opened
        bb_graphics_InitGlobals();
        g = new gxtkGraphics();
        bb_graphics_SetGraphicsDevice(g);
        BeginFrame();
        fakegl::ClearLog();
    }

    void TearDown() override {
        // gc_reset destroys every collected object: the globals must not keep
        // pointing at them.
        bb_graphics_device = nullptr;
        bb_graphics_renderDevice = nullptr;
        bb_graphics_context = nullptr;
        gc_reset();
    }

    // Starts a frame the way the delegate does: the device, then the context.
    void BeginFrame() {
        g->BeginRender();
        bb_graphics_BeginRender();
    }

    gxtkGraphics* g = nullptr;
};

}  // namespace graphics_test
