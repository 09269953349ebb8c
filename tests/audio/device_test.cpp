// Tests of the audio device on the recording OpenAL fake: opening and its
// failures, the channel state machine, settings that outlive plays, suspend
// and resume, the deferred deletion of discarded buffers, the collector
// keeping sounding samples alive, and the music kept decoded between plays.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "tests/audio/audio_fixture.h"
#include "runtime/gc.h"
#include "tests/fakes/fake_al.h"

namespace {

// A sample with a buffer of its own, as loading would leave it.
gxtkSample* MakeSample() {
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    const unsigned char pcm[4] = {1, 2, 3, 4};
    alBufferData(buffer, AL_FORMAT_MONO16, pcm, sizeof pcm, 22050);
    return new gxtkSample(buffer);
}

ALuint SourceOf(gxtkAudio* audio, int channel) {
    return audio->channels[channel].source;
}

fakeal::Source& Src(gxtkAudio* audio, int channel) {
    fakeal::Source* s = fakeal::SourceAt(SourceOf(audio, channel));
    if (!s) throw std::runtime_error("channel has no source");
    return *s;
}

bool Pending(ALuint buffer) {
    for (ALuint b : discardedBuffers)
        if (b == buffer) return true;
    return false;
}

bool Deleted(ALuint buffer) {
    return fakeal::BufferAt(buffer)->deleted;
}

}  // namespace

// ---------------------------------------------------------------------------
// Opening

TEST_F(FakeAudioTest, OpeningFailuresPrintOnceAndLeaveEveryOperationHarmless) {
    struct Case {
        fakeal::OpenFailure failure;
        std::string printed;
    };
    const std::vector<Case> cases = {
        {fakeal::OpenFailure::None, ""},
        {fakeal::OpenFailure::OpenDevice, "OpenAl error: alcOpenDevice failed\n"},
        {fakeal::OpenFailure::CreateContext, "OpenAl error: alcCreateContext failed\n"},
        {fakeal::OpenFailure::MakeCurrent, "OpenAl error: alcMakeContextCurrent failed\n"},
    };
    const std::string wav = WriteTempWav("tone.wav", 1, 16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printed);
        fakeal::Reset();
        discardedBuffers.clear();
        fakeal::SetOpenFailure(c.failure);
        testing::internal::CaptureStdout();
        gxtkAudio* audio = new gxtkAudio();
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
        if (c.failure == fakeal::OpenFailure::None) {
            EXPECT_EQ(state, 1);
            EXPECT_GT(fakeal::SourceCount(), 0);
        } else {
            // Without a context nothing was made, and nothing claims to sound.
            EXPECT_EQ(state, 0);
            EXPECT_EQ(fakeal::SourceCount(), 0);
            EXPECT_EQ(fakeal::LiveBufferCount(), 0);
            EXPECT_TRUE(discardedBuffers.empty());
        }
    }
}

// ---------------------------------------------------------------------------
// Channels

TEST_F(FakeAudioTest, PlayingOnABusyChannelCutsOffTheFirstSample) {
    gxtkSample* first = MakeSample();
    gxtkSample* second = MakeSample();
    audio->PlaySample(first, 2, 0);
    const ALuint source = SourceOf(audio, 2);
    fakeal::ClearLog();

    audio->PlaySample(second, 2, 1);
    EXPECT_EQ(SourceOf(audio, 2), source) << "a channel keeps its source";
    EXPECT_EQ(fakeal::SourceCount(), 1);
    std::vector<std::string> order;
    for (const fakeal::Call& c : fakeal::Calls())
        if (c.name != "alGetSourcei" && c.name != "alGetError") order.push_back(c.name);
    EXPECT_EQ(order,
              (std::vector<std::string>{"alSourceStop", "alSourcei", "alSourcei", "alSourcePlay"}));
    EXPECT_EQ(Src(audio, 2).buffer, second->buffer);
    EXPECT_EQ(Src(audio, 2).looping, AL_TRUE);
    EXPECT_EQ(Src(audio, 2).state, AL_PLAYING);
    EXPECT_EQ(audio->channels[2].sample, second);
    EXPECT_EQ(audio->channels[2].flags, 1);
}

TEST_F(FakeAudioTest, VolumePanAndRateMakeTheSourceAndHoldForLaterPlays) {
    audio->SetVolume(5, 0.5f);
    EXPECT_EQ(fakeal::SourceCount(), 1) << "setting a value creates the source";
    EXPECT_EQ(audio->ChannelState(5), 0) << "and changes nothing else";
    audio->SetPan(5, 1.0f);
    audio->SetRate(5, 2.0f);

    for (int play = 0; play < 2; ++play) {
        audio->PlaySample(MakeSample(), 5, 0);
        const fakeal::Source& s = Src(audio, 5);
        EXPECT_FLOAT_EQ(s.gain, 0.5f);
        EXPECT_FLOAT_EQ(s.pitch, 2.0f);
        // Pan 1 is an angle: about 57 degrees right on the unit circle.
        EXPECT_FLOAT_EQ(s.position[0], std::sin(1.0f));
        EXPECT_FLOAT_EQ(s.position[1], 0.0f);
        EXPECT_FLOAT_EQ(s.position[2], -std::cos(1.0f));
    }
    // A channel never given values plays at OpenAL's defaults.
    audio->PlaySample(MakeSample(), 6, 0);
    EXPECT_FLOAT_EQ(Src(audio, 6).gain, 1.0f);
    EXPECT_FLOAT_EQ(Src(audio, 6).pitch, 1.0f);
    EXPECT_EQ(fakeal::CountCalls("alSourcef", SourceOf(audio, 6)), 0);
}

TEST_F(FakeAudioTest, ChannelStatesFollowTheApplicationAndOpenAl) {
    gxtkSample* sample = MakeSample();

    // A non-looping sample that ran out: pausing finds it over.
    audio->PlaySample(sample, 1, 0);
    fakeal::FinishSource(SourceOf(audio, 1));
    audio->PauseChannel(1);
    EXPECT_EQ(audio->channels[1].state, 0);
    EXPECT_EQ(fakeal::CountCalls("alSourcePause"), 0);

    // The same, found by asking for the state.
    audio->PlaySample(sample, 1, 0);
    EXPECT_EQ(audio->ChannelState(1), 1);
    fakeal::FinishSource(SourceOf(audio, 1));
    EXPECT_EQ(audio->ChannelState(1), 0);

    // A looping channel plays on until the application stops it.
    audio->PlaySample(sample, 2, 1);
    for (int look = 0; look < 3; ++look)
        EXPECT_EQ(audio->ChannelState(2), 1);
    audio->ResumeChannel(2);
    EXPECT_EQ(fakeal::CountCalls("alSourcePlay", SourceOf(audio, 2)), 1)
        << "resuming a channel that plays does nothing";
    audio->PauseChannel(2);
    EXPECT_EQ(audio->ChannelState(2), 2);
    EXPECT_EQ(Src(audio, 2).state, AL_PAUSED);
    audio->PauseChannel(2);
    EXPECT_EQ(fakeal::CountCalls("alSourcePause"), 1);
    audio->ResumeChannel(2);
    EXPECT_EQ(audio->ChannelState(2), 1);
    EXPECT_EQ(Src(audio, 2).state, AL_PLAYING);
    audio->StopChannel(2);
    EXPECT_EQ(audio->ChannelState(2), 0);
    EXPECT_EQ(Src(audio, 2).state, AL_STOPPED);
    audio->StopChannel(2);
    EXPECT_EQ(fakeal::CountCalls("alSourceStop", SourceOf(audio, 2)), 2)
        << "one stop from the play, one from the first StopChannel";

    // The music functions are channel 32's.
    audio->PlaySample(sample, gxtkAudio::kMusicChannel, 1);
    audio->SetMusicVolume(0.25f);
    EXPECT_FLOAT_EQ(Src(audio, 32).gain, 0.25f);
    audio->StopMusic();
    EXPECT_EQ(audio->ChannelState(32), 0);
}

TEST_F(FakeAudioTest, ChannelNumbersOutsideTheTableAndNullSamplesAreIgnored) {
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
    for (int channel : {-1, 33, 1000, INT_MAX, INT_MIN}) {
        for (const auto& op : operations)
            EXPECT_EQ(op(channel), 0) << channel;
    }
    EXPECT_TRUE(fakeal::Calls().empty());
    EXPECT_EQ(fakeal::SourceCount(), 0);
}

// ---------------------------------------------------------------------------
// Suspend and resume

TEST_F(FakeAudioTest, ResumeRestartsOnlyWhatSuspendPaused) {
    gxtkSample* sample = MakeSample();
    for (int ch : {0, 3, 4, 5, 6})
        audio->PlaySample(sample, ch, 0);
    audio->PauseChannel(4);                    // paused by the application
    fakeal::FinishSource(SourceOf(audio, 5));  // ran out, not yet looked at
    audio->StopChannel(6);                     // stopped by the application
    fakeal::ClearLog();

    audio->Suspend();
    for (int ch : {0, 3}) {
        EXPECT_EQ(fakeal::CountCalls("alSourcePause", SourceOf(audio, ch)), 1) << ch;
        EXPECT_EQ(audio->channels[ch].state, 1) << "suspending keeps the program's state";
    }
    EXPECT_EQ(fakeal::CountCalls("alSourcePause"), 2);

    audio->Resume();
    for (int ch : {0, 3}) {
        EXPECT_EQ(fakeal::CountCalls("alSourcePlay", SourceOf(audio, ch)), 1) << ch;
        EXPECT_EQ(Src(audio, ch).state, AL_PLAYING);
    }
    EXPECT_EQ(fakeal::CountCalls("alSourcePlay"), 2);
    EXPECT_EQ(audio->ChannelState(4), 2);
    EXPECT_EQ(Src(audio, 4).state, AL_PAUSED);
    EXPECT_EQ(audio->ChannelState(5), 0);
    EXPECT_EQ(audio->ChannelState(6), 0);
}

// ---------------------------------------------------------------------------
// Discarded buffers

TEST_F(FakeAudioTest, DiscardedBufferWaitsForItsChannelToStopAndAFlush) {
    gxtkSample* playing = MakeSample();
    gxtkSample* other = MakeSample();
    const ALuint buffer = playing->buffer;
    audio->PlaySample(playing, 0, 0);

    playing->Discard();
    EXPECT_EQ(playing->buffer, 0u);
    EXPECT_TRUE(Pending(buffer));
    EXPECT_EQ(fakeal::CountCalls("alDeleteBuffers"), 0) << "deletion waits for a flush";

    // A flush while the sample still sounds leaves it sounding.
    audio->PlaySample(other, 1, 0);
    EXPECT_TRUE(Pending(buffer));
    EXPECT_FALSE(Deleted(buffer));
    EXPECT_EQ(Src(audio, 0).state, AL_PLAYING);
    EXPECT_EQ(Src(audio, 0).buffer, buffer);

    // It ends; nothing happens until the next flush, which lets go and deletes.
    fakeal::FinishSource(SourceOf(audio, 0));
    EXPECT_FALSE(Deleted(buffer));
    audio->PlaySample(other, 1, 0);
    EXPECT_TRUE(Deleted(buffer));
    EXPECT_FALSE(Pending(buffer));
    EXPECT_EQ(Src(audio, 0).buffer, 0u);
}

TEST_F(FakeAudioTest, FlushRetriesWhatTheDriverRefused) {
    gxtkSample* other = MakeSample();

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

    // A channel the application stopped keeps its buffer attached: the
    // buffer waits until the channel plays something else.
    gxtkSample* stopped = MakeSample();
    const ALuint stoppedBuffer = stopped->buffer;
    audio->PlaySample(stopped, 2, 0);
    audio->StopChannel(2);
    stopped->Discard();
    audio->FlushDiscarded();
    EXPECT_TRUE(Pending(stoppedBuffer));
    audio->PlaySample(other, 2, 0);  // flushes before it swaps the buffer
    EXPECT_TRUE(Pending(stoppedBuffer));
    audio->FlushDiscarded();
    EXPECT_TRUE(Deleted(stoppedBuffer));
    EXPECT_TRUE(discardedBuffers.empty());
}

TEST_F(FakeAudioTest, AnEarlierErrorIsNotTakenForARefusedDeletion) {
    gxtkSample* sample = MakeSample();
    const ALuint buffer = sample->buffer;
    // An upload OpenAL refuses (as a 24-bit file's does) leaves an error behind.
    ALuint refusedUpload = 0;
    alGenBuffers(1, &refusedUpload);
    alBufferData(refusedUpload, 0, "abcd", 4, 8000);
    sample->Discard();
    audio->FlushDiscarded();
    EXPECT_TRUE(Deleted(buffer));
    EXPECT_TRUE(discardedBuffers.empty());

    // A name OpenAL does not know would fail forever: it is not kept.
    discardedBuffers.push_back(4242);
    audio->FlushDiscarded();
    EXPECT_TRUE(discardedBuffers.empty());
}

// ---------------------------------------------------------------------------
// The collector

TEST_F(FakeAudioTest, SamplesStayAliveWhileTheySound) {
    bb_audio_SetAudioDevice(audio);
    gxtkSample* sounding = MakeSample();
    gxtkSample* finished = MakeSample();
    gxtkSample* stopped = MakeSample();
    const ALuint soundingBuffer = sounding->buffer, finishedBuffer = finished->buffer,
                 stoppedBuffer = stopped->buffer;
    audio->PlaySample(sounding, 0, 0);
    audio->PlaySample(finished, 1, 0);
    audio->PlaySample(stopped, 2, 0);
    fakeal::FinishSource(SourceOf(audio, 1));
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

TEST_F(FakeAudioTest, MusicIsDecodedOnceAndStartsFromItsBeginningOnEveryPlay) {
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
                c.args[0] == SourceOf(audio, gxtkAudio::kMusicChannel))
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
        EXPECT_EQ(Src(audio, gxtkAudio::kMusicChannel).state, AL_PLAYING);
        if (i == 0) kept = Src(audio, gxtkAudio::kMusicChannel).buffer;
        EXPECT_EQ(Src(audio, gxtkAudio::kMusicChannel).buffer, kept);
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
        EXPECT_NE(Src(audio, gxtkAudio::kMusicChannel).buffer, kept);
        kept = Src(audio, gxtkAudio::kMusicChannel).buffer;
        EXPECT_EQ(musicCalls(), fromTheStart);
    }
    EXPECT_EQ(fakeal::BufferAt(kept)->bytes, 100 * 2 * 2) << "the new file's sound";

    // A file gone since it was kept fails as any missing file does.
    ASSERT_EQ(unlink(path.c_str()), 0);
    EXPECT_EQ(audio->PlayMusic(tune, 1), -1);
    EXPECT_EQ(audio->MusicState(), 0);
}
