// Readers for the data tree tests. stb_image decodes PNG (the library's
// implementation comes from libstb, so only the header is included here).
#include "tests/tools/data_files.h"

#include <stb_image.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace datagen_test {

std::string dataPath(const std::string& relative) {
    return std::string(DROPLING_TEST_DATA_DIR) + "/" + relative;
}

bool readFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool loadPicture(const std::string& relative, Picture& out) {
    std::vector<uint8_t> bytes;
    if (!readFile(dataPath(relative), bytes)) return false;
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load_from_memory(bytes.data(), int(bytes.size()), &w, &h, &n, 4);
    if (!px) return false;
    out.width = w;
    out.height = h;
    out.rgba.assign(px, px + size_t(w) * size_t(h) * 4);
    stbi_image_free(px);
    return true;
}

namespace {

uint32_t le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

}  // namespace

std::string parseWave(const std::vector<uint8_t>& b, Wave& out) {
    if (b.size() < 20) return "shorter than a header";
    if (std::memcmp(b.data(), "RIFF", 4) != 0) return "no RIFF tag";
    if (std::memcmp(b.data() + 8, "WAVE", 4) != 0) return "no WAVE tag";
    if (std::memcmp(b.data() + 12, "fmt ", 4) != 0) return "the first chunk is not \"fmt \"";
    uint32_t fmtSize = le32(b.data() + 16);
    if (fmtSize < 16 || b.size() < 20 + size_t(fmtSize)) return "short format chunk";
    out.format = le16(b.data() + 20);
    out.channels = le16(b.data() + 22);
    out.rate = int(le32(b.data() + 24));
    out.bits = le16(b.data() + 34);
    size_t at = 20 + fmtSize + (fmtSize & 1);
    while (at + 8 <= b.size()) {
        uint32_t size = le32(b.data() + at + 4);
        if (std::memcmp(b.data() + at, "data", 4) == 0) {
            if (at + 8 + size > b.size()) return "data chunk runs past the end";
            if (out.bits != 16) return "not 16-bit";
            out.samples.resize(size / 2);
            for (size_t i = 0; i < out.samples.size(); ++i)
                out.samples[i] = int16_t(le16(b.data() + at + 8 + 2 * i));
            return "";
        }
        at += 8 + size + (size & 1);
    }
    return "no data chunk";
}

bool framesFit(int surfaceW, int surfaceH, int fw, int fh, int frames) {
    int x = 0, y = 0;
    for (int i = 0; i < frames; ++i) {
        if (x + fw > surfaceW) {
            y += fh;
            if (fw <= surfaceW) x = 0;
        }
        if (fw > surfaceW || y + fh > surfaceH) return false;
        x += fw;
    }
    return true;
}

void frameOrigin(int surfaceW, int fw, int fh, int index, int& x, int& y) {
    int perRow = surfaceW / fw;
    x = (index % perRow) * fw;
    y = (index / perRow) * fh;
}

}  // namespace datagen_test
