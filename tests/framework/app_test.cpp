// The application layer: attaching the one application, the delegate's
// devices and the order of its calls, the sound paused around a suspend, the ways the program ends (close
// button, back key, EndApp, a second application) in child processes, and
// the async event pump with sources that remove themselves or pump again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/framework/framework_fixture.h"
#include "tests/support/child_process.h"

using namespace glfw2;

namespace {

using Event = c_BBGameEvent;

class AppTest : public FrameworkTest {};

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

// Notes which device the graphics context draws to during a render.
class RenderProbe : public TestApp {
public:
    static inline gxtkGraphics* seen = nullptr;
    int p_OnRender() override {
        seen = bb_graphics_renderDevice;
        return TestApp::p_OnRender();
    }
};

Source* NewSource(const char* name) {
    auto* s = new Source();
    s->name = name;
    bb_asyncevent_AddAsyncEventSource(s);
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Attaching and the delegate
// ---------------------------------------------------------------------------

TEST_F(AppTest, TheApplicationAttachesItselfThroughANewDelegate) {
    auto* app = new TestApp();
    EXPECT_EQ(app->m_new(), app);
    EXPECT_EQ(bb_app__app, app);
    ASSERT_NE(bb_app__delegate, nullptr);
    EXPECT_EQ(host_->Delegate(), bb_app__delegate);
    EXPECT_EQ(bb_app__delegate->m__input, nullptr);
    EXPECT_EQ(bb_input_device, nullptr);

    host_->StartGame();
    EXPECT_EQ(TestApp::log, (std::vector<std::string>{"create"}));
    ASSERT_NE(bb_input_device, nullptr);
    ASSERT_NE(bb_graphics_device, nullptr);
    ASSERT_NE(bb_audio_device, nullptr);
    EXPECT_EQ(bb_input_device, bb_app__delegate->m__input);
    EXPECT_EQ(bb_graphics_device, bb_app__delegate->m__graphics);
    EXPECT_EQ(bb_audio_device, bb_app__delegate->m__audio);
    EXPECT_EQ(bb_input_device->m__joyStates.Length(), 4);
    // The rate the application asks for is kept in the framework too.
    bb_app_SetUpdateRate(30);
    EXPECT_EQ(bb_app__updateRate, 30);
    EXPECT_EQ(host_->UpdateRate(), 30);
}

TEST_F(AppTest, ARenderIsFramedByTheGraphicsDeviceAndEndsWithASwap) {
    host_->SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
    (new RenderProbe())->m_new();
    host_->StartGame();
    const int swaps = glfw_fake::Swaps();
    host_->RenderGame();
    EXPECT_EQ(RenderProbe::seen, bb_graphics_device);
    EXPECT_NE(RenderProbe::seen, nullptr);
    EXPECT_EQ(bb_graphics_renderDevice, nullptr);
    EXPECT_EQ(glfw_fake::Swaps(), swaps + 1);
}

TEST_F(AppTest, TheDelegateForwardsSuspendResumeUpdateAndRenderToTheApplication) {
    StartApp();
    host_->SuspendGame();
    host_->RenderGame();
    host_->ResumeGame();
    host_->UpdateGame();
    host_->RenderGame();
    EXPECT_EQ(TestApp::log, (std::vector<std::string>{"create", "suspend", "render", "resume",
                                                      "update", "render"}));
}

TEST_F(AppTest, TheDevicesSurviveCollectionThroughTheRoots) {
    StartApp();
    c_InputDevice* input = bb_input_device;
    // A whole cycle with a sweep, as after 8 MiB of allocation.
    gc_set_stress(true);
    for (int i = 0; i < 3; ++i)
        host_->UpdateGame();
    EXPECT_TRUE(gc_is_known_object(input));
    EXPECT_TRUE(gc_is_known_object(bb_app__app));
    EXPECT_TRUE(gc_is_known_object(input->m__keyDown.GetRep()));
    EXPECT_TRUE(gc_is_known_object(input->m__joyStates[3]->m_buttons.GetRep()));
    host_->KeyEvent(Event::KeyDown, KEY_A);
    host_->UpdateGame();
    TestApp::onUpdate = [] { EXPECT_TRUE(bb_input_KeyDown(KEY_A)); };
    host_->UpdateGame();
}

// ---------------------------------------------------------------------------
// Ending the program
// ---------------------------------------------------------------------------

TEST_F(AppTest, OnlyAKeyDownOfTheCloseOrBackKeyEndsTheProgramAtOnceWithStatusZero) {
    StartApp();
    const struct {
        int event, key;
        bool held;  // already down: the key-down ends the program all the same
        bool ends;
    } cases[] = {
        {Event::KeyDown, KEY_CLOSE, false, true},   {Event::KeyDown, KEY_CLOSE, true, true},
        {Event::KeyDown, KEY_BACK, false, true},    {Event::KeyDown, KEY_BACK, true, true},
        {Event::KeyUp, KEY_CLOSE, false, false},    {Event::KeyChar, KEY_CLOSE, false, false},
        {Event::KeyDown, KEY_ESCAPE, false, false},
    };
    for (const auto& c : cases) {
        if (c.held) bb_input_device->p_KeyEvent(Event::KeyDown, c.key);
        const ChildResult r = RunInChild([&c] {
            BBGame::_game->KeyEvent(c.event, c.key);
            printf("still running\n");
        });
        EXPECT_TRUE(r.exited) << c.event << " " << c.key << " " << c.held;
        EXPECT_EQ(r.status, c.ends ? 0 : kChildBodyReturned) << c.event << " " << c.key;
        EXPECT_EQ(r.out, c.ends ? "" : "still running\n") << c.event << " " << c.key;
    }
}

TEST_F(AppTest, ClosingTheWindowInTheLoopEndsTheProcessWithStatusZero) {
    (new TestApp())->m_new();
    glfw_fake::At(0.5, glfw_fake::Close());
    const ChildResult r = RunInChild([this] {
        host_->Run();
        printf("loop returned\n");
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(AppTest, EndAppEndsTheProcessWithStatusZeroAndNoOutput) {
    const ChildResult r = RunInChild([] {
        bb_app_EndApp();
        printf("returned\n");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST_F(AppTest, ASecondApplicationIsARuntimeError) {
    (new TestApp())->m_new();
    const ChildResult r = RunInChild([] { (new TestApp())->m_new(); });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Vantor Runtime Error : App has already been created\n\n");
}

// ---------------------------------------------------------------------------
// Async events
// ---------------------------------------------------------------------------

TEST_F(AppTest, ThePumpVisitsEverySourceOnceEvenWhenOneRemovesItselfOrPumpsAgain) {
    EXPECT_EQ(bb_asyncevent_UpdateAsyncEvents(), 0);  // no sources yet
    Source::turns.clear();
    Source* a = NewSource("a");
    Source* b = NewSource("b");
    NewSource("c");
    a->action = [] { bb_asyncevent_UpdateAsyncEvents(); };  // does nothing inside a pump
    b->action = [b] { bb_asyncevent_RemoveAsyncEventSource(b); };
    bb_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(Source::turns, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(bb_asyncevent__current, nullptr);
    EXPECT_EQ(bb_asyncevent__sources->p_Length2(), 2);

    Source::turns.clear();
    bb_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(Source::turns, (std::vector<std::string>{"a", "c"}));
}

TEST_F(AppTest, TheSourceStackGrowsAndKeepsItsOrder) {
    Source::turns.clear();
    std::vector<std::string> expected;
    static const char* const kNames[] = {"0", "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                         "9", "10", "11", "12", "13", "14", "15", "16", "17"};
    for (const char* name : kNames) {
        NewSource(name);
        expected.push_back(name);
    }
    // Collect in between: the stack's array and its sources must survive.
    gc_set_stress(true);
    host_->gc_collect();
    bb_asyncevent_UpdateAsyncEvents();
    EXPECT_EQ(Source::turns, expected);
}

// The delegate makes the audio device the global one; a suspend pauses the
// sound only after the application has reacted, a resume restarts it before
// the application hears of it.
namespace {

class ListeningApp : public TestApp {
public:
    static inline std::vector<ALint> heard;
    int p_OnSuspend() override { return Hear(), TestApp::p_OnSuspend(); }
    int p_OnResume() override { return Hear(), TestApp::p_OnResume(); }

private:
    static void Hear() {
        heard.push_back(fakeal::SourceAt(bb_audio_device->channels[0].source)->state);
    }
};

}  // namespace

TEST_F(AppTest, SoundPausesAfterTheApplicationSuspendsAndResumesBeforeItResumes) {
    ListeningApp::heard.clear();
    (new ListeningApp())->m_new();
    host_->StartGame();
    ASSERT_NE(bb_audio_device, nullptr);
    EXPECT_EQ(bb_audio_device, bb_app__delegate->m__audio);
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    bb_audio_device->PlaySample(new gxtkSample(buffer), 0, 1);
    const fakeal::Source* source = fakeal::SourceAt(bb_audio_device->channels[0].source);
    host_->SuspendGame();
    EXPECT_EQ(source->state, AL_PAUSED);
    host_->ResumeGame();
    EXPECT_EQ(source->state, AL_PLAYING);
    EXPECT_EQ(ListeningApp::heard, (std::vector<ALint>{AL_PLAYING, AL_PLAYING}));
    EXPECT_EQ(bb_audio_device->ChannelState(0), 1);
}

