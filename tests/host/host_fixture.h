// Shared fixtures of the host tests: a clean collector, a reset fake window
// layer (virtual clock at 0, GLFW initialised) and a fresh host object per
// test; a delegate that records every call it gets into the fake's call
// record, so that a test sees updates, renders and events interleaved with
// the loop's window calls; and Trace, which turns that record into text a
// test compares whole. Relies on tests/support and tests/fakes' scripted
// GLFW layer.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/events.h"
#include "host/glfwgame.h"
#include "tests/fakes/glfw_fake.h"
#include "tests/support/gc_fixture.h"

// Records each call as a mark ("update", "render", "key 1 65", ...) and runs
// the test's hook for it, if any.
class RecordingDelegate : public BBGameDelegate {
public:
    std::function<void()> onStart, onUpdate;

    void StartGame() override { Note("start", onStart); }
    void SuspendGame() override { Note("suspend"); }
    void ResumeGame() override { Note("resume"); }
    void UpdateGame() override { Note("update", onUpdate); }
    void RenderGame() override { Note("render"); }
    void KeyEvent(int event, int data) override { Note("key " + Nums({event, data})); }
    void MouseEvent(int event, int data, float x, float y) override {
        Note("mouse " + Nums({event, data, static_cast<int>(x), static_cast<int>(y)}));
    }
    void TouchEvent(int event, int data, float, float) override {
        Note("touch " + Nums({event, data}));
    }
    void MotionEvent(int event, int, float, float, float) override {
        Note("motion " + Nums({event}));
    }
    void DiscardGraphics() override { Note("discard"); }

private:
    static std::string Nums(std::initializer_list<int> values) {
        std::string out;
        for (int v : values)
            out += (out.empty() ? "" : " ") + std::to_string(v);
        return out;
    }
    static void Note(const std::string& what, const std::function<void()>& hook = nullptr) {
        glfw_fake::Mark(what);
        if (hook) hook();
    }
};

// The delegate's marks and the window calls named in `calls` (with their
// arguments, constants by name), in order.
inline std::vector<std::string> Trace(const std::vector<std::string>& calls = {}) {
    using namespace glfw2;
    static const std::map<double, std::string> names = {
        {GLFW_WINDOW, "WINDOW"},
        {GLFW_FULLSCREEN, "FULLSCREEN"},
        {GLFW_WINDOW_NO_RESIZE, "NO_RESIZE"},
        {GLFW_KEY_REPEAT, "KEY_REPEAT"},
        {GLFW_AUTO_POLL_EVENTS, "AUTO_POLL_EVENTS"}};
    std::vector<std::string> out;
    for (const auto& c : glfw_fake::Calls()) {
        if (c.name == "mark") out.push_back(c.text);
        if (std::find(calls.begin(), calls.end(), c.name) == calls.end()) continue;
        std::string entry = c.name + (c.text.empty() ? "" : " " + c.text);
        for (double a : c.args)
            entry += " " + (names.count(a) ? names.at(a) : std::to_string(static_cast<int>(a)));
        out.push_back(entry);
    }
    return out;
}

// The host counting its collector steps.
class TestHost : public BBGlfwGame {
public:
    int collects = 0;

    void gc_collect() override {
        ++collects;
        BBGlfwGame::gc_collect();
    }
};

class HostTest : public GcTest {
protected:
    void SetUp() override {
        GcTest::SetUp();
        glfw_fake::Reset();
        glfw2::glfwInit();
        glfwGraphicsSeq = 0;
        host_ = new TestHost();
    }
    void TearDown() override {
        delete host_;
        GcTest::TearDown();
    }

    // A recording delegate attached to the host.
    RecordingDelegate* Attach() {
        auto* d = new RecordingDelegate();
        host_->SetDelegate(d);
        return d;
    }

    TestHost* host_ = nullptr;
};
