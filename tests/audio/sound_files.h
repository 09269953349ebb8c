// Sound files for the audio tests: RIFF WAVE images built chunk by chunk (so
// a test can misplace, pad, damage or lie about any of them), sine tones,
// and Ogg Vorbis files by the data generator's encoder. Relies on the data
// generator (tools/datagen) and the C++ library.
#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/read_file.h"
#include "tools/datagen/audio.h"

namespace audiotest {

using Bytes = std::string;

inline Bytes U16(uint16_t v) {
    return Bytes{char(v & 0xff), char(v >> 8)};
}

inline Bytes U32(uint32_t v) {
    return U16(uint16_t(v & 0xffff)) + U16(uint16_t(v >> 16));
}

// One RIFF chunk: id, size, payload and the pad byte RIFF wants after an odd
// payload; with `declared`, a chunk whose size field says that instead,
// whatever (and however little) follows.
inline Bytes Chunk(const std::string& id, const Bytes& payload, int64_t declared = -1) {
    if (declared >= 0) return id + U32(uint32_t(declared)) + payload;
    return id + U32(uint32_t(payload.size())) + payload + Bytes(payload.size() & 1, '\0');
}

// The 16 bytes of a "fmt " payload.
inline Bytes FmtPayload(uint16_t audioFormat, uint16_t channels, uint32_t hertz, uint16_t bits) {
    const uint16_t align = uint16_t(channels * (bits / 8));
    return U16(audioFormat) + U16(channels) + U32(hertz) + U32(hertz * align) + U16(align) +
           U16(bits);
}

inline Bytes Riff(const Bytes& chunks) {
    return "RIFF" + U32(uint32_t(4 + chunks.size())) + "WAVE" + chunks;
}

// A plain integer PCM file: "fmt " then "data".
inline Bytes Wav(uint16_t channels, uint32_t hertz, uint16_t bits, const Bytes& data) {
    return Riff(Chunk("fmt ", FmtPayload(1, channels, hertz, bits)) + Chunk("data", data));
}

// A sine tone of amplitude 0.5, the same on every channel.
inline datagen::Pcm Tone(double hertz, int rate, int frames, int channels) {
    datagen::Pcm pcm{channels, {}};
    for (int i = 0; i < frames * channels; ++i)
        pcm.samples.push_back(float(0.5 * std::sin(2 * M_PI * hertz * (i / channels) / rate)));
    return pcm;
}

// The bytes of a file the data generator encoded (datagen::encodeWav16 or
// datagen::encodeVorbis).
inline Bytes Of(const std::vector<uint8_t>& file) {
    return Bytes(file.begin(), file.end());
}

}  // namespace audiotest
