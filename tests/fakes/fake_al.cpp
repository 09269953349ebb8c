// The recording OpenAL fake (see fake_al.h). The al*/alc* definitions sit in
// namespace fakeal beside its state; C linkage makes them the functions that
// <al.h> and <alc.h> declare.
#include "tests/fakes/fake_al.h"

#include <map>
#include <set>
#include <utility>

namespace fakeal {

static struct State {
    OpenFailure failure = OpenFailure::None;
    std::map<ALuint, Source> sources;
    std::set<ALuint> buffers;  // generated, not deleted
    std::vector<Call> calls;
    ALuint nextBuffer = 1001;  // apart from source names, so mix-ups show
    ALenum error = AL_NO_ERROR;
    bool current = false;
} state;

// Logs the call; true when there is a context for it to act in.
static bool Log(const char* name, std::vector<double> args = {}) {
    state.calls.push_back(Call{name, std::move(args)});
    return state.current;
}

// Logs a call on the source named by its first argument; that source when
// there is a context for it to act in.
static Source* OnSource(const char* name, std::vector<double> args) {
    const ALuint source = ALuint(args[0]);
    return Log(name, std::move(args)) ? SourceAt(source) : nullptr;
}

static void Fail(ALenum error) {
    // OpenAL keeps the first error until it is read.
    if (state.error == AL_NO_ERROR) state.error = error;
}

void Reset(OpenFailure failure) {
    state = State();
    state.failure = failure;
}

Source* SourceAt(ALuint name) {
    auto it = state.sources.find(name);
    return it == state.sources.end() ? nullptr : &it->second;
}

int LiveBufferCount() {
    return int(state.buffers.size());
}

const std::vector<Call>& Calls() {
    return state.calls;
}

void ClearLog() {
    state.calls.clear();
}

extern "C" {

ALCdevice* alcOpenDevice(const ALCchar*) {
    Log("alcOpenDevice");
    // Stand-ins for the opaque handles; only their addresses matter.
    if (state.failure == OpenFailure::OpenDevice) return nullptr;
    return reinterpret_cast<ALCdevice*>(&state);
}

ALCcontext* alcCreateContext(ALCdevice*, const ALCint*) {
    Log("alcCreateContext");
    if (state.failure == OpenFailure::CreateContext) return nullptr;
    return reinterpret_cast<ALCcontext*>(&state.current);
}

ALCboolean alcMakeContextCurrent(ALCcontext*) {
    Log("alcMakeContextCurrent");
    return state.current = state.failure != OpenFailure::MakeCurrent;
}

void alcDestroyContext(ALCcontext*) {}

ALCboolean alcCloseDevice(ALCdevice*) {
    return ALC_TRUE;
}

ALenum alGetError(void) {
    if (!Log("alGetError")) return AL_INVALID_OPERATION;
    return std::exchange(state.error, AL_NO_ERROR);
}

void alDistanceModel(ALenum model) {
    Log("alDistanceModel", {double(model)});
}

void alGenSources(ALsizei n, ALuint* names) {
    if (!Log("alGenSources", {double(n)})) return;
    for (ALsizei i = 0; i < n; ++i)
        state.sources[names[i] = ALuint(state.sources.size() + 1)] = Source();
}

void alSourcePlay(ALuint source) {
    if (Source* s = OnSource("alSourcePlay", {double(source)})) s->state = AL_PLAYING;
}

void alSourcePause(ALuint source) {
    Source* s = OnSource("alSourcePause", {double(source)});
    if (s && s->state == AL_PLAYING) s->state = AL_PAUSED;
}

void alSourceStop(ALuint source) {
    if (Source* s = OnSource("alSourceStop", {double(source)})) s->state = AL_STOPPED;
}

void alSourcei(ALuint source, ALenum param, ALint value) {
    Source* s = OnSource("alSourcei", {double(source), double(param), double(value)});
    if (s && param == AL_BUFFER) s->buffer = ALuint(value);
}

void alGetSourcei(ALuint source, ALenum param, ALint* value) {
    Source* s = OnSource("alGetSourcei", {double(source), double(param)});
    if (s && param == AL_SOURCE_STATE) *value = s->state;
}

void alSourcef(ALuint source, ALenum param, ALfloat value) {
    OnSource("alSourcef", {double(source), double(param), double(value)});
}

void alSource3f(ALuint source, ALenum param, ALfloat x, ALfloat y, ALfloat z) {
    OnSource("alSource3f", {double(source), double(param), double(x), double(y), double(z)});
}

void alGenBuffers(ALsizei n, ALuint* names) {
    if (!Log("alGenBuffers", {double(n)})) return;
    for (ALsizei i = 0; i < n; ++i)
        state.buffers.insert(names[i] = state.nextBuffer++);
}

void alBufferData(ALuint buffer, ALenum format, const ALvoid*, ALsizei size, ALsizei freq) {
    if (!Log("alBufferData", {double(buffer), double(format), double(size), double(freq)})) return;
    // The four formats of OpenAL 1.1 are numbered one after another.
    if (format < AL_FORMAT_MONO8 || format > AL_FORMAT_STEREO16) Fail(AL_INVALID_ENUM);
}

void alDeleteBuffers(ALsizei n, const ALuint* names) {
    if (!Log("alDeleteBuffers", {double(n), n > 0 ? double(names[0]) : 0.0})) return;
    for (ALsizei i = 0; i < n; ++i) {
        if (!state.buffers.count(names[i])) return Fail(AL_INVALID_NAME);
        // A buffer a source still holds stays.
        for (const auto& [name, source] : state.sources)
            if (source.buffer == names[i]) return Fail(AL_INVALID_OPERATION);
    }
    for (ALsizei i = 0; i < n; ++i)
        state.buffers.erase(names[i]);
}

}  // extern "C"
}  // namespace fakeal
