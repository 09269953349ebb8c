// The generator's building blocks: the shape sampler (whose tile culling
// must never lose pixels, even of shapes whose distance is approximate),
// glyph widths that suit the game's letter spacing, the WAV and Vorbis
// encoders, the file writer the build relies on, and the program, which
// reports bad use and unwritable folders with a message and a failing exit
// status.
#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/tools/data_files.h"
#include "tools/datagen/audio.h"
#include "tools/datagen/canvas.h"
#include "tools/datagen/generate.h"
#include "tools/datagen/music.h"
#include "tools/datagen/pixel_font.h"

using namespace datagen;

TEST(DatagenCanvas, CullingNeverLosesPixelsOfAnyShape) {
    const std::pair<const char*, Sdf> shapes[] = {
        {"gear", gear(40, 40, 23, 30, 12, 0.35f)},
        {"star", star(40, 40, 6, 30, 5, 10)},
        {"wavy band",
         [](float x, float y) { return std::fabs(y - (40 + std::sin(x / 9) * 12)) - 3; }},
        {"ellipse", ellipse(40, 40, 36, 5)},
        {"ring minus box", subtract(ring(40, 40, 20, 2), rect(50, 40, 10, 30))},
    };
    for (const auto& [name, shape] : shapes) {
        for (int scale : {1, 2, 4}) {
            Image culled(80 * scale, 80 * scale);
            Canvas canvas(culled, 0, 0, 80, 80, scale);
            canvas.fill(shape, rgb(255, 255, 255));
            for (int py = 0; py < 80 * scale; ++py) {
                for (int px = 0; px < 80 * scale; ++px) {
                    float x = (float(px) + 0.5f) / float(scale),
                          y = (float(py) + 0.5f) / float(scale);
                    bool inside = shape(x, y) <= 0;
                    ASSERT_EQ(inside, culled.alpha(px, py) > 0)
                        << name << " x" << scale << " at (" << px << ", " << py << ")";
                }
            }
        }
    }
}

TEST(DatagenFont, GlyphWidthsSuitTheGamesLetterSpacing) {
    // The game advances 7 units per letter, corrected per letter; a glyph two
    // columns narrower than its advance keeps every pair of letters apart.
    for (int c = 33; c <= 126; ++c) {
        const Glyph* g = glyphFor(c);
        ASSERT_NE(g, nullptr) << char(c);
        EXPECT_LE(g->width + 2, gameLetterAdvance(char(c))) << "'" << char(c) << "' is too wide";
        if (std::isalpha(c)) {
            EXPECT_EQ(g->width + 2, gameLetterAdvance(char(c)))
                << "'" << char(c) << "' spacing is uneven";
        }
    }
}

TEST(DatagenAudio, WavRoundTripKeepsTheSamples) {
    Pcm pcm;
    pcm.channels = 2;
    pcm.samples = {0.0f, 1.0f, -1.0f, 0.5f, 2.0f, -3.0f};  // the last two are clamped
    datagen_test::Wave w;
    ASSERT_TRUE(datagen_test::loadWave(encodeWav16(pcm, 22050), w));
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.rate, 22050);
    EXPECT_EQ(w.samples, (std::vector<int16_t>{0, 32767, -32767, 16384, 32767, -32767}));
}

TEST(DatagenAudio, VorbisDecodesToExactlyTheFramesEncoded) {
    // Extra or missing frames at the end would put a gap or a jump into a
    // looping tune.
    for (size_t frames : {size_t(1000), size_t(44100), size_t(44100 + 777)}) {
        Pcm pcm;
        pcm.channels = 2;
        pcm.samples.resize(frames * 2);
        for (size_t i = 0; i < frames; ++i) {
            pcm.samples[2 * i] = 0.5f * std::sin(float(i) * 0.05f);
            pcm.samples[2 * i + 1] = 0.5f * std::cos(float(i) * 0.03f);
        }
        std::vector<uint8_t> ogg = encodeVorbis(pcm, 0.3f);
        int channels = 0, rate = 0;
        short* out = nullptr;
        int decoded = stb_vorbis_decode_memory(ogg.data(), int(ogg.size()), &channels, &rate, &out);
        std::free(out);
        EXPECT_EQ(decoded, int(frames));
        EXPECT_EQ(channels, 2);
        EXPECT_EQ(rate, kSampleRate);
    }
}

TEST(DatagenFiles, WriterRewritesOnlyWhatChangedAndNamesWhatFailed) {
    namespace fs = std::filesystem;
    fs::path root = fs::temp_directory_path() / ("datagen_writer_" + std::to_string(::getpid()));
    fs::remove_all(root);
    writeFiles(root, {{"a/b/same.bin", {1, 2, 3}}, {"changed.bin", {4}}});
    EXPECT_TRUE(fs::exists(root / "a/b/same.bin"));
    auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(root / "a/b/same.bin", old);
    fs::last_write_time(root / "changed.bin", old);
    writeFiles(root, {{"a/b/same.bin", {1, 2, 3}}, {"changed.bin", {5, 6}}});
    EXPECT_EQ(fs::last_write_time(root / "a/b/same.bin"), old) << "an unchanged file was rewritten";
    EXPECT_EQ(datagen_test::readFile((root / "changed.bin").string()),
              (std::vector<uint8_t>{5, 6}));

    // A folder where a file stands cannot be made.
    try {
        writeFiles(root, {{"changed.bin/inner.bin", {1}}});
        ADD_FAILURE() << "no error for an impossible path";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("changed.bin"), std::string::npos) << e.what();
    }
    fs::remove_all(root);
}

TEST(DatagenProgram, ReportsBadUseAndUnwritableFolders) {
    const struct {
        const char* args;
        int status;
        const char* message;
    } runs[] = {
        {"", 2, "usage:"},
        // A folder below a regular file cannot be made, even by root.
        {"/dev/null/data", 1, "datagen: cannot create /dev/null/data"},
    };
    for (const auto& run : runs) {
        const std::string command =
            std::string(DROPLING_DATAGEN_PROGRAM) + " " + run.args + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_TRUE(pipe);
        std::string output;
        char buf[256];
        while (size_t n = fread(buf, 1, sizeof buf, pipe))
            output.append(buf, n);
        const int status = pclose(pipe);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, run.status) << run.args;
        EXPECT_NE(output.find(run.message), std::string::npos) << output;
    }
}
