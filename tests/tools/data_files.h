// Helpers for the data tree tests: where the build wrote the data, and
// readers for its PNG, WAV and Ogg files that follow the formats' own rules
// (stb_image and stb_vorbis from Debian's libstb, our own WAV parsing).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen_test {

std::string dataPath(const std::string& relative);
bool readFile(const std::string& path, std::vector<uint8_t>& out);

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // straight RGBA, rows top to bottom
    uint8_t at(int x, int y, int channel) const {
        return rgba[(size_t(y) * size_t(width) + size_t(x)) * 4 + size_t(channel)];
    }
};
// Decodes a PNG of the data tree; false when missing or undecodable.
bool loadPicture(const std::string& relative, Picture& out);

struct Wave {
    int channels = 0, rate = 0, bits = 0, format = 0;
    std::vector<int16_t> samples;  // interleaved
};
// Parses a RIFF WAVE file by the rules the game's reader applies: "RIFF",
// "WAVE", then "fmt " as the first chunk, then a "data" chunk. Returns an
// empty string on success, else what was wrong.
std::string parseWave(const std::vector<uint8_t>& bytes, Wave& out);

// Frame placement as the image loader does it for frames of fw x fh laid out
// in rows: false where a frame would fall outside the surface.
bool framesFit(int surfaceW, int surfaceH, int fw, int fh, int frames);
// The top-left pixel of frame `index` in that layout.
void frameOrigin(int surfaceW, int fw, int fh, int index, int& x, int& y);

}  // namespace datagen_test
