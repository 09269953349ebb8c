// The saved record of options, flags and scores. (to be written)
#include "game/myapp.h"

int c_MyApp::p_Save() { return 0; }
int c_MyApp::p_Load() { return 0; }
