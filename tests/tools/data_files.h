// Helpers for the data tree tests: where the build wrote the data, and
// readers for its PNG files (stb_image from Debian's libstb) and its WAV
// files (the game's own reader).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen_test {

std::string dataPath(const std::string& relative);
// The file's bytes; none when it is missing.
std::vector<uint8_t> readFile(const std::string& path);

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
    int channels = 0, rate = 0;
    std::vector<int16_t> samples;  // interleaved
};
// Reads a WAV file as the game does (RIFF WAVE, "fmt " first, integer PCM);
// false when the game's reader refuses it or its samples are not 16-bit.
bool loadWave(const std::vector<uint8_t>& bytes, Wave& out);

// Whether `frames` frames of fw x fh, laid out in rows as the image loader
// does, fall inside the surface.
bool framesFit(int surfaceW, int surfaceH, int fw, int fh, int frames);
// The top-left pixel of frame `index` in that layout.
void frameOrigin(int surfaceW, int fw, int fh, int index, int& x, int& y);

}  // namespace datagen_test
