// Particles, stars and the colour palette they share. Both pools are float
// arrays of c_MyApp in records of 10 floats, created with the application:
// throwing, moving and drawing never allocate, and a full particle pool
// drops what is thrown. Relies on the drawing vocabulary and the shared
// random generator.
#include <cmath>

#include "game/myapp.h"

namespace {

// Particle record fields.
constexpr int kKind = 0, kX = 1, kY = 2, kVX = 3, kVY = 4, kAngle = 5, kSpin = 6, kLife = 7,
              kColour = 8, kFrame = 9;
// Star record fields.
constexpr int kStarFrame = 0, kStarX = 1, kStarY = 2, kStarDepth = 3, kStarSpare = 4,
              kStarAngle = 5, kStarSpin = 6;

constexpr int kKindFree = 0, kKindFalling = 2, kKindNumber = 99;
constexpr int kLastImageKind = 9;
// Counts beyond this are refused by the resets, which keep the old size.
constexpr int kMaxCount = 499;
// Records that fit the pools (5100 floats each).
constexpr int kPoolRecords = 5100 / c_MyApp::kRecordFloats;
constexpr int kImgParts = 96;
// Stars leaving the screen by more than this come back on the other side.
constexpr float kStarMargin = 16;
constexpr float kDegToRad = 0.017453292f;

// The last record a loop over 0..count may touch, so a count that grew past
// the pool can never index outside it.
int LastRecord(int count) { return count < kPoolRecords ? count : kPoolRecords - 1; }

float RandomFrame() { return std::floor(bb_random_Rnd2(0, 255.99f)); }

}  // namespace

// ---- particles ----------------------------------------------------------------------

int c_MyApp::p_FreeParticle() {
    if (m_ParticleMax < 0) return -1;
    const int last = LastRecord(m_ParticleMax);
    for (int i = last; i >= 0; --i)
        if (m_Particles[i * kRecordFloats + kKind] == kKindFree) return i * kRecordFloats;
    return -1;
}

int c_MyApp::p_ThrowParticle(float x, float y, int kind, int colour, float angle, float speed) {
    if (angle == kNone) angle = bb_random_Rnd2(0, 360);
    if (speed == kNone) speed = bb_random_Rnd2(3, 8);
    const int at = p_FreeParticle();
    if (at < 0) return 0;
    float* p = m_Particles.Data() + at;
    // Angle 0 moves up, 90 right.
    const float a = angle * kDegToRad;
    p[kKind] = float(kind);
    p[kX] = x;
    p[kY] = y;
    p[kVX] = speed * std::sin(a);
    p[kVY] = -speed * std::cos(a);
    p[kAngle] = bb_random_Rnd2(0, 360);
    p[kSpin] = bb_random_Rnd2(-8, 8);
    p[kLife] = bb_random_Rnd2(0.7f, 1.3f);
    p[kColour] = float(colour);
    p[kFrame] = RandomFrame();
    return 0;
}

int c_MyApp::p_DoParticles() {
    p_ResetDraw();
    const int last = m_ParticleMax < 0 ? -1 : LastRecord(m_ParticleMax);
    for (int i = 0; i <= last; ++i) {
        float* p = m_Particles.Data() + i * kRecordFloats;
        const int kind = int(p[kKind]);
        if (kind <= kKindFree) continue;
        p[kX] += p[kVX];
        p[kY] += p[kVY];
        p[kAngle] += p[kSpin];
        m_DrawRot = kind == kKindNumber ? 0 : -p[kAngle];
        if (kind == kKindFalling) {
            p[kVX] *= 0.95f;
            p[kVY] += 0.2f;
        }
        // The life is also the alpha, so a particle fades over its last
        // hundred updates.
        p_Alpha(p[kLife] < 1 ? p[kLife] : 1);
        p_SetSize(2, 2);
        p_Ink(int(p[kColour]), 3);
        const float x = p[kX] - m_ShakeX, y = p[kY] - m_ShakeY;
        if (kind <= kLastImageKind)
            p_DrawImg(kImgParts, x, y, p[kFrame]);
        else if (kind == kKindNumber)
            p_Text(x, y, String(int(p[kFrame])), 1, 1);
        p[kLife] -= 0.01f;
        if (p[kLife] < 0) p[kKind] = kKindFree;
    }
    p_ResetDraw();
    return 0;
}

int c_MyApp::p_ResetParticles(int n) {
    if (n >= 1 && n <= kMaxCount)
        m_ParticleMax = n;
    else
        n = m_ParticleMax;
    if (n < 0) return 0;
    const int last = LastRecord(n);
    for (int i = 0; i <= last; ++i)
        m_Particles[i * kRecordFloats + kKind] = kKindFree;
    return 0;
}

// ---- stars --------------------------------------------------------------------------

int c_MyApp::p_ResetStars(int n) {
    if (n >= 1 && n <= kMaxCount)
        m_StarCount = n;
    else
        n = m_StarCount;
    if (n < 0) return 0;
    const int last = LastRecord(n);
    for (int i = 0; i <= last; ++i) {
        float* s = m_Stars.Data() + i * kRecordFloats;
        s[kStarFrame] = RandomFrame();
        s[kStarX] = bb_random_Rnd2(-8, bb_Wyndle_jscrw + 8);
        s[kStarY] = bb_random_Rnd2(-8, bb_Wyndle_jscrh + 8);
        s[kStarDepth] = bb_random_Rnd2(0.2f, 0.8f);
        s[kStarSpare] = 0;
        s[kStarAngle] = bb_random_Rnd2(0, 360);
        s[kStarSpin] = bb_random_Rnd2(-0.5f, 0.5f);
    }
    return 0;
}

int c_MyApp::p_DoStars(float dx, float dy) {
    p_ResetDraw();
    const float W = bb_Wyndle_jscrw, H = bb_Wyndle_jscrh;
    const int last = m_StarCount < 0 ? -1 : LastRecord(m_StarCount);
    for (int i = 0; i <= last; ++i) {
        float* s = m_Stars.Data() + i * kRecordFloats;
        s[kStarX] += dx * s[kStarDepth];
        s[kStarY] += dy * s[kStarDepth];

        // A star that leaves one side comes back on the other as a new star:
        // another place across the scroll, another depth and picture.
        auto renewY = [&] {
            s[kStarY] = bb_random_Rnd2(-8, H + 8);
            s[kStarDepth] = bb_random_Rnd2(0.2f, 0.8f);
            s[kStarFrame] = RandomFrame();
        };
        auto renewX = [&] {
            s[kStarX] = bb_random_Rnd2(-8, W + 8);
            s[kStarDepth] = bb_random_Rnd2(0.2f, 0.8f);
            s[kStarFrame] = RandomFrame();
        };
        if (s[kStarX] < -kStarMargin) {
            s[kStarX] += W + 2 * kStarMargin;
            renewY();
        }
        if (s[kStarX] > W + kStarMargin) {
            s[kStarX] -= W + 2 * kStarMargin;
            renewY();
        }
        if (s[kStarY] < -kStarMargin) {
            s[kStarY] += H + 2 * kStarMargin;
            renewX();
        }
        if (s[kStarY] > H + kStarMargin) {
            s[kStarY] -= H + 2 * kStarMargin;
            renewX();
        }
        s[kStarAngle] += s[kStarSpin];

        // Stars are written straight into the draw list, white, with the
        // star's depth as alpha and the normal blend.
        if (m_DrawCount >= kDrawListLimit) continue;
        float* c = m_DrawList.Data() + m_DrawCount;
        c[0] = kImgParts;
        c[1] = s[kStarX];
        c[2] = s[kStarY];
        c[3] = m_DrawRot;
        c[4] = m_DrawSX;
        c[5] = m_DrawSY;
        c[6] = s[kStarFrame];
        c[7] = s[kStarDepth];
        c[10] = c[11] = c[12] = 255;
        c[13] = 1;
        m_DrawCount += kCommandFloats;
    }
    p_ResetDraw();
    return 0;
}

// ---- palette ------------------------------------------------------------------------

int c_MyApp::p_Ink(int colour, float brightness) {
    static const float kPalette[10][3] = {
        {0.3f, 0.3f, 0.3f},  // any colour outside 1..9
        {1, 0.1f, 0.1f},     {1, 0.5f, 0.1f},   {1, 1, 0.1f},
        {0.1f, 1, 0.1f},     {0.1f, 1, 1},      {0.1f, 0.1f, 1},
        {0.5f, 0.1f, 1},     {1, 0.1f, 0.5f},   {1, 1, 1},
    };
    const float* f = kPalette[colour >= 1 && colour <= 9 ? colour : 0];
    auto channel = [&](float factor) {
        const float v = factor * brightness * 255;
        return v < 0 ? 0.0f : v > 255 ? 255.0f : v;
    };
    m_DrawR = channel(f[0]);
    m_DrawG = channel(f[1]);
    m_DrawB = channel(f[2]);
    return 0;
}
