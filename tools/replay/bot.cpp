// The bot's decisions. In the menu it walks the carousel to the wanted game
// type with the cursor keys and starts it with space, letting go of every key
// between two presses so the menu's input latch opens again. In a game it
// plans: for each way of holding up, down or nothing for a while, it follows
// the character's motion a little under a second ahead and scores how far it
// stays from the tube's centre (or from a gem's lane as that row passes),
// with avoidance ruling out any plan that meets a barrier; it then holds the
// first key of the best plan.
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

// How far ahead the bot plans, in updates, and the key holds it tries: one
// key (or none) held for so many updates, then released.
constexpr int kHorizon = 48;
constexpr int kHolds[] = {1, 2, 3, 4, 6, 8, 12, 16, 24, 48};
// A gem is taken within 32 pixels of the character; a barrier hits when its
// lane is within 50 w + 16, which the bot keeps a margin from.
constexpr float kGemReach = 32;
constexpr float kBarrierReach = 50, kBarrierPad = 16 + 10, kBarrierHalfWidth = 12 + 4;
constexpr float kGemWeight = 4, kCrashCost = 1e9f;

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

// The character's vertical motion under the cursor keys: the key steering
// ramps in and out, the speed loses 0.2 per update and gains a share of the
// steering (game/controls and game/play).
struct Motion {
    float y, vy, steer;

    void Step(int key, float H) {
        float s = 0;
        if (key < 0) {
            steer -= 0.15f;
            s = steer;
        } else if (steer < 0) {
            steer = std::min(steer + 0.2f, 0.0f);
            s = steer;
        }
        if (key > 0) {
            steer += 0.15f;
            s = steer;
        } else if (steer > 0) {
            steer = std::max(steer - 0.2f, 0.0f);
            s = steer;
        }
        steer = std::clamp(steer, -1.0f, 1.0f);
        s = std::clamp(s, -1.0f, 1.0f);
        y += vy;
        if (y < 16) y += 4;
        if (y < 24) y += 2;
        if (y < 32) y += 1;
        if (y > H - 16) y -= 4;
        if (y > H - 24) y -= 2;
        if (y > H - 32) y -= 1;
        vy = vy > 0 ? std::max(vy - 0.2f, 0.0f) : std::min(vy + 0.2f, 0.0f);
        vy = std::clamp(vy + (key != 0 ? 0.5f : 0.7f) * s, -8.0f, 8.0f);
    }
};

// What the plan is scored against: for each update ahead, the row then at
// the character, where the bot wants to be there and how much it matters.
struct Course {
    float want[kHorizon];
    float weight[kHorizon];
    // Barrier lanes passing the character at each update (y, reach), if any.
    std::vector<std::pair<float, float>> barriers[kHorizon];
};

Course Plan(const c_MyApp* app, const BotSettings& bot) {
    Course course;
    const float H = bb_Wyndle_jscrh;
    const float speed = std::max(app->m_Speed, 0.2f);
    for (int t = 0; t < kHorizon; ++t) {
        // Row positions move left by the speed each update.
        const float shift = app->m_Scroll - speed * float(t + 1);
        const float at = (kPlayerX - shift) / kRowStep + kFirstRowOffset;
        const int row = std::clamp(int(std::lround(at)), 0, kRows - 1);
        course.want[t] = H / 2 + Row(app, row, 2);
        course.weight[t] = 1;
        for (int i = std::max(row - 2, 0); i <= std::min(row + 2, kRows - 1); ++i) {
            const float x = (float(i) - kFirstRowOffset) * kRowStep + shift;
            const float yc = H / 2 + Row(app, i, 2), w = Row(app, i, 1);
            if (Row(app, i, 6) > -1 && std::fabs(x - kPlayerX) < kGemReach) {
                course.want[t] = LaneY(yc, w, Row(app, i, 6), 64);
                course.weight[t] = kGemWeight;
            }
            if (bot.avoid && Row(app, i, 7) > 0 && std::fabs(x - kPlayerX) < kBarrierHalfWidth)
                course.barriers[t].emplace_back(LaneY(yc, w, Row(app, i, 7), 64),
                                                kBarrierReach * w + kBarrierPad);
        }
    }
    return course;
}

float Cost(const c_MyApp* app, const Course& course, int key, int hold) {
    const float H = bb_Wyndle_jscrh;
    Motion m{app->m_Players[2], app->m_Players[4], app->m_KeySteerY};
    float cost = 0;
    for (int t = 0; t < kHorizon; ++t) {
        m.Step(t < hold ? key : 0, H);
        const float miss = m.y - course.want[t];
        cost += course.weight[t] * miss * miss;
        for (const auto& b : course.barriers[t])
            if (std::fabs(m.y - b.first) < b.second) cost += kCrashCost;
    }
    return cost;
}

std::vector<int> PlayKeys(const c_MyApp* app, const BotSettings& bot) {
    if (app->m_Dead || app->m_Paused) return {};
    const Course course = Plan(app, bot);
    int best = 0;
    float bestCost = Cost(app, course, 0, 0);
    for (int key : {-1, 1})
        for (int hold : kHolds) {
            const float c = Cost(app, course, key, hold);
            if (c < bestCost) {
                bestCost = c;
                best = key;
            }
        }
    if (best < 0) return {kKeyUp};
    if (best > 0) return {kKeyDown};
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
