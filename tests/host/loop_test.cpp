// The loop on the scripted window layer: steady updates with sleeps between,
// catching up at most four updates and then resynchronising, the switch to
// event-driven rendering, suspension by minimising or by losing focus (and
// the two combined), the guarded wrappers' conditions and collector steps,
// the uncaught-exception exit, and the clock and calendar functions. Time is
// the fake's virtual clock throughout.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "tests/host/host_fixture.h"
#include "tests/support/child_process.h"

using namespace glfw2;

namespace {

constexpr double kPeriod = 1.0 / 60;
constexpr double kTimeEps = 1e-9;

struct Step {
    std::string what;
    double time;
};

// The delegate's calls with the loop's sleeps and waits between them.
std::vector<Step> Timeline() {
    std::vector<Step> out;
    for (const auto& c : glfw_fake::Calls()) {
        if (c.name == "mark") {
            out.push_back({c.text, c.time});
        } else if (c.name == "glfwSleep") {
            out.push_back({"sleep", c.time});
        } else if (c.name == "glfwWaitEvents") {
            out.push_back({"wait", c.time});
        }
    }
    return out;
}

std::vector<std::string> Names(const std::vector<Step>& steps, size_t from = 0,
                               size_t to = std::string::npos) {
    std::vector<std::string> out;
    for (size_t i = from; i < steps.size() && i < to; ++i)
        out.push_back(steps[i].what);
    return out;
}

size_t IndexOf(const std::vector<Step>& steps, const std::string& what, size_t from = 0) {
    for (size_t i = from; i < steps.size(); ++i) {
        if (steps[i].what == what) return i;
    }
    return steps.size();
}

int CountIn(const std::vector<Step>& steps, const std::string& what, size_t from, size_t to) {
    int n = 0;
    for (size_t i = from; i < to && i < steps.size(); ++i)
        n += steps[i].what == what;
    return n;
}

class LoopTest : public HostTest {
protected:
    // A delegate whose application asks for 60 updates per second on start.
    RecordingDelegate* AttachAtSixty() {
        RecordingDelegate* d = Attach();
        d->onStart = [this] { host_->SetUpdateRate(60); };
        return d;
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// Timed updates
// ---------------------------------------------------------------------------

// Each case runs the loop at 60 updates per second until the window goes,
// and lists the delegate's calls and the loop's sleeps and waits with their
// times in whole milliseconds.
TEST_F(LoopTest, TimedUpdatesSleepCatchUpAtMostFourTimesAndTurnEventDrivenAtRateZero) {
    struct Case {
        const char* name;
        std::function<void(int update)> onUpdate;
        std::vector<std::pair<double, glfw_fake::Event>> script;
        std::vector<std::string> timeline;
    };
    const std::vector<Case> cases = {
        // One update and one render per period, the first frame before any
        // update.
        {"fast", [](int) {}, {{5.5 * kPeriod, glfw_fake::WindowLost()}},
         {"start@0", "render@0", "sleep@0", "update@17", "render@17", "sleep@17", "update@33",
          "render@33", "sleep@33", "update@50", "render@50", "sleep@50", "update@67", "render@67",
          "sleep@67", "update@83", "render@83", "sleep@83"}},
        // An update that takes 100 ms: four updates, one render, one more
        // update and a render, and the clock resynchronised after it.
        {"slow", [](int n) { if (n == 1) glfw_fake::AdvanceTime(0.100); },
         {{0.16, glfw_fake::WindowLost()}},
         {"start@0", "render@0", "sleep@0", "update@17", "update@117", "update@117", "update@117",
          "render@117", "update@117", "render@117", "sleep@117", "update@133", "render@133",
          "sleep@133", "update@150", "render@150", "sleep@150"}},
        // Rate 0 inside an update stops the catch-up; then one render per
        // event, waiting between them.
        {"rate 0",
         [this](int n) {
             if (n == 1) glfw_fake::AdvanceTime(0.100);
             if (n == 2) host_->SetUpdateRate(0);
         },
         {{0.5, glfw_fake::MousePos(3, 4)},
          {0.6, glfw_fake::Key(GLFW_KEY_SPACE, GLFW_PRESS)},
          {0.7, glfw_fake::MousePos(5, 6)}},
         {"start@0", "render@0", "sleep@0", "update@17", "update@117", "render@117", "render@117",
          "wait@117", "mouse 6 -1 3 4@500", "render@500", "wait@500", "key 1 32@600", "render@600",
          "wait@600", "mouse 6 -1 5 6@700", "render@700", "wait@700"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glfw_fake::Reset();
        glfwInit();
        RecordingDelegate* d = AttachAtSixty();
        int updates = 0;
        d->onUpdate = [&] { c.onUpdate(++updates); };
        for (const auto& [time, event] : c.script)
            glfw_fake::At(time, event);
        host_->Run();
        std::vector<std::string> stamped;
        for (const Step& step : Timeline())
            stamped.push_back(step.what + "@" + std::to_string(std::lround(step.time * 1000)));
        EXPECT_EQ(stamped, c.timeline);
        EXPECT_FALSE(glfw_fake::PollLimitReached());
        delete host_;
        host_ = new TestHost();
    }
}

// ---------------------------------------------------------------------------
// Suspension
// ---------------------------------------------------------------------------

// Each case scripts the window's states from 0.055 s to a restore at 0.3 s.
// Between the one SuspendGame and the one ResumeGame input still arrives; a
// minimised window draws nothing, a merely unfocused one draws once per
// event (and counts as not minimised even when minimised after losing
// focus); the first update after the resume is due at once.
struct SuspendCase {
    const char* name;
    std::vector<std::pair<double, glfw_fake::Event>> script;
    std::vector<std::string> whileSuspended;
};

class SuspendTest : public LoopTest, public ::testing::WithParamInterface<SuspendCase> {};

TEST_P(SuspendTest, SuspendsOnceAndResumesOnceWithAnUpdateDueAtOnce) {
    RecordingDelegate* d = AttachAtSixty();
    std::vector<bool> iconifiedAtRender;
    d->onRender = [&] { iconifiedAtRender.push_back(host_->Iconified()); };
    for (const auto& [time, event] : GetParam().script)
        glfw_fake::At(time, event);
    glfw_fake::EndAt(0.34);
    host_->Run();

    const auto steps = Timeline();
    const size_t suspend = IndexOf(steps, "suspend");
    const size_t resume = IndexOf(steps, "resume");
    ASSERT_LT(suspend, resume);
    ASSERT_LT(resume + 1, steps.size());
    EXPECT_EQ(CountIn(steps, "suspend", 0, steps.size()), 1);
    EXPECT_EQ(CountIn(steps, "resume", 0, steps.size()), 1);
    EXPECT_EQ(Names(steps, suspend, resume), GetParam().whileSuspended);
    EXPECT_EQ(steps[resume + 1].what, "update");
    EXPECT_NEAR(steps[resume + 1].time, 0.3, kTimeEps);
    EXPECT_EQ(CountIn(steps, "update", resume, steps.size()), 3);
    for (bool iconified : iconifiedAtRender)
        EXPECT_FALSE(iconified);
}

INSTANTIATE_TEST_SUITE_P(
    Suspension, SuspendTest,
    ::testing::Values(SuspendCase{"Minimised",
                                  {{0.055, glfw_fake::Iconify(true)},
                                   {0.1, glfw_fake::MousePos(5, 5)},
                                   {0.2, glfw_fake::MousePos(6, 6)},
                                   {0.3, glfw_fake::Iconify(false)}},
                                  {"suspend", "wait", "mouse 6 -1 5 5", "wait", "mouse 6 -1 6 6",
                                   "wait"}},
                      SuspendCase{"Unfocused",
                                  {{0.055, glfw_fake::Focus(false)},
                                   {0.1, glfw_fake::MousePos(5, 5)},
                                   {0.2, glfw_fake::Key('A', GLFW_PRESS)},
                                   {0.3, glfw_fake::Focus(true)}},
                                  {"suspend", "render", "wait", "mouse 6 -1 5 5", "render", "wait",
                                   "key 1 65", "render", "wait"}},
                      SuspendCase{"UnfocusedThenMinimisedStaysVisible",
                                  {{0.055, glfw_fake::Focus(false)},
                                   {0.1, glfw_fake::Iconify(true)},
                                   {0.2, glfw_fake::MousePos(5, 5)},
                                   {0.3, glfw_fake::Iconify(false)}},
                                  {"suspend", "render", "wait", "render", "wait", "mouse 6 -1 5 5",
                                   "render", "wait"}}),
    [](const ::testing::TestParamInfo<SuspendCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// The guarded wrappers
// ---------------------------------------------------------------------------

TEST_F(LoopTest, WrappersPassOnlyInTheirStatesAndStepTheCollectorOnlyWhenTheyDo) {
    Attach();
    struct Row {
        const char* call;
        std::function<void()> run;
        bool passes;
    };
    const std::vector<Row> rows = {
        {"update before start", [&] { host_->UpdateGame(); }, false},
        {"render before start", [&] { host_->RenderGame(); }, false},
        {"key before start", [&] { host_->KeyEvent(1, 65); }, false},
        {"resume before start", [&] { host_->ResumeGame(); }, false},
        {"suspend before start", [&] { host_->SuspendGame(); }, false},
        {"start", [&] { host_->StartGame(); }, true},
        {"second start", [&] { host_->StartGame(); }, false},
        {"resume while running", [&] { host_->ResumeGame(); }, false},
        {"update", [&] { host_->UpdateGame(); }, true},
        {"suspend", [&] { host_->SuspendGame(); }, true},
        {"second suspend", [&] { host_->SuspendGame(); }, false},
        {"update while suspended", [&] { host_->UpdateGame(); }, false},
        {"render while suspended", [&] { host_->RenderGame(); }, true},
        {"key while suspended", [&] { host_->KeyEvent(1, 65); }, true},
        {"mouse while suspended", [&] { host_->MouseEvent(6, -1, 1, 2); }, true},
        {"touch while suspended", [&] { host_->TouchEvent(7, 0, 1, 2); }, true},
        {"motion while suspended", [&] { host_->MotionEvent(10, 0, 1, 2, 3); }, true},
        {"discard while suspended", [&] { host_->DiscardGraphics(); }, true},
        {"resume", [&] { host_->ResumeGame(); }, true},
        {"second resume", [&] { host_->ResumeGame(); }, false},
        {"update after resume", [&] { host_->UpdateGame(); }, true},
    };
    for (const Row& row : rows) {
        const size_t marks = glfw_fake::CallsNamed("mark").size();
        const int collects = host_->collects;
        row.run();
        const bool passed = glfw_fake::CallsNamed("mark").size() > marks;
        EXPECT_EQ(passed, row.passes) << row.call;
        EXPECT_EQ(host_->collects - collects, row.passes ? 1 : 0) << row.call;
    }
}

// Re-creating the window from inside an update sends key-ups and a mouse move
// through the guarded wrappers; their collector steps must wait until the
// update returns, or objects only the update's locals hold are destroyed.
TEST_F(LoopTest, AWindowSwitchInsideAnUpdateDoesNotStepTheCollector) {
    struct Probe : Object {
        bool* gone;
        explicit Probe(bool* g) : gone(g) {}
        ~Probe() override { *gone = true; }
    };
    const bool stress = gc_stress();
    gc_set_stress(true);
    RecordingDelegate* d = Attach();
    host_->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
    host_->StartGame();
    glfw_fake::SetKey('Q', true);
    bool gone = false;
    d->onUpdate = [&] {
        new Probe(&gone);
        host_->SetGlfwWindow(1280, 1024, 8, 8, 8, 0, 0, 0, true);
        // Allocating destroys whatever the collector found unreachable.
        while (gc_free_list.succ != &gc_free_list)
            new Object();
        EXPECT_FALSE(gone);
    };
    const int collects = host_->collects;
    host_->UpdateGame();
    EXPECT_EQ(host_->collects - collects, 1);
    EXPECT_EQ(Trace().back(), "mouse 6 -1 0 0");
    gc_set_stress(stress);
}

TEST_F(LoopTest, ALanguageExceptionFromTheApplicationEndsTheProcess) {
    RecordingDelegate* d = Attach();
    d->onUpdate = [] { throw new ThrowableObject(); };
    host_->StartGame();
    const ChildResult r = RunInChild([&] { host_->UpdateGame(); });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Vantor Runtime Error : Uncaught Vantor Exception\n");
}

// ---------------------------------------------------------------------------
// Clock and calendar
// ---------------------------------------------------------------------------

TEST_F(LoopTest, MillisecsCountsWholeMillisecondsAndWrapsInsteadOfOverflowing) {
    const struct {
        double seconds;
        int ms;
    } cases[] = {
        {0.0, 0},
        {0.0009, 0},
        {1.2345, 1234},
        {60.0, 60000},
        {2147483.647, 2147483647},
        // 2^31 ms, after almost 25 days: a 32-bit counter goes negative.
        {2147483.648, -2147483647 - 1},
        {4294967.297, 1},
    };
    for (const auto& c : cases) {
        glfw_fake::SetTime(c.seconds);
        EXPECT_EQ(host_->Millisecs(), c.ms) << c.seconds;
    }
}

TEST_F(LoopTest, GetDateFillsOnlyTheElementsThereAreRoomFor) {
    Array<int> three(3);
    Array<int> eight(8);
    eight[6] = 99;
    eight[7] = 99;
    Array<int> none;
    const time_t before = time(nullptr);
    host_->GetDate(three);
    host_->GetDate(eight);
    host_->GetDate(none);
    struct tm local {};
    localtime_r(&before, &local);

    EXPECT_EQ(three[0], local.tm_year + 1900);
    EXPECT_EQ(three[1], local.tm_mon + 1);
    EXPECT_EQ(three[2], local.tm_mday);
    EXPECT_EQ(eight[0], local.tm_year + 1900);
    EXPECT_GE(eight[3], 0);
    EXPECT_LE(eight[3], 23);
    EXPECT_LE(eight[5], 60);
    EXPECT_EQ(eight[6], 0);
    EXPECT_EQ(eight[7], 99);
}
