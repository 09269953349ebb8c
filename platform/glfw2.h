// The window, input and timer interface the host programs against: the
// classic single-window GLFW 2.7 calls, constants and key numbers.
//
// Everything lives in namespace glfw2 so that our functions get C++ names and
// never collide with the C symbols of the system's GLFW 3 library, which
// shares many of them (glfwInit, glfwPollEvents, glfwGetTime, ...). Callers
// bring the names in with `using namespace glfw2;` and write glfwInit() as
// usual. Do not include <GLFW/glfw3.h> in the same file: its macros carry the
// same names as the constants below, with different values.
//
// Two libraries define these functions, and a program links exactly one:
//   dropling_platform   the real layer over GLFW 3 (platform/glfw2_glfw3.cpp)
//   dropling_fake_glfw  a scripted fake for tests (tests/fakes/glfw_fake.h)
//
// Behaviour shared by both, as GLFW 2 had it:
//   - one window at a time; glfwOpenWindow makes a new window with a new
//     OpenGL context (current at once), closing any window still open;
//   - opening a window forgets all callbacks, clears key and mouse state,
//     switches key repeat off and automatic event polling on, and shows the
//     cursor; window hints apply to the next glfwOpenWindow only;
//   - callbacks run only inside glfwPollEvents, glfwWaitEvents and (while
//     automatic polling is on) glfwSwapBuffers; setting a callback while no
//     window is open does nothing; setting the mouse position callback calls
//     it once at once with the current position;
//   - the window-close callback returns non-zero to let the window close and
//     0 to keep it open; without a callback the window closes;
//   - a held key repeats its press only while GLFW_KEY_REPEAT is enabled;
//     characters come through the character callback with GLFW_PRESS only,
//     for printable characters (32-126 and from 160 up);
//   - odd-numbered joystick axes (the y axes) are positive upward.
#ifndef DROPLING_PLATFORM_GLFW2_H
#define DROPLING_PLATFORM_GLFW2_H

namespace glfw2 {

// ---- Versions, booleans, key actions ---------------------------------------

constexpr int GLFW_VERSION_MAJOR = 2;
constexpr int GLFW_VERSION_MINOR = 7;
constexpr int GLFW_VERSION_REVISION = 9;

constexpr int GLFW_RELEASE = 0;
constexpr int GLFW_PRESS = 1;

// ---- Key numbers -------------------------------------------------------------
// Printable keys are their upper-case ASCII code (GLFW_KEY_SPACE, '0'-'9',
// 'A'-'Z', punctuation); the others start at GLFW_KEY_SPECIAL.

constexpr int GLFW_KEY_UNKNOWN = -1;
constexpr int GLFW_KEY_SPACE = 32;
constexpr int GLFW_KEY_SPECIAL = 256;
constexpr int GLFW_KEY_ESC = GLFW_KEY_SPECIAL + 1;  // 257
constexpr int GLFW_KEY_F1 = GLFW_KEY_SPECIAL + 2;   // 258; F2 to F25 follow
constexpr int GLFW_KEY_F2 = GLFW_KEY_SPECIAL + 3;
constexpr int GLFW_KEY_F3 = GLFW_KEY_SPECIAL + 4;
constexpr int GLFW_KEY_F4 = GLFW_KEY_SPECIAL + 5;
constexpr int GLFW_KEY_F5 = GLFW_KEY_SPECIAL + 6;
constexpr int GLFW_KEY_F6 = GLFW_KEY_SPECIAL + 7;
constexpr int GLFW_KEY_F7 = GLFW_KEY_SPECIAL + 8;
constexpr int GLFW_KEY_F8 = GLFW_KEY_SPECIAL + 9;
constexpr int GLFW_KEY_F9 = GLFW_KEY_SPECIAL + 10;
constexpr int GLFW_KEY_F10 = GLFW_KEY_SPECIAL + 11;
constexpr int GLFW_KEY_F11 = GLFW_KEY_SPECIAL + 12;
constexpr int GLFW_KEY_F12 = GLFW_KEY_SPECIAL + 13;
constexpr int GLFW_KEY_F13 = GLFW_KEY_SPECIAL + 14;
constexpr int GLFW_KEY_F14 = GLFW_KEY_SPECIAL + 15;
constexpr int GLFW_KEY_F15 = GLFW_KEY_SPECIAL + 16;
constexpr int GLFW_KEY_F16 = GLFW_KEY_SPECIAL + 17;
constexpr int GLFW_KEY_F17 = GLFW_KEY_SPECIAL + 18;
constexpr int GLFW_KEY_F18 = GLFW_KEY_SPECIAL + 19;
constexpr int GLFW_KEY_F19 = GLFW_KEY_SPECIAL + 20;
constexpr int GLFW_KEY_F20 = GLFW_KEY_SPECIAL + 21;
constexpr int GLFW_KEY_F21 = GLFW_KEY_SPECIAL + 22;
constexpr int GLFW_KEY_F22 = GLFW_KEY_SPECIAL + 23;
constexpr int GLFW_KEY_F23 = GLFW_KEY_SPECIAL + 24;
constexpr int GLFW_KEY_F24 = GLFW_KEY_SPECIAL + 25;
constexpr int GLFW_KEY_F25 = GLFW_KEY_SPECIAL + 26;  // 282
constexpr int GLFW_KEY_UP = GLFW_KEY_SPECIAL + 27;   // 283
constexpr int GLFW_KEY_DOWN = GLFW_KEY_SPECIAL + 28;
constexpr int GLFW_KEY_LEFT = GLFW_KEY_SPECIAL + 29;
constexpr int GLFW_KEY_RIGHT = GLFW_KEY_SPECIAL + 30;
constexpr int GLFW_KEY_LSHIFT = GLFW_KEY_SPECIAL + 31;  // 287
constexpr int GLFW_KEY_RSHIFT = GLFW_KEY_SPECIAL + 32;
constexpr int GLFW_KEY_LCTRL = GLFW_KEY_SPECIAL + 33;
constexpr int GLFW_KEY_RCTRL = GLFW_KEY_SPECIAL + 34;
constexpr int GLFW_KEY_LALT = GLFW_KEY_SPECIAL + 35;
constexpr int GLFW_KEY_RALT = GLFW_KEY_SPECIAL + 36;
constexpr int GLFW_KEY_TAB = GLFW_KEY_SPECIAL + 37;  // 293
constexpr int GLFW_KEY_ENTER = GLFW_KEY_SPECIAL + 38;
constexpr int GLFW_KEY_BACKSPACE = GLFW_KEY_SPECIAL + 39;
constexpr int GLFW_KEY_INSERT = GLFW_KEY_SPECIAL + 40;
constexpr int GLFW_KEY_DEL = GLFW_KEY_SPECIAL + 41;
constexpr int GLFW_KEY_PAGEUP = GLFW_KEY_SPECIAL + 42;
constexpr int GLFW_KEY_PAGEDOWN = GLFW_KEY_SPECIAL + 43;
constexpr int GLFW_KEY_HOME = GLFW_KEY_SPECIAL + 44;
constexpr int GLFW_KEY_END = GLFW_KEY_SPECIAL + 45;   // 301
constexpr int GLFW_KEY_KP_0 = GLFW_KEY_SPECIAL + 46;  // 302; KP_1 to KP_9 follow
constexpr int GLFW_KEY_KP_1 = GLFW_KEY_SPECIAL + 47;
constexpr int GLFW_KEY_KP_2 = GLFW_KEY_SPECIAL + 48;
constexpr int GLFW_KEY_KP_3 = GLFW_KEY_SPECIAL + 49;
constexpr int GLFW_KEY_KP_4 = GLFW_KEY_SPECIAL + 50;
constexpr int GLFW_KEY_KP_5 = GLFW_KEY_SPECIAL + 51;
constexpr int GLFW_KEY_KP_6 = GLFW_KEY_SPECIAL + 52;
constexpr int GLFW_KEY_KP_7 = GLFW_KEY_SPECIAL + 53;
constexpr int GLFW_KEY_KP_8 = GLFW_KEY_SPECIAL + 54;
constexpr int GLFW_KEY_KP_9 = GLFW_KEY_SPECIAL + 55;
constexpr int GLFW_KEY_KP_DIVIDE = GLFW_KEY_SPECIAL + 56;  // 312
constexpr int GLFW_KEY_KP_MULTIPLY = GLFW_KEY_SPECIAL + 57;
constexpr int GLFW_KEY_KP_SUBTRACT = GLFW_KEY_SPECIAL + 58;
constexpr int GLFW_KEY_KP_ADD = GLFW_KEY_SPECIAL + 59;
constexpr int GLFW_KEY_KP_DECIMAL = GLFW_KEY_SPECIAL + 60;  // 316
constexpr int GLFW_KEY_KP_EQUAL = GLFW_KEY_SPECIAL + 61;
constexpr int GLFW_KEY_KP_ENTER = GLFW_KEY_SPECIAL + 62;
constexpr int GLFW_KEY_KP_NUM_LOCK = GLFW_KEY_SPECIAL + 63;
constexpr int GLFW_KEY_CAPS_LOCK = GLFW_KEY_SPECIAL + 64;
constexpr int GLFW_KEY_SCROLL_LOCK = GLFW_KEY_SPECIAL + 65;
constexpr int GLFW_KEY_PAUSE = GLFW_KEY_SPECIAL + 66;
constexpr int GLFW_KEY_LSUPER = GLFW_KEY_SPECIAL + 67;
constexpr int GLFW_KEY_RSUPER = GLFW_KEY_SPECIAL + 68;
constexpr int GLFW_KEY_MENU = GLFW_KEY_SPECIAL + 69;  // 325
constexpr int GLFW_KEY_LAST = GLFW_KEY_MENU;

// ---- Mouse buttons and joysticks ----------------------------------------------

constexpr int GLFW_MOUSE_BUTTON_1 = 0;
constexpr int GLFW_MOUSE_BUTTON_2 = 1;
constexpr int GLFW_MOUSE_BUTTON_3 = 2;
constexpr int GLFW_MOUSE_BUTTON_LAST = 7;
constexpr int GLFW_MOUSE_BUTTON_LEFT = GLFW_MOUSE_BUTTON_1;
constexpr int GLFW_MOUSE_BUTTON_RIGHT = GLFW_MOUSE_BUTTON_2;
constexpr int GLFW_MOUSE_BUTTON_MIDDLE = GLFW_MOUSE_BUTTON_3;

constexpr int GLFW_JOYSTICK_1 = 0;
constexpr int GLFW_JOYSTICK_LAST = 15;

// ---- glfwOpenWindow modes ------------------------------------------------------

constexpr int GLFW_WINDOW = 0x00010001;
constexpr int GLFW_FULLSCREEN = 0x00010002;

// ---- glfwGetWindowParam parameters and glfwOpenWindowHint targets -------------

constexpr int GLFW_OPENED = 0x00020001;
constexpr int GLFW_ACTIVE = 0x00020002;  // the window has input focus
constexpr int GLFW_ICONIFIED = 0x00020003;
constexpr int GLFW_ACCELERATED = 0x00020004;
constexpr int GLFW_RED_BITS = 0x00020005;
constexpr int GLFW_GREEN_BITS = 0x00020006;
constexpr int GLFW_BLUE_BITS = 0x00020007;
constexpr int GLFW_ALPHA_BITS = 0x00020008;
constexpr int GLFW_DEPTH_BITS = 0x00020009;
constexpr int GLFW_STENCIL_BITS = 0x0002000A;
constexpr int GLFW_REFRESH_RATE = 0x0002000B;
constexpr int GLFW_ACCUM_RED_BITS = 0x0002000C;
constexpr int GLFW_ACCUM_GREEN_BITS = 0x0002000D;
constexpr int GLFW_ACCUM_BLUE_BITS = 0x0002000E;
constexpr int GLFW_ACCUM_ALPHA_BITS = 0x0002000F;
constexpr int GLFW_AUX_BUFFERS = 0x00020010;
constexpr int GLFW_STEREO = 0x00020011;
constexpr int GLFW_WINDOW_NO_RESIZE = 0x00020012;
constexpr int GLFW_FSAA_SAMPLES = 0x00020013;
constexpr int GLFW_OPENGL_VERSION_MAJOR = 0x00020014;
constexpr int GLFW_OPENGL_VERSION_MINOR = 0x00020015;
constexpr int GLFW_OPENGL_FORWARD_COMPAT = 0x00020016;
constexpr int GLFW_OPENGL_DEBUG_CONTEXT = 0x00020017;
constexpr int GLFW_OPENGL_PROFILE = 0x00020018;

constexpr int GLFW_OPENGL_CORE_PROFILE = 0x00050001;
constexpr int GLFW_OPENGL_COMPAT_PROFILE = 0x00050002;

// ---- glfwEnable / glfwDisable tokens -------------------------------------------

constexpr int GLFW_MOUSE_CURSOR = 0x00030001;  // disabled: the cursor is hidden over the window
constexpr int GLFW_STICKY_KEYS = 0x00030002;
constexpr int GLFW_STICKY_MOUSE_BUTTONS = 0x00030003;
constexpr int GLFW_SYSTEM_KEYS = 0x00030004;
constexpr int GLFW_KEY_REPEAT = 0x00030005;
constexpr int GLFW_AUTO_POLL_EVENTS = 0x00030006;  // glfwSwapBuffers also polls events

// ---- glfwGetJoystickParam parameters --------------------------------------------

constexpr int GLFW_PRESENT = 0x00050001;
constexpr int GLFW_AXES = 0x00050002;
constexpr int GLFW_BUTTONS = 0x00050003;

// ---- Types ------------------------------------------------------------------------

// A display mode. The colour fields keep GLFW 2's order: red, BLUE, green.
struct GLFWvidmode {
    int Width, Height;
    int RedBits, BlueBits, GreenBits;
};

typedef int (*GLFWwindowclosefun)(void);  // return 0 to keep the window open
typedef void (*GLFWkeyfun)(int key, int action);
typedef void (*GLFWcharfun)(int character, int action);
typedef void (*GLFWmousebuttonfun)(int button, int action);
typedef void (*GLFWmouseposfun)(int x, int y);

// ---- Functions -----------------------------------------------------------------------

// Library. glfwInit returns 1 (also when already initialised) or 0 (no
// display); the timer starts at 0. glfwTerminate closes the
// window.
int glfwInit();
void glfwTerminate();

// Window. glfwOpenWindow(width, height, red, green, blue, alpha, depth,
// stencil, mode): colour bits 0 mean "the default"; width and height 0 mean
// 640 by 480 (one of them 0: 4:3 from the other); mode GLFW_WINDOW or
// GLFW_FULLSCREEN (the primary monitor). Returns 1 on success, else 0.
int glfwOpenWindow(int width, int height, int redbits, int greenbits, int bluebits, int alphabits,
                   int depthbits, int stencilbits, int mode);
void glfwOpenWindowHint(int target, int hint);
void glfwCloseWindow();
void glfwSetWindowTitle(const char* title);  // UTF-8
void glfwSetWindowPos(int x, int y);
void glfwGetWindowSize(int* width, int* height);  // 0, 0 without a window
int glfwGetWindowParam(int param);                // 0 for everything without a window
void glfwSwapBuffers();

// Display modes. glfwGetVideoModes fills at most maxcount modes and returns
// how many it filled, smallest first, one per size and colour depth.
int glfwGetVideoModes(GLFWvidmode* list, int maxcount);
void glfwGetDesktopMode(GLFWvidmode* mode);

// Events and input.
void glfwPollEvents();
void glfwWaitEvents();    // blocks until at least one event arrived
int glfwGetKey(int key);  // GLFW_PRESS or GLFW_RELEASE, for GLFW 2 key numbers
void glfwGetMousePos(int* xpos, int* ypos);
void glfwSetWindowCloseCallback(GLFWwindowclosefun cbfun);
void glfwSetKeyCallback(GLFWkeyfun cbfun);
void glfwSetCharCallback(GLFWcharfun cbfun);
void glfwSetMouseButtonCallback(GLFWmousebuttonfun cbfun);
void glfwSetMousePosCallback(GLFWmouseposfun cbfun);
void glfwEnable(int token);
void glfwDisable(int token);

// Joysticks 0-15. glfwGetJoystickPos and glfwGetJoystickButtons fill at most
// the given count and return how many they filled (0 when not present);
// buttons are GLFW_PRESS or GLFW_RELEASE bytes.
int glfwGetJoystickParam(int joy, int param);
int glfwGetJoystickPos(int joy, float* pos, int numaxes);
int glfwGetJoystickButtons(int joy, unsigned char* buttons, int numbuttons);

// Time, in seconds since glfwInit.
double glfwGetTime();
void glfwSleep(double time);

}  // namespace glfw2

#endif  // DROPLING_PLATFORM_GLFW2_H
