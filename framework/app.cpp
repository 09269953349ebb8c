// The application base, the game delegate, the bb_app_* functions and the
// async event pump. Every method here runs on the loop's thread, entered
// through one of the host's guarded wrappers, so the collector never runs in
// the middle of one. Relies on the host, the graphics, audio and input
// devices and the runtime.
//
// Index
//   globals and roots
//   c_App
//   c_GameDelegate .... devices, the update bracket, the render pass, events
//   bb_app_*
//   async events ...... c_Stack and the pump
#include "framework/app.h"

#include "audio/sound.h"
#include "graphics/graphics.h"

// ---------------------------------------------------------------------------
// Globals and roots
// ---------------------------------------------------------------------------

c_App* bb_app__app = nullptr;
c_GameDelegate* bb_app__delegate = nullptr;
BBGame* bb_app__game = nullptr;
int bb_app__updateRate = 0;
c_Stack* bb_asyncevent__sources = nullptr;
c_IAsyncEventSource* bb_asyncevent__current = nullptr;
c_IAsyncEventSource* c_Stack::m_NIL = nullptr;

void bb_app_RegisterRoots() {
    gc_register_root(GC_ROOT_APP, &bb_app__app);
    gc_register_root(GC_ROOT_DELEGATE, &bb_app__delegate);
    gc_register_root(GC_ROOT_INPUT_DEVICE, &bb_input_device);
    gc_register_root(GC_ROOT_ASYNCEVENT_CURRENT, &bb_asyncevent__current);
    gc_register_root(GC_ROOT_ASYNCEVENT_SOURCES, &bb_asyncevent__sources);
    gc_register_root(GC_ROOT_STACK_NIL, &c_Stack::m_NIL);
}

// ---------------------------------------------------------------------------
// c_App
// ---------------------------------------------------------------------------

c_App* c_App::m_new() {
    if (bb_app__app) bbError(String("App has already been created"));
    gc_assign(bb_app__app, this);
    gc_assign(bb_app__delegate, (new c_GameDelegate())->m_new());
    bb_app__game->SetDelegate(bb_app__delegate);
    return this;
}

int c_App::p_OnCreate() {
    return 0;
}
int c_App::p_OnSuspend() {
    return 0;
}
int c_App::p_OnResume() {
    return 0;
}
int c_App::p_OnUpdate() {
    return 0;
}
int c_App::p_OnRender() {
    return 0;
}
int c_App::p_OnClose() {
    return bb_app_EndApp();
}
int c_App::p_OnBack() {
    return bb_app_EndApp();
}

// ---------------------------------------------------------------------------
// c_GameDelegate
// ---------------------------------------------------------------------------

c_GameDelegate* c_GameDelegate::m_new() {
    return this;
}

void c_GameDelegate::mark() {
    gc_mark_q(m__graphics);
    gc_mark_q(m__audio);
    gc_mark_q(m__input);
}

namespace {

// The default font's first character.
constexpr int kDefaultFontFirstChar = 32;

// What the graphics device's BeginRender asks of the render pass.
constexpr int kRenderDirect = 0;   // the application draws without the context
constexpr int kRenderSkipApp = 2;  // frame the pass but do not draw

}  // namespace

// The devices exist from here on; nothing before this point may draw, play
// or read input, not even the application's constructor.
void c_GameDelegate::StartGame() {
    gc_assign(m__graphics, new gxtkGraphics());
    bb_graphics_SetGraphicsDevice(m__graphics);
    bb_graphics_SetFont(nullptr, kDefaultFontFirstChar);

    gc_assign(m__audio, new gxtkAudio());
    bb_audio_SetAudioDevice(m__audio);

    gc_assign(m__input, (new c_InputDevice())->m_new());
    bb_input_SetInputDevice(m__input);

    bb_app__app->p_OnCreate();
}

// The audio pauses after the application has reacted and resumes before it
// does, so the application never hears a sound it did not expect.
void c_GameDelegate::SuspendGame() {
    bb_app__app->p_OnSuspend();
    m__audio->Suspend();
}

void c_GameDelegate::ResumeGame() {
    m__audio->Resume();
    bb_app__app->p_OnResume();
}

// Joysticks are polled before the update; the hits and characters it saw
// are cleared after it.
void c_GameDelegate::UpdateGame() {
    m__input->p_BeginUpdate();
    bb_app__app->p_OnUpdate();
    m__input->p_EndUpdate();
}

void c_GameDelegate::RenderGame() {
    const int mode = m__graphics->BeginRender();
    if (mode == kRenderDirect) {
        bb_app__app->p_OnRender();
        m__graphics->EndRender();
        return;
    }
    bb_graphics_BeginRender();
    if (mode != kRenderSkipApp) bb_app__app->p_OnRender();
    bb_graphics_EndRender();
    // Flushes the batch and swaps the buffers.
    m__graphics->EndRender();
}

void c_GameDelegate::KeyEvent(int event, int data) {
    m__input->p_KeyEvent(event, data);
    if (event != c_BBGameEvent::KeyDown) return;
    // Checked on every key-down, held or not: closing must always work.
    if (data == KEY_CLOSE) {
        bb_app__app->p_OnClose();
    } else if (data == KEY_BACK) {
        bb_app__app->p_OnBack();
    }
}

void c_GameDelegate::MouseEvent(int event, int data, float x, float y) {
    m__input->p_MouseEvent(event, data, x, y);
}

void c_GameDelegate::TouchEvent(int event, int data, float x, float y) {
    m__input->p_TouchEvent(event, data, x, y);
}

void c_GameDelegate::MotionEvent(int event, int data, float x, float y, float z) {
    m__input->p_MotionEvent(event, data, x, y, z);
}

void c_GameDelegate::DiscardGraphics() {
    m__graphics->DiscardGraphics();
}

// ---------------------------------------------------------------------------
// bb_app_*
// ---------------------------------------------------------------------------

int bb_app_SetUpdateRate(int rate) {
    bb_app__updateRate = rate;
    bb_app__game->SetUpdateRate(rate);
    return 0;
}

int bb_app_Millisecs() {
    return bb_app__game->Millisecs();
}

String bb_app_LoadState() {
    return bb_app__game->LoadState();
}

int bb_app_SaveState(String state) {
    return bb_app__game->SaveState(state);
}

int bb_app_EndApp() {
    bbError(String());
    return 0;
}

// ---------------------------------------------------------------------------
// Async events
// ---------------------------------------------------------------------------

namespace {

constexpr int kStackInitialCapacity = 8;

}  // namespace

c_Stack* c_Stack::m_new() {
    return this;
}

void c_Stack::mark() {
    gc_mark_q(m_data);
}

void c_Stack::p_Push(c_IAsyncEventSource* value) {
    if (m_length == m_data.Length()) {
        const int capacity = m_length ? m_length * 2 : kStackInitialCapacity;
        Array<c_IAsyncEventSource*> grown(capacity);
        for (int i = 0; i < m_length; ++i)
            gc_assign(grown[i], m_data[i]);
        gc_assign(m_data, grown);
    }
    gc_assign(m_data[m_length++], value);
}

void c_Stack::p_RemoveEach(c_IAsyncEventSource* value) {
    int kept = 0;
    for (int i = 0; i < m_length; ++i) {
        if (m_data[i] != value) gc_assign(m_data[kept++], m_data[i]);
    }
    for (int i = kept; i < m_length; ++i)
        m_data[i] = m_NIL;
    m_length = kept;
}

c_IAsyncEventSource* c_Stack::p_Get(int index) {
    return m_data[index];
}

int c_Stack::p_Length2() {
    return m_length;
}

int bb_asyncevent_AddAsyncEventSource(c_IAsyncEventSource* source) {
    bb_asyncevent__sources->p_Push(source);
    return 0;
}

// A source that removes itself while it is being pumped clears the current
// source, which tells the pump that the next source has moved into its slot.
int bb_asyncevent_RemoveAsyncEventSource(c_IAsyncEventSource* source) {
    if (source == bb_asyncevent__current) bb_asyncevent__current = nullptr;
    bb_asyncevent__sources->p_RemoveEach(source);
    return 0;
}

int bb_asyncevent_UpdateAsyncEvents() {
    // Already pumping further up the stack.
    if (bb_asyncevent__current) return 0;
    int i = 0;
    while (i < bb_asyncevent__sources->p_Length2()) {
        gc_assign(bb_asyncevent__current, bb_asyncevent__sources->p_Get(i));
        bb_asyncevent__current->p_UpdateAsyncEvents();
        if (bb_asyncevent__current) ++i;
    }
    bb_asyncevent__current = nullptr;
    return 0;
}
