// The RIFF WAVE reader and the Ogg Vorbis decoder behind sample loading.
// Relies on the C library for streams and on libstb's stb_vorbis (compiled
// into libstb, so only its declarations are included here).
//
// The WAVE reader walks the stream once, front to back: "RIFF", "WAVE", a
// "fmt " chunk that must come first, then chunks until "data". It never
// trusts a size from the file with an allocation: a data chunk is only
// allocated once the stream is known to hold it (or, for a stream whose end
// cannot be seen, grown as the bytes actually arrive).
//
// The Ogg reader checks the header pages (their checksums, the comment
// lengths and the codebook sizes) before stb_vorbis sees the stream: the
// decoder trusts its headers and can crash on damaged ones or allocate what
// they ask, while it decodes around damage to the audio that follows.
#include "audio/decoders.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

namespace {

// Bytes read at a time when stepping over chunks we do not use.
constexpr size_t kSkipPiece = 4096;
// First allocation for a data chunk read from a stream whose length is
// unknown (a pipe); it doubles as bytes arrive, so a lying header costs at
// most twice what the stream really delivered.
constexpr size_t kFirstDataPiece = 64 * 1024;
// The longest frame a Vorbis decoder hands out, in samples per channel
// (half the largest block size the format allows).
constexpr size_t kVorbisFrameRoom = 4096;
// Audio format code of integer PCM in the "fmt " chunk.
constexpr uint16_t kWavePcm = 1;
// The "fmt " fields we read, up to bits per sample; larger chunks carry
// extensions that are skipped.
constexpr uint32_t kFmtBaseSize = 16;

bool ReadExact(FILE* file, void* dst, size_t n) {
    return fread(dst, 1, n, file) == n;
}

bool ReadU16(FILE* file, uint16_t* value) {
    unsigned char b[2];
    if (!ReadExact(file, b, 2)) return false;
    *value = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
}

bool ReadU32(FILE* file, uint32_t* value) {
    unsigned char b[4];
    if (!ReadExact(file, b, 4)) return false;
    *value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
             (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool ReadTag(FILE* file, const char* tag) {
    char b[4];
    return ReadExact(file, b, 4) && std::memcmp(b, tag, 4) == 0;
}

// Steps over n bytes by reading them, so that it works on any stream and a
// skip past the end shows up as a short read.
bool Skip(FILE* file, uint64_t n) {
    unsigned char scratch[kSkipPiece];
    while (n > 0) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(n, sizeof scratch));
        if (!ReadExact(file, scratch, piece)) return false;
        n -= piece;
    }
    return true;
}

// Bytes between the stream position and its end, or -1 when the stream
// cannot seek.
long long BytesLeft(FILE* file) {
    off_t here = ftello(file);
    if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return -1;
    off_t end = ftello(file);
    if (fseeko(file, here, SEEK_SET) != 0 || end < here) return -1;
    return static_cast<long long>(end - here);
}

// Reads the payload of a data chunk into a new malloc'd block, or returns
// null when the stream cannot supply all `size` bytes.
unsigned char* ReadDataBlock(FILE* file, uint32_t size) {
    long long left = BytesLeft(file);
    if (left >= 0 && size > static_cast<unsigned long long>(left)) return nullptr;
    size_t capacity = left >= 0 ? size : std::min<size_t>(size, kFirstDataPiece);
    // One byte at least, so that an empty data chunk is a valid empty sample.
    auto* block = static_cast<unsigned char*>(std::malloc(std::max<size_t>(capacity, 1)));
    if (!block) return nullptr;
    size_t got = 0;
    while (got < size) {
        if (got == capacity) {
            capacity = std::min<size_t>(capacity * 2, size);
            auto* grown = static_cast<unsigned char*>(std::realloc(block, capacity));
            if (!grown) break;
            block = grown;
        }
        size_t n = fread(block + got, 1, capacity - got, file);
        if (n == 0) break;
        got += n;
    }
    if (got < size) {
        std::free(block);
        return nullptr;
    }
    return block;
}

}  // namespace

// ===========================================================================
// RIFF WAVE
// ===========================================================================

unsigned char* LoadWAV(FILE* file, int* length, int* channels, int* format, int* hertz) {
    if (!ReadTag(file, "RIFF") || !Skip(file, 4) || !ReadTag(file, "WAVE") ||
        !ReadTag(file, "fmt ")) {
        return nullptr;
    }

    uint32_t fmtSize = 0, rate = 0;
    uint16_t audioFormat = 0, chans = 0, bits = 0;
    if (!ReadU32(file, &fmtSize) || !ReadU16(file, &audioFormat) || audioFormat != kWavePcm ||
        !ReadU16(file, &chans) || !ReadU32(file, &rate) ||
        !Skip(file, 6) /* byte rate, block align */ || !ReadU16(file, &bits)) {
        return nullptr;
    }
    if (fmtSize > kFmtBaseSize && !Skip(file, fmtSize - kFmtBaseSize)) return nullptr;

    const int bytesPerSample = bits / 8;
    // Without channels or whole bytes per sample there is no frame size to
    // divide the data by.
    if (chans == 0 || bytesPerSample == 0) return nullptr;

    for (;;) {
        // Any short read here means the stream ended (or failed) before a
        // readable "data" chunk: nothing further can be found.
        char id[4];
        uint32_t size = 0;
        if (!ReadExact(file, id, 4) || !ReadU32(file, &size)) return nullptr;

        if (std::memcmp(id, "data", 4) == 0) {
            // Lengths are ints; a larger chunk is no sound this program can hold.
            if (size > static_cast<uint32_t>(INT_MAX)) return nullptr;
            unsigned char* data = ReadDataBlock(file, size);
            if (!data) return nullptr;
            *length = static_cast<int>(size / (static_cast<uint32_t>(chans) * bytesPerSample));
            *channels = chans;
            // Samples that are not whole bytes (12 or 20 bits) have no format
            // a sound can be played in: 0 keeps the sample silent instead of
            // letting it pass for 8- or 16-bit data.
            *format = bits % 8 == 0 ? bytesPerSample : 0;
            *hertz = static_cast<int>(std::min<uint32_t>(rate, INT_MAX));
            return data;
        }
        // RIFF pads every odd-sized chunk to an even length.
        if (!Skip(file, static_cast<uint64_t>(size) + (size & 1))) return nullptr;
    }
}

// ===========================================================================
// Ogg Vorbis
// ===========================================================================

namespace {

// An Ogg page: "OggS", version, flags, granule position, serial, sequence,
// CRC, the number of lacing values, then the lacing table and the body.
constexpr size_t kOggHeaderBytes = 27;
constexpr size_t kOggCrcOffset = 22;
constexpr size_t kOggMaxPageBytes = kOggHeaderBytes + 255 + 255 * 255;

// The page checksum: CRC-32 with polynomial 0x04c11db7, most significant bit
// first, starting from 0, over the page with its own CRC field taken as 0.
uint32_t OggCrc(const unsigned char* bytes, size_t count) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < count; ++i) {
        const bool inCrcField = i >= kOggCrcOffset && i < kOggCrcOffset + 4;
        crc = (crc << 8) ^ table[((crc >> 24) ^ (inCrcField ? 0 : bytes[i])) & 0xff];
    }
    return crc;
}

// The packets at the start of a Vorbis stream that the decoder parses as
// headers: identification, comment and setup.
constexpr int kVorbisHeaderPackets = 3;
constexpr int kVorbisCommentPacket = 1;
constexpr int kVorbisSetupPacket = 2;
// A comment header's type byte and "vorbis" come before its first length.
constexpr size_t kVorbisPacketTagBytes = 7;

uint32_t LeU32At(const std::vector<unsigned char>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

// True when every length in a comment header (the vendor string, the number
// of comments and each comment) fits in the packet. The decoder allocates
// whatever these lengths say before it reads a byte of what they describe.
bool VorbisCommentsFit(const std::vector<unsigned char>& packet) {
    size_t at = kVorbisPacketTagBytes;
    auto field = [&](uint32_t* value) {
        if (packet.size() < at + 4) return false;
        *value = LeU32At(packet, at);
        at += 4;
        return true;
    };
    uint32_t vendor = 0, comments = 0, length = 0;
    if (!field(&vendor) || vendor > packet.size() - at) return false;
    at += vendor;
    if (!field(&comments) || comments > (packet.size() - at) / 4) return false;
    for (uint32_t i = 0; i < comments; ++i) {
        if (!field(&length) || length > packet.size() - at) return false;
        at += length;
    }
    return true;
}

// The setup header's codebooks may declare up to 2^24 entries of up to 65535
// dimensions each, and the decoder allocates and fills tables of entries x
// dimensions values from those two fields alone: a few bytes of header can
// cost gigabytes before the decoder finds the rest missing. Real encoders'
// largest books hold some tens of thousands of values (6561 entries of 8
// dimensions) and all of a file's books under 100,000, so a stream asking
// for more than these limits is refused.
constexpr uint64_t kMaxCodebookValues = uint64_t(1) << 20;
constexpr uint64_t kMaxSetupValues = uint64_t(1) << 22;

// Reads a packet's bits as the decoder does: each byte from its least
// significant bit, and zeros for good once a read runs past the end.
class PacketBits {
public:
    PacketBits(const std::vector<unsigned char>& bytes, size_t startByte)
        : bytes_(bytes), bit_(startByte * 8) {}

    uint32_t Read(int count) {
        if (bit_ + count > bytes_.size() * 8) {
            bit_ = bytes_.size() * 8;
            return 0;
        }
        uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++bit_)
            value |= uint32_t(bytes_[bit_ / 8] >> (bit_ % 8) & 1) << i;
        return value;
    }

    void Skip(uint64_t count) { bit_ = std::min<uint64_t>(bit_ + count, bytes_.size() * 8); }

private:
    const std::vector<unsigned char>& bytes_;
    uint64_t bit_;
};

// Bits needed to write n: 0 for 0, 1 for 1, 2 for 2 and 3, and so on.
int BitsFor(uint32_t n) {
    int bits = 0;
    for (; n; n >>= 1) ++bits;
    return bits;
}

// The number of values per dimension of a lattice codebook: the largest r
// with r^dimensions <= entries, found as the decoder finds it (a root taken
// in float, then one step up) so that both agree on how many bits follow;
// 0 where the decoder refuses the book. False where a power the decoder
// turns into an int, unchecked, would not fit in one.
bool LatticeValues(uint32_t entries, uint32_t dimensions, int* values) {
    const float logarithm = static_cast<float>(std::log(double(float(entries))));
    int r = static_cast<int>(std::floor(std::exp(double(logarithm / float(dimensions)))));
    const auto power = [dimensions](float base) {
        return std::floor(std::pow(double(base), double(dimensions)));
    };
    if (power(float(r) + 1) > INT_MAX) return false;
    if (power(float(r) + 1) <= entries) ++r;
    const bool exact = power(float(r) + 1) > entries && power(float(r)) <= entries;
    *values = exact ? r : 0;
    return true;
}

// True when no codebook of a setup header holds more than kMaxCodebookValues
// entries x dimensions and all of them together no more than kMaxSetupValues.
// The books are read field by field as the decoder reads them, up to where it
// would refuse the header itself.
bool VorbisCodebooksFit(const std::vector<unsigned char>& packet) {
    PacketBits bits(packet, kVorbisPacketTagBytes);
    const int books = static_cast<int>(bits.Read(8)) + 1;
    uint64_t total = 0;
    for (int book = 0; book < books; ++book) {
        if (bits.Read(8) != 0x42 || bits.Read(8) != 0x43 || bits.Read(8) != 0x56) return true;
        uint32_t dimensions = bits.Read(8);
        dimensions |= bits.Read(8) << 8;
        uint32_t entries = bits.Read(8);
        entries |= bits.Read(8) << 8;
        entries |= bits.Read(8) << 16;
        const uint64_t values = uint64_t(entries) * std::max<uint32_t>(dimensions, 1);
        total += values;
        if (values > kMaxCodebookValues || total > kMaxSetupValues) return false;
        if (dimensions == 0 && entries != 0) return true;

        if (bits.Read(1)) {  // ordered: runs of entries of each length
            uint32_t entry = 0;
            for (uint32_t length = bits.Read(5) + 1; entry < entries; ++length) {
                const uint32_t run = bits.Read(BitsFor(entries - entry));
                if (length >= 32 || run > entries - entry) return true;
                entry += run;
            }
        } else {
            const bool sparse = bits.Read(1);
            for (uint32_t entry = 0; entry < entries; ++entry)
                if ((!sparse || bits.Read(1)) && bits.Read(5) + 1 == 32) return true;
        }

        const uint32_t lookup = bits.Read(4);
        if (lookup > 2) return true;
        if (lookup == 0) continue;
        bits.Skip(64);  // the minimum and the step, as floats
        const uint32_t valueBits = bits.Read(4) + 1;
        bits.Skip(1);  // whether the values accumulate
        uint64_t lookupValues = values;
        if (lookup == 1) {
            int lattice = 0;
            if (!LatticeValues(entries, dimensions, &lattice)) return false;
            lookupValues = static_cast<uint64_t>(lattice);
        }
        if (lookupValues == 0) return true;
        bits.Skip(lookupValues * valueBits);
    }
    return true;
}

// True when the stream from its current position starts with whole Ogg pages
// whose checksums hold, up to the end of the page that completes the Vorbis
// headers, the comment header's lengths fit in it and the setup header's
// codebooks are of a size encoders use; the position is left as it was. The
// decoder trusts its headers and can crash on damaged ones; damage to the
// audio pages after them it survives, decoding what it can, so those are
// left to it. A stream that cannot seek is let through unchecked.
bool OggHeadersSound(FILE* file) {
    const off_t start = ftello(file);
    if (start < 0) return true;
    std::vector<unsigned char> page(kOggMaxPageBytes);
    std::vector<unsigned char> packets[kVorbisHeaderPackets];
    int packet = 0;
    bool intact = false;
    while (packet < kVorbisHeaderPackets) {
        if (!ReadExact(file, page.data(), kOggHeaderBytes) ||
            std::memcmp(page.data(), "OggS", 4) != 0)
            break;
        const size_t lacing = page[26];
        if (!ReadExact(file, page.data() + kOggHeaderBytes, lacing)) break;
        size_t body = 0;
        for (size_t i = 0; i < lacing; ++i)
            body += page[kOggHeaderBytes + i];
        const size_t size = kOggHeaderBytes + lacing + body;
        const uint32_t stored =
            page[22] | page[23] << 8 | page[24] << 16 | uint32_t(page[25]) << 24;
        if (!ReadExact(file, page.data() + kOggHeaderBytes + lacing, body) ||
            OggCrc(page.data(), size) != stored)
            break;
        const unsigned char* segment = page.data() + kOggHeaderBytes + lacing;
        for (size_t i = 0; i < lacing && packet < kVorbisHeaderPackets; ++i) {
            const unsigned char bytes = page[kOggHeaderBytes + i];
            packets[packet].insert(packets[packet].end(), segment, segment + bytes);
            segment += bytes;
            // A segment shorter than 255 bytes ends its packet.
            if (bytes < 255) ++packet;
        }
        intact = packet == kVorbisHeaderPackets &&
                 VorbisCommentsFit(packets[kVorbisCommentPacket]) &&
                 VorbisCodebooksFit(packets[kVorbisSetupPacket]);
    }
    if (fseeko(file, start, SEEK_SET) != 0) return false;
    clearerr(file);
    return intact;
}

}  // namespace

unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* format, int* hertz) {
    if (!OggHeadersSound(file)) return nullptr;
    int error = 0;
    stb_vorbis* vorbis = stb_vorbis_open_file(file, 0, &error, nullptr);
    if (!vorbis) return nullptr;

    const stb_vorbis_info info = stb_vorbis_get_info(vorbis);
    const int chans = info.channels;
    if (chans <= 0) {
        stb_vorbis_close(vorbis);
        return nullptr;
    }

    // The block keeps room for one whole frame after every decoded frame, so
    // the decoder never has to truncate one; it doubles when room runs short.
    const size_t frameRoom = static_cast<size_t>(chans) * kVorbisFrameRoom;
    size_t capacity = frameRoom;  // in samples
    size_t used = 0;
    auto* pcm = static_cast<short*>(std::malloc(capacity * sizeof(short)));
    while (pcm) {
        int room = static_cast<int>(std::min<size_t>(capacity - used, INT_MAX));
        int frames = stb_vorbis_get_frame_short_interleaved(vorbis, chans, pcm + used, room);
        if (frames == 0) break;
        used += static_cast<size_t>(frames) * chans;
        if (capacity - used < frameRoom) {
            capacity *= 2;
            auto* grown = static_cast<short*>(std::realloc(pcm, capacity * sizeof(short)));
            if (!grown) std::free(pcm);
            pcm = grown;
        }
    }
    stb_vorbis_close(vorbis);
    if (!pcm) return nullptr;

    *length = static_cast<int>(std::min<size_t>(used / chans, INT_MAX));
    *channels = chans;
    *format = 2;
    *hertz = static_cast<int>(info.sample_rate);
    return reinterpret_cast<unsigned char*>(pcm);
}
