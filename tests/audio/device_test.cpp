// The audio device and the sound layer on the recording OpenAL fake: opening
// and its failures, a channel's life (settings that outlive plays, a busy
// channel cut off, the state machine against OpenAL's, the music channel),
// channel numbers out of range, suspend and resume, the deferred deletion of
// discarded buffers, the collector keeping sounding samples alive, and the
// music kept decoded between plays.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "runtime/gc.h"
#include "tests/audio/audio_fixture.h"

namespace {

// A sample with a buffer of its own, as loading would leave it.
gxtkSample* MakeSample() {
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    const unsigned char pcm[4] = {1, 2, 3, 4};
    alBufferData(buffer, AL_FORMAT_MONO16, pcm, sizeof pcm, 22050);
    return new gxtkSample(buffer);
}

bool Pending(ALuint buffer) {
    for (ALuint b : discardedBuffers)
        if (b == buffer) return true;
    return false;
}

bool Deleted(ALuint buffer) {
    return fakeal::BufferAt(buffer)->deleted;
}

class DeviceTest : public FakeAudioTest {
protected:
    ALuint SourceOf(int channel) { return audio->channels[channel].source; }
    const fakeal::Source& Src(int channel) { return *fakeal::SourceAt(SourceOf(channel)); }
    int Count(const char* call, int channel) { return fakeal::CountCalls(call, SourceOf(channel)); }
};

}  // namespace

TEST_F(DeviceTest, OpeningFailuresPrintOnceAndLeaveEveryOperationHarmless) {
    const struct {
        fakeal::OpenFailure failure;
        std::string printed;
    } cases[] = {
        {fakeal::OpenFailure::None, ""},
        {fakeal::OpenFailure::OpenDevice, "OpenAl error: alcOpenDevice failed\n"},
        {fakeal::OpenFailure::CreateContext, "OpenAl error: alcCreateContext failed\n"},
        {fakeal::OpenFailure::MakeCurrent, "OpenAl error: alcMakeContextCurrent failed\n"},
    };
    const std::string wav = WriteTempWav("tone.wav", 1, 16);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.printed);
        fakeal::Reset();
        discardedBuffers.clear();
        fakeal::SetOpenFailure(c.failure);
        testing::internal::CaptureStdout();
        audio = new gxtkAudio();
        EXPECT_EQ(fakeal::CountCalls("alDistanceModel", AL_NONE), 1);

        // Everything the application can do, on a device that may be silent.
        gxtkSample* sample = audio->LoadSample(String(wav.c_str()));
        ASSERT_NE(sample, nullptr) << "decoding does not need a device";
        audio->SetVolume(3, 0.5f);
        audio->SetPan(3, -1.0f);
        audio->SetRate(3, 2.0f);
        audio->PlaySample(sample, 3, 1);
        audio->Suspend();
        audio->Resume();
        audio->PauseChannel(3);
        audio->ResumeChannel(3);
        const int state = audio->ChannelState(3);
        EXPECT_EQ(audio->PlayMusic(String(wav.c_str()), 1), 0);
        audio->PauseMusic();
        audio->ResumeMusic();
        audio->SetMusicVolume(0.25f);
        sample->Discard();
        audio->PlaySample(audio->LoadSample(String(wav.c_str())), 4, 0);
        audio->StopChannel(3);
        audio->StopMusic();
        audio->mark();

        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
        const bool opened = c.failure == fakeal::OpenFailure::None;
        // Without a context nothing was made, and nothing claims to sound.
        EXPECT_EQ(state, opened ? 1 : 0);
        EXPECT_EQ(fakeal::SourceCount() > 0, opened);
        EXPECT_EQ(fakeal::LiveBufferCount() == 0 && discardedBuffers.empty(), !opened);
    }
}

// Through the sound layer where it has a function, the device elsewhere.
TEST_F(DeviceTest, AChannelsSettingsOutliveItsPlaysAndItsStateFollowsOpenAl) {
    bb_audio_SetAudioDevice(audio);
    gxtkSample* first = MakeSample();
    gxtkSample* second = MakeSample();
    bb_audio_SetChannelVolume(5, 0.5f);
    EXPECT_EQ(fakeal::SourceCount(), 1) << "setting a value creates the source";
    EXPECT_EQ(audio->ChannelState(5), 0) << "and changes nothing else";
    bb_audio_SetChannelPan(5, 1.0f);
    bb_audio_SetChannelRate(5, 2.0f);

    // Playing on a busy channel cuts off the first sample on the same source.
    audio->PlaySample(first, 5, 0);
    fakeal::ClearLog();
    audio->PlaySample(second, 5, 1);
    EXPECT_EQ(fakeal::SourceCount(), 1);
    std::vector<std::string> order;
    for (const fakeal::Call& c : fakeal::Calls())
        if (c.name != "alGetSourcei" && c.name != "alGetError") order.push_back(c.name);
    EXPECT_EQ(order,
              (std::vector<std::string>{"alSourceStop", "alSourcei", "alSourcei", "alSourcePlay"}));
    const fakeal::Source& s = Src(5);
    EXPECT_EQ(s.buffer, second->buffer);
    EXPECT_EQ(s.looping, AL_TRUE);
    EXPECT_EQ(audio->channels[5].sample, second);
    EXPECT_EQ(audio->channels[5].flags, 1);
    EXPECT_FLOAT_EQ(s.gain, 0.5f);
    EXPECT_FLOAT_EQ(s.pitch, 2.0f);
    // Pan 1 is an angle: about 57 degrees right on the unit circle.
    EXPECT_FLOAT_EQ(s.position[0], std::sin(1.0f));
    EXPECT_FLOAT_EQ(s.position[1], 0.0f);
    EXPECT_FLOAT_EQ(s.position[2], -std::cos(1.0f));

    // A looping channel plays on until the application stops it; pausing
    // and resuming twice acts once.
    for (int look = 0; look < 3; ++look)
        EXPECT_EQ(audio->ChannelState(5), 1);
    audio->ResumeChannel(5);
    audio->PauseChannel(5);
    audio->PauseChannel(5);
    EXPECT_EQ(audio->ChannelState(5), 2);
    EXPECT_EQ(s.state, AL_PAUSED);
    audio->ResumeChannel(5);
    audio->ResumeChannel(5);
    EXPECT_EQ(audio->ChannelState(5), 1);
    EXPECT_EQ(s.state, AL_PLAYING);
    EXPECT_EQ(Count("alSourcePause", 5), 1);
    EXPECT_EQ(Count("alSourcePlay", 5), 2);
    bb_audio_StopChannel(5);
    bb_audio_StopChannel(5);
    EXPECT_EQ(audio->ChannelState(5), 0);
    EXPECT_EQ(s.state, AL_STOPPED);
    EXPECT_EQ(Count("alSourceStop", 5), 2) << "one from the second play, one from the stops";

    // A non-looping sample that ran out is over, found by pausing or by
    // asking; a channel never given values plays at OpenAL's defaults.
    audio->PlaySample(first, 6, 0);
    EXPECT_FLOAT_EQ(Src(6).gain, 1.0f);
    EXPECT_FLOAT_EQ(Src(6).pitch, 1.0f);
    EXPECT_EQ(Count("alSourcef", 6), 0);
    EXPECT_EQ(audio->ChannelState(6), 1);
    fakeal::FinishSource(SourceOf(6));
    audio->PauseChannel(6);
    EXPECT_EQ(audio->channels[6].state, 0);
    EXPECT_EQ(Count("alSourcePause", 6), 0);
    audio->PlaySample(first, 6, 0);
    fakeal::FinishSource(SourceOf(6));
    EXPECT_EQ(audio->ChannelState(6), 0);

    // The music functions are channel 32's, and leave the others alone.
    audio->PlaySample(first, 7, 1);
    audio->PlaySample(first, gxtkAudio::kMusicChannel, 1);
    audio->SetMusicVolume(0.25f);
    EXPECT_FLOAT_EQ(Src(32).gain, 0.25f);
    bb_audio_StopMusic();
    EXPECT_EQ(audio->ChannelState(32), 0);
    EXPECT_EQ(Src(32).state, AL_STOPPED);
    EXPECT_EQ(audio->ChannelState(7), 1);
}

TEST_F(DeviceTest, ChannelNumbersOutsideTheTableAreIgnored) {
    gxtkSample* sample = MakeSample();
    const std::vector<std::function<int(int)>> operations = {
        [&](int ch) { return audio->PlaySample(sample, ch, 0); },
        [&](int ch) { return audio->StopChannel(ch); },
        [&](int ch) { return audio->PauseChannel(ch); },
        [&](int ch) { return audio->ResumeChannel(ch); },
        [&](int ch) { return audio->ChannelState(ch); },
        [&](int ch) { return audio->SetVolume(ch, 0.5f); },
        [&](int ch) { return audio->SetPan(ch, 0.5f); },
        [&](int ch) { return audio->SetRate(ch, 0.5f); },
    };
    fakeal::ClearLog();
    for (int channel : {-1, 33, INT_MAX, INT_MIN}) {
        for (const auto& op : operations)
            EXPECT_EQ(op(channel), 0) << channel;
    }
    EXPECT_TRUE(fakeal::Calls().empty());
}

TEST_F(DeviceTest, ResumeRestartsOnlyWhatSuspendPaused) {
    gxtkSample* sample = MakeSample();
    for (int ch : {0, 3, 4, 5, 6})
        audio->PlaySample(sample, ch, 0);
    audio->PauseChannel(4);                // paused by the application
    fakeal::FinishSource(SourceOf(5));     // ran out, not yet looked at
    audio->StopChannel(6);                 // stopped by the application
    fakeal::ClearLog();

    audio->Suspend();
    EXPECT_EQ(audio->channels[0].state, 1) << "suspending keeps the program's state";
    audio->Resume();
    for (int ch : {0, 3}) {
        EXPECT_EQ(Count("alSourcePause", ch), 1) << ch;
        EXPECT_EQ(Count("alSourcePlay", ch), 1) << ch;
        EXPECT_EQ(Src(ch).state, AL_PLAYING);
    }
    EXPECT_EQ(fakeal::CountCalls("alSourcePause"), 2);
    EXPECT_EQ(fakeal::CountCalls("alSourcePlay"), 2);
    EXPECT_EQ(audio->ChannelState(4), 2);
    EXPECT_EQ(Src(4).state, AL_PAUSED);
    EXPECT_EQ(audio->ChannelState(5), 0);
    EXPECT_EQ(audio->ChannelState(6), 0);
}

TEST_F(DeviceTest, ADiscardedBufferIsDeletedOnceNothingHoldsItAndRefusalsAreRetried) {
    gxtkSample* playing = MakeSample();
    gxtkSample* other = MakeSample();
    const ALuint buffer = playing->buffer;
    audio->PlaySample(playing, 0, 0);
    playing->Discard();
    EXPECT_EQ(playing->buffer, 0u);
    EXPECT_TRUE(Pending(buffer));
    EXPECT_EQ(fakeal::CountCalls("alDeleteBuffers"), 0) << "deletion waits for a flush";
    // A flush (every play makes one) while the sample sounds leaves it sounding.
    audio->PlaySample(other, 1, 0);
    EXPECT_FALSE(Deleted(buffer));
    EXPECT_EQ(Src(0).state, AL_PLAYING);
    EXPECT_EQ(Src(0).buffer, buffer);
    // It ends; the next flush lets go and deletes.
    fakeal::FinishSource(SourceOf(0));
    EXPECT_FALSE(Deleted(buffer));
    audio->PlaySample(other, 1, 0);
    EXPECT_TRUE(Deleted(buffer));
    EXPECT_FALSE(Pending(buffer));
    EXPECT_EQ(Src(0).buffer, 0u);

    // A deletion the driver refuses is tried again at the next flush, which
    // loading a sample makes too.
    gxtkSample* refused = MakeSample();
    const ALuint refusedBuffer = refused->buffer;
    fakeal::RefuseDeletion(refusedBuffer, 1);
    refused->Discard();
    audio->FlushDiscarded();
    EXPECT_TRUE(Pending(refusedBuffer));
    audio->LoadSample(String(WriteTempWav("t.wav", 1, 16).c_str()));
    EXPECT_TRUE(Deleted(refusedBuffer));

    // A channel the application stopped keeps its buffer attached until it
    // plays something else.
    gxtkSample* stopped = MakeSample();
    const ALuint stoppedBuffer = stopped->buffer;
    audio->PlaySample(stopped, 2, 0);
    audio->StopChannel(2);
    stopped->Discard();
    audio->PlaySample(other, 2, 0);  // flushes before it swaps the buffer
    EXPECT_TRUE(Pending(stoppedBuffer));
    audio->FlushDiscarded();
    EXPECT_TRUE(Deleted(stoppedBuffer));

    // An error left by an upload OpenAL refused is not taken for a refused
    // deletion; a name OpenAL does not know would fail forever: not kept.
    gxtkSample* sample = MakeSample();
    const ALuint sampleBuffer = sample->buffer;
    ALuint refusedUpload = 0;
    alGenBuffers(1, &refusedUpload);
    alBufferData(refusedUpload, 0, "abcd", 4, 8000);
    sample->Discard();
    discardedBuffers.push_back(4242);
    audio->FlushDiscarded();
    EXPECT_TRUE(Deleted(sampleBuffer));
    EXPECT_TRUE(discardedBuffers.empty());
}

TEST_F(DeviceTest, SamplesStayAliveWhileTheySound) {
    bb_audio_SetAudioDevice(audio);
    gxtkSample* sounding = MakeSample();
    gxtkSample* finished = MakeSample();
    gxtkSample* stopped = MakeSample();
    const ALuint soundingBuffer = sounding->buffer, finishedBuffer = finished->buffer,
                 stoppedBuffer = stopped->buffer;
    audio->PlaySample(sounding, 0, 0);
    audio->PlaySample(finished, 1, 0);
    audio->PlaySample(stopped, 2, 0);
    fakeal::FinishSource(SourceOf(1));
    audio->StopChannel(2);
    // Only the device refers to them now.
    CollectUntilDestroyed({finishedBuffer, stoppedBuffer});
    EXPECT_TRUE(Pending(finishedBuffer));
    EXPECT_TRUE(Pending(stoppedBuffer));
    EXPECT_FALSE(Pending(soundingBuffer));
    EXPECT_EQ(audio->channels[0].sample->buffer, soundingBuffer);
}

// ---------------------------------------------------------------------------
// Music kept decoded

TEST_F(DeviceTest, MusicIsDecodedOnceAndStartsFromItsBeginningOnEveryPlay) {
    bb_audio_SetAudioDevice(audio);
    const std::string path = WriteTempWav("tune.wav", 1, 16);
    const String tune(path.c_str());
    auto uploads = [] { return fakeal::CountCalls("alBufferData"); };
    // The last four things the music source was told: a play must follow
    // a stop (which rewinds it) and the buffer.
    auto musicCalls = [&] {
        std::vector<std::string> order;
        for (const fakeal::Call& c : fakeal::Calls())
            if (c.name.rfind("alSource", 0) == 0 && c.name != "alSourcef" && c.name != "alSource3f" &&
                c.args[0] == SourceOf(gxtkAudio::kMusicChannel))
                order.push_back(c.name);
        return std::vector<std::string>(order.end() - std::min<size_t>(order.size(), 4), order.end());
    };
    const std::vector<std::string> fromTheStart = {"alSourceStop", "alSourcei", "alSourcei",
                                                   "alSourcePlay"};

    ASSERT_TRUE(audio->PrepareMusic(tune));
    ASSERT_EQ(uploads(), 1);
    EXPECT_EQ(audio->MusicState(), 0) << "preparing plays nothing";

    // Each play: no decoding, the same buffer, the source stopped (rewound)
    // before it plays, whatever it was doing.
    ALuint kept = 0;
    const std::vector<std::function<void()>> before = {
        [] {},
        [&] { audio->PauseMusic(); },
        [&] {
            audio->StopMusic();
            // Nothing but the device holds the kept sample now.
            const bool stress = gc_stress();
            gc_set_stress(true);
            for (int round = 0; round < 50; ++round) {
                gc_collect_step(nullptr);
                new gxtkSample();
            }
            gc_set_stress(stress);
        },
    };
    for (size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(i);
        before[i]();
        fakeal::ClearLog();
        ASSERT_EQ(audio->PlayMusic(tune, 1), 0);
        EXPECT_EQ(uploads(), 0);
        EXPECT_EQ(musicCalls(), fromTheStart);
        EXPECT_EQ(Src(gxtkAudio::kMusicChannel).state, AL_PLAYING);
        if (i == 0) kept = Src(gxtkAudio::kMusicChannel).buffer;
        EXPECT_EQ(Src(gxtkAudio::kMusicChannel).buffer, kept);
        EXPECT_FALSE(Pending(kept) || Deleted(kept));
    }

    // A file changed on disk, in size or only in time, is decoded again.
    struct Change {
        const char* what;
        std::function<void()> change;
    };
    const std::vector<Change> changes = {
        {"size", [&] { WriteTempWav("tune.wav", 2, 16); }},
        {"time", [&] {
             const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
             ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
         }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        c.change();
        fakeal::ClearLog();
        ASSERT_EQ(audio->PlayMusic(tune, 1), 0);
        EXPECT_EQ(uploads(), 1);
        EXPECT_NE(Src(gxtkAudio::kMusicChannel).buffer, kept);
        kept = Src(gxtkAudio::kMusicChannel).buffer;
        EXPECT_EQ(musicCalls(), fromTheStart);
    }
    EXPECT_EQ(fakeal::BufferAt(kept)->bytes, 100 * 2 * 2) << "the new file's sound";

    // A file gone since it was kept fails as any missing file does.
    ASSERT_EQ(unlink(path.c_str()), 0);
    EXPECT_EQ(audio->PlayMusic(tune, 1), -1);
    EXPECT_EQ(audio->MusicState(), 0);
}
