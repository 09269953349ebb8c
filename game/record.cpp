// The saved record: the options, the 256 flags and the score tables of the
// three game types, written as one line of decimal integers each followed by
// "|" and stored as the application's state string. Three sections, each
// closed by a weighted checksum; a section whose checksum fails is reset to
// its defaults on loading while the others stay loaded. Relies on the
// framework's state store (bb_app_SaveState / bb_app_LoadState) and the
// runtime's console output.
#include <cstdint>

#include "game/myapp.h"

namespace {

constexpr int kOptionCount = 25;
constexpr int kFlagWords = 8;
constexpr int kGameTypes = 3;
constexpr int kTableSize = 10;
// m_Scores: the best tables of the three types first, then the latest lists.
constexpr int kLatestBase = 30;
// Pieces of one score section: ten pairs and the checksum.
constexpr int kScorePairs = 2 * kTableSize;
constexpr int kSoundOption = 5;
constexpr int kOverscanOption = 14;
constexpr int kOverscanDefault = 64;

// Sums wrap as 32-bit signed integers: computed unsigned, read back signed.
struct Sum {
    uint32_t value = 0;
    void Add(int64_t term) { value += uint32_t(term); }
    int Get() const { return int32_t(value); }
};

void Append(String& record, int value) {
    record += String(value);
    record += String("|");
}

int Piece(const Array<String>& pieces, int index) {
    return pieces[index].ToInt();
}

void ResetOptions(c_MyApp* app) {
    for (int i = 0; i < kOptionCount; ++i)
        app->m_Options[i] = 0;
    app->m_Options[kSoundOption] = 1;
}

}  // namespace

int c_MyApp::p_Save() {
    String record;
    Sum sum;
    for (int i = 0; i < kOptionCount; ++i) {
        Append(record, m_Options[i]);
        sum.Add(int64_t(i) * m_Options[i]);
    }
    Append(record, sum.Get());

    sum = Sum();
    for (int k = 0; k < kFlagWords; ++k) {
        uint32_t word = 0;
        for (int b = 0; b < 32; ++b)
            if (m_SavedFlags[32 * k + b]) word |= uint32_t(1) << b;
        Append(record, int32_t(word));
        sum.Add(int32_t(word));
    }
    Append(record, sum.Get());

    for (int t = 0; t < kGameTypes; ++t) {
        sum = Sum();
        for (int j = 0; j < kTableSize; ++j) {
            const int best = m_Scores[kTableSize * t + j];
            const int latest = m_Scores[kTableSize * t + j + kLatestBase];
            Append(record, best);
            Append(record, latest);
            sum.Add(int64_t(j + 4) * best);
            sum.Add(int64_t(t + 3 + j) * latest);
        }
        Append(record, sum.Get());
    }

    if (bb_Wyndle_DebugMode == 1) bbPrint(record);
    bb_app_SaveState(record);
    return 0;
}

int c_MyApp::p_Load() {
    String state = bb_app_LoadState();
    if (bb_Wyndle_DebugMode == 1) bbPrint(state);
    Array<String> pieces = state.Split(String("|"));
    const int count = pieces.Length();
    int c = 0;

    // A record too short to hold the settings is not read any further: its
    // first pieces are option values, and reading them as flags or scores
    // would only load garbage.
    const bool settingsPresent = count > kOptionCount;
    if (settingsPresent) {
        Sum sum;
        for (int i = 0; i < kOptionCount; ++i) {
            m_Options[i] = Piece(pieces, i);
            sum.Add(int64_t(i) * m_Options[i]);
        }
        c = kOptionCount;
        const int stored = Piece(pieces, c);
        ++c;
        if (sum.Get() == stored) {
            bbPrint(String("Settings Loaded"));
        } else {
            bbPrint(String("Settings Checksum Invalid"));
            ResetOptions(this);
        }
    }

    // Limits hold whatever the record said, also when it held nothing.
    if (m_Options[10] < 64) m_Options[10] = 64;
    if (m_Options[11] < 64) m_Options[11] = 64;
    if (m_Options[12] < 8) m_Options[12] = 10;
    if (m_Options[kOverscanOption] < 1) m_Options[kOverscanOption] = kOverscanDefault;
    if (bb_Wyndle_isOuya == 1) {
        bb_Wyndle_overscan = m_Options[kOverscanOption];
    } else {
        m_Options[kOverscanOption] = 1;
        bb_Wyndle_overscan = 0;
    }
    if (!settingsPresent) return 0;

    if (c + kFlagWords < count) {
        Sum sum;
        for (int k = 0; k < kFlagWords; ++k) {
            const uint32_t word = uint32_t(Piece(pieces, c + k));
            for (int b = 0; b < 32; ++b)
                m_SavedFlags[32 * k + b] = ((word >> b) & 1) != 0;
            sum.Add(int32_t(word));
        }
        c += kFlagWords;
        const int stored = Piece(pieces, c);
        ++c;
        if (sum.Get() == stored) {
            bbPrint(String("Badges Loaded"));
        } else {
            bbPrint(String("Badge Checksum Invalid"));
            for (int i = 0; i < m_SavedFlags.Length(); ++i)
                m_SavedFlags[i] = false;
        }
    }

    for (int t = 0; t < kGameTypes; ++t) {
        if (c + kScorePairs >= count) continue;
        Sum sum;
        for (int j = 0; j < kTableSize; ++j) {
            const int best = Piece(pieces, c + 2 * j);
            const int latest = Piece(pieces, c + 2 * j + 1);
            m_Scores[kTableSize * t + j] = best;
            m_Scores[kTableSize * t + j + kLatestBase] = latest;
            sum.Add(int64_t(j + 4) * best);
            sum.Add(int64_t(t + 3 + j) * latest);
        }
        c += kScorePairs;
        const int stored = Piece(pieces, c);
        ++c;
        const String name = String("Highscore ") + String(t);
        if (sum.Get() == stored) {
            bbPrint(name + String(" Loaded"));
        } else {
            bbPrint(name + String(" Checksum Invalid"));
            for (int j = 0; j < kTableSize; ++j) {
                m_Scores[kTableSize * t + j] = 0;
                m_Scores[kTableSize * t + j + kLatestBase] = 0;
            }
        }
    }
    return 0;
}
