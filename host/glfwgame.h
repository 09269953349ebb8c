// BBGlfwGame, the host over the GLFW 2 interface of our platform layer: the
// window and its modes, the timed loop, the translation of window events into
// the host's key and mouse events, joysticks, the data paths and the image and
// sound file loaders. BBGlfwVideoMode describes one display mode. Relies on
// BBGame (host/bbgame.h), platform/ (the GLFW 2 interface) and the runtime.
#pragma once

#include "host/bbgame.h"

// Advanced by one every time a window is opened. A texture made under one
// value belongs to a context that is gone under any other.
extern int glfwGraphicsSeq;

// The window's title.
extern const char* const kWindowTitle;

// One display mode, colour bits in red, green, blue order.
class BBGlfwVideoMode : public Object {
public:
    int width = 0;
    int height = 0;
    int red = 0;
    int green = 0;
    int blue = 0;
};

class BBGlfwGame : public BBGame {
public:
    BBGlfwGame();

    // The one host, as the GLFW callbacks reach it.
    static BBGlfwGame* _glfwGame;

    void SetUpdateRate(int rate) override;
    int Millisecs() override;
    bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                      Array<bool> buttons) override;
    void OpenUrl(String url) override;
    void SetMouseVisible(bool visible) override;
    String PathToFilePath(String path) override;

    // Decodes an image file; the pixels belong to the caller (free()).
    virtual unsigned char* LoadImageData(String path, int* width, int* height, int* depth);
    // Decodes a ".wav" or ".ogg" file into PCM owned by the caller (free()).
    virtual unsigned char* LoadAudioData(String path, int* length, int* channels, int* format,
                                         int* hertz);
    // (Re)creates the one window; see glfwgame_window.cpp.
    virtual void SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha,
                               int depth, int stencil, bool fullscreen);
    // The program's loop; returns once the window is no longer open.
    virtual void Run();

    BBGlfwVideoMode* GetGlfwDesktopMode();
    Array<BBGlfwVideoMode*> GetGlfwVideoModes();

    // The key translation tables: GLFW 2 key number to key code (0: ignored),
    // and key code to the character it also types (0: none).
    static int TransKey(int key);
    static int KeyToChar(int code);

    // The window callbacks, registered on every window (re)creation.
    static void OnKey(int key, int action);
    static void OnChar(int character, int action);
    static void OnMouseButton(int button, int action);
    static void OnMousePos(int x, int y);
    static int OnWindowClose();

protected:
    // Mouse buttons pressed in the current window and not yet released, one
    // bit per button: a window switch releases them as it does held keys.
    int _heldMouseButtons = 0;
    bool _iconified = false;
    double _nextUpdate = 0.0;
    double _updatePeriod = 0.0;
};

// The most video modes GetGlfwVideoModes asks the platform for.
constexpr int kMaxVideoModes = 1024;

// Turns an application asset name into a framework path: names that already
// carry a scheme, and "./" or "/" paths, stay as they are; others are data.
String bb_data_FixDataPath(String path);
