// The fixture of the audio device tests: a clean collector, a reset OpenAL
// fake (or the real library, in the end-to-end tests, which do not use this
// fixture), a new device, the one host object that decodes files, and
// helpers that write sound files into a per-test temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "audio/audio.h"
#include "audio/sound.h"
#include "host/glfwgame.h"
#include "tests/audio/sound_files.h"
#include "tests/fakes/fake_al.h"
#include "tests/support/gc_fixture.h"

class FakeAudioTest : public GcTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A PCM WAVE file of a short tone in the temporary directory; returns
    // its path.
    std::string WriteTempWav(const std::string& name, int channels, int bits);
    std::string WriteTempFile(const std::string& name, const audiotest::Bytes& bytes);
    // Runs collector steps (each a whole cycle) and small allocations until
    // every given buffer has reached the discard list through its sample's
    // destruction, or fails the test.
    void CollectUntilDestroyed(std::initializer_list<ALuint> buffers);

    gxtkAudio* audio = nullptr;
    std::string dir;
};
