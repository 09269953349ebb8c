// The audio device test fixture (see audio_fixture.h).
#include "tests/audio/audio_fixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "runtime/gc.h"

namespace {

// The host's file loaders are reached through the one BBGlfwGame; making it
// opens no window.
void EnsureHost() {
    if (!BBGlfwGame::_glfwGame) new BBGlfwGame();
}

// Steps and allocations enough for garbage to be swept and then destroyed
// by later allocations.
constexpr int kCollectRounds = 200;

}  // namespace

void FakeAudioTest::SetUp() {
    GcTest::SetUp();
    EnsureHost();
    fakeal::Reset();
    discardedBuffers.clear();
    char pattern[] = "/tmp/dropling-audio-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    audio = new gxtkAudio();
}

void FakeAudioTest::TearDown() {
    bb_audio_device = nullptr;
    audio = nullptr;
    GcTest::TearDown();
    discardedBuffers.clear();
    std::string command = "rm -rf '" + dir + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "could not remove " << dir;
}

std::string FakeAudioTest::WriteTempFile(const std::string& name, const audiotest::Bytes& bytes) {
    const std::string path = dir + "/" + name;
    audiotest::WriteWholeFile(path, bytes);
    return path;
}

std::string FakeAudioTest::WriteTempWav(const std::string& name, int channels, int bits) {
    audiotest::Bytes pcm;
    const int bytesPerSample = bits / 8;
    // 100 frames of a ramp: a sound whose bytes a test can recognise.
    for (int i = 0; i < 100 * channels * bytesPerSample; ++i)
        pcm += char(i & 0xff);
    return WriteTempFile(name,
                         audiotest::SimpleWav(uint16_t(channels), 22050, uint16_t(bits), pcm));
}

void FakeAudioTest::CollectUntilDestroyed(std::initializer_list<ALuint> buffers) {
    const bool stress = gc_stress();
    gc_set_stress(true);
    auto done = [&] {
        return std::all_of(buffers.begin(), buffers.end(), [](ALuint b) {
            return std::find(discardedBuffers.begin(), discardedBuffers.end(), b) !=
                   discardedBuffers.end();
        });
    };
    for (int round = 0; round < kCollectRounds && !done(); ++round) {
        gc_collect_step(nullptr);
        new gxtkSample();  // garbage is destroyed as new objects are made
    }
    gc_set_stress(stress);
    EXPECT_TRUE(done()) << "the samples were not collected";
}
