// A test build of the program whose application reports its input: the
// same start-up, host, framework and game globals as `dropling`, but bbMain
// creates an application that prints "probe: ready" at its first update and
// then every key hit and character it sees, so that a test driving the real
// window with xdotool can watch input reach the input device.
#include "framework/app.h"
#include "host/vantorgame.h"

namespace {

class ProbeApp : public c_App {
public:
    int p_OnCreate() override {
        bb_app_SetUpdateRate(60);
        return 0;
    }

    int p_OnUpdate() override {
        if (!ready_) {
            bbPrint(String("probe: ready"));
            ready_ = true;
        }
        for (int key = 1; key < KEY_COUNT; ++key) {
            if (const int hits = bb_input_KeyHit(key)) {
                bbPrint(String("probe: hit ") + String(key) + String(" x") + String(hits));
            }
        }
        while (const int c = bb_input_GetChar())
            bbPrint(String("probe: char ") + String(c));
        return 0;
    }

private:
    bool ready_ = false;
};

}  // namespace

int bbMain() {
    (new ProbeApp())->m_new();
    return 0;
}
