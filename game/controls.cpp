// Controls: actions, steering, pointer and touches, iCade, full screen. (to be written)
#include "game/myapp.h"

int c_MyApp::p_PlayKey(int, int, int) { return 0; }
int c_MyApp::p_PlayKeyAll(int, int) { return 0; }
float c_MyApp::p_StickX(int, int) { return 0; }
float c_MyApp::p_StickY(int, int) { return 0; }
int c_MyApp::p_AnalogueControl() { return 0; }
int c_MyApp::p_iCade(int) { return 0; }
int c_MyApp::p_FullscreenFlip() { return 0; }
int c_MyApp::p_ReadPointer() { return 0; }
int c_MyApp::p_MenuKeys() { return 0; }
int c_MyApp::p_ReadICade() { return 0; }
