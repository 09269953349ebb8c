// Shared fixtures of the host tests: a clean collector, a reset fake window
// layer (virtual clock at 0, GLFW initialised) and a fresh host object per
// test; and a delegate that records every call it gets into the fake's call
// record, so that a test sees updates, renders and events interleaved with
// the loop's sleeps, polls and waits. Relies on tests/support and
// tests/fakes' scripted GLFW layer.
#pragma once

#include <functional>
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
    std::function<void()> onStart, onSuspend, onResume, onUpdate, onRender;
    std::function<void(int, int)> onKey;

    void StartGame() override { Note("start", onStart); }
    void SuspendGame() override { Note("suspend", onSuspend); }
    void ResumeGame() override { Note("resume", onResume); }
    void UpdateGame() override { Note("update", onUpdate); }
    void RenderGame() override { Note("render", onRender); }
    void KeyEvent(int event, int data) override {
        glfw_fake::Mark("key " + std::to_string(event) + " " + std::to_string(data));
        if (onKey) onKey(event, data);
    }
    void MouseEvent(int event, int data, float x, float y) override {
        glfw_fake::Mark("mouse " + std::to_string(event) + " " + std::to_string(data) + " " +
                        std::to_string(static_cast<int>(x)) + " " +
                        std::to_string(static_cast<int>(y)));
    }
    void TouchEvent(int event, int data, float, float) override {
        glfw_fake::Mark("touch " + std::to_string(event) + " " + std::to_string(data));
    }
    void MotionEvent(int event, int, float, float, float) override {
        glfw_fake::Mark("motion " + std::to_string(event));
    }
    void DiscardGraphics() override { glfw_fake::Mark("discard"); }

private:
    static void Note(const char* what, const std::function<void()>& hook) {
        glfw_fake::Mark(what);
        if (hook) hook();
    }
};

// The host with its minimised flag open to the tests, counting collector
// steps.
class TestHost : public BBGlfwGame {
public:
    int collects = 0;

    void gc_collect() override {
        ++collects;
        BBGlfwGame::gc_collect();
    }
    bool Iconified() const { return _iconified; }
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
        BBGame::_game = nullptr;
        BBGlfwGame::_glfwGame = nullptr;
        GcTest::TearDown();
    }

    // A recording delegate attached to the host.
    RecordingDelegate* Attach() {
        auto* d = new RecordingDelegate();
        host_->SetDelegate(d);
        return d;
    }

    // The marks (and, if asked, other calls by name) in order, as text.
    static std::vector<std::string> Trace(const std::vector<std::string>& alsoCalls = {}) {
        std::vector<std::string> out;
        for (const auto& c : glfw_fake::Calls()) {
            if (c.name == "mark") {
                out.push_back(c.text);
            } else {
                for (const auto& n : alsoCalls) {
                    if (c.name == n) out.push_back(n);
                }
            }
        }
        return out;
    }

    TestHost* host_ = nullptr;
};
