// The data tree in the build folder: the generator makes the same bytes
// every time, and every file the game and its sequencer load exists, in the
// format and layout the loaders expect, and looks and sounds as a player
// needs: frames the game draws have ink, the larger variants are the same
// picture, fonts have letters where the text routine draws them, the tube
// slices join into one band, sounds start and end in silence and loop
// cleanly at the pitch the sequencer assumes, and the tune pictures read
// back as the patterns they were written from. The expected names and
// layouts are written out here from what the game asks for, not taken from
// the generator, so a slip on either side shows.
#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "tests/tools/data_files.h"
#include "tools/datagen/generate.h"
#include "tools/datagen/music.h"

using namespace datagen_test;

namespace {

std::vector<int> Frames(int first, int last) {
    std::vector<int> all(size_t(last - first + 1), 0);
    std::iota(all.begin(), all.end(), first);
    return all;
}

struct Sheet {
    const char* name;
    int frameW, frameH, frames;  // what the game's loader asks for at the base set
    std::vector<int> drawn;      // frames the game draws, which must have ink
    std::vector<int> blank = {};
};
const Sheet kSheets[] = {
    // A glyph for each printable character, none for the space.
    {"fonts/editundo", 16, 16, 128, Frames(1, 94), {0}},
    {"common/icons", 32, 32, 16, {0, 1, 3, 6}},
    {"common/Buttons", 64, 64, 16, {0, 1, 2, 8, 9, 10, 12}},
    {"common/dpad", 32, 32, 16, {}},
    {"common/VeskLogo", 256, 256, 1, {0}},
    {"common/Testcard_Circle", 256, 256, 1, {0}},
    {"menu", 256, 256, 4, {0, 1}},
    {"logo", 256, 128, 1, {0}},
    // Particles and star sparkles are picked at random from all frames.
    {"parts", 8, 8, 256, Frames(0, 255)},
    {"BadgesA", 64, 64, 64, {0}},
    {"gfx", 32, 32, 64, {0, 1, 2, 9, 17, 56}},
    {"tube", 8, 256, 32, {}},
};

const char* const kTunes[] = {"Meadow Run/Tune_12", "Retro/Cavern Digger", "Retro/PipeHopper"};
const std::set<int> kDrumMap = {13, 15, 17, 18, 20, 22, 24, 25};

// Counts pixels of a rectangle whose alpha is at least `minAlpha`.
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

}  // namespace

TEST(DataTree, TheGeneratorMakesTheSameBytesAsTheBuildDid) {
    // The build ran the program; this runs the same code in this process.
    std::vector<datagen::DataFile> files = datagen::buildDataTree();
    EXPECT_GE(files.size(), 80u);
    for (const datagen::DataFile& f : files) {
        EXPECT_TRUE(readFile(dataPath(f.path)) == f.bytes)
            << f.path << " is missing or differs from one run to the next";
    }
}

TEST(DataTree, EveryPictureInEachVariantHoldsItsFramesAndDrawsTheBaseShapes) {
    for (const Sheet& s : kSheets) {
        Picture base;
        ASSERT_TRUE(loadPicture(std::string(s.name) + ".png", base)) << s.name;
        for (const auto& [suffix, factor] : {std::pair{"", 1}, {"-hd", 2}, {"-hd2", 4}}) {
            const std::string file = s.name + std::string(suffix) + ".png";
            const int fw = s.frameW * factor, fh = s.frameH * factor;
            SCOPED_TRACE(file);
            Picture p;
            ASSERT_TRUE(loadPicture(file, p)) << "missing or undecodable";
            EXPECT_TRUE(framesFit(p.width, p.height, fw, fh, s.frames))
                << p.width << " x " << p.height << " cannot hold the frames";
            ASSERT_EQ(p.width, base.width * factor);
            ASSERT_EQ(p.height, base.height * factor);
            for (int f : s.drawn)  // (a glyph or a particle may be a few pixels)
                EXPECT_GT(inkInFrame(p, fw, fh, f), s.frameW > 16 ? 8 : 0) << "frame " << f;
            for (int f : s.blank)
                EXPECT_EQ(inkInFrame(p, fw, fh, f), 0) << "frame " << f;
            // Each base pixel's coverage matches the share of covered pixels
            // in its block of the variant, up to the finer edges.
            int inked = 0, wrong = 0;
            for (int y = 0; y < base.height; ++y) {
                for (int x = 0; x < base.width; ++x) {
                    bool on = base.at(x, y, 3) >= 128;
                    int cover = inkIn(p, x * factor, y * factor, factor, factor, 128);
                    float share = float(cover) / float(factor * factor);
                    inked += on;
                    wrong += (on && share < 0.25f) || (!on && share > 0.75f);
                }
            }
            EXPECT_LE(wrong, std::max(4, inked / 25)) << wrong << " of " << inked << " differ";
        }
    }
}

TEST(DataTree, TheDefaultFontIsAStripOfPaddedGlyphsAndASpace) {
    // 96 frames with a column of padding on each side, inside which alone
    // the glyphs are drawn.
    Picture strip;
    ASSERT_TRUE(loadPicture("glint_font.png", strip));
    ASSERT_EQ(strip.width % 96, 0);
    int fw = strip.width / 96;
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

TEST(DataTree, TubeSlicesJoinIntoOneRainbowBand) {
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
    std::set<int> dominant;
    for (int frame : {0, 9, 18}) {
        const int c[3] = {colourAt(frame, 4, 0), colourAt(frame, 4, 1), colourAt(frame, 4, 2)};
        dominant.insert(int(std::max_element(c, c + 3) - c));
    }
    EXPECT_EQ(dominant.size(), 3u);
}

TEST(DataTree, EverySoundIsPcmWaveWithFmtFirstAndSoundsRight) {
    struct Sound {
        std::string name;
        double hz;  // melodic: the pitch the tunes treat as note step 13; 0 for a one-shot
    };
    std::vector<Sound> sounds;
    for (const char* n : {"001", "002", "003", "095", "096", "098", "099"})
        sounds.push_back({std::string("sfx/") + n + ".wav", 0});
    for (int kit = 1; kit <= 4; ++kit)
        for (int d = 1; d <= 8; ++d)
            sounds.push_back(
                {"inst/d" + std::to_string(kit) + "-" + std::to_string(d) + ".wav", 0});
    for (int i = 1; i <= 4; ++i) {
        const std::string n = std::to_string(i) + ".wav";
        if (i <= 3) sounds.push_back({"inst/lead" + n, 523});
        if (i <= 3) sounds.push_back({"inst/accompany" + n, 262});
        sounds.push_back({"inst/bass" + n, 131});
    }
    for (const Sound& sound : sounds) {
        SCOPED_TRACE(sound.name);
        Wave w;
        ASSERT_TRUE(loadWave(readFile(dataPath(sound.name)), w)) << "not 16-bit PCM WAVE";
        EXPECT_EQ(w.rate, 44100);
        ASSERT_TRUE(w.channels == 1 || (w.channels == 2 && sound.hz == 0));
        ASSERT_FALSE(w.samples.empty());
        ASSERT_EQ(w.samples.size() % size_t(w.channels), 0u);
        int largest = 0, peak = 0;  // step between neighbours, level
        for (size_t k = 0; k < w.samples.size(); ++k) {
            peak = std::max(peak, std::abs(int(w.samples[k])));
            if (k) largest = std::max(largest, std::abs(w.samples[k] - w.samples[k - 1]));
        }
        if (sound.hz == 0) {
            // One-shots: start and end in silence, loud, unclipped and short.
            EXPECT_LE(std::abs(int(w.samples.front())), 330) << "starts with a click";
            EXPECT_LE(std::abs(int(w.samples.back())), 330) << "ends with a click";
            EXPECT_GT(peak, 8000) << "too quiet";
            EXPECT_LT(peak, 32767) << "clipped";
            EXPECT_LE(w.samples.size() / size_t(w.channels), size_t(2 * w.rate)) << "not short";
            continue;
        }
        // Melodic waves loop a whole number of cycles: the seam is a step
        // like any other, and the fundamental outweighs the octave below and
        // above, the neighbouring semitones and the third harmonic.
        ASSERT_GE(w.samples.size(), size_t(w.rate / 4));
        EXPECT_LE(std::abs(w.samples.front() - w.samples.back()), largest) << "clicks when looped";
        double fundamental = std::max(powerAt(w.samples, sound.hz, w.rate),
                                      powerAt(w.samples, sound.hz + 1, w.rate));
        for (double k : {0.5, 2.0, 3.0, 1.0595, 1 / 1.0595})
            EXPECT_GT(fundamental, powerAt(w.samples, sound.hz * k, w.rate)) << "at x" << k;
    }
}

TEST(DataTree, TheTuneDecodesAndItsLoopPointIsSeamless) {
    int channels = 0, rate = 0;
    short* pcm = nullptr;
    int frames =
        stb_vorbis_decode_filename(dataPath("sfx/plumbline.ogg").c_str(), &channels, &rate, &pcm);
    ASSERT_GT(frames, 0) << "stb_vorbis cannot decode the tune";
    std::vector<short> s(pcm, pcm + size_t(frames) * size_t(channels));
    std::free(pcm);
    double seconds = double(frames) / rate;
    EXPECT_GE(seconds, 30.0);
    EXPECT_LE(seconds, 90.0);
    for (int ch = 0; ch < channels; ++ch) {
        // The usual step: a high percentile of the sample-to-sample changes.
        std::vector<int> steps;
        for (int i = 1; i < frames; ++i)
            steps.push_back(
                std::abs(s[size_t(i * channels + ch)] - s[size_t((i - 1) * channels + ch)]));
        std::sort(steps.begin(), steps.end());
        int usual = steps[steps.size() * 99 / 100];
        int seam = std::abs(s[size_t(ch)] - s[size_t((frames - 1) * channels + ch)]);
        EXPECT_LE(seam, usual) << "channel " << ch << ": a click where the loop restarts";
        EXPECT_GT(usual, 100) << "channel " << ch << " is nearly silent";
    }
}

TEST(DataTree, TunePicturesReadBackAsTheirPatternsWithDrumsAndNotesInEveryPattern) {
    // Read each picture the way the sequencer does (blue over a background
    // of blue 0, >> 3: a value of 0..31, in 64 x 64 frames) and compare with the patterns it was
    // written from: catches a swapped axis, a wrong frame order or a voice in the wrong column.
    const std::vector<datagen::TuneSheet> sheets = datagen::tuneSheets();
    ASSERT_EQ(sheets.size(), std::size(kTunes));
    for (const char* name : kTunes) {
        SCOPED_TRACE(name);
        const auto tune = std::find_if(sheets.begin(), sheets.end(),
                                       [&](const datagen::TuneSheet& t) { return t.name == name; });
        ASSERT_NE(tune, sheets.end());
        Picture p;
        ASSERT_TRUE(loadPicture(std::string("tunes/") + name + ".png", p));
        ASSERT_TRUE(framesFit(p.width, p.height, 64, 64, 64));
        for (int g = 0; g < datagen::kTuneVoices; ++g) {
            const auto& patterns = tune->voices[size_t(g)];
            // Every pattern the arrangement may pick has notes, and each
            // voice has more than one to choose from.
            EXPECT_GE(patterns.size(), 2u) << "voice " << g;
            for (int f = 0; f < 63; ++f) {
                int fx = 0, fy = 0, notes = 0;
                frameOrigin(p.width, 64, 64, f, fx, fy);
                for (int y = 0; y < 64; ++y) {
                    datagen::TuneCell want{};
                    if (size_t(f) < patterns.size()) want = patterns[size_t(f)][size_t(y)];
                    const int expected[4] = {want.note, want.volume, want.effect, want.parameter};
                    for (int k = 0; k < 4; ++k) {
                        const int x = fx + 8 * g + k, y0 = fy + y;
                        ASSERT_EQ((p.at(x, y0, 2) * p.at(x, y0, 3) / 255) >> 3, expected[k])
                            << "voice " << g << " pattern " << f << " row " << y << " field " << k;
                    }
                    notes += want.note != 0;
                    EXPECT_TRUE(g > 1 || !want.note || kDrumMap.count(want.note))
                        << "drum voice " << g << " pattern " << f << " row " << y << " plays "
                        << want.note << ", which is not a drum";
                }
                EXPECT_TRUE(size_t(f) >= patterns.size() || notes >= 4)
                    << "voice " << g << " pattern " << f << " is (nearly) empty";
            }
        }
    }
}
