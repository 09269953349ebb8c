// A desktop of the test's own for the journeys and fault runs of the shipped
// program: a private Xvfb (held keys do not auto-repeat for five seconds, so
// a held key is one press) with openbox as window manager (iconify, close
// button, full screen), the program's window driven by xdotool and read back
// by screenshots, and the saved record checked number by number. Relies on
// e2e_support.h and the X tools of tools/setup-debian.sh.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace e2e {

// Xvfb on a free display (DISPLAY is set for this process and its children)
// and openbox on it; both end with the object.
class Desktop {
public:
    // Empty on success, else what failed.
    std::string Open();
    ~Desktop();

private:
    pid_t xvfb_ = -1, wm_ = -1;
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
        for (int y = int(y0 * scale); y < int(y1 * scale) && y < h; ++y)
            for (int x = int(x0 * scale); x < int(x1 * scale) && x < w; ++x) {
                const unsigned char* p = &rgb[3 * (size_t(y) * w + x)];
                hit += test(p[0], p[1], p[2]) ? 1 : 0;
                ++all;
            }
        return all ? double(hit) / double(all) : 0;
    }
    // Whether the virtual rectangle holds the same pixels in both shots.
    bool Same(const Shot& o, int x0, int y0, int x1, int y1) const {
        if (o.w != w || o.h != h) return false;
        for (int y = int(y0 * scale); y < int(y1 * scale) && y < h; ++y)
            for (int x = int(x0 * scale); x < int(x1 * scale) && x < w; ++x)
                for (int c = 0; c < 3; ++c)
                    if (rgb[3 * (size_t(y) * w + x) + c] != o.rgb[3 * (size_t(y) * w + x) + c])
                        return false;
        return true;
    }
};

// The game's program on the desktop: started in a folder, its window found,
// driven like a player does.
class Player {
public:
    // Starts `args` in `dir` and waits for the window; false if it never
    // showed.
    bool Start(const std::vector<std::string>& args, const std::string& dir);
    // The window again, after the program made a new one (full screen).
    bool FindAgain();
    std::string Geometry();  // "640x480"

    void Key(const std::string& key);                         // a short press
    void Hold(const std::string& key, const std::string& seconds);
    void Click(int x, int y);  // virtual-screen pixels, left button
    void Iconify();
    void Restore();
    void CloseButton();  // the window manager's close, as a user does

    // A screenshot of the window; with DROPLING_E2E_SHOTS set to a folder,
    // one with a label is also kept there as NN-label.ppm.
    Shot Look(const std::string& label = "");
    // Takes screenshots until `test` holds for one (kept under `label`);
    // false on the deadline.
    template <typename Test>
    bool WaitFor(const std::string& label, Test test, int deadlineMs = kDeadlineMs);

    int Exit() { return WaitForExit(program); }
    Program program;
    std::string window;

private:
    void Keep(const Shot& s, const std::string& label);
    int shots_ = 0;
    std::string ppm_;  // the last screenshot as taken
};

// The saved record's 98 numbers when the file holds a whole one with every
// checksum right; nothing otherwise.
std::optional<std::vector<int>> ReadRecord(const std::string& path);
// A record of those numbers, with the checksums made right.
std::string MakeRecord(std::vector<int> values);

// Record positions: the sound option; best[0] and latest[0] of a game type
// (1..3).
constexpr int kSoundPiece = 5;
inline int BestPiece(int gameType) {
    return 35 + 21 * (gameType - 1);
}
inline int LatestPiece(int gameType) {
    return BestPiece(gameType) + 1;
}

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

// ---- template bodies

template <typename Test>
bool Player::WaitFor(const std::string& label, Test test, int deadlineMs) {
    return Eventually(
        [&] {
            Shot s = Look();
            if (s.w == 0 || !test(s)) return false;
            Keep(s, label);
            return true;
        },
        deadlineMs);
}

}  // namespace e2e
