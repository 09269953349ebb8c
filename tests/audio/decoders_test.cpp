// Tests of the WAVE reader and the Ogg Vorbis decoder: files built chunk by
// chunk, lying about their sizes or cut at every length, read from memory and
// from pipes; Ogg files damaged in their headers (refused) and after them
// (decoded as far as they go); and real files that Debian packages install
// (alsa-utils' WAVE voices, the freedesktop sound theme's Ogg Vorbis sounds)
// against what their headers declare.
#include "audio/decoders.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <tuple>
#include <vector>

#include "tests/audio/sound_files.h"

using namespace audiotest;

namespace {

using Loader = unsigned char* (*)(FILE*, int*, int*, int*, int*);
// Length in frames, channels, bytes per sample, rate.
using Format = std::tuple<int, int, int, int>;
const Format kNull{-1, -1, -1, -1};

struct Decoded {
    Format format = kNull;
    Bytes data;
};

// Decodes the bytes from a stream in memory, or from a pipe that already
// holds them (it cannot seek, so sizes are only known as bytes arrive).
constexpr int kPipeBytes = 1 << 20;
Decoded Decode(Loader loader, const Bytes& bytes, bool pipe = false) {
    FILE* f = pipe ? nullptr : fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
    int fds[2];
    if (pipe && ::pipe(fds) == 0) {
        if (fcntl(fds[1], F_SETPIPE_SZ, kPipeBytes) >= kPipeBytes &&
            write(fds[1], bytes.data(), bytes.size()) == ssize_t(bytes.size()))
            f = fdopen(fds[0], "rb");
        close(fds[1]);
    }
    Decoded d;
    int length, channels, format, hertz;
    if (unsigned char* pcm = f ? loader(f, &length, &channels, &format, &hertz) : nullptr) {
        d.format = {length, channels, format, hertz};
        d.data.assign(reinterpret_cast<char*>(pcm), size_t(length) * channels * format);
        std::free(pcm);
    }
    if (f) fclose(f);
    return d;
}

uint32_t LeU32(const Bytes& b, size_t at) {
    return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}

}  // namespace

// Every file is read from a file and from a pipe: sizes larger than what
// follows must be refused either way, and a long data chunk read from a pipe
// grows its block as the bytes arrive.
TEST(LoadWav, LayoutsAcceptedAndRefusedAndEveryTruncation) {
    const Bytes pcm16("\x01\x00\xff\xff\x2c\x01\xd4\xfe\xff\x7f\x00\x80", 12);  // 3 stereo frames
    const Bytes fmt16 = Chunk("fmt ", FmtPayload(1, 2, 22050, 16)), data = Chunk("data", pcm16);
    const Bytes mono8("\x00\x7f\x80\xff\x01", 5), pcm24(12, '\x55');
    const Bytes tone = Of(datagen::encodeWav16(Tone(440, 8000, 40000, 1), 8000));
    // An 18-byte format chunk, an odd chunk with its pad byte, an even one.
    const Bytes padded = Riff(Chunk("fmt ", FmtPayload(1, 2, 22050, 16) + U16(0)) +
                              Chunk("LIST", "abc") + Chunk("fact", U32(3)) + data);
    struct Case {
        std::string name;
        Bytes file;
        Format format;
        Bytes data = "";
    };
    std::vector<Case> cases = {
        {"16-bit stereo", Riff(fmt16 + data), {3, 2, 2, 22050}, pcm16},
        {"18-byte fmt, odd and even chunks", padded, {3, 2, 2, 22050}, pcm16},
        {"8-bit mono stays unsigned", Wav(1, 8000, 8, mono8), {5, 1, 1, 8000}, mono8},
        // A partial frame at the end is left out.
        {"24-bit: format 3", Wav(2, 8000, 24, pcm24 + "xy"), {2, 2, 3, 8000}, pcm24},
        // Samples that are not whole bytes have no format to play in.
        {"12 bits", Wav(1, 8000, 12, "abcd"), {4, 1, 0, 8000}},
        {"20 bits", Wav(2, 8000, 20, "abcdefgh"), {2, 2, 0, 8000}},
        {"empty data chunk", Wav(2, 22050, 16, ""), {0, 2, 2, 22050}},
        {"a long tone", tone, {40000, 1, 2, 8000}, tone.substr(44)},
        {"chunk before fmt", Riff(Chunk("LIST", "ab") + fmt16 + data), kNull},
        {"not RIFF", "RIFX" + Riff(fmt16 + data).substr(4), kNull},
        {"not WAVE", Riff(fmt16 + data).replace(8, 4, "AVI "), kNull},
        {"float samples", Riff(Chunk("fmt ", FmtPayload(3, 2, 22050, 32)) + data), kNull},
        {"extensible", Riff(Chunk("fmt ", FmtPayload(0xfffe, 2, 22050, 16)) + data), kNull},
        {"no data chunk", Riff(fmt16 + Chunk("LIST", "abcd")), kNull},
        {"zero channels", Riff(Chunk("fmt ", FmtPayload(1, 0, 22050, 16)) + data), kNull},
        {"bits below a byte", Riff(Chunk("fmt ", FmtPayload(1, 1, 22050, 4)) + data), kNull},
        {"data claims 2 GiB", Riff(fmt16 + Chunk("data", "abcd", 0x7fffffff)), kNull},
        {"data claims 4 GiB", Riff(fmt16 + Chunk("data", "abcd", 0xffffffff)), kNull},
        {"data claims one byte more", Riff(fmt16 + Chunk("data", "abcdef", 7)), kNull},
        {"skipped chunk claims 4 GiB",
         Riff(fmt16 + Chunk("junk", "ab", 0xfffffffe) + Chunk("data", "abcd")), kNull},
        {"fmt claims 4 GiB", Riff(Chunk("fmt ", FmtPayload(1, 2, 8000, 16), 0xffffffff) + data),
         kNull},
    };
    for (size_t n = 0; n < padded.size(); ++n)
        cases.push_back({"cut at " + std::to_string(n), padded.substr(0, n), kNull});
    for (const Case& c : cases) {
        for (const bool pipe : {false, true}) {
            SCOPED_TRACE(c.name + (pipe ? " through a pipe" : ""));
            const Decoded d = Decode(LoadWAV, c.file, pipe);
            EXPECT_EQ(d.format, c.format);
            EXPECT_TRUE(d.data == c.data);
        }
    }
}

TEST(LoadOgg, DecodesTheToneAndRefusesDamagedHeadersButNotDamageAfterThem) {
    // 10 s: the growing block doubles many times, and the sanitizer build
    // reports any write past its end.
    const Bytes good = Of(datagen::encodeVorbis(Tone(441, 8000, 80000, 2), 0.4f, 8000));
    const Decoded decoded = Decode(LoadOGG, good);
    ASSERT_EQ(decoded.format, Format(80000, 2, 2, 8000));
    // A sine of amplitude 0.5 has an RMS of 0.5 / sqrt 2 of full scale, here
    // over the last 0.9 s.
    const auto* pcm = reinterpret_cast<const int16_t*>(decoded.data.data()) + 2 * (80000 - 7200);
    const double sum = std::inner_product(pcm, pcm + 2 * 7200, pcm, 0.0);
    EXPECT_NEAR(std::sqrt(sum / (2 * 7200)), 0.5 * 32767 / std::sqrt(2.0), 1500);

    // A libvorbis file has its three headers on its first two pages; their
    // checksums catch damage before the Vorbis decoder, which can crash on a
    // damaged header, reads a byte.
    const size_t second = good.find("OggS", 4), headers = good.find("OggS", second + 4);
    ASSERT_NE(headers, Bytes::npos);
    // Comment lengths that run past their packet, the page's checksum made
    // right again: the decoder would allocate what they say.
    const size_t body = second + 27 + uint8_t(good[second + 26]), vendor = body + 7;
    const size_t comments = vendor + 4 + LeU32(good, vendor);
    auto patched = [&](size_t at, uint32_t value) {
        Bytes file = Bytes(good).replace(at, 4, U32(value));
        auto* bytes = reinterpret_cast<unsigned char*>(&file[0]);
        ogg_page page{bytes + second, long(body - second), bytes + body, long(headers - body)};
        ogg_page_checksum_set(&page);
        return file;
    };
    // A byte flipped in the headers is refused; damage after them, as
    // downloads and taggers leave it, decodes as far as it goes.
    auto flipped = [&](size_t at) { return Bytes(good).replace(at, 1, 1, char(good[at] ^ 0x5a)); };
    std::vector<std::tuple<std::string, Bytes, bool>> cases = {
        {"vendor string longer than its packet", patched(vendor, 0x7ffffff0), false},
        {"negative comment count", patched(comments, 0xfffffff0), false},
        {"comment longer than its packet", patched(comments, 1), false},
        {"a WAVE file", Wav(1, 8000, 16, "abcd"), false},
        {"cut in the last page", good.substr(0, good.size() - 100), true},
        {"cut at 90%", good.substr(0, good.size() * 9 / 10), true},
        {"a tag after the end", good + "TAG" + Bytes(125, ' '), true},
        {"a byte flipped half way", flipped(good.size() / 2), true},
    };
    for (size_t at = 0; at < headers; ++at) {
        cases.emplace_back("byte flipped at " + std::to_string(at), flipped(at), false);
        cases.emplace_back("cut at " + std::to_string(at), good.substr(0, at), false);
    }
    for (const auto& [name, file, decodes] : cases) {
        SCOPED_TRACE(name);
        const auto [length, channels, format, hertz] = Decode(LoadOGG, file).format;
        EXPECT_EQ(std::make_tuple(length > 0, channels, format, hertz),
                  decodes ? std::make_tuple(true, 2, 2, 8000) : std::make_tuple(false, -1, -1, -1));
    }
}

// A setup header of a few bytes can declare a codebook of 65536 entries of
// 256 dimensions; the decoder would allocate and fill 96 MB for it before
// finding the rest of the header missing. The reader refuses it first. The
// decoding runs in a child, whose peak memory starts from what it has.
TEST(LoadOgg, ACodebookTooLargeForAnyEncoderIsRefusedBeforeItIsAllocated) {
    Bytes setup("\x05vorbis", 7);
    uint64_t bits = 0;
    int used = 0;
    auto put = [&](uint64_t value, int count) {
        bits |= value << used;
        for (used += count; used >= 8; used -= 8, bits >>= 8) setup += char(bits & 0xff);
    };
    put(0, 8);  // one codebook
    put(0x564342, 24), put(256, 16), put(65536, 24);  // "BCV", dimensions, entries
    put(1, 1), put(15, 5), put(65536, 17);  // ordered: every entry 16 bits long
    put(2, 4), put(0, 64), put(0, 4), put(0, 1);  // one-bit values, as many as entries x dimensions
    put(0, 7);

    const Bytes tone = Of(datagen::encodeVorbis(Tone(441, 8000, 8000, 1), 0.4f, 8000));
    Bytes packets[] = {tone.substr(27 + uint8_t(tone[26]), 30),
                       Bytes("\x03vorbis", 7) + Bytes(8, '\0') + '\x01', setup};
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    Bytes file;
    for (Bytes& bytes : packets) {
        ogg_packet packet{reinterpret_cast<unsigned char*>(&bytes[0]), long(bytes.size()),
                          &bytes == packets, 0, 0, &bytes - packets};
        ogg_stream_packetin(&stream, &packet);
        ogg_page page;
        while (ogg_stream_flush(&stream, &page))
            file += Bytes(reinterpret_cast<char*>(page.header), page.header_len) +
                    Bytes(reinterpret_cast<char*>(page.body), page.body_len);
    }
    ogg_stream_clear(&stream);

    const pid_t child = fork();
    if (child == 0) {
        rusage before, after;
        getrusage(RUSAGE_SELF, &before);
        const bool decoded = Decode(LoadOGG, file).format != kNull;
        getrusage(RUSAGE_SELF, &after);
        _exit(decoded ? 255 : int(std::min(254L, (after.ru_maxrss - before.ru_maxrss) / 1024)));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_LT(WEXITSTATUS(status), 16) << "megabytes grown by, or 255 when it decoded";
}

// Files others made decode to what their headers declare: a canonical 44-byte WAVE header, or an
// Ogg Vorbis identification header with the length as the last page's granule position. WAVE data
// comes through byte for byte.
TEST(Decoders, RealFilesDecodeAsTheirHeadersDeclare) {
    const std::pair<const char*, Loader> sources[] = {
        {"/usr/share/sounds/alsa", LoadWAV}, {"/usr/share/sounds/freedesktop/stereo", LoadOGG}};
    for (const auto& [dir, loader] : sources) {
        int files = 0;
        std::error_code missing;
        for (const auto& entry : std::filesystem::directory_iterator(dir, missing)) {
            SCOPED_TRACE(entry.path());
            const Bytes raw = ReadFile(entry.path());
            Format declared;
            if (loader == LoadWAV) {
                const int channels = uint8_t(raw[22]), bytes = uint8_t(raw[34]) / 8;
                declared = {LeU32(raw, 40) / (channels * bytes), channels, bytes, LeU32(raw, 24)};
            } else {
                const size_t id = 27 + uint8_t(raw[26]), last = raw.rfind("OggS");
                ASSERT_EQ(raw.compare(id, 7, "\x01vorbis"), 0);
                declared = {LeU32(raw, last + 6), uint8_t(raw[id + 11]), 2, LeU32(raw, id + 12)};
            }
            const Decoded d = Decode(loader, raw);
            EXPECT_EQ(d.format, declared);
            EXPECT_TRUE(loader != LoadWAV || d.data == raw.substr(44));
            ++files;
        }
        EXPECT_GT(files, 0) << dir << " is missing (tools/setup-debian.sh)";
    }
}
