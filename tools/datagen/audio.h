// Sound building blocks for the data generator: a float PCM buffer, the
// WAV (16-bit integer PCM) and Ogg Vorbis encoders, a deterministic noise
// source and the few oscillators and filters the sounds are made from.
// Vorbis comes from Debian's libvorbisenc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace datagen {

constexpr int kSampleRate = 44100;

// Interleaved float samples, nominally -1..1.
struct Pcm {
    int channels = 1;
    std::vector<float> samples;
    size_t frames() const { return samples.size() / size_t(channels); }
};

std::vector<uint8_t> encodeWav16(const Pcm& pcm, int rate = kSampleRate);
// VBR Ogg Vorbis at `quality` (-0.1..1); the stream serial number is fixed so
// that equal input gives equal bytes.
std::vector<uint8_t> encodeVorbis(const Pcm& pcm, float quality, int rate = kSampleRate);

// xorshift32: the same noise on every run and machine.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed ? seed : 0x9e3779b9U) {}
    float next();  // -1..1
private:
    uint32_t state_;
};

// One-pole low-pass; `cutoff` in Hz.
class LowPass {
public:
    float run(float x, float cutoff);

private:
    float y_ = 0;
};

// PolyBLEP step correction for band-limited saw and square waves.
float polyBlep(float t, float dt);
float sawWave(float phase, float dt);  // phase 0..1
float squareWave(float phase, float dt, float duty = 0.5f);
float triangleWave(float phase);

// Scales a buffer so its largest magnitude is `peak`.
void normalise(Pcm& pcm, float peak);
// Fades the first and last `frames` to silence (raised cosine), so a sound
// never starts or stops with a click.
void fadeEnds(Pcm& pcm, size_t inFrames, size_t outFrames);

}  // namespace datagen
