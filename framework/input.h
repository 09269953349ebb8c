// The input device: every key, mouse button, touch and joystick button in
// one space of 512 key codes, the hits and characters of the current update,
// the pointer and touch positions, four joysticks and the accelerometer; and
// the bb_input_* functions through which the application reads the one
// device in bb_input_device. Events arrive from the host through the game
// delegate at any time; the state is gathered for an update by p_BeginUpdate
// and cleared by p_EndUpdate. Relies on the runtime and the host's key codes.
#pragma once

#include "host/events.h"
#include "runtime/runtime.h"

// One joystick: two sticks, two triggers, 32 buttons.
class c_JoyState : public Object {
public:
    Array<float> m_joyx;
    Array<float> m_joyy;
    Array<float> m_joyz;
    Array<bool> m_buttons;

    c_JoyState* m_new();
    void mark() override;
};

class c_InputDevice : public Object {
public:
    static constexpr int kJoysticks = 4;
    static constexpr int kJoyButtons = 32;
    // Hits beyond this many per update are dropped (the key still goes down).
    static constexpr int kHitQueueLength = 33;
    // Characters beyond this many per update are dropped.
    static constexpr int kCharQueueLength = 32;
    static constexpr int kTouches = 32;

    Array<c_JoyState*> m__joyStates;
    Array<bool> m__keyDown;
    int m__keyHitPut = 0;
    Array<int> m__keyHitQueue;
    Array<int> m__keyHit;
    int m__charGet = 0;
    int m__charPut = 0;
    Array<int> m__charQueue;
    float m__mouseX = 0;
    float m__mouseY = 0;
    Array<float> m__touchX;
    Array<float> m__touchY;
    float m__accelX = 0;
    float m__accelY = 0;
    float m__accelZ = 0;

    c_InputDevice* m_new();
    void mark() override;

    void p_KeyEvent(int event, int data);
    void p_MouseEvent(int event, int data, float x, float y);
    void p_TouchEvent(int event, int data, float x, float y);
    void p_MotionEvent(int event, int data, float x, float y, float z);
    void p_PutKeyHit(int key);
    void p_BeginUpdate();
    void p_EndUpdate();

    bool p_KeyDown(int key);
    int p_KeyHit(int key);
    int p_GetChar();
    float p_MouseX();
    float p_MouseY();
    float p_TouchX(int index);
    float p_TouchY(int index);
    float p_JoyX(int index, int unit);
    float p_JoyY(int index, int unit);
    float p_AccelX();
    float p_AccelY();
    bool p_SetKeyboardEnabled(bool enabled);

private:
    void KeyDownEvent(int key);
    void KeyUpEvent(int key);
};

extern c_InputDevice* bb_input_device;

int bb_input_SetInputDevice(c_InputDevice* device);
bool bb_input_KeyDown(int key);
int bb_input_KeyHit(int key);
int bb_input_GetChar();
int bb_input_EnableKeyboard();
int bb_input_DisableKeyboard();
float bb_input_MouseX();
float bb_input_MouseY();
bool bb_input_MouseDown(int button);
int bb_input_MouseHit(int button);
bool bb_input_TouchDown(int index);
float bb_input_TouchX(int index);
float bb_input_TouchY(int index);
bool bb_input_JoyDown(int button, int unit);
int bb_input_JoyHit(int button, int unit);
float bb_input_JoyX(int index, int unit);
float bb_input_JoyY(int index, int unit);
float bb_input_AccelX();
float bb_input_AccelY();
