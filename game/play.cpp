// A game: the tube generator, one update of play (scroll, closeness, drag,
// points, gems, barriers, speed, the player), the pause request and icon,
// the game-over banner with its timer, and the rank of the score. The tube is
// generated from the shared random generator reseeded for every row, so a
// game type always gives the same tube. Relies on the drawing vocabulary,
// the controls, the effects, the sound effects and the sequencer.
#include <cmath>

#include "game/myapp.h"

namespace {

// ---- the tube's rows and the player record ----------------------------------------

constexpr int kNewestRow = 100;
// Row fields.
constexpr int kRowHue = 0, kRowWidth = 1, kRowCentre = 2, kRowGemAngle = 4, kRowGemSpin = 5,
              kRowGem = 6, kRowBarrier = 7;
constexpr float kNoGem = -1;
// Player record fields.
constexpr int kPlayerX = 1, kPlayerY = 2, kPlayerVY = 4, kPlayerMeter = 5;
constexpr float kPlayerScreenX = 64;

// Slices are 16 pixels apart; the scroll offset runs -8..8 between rows.
constexpr float kSliceSpacing = 16;
constexpr float kScrollLimit = -8;
constexpr int kFirstVisibleRowOffset = 8;
// A tube slice is 256 pixels high at width factor 1.
constexpr float kHalfHeight = 128;
// Lanes lie 64 pixels (at width factor 1) apart around the centre lane 2.
constexpr float kLaneSpacing = 64;
constexpr float kCentreLane = 2;

constexpr float kTopSpeedCap = 15.5f;
constexpr float kTopSpeedStep = 0.002f;
constexpr float kDeadSpeed = 0.2f;
constexpr float kMinSpeed = 0.2f;
// Meter points per score point.
constexpr float kMeterPerPoint = 25;
constexpr int kGemPoints = 50;
constexpr int kGemRing = 16;
constexpr int kCrashParticles = 100;
constexpr int kBannerUpdates = 90;
constexpr int kBannerFadeStart = 75;

constexpr int kImgSprites = 1, kImgTube = 2, kImgIcons = 97;
constexpr int kFramePlayer = 0, kFrameGem = 56, kFramePreview = 2;
constexpr int kSfxGem = 2, kSfxCrash = 3, kSfxPause = 98;

constexpr int kTuneSeed = 37171650;
constexpr int kTuneTempo = 100;

// The sequenced tune of each game type (1..3).
const char* SequencedTune(int gameType) {
    switch (gameType) {
        case 1: return "Meadow Run/Tune_12";
        case 2: return "Retro/Cavern Digger";
        case 3: return "Retro/PipeHopper";
        default: return nullptr;
    }
}

float* Row(c_MyApp* app, int i) { return app->m_Tube.Data() + i * c_MyApp::kTubeRowFloats; }

float RowX(const c_MyApp* app, int i) {
    return float((i - kFirstVisibleRowOffset) * int(kSliceSpacing)) + app->m_Scroll;
}

// The y of a lane at a row of centre yc and width factor w: gem lanes 0..4,
// barrier lanes 1..3, lane 2 on the centre line.
float LaneY(float yc, float w, float lane) { return yc + (lane - kCentreLane) * kLaneSpacing * w; }

}  // namespace

// ---- starting a game ------------------------------------------------------------------

int c_MyApp::p_LoadGame() {
    m_Paused = 0;
    m_Score = 0;
    m_Dead = 0;
    m_OverTimer = 0;
    m_Mode = 10;
    m_ShakeX = m_ShakeY = m_ShakeXTarget = m_ShakeYTarget = 0;

    if (bb_Wyndle_HasMusicStream == 1) p_PlayTune(String(kGameTune), 1);
    if (bb_Wyndle_HasMusic == 1) {
        if (const char* tune = SequencedTune(m_GameType))
            m_Music->p_ZR_StartTune(String(tune), kTuneSeed, kTuneTempo);
    }

    p_ResetStars(100);
    p_ResetParticles(250);
    p_ResetPlayers();

    m_GapCountdown = 25;
    m_GemsLeft = 1;
    m_GemLane = 2;
    m_BarrierSpacing = 300;
    m_BarrierCountdown = 60;
    m_TopSpeed = 8.0f;
    if (m_GameType == 2) {
        m_BarrierSpacing = 200;
        m_TopSpeed = 12.0f;
    } else if (m_GameType == 3) {
        m_BarrierSpacing = 100;
        m_TopSpeed = 16.0f;
    }

    m_TubeSeed = m_GameType * 12345;
    m_RowCount = 0;
    m_Drag = 0;
    // Rows 0..100 and the spare row 101 that the shift pulls zeros from.
    for (int i = 0; i < (kTubeRows + 1) * kTubeRowFloats; ++i)
        m_Tube[i] = 0;

    m_Hue = 0;
    m_TubeWidth = 1.0f;
    m_TubeCentre = 0;
    m_WidthVel = m_WidthTarget = -0.001f;
    m_DriftVel = m_DriftTarget = 0;
    m_Speed = 0;
    m_Scroll = 0;
    m_Players[kPlayerY] = bb_Wyndle_jscrh / 2;
    m_Players[kPlayerVY] = 0;

    for (int i = 0; i < kTubeRows; ++i)
        p_AddTube();
    return 0;
}

int c_MyApp::p_ResetPlayers() {
    for (int i = 0; i < 500; ++i)
        m_Players[i] = 0;
    return 0;
}

// ---- the tube generator -----------------------------------------------------------------

int c_MyApp::p_AddTube() {
    ++m_RowCount;
    --m_GapCountdown;
    bb_random_Seed = m_TubeSeed + m_RowCount;

    // Shift the rows left; row 101 is always zero. The generator steps once
    // per row moved, which the tube's sequence of draws depends on.
    float* tube = m_Tube.Data();
    for (int i = 0; i < kTubeRows * kTubeRowFloats; ++i)
        tube[i] = tube[i + kTubeRowFloats];
    for (int i = 0; i < kTubeRows; ++i)
        bb_random_Step();

    m_Hue = (m_Hue + 1) % 26;
    m_DriftVel -= (m_DriftVel - m_DriftTarget) / 6;
    m_WidthVel -= (m_WidthVel - m_WidthTarget) / 6;

    m_TubeCentre += m_DriftVel;
    const float w = m_TubeWidth + m_WidthVel;
    if (w < 0.5f) {
        m_TubeWidth = 0.5f;
        m_WidthTarget += 0.004f;
    } else {
        m_TubeWidth = w;
        if (w > 1.0f) {
            m_TubeWidth = 1.0f;
            m_WidthTarget -= 0.004f;
        }
    }
    if (bb_random_Rnd3(100) < 4) m_WidthTarget = bb_random_Rnd2(-0.004f, 0.004f);
    if (bb_random_Rnd3(100) < 4) m_DriftTarget = bb_random_Rnd2(-3, 3);

    float* row = Row(this, kNewestRow);
    row[kRowHue] = float(m_Hue);
    row[kRowWidth] = m_TubeWidth;
    row[kRowCentre] = m_TubeCentre;

    // Steer the shape back when an edge comes near the top or bottom of the
    // screen; the row just stored keeps the uncorrected centre.
    const int y = int(bb_Wyndle_jscrh / 2 + m_TubeCentre);
    const float half = kHalfHeight * m_TubeWidth;
    if (float(y) - half < 32) {
        m_DriftTarget += 0.1f;
        if (float(y) - half < 16) {
            m_DriftTarget += 0.2f;
            m_TubeCentre += 1;
        }
    }
    if (float(y) + half > bb_Wyndle_jscrh - 32) {
        m_DriftTarget -= 0.1f;
        if (float(y) + half > bb_Wyndle_jscrh - 16) {
            m_DriftTarget -= 0.2f;
            m_TubeCentre -= 1;
        }
    }

    for (int f = 3; f < kTubeRowFloats; ++f)
        row[f] = 0;
    row[kRowGem] = kNoGem;

    // Gems come in groups on every fourth row, after a gap.
    if (m_GapCountdown < 0 && m_GemsLeft > 0 && m_RowCount % 4 == 0) {
        --m_GemsLeft;
        row[kRowGemSpin] = -3;
        row[kRowGemAngle] = bb_random_Rnd2(0, 360);
        row[kRowGem] = float(m_GemLane);
        if (m_GemsLeft == 0) {
            m_GapCountdown = int(bb_random_Rnd2(40, 80));
            m_GemsLeft = int(bb_random_Rnd2(3, 5.9f));
            m_GemLane = int(bb_random_Rnd2(0, 4));
        }
    }

    // Barriers come closer together as the game goes on, down to 80 rows.
    --m_BarrierCountdown;
    if (m_BarrierCountdown < 0) {
        row[kRowBarrier] = float(int(bb_random_Rnd2(1, 3.9f)));
        const int n = m_BarrierSpacing;
        m_BarrierSpacing = n - 1 < 80 ? 80 : n - 1;
        m_BarrierCountdown = int(bb_random_Rnd2(float(n - 50), float(n)));
    }
    return 0;
}

// ---- one update of play ---------------------------------------------------------------

int c_MyApp::p_Game() {
    p_CLS2D(0, 0, 80, 1);
    m_ShakeX += (m_ShakeXTarget - m_ShakeX) / 8;
    m_ShakeY += (m_ShakeYTarget - m_ShakeY) / 8;

    p_AnalogueControl();
    p_ResetDraw();
    m_RowAdded = 0;

    if (m_Paused == 0) {
        m_Scroll -= m_Speed;
        if (m_Scroll < kScrollLimit) {
            p_AddTube();
            m_RowAdded = 1;
            m_Scroll += kSliceSpacing;
            m_TopSpeed += kTopSpeedStep;
        }
    }
    if (m_TopSpeed > kTopSpeedCap) m_TopSpeed = kTopSpeedCap;

    const float midY = bb_Wyndle_jscrh / 2;
    const float px = m_Players[kPlayerX];
    const float py = m_Players[kPlayerY];

    // The slices, and how near the player is to the centre of the slice
    // under it: 0 outside the tube up to 4 in its middle eighth.
    p_Alpha(0.9f);
    m_Closeness = 0;
    for (int i = 0; i < kTubeRows; ++i) {
        const float* row = Row(this, i);
        const float w = row[kRowWidth];
        const float x = RowX(this, i);
        const float yc = midY + row[kRowCentre];
        if (-128 < x && x < bb_Wyndle_jscrw + 128) {
            p_SetSize(2, w);
            p_DrawImg(kImgTube, x, yc, row[kRowHue]);
        }
        if (std::fabs(x - px) < 24) {
            const float d = std::fabs(yc - py);
            int c = 0;
            if (d < kHalfHeight * w) c = 1;
            if (d < 96 * w) c = 2;
            if (d < 64 * w) c = 3;
            if (d < 32 * w) c = 4;
            if (c > m_Closeness) m_Closeness = c;
        }
    }

    // Outside the tube the drag builds up; inside it wears off.
    if (m_Closeness == 0) {
        if (m_Drag < m_TopSpeed) m_Drag += 0.1f;
    } else if (m_Drag > 0) {
        m_Drag -= 0.4f;
    }
    if (m_Drag > m_TopSpeed) m_Drag = m_TopSpeed;
    if (m_Drag < 0) m_Drag = 0;

    if (m_Paused == 0) {
        if (m_RowAdded == 1 && m_Closeness > 0 && m_Dead == 0)
            m_Players[kPlayerMeter] += float(m_Closeness);
        if (m_Players[kPlayerMeter] > kMeterPerPoint) {
            m_Players[kPlayerMeter] -= kMeterPerPoint;
            m_Score += 1;
        }
    }

    // Gems, barriers and the previews of barriers four rows ahead.
    p_Alpha(1);
    for (int i = 0; i < kTubeRows; ++i) {
        float* row = Row(this, i);
        row[kRowGemAngle] = std::fmod(row[kRowGemAngle] + row[kRowGemSpin], 360.0f);
        const float x = RowX(this, i);
        if (!(-128 < x && x < bb_Wyndle_jscrw + 256)) continue;
        const float w = row[kRowWidth];
        const float yc = midY + row[kRowCentre];

        if (row[kRowGem] > -1) {
            const float gy = LaneY(yc, w, row[kRowGem]);
            p_SetSize(2, 2);
            m_DrawRot = -row[kRowGemAngle];
            p_DrawImg(kImgSprites, x, gy, kFrameGem);
            if (std::fabs(x - px) < 32 && std::fabs(gy - py) < 32 && m_Dead == 0) {
                row[kRowGem] = kNoGem;
                m_Score += kGemPoints;
                p_PlaySFX(kSfxGem, 0.7f + 0.6f * bb_random_Rnd(), 1, 0);
                const int base = int(bb_random_Rnd2(0, 360));
                for (int k = 0; k < kGemRing; ++k) {
                    const float speed = bb_random_Rnd2(3, 4);
                    const float angle = float(base) + bb_random_Rnd2(-4, 4) + 22.5f * float(k);
                    p_ThrowParticle(x, gy, 1, k % 8 + 1, angle, speed);
                }
            }
        }

        if (row[kRowBarrier] > 0) {
            const float by = LaneY(yc, w, row[kRowBarrier]);
            p_SetSize(2, 4 * w);
            m_DrawRot = 0;
            // Three animation frames, 8 apart on the sheet, 150 ms each.
            const int frame = ((bb_app_Millisecs() / 150) % 3) * 8 + 1;
            p_DrawImg(kImgSprites, x, by, float(frame));
            if (std::fabs(x - px) < 12 && std::fabs(by - py) < 50 * w + 16 && m_Dead == 0) {
                for (int k = 0; k < kCrashParticles; ++k) {
                    const float speed = bb_random_Rnd2(1, 6);
                    const float angle = bb_random_Rnd2(70, 120);
                    const int colour = int(bb_random_Rnd2(1, 5.9f));
                    const float offset = bb_random_Rnd2(-16, 32);
                    p_ThrowParticle(px - offset, py, 1, colour, angle, speed);
                }
                p_StopTune();
                p_PlaySFX(kSfxCrash, 1, 1, 0);
                m_Dead = 1;
            }
        }

        if (i + 4 <= kNewestRow) {
            const float ahead = Row(this, i + 4)[kRowBarrier];
            if (ahead > 0) {
                p_Alpha(0.5f);
                p_SetSize(2, 3 * w);
                p_DrawImg(kImgSprites, x, LaneY(yc, w, ahead), kFramePreview);
                p_Alpha(1);
            }
        }
    }

    // The tube eases toward the speed the drag leaves; a lost game crawls.
    float target = m_TopSpeed - m_Drag;
    if (target < kMinSpeed) target = kMinSpeed;
    if (target > m_TopSpeed) target = m_TopSpeed;
    if (m_Dead != 0) target = kDeadSpeed;
    if (m_Speed < target)
        m_Speed += 0.03f;
    else if (m_Speed > target)
        m_Speed -= 0.07f;
    if (std::fabs(m_Speed - target) <= 0.01f) m_Speed = target;

    // The player, tilted by its vertical speed and pushed back from the
    // screen's top and bottom edges.
    float vy = m_Players[kPlayerVY];
    p_SetSize(2, 2);
    m_DrawRot = -(vy * 4);
    m_Players[kPlayerX] = kPlayerScreenX;
    float y = m_Players[kPlayerY];
    if (m_Dead == 0) p_DrawImg(kImgSprites, kPlayerScreenX, y, kFramePlayer);
    y += vy;
    const float h = bb_Wyndle_jscrh;
    if (y < 16) y += 4;
    if (y < 24) y += 2;
    if (y < 32) y += 1;
    if (y > h - 16) y -= 4;
    if (y > h - 24) y -= 2;
    if (y > h - 32) y -= 1;
    m_Players[kPlayerY] = y;

    if (vy > 0)
        vy = vy > 0.2f ? vy - 0.2f : 0;
    else if (vy < 0)
        vy = vy < -0.2f ? vy + 0.2f : 0;
    m_Thrusting = 0;
    bool pointerSteered = false;
    if (m_PointerDown > 0 && m_TouchLock == 0) {
        vy += m_Steer;
        m_Thrusting = 1;
        pointerSteered = true;
    }
    if (p_PlayKey(0, 0, 0) || p_PlayKey(8, 0, 0)) {
        vy += 0.5f * m_Steer;
        m_Thrusting = 1;
    } else if (!pointerSteered) {
        vy += 0.7f * m_Steer;
    }
    if (vy > 8) vy = 8;
    if (vy < -8) vy = -8;
    m_Players[kPlayerVY] = vy;

    p_DoStars(m_Paused == 0 ? -m_Speed : 0, 0);
    p_DoParticles();

    m_ShownScore -= (m_ShownScore - m_Score) / 6;
    if (std::abs(m_ShownScore - m_Score) <= 5) m_ShownScore = m_Score;

    if (m_HideHud == 0) {
        p_SetSize(2, 2);
        p_SetCol(100, 255, 100, 0.8f);
        p_Text(bb_Wyndle_jscrw / 2, 32, p_rstr(m_ShownScore, 8, String("0")), 1, 1);
    }
    return 0;
}

// ---- pause request and icon ---------------------------------------------------------

int c_MyApp::p_InGame() {
    p_ResetDraw();
    m_MenuSlide = -32;

    if (p_PlayKeyAll(99, 0) > 0 && m_Paused == 0 && m_InputLatch == 0) {
        m_InputLatch = 1;
        m_Paused = 1;
        m_PauseFade = 1;
        m_PauseSel = 0;
        p_PlaySFX(kSfxPause, 1, 0.5f, 0);
    }

    if (m_HideHud == 0) {
        // p_Button sets m_Hover when a touch presses the icon.
        if (p_Button(kImgIcons, 16, 16, 0) == 1 && m_Paused == 0) {
            m_Paused = 1;
            m_PauseFade = 1;
            m_TouchLock = 1;
            m_PauseSel = 0;
            p_PlaySFX(kSfxPause, 1, 0.5f, 0);
        }
    }

    if (m_Paused == 1) p_PauseMenu();
    return 0;
}

// ---- the game-over banner -----------------------------------------------------------

int c_MyApp::p_GameOver() {
    if (m_OverTimer >= 1) {
        const float W = bb_Wyndle_jscrw, H = bb_Wyndle_jscrh;
        p_ResetDraw();
        float shade = float(m_OverTimer) / 40;
        if (shade > 0.7f) shade = 0.7f;
        p_SetCol(0, 0, 0, shade);
        p_Rect(-1, -1, W + 2, H + 2);

        // The two words slide in from the top and the bottom.
        int y1 = m_OverTimer * 12;
        const int y1Max = int(0.45f * H);
        if (y1 > y1Max) y1 = y1Max;
        p_SetCol(255, 255, 0, 0.5f);
        p_Rect(-1, 0.45f * H - 8, float(2 * y1), 16);
        p_SetCol(255, 128, 0, 0.5f);
        p_Rect(W - float(2 * y1), 0.55f * H - 8, float(2 * y1 + 1), 16);
        p_SetSize(4, 4);
        p_SetCol(255, 180, 180, 1);
        p_Text(0.35f * W, float(y1), String("GAME"), 1, 1);
        p_Text(0.65f * W, H - float(y1), String("OVER"), 1, 1);

        String rank = p_MyNth();
        if (rank.Length() > 0) {
            const float ry = H - float(y1) / 1.5f;
            p_SetCol(0, 125, 255, 0.5f);
            p_Rect(0.35f * W, ry - 16, 0.3f * W, 32);
            p_SetSize(2, 2);
            p_SetCol(100, 255, 100, 1);
            p_Text(0.5f * W, ry, String("New Highscore\\n           ") + rank, 0.5f, 2);
        }
    }

    if (m_Mode == 10) {
        ++m_OverTimer;
        if (m_OverTimer == kBannerUpdates) {
            m_Mode = 2;
            m_OverTimer = kBannerFadeStart;
            m_Music->p_ZR_Stop(1);
            if (bb_Wyndle_HasMusic == 1) m_Music->p_ZR_Stop(1);
            if (bb_Wyndle_HasMusicStream == 1) p_StopTune();
        }
    } else if (m_Mode < 10) {
        m_OverTimer -= 2;
        if (m_OverTimer < 0) m_OverTimer = 0;
    }
    return 0;
}

// ---- rank and random numbers ------------------------------------------------------------

String c_MyApp::p_MyNth() {
    static const char* const kRanks[10] = {"1st!", "2nd", "3rd", "4th", "5th",
                                           "6th", "7th", "8th", "9th", "10th"};
    const int b = (m_GameType - 1) * 10;
    m_Loop = 0;
    // A game type outside the tables has no rank.
    if (b < 0 || b + 10 > m_Scores.Length()) return String();
    for (int r = 1; r <= 10; ++r) {
        if (m_Score >= m_Scores[b + r - 1]) {
            m_Loop = r;
            return String(kRanks[r - 1]);
        }
    }
    return String();
}

int c_MyApp::p_Rand(float lo, float hi) {
    return int(std::floor(bb_random_Rnd() * (hi + 0.99f - lo) + lo));
}
