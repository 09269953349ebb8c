// The OpenAL sound device: gxtkAudio with its 33 numbered channels (channel
// 32 doubles as the music channel), the samples it plays (gxtkSample, one
// OpenAL buffer each) and the process-wide list of buffers whose deletion
// waits until no source uses them. Relies on the runtime (collected objects,
// String, bbPrint), the host's LoadAudioData for decoding, and OpenAL through
// its plain al*/alc* names: the program links Debian's OpenAL Soft, a test
// links the recording fake in tests/fakes instead.
#pragma once

#include <al.h>
#include <alc.h>

#include <vector>

#include "runtime/object.h"

class gxtkSample;

// One playback channel: an OpenAL source made on first use and kept for the
// life of the device, and the program's own view of what it is doing.
struct gxtkChannel {
    ALuint source = 0;
    gxtkSample* sample = nullptr;  // last sample started here; alive while it sounds
    int flags = 0;                 // of the last PlaySample; nonzero loops
    int state = 0;                 // 0 stopped, 1 playing, 2 paused by the application

    // The channel's source, generated the first time it is needed.
    ALuint AL_Source();
};

class gxtkAudio : public Object {
public:
    static constexpr int kChannelCount = 33;
    static constexpr int kMusicChannel = 32;

    ALCdevice* alcDevice = nullptr;
    ALCcontext* alcContext = nullptr;
    gxtkChannel channels[kChannelCount];

    // Opens the default OpenAL device. A device that cannot be opened is
    // reported once and the object still works: every call is then silent.
    gxtkAudio();

    // Keeps alive the samples of channels that still sound.
    void mark() override;

    // Pause everything that plays / restart what Suspend paused; channels the
    // application paused itself stay paused.
    virtual int Suspend();
    virtual int Resume();
    virtual gxtkSample* LoadSample__UNSAFE__(gxtkSample* sample, String path);
    virtual gxtkSample* LoadSample(String path);
    virtual int PlaySample(gxtkSample* sample, int channel, int flags);
    virtual int StopChannel(int channel);
    virtual int PauseChannel(int channel);
    virtual int ResumeChannel(int channel);
    virtual int ChannelState(int channel);
    virtual int SetVolume(int channel, float volume);
    virtual int SetPan(int channel, float pan);
    virtual int SetRate(int channel, float rate);
    // Loads the file whole and loops or plays it on the music channel; -1
    // when it cannot be loaded (the previous music is stopped either way).
    // The file last loaded as music is kept decoded: playing it again while
    // it is unchanged on disk starts its sample from the start at once.
    virtual int PlayMusic(String path, int flags);
    virtual int StopMusic();
    virtual int PauseMusic();
    virtual int ResumeMusic();
    virtual int MusicState();
    virtual int SetMusicVolume(float volume);

    // Deletes the pending discarded buffers that no source holds any more.
    // Channels whose sound has run out let go of their buffer first; a buffer
    // still attached to a playing, paused or application-stopped channel
    // stays pending for a later flush. Runs before every play and load.
    void FlushDiscarded();

    // Decodes a music file ahead of its first PlayMusic (a loading screen
    // pays for it instead of the first update that plays it). Nothing
    // happens when the kept music is this unchanged file; false when the
    // file cannot be loaded.
    bool PrepareMusic(String path);

private:
    // The music kept decoded, the path it came from and the file's size and
    // modification time then; a file that differs in either is decoded again.
    gxtkSample* music_ = nullptr;
    String musicPath_;
    long long musicSize_ = -1, musicTime_ = -1;

    // The kept music sample for the path, loading it first when it is not
    // the kept file or that file changed; null when it cannot be loaded.
    gxtkSample* MusicSample(String path);

    // The channel record for a channel number, or null outside 0..32.
    gxtkChannel* Channel(int channel);
};

class gxtkSample : public Object {
public:
    ALuint buffer = 0;  // 0: none

    gxtkSample() = default;
    explicit gxtkSample(ALuint buffer) : buffer(buffer) {}
    // Hands the buffer to the discard list, as Discard does.
    ~gxtkSample() override;

    void SetBuffer(ALuint buffer);
    // Gives the buffer up: it is deleted by a later flush, once no channel
    // plays it any more.
    virtual int Discard();
};

// Buffers of discarded or destroyed samples whose deletion is still pending.
extern std::vector<ALuint> discardedBuffers;
