// The game's short sounds: the numbered effects and the sequencer's
// instrument samples (drum kits and looping melodic waves). Relies on
// audio.h.
#pragma once

#include <string>

#include "tools/datagen/audio.h"

namespace datagen {

// Effect number n of "sfx/NNN.wav"; the game loads 1, 2, 3, 95, 96, 98, 99.
Pcm soundEffect(int number);

// Drum `drum` (1..8: kick, snare, closed hat, open hat, low tom, high tom,
// clap, cymbal) of kit `kit` (1..4).
Pcm drumSample(int kit, int drum);

// Melodic samples play at their own pitch for note step 13 and loop whole,
// so each holds a whole number of cycles of a steady wave.
enum class Voice { Lead, Accompaniment, Bass };
Pcm melodicSample(Voice voice, int variant);  // variant 1..3 (bass 1..4)
// The frequency (Hz) a melodic sample sounds at its own pitch.
int melodicPitch(Voice voice);

}  // namespace datagen
