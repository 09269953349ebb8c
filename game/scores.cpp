// Score filing, badges and their notifications: a finished game's score goes
// into the best table and the latest list of its game type (m_Scores holds
// the three best tables in entries 0..29 and the three latest lists in
// 30..59), then the record is saved. The badge table holds one test badge;
// notification slots slide a badge's name in from the left edge, and the
// badges box on the menu keeps a scroll offset. Relies on the drawing
// vocabulary, the controls and the saved record.
#include <cmath>

#include "game/myapp.h"

namespace {

constexpr int kTableSize = 10;
constexpr int kLatestBase = 30;
constexpr int kGameTypes = 3;
// Badge icons are the frames of image 80.
constexpr int kBadgeSheet = 80;
constexpr int kBadgeIcons = 64;
// Notification slots: the first thirteen are drawn; a slot is shown for 240
// updates, sliding in over the first ten and out over the last ten.
constexpr int kToastSlotsShown = 13;
constexpr int kToastLife = 240;
constexpr int kToastSlideOut = 230;
constexpr int kToastSlideSpeed = 16;
constexpr int kToastRowStep = 34;

const char* const kTestBadge = "Test Badge|This is a Test Badge which has no purpose.";

}  // namespace

// ---- score filing --------------------------------------------------------------------

int c_MyApp::p_LoadMenu() {
    m_ScoreSlot = -1;
    // A game type outside 1..3 has no table: nothing is filed, the record is
    // still written as it stands.
    if (m_GameType >= 1 && m_GameType <= kGameTypes) {
        const int b = (m_GameType - 1) * kTableSize;
        const int s = m_Score;
        for (int i = 0; i < kTableSize; ++i) {
            if (s > m_Scores[b + i]) {
                m_ScoreSlot = i;
                break;
            }
        }
        if (m_ScoreSlot >= 0) {
            for (int i = kTableSize - 1; i > m_ScoreSlot; --i)
                m_Scores[b + i] = m_Scores[b + i - 1];
            m_Scores[b + m_ScoreSlot] = s;
        }
        const int latest = b + kLatestBase;
        for (int i = kTableSize - 1; i > 0; --i)
            m_Scores[latest + i] = m_Scores[latest + i - 1];
        m_Scores[latest] = s;
    }
    p_Save();
    return 0;
}

// ---- badges --------------------------------------------------------------------------

String c_MyApp::p_BadgeID(int id) {
    if (id == 0) return String(kTestBadge);
    return String();
}

String c_MyApp::p_BadgeName(int id) {
    String text = p_BadgeID(id);
    const int bar = text.Find(String("|"));
    return bar < 0 ? text : text.Slice(0, bar);
}

String c_MyApp::p_BadgeDetail(int id) {
    String text = p_BadgeID(id);
    const int bar = text.Find(String("|"));
    return bar < 0 ? String() : text.Slice(bar + 1);
}

int c_MyApp::p_ShowBadges() {
    const int slots =
        m_ToastTimer.Length() < kToastSlotsShown ? m_ToastTimer.Length() : kToastSlotsShown;
    for (int i = 0; i < slots; ++i) {
        int t = m_ToastTimer[i];
        if (t < 1) continue;
        ++t;
        int o = kToastSlideSpeed * t - m_ToastWidth;
        if (t > kToastSlideOut) o = kToastSlideSpeed * (kToastLife - t) - m_ToastWidth;
        if (o > 0) o = 0;
        // Still drawn on the update it ends.
        m_ToastTimer[i] = t > kToastLife ? 0 : t;

        const int id = m_ToastBadge[i];
        const float y = bb_Wyndle_jscrh - float(kToastRowStep * (i + 1));
        p_ResetDraw();
        p_SetCol(0, 0, 80, 0.8f);
        p_Rect(float(o), y, float(m_ToastWidth), 32);
        p_SetCol(255, 255, 255, 1);
        p_Text(float(o + 16), y + 4, p_BadgeName(id), 0, 0);
        if (id >= 0 && id < kBadgeIcons) {
            p_SetSize(0.5f, kNone);
            p_DrawImg(kBadgeSheet, float(o + 144), y + 16, float(id));
        }
    }
    return 0;
}

// ---- the badges box ------------------------------------------------------------------

int c_MyApp::p_BadgesBox() {
    const float w = bb_Wyndle_jscrw, h = bb_Wyndle_jscrh;
    p_ResetDraw();
    p_SetCol(255, 125, 0, 0.8f);
    p_Rect(0.1f * w, -1, 0.8f * w, h + 2);
    p_SetCol(100, 0, 0, 0.8f);
    p_Rect(0.12f * w, -1, 0.76f * w, h + 2);

    constexpr float kKeyStep = 16;
    if (p_PlayKeyAll(8, 1)) m_BadgeTarget -= kKeyStep;
    if (p_PlayKeyAll(0, 1)) m_BadgeTarget += kKeyStep;
    // m_ScratchA: the pointer was down on the box's previous update.
    if (m_ScratchA != 0 && float(m_PointerX) > 0.12f * w)
        m_BadgeTarget += 1.5f * float(m_PointerY - m_PointerPrevY);
    m_ScratchA = m_PointerDown;
    if (m_BadgeTarget > 0) m_BadgeTarget = 0;

    m_BadgeScroll += (m_BadgeTarget - m_BadgeScroll) / 6;
    if (std::fabs(m_BadgeTarget - m_BadgeScroll) < 6) m_BadgeScroll = m_BadgeTarget;
    return 0;
}

// ---- hooks for an outside score and badge service ----------------------------------------

int c_MyApp::p_GC_PostScore(int, int) {
    return 0;
}
int c_MyApp::p_GC_Badges() {
    return 0;
}
