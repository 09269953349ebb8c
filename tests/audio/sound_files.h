// Helpers that make sound files for the audio tests: RIFF WAVE images built
// chunk by chunk (so a test can misplace, pad or damage any of them), tones
// as 16-bit PCM, Ogg Vorbis files and their page checksums, and streams over
// byte strings. Relies on the data generator's encoder, libogg and the C
// library.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace audiotest {

using Bytes = std::string;

Bytes U16(uint16_t v);
Bytes U32(uint32_t v);

// One RIFF chunk: id, little-endian size, payload, and the pad byte RIFF
// requires after an odd payload (unless `pad` is false).
Bytes Chunk(const std::string& id, const Bytes& payload, bool pad = true);
// A chunk whose size field says `declared` whatever the payload holds.
Bytes ChunkClaiming(const std::string& id, uint32_t declared, const Bytes& payload);

// The 16 bytes of a "fmt " payload.
Bytes FmtPayload(uint16_t audioFormat, uint16_t channels, uint32_t hertz, uint16_t bits);
// "RIFF" size "WAVE" followed by the given chunks.
Bytes Riff(const Bytes& chunks);
// A plain PCM file: "fmt " then "data".
Bytes SimpleWav(uint16_t channels, uint32_t hertz, uint16_t bits, const Bytes& data);

// Interleaved 16-bit sine tone: `frames` frames on `channels` channels.
std::vector<int16_t> SineTone(double hertz, int rate, int frames, int channels, double amplitude);
Bytes PcmBytes(const std::vector<int16_t>& samples);

// Interleaved 16-bit PCM as Ogg Vorbis (VBR, quality 0.4), by the data
// generator's encoder.
Bytes EncodeVorbis(const std::vector<int16_t>& samples, int channels, int rate);

// The file with the checksum of every whole Ogg page recomputed, so that a
// change to a page's bytes reaches the decoder.
Bytes WithOggChecksums(Bytes file);

// A seekable stream holding the bytes (a temporary file), closed by the caller.
FILE* SeekableStream(const Bytes& bytes);
// A stream over a pipe that already holds the bytes (cannot seek); the bytes
// must fit in the pipe's buffer, which is made kPipeBytes long.
constexpr int kPipeBytes = 1 << 20;
FILE* PipeStream(const Bytes& bytes);

Bytes ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const Bytes& bytes);

}  // namespace audiotest
