// The option box and the credits box. (to be written)
#include "game/myapp.h"

int c_MyApp::p_OptionBox() { return 0; }
int c_MyApp::p_CreditBox() { return 0; }
