// The program's one loop and its clock: BBGlfwGame::Run, the update rate and
// Millisecs. The loop polls window events, suspends and resumes the
// application with the window's focus, sleeps until the next update is due,
// catches up at most kMaxCatchUpUpdates updates in a row and renders. Time is
// the platform layer's GLFW clock (seconds since glfwInit), which the tests
// replace with a virtual one.
#include <cstdint>

#include "host/glfwgame.h"
#include "platform/glfw2.h"

using namespace glfw2;

namespace {

// A slow application gets at most this many updates per rendered frame; after
// that the clock is resynchronised and the game slows down instead.
constexpr int kMaxCatchUpUpdates = 4;

constexpr int kStartWidth = 640;
constexpr int kStartHeight = 480;
constexpr int kStartColourBits = 8;

}  // namespace

BBGlfwGame* BBGlfwGame::_glfwGame = nullptr;

BBGlfwGame::BBGlfwGame() {
    _glfwGame = this;
}

void BBGlfwGame::SetUpdateRate(int rate) {
    BBGame::SetUpdateRate(rate);
    // Rate 0 keeps the old period and due time: the loop turns event-driven
    // and never looks at them until a rate is set again.
    if (rate != 0) {
        _updatePeriod = 1.0 / rate;
        _nextUpdate = glfwGetTime() + _updatePeriod;
    }
}

int BBGlfwGame::Millisecs() {
    // A plain double-to-int conversion is undefined once the program has run
    // for 2^31 ms (about 24.8 days); wrap instead, as a 32-bit counter would.
    const int64_t ms = static_cast<int64_t>(glfwGetTime() * 1000.0);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ms)));
}

void BBGlfwGame::Run() {
    SetGlfwWindow(kStartWidth, kStartHeight, kStartColourBits, kStartColourBits, kStartColourBits,
                  0, 0, 0, false);
    StartGame();

    // The first frame is drawn before any update has run.
    bool renderFirst = true;
    for (;;) {
        if (renderFirst) RenderGame();
        renderFirst = false;

        // Events arrive only here: automatic polling inside the buffer swap
        // is switched off when the window opens.
        glfwPollEvents();
        if (glfwGetWindowParam(GLFW_OPENED) == 0) return;

        if (glfwGetWindowParam(GLFW_ICONIFIED)) {
            // Only a minimise that is itself what suspends the game stops the
            // drawing; a window that lost focus first stays drawn.
            if (!_suspended) {
                _iconified = true;
                SuspendGame();
            }
        } else if (glfwGetWindowParam(GLFW_ACTIVE)) {
            if (_suspended) {
                _iconified = false;
                ResumeGame();
                // No backlog from the suspended time: the first update after
                // a resume is due at once.
                _nextUpdate = glfwGetTime();
            }
        } else if (!_suspended) {
            SuspendGame();
        }

        if (_updateRate == 0 || _suspended) {
            // Nothing timed to do: draw once per window event, or not at all
            // while minimised, and block until the next event.
            if (!_iconified) RenderGame();
            glfwWaitEvents();
            continue;
        }

        const double delay = _nextUpdate - glfwGetTime();
        if (delay > 0) {
            // Poll once more before the update runs.
            glfwSleep(delay);
            continue;
        }

        for (int round = 0; round < kMaxCatchUpUpdates; ++round) {
            _nextUpdate += _updatePeriod;
            UpdateGame();
            if (_updateRate == 0 || _nextUpdate - glfwGetTime() > 0) {
                renderFirst = true;
                break;
            }
        }
        if (renderFirst) continue;

        // Still behind after the catch-up: draw once and drop the backlog.
        RenderGame();
        if (_updateRate != 0) _nextUpdate = glfwGetTime();
    }
}
