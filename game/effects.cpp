// Particles, stars and the colour palette. (to be written)
#include "game/myapp.h"

int c_MyApp::p_ThrowParticle(float, float, int, int, float, float) { return 0; }
int c_MyApp::p_FreeParticle() { return 0; }
int c_MyApp::p_DoParticles() { return 0; }
int c_MyApp::p_ResetParticles(int) { return 0; }
int c_MyApp::p_ResetStars(int) { return 0; }
int c_MyApp::p_DoStars(float, float) { return 0; }
int c_MyApp::p_Ink(int, float) { return 0; }
