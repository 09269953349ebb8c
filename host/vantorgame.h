// BBVantorGame, this program's host, and the start-up sequence: the entry
// point Main, the runtime and application start-up bb_std_main, and the two
// functions every program built on the host defines, bbInit (the framework
// and game globals) and bbMain (the application object). Relies on
// BBGlfwGame and the runtime's collector and error exits.
#pragma once

#include "host/glfwgame.h"

class BBVantorGame : public BBGlfwGame {
public:
    // The whole life of the program; returns 0 when the window is gone.
    static int Main(int argc, const char* argv[]);
};

// Runtime and application start-up: signal handlers, the collector, bbInit,
// the roots, bbMain. Language exceptions travel out to Main.
int bb_std_main(int argc, const char* argv[]);

// Defined by the program: sets the framework and game globals.
int bbInit();
// Defined by the program: creates the application object.
int bbMain();

// The command line, stored at start-up. The program takes no options.
extern int argc;
extern const char** argv;
