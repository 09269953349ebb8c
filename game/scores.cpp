// Score filing, badges and their notifications. (to be written)
#include "game/myapp.h"

int c_MyApp::p_LoadMenu() { return 0; }
int c_MyApp::p_ShowBadges() { return 0; }
int c_MyApp::p_BadgesBox() { return 0; }
int c_MyApp::p_GC_PostScore(int, int) { return 0; }
int c_MyApp::p_GC_Badges() { return 0; }
String c_MyApp::p_BadgeID(int) { return String(); }
String c_MyApp::p_BadgeName(int) { return String(); }
String c_MyApp::p_BadgeDetail(int) { return String(); }
