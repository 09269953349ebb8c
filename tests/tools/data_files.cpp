// Readers for the data tree tests. stb_image decodes PNG (the library's
// implementation comes from libstb, so only the header is included here);
// the game's audio decoders read WAV.
#include "tests/tools/data_files.h"

#include <stb_image.h>

#include <cstdio>
#include <cstdlib>

#include "audio/decoders.h"
#include "tests/support/read_file.h"

namespace datagen_test {

std::string dataPath(const std::string& relative) {
    return std::string(DROPLING_TEST_DATA_DIR) + "/" + relative;
}

std::vector<uint8_t> readFile(const std::string& path) {
    const std::string bytes = ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

bool loadPicture(const std::string& relative, Picture& out) {
    int n = 0;
    unsigned char* px = stbi_load(dataPath(relative).c_str(), &out.width, &out.height, &n, 4);
    if (!px) return false;
    out.rgba.assign(px, px + size_t(out.width) * size_t(out.height) * 4);
    stbi_image_free(px);
    return true;
}

bool loadWave(const std::vector<uint8_t>& bytes, Wave& out) {
    FILE* file = fmemopen(const_cast<uint8_t*>(bytes.data()), bytes.size(), "rb");
    if (!file) return false;
    int frames = 0, format = 0;
    unsigned char* data = LoadWAV(file, &frames, &out.channels, &format, &out.rate);
    std::fclose(file);
    const auto* samples = reinterpret_cast<const int16_t*>(data);
    if (data && format == 2) out.samples.assign(samples, samples + frames * out.channels);
    std::free(data);
    return data && format == 2;
}

bool framesFit(int surfaceW, int surfaceH, int fw, int fh, int frames) {
    // Whole frames to a row, as many rows as the frames need.
    const int perRow = fw > 0 ? surfaceW / fw : 0;
    return perRow > 0 && (frames + perRow - 1) / perRow * fh <= surfaceH;
}

void frameOrigin(int surfaceW, int fw, int fh, int index, int& x, int& y) {
    int perRow = surfaceW / fw;
    x = (index % perRow) * fw;
    y = (index / perRow) * fh;
}

}  // namespace datagen_test
