// The scripted window layer for tests (see glfw_fake.h for what it promises):
// every glfw2:: function of platform/glfw2.h over one global state with a
// virtual clock, an event timeline and a call record.
//
// One file on purpose: the object library puts it on every test's link line
// whole, so no glfw2:: symbol is ever looked for in the real layer.
//
// Index:
//   1. State
//   2. Control interface (glfw_fake::)
//   3. Event delivery
//   4. The window layer (glfw2::)

#include "tests/fakes/glfw_fake.h"

#include "platform/glfw2_shared.h"

#include <algorithm>
#include <map>

namespace {

using namespace glfw2;

// ============================================================================
// 1. State
// ============================================================================

constexpr int kDefaultPollLimit = 100000;

struct Scheduled {
    double time;
    glfw_fake::Event event;
};

struct Joystick {
    std::vector<float> axes;
    std::vector<unsigned char> buttons;
};

struct Fake {
    // Clock and library.
    double now = 0;
    bool initialised = false;
    bool initResult = true;
    bool openResult = true;

    // The window.
    bool open = false;
    bool active = false;
    bool iconified = false;
    int width = 0;
    int height = 0;

    // Switches and callbacks (reset by each open).
    std::map<int, bool> enabled;
    shared::WindowCallbacks callbacks;

    // Input state.
    bool keys[GLFW_KEY_LAST + 1] = {};
    int mouseX = 0;
    int mouseY = 0;
    std::map<int, Joystick> joysticks;  // the ones plugged in
    GLFWvidmode desktop{1280, 1024, 8, 8, 8};
    std::vector<GLFWvidmode> modes{
        {640, 480, 8, 8, 8}, {800, 600, 8, 8, 8}, {1024, 768, 8, 8, 8}, {1280, 1024, 8, 8, 8}};

    // Events and hooks.
    std::vector<glfw_fake::Event> queue;
    std::vector<Scheduled> script;  // kept sorted by time, equal times in the order given
    int polls = 0;
    int pollLimit = kDefaultPollLimit;
    bool pollLimitReached = false;
    std::function<void()> pollHook;

    std::vector<glfw_fake::CallRecord> calls;
};

Fake fake;

void Record(const char* name, std::vector<double> args = {}, std::string text = {}) {
    fake.calls.push_back({name, std::move(args), std::move(text), fake.now});
}

bool ValidKey(int key) {
    return key >= 0 && key <= GLFW_KEY_LAST;
}

const Joystick* PresentJoystick(int joy) {
    const auto it = fake.joysticks.find(joy);
    return it == fake.joysticks.end() ? nullptr : &it->second;
}

// Copies at most `max` of `from` to `to`; returns how many.
template <class T>
int CopyUpTo(const std::vector<T>& from, T* to, int max) {
    if (!to || max <= 0) return 0;
    int n = std::min(max, static_cast<int>(from.size()));
    std::copy(from.begin(), from.begin() + n, to);
    return n;
}

void LoseWindow() {
    fake.open = false;
    fake.active = false;
    fake.iconified = false;
    fake.enabled = {{GLFW_KEY_REPEAT, false}, {GLFW_AUTO_POLL_EVENTS, true}};
    fake.callbacks = shared::WindowCallbacks();
    std::fill(std::begin(fake.keys), std::end(fake.keys), false);
}

}  // namespace

// ============================================================================
// 2. Control interface
// ============================================================================

namespace glfw_fake {

void Reset() {
    fake = Fake();
    LoseWindow();
}

void SetTime(double seconds) {
    fake.now = seconds;
}
void AdvanceTime(double seconds) {
    fake.now += seconds;
}

void SetWindowSize(int width, int height) {
    fake.width = width;
    fake.height = height;
}
void SetInitResult(bool ok) {
    fake.initResult = ok;
}
void SetOpenResult(bool ok) {
    fake.openResult = ok;
}

Event Key(int key, int action) {
    return {Event::Kind::Key, key, action, nullptr};
}
Event Char(int character) {
    return {Event::Kind::Char, character, 0, nullptr};
}
Event MouseButton(int button, int action) {
    return {Event::Kind::MouseButton, button, action, nullptr};
}
Event MousePos(int x, int y) {
    return {Event::Kind::MousePos, x, y, nullptr};
}
Event Close() {
    return {Event::Kind::Close, 0, 0, nullptr};
}
Event Focus(bool focused) {
    return {Event::Kind::Focus, focused ? 1 : 0, 0, nullptr};
}
Event Iconify(bool iconified) {
    return {Event::Kind::Iconify, iconified ? 1 : 0, 0, nullptr};
}
Event WindowLost() {
    return {Event::Kind::WindowLost, 0, 0, nullptr};
}
Event Call(std::function<void()> fn) {
    return {Event::Kind::Call, 0, 0, std::move(fn)};
}

void Inject(Event e) {
    fake.queue.push_back(std::move(e));
}

void At(double time, Event e) {
    // After every event already scheduled for the same time.
    auto later = std::upper_bound(fake.script.begin(), fake.script.end(), time,
                                  [](double t, const Scheduled& s) { return t < s.time; });
    fake.script.insert(later, Scheduled{time, std::move(e)});
}

void EndAt(double time) {
    At(time, WindowLost());
}

int PendingEvents() {
    return static_cast<int>(fake.queue.size() + fake.script.size());
}

void SetPollLimit(int polls) {
    fake.pollLimit = polls;
}
bool PollLimitReached() {
    return fake.pollLimitReached;
}

void OnPoll(std::function<void()> hook) {
    fake.pollHook = std::move(hook);
}

void SetKey(int key, bool pressed) {
    if (ValidKey(key)) fake.keys[key] = pressed;
}
void SetMousePos(int x, int y) {
    fake.mouseX = x;
    fake.mouseY = y;
}
void SetJoystick(int joy, std::vector<float> axes, std::vector<unsigned char> buttons) {
    fake.joysticks[joy] = Joystick{std::move(axes), std::move(buttons)};
}
void RemoveJoystick(int joy) {
    fake.joysticks.erase(joy);
}
void SetDesktopMode(GLFWvidmode mode) {
    fake.desktop = mode;
}
void SetVideoModes(std::vector<GLFWvidmode> modes) {
    fake.modes = std::move(modes);
}

void Mark(const std::string& text) {
    Record("mark", {}, text);
}
const std::vector<CallRecord>& Calls() {
    return fake.calls;
}

int Swaps() {
    return static_cast<int>(std::count_if(fake.calls.begin(), fake.calls.end(), [](const auto& c) {
        return c.name == "glfwSwapBuffers";
    }));
}

void ClearRecord() {
    fake.calls.clear();
}

}  // namespace glfw_fake

// ============================================================================
// 3. Event delivery
// ============================================================================

namespace {

void Deliver(const glfw_fake::Event& e) {
    using Kind = glfw_fake::Event::Kind;
    shared::WindowCallbacks& to = fake.callbacks;
    // A held key's repeat is a press, and only while key repeat is on.
    const bool repeat = e.kind == Kind::Key && e.b == glfw_fake::kRepeat;
    if (e.kind == Kind::Key && (!repeat || fake.enabled[GLFW_KEY_REPEAT])) {
        const int action = repeat ? GLFW_PRESS : e.b;
        if (ValidKey(e.a)) fake.keys[e.a] = action == GLFW_PRESS;
        if (to.onKey) to.onKey(e.a, action);
    }
    const bool printable = e.a >= 0 && shared::PrintableCharacter(static_cast<unsigned int>(e.a));
    if (e.kind == Kind::Char && printable && to.onChar) to.onChar(e.a, GLFW_PRESS);
    if (e.kind == Kind::MouseButton && to.onMouseButton) to.onMouseButton(e.a, e.b);
    if (e.kind == Kind::MousePos) shared::MoveCursor(to, fake.mouseX, fake.mouseY, e.a, e.b);
    if (e.kind == Kind::Close && fake.open && !shared::CloseVetoed(to)) LoseWindow();
    if (e.kind == Kind::Focus) fake.active = e.a != 0;
    if (e.kind == Kind::Iconify) {
        fake.iconified = e.a != 0;
        fake.active = e.a == 0;
    }
    if (e.kind == Kind::WindowLost) LoseWindow();
    if (e.kind == Kind::Call && e.call) e.call();
}

// Moves every scheduled event that is due into the queue.
void TakeDueEvents() {
    auto due = std::find_if(fake.script.begin(), fake.script.end(),
                            [](const Scheduled& s) { return s.time > fake.now; });
    for (auto it = fake.script.begin(); it != due; ++it)
        fake.queue.push_back(std::move(it->event));
    fake.script.erase(fake.script.begin(), due);
}

// Records a poll or wait, runs the hook and takes the due events; past the
// poll limit the window is lost instead, and the answer is false.
bool StartPoll(const char* name) {
    Record(name);
    if (++fake.polls > fake.pollLimit) {
        fake.pollLimitReached = true;
        LoseWindow();
        return false;
    }
    if (fake.pollHook) fake.pollHook();
    TakeDueEvents();
    return true;
}

// Delivers what is queued now; events that callbacks inject wait for the
// next poll, like events that arrive while a real poll is running.
void DeliverQueue() {
    std::vector<glfw_fake::Event> batch;
    batch.swap(fake.queue);
    for (const glfw_fake::Event& e : batch)
        Deliver(e);
}

void Switch(const char* name, int token, bool on) {
    Record(name, {double(token)});
    fake.enabled[token] = on;
}

}  // namespace

// ============================================================================
// 4. The window layer
// ============================================================================

namespace glfw2 {

int glfwInit() {
    Record("glfwInit");
    fake.initialised = fake.initResult;
    return fake.initResult ? 1 : 0;
}

void glfwTerminate() {
    Record("glfwTerminate");
    LoseWindow();
    fake.initialised = false;
}

int glfwOpenWindow(int width, int height, int redbits, int greenbits, int bluebits, int alphabits,
                   int depthbits, int stencilbits, int mode) {
    Record("glfwOpenWindow",
           {double(width), double(height), double(redbits), double(greenbits), double(bluebits),
            double(alphabits), double(depthbits), double(stencilbits), double(mode)});
    shared::FillWindowSize(width, height);
    LoseWindow();
    if (!fake.initialised || !fake.openResult || !shared::KnownWindowMode(mode)) return 0;
    fake.open = true;
    fake.active = true;
    fake.width = width;
    fake.height = height;
    return 1;
}

void glfwOpenWindowHint(int target, int hint) {
    Record("glfwOpenWindowHint", {double(target), double(hint)});
}

void glfwCloseWindow() {
    Record("glfwCloseWindow");
    LoseWindow();
}

void glfwSetWindowTitle(const char* title) {
    Record("glfwSetWindowTitle", {}, title ? title : "");
}

void glfwSetWindowPos(int x, int y) {
    Record("glfwSetWindowPos", {double(x), double(y)});
}

void glfwGetWindowSize(int* width, int* height) {
    if (width) *width = fake.open ? fake.width : 0;
    if (height) *height = fake.open ? fake.height : 0;
}

int glfwGetWindowParam(int param) {
    if (!fake.open) return 0;
    if (param == GLFW_ACTIVE) return fake.active ? 1 : 0;
    if (param == GLFW_ICONIFIED) return fake.iconified ? 1 : 0;
    return param == GLFW_OPENED || param == GLFW_ACCELERATED ? 1 : 0;
}

void glfwSwapBuffers() {
    Record("glfwSwapBuffers");
    if (fake.open && fake.enabled[GLFW_AUTO_POLL_EVENTS]) glfwPollEvents();
}

int glfwGetVideoModes(GLFWvidmode* list, int maxcount) {
    return CopyUpTo(fake.modes, list, maxcount);
}

void glfwGetDesktopMode(GLFWvidmode* mode) {
    if (mode) *mode = fake.desktop;
}

void glfwPollEvents() {
    if (StartPoll("glfwPollEvents")) DeliverQueue();
}

void glfwWaitEvents() {
    if (!StartPoll("glfwWaitEvents")) return;
    if (fake.queue.empty()) {
        if (fake.script.empty()) {
            // Nothing could ever wake this wait: end the window instead.
            LoseWindow();
            return;
        }
        fake.now = std::max(fake.now, fake.script.front().time);
        TakeDueEvents();
    }
    DeliverQueue();
}

int glfwGetKey(int key) {
    return ValidKey(key) && fake.keys[key] ? GLFW_PRESS : GLFW_RELEASE;
}

void glfwGetMousePos(int* xpos, int* ypos) {
    if (xpos) *xpos = fake.mouseX;
    if (ypos) *ypos = fake.mouseY;
}

void glfwSetWindowCloseCallback(GLFWwindowclosefun cbfun) {
    if (fake.open) fake.callbacks.onClose = cbfun;
}

void glfwSetKeyCallback(GLFWkeyfun cbfun) {
    if (fake.open) fake.callbacks.onKey = cbfun;
}

void glfwSetCharCallback(GLFWcharfun cbfun) {
    if (fake.open) fake.callbacks.onChar = cbfun;
}

void glfwSetMouseButtonCallback(GLFWmousebuttonfun cbfun) {
    if (fake.open) fake.callbacks.onMouseButton = cbfun;
}

void glfwSetMousePosCallback(GLFWmouseposfun cbfun) {
    if (fake.open) shared::SetMousePosCallback(fake.callbacks, cbfun, fake.mouseX, fake.mouseY);
}

void glfwEnable(int token) {
    Switch("glfwEnable", token, true);
}

void glfwDisable(int token) {
    Switch("glfwDisable", token, false);
}

int glfwGetJoystickParam(int joy, int param) {
    const Joystick* j = PresentJoystick(joy);
    if (!j) return 0;
    if (param == GLFW_AXES) return static_cast<int>(j->axes.size());
    if (param == GLFW_BUTTONS) return static_cast<int>(j->buttons.size());
    return param == GLFW_PRESENT ? 1 : 0;
}

int glfwGetJoystickPos(int joy, float* pos, int numaxes) {
    const Joystick* j = PresentJoystick(joy);
    return j ? CopyUpTo(j->axes, pos, numaxes) : 0;
}

int glfwGetJoystickButtons(int joy, unsigned char* buttons, int numbuttons) {
    const Joystick* j = PresentJoystick(joy);
    return j ? CopyUpTo(j->buttons, buttons, numbuttons) : 0;
}

double glfwGetTime() {
    return fake.now;
}

void glfwSleep(double time) {
    Record("glfwSleep", {time});
    if (time > 0) fake.now += time;
}

}  // namespace glfw2
