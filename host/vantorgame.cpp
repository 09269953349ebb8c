// Start-up, from the process entry to the loop: GLFW, the host object, the
// runtime and application start-up (signals, collector, globals, roots, the
// application), then the loop, and GLFW's shutdown when the window is gone.
// The usual way out is not the end of Main: closing the window ends the
// process from inside the loop. Relies on the platform layer and the runtime.
#include "host/vantorgame.h"

#include <cstdio>
#include <cstdlib>

#include "platform/glfw2.h"

using namespace glfw2;

int argc = 0;
const char** argv = nullptr;

int bb_std_main(int argc_, const char* argv_[]) {
    argc = argc_;
    argv = argv_;
    bbInstallSignalHandlers();
    gc_init1();
    bbInit();
    // Grey everything bbInit created, so that it survives the first cycle.
    gc_init2();
    bbMain();
    return 0;
}

int BBVantorGame::Main(int argc_, const char* argv_[]) {
    if (!glfwInit()) {
        puts("glfwInit failed");
        fflush(stdout);
        exit(-1);
    }
    BBVantorGame* game = new BBVantorGame();
    try {
        bb_std_main(argc_, argv_);
    } catch (ThrowableObject* ex) {
        glfwTerminate();
        game->Die(ex);
    }
    if (game->Delegate()) game->Run();
    glfwTerminate();
    return 0;
}
