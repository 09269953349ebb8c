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
#include "tests/fakes/fake_gl.h"

namespace graphics_test {

constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;

// Sets the size the GLFW fake reports for the window.
void SetFakeWindowSize(int width, int height);
// Number of buffer swaps the GLFW fake has seen since its last reset.
int FakeSwapCount();
// Resets the GLFW fake and opens its window at the given size.
void ResetFakeWindow(int width, int height);

// A surface holding a copy of `pixels` (depth bytes each, premultiplied on
// the way in as loading does); no texture yet.
gxtkSurface* MakeSurface(int width, int height, int depth, const std::vector<uint8_t>& pixels);
// A depth-4 surface of the given size filled with one RGBA value.
gxtkSurface* MakeSolidSurface(int width, int height, uint8_t r, uint8_t g, uint8_t b,
                              uint8_t a = 255);

class FakeGraphicsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts a frame the way the delegate does: the device, then the context.
    void BeginFrame();

    gxtkGraphics* g = nullptr;
};

}  // namespace graphics_test
