// End-to-end tests of the audio device on the real OpenAL Soft, which mixes
// into a WAVE file through its "wave" backend: rate, volume and pan must
// change what comes out the way a listener would hear it. Each mix runs in a
// child process because OpenAL Soft reads its configuration (named by
// ALSOFT_CONF, written by the test) once per process; no sound card is
// needed.
#include <gtest/gtest.h>
#include <sched.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <string>

#include "audio/audio.h"
#include "host/glfwgame.h"
#include "tests/audio/sound_files.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_dir.h"

using namespace audiotest;

namespace {

constexpr int kToneHertz = 440;
constexpr int kToneRate = 22050;
constexpr int kMixRate = 44100;
// Output below this is taken for the silence around the tone.
constexpr int kSilence = 800;
// Only a stuck mixer takes this long; it guards the wait, it measures nothing.
constexpr unsigned kGiveUpSeconds = 30;

// What a listener hears of the tone in OpenAL Soft's 16-bit stereo output:
// the RMS of each side and the pitch, over the sounding stretch.
struct Heard {
    double left = 0, right = 0, hertz = 0;
};

Heard Listen(const Bytes& file) {
    std::vector<int> mix;  // interleaved left, right
    for (size_t i = file.find("data") + 8; i + 1 < file.size(); i += 2)
        mix.push_back(int16_t(uint8_t(file[i]) | uint8_t(file[i + 1]) << 8));
    size_t first = mix.size(), last = 0;
    for (size_t i = 0; i + 1 < mix.size(); i += 2) {
        if (std::abs(mix[i]) > kSilence || std::abs(mix[i + 1]) > kSilence) {
            first = std::min(first, i);
            last = i;
        }
    }
    Heard h;
    for (size_t i = first; i < last; i += 2) {
        h.left += double(mix[i]) * mix[i];
        h.right += double(mix[i + 1]) * mix[i + 1];
        if (mix[i] + mix[i + 1] < 0 && mix[i + 2] + mix[i + 3] >= 0) ++h.hertz;
    }
    const double frames = std::max(1.0, double(last - first) / 2);
    return {std::sqrt(h.left / frames), std::sqrt(h.right / frames), h.hertz * kMixRate / frames};
}

// Plays 0.4 s of the tone once on channel 0 after `setup`, in a child whose
// OpenAL Soft mixes into a file in `dir`, and listens to that.
Heard Mix(const ScratchDir& dir, const std::function<void(gxtkAudio*)>& setup) {
    const std::string tone = dir / "tone.wav", conf = dir / "alsoft.conf";
    std::ofstream(tone) << Of(
        datagen::encodeWav16(Tone(kToneHertz, kToneRate, kToneRate * 2 / 5, 1), kToneRate));
    std::ofstream(conf)
        << "[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\nhrtf = false\n"
           "frequency = " +
               std::to_string(kMixRate) + "\n[wave]\nfile = " + dir / "mix.wav" + "\n";
    const ChildResult r = RunInChild([&] {
        setenv("ALSOFT_CONF", conf.c_str(), 1);
        gxtkAudio* audio = new gxtkAudio();
        setup(audio);
        audio->PlaySample(audio->LoadSample(String(tone.c_str())), 0, 0);
        alarm(kGiveUpSeconds);  // its signal ends the child
        while (audio->ChannelState(0) == 1)
            sched_yield();
        // The backend completes the file's header when the device closes,
        // which the device does as the process exits.
        exit(0);
    });
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return Listen(ReadFile(dir / "mix.wav"));
}

}  // namespace

TEST(RealOpenAl, RateVolumeAndPanChangeWhatIsHeard) {
    if (!BBGlfwGame::_glfwGame) new BBGlfwGame();  // the file loaders; opens no window
    const ScratchDir dir;
    const Heard plain = Mix(dir, [](gxtkAudio*) {});
    EXPECT_NEAR(plain.hertz, kToneHertz, kToneHertz * 0.03);
    EXPECT_NEAR(plain.left / plain.right, 1.0, 0.05) << "unpanned sound is centred";

    const Heard octave = Mix(dir, [](gxtkAudio* a) { a->SetRate(0, 2.0f); });
    EXPECT_NEAR(octave.hertz / plain.hertz, 2.0, 0.06) << "rate 2 is an octave higher";

    const Heard half = Mix(dir, [](gxtkAudio* a) { a->SetVolume(0, 0.5f); });
    EXPECT_NEAR(half.left / plain.left, 0.5, 0.05) << "volume 0.5 halves the amplitude";
    EXPECT_NEAR(half.right / plain.right, 0.5, 0.05);

    const Heard right = Mix(dir, [](gxtkAudio* a) { a->SetPan(0, 1.0f); });
    EXPECT_GT(right.right, 1.5 * right.left) << "pan +1 is louder on the right";
}
