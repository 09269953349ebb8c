// Controls: numbered actions per player from keys, joystick buttons and
// sticks and the pad entries (p_PlayKey), analogue steering from the touch
// stick, joystick 0 and ramped keys, the pointer and touch points in virtual
// pixels, the menu-key latch, the iCade cabinet (each button typed as one
// letter when pressed and another when released) and the full-screen switch.
// Relies on the input device, the host's window switch and the drawing
// vocabulary.
#include <cmath>

#include "framework/input.h"
#include "game/myapp.h"
#include "host/glfwgame.h"

namespace {

constexpr int kJoysticks = 4;
constexpr int kJoyButtonBase = 256;
constexpr int kJoyButtonStride = 32;
constexpr int kKeyLMB = 1;
constexpr int kKeyTouchBase = 384;
constexpr int kLeftStick = 0;
constexpr float kStickThreshold = 0.4f;
// Pad entries 0..18 are button states; 19 is the back key's hit count.
constexpr int kPadButtons = 19;

// One row of the action table. Lists end at the first -1.
struct ActionKeys {
    int action;
    int keys[4];       // keyboard keys when the iCade is off
    int iCadeKeys[3];  // keyboard keys when the iCade is on (it types letters)
    int buttons[3];    // joystick buttons
    int pad[3];        // m_Pad entries
    int stick;         // 0 none, else which left-stick direction counts
};

enum { kStickNone, kStickUp, kStickLeft, kStickRight, kStickDown };

const ActionKeys kActions[] = {
    {0, {38, 87, -1}, {38, -1}, {9, -1}, {0, -1}, kStickUp},
    {3, {37, 65, -1}, {37, -1}, {8, -1}, {3, -1}, kStickLeft},
    {5, {39, 68, -1}, {39, -1}, {10, -1}, {5, -1}, kStickRight},
    {8, {40, 83, -1}, {40, -1}, {11, -1}, {8, -1}, kStickDown},
    {10, {90, 74, 32, 13}, {32, 13, -1}, {0, -1}, {10, -1}, kStickNone},
    {11, {88, 75, 17, -1}, {17, -1}, {1, -1}, {11, -1}, kStickNone},
    {12, {67, 76, 16, -1}, {16, -1}, {2, -1}, {12, -1}, kStickNone},
    {13, {86, 73, -1}, {-1}, {3, -1}, {13, -1}, kStickNone},
    {14, {66, 85, -1}, {-1}, {4, -1}, {14, -1}, kStickNone},
    {15, {78, 79, -1}, {-1}, {5, -1}, {15, -1}, kStickNone},
    {99, {27, 192, 46, 8}, {27, 46, 8}, {6, 7, 14}, {16, 17, 19}, kStickNone},
};

const ActionKeys* FindAction(int action) {
    for (const ActionKeys& row : kActions)
        if (row.action == action) return &row;
    return nullptr;
}

template <int N>
bool AnyKeyDown(const int (&keys)[N], int base = 0) {
    for (int i = 0; i < N && keys[i] >= 0; ++i)
        if (bb_input_KeyDown(base + keys[i])) return true;
    return false;
}

c_JoyState* Joystick(int player) {
    if (player < 0 || player >= kJoysticks || !bb_input_device) return nullptr;
    return bb_input_device->m__joyStates[player];
}

// A device coordinate in virtual pixels; a device of no size (no render
// yet, or a minimised window) has no scale and leaves the value as it is.
int ToVirtual(float v, float scale) {
    const float r = scale > 0 ? v / scale : v;
    if (!(r > -2e9f && r < 2e9f)) return 0;
    return int(r);
}

// Menu keys: every action a player can press.
constexpr int kMenuActions[] = {0, 3, 5, 8, 10, 11, 12, 13, 14, 15, 99};

// The iCade's letters: the pad entry, the letters typed on press and on
// release (both cases).
struct ICadeButton {
    int pad;
    char press;
    char release;
};
const ICadeButton kICade[] = {
    {0, 'w', 'e'},  {8, 'x', 'z'},  {3, 'a', 'q'},  {5, 'd', 'c'},
    {13, 'y', 't'}, {14, 'u', 'f'}, {15, 'i', 'm'}, {16, 'o', 'g'},
    {10, 'h', 'r'}, {11, 'j', 'n'}, {12, 'k', 'p'}, {17, 'l', 'v'},
};
constexpr int kICadeDown = 2;

// One direction of ramped key steering: while held the value moves by
// `step` per update; released, it returns toward 0 by 0.2 per update.
// Returns true when the value changed the steering this update.
bool RampKey(bool held, float step, float& value) {
    if (held) {
        value += step;
        return true;
    }
    if (step < 0 && value < 0) {
        value = value + 0.2f > 0 ? 0 : value + 0.2f;
        return true;
    }
    if (step > 0 && value > 0) {
        value = value - 0.2f < 0 ? 0 : value - 0.2f;
        return true;
    }
    return false;
}

float Clamp1(float v) { return v < -1 ? -1 : v > 1 ? 1 : v; }

}  // namespace

// ---- actions ------------------------------------------------------------------------

int c_MyApp::p_PlayKey(int action, int allowStick, int player) {
    if (player < -1) return 0;
    const ActionKeys* row = FindAction(action);
    if (!row) return 0;
    const bool iCade = bb_Wyndle_iCadeControls == 1;
    if (iCade ? AnyKeyDown(row->iCadeKeys) : AnyKeyDown(row->keys)) return 1;
    for (int i = 0; i < 3 && row->pad[i] >= 0; ++i)
        if (m_Pad[row->pad[i]] != 0) return 1;
    if (c_JoyState* joy = Joystick(player)) {
        if (AnyKeyDown(row->buttons, kJoyButtonBase + kJoyButtonStride * player)) return 1;
        if (allowStick == 1 && !iCade) {
            const float x = joy->m_joyx[kLeftStick], y = joy->m_joyy[kLeftStick];
            switch (row->stick) {
                case kStickUp: if (y > kStickThreshold) return 1; break;
                case kStickDown: if (y < -kStickThreshold) return 1; break;
                case kStickLeft: if (x < -kStickThreshold) return 1; break;
                case kStickRight: if (x > kStickThreshold) return 1; break;
                default: break;
            }
        }
    }
    return 0;
}

int c_MyApp::p_PlayKeyAll(int action, int allowStick) {
    int sum = 0;
    for (int p = 0; p < kJoysticks; ++p)
        sum += p_PlayKey(action, allowStick, p);
    return sum;
}

float c_MyApp::p_StickX(int axis, int player) {
    c_JoyState* joy = Joystick(player);
    if (!joy || axis < 0 || axis >= joy->m_joyx.Length()) return 0;
    return joy->m_joyx[axis];
}

float c_MyApp::p_StickY(int axis, int player) {
    c_JoyState* joy = Joystick(player);
    if (!joy || axis < 0 || axis >= joy->m_joyy.Length()) return 0;
    // The left stick reads positive downward, like the screen.
    return axis == kLeftStick ? -joy->m_joyy[axis] : joy->m_joyy[axis];
}

// ---- steering -----------------------------------------------------------------------

int c_MyApp::p_AnalogueControl() {
    m_SteerX = m_Steer = 0;

    // The touch stick: the first touch sets the anchor, dragging away from
    // it steers, and a pointer far from the anchor slowly pulls it along.
    if (m_PointerDown == 0) {
        m_DragAnchorX = -1;
    } else {
        if (m_DragAnchorX == -1) {
            m_DragAnchorX = m_PointerX;
            m_DragAnchorY = m_PointerY;
        } else {
            m_SteerX = float(m_PointerX - m_DragAnchorX) / 72;
            m_Steer = float(m_PointerY - m_DragAnchorY) / 72;
            if (std::fabs(m_SteerX) < 0.1f && std::fabs(m_Steer) < 0.1f) m_SteerX = m_Steer = 0;
            if (m_PointerX - m_DragAnchorX > 64) m_DragAnchorX += 4;
            if (m_PointerX - m_DragAnchorX < -64) m_DragAnchorX -= 4;
            if (m_PointerY - m_DragAnchorY > 64) m_DragAnchorY += 4;
            if (m_PointerY - m_DragAnchorY < -64) m_DragAnchorY -= 4;
        }
        p_SetCol(0, 100, 250, 0.25f);
        p_Oval(float(m_DragAnchorX), float(m_DragAnchorY), 12, 12);
        p_Oval(float(m_PointerX), float(m_PointerY), 8, 8);
    }

    if (c_JoyState* joy = Joystick(0)) {
        const float x = joy->m_joyx[kLeftStick], y = joy->m_joyy[kLeftStick];
        if (std::fabs(x) > 0.2f || std::fabs(y) > 0.2f) {
            m_SteerX = x;
            m_Steer = -y;
        }
    }

    // Keys ramp in over about seven updates and out over five.
    if (RampKey(p_PlayKey(0, 0, 0) != 0, -0.15f, m_KeySteerY)) m_Steer = m_KeySteerY;
    if (RampKey(p_PlayKey(8, 0, 0) != 0, 0.15f, m_KeySteerY)) m_Steer = m_KeySteerY;
    if (RampKey(p_PlayKey(3, 0, 0) != 0, -0.15f, m_KeySteerX)) m_SteerX = m_KeySteerX;
    if (RampKey(p_PlayKey(5, 0, 0) != 0, 0.15f, m_KeySteerX)) m_SteerX = m_KeySteerX;

    m_SteerX = Clamp1(m_SteerX);
    m_Steer = Clamp1(m_Steer);
    m_KeySteerX = Clamp1(m_KeySteerX);
    m_KeySteerY = Clamp1(m_KeySteerY);

    if (bb_Wyndle_DebugMode == 1 && (std::fabs(m_SteerX) > 0.05f || std::fabs(m_Steer) > 0.05f)) {
        const float cx = bb_Wyndle_jscrw - 64, cy = bb_Wyndle_jscrh - 64;
        p_SetCol(0, 180, 250, 0.5f);
        p_Oval(cx, cy, 12, 12);
        p_Oval(cx + 52 * m_SteerX, cy + 52 * m_Steer, 8, 8);
    }
    return 0;
}

// ---- pointer, touches and menu keys ---------------------------------------------------

int c_MyApp::p_ReadPointer() {
    m_PointerPrevX = m_PointerX;
    m_PointerPrevY = m_PointerY;
    m_PointerX = ToVirtual(bb_input_MouseX(), m_ScaleX);
    m_PointerY = ToVirtual(bb_input_MouseY(), m_ScaleY);
    const int mouseDown = bb_input_KeyDown(kKeyLMB) ? 1 : 0;
    // A press never reports a jump from where the pointer was last seen.
    if (m_PointerWasDown == 0 && mouseDown == 1) {
        m_PointerPrevX = m_PointerX;
        m_PointerPrevY = m_PointerY;
    }
    m_PointerDown = mouseDown;
    m_PointerHit = bb_input_KeyHit(kKeyLMB);
    for (int k = 0; k < kTouchSlots; ++k) {
        m_TouchOn[k] = 0;
        m_TouchX[k] = m_TouchY[k] = kNone;
        if (bb_input_KeyDown(kKeyTouchBase + k)) {
            m_TouchOn[k] = 1;
            m_TouchX[k] = ToVirtual(bb_input_TouchX(k), m_ScaleX);
            m_TouchY[k] = ToVirtual(bb_input_TouchY(k), m_ScaleY);
            m_PointerDown = 1;
        }
    }
    m_PointerWasDown = mouseDown;
    if (m_PointerDown == 0) m_TouchLock = 0;
    if (m_HitDelay > 0) --m_HitDelay;
    return 0;
}

int c_MyApp::p_MenuKeys() {
    int held = 0;
    for (int action : kMenuActions)
        held += p_PlayKeyAll(action, 1);
    if (held == 0) {
        m_InputLatch = 0;
    } else if (m_InputLatch == 0 && m_TouchLock == 0 && p_PlayKeyAll(99, 1) > 0 && m_Mode == 1 &&
               (m_CreditsOpen == 1 || m_OptionsOpen == 1 || m_BadgesOpen == 1)) {
        m_CreditsOpen = 0;
        m_BadgesOpen = 0;
        m_InputLatch = 1;
        m_TouchLock = 1;
    }
    // The option box reads its own keys.
    if (m_OptionsOpen == 1) {
        m_InputLatch = 1;
        m_TouchLock = 1;
    }
    return 0;
}

// ---- iCade --------------------------------------------------------------------------

int c_MyApp::p_ReadICade() {
    for (;;) {
        m_LastChar = bb_input_GetChar();
        if (m_LastChar == 0) break;
        int c = m_LastChar;
        if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
        for (const ICadeButton& b : kICade) {
            if (c == b.press) m_Pad[b.pad] = kICadeDown;
            if (c == b.release) m_Pad[b.pad] = 0;
        }
    }
    return 0;
}

int c_MyApp::p_iCade(int on) {
    if (on == 1) {
        bb_input_EnableKeyboard();
        bb_Wyndle_iCadeControls = 1;
        while (bb_input_GetChar() != 0) {
        }
    } else {
        bb_input_DisableKeyboard();
        bb_Wyndle_iCadeControls = 0;
        for (int i = 0; i < kPadButtons; ++i)
            m_Pad[i] = 0;
    }
    return 0;
}

// ---- full screen --------------------------------------------------------------------

int c_MyApp::p_FullscreenFlip() {
    BBGlfwGame* host = BBGlfwGame::_glfwGame;
    if (!host) return 0;
    BBGlfwVideoMode* desktop = host->GetGlfwDesktopMode();
    m_Fullscreen = 1 - m_Fullscreen;
    if (m_Fullscreen == 1)
        host->SetGlfwWindow(desktop->width, desktop->height, desktop->red, desktop->green,
                            desktop->blue, 0, 0, 0, true);
    else
        host->SetGlfwWindow(640, 480, desktop->red, desktop->green, desktop->blue, 0, 0, 0, false);
    return 0;
}
