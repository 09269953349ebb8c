// The game's application class. It attaches itself to the host through
// c_App and, for now, leaves every handler to the base class.
#pragma once

#include "framework/app.h"

class c_MyApp : public c_App {
public:
    c_MyApp* m_new();
};
