// The script parser of the replay tool and its usage text, which is the
// reference for the script format and the output. Key names are GLFW 2's
// (the events go through the host's real key translation), so the parser
// maps names to GLFW 2 key numbers itself and needs no other header.
#include "tools/replay/script.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace replay {

const char* const kUsage = R"(usage: replay [options] [SCRIPT]

Runs the game (the real application, framework, renderer and sound layer) on
the fake window, OpenGL and OpenAL layers with a virtual clock, from an input
script (SCRIPT, or standard input when absent or "-"), and prints one JSON
line of the game's state per step. The same script always prints the same
bytes. The host's own loop runs: window events reach the game through the
window layer's callbacks inside its event poll, updates and renders through
the host's guarded calls, with a collector step after each.

Options
  --dir DIR         working directory of the game (default: the current one).
                    The game reads ./data/ and reads and writes ./.vantorstate
                    there. The build generates the data in <build>/data, so
                    run from the build folder or give a scratch folder with a
                    symbolic link "data" to <build>/data.
  --music           sets bb_Wyndle_HasMusic to 1 (the sequencer plays).
  --render N,M,...  also draws the frames of those steps through the real
                    OpenGL and writes OUT/step-N.png (needs an X display, e.g.
                    under xvfb-run; done by replay-render, which replay runs
                    with the same arguments).
  --out OUT         folder for the PNG files (default: the working directory).
  --soak N          a soak run: no state lines; instead, every N updates and
                    at the end, one line "soak: updates U games G live B peak
                    P rss_kib R albuf N" (games started, the collector's live
                    and highest live bytes, the process's resident memory,
                    OpenAL buffers not deleted). The fake OpenGL records
                    nothing then, so that a long run stays fast.
  --gc-stress       the collector's stress mode: a whole cycle every step.
  --help            this text.

Exit status: the program's. F4, the close button and quitting from the menu
end it with 0 on the spot (the step that ended it prints no line); the end of
the script closes the window and also gives 0; a runtime error gives 255; a
mistake in the script or the options gives 2 before anything runs.

Script
  One line per step. A step is one update of the game and the render after
  it; while the window is suspended (focus lost or minimised) a step is one
  pass of the idle loop instead: an event, a render unless minimised, and no
  update. A line lists commands separated by ";"; "#" starts a comment; a
  line with no commands is no step. Inputs stay as they are until changed:
  a key stays down until "up", the pointer where it was put.

  down KEY...          keys go down (a repeat of a held key is not sent)
  up KEY...            keys go up
  tap KEY...           keys go down now and up at the next step
  type TEXT            typed characters, as the character callback sends them
  char CODE            one typed character by number
  mouse X Y            pointer position in window pixels
  button B down|up     mouse button B (0 left, 1 right, 2 middle)
  click X Y            pointer to (X, Y), left button down now, up next step
  touch F down X Y     finger F touches (window pixels)
  touch F move X Y
  touch F up
  joy P A0 A1... [buttons B...]
                       joystick P (0-3) present with those axes (GLFW's
                       sense: y positive upward) and those buttons held
  joy P off            joystick P unplugged
  size W H             the window's size changes
  blur | focus         the window loses or regains focus (suspend, resume)
  iconify | restore    the window is minimised or restored
  close                the window's close button
  bot on [TYPE] [avoid]
                       the bot plays: in the menu it starts a game of TYPE
                       (1-3; without TYPE it waits in the menu), in a game it
                       follows the tube and steers for gems, with "avoid"
                       also around barriers; it holds the cursor keys
  bot off              the bot lets go of its keys
  run N                this line is N steps: its commands before the first

  KEY: a letter or digit (a, 7), or one of space esc enter tab backspace
  insert del home end pageup pagedown up down left right lshift rshift lctrl
  rctrl lalt ralt f1-f25 kp0-kp9, or kN for GLFW 2 key number N.

Output: one JSON object per line and step, in this order of fields:
  step update     step number from 1; updates run so far
  mode paused dead reload   m_Mode, m_Paused, m_Dead, m_NeedReload
  score shown meter         m_Score, m_ShownScore, m_Players[5]
  speed top drag rows       m_Speed, m_TopSpeed, m_Drag, m_RowCount
  y vy closeness            m_Players[2], m_Players[4], m_Closeness
  steer steerx parts tube   m_Steer, m_SteerX, live particles, a hash of
                            the tube's rows 0..100
  gametype menusel over     m_GameType, m_MenuSel, m_OverTimer
  optbox optsel credbox credline fullscreen pausesel slot
                            m_OptionsOpen, m_OptionSel, m_CreditsOpen,
                            m_CreditsLine, m_Fullscreen, m_PauseSel,
                            m_ScoreSlot
  sound icade debug hidehud m_Options[5], bb_Wyndle_iCadeControls,
                            bb_Wyndle_DebugMode, m_HideHud
  spin scale vw vh          m_Spin, m_ScaleX, bb_Wyndle_jscrw, jscrh
  cmds                      draw commands recorded (m_DrawCount / 15)
  draws mindraws            GL draw calls of the step's render; the fewest
                            the draw list allows (one per run of equal
                            texture, blend and primitive kind, one per oval,
                            more when a run overflows the vertex batch)
  allocs allocbytes live    collector allocations and their bytes in this
                            step; bytes in live objects
  sfx                       [slot, channel] of each sound started on a
                            channel in this step (slot -1: not a game sound)
  music                     1 while the music channel plays
Text that is not JSON (the game's own messages) may come between lines.
)";

namespace {

struct KeyName {
    const char* name;
    int key;
};

// GLFW 2 key numbers (platform/glfw2.h); special keys start at 256.
constexpr int kSpecial = 256;
// clang-format off
const KeyName kKeyNames[] = {
    {"space", 32}, {"esc", kSpecial + 1},
    {"up", kSpecial + 27}, {"down", kSpecial + 28}, {"left", kSpecial + 29},
    {"right", kSpecial + 30}, {"lshift", kSpecial + 31}, {"rshift", kSpecial + 32},
    {"lctrl", kSpecial + 33}, {"rctrl", kSpecial + 34}, {"lalt", kSpecial + 35},
    {"ralt", kSpecial + 36}, {"tab", kSpecial + 37}, {"enter", kSpecial + 38},
    {"backspace", kSpecial + 39}, {"insert", kSpecial + 40}, {"del", kSpecial + 41},
    {"pageup", kSpecial + 42}, {"pagedown", kSpecial + 43}, {"home", kSpecial + 44},
    {"end", kSpecial + 45},
};
// clang-format on
constexpr int kF1 = kSpecial + 2, kFunctionKeys = 25;
constexpr int kKeypad0 = kSpecial + 46;

bool ParseInt(const std::string& s, int& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end) return false;
    out = int(v);
    return true;
}

bool ParseFloat(const std::string& s, float& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtof(s.c_str(), &end);
    return *end == 0;
}

int KeyNumber(std::string name) {
    if (name.size() == 1) {
        unsigned char c = static_cast<unsigned char>(name[0]);
        return c > 32 && c < 127 ? std::toupper(c) : -1;
    }
    for (char& c : name)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const KeyName& k : kKeyNames)
        if (name == k.name) return k.key;
    int n = 0;
    if (name[0] == 'f' && ParseInt(name.substr(1), n) && n >= 1 && n <= kFunctionKeys)
        return kF1 + n - 1;
    if (name.rfind("kp", 0) == 0 && ParseInt(name.substr(2), n) && n >= 0 && n <= 9)
        return kKeypad0 + n;
    if (name[0] == 'k' && ParseInt(name.substr(1), n) && n >= 0) return n;
    return -1;
}

// Splits on blanks.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// Parses one command; returns an error message or "" when it is fine.
std::string ParseCommand(const std::string& text, Line& line) {
    using K = Command::Kind;
    std::vector<std::string> w = Words(text);
    if (w.empty()) return "";
    const std::string& op = w[0];
    const size_t n = w.size();
    Command c;
    auto floats = [&](size_t from, float& x, float& y) {
        return n == from + 2 && ParseFloat(w[from], x) && ParseFloat(w[from + 1], y);
    };

    if (op == "down" || op == "up" || op == "tap") {
        c.kind = op == "down" ? K::KeyDown : op == "up" ? K::KeyUp : K::KeyTap;
        if (n < 2) return "which key?";
        for (size_t i = 1; i < n; ++i) {
            int k = KeyNumber(w[i]);
            if (k < 0) return "unknown key \"" + w[i] + "\"";
            c.keys.push_back(k);
        }
    } else if (op == "type") {
        c.kind = K::Chars;
        // The text after the command word, blanks inside it included.
        size_t at = text.find("type") + 4;
        while (at < text.size() && text[at] == ' ')
            ++at;
        size_t end = text.find_last_not_of(" \t");
        for (size_t i = at; i <= end && i < text.size(); ++i)
            c.chars.push_back(static_cast<unsigned char>(text[i]));
        if (c.chars.empty()) return "type what?";
    } else if (op == "char") {
        c.kind = K::Chars;
        int code = 0;
        if (n != 2 || !ParseInt(w[1], code)) return "char takes a number";
        c.chars.push_back(code);
    } else if (op == "mouse" || op == "click") {
        c.kind = op == "mouse" ? K::Mouse : K::Click;
        if (!floats(1, c.x, c.y)) return op + " takes X Y";
    } else if (op == "button") {
        c.kind = K::Button;
        if (n != 3 || !ParseInt(w[1], c.a) || (w[2] != "down" && w[2] != "up"))
            return "button takes B down|up";
        c.b = w[2] == "down";
    } else if (op == "touch") {
        if (n < 3 || !ParseInt(w[1], c.a)) return "touch takes F down|move X Y or F up";
        if (w[2] == "up" && n == 3) {
            c.kind = K::TouchUp;
        } else if ((w[2] == "down" || w[2] == "move") && floats(3, c.x, c.y)) {
            c.kind = w[2] == "down" ? K::TouchDown : K::TouchMove;
        } else {
            return "touch takes F down|move X Y or F up";
        }
    } else if (op == "joy") {
        if (n < 3 || !ParseInt(w[1], c.a) || c.a < 0 || c.a > 3) return "joy takes a port 0-3";
        if (w[2] == "off" && n == 3) {
            c.kind = K::JoystickOff;
        } else {
            c.kind = K::Joystick;
            size_t i = 2;
            for (float v = 0; i < n && w[i] != "buttons"; ++i) {
                if (!ParseFloat(w[i], v)) return "joystick axis \"" + w[i] + "\"";
                c.axes.push_back(v);
            }
            for (int b = 0; ++i < n;) {
                if (!ParseInt(w[i], b) || b < 0 || b > 31)
                    return "joystick button \"" + w[i] + "\"";
                c.keys.push_back(b);
            }
        }
    } else if (op == "size") {
        c.kind = K::Size;
        if (n != 3 || !ParseInt(w[1], c.a) || !ParseInt(w[2], c.b) || c.a < 0 || c.b < 0)
            return "size takes W H";
    } else if (op == "blur" || op == "focus" || op == "iconify" || op == "restore" ||
               op == "close") {
        if (n != 1) return op + " takes nothing";
        c.kind = op == "blur"      ? K::Blur
                 : op == "focus"   ? K::Focus
                 : op == "iconify" ? K::Iconify
                 : op == "restore" ? K::Restore
                                   : K::Close;
    } else if (op == "bot") {
        if (n >= 2 && w[1] == "off" && n == 2) {
            c.kind = K::BotOff;
        } else if (n >= 2 && w[1] == "on") {
            c.kind = K::BotOn;
            for (size_t i = 2; i < n; ++i) {
                if (w[i] == "avoid")
                    c.b = 1;
                else if (!ParseInt(w[i], c.a) || c.a < 1 || c.a > 3)
                    return "bot on takes a game type 1-3 and \"avoid\"";
            }
        } else {
            return "bot takes on or off";
        }
    } else if (op == "run") {
        if (n != 2 || !ParseInt(w[1], line.steps) || line.steps < 1) return "run takes a count";
        return "";
    } else {
        return "unknown command \"" + op + "\"";
    }
    line.commands.push_back(c);
    return "";
}

}  // namespace

bool ParseScript(const std::string& text, std::vector<Line>& lines, std::string& error) {
    std::istringstream in(text);
    int number = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++number;
        std::string body = raw.substr(0, raw.find('#'));
        Line line;
        line.number = number;
        bool any = false;
        std::istringstream parts(body);
        for (std::string part; std::getline(parts, part, ';');) {
            if (Words(part).empty()) continue;
            any = true;
            std::string message = ParseCommand(part, line);
            if (!message.empty()) {
                error = "line " + std::to_string(number) + ": " + message;
                return false;
            }
        }
        if (any) lines.push_back(line);
    }
    return true;
}

}  // namespace replay
