// The vocabulary shared by the host and the application layer: the event
// codes the host sends through its event wrappers and the key codes those
// events carry. The host produces them (key translation, mouse buttons, the
// close button); the framework's input device consumes them. Plain constants,
// no dependencies.
#pragma once

// Event codes passed as the first argument of the host's event wrappers.
class c_BBGameEvent {
public:
    static constexpr int KeyDown = 1;
    static constexpr int KeyUp = 2;
    static constexpr int KeyChar = 3;
    static constexpr int MouseDown = 4;
    static constexpr int MouseUp = 5;
    static constexpr int MouseMove = 6;
    static constexpr int TouchDown = 7;
    static constexpr int TouchUp = 8;
    static constexpr int TouchMove = 9;
    static constexpr int MotionAccel = 10;
};

// One space of 512 key codes for keys, mouse buttons, joystick buttons and
// touches, so that one pair of queries (down, hit) serves them all.
enum : int {
    KEY_COUNT = 512,

    KEY_LMB = 1,
    KEY_RMB = 2,
    KEY_MMB = 3,
    KEY_BACKSPACE = 8,
    KEY_TAB = 9,
    KEY_ENTER = 13,
    KEY_SHIFT = 16,
    KEY_CONTROL = 17,
    KEY_ESCAPE = 27,
    KEY_SPACE = 32,
    KEY_PAGEUP = 33,
    KEY_PAGEDOWN = 34,
    KEY_END = 35,
    KEY_HOME = 36,
    KEY_LEFT = 37,
    KEY_UP = 38,
    KEY_RIGHT = 39,
    KEY_DOWN = 40,
    KEY_INSERT = 45,
    KEY_DELETE = 46,
    KEY_0 = 48,
    KEY_9 = 57,
    KEY_A = 65,
    KEY_Z = 90,
    KEY_NUM0 = 96,
    KEY_NUM9 = 105,
    KEY_NUMMULTIPLY = 106,
    KEY_NUMADD = 107,
    KEY_NUMSUBTRACT = 109,
    KEY_NUMDECIMAL = 110,
    KEY_NUMDIVIDE = 111,
    KEY_F1 = 112,
    KEY_F12 = 123,
    KEY_SEMICOLON = 186,
    KEY_EQUALS = 187,
    KEY_COMMA = 188,
    KEY_MINUS = 189,
    KEY_PERIOD = 190,
    KEY_SLASH = 191,
    KEY_TILDE = 192,
    KEY_OPENBRACKET = 219,
    KEY_BACKSLASH = 220,
    KEY_CLOSEBRACKET = 221,
    KEY_QUOTES = 222,

    // Joystick j's button b is KEY_JOY0 + KEY_JOY_STRIDE * j + b.
    KEY_JOY0 = 256,
    KEY_JOY_STRIDE = 32,
    // Touch i is KEY_TOUCH0 + i.
    KEY_TOUCH0 = 384,
    KEY_BACK = 416,
    KEY_CLOSE = 432,
};

// Characters for keys that have no printable character of their own are
// queued as this offset plus their key code (the up key gives 65574).
constexpr int KEY_CHAR_SPECIAL = 0x10000;
// The delete key queues the ASCII delete character.
constexpr int KEY_CHAR_DELETE = 127;
