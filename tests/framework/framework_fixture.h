// The fixture of the framework tests: a clean collector, the scripted window
// layer and the recording OpenGL and OpenAL fakes, a host, the framework's globals at their start
// values with their roots registered, and an application that logs its handlers and lets a test act
// inside an update. Relies on tests/support and tests/fakes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "framework/app.h"
#include "graphics/graphics.h"
#include "host/glfwgame.h"
#include "tests/fakes/fake_al.h"
#include "tests/fakes/fake_gl.h"
#include "tests/fakes/glfw_fake.h"
#include "tests/support/gc_fixture.h"

class TestApp : public c_App {
public:
    static inline std::function<void()> onUpdate;

    int p_OnUpdate() override {
        if (onUpdate) onUpdate();
        return 0;
    }
};

class FrameworkTest : public GcTest {
protected:
    void SetUp() override {
        GcTest::SetUp();
        savedStress_ = gc_stress();
        glfw_fake::Reset();
        fakegl::Reset();
        fakeal::Reset();
        glfw2::glfwInit();
        host_ = new BBGlfwGame();
        TestApp::onUpdate = nullptr;
        bb_app_RegisterRoots();
        bb_app__app = nullptr;
        bb_app__delegate = nullptr;
        bb_app__game = host_;
        bb_input_device = nullptr;
        bb_graphics_InitGlobals();
        bb_audio_device = nullptr;
        bb_app__updateRate = 0;
        bb_asyncevent__current = nullptr;
        gc_assign(bb_asyncevent__sources, (new c_Stack())->m_new());
    }
    void TearDown() override {
        bb_app__app = nullptr;
        bb_app__delegate = nullptr;
        bb_input_device = nullptr;
        bb_graphics_device = nullptr;
        bb_graphics_context = nullptr;
        bb_audio_device = nullptr;
        bb_asyncevent__sources = nullptr;
        bb_asyncevent__current = nullptr;
        delete host_;
        BBGame::_game = nullptr;
        BBGlfwGame::_glfwGame = nullptr;
        GcTest::TearDown();
        gc_set_stress(savedStress_);
    }

    // Creates the application and starts the game as the host would.
    void StartApp() {
        (new TestApp())->m_new();
        host_->StartGame();
    }

    BBGlfwGame* host_ = nullptr;

private:
    bool savedStress_ = false;
};
