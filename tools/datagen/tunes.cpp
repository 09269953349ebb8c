// The sequencer's three tune pictures. Each holds a few patterns per voice
// (the arrangement picks one at random per section, and transposes the
// melodic voices with its chord letters), written here as strings in the
// tracker's own piano-keyboard letters: z s x d c v g b h n j m for steps
// 1..12, q 2 w 3 e r 5 t 6 y 7 u i 9 o 0 p [ = for 13..31, step 13 being a
// sample's own pitch. Patterns stay on one chord, because the sequencer
// moves the chord itself from pass to pass.
//
// Index: notation | Meadow Run | Cavern Digger | PipeHopper | picture
#include <stdexcept>
#include <string>

#include "tools/datagen/music.h"

namespace datagen {

const int kDrumNotes[8] = {13, 15, 17, 18, 20, 22, 24, 25};

namespace {

// ==== notation ============================================================================

constexpr int kSilence = 31;  // volume value that cuts a voice

int pianoStep(char c) {
    static const std::string kKeys = "zsxdcvgbhnjmq2w3er5t6y7ui9o0p[=";
    size_t i = kKeys.find(c);
    return i == std::string::npos ? 0 : int(i) + 1;
}

// Pads or repeats a phrase to the pattern's 64 rows.
std::string rows64(const std::string& s) {
    if (s.empty() || 64 % s.size() != 0) {
        throw std::logic_error("datagen: a pattern line must divide 64 rows: " + s);
    }
    std::string out;
    while (out.size() < 64)
        out += s;
    return out;
}

// Drum line: k kick, s snare, g ghost snare, h closed hat, o open hat,
// t low tom, T high tom, c clap, y cymbal.
TunePattern drums(const std::string& line) {
    TunePattern p{};
    std::string r = rows64(line);
    for (size_t y = 0; y < 64; ++y) {
        int drum = 0, volume = 0;
        switch (r[y]) {
            case 'k':
                drum = 1, volume = 30;
                break;
            case 's':
                drum = 2, volume = 26;
                break;
            case 'g':
                drum = 2, volume = 12;
                break;
            case 'h':
                drum = 3, volume = 15;
                break;
            case 'o':
                drum = 4, volume = 18;
                break;
            case 't':
                drum = 5, volume = 24;
                break;
            case 'T':
                drum = 6, volume = 24;
                break;
            case 'c':
                drum = 7, volume = 22;
                break;
            case 'y':
                drum = 8, volume = 20;
                break;
            default:
                break;
        }
        if (drum) p[y] = {kDrumNotes[drum - 1], volume, 0, 0};
    }
    return p;
}

// Melodic line: a piano letter starts a note at `volume`; '^' cuts the
// voice; '.' leaves it ringing.
TunePattern notes(const std::string& line, int volume) {
    TunePattern p{};
    std::string r = rows64(line);
    for (size_t y = 0; y < 64; ++y) {
        if (r[y] == '^') {
            p[y] = {0, kSilence, 0, 0};
        } else if (int step = pianoStep(r[y])) {
            p[y] = {step, volume, 0, 0};
        } else if (r[y] != '.') {
            throw std::logic_error(std::string("datagen: not a piano key: ") + r[y]);
        }
    }
    return p;
}

// Adds a pitch slide (effects 1..4) with `parameter` on rows from..to.
TunePattern& slide(TunePattern& p, int from, int to, int effect, int parameter) {
    for (int y = from; y <= to; ++y) {
        p[size_t(y)].effect = effect;
        p[size_t(y)].parameter = parameter;
    }
    return p;
}

// ==== Meadow Run: bright and bouncy, C major pentatonic ===================================

TuneSheet meadowRun() {
    TuneSheet t;
    t.name = "Meadow Run/Tune_12";
    t.voices[0] = {drums("k.......s.......k...k...s......."),
                   drums("k.......s.....k.k.......s...g..."),
                   drums("k...k...s.......k.......s...s.s.")};
    t.voices[1] = {drums("h...h...h...h...h...h...h...o..."),
                   drums("h.h.h.h.h.h.h.h.h.h.h.h.h.h.o.h."),
                   drums("y.......h...h...c.......h...h...")};
    t.voices[2] = {notes("q.......w...e...t.......e.......y...t...e...w...q...............", 24),
                   notes("t...y...t...e...w...e...t.......i.......y...t...e.......w.......", 24),
                   notes("e.e.t...e.w.q...b.......q.......e.e.t...y.t.e...w...............", 22),
                   notes("i...........y...t...........e...w...e...t...y...i...............", 24)};
    t.voices[3] = {notes("q...e...t...e...", 14), notes("q.t.e.t.q.t.e.t.", 12),
                   notes("t.......e.......q.......e.......", 14)};
    t.voices[4] = {notes("z.......z...b...z.......q...b...", 26),
                   notes("z...z...b...q...z...z...b...h...", 26),
                   notes("z.....z.......q.z.....z...b.....", 26)};
    return t;
}

// ==== Cavern Digger: dark and driving, C minor pentatonic ==================================

TuneSheet cavernDigger() {
    TuneSheet t;
    t.name = "Retro/Cavern Digger";
    t.voices[0] = {drums("k.......s...k...k.k.....s......."),
                   drums("k...k...s...k...k...k...s...s..."),
                   drums("k.......s.......k.......s.T.T.tt")};
    t.voices[1] = {drums("h.h.h.h.h.h.h.h."), drums("h.hhh.h.h.hhh.o."),
                   drums("c.......c.......c.......c...c...")};
    t.voices[2] = {notes("q.......3.......r.......t...r...3.......q...........m...q.......", 24),
                   notes("t...5...t...r...3...r...3...q...m.......q.......3...............", 24),
                   notes("q.q.3.q.r.q.t.r.3.q.m...q.......q.q.3.q.r.q.t.6.t...............", 20),
                   notes("u.......t.......6...t...r...3...q...............m.......q.......", 24)};
    t.voices[3] = {notes("q...3...t...3...", 14), notes("q.3.t.3.q.3.t.u.", 12),
                   notes("q.......r.......3.......t.......", 14)};
    t.voices[4] = {notes("z.z.z...z.z.b...z.z.z...n...b...", 26),
                   notes("z...z.z.z...b.m.z...z.z.z...q...", 26),
                   notes("z.......z.......d.......v.......", 26)};
    return t;
}

// ==== PipeHopper: quirky and springy, with pitch slides ====================================

TuneSheet pipeHopper() {
    TuneSheet t;
    t.name = "Retro/PipeHopper";
    t.voices[0] = {drums("k.....k.s.......k.....k.s...g.g."),
                   drums("k.......s.......k...k...s.s.s.s."),
                   drums("k.....k.s.....k.k.......s.......")};
    t.voices[1] = {drums("h...o...h...o...h...o...h...o..."), drums("hhh.hhh.hhh.hhh."),
                   drums("y...............h...h...h...c...")};
    TunePattern hop = notes("q...t...q...t...w...y...w...y...e...i...e...i...t.......^.......", 22);
    slide(hop, 48, 55, 1, 6);  // a springy rise at the end of the phrase
    TunePattern fall =
        notes("i.......y...t...e...w...q.......t...e...w...q...b.......^.......", 22);
    slide(fall, 48, 55, 2, 9);
    t.voices[2] = {hop, fall,
                   notes("q.w.e.t.y.t.e.w.q.w.e.t.y.i.y.t.q.w.e.t.y.t.e.w.q...........^...", 18)};
    t.voices[3] = {notes("t...e...t...e...", 12), notes("q...t...y...t...", 12),
                   notes("e.t.e.t.w.t.w.t.", 10)};
    TunePattern walk = notes("z...x...c...g...b...h...j...q...", 26);
    t.voices[4] = {notes("z...q...z...q...b...t...b...t...", 26), walk,
                   notes("z.z.....b.b.....h.h.....g.g.....", 26)};
    return t;
}

}  // namespace

std::vector<TuneSheet> tuneSheets() {
    return {meadowRun(), cavernDigger(), pipeHopper()};
}

// ==== picture =================================================================================

std::vector<uint8_t> tunePicturePixels(const TuneSheet& sheet, int& width, int& height) {
    constexpr int kFrameRows = kTunePatterns / kTuneFramesPerRow;
    width = kTuneFramesPerRow * kTuneFrameSize;
    height = kFrameRows * kTuneFrameSize;
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3, 0);
    for (int g = 0; g < kTuneVoices; ++g) {
        const auto& patterns = sheet.voices[size_t(g)];
        for (size_t p = 0; p < patterns.size(); ++p) {
            int fx = int(p % kTuneFramesPerRow) * kTuneFrameSize;
            int fy = int(p / kTuneFramesPerRow) * kTuneFrameSize;
            for (int y = 0; y < kTuneRows; ++y) {
                const TuneCell& c = patterns[p][size_t(y)];
                const int values[4] = {c.note, c.volume, c.effect, c.parameter};
                for (int k = 0; k < 4; ++k) {
                    if (values[k] < 0 || values[k] > 31) {
                        throw std::logic_error("datagen: a tune cell value is outside 0..31");
                    }
                    size_t at = (size_t(fy + y) * size_t(width) + size_t(fx + 8 * g + k)) * 3;
                    // Only blue carries data; red and green tint each voice's
                    // notes so that a person can read the picture.
                    if (k == 0 && values[k] != 0) {
                        rgb[at + 0] = uint8_t(90 + 40 * g);
                        rgb[at + 1] = uint8_t(200 - 30 * g);
                    }
                    rgb[at + 2] = uint8_t(values[k] * 8);
                }
            }
        }
    }
    return rgb;
}

}  // namespace datagen
