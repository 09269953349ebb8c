// A scripted stand-in for the window layer (platform/glfw2.h) for tests:
// a virtual clock, a window whose states the test sets, events the test
// injects or schedules, scripted key, mouse, joystick and display-mode state,
// and a record of every call that changes something.
//
// Link: `dropling_fake_glfw` (tests/fakes/CMakeLists.txt) in place of the
// real layer. It is an object library, so it always wins over the real
// window layer inside dropling_platform, whatever the link order; the real
// _wfopen and ShellExecuteA stay available. Call glfw_fake::Reset() at the
// start of every test (a fixture's SetUp): all state below is global.
//
// ---------------------------------------------------------------------------
// Time
//   The clock starts at 0 and moves only when
//     - glfwSleep(d) is called (it advances by d, if d > 0, and is recorded),
//     - glfwWaitEvents() has nothing to deliver and jumps to the next
//       scheduled event (see Events), or
//     - the test calls AdvanceTime / SetTime (e.g. from inside an
//       application update, to make that update "take" 100 ms).
//   glfwInit does not touch the clock. Nothing ever reads the real time.
//
// Window
//   glfwOpenWindow opens the one window (closing any open one first) with the
//   asked size (0 by 0 gives 640 by 480, as GLFW 2 did), focused and not
//   iconified. As in the real layer it forgets all callbacks, releases every
//   key, sets key repeat off and automatic polling on. SetOpenResult(false)
//   makes the next opens fail.
//   glfwGetWindowParam(GLFW_OPENED / GLFW_ACTIVE / GLFW_ICONIFIED) reads the
//   scripted state; SetWindowSize changes the size at once, the Focus /
//   Iconify events change the states at delivery time.
//
// Events
//   Inject(e) queues an event for the next glfwPollEvents / glfwWaitEvents.
//   At(t, e) schedules it for virtual time t: the first poll or wait at or
//   after t delivers it (events are delivered in time order, then in the
//   order they were given). Delivery calls the registered callbacks exactly
//   as the real layer does:
//     Key(key, action)   GLFW 2 key number; action GLFW_PRESS, GLFW_RELEASE
//                        or kRepeat (a held key's repeat: delivered as a
//                        press only while GLFW_KEY_REPEAT is enabled). Also
//                        updates what glfwGetKey reports.
//     Char(c)            the character callback, (c, GLFW_PRESS).
//     MouseButton(b, a)  the mouse-button callback.
//     MousePos(x, y)     moves the mouse; the callback runs only if the
//                        position changed (as with a real pointer).
//     Close()            the close button: calls the close callback; the
//                        window closes unless it returns 0.
//     Focus(bool)        the window gains or loses input focus.
//     Iconify(bool)      minimised (also loses focus) or restored (also
//                        regains focus), as a desktop does.
//     WindowLost()       the window is gone at once, no callback asked: the
//                        way for a test to end a host loop that vetoes Close.
//     Call(fn)           runs fn at delivery time (anything else).
//   glfwWaitEvents: if nothing is due, the clock jumps to the next scheduled
//   event; if nothing is scheduled at all, the window is lost (as WindowLost)
//   so that a loop waiting for events ends instead of hanging.
//   EndAt(t) is At(t, WindowLost()).
//   A safety net: after PollLimit() polls and waits together (default
//   100000) the window is lost and PollLimitReached() turns true, so a
//   looping host under test ends instead of hanging the suite.
//
// Hooks
//   OnPoll(fn) runs fn at the start of every glfwPollEvents and
//   glfwWaitEvents, before delivery: events it injects arrive in that same
//   call. Setting another replaces it; Reset clears it.
//
// Scripted state
//   SetKey(key, pressed) for glfwGetKey; SetMousePos(x, y) for
//   glfwGetMousePos (no callback); SetJoystick(joy, axes, buttons) makes a
//   joystick present with those axis values (GLFW 2 sense: y positive
//   upward) and button bytes (GLFW_PRESS / GLFW_RELEASE); RemoveJoystick
//   unplugs it. SetDesktopMode and SetVideoModes script the display modes
//   (defaults: desktop 1280 by 1024, 8 bits per colour; modes 640x480,
//   800x600, 1024x768, 1280x1024). SetInitResult(false) makes glfwInit fail.
//
// Record
//   Calls() lists, in order, the calls that change the window or time:
//   glfwInit, glfwTerminate, glfwOpenWindow, glfwOpenWindowHint,
//   glfwCloseWindow, glfwSetWindowTitle, glfwSetWindowPos, glfwPollEvents,
//   glfwWaitEvents, glfwSleep, glfwSwapBuffers, glfwEnable and glfwDisable,
//   each with its arguments and the virtual time. Queries and callback
//   registrations are not recorded. Mark(text) adds an entry named "mark" of
//   the test's own, so a test can see e.g. updates and renders interleaved
//   with sleeps.
// ---------------------------------------------------------------------------
#ifndef DROPLING_TESTS_FAKES_GLFW_FAKE_H
#define DROPLING_TESTS_FAKES_GLFW_FAKE_H

#include <functional>
#include <string>
#include <vector>

#include "platform/glfw2.h"

namespace glfw_fake {

// The action of a held key's repeat, for Key events.
constexpr int kRepeat = 2;

// ---- Reset --------------------------------------------------------------------

// Everything back to the start: clock 0, not initialised, no window, no
// events, no hooks, no callbacks, default modes, empty record.
void Reset();

// ---- Time ---------------------------------------------------------------------

void SetTime(double seconds);
void AdvanceTime(double seconds);

// ---- Window state -------------------------------------------------------------

void SetWindowSize(int width, int height);
void SetInitResult(bool ok);
void SetOpenResult(bool ok);

// ---- Events -------------------------------------------------------------------

struct Event {
    enum class Kind { Key, Char, MouseButton, MousePos, Close, Focus, Iconify, WindowLost, Call };
    Kind kind = Kind::Call;
    int a = 0;  // key, character, button, x, or the flag of Focus / Iconify
    int b = 0;  // action or y
    std::function<void()> call;
};

Event Key(int key, int action);
Event Char(int character);
Event MouseButton(int button, int action);
Event MousePos(int x, int y);
Event Close();
Event Focus(bool focused);
Event Iconify(bool iconified);
Event WindowLost();
Event Call(std::function<void()> fn);

void Inject(Event e);
void At(double time, Event e);
void EndAt(double time);
int PendingEvents();  // injected and scheduled, not yet delivered

void SetPollLimit(int polls);
bool PollLimitReached();

// ---- Hooks --------------------------------------------------------------------

void OnPoll(std::function<void()> hook);

// ---- Scripted input and display state ----------------------------------------

void SetKey(int key, bool pressed);
void SetMousePos(int x, int y);
void SetJoystick(int joy, std::vector<float> axes, std::vector<unsigned char> buttons);
void RemoveJoystick(int joy);
void SetDesktopMode(glfw2::GLFWvidmode mode);
void SetVideoModes(std::vector<glfw2::GLFWvidmode> modes);

// ---- Record -------------------------------------------------------------------

struct CallRecord {
    std::string name;          // e.g. "glfwSleep"; "mark" for Mark()
    std::vector<double> args;  // numeric arguments in order
    std::string text;          // glfwSetWindowTitle's title, Mark's text
    double time = 0;           // virtual time of the call
};

void Mark(const std::string& text);
const std::vector<CallRecord>& Calls();
int Swaps();         // glfwSwapBuffers calls
void ClearRecord();  // forget the record, keep the state

}  // namespace glfw_fake

#endif  // DROPLING_TESTS_FAKES_GLFW_FAKE_H
