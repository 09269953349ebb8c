// The one window: its (re)creation in windowed or full-screen form, the
// graphics sequence number that tells textures their context is gone, and the
// desktop and video mode queries. A window that cannot be opened ends the
// process. Relies on the platform layer's GLFW 2 interface, which destroys
// the OpenGL context with the window.
#include <cstdlib>
#include <vector>

#include "host/events.h"
#include "host/glfwgame.h"
#include "platform/glfw2.h"

using namespace glfw2;

int glfwGraphicsSeq = 0;

const char* const kWindowTitle = "Dropling in A Vuro";

void BBGlfwGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha,
                               int depth, int stencil, bool fullscreen) {
    // The new window will never see the release of a key held across the
    // switch, so release every held key now.
    for (int key = 0; key <= GLFW_KEY_LAST; ++key) {
        const int code = TransKey(key);
        if (code != 0 && glfwGetKey(key) == GLFW_PRESS) KeyEvent(c_BBGameEvent::KeyUp, code);
    }
    // The same for a mouse button: the click that asked for the switch is
    // still down, and a pointer left down would make the next click a drag.
    int x = 0, y = 0;
    glfwGetMousePos(&x, &y);
    for (int button = 0; _heldMouseButtons >> button; ++button)
        if (_heldMouseButtons & (1 << button))
            MouseEvent(c_BBGameEvent::MouseUp, button, static_cast<float>(x), static_cast<float>(y));
    _heldMouseButtons = 0;

    GLFWvidmode desktop{};
    glfwGetDesktopMode(&desktop);

    glfwCloseWindow();
    glfwOpenWindowHint(GLFW_WINDOW_NO_RESIZE, 0);
    const int mode = fullscreen ? GLFW_FULLSCREEN : GLFW_WINDOW;
    const int opened = glfwOpenWindow(width, height, red, green, blue, alpha, depth, stencil, mode);
    ++glfwGraphicsSeq;
    // Without a window there is no OpenGL context for the application to
    // draw into: say why and end here, before any more application code runs.
    if (!opened) {
        bbPrint(String("host: the window could not be opened (") + String(width) + String("x") +
                String(height) + String(fullscreen ? ", full screen)" : ", windowed)"));
        glfwTerminate();
        exit(kExitError);
    }
    if (!fullscreen) {
        glfwSetWindowPos((desktop.Width - width) / 2, (desktop.Height - height) / 2);
        glfwSetWindowTitle(kWindowTitle);
    }

    glfwEnable(GLFW_KEY_REPEAT);
    // Events are polled by the loop only, never inside the buffer swap.
    glfwDisable(GLFW_AUTO_POLL_EVENTS);

    glfwSetKeyCallback(OnKey);
    glfwSetCharCallback(OnChar);
    glfwSetMouseButtonCallback(OnMouseButton);
    glfwSetMousePosCallback(OnMousePos);
    glfwSetWindowCloseCallback(OnWindowClose);
}

namespace {

// GLFW 2 orders a mode's colour bits red, blue, green; ours are red, green,
// blue.
BBGlfwVideoMode* NewVideoMode(const GLFWvidmode& mode) {
    BBGlfwVideoMode* m = new BBGlfwVideoMode();
    m->width = mode.Width;
    m->height = mode.Height;
    m->red = mode.RedBits;
    m->green = mode.GreenBits;
    m->blue = mode.BlueBits;
    return m;
}

}  // namespace

BBGlfwVideoMode* BBGlfwGame::GetGlfwDesktopMode() {
    GLFWvidmode mode{};
    glfwGetDesktopMode(&mode);
    return NewVideoMode(mode);
}

Array<BBGlfwVideoMode*> BBGlfwGame::GetGlfwVideoModes() {
    std::vector<GLFWvidmode> modes(kMaxVideoModes);
    int count = glfwGetVideoModes(modes.data(), kMaxVideoModes);
    if (count < 0) count = 0;
    if (count > kMaxVideoModes) count = kMaxVideoModes;
    Array<BBGlfwVideoMode*> result(count);
    for (int i = 0; i < count; ++i)
        gc_assign(result[i], NewVideoMode(modes[i]));
    return result;
}
