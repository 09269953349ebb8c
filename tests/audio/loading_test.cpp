// Tests of sample loading through the host (extension choice, the OpenAL
// format table, what reaches the buffer) and of the sound layer's
// bb_audio_* functions, on the recording OpenAL fake.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "tests/audio/audio_fixture.h"

using namespace audiotest;

TEST_F(FakeAudioTest, LoadSampleUploadsWithTheFormatTable) {
    struct Case {
        const char* name;
        int channels, bits;
        ALenum alFormat;  // 0: OpenAL refuses the data, the sample is silent
    };
    const std::vector<Case> cases = {
        {"m8.wav", 1, 8, AL_FORMAT_MONO8},
        {"s8.wav", 2, 8, AL_FORMAT_STEREO8},
        {"m16.wav", 1, 16, AL_FORMAT_MONO16},
        {"s16.wav", 2, 16, AL_FORMAT_STEREO16},
        {"s24.wav", 2, 24, 0},
        // Not whole bytes: neither may pass for the 8- or 16-bit format.
        {"m12.wav", 1, 12, 0},
        {"s20.wav", 2, 20, 0},
        {"q16.wav", 4, 16, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteTempWav(c.name, c.channels, c.bits);
        gxtkSample* sample = audio->LoadSample(String(path.c_str()));
        ASSERT_NE(sample, nullptr);
        ASSERT_NE(sample->buffer, 0u);
        const fakeal::Buffer* buffer = fakeal::BufferAt(sample->buffer);
        EXPECT_EQ(buffer->format, c.alFormat);
        if (c.alFormat == 0) continue;
        EXPECT_EQ(buffer->frequency, 22050);
        ASSERT_EQ(buffer->bytes, 100 * c.channels * (c.bits / 8));
        for (int i = 0; i < buffer->bytes; ++i)
            ASSERT_EQ(buffer->data[i], i & 0xff) << i;
    }
}

TEST_F(FakeAudioTest, LoadSampleChoosesTheDecoderByExtensionInAnyCase) {
    const Bytes wav = SimpleWav(1, 8000, 16, PcmBytes({1, 2, 3}));
    const Bytes ogg = EncodeVorbis(SineTone(440, 8000, 8000, 2, 0.5), 2, 8000);
    struct Case {
        const char* name;
        const Bytes* bytes;
        ALenum alFormat;  // 0: no sample
        int pcmBytes;
    };
    const std::vector<Case> cases = {
        {"a.wav", &wav, AL_FORMAT_MONO16, 3 * 2},
        {"B.WAV", &wav, AL_FORMAT_MONO16, 3 * 2},
        {"c.Wav", &wav, AL_FORMAT_MONO16, 3 * 2},
        {"d.ogg", &ogg, AL_FORMAT_STEREO16, 8000 * 2 * 2},
        {"E.OGG", &ogg, AL_FORMAT_STEREO16, 8000 * 2 * 2},
        {"f.mp3", &wav, 0, 0},
        {"g.wav.txt", &wav, 0, 0},
        {"h.ogg", &wav, 0, 0},
        {"i.wav", &ogg, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteTempFile(c.name, *c.bytes);
        gxtkSample* sample = audio->LoadSample(String(path.c_str()));
        ASSERT_EQ(sample != nullptr, c.alFormat != 0);
        if (!sample) continue;
        const fakeal::Buffer* buffer = fakeal::BufferAt(sample->buffer);
        EXPECT_EQ(buffer->format, c.alFormat);
        EXPECT_EQ(buffer->bytes, c.pcmBytes);
        EXPECT_EQ(buffer->frequency, 8000);
    }
    EXPECT_EQ(audio->LoadSample(String((dir + "/missing.wav").c_str())), nullptr);
}

// ---------------------------------------------------------------------------
// The sound layer

class SoundLayerTest : public FakeAudioTest {
protected:
    void SetUp() override {
        FakeAudioTest::SetUp();
        bb_audio_SetAudioDevice(audio);
        // Asset names are data paths, relative to the working directory.
        ASSERT_NE(getcwd(oldCwd, sizeof oldCwd), nullptr);
        ASSERT_EQ(system(("mkdir -p '" + dir + "/data/sfx'").c_str()), 0);
        ASSERT_EQ(chdir(dir.c_str()), 0);
        WriteTempWav("data/sfx/001.wav", 1, 16);
    }
    void TearDown() override {
        if (chdir(oldCwd) != 0) ADD_FAILURE() << "could not go back to " << oldCwd;
        FakeAudioTest::TearDown();
    }
    char oldCwd[PATH_MAX] = {};
};

TEST_F(SoundLayerTest, LoadSoundMapsDataPathsAndFailsQuietly) {
    testing::internal::CaptureStdout();
    c_Sound* sound = bb_audio_LoadSound(String("sfx/001.wav"));
    ASSERT_NE(sound, nullptr);
    ASSERT_NE(sound->m_Sample, nullptr);
    EXPECT_NE(sound->m_Sample->buffer, 0u);
    EXPECT_NE(bb_audio_LoadSound(String("vantor://data/sfx/001.wav")), nullptr);
    EXPECT_NE(bb_audio_LoadSound(String("./data/sfx/001.wav")), nullptr);

    c_Sound* missing = bb_audio_LoadSound(String("sfx/002.wav"));
    EXPECT_EQ(missing, nullptr);
    fakeal::ClearLog();
    EXPECT_EQ(bb_audio_PlaySound(missing, 0, 0), 0);
    EXPECT_EQ(bb_audio_PlaySound((new c_Sound())->m_new2(), 0, 0), 0);
    EXPECT_TRUE(fakeal::Calls().empty()) << "a null sound plays nothing";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(SoundLayerTest, PlayMusicMapsThePathAndAMissingFileStopsTheMusic) {
    EXPECT_EQ(bb_audio_PlayMusic(String("sfx/001.wav"), 1), 0);
    EXPECT_EQ(audio->MusicState(), 1);
    const fakeal::Source* music =
        fakeal::SourceAt(audio->channels[gxtkAudio::kMusicChannel].source);
    ASSERT_NE(music, nullptr);
    EXPECT_EQ(music->looping, AL_TRUE);
    bb_audio_PauseMusic();
    EXPECT_EQ(audio->MusicState(), 2);
    bb_audio_ResumeMusic();
    EXPECT_EQ(music->state, AL_PLAYING);

    // Another tune replaces the first one's buffer without waiting for the
    // collector: it is deleted at the first load after the new tune started.
    const ALuint first = music->buffer;
    EXPECT_EQ(bb_audio_PlayMusic(String("./data/sfx/001.wav"), 1), 0);
    EXPECT_EQ(bb_audio_PlayMusic(String("sfx/none.ogg"), 1), -1);
    EXPECT_EQ(audio->MusicState(), 0) << "the music that played was stopped first";
    EXPECT_EQ(music->state, AL_STOPPED);
    EXPECT_TRUE(fakeal::BufferAt(first)->deleted);
}
