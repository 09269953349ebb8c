// A recording stand-in for OpenAL 1.1, linked into test executables instead
// of Debian's OpenAL (library dropling_fake_al). It defines the al*/alc*
// functions the audio device calls, with the signatures of <al.h>/<alc.h>,
// and keeps sources and buffers the way a driver does: play, pause and stop
// move a source between OpenAL's states, a playing or paused source refuses
// a new buffer, a buffer still attached to a source refuses deletion, and
// alGetError reports the first error since it was last read. The test
// scripts the rest: a device or context that fails to open, a sound that
// runs out, a deletion the driver refuses.
//
// Without a current context every al* call does nothing (as with the real
// library), and alGetError answers AL_INVALID_OPERATION. One global state,
// cleared by fakeal::Reset(); not thread-safe.
#pragma once

#include <al.h>
#include <alc.h>

#include <string>
#include <vector>

namespace fakeal {

struct Source {
    ALint state = AL_INITIAL;
    ALuint buffer = 0;
    ALint looping = AL_FALSE;
    float gain = 1, pitch = 1;
    float position[3] = {0, 0, 0};
};

struct Buffer {
    bool deleted = false;
    ALenum format = 0;  // 0 until data is accepted
    int bytes = 0;
    int frequency = 0;
    std::vector<unsigned char> data;
};

// One call that reached the fake (also those ignored for want of a
// context): its name and its scalar arguments.
struct Call {
    std::string name;
    std::vector<double> args;
};

// Which step of opening fails (none by default).
enum class OpenFailure { None, OpenDevice, CreateContext, MakeCurrent };

// Forgets everything: sources, buffers, errors, the log, the current
// context and the scripted failures.
void Reset();
void SetOpenFailure(OpenFailure failure);

// The sound on the source ran out, as a non-looping sample's does: the
// source stops on its own.
void FinishSource(ALuint source);
// The next `times` deletions of `buffer` fail with AL_INVALID_OPERATION
// whether or not anything holds it (a driver with its own reasons).
void RefuseDeletion(ALuint buffer, int times);

// The source or buffer of that name, or null if none was generated.
Source* SourceAt(ALuint name);
Buffer* BufferAt(ALuint name);
int SourceCount();
// Buffers generated and not (yet) deleted.
int LiveBufferCount();

const std::vector<Call>& Calls();
int CountCalls(const std::string& name);
// Count of calls with this name whose first argument is `first`.
int CountCalls(const std::string& name, double first);
void ClearLog();

}  // namespace fakeal
