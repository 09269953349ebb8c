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
constexpr int kJoysticks = GLFW_JOYSTICK_LAST + 1;

struct Scheduled {
    double time;
    long order;  // equal times keep the order they were given in
    glfw_fake::Event event;
};

struct Joystick {
    bool present = false;
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
    bool nextResizable = true;  // from the hint, for the next open

    // Switches and callbacks (reset by each open).
    std::map<int, bool> enabled;
    shared::WindowCallbacks callbacks;

    // Input state.
    bool keys[GLFW_KEY_LAST + 1] = {};
    int mouseX = 0;
    int mouseY = 0;
    Joystick joysticks[kJoysticks];
    GLFWvidmode desktop{1280, 1024, 8, 8, 8};
    std::vector<GLFWvidmode> modes{
        {640, 480, 8, 8, 8}, {800, 600, 8, 8, 8}, {1024, 768, 8, 8, 8}, {1280, 1024, 8, 8, 8}};

    // Events and hooks.
    std::vector<glfw_fake::Event> queue;
    std::vector<Scheduled> script;  // kept sorted by (time, order)
    long nextOrder = 0;
    int polls = 0;
    int pollLimit = kDefaultPollLimit;
    bool pollLimitReached = false;
    std::function<void()> pollHook;

    // Record.
    std::vector<glfw_fake::CallRecord> calls;
    std::vector<glfw_fake::WindowRecord> windows;
};

Fake fake;

void Record(const char* name, std::vector<double> args = {}, std::string text = {}) {
    glfw_fake::CallRecord call;
    call.name = name;
    call.args = std::move(args);
    call.text = std::move(text);
    call.time = fake.now;
    fake.calls.push_back(std::move(call));
}

bool ValidKey(int key) {
    return key >= 0 && key <= GLFW_KEY_LAST;
}

const Joystick* PresentJoystick(int joy) {
    if (joy < 0 || joy >= kJoysticks || !fake.joysticks[joy].present) return nullptr;
    return &fake.joysticks[joy];
}

// Copies at most `max` of `from` to `to`; returns how many.
template <class T>
int CopyUpTo(const std::vector<T>& from, T* to, int max) {
    if (!to || max <= 0) return 0;
    int n = std::min(max, static_cast<int>(from.size()));
    std::copy(from.begin(), from.begin() + n, to);
    return n;
}

void ForgetWindowInput() {
    fake.enabled.clear();
    fake.enabled[GLFW_KEY_REPEAT] = false;
    fake.enabled[GLFW_AUTO_POLL_EVENTS] = true;
    fake.enabled[GLFW_MOUSE_CURSOR] = true;
    fake.callbacks = shared::WindowCallbacks();
    std::fill(std::begin(fake.keys), std::end(fake.keys), false);
}

void LoseWindow() {
    fake.open = false;
    fake.active = false;
    fake.iconified = false;
    fake.width = 0;
    fake.height = 0;
    ForgetWindowInput();
}

}  // namespace

// ============================================================================
// 2. Control interface
// ============================================================================

namespace glfw_fake {

void Reset() {
    fake = Fake();
    ForgetWindowInput();
}

void SetTime(double seconds) {
    fake.now = seconds;
}
void AdvanceTime(double seconds) {
    fake.now += seconds;
}

bool WindowOpen() {
    return fake.open;
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

namespace {
Event Make(Event::Kind kind, int a = 0, int b = 0) {
    Event e;
    e.kind = kind;
    e.a = a;
    e.b = b;
    return e;
}
}  // namespace

Event Key(int key, int action) {
    return Make(Event::Kind::Key, key, action);
}
Event Char(int character) {
    return Make(Event::Kind::Char, character);
}
Event MouseButton(int button, int action) {
    return Make(Event::Kind::MouseButton, button, action);
}
Event MousePos(int x, int y) {
    return Make(Event::Kind::MousePos, x, y);
}
Event Close() {
    return Make(Event::Kind::Close);
}
Event Focus(bool focused) {
    return Make(Event::Kind::Focus, focused ? 1 : 0);
}
Event Iconify(bool iconified) {
    return Make(Event::Kind::Iconify, iconified ? 1 : 0);
}
Event WindowLost() {
    return Make(Event::Kind::WindowLost);
}
Event Call(std::function<void()> fn) {
    Event e = Make(Event::Kind::Call);
    e.call = std::move(fn);
    return e;
}

void Inject(Event e) {
    fake.queue.push_back(std::move(e));
}

void At(double time, Event e) {
    Scheduled s{time, fake.nextOrder++, std::move(e)};
    auto later = std::upper_bound(
        fake.script.begin(), fake.script.end(), s, [](const Scheduled& x, const Scheduled& y) {
            return x.time < y.time || (x.time == y.time && x.order < y.order);
        });
    fake.script.insert(later, std::move(s));
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
    if (joy < 0 || joy >= kJoysticks) return;
    fake.joysticks[joy] = Joystick{true, std::move(axes), std::move(buttons)};
}
void RemoveJoystick(int joy) {
    if (joy >= 0 && joy < kJoysticks) fake.joysticks[joy] = Joystick();
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

std::vector<CallRecord> CallsNamed(const std::string& name) {
    std::vector<CallRecord> out;
    for (const CallRecord& c : fake.calls) {
        if (c.name == name) out.push_back(c);
    }
    return out;
}

int Count(const std::string& name) {
    return static_cast<int>(std::count_if(fake.calls.begin(), fake.calls.end(),
                                          [&](const CallRecord& c) { return c.name == name; }));
}

std::vector<double> Sleeps() {
    std::vector<double> out;
    for (const CallRecord& c : CallsNamed("glfwSleep"))
        out.push_back(c.args.at(0));
    return out;
}

int Swaps() {
    return Count("glfwSwapBuffers");
}
const std::vector<WindowRecord>& OpenedWindows() {
    return fake.windows;
}

std::vector<std::string> Titles() {
    std::vector<std::string> out;
    for (const CallRecord& c : CallsNamed("glfwSetWindowTitle"))
        out.push_back(c.text);
    return out;
}

std::vector<std::pair<int, int>> Positions() {
    std::vector<std::pair<int, int>> out;
    for (const CallRecord& c : CallsNamed("glfwSetWindowPos")) {
        out.emplace_back(static_cast<int>(c.args.at(0)), static_cast<int>(c.args.at(1)));
    }
    return out;
}

bool Enabled(int token) {
    auto it = fake.enabled.find(token);
    return it != fake.enabled.end() && it->second;
}

void ClearRecord() {
    fake.calls.clear();
    fake.windows.clear();
}

GLFWwindowclosefun CloseCallback() {
    return fake.callbacks.onClose;
}

}  // namespace glfw_fake

// ============================================================================
// 3. Event delivery
// ============================================================================

namespace {

void Deliver(const glfw_fake::Event& e) {
    using Kind = glfw_fake::Event::Kind;
    switch (e.kind) {
        case Kind::Key: {
            int action = e.b;
            if (action == glfw_fake::kRepeat) {
                if (!fake.enabled[GLFW_KEY_REPEAT]) return;
                action = GLFW_PRESS;
            }
            if (ValidKey(e.a)) fake.keys[e.a] = action == GLFW_PRESS;
            if (fake.callbacks.onKey) fake.callbacks.onKey(e.a, action);
            return;
        }
        case Kind::Char:
            if (e.a < 0 || !shared::PrintableCharacter(static_cast<unsigned int>(e.a))) return;
            if (fake.callbacks.onChar) fake.callbacks.onChar(e.a, GLFW_PRESS);
            return;
        case Kind::MouseButton:
            if (fake.callbacks.onMouseButton) fake.callbacks.onMouseButton(e.a, e.b);
            return;
        case Kind::MousePos:
            shared::MoveCursor(fake.callbacks, fake.mouseX, fake.mouseY, e.a, e.b);
            return;
        case Kind::Close:
            if (!fake.open) return;
            if (!shared::CloseVetoed(fake.callbacks)) LoseWindow();
            return;
        case Kind::Focus:
            fake.active = e.a != 0;
            return;
        case Kind::Iconify:
            fake.iconified = e.a != 0;
            fake.active = e.a == 0;
            return;
        case Kind::WindowLost:
            LoseWindow();
            return;
        case Kind::Call:
            if (e.call) e.call();
            return;
    }
}

// Moves every scheduled event that is due into the queue.
void TakeDueEvents() {
    auto due = fake.script.begin();
    while (due != fake.script.end() && due->time <= fake.now)
        ++due;
    for (auto it = fake.script.begin(); it != due; ++it)
        fake.queue.push_back(std::move(it->event));
    fake.script.erase(fake.script.begin(), due);
}

// Delivers what is queued now; events that callbacks inject wait for the
// next poll, like events that arrive while a real poll is running.
void DeliverQueue() {
    std::vector<glfw_fake::Event> batch;
    batch.swap(fake.queue);
    for (const glfw_fake::Event& e : batch)
        Deliver(e);
}

// Counts a poll or wait; past the limit the window is lost. False then.
bool CountPoll() {
    if (++fake.polls > fake.pollLimit) {
        fake.pollLimitReached = true;
        LoseWindow();
        return false;
    }
    return true;
}

}  // namespace

// ============================================================================
// 4. The window layer
// ============================================================================

namespace glfw2 {

int glfwInit() {
    Record("glfwInit");
    if (!fake.initResult) return 0;
    fake.initialised = true;
    return 1;
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
    bool resizable = fake.nextResizable;
    fake.nextResizable = true;
    LoseWindow();
    if (!fake.initialised || !fake.openResult || !shared::KnownWindowMode(mode)) return 0;

    glfw_fake::WindowRecord w;
    w.width = width;
    w.height = height;
    w.red = redbits;
    w.green = greenbits;
    w.blue = bluebits;
    w.alpha = alphabits;
    w.depth = depthbits;
    w.stencil = stencilbits;
    w.mode = mode;
    w.resizable = resizable;
    w.time = fake.now;
    fake.windows.push_back(w);

    fake.open = true;
    fake.active = true;
    fake.iconified = false;
    fake.width = width;
    fake.height = height;
    return 1;
}

void glfwOpenWindowHint(int target, int hint) {
    Record("glfwOpenWindowHint", {double(target), double(hint)});
    if (target == GLFW_WINDOW_NO_RESIZE) fake.nextResizable = hint == 0;
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
    switch (param) {
        case GLFW_OPENED:
            return 1;
        case GLFW_ACTIVE:
            return fake.active ? 1 : 0;
        case GLFW_ICONIFIED:
            return fake.iconified ? 1 : 0;
        case GLFW_ACCELERATED:
            return 1;
        default:
            return 0;
    }
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
    Record("glfwPollEvents");
    if (!CountPoll()) return;
    if (fake.pollHook) fake.pollHook();
    TakeDueEvents();
    DeliverQueue();
}

void glfwWaitEvents() {
    Record("glfwWaitEvents");
    if (!CountPoll()) return;
    if (fake.pollHook) fake.pollHook();
    TakeDueEvents();
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
    Record("glfwSetWindowCloseCallback", {cbfun ? 1.0 : 0.0});
    if (fake.open) fake.callbacks.onClose = cbfun;
}

void glfwSetKeyCallback(GLFWkeyfun cbfun) {
    Record("glfwSetKeyCallback", {cbfun ? 1.0 : 0.0});
    if (fake.open) fake.callbacks.onKey = cbfun;
}

void glfwSetCharCallback(GLFWcharfun cbfun) {
    Record("glfwSetCharCallback", {cbfun ? 1.0 : 0.0});
    if (fake.open) fake.callbacks.onChar = cbfun;
}

void glfwSetMouseButtonCallback(GLFWmousebuttonfun cbfun) {
    Record("glfwSetMouseButtonCallback", {cbfun ? 1.0 : 0.0});
    if (fake.open) fake.callbacks.onMouseButton = cbfun;
}

void glfwSetMousePosCallback(GLFWmouseposfun cbfun) {
    Record("glfwSetMousePosCallback", {cbfun ? 1.0 : 0.0});
    if (fake.open) shared::SetMousePosCallback(fake.callbacks, cbfun, fake.mouseX, fake.mouseY);
}

void glfwEnable(int token) {
    Record("glfwEnable", {double(token)});
    fake.enabled[token] = true;
}

void glfwDisable(int token) {
    Record("glfwDisable", {double(token)});
    fake.enabled[token] = false;
}

int glfwGetJoystickParam(int joy, int param) {
    const Joystick* j = PresentJoystick(joy);
    if (!j) return 0;
    switch (param) {
        case GLFW_PRESENT:
            return 1;
        case GLFW_AXES:
            return static_cast<int>(j->axes.size());
        case GLFW_BUTTONS:
            return static_cast<int>(j->buttons.size());
        default:
            return 0;
    }
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
