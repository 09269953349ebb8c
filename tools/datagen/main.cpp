// dropling_datagen: writes the game's whole data tree (pictures, fonts,
// sounds, the tune, tune pictures and instrument samples) into a folder,
// and optionally the contact sheet of all pictures and the desktop icons
// (a hicolor theme tree, for installing).
//
//   dropling_datagen <data folder> [--contact-sheet <file.png>] [--icons <folder>] [--timings]
//
// --timings prints the CPU time of each stage of the work.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "tools/datagen/generate.h"

namespace {

const char* const kUsage =
    "usage: %s <data folder> [--contact-sheet <file.png>] [--icons <folder>] [--timings]\n";

}  // namespace

int main(int argc, char** argv) {
    std::string out, sheet, icons;
    bool timings = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--timings") == 0) {
            timings = true;
        } else if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc) {
            sheet = argv[++i];
        } else if (std::strcmp(argv[i], "--icons") == 0 && i + 1 < argc) {
            icons = argv[++i];
        } else if (out.empty() && argv[i][0] != '-') {
            out = argv[i];
        } else {
            std::fprintf(stderr, kUsage, argv[0]);
            return 2;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, kUsage, argv[0]);
        return 2;
    }
    try {
        // Fail before the work, not after it, when the folder cannot be made.
        std::error_code ec;
        std::filesystem::create_directories(out, ec);
        if (ec) throw std::runtime_error("datagen: cannot create " + out + ": " + ec.message());
        std::vector<datagen::StageTime> stages;
        auto files = datagen::buildDataTree(timings ? &stages : nullptr);
        datagen::writeFiles(out, files);
        std::printf("datagen: %zu files in %s\n", files.size(), out.c_str());
        double total = 0;
        for (const auto& s : stages) {
            std::printf("datagen: %-22s %8.0f ms CPU\n", s.stage.c_str(), s.milliseconds);
            total += s.milliseconds;
        }
        if (timings) std::printf("datagen: %-22s %8.0f ms CPU\n", "total", total);
        if (!sheet.empty()) {
            auto png = datagen::buildContactSheet();
            std::ofstream f(sheet, std::ios::binary | std::ios::trunc);
            f.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
            if (!f) throw std::runtime_error("datagen: cannot write " + sheet);
            std::printf("datagen: contact sheet %s\n", sheet.c_str());
        }
        if (!icons.empty()) {
            datagen::writeFiles(icons, datagen::buildIcons());
            std::printf("datagen: desktop icons in %s\n", icons.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
