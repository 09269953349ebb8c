// The loop on the scripted window layer: steady updates with sleeps between,
// catching up at most four updates and then resynchronising, the switch to
// event-driven rendering, suspension by minimising or by losing focus (and
// the two combined); the guarded wrappers' conditions and collector steps;
// the clock and calendar functions. Time is the fake's virtual clock.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/host/host_fixture.h"

using namespace glfw2;

namespace {

// The delegate's calls and the loop's sleeps and waits, each run of them
// headed by the virtual time in whole milliseconds when the time moved.
std::string Timeline() {
    std::string out;
    long last = -1;
    for (const auto& c : glfw_fake::Calls()) {
        if (c.name != "mark" && c.name != "glfwSleep" && c.name != "glfwWaitEvents") continue;
        const long ms = std::lround(c.time * 1000);
        if (ms != last) out += (out.empty() ? "@" : " @") + std::to_string(ms);
        last = ms;
        out += ", " + (c.name == "mark" ? c.text : c.name == "glfwSleep" ? "sleep" : "wait");
    }
    return out;
}

}  // namespace

// Each case runs the loop of an application asking for 60 updates per
// second on the case's script of window events, until the window goes.
TEST_F(HostTest, TheLoopRunsTheseTimelinesOnTheVirtualClock) {
    using namespace glfw_fake;
    // clang-format off
    const struct {
        int slowUpdate;  // this update takes 100 ms
        int rateZeroAt;  // this update sets the rate to 0
        int endAt;       // the window goes at this millisecond (0: when nothing is left)
        std::vector<std::pair<int, Event>> script;  // at whole milliseconds
        std::string timeline;
    } cases[] = {
        // One update and one render per period with a sleep between, the
        // first frame before any update. An update that takes 100 ms: four
        // updates, one render, and the clock resynchronised: no fifth
        // catch-up update.
        {2, 0, 160, {},
         "@0, start, render, sleep @17, update, render, sleep @33, update @133, update, update, "
         "update, render, update, render, sleep @150, update, render, sleep"},
        // Rate 0 inside an update stops the catch-up at once; then one
        // render per event, waiting between them.
        {1, 2, 0, {{500, MousePos(3, 4)}, {600, Key(GLFW_KEY_SPACE, GLFW_PRESS)}},
         "@0, start, render, sleep @17, update @117, update, render, render, wait @500, "
         "mouse 6 -1 3 4, render, wait @600, key 1 32, render, wait"},
        // Minimised: one SuspendGame, input but no renders, one ResumeGame
        // with an update due at once; a later loss of focus draws again.
        {0, 0, 0, {{10, Iconify(true)}, {100, MousePos(5, 5)}, {300, Iconify(false)},
                   {340, Focus(false)}},
         "@0, start, render, sleep @17, suspend, wait @100, mouse 6 -1 5 5, wait @300, resume, "
         "update, render, sleep @317, update, render, sleep @333, update, render, sleep @350, "
         "suspend, render, wait"},
        // Unfocused: suspended, and still drawn once per event, even once
        // minimised ("suspended, visible").
        {0, 0, 310, {{10, Focus(false)}, {100, MousePos(5, 5)}, {200, Iconify(true)},
                     {300, Iconify(false)}},
         "@0, start, render, sleep @17, suspend, render, wait @100, mouse 6 -1 5 5, render, wait "
         "@200, render, wait @300, resume, update, render, sleep"},
    };
    // clang-format on
    for (const auto& c : cases) {
        Reset();
        glfwInit();
        delete host_;
        host_ = new TestHost();
        RecordingDelegate* d = Attach();
        d->onStart = [this] { host_->SetUpdateRate(60); };
        int updates = 0;
        d->onUpdate = [&] {
            if (++updates == c.slowUpdate) AdvanceTime(0.100);
            if (updates == c.rateZeroAt) host_->SetUpdateRate(0);
        };
        for (const auto& [ms, event] : c.script)
            At(ms / 1000.0, event);
        if (c.endAt) EndAt(c.endAt / 1000.0);
        host_->Run();
        EXPECT_EQ(Timeline(), c.timeline);
    }
}

// Calls each wrapper in turn ('+': it reaches the delegate, '-': the host's
// state stops it): each call that passes steps the collector once.
// A call made inside another (re-creating the window from an update sends
// key-ups and a mouse move) leaves the step to the outermost one: objects
// held only by the update's locals must live on.
TEST_F(HostTest, WrappersPassOnlyInTheirStatesAndStepTheCollectorOnlyWhenTheyDo) {
    RecordingDelegate* d = Attach();
    const std::map<std::string, std::function<void()>> calls = {
        {"start", [&] { host_->StartGame(); }},
        {"suspend", [&] { host_->SuspendGame(); }},
        {"resume", [&] { host_->ResumeGame(); }},
        {"update", [&] { host_->UpdateGame(); }},
        {"render", [&] { host_->RenderGame(); }},
        {"key", [&] { host_->KeyEvent(1, 65); }},
        {"mouse", [&] { host_->MouseEvent(6, -1, 1, 2); }},
        {"touch", [&] { host_->TouchEvent(7, 0, 1, 2); }},
        {"motion", [&] { host_->MotionEvent(10, 0, 1, 2, 3); }},
        {"discard", [&] { host_->DiscardGraphics(); }},
    };
    glfw_fake::SetKey('Q', true);
    d->onUpdate = [&] { host_->SetGlfwWindow(1280, 1024, 8, 8, 8, 0, 0, 0, true); };
    std::istringstream walk(
        "update- render- key- resume- suspend- start+ start- resume- update+ suspend+ suspend- "
        "update- render+ key+ mouse+ touch+ motion+ discard+ resume+ resume- update+");
    for (std::string step; walk >> step;) {
        const int collects = host_->collects;
        calls.at(step.substr(0, step.size() - 1))();
        EXPECT_EQ(host_->collects - collects, step.back() == '+' ? 1 : 0) << step;
    }
}

// Millisecs wraps instead of overflowing; GetDate gives year, month, day,
// hour, minute, second, 0: as many as the array holds, read at a time
// between the two the test takes.
TEST_F(HostTest, TheClockWrapsAndTheDateFillsOnlyTheElementsThereAreRoomFor) {
    // 2^31 ms, after almost 25 days, is where a 32-bit counter goes negative.
    const std::pair<double, int> clock[] = {{0.0009, 0},
                                            {1.2345, 1234},
                                            {2147483.647, 2147483647},
                                            {2147483.648, -2147483647 - 1},
                                            {4294967.297, 1}};
    for (const auto& [seconds, ms] : clock) {
        glfw_fake::SetTime(seconds);
        EXPECT_EQ(host_->Millisecs(), ms) << seconds;
    }
    const auto now = [] {
        const time_t at = time(nullptr);
        struct tm t {};
        localtime_r(&at, &t);
        return std::vector<int>{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                                t.tm_min,         t.tm_sec,     0,         99};
    };
    for (int length : {0, 3, 8}) {
        Array<int> date(length);
        if (length == 8) date[7] = 99;
        const std::vector<int> before = now();
        host_->GetDate(date);
        const std::vector<int> got(date.begin(), date.end()), after = now();
        EXPECT_TRUE(std::equal(got.begin(), got.end(), before.begin()) ||
                    std::equal(got.begin(), got.end(), after.begin()))
            << length;
    }
}
