// The game's own globals, set by bbInit at start-up: the virtual screen
// sizes, the control and debug switches, the random generator's seed and the
// credits text. Their meaning belongs to the game; the values bbInit gives
// them are fixed here. Relies on the runtime.
#pragma once

#include "framework/random.h"
#include "runtime/runtime.h"

extern int bb_Wyndle_isOuya;
extern int bb_Wyndle_overscan;
extern int bb_Wyndle_HasMusic;
extern int bb_Wyndle_DebugMode;
extern float bb_Wyndle_rawscrw;
extern float bb_Wyndle_rawscrh;
extern float bb_Wyndle_jscrw;
extern float bb_Wyndle_jscrh;
extern int bb_Wyndle_iCadeControls;
extern int bb_Wyndle_HasMusicStream;
extern Array<String> bb_Wyndle_CreditText;
extern int bb_Wyndle_OnScreenControls;
extern int bb_Wyndle_AccelerometerControls;

// The credits scroller's text, one entry per line.
constexpr int kCreditLines = 50;
Array<String> bb_Wyndle_MakeCredits();
