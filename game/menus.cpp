// The main menu (mode 1), the pause menu over a paused game and the console
// quit dialog (mode 4). Each is immediate-mode: rebuilt on every update
// through the drawing vocabulary and driven by touches, the pointer and the
// numbered actions of p_PlayKey.
//
// The menu is a carousel of four items (three game types and the options
// gear) that can be dragged and flung, eased towards a target offset, with a
// score panel for the highlighted game type and a logo button that opens the
// credits. Two latches keep one press from acting twice: m_TouchLock (1 a
// touch acted, 2 the pointer is dragging) until the pointer is released, and
// m_InputLatch until no action is held. Relies on drawing.cpp, controls.cpp,
// sound.cpp and the option and credits boxes.
#include <cmath>

#include "game/myapp.h"
#include "game/screens.h"

namespace {

// ---- layout and codes ----------------------------------------------------------------

constexpr float kPanelWidth = 140;
constexpr float kItemSpacing = 88;
constexpr int kItems = 4;
constexpr int kGearItem = 4;
constexpr int kTableSize = 10;
constexpr int kLatestBase = 30;
// Carousel easing: the offset closes 1/8 of the distance each update; a fling
// keeps a fifth of its speed and stops below 3.
constexpr float kEase = 0.125f;
constexpr float kFlingKeep = 0.2f;
constexpr float kFlingStop = 3;
constexpr float kRubberBand = 8;
constexpr float kDragFactor = 1.5f;
constexpr float kDragThreshold = 2;
constexpr float kSettled = 32;
constexpr float kFadeDistance = 480;

// Image slots and sounds.
constexpr int kGfx = 1;
constexpr int kTestcard = 91;
constexpr int kVeskLogo = 93;
constexpr int kButtons = 95;
constexpr int kIcons = 97;
constexpr int kLogo = 98;
constexpr int kMenuArt = 99;
constexpr int kSoundSelect = 98;
constexpr int kSoundMove = 99;

// Actions of p_PlayKey.
constexpr int kUp = 0, kLeft = 3, kRight = 5, kDown = 8;
constexpr int kFire1 = 10, kFire2 = 11, kFire3 = 12, kFire4 = 13;
constexpr int kBack = 99;
constexpr int kKeyEscape = 27;

// Pause menu: the panel slides 24 pixels per update.
constexpr int kPauseStep = 24;
constexpr int kPauseGone = -63;
constexpr int kPauseResumeBelow = -32;
constexpr int kPauseResume = 0, kPauseQuit = -1, kPauseOptions = 1;
// The console's overscan row sits under the panel.
constexpr float kOverscanBelow = 90, kOverscanBelowPortrait = 118;

bool AnyBoxOpen(const c_MyApp* app) {
    return app->m_CreditsOpen != 0 || app->m_OptionsOpen != 0 || app->m_BadgesOpen != 0;
}

bool LatchesFree(const c_MyApp* app) {
    return app->m_TouchLock == 0 && app->m_InputLatch == 0;
}

// An active touch strictly inside the half box of the slot's frame at the
// current scale, while the pointer is down.
bool Touched(const c_MyApp* app, int slot, float x, float y) {
    if (app->m_PointerDown < 1) return false;
    const float hw = float(app->m_ImgInfo[3 * slot]) * app->m_ImgScale * app->m_DrawSX * 0.5f;
    const float hh = float(app->m_ImgInfo[3 * slot + 1]) * app->m_ImgScale * app->m_DrawSY * 0.5f;
    for (int i = 0; i < c_MyApp::kTouchSlots; ++i) {
        if (app->m_TouchOn[i] == 0) continue;
        const float tx = float(app->m_TouchX[i]), ty = float(app->m_TouchY[i]);
        if (x - hw < tx && tx < x + hw && y - hh < ty && ty < y + hh) return true;
    }
    return false;
}

void MoveCarouselTo(c_MyApp* app, int item) {
    app->m_MenuSel = item;
    app->m_MenuGoing = item;
    app->m_MenuTarget = float(1 - item) * kItemSpacing;
    app->m_MenuFling = 0;
    app->m_MenuDrag = 0;
}

void Activate(c_MyApp* app, int item) {
    app->m_TouchLock = 1;
    app->m_InputLatch = 1;
    app->p_PlaySFX(kSoundSelect, 1, 1, 0);
    if (item >= 1 && item <= 3) {
        app->m_GameType = item;
        app->m_Mode = 11;
    } else {
        app->m_OptionsOpen = 1;
        app->m_OptionSel = 0;
    }
}

// "Top 10" and ten right-aligned scores, one per line.
void DrawScoreList(c_MyApp* app, float x, float y, int first, int lines, const char* heading,
                   const char* single) {
    String text = lines == 1 ? String(single) : String(heading) + String(lines);
    for (int j = 0; j < lines; ++j)
        text += String("\\n") + app->p_rstr(app->m_Scores[first + j], 11, String(" "));
    app->p_Text(x, y, text, 0, 0);
}

}  // namespace

// ---- the main menu -------------------------------------------------------------------

int c_MyApp::p_Menu() {
    const float W = bb_Wyndle_jscrw, H = bb_Wyndle_jscrh;
    p_CLS2D(0, 0, 80, 1);
    if (m_MenuSlide < 0) ++m_MenuSlide;
    const float s = float(m_MenuSlide);
    const float P = kPanelWidth;

    // The back action ends the program on the desktop; the console asks first.
    if (LatchesFree(this)) {
        if (bb_Wyndle_isOuya == 1) {
            if (p_PlayKeyAll(kBack, 1) || bb_input_KeyDown(kKeyEscape)) {
                m_Mode = 4;
                m_TouchLock = m_InputLatch = 1;
            }
        } else if (p_PlayKeyAll(kBack, 1)) {
            bbError(String());
        }
    }

    // Backdrop.
    p_SetSize(3, kNone);
    p_DrawImg(kMenuArt, W / 2, H / 2 + 16 * s, 0);
    p_Alpha(0.75f);
    p_DrawImg(kMenuArt, 0.4f * W + 20 * s, H / 2, 1);
    p_Alpha(1);
    p_DrawImg(kGfx, W / 2, H / 2 - 24 * s, 0);
    p_SetSize(1.5f, kNone);
    p_DrawImg(kLogo, 0.4f * W, 96 + 12 * s, 0);
    p_SetCol(0, 0, 0, 0.4f);
    p_Rect(W - P - 4 * s, 0, P, H);

    // Score panel for the highlighted game type.
    if (!AnyBoxOpen(this) && m_MenuSel < kGearItem && m_GameType >= 1 && m_GameType <= 3) {
        const int lineH = int(float(m_ImgInfo[3 * m_FontSlot + 1]) * 1.5f);
        int lines = kTableSize;
        if (lineH > 0) {
            lines = int(std::floor(float(int(H / 2 - 90)) / float(lineH)));
            if (lines < 1) lines = 1;
            if (lines > kTableSize) lines = kTableSize;
        }
        const int best = (m_GameType - 1) * kTableSize;
        p_SetSize(1.5f, kNone);
        p_SetCol(255, 200, 100, 1);
        DrawScoreList(this, W - P - 4 * s + 20, 60, best, lines, "Top ", "Highscore");
        p_SetCol(200, 255, 100, 1);
        DrawScoreList(this, W - P - 4 * s + 20, H / 2 + 20, best + kLatestBase, lines, "Last ",
                      "Last");
    }

    if (m_MenuSel >= 1 && m_MenuSel <= 3) {
        m_GameType = m_MenuSel;
    } else if (m_MenuSel == kGearItem) {
        m_GearSpin += 0.5f;
    } else {
        m_MenuSel = 1;
        m_GameType = 1;
    }

    // Carousel motion.
    if (m_PointerDown == 0) m_MenuDrag = 0;
    m_MenuTarget += m_MenuFling;
    m_MenuPos += (m_MenuTarget - m_MenuPos) * kEase;
    if (m_MenuFling != 0) {
        m_MenuFling *= kFlingKeep;
        if (std::fabs(m_MenuFling) < kFlingStop) m_MenuFling = 0;
    }

    // Items stand in a column (portrait) or a row (landscape); the focus point
    // is where item 1 stands at offset 0.
    const bool landscape = m_Landscape != 0;
    const float focusX = std::trunc((W - P) / 2);
    const float focusY = landscape ? std::trunc(H - 96) : std::trunc(0.6f * H);
    const float firstX = landscape ? std::trunc((W - P) / 2 + m_MenuPos) : focusX;
    const float firstY = landscape ? focusY : std::trunc(m_MenuPos + 0.6f * H);

    if (!AnyBoxOpen(this)) {
        int nearest = 0;
        float nearestDist = 0;
        bool playButtonDone = false;
        for (int k = 1; k <= kItems; ++k) {
            const float step = float(k - 1) * kItemSpacing;
            const float x = landscape ? firstX + step : firstX;
            const float y = landscape ? firstY : firstY + step;

            // Rubber band at both ends.
            if (k == 1 && (landscape ? x > 0.75f * (W - P) : y > 0.75f * H)) {
                m_MenuSel = 1;
                m_MenuTarget -= kRubberBand;
            }
            if (k == kItems && (landscape ? x < 0.25f * W : y < 0.45f * H)) {
                m_MenuSel = kItems;
                m_MenuTarget += kRubberBand;
            }

            const bool highlighted = m_MenuSel == k;
            const float d = std::sqrt((x - focusX) * (x - focusX) + (y - focusY) * (y - focusY));
            if (nearest == 0 || d < nearestDist) {
                nearest = k;
                nearestDist = d;
            }
            float alpha = 1 - d / kFadeDistance;
            if (alpha < 0.5f) alpha = 0.5f;
            if (alpha > 1 || highlighted) alpha = 1;
            p_ResetDraw();
            p_SetSize(highlighted ? 1.75f : 1, kNone);
            p_Alpha(alpha);
            if (k == kGearItem)
                p_DrawGear(x, y);
            else
                p_DrawImg(kButtons, x, y, float(k - 1));
            bool touched = Touched(this, kButtons, x, y);

            if (touched && !highlighted && LatchesFree(this)) {
                MoveCarouselTo(this, k);
                m_TouchLock = m_InputLatch = 1;
                p_PlaySFX(kSoundMove, 1, 1, 0);
            }
            if (m_MenuSel == k && k < kGearItem && !playButtonDone) {
                playButtonDone = true;
                p_ResetDraw();
                p_SetSize(3, 2.5f);
                p_SetCol(100, 255, 100, 0.3f);
                if (p_Button(kIcons, W - 70, H - 48 - 4 * s, 3)) touched = true;
            }
            if (touched && m_MenuSel == k && LatchesFree(this)) Activate(this, k);
        }

        // The item nearest the focus point becomes highlighted once the
        // carousel is not moving to a chosen one.
        if (nearest != m_MenuSel && m_MenuGoing == 0) {
            m_MenuSel = nearest;
            p_PlaySFX(kSoundMove, 1, 1, 0);
        }
        if (m_MenuGoing > 0 && std::fabs(m_MenuPos - m_MenuTarget) <= kSettled) m_MenuGoing = 0;
    }

    // Keys.
    if (m_InputLatch == 0 && !AnyBoxOpen(this)) {
        int to = 0;
        if ((p_PlayKeyAll(kUp, 1) || p_PlayKeyAll(kLeft, 1)) && m_MenuSel >= 2)
            to = m_MenuSel - 1;
        else if ((p_PlayKeyAll(kDown, 1) || p_PlayKeyAll(kRight, 1)) && m_MenuSel <= 3)
            to = m_MenuSel + 1;
        if (to > 0) {
            MoveCarouselTo(this, to);
            m_InputLatch = 1;
            p_PlaySFX(kSoundMove, 1, 1, 0);
        } else if (p_PlayKeyAll(kFire1, 1) || p_PlayKeyAll(kFire2, 1) || p_PlayKeyAll(kFire3, 1) ||
                   p_PlayKeyAll(kFire4, 1)) {
            Activate(this, m_MenuSel);
        }
    }

    // Credits button.
    p_ResetDraw();
    p_SetSize(0.35f, kNone);
    p_DrawImg(kVeskLogo, W - 70, 32 + 4 * s, 0);
    if (m_TouchLock == 0 && !AnyBoxOpen(this) && Touched(this, kVeskLogo, W - 70, 32 + 4 * s)) {
        m_TouchLock = 1;
        p_PlaySFX(kSoundMove, 1, 1, 0);
        m_CreditsOpen = 1;
    }

    // A press that moves more than 2 pixels is a drag, never a tap.
    if (!AnyBoxOpen(this) && m_TouchLock != 1 && m_PointerDown != 0) {
        const int moved = landscape ? m_PointerX - m_PointerPrevX : m_PointerY - m_PointerPrevY;
        m_MenuDrag = kDragFactor * float(moved);
        if (std::fabs(m_MenuDrag) > kDragThreshold) {
            m_TouchLock = 2;
            m_MenuFling += m_MenuDrag;
        }
    }
    return 0;
}

// ---- the pause menu ------------------------------------------------------------------

namespace {

void PauseSound(c_MyApp* app, float rate) {
    app->p_PlaySFX(kSoundSelect, rate, 0.5f, 0);
}

void ResumeGame(c_MyApp* app) {
    app->m_PauseFade = -1;
    PauseSound(app, 1);
}

void QuitGame(c_MyApp* app) {
    app->m_PauseFade = -1;
    app->m_PauseY = -64;
    app->m_Dead = 1;
    PauseSound(app, 0.5f);
}

// Moves the pause highlight on a held action; each press moves it once.
void MovePauseHighlight(c_MyApp* app) {
    if (app->m_InputLatch != 0) return;
    int to = app->m_PauseSel;
    float rate = 0.8f;
    switch (app->m_PauseSel) {
        case kPauseResume:
            if (app->p_PlayKeyAll(kLeft, 1) || app->p_PlayKeyAll(kUp, 1)) {
                to = kPauseQuit;
            } else if (app->p_PlayKeyAll(kRight, 1)) {
                to = kPauseOptions;
                rate = 1.2f;
            }
            break;
        case kPauseQuit:
            if (app->p_PlayKeyAll(kRight, 1) || app->p_PlayKeyAll(kDown, 1)) to = kPauseResume;
            break;
        case kPauseOptions:
            if (app->p_PlayKeyAll(kLeft, 1) || app->p_PlayKeyAll(kDown, 1)) to = kPauseResume;
            break;
        default:
            break;
    }
    if (to == app->m_PauseSel) return;
    app->m_PauseSel = to;
    app->m_InputLatch = 1;
    PauseSound(app, rate);
}

}  // namespace

int c_MyApp::p_PauseMenu() {
    const float W = bb_Wyndle_jscrw, H = bb_Wyndle_jscrh;
    p_ResetDraw();
    p_SetCol(0, 0, 0, H > 0 ? std::fabs(float(m_PauseY)) / (0.8f * H) : 1);
    p_Rect(0, 0, W, H);

    if (m_PauseFade == 1) {
        const int middle = int(H / 2);
        if (m_PauseY < middle)
            m_PauseY = m_PauseY + kPauseStep < middle ? m_PauseY + kPauseStep : middle;
    } else if (m_PauseFade == -1) {
        if (m_PauseY < kPauseGone) {
            m_Paused = 0;
        } else {
            m_PauseY -= kPauseStep;
            if (m_PauseY < kPauseResumeBelow) m_Paused = 0;
        }
    }

    const float Y = float(m_PauseY);
    const bool landscape = m_Landscape != 0;
    p_SetCol(255, 255, 10, 0.6f);
    if (landscape) {
        p_Rect(W / 2 - 128, Y - 64, 256, 8);
        p_SetCol(255, 150, 10, 0.7f);
        p_Rect(W / 2 - 140, Y - 52, 280, 104);
        p_SetCol(10, 150, 255, 0.6f);
        p_Rect(W / 2 - 128, Y + 56, 256, 8);
    } else {
        p_Rect(W / 2 - 96, Y - 92, 192, 8);
        p_SetCol(255, 150, 10, 0.7f);
        p_Rect(W / 2 - 128, Y - 80, 256, 160);
        p_SetCol(10, 150, 255, 0.6f);
        p_Rect(W / 2 - 96, Y + 84, 192, 8);
    }

    // The three buttons, each with the highlight behind it when selected.
    const float quitX = landscape ? W / 2 - 140 : W / 2 - 96;
    const float optionsX = landscape ? W / 2 + 140 : W / 2 + 96;
    const float sideY = landscape ? Y - 64 : Y - 96;
    const bool fire = m_InputLatch == 0 && p_PlayKeyAll(kFire1, 1) != 0;
    auto highlight = [&](int which, float x, float y) {
        if (m_PauseSel != which) return;
        p_ResetDraw();
        p_SetSize(2.5f, kNone);
        p_SetCol(255, 255, 100, 1);
        p_DrawImg(kIcons, x, y, 6);
    };

    highlight(kPauseResume, W / 2, Y);
    p_ResetDraw();
    p_SetSize(2, kNone);
    p_SetCol(50, 50, 250, 1);
    p_DrawImg(kIcons, W / 2, Y, 3);
    if (m_TouchLock == 0 && Touched(this, kIcons, W / 2, Y)) {
        m_TouchLock = 1;
        ResumeGame(this);
    } else if (fire && m_PauseSel == kPauseResume) {
        m_InputLatch = 1;
        ResumeGame(this);
    }

    highlight(kPauseQuit, quitX, sideY);
    p_ResetDraw();
    p_SetSize(2, kNone);
    p_SetCol(255, 50, 50, 1);
    p_DrawImg(kIcons, quitX, sideY, 1);
    if (m_TouchLock == 0 && Touched(this, kIcons, quitX, sideY)) {
        m_TouchLock = 1;
        QuitGame(this);
    } else if (fire && m_InputLatch == 0 && m_PauseSel == kPauseQuit) {
        m_InputLatch = 1;
        QuitGame(this);
    }

    highlight(kPauseOptions, optionsX, sideY);
    p_ResetDraw();
    if (m_OptionsOpen == 0) m_GearSpin += 0.2f;
    p_DrawGear(optionsX, sideY);
    if (m_TouchLock == 0 && Touched(this, kButtons, optionsX, sideY)) {
        m_TouchLock = 1;
        m_OptionsOpen = 1;
        p_PlaySFX(kSoundMove, 1, 1, 0);
    } else if (fire && m_InputLatch == 0 && m_PauseSel == kPauseOptions) {
        m_InputLatch = 1;
        m_OptionsOpen = 1;
        PauseSound(this, 1);
    }

    MovePauseHighlight(this);
    // The option box shows its own overscan row and owns the latches.
    if (bb_Wyndle_isOuya == 1 && m_OptionsOpen == 0 && m_OptionsSlide == 0)
        DrawOverscanRow(this, Y + (landscape ? kOverscanBelow : kOverscanBelowPortrait), true);

    if (m_InputLatch == 0 && p_PlayKeyAll(kBack, 1)) {
        m_InputLatch = 1;
        ResumeGame(this);
    }
    return 0;
}

// ---- the console quit dialog -----------------------------------------------------------

int c_MyApp::p_OuyaQuit() {
    const float W = bb_Wyndle_jscrw, H = bb_Wyndle_jscrh;
    p_CLS2D(180, 180, 180, -1);
    p_SetSize(3, kNone);
    p_DrawImg(kTestcard, W / 2, H / 2, 0);

    struct Line {
        const char* text;
        float scale;
        float drop;
    };
    static const Line kLines[] = {
        {"It looks like you're", 3, 0},     {"trying to QUIT!", 3, 32},
        {"Are you absolutely sure", 2, 36}, {"you want to quit the game?", 2, 20},
        {"Isn't this fun?", 2, 28},         {"It'll be a shame to see you go.", 2, 38},
        {"Press (A) to Quit", 2, 38},       {"or (O) to return to the fun!", 2, 20},
    };
    float y = 0.3f * H;
    p_ResetDraw();
    for (const Line& line : kLines) {
        y += line.drop;
        p_SetSize(line.scale, kNone);
        p_Text(0.65f * W, y, String(line.text), 1, 1);
    }

    if (LatchesFree(this)) {
        if (p_PlayKeyAll(kFire1, 1)) {
            m_Mode = 1;
            m_TouchLock = m_InputLatch = 1;
        } else if (p_PlayKeyAll(kFire2, 1) || p_PlayKeyAll(kFire3, 1) || p_PlayKeyAll(kBack, 1)) {
            bbError(String());
        }
    }
    return 0;
}
