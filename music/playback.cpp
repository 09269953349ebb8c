// The sequencer's running half (zrplayer.h): the update hook and its clock,
// the row scheduler with pattern jumps and the end-of-pass and end-of-section
// arrangement, one cell applied to one voice (drums, envelope, melodic
// notes, pitch slides), and the pitch and chord tables.
//
// Relies on the sound layer's channel calls (bb_audio_*), the framework's
// clock (bb_app_Millisecs) and the shared random generator.
//
// Index: tables | hooks | rows | one cell
#include <algorithm>
#include <cstdint>

#include "framework/app.h"
#include "music/zrplayer.h"

namespace {

// After a pause the next row comes this long after the last paused update.
constexpr int kResumeDelayMs = 150;
// A due time further ahead than this belongs to a clock that started again
// from a lower value: the row is played at once.
constexpr int kClockRestartMs = 123456;
constexpr float kRowMsAtTempo1 = 8000.0f;  // one row lasts 8000 / tempo ms
constexpr int kReseedStepsPass = 16;
constexpr int kReseedStepsSection = 11;
constexpr int kChordsDrawn = 4;  // progressions 0..4; "qqzz" is never drawn

// Cell fields and values.
constexpr int kVolumeSilence = 31;
constexpr float kVolumeSteps = 29.0f;  // volume v is (v - 1) / 29
constexpr int kEffectSlideUp = 1;
constexpr int kEffectSlideDown = 2;
constexpr int kEffectFastUp = 3;
constexpr int kEffectFastDown = 4;
constexpr int kEffectEndPass = 8;
constexpr int kEffectJump = 27;
constexpr float kSlideDivisor = 180.0f;
constexpr float kFastSlideDivisor = 15.0f;
constexpr float kRateMax = 4.0f;
constexpr float kRateMin = 0.25f;

// Envelope levels: a level above 1 holds the volume, below 1 scales it.
constexpr float kLevelNote = 1.5f;
constexpr float kLevelDrum = 4.0f;
constexpr float kLevelStep = 0.1f;

constexpr float kDrumPan = 0.35f;  // radians, voice 0 left and voice 1 right
constexpr int kDrumVoices = 2;
constexpr int kLastMelodicVoice = 4;
constexpr int kLeadInFirstRow = 56;

// ==== tables ==================================================================

// Pitch steps 1..32 and their letters on a piano laid over a keyboard.
struct Pitch {
    char letter;
    float rate;
};
constexpr Pitch kPitches[32] = {
    {'z', 0.5f},   {'s', 0.5295f}, {'x', 0.561f},  {'d', 0.5945f}, {'c', 0.63f},  {'v', 0.6675f},
    {'g', 0.707f}, {'b', 0.749f},  {'h', 0.7935f}, {'n', 0.841f},  {'j', 0.891f}, {'m', 0.944f},
    {'q', 1.0f},   {'2', 1.059f},  {'w', 1.122f},  {'3', 1.189f},  {'e', 1.26f},  {'r', 1.335f},
    {'5', 1.414f}, {'t', 1.498f},  {'6', 1.587f},  {'y', 1.682f},  {'7', 1.782f}, {'u', 1.888f},
    {'i', 2.0f},   {'9', 2.118f},  {'o', 2.244f},  {'0', 2.378f},  {'p', 2.52f},  {'[', 2.67f},
    {'=', 2.828f}, {']', 2.996f},
};

// Notes of the drum voices that play drums 1..8 of the kit.
constexpr int kDrumNotes[8] = {13, 15, 17, 18, 20, 22, 24, 25};

int DrumFor(int note) {
    for (int j = 0; j < 8; ++j)
        if (kDrumNotes[j] == note) return j + 1;
    return 0;
}

struct Cell {
    int note = 0, volume = 0, effect = 0, parameter = 0;
};

}  // namespace

float c_ZRPlayer::p_GetPitch(int note) {
    if (note < 1 || note > 32) return 0;
    return kPitches[note - 1].rate;
}

float c_ZRPlayer::p_GetPitch_Alpha(int code) {
    for (const Pitch& p : kPitches)
        if (p.letter == code) return p.rate;
    return 0;
}

String c_ZRPlayer::p_ZR_GetChord(int n) {
    switch (n) {
        case 0:
            return String("qqqq");
        case 1:
            return String("qqjj");
        case 2:
            return String("qqbb");
        case 3:
            return String("qbqb");
        case 4:
            return String("qqqj");
        case 5:
            return String("qqzz");
        default:
            return String("qqjj");
    }
}

// ==== hooks ===================================================================

void c_ZRPlayer::SilenceVoices() {
    for (int i = 0; i < VoiceCount(); ++i) {
        if (m_Channel[i] > 0 && m_Sounding[i] == 1) {
            bb_audio_StopChannel(m_Channel[i]);
            m_Sounding[i] = 0;
        }
    }
}

int c_ZRPlayer::p_ZR_Stop(int flag) {
    SilenceVoices();
    if (flag == 1) m_State = 0;
    return 0;
}

int c_ZRPlayer::p_ZR_Alive_U(int paused, int enabled) {
    if (m_State == 0) SilenceVoices();
    if (m_State == 2 && paused == 0 && m_LoadStep == 0 && enabled == 1) p_ZR_MusicPlay();
    // A pause keeps pushing the next row on, so that resuming brings no
    // burst of missed rows. Disabled music does not: its missed rows are
    // caught up one per update once it is enabled again.
    if (paused == 1) m_NextTime = bb_app_Millisecs() + kResumeDelayMs;
    if (m_State == 2 && (paused == 1 || enabled == 0)) SilenceVoices();
    return 0;
}

// ==== rows ====================================================================

int c_ZRPlayer::p_ZR_MusicPlay() {
    // Measured on a 32-bit clock that may wrap: the row waits while its due
    // time lies 0..123456 ms ahead.
    const int ahead = int(uint32_t(m_NextTime) - uint32_t(bb_app_Millisecs()));
    if (ahead >= 0 && ahead <= kClockRestartMs) return 0;

    // The cell of voice v at row y of pattern p; an empty cell for a pattern
    // outside the table.
    auto cellAt = [this](int p, int v, int y) {
        Cell c;
        if (p < 0 || p >= kPatterns) return c;
        const int* f = &m_TuneData[p * kPatternCells + v * kRows * kFields + y * kFields];
        c.note = f[0];
        c.volume = f[1];
        c.effect = f[2];
        c.parameter = f[3];
        return c;
    };

    for (int i = 0; i < VoiceCount(); ++i) {
        const int p = m_Pattern[i];
        const int y = m_Row;
        Cell c = cellAt(p, i, y);
        if (c.effect == kEffectJump) {
            int to = p;
            if (c.parameter == 1 && m_PassesLeft % 2 != 0) to = p + 1;
            if (c.parameter == 2 && m_PassesLeft % 2 == 0) to = p - 1;
            // A jump that would leave the pattern table is ignored and the
            // jump cell played as an ordinary cell.
            if (to != p && to >= 0 && to < kPatterns) {
                m_Pattern[i] = to;
                c = cellAt(to, i, y);
            }
        }
        p_ZR_PlayNote(i, c.note, c.volume, c.effect, c.parameter);
        // The voices after this one read the last row; the next step plays
        // row 0.
        if (c.effect == kEffectEndPass) m_Row = kRows - 1;
    }

    // Added to the previous due time, not to now, so rows keep their
    // spacing; a tempo below 1 counts as 1.
    m_NextTime =
        int(uint32_t(m_NextTime) + uint32_t(int(kRowMsAtTempo1 / float(std::max(m_Tempo, 1)))));
    m_Row = (m_Row + 1) % kRows;
    if (m_Row != 0) return 0;

    // A pass has ended: the chord letter moves on, and a spent progression
    // is replaced by a new one.
    const uint32_t base = uint32_t(m_Section) * 9u + uint32_t(m_Seed);
    Reseed(int(base), kReseedStepsPass);
    if (m_Chords.Length() == 1) m_Chords = String(" ") + p_ZR_GetChord(p_Rand(0, kChordsDrawn));
    if (m_Chords.Length() > 1) m_Chords = m_Chords.Slice(1);
    m_PassesLeft -= 1;
    if (m_PassesLeft >= 1) return 0;

    // A section has ended: fresh patterns and mutes for every voice.
    Reseed(int(base), kReseedStepsSection);
    m_PassesLeft = 2 * p_Rand(1, 2);
    m_Section += 1;
    for (int i = 0; i < VoiceCount(); ++i) {
        Reseed(int(uint32_t(i) * 7u + uint32_t(m_Section) * 9u + uint32_t(m_Seed)),
               kReseedStepsSection);
        m_Pattern[i] = p_Rand(0, float(m_LastPattern[i]));
        m_Muted[i] = m_NextMuted[i];
        m_NextMuted[i] = p_Rand(0, 1);
        m_LeadIn[i] = p_Rand(0, 1);
    }
    if (m_Muted[0] == 1 && m_Muted[1] == 1) m_Muted[0] = 0;
    return 0;
}

// ==== one cell ================================================================

int c_ZRPlayer::p_ZR_PlayNote(int v, int note, int volume, int effect, int parameter) {
    if (v < 0 || v >= VoiceCount()) return 0;
    int mute = m_Muted[v];
    // A voice that will play in the next section may enter during the last
    // eight rows of the section's last pass.
    if (m_PassesLeft <= 1 && m_Row >= kLeadInFirstRow && m_LeadIn[v] == 1 && m_NextMuted[v] == 0)
        mute = 0;
    m_ChordRate = 1;
    if (m_Chords.Length() > 0) m_ChordRate = p_GetPitch_Alpha(m_Chords[0]);
    for (int j = 0; j < VoiceCount(); ++j)
        m_Channel[j] = m_FirstChannel - 1 - j;
    const int ch = m_Channel[v];

    if (v < kDrumVoices && note > 0 && mute == 0 && ch > 0) {
        bb_audio_StopChannel(ch);
        const int drum = DrumFor(note);
        c_Sound* sound = drum == 0 ? nullptr : (v == 0 ? m_DrumsA : m_DrumsB)[drum];
        if (sound) {
            m_Sounding[v] = 1;
            bb_audio_PlaySound(sound, ch, 0);
            bb_audio_SetChannelPan(ch, v == 0 ? -kDrumPan : kDrumPan);
        }
        m_Rate[v] = 1.0f;
        m_Level[v] = kLevelDrum;
    }

    // Volume and envelope. Volume 31 is silence: it stores volume 0, and a
    // volume value then restarts the level as any other does.
    float vf = (float(volume) - 1) / kVolumeSteps;
    if (vf > 1) {
        vf = 0;
        m_Level[v] = 0;
    } else {
        vf = std::max(vf, 0.0f);
    }
    float c;
    if (volume > 0 && ch > 0 && mute == 0) {
        m_Level[v] = kLevelNote;
        bb_audio_SetChannelVolume(ch, vf * m_MasterVolume);
        m_Volume[v] = vf;
        c = vf;
    } else {
        c = m_Volume[v];
    }
    m_Level[v] -= kLevelStep;
    bool apply = false;
    if (m_Level[v] < 0) {
        m_Level[v] = 0;
        c = 0;
        apply = true;
    } else if (m_Level[v] < 1) {
        c *= m_Level[v];
        apply = true;
    }
    if (apply && ch > 0) {
        bb_audio_SetChannelVolume(ch, c * m_MasterVolume);
        m_Volume[v] = c;
    }

    if (v >= kDrumVoices && v <= kLastMelodicVoice && note > 0 && mute == 0 && ch > 0) {
        bb_audio_StopChannel(ch);
        const float rate = p_GetPitch(note) * m_ChordRate;
        m_Rate[v] = rate;
        m_Level[v] = kLevelNote;
        bb_audio_SetChannelRate(ch, rate);
        if (m_Instruments[v]) {
            m_Sounding[v] = 1;
            bb_audio_PlaySound(m_Instruments[v], ch, m_LoopFlags);
        }
    }

    if (mute == 1 || ch <= 0) return 0;
    float& rate = m_Rate[v];
    switch (effect) {
        case kEffectSlideUp:
            rate = std::min(rate + float(parameter) / kSlideDivisor, kRateMax);
            break;
        case kEffectSlideDown:
            rate = std::max(rate - float(parameter) / kSlideDivisor, kRateMin);
            break;
        case kEffectFastUp:
            rate = std::min(rate + float(parameter) / kFastSlideDivisor, kRateMax);
            break;
        case kEffectFastDown:
            rate = std::max(rate - float(parameter) / kFastSlideDivisor, kRateMin);
            break;
        default:
            return 0;
    }
    bb_audio_SetChannelRate(ch, rate);
    return 0;
}
