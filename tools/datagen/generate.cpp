// Assembles the data tree from the picture sheets, sounds and music, and the
// contact sheet that shows all pictures together. Relies on sheets.h,
// sounds.h, music.h and pixel_font.h.
#include "tools/datagen/generate.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tools/datagen/music.h"
#include "tools/datagen/pixel_font.h"
#include "tools/datagen/preview.h"
#include "tools/datagen/sheets.h"
#include "tools/datagen/sounds.h"

namespace datagen {

namespace {

constexpr int kDrumKits = 4, kDrumsPerKit = 8;
constexpr int kLeads = 3, kAccompaniments = 3, kBasses = 4;
// Vorbis quality for the tune: transparent enough for synthesised sound at
// about 100 kbit/s.
constexpr float kTuneQuality = 0.3f;
const int kEffectNumbers[] = {1, 2, 3, 95, 96, 98, 99};

struct Variant {
    int scale;
    const char* suffix;
};
constexpr Variant kVariants[] = {{1, ""}, {2, "-hd"}, {4, "-hd2"}};

// Measures the thread's CPU time between laps, so that other work on a
// shared machine does not count.
class StageClock {
public:
    explicit StageClock(std::vector<StageTime>* out) : out_(out), last_(now()) {}
    void lap(const char* stage) {
        if (!out_) return;
        double t = now();
        out_->push_back({stage, t - last_});
        last_ = t;
    }

private:
    static double now() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    }
    std::vector<StageTime>* out_;
    double last_;
};

std::string effectPath(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "sfx/%03d.wav", n);
    return name;
}

}  // namespace

std::vector<DataFile> buildDataTree(std::vector<StageTime>* timings) {
    std::vector<DataFile> files;
    StageClock clock(timings);
    for (const SheetLayout& sheet : gameSheets()) {
        for (const Variant& v : kVariants) {
            if (!sheet.variants && v.scale != 1) continue;
            files.push_back({sheet.name + v.suffix + ".png", renderSheet(sheet, v.scale).png()});
        }
    }
    files.push_back({"glint_font.png", renderDefaultFont().png()});
    clock.lap("pictures and fonts");

    for (int n : kEffectNumbers)
        files.push_back({effectPath(n), encodeWav16(soundEffect(n))});
    clock.lap("sound effects");
    Pcm loop = plumblineLoop();
    clock.lap("tune synthesis");
    files.push_back({"sfx/plumbline.ogg", encodeVorbis(loop, kTuneQuality)});
    clock.lap("tune Vorbis encoding");

    for (const TuneSheet& tune : tuneSheets()) {
        int w = 0, h = 0;
        std::vector<uint8_t> rgb = tunePicturePixels(tune, w, h);
        files.push_back({"tunes/" + tune.name + ".png", encodePng(rgb, w, h, 3)});
    }
    clock.lap("tune pictures");
    for (int kit = 1; kit <= kDrumKits; ++kit) {
        for (int d = 1; d <= kDrumsPerKit; ++d) {
            files.push_back({"inst/d" + std::to_string(kit) + "-" + std::to_string(d) + ".wav",
                             encodeWav16(drumSample(kit, d))});
        }
    }
    for (int i = 1; i <= kLeads; ++i)
        files.push_back(
            {"inst/lead" + std::to_string(i) + ".wav", encodeWav16(melodicSample(Voice::Lead, i))});
    for (int i = 1; i <= kAccompaniments; ++i)
        files.push_back({"inst/accompany" + std::to_string(i) + ".wav",
                         encodeWav16(melodicSample(Voice::Accompaniment, i))});
    for (int i = 1; i <= kBasses; ++i)
        files.push_back(
            {"inst/bass" + std::to_string(i) + ".wav", encodeWav16(melodicSample(Voice::Bass, i))});
    clock.lap("instrument samples");
    return files;
}

// ---- desktop icon ---------------------------------------------------------------------

std::vector<DataFile> buildIcons() {
    // The sizes desktops ask the hicolor theme for, from menus to launchers.
    constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
    constexpr int kIconBase = 32;  // the icon's drawing in base units
    std::vector<DataFile> files;
    for (int size : kIconSizes) {
        Image icon(size, size);
        Canvas canvas(icon, 0, 0, kIconBase, kIconBase, float(size) / kIconBase);
        drawAppIcon(canvas);
        std::string dim = std::to_string(size) + "x" + std::to_string(size);
        files.push_back({"hicolor/" + dim + "/apps/dropling.png", icon.png()});
    }
    return files;
}

// ---- contact sheet -------------------------------------------------------------------

std::vector<uint8_t> buildContactSheet() {
    constexpr int kMaxWidth = 1600, kGap = 12, kLabel = 14;
    struct Entry {
        std::string label;
        Image image;
        int frameW, frameH;
    };
    std::vector<Entry> entries;
    for (const SheetLayout& sheet : gameSheets()) {
        entries.push_back({sheet.name, renderSheet(sheet, 1), sheet.frameW, sheet.frameH});
    }
    Image font = renderDefaultFont();
    entries.push_back({"glint_font", font, font.width() / 96, font.height()});
    for (const TuneSheet& tune : tuneSheets()) {
        int w = 0, h = 0;
        std::vector<uint8_t> px = tunePicturePixels(tune, w, h);
        Image img(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                size_t at = (size_t(y) * size_t(w) + size_t(x)) * 3;
                img.set(x, y, rgb(px[at], px[at + 1], px[at + 2]));
            }
        entries.push_back({"tunes/" + tune.name, img, kTuneFrameSize, kTuneFrameSize});
    }
    // Mock-ups of four screens at the game's 640 x 480.
    entries.push_back({"(mock-up) play", previewPlay(), 640, 480});
    entries.push_back({"(mock-up) menu", previewMenu(), 640, 480});
    entries.push_back({"(mock-up) loading", previewLoading(), 640, 480});
    entries.push_back({"(mock-up) pause", previewPause(), 640, 480});

    // Shelf packing, widest shelves first as listed.
    struct Place {
        int x, y;
    };
    std::vector<Place> places;
    int x = kGap, y = kGap, shelf = 0, width = 0;
    for (const Entry& e : entries) {
        int w = std::max(e.image.width(), textWidth(e.label) + 2);
        if (x + w + kGap > kMaxWidth && x > kGap) {
            x = kGap;
            y += shelf + kGap;
            shelf = 0;
        }
        places.push_back({x, y});
        x += w + kGap;
        width = std::max(width, x);
        shelf = std::max(shelf, e.image.height() + kLabel);
    }
    int height = y + shelf + kGap;
    Image sheet(width, height);
    Canvas all(sheet, 0, 0, width, height, 1);
    all.wash(solid(rgb(52, 54, 64)));
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        int ox = places[i].x, oy = places[i].y + kLabel;
        drawText(all, e.label, float(ox), float(places[i].y + 2), 1, solid(rgb(255, 255, 255)));
        // A checkerboard behind each frame, alternating its tint from frame
        // to frame, shows transparency and where the frames meet.
        for (int py = 0; py < e.image.height(); ++py) {
            for (int px = 0; px < e.image.width(); ++px) {
                int frame = px / e.frameW + py / e.frameH;
                bool check = ((px / 4) + (py / 4)) % 2 == 0;
                int v = check ? 96 : 112;
                sheet.set(ox + px, oy + py, frame % 2 ? rgb(v, v, v + 24) : rgb(v + 16, v + 10, v));
            }
        }
        sheet.draw(e.image, ox, oy);
    }
    return sheet.png();
}

// ---- writing ----------------------------------------------------------------------------

void writeFiles(const std::filesystem::path& root, const std::vector<DataFile>& files) {
    for (const DataFile& f : files) {
        std::filesystem::path target = root / std::filesystem::path(f.path);
        std::filesystem::create_directories(target.parent_path());
        {
            std::ifstream in(target, std::ios::binary);
            if (in) {
                std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
                if (old == f.bytes) continue;
            }
        }
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(f.bytes.data()), std::streamsize(f.bytes.size()));
        if (!out) throw std::runtime_error("datagen: cannot write " + target.string());
    }
}

}  // namespace datagen
