// The game's application class. Relies on the framework's c_App.
#include "game/myapp.h"

c_MyApp* c_MyApp::m_new() {
    c_App::m_new();
    return this;
}
