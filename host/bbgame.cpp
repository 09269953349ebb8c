// BBGame's own behaviour: the defaults of the platform hooks, the guarded
// wrappers around the delegate, the collector step, the uncaught-exception
// exit and the calendar date. File access lives in files.cpp. Relies on the
// runtime for the collector step and the error exit.
#include "host/bbgame.h"

#include <ctime>

BBGame* BBGame::_game = nullptr;

BBGame::BBGame() {
    _game = this;
}

BBGame::~BBGame() = default;

void BBGame::SetDelegate(BBGameDelegate* delegate) {
    _delegate = delegate;
}
BBGameDelegate* BBGame::Delegate() {
    return _delegate;
}
void BBGame::SetKeyboardEnabled(bool enabled) {
    _keyboardEnabled = enabled;
}
bool BBGame::KeyboardEnabled() {
    return _keyboardEnabled;
}
void BBGame::SetUpdateRate(int rate) {
    _updateRate = rate;
}
int BBGame::UpdateRate() {
    return _updateRate;
}
bool BBGame::Started() {
    return _started;
}
bool BBGame::Suspended() {
    return _suspended;
}
int BBGame::Millisecs() {
    return 0;
}

bool BBGame::PollJoystick(int, Array<float>, Array<float>, Array<float>, Array<bool>) {
    return false;
}

void BBGame::OpenUrl(String) {}
void BBGame::SetMouseVisible(bool) {}
String BBGame::PathToFilePath(String path) {
    return path;
}

void BBGame::GetDate(Array<int> date) {
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    const int fields[] = {local.tm_year + 1900,
                          local.tm_mon + 1,
                          local.tm_mday,
                          local.tm_hour,
                          local.tm_min,
                          local.tm_sec,
                          0};
    const int count = static_cast<int>(sizeof fields / sizeof fields[0]);
    for (int i = 0; i < date.Length() && i < count; ++i)
        date[i] = fields[i];
}

void BBGame::Die(ThrowableObject*) {
    bbDieUncaught();
}

void BBGame::gc_collect() {
    gc_collect_step(_delegate);
}

// ---------------------------------------------------------------------------
// Guarded wrappers
// ---------------------------------------------------------------------------

namespace {

// Guarded calls running now. The application can start one from inside
// another (re-creating the window from an update sends key-ups and a mouse
// move), and objects held only by the outer call's locals are invisible to the
// collector, so only the outermost call steps it.
int g_guardedDepth = 0;

// A language exception must never unwind into the window system's callback
// machinery, so every call into the application is caught here; the collector
// then gets its step while no application code is on the stack.
template <typename Call>
void Guarded(BBGame* game, Call&& call) {
    ++g_guardedDepth;
    try {
        call();
    } catch (ThrowableObject* ex) {
        game->Die(ex);
    }
    if (--g_guardedDepth == 0) game->gc_collect();
}

}  // namespace

void BBGame::StartGame() {
    if (_started) return;
    _started = true;
    Guarded(this, [&] { _delegate->StartGame(); });
}

void BBGame::SuspendGame() {
    if (!_started || _suspended) return;
    _suspended = true;
    Guarded(this, [&] { _delegate->SuspendGame(); });
}

void BBGame::ResumeGame() {
    if (!_started || !_suspended) return;
    _suspended = false;
    Guarded(this, [&] { _delegate->ResumeGame(); });
}

void BBGame::UpdateGame() {
    if (!_started || _suspended) return;
    Guarded(this, [&] { _delegate->UpdateGame(); });
}

// Rendering and input keep flowing while suspended: a window that lost focus
// is still drawn and still hears the keyboard and mouse.
void BBGame::RenderGame() {
    if (!_started) return;
    Guarded(this, [&] { _delegate->RenderGame(); });
}

void BBGame::KeyEvent(int event, int data) {
    if (!_started) return;
    Guarded(this, [&] { _delegate->KeyEvent(event, data); });
}

void BBGame::MouseEvent(int event, int data, float x, float y) {
    if (!_started) return;
    Guarded(this, [&] { _delegate->MouseEvent(event, data, x, y); });
}

void BBGame::TouchEvent(int event, int data, float x, float y) {
    if (!_started) return;
    Guarded(this, [&] { _delegate->TouchEvent(event, data, x, y); });
}

void BBGame::MotionEvent(int event, int data, float x, float y, float z) {
    if (!_started) return;
    Guarded(this, [&] { _delegate->MotionEvent(event, data, x, y, z); });
}

void BBGame::DiscardGraphics() {
    if (!_started) return;
    Guarded(this, [&] { _delegate->DiscardGraphics(); });
}
