// A recording stand-in for OpenAL 1.1, linked into test executables instead
// of Debian's OpenAL (library dropling_fake_al). It defines the al*/alc*
// functions the program calls, with the signatures of <al.h>/<alc.h>, logs
// every call with its scalar arguments, and keeps what a driver keeps:
// play, pause and stop move a source between OpenAL's states, a buffer still
// attached to a source refuses deletion, a data upload in no known format is
// refused, and alGetError reports the first error since it was last read.
// The test scripts the rest: a device or context that fails to open, and a
// sound that runs out (its source's state set to AL_STOPPED).
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
};

// One call that reached the fake (also those ignored for want of a
// context): its name and its scalar arguments.
struct Call {
    std::string name;
    std::vector<double> args;
};

// Which step of opening fails (none by default).
enum class OpenFailure { None, OpenDevice, CreateContext, MakeCurrent };

// Forgets everything (sources, buffers, errors, the log, the current
// context); the next opening fails at `failure`.
void Reset(OpenFailure failure = OpenFailure::None);

// The source of that name, or null if none was generated.
Source* SourceAt(ALuint name);
// Buffers generated and not (yet) deleted.
int LiveBufferCount();

const std::vector<Call>& Calls();
void ClearLog();

}  // namespace fakeal
