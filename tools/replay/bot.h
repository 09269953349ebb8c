// The replay tool's bot: a player that reads the game's state before each
// update and answers with the keys it holds during it, so that scripts can
// play whole games of each type. Relies on the game's fields (game/myapp.h).
#pragma once

#include <vector>

class c_MyApp;

namespace replay {

struct BotSettings {
    bool on = false;
    int gameType = 0;  // the game to start from the menu; 0 waits there
    bool avoid = false;
};

// The GLFW 2 keys the bot holds for the coming update, given those it held
// for the last one.
std::vector<int> BotKeys(const c_MyApp* app, const BotSettings& bot, const std::vector<int>& held);

}  // namespace replay
