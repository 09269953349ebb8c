// What the data looks and sounds like, as far as a test can tell: fonts have
// letters where the text routine draws them, the frames the game draws are
// not blank, the larger variants are the same picture, the tube slices join
// into one band, and the sounds start and end in silence, loop cleanly and
// sound at the pitch the sequencer assumes, and the tune pictures read back as
// the patterns they were written from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/tools/data_files.h"
#include "tools/datagen/music.h"

using namespace datagen_test;

namespace {

// Counts pixels of a frame whose alpha is at least `minAlpha`.
int inkIn(const Picture& p, int x0, int y0, int w, int h, int minAlpha = 32) {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            n += p.at(x, y, 3) >= minAlpha;
    return n;
}

int inkInFrame(const Picture& p, int fw, int fh, int frame) {
    int x = 0, y = 0;
    frameOrigin(p.width, fw, fh, frame, x, y);
    return inkIn(p, x, y, fw, fh);
}

// Goertzel power of the whole signal at `hz` (one-second windows give whole
// hertz bins).
double powerAt(const std::vector<int16_t>& s, double hz, int rate) {
    double w = 2 * 3.14159265358979 * hz / rate, c = 2 * std::cos(w), a = 0, b = 0;
    for (int16_t v : s) {
        double n = v + c * a - b;
        b = a;
        a = n;
    }
    return a * a + b * b - c * a * b;
}

Wave loadWave(const std::string& name) {
    std::vector<uint8_t> bytes;
    Wave w;
    if (!readFile(dataPath(name), bytes))
        ADD_FAILURE() << name << " is missing";
    else if (std::string why = parseWave(bytes, w); !why.empty())
        ADD_FAILURE() << name << ": " << why;
    return w;
}

}  // namespace

TEST(DataLook, FontsHaveInkForEveryPrintableCharacterAndNoneForTheSpace) {
    for (const char* file :
         {"fonts/editundo.png", "fonts/editundo-hd.png", "fonts/editundo-hd2.png"}) {
        SCOPED_TRACE(file);
        Picture p;
        ASSERT_TRUE(loadPicture(file, p));
        int cell = p.width / 16;  // 16 glyphs per row
        EXPECT_EQ(inkInFrame(p, cell, cell, 0), 0) << "the space has ink";
        for (int c = 33; c <= 126; ++c) {
            EXPECT_GT(inkInFrame(p, cell, cell, c - 32), 0) << "no ink for '" << char(c) << "'";
        }
    }
    Picture strip;
    ASSERT_TRUE(loadPicture("glint_font.png", strip));
    int fw = strip.width / 96;
    // Only the columns inside the padding are drawn.
    EXPECT_EQ(inkIn(strip, 1, 0, fw - 2, strip.height), 0) << "the space has ink";
    for (int c = 33; c <= 126; ++c) {
        int x = (c - 32) * fw;
        EXPECT_GT(inkIn(strip, x + 1, 0, fw - 2, strip.height), 0)
            << "no ink for '" << char(c) << "'";
        EXPECT_EQ(
            inkIn(strip, x, 0, 1, strip.height) + inkIn(strip, x + fw - 1, 0, 1, strip.height), 0)
            << "'" << char(c) << "' spills into the padding";
    }
}

TEST(DataLook, FramesTheGameDrawsAreNotBlank) {
    struct Use {
        const char* file;
        int fw, fh;
        std::vector<int> frames;
    };
    const Use uses[] = {
        {"common/icons.png", 32, 32, {0, 1, 3, 6}},
        {"common/Buttons.png", 64, 64, {0, 1, 2, 8, 9, 10, 12}},
        {"common/VeskLogo.png", 256, 256, {0}},
        {"common/Testcard_Circle.png", 256, 256, {0}},
        {"menu.png", 256, 256, {0, 1}},
        {"logo.png", 256, 128, {0}},
        {"BadgesA.png", 64, 64, {0}},
        {"gfx.png", 32, 32, {0, 1, 2, 9, 17, 56}},
    };
    for (const Use& u : uses) {
        Picture p;
        ASSERT_TRUE(loadPicture(u.file, p)) << u.file;
        for (int f : u.frames)
            EXPECT_GT(inkInFrame(p, u.fw, u.fh, f), 8) << u.file << " frame " << f;
    }
    // Particles and star sparkles are picked at random from all 256 frames.
    Picture parts;
    ASSERT_TRUE(loadPicture("parts.png", parts));
    for (int f = 0; f < 256; ++f)
        EXPECT_GT(inkInFrame(parts, 8, 8, f), 0) << "parts frame " << f;
}

TEST(DataLook, LargerVariantsDrawTheSameShapes) {
    // Each base pixel's coverage should match the share of covered pixels in
    // the corresponding block of a larger variant, up to the finer edges.
    for (const char* name : {"fonts/editundo", "common/icons", "common/Buttons", "common/dpad",
                             "common/VeskLogo", "logo", "BadgesA", "gfx", "tube", "parts"}) {
        Picture base;
        ASSERT_TRUE(loadPicture(std::string(name) + ".png", base));
        for (int factor : {2, 4}) {
            Picture big;
            ASSERT_TRUE(
                loadPicture(std::string(name) + (factor == 2 ? "-hd" : "-hd2") + ".png", big));
            ASSERT_EQ(big.width, base.width * factor);
            int inked = 0, wrong = 0;
            for (int y = 0; y < base.height; ++y) {
                for (int x = 0; x < base.width; ++x) {
                    bool on = base.at(x, y, 3) >= 128;
                    int cover = inkIn(big, x * factor, y * factor, factor, factor, 128);
                    float share = float(cover) / float(factor * factor);
                    inked += on;
                    wrong += (on && share < 0.25f) || (!on && share > 0.75f);
                }
            }
            EXPECT_LE(wrong, std::max(4, inked / 25))
                << name << " x" << factor << ": " << wrong << " of " << inked << " pixels differ";
        }
    }
}

TEST(DataLook, TubeSlicesJoinIntoOneRainbowBand) {
    Picture p;
    ASSERT_TRUE(loadPicture("tube.png", p));
    const int mid = 128;  // a row inside the tube
    auto colourAt = [&](int frame, int col, int c) { return int(p.at(frame * 8 + col, mid, c)); };
    for (int k = 0; k < 26; ++k) {
        int next = (k + 1) % 26;  // the colour phase wraps after 26
        for (int c = 0; c < 3; ++c) {
            EXPECT_LE(std::abs(colourAt(k, 7, c) - colourAt(next, 0, c)), 40)
                << "seam between phases " << k << " and " << next << ", channel " << c;
        }
    }
    // The band goes round the colours: a third of the way on, the dominant
    // channel has changed.
    auto dominant = [&](int frame) {
        int best = 0;
        for (int c = 1; c < 3; ++c)
            if (colourAt(frame, 4, c) > colourAt(frame, 4, best)) best = c;
        return best;
    };
    EXPECT_NE(dominant(0), dominant(9));
    EXPECT_NE(dominant(9), dominant(18));
    EXPECT_NE(dominant(0), dominant(18));
}

TEST(DataSound, EffectsAndDrumsStartAndEndInSilence) {
    std::vector<std::string> names;
    for (int n : {1, 2, 3, 95, 96, 98, 99}) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "sfx/%03d.wav", n);
        names.push_back(buf);
    }
    for (int kit = 1; kit <= 4; ++kit)
        for (int d = 1; d <= 8; ++d)
            names.push_back("inst/d" + std::to_string(kit) + "-" + std::to_string(d) + ".wav");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Wave w = loadWave(name);
        ASSERT_FALSE(w.samples.empty());
        EXPECT_LE(std::abs(int(w.samples.front())), 330) << "starts with a click";
        EXPECT_LE(std::abs(int(w.samples.back())), 330) << "ends with a click";
        int peak = 0;
        for (int16_t v : w.samples)
            peak = std::max(peak, std::abs(int(v)));
        EXPECT_GT(peak, 8000) << "too quiet";
        EXPECT_LT(peak, 32767) << "clipped";
        EXPECT_LE(w.samples.size() / size_t(w.channels), size_t(2 * w.rate)) << "not short";
    }
}

TEST(DataSound, MelodicSamplesLoopCleanlyAtTheirOwnPitch) {
    struct Family {
        const char* prefix;
        int count;
        double hz;  // the pitch the tunes treat as note step 13
    };
    for (const Family& f :
         {Family{"lead", 3, 523}, Family{"accompany", 3, 262}, Family{"bass", 4, 131}}) {
        for (int i = 1; i <= f.count; ++i) {
            std::string name = std::string("inst/") + f.prefix + std::to_string(i) + ".wav";
            SCOPED_TRACE(name);
            Wave w = loadWave(name);
            ASSERT_EQ(w.channels, 1);
            ASSERT_GE(w.samples.size(), size_t(w.rate / 4));
            // Looping a whole number of cycles joins the end to the start
            // like any other pair of neighbours: no step across the seam is
            // larger than the steps inside the wave.
            int largest = 0;
            for (size_t k = 1; k < w.samples.size(); ++k)
                largest = std::max(largest, std::abs(w.samples[k] - w.samples[k - 1]));
            EXPECT_LE(std::abs(w.samples.front() - w.samples.back()), largest)
                << "clicks when looped";
            // The fundamental outweighs the octave below and above, the
            // neighbouring semitones and the third harmonic.
            double fundamental =
                std::max(powerAt(w.samples, f.hz, w.rate), powerAt(w.samples, f.hz + 1, w.rate));
            for (double other : {f.hz / 2, f.hz * 2, f.hz * 3, f.hz * 1.0595, f.hz / 1.0595}) {
                EXPECT_GT(fundamental, powerAt(w.samples, other, w.rate))
                    << "stronger at " << other << " Hz";
            }
        }
    }
}

TEST(DataMusic, TunePicturesReadBackAsTheirPatterns) {
    // Read each picture the way the sequencer does and compare with the
    // patterns it was written from: catches a swapped axis, a wrong frame
    // order or a voice in the wrong column.
    for (const datagen::TuneSheet& tune : datagen::tuneSheets()) {
        SCOPED_TRACE(tune.name);
        Picture p;
        ASSERT_TRUE(loadPicture("tunes/" + tune.name + ".png", p));
        for (int g = 0; g < datagen::kTuneVoices; ++g) {
            const auto& patterns = tune.voices[size_t(g)];
            for (int f = 0; f < 63; ++f) {
                int fx = 0, fy = 0;
                frameOrigin(p.width, 64, 64, f, fx, fy);
                for (int y = 0; y < 64; ++y) {
                    datagen::TuneCell want{};
                    if (size_t(f) < patterns.size()) want = patterns[size_t(f)][size_t(y)];
                    const int expected[4] = {want.note, want.volume, want.effect, want.parameter};
                    for (int k = 0; k < 4; ++k) {
                        int got = p.at(fx + 8 * g + k, fy + y, 2) >> 3;
                        ASSERT_EQ(got, expected[k])
                            << "voice " << g << " pattern " << f << " row " << y << " field " << k;
                    }
                }
            }
        }
    }
}
