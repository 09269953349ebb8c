// Tests of the WAVE reader and the Ogg Vorbis decoder: files built chunk by
// chunk, damaged at every length, fed through pipes, and real files that
// Debian packages install (alsa-utils' WAVE voices, the freedesktop sound
// theme's Ogg Vorbis sounds), checked against what their headers declare.
#include "audio/decoders.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/audio/sound_files.h"

using namespace audiotest;

namespace {

struct Decoded {
    std::unique_ptr<unsigned char, decltype(&std::free)> data{nullptr, &std::free};
    int length = -1, channels = -1, format = -1, hertz = -1;
    bool ok() const { return data != nullptr; }
    Bytes bytes() const {
        return Bytes(reinterpret_cast<const char*>(data.get()), size_t(length) * channels * format);
    }
};

using Loader = unsigned char* (*)(FILE*, int*, int*, int*, int*);

Decoded Decode(Loader loader, FILE* f) {
    Decoded d;
    if (!f) {
        ADD_FAILURE() << "could not make a stream";
        return d;
    }
    d.data.reset(loader(f, &d.length, &d.channels, &d.format, &d.hertz));
    fclose(f);
    return d;
}

Decoded DecodeWav(const Bytes& file) {
    return Decode(LoadWAV, SeekableStream(file));
}
Decoded DecodeOgg(const Bytes& file) {
    return Decode(LoadOGG, SeekableStream(file));
}

std::vector<std::string> FilesIn(const std::string& dir, const std::string& suffix) {
    std::vector<std::string> out;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() > suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                out.push_back(dir + "/" + name);
        }
        closedir(d);
    }
    return out;
}

uint32_t LeU32(const Bytes& b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}
uint16_t LeU16(const Bytes& b, size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

const Bytes kStereoPcm = PcmBytes({1, -1, 300, -300, 32767, -32768});  // 3 frames

}  // namespace

// ---------------------------------------------------------------------------
// WAVE layouts

struct WavCase {
    const char* name;
    Bytes file;
    bool loads;
    int length = 0, channels = 0, format = 0, hertz = 0;
    Bytes data = {};
};

// Every case is read from a file and from a pipe, which cannot seek: sizes
// larger than what follows must be refused either way.
TEST(LoadWav, LayoutsAcceptedAndRefusedOnFilesAndPipes) {
    const Bytes fmt16 = Chunk("fmt ", FmtPayload(1, 2, 22050, 16));
    const Bytes data = Chunk("data", kStereoPcm);
    const Bytes mono8("\x00\x7f\x80\xff\x01", 5);
    const Bytes pcm24(12, '\x55');
    const Bytes tone = PcmBytes(SineTone(440, 8000, 40000, 1, 0.5));
    const std::vector<WavCase> cases = {
        {"plain 16-bit stereo", Riff(fmt16 + data), true, 3, 2, 2, 22050, kStereoPcm},
        {"odd chunk with pad byte before data", Riff(fmt16 + Chunk("LIST", "abc") + data), true, 3,
         2, 2, 22050, kStereoPcm},
        {"even chunk before data", Riff(fmt16 + Chunk("fact", U32(3)) + data), true, 3, 2, 2, 22050,
         kStereoPcm},
        {"18-byte format chunk", Riff(Chunk("fmt ", FmtPayload(1, 2, 22050, 16) + U16(0)) + data),
         true, 3, 2, 2, 22050, kStereoPcm},
        {"8-bit mono stays unsigned",
         Riff(Chunk("fmt ", FmtPayload(1, 1, 8000, 8)) + Chunk("data", mono8)), true, 5, 1, 1, 8000,
         mono8},
        {"24-bit passes through as format 3",
         Riff(Chunk("fmt ", FmtPayload(1, 2, 44100, 24)) + Chunk("data", pcm24)), true, 2, 2, 3,
         44100, pcm24},
        {"empty data chunk", Riff(fmt16 + Chunk("data", "")), true, 0, 2, 2, 22050, ""},
        {"partial last frame is not counted", Riff(fmt16 + Chunk("data", kStereoPcm + "xy")), true,
         3, 2, 2, 22050, kStereoPcm},
        {"chunk before fmt", Riff(Chunk("LIST", "ab") + fmt16 + data), false},
        {"not RIFF", "RIFX" + Riff(fmt16 + data).substr(4), false},
        {"not WAVE", Riff(fmt16 + data).replace(8, 4, "AVI "), false},
        {"float samples", Riff(Chunk("fmt ", FmtPayload(3, 2, 22050, 32)) + data), false},
        {"extensible format", Riff(Chunk("fmt ", FmtPayload(0xfffe, 2, 22050, 16)) + data), false},
        {"no data chunk", Riff(fmt16 + Chunk("LIST", "abcd")), false},
        {"data id compared with its case", Riff(fmt16 + Chunk("DATA", kStereoPcm)), false},
        {"zero channels", Riff(Chunk("fmt ", FmtPayload(1, 0, 22050, 16)) + data), false},
        {"bits below a byte", Riff(Chunk("fmt ", FmtPayload(1, 1, 22050, 4)) + data), false},
        {"empty file", "", false},
        {"data claims 2 GiB", Riff(fmt16 + ChunkClaiming("data", 0x7fffffffu, "abcd")), false},
        {"data claims 4 GiB", Riff(fmt16 + ChunkClaiming("data", 0xffffffffu, "abcd")), false},
        {"data claims one byte more", Riff(fmt16 + ChunkClaiming("data", 7, "abcdef")), false},
        {"skipped chunk claims 4 GiB",
         Riff(fmt16 + ChunkClaiming("junk", 0xfffffffeu, "ab") + Chunk("data", "abcd")), false},
        {"format chunk claims 4 GiB",
         Riff(ChunkClaiming("fmt ", 0xffffffffu, FmtPayload(1, 2, 44100, 16)) +
              Chunk("data", "abcd")),
         false},
        // Larger than the first piece a pipe read starts with: the block grows.
        {"a long tone", SimpleWav(1, 8000, 16, tone), true, 40000, 1, 2, 8000, tone},
    };
    for (const WavCase& c : cases) {
        for (const bool pipe : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (pipe ? " through a pipe" : ""));
            ASSERT_LT(c.file.size(), size_t(kPipeBytes));
            Decoded d = Decode(LoadWAV, pipe ? PipeStream(c.file) : SeekableStream(c.file));
            ASSERT_EQ(d.ok(), c.loads);
            if (!c.loads) continue;
            EXPECT_EQ(d.length, c.length);
            EXPECT_EQ(d.channels, c.channels);
            EXPECT_EQ(d.format, c.format);
            EXPECT_EQ(d.hertz, c.hertz);
            EXPECT_EQ(d.bytes(), c.data);
        }
    }
}

TEST(LoadWav, EveryTruncationIsRefused) {
    const Bytes file = Riff(Chunk("fmt ", FmtPayload(1, 2, 22050, 16) + U16(0)) +
                            Chunk("LIST", "abc") + Chunk("data", kStereoPcm));
    ASSERT_TRUE(DecodeWav(file).ok());
    for (size_t n = 0; n < file.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(DecodeWav(file.substr(0, n)).ok());
    }
}

// ---------------------------------------------------------------------------
// Ogg Vorbis

namespace {

// What a file declares: a canonical 44-byte WAVE header, or an Ogg Vorbis
// identification header with the length as its last page's granule position.
struct Declared {
    int channels = 0, hertz = 0, format = 2;
    int64_t frames = -1;
};

Declared ReadDeclaration(const Bytes& raw) {
    Declared out;
    if (raw.compare(0, 4, "RIFF") == 0 && raw.compare(12, 4, "fmt ") == 0 &&
        raw.compare(36, 4, "data") == 0) {
        out.channels = LeU16(raw, 22);
        out.hertz = int(LeU32(raw, 24));
        out.format = LeU16(raw, 34) / 8;
        out.frames = LeU32(raw, 40) / (out.channels * out.format);
        return out;
    }
    if (raw.compare(0, 4, "OggS") != 0) return out;
    const size_t packet = 27 + uint8_t(raw[26]);
    if (raw.compare(packet, 7, "\x01vorbis") != 0) return out;
    out.channels = uint8_t(raw[packet + 11]);
    out.hertz = int(LeU32(raw, packet + 12));
    const size_t last = raw.rfind("OggS");
    out.frames = int64_t(LeU32(raw, last + 6)) | int64_t(LeU32(raw, last + 10)) << 32;
    return out;
}

double Rms(const short* s, size_t count, size_t stride) {
    double sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += double(s[i * stride]) * s[i * stride];
    return count ? std::sqrt(sum / count) : 0;
}

}  // namespace

TEST(LoadOgg, DecodesLengthChannelsRateAndSignal) {
    // The long file makes the growing block double many times; the sanitizer
    // build would report any write past its end, and its tail must still
    // carry the tone.
    struct Case {
        const char* name;
        int hertz, frames, channels;
    };
    const Case cases[] = {{"1.5 s stereo", 44100, 66150, 2},
                          {"20 s stereo", 22050, 20 * 22050, 2},
                          {"1 s mono", 8000, 8000, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Decoded d = DecodeOgg(
            EncodeVorbis(SineTone(300, c.hertz, c.frames, c.channels, 0.5), c.channels, c.hertz));
        ASSERT_TRUE(d.ok());
        EXPECT_EQ(d.length, c.frames);
        EXPECT_EQ(d.channels, c.channels);
        EXPECT_EQ(d.format, 2);
        EXPECT_EQ(d.hertz, c.hertz);
        // A sine of amplitude 0.5 has an RMS of about 0.5 / sqrt 2 of full
        // scale, here over its last second.
        const auto* pcm = reinterpret_cast<const short*>(d.data.get());
        const size_t lastSecond = size_t(c.frames - c.hertz) * c.channels;
        EXPECT_NEAR(Rms(pcm + lastSecond, size_t(c.hertz) * 9 / 10, c.channels),
                    0.5 * 32767 / std::sqrt(2.0), 1500);
    }
}

TEST(LoadOgg, DamagedHeadersGiveNullAndDamagedAudioStillDecodes) {
    // The header pages carry checksums, so damage to them is caught before
    // the Vorbis decoder, which can crash on a damaged header, reads a byte.
    // A libvorbis file has its headers on its first two pages.
    const Bytes good = EncodeVorbis(SineTone(441, 8000, 16000, 1, 0.5), 1, 8000);
    const size_t headers = good.find("OggS", good.find("OggS", 4) + 4);
    ASSERT_NE(headers, Bytes::npos);
    for (size_t at = 0; at < headers; ++at) {
        Bytes file = good;
        file[at] = char(file[at] ^ 0x5a);
        if (DecodeOgg(file).ok()) ADD_FAILURE() << "damage at byte " << at << " went unnoticed";
    }
    // A comment header whose lengths run past its packet, its checksum
    // intact: the decoder would allocate what they say (here 2 GiB for the
    // vendor string, or a negative count's worth of comments).
    const size_t second = good.find("OggS", 4);
    const size_t vendor = second + 27 + uint8_t(good[second + 26]) + 7;
    auto withComment = [&](size_t at, uint32_t value) {
        Bytes file = good;
        file.replace(at, 4, U32(value));
        return WithOggChecksums(file);
    };
    const size_t comments = vendor + 4 + LeU32(good, vendor);
    const std::vector<std::pair<const char*, Bytes>> bad = {
        {"empty", ""},
        {"not Ogg", "RIFF....WAVEfmt "},
        {"first page cut short", good.substr(0, 20)},
        {"headers cut short", good.substr(0, headers - 1)},
        {"vendor string longer than its packet", withComment(vendor, 0x7ffffff0)},
        {"negative comment count", withComment(comments, 0xfffffff0)},
        {"comment longer than its packet", withComment(comments, 1)},
        {"a WAVE file", SimpleWav(1, 8000, 16, kStereoPcm)},
    };
    for (const auto& [name, file] : bad) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(DecodeOgg(file).ok());
    }
    // The game's tune, damaged after its headers as downloads and taggers
    // damage files, decodes as far as it can.
    const Bytes tune = ReadWholeFile(DROPLING_DATA_DIR "/sfx/plumbline.ogg");
    ASSERT_GT(tune.size(), 100000u);
    Bytes flipped = tune;
    flipped[tune.size() / 2] = char(flipped[tune.size() / 2] ^ 0x5a);
    const std::vector<std::pair<const char*, Bytes>> damaged = {
        {"cut by 100 bytes", tune.substr(0, tune.size() - 100)},
        {"cut at 90%", tune.substr(0, tune.size() * 9 / 10)},
        {"a tag appended", tune + "TAG" + Bytes(125, ' ')},
        {"a byte flipped mid-file", flipped},
    };
    for (const auto& [name, file] : damaged) {
        SCOPED_TRACE(name);
        const Decoded d = DecodeOgg(file);
        ASSERT_TRUE(d.ok());
        EXPECT_GT(d.length, 0);
        EXPECT_EQ(d.channels, ReadDeclaration(tune).channels);
    }
}

// Files others made (alsa-utils' voices, the freedesktop sound theme) and
// every sound the game ships decode to what their headers declare; WAVE data
// comes through byte for byte.
TEST(Decoders, RealFilesDecodeAsTheirHeadersDeclare) {
    const struct {
        const char* dir;
        const char* suffix;
        Loader loader;
    } sources[] = {{"/usr/share/sounds/alsa", ".wav", LoadWAV},
                   {DROPLING_DATA_DIR "/sfx", ".wav", LoadWAV},
                   {DROPLING_DATA_DIR "/inst", ".wav", LoadWAV},
                   {"/usr/share/sounds/freedesktop/stereo", ".oga", LoadOGG},
                   {DROPLING_DATA_DIR "/sfx", ".ogg", LoadOGG}};
    for (const auto& source : sources) {
        const auto files = FilesIn(source.dir, source.suffix);
        ASSERT_FALSE(files.empty()) << source.dir << " is missing (tools/setup-debian.sh)";
        for (const std::string& path : files) {
            SCOPED_TRACE(path);
            const Bytes raw = ReadWholeFile(path);
            const Declared declared = ReadDeclaration(raw);
            ASSERT_GT(declared.channels, 0);
            Decoded d = Decode(source.loader, fopen(path.c_str(), "rb"));
            ASSERT_TRUE(d.ok());
            EXPECT_EQ(d.channels, declared.channels);
            EXPECT_EQ(d.hertz, declared.hertz);
            EXPECT_EQ(d.format, declared.format);
            EXPECT_EQ(d.length, declared.frames);
            if (source.loader == LoadWAV) {
                EXPECT_EQ(d.bytes(), raw.substr(44, d.bytes().size()));
            }
        }
    }
}
