// The key translation from GLFW 3's key numbers to GLFW 2's, which the host's
// own table (GLFW 2 numbers to key codes) depends on.
//
// Includes GLFW 3's header for its key names; the GLFW 2 numbers are written
// out, since the two headers cannot meet in one file.

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "platform/glfw2_detail.h"

namespace {

constexpr int kUnknown = -1;

struct KeyCase {
    int glfw3;
    int glfw2;
    const char* name;
};

TEST(KeyTranslation, MapsEveryGlfw3KeyToItsGlfw2Number) {
    const KeyCase cases[] = {
        {GLFW_KEY_SPACE, 32, "space"},
        {GLFW_KEY_APOSTROPHE, 39, "apostrophe"},
        {GLFW_KEY_COMMA, 44, "comma"},
        {GLFW_KEY_MINUS, 45, "minus"},
        {GLFW_KEY_PERIOD, 46, "period"},
        {GLFW_KEY_SLASH, 47, "slash"},
        {GLFW_KEY_0, 48, "0"},
        {GLFW_KEY_9, 57, "9"},
        {GLFW_KEY_SEMICOLON, 59, "semicolon"},
        {GLFW_KEY_EQUAL, 61, "equal"},
        {GLFW_KEY_A, 65, "A"},
        {GLFW_KEY_W, 87, "W"},
        {GLFW_KEY_Z, 90, "Z"},
        {GLFW_KEY_LEFT_BRACKET, 91, "left bracket"},
        {GLFW_KEY_BACKSLASH, 92, "backslash"},
        {GLFW_KEY_RIGHT_BRACKET, 93, "right bracket"},
        {GLFW_KEY_GRAVE_ACCENT, 96, "grave"},
        {GLFW_KEY_ESCAPE, 257, "escape"},
        {GLFW_KEY_F1, 258, "F1"},
        {GLFW_KEY_F4, 261, "F4"},
        {GLFW_KEY_F11, 268, "F11"},
        {GLFW_KEY_F12, 269, "F12"},
        {GLFW_KEY_F13, 270, "F13"},
        {GLFW_KEY_F25, 282, "F25"},
        {GLFW_KEY_UP, 283, "up"},
        {GLFW_KEY_DOWN, 284, "down"},
        {GLFW_KEY_LEFT, 285, "left"},
        {GLFW_KEY_RIGHT, 286, "right"},
        {GLFW_KEY_LEFT_SHIFT, 287, "left shift"},
        {GLFW_KEY_RIGHT_SHIFT, 288, "right shift"},
        {GLFW_KEY_LEFT_CONTROL, 289, "left control"},
        {GLFW_KEY_RIGHT_CONTROL, 290, "right control"},
        {GLFW_KEY_LEFT_ALT, 291, "left alt"},
        {GLFW_KEY_RIGHT_ALT, 292, "right alt"},
        {GLFW_KEY_TAB, 293, "tab"},
        {GLFW_KEY_ENTER, 294, "enter"},
        {GLFW_KEY_BACKSPACE, 295, "backspace"},
        {GLFW_KEY_INSERT, 296, "insert"},
        {GLFW_KEY_DELETE, 297, "delete"},
        {GLFW_KEY_PAGE_UP, 298, "page up"},
        {GLFW_KEY_PAGE_DOWN, 299, "page down"},
        {GLFW_KEY_HOME, 300, "home"},
        {GLFW_KEY_END, 301, "end"},
        {GLFW_KEY_KP_0, 302, "keypad 0"},
        {GLFW_KEY_KP_9, 311, "keypad 9"},
        {GLFW_KEY_KP_DIVIDE, 312, "keypad divide"},
        {GLFW_KEY_KP_MULTIPLY, 313, "keypad multiply"},
        {GLFW_KEY_KP_SUBTRACT, 314, "keypad subtract"},
        {GLFW_KEY_KP_ADD, 315, "keypad add"},
        {GLFW_KEY_KP_DECIMAL, 316, "keypad decimal"},
        {GLFW_KEY_KP_EQUAL, 317, "keypad equal"},
        {GLFW_KEY_KP_ENTER, 318, "keypad enter"},
        {GLFW_KEY_NUM_LOCK, 319, "num lock"},
        {GLFW_KEY_CAPS_LOCK, 320, "caps lock"},
        {GLFW_KEY_SCROLL_LOCK, 321, "scroll lock"},
        {GLFW_KEY_PAUSE, 322, "pause"},
        {GLFW_KEY_LEFT_SUPER, 323, "left super"},
        {GLFW_KEY_RIGHT_SUPER, 324, "right super"},
        {GLFW_KEY_MENU, 325, "menu"},
        // Keys GLFW 2 never had.
        {GLFW_KEY_PRINT_SCREEN, kUnknown, "print screen"},
        {GLFW_KEY_WORLD_1, kUnknown, "world 1"},
        {GLFW_KEY_WORLD_2, kUnknown, "world 2"},
        {GLFW_KEY_UNKNOWN, kUnknown, "unknown"},
        {GLFW_KEY_LAST + 1, kUnknown, "past the last key"},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(glfw2::detail::KeyFromGlfw3(c.glfw3), c.glfw2) << c.name;
    }
}

TEST(KeyTranslation, NoTwoGlfw3KeysShareAGlfw2Number) {
    // Each GLFW 2 key must come from one physical key only, or releasing one
    // of two would look like releasing both.
    int seen[326] = {};
    for (int key = 0; key <= GLFW_KEY_LAST; ++key) {
        int k2 = glfw2::detail::KeyFromGlfw3(key);
        if (k2 < 0) continue;
        ASSERT_LE(k2, 325) << "GLFW 3 key " << key;
        EXPECT_EQ(seen[k2], 0) << "GLFW 2 key " << k2 << " from " << seen[k2] << " and " << key;
        seen[k2] = key;
    }
}

}  // namespace
