// The program's one random generator, shared by the game and the sequencer:
// a 32-bit linear congruential generator whose whole state is the global
// bb_random_Seed. Both reseed it at fixed points so that the same seed always
// gives the same tube or the same music.
#pragma once

// The state; bbInit starts it at 1234.
extern int bb_random_Seed;

// One step: seed * 1664525 + 1013904223, wrapping at 32 bits.
void bb_random_Step();
// One step, then the seed's top 24 bits as a float in [0, 1).
float bb_random_Rnd();
// r * Rnd().
float bb_random_Rnd3(float r);
// lo + (hi - lo) * Rnd().
float bb_random_Rnd2(float lo, float hi);
