// End-to-end tests of the real program on the real window layer, under the
// X display the test command provides (Xvfb): the window opens 640 by 480
// with the game's title, a key typed with xdotool reaches the input device
// as a hit and a character, and closing the window as a user does ends the
// process with status 0. The key test runs the probe build (the same program
// with an application that prints its input). Programs are started with
// fork/exec; a generous deadline guards every wait so that a hung program
// fails the test instead of hanging the suite. The sequencer build of the
// game plays under OpenAL Soft's wave backend: a game is heard, with its
// drums panned apart, and is silent when the saved sound option is off.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

using namespace e2e;

// ---- the sequencer in a game ----------------------------------------------------

constexpr int kMixRate = 44100;
constexpr int kFrameBytes = 4;  // 16-bit stereo

// Interleaved samples of OpenAL Soft's wave output, up to the end of the file
// (the header's sizes are finished only when the device closes).
std::vector<int16_t> ReadMix(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t data = file.find("data");
    std::vector<int16_t> out;
    for (size_t i = data == std::string::npos ? file.size() : data + 8; i + 1 < file.size(); i += 2)
        out.push_back(int16_t(uint8_t(file[i]) | uint8_t(file[i + 1]) << 8));
    return out;
}

// Waits until the mixer has written `frames` frames: its file is the clock.
bool WaitForMix(const std::string& path, size_t frames) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDeadlineMs);
    std::error_code e;
    while (std::filesystem::file_size(path, e) < frames * kFrameBytes + 100 || e) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        poll(nullptr, 0, 10);
    }
    return true;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const char* display = getenv("DISPLAY");
        ASSERT_TRUE(display && *display)
            << "these tests need an X display: run them under xvfb-run, as tools/test-all.sh "
               "does";
    }
    void TearDown() override {
        if (game_.pid > 0) {
            kill(game_.pid, SIGKILL);
            waitpid(game_.pid, nullptr, 0);
        }
    }

    Program game_;
};

}  // namespace

TEST_F(EndToEnd, TheWindowOpensAtItsSizeWithItsTitleAndTheCloseButtonEndsTheProgram) {
    game_ = Start({DROPLING_PROGRAM}, DROPLING_BUILD_DIR);
    ASSERT_GT(game_.pid, 0);
    const std::string window = FindWindow();
    ASSERT_FALSE(window.empty() || window[0] == '<') << window;

    EXPECT_EQ(Trimmed(RunTool({"xdotool", "getwindowname", window})), kTitle);
    const std::string geometry = RunTool({"xdotool", "getwindowgeometry", window});
    EXPECT_NE(geometry.find("Geometry: 640x480"), std::string::npos) << geometry;

    ASSERT_EQ(RunTool({X11_CLOSE, window}), "");
    EXPECT_EQ(WaitForExit(game_), 0);
    EXPECT_EQ(game_.seen, "");
}

TEST_F(EndToEnd, ATypedKeyReachesTheInputDeviceAsAHitAndACharacter) {
    game_ = Start({DROPLING_PROBE}, DROPLING_BUILD_DIR);
    ASSERT_GT(game_.pid, 0);
    ASSERT_TRUE(ReadUntil(game_, "probe: ready\n")) << game_.seen;
    const std::string window = FindWindow();
    ASSERT_FALSE(window.empty() || window[0] == '<') << window;

    ASSERT_NE(RunTool({"xdotool", "windowfocus", "--sync", window}).substr(0, 7), "<failed");
    ASSERT_NE(RunTool({"xdotool", "key", "a"}).substr(0, 7), "<failed");
    EXPECT_TRUE(ReadUntil(game_, "probe: hit 65 x1\n")) << game_.seen;
    EXPECT_TRUE(ReadUntil(game_, "probe: char 97\n")) << game_.seen;

    ASSERT_EQ(RunTool({X11_CLOSE, window}), "");
    EXPECT_EQ(WaitForExit(game_), 0);
}

TEST_F(EndToEnd, TheSequencerIsHeardInAGameWithItsDrumsPannedAndSilentWithSoundOff) {
    for (bool soundOff : {false, true}) {
        SCOPED_TRACE(soundOff ? "sound off" : "sound on");
        char pattern[] = "/tmp/dropling-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        const std::string dir = pattern, wav = dir + "/mix.wav", conf = dir + "/alsoft.conf";
        std::filesystem::create_directory_symlink(DROPLING_BUILD_DIR "/data", dir + "/data");
        std::ofstream(conf) << "[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\n"
                               "frequency = 44100\nhrtf = false\n[wave]\nfile = "
                            << wav << "\n";
        // A saved record whose 25 options (the sound option among them) and
        // checksum are all 0.
        if (soundOff) {
            std::ofstream state(dir + "/.vantorstate");
            for (int i = 0; i < 26; ++i)
                state << "0|";
        }
        game_ = Start({"env", "ALSOFT_CONF=" + conf, DROPLING_SEQUENCER}, dir.c_str());
        const std::string window = FindWindow();
        ASSERT_FALSE(window.empty() || window[0] == '<') << window;
        ASSERT_NE(RunTool({"xdotool", "windowfocus", "--sync", window}).substr(0, 7), "<failed");
        // A second into the menu, space starts a game of the first type.
        ASSERT_TRUE(WaitForMix(wav, kMixRate));
        const size_t pressed = size_t(std::filesystem::file_size(wav)) / kFrameBytes;
        RunTool({"xdotool", "keydown", "space"});
        ASSERT_TRUE(WaitForMix(wav, pressed + kMixRate / 10));
        RunTool({"xdotool", "keyup", "space"});
        // The tune loads and starts within half a second; the game, left to
        // itself, ends after about four.
        ASSERT_TRUE(WaitForMix(wav, pressed + kMixRate * 7 / 2));
        ASSERT_EQ(RunTool({X11_CLOSE, window}), "");
        EXPECT_EQ(WaitForExit(game_), 0);

        const std::vector<int16_t> mix = ReadMix(wav);
        double left = 0, right = 0, apart = 0;
        size_t n = 0;
        for (size_t i = 2 * (pressed + kMixRate * 4 / 5); i + 1 < mix.size() && n < 2 * kMixRate;
             i += 2, ++n) {
            left += double(mix[i]) * mix[i];
            right += double(mix[i + 1]) * mix[i + 1];
            apart += std::pow(double(mix[i]) - mix[i + 1], 2);
        }
        ASSERT_EQ(n, size_t(2 * kMixRate));
        left = std::sqrt(left / n), right = std::sqrt(right / n), apart = std::sqrt(apart / n);
        if (soundOff) {
            EXPECT_LT(left + right, 2.0);
        } else {
            // Loud on both sides; sound panned to the middle would give equal
            // sides, the drums make them differ.
            EXPECT_GT(left, 500);
            EXPECT_GT(right, 500);
            EXPECT_GT(apart, 0.1 * (left + right));
        }
        std::filesystem::remove_all(dir);
    }
}
