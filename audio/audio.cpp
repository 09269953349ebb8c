// The OpenAL device, its channels and samples (see audio.h). Every OpenAL
// call of the program is in this file.
//
// Index
//   opening the device ..... the constructor and its three failure messages
//   channels ............... play, stop, pause, resume, state, volume/pan/rate
//   suspend and resume ..... pausing what plays while the application is away
//   samples ................ loading, the format table, discard and the flush
//   music .................. channel 32
#include "audio/audio.h"

#include <sys/stat.h>

#include <climits>
#include <cmath>
#include <cstdlib>

#include "host/glfwgame.h"
#include "runtime/errors.h"

std::vector<ALuint> discardedBuffers;

namespace {

// What OpenAL says a source is doing. A state that cannot be read (no
// current context: the device failed to open) counts as stopped, so a
// silent device never pins samples or reports them as sounding.
ALint SourceState(ALuint source) {
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

// The device the program opened last, closed on the way out: a device left
// open makes the library complain on standard error at every exit.
ALCdevice* openDevice = nullptr;
ALCcontext* openContext = nullptr;

void CloseDeviceAtExit() {
    alcMakeContextCurrent(nullptr);
    if (openContext) alcDestroyContext(openContext);
    if (openDevice) alcCloseDevice(openDevice);
    openContext = nullptr;
    openDevice = nullptr;
}

}  // namespace

ALuint gxtkChannel::AL_Source() {
    if (source == 0) alGenSources(1, &source);
    return source;
}

// ===========================================================================
// Opening the device
// ===========================================================================

gxtkAudio::gxtkAudio() {
    alcDevice = alcOpenDevice(nullptr);
    if (!alcDevice) {
        bbPrint("OpenAl error: alcOpenDevice failed");
    } else {
        alcContext = alcCreateContext(alcDevice, nullptr);
        if (!alcContext) {
            bbPrint("OpenAl error: alcCreateContext failed");
        } else if (!alcMakeContextCurrent(alcContext)) {
            bbPrint("OpenAl error: alcMakeContextCurrent failed");
        }
        static const bool closesAtExit = std::atexit(CloseDeviceAtExit) == 0;
        (void)closesAtExit;
        openDevice = alcDevice;
        openContext = alcContext;
    }
    // Pan places the source on a circle around the listener; only its
    // direction may count, never its distance.
    alDistanceModel(AL_NONE);
    for (gxtkChannel& c : channels)
        c = gxtkChannel();
}

void gxtkAudio::mark() {
    gc_mark_q(music_);
    for (gxtkChannel& c : channels) {
        if (c.state != 0 && SourceState(c.source) != AL_STOPPED) gc_mark_q(c.sample);
    }
}

// ===========================================================================
// Channels
// ===========================================================================

gxtkChannel* gxtkAudio::Channel(int channel) {
    // Callers keep to 0..32; anything else is ignored rather than reaching
    // past the table.
    if (channel < 0 || channel >= kChannelCount) return nullptr;
    return &channels[channel];
}

int gxtkAudio::PlaySample(gxtkSample* sample, int channel, int flags) {
    gxtkChannel* c = Channel(channel);
    if (!c || !sample) return 0;
    FlushDiscarded();
    ALuint source = c->AL_Source();
    // Whatever played here is cut off.
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(sample->buffer));
    alSourcei(source, AL_LOOPING, flags != 0 ? AL_TRUE : AL_FALSE);
    alSourcePlay(source);
    gc_assign(c->sample, sample);
    c->state = 1;
    c->flags = flags;
    return 0;
}

int gxtkAudio::StopChannel(int channel) {
    gxtkChannel* c = Channel(channel);
    if (c && c->state != 0) {
        alSourceStop(c->source);
        c->state = 0;
    }
    return 0;
}

int gxtkAudio::PauseChannel(int channel) {
    gxtkChannel* c = Channel(channel);
    if (c && c->state == 1) {
        // A sample that has run out is not paused but over.
        if (SourceState(c->source) == AL_STOPPED) {
            c->state = 0;
        } else {
            alSourcePause(c->source);
            c->state = 2;
        }
    }
    return 0;
}

int gxtkAudio::ResumeChannel(int channel) {
    gxtkChannel* c = Channel(channel);
    if (c && c->state == 2) {
        alSourcePlay(c->source);
        c->state = 1;
    }
    return 0;
}

int gxtkAudio::ChannelState(int channel) {
    gxtkChannel* c = Channel(channel);
    if (!c) return 0;
    // "Playing" is only the program's belief until OpenAL confirms it: a
    // non-looping sample ends on its own.
    if (c->state == 1 && SourceState(c->source) == AL_STOPPED) c->state = 0;
    return c->state;
}

// Volume, pan and rate live on the source, so they hold across later plays
// on the channel until set again; the channel's state is not touched.
int gxtkAudio::SetVolume(int channel, float volume) {
    if (gxtkChannel* c = Channel(channel)) alSourcef(c->AL_Source(), AL_GAIN, volume);
    return 0;
}

int gxtkAudio::SetPan(int channel, float pan) {
    // The pan is an angle in radians on the unit circle around the listener,
    // who faces -z: 0 ahead, positive to the right.
    if (gxtkChannel* c = Channel(channel)) {
        alSource3f(c->AL_Source(), AL_POSITION, std::sin(pan), 0.0f, -std::cos(pan));
    }
    return 0;
}

int gxtkAudio::SetRate(int channel, float rate) {
    if (gxtkChannel* c = Channel(channel)) alSourcef(c->AL_Source(), AL_PITCH, rate);
    return 0;
}

// ===========================================================================
// Suspend and resume
// ===========================================================================

int gxtkAudio::Suspend() {
    for (gxtkChannel& c : channels) {
        if (c.state == 1 && SourceState(c.source) == AL_PLAYING) alSourcePause(c.source);
    }
    return 0;
}

int gxtkAudio::Resume() {
    // Only what Suspend paused: state 1 with a paused source. Channels the
    // application paused (state 2) and sounds that ended stay as they are.
    for (gxtkChannel& c : channels) {
        if (c.state == 1 && SourceState(c.source) == AL_PAUSED) alSourcePlay(c.source);
    }
    return 0;
}

// ===========================================================================
// Samples
// ===========================================================================

namespace {

// The OpenAL format for bytes per sample and channels; 0 for anything else,
// which OpenAL refuses, leaving the sample silent.
ALenum AlFormat(int format, int channels) {
    if (format == 1 && channels == 1) return AL_FORMAT_MONO8;
    if (format == 1 && channels == 2) return AL_FORMAT_STEREO8;
    if (format == 2 && channels == 1) return AL_FORMAT_MONO16;
    if (format == 2 && channels == 2) return AL_FORMAT_STEREO16;
    return 0;
}

}  // namespace

gxtkSample* gxtkAudio::LoadSample__UNSAFE__(gxtkSample* sample, String path) {
    int length = 0, chans = 0, format = 0, hertz = 0;
    unsigned char* data =
        BBGlfwGame::_glfwGame->LoadAudioData(path, &length, &chans, &format, &hertz);
    if (!data) return nullptr;

    const long long bytes = static_cast<long long>(format) * chans * length;
    ALuint buffer = 0;  // stays 0 when there is no context to make one in
    alGenBuffers(1, &buffer);
    alBufferData(buffer, AlFormat(format, chans), data,
                 static_cast<ALsizei>(bytes > INT_MAX ? INT_MAX : bytes), hertz);
    std::free(data);
    // OpenAL keeps the samples as long as the object keeps the buffer.
    gc_external_bytes(static_cast<int>(bytes > INT_MAX ? INT_MAX : bytes));
    // A sample loaded a second time gives up its old buffer rather than
    // losing track of it.
    sample->Discard();
    sample->SetBuffer(buffer);
    return sample;
}

gxtkSample* gxtkAudio::LoadSample(String path) {
    FlushDiscarded();
    return LoadSample__UNSAFE__(new gxtkSample(), path);
}

void gxtkAudio::FlushDiscarded() {
    if (discardedBuffers.empty()) return;
    // A source whose sound ran out still holds its buffer; let go of it so
    // that the buffer can be deleted.
    for (gxtkChannel& c : channels) {
        if (c.state != 0 && SourceState(c.source) == AL_STOPPED) alSourcei(c.source, AL_BUFFER, 0);
    }
    // Errors left over from earlier calls (a refused upload, say) must not be
    // taken for a refused deletion.
    alGetError();
    std::vector<ALuint> retained;
    for (ALuint buffer : discardedBuffers) {
        alDeleteBuffers(1, &buffer);
        // Still attached somewhere: try again at a later flush. A name OpenAL
        // does not know would fail forever and is dropped.
        ALenum error = alGetError();
        if (error != AL_NO_ERROR && error != AL_INVALID_NAME) retained.push_back(buffer);
    }
    discardedBuffers.swap(retained);
}

gxtkSample::~gxtkSample() {
    Discard();
}

void gxtkSample::SetBuffer(ALuint b) {
    buffer = b;
}

int gxtkSample::Discard() {
    if (buffer != 0) {
        discardedBuffers.push_back(buffer);
        buffer = 0;
    }
    return 0;
}

// ===========================================================================
// Music
// ===========================================================================

gxtkSample* gxtkAudio::MusicSample(String path) {
    // A file that cannot be read has no identity; it is loaded (and fails)
    // like any other.
    struct stat info;
    const std::string file = BBGlfwGame::_glfwGame->PathToFilePath(path).ToUtf8();
    long long size = -2, time = -2;
    if (::stat(file.c_str(), &info) == 0) {
        size = info.st_size;
        time = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    }
    if (music_ && path == musicPath_ && size == musicSize_ && time == musicTime_) return music_;
    gxtkSample* sample = LoadSample(path);
    if (!sample) return nullptr;
    // The sample it replaces gives up its buffer (a whole decoded tune) now,
    // not when the collector reaches it, which in a game that allocates
    // little may be never; the buffer is deleted once no channel plays it.
    if (music_) music_->Discard();
    gc_assign(music_, sample);
    musicPath_ = path;
    musicSize_ = size;
    musicTime_ = time;
    return sample;
}

bool gxtkAudio::PrepareMusic(String path) {
    return MusicSample(path) != nullptr;
}

int gxtkAudio::PlayMusic(String path, int flags) {
    StopMusic();
    gxtkSample* sample = MusicSample(path);
    if (!sample) return -1;
    // The channel's source is stopped before the buffer is set and played,
    // so a kept sample always starts from its beginning.
    PlaySample(sample, kMusicChannel, flags);
    return 0;
}

int gxtkAudio::StopMusic() {
    return StopChannel(kMusicChannel);
}
int gxtkAudio::PauseMusic() {
    return PauseChannel(kMusicChannel);
}
int gxtkAudio::ResumeMusic() {
    return ResumeChannel(kMusicChannel);
}
int gxtkAudio::MusicState() {
    return ChannelState(kMusicChannel);
}
int gxtkAudio::SetMusicVolume(float volume) {
    return SetVolume(kMusicChannel, volume);
}
