// The input device's rules: key-down flags, the hit queue and the character
// queue, the mirroring of the left mouse button and touch 0, joystick polling
// before each update and the clearing after it, and the bb_input_* readers.
// Relies on the host (joystick polling, the keyboard flag) and the runtime.
#include "framework/input.h"

#include "host/bbgame.h"

c_InputDevice* bb_input_device = nullptr;

namespace {

bool IsKeyCode(int key) {
    return key > 0 && key < KEY_COUNT;
}

int JoyKey(int unit, int button) {
    return KEY_JOY0 + KEY_JOY_STRIDE * unit + button;
}

// The left button and touch 0 are one pointer seen two ways: whichever
// arrives, both codes go down and both are hit.
int MirrorOf(int key) {
    if (key == KEY_LMB) return KEY_TOUCH0;
    if (key == KEY_TOUCH0) return KEY_LMB;
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and marking
// ---------------------------------------------------------------------------

c_JoyState* c_JoyState::m_new() {
    gc_assign(m_joyx, Array<float>(2));
    gc_assign(m_joyy, Array<float>(2));
    gc_assign(m_joyz, Array<float>(2));
    gc_assign(m_buttons, Array<bool>(c_InputDevice::kJoyButtons));
    return this;
}

void c_JoyState::mark() {
    gc_mark_q(m_joyx);
    gc_mark_q(m_joyy);
    gc_mark_q(m_joyz);
    gc_mark_q(m_buttons);
}

c_InputDevice* c_InputDevice::m_new() {
    gc_assign(m__joyStates, Array<c_JoyState*>(kJoysticks));
    gc_assign(m__keyDown, Array<bool>(KEY_COUNT));
    gc_assign(m__keyHitQueue, Array<int>(kHitQueueLength));
    gc_assign(m__keyHit, Array<int>(KEY_COUNT));
    gc_assign(m__charQueue, Array<int>(kCharQueueLength));
    gc_assign(m__touchX, Array<float>(kTouches));
    gc_assign(m__touchY, Array<float>(kTouches));
    for (int i = 0; i < kJoysticks; ++i)
        gc_assign(m__joyStates[i], (new c_JoyState())->m_new());
    return this;
}

void c_InputDevice::mark() {
    gc_mark_q(m__joyStates);
    gc_mark_q(m__keyDown);
    gc_mark_q(m__keyHitQueue);
    gc_mark_q(m__keyHit);
    gc_mark_q(m__charQueue);
    gc_mark_q(m__touchX);
    gc_mark_q(m__touchY);
}

// ---------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------

void c_InputDevice::p_PutKeyHit(int key) {
    if (m__keyHitPut == m__keyHitQueue.Length()) return;
    m__keyHit[key] += 1;
    m__keyHitQueue[m__keyHitPut++] = key;
}

// Codes outside the key space come from nowhere the host knows of; they are
// ignored rather than written past the tables.
void c_InputDevice::KeyDownEvent(int key) {
    if (!IsKeyCode(key) || m__keyDown[key]) return;
    m__keyDown[key] = true;
    p_PutKeyHit(key);
    if (const int mirror = MirrorOf(key)) {
        m__keyDown[mirror] = true;
        p_PutKeyHit(mirror);
    }
}

void c_InputDevice::KeyUpEvent(int key) {
    if (!IsKeyCode(key) || !m__keyDown[key]) return;
    m__keyDown[key] = false;
    if (const int mirror = MirrorOf(key)) m__keyDown[mirror] = false;
}

void c_InputDevice::p_KeyEvent(int event, int data) {
    switch (event) {
        case c_BBGameEvent::KeyDown:
            KeyDownEvent(data);
            break;
        case c_BBGameEvent::KeyUp:
            KeyUpEvent(data);
            break;
        case c_BBGameEvent::KeyChar:
            if (m__charPut < m__charQueue.Length()) m__charQueue[m__charPut++] = data;
            break;
        default:
            break;
    }
}

void c_InputDevice::p_MouseEvent(int event, int data, float x, float y) {
    switch (event) {
        case c_BBGameEvent::MouseDown:
            KeyDownEvent(KEY_LMB + data);
            break;
        case c_BBGameEvent::MouseUp:
            KeyUpEvent(KEY_LMB + data);
            return;
        case c_BBGameEvent::MouseMove:
            break;
        default:
            return;
    }
    m__mouseX = x;
    m__mouseY = y;
    m__touchX[0] = x;
    m__touchY[0] = y;
}

void c_InputDevice::p_TouchEvent(int event, int data, float x, float y) {
    // A touch the device has no place for would otherwise reach the key
    // codes that follow the touches'.
    if (data < 0 || data >= kTouches) return;
    switch (event) {
        case c_BBGameEvent::TouchDown:
            KeyDownEvent(KEY_TOUCH0 + data);
            break;
        case c_BBGameEvent::TouchUp:
            KeyUpEvent(KEY_TOUCH0 + data);
            return;
        case c_BBGameEvent::TouchMove:
            break;
        default:
            return;
    }
    m__touchX[data] = x;
    m__touchY[data] = y;
    if (data == 0) {
        m__mouseX = x;
        m__mouseY = y;
    }
}

void c_InputDevice::p_MotionEvent(int event, int, float x, float y, float z) {
    if (event != c_BBGameEvent::MotionAccel) return;
    m__accelX = x;
    m__accelY = y;
    m__accelZ = z;
}

// ---------------------------------------------------------------------------
// The update bracket
// ---------------------------------------------------------------------------

void c_InputDevice::p_BeginUpdate() {
    for (int unit = 0; unit < kJoysticks; ++unit) {
        c_JoyState* joy = m__joyStates[unit];
        // Joysticks are numbered without gaps: after the first missing one
        // there is nothing more to poll.
        if (!BBGame::_game->PollJoystick(unit, joy->m_joyx, joy->m_joyy, joy->m_joyz,
                                         joy->m_buttons)) {
            break;
        }
        for (int b = 0; b < kJoyButtons; ++b) {
            const int key = JoyKey(unit, b);
            if (joy->m_buttons[b]) {
                if (!m__keyDown[key]) {
                    m__keyDown[key] = true;
                    p_PutKeyHit(key);
                }
            } else {
                m__keyDown[key] = false;
            }
        }
    }
}

// Hits and characters live from their event to the end of the next update;
// characters the application did not read are lost.
void c_InputDevice::p_EndUpdate() {
    for (int i = 0; i < m__keyHitPut; ++i)
        m__keyHit[m__keyHitQueue[i]] = 0;
    m__keyHitPut = 0;
    m__charGet = 0;
    m__charPut = 0;
}

// ---------------------------------------------------------------------------
// Queries
// ---------------------------------------------------------------------------

bool c_InputDevice::p_KeyDown(int key) {
    return IsKeyCode(key) && m__keyDown[key];
}

int c_InputDevice::p_KeyHit(int key) {
    return IsKeyCode(key) ? m__keyHit[key] : 0;
}

int c_InputDevice::p_GetChar() {
    if (m__charGet == m__charPut) return 0;
    return m__charQueue[m__charGet++];
}

float c_InputDevice::p_MouseX() {
    return m__mouseX;
}
float c_InputDevice::p_MouseY() {
    return m__mouseY;
}

float c_InputDevice::p_TouchX(int index) {
    return index >= 0 && index < kTouches ? m__touchX[index] : 0;
}

float c_InputDevice::p_TouchY(int index) {
    return index >= 0 && index < kTouches ? m__touchY[index] : 0;
}

float c_InputDevice::p_JoyX(int index, int unit) {
    return m__joyStates[unit]->m_joyx[index];
}
float c_InputDevice::p_JoyY(int index, int unit) {
    return m__joyStates[unit]->m_joyy[index];
}
float c_InputDevice::p_AccelX() {
    return m__accelX;
}
float c_InputDevice::p_AccelY() {
    return m__accelY;
}

bool c_InputDevice::p_SetKeyboardEnabled(bool enabled) {
    BBGame::_game->SetKeyboardEnabled(enabled);
    return true;
}

// ---------------------------------------------------------------------------
// The application's readers
// ---------------------------------------------------------------------------

int bb_input_SetInputDevice(c_InputDevice* device) {
    gc_assign(bb_input_device, device);
    return 0;
}

bool bb_input_KeyDown(int key) {
    return bb_input_device->p_KeyDown(key);
}
int bb_input_KeyHit(int key) {
    return bb_input_device->p_KeyHit(key);
}
int bb_input_GetChar() {
    return bb_input_device->p_GetChar();
}

int bb_input_EnableKeyboard() {
    return bb_input_device->p_SetKeyboardEnabled(true);
}
int bb_input_DisableKeyboard() {
    return bb_input_device->p_SetKeyboardEnabled(false);
}

float bb_input_MouseX() {
    return bb_input_device->p_MouseX();
}
float bb_input_MouseY() {
    return bb_input_device->p_MouseY();
}
bool bb_input_MouseDown(int button) {
    return bb_input_device->p_KeyDown(KEY_LMB + button);
}
int bb_input_MouseHit(int button) {
    return bb_input_device->p_KeyHit(KEY_LMB + button);
}
bool bb_input_TouchDown(int index) {
    return bb_input_device->p_KeyDown(KEY_TOUCH0 + index);
}
float bb_input_TouchX(int index) {
    return bb_input_device->p_TouchX(index);
}
float bb_input_TouchY(int index) {
    return bb_input_device->p_TouchY(index);
}

// The code is formed with OR, as the application has always done; for
// buttons 0-31 and units 0-3 it equals JoyKey(unit, button).
bool bb_input_JoyDown(int button, int unit) {
    return bb_input_device->p_KeyDown(button | KEY_JOY0 | (unit * KEY_JOY_STRIDE));
}

int bb_input_JoyHit(int button, int unit) {
    return bb_input_device->p_KeyHit(button | KEY_JOY0 | (unit * KEY_JOY_STRIDE));
}

float bb_input_JoyX(int index, int unit) {
    return bb_input_device->p_JoyX(index, unit);
}
float bb_input_JoyY(int index, int unit) {
    return bb_input_device->p_JoyY(index, unit);
}
float bb_input_AccelX() {
    return bb_input_device->p_AccelX();
}
float bb_input_AccelY() {
    return bb_input_device->p_AccelY();
}
