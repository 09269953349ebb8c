// The data tree in the build folder: every file the game and its sequencer
// load exists, in the format and layout the loaders expect. The expected
// names and layouts are written out here from what the game asks for, not
// taken from the generator, so a slip on either side shows.
#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/tools/data_files.h"

using namespace datagen_test;

namespace {

struct Sheet {
    const char* name;
    int frameW, frameH, frames;
};

// What the game's loader asks for (frame size at the base asset set).
const Sheet kSheets[] = {
    {"fonts/editundo", 16, 16, 128},
    {"common/icons", 32, 32, 16},
    {"common/Buttons", 64, 64, 16},
    {"common/dpad", 32, 32, 16},
    {"common/VeskLogo", 256, 256, 1},
    {"common/Testcard_Circle", 256, 256, 1},
    {"menu", 256, 256, 4},
    {"logo", 256, 128, 1},
    {"parts", 8, 8, 256},
    {"BadgesA", 64, 64, 64},
    {"gfx", 32, 32, 64},
    {"tube", 8, 256, 32},
};

struct Variant {
    const char* suffix;
    int factor;
};
const Variant kVariants[] = {{"", 1}, {"-hd", 2}, {"-hd2", 4}};

const char* const kTunes[] = {"Meadow Run/Tune_12", "Retro/Cavern Digger", "Retro/PipeHopper"};

const std::set<int> kDrumMap = {13, 15, 17, 18, 20, 22, 24, 25};

std::vector<std::string> allWaves() {
    std::vector<std::string> names;
    for (int n : {1, 2, 3, 95, 96, 98, 99}) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "sfx/%03d.wav", n);
        names.push_back(buf);
    }
    for (int kit = 1; kit <= 4; ++kit)
        for (int d = 1; d <= 8; ++d)
            names.push_back("inst/d" + std::to_string(kit) + "-" + std::to_string(d) + ".wav");
    for (int i = 1; i <= 3; ++i)
        names.push_back("inst/lead" + std::to_string(i) + ".wav");
    for (int i = 1; i <= 3; ++i)
        names.push_back("inst/accompany" + std::to_string(i) + ".wav");
    for (int i = 1; i <= 4; ++i)
        names.push_back("inst/bass" + std::to_string(i) + ".wav");
    return names;
}

}  // namespace

TEST(DataTree, EveryPictureExistsInEachVariantAndHoldsItsFrames) {
    for (const Sheet& s : kSheets) {
        for (const Variant& v : kVariants) {
            std::string file = std::string(s.name) + v.suffix + ".png";
            SCOPED_TRACE(file);
            Picture p;
            ASSERT_TRUE(loadPicture(file, p)) << "missing or undecodable";
            EXPECT_TRUE(
                framesFit(p.width, p.height, s.frameW * v.factor, s.frameH * v.factor, s.frames))
                << p.width << " x " << p.height << " cannot hold the frames";
        }
    }
}

TEST(DataTree, VariantsAreTheBasePictureAtTwiceAndFourTimesTheSize) {
    for (const Sheet& s : kSheets) {
        Picture base;
        ASSERT_TRUE(loadPicture(std::string(s.name) + ".png", base)) << s.name;
        for (const Variant& v : {kVariants[1], kVariants[2]}) {
            Picture p;
            ASSERT_TRUE(loadPicture(std::string(s.name) + v.suffix + ".png", p));
            EXPECT_EQ(p.width, base.width * v.factor) << s.name << v.suffix;
            EXPECT_EQ(p.height, base.height * v.factor) << s.name << v.suffix;
        }
    }
}

TEST(DataTree, DefaultFontIsAStripOfNinetySixPaddedFrames) {
    Picture p;
    ASSERT_TRUE(loadPicture("glint_font.png", p));
    EXPECT_EQ(p.width % 96, 0);
    EXPECT_GE(p.width / 96, 3) << "a frame needs a pixel of padding on each side";
    EXPECT_GT(p.height, 0);
}

TEST(DataTree, EverySoundIsSixteenBitPcmWaveWithFmtFirst) {
    for (const std::string& name : allWaves()) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(readFile(dataPath(name), bytes)) << "missing";
        Wave w;
        ASSERT_EQ(parseWave(bytes, w), "");
        EXPECT_EQ(w.format, 1) << "not integer PCM";
        EXPECT_EQ(w.bits, 16);
        EXPECT_TRUE(w.channels == 1 || w.channels == 2);
        EXPECT_EQ(w.rate, 44100);
        EXPECT_FALSE(w.samples.empty());
        EXPECT_EQ(w.samples.size() % size_t(w.channels), 0u);
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

TEST(DataTree, TunePicturesHoldRealPatternsForEveryVoice) {
    for (const char* tune : kTunes) {
        SCOPED_TRACE(tune);
        Picture p;
        ASSERT_TRUE(loadPicture(std::string("tunes/") + tune + ".png", p));
        ASSERT_TRUE(framesFit(p.width, p.height, 64, 64, 64));
        // The sequencer reads blue >> 3, composited over a background whose
        // blue is 0.
        auto value = [&](int frame, int voice, int row, int field) {
            int fx = 0, fy = 0;
            frameOrigin(p.width, 64, 64, frame, fx, fy);
            int x = fx + voice * 8 + field, y = fy + row;
            return (p.at(x, y, 2) * p.at(x, y, 3) / 255) >> 3;
        };
        int lastPattern[5] = {0, 0, 0, 0, 0};
        for (int f = 0; f < 63; ++f) {
            for (int g = 0; g < 8; ++g) {
                for (int y = 0; y < 64; ++y) {
                    for (int k = 0; k < 8; ++k) {
                        int v = value(f, g, y, k);
                        ASSERT_LE(v, 31);
                        if (v && g < 5) lastPattern[g] = f;
                    }
                    int note = value(f, g, y, 0);
                    if (g < 2 && note != 0) {
                        EXPECT_TRUE(kDrumMap.count(note))
                            << "drum voice " << g << " pattern " << f << " row " << y
                            << " plays note " << note << ", which is not a drum";
                    }
                }
            }
        }
        // Every pattern the arrangement may pick (0..last) has notes, and
        // each voice has more than one to choose from.
        for (int g = 0; g < 5; ++g) {
            EXPECT_GE(lastPattern[g], 1) << "voice " << g << " has a single pattern";
            for (int f = 0; f <= lastPattern[g]; ++f) {
                int notes = 0;
                for (int y = 0; y < 64; ++y)
                    notes += value(f, g, y, 0) != 0;
                EXPECT_GE(notes, 4) << "voice " << g << " pattern " << f << " is (nearly) empty";
            }
        }
    }
}
