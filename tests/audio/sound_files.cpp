// Sound files made by the audio tests (see sound_files.h).
#include "tests/audio/sound_files.h"

#include <unistd.h>
#include <vorbis/vorbisenc.h>

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
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, 0.4f) != 0) {
        throw std::runtime_error("vorbis_encode_init_vbr failed");
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);

    Bytes out;
    ogg_page og;
    auto append = [&out](const ogg_page& page) {
        out.append(reinterpret_cast<const char*>(page.header), size_t(page.header_len));
        out.append(reinterpret_cast<const char*>(page.body), size_t(page.body_len));
    };
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    while (ogg_stream_flush(&os, &og) != 0)
        append(og);

    const size_t frames = samples.size() / channels;
    const size_t kPiece = 1024;
    bool eos = false;
    for (size_t done = 0;; done += kPiece) {
        size_t n = done < frames ? std::min(kPiece, frames - done) : 0;
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, int(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = samples[(done + i) * channels + c] / 32768.0f;
        }
        vorbis_analysis_wrote(&vd, int(n));  // 0 marks the end of the stream
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og) != 0) {
                    append(og);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
        if (n == 0) break;
    }
    while (!eos && ogg_stream_flush(&os, &og) != 0)
        append(og);

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
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
