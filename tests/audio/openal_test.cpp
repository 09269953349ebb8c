// End-to-end tests of the audio device on the real OpenAL Soft, which mixes
// into a WAVE file through its "wave" backend: rate, volume and pan must
// change what comes out the way a listener would hear it. Also the device
// that cannot be opened. Each case runs in a child process because OpenAL
// Soft reads its configuration (named by ALSOFT_CONF, written by the test)
// once per process; no sound card is needed.
#include <gtest/gtest.h>
#include <sched.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "host/glfwgame.h"
#include "tests/audio/sound_files.h"
#include "tests/support/child_process.h"

using namespace audiotest;

namespace {

constexpr int kToneHertz = 440;
constexpr int kToneRate = 22050;
constexpr int kToneFrames = kToneRate * 2 / 5;  // 0.4 s
constexpr int kMixRate = 44100;
// Output below this is taken for the silence around the tone.
constexpr int kSilence = 800;
// Only a stuck mixer takes this long; it guards the wait, it measures nothing.
constexpr auto kGiveUp = std::chrono::seconds(30);

class RealOpenAlTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!BBGlfwGame::_glfwGame) new BBGlfwGame();
        char pattern[] = "/tmp/dropling-openal-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        tone = dir + "/tone.wav";
        WriteWholeFile(tone,
                       SimpleWav(1, kToneRate, 16,
                                 PcmBytes(SineTone(kToneHertz, kToneRate, kToneFrames, 1, 0.5))));
    }
    void TearDown() override {
        if (system(("rm -rf '" + dir + "'").c_str()) != 0) ADD_FAILURE() << "cannot remove " << dir;
    }

    // In a child whose OpenAL Soft reads the configuration `conf` (text),
    // makes a device, loads the tone and runs `body` on them.
    ChildResult RunWithConfig(const std::string& conf,
                              const std::function<void(gxtkAudio*, gxtkSample*)>& body) {
        const std::string path = dir + "/alsoft.conf", tonePath = tone;
        WriteWholeFile(path, conf);
        return RunInChild([&] {
            setenv("ALSOFT_CONF", path.c_str(), 1);
            gxtkAudio* audio = new gxtkAudio();
            gxtkSample* sample = audio->LoadSample(String(tonePath.c_str()));
            if (!sample) _exit(3);
            body(audio, sample);
        });
    }

    // Plays the tone once on channel 0 after `setup`, in a child whose OpenAL
    // mixes into a file, and returns the interleaved stereo output.
    std::vector<int16_t> Mix(const std::function<void(gxtkAudio*)>& setup) {
        const std::string out = dir + "/mix.wav";
        const std::string conf =
            "[general]\ndrivers = wave\nchannels = stereo\n"
            "sample-type = int16\nfrequency = " +
            std::to_string(kMixRate) + "\nhrtf = false\n[wave]\nfile = " + out + "\n";
        ChildResult r = RunWithConfig(conf, [&](gxtkAudio* audio, gxtkSample* sample) {
            setup(audio);
            audio->PlaySample(sample, 0, 0);
            const auto start = std::chrono::steady_clock::now();
            while (audio->ChannelState(0) == 1) {
                if (std::chrono::steady_clock::now() - start > kGiveUp) _exit(4);
                sched_yield();
            }
            // The backend completes the file's header when the device closes.
            alcMakeContextCurrent(nullptr);
            alcDestroyContext(audio->alcContext);
            alcCloseDevice(audio->alcDevice);
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, kChildBodyReturned) << r.out << r.err;
        return ReadMix(ReadWholeFile(out));
    }

    // The samples of the "data" chunk of OpenAL Soft's output.
    static std::vector<int16_t> ReadMix(const Bytes& file) {
        std::vector<int16_t> out;
        size_t at = 12;
        while (at + 8 <= file.size()) {
            const uint32_t size =
                uint32_t(uint8_t(file[at + 4])) | uint32_t(uint8_t(file[at + 5])) << 8 |
                uint32_t(uint8_t(file[at + 6])) << 16 | uint32_t(uint8_t(file[at + 7])) << 24;
            if (file.compare(at, 4, "data") == 0) {
                const size_t end = std::min(file.size(), at + 8 + size_t(size));
                for (size_t i = at + 8; i + 1 < end; i += 2)
                    out.push_back(int16_t(uint8_t(file[i]) | uint8_t(file[i + 1]) << 8));
                break;
            }
            at += 8 + size + (size & 1);
        }
        return out;
    }

    std::string dir, tone;
};

// What a listener hears of the tone in a stereo mix: the loudness of each
// side and the pitch, measured over the middle of the sounding stretch.
struct Heard {
    double left = 0, right = 0;  // RMS
    double hertz = 0;
    bool sounded = false;
};

Heard Listen(const std::vector<int16_t>& mix) {
    Heard h;
    const size_t frames = mix.size() / 2;
    size_t first = frames, last = 0;
    for (size_t i = 0; i < frames; ++i) {
        if (std::abs(mix[2 * i]) > kSilence || std::abs(mix[2 * i + 1]) > kSilence) {
            first = std::min(first, i);
            last = i;
        }
    }
    if (first >= last) return h;
    // Leave out the edges, where the sound starts and ends.
    const size_t margin = (last - first) / 10;
    first += margin;
    last -= margin;
    double l = 0, r = 0;
    int crossings = 0;
    for (size_t i = first; i < last; ++i) {
        l += double(mix[2 * i]) * mix[2 * i];
        r += double(mix[2 * i + 1]) * mix[2 * i + 1];
        const int a = mix[2 * i] + mix[2 * i + 1], b = mix[2 * i + 2] + mix[2 * i + 3];
        if (a < 0 && b >= 0) ++crossings;
    }
    const double n = double(last - first);
    h.left = std::sqrt(l / n);
    h.right = std::sqrt(r / n);
    h.hertz = crossings * double(kMixRate) / n;
    h.sounded = true;
    return h;
}

}  // namespace

TEST_F(RealOpenAlTest, RateVolumeAndPanChangeWhatIsHeard) {
    const Heard plain = Listen(Mix([](gxtkAudio*) {}));
    ASSERT_TRUE(plain.sounded) << "nothing audible was mixed";
    EXPECT_NEAR(plain.hertz, kToneHertz, kToneHertz * 0.03);
    EXPECT_NEAR(plain.left / plain.right, 1.0, 0.05) << "unpanned sound is centred";

    const Heard octave = Listen(Mix([](gxtkAudio* a) { a->SetRate(0, 2.0f); }));
    ASSERT_TRUE(octave.sounded);
    EXPECT_NEAR(octave.hertz / plain.hertz, 2.0, 0.06) << "rate 2 is an octave higher";

    const Heard half = Listen(Mix([](gxtkAudio* a) { a->SetVolume(0, 0.5f); }));
    ASSERT_TRUE(half.sounded);
    EXPECT_NEAR(half.left / plain.left, 0.5, 0.05) << "volume 0.5 halves the amplitude";
    EXPECT_NEAR(half.right / plain.right, 0.5, 0.05);

    const Heard right = Listen(Mix([](gxtkAudio* a) { a->SetPan(0, 1.0f); }));
    ASSERT_TRUE(right.sounded);
    EXPECT_GT(right.right, 1.5 * right.left) << "pan +1 is louder on the right";

    const Heard left = Listen(Mix([](gxtkAudio* a) { a->SetPan(0, -1.0f); }));
    ASSERT_TRUE(left.sounded);
    EXPECT_GT(left.left, 1.5 * left.right) << "pan -1 is louder on the left";
}

TEST_F(RealOpenAlTest, DeviceThatCannotOpenIsReportedOnceAndStaysSilent) {
    struct Case {
        const char* name;
        std::string config;
        std::string printed;
    };
    const std::vector<Case> cases = {
        {"no device", "[general]\ndrivers = wave\n[wave]\nfile = " + dir + "/no/such/dir.wav\n",
         "OpenAl error: alcOpenDevice failed\n"},
        {"null driver", "[general]\ndrivers = null\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChildResult r = RunWithConfig(c.config, [&](gxtkAudio* audio, gxtkSample* sample) {
            for (int ch = 0; ch < gxtkAudio::kChannelCount; ++ch) {
                audio->SetVolume(ch, 0.5f);
                audio->SetPan(ch, 1.0f);
                audio->SetRate(ch, 2.0f);
                audio->PlaySample(sample, ch, ch & 1);
            }
            audio->Suspend();
            audio->Resume();
            audio->PauseChannel(1);
            audio->ResumeChannel(1);
            audio->StopChannel(2);
            sample->Discard();
            if (audio->PlayMusic(String(tone.c_str()), 1) != 0) _exit(5);
            audio->ChannelState(0);
            audio->mark();
            audio->FlushDiscarded();
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, kChildBodyReturned) << r.err;
        EXPECT_EQ(r.out, c.printed);
    }
}
