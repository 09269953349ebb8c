// The GLFW 2.7 interface of platform/glfw2.h made over the system's GLFW 3:
// one window at a time, GLFW 2 key numbers, window-close veto, GLFW 2's
// enable switches, joysticks, display modes, the timer and sleep.
//
// Relies on GLFW 3 (X11 here) and OpenGL only for the colour-bit queries.
// GLFW 3's header defines macros with the names of our GLFW 2 constants, so
// the GLFW 2 values this file needs are copied into namespace v2 before that
// header is included, and every GLFW 3 function is called as ::glfwX (a plain
// glfwX inside namespace glfw2 would name our own function).
//
// Index:
//   1. GLFW 2 values under names of their own
//   2. State of the layer
//   3. Key translation
//   4. Input handlers fed by GLFW 3's callbacks
//   5. Library and window
//   6. Events, keys and mouse
//   7. Display modes
//   8. Joysticks
//   9. Time

#include "platform/glfw2.h"
#include "platform/glfw2_detail.h"
#include "platform/glfw2_shared.h"

// ============================================================================
// 1. GLFW 2 values under names of their own
// ============================================================================

namespace v2 {
constexpr int kRelease = glfw2::GLFW_RELEASE;
constexpr int kPress = glfw2::GLFW_PRESS;
constexpr int kKeyUnknown = glfw2::GLFW_KEY_UNKNOWN;
constexpr int kKeyLast = glfw2::GLFW_KEY_LAST;
constexpr int kKeyEsc = glfw2::GLFW_KEY_ESC;
constexpr int kKeyF1 = glfw2::GLFW_KEY_F1;
constexpr int kKeyUp = glfw2::GLFW_KEY_UP;
constexpr int kKeyDown = glfw2::GLFW_KEY_DOWN;
constexpr int kKeyLeft = glfw2::GLFW_KEY_LEFT;
constexpr int kKeyRight = glfw2::GLFW_KEY_RIGHT;
constexpr int kKeyLShift = glfw2::GLFW_KEY_LSHIFT;
constexpr int kKeyRShift = glfw2::GLFW_KEY_RSHIFT;
constexpr int kKeyLCtrl = glfw2::GLFW_KEY_LCTRL;
constexpr int kKeyRCtrl = glfw2::GLFW_KEY_RCTRL;
constexpr int kKeyLAlt = glfw2::GLFW_KEY_LALT;
constexpr int kKeyRAlt = glfw2::GLFW_KEY_RALT;
constexpr int kKeyTab = glfw2::GLFW_KEY_TAB;
constexpr int kKeyEnter = glfw2::GLFW_KEY_ENTER;
constexpr int kKeyBackspace = glfw2::GLFW_KEY_BACKSPACE;
constexpr int kKeyInsert = glfw2::GLFW_KEY_INSERT;
constexpr int kKeyDel = glfw2::GLFW_KEY_DEL;
constexpr int kKeyPageUp = glfw2::GLFW_KEY_PAGEUP;
constexpr int kKeyPageDown = glfw2::GLFW_KEY_PAGEDOWN;
constexpr int kKeyHome = glfw2::GLFW_KEY_HOME;
constexpr int kKeyEnd = glfw2::GLFW_KEY_END;
constexpr int kKeyKp0 = glfw2::GLFW_KEY_KP_0;
constexpr int kKeyKpDivide = glfw2::GLFW_KEY_KP_DIVIDE;
constexpr int kKeyKpMultiply = glfw2::GLFW_KEY_KP_MULTIPLY;
constexpr int kKeyKpSubtract = glfw2::GLFW_KEY_KP_SUBTRACT;
constexpr int kKeyKpAdd = glfw2::GLFW_KEY_KP_ADD;
constexpr int kKeyKpDecimal = glfw2::GLFW_KEY_KP_DECIMAL;
constexpr int kKeyKpEqual = glfw2::GLFW_KEY_KP_EQUAL;
constexpr int kKeyKpEnter = glfw2::GLFW_KEY_KP_ENTER;
constexpr int kKeyKpNumLock = glfw2::GLFW_KEY_KP_NUM_LOCK;
constexpr int kKeyCapsLock = glfw2::GLFW_KEY_CAPS_LOCK;
constexpr int kKeyScrollLock = glfw2::GLFW_KEY_SCROLL_LOCK;
constexpr int kKeyPause = glfw2::GLFW_KEY_PAUSE;
constexpr int kKeyLSuper = glfw2::GLFW_KEY_LSUPER;
constexpr int kKeyRSuper = glfw2::GLFW_KEY_RSUPER;
constexpr int kKeyMenu = glfw2::GLFW_KEY_MENU;

constexpr int kFullscreen = glfw2::GLFW_FULLSCREEN;

constexpr int kOpened = glfw2::GLFW_OPENED;
constexpr int kActive = glfw2::GLFW_ACTIVE;
constexpr int kIconified = glfw2::GLFW_ICONIFIED;
constexpr int kAccelerated = glfw2::GLFW_ACCELERATED;
constexpr int kRedBits = glfw2::GLFW_RED_BITS;
constexpr int kGreenBits = glfw2::GLFW_GREEN_BITS;
constexpr int kBlueBits = glfw2::GLFW_BLUE_BITS;
constexpr int kAlphaBits = glfw2::GLFW_ALPHA_BITS;
constexpr int kDepthBits = glfw2::GLFW_DEPTH_BITS;
constexpr int kStencilBits = glfw2::GLFW_STENCIL_BITS;
constexpr int kRefreshRate = glfw2::GLFW_REFRESH_RATE;
constexpr int kAccumRedBits = glfw2::GLFW_ACCUM_RED_BITS;
constexpr int kAccumGreenBits = glfw2::GLFW_ACCUM_GREEN_BITS;
constexpr int kAccumBlueBits = glfw2::GLFW_ACCUM_BLUE_BITS;
constexpr int kAccumAlphaBits = glfw2::GLFW_ACCUM_ALPHA_BITS;
constexpr int kAuxBuffers = glfw2::GLFW_AUX_BUFFERS;
constexpr int kStereo = glfw2::GLFW_STEREO;
constexpr int kWindowNoResize = glfw2::GLFW_WINDOW_NO_RESIZE;
constexpr int kFsaaSamples = glfw2::GLFW_FSAA_SAMPLES;
constexpr int kVersionMajor = glfw2::GLFW_OPENGL_VERSION_MAJOR;
constexpr int kVersionMinor = glfw2::GLFW_OPENGL_VERSION_MINOR;
constexpr int kForwardCompat = glfw2::GLFW_OPENGL_FORWARD_COMPAT;
constexpr int kDebugContext = glfw2::GLFW_OPENGL_DEBUG_CONTEXT;
constexpr int kProfile = glfw2::GLFW_OPENGL_PROFILE;
constexpr int kCoreProfile = glfw2::GLFW_OPENGL_CORE_PROFILE;
constexpr int kCompatProfile = glfw2::GLFW_OPENGL_COMPAT_PROFILE;

constexpr int kMouseCursor = glfw2::GLFW_MOUSE_CURSOR;
constexpr int kStickyKeys = glfw2::GLFW_STICKY_KEYS;
constexpr int kStickyMouseButtons = glfw2::GLFW_STICKY_MOUSE_BUTTONS;
constexpr int kSystemKeys = glfw2::GLFW_SYSTEM_KEYS;
constexpr int kKeyRepeat = glfw2::GLFW_KEY_REPEAT;
constexpr int kAutoPollEvents = glfw2::GLFW_AUTO_POLL_EVENTS;

constexpr int kPresent = glfw2::GLFW_PRESENT;
constexpr int kAxes = glfw2::GLFW_AXES;
constexpr int kButtons = glfw2::GLFW_BUTTONS;
constexpr int kJoystickLast = glfw2::GLFW_JOYSTICK_LAST;
}  // namespace v2

#include <GLFW/glfw3.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

// ============================================================================
// 2. State of the layer
// ============================================================================

constexpr const char* kDefaultTitle = "GLFW Window";
constexpr int kHintCount = v2::kProfile - v2::kRefreshRate + 1;

// Hints for the next window, indexed by target - GLFW_REFRESH_RATE.
struct Hints {
    int value[kHintCount] = {};
    int& operator[](int target) { return value[target - v2::kRefreshRate]; }
    int operator[](int target) const { return value[target - v2::kRefreshRate]; }
    static bool Known(int target) { return target >= v2::kRefreshRate && target <= v2::kProfile; }
};

struct Layer {
    bool initialised = false;
    GLFWwindow* window = nullptr;
    bool fullscreen = false;
    std::string title = kDefaultTitle;
    Hints nextHints;  // for the next glfwOpenWindow; cleared by it
    Hints usedHints;  // what the open window was asked for

    // GLFW 2's enable switches; glfwOpenWindow resets them.
    bool keyRepeat = false;
    bool autoPoll = true;

    glfw2::shared::WindowCallbacks callbacks;

    // GLFW 3 reports a key before the character it types: whether that key
    // was a repeat decides whether the character is one.
    bool lastKeyWasRepeat = false;
    // Positions are whole pixels; GLFW 3 may report fractions, and a move
    // within one pixel is no move.
    int mouseX = 0;
    int mouseY = 0;

    // Focus and minimisation as the window's events report them. A new
    // window counts as focused until told otherwise, as in GLFW 2: a window
    // manager hands over focus a little after the window appears, and the
    // loop must not take that moment for the player switching away.
    bool active = false;
    bool iconified = false;
};

Layer layer;

void ResetWindowInput() {
    layer.keyRepeat = false;
    layer.autoPoll = true;
    layer.callbacks = glfw2::shared::WindowCallbacks();
    layer.lastKeyWasRepeat = false;
    layer.mouseX = 0;
    layer.mouseY = 0;
    layer.active = false;
    layer.iconified = false;
}

void DestroyWindow() {
    if (!layer.window) return;
    ::glfwDestroyWindow(layer.window);
    layer.window = nullptr;
    layer.fullscreen = false;
    ResetWindowInput();
}

void ReportGlfwError(int code, const char* description) {
    std::fprintf(stderr, "platform: GLFW error %d: %s\n", code, description ? description : "");
}

// ============================================================================
// 3. Key translation
// ============================================================================

struct KeyPair {
    int glfw3;
    int glfw2;
};

// Keys whose numbers differ. Printable keys (space to grave accent) carry
// their ASCII code in both versions and need no entry.
constexpr KeyPair kSpecialKeys[] = {
    {GLFW_KEY_ESCAPE, v2::kKeyEsc},
    {GLFW_KEY_ENTER, v2::kKeyEnter},
    {GLFW_KEY_TAB, v2::kKeyTab},
    {GLFW_KEY_BACKSPACE, v2::kKeyBackspace},
    {GLFW_KEY_INSERT, v2::kKeyInsert},
    {GLFW_KEY_DELETE, v2::kKeyDel},
    {GLFW_KEY_RIGHT, v2::kKeyRight},
    {GLFW_KEY_LEFT, v2::kKeyLeft},
    {GLFW_KEY_DOWN, v2::kKeyDown},
    {GLFW_KEY_UP, v2::kKeyUp},
    {GLFW_KEY_PAGE_UP, v2::kKeyPageUp},
    {GLFW_KEY_PAGE_DOWN, v2::kKeyPageDown},
    {GLFW_KEY_HOME, v2::kKeyHome},
    {GLFW_KEY_END, v2::kKeyEnd},
    {GLFW_KEY_CAPS_LOCK, v2::kKeyCapsLock},
    {GLFW_KEY_SCROLL_LOCK, v2::kKeyScrollLock},
    {GLFW_KEY_NUM_LOCK, v2::kKeyKpNumLock},
    {GLFW_KEY_PAUSE, v2::kKeyPause},
    {GLFW_KEY_KP_DECIMAL, v2::kKeyKpDecimal},
    {GLFW_KEY_KP_DIVIDE, v2::kKeyKpDivide},
    {GLFW_KEY_KP_MULTIPLY, v2::kKeyKpMultiply},
    {GLFW_KEY_KP_SUBTRACT, v2::kKeyKpSubtract},
    {GLFW_KEY_KP_ADD, v2::kKeyKpAdd},
    {GLFW_KEY_KP_ENTER, v2::kKeyKpEnter},
    {GLFW_KEY_KP_EQUAL, v2::kKeyKpEqual},
    {GLFW_KEY_LEFT_SHIFT, v2::kKeyLShift},
    {GLFW_KEY_LEFT_CONTROL, v2::kKeyLCtrl},
    {GLFW_KEY_LEFT_ALT, v2::kKeyLAlt},
    {GLFW_KEY_LEFT_SUPER, v2::kKeyLSuper},
    {GLFW_KEY_RIGHT_SHIFT, v2::kKeyRShift},
    {GLFW_KEY_RIGHT_CONTROL, v2::kKeyRCtrl},
    {GLFW_KEY_RIGHT_ALT, v2::kKeyRAlt},
    {GLFW_KEY_RIGHT_SUPER, v2::kKeyRSuper},
    {GLFW_KEY_MENU, v2::kKeyMenu},
};

constexpr int kFunctionKeys = 25;  // F1 to F25, consecutive in both versions
constexpr int kKeypadDigits = 10;

int TranslateKey(int key) {
    if (key >= GLFW_KEY_SPACE && key <= GLFW_KEY_GRAVE_ACCENT) return key;
    if (key >= GLFW_KEY_F1 && key < GLFW_KEY_F1 + kFunctionKeys)
        return v2::kKeyF1 + key - GLFW_KEY_F1;
    if (key >= GLFW_KEY_KP_0 && key < GLFW_KEY_KP_0 + kKeypadDigits)
        return v2::kKeyKp0 + key - GLFW_KEY_KP_0;
    for (const KeyPair& pair : kSpecialKeys) {
        if (pair.glfw3 == key) return pair.glfw2;
    }
    return v2::kKeyUnknown;
}

// The printable GLFW 3 keys; the gaps between them are no keys at all, and
// asking GLFW 3 about those is an error.
constexpr int kPrintableKeys[] = {
    GLFW_KEY_SPACE,        GLFW_KEY_APOSTROPHE, GLFW_KEY_COMMA,         GLFW_KEY_MINUS,
    GLFW_KEY_PERIOD,       GLFW_KEY_SLASH,      GLFW_KEY_SEMICOLON,     GLFW_KEY_EQUAL,
    GLFW_KEY_LEFT_BRACKET, GLFW_KEY_BACKSLASH,  GLFW_KEY_RIGHT_BRACKET, GLFW_KEY_GRAVE_ACCENT,
};

// GLFW 3 keys that report a GLFW 2 key, for glfwGetKey. Built once.
const std::vector<int>& Glfw3KeysOf(int glfw2Key) {
    static std::vector<std::vector<int>> table = [] {
        std::vector<std::vector<int>> t(v2::kKeyLast + 1);
        auto add = [&t](int key3) { t[TranslateKey(key3)].push_back(key3); };
        for (int key : kPrintableKeys)
            add(key);
        for (int key = GLFW_KEY_0; key <= GLFW_KEY_9; ++key)
            add(key);
        for (int key = GLFW_KEY_A; key <= GLFW_KEY_Z; ++key)
            add(key);
        for (int i = 0; i < kFunctionKeys; ++i)
            add(GLFW_KEY_F1 + i);
        for (int i = 0; i < kKeypadDigits; ++i)
            add(GLFW_KEY_KP_0 + i);
        for (const KeyPair& pair : kSpecialKeys)
            add(pair.glfw3);
        return t;
    }();
    static const std::vector<int> none;
    if (glfw2Key < 0 || glfw2Key > v2::kKeyLast) return none;
    return table[glfw2Key];
}

// ============================================================================
// 4. Input handlers fed by GLFW 3's callbacks
// ============================================================================

void KeyCallback3(GLFWwindow*, int key, int, int action, int) {
    glfw2::detail::OnGlfw3Key(key, action);
}

void CharCallback3(GLFWwindow*, unsigned int codepoint) {
    glfw2::detail::OnGlfw3Char(codepoint);
}

void MouseButtonCallback3(GLFWwindow*, int button, int action, int) {
    if (layer.callbacks.onMouseButton)
        layer.callbacks.onMouseButton(button, action == GLFW_PRESS ? v2::kPress : v2::kRelease);
}

void CursorPosCallback3(GLFWwindow*, double x, double y) {
    glfw2::shared::MoveCursor(layer.callbacks, layer.mouseX, layer.mouseY,
                              static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

// GLFW 3 has already marked the window to close; a callback that says 0
// takes that back. A window that stays marked is destroyed after the poll,
// as GLFW 2 closed it.
void CloseCallback3(GLFWwindow* window) {
    if (glfw2::shared::CloseVetoed(layer.callbacks)) ::glfwSetWindowShouldClose(window, GLFW_FALSE);
}

void FocusCallback3(GLFWwindow*, int focused) {
    layer.active = focused == GLFW_TRUE;
}

void IconifyCallback3(GLFWwindow*, int iconified) {
    layer.iconified = iconified == GLFW_TRUE;
}

void CloseIfAsked() {
    if (layer.window && ::glfwWindowShouldClose(layer.window)) DestroyWindow();
}

int ColourHint(int bits) {
    return bits > 0 ? bits : GLFW_DONT_CARE;
}

void ApplyHints(const Hints& h, int red, int green, int blue, int alpha, int depth, int stencil) {
    ::glfwDefaultWindowHints();
    ::glfwWindowHint(GLFW_RED_BITS, ColourHint(red));
    ::glfwWindowHint(GLFW_GREEN_BITS, ColourHint(green));
    ::glfwWindowHint(GLFW_BLUE_BITS, ColourHint(blue));
    ::glfwWindowHint(GLFW_ALPHA_BITS, alpha);
    ::glfwWindowHint(GLFW_DEPTH_BITS, depth);
    ::glfwWindowHint(GLFW_STENCIL_BITS, stencil);
    ::glfwWindowHint(GLFW_RESIZABLE, h[v2::kWindowNoResize] ? GLFW_FALSE : GLFW_TRUE);
    ::glfwWindowHint(GLFW_REFRESH_RATE,
                     h[v2::kRefreshRate] > 0 ? h[v2::kRefreshRate] : GLFW_DONT_CARE);
    ::glfwWindowHint(GLFW_ACCUM_RED_BITS, h[v2::kAccumRedBits]);
    ::glfwWindowHint(GLFW_ACCUM_GREEN_BITS, h[v2::kAccumGreenBits]);
    ::glfwWindowHint(GLFW_ACCUM_BLUE_BITS, h[v2::kAccumBlueBits]);
    ::glfwWindowHint(GLFW_ACCUM_ALPHA_BITS, h[v2::kAccumAlphaBits]);
    ::glfwWindowHint(GLFW_AUX_BUFFERS, h[v2::kAuxBuffers]);
    ::glfwWindowHint(GLFW_STEREO, h[v2::kStereo] ? GLFW_TRUE : GLFW_FALSE);
    ::glfwWindowHint(GLFW_SAMPLES, h[v2::kFsaaSamples]);
    if (h[v2::kVersionMajor] > 0) {
        ::glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, h[v2::kVersionMajor]);
        ::glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, h[v2::kVersionMinor]);
    }
    ::glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, h[v2::kForwardCompat] ? GLFW_TRUE : GLFW_FALSE);
    ::glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, h[v2::kDebugContext] ? GLFW_TRUE : GLFW_FALSE);
    if (h[v2::kProfile] == v2::kCoreProfile)
        ::glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    if (h[v2::kProfile] == v2::kCompatProfile)
        ::glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_COMPAT_PROFILE);
}

int GlInteger(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

}  // namespace

// ============================================================================
// 4 (continued). The handlers, open to tests through glfw2_detail.h
// ============================================================================

namespace glfw2::detail {

int KeyFromGlfw3(int glfw3Key) {
    return TranslateKey(glfw3Key);
}

void OnGlfw3Key(int glfw3Key, int glfw3Action) {
    layer.lastKeyWasRepeat = glfw3Action == GLFW_REPEAT;
    int key = TranslateKey(glfw3Key);
    if (key == v2::kKeyUnknown || !layer.callbacks.onKey) return;
    if (glfw3Action == GLFW_REPEAT) {
        if (!layer.keyRepeat) return;
        layer.callbacks.onKey(key, v2::kPress);
        return;
    }
    layer.callbacks.onKey(key, glfw3Action == GLFW_PRESS ? v2::kPress : v2::kRelease);
}

void OnGlfw3Char(unsigned int codepoint) {
    if (!glfw2::shared::PrintableCharacter(codepoint) || !layer.callbacks.onChar) return;
    if (layer.lastKeyWasRepeat && !layer.keyRepeat) return;
    layer.callbacks.onChar(static_cast<int>(codepoint), v2::kPress);
}

}  // namespace glfw2::detail

namespace glfw2 {

// ============================================================================
// 5. Library and window
// ============================================================================

int glfwInit() {
    if (layer.initialised) return 1;
    ::glfwSetErrorCallback(ReportGlfwError);
    if (!::glfwInit()) return 0;
    layer.initialised = true;
    return 1;
}

void glfwTerminate() {
    if (!layer.initialised) return;
    DestroyWindow();
    ::glfwTerminate();
    layer = Layer();
}

int glfwOpenWindow(int width, int height, int redbits, int greenbits, int bluebits, int alphabits,
                   int depthbits, int stencilbits, int mode) {
    if (!layer.initialised) return 0;
    if (!glfw2::shared::KnownWindowMode(mode)) return 0;
    DestroyWindow();
    glfw2::shared::FillWindowSize(width, height);

    layer.usedHints = layer.nextHints;
    layer.nextHints = Hints();
    ApplyHints(layer.usedHints, redbits, greenbits, bluebits, alphabits, depthbits, stencilbits);

    GLFWmonitor* monitor = nullptr;
    if (mode == v2::kFullscreen) {
        monitor = ::glfwGetPrimaryMonitor();
        if (!monitor) return 0;
    }
    layer.title = kDefaultTitle;
    GLFWwindow* window = ::glfwCreateWindow(width, height, layer.title.c_str(), monitor, nullptr);
    if (!window) return 0;

    layer.window = window;
    layer.fullscreen = monitor != nullptr;
    ResetWindowInput();
    ::glfwMakeContextCurrent(window);
    ::glfwSetKeyCallback(window, KeyCallback3);
    ::glfwSetCharCallback(window, CharCallback3);
    ::glfwSetMouseButtonCallback(window, MouseButtonCallback3);
    ::glfwSetCursorPosCallback(window, CursorPosCallback3);
    ::glfwSetWindowCloseCallback(window, CloseCallback3);
    ::glfwSetWindowFocusCallback(window, FocusCallback3);
    ::glfwSetWindowIconifyCallback(window, IconifyCallback3);
    layer.active = true;
    double x = 0, y = 0;
    ::glfwGetCursorPos(window, &x, &y);
    layer.mouseX = static_cast<int>(std::floor(x));
    layer.mouseY = static_cast<int>(std::floor(y));
    return 1;
}

void glfwOpenWindowHint(int target, int hint) {
    if (!layer.initialised || !Hints::Known(target)) return;
    layer.nextHints[target] = hint;
}

void glfwCloseWindow() {
    DestroyWindow();
}

void glfwSetWindowTitle(const char* title) {
    if (!layer.window || !title) return;
    layer.title = title;
    ::glfwSetWindowTitle(layer.window, title);
}

void glfwSetWindowPos(int x, int y) {
    if (!layer.window || layer.fullscreen) return;
    ::glfwSetWindowPos(layer.window, x, y);
}

void glfwGetWindowSize(int* width, int* height) {
    int w = 0, h = 0;
    if (layer.window) ::glfwGetWindowSize(layer.window, &w, &h);
    if (width) *width = w;
    if (height) *height = h;
}

int glfwGetWindowParam(int param) {
    if (param == v2::kOpened) return layer.window ? 1 : 0;
    if (!layer.window) return 0;
    switch (param) {
        case v2::kActive:
            return layer.active ? 1 : 0;
        case v2::kIconified:
            return layer.iconified ? 1 : 0;
        case v2::kAccelerated:
            return 1;
        case v2::kRedBits:
            return GlInteger(GL_RED_BITS);
        case v2::kGreenBits:
            return GlInteger(GL_GREEN_BITS);
        case v2::kBlueBits:
            return GlInteger(GL_BLUE_BITS);
        case v2::kAlphaBits:
            return GlInteger(GL_ALPHA_BITS);
        case v2::kDepthBits:
            return GlInteger(GL_DEPTH_BITS);
        case v2::kStencilBits:
            return GlInteger(GL_STENCIL_BITS);
        case v2::kRefreshRate: {
            GLFWmonitor* monitor = ::glfwGetWindowMonitor(layer.window);
            const ::GLFWvidmode* mode = monitor ? ::glfwGetVideoMode(monitor) : nullptr;
            return mode ? mode->refreshRate : 0;
        }
        case v2::kWindowNoResize:
            return ::glfwGetWindowAttrib(layer.window, GLFW_RESIZABLE) ? 0 : 1;
        case v2::kVersionMajor:
            return ::glfwGetWindowAttrib(layer.window, GLFW_CONTEXT_VERSION_MAJOR);
        case v2::kVersionMinor:
            return ::glfwGetWindowAttrib(layer.window, GLFW_CONTEXT_VERSION_MINOR);
        default:
            // The remaining hints cannot be read back: report what was asked.
            return Hints::Known(param) ? layer.usedHints[param] : 0;
    }
}

void glfwSwapBuffers() {
    if (!layer.window) return;
    ::glfwSwapBuffers(layer.window);
    if (layer.autoPoll) glfwPollEvents();
}

// ============================================================================
// 6. Events, keys and mouse
// ============================================================================

void glfwPollEvents() {
    if (!layer.initialised) return;
    ::glfwPollEvents();
    CloseIfAsked();
}

void glfwWaitEvents() {
    if (!layer.initialised) return;
    // Without a window nothing could ever wake the wait.
    if (!layer.window) return;
    ::glfwWaitEvents();
    CloseIfAsked();
}

int glfwGetKey(int key) {
    if (!layer.window) return v2::kRelease;
    for (int key3 : Glfw3KeysOf(key)) {
        if (::glfwGetKey(layer.window, key3) == GLFW_PRESS) return v2::kPress;
    }
    return v2::kRelease;
}

void glfwGetMousePos(int* xpos, int* ypos) {
    if (layer.window) {
        double x = 0, y = 0;
        ::glfwGetCursorPos(layer.window, &x, &y);
        layer.mouseX = static_cast<int>(std::floor(x));
        layer.mouseY = static_cast<int>(std::floor(y));
    }
    if (xpos) *xpos = layer.mouseX;
    if (ypos) *ypos = layer.mouseY;
}

void glfwSetWindowCloseCallback(GLFWwindowclosefun cbfun) {
    if (layer.window) layer.callbacks.onClose = cbfun;
}

void glfwSetKeyCallback(GLFWkeyfun cbfun) {
    if (layer.window) layer.callbacks.onKey = cbfun;
}

void glfwSetCharCallback(GLFWcharfun cbfun) {
    if (layer.window) layer.callbacks.onChar = cbfun;
}

void glfwSetMouseButtonCallback(GLFWmousebuttonfun cbfun) {
    if (layer.window) layer.callbacks.onMouseButton = cbfun;
}

void glfwSetMousePosCallback(GLFWmouseposfun cbfun) {
    if (layer.window)
        glfw2::shared::SetMousePosCallback(layer.callbacks, cbfun, layer.mouseX, layer.mouseY);
}

namespace {
void SetSwitch(int token, bool on) {
    switch (token) {
        case v2::kKeyRepeat:
            layer.keyRepeat = on;
            return;
        case v2::kAutoPollEvents:
            layer.autoPoll = on;
            return;
        default:
            break;
    }
    if (!layer.window) return;
    switch (token) {
        case v2::kMouseCursor:
            // Hidden over the window only: the player's pointer is never
            // captured by the game.
            ::glfwSetInputMode(layer.window, GLFW_CURSOR,
                               on ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
            return;
        case v2::kStickyKeys:
            ::glfwSetInputMode(layer.window, GLFW_STICKY_KEYS, on ? GLFW_TRUE : GLFW_FALSE);
            return;
        case v2::kStickyMouseButtons:
            ::glfwSetInputMode(layer.window, GLFW_STICKY_MOUSE_BUTTONS,
                               on ? GLFW_TRUE : GLFW_FALSE);
            return;
        case v2::kSystemKeys:  // nothing to switch on this desktop
        default:
            return;
    }
}
}  // namespace

void glfwEnable(int token) {
    SetSwitch(token, true);
}
void glfwDisable(int token) {
    SetSwitch(token, false);
}

// ============================================================================
// 7. Display modes
// ============================================================================

namespace {
GLFWvidmode ToGlfw2Mode(const ::GLFWvidmode& m) {
    GLFWvidmode out;
    out.Width = m.width;
    out.Height = m.height;
    out.RedBits = m.redBits;
    out.BlueBits = m.blueBits;
    out.GreenBits = m.greenBits;
    return out;
}

bool SameMode(const GLFWvidmode& a, const GLFWvidmode& b) {
    return a.Width == b.Width && a.Height == b.Height && a.RedBits == b.RedBits &&
           a.GreenBits == b.GreenBits && a.BlueBits == b.BlueBits;
}
}  // namespace

int glfwGetVideoModes(GLFWvidmode* list, int maxcount) {
    if (!layer.initialised || !list || maxcount <= 0) return 0;
    GLFWmonitor* monitor = ::glfwGetPrimaryMonitor();
    if (!monitor) return 0;
    int count = 0;
    const ::GLFWvidmode* modes = ::glfwGetVideoModes(monitor, &count);
    // GLFW 3 sorts by depth, then area, then refresh rate, and lists a size
    // once per refresh rate; GLFW 2 listed each size and depth once.
    int filled = 0;
    for (int i = 0; i < count && filled < maxcount; ++i) {
        GLFWvidmode mode = ToGlfw2Mode(modes[i]);
        if (filled > 0 && SameMode(list[filled - 1], mode)) continue;
        list[filled++] = mode;
    }
    return filled;
}

void glfwGetDesktopMode(GLFWvidmode* mode) {
    if (!mode) return;
    *mode = GLFWvidmode{0, 0, 0, 0, 0};
    if (!layer.initialised) return;
    GLFWmonitor* monitor = ::glfwGetPrimaryMonitor();
    const ::GLFWvidmode* current = monitor ? ::glfwGetVideoMode(monitor) : nullptr;
    if (current) *mode = ToGlfw2Mode(*current);
}

// ============================================================================
// 8. Joysticks
// ============================================================================

namespace {
bool JoystickUsable(int joy) {
    return layer.initialised && joy >= 0 && joy <= v2::kJoystickLast && ::glfwJoystickPresent(joy);
}
}  // namespace

int glfwGetJoystickParam(int joy, int param) {
    if (!JoystickUsable(joy)) return 0;
    int count = 0;
    switch (param) {
        case v2::kPresent:
            return 1;
        case v2::kAxes:
            ::glfwGetJoystickAxes(joy, &count);
            return count;
        case v2::kButtons:
            ::glfwGetJoystickButtons(joy, &count);
            return count;
        default:
            return 0;
    }
}

int glfwGetJoystickPos(int joy, float* pos, int numaxes) {
    if (!pos || numaxes <= 0 || !JoystickUsable(joy)) return 0;
    int count = 0;
    const float* axes = ::glfwGetJoystickAxes(joy, &count);
    if (!axes) return 0;
    int n = count < numaxes ? count : numaxes;
    for (int i = 0; i < n; ++i) {
        // GLFW 3 reports y axes positive downward; GLFW 2 programs expect up.
        pos[i] = (i & 1) ? -axes[i] : axes[i];
    }
    return n;
}

int glfwGetJoystickButtons(int joy, unsigned char* buttons, int numbuttons) {
    if (!buttons || numbuttons <= 0 || !JoystickUsable(joy)) return 0;
    int count = 0;
    const unsigned char* state = ::glfwGetJoystickButtons(joy, &count);
    if (!state) return 0;
    int n = count < numbuttons ? count : numbuttons;
    for (int i = 0; i < n; ++i) {
        buttons[i] = state[i] == GLFW_PRESS ? v2::kPress : v2::kRelease;
    }
    return n;
}

// ============================================================================
// 9. Time
// ============================================================================

double glfwGetTime() {
    return layer.initialised ? ::glfwGetTime() : 0.0;
}

void glfwSleep(double time) {
    if (!(time > 0.0)) return;  // also refuses NaN
    double whole = std::floor(time);
    timespec left;
    left.tv_sec = static_cast<time_t>(whole);
    left.tv_nsec = static_cast<long>((time - whole) * 1e9);
    // A signal cuts the sleep short; sleep on for what is left.
    while (nanosleep(&left, &left) == -1 && errno == EINTR) {
    }
}

}  // namespace glfw2
