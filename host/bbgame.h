// The platform-independent host: BBGame, the one object that owns the
// program's life, and BBGameDelegate, the interface through which it drives
// the application layer. BBGame guards every call into the application
// (catching language exceptions, stepping the collector afterwards), keeps the
// update rate and the started/suspended flags, and reads and writes files and
// the state string. Relies on the runtime (objects, strings, arrays, the
// collector step, the error exits).
#pragma once

#include <cstdio>

#include "runtime/runtime.h"

// The receiver of every host event. The framework's game delegate implements
// it; the interface itself does nothing.
class BBGameDelegate : public Object {
public:
    virtual void StartGame() {}
    virtual void SuspendGame() {}
    virtual void ResumeGame() {}
    virtual void UpdateGame() {}
    virtual void RenderGame() {}
    virtual void KeyEvent(int /*event*/, int /*data*/) {}
    virtual void MouseEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/) {}
    virtual void TouchEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/) {}
    virtual void MotionEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/, float /*z*/) {}
    virtual void DiscardGraphics() {}
};

// The state file, relative to the working directory, and the temporary file
// a new state is written to before it replaces the old one.
extern const char* const kStateFileName;
extern const char* const kStateTempFileName;

class BBGame {
public:
    BBGame();
    virtual ~BBGame();

    // The one host; set by the constructor and never changed.
    static BBGame* _game;

    virtual void SetDelegate(BBGameDelegate* delegate);
    virtual BBGameDelegate* Delegate();
    virtual void SetKeyboardEnabled(bool enabled);
    virtual bool KeyboardEnabled();
    virtual void SetUpdateRate(int rate);
    virtual int UpdateRate();
    virtual bool Started();
    virtual bool Suspended();
    virtual int Millisecs();
    virtual void GetDate(Array<int> date);
    virtual int SaveState(String state);
    virtual String LoadState();
    virtual String LoadString(String path);
    virtual bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons);
    virtual void OpenUrl(String url);
    virtual void SetMouseVisible(bool visible);
    virtual String PathToFilePath(String path);
    virtual FILE* OpenFile(String path, String mode);
    virtual unsigned char* LoadData(String path, int* length);
    virtual void Die(ThrowableObject* ex);
    virtual void gc_collect();

    // The guarded wrappers: each checks its condition, calls the delegate's
    // operation of the same name with any language exception going to Die,
    // and then runs one collector step.
    virtual void StartGame();
    virtual void SuspendGame();
    virtual void ResumeGame();
    virtual void UpdateGame();
    virtual void RenderGame();
    virtual void KeyEvent(int event, int data);
    virtual void MouseEvent(int event, int data, float x, float y);
    virtual void TouchEvent(int event, int data, float x, float y);
    virtual void MotionEvent(int event, int data, float x, float y, float z);
    virtual void DiscardGraphics();

protected:
    BBGameDelegate* _delegate = nullptr;
    bool _keyboardEnabled = false;
    int _updateRate = 0;
    bool _started = false;
    bool _suspended = false;
};
