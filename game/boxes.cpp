// The option box (sound, iCade, full screen or windowed, credits) and the
// credits box (a television test card with scrolling credit lines). Both
// slide over the main menu or the pause menu; app.cpp moves their slides
// (0..30) and decides when they run. While the option box runs it holds the
// menu's latches, and it has two of its own: m_OptionKeyLatch until no
// action is held and m_OptionTouchLatch until the pointer is up, so one
// press acts once. Relies on drawing.cpp, controls.cpp, sound.cpp and the
// saved record.
#include <cmath>

#include "audio/sound.h"
#include "game/myapp.h"
#include "game/screens.h"

namespace {

constexpr int kSlideFull = 30;
constexpr int kButtons = 95;
constexpr int kTestcard = 91;
constexpr int kVeskLogo = 93;
constexpr int kLogo = 98;
constexpr int kSoundSelect = 98;
constexpr int kSoundMove = 99;
constexpr int kSoundOption = 5;
constexpr int kOverscanOption = 14;
constexpr int kOverscanMin = 1, kOverscanMax = 96, kOverscanStep = 16;
constexpr float kRowSpacing = 40;
constexpr float kCreditsRowGap = 50;

// Actions of p_PlayKey.
constexpr int kUp = 0, kLeft = 3, kRight = 5, kDown = 8;
constexpr int kFire1 = 10, kFire2 = 11, kL1 = 14, kR1 = 15;
constexpr int kBack = 99;
constexpr int kMenuActions[] = {0, 3, 5, 8, 10, 11, 12, 13, 14, 15, 99};

bool Held(c_MyApp* app, int action) {
    return app->p_PlayKeyAll(action, 1) != 0;
}

bool AnyActionHeld(c_MyApp* app) {
    for (int action : kMenuActions)
        if (Held(app, action)) return true;
    return false;
}

bool RowFireHeld(c_MyApp* app) {
    for (int action = kFire1; action <= kR1; ++action)
        if (Held(app, action)) return true;
    return false;
}

bool OptionLatchesFree(const c_MyApp* app) {
    return app->m_OptionKeyLatch == 0 && app->m_OptionTouchLatch == 0;
}

bool HasMusicSource() {
    return bb_Wyndle_HasMusic == 1 || bb_Wyndle_HasMusicStream == 1;
}

// The gear's touch box: frame size of image 95 at the current scale.
bool GearTouched(const c_MyApp* app, float x, float y) {
    if (app->m_PointerDown < 1) return false;
    const float hw = float(app->m_ImgInfo[3 * kButtons]) * app->m_ImgScale * app->m_DrawSX * 0.5f;
    const float hh =
        float(app->m_ImgInfo[3 * kButtons + 1]) * app->m_ImgScale * app->m_DrawSY * 0.5f;
    for (int i = 0; i < c_MyApp::kTouchSlots; ++i) {
        if (app->m_TouchOn[i] == 0) continue;
        const float tx = float(app->m_TouchX[i]), ty = float(app->m_TouchY[i]);
        if (x - hw < tx && tx < x + hw && y - hh < ty && ty < y + hh) return true;
    }
    return false;
}

void CloseOptions(c_MyApp* app) {
    app->m_OptionsOpen = 0;
    app->m_OptionKeyLatch = app->m_OptionTouchLatch = 1;
    app->p_PlaySFX(kSoundMove, 1, 1, 0);
    app->p_Save();
}

// A sound option outside its range reads as off.
const char* SoundRowText(c_MyApp* app) {
    int& value = app->m_Options[kSoundOption];
    if (HasMusicSource()) {
        static const char* const kTexts[] = {"Sound : Off", "Sound : SFX + Music", "Sound : SFX",
                                             "Sound : Music"};
        if (value < 0 || value > 3) value = 0;
        return kTexts[value];
    }
    if (value < 0 || value > 1) value = 0;
    return value == 0 ? "Sound : Off" : "Sound : On";
}

void CycleSound(c_MyApp* app) {
    int& value = app->m_Options[kSoundOption];
    if (HasMusicSource()) {
        value = (value + 1) % 4;
        // Effects only or nothing: the tune stops now; it starts again only
        // with the next game.
        if (value == 0 || value == 2) app->p_StopTune();
    } else {
        value = 1 - value;
    }
    app->p_PlaySFX(kSoundMove, 1, 1, 0);
}

void FlipICade(c_MyApp* app) {
    bb_Wyndle_iCadeControls = 1 - bb_Wyndle_iCadeControls;
    app->p_iCade(bb_Wyndle_iCadeControls);
    app->p_PlaySFX(kSoundMove, 1, 1, 0);
    for (int i = 0; i <= 19; ++i)
        app->m_Pad[i] = 0;
}

enum class Row { Sound, ICade, Screen, Credits };

}  // namespace

// ---- the console overscan row ----------------------------------------------------------

void DrawOverscanRow(c_MyApp* app, float y, bool ownLatches) {
    const float W = bb_Wyndle_jscrw;
    int& value = app->m_Options[kOverscanOption];
    const float barX = W * 0.6f - 132;
    constexpr float kBarW = 256, kBarH = 9;
    constexpr float kMarkerStep = 2.67f;

    app->p_ResetDraw();
    app->p_SetSize(2, c_MyApp::kNone);
    app->p_Text(W * 0.6f - 4, y, String("L1 <      Overscan      > R1"), 1, 1);
    app->p_SetSize(1, c_MyApp::kNone);
    app->p_SetCol(0, 0, 0, 0.6f);
    const bool tapped = app->p_Touch(barX, y + 16, kBarW, kBarH) != 0;
    app->p_SetCol(255, 255, 100, 1);
    app->p_Rect(barX + kMarkerStep * float(value) - 2, y + 12, 4, 17);

    if (app->m_OptionKeyLatch == 0) {
        if (Held(app, kL1)) {
            value -= kOverscanStep;
            app->m_OptionKeyLatch = 1;
        } else if (Held(app, kR1)) {
            value += kOverscanStep;
            app->m_OptionKeyLatch = 1;
        }
    }
    if (tapped && app->m_OptionTouchLatch == 0) {
        value = bb_Wyndle_overscan >= 32 ? kOverscanMin : kOverscanMax;
        app->m_OptionTouchLatch = 1;
        app->p_PlaySFX(kSoundSelect, 1, 0.5f, 0);
    }
    if (value < kOverscanMin) value = kOverscanMin;
    if (value > kOverscanMax) value = kOverscanMax;
    bb_Wyndle_overscan = value;

    if (ownLatches) {
        if (app->m_PointerDown == 0) app->m_OptionTouchLatch = 0;
        if (!Held(app, kL1) && !Held(app, kR1)) app->m_OptionKeyLatch = 0;
    }
}

// ---- the option box ------------------------------------------------------------------

int c_MyApp::p_OptionBox() {
    const float W = bb_Wyndle_jscrw, H = bb_Wyndle_jscrh;
    const float slide = float(m_OptionsSlide);
    m_TouchLock = 1;
    m_InputLatch = 1;
    // The box does not act while it slides.
    if (m_OptionsSlide != kSlideFull) m_OptionKeyLatch = m_OptionTouchLatch = 1;

    p_ResetDraw();
    p_SetCol(150, 75, 0, 0.85f);
    p_Rect(50, (kSlideFull - slide) * 24, W - 100, H);
    if (bb_Wyndle_isOuya == 1) {
        // Corner marks show where the overscan cuts the picture.
        const float o = float(bb_Wyndle_overscan);
        p_SetCol(255, 255, 255, 1);
        for (int corner = 0; corner < 4; ++corner) {
            const float x = corner % 2 == 0 ? o : W - o - 16;
            const float y = corner < 2 ? o : H - o - 16;
            p_Rect(x, corner < 2 ? y : y + 8, 16, 8);
            p_Rect(corner % 2 == 0 ? x : x + 8, y, 8, 16);
        }
    }

    // Back gear.
    m_GearSpin += 0.2f;
    const float gearX = (3 * slide - 90) * 4 + 100;
    p_ResetDraw();
    p_SetSize(m_OptionSel == 0 ? 2 : 1.5f, kNone);
    p_DrawGear(gearX, 60);
    const bool gearTouched = GearTouched(this, gearX, 60);
    p_SetSize(2, kNone);
    p_Text(gearX + 76, 60, String("<[BACK]"), 0, 1);
    if ((gearTouched || Held(this, kBack)) && OptionLatchesFree(this)) CloseOptions(this);

    // Rows.
    Row rows[4];
    int rowCount = 0;
    rows[rowCount++] = Row::Sound;
    if (bb_Wyndle_isOuya != 1) rows[rowCount++] = Row::ICade;
    rows[rowCount++] = Row::Screen;
    if (m_Paused == 0) rows[rowCount++] = Row::Credits;

    const float firstY = (kSlideFull - slide) * 24 + 130;
    if (bb_Wyndle_isOuya == 1) DrawOverscanRow(this, firstY - 36, false);
    const bool fire = RowFireHeld(this);
    float y = firstY;
    for (int r = 1; r <= rowCount; ++r) {
        const Row row = rows[r - 1];
        const bool selected = m_OptionSel == r;
        p_ResetDraw();
        bool touched;
        if (row == Row::Credits) {
            y += kCreditsRowGap - kRowSpacing;
            p_SetCol(0, selected ? 180 : 0, 160, 0.5f);
            touched = p_Touch(W - 280, y - 2, 180, 24) != 0;
        } else {
            if (selected)
                p_SetCol(0, 180, 255, 0.5f);
            else
                p_SetCol(0, 0, 160, 0.5f);
            touched = p_Touch(84, y - 2, W - 168, 24) != 0;
        }

        const char* text = "";
        switch (row) {
            case Row::Sound:
                text = SoundRowText(this);
                break;
            case Row::ICade:
                text = bb_Wyndle_iCadeControls == 1 ? "iCade : On" : "iCade : Off";
                break;
            case Row::Screen:
                text = m_Fullscreen == 0 ? "Fullscreen" : "Windowed";
                break;
            case Row::Credits:
                text = "Credits";
                break;
        }
        p_ResetDraw();
        p_SetSize(2, kNone);
        p_Text(row == Row::Credits ? W - 264 : 100, y, String(text), 0, 0);

        if ((touched || (selected && fire)) && OptionLatchesFree(this)) {
            m_OptionSel = r;
            m_OptionKeyLatch = m_OptionTouchLatch = 1;
            switch (row) {
                case Row::Sound:
                    CycleSound(this);
                    break;
                case Row::ICade:
                    FlipICade(this);
                    break;
                case Row::Screen:
                    p_PlaySFX(kSoundMove, 1, 1, 0);
                    p_FullscreenFlip();
                    break;
                case Row::Credits:
                    m_CreditsOpen = 1;
                    m_OptionsOpen = 0;
                    m_OptionKeyLatch = m_OptionTouchLatch = 0;
                    break;
            }
        }
        y += kRowSpacing;
    }

    // Keys.
    if (m_OptionKeyLatch == 0) {
        if (m_OptionSel == 0 && (Held(this, kR1) || Held(this, kFire1) || Held(this, kFire2))) {
            CloseOptions(this);
        } else if (Held(this, kUp) || Held(this, kLeft)) {
            if (m_OptionSel > 0) --m_OptionSel;
            m_OptionKeyLatch = 1;
            p_PlaySFX(kSoundMove, 1, 1, 0);
        } else if (Held(this, kDown) || Held(this, kRight)) {
            if (m_OptionSel < rowCount) ++m_OptionSel;
            m_OptionKeyLatch = 1;
            p_PlaySFX(kSoundMove, 1, 1, 0);
        }
    }

    if (m_PointerDown == 0) m_OptionTouchLatch = 0;
    if (!AnyActionHeld(this)) m_OptionKeyLatch = 0;
    return 0;
}

// ---- the credits box -----------------------------------------------------------------

namespace {

float Clamp(float v, float lo, float hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// A colour ramp channel: trunc(v) kept within 0..255.
float Ramp(float v) {
    return Clamp(std::trunc(v), 0, 255);
}

// Grid offset of a cell index from the middle, never 0, so that every cell
// flies in from outside.
int FlyOffset(int index, int count) {
    int u = index - count / 2;
    if (u <= 0) u -= 1;
    return u;
}

}  // namespace

int c_MyApp::p_CreditBox() {
    const float W = bb_Wyndle_jscrw, H = bb_Wyndle_jscrh;
    const int s = m_CreditsSlide;
    const float away = float(30 - s);
    const float fade = float(s) / 30;

    // Test card.
    const float c = W / 12 < H / 12 ? W / 12 : H / 12;
    const bool card = c > 0;
    const int nx = card ? int(W / c) : 0, ny = card ? int(H / c) : 0;
    const float x0 = W / 2 - float(nx) * c / 2, y0 = H / 2 - float(ny) * c / 2;
    const float q = s < 20 ? c * float(s) / 20 : c;
    // The ramps run across the inner cells; a card too small to have any
    // still divides by one.
    const float spanX = float(nx - 2 > 0 ? nx - 2 : 1), spanY = float(ny - 2 > 0 ? ny - 2 : 1);
    p_ResetDraw();
    for (int j = 0; card && j <= ny; ++j) {
        for (int i = 0; i <= nx; ++i) {
            const int u = FlyOffset(i, nx), v = FlyOffset(j, ny);
            const float cx = x0 + float(i) * c + away * float(u * std::abs(u));
            const float cy = y0 + float(j) * c + away * float(v * std::abs(v));
            const float left = cx - q / 2, top = cy - q / 2;
            const bool outerX = i == 0 || i == nx, outerY = j == 0 || j == ny;
            const bool outer = outerX || outerY;
            if (outer)
                p_SetCol(0, 0, 0, fade);
            else
                p_SetCol(255, 255, 255, fade);
            p_Rect(left, top, q + 1, q + 1);
            if (!outer) {
                p_SetCol(128, 128, 128, fade);
                // The squares of the last inner row join into one bar.
                if (j == ny - 1 && i >= 4 && i <= nx - 4)
                    p_Rect(left - 6, top + 2, q + 24, q - 4);
                else if (j == ny - 1 && i == nx - 3)
                    p_Rect(left - 6, top + 2, q + 4, q - 4);
                else
                    p_Rect(left + 2, top + 2, q - 4, q - 4);
                continue;
            }
            if (outerX && outerY) continue;
            const float fi = float(i - 1), fj = float(j - 1);
            if (j == 0) {
                p_SetCol(Ramp(512 / spanX * fi), Ramp(512 - 512 / spanX * fi), 0, fade);
                p_Rect(left, top + 8, q, q - 16);
            } else if (j == ny) {
                const float g = Ramp(255 / spanX * fi);
                p_SetCol(g, g, g, fade);
                p_Rect(left, top + 8, q, q - 16);
            } else if (i == 0) {
                p_SetCol(0, Ramp(512 - 512 / spanY * fj), Ramp(512 / spanY * fj), fade);
                p_Rect(left + 8, top, q - 16, q);
            } else {
                p_SetCol(Ramp(512 - 512 / spanY * fj), 0, Ramp(512 / spanY * fj), fade);
                p_Rect(left + 8, top, q - 16, q);
            }
        }
    }

    p_ResetDraw();
    p_Alpha(fade);
    p_DrawImg(kTestcard, W / 2, H / 2 - 24 * away, 0);

    // Credit lines: the last entry ("End") is never shown; the others cycle.
    const int cycle = bb_Wyndle_CreditText.Length() - 1;
    // The line index is kept within one cycle: the same lines show, and
    // neither the count nor the table index can run away.
    auto wrapLine = [&] {
        if (cycle <= 0) return;
        m_CreditsLine %= cycle;
        if (m_CreditsLine < 0) m_CreditsLine += cycle;
    };
    wrapLine();
    m_CreditsScroll -= 0.3f;
    if (Held(this, kDown) || Held(this, kUp)) m_CreditsScroll -= 1.5f;
    if (m_CreditsScroll < -16) {
        m_CreditsScroll += 16;
        ++m_CreditsLine;
    }
    wrapLine();
    if (cycle > 0) {
        for (int n = -3; n <= 4; ++n) {
            int index = (m_CreditsLine + n) % cycle;
            if (index < 0) index += cycle;
            const float offset = float(16 * n) + m_CreditsScroll;
            p_ResetDraw();
            p_Alpha(Clamp(1 - (std::fabs(offset) / 40 - 0.3f), 0, 1));
            p_Text(W / 2 + 24, H / 2 - 24 * away + offset, bb_Wyndle_CreditText[index], 0.8f, 0.8f);
        }
    }

    p_ResetDraw();
    p_Alpha(fade);
    if (card) {
        p_SetSize(0.4f, kNone);
        p_DrawImg(kLogo, W / 2, y0 + float(ny - 1) * c + 4 * away, 0);

        // Readouts at the second cell from each corner.
        const float leftX = x0 + c - 6 * away, rightX = x0 + float(nx - 1) * c + 6 * away;
        const float topY = y0 + c - 3 * away, bottomY = y0 + float(ny - 1) * c + 3 * away;
        auto dial = [&](float x, float y) {
            p_SetSize(1, kNone);
            p_SetCol(255, 255, 255, fade);
            p_Oval(x, y, q, q);
            p_SetCol(128, 128, 128, fade);
            p_Oval(x, y, q - 3, q - 3);
            p_SetCol(255, 255, 255, fade);
        };
        auto readout = [&](float x, float y, int a, int b, int d) {
            dial(x, y);
            p_Text(x, y - 16, String(a), 0.8f, 0.8f);
            p_Text(x, y, String(b), 0.8f, 0.8f);
            p_Text(x, y + 16, String(d), 0.8f, 0.8f);
        };
        readout(leftX, topY, m_DeviceW, m_DeviceH, m_UpdateFpsAvg);
        readout(rightX, topY, int(W), int(H), m_RenderFpsAvg);
        dial(leftX, bottomY);
        p_DrawImg(kButtons, leftX, bottomY, 12);
        dial(rightX, bottomY);
        p_SetSize(0.3f, kNone);
        p_DrawImg(kVeskLogo, rightX, bottomY, 0);
    }

    // Closing; the back action closes it through the menu keys.
    if (m_CreditsOpen == 1) {
        if (m_PointerDown > 0 && m_TouchLock == 0) {
            m_TouchLock = 1;
            m_CreditsOpen = 0;
            p_PlaySFX(kSoundMove, 1, 1, 0);
        } else if (m_InputLatch == 0 &&
                   (Held(this, kR1) || Held(this, kFire1) || Held(this, kFire2))) {
            m_InputLatch = 1;
            m_CreditsOpen = 0;
            p_PlaySFX(kSoundMove, 1, 1, 0);
        }
    }
    return 0;
}
