// Sound effects, drum kits and melodic instrument samples, synthesised from
// oscillators, filtered noise and envelopes. Every sound starts and ends on
// silence (short raised-cosine fades) so none clicks; melodic samples are
// exactly periodic over their length so that looping them is seamless.
//
// Index: helpers | effects | drums | melodic samples
#include "tools/datagen/sounds.h"

#include <cmath>
#include <functional>

namespace datagen {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr size_t kFadeIn = 64;    // frames: 1.5 ms, enough to hide the onset
constexpr size_t kFadeOut = 441;  // frames: 10 ms
constexpr float kEffectPeak = 0.8f;
constexpr float kDrumPeak = 0.85f;
constexpr float kMelodicPeak = 0.6f;
// Melodic samples are one second long: with whole-number frequencies every
// partial and every vibrato completes a whole number of cycles in it.
constexpr int kLoopFrames = kSampleRate;

// ---- helpers ------------------------------------------------------------------------

Pcm render(double seconds, const std::function<float(double t)>& f) {
    Pcm pcm;
    size_t n = size_t(seconds * kSampleRate);
    pcm.samples.resize(n);
    for (size_t i = 0; i < n; ++i)
        pcm.samples[i] = f(double(i) / kSampleRate);
    return pcm;
}

Pcm finish(Pcm pcm, float peak) {
    normalise(pcm, peak);
    fadeEnds(pcm, kFadeIn, kFadeOut);
    return pcm;
}

float expDecay(double t, double tau) {
    return float(std::exp(-t / tau));
}

// A sine whose frequency glides exponentially from f0 to f1 with time
// constant tau; the phase is the integral of the frequency.
double glidePhase(double t, double f0, double f1, double tau) {
    return kTwoPi * (f1 * t + (f0 - f1) * tau * (1.0 - std::exp(-t / tau)));
}

double noteHz(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// A soft plucked square: band-limited, low-passed, with a quick decay.
struct Pluck {
    double start, hz, length;
    float gain;
};
Pcm plucks(const std::vector<Pluck>& notes, double seconds, float brightness) {
    Pcm pcm;
    pcm.samples.assign(size_t(seconds * kSampleRate), 0.0f);
    for (const Pluck& n : notes) {
        LowPass lp;
        double phase = 0, dt = n.hz / kSampleRate;
        size_t first = size_t(n.start * kSampleRate);
        size_t count = size_t(n.length * kSampleRate);
        for (size_t i = 0; i < count && first + i < pcm.samples.size(); ++i) {
            double t = double(i) / kSampleRate;
            float env = float(std::min(1.0, t / 0.004)) * expDecay(t, n.length / 3.5);
            float v = squareWave(float(phase), float(dt)) * 0.6f +
                      float(std::sin(kTwoPi * phase * 2)) * 0.25f;
            v = lp.run(v, brightness * float(n.hz));
            pcm.samples[first + i] += v * env * n.gain;
            phase += dt;
            if (phase >= 1) phase -= 1;
        }
    }
    return pcm;
}

}  // namespace

// ==== effects ======================================================================

Pcm soundEffect(int number) {
    switch (number) {
        case 1:  // a soft rising blip
            return finish(render(0.12,
                                 [](double t) {
                                     return float(std::sin(glidePhase(t, 660, 1320, 0.05))) *
                                            expDecay(t, 0.04);
                                 }),
                          kEffectPeak);
        case 2: {  // gem: a bright two-note chime
            auto bell = [](double t, double hz) {
                if (t < 0) return 0.0f;
                float env = float(std::min(1.0, t / 0.002));
                return env * (float(std::sin(kTwoPi * hz * t)) * expDecay(t, 0.16f) +
                              0.3f * float(std::sin(kTwoPi * hz * 2.0 * t)) * expDecay(t, 0.06) +
                              0.12f * float(std::sin(kTwoPi * hz * 2.76 * t)) * expDecay(t, 0.04));
            };
            return finish(render(0.5,
                                 [&](double t) {
                                     return bell(t, noteHz(88)) * 0.8f + bell(t - 0.07, noteHz(95));
                                 }),
                          kEffectPeak);
        }
        case 3: {  // crash: a falling noise burst over a low thump
            Noise noise(3);
            LowPass lp, lp2;
            return finish(
                render(0.9,
                       [&](double t) {
                           float cutoff = 300.0f + 5700.0f * expDecay(t, 0.12);
                           float hiss = lp.run(noise.next(), cutoff) * expDecay(t, 0.22);
                           float crackle =
                               lp2.run(noise.next() * (noise.next() > 0.7f ? 1.0f : 0.0f), 2000) *
                               expDecay(t, 0.1);
                           float thump =
                               float(std::sin(glidePhase(t, 120, 38, 0.08))) * expDecay(t, 0.15);
                           return hiss * 1.2f + crackle + thump * 0.9f;
                       }),
                kEffectPeak);
        }
        case 95: {  // whoosh: a noise band that sweeps up and back
            Noise noise(95);
            LowPass lp, lp2;
            return finish(render(0.6,
                                 [&](double t) {
                                     double x = t / 0.6;
                                     float swell = float(std::sin(3.14159265 * x));
                                     float cutoff = float(400 + 3200 * swell * swell);
                                     float n = noise.next();
                                     float bandpassed =
                                         lp.run(n, cutoff) - lp2.run(n, cutoff * 0.3f);
                                     return bandpassed * swell;
                                 }),
                          kEffectPeak * 0.8f);
        }
        case 96: {  // the logo jingle: a rising arpeggio that lands on a chord
            std::vector<Pluck> notes = {
                {0.00, noteHz(72), 0.30, 0.7f}, {0.09, noteHz(76), 0.30, 0.7f},
                {0.18, noteHz(79), 0.30, 0.7f}, {0.27, noteHz(84), 0.95, 0.8f},
                {0.27, noteHz(88), 0.95, 0.5f}, {0.27, noteHz(79), 0.95, 0.4f}};
            return finish(plucks(notes, 1.25, 6.0f), kEffectPeak);
        }
        case 98: {  // select and pause: two quick notes up a fifth
            std::vector<Pluck> notes = {{0.00, noteHz(81), 0.08, 0.8f},
                                        {0.055, noteHz(88), 0.12, 0.8f}};
            return finish(plucks(notes, 0.19, 5.0f), kEffectPeak * 0.9f);
        }
        case 99: {  // move in menus: a short soft tick
            Noise noise(99);
            return finish(render(0.06,
                                 [&](double t) {
                                     return float(std::sin(kTwoPi * 1500 * t)) *
                                                expDecay(t, 0.012) +
                                            noise.next() * 0.15f * expDecay(t, 0.003);
                                 }),
                          kEffectPeak * 0.7f);
        }
        default:
            return finish(render(0.05,
                                 [](double t) {
                                     return float(std::sin(kTwoPi * 1000 * t)) * expDecay(t, 0.01);
                                 }),
                          kEffectPeak * 0.5f);
    }
}

// ==== drums =========================================================================

namespace {

// What distinguishes the kits.
struct Kit {
    double kickFrom, kickTo, kickDecay;  // Hz, Hz, s
    double snareTone, snareDecay;        // Hz, s
    float hatCutoff;                     // Hz: brighter hats above
    float softness;                      // low-pass on everything, Hz (0 = none)
    bool chip;                           // square tones and stepped noise
};

const Kit kKits[4] = {
    {150, 45, 0.35, 190, 0.16, 7000, 0, false},     // electro: long boomy kick
    {120, 55, 0.18, 230, 0.12, 9000, 0, false},     // punchy: short, bright
    {200, 60, 0.12, 260, 0.10, 6000, 0, true},      // chip: square tones, stepped noise
    {110, 50, 0.25, 180, 0.14, 4000, 3500, false},  // soft: everything rounded off
};

}  // namespace

Pcm drumSample(int kitNumber, int drum) {
    const Kit& k = kKits[(kitNumber - 1) & 3];
    Noise noise(uint32_t(kitNumber * 100 + drum));
    LowPass lpA, lpB, soft;
    float held = 0;  // stepped noise for the chip kit
    int holdCount = 0;
    auto grain = [&](int hold) {
        if (!k.chip) return noise.next();
        if (holdCount-- <= 0) {
            held = noise.next() > 0 ? 1.0f : -1.0f;
            holdCount = hold;
        }
        return held;
    };
    auto tone = [&](double phase) {
        double s = std::sin(phase);
        return k.chip ? float(s > 0 ? 0.6 : -0.6) : float(s);
    };
    auto highPass = [&](float x, float cutoff) { return x - lpA.run(x, cutoff); };
    double seconds = 0.3;
    std::function<float(double)> f;
    switch (drum) {
        case 1:  // kick
            seconds = k.kickDecay * 3.2;
            f = [&](double t) {
                float click = grain(0) * expDecay(t, 0.002) * 0.3f;
                return tone(glidePhase(t, k.kickFrom, k.kickTo, 0.04)) * expDecay(t, k.kickDecay) +
                       click;
            };
            break;
        case 2:  // snare
            seconds = k.snareDecay * 3.5;
            f = [&](double t) {
                float body =
                    tone(glidePhase(t, k.snareTone * 1.3, k.snareTone, 0.02)) * expDecay(t, 0.05);
                float rattle = highPass(grain(2), 1500) * expDecay(t, k.snareDecay);
                return body * 0.6f + rattle;
            };
            break;
        case 3:  // closed hat
        case 4:  // open hat
            seconds = drum == 3 ? 0.12 : 0.5;
            f = [&, drum](double t) {
                float metal = highPass(grain(1), k.hatCutoff);
                return metal * expDecay(t, drum == 3 ? 0.025 : 0.14);
            };
            break;
        case 5:  // low tom
        case 6:  // high tom
            seconds = 0.45;
            f = [&, drum](double t) {
                double base = drum == 5 ? 110 : 170;
                return tone(glidePhase(t, base * 1.4, base, 0.06)) * expDecay(t, 0.14) +
                       lpB.run(grain(3), 900) * expDecay(t, 0.02) * 0.4f;
            };
            break;
        case 7:  // clap: three quick bursts and a tail
            seconds = 0.35;
            f = [&](double t) {
                double burst = std::fmod(t, 0.011);
                float env = t < 0.033 ? expDecay(burst, 0.003) : expDecay(t - 0.033, 0.08);
                float n = grain(1);
                return (n - lpB.run(n, 900)) * env;
            };
            break;
        default:  // cymbal: bright noise and clangy partials, long tail
            seconds = 1.3;
            f = [&](double t) {
                float metal = highPass(grain(1), k.hatCutoff * 0.7f) * 0.8f;
                for (double hz : {587.0, 845.0, 1253.0, 1731.0}) {
                    metal += float(std::sin(kTwoPi * hz * t) > 0 ? 0.07 : -0.07);
                }
                return metal * expDecay(t, 0.4);
            };
            break;
    }
    Pcm pcm = render(seconds, [&](double t) {
        float v = f(t);
        return k.softness > 0 ? soft.run(v, k.softness) : v;
    });
    return finish(std::move(pcm), kDrumPeak);
}

// ==== melodic samples ==================================================================

int melodicPitch(Voice voice) {
    // C5, C4 and C3 to the nearest whole hertz.
    switch (voice) {
        case Voice::Lead:
            return 523;
        case Voice::Accompaniment:
            return 262;
        default:
            return 131;
    }
}

Pcm melodicSample(Voice voice, int variant) {
    const double f = melodicPitch(voice);
    // Each timbre: partial amplitude by harmonic number, a detuned second
    // voice (whole hertz, so the beating is periodic too) and vibrato.
    std::function<double(int)> partial;
    double detune = 0, vibratoHz = 0, vibratoDepth = 0, fm = 0;
    int maxHarmonic = int(11000 / f);  // leaves room to play two octaves up cleanly
    switch (voice) {
        case Voice::Lead:
            if (variant == 1) {  // square lead with vibrato
                partial = [](int n) { return n % 2 ? 1.0 / n : 0.0; };
                vibratoHz = 5, vibratoDepth = 0.45;
            } else if (variant == 2) {  // chorused saw
                partial = [](int n) { return 1.0 / n; };
                detune = 1;
            } else {  // whistle
                partial = [](int n) { return n == 1 ? 1.0 : (n == 2 ? 0.25 : (n == 3 ? 0.1 : 0)); };
                vibratoHz = 6, vibratoDepth = 0.6;
            }
            break;
        case Voice::Accompaniment:
            if (variant == 1) {  // soft triangle pad
                partial = [](int n) { return n % 2 ? ((n / 2) % 2 ? -1.0 : 1.0) / (n * n) : 0.0; };
                detune = 1;
            } else if (variant == 2) {  // organ
                partial = [](int n) {
                    switch (n) {
                        case 1:
                            return 1.0;
                        case 2:
                            return 0.6;
                        case 3:
                            return 0.45;
                        case 4:
                            return 0.3;
                        case 6:
                            return 0.2;
                        case 8:
                            return 0.15;
                        default:
                            return 0.0;
                    }
                };
            } else {  // thin pulse
                partial = [](int n) { return std::sin(3.14159265 * n * 0.25) / n; };
                detune = 1;
            }
            break;
        case Voice::Bass:
            if (variant == 1) {  // round sub
                partial = [](int n) { return n == 1 ? 1.0 : (n == 2 ? 0.3 : (n == 3 ? 0.12 : 0)); };
            } else if (variant == 2) {  // mellow saw
                partial = [](int n) { return std::pow(n, -1.4); };
                maxHarmonic = std::min(maxHarmonic, 24);
            } else if (variant == 3) {  // hollow square
                partial = [](int n) { return n % 2 && n <= 11 ? 1.0 / n : 0.0; };
            } else {  // growl: one operator modulating another
                partial = [](int n) { return n == 1 ? 1.0 : 0.0; };
                fm = 0.9;  // keeps the fundamental the strongest partial
            }
            break;
    }
    std::vector<double> amplitudes(size_t(maxHarmonic) + 1, 0.0);
    for (int n = 1; n <= maxHarmonic; ++n)
        amplitudes[size_t(n)] = partial(n);
    Pcm pcm;
    pcm.samples.resize(kLoopFrames);
    for (int i = 0; i < kLoopFrames; ++i) {
        double t = double(i) / kSampleRate;
        double vib = vibratoHz > 0 ? vibratoDepth * std::sin(kTwoPi * vibratoHz * t) : 0.0;
        double sum = 0;
        for (double hz : {f, f + detune}) {
            if (hz != f && detune == 0) continue;
            double phase = kTwoPi * hz * t + vib;
            if (fm > 0) {
                sum += std::sin(phase + fm * std::sin(phase));
                continue;
            }
            // sin(n x) by the Chebyshev recurrence: one sine and one cosine
            // per sample instead of one sine per partial.
            double s1 = std::sin(phase), s0 = 0, twoCos = 2 * std::cos(phase);
            for (int n = 1; n <= maxHarmonic; ++n) {
                sum += amplitudes[size_t(n)] * s1;
                double next = twoCos * s1 - s0;
                s0 = s1;
                s1 = next;
            }
        }
        pcm.samples[size_t(i)] = float(sum);
    }
    normalise(pcm, kMelodicPeak);
    return pcm;
}

}  // namespace datagen
