// The replay tool's input script: its parsed form and the parser. A script
// is a list of lines; each line is one step (one update) with the inputs
// given on it, or several steps with `run N`. The full format is the usage
// text in script.cpp (kUsage), which `replay --help` prints. Relies only on
// the C++ standard library.
#pragma once

#include <string>
#include <vector>

namespace replay {

// One input command of a line.
struct Command {
    enum class Kind {
        KeyDown,  // keys: GLFW 2 key numbers
        KeyUp,
        KeyTap,     // down now, up at the next step
        Chars,      // chars: characters typed, in order
        Mouse,      // x, y
        Button,     // a: button, b: 1 down / 0 up
        Click,      // x, y: move, left button down now and up at the next step
        TouchDown,  // a: finger, x, y
        TouchMove,
        TouchUp,      // a: finger
        Joystick,     // a: port, axes, keys: pressed buttons
        JoystickOff,  // a: port
        Size,         // a, b: window width and height
        Blur,         // the window loses focus
        Focus,        // the window regains focus
        Iconify,      // minimised
        Restore,      // restored from the task bar
        Close,        // the window's close button
        BotOn,  // a: game type to start from the menu (0: any running game), b: avoid barriers
        BotOff,
    };
    Kind kind = Kind::Close;
    int a = 0, b = 0;
    float x = 0, y = 0;
    std::vector<int> keys;
    std::vector<float> axes;
    std::vector<int> chars;
};

struct Line {
    int number = 0;  // in the script file, for messages
    std::vector<Command> commands;
    int steps = 1;  // `run N`
};

// The usage text: options and the whole script format.
extern const char* const kUsage;

// Parses a script; on a mistake returns false with a message naming the line.
bool ParseScript(const std::string& text, std::vector<Line>& lines, std::string& error);

}  // namespace replay
