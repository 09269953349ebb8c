// The main menu, the pause menu and the quit dialog. (to be written)
#include "game/myapp.h"

int c_MyApp::p_Menu() { return 0; }
int c_MyApp::p_PauseMenu() { return 0; }
int c_MyApp::p_OuyaQuit() { return 0; }
