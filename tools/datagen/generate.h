// The whole data tree: every file the game and its sequencer load, made in
// memory and written under one folder. Relies on the painters, sounds and
// music of this folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace datagen {

struct DataFile {
    std::string path;  // relative to the data folder, with '/' separators
    std::vector<uint8_t> bytes;
};

// CPU time spent on each part of the work, for measuring the generator.
struct StageTime {
    std::string stage;
    double milliseconds;
};

// Every file of the data tree, in a fixed order. When `timings` is given,
// the CPU time of each stage is appended to it.
std::vector<DataFile> buildDataTree(std::vector<StageTime>* timings = nullptr);

// The desktop icon in the icon theme's usual sizes, as the files of a
// theme folder: hicolor/<n>x<n>/apps/dropling.png.
std::vector<DataFile> buildIcons();

// The contact sheet: every picture at its base size on one labelled PNG,
// for reviewing the look at a glance.
std::vector<uint8_t> buildContactSheet();

// Writes files under `root`, creating folders; rewrites a file only when its
// bytes differ, so an unchanged tree keeps its timestamps. Throws
// std::runtime_error naming the file that could not be written.
void writeFiles(const std::filesystem::path& root, const std::vector<DataFile>& files);

}  // namespace datagen
