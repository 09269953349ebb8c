// libFuzzer target for the Ogg Vorbis reader: every input has the checksum of
// each whole Ogg page in it recomputed, so that mutations of the headers get
// past the reader's checksum guard and reach the Vorbis decoder, and is then
// handed to LoadOGG as a seekable stream. A crash, a sanitizer report, a leak
// or an allocation beyond the fuzzer's malloc limit is a finding. The decoder
// is compiled into this target (stb_vorbis_impl.c) so that the fuzzer sees
// its branches too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/decoders.h"

namespace {

constexpr size_t kPageHeaderBytes = 27;
constexpr size_t kCrcOffset = 22;

// The Ogg page checksum over `count` bytes whose CRC field is already zero.
uint32_t PageCrc(const uint8_t* bytes, size_t count) {
    uint32_t crc = 0;
    for (size_t i = 0; i < count; ++i) {
        crc ^= uint32_t(bytes[i]) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04c11db7u : crc << 1;
    }
    return crc;
}

// Gives every whole page from the start its correct checksum; stops at the
// first thing that is not a whole page.
void RepairChecksums(std::vector<uint8_t>& bytes) {
    size_t at = 0;
    while (at + kPageHeaderBytes <= bytes.size() && std::memcmp(&bytes[at], "OggS", 4) == 0) {
        const size_t lacing = bytes[at + 26];
        if (at + kPageHeaderBytes + lacing > bytes.size()) return;
        size_t size = kPageHeaderBytes + lacing;
        for (size_t i = 0; i < lacing; ++i)
            size += bytes[at + kPageHeaderBytes + i];
        if (at + size > bytes.size()) return;
        std::memset(&bytes[at + kCrcOffset], 0, 4);
        const uint32_t crc = PageCrc(&bytes[at], size);
        for (int i = 0; i < 4; ++i)
            bytes[at + kCrcOffset + i] = uint8_t(crc >> (8 * i));
        at += size;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;  // fmemopen refuses an empty buffer
    std::vector<uint8_t> bytes(data, data + size);
    RepairChecksums(bytes);
    FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
    if (!file) return 0;
    int length = -1, channels = -1, format = -1, hertz = -1;
    unsigned char* pcm = LoadOGG(file, &length, &channels, &format, &hertz);
    fclose(file);
    if (pcm) {
        if (length < 0 || channels <= 0 || format != 2) abort();
        // Every sample the shape promises must be there to read.
        const size_t count = size_t(length) * size_t(channels) * 2;
        volatile unsigned char sink = 0;
        for (size_t i = 0; i < count; ++i)
            sink = sink ^ pcm[i];
        free(pcm);
    }
    return 0;
}
