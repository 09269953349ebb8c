// A game: the tube, the player, items, the game-over banner and the rank. (to be written)
#include "game/myapp.h"

int c_MyApp::p_LoadGame() { return 0; }
int c_MyApp::p_AddTube() { return 0; }
int c_MyApp::p_Game() { return 0; }
int c_MyApp::p_InGame() { return 0; }
int c_MyApp::p_ResetPlayers() { return 0; }
int c_MyApp::p_GameOver() { return 0; }
int c_MyApp::p_Rand(float, float) { return 0; }
String c_MyApp::p_MyNth() { return String(); }
