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
    // clang-format off
#define K(key, number) {GLFW_KEY_##key, number, #key}
    const KeyCase cases[] = {
        K(SPACE, 32), K(APOSTROPHE, 39), K(COMMA, 44), K(MINUS, 45), K(PERIOD, 46), K(SLASH, 47),
        K(0, 48), K(9, 57), K(SEMICOLON, 59), K(EQUAL, 61), K(A, 65), K(W, 87), K(Z, 90),
        K(LEFT_BRACKET, 91), K(BACKSLASH, 92), K(RIGHT_BRACKET, 93), K(GRAVE_ACCENT, 96),
        K(ESCAPE, 257), K(F1, 258), K(F4, 261), K(F11, 268), K(F12, 269), K(F13, 270), K(F25, 282),
        K(UP, 283), K(DOWN, 284), K(LEFT, 285), K(RIGHT, 286),
        K(LEFT_SHIFT, 287), K(RIGHT_SHIFT, 288), K(LEFT_CONTROL, 289), K(RIGHT_CONTROL, 290),
        K(LEFT_ALT, 291), K(RIGHT_ALT, 292), K(TAB, 293), K(ENTER, 294), K(BACKSPACE, 295),
        K(INSERT, 296), K(DELETE, 297), K(PAGE_UP, 298), K(PAGE_DOWN, 299), K(HOME, 300), K(END, 301),
        K(KP_0, 302), K(KP_9, 311), K(KP_DIVIDE, 312), K(KP_MULTIPLY, 313), K(KP_SUBTRACT, 314),
        K(KP_ADD, 315), K(KP_DECIMAL, 316), K(KP_EQUAL, 317), K(KP_ENTER, 318),
        K(NUM_LOCK, 319), K(CAPS_LOCK, 320), K(SCROLL_LOCK, 321), K(PAUSE, 322),
        K(LEFT_SUPER, 323), K(RIGHT_SUPER, 324), K(MENU, 325),
        // Keys GLFW 2 never had.
        K(PRINT_SCREEN, kUnknown), K(WORLD_1, kUnknown), K(WORLD_2, kUnknown), K(UNKNOWN, kUnknown),
        {GLFW_KEY_LAST + 1, kUnknown, "past the last key"},
    };
#undef K
    // clang-format on
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
