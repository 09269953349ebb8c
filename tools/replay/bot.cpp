// The bot's decisions. In the menu it walks the carousel to the wanted game
// type with the cursor keys and starts it with space, letting go of every key
// between two presses so the menu's input latch opens again. In a game it
// picks a height to be at a little ahead of the character (a gem there, the
// tube's centre otherwise, and with avoidance the side of the tube away from
// a barrier) and holds up or down while the character's vertical speed is
// off the speed that would bring it there.
#include "tools/replay/bot.h"

#include <algorithm>
#include <cmath>

#include "game/myapp.h"

namespace replay {

namespace {

// GLFW 2 key numbers of the keys the bot uses.
constexpr int kKeySpace = 32;
constexpr int kKeyUp = 283, kKeyDown = 284, kKeyLeft = 285, kKeyRight = 286;

constexpr int kModeMenu = 1;
constexpr int kModeGame = 10;

// The character's x, the row spacing and the offset of row 0 (game/play).
constexpr float kPlayerX = 64;
constexpr float kRowStep = 16;
constexpr int kFirstRowOffset = 8;
constexpr int kRows = 101;

// How far ahead the bot looks, in updates of the current speed, and how
// many rows it searches for gems.
constexpr float kLookAheadUpdates = 10;
constexpr int kGemSearchRows = 24;
// A barrier hits within this much of its lane height: 50 w + 16, plus a
// margin for the bot's own sloppiness.
constexpr float kBarrierReach = 50, kBarrierPad = 16 + 12;
// Wanted vertical speed per pixel of distance to the target, its bound, and
// the dead band around it.
constexpr float kSpeedPerPixel = 0.12f, kMaxWantedSpeed = 6, kDeadBand = 0.3f;

float Row(const c_MyApp* app, int row, int field) {
    return app->m_Tube[row * c_MyApp::kTubeRowFloats + field];
}

float LaneY(float centreY, float width, float lane, float lanePitch) {
    return centreY + (lane - 2) * lanePitch * width;
}

std::vector<int> MenuKeys(const c_MyApp* app, const BotSettings& bot,
                          const std::vector<int>& held) {
    if (bot.gameType == 0 || !held.empty() || app->m_MenuSel < 1) return {};
    if (app->m_OptionsOpen || app->m_CreditsOpen || app->m_BadgesOpen) return {};
    if (app->m_MenuSel < bot.gameType) return {kKeyRight};
    if (app->m_MenuSel > bot.gameType) return {kKeyLeft};
    return {kKeySpace};
}

std::vector<int> PlayKeys(const c_MyApp* app, const BotSettings& bot) {
    if (app->m_Dead || app->m_Paused) return {};
    const float H = bb_Wyndle_jscrh;
    const float y = app->m_Players[2], vy = app->m_Players[4];
    const int here = std::clamp(
        int(std::lround((kPlayerX - app->m_Scroll) / kRowStep)) + kFirstRowOffset, 0, kRows - 1);
    const int ahead = std::clamp(
        here + int(app->m_Speed * kLookAheadUpdates / kRowStep), here, kRows - 1);

    float target = H / 2 + Row(app, ahead, 2);
    for (int i = std::max(here - 1, 0); i < std::min(here + kGemSearchRows, kRows); ++i) {
        if (Row(app, i, 6) > -1) {
            target = LaneY(H / 2 + Row(app, i, 2), Row(app, i, 1), Row(app, i, 6), 64);
            break;
        }
    }
    if (bot.avoid) {
        for (int i = std::max(here - 1, 0); i <= std::min(ahead + 4, kRows - 1); ++i) {
            const float lane = Row(app, i, 7);
            if (lane <= 0) continue;
            const float yc = H / 2 + Row(app, i, 2), w = Row(app, i, 1);
            const float by = LaneY(yc, w, lane, 64);
            const float reach = kBarrierReach * w + kBarrierPad;
            if (std::fabs(target - by) >= reach) continue;
            if (lane < 2)
                target = yc + 64 * w;
            else if (lane > 2)
                target = yc - 64 * w;
            else
                target = y < yc ? yc - reach : yc + reach;
            break;
        }
    }

    const float wanted =
        std::clamp((target - y) * kSpeedPerPixel, -kMaxWantedSpeed, kMaxWantedSpeed);
    if (vy < wanted - kDeadBand) return {kKeyDown};
    if (vy > wanted + kDeadBand) return {kKeyUp};
    return {};
}

}  // namespace

std::vector<int> BotKeys(const c_MyApp* app, const BotSettings& bot, const std::vector<int>& held) {
    if (!bot.on || app->m_NeedReload != 0) return {};
    if (app->m_Mode == kModeMenu) return MenuKeys(app, bot, held);
    if (app->m_Mode == kModeGame) return PlayKeys(app, bot);
    return {};
}

}  // namespace replay
