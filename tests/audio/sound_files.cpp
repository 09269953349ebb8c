// Sound files made by the audio tests (see sound_files.h).
#include "tests/audio/sound_files.h"

#include "tools/datagen/audio.h"

#include <fcntl.h>
#include <unistd.h>
#include <ogg/ogg.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace audiotest {

Bytes U16(uint16_t v) {
    return Bytes{char(v & 0xff), char(v >> 8)};
}

Bytes U32(uint32_t v) {
    return Bytes{char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char(v >> 24)};
}

Bytes Chunk(const std::string& id, const Bytes& payload, bool pad) {
    Bytes out = id + U32(static_cast<uint32_t>(payload.size())) + payload;
    if (pad && (payload.size() & 1)) out += '\0';
    return out;
}

Bytes ChunkClaiming(const std::string& id, uint32_t declared, const Bytes& payload) {
    return id + U32(declared) + payload;
}

Bytes FmtPayload(uint16_t audioFormat, uint16_t channels, uint32_t hertz, uint16_t bits) {
    const uint16_t align = static_cast<uint16_t>(channels * (bits / 8));
    return U16(audioFormat) + U16(channels) + U32(hertz) + U32(hertz * align) + U16(align) +
           U16(bits);
}

Bytes Riff(const Bytes& chunks) {
    return "RIFF" + U32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

Bytes SimpleWav(uint16_t channels, uint32_t hertz, uint16_t bits, const Bytes& data) {
    return Riff(Chunk("fmt ", FmtPayload(1, channels, hertz, bits)) + Chunk("data", data));
}

std::vector<int16_t> SineTone(double hertz, int rate, int frames, int channels, double amplitude) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        double v = amplitude * 32767.0 * std::sin(2.0 * M_PI * hertz * i / rate);
        for (int c = 0; c < channels; ++c)
            out[size_t(i) * channels + c] = int16_t(std::lround(v));
    }
    return out;
}

Bytes PcmBytes(const std::vector<int16_t>& samples) {
    Bytes out;
    out.reserve(samples.size() * 2);
    for (int16_t s : samples)
        out += U16(static_cast<uint16_t>(s));
    return out;
}

Bytes EncodeVorbis(const std::vector<int16_t>& samples, int channels, int rate) {
    datagen::Pcm pcm;
    pcm.channels = channels;
    for (int16_t s : samples)
        pcm.samples.push_back(s / 32768.0f);
    const std::vector<uint8_t> file = datagen::encodeVorbis(pcm, 0.4f, rate);
    return Bytes(file.begin(), file.end());
}

Bytes WithOggChecksums(Bytes file) {
    size_t at = 0;
    while (at + 27 <= file.size() && file.compare(at, 4, "OggS") == 0) {
        auto* bytes = reinterpret_cast<unsigned char*>(&file[at]);
        const long lacing = bytes[26];
        long body = 0;
        for (long i = 0; i < lacing; ++i)
            body += bytes[27 + i];
        if (at + 27 + lacing + body > file.size()) break;
        ogg_page page{bytes, 27 + lacing, bytes + 27 + lacing, body};
        ogg_page_checksum_set(&page);
        at += size_t(27 + lacing + body);
    }
    return file;
}

FILE* SeekableStream(const Bytes& bytes) {
    // fmemopen on an empty buffer fails; a temporary file works for any size.
    FILE* f = tmpfile();
    if (!f) return nullptr;
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    rewind(f);
    return f;
}

FILE* PipeStream(const Bytes& bytes) {
    int fds[2];
    if (pipe(fds) != 0) return nullptr;
    fcntl(fds[1], F_SETPIPE_SZ, kPipeBytes);
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = write(fds[1], bytes.data() + written, bytes.size() - written);
        if (n <= 0) break;
        written += size_t(n);
    }
    close(fds[1]);
    return fdopen(fds[0], "rb");
}

Bytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteWholeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace audiotest
