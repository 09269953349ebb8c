// The recording OpenAL fake (see fake_al.h).
#include "tests/fakes/fake_al.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace fakeal {
namespace {

struct State {
    std::map<ALuint, Source> sources;
    std::map<ALuint, Buffer> buffers;
    std::map<ALuint, int> refusals;
    std::vector<Call> calls;
    ALuint nextSource = 1;
    ALuint nextBuffer = 1001;  // apart from source names, so mix-ups show
    ALenum error = AL_NO_ERROR;
    OpenFailure failure = OpenFailure::None;
    bool current = false;
};

State& S() {
    static State state;
    return state;
}

// Stand-ins for the opaque handles; only their addresses matter.
char deviceToken, contextToken;

void Log(const char* name, std::vector<double> args = {}) {
    S().calls.push_back(Call{name, std::move(args)});
}

void Fail(ALenum error) {
    // OpenAL keeps the first error until it is read.
    if (S().error == AL_NO_ERROR) S().error = error;
}

// The source a call acts on: null without a context (nothing happens, as
// with the real library) or for an unknown name (an error).
Source* Live(ALuint name) {
    if (!S().current) return nullptr;
    auto it = S().sources.find(name);
    if (it == S().sources.end()) {
        Fail(AL_INVALID_NAME);
        return nullptr;
    }
    return &it->second;
}

}  // namespace

void Reset() {
    S() = State();
}
void SetOpenFailure(OpenFailure failure) {
    S().failure = failure;
}

void FinishSource(ALuint source) {
    if (Source* s = SourceAt(source)) s->state = AL_STOPPED;
}

void RefuseDeletion(ALuint buffer, int times) {
    S().refusals[buffer] = times;
}

Source* SourceAt(ALuint name) {
    auto it = S().sources.find(name);
    return it == S().sources.end() ? nullptr : &it->second;
}

Buffer* BufferAt(ALuint name) {
    auto it = S().buffers.find(name);
    return it == S().buffers.end() ? nullptr : &it->second;
}

int SourceCount() {
    return int(S().sources.size());
}

int LiveBufferCount() {
    return int(std::count_if(S().buffers.begin(), S().buffers.end(),
                             [](const auto& b) { return !b.second.deleted; }));
}

const std::vector<Call>& Calls() {
    return S().calls;
}

int CountCalls(const std::string& name) {
    return int(std::count_if(S().calls.begin(), S().calls.end(),
                             [&](const Call& c) { return c.name == name; }));
}

int CountCalls(const std::string& name, double first) {
    return int(std::count_if(S().calls.begin(), S().calls.end(), [&](const Call& c) {
        return c.name == name && !c.args.empty() && c.args[0] == first;
    }));
}

void ClearLog() {
    S().calls.clear();
}

}  // namespace fakeal

using fakeal::S;

// ---------------------------------------------------------------------------
// ALC

extern "C" {

ALCdevice* alcOpenDevice(const ALCchar*) {
    fakeal::Log("alcOpenDevice");
    if (S().failure == fakeal::OpenFailure::OpenDevice) return nullptr;
    return reinterpret_cast<ALCdevice*>(&fakeal::deviceToken);
}

ALCcontext* alcCreateContext(ALCdevice* device, const ALCint*) {
    fakeal::Log("alcCreateContext");
    if (!device || S().failure == fakeal::OpenFailure::CreateContext) return nullptr;
    return reinterpret_cast<ALCcontext*>(&fakeal::contextToken);
}

ALCboolean alcMakeContextCurrent(ALCcontext* context) {
    fakeal::Log("alcMakeContextCurrent");
    if (!context || S().failure == fakeal::OpenFailure::MakeCurrent) return ALC_FALSE;
    S().current = true;
    return ALC_TRUE;
}

// ---------------------------------------------------------------------------
// AL

ALenum alGetError(void) {
    fakeal::Log("alGetError");
    if (!S().current) return AL_INVALID_OPERATION;
    ALenum e = S().error;
    S().error = AL_NO_ERROR;
    return e;
}

void alDistanceModel(ALenum model) {
    fakeal::Log("alDistanceModel", {double(model)});
}

void alGenSources(ALsizei n, ALuint* names) {
    fakeal::Log("alGenSources", {double(n)});
    if (!S().current) return;
    for (ALsizei i = 0; i < n; ++i) {
        names[i] = S().nextSource++;
        S().sources[names[i]] = fakeal::Source();
    }
}

void alSourcePlay(ALuint source) {
    fakeal::Log("alSourcePlay", {double(source)});
    if (fakeal::Source* s = fakeal::Live(source)) s->state = AL_PLAYING;
}

void alSourcePause(ALuint source) {
    fakeal::Log("alSourcePause", {double(source)});
    fakeal::Source* s = fakeal::Live(source);
    if (s && s->state == AL_PLAYING) s->state = AL_PAUSED;
}

void alSourceStop(ALuint source) {
    fakeal::Log("alSourceStop", {double(source)});
    if (fakeal::Source* s = fakeal::Live(source)) s->state = AL_STOPPED;
}

void alSourcei(ALuint source, ALenum param, ALint value) {
    fakeal::Log("alSourcei", {double(source), double(param), double(value)});
    fakeal::Source* s = fakeal::Live(source);
    if (!s) return;
    if (param == AL_BUFFER) {
        // A driver will not swap the buffer under a sound that is going on.
        if (s->state == AL_PLAYING || s->state == AL_PAUSED)
            return fakeal::Fail(AL_INVALID_OPERATION);
        fakeal::Buffer* b = fakeal::BufferAt(ALuint(value));
        if (value != 0 && (!b || b->deleted)) return fakeal::Fail(AL_INVALID_VALUE);
        s->buffer = ALuint(value);
    } else if (param == AL_LOOPING) {
        s->looping = value;
    } else {
        fakeal::Fail(AL_INVALID_ENUM);
    }
}

void alGetSourcei(ALuint source, ALenum param, ALint* value) {
    fakeal::Log("alGetSourcei", {double(source), double(param)});
    fakeal::Source* s = fakeal::Live(source);
    if (!s) return;
    if (param == AL_SOURCE_STATE) {
        *value = s->state;
    } else if (param == AL_BUFFER) {
        *value = ALint(s->buffer);
    } else if (param == AL_LOOPING) {
        *value = s->looping;
    } else {
        fakeal::Fail(AL_INVALID_ENUM);
    }
}

void alSourcef(ALuint source, ALenum param, ALfloat value) {
    fakeal::Log("alSourcef", {double(source), double(param), double(value)});
    fakeal::Source* s = fakeal::Live(source);
    if (!s) return;
    if (param == AL_GAIN) {
        s->gain = value;
    } else if (param == AL_PITCH) {
        s->pitch = value;
    } else {
        fakeal::Fail(AL_INVALID_ENUM);
    }
}

void alSource3f(ALuint source, ALenum param, ALfloat x, ALfloat y, ALfloat z) {
    fakeal::Log("alSource3f", {double(source), double(param), double(x), double(y), double(z)});
    fakeal::Source* s = fakeal::Live(source);
    if (!s) return;
    if (param != AL_POSITION) return fakeal::Fail(AL_INVALID_ENUM);
    s->position[0] = x;
    s->position[1] = y;
    s->position[2] = z;
}

void alGenBuffers(ALsizei n, ALuint* names) {
    fakeal::Log("alGenBuffers", {double(n)});
    if (!S().current) return;
    for (ALsizei i = 0; i < n; ++i) {
        names[i] = S().nextBuffer++;
        S().buffers[names[i]] = fakeal::Buffer();
    }
}

void alBufferData(ALuint buffer, ALenum format, const ALvoid* data, ALsizei size, ALsizei freq) {
    fakeal::Log("alBufferData", {double(buffer), double(format), double(size), double(freq)});
    if (!S().current) return;
    fakeal::Buffer* b = fakeal::BufferAt(buffer);
    if (!b || b->deleted) return fakeal::Fail(AL_INVALID_NAME);
    if (format != AL_FORMAT_MONO8 && format != AL_FORMAT_STEREO8 && format != AL_FORMAT_MONO16 &&
        format != AL_FORMAT_STEREO16) {
        return fakeal::Fail(AL_INVALID_ENUM);
    }
    b->format = format;
    b->bytes = size;
    b->frequency = freq;
    const auto* bytes = static_cast<const unsigned char*>(data);
    b->data.assign(bytes, bytes + size);
}

void alDeleteBuffers(ALsizei n, const ALuint* names) {
    fakeal::Log("alDeleteBuffers", {double(n), n > 0 ? double(names[0]) : 0.0});
    if (!S().current) return;
    for (ALsizei i = 0; i < n; ++i) {
        fakeal::Buffer* b = fakeal::BufferAt(names[i]);
        if (!b || b->deleted) return fakeal::Fail(AL_INVALID_NAME);
        auto refusal = S().refusals.find(names[i]);
        if (refusal != S().refusals.end() && refusal->second > 0) {
            --refusal->second;
            return fakeal::Fail(AL_INVALID_OPERATION);
        }
        for (const auto& [name, source] : S().sources) {
            if (source.buffer == names[i]) return fakeal::Fail(AL_INVALID_OPERATION);
        }
    }
    // A deleted buffer's samples are gone, as in OpenAL: a long run must
    // not keep every tune it ever loaded.
    for (ALsizei i = 0; i < n; ++i) {
        fakeal::Buffer* b = fakeal::BufferAt(names[i]);
        b->deleted = true;
        std::vector<unsigned char>().swap(b->data);
    }
}

}  // extern "C"
