// The real OpenGL context of replay-render: a hidden GLFW 3 window whose
// back buffer the renderer draws into (the game's own window layer stays the
// fake), and the read-back of a frame. Kept in a file of its own because
// GLFW 3's header and the game's GLFW 2 interface name the same constants.
#include "tools/replay/render_context.h"

#include <GLFW/glfw3.h>

#include <algorithm>

namespace replay {

bool OpenRenderContext(int width, int height, std::string& error) {
    if (!glfwInit()) {
        error = "no X display for the real OpenGL (run under xvfb-run)";
        return false;
    }
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(width, height, "replay-render", nullptr, nullptr);
    if (!window) {
        error = "could not open an OpenGL window";
        return false;
    }
    glfwMakeContextCurrent(window);
    return true;
}

std::vector<uint8_t> ReadFrame(int width, int height) {
    std::vector<uint8_t> bottomUp(size_t(width) * size_t(height) * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> rows(bottomUp.size());
    const size_t pitch = size_t(width) * 3;
    for (int y = 0; y < height; ++y)
        std::copy_n(&bottomUp[size_t(height - 1 - y) * pitch], pitch, &rows[size_t(y) * pitch]);
    return rows;
}

}  // namespace replay
