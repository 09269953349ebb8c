// The fixture of the fake-backed graphics tests (fake_fixture.h).
#include "tests/graphics/fake_fixture.h"

#include "host/glfwgame.h"
#include "platform/glfw2.h"
#include "tests/fakes/glfw_fake.h"

using namespace glfw2;

namespace graphics_test {

void SetFakeWindowSize(int width, int height) {
    glfw_fake::SetWindowSize(width, height);
}

int FakeSwapCount() {
    return glfw_fake::Swaps();
}

void ResetFakeWindow(int width, int height) {
    glfw_fake::Reset();
    glfwInit();
    glfwOpenWindow(width, height, 8, 8, 8, 0, 0, 0, GLFW_WINDOW);
}

gxtkSurface* MakeSurface(int width, int height, int depth, const std::vector<uint8_t>& pixels) {
    EXPECT_EQ(pixels.size(), static_cast<size_t>(width * height * depth));
    uint8_t* data = static_cast<uint8_t*>(std::malloc(pixels.size()));
    std::memcpy(data, pixels.data(), pixels.size());
    gxtkSurface* s = new gxtkSurface();
    s->SetData(data, width, height, depth);
    return s;
}

gxtkSurface* MakeSolidSurface(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    std::vector<uint8_t> pixels;
    pixels.reserve(static_cast<size_t>(width * height * 4));
    for (int i = 0; i < width * height; ++i)
        pixels.insert(pixels.end(), {r, g, b, a});
    return MakeSurface(width, height, 4, pixels);
}

void FakeGraphicsTest::SetUp() {
    fakegl::Reset();
    gc_reset();
    ResetFakeWindow(kWindowWidth, kWindowHeight);
    // Loading goes through the host's decoder; it needs the one host object,
    // which lives for the whole process as in the program.
    if (!BBGlfwGame::_glfwGame) new BBGlfwGame();
    glfwGraphicsSeq = 1;  // one window has been opened
    bb_graphics_InitGlobals();
    g = new gxtkGraphics();
    bb_graphics_SetGraphicsDevice(g);
    g->BeginRender();
    fakegl::ClearLog();
}

void FakeGraphicsTest::TearDown() {
    // gc_reset destroys every collected object: the globals must not keep
    // pointing at them.
    bb_graphics_device = nullptr;
    bb_graphics_renderDevice = nullptr;
    bb_graphics_context = nullptr;
    gc_reset();
}

void FakeGraphicsTest::BeginFrame() {
    g->BeginRender();
    bb_graphics_BeginRender();
}

}  // namespace graphics_test
