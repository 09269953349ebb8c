// A desktop of the test's own for the end-to-end runs of the real programs:
// a private Xvfb (held keys do not auto-repeat for five seconds, so a held
// key is one press) with openbox as window manager (iconify, close button,
// full screen), programs started with their standard output on a pipe and
// read against a generous deadline (a hung program fails its test instead of
// hanging the suite), and the program's window driven by xdotool and read
// back by screenshots. POSIX only; the X tools come from the Debian packages
// of tools/setup-debian.sh.
#pragma once

#include <poll.h>
#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "tests/support/read_file.h"

namespace e2e {

inline constexpr int kDeadlineMs = 30000;
inline constexpr const char* kTitle = "Dropling in A Vuro";

// A started program with its standard output on a pipe.
struct Program {
    pid_t pid = -1;
    int out = -1;
    std::string seen;    // everything read so far
    bool ended = false;  // the output reached its end
};

// Starts `args` in `dir` (this process's folder when empty); with `quiet`
// its standard error is thrown away.
Program Start(const std::vector<std::string>& args, const std::string& dir = "",
              bool quiet = false);
// Reads until `text` has appeared; false on the deadline or at the end of
// the output without it.
bool ReadUntil(Program& p, const std::string& text);
// Reads to the end of the output (the program's exit closes it), then
// collects the exit status; -1 if the program did not end in time (it is
// then killed) or was killed by a signal.
int WaitForExit(Program& p);
// Runs a helper to its end: its standard output, or "<failed N>" when it
// does not end with status 0.
std::string RunTool(const std::vector<std::string>& args);
bool Failed(const std::string& toolOutput);

// Xvfb on a free display (DISPLAY is set for this process and its children)
// and openbox on it; both end with the object.
class Desktop {
public:
    // Empty on success, else what failed.
    std::string Open();
    ~Desktop();

private:
    Program xvfb_, wm_;
};

// A screenshot of a window, 8-bit RGB, with the factor from the game's
// virtual 640 x 480 screen to these pixels (the larger of the two ratios,
// as the game scales).
struct Shot {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    double scale = 1;

    // The share of pixels in the virtual rectangle (x0, y0)-(x1, y1) for
    // which `test(r, g, b)` holds.
    template <typename Test>
    double Share(int x0, int y0, int x1, int y1, Test test) const {
        long hit = 0, all = 0;
        Each(x0, y0, x1, y1, [&](const unsigned char* p) {
            hit += test(p[0], p[1], p[2]) ? 1 : 0;
            ++all;
            return true;
        });
        return all ? double(hit) / double(all) : 0;
    }
    // Whether the virtual rectangle holds the same pixels in both shots.
    bool Same(const Shot& o, int x0, int y0, int x1, int y1) const {
        return o.w == w && o.h == h && Each(x0, y0, x1, y1, [&](const unsigned char* p) {
                   return std::equal(p, p + 3, &o.rgb[size_t(p - rgb.data())]);
               });
    }

private:
    // Calls `f` on each pixel of the virtual rectangle until it returns
    // false; whether it never did.
    template <typename F>
    bool Each(int x0, int y0, int x1, int y1, F f) const {
        for (int y = int(y0 * scale); y < int(y1 * scale) && y < h; ++y)
            for (int x = int(x0 * scale); x < int(x1 * scale) && x < w; ++x)
                if (!f(&rgb[3 * (size_t(y) * w + x)])) return false;
        return true;
    }
};

// Asks `test` until it holds; false on the deadline.
template <typename Test>
bool Eventually(Test test, int deadlineMs = kDeadlineMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (test()) return true;
        poll(nullptr, 0, 50);
    }
    return false;
}

// A program on the desktop: started in a folder, its window found, driven
// like a player does.
class Player {
public:
    // Starts `args` in `dir` and waits for the window; false if it never
    // showed.
    bool Start(const std::vector<std::string>& args, const std::string& dir);
    // The window again, after the program made a new one (full screen).
    bool FindAgain();
    std::string Geometry();  // "640x480"

    void Key(const std::string& key);  // a short press
    void Hold(const std::string& key, const std::string& seconds);
    void Click(int x, int y);  // virtual-screen pixels, left button
    void CloseButton();        // the window manager's close, as a user does

    Shot Look();  // a screenshot of the window
    // Takes screenshots until `test` holds for one; false on the deadline.
    template <typename Test>
    bool WaitFor(Test test, int deadlineMs = kDeadlineMs) {
        return Eventually(
            [&] {
                const Shot s = Look();
                return s.w > 0 && test(s);
            },
            deadlineMs);
    }

    int Exit() { return WaitForExit(program); }
    Program program;
    std::string window;
};

}  // namespace e2e
