// Sample-decoding benchmark: what loading the game's sounds costs, decoded
// by our readers (audio/decoders.h) and, side by side in the same process,
// by a peer: stb_vorbis's own whole-file decoder for the Ogg Vorbis tune,
// and a plain read of the whole file (the floor any WAVE reader stands on)
// for the WAVE effects and instrument samples. The two take turns round by
// round. Reports the median and worst time per load and the ratio to the
// peer. Relies on the
// decoders, libstb and the data tree the build generates.
//
// Usage: audio_load_bench <data dir> [rounds]
#include <sys/utsname.h>

#include <dirent.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

#include "audio/decoders.h"

#ifndef DROPLING_BUILD_TYPE
#define DROPLING_BUILD_TYPE "unknown"
#endif

namespace {

constexpr int kDefaultRounds = 15;

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
    std::sort(out.begin(), out.end());
    return out;
}

double Ms(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Milliseconds of each round of `ours` and of `peer`, sorted. The two take
// turns, each going first every other round, after one untimed warm-up each:
// run one after the other, whichever ran first paid for the cold caches.
std::pair<std::vector<double>, std::vector<double>> TimeSideBySide(
    int rounds, const std::function<void()>& ours, const std::function<void()>& peer) {
    ours();
    peer();
    std::vector<double> a, b;
    for (int r = 0; r < rounds; ++r) {
        if (r % 2 == 0) {
            a.push_back(Ms(ours));
            b.push_back(Ms(peer));
        } else {
            b.push_back(Ms(peer));
            a.push_back(Ms(ours));
        }
    }
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return {a, b};
}

void Report(const char* what, const std::vector<double>& ours, const std::vector<double>& peer,
            const char* peerName) {
    const double a = ours[ours.size() / 2], b = peer[peer.size() / 2];
    std::printf("%-34s ours %8.2f ms (worst %8.2f)  %-18s %8.2f ms (worst %8.2f)  ratio %.2f\n",
                what, a, ours.back(), peerName, b, peer.back(), a / b);
}

void Decode(const std::string& path, unsigned char* (*loader)(FILE*, int*, int*, int*, int*)) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) std::exit(2);
    int length, channels, format, hertz;
    unsigned char* pcm = loader(f, &length, &channels, &format, &hertz);
    std::fclose(f);
    if (!pcm) {
        std::fprintf(stderr, "audio_load_bench: cannot decode %s\n", path.c_str());
        std::exit(2);
    }
    std::free(pcm);
}

void ReadWhole(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) std::exit(2);
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::rewind(f);
    auto* bytes = static_cast<unsigned char*>(std::malloc(size_t(size) + 1));
    if (std::fread(bytes, 1, size_t(size), f) != size_t(size)) std::exit(2);
    std::fclose(f);
    std::free(bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: audio_load_bench <data dir> [rounds]\n");
        return 2;
    }
    const std::string data = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : kDefaultRounds;
    std::vector<std::string> wavs = FilesIn(data + "/sfx", ".wav");
    const std::vector<std::string> inst = FilesIn(data + "/inst", ".wav");
    wavs.insert(wavs.end(), inst.begin(), inst.end());
    const std::vector<std::string> oggs = FilesIn(data + "/sfx", ".ogg");
    if (wavs.empty() || oggs.empty()) {
        std::fprintf(stderr, "audio_load_bench: no sounds under %s\n", data.c_str());
        return 2;
    }

    utsname u{};
    uname(&u);
    std::printf("audio_load_bench: %s %s, build %s, %d rounds, median per load\n", u.nodename,
                u.machine, DROPLING_BUILD_TYPE, rounds);

    for (const std::string& ogg : oggs) {
        auto [ours, peer] = TimeSideBySide(
            rounds, [&] { Decode(ogg, LoadOGG); },
            [&] {
                int channels = 0, rate = 0;
                short* pcm = nullptr;
                if (stb_vorbis_decode_filename(ogg.c_str(), &channels, &rate, &pcm) <= 0) {
                    std::exit(2);
                }
                std::free(pcm);
            });
        Report(("Ogg " + ogg.substr(ogg.rfind('/') + 1)).c_str(), ours, peer, "stb_vorbis whole");
    }
    auto [ours, peer] = TimeSideBySide(
        rounds,
        [&] {
            for (const auto& w : wavs)
                Decode(w, LoadWAV);
        },
        [&] {
            for (const auto& w : wavs)
                ReadWhole(w);
        });
    Report(("all " + std::to_string(wavs.size()) + " WAVE files").c_str(), ours, peer,
           "plain read");
    return 0;
}
