// The audio device and the sound layer on the recording OpenAL fake, as
// scenarios: each step runs a short script of what the application does,
// then the OpenAL calls it made and the state it left (the program's
// channel states and the buffers awaiting deletion) are compared whole.
// Covers opening and its failures, sample loading and the format table, a
// channel's life, suspend and resume, the deferred deletion of discarded
// buffers, the collector keeping sounding samples alive, and the music kept
// decoded between plays.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "audio/sound.h"
#include "host/glfwgame.h"
#include "runtime/gc.h"
#include "tests/audio/sound_files.h"
#include "tests/fakes/fake_al.h"
#include "tests/support/gc_fixture.h"
#include "tests/support/scratch_dir.h"

using namespace audiotest;

namespace {

// Collector cycles, each followed by an allocation (garbage is destroyed as
// new objects are made): enough for any garbage to go.
constexpr int kCollectRounds = 50;
// A buffer name OpenAL never gave out.
constexpr ALuint kUnknownBuffer = 4242;

// OpenAL's names for the parameters and formats the device uses.
const std::map<double, const char*> kNames = {
    {AL_BUFFER, "BUFFER"},        {AL_LOOPING, "LOOPING"},        {AL_GAIN, "GAIN"},
    {AL_PITCH, "PITCH"},          {AL_POSITION, "POSITION"},      {AL_FORMAT_MONO8, "MONO8"},
    {AL_FORMAT_MONO16, "MONO16"}, {AL_FORMAT_STEREO8, "STEREO8"}, {AL_FORMAT_STEREO16, "STEREO16"}};

struct Step {
    const char* script;
    const char* calls;  // null: a set-up step, its calls not compared
    const char* after;
};

class DeviceTest : public GcTest {
protected:
    void SetUp() override {
        GcTest::SetUp();
        if (!BBGlfwGame::_glfwGame) new BBGlfwGame();  // the file loaders; opens no window
        // Sound names are data paths, relative to the working directory.
        ASSERT_TRUE(std::filesystem::create_directory("data"));
        Open(fakeal::OpenFailure::None);
        fakeal::ClearLog();
    }
    void TearDown() override {
        bb_audio_device = nullptr;
        GcTest::TearDown();
    }

    void Open(fakeal::OpenFailure failure) {
        gc_reset();
        fakeal::Reset(failure);
        discardedBuffers.clear();
        bb_audio_SetAudioDevice(audio = new gxtkAudio());
    }

    // One command of a script: a verb and its arguments, and what it
    // returned. Sound names are files in data/, written by "write NAME
    // CHANNELS [BITS]" as 4 frames of PCM (16-bit unless said) or by "ogg
    // NAME" as 800 stereo frames; "touch NAME SECONDS" sets a file's
    // modification time. "load NAME" makes the sound NAME through the sound
    // layer, "play NAME CHANNEL [loop]" plays it, "discard NAME" gives up
    // its sample's buffer. The other verbs name the device's operations on
    // a channel ("pause 5") or the music ("music NAME"); "end CHANNEL" lets
    // the sound on the channel run out, "unknown" discards a buffer name
    // OpenAL never gave out, and "collect" runs the collector until every
    // piece of garbage is gone.
    int Do(const std::vector<std::string>& w) {
        const std::string& verb = w[0];
        auto number = [&](size_t i) { return float(std::stod(w.at(i))); };
        auto channel = [&] { return int(number(1)); };
        const std::string file = w.size() > 1 ? "data/" + w[1] : "";
        const uint16_t bits = verb == "write" && w.size() > 3 ? uint16_t(number(3)) : 16;
        if (verb == "write")
            std::ofstream(file) << Wav(uint16_t(number(2)), 8000, bits,
                                       Bytes(number(2) * bits / 2, 'x'));
        if (verb == "ogg")
            std::ofstream(file) << Of(datagen::encodeVorbis(Tone(440, 8000, 800, 2), 0.4f, 8000));
        if (verb == "touch") {
            const timespec times[2] = {{0, UTIME_OMIT}, {time_t(number(2)), 0}};
            return utimensat(AT_FDCWD, file.c_str(), times, 0);
        }
        if (verb == "rm") return unlink(file.c_str());
        if (verb == "load")
            return (sounds[w[1]] = bb_audio_LoadSound(String(w[1].c_str()))) != nullptr;
        if (verb == "play") return bb_audio_PlaySound(sounds[w[1]], int(number(2)), w.size() > 3);
        if (verb == "volume") return bb_audio_SetChannelVolume(channel(), number(2));
        if (verb == "pan") return bb_audio_SetChannelPan(channel(), number(2));
        if (verb == "rate") return bb_audio_SetChannelRate(channel(), number(2));
        if (verb == "pause") return audio->PauseChannel(channel());
        if (verb == "resume") return audio->ResumeChannel(channel());
        if (verb == "stop") return bb_audio_StopChannel(channel());
        if (verb == "state") return audio->ChannelState(channel());
        if (verb == "end") fakeal::SourceAt(audio->channels[channel()].source)->state = AL_STOPPED;
        if (verb == "suspend") return audio->Suspend();
        if (verb == "wake") return audio->Resume();
        if (verb == "discard") return sounds[w[1]]->m_Sample->Discard();
        if (verb == "flush") audio->FlushDiscarded();
        if (verb == "unknown") discardedBuffers.push_back(kUnknownBuffer);
        for (int round = 0; verb == "collect" && round < kCollectRounds; ++round) {
            gc_new_bytes = kGcCycleBytes + 1;  // each step a whole cycle
            gc_collect_step(nullptr);
            new gxtkSample();
        }
        if (verb == "prepare") return bb_audio_PrepareMusic(String(w[1].c_str()));
        if (verb == "music") return bb_audio_PlayMusic(String(w[1].c_str()), 1);
        if (verb == "pausemusic") return bb_audio_PauseMusic();
        if (verb == "resumemusic") return bb_audio_ResumeMusic();
        if (verb == "stopmusic") return bb_audio_StopMusic();
        if (verb == "musicvolume") return audio->SetMusicVolume(number(1));
        return 0;
    }

    // Runs the commands separated by ";"; "=N" after one checks what it
    // returned.
    void Do(const std::string& script) {
        std::istringstream commands(script);
        for (std::string command; std::getline(commands, command, ';');) {
            std::istringstream in(command);
            const std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
            const bool check = words.back()[0] == '=';
            const int result = Do(std::vector<std::string>(words.begin(), words.end() - check));
            EXPECT_TRUE(!check || "=" + std::to_string(result) == words.back())
                << command << " gave " << result;
        }
    }

    // The OpenAL calls since the last look, queries left out, in short: the
    // "al" or "alSource" prefix dropped, formats by name, and a source's
    // parameter named for what it sets: "Stop(1) BUFFER(1,1001) Play(1)".
    static std::string Calls() {
        std::string out;
        for (const fakeal::Call& call : fakeal::Calls()) {
            if (call.name == "alGetSourcei" || call.name == "alGetError") continue;
            const bool source = call.name.rfind("alSource", 0) == 0;
            std::string name = call.name.substr(source ? 8 : 2);
            std::ostringstream args;
            for (size_t i = 0; i < call.args.size(); ++i) {
                const auto known = kNames.find(call.args[i]);
                if (i != 1 || known == kNames.end()) {
                    args << (i ? "," : "") << call.args[i];
                } else if (source) {
                    name = known->second;
                } else {
                    args << "," << known->second;
                }
            }
            out += (out.empty() ? "" : " ") + name + "(" + args.str() + ")";
        }
        fakeal::ClearLog();
        return out;
    }

    // "channel:state" for every channel with a source or a state, then the
    // buffers awaiting deletion: "5:1 6:0 | 1002".
    std::string After() const {
        std::string out;
        for (int c = 0; c < gxtkAudio::kChannelCount; ++c) {
            if (audio->channels[c].source || audio->channels[c].state)
                out += std::to_string(c) + ":" + std::to_string(audio->channels[c].state) + " ";
        }
        out += "|";
        for (ALuint buffer : discardedBuffers)
            out += " " + std::to_string(buffer);
        return out;
    }

    void Run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.script);
            Do(step.script);
            const std::string calls = Calls();
            EXPECT_EQ(calls, step.calls ? step.calls : calls);
            EXPECT_EQ(After(), step.after);
        }
    }

    gxtkAudio* audio = nullptr;
    std::map<std::string, c_Sound*> sounds;
    ScratchDir scratch{true};
};

}  // namespace

TEST_F(DeviceTest, OpeningFailuresPrintOnceAndLeaveEveryOperationHarmless) {
    using fakeal::OpenFailure;
    const struct {
        OpenFailure failure;
        const char* printed;
        const char* after;  // everything the application can do, then
    } cases[] = {
        {OpenFailure::None, "", "3:1 4:1 32:1 | 1001"},
        {OpenFailure::OpenDevice, "OpenAl error: alcOpenDevice failed\n", "4:1 |"},
        {OpenFailure::CreateContext, "OpenAl error: alcCreateContext failed\n", "4:1 |"},
        {OpenFailure::MakeCurrent, "OpenAl error: alcMakeContextCurrent failed\n", "4:1 |"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.printed);
        testing::internal::CaptureStdout();
        Open(c.failure);
        // Pan is a direction only, whatever became of the device.
        EXPECT_THAT(Calls(), testing::EndsWith(" DistanceModel(0)"));
        // Decoding needs no device; without one nothing claims to sound. A
        // file that does not load is no news either.
        Do("write a.wav 1; load a.wav =1; load none.wav =0; volume 3 .5; pan 3 -1; rate 3 2; "
           "play a.wav 3 loop; suspend; wake; pause 3; resume 3; state 3; music a.wav =0; "
           "pausemusic; resumemusic; musicvolume .25; discard a.wav; load a.wav; play a.wav 4; "
           "collect");
        EXPECT_EQ(After(), c.after);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
    }
}

TEST_F(DeviceTest, AChannelsLife) {
    // The format table: each of OpenAL's four formats, and two it refuses
    // (24 bits, four channels: a silent sample). The decoder goes by the
    // extension, in any case.
    Do("write a.wav 1; write B.WAV 2 8; write c.Wav 1 8; ogg d.Ogg; write e.wav 4; "
       "write s.wav 2 24; write f.mp3 1; write g.wav.txt 1");
    Run({
        // The sound layer loads by data path; a name without a known extension
        // is not loaded, and a sound that did not load plays nothing.
        {"load a.wav; load B.WAV; load d.Ogg; load f.mp3; load g.wav.txt; load none.wav; "
         "play none.wav 0",
         "GenBuffers(1) BufferData(1001,MONO16,8,8000) GenBuffers(1) "
         "BufferData(1002,STEREO8,8,8000) GenBuffers(1) BufferData(1003,STEREO16,3200,8000)",
         "|"},
        // Values set before any play make the source and leave the state.
        {"volume 5 .5; pan 5 1; rate 5 2",
         "GenSources(1) GAIN(1,0.5) POSITION(1,0.841471,0,-0.540302) PITCH(1,2)", "5:0 |"},
        // A play on a busy channel stops the first sample; the values hold.
        {"play a.wav 5; play B.WAV 5 loop",
         "Stop(1) BUFFER(1,1001) LOOPING(1,0) Play(1) Stop(1) BUFFER(1,1002) LOOPING(1,1) Play(1)",
         "5:1 |"},
        // A looping channel plays on; each of these acts once.
        {"state 5 =1; pause 5; pause 5; state 5 =2; resume 5; resume 5; state 5 =1; stop 5; stop 5",
         "Pause(1) Play(1) Stop(1)", "5:0 |"},
        // A channel never given values plays at OpenAL's; a sound that ended
        // is not paused.
        {"play a.wav 6; end 6; pause 6",
         "GenSources(1) Stop(2) BUFFER(2,1001) LOOPING(2,0) Play(2)", "5:0 6:0 |"},
        {"play a.wav 0; play B.WAV 3; play a.wav 4; pause 4; play a.wav 7; end 7", nullptr,
         "0:1 3:1 4:2 5:0 6:0 7:1 |"},
        // Suspend pauses what plays, the program's states kept; resume
        // restarts those only, not what the application paused or what
        // ended (over once asked).
        {"suspend; wake; state 7 =0", "Pause(3) Pause(4) Play(3) Play(4)",
         "0:1 3:1 4:2 5:0 6:0 7:0 |"},
        // Channel numbers outside 0..32 are ignored.
        {"play a.wav -1; stop 33; pause -2147483648; resume 2147483647; state 33 =0; volume 33 1; "
         "pan -1 1; rate 33 1",
         "", "0:1 3:1 4:2 5:0 6:0 7:0 |"},
        // A discarded buffer still sounding waits: its deletion is refused.
        {"discard B.WAV; flush", "DeleteBuffers(1,1002)", "0:1 3:1 4:2 5:0 6:0 7:0 | 1002"},
        // 3 ends: the next play lets go of it, but 5 (stopped) still holds it.
        {"end 3; play a.wav 6",
         "BUFFER(4,0) DeleteBuffers(1,1002) Stop(2) BUFFER(2,1001) LOOPING(2,0) Play(2)",
         "0:1 3:1 4:2 5:0 6:1 7:0 | 1002"},
        // A play on 5 flushes before it swaps the buffer; a load flushes too,
        // and deletes it.
        {"play a.wav 5; load c.Wav",
         "BUFFER(4,0) DeleteBuffers(1,1002) Stop(1) BUFFER(1,1001) LOOPING(1,0) Play(1) "
         "BUFFER(4,0) DeleteBuffers(1,1002) GenBuffers(1) BufferData(1004,MONO8,4,8000)",
         "0:1 3:1 4:2 5:1 6:1 7:0 |"},
        // The error of a refused upload is not taken for a refused deletion;
        // a name OpenAL does not know is dropped.
        {"load e.wav; load s.wav; discard e.wav; discard s.wav; unknown; flush",
         "GenBuffers(1) BufferData(1005,0,32,8000) GenBuffers(1) BufferData(1006,0,24,8000) "
         "BUFFER(4,0) DeleteBuffers(1,1005) DeleteBuffers(1,1006) DeleteBuffers(1,4242)",
         "0:1 3:1 4:2 5:1 6:1 7:0 |"},
        // The collector keeps what sounds, not what ran out or was stopped.
        {"play c.Wav 8; end 8; play d.Ogg 9; stop 9; collect", nullptr,
         "0:1 3:1 4:2 5:1 6:1 7:0 8:1 9:0 | 1003 1004"},
    });
}

TEST_F(DeviceTest, MusicIsKeptDecodedAndStartsFromItsBeginningOnEveryPlay) {
    Run({
        {"write tune.wav 1; touch tune.wav 1000000000; prepare tune.wav =1",
         "GenBuffers(1) BufferData(1001,MONO16,8,8000)", "|"},
        {"music tune.wav =0", "GenSources(1) Stop(1) BUFFER(1,1001) LOOPING(1,1) Play(1)",
         "32:1 |"},
        {"musicvolume .25; pausemusic; state 32 =2; resumemusic", "GAIN(1,0.25) Pause(1) Play(1)",
         "32:1 |"},
        // Played again, paused or stopped: rewound, not decoded, and the kept
        // sample survives the collector.
        {"pausemusic; music tune.wav",
         "Pause(1) Stop(1) Stop(1) BUFFER(1,1001) LOOPING(1,1) Play(1)", "32:1 |"},
        {"stopmusic; collect; music tune.wav",
         "Stop(1) Stop(1) BUFFER(1,1001) LOOPING(1,1) Play(1)", "32:1 |"},
        // A file changed in size, or only in time, is decoded again; the
        // old sample's buffer is discarded.
        {"write tune.wav 2; touch tune.wav 1000000000; music tune.wav",
         "Stop(1) GenBuffers(1) BufferData(1002,STEREO16,16,8000) DeleteBuffers(1,1001) Stop(1) "
         "BUFFER(1,1002) LOOPING(1,1) Play(1)",
         "32:1 | 1001"},
        {"touch tune.wav 2000000000; music tune.wav",
         "Stop(1) DeleteBuffers(1,1001) GenBuffers(1) BufferData(1003,STEREO16,16,8000) "
         "DeleteBuffers(1,1002) Stop(1) BUFFER(1,1003) LOOPING(1,1) Play(1)",
         "32:1 | 1002"},
        // A file gone since fails, and the music has stopped.
        {"rm tune.wav; music tune.wav =-1", "Stop(1) DeleteBuffers(1,1002)", "32:0 |"},
    });
}
