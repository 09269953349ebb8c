// The sequencer's data and its loading half (zrplayer.h): configuration,
// starting a tune with its instrument choice and first arrangement, and the
// 70-step load of a tune picture and its instrument samples, spread over
// render passes. A tune picture is read by drawing each 64 x 64 frame into
// the back buffer at the start of a render pass and reading the pixels back:
// the blue byte of each pixel, shifted right by 3, is one cell field.
//
// Relies on the graphics module (images, drawing, the render device's Cls
// and ReadPixels), the sound layer (bb_audio_LoadSound), the framework's
// clock (bb_app_Millisecs) and the shared random generator.
#include <cmath>
#include <cstdint>

#include "framework/app.h"
#include "music/zrplayer.h"

namespace {

// The first row of a tune, and the first row after a load step, is due this
// long after the start or the step.
constexpr int kStartDelayMs = 100;
constexpr int kFrameSize = 64;
constexpr int kDecodedFrames = 63;  // frames 0..62; the last is never read
constexpr int kFirstFrameStep = 5;  // step 5 decodes frame 0
// Blue carries a 5-bit value in its top bits.
constexpr int kBlueMask = 255;
constexpr int kValueShift = 3;
// Draws are spent on this many discarded values after a reseed.
constexpr int kReseedSteps = 11;

// Sample steps of a load: the two drum kits, then lead, accompaniment, bass.
constexpr int kDrumsAFirstStep = 2;   // drums 1..8 of voice 0 at steps 2..9
constexpr int kDrumsBFirstStep = 12;  // drums 1..8 of voice 1 at steps 12..19
constexpr int kDrumsPerKit = 8;
constexpr int kLeadStep = 21;
constexpr int kBassStep = 23;

c_Sound* LoadDrum(int kit, int drum) {
    return bb_audio_LoadSound(String("inst/d") + String(kit) + String("-") + String(drum) +
                              String(".wav"));
}

// The melodic sample of voice 2 (lead), 3 (accompaniment) or 4 (bass).
c_Sound* LoadMelodic(int voice, int variant) {
    static const char* const kNames[] = {"inst/lead", "inst/accompany", "inst/bass"};
    return bb_audio_LoadSound(String(kNames[voice - 2]) + String(variant) + String(".wav"));
}

}  // namespace

// ===========================================================================
// construction and configuration
// ===========================================================================

c_ZRPlayer* c_ZRPlayer::m_new() {
    gc_assign(m_InstCount, Array<int>(8));
    gc_assign(m_InstChoice, Array<int>(8));
    gc_assign(m_DrumsA, Array<c_Sound*>(9));
    gc_assign(m_DrumsB, Array<c_Sound*>(9));
    gc_assign(m_Instruments, Array<c_Sound*>(8));
    gc_assign(m_TuneData, Array<int>(kTuneDataLength));
    gc_assign(m_LastPattern, Array<int>(8));
    gc_assign(m_Channel, Array<int>(8));
    gc_assign(m_Sounding, Array<int>(8));
    gc_assign(m_Pattern, Array<int>(8));
    gc_assign(m_Muted, Array<int>(8));
    gc_assign(m_LeadIn, Array<int>(8));
    gc_assign(m_NextMuted, Array<int>(8));
    gc_assign(m_Rate, Array<float>(8));
    gc_assign(m_Level, Array<float>(8));
    gc_assign(m_Volume, Array<float>(8));
    return this;
}

void c_ZRPlayer::mark() {
    gc_mark_q(m_InstCount);
    gc_mark_q(m_InstChoice);
    gc_mark_q(m_DrumsA);
    gc_mark_q(m_DrumsB);
    gc_mark_q(m_Instruments);
    gc_mark_q(m_TuneImage);
    gc_mark_q(m_TuneData);
    gc_mark_q(m_LastPattern);
    gc_mark_q(m_Channel);
    gc_mark_q(m_Sounding);
    gc_mark_q(m_Pattern);
    gc_mark_q(m_Muted);
    gc_mark_q(m_LeadIn);
    gc_mark_q(m_NextMuted);
    gc_mark_q(m_Rate);
    gc_mark_q(m_Level);
    gc_mark_q(m_Volume);
}

int c_ZRPlayer::p_ZR_Init(int firstChannel, int drumKits, int leads, int accompaniments,
                          int basses) {
    m_FirstChannel = firstChannel;
    m_InstCount[1] = drumKits;
    m_InstCount[2] = leads;
    m_InstCount[3] = accompaniments;
    m_InstCount[4] = basses;
    return 0;
}

// ===========================================================================
// random numbers
// ===========================================================================

int c_ZRPlayer::p_Rand(float lo, float hi) {
    // Single precision throughout: 0.99 widens the top bucket to almost a
    // whole unit, so hi comes up about as often as any other value.
    const float r = bb_random_Rnd();
    return static_cast<int>(std::floor(r * ((hi + 0.99f) - lo) + lo));
}

void c_ZRPlayer::Reseed(int seed, int steps) {
    bb_random_Seed = seed;
    for (int i = 0; i < steps; ++i)
        bb_random_Step();
}

int c_ZRPlayer::VoiceCount() const {
    return m_Voices < kColumns ? m_Voices : kColumns;
}

// ===========================================================================
// starting a tune
// ===========================================================================

int c_ZRPlayer::p_ZR_StartTune(String name, int seed, int tempo) {
    const String path = String("tunes/") + name + String(".png");
    m_Section = 0;
    m_Seed = seed;
    m_NextTime = bb_app_Millisecs() + kStartDelayMs;
    m_Row = 0;
    m_State = 2;
    m_Tempo = tempo;
    const int voices = VoiceCount();
    if (!(path == m_TuneName)) {
        m_LoadStep = 1;
        m_TuneName = path;
        for (int i = 0; i < voices; ++i) {
            m_LastPattern[i] = 0;
            m_Pattern[i] = 0;
        }
    }
    for (int i = 0; i < voices; ++i)
        m_Channel[i] = m_FirstChannel - 1 - i;

    // The instrument choice is drawn on every start; samples load only with
    // a new tune.
    Reseed(int(uint32_t(m_Seed) + uint32_t(m_Section)), kReseedSteps);
    m_InstChoice[1] = p_Rand(1, float(m_InstCount[1]));
    m_InstChoice[2] = p_Rand(1, float(m_InstCount[1]));
    m_InstChoice[3] = p_Rand(1, float(m_InstCount[2]));
    m_InstChoice[4] = p_Rand(1, float(m_InstCount[3]));
    m_InstChoice[5] = p_Rand(1, float(m_InstCount[4]));

    for (int i = 0; i < voices; ++i) {
        Reseed(int(uint32_t(m_Section) * 9u + uint32_t(m_Seed) + uint32_t(i) * 7u), kReseedSteps);
        m_Pattern[i] = p_Rand(0, float(m_LastPattern[i]));
        m_NextMuted[i] = p_Rand(0, 1);
        m_LeadIn[i] = p_Rand(0, 1);
        m_Muted[i] = p_Rand(0, 1);
    }
    // The two drum voices are never both silent.
    if (m_Muted[0] == 1 && m_Muted[1] == 1) m_Muted[0] = 0;
    m_PassesLeft = 2 * p_Rand(1, 2);
    m_Chords = String("qqjj");
    return 0;
}

// ===========================================================================
// loading
// ===========================================================================

int c_ZRPlayer::p_ZR_LoadChunk() {
    const int s = m_LoadStep;
    if (s >= kDrumsAFirstStep && s < kDrumsAFirstStep + kDrumsPerKit) {
        const int j = s - kDrumsAFirstStep + 1;
        gc_assign(m_DrumsA[j], LoadDrum(m_InstChoice[1], j));
    } else if (s >= kDrumsBFirstStep && s < kDrumsBFirstStep + kDrumsPerKit) {
        const int j = s - kDrumsBFirstStep + 1;
        gc_assign(m_DrumsB[j], LoadDrum(m_InstChoice[2], j));
    } else if (s >= kLeadStep && s <= kBassStep) {
        // Voices 2..4 take their variants from choice slots 3..5.
        const int voice = 2 + s - kLeadStep;
        gc_assign(m_Instruments[voice], LoadMelodic(voice, m_InstChoice[voice + 1]));
    }
    if (s == 1) {
        gc_assign(m_TuneImage, bb_graphics_LoadImage2(m_TuneName, kFrameSize, kFrameSize, kPatterns,
                                                      c_Image::ImageCentreHandle));
    }
    if (m_TuneImage && s >= kFirstFrameStep && s < kFirstFrameStep + kDecodedFrames) {
        DecodeFrame(s - kFirstFrameStep);
    }
    m_LoadStep = s + 1;
    m_NextTime = bb_app_Millisecs() + kStartDelayMs;
    if (m_LoadStep > kLoadSteps) m_LoadStep = 0;
    return 0;
}

void c_ZRPlayer::DecodeFrame(int frame) {
    // Frames are read only inside a render pass: outside one nothing would
    // be drawn, and the cells would be overwritten with whatever the back
    // buffer held.
    gxtkGraphics* device = bb_graphics_renderDevice;
    if (!device) return;
    Array<int> pixels(kFrameSize * kFrameSize);
    // A background whose blue is 0: transparent pixels read as value 0.
    device->Cls(1, 0, 0);
    bb_graphics_SetAlpha(1);
    bb_graphics_SetColor(1, 0, 0);
    bb_graphics_DrawRect(0, 0, kFrameSize, kFrameSize);
    bb_graphics_SetColor(255, 255, 255);
    // The handle is centred: (32, 32) puts the frame on (0, 0)..(63, 63).
    bb_graphics_DrawImage(m_TuneImage, kFrameSize / 2, kFrameSize / 2, frame);
    device->ReadPixels(pixels, 0, 0, kFrameSize, kFrameSize, 0, kFrameSize);

    int* cells = &m_TuneData[frame * kPatternCells];
    for (int y = 0; y < kRows; ++y) {
        for (int g = 0; g < kColumns; ++g) {
            for (int k = 0; k < kFields; ++k) {
                const int blue = pixels[y * kFrameSize + g * kFields + k] & kBlueMask;
                const int v = blue >> kValueShift;
                cells[g * kRows * kFields + y * kFields + k] = v;
                if (v != 0) m_LastPattern[g] = frame;
            }
        }
    }
}

int c_ZRPlayer::p_ZR_Alive_R() {
    for (int i = 0; i < kLoadStepsPerRender; ++i) {
        if (m_LoadStep > 0) p_ZR_LoadChunk();
    }
    // Wipes whatever the decoding drew; the game's own drawing follows.
    if (bb_graphics_renderDevice) bb_graphics_renderDevice->Cls(0, 0, 0);
    return 0;
}
