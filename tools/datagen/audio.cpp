// WAV and Ogg Vorbis writers and the small DSP kit shared by the sound
// effects, instruments and the tune. The Vorbis stream is produced with the
// reference encoder; with the fixed serial number its bytes depend only on
// the samples.
#include "tools/datagen/audio.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace datagen {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kOggSerial = 0x44726f70;  // fixed, for identical bytes on every run
constexpr int kVorbisChunkFrames = 4096;

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}
void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void putTag(std::vector<uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(tag[i]));
}

int16_t toInt16(float v) {
    v = std::clamp(v, -1.0f, 1.0f);
    return int16_t(std::lround(v * 32767.0f));
}

void appendPage(std::vector<uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

std::vector<uint8_t> encodeWav16(const Pcm& pcm, int rate) {
    const uint32_t dataBytes = uint32_t(pcm.samples.size() * 2);
    const uint16_t blockAlign = uint16_t(pcm.channels * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    putTag(out, "RIFF");
    put32(out, 36 + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);  // integer PCM
    put16(out, uint16_t(pcm.channels));
    put32(out, uint32_t(rate));
    put32(out, uint32_t(rate) * blockAlign);
    put16(out, blockAlign);
    put16(out, 16);
    putTag(out, "data");
    put32(out, dataBytes);
    for (float s : pcm.samples)
        put16(out, uint16_t(toInt16(s)));
    return out;
}

std::vector<uint8_t> encodeVorbis(const Pcm& pcm, float quality, int rate) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, pcm.channels, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        throw std::runtime_error("datagen: the Vorbis encoder refused its settings");
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", "plumbline");
    vorbis_comment_add_tag(&vc, "ENCODER", "dropling datagen");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, kOggSerial);

    std::vector<uint8_t> out;
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page page;
    // The headers end on a page of their own, as the format asks.
    while (ogg_stream_flush(&os, &page) != 0)
        appendPage(out, page);

    const size_t frames = pcm.frames();
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        size_t n = std::min<size_t>(kVorbisChunkFrames, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);  // end of stream
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, int(n));
            for (size_t i = 0; i < n; ++i) {
                for (int ch = 0; ch < pcm.channels; ++ch) {
                    buffer[ch][i] = pcm.samples[(done + i) * size_t(pcm.channels) + size_t(ch)];
                }
            }
            vorbis_analysis_wrote(&vd, int(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet) != 0) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    appendPage(out, page);
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

float Noise::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return float(state_ & 0xffffff) / 8388608.0f - 1.0f;
}

float LowPass::run(float x, float cutoff) {
    float k = 1.0f - std::exp(-2.0f * kPi * cutoff / float(kSampleRate));
    y_ += (x - y_) * k;
    return y_;
}

float polyBlep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

float sawWave(float phase, float dt) {
    return 2.0f * phase - 1.0f - polyBlep(phase, dt);
}

float squareWave(float phase, float dt, float duty) {
    float v = phase < duty ? 1.0f : -1.0f;
    v += polyBlep(phase, dt);
    float shifted = phase - duty;
    if (shifted < 0) shifted += 1.0f;
    v -= polyBlep(shifted, dt);
    return v;
}

float triangleWave(float phase) {
    return 1.0f - 4.0f * std::fabs(phase - 0.5f);
}

void normalise(Pcm& pcm, float peak) {
    float m = 0;
    for (float s : pcm.samples)
        m = std::max(m, std::fabs(s));
    if (m <= 0) return;
    float k = peak / m;
    for (float& s : pcm.samples)
        s *= k;
}

void fadeEnds(Pcm& pcm, size_t inFrames, size_t outFrames) {
    size_t frames = pcm.frames();
    for (size_t i = 0; i < frames; ++i) {
        float g = 1;
        if (i < inFrames) g = 0.5f - 0.5f * std::cos(kPi * float(i) / float(inFrames));
        size_t fromEnd = frames - 1 - i;
        if (fromEnd < outFrames) {
            g *= 0.5f - 0.5f * std::cos(kPi * float(fromEnd) / float(outFrames));
        }
        for (int ch = 0; ch < pcm.channels; ++ch)
            pcm.samples[i * size_t(pcm.channels) + size_t(ch)] *= g;
    }
}

}  // namespace datagen
