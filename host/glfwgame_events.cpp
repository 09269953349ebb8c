// From window events to the host's events: the GLFW key translation table,
// the key-to-character table, the five window callbacks, joystick polling and
// the mouse cursor. The callbacks run inside the loop's event polling and
// reach the application only through the host's guarded event wrappers.
// Relies on the platform layer's GLFW 2 interface and key numbers.
#include <array>
#include <cstdint>

#include "host/events.h"
#include "host/glfwgame.h"
#include "platform/glfw2.h"

using namespace glfw2;

// ---------------------------------------------------------------------------
// Key translation
// ---------------------------------------------------------------------------

namespace {

// GLFW 2 keys from 32 to 316 are looked up in one table of byte entries
// indexed by key number minus 32; digits and letters never reach it.
constexpr int kTableFirstKey = 32;
constexpr int kTableLastKey = 316;
constexpr int kTableSize = kTableLastKey - kTableFirstKey + 1;

using KeyTable = std::array<uint8_t, kTableSize>;

constexpr void Map(KeyTable& table, int key, int code) {
    table[key - kTableFirstKey] = static_cast<uint8_t>(code);
}

constexpr KeyTable MakeKeyTable() {
    KeyTable t{};
    Map(t, GLFW_KEY_SPACE, KEY_SPACE);
    Map(t, '\'', KEY_QUOTES);
    Map(t, '"', KEY_QUOTES);
    Map(t, ',', KEY_COMMA);
    Map(t, '-', KEY_MINUS);
    Map(t, '.', KEY_PERIOD);
    Map(t, '/', KEY_SLASH);
    Map(t, ';', KEY_SEMICOLON);
    Map(t, '=', KEY_EQUALS);
    Map(t, '[', KEY_OPENBRACKET);
    Map(t, '\\', KEY_BACKSLASH);
    Map(t, ']', KEY_CLOSEBRACKET);
    Map(t, '`', KEY_TILDE);
    Map(t, '~', KEY_TILDE);
    Map(t, GLFW_KEY_ESC, KEY_ESCAPE);
    for (int i = 0; i < 12; ++i)
        Map(t, GLFW_KEY_F1 + i, KEY_F1 + i);
    Map(t, GLFW_KEY_UP, KEY_UP);
    Map(t, GLFW_KEY_DOWN, KEY_DOWN);
    Map(t, GLFW_KEY_LEFT, KEY_LEFT);
    Map(t, GLFW_KEY_RIGHT, KEY_RIGHT);
    Map(t, GLFW_KEY_LSHIFT, KEY_SHIFT);
    Map(t, GLFW_KEY_RSHIFT, KEY_SHIFT);
    Map(t, GLFW_KEY_LCTRL, KEY_CONTROL);
    Map(t, GLFW_KEY_RCTRL, KEY_CONTROL);
    Map(t, GLFW_KEY_TAB, KEY_TAB);
    Map(t, GLFW_KEY_ENTER, KEY_ENTER);
    Map(t, GLFW_KEY_BACKSPACE, KEY_BACKSPACE);
    Map(t, GLFW_KEY_INSERT, KEY_INSERT);
    Map(t, GLFW_KEY_DEL, KEY_DELETE);
    Map(t, GLFW_KEY_PAGEUP, KEY_PAGEUP);
    Map(t, GLFW_KEY_PAGEDOWN, KEY_PAGEDOWN);
    Map(t, GLFW_KEY_HOME, KEY_HOME);
    Map(t, GLFW_KEY_END, KEY_END);
    for (int i = 0; i < 10; ++i)
        Map(t, GLFW_KEY_KP_0 + i, KEY_NUM0 + i);
    Map(t, GLFW_KEY_KP_DIVIDE, KEY_NUMDIVIDE);
    Map(t, GLFW_KEY_KP_MULTIPLY, KEY_NUMMULTIPLY);
    Map(t, GLFW_KEY_KP_SUBTRACT, KEY_NUMSUBTRACT);
    Map(t, GLFW_KEY_KP_ADD, KEY_NUMADD);
    Map(t, GLFW_KEY_KP_DECIMAL, KEY_NUMDECIMAL);
    return t;
}

constexpr KeyTable kKeyTable = MakeKeyTable();

}  // namespace

int BBGlfwGame::TransKey(int key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return key;
    if (key < kTableFirstKey || key > kTableLastKey) return 0;
    return kKeyTable[key - kTableFirstKey];
}

int BBGlfwGame::KeyToChar(int code) {
    switch (code) {
        case KEY_BACKSPACE:
        case KEY_TAB:
        case KEY_ENTER:
        case KEY_ESCAPE:
            return code;
        case KEY_PAGEUP:
        case KEY_PAGEDOWN:
        case KEY_END:
        case KEY_HOME:
        case KEY_LEFT:
        case KEY_UP:
        case KEY_RIGHT:
        case KEY_DOWN:
        case KEY_INSERT:
            return code | KEY_CHAR_SPECIAL;
        case KEY_DELETE:
            return KEY_CHAR_DELETE;
        default:
            return 0;
    }
}

// ---------------------------------------------------------------------------
// Window callbacks
// ---------------------------------------------------------------------------

namespace {

// GLFW numbers mouse buttons from 0 (left, right, middle); others are ignored.
constexpr int kLastMouseButton = 2;

}  // namespace

void BBGlfwGame::OnKey(int key, int action) {
    const int code = TransKey(key);
    if (code == 0) return;
    if (action != GLFW_PRESS) {
        _glfwGame->KeyEvent(c_BBGameEvent::KeyUp, code);
        return;
    }
    // With key repeat on, a held key repeats this press: the input device
    // ignores the second key-down, but the character is queued every time.
    _glfwGame->KeyEvent(c_BBGameEvent::KeyDown, code);
    if (const int chr = KeyToChar(code)) _glfwGame->KeyEvent(c_BBGameEvent::KeyChar, chr);
}

void BBGlfwGame::OnChar(int character, int action) {
    if (action == GLFW_PRESS) _glfwGame->KeyEvent(c_BBGameEvent::KeyChar, character);
}

void BBGlfwGame::OnMouseButton(int button, int action) {
    if (button < 0 || button > kLastMouseButton) return;
    int x = 0;
    int y = 0;
    glfwGetMousePos(&x, &y);
    const int event = action == GLFW_PRESS ? c_BBGameEvent::MouseDown : c_BBGameEvent::MouseUp;
    if (action == GLFW_PRESS)
        _glfwGame->_heldMouseButtons |= 1 << button;
    else
        _glfwGame->_heldMouseButtons &= ~(1 << button);
    _glfwGame->MouseEvent(event, button, static_cast<float>(x), static_cast<float>(y));
}

void BBGlfwGame::OnMousePos(int x, int y) {
    _glfwGame->MouseEvent(c_BBGameEvent::MouseMove, -1, static_cast<float>(x),
                          static_cast<float>(y));
}

// The close button becomes a key; the application decides what happens, so
// the window is never closed here.
int BBGlfwGame::OnWindowClose() {
    _glfwGame->KeyEvent(c_BBGameEvent::KeyDown, KEY_CLOSE);
    _glfwGame->KeyEvent(c_BBGameEvent::KeyUp, KEY_CLOSE);
    return 0;
}

// ---------------------------------------------------------------------------
// Joysticks and the cursor
// ---------------------------------------------------------------------------

namespace {

constexpr int kJoyAxes = 6;
constexpr int kJoyButtons = 32;

}  // namespace

bool BBGlfwGame::PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons) {
    if (glfwGetJoystickParam(port, GLFW_PRESENT) == 0) return false;
    const int axisCount = glfwGetJoystickParam(port, GLFW_AXES);
    int buttonCount = glfwGetJoystickParam(port, GLFW_BUTTONS);

    float a[kJoyAxes] = {};
    // Only the first six axes are used, whatever the driver reports.
    int readAxes = axisCount < kJoyAxes ? axisCount : kJoyAxes;
    if (readAxes < 0) readAxes = 0;
    glfwGetJoystickPos(port, a, readAxes);

    // Pads with four axes report the right stick's x as their third axis and
    // five-axis pads have the right stick's axes the other way round: move
    // them to where a six-axis pad has them.
    if (axisCount == 4) {
        a[4] = a[2];
        a[2] = 0;
    } else if (axisCount == 5) {
        const float t = a[3];
        a[3] = a[4];
        a[4] = t;
    }
    joyx[0] = a[0];
    joyy[0] = a[1];
    joyz[0] = a[2];
    joyx[1] = a[3];
    joyy[1] = a[4];
    joyz[1] = a[5];

    if (buttonCount > kJoyButtons) buttonCount = kJoyButtons;
    if (buttonCount < 0) buttonCount = 0;
    unsigned char b[kJoyButtons] = {};
    glfwGetJoystickButtons(port, b, buttonCount);
    // Buttons the pad does not have keep whatever they held.
    for (int i = 0; i < buttonCount; ++i)
        buttons[i] = b[i] == GLFW_PRESS;
    return true;
}

void BBGlfwGame::SetMouseVisible(bool visible) {
    if (visible) {
        glfwEnable(GLFW_MOUSE_CURSOR);
    } else {
        glfwDisable(GLFW_MOUSE_CURSOR);
    }
}
