// Music: the game's streamed tune (a seamless Ogg Vorbis loop made by a
// small synthesiser) and the sequencer's tune pictures (patterns stored as
// blue levels in 64 x 64 frames). Relies on audio.h and image.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/datagen/audio.h"

namespace datagen {

// ---- streamed tune -------------------------------------------------------------
// The whole loop as stereo PCM: its last sample runs straight on into its
// first, so the player may loop it.
Pcm plumblineLoop();
// Frames per sixteenth note and sixteenths in the loop.
constexpr int kTuneStepFrames = 5512;  // 120 beats per minute at 44.1 kHz
constexpr int kTuneSteps = 24 * 16;    // 24 bars of 4/4: 48 seconds

// ---- tune pictures -------------------------------------------------------------
constexpr int kTuneRows = 64;
constexpr int kTuneVoices = 5;     // two drum voices, lead, accompaniment, bass
constexpr int kTunePatterns = 64;  // frames in a picture; 63 is never read
constexpr int kTuneFrameSize = 64;
constexpr int kTuneFramesPerRow = 8;

struct TuneCell {
    int note = 0, volume = 0, effect = 0, parameter = 0;
};
using TunePattern = std::array<TuneCell, kTuneRows>;

struct TuneSheet {
    std::string name;  // e.g. "Retro/Cavern Digger"
    std::array<std::vector<TunePattern>, kTuneVoices> voices;
};

// The drum voices play these notes (q w e r t y u i on the tracker's piano
// keys) as drums 1..8 of their kit.
extern const int kDrumNotes[8];

std::vector<TuneSheet> tuneSheets();
// The picture: 8 x 8 frames of 64 x 64, value v of field k of voice column g
// at row y of pattern p stored as blue 8v at (8g + k, y) of frame p.
std::vector<uint8_t> tunePicturePixels(const TuneSheet& sheet, int& width, int& height);

}  // namespace datagen
