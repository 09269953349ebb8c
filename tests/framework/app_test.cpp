// The application layer: attaching the one application through a new delegate, the devices the
// delegate creates and keeps through collections, the order of its calls with the sound paused
// around a suspend and every render framed by the graphics device, the ways the program ends
// (close and back keys, EndApp, the window closed in the loop, a second application) in child
// processes, and the async event pump.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "tests/framework/framework_fixture.h"
#include "tests/support/child_process.h"

namespace {

using Event = c_BBGameEvent;

class AppTest : public FrameworkTest {};

// Reached at the last sweep: known to the collector and not awaiting destruction.
bool IsLive(const gc_object* p) {
    for (const gc_object* q = gc_free_list.succ; q != &gc_free_list; q = q->succ) {
        if (q == p) return false;
    }
    return gc_is_known_object(p);
}

// Logs its handlers, with the state of the sound on channel 0 whenever it hears of a suspend,
// a resume or a render, and whether a render draws to the graphics device.
class LoggingApp : public c_App {
public:
    std::vector<std::string> log;

    int p_OnCreate() override { return Log("create"); }
    int p_OnSuspend() override { return Log(Sound() + ", suspend"); }
    int p_OnResume() override { return Log(Sound() + ", resume"); }
    int p_OnUpdate() override { return Log("update"); }
    int p_OnRender() override {
        const bool framed = bb_graphics_device && bb_graphics_renderDevice == bb_graphics_device;
        return Log(Sound() + (framed ? ", render to the device" : ", render outside a pass"));
    }

private:
    static std::string Sound() {
        const ALint state = fakeal::SourceAt(bb_audio_device->channels[0].source)->state;
        return state == AL_PLAYING ? "sound playing" : "sound paused";
    }
    int Log(const std::string& what) {
        log.push_back(what);
        return 0;
    }
};

TEST_F(AppTest, TheDelegateCreatesTheDevicesKeepsThemAndFramesEveryCall) {
    host_->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
    auto* app = new LoggingApp();
    EXPECT_EQ(app->m_new(), app);
    EXPECT_EQ(bb_app__app, app);
    ASSERT_NE(bb_app__delegate, nullptr);
    EXPECT_EQ(host_->Delegate(), bb_app__delegate);
    EXPECT_EQ(bb_input_device, nullptr) << "no device before the game starts";
    host_->StartGame();
    EXPECT_EQ(std::make_tuple(bb_input_device, bb_graphics_device, bb_audio_device),
              std::make_tuple(bb_app__delegate->m__input, bb_app__delegate->m__graphics,
                              bb_app__delegate->m__audio));
    ASSERT_TRUE(bb_input_device && bb_graphics_device && bb_audio_device);
    bb_app_SetUpdateRate(30);
    EXPECT_EQ(std::make_pair(bb_app__updateRate, host_->UpdateRate()), std::make_pair(30, 30));

    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    bb_audio_device->PlaySample(new gxtkSample(buffer), 0, 1);
    const int swaps = glfw_fake::Swaps();
    gc_set_stress(true);  // every call sweeps: the devices live only through the roots
    host_->SuspendGame();
    host_->RenderGame();
    host_->ResumeGame();
    host_->UpdateGame();
    host_->RenderGame();
    EXPECT_EQ(app->log,
              (std::vector<std::string>{
                  "create", "sound playing, suspend", "sound paused, render to the device",
                  "sound playing, resume", "update", "sound playing, render to the device"}));
    EXPECT_EQ(glfw_fake::Swaps(), swaps + 2);
    EXPECT_EQ(bb_graphics_renderDevice, nullptr);
    const gc_object* kept[] = {bb_input_device, bb_input_device->m__keyDown.GetRep(),
                               bb_input_device->m__joyStates[3]->m_buttons.GetRep(), bb_app__app};
    for (const gc_object* p : kept)
        EXPECT_TRUE(IsLive(p));
}

TEST_F(AppTest, OnlyTheEndingPathsEndTheProgramAtOnceWithStatusZero) {
    // A key event after the game has started; `held`: the key is already down.
    auto key = [this](int event, int code, bool held = false) {
        return [this, event, code, held] {
            StartApp();
            if (held) {
                bb_input_device->p_KeyEvent(Event::KeyDown, code);
                host_->UpdateGame();  // down, but no longer a new hit
            }
            host_->KeyEvent(event, code);
        };
    };
    const std::string running = "still running\n";
    struct Case {
        const char* what;
        std::function<void()> body;
        int status;
        std::string out, err;
    };
    const Case cases[] = {
        {"close key", key(Event::KeyDown, KEY_CLOSE), 0, "", ""},
        {"close key already down", key(Event::KeyDown, KEY_CLOSE, true), 0, "", ""},
        {"back key", key(Event::KeyDown, KEY_BACK), 0, "", ""},
        {"back key already down", key(Event::KeyDown, KEY_BACK, true), 0, "", ""},
        {"close key up", key(Event::KeyUp, KEY_CLOSE), kChildBodyReturned, running, ""},
        {"close key char", key(Event::KeyChar, KEY_CLOSE), kChildBodyReturned, running, ""},
        {"escape", key(Event::KeyDown, KEY_ESCAPE), kChildBodyReturned, running, ""},
        {"EndApp", [] { bb_app_EndApp(); }, 0, "", ""},
        {"the window closed in the loop",
         [this] {
             (new TestApp())->m_new();
             glfw_fake::At(0.5, glfw_fake::Close());
             host_->Run();
         },
         0, "", ""},
        {"a second application",
         [] {
             (new TestApp())->m_new();
             (new TestApp())->m_new();
         },
         255, "Vantor Runtime Error : App has already been created\n\n", "{{~~(null)~~}}\n\n"},
    };
    for (const Case& c : cases) {
        const ChildResult r = RunInChild([&c, &running] {
            c.body();
            std::printf("%s", running.c_str());
        });
        EXPECT_EQ(std::tie(r.status, r.out, r.err), std::tie(c.status, c.out, c.err)) << c.what;
    }
}

// An event source that logs its turns and can act during them.
class Source : public Object, public c_IAsyncEventSource {
public:
    std::string name;
    std::function<void()> action;
    static inline std::vector<std::string> turns;

    void p_UpdateAsyncEvents() override {
        turns.push_back(name);
        if (action) action();
    }
};

TEST_F(AppTest, ThePumpVisitsEverySourceOnceEvenWhenOneRemovesItselfOrPumpsAgain) {
    Source::turns.clear();
    std::vector<Source*> sources;
    std::vector<std::string> names;
    for (int i = 0; i < 18; ++i) {  // more than the stack's first places: it grows
        sources.push_back(new Source());
        names.push_back(sources.back()->name = std::to_string(i));
        bb_asyncevent_AddAsyncEventSource(sources.back());
    }
    sources[0]->action = [] { bb_asyncevent_UpdateAsyncEvents(); };  // nothing inside a pump
    sources[1]->action = [s = sources[1]] { bb_asyncevent_RemoveAsyncEventSource(s); };
    // Two collections: the first keeps what the barrier greyed, the second only what the roots
    // reach (the stack's array and its sources).
    gc_set_stress(true);
    host_->gc_collect();
    host_->gc_collect();
    bb_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(Source::turns, names);
    EXPECT_EQ(bb_asyncevent__current, nullptr);
    EXPECT_TRUE(IsLive(bb_asyncevent__sources->m_data.GetRep()) && IsLive(sources.back()));

    Source::turns.clear();
    names.erase(names.begin() + 1);
    bb_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(Source::turns, names);
}

}  // namespace
