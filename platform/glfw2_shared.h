// GLFW 2 rules that do not depend on where windows and events come from,
// shared by the real layer (platform/glfw2_glfw3.cpp) and the scripted test
// fake (tests/fakes/glfw_fake.cpp): the sizes glfwOpenWindow fills in, the
// window modes it accepts, the characters the character callback sees, the
// program's callbacks for the open window and how a cursor move reaches them.
//
// Header-only on purpose: the fake replaces the real layer at link time and
// must not need its object file.
//
// The real layer includes this before <GLFW/glfw3.h>, whose macros carry the
// names of the GLFW 2 constants used here.
#ifndef DROPLING_PLATFORM_GLFW2_SHARED_H
#define DROPLING_PLATFORM_GLFW2_SHARED_H

#include "platform/glfw2.h"

namespace glfw2::shared {

constexpr int kDefaultWidth = 640;  // GLFW 2's size for glfwOpenWindow(0, 0, ...)
constexpr int kDefaultHeight = 480;

// GLFW 2's sizes: nothing asked gives 640 by 480, one side alone 4:3.
inline void FillWindowSize(int& width, int& height) {
    if (width <= 0 && height <= 0) {
        width = kDefaultWidth;
        height = kDefaultHeight;
    } else if (width <= 0) {
        width = height * 4 / 3;
    } else if (height <= 0) {
        height = width * 3 / 4;
    }
}

inline bool KnownWindowMode(int mode) {
    return mode == GLFW_WINDOW || mode == GLFW_FULLSCREEN;
}

// Printable ASCII and Latin-1 onward; control characters never reach the
// character callback.
inline bool PrintableCharacter(unsigned int c) {
    return (c >= 32 && c <= 126) || c >= 160;
}

// The program's callbacks for the open window; opening a window forgets them.
struct WindowCallbacks {
    GLFWwindowclosefun onClose = nullptr;
    GLFWkeyfun onKey = nullptr;
    GLFWcharfun onChar = nullptr;
    GLFWmousebuttonfun onMouseButton = nullptr;
    GLFWmouseposfun onMousePos = nullptr;
};

// Positions are whole pixels: a move to where the cursor already is (say,
// within one pixel) is no move and calls nothing.
inline void MoveCursor(const WindowCallbacks& callbacks, int& x, int& y, int toX, int toY) {
    if (toX == x && toY == y) return;
    x = toX;
    y = toY;
    if (callbacks.onMousePos) callbacks.onMousePos(x, y);
}

// The program learns where the cursor is without waiting for a move.
inline void SetMousePosCallback(WindowCallbacks& callbacks, GLFWmouseposfun cbfun, int x, int y) {
    callbacks.onMousePos = cbfun;
    if (cbfun) cbfun(x, y);
}

// A close callback that returns 0 keeps the window open; without one it closes.
inline bool CloseVetoed(const WindowCallbacks& callbacks) {
    return callbacks.onClose && callbacks.onClose() == 0;
}

}  // namespace glfw2::shared

#endif  // DROPLING_PLATFORM_GLFW2_SHARED_H
