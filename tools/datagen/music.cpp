// The streamed game tune. A 24-bar arrangement (lead melody, plucked
// arpeggio, pad, bass and the generator's own drum kit) is rendered note by
// note into a buffer a little longer than the loop; whatever rings past the
// loop's end is folded back onto its start, and the echo runs around the
// loop as a ring, so the last sample leads seamlessly into the first.
//
// Index: score | voices | mixing
#include <cmath>
#include <stdexcept>
#include <string>

#include "tools/datagen/music.h"
#include "tools/datagen/sounds.h"

namespace datagen {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr size_t kLoopFrames = size_t(kTuneSteps) * kTuneStepFrames;
constexpr size_t kTailFrames = 2 * kSampleRate;  // longest ring-out of any note
constexpr int kTuneDrumKit = 2;
constexpr size_t kEchoFrames = 3 * kTuneStepFrames;  // a dotted eighth
constexpr float kEchoFeedback = 0.32f;
constexpr float kTunePeak = 0.85f;
constexpr float kPluckDuty = 0.3f;

// ==== score =============================================================================

struct Chord {
    int root;                  // MIDI note of the bass root (octave 2)
    std::array<int, 3> tones;  // voicing around middle C
};

// One chord per bar: verse, chorus and bridge of eight bars each.
const char* const kChordNames[24] = {"C",  "Am", "F",  "G",  "C",  "Am", "F", "G",
                                     "Am", "F",  "C",  "G",  "Am", "F",  "G", "G",
                                     "F",  "G",  "Em", "Am", "F",  "G",  "C", "C"};

Chord chord(const std::string& name) {
    if (name == "C") return {36, {60, 64, 67}};
    if (name == "Am") return {45, {57, 60, 64}};
    if (name == "F") return {41, {57, 60, 65}};
    if (name == "G") return {43, {59, 62, 67}};
    if (name == "Em") return {40, {59, 64, 67}};
    throw std::logic_error("datagen: unknown chord " + name);
}

// The melody, one string of sixteen sixteenths per bar: a letter starts a
// note (c..b = C4..B4, C..B = C5..B5, 1 2 3 = C6 D6 E6), '-' holds it and
// '.' is a rest.
const char* const kMelody[24] = {
    "G---E---G-1---G-", "E-------C---E-D-", "C---D---F---A---", "G-----F-E---D---",
    "G---E---G-1---3-", "2-1---A-----G-E-", "F-----G-A---1---", "B-------2-------",
    "A---E---A---B---", "1---A---F---A---", "G---E---C---E---", "D-----E-D---b---",
    "C---E---A---G---", "A---1---A---F---", "G---A---B---2---", "2-------B---G---",
    "A-1-A-F-A-1-2---", "B-2-B-G-B-2-3---", "3---B---G---E---", "1---A---E---C---",
    "F---A---1---A---", "G---B---2---B---", "1-------G---E---", "C-------........",
};

int melodyNote(char c) {
    static const int kWhiteKeys[7] = {0, 2, 4, 5, 7, 9, 11};  // c d e f g a b
    if (c >= 'a' && c <= 'g') return 60 + kWhiteKeys[(c - 'a' + 5) % 7];
    if (c >= 'A' && c <= 'G') return 72 + kWhiteKeys[(c - 'A' + 5) % 7];
    if (c == '1') return 84;
    if (c == '2') return 86;
    if (c == '3') return 88;
    return -1;
}

double hz(double midi) {
    return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

// ==== voices ==============================================================================

struct Mix {
    std::vector<float> left, right;
    void add(size_t at, float v, float pan) {  // pan -1 left .. 1 right
        if (at >= left.size()) return;
        left[at] += v * (1.0f - pan) * 0.5f;
        right[at] += v * (1.0f + pan) * 0.5f;
    }
};

size_t stepFrame(int step) {
    return size_t(step) * kTuneStepFrames;
}

// Lead: a square and saw blend with delayed vibrato and a soft attack.
void leadNote(Mix& mix, int step, int steps, int midi) {
    const size_t start = stepFrame(step), held = stepFrame(steps) - 400;
    const size_t release = 3000;
    const double f = hz(midi);
    LowPass lp;
    double phase = 0;
    for (size_t i = 0; i < held + release; ++i) {
        double t = double(i) / kSampleRate;
        double vib =
            t > 0.18 ? 0.006 * std::sin(kTwoPi * 5.5 * t) * std::min(1.0, (t - 0.18) * 4) : 0.0;
        double dt = f * (1.0 + vib) / kSampleRate;
        float env = float(std::min(1.0, t / 0.012)) * (0.75f + 0.25f * float(std::exp(-t * 6)));
        if (i >= held) env *= float(1.0 - double(i - held) / double(release));
        float v =
            0.55f * squareWave(float(phase), float(dt)) + 0.45f * sawWave(float(phase), float(dt));
        v = lp.run(v, 3200.0f);
        mix.add(start + i, v * env * 0.28f, 0.15f);
        phase += dt;
        if (phase >= 1) phase -= 1;
    }
}

// Arpeggio: short plucks that alternate a little left and right.
void pluckNote(Mix& mix, int step, int midi, float pan) {
    const size_t start = stepFrame(step), length = stepFrame(3);
    const double dt = hz(midi) / kSampleRate;
    LowPass lp;
    double phase = 0;
    for (size_t i = 0; i < length; ++i) {
        double t = double(i) / kSampleRate;
        float env = float(std::min(1.0, t / 0.003) * std::exp(-t * 14));
        // A 30% pulse averages -0.4: take that off, or the loop carries DC.
        float v = squareWave(float(phase), float(dt), kPluckDuty) - (2 * kPluckDuty - 1);
        v = lp.run(v, 900.0f + 2500.0f * float(std::exp(-t * 20)));
        mix.add(start + i, v * env * 0.13f, pan);
        phase += dt;
        if (phase >= 1) phase -= 1;
    }
}

// Pad: a soft triangle chord held for the bar.
void padNote(Mix& mix, int step, int steps, int midi) {
    const size_t start = stepFrame(step), held = stepFrame(steps), fade = 6000;
    const double f = hz(midi);
    for (size_t i = 0; i < held + fade; ++i) {
        double t = double(i) / kSampleRate;
        float env = float(std::min(1.0, t / 0.08));
        if (i >= held) env *= float(1.0 - double(i - held) / double(fade));
        double p1 = f * t, p2 = f * 1.003 * t;
        float v =
            triangleWave(float(p1 - std::floor(p1))) + triangleWave(float(p2 - std::floor(p2)));
        mix.add(start + i, v * env * 0.035f, midi % 2 ? -0.4f : 0.4f);
    }
}

// Bass: a sine with a touch of saw, plucked.
void bassNote(Mix& mix, int step, int steps, int midi) {
    const size_t start = stepFrame(step), length = stepFrame(steps);
    const double dt = hz(midi) / kSampleRate;
    LowPass lp;
    double phase = 0;
    for (size_t i = 0; i < length; ++i) {
        double t = double(i) / kSampleRate;
        float env = float(std::min(1.0, t / 0.004) * (0.6 + 0.4 * std::exp(-t * 8)));
        size_t left = length - i;
        if (left < 800) env *= float(left) / 800.0f;
        float v = float(std::sin(kTwoPi * phase)) * 0.8f +
                  lp.run(sawWave(float(phase), float(dt)), 600) * 0.5f;
        mix.add(start + i, v * env * 0.42f, 0.0f);
        phase += dt;
        if (phase >= 1) phase -= 1;
    }
}

void drumHit(Mix& mix, const Pcm& sample, int step, float gain, float pan) {
    const size_t start = stepFrame(step);
    for (size_t i = 0; i < sample.samples.size(); ++i)
        mix.add(start + i, sample.samples[i] * gain, pan);
}

}  // namespace

// ==== mixing ==================================================================================

Pcm plumblineLoop() {
    Mix mix;
    mix.left.assign(kLoopFrames + kTailFrames, 0.0f);
    mix.right.assign(kLoopFrames + kTailFrames, 0.0f);

    for (int bar = 0; bar < 24; ++bar) {
        const Chord c = chord(kChordNames[bar]);
        const int base = bar * 16;
        // Melody.
        const std::string line = kMelody[bar];
        if (line.size() != 16) throw std::logic_error("datagen: a melody bar is not 16 steps");
        for (int s = 0; s < 16; ++s) {
            int note = melodyNote(line[size_t(s)]);
            if (note < 0) continue;
            int len = 1;
            while (s + len < 16 && line[size_t(s + len)] == '-')
                ++len;
            leadNote(mix, base + s, len, note);
        }
        // Arpeggio up and down the chord, an octave lift every fourth note.
        static const int kArp[16] = {0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 2, 1, 0, 1, 2, 1};
        for (int s = 0; s < 16; ++s) {
            int i = kArp[s];
            int midi = i == 3 ? c.tones[0] + 12 : c.tones[size_t(i)];
            pluckNote(mix, base + s, midi, s % 2 ? 0.45f : -0.45f);
        }
        for (int tone : c.tones)
            padNote(mix, base, 16, tone);
        // Bass: root, syncopated root, octave, root, fifth, octave.
        static const int kBassSteps[6] = {0, 3, 6, 8, 11, 14};
        static const int kBassOffsets[6] = {0, 0, 12, 0, 7, 12};
        static const int kBassLengths[6] = {3, 3, 2, 3, 3, 2};
        for (int i = 0; i < 6; ++i)
            bassNote(mix, base + kBassSteps[i], kBassLengths[i], c.root + kBassOffsets[i]);
    }

    // Drums from the generator's own kit.
    Pcm kick = drumSample(kTuneDrumKit, 1), snare = drumSample(kTuneDrumKit, 2);
    Pcm hat = drumSample(kTuneDrumKit, 3), openHat = drumSample(kTuneDrumKit, 4);
    Pcm lowTom = drumSample(kTuneDrumKit, 5), highTom = drumSample(kTuneDrumKit, 6);
    Pcm cymbal = drumSample(kTuneDrumKit, 8);
    for (int bar = 0; bar < 24; ++bar) {
        const int base = bar * 16;
        const bool fill = bar == 23;
        drumHit(mix, kick, base, 0.9f, 0);
        drumHit(mix, kick, base + 8, 0.9f, 0);
        if (bar % 2 == 1) drumHit(mix, kick, base + 10, 0.6f, 0);
        drumHit(mix, snare, base + 4, 0.55f, -0.05f);
        if (!fill) drumHit(mix, snare, base + 12, 0.55f, -0.05f);
        for (int s = 0; s < 16; s += 2) {
            if (fill && s >= 10) break;
            bool open = s == 14 && bar % 2 == 1;
            drumHit(mix, open ? openHat : hat, base + s, s % 4 ? 0.18f : 0.26f, 0.35f);
        }
        if (bar % 8 == 0) drumHit(mix, cymbal, base, 0.35f, -0.3f);
        if (fill) {
            drumHit(mix, highTom, base + 10, 0.5f, 0.3f);
            drumHit(mix, highTom, base + 12, 0.5f, 0.1f);
            drumHit(mix, lowTom, base + 13, 0.55f, -0.1f);
            drumHit(mix, lowTom, base + 14, 0.55f, -0.3f);
            drumHit(mix, snare, base + 15, 0.45f, 0);
        }
    }

    // Fold the ring-out past the loop's end back onto its start.
    for (size_t i = 0; i < kTailFrames; ++i) {
        mix.left[i] += mix.left[kLoopFrames + i];
        mix.right[i] += mix.right[kLoopFrames + i];
    }
    mix.left.resize(kLoopFrames);
    mix.right.resize(kLoopFrames);

    // Ping-pong echo around the loop: three rounds let the feedback settle to
    // the state it has when the loop repeats forever.
    std::vector<float> echoL(kLoopFrames, 0.0f), echoR(kLoopFrames, 0.0f);
    for (int round = 0; round < 3; ++round) {
        for (size_t i = 0; i < kLoopFrames; ++i) {
            size_t j = (i + kLoopFrames - kEchoFrames) % kLoopFrames;
            echoL[i] = (mix.right[j] + echoR[j]) * kEchoFeedback;
            echoR[i] = (mix.left[j] + echoL[j]) * kEchoFeedback;
        }
    }
    Pcm pcm;
    pcm.channels = 2;
    pcm.samples.resize(kLoopFrames * 2);
    for (size_t i = 0; i < kLoopFrames; ++i) {
        pcm.samples[2 * i] = mix.left[i] + echoL[i] * 0.6f;
        pcm.samples[2 * i + 1] = mix.right[i] + echoR[i] * 0.6f;
    }
    // Whatever offset remains (decaying drums are not symmetric) comes off
    // as the loop's mean, which keeps the loop seamless.
    for (int ch = 0; ch < 2; ++ch) {
        double sum = 0;
        for (size_t i = 0; i < kLoopFrames; ++i)
            sum += pcm.samples[2 * i + size_t(ch)];
        float mean = float(sum / double(kLoopFrames));
        for (size_t i = 0; i < kLoopFrames; ++i)
            pcm.samples[2 * i + size_t(ch)] -= mean;
    }
    normalise(pcm, kTunePeak);
    return pcm;
}

}  // namespace datagen
