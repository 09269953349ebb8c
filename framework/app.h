// The application layer between the host and the game: the application base
// class c_App, the game delegate that turns host calls into application calls
// and input-device updates, the bb_app_* functions through which the
// application talks to the host, and the pump for asynchronous event sources
// with its stack. Relies on the host (BBGame, BBGameDelegate, event codes),
// the graphics and audio devices, the input device and the runtime.
#pragma once

#include "audio/audio.h"
#include "framework/input.h"
#include "graphics/renderer.h"
#include "host/bbgame.h"
#include "host/events.h"
#include "runtime/runtime.h"

// The application: the game derives from it and overrides the five
// handlers, each of which does nothing here.
class c_App : public Object {
public:
    // Attaches this application to the host; there can be only one.
    c_App* m_new();

    virtual int p_OnCreate();
    virtual int p_OnSuspend();
    virtual int p_OnResume();
    virtual int p_OnUpdate();
    virtual int p_OnRender();

    // Both end the program at once.
    int p_OnClose();
    int p_OnBack();
};

// The host's delegate: owns the three devices and forwards the host's calls
// to the application and the input device.
class c_GameDelegate : public BBGameDelegate {
public:
    gxtkGraphics* m__graphics = nullptr;
    gxtkAudio* m__audio = nullptr;
    c_InputDevice* m__input = nullptr;

    c_GameDelegate* m_new();
    void mark() override;

    void StartGame() override;
    void SuspendGame() override;
    void ResumeGame() override;
    void UpdateGame() override;
    void RenderGame() override;
    void KeyEvent(int event, int data) override;
    void MouseEvent(int event, int data, float x, float y) override;
    void TouchEvent(int event, int data, float x, float y) override;
    void MotionEvent(int event, int data, float x, float y, float z) override;
    void DiscardGraphics() override;
};

// A source of asynchronous events (loaders, network), pumped once per update.
class c_IAsyncEventSource : public gc_interface {
public:
    virtual void p_UpdateAsyncEvents() = 0;
};

// The growable stack of event sources.
class c_Stack : public Object {
public:
    static c_IAsyncEventSource* m_NIL;

    Array<c_IAsyncEventSource*> m_data;
    int m_length = 0;

    c_Stack* m_new();
    void mark() override;

    void p_Push(c_IAsyncEventSource* value);
    // Removes every occurrence of the source, keeping the others in order.
    void p_RemoveEach(c_IAsyncEventSource* value);
    c_IAsyncEventSource* p_Get(int index);
    int p_Length2();
};

extern c_App* bb_app__app;
extern c_GameDelegate* bb_app__delegate;
extern BBGame* bb_app__game;
extern int bb_app__updateRate;
extern c_Stack* bb_asyncevent__sources;
extern c_IAsyncEventSource* bb_asyncevent__current;

// Registers the framework's collectable globals with the collector's roots.
void bb_app_RegisterRoots();

int bb_app_SetUpdateRate(int rate);
int bb_app_Millisecs();
String bb_app_LoadState();
int bb_app_SaveState(String state);
// Ends the process at once with status 0; never returns.
int bb_app_EndApp();

int bb_asyncevent_AddAsyncEventSource(c_IAsyncEventSource* source);
int bb_asyncevent_RemoveAsyncEventSource(c_IAsyncEventSource* source);
int bb_asyncevent_UpdateAsyncEvents();
