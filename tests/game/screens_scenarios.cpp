// The screens outside play, through the replay tool: the saved record (its
// exact text, restarts on a real state file, damaged and short records, the
// 32-bit sums), score filing, the main menu by keys and by pointer, the pause
// menu, the option box rows and the credits box.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/game/scenario.h"

namespace {

// ---- records -------------------------------------------------------------------------

struct Tables {
    std::vector<int> best[3], latest[3];
};

Tables OneType(int type, std::vector<int> best, std::vector<int> latest) {
    Tables t;
    t.best[type] = std::move(best);
    t.latest[type] = std::move(latest);
    return t;
}

// A record as the game writes it: 25 options, 8 flag words, then per game
// type ten (best, latest) pairs; each section closed by its weighted sum,
// which wraps as a 32-bit int.
std::string Record(std::vector<int> options, std::vector<int> flags, const Tables& t) {
    options.resize(25);
    flags.resize(8);
    std::string text;
    uint32_t sum = 0;
    auto put = [&](int v, int64_t weight) {
        text += std::to_string(v) + "|";
        sum += uint32_t(int64_t(v) * weight);
    };
    auto close = [&] {
        text += std::to_string(int32_t(sum)) + "|";
        sum = 0;
    };
    for (int i = 0; i < 25; ++i)
        put(options[size_t(i)], i);
    close();
    for (int v : flags)
        put(v, 1);
    close();
    for (int g = 0; g < 3; ++g) {
        for (size_t j = 0; j < 10; ++j) {
            put(j < t.best[g].size() ? t.best[g][j] : 0, int64_t(j) + 4);
            put(j < t.latest[g].size() ? t.latest[g][j] : 0, int64_t(g) + 3 + int64_t(j));
        }
        close();
    }
    return text;
}

// The options after a first start on the desktop.
const std::vector<int> kFirstOptions = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 64, 64, 10, 0, 1};

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// The record written after a first start, spelt out.
const std::string kFirstRecord = "0|0|0|0|0|1|0|0|0|0|64|64|10|0|1|0|0|0|0|0|0|0|0|0|0|1483|" +
                                 Repeat("0|", 9) + Repeat("0|", 63);

const char* const kSave = "run 20\nblur\nrun 1\n";
// What the game prints when it loads a whole record.
const std::string kAllLoaded =
    "Settings Loaded\nBadges Loaded\nHighscore 0 Loaded\nHighscore 1 Loaded\nHighscore 2 Loaded\n";

// Quits a game of type 2 from the pause menu at score 0 and files it.
const char* const kQuitAtZero =
    "run 20\ntap right\nrun 1\ntap enter\nrun 3\ntap esc\nrun 15\ntap left\nrun 1\ntap enter\n"
    "run 95\n";

// A run on the record `before` that prints `printed` (unchecked when not
// given) and saves `saved`.
Scenario Saving(std::string name, std::string script, std::vector<std::string> expect,
                std::string before, std::optional<std::string> printed, std::string saved) {
    return {name, script, expect, {}, before, {}, printed, saved};
}

TEST(ScreensScenarios, Record) {
    Tables full;
    full.best[0] = {900, 40};
    full.latest[0] = {40, 900};
    full.best[1] = {77, 12, 3};
    full.latest[1] = {3, 77, 12};
    full.best[2] = {2000000000};
    full.latest[2] = {2000000000, 2000000000};
    // Option 24 and two flag words push the sums past 32 bits; option 14 is
    // the console overscan, which the desktop always loads as 1; option 12
    // is at its lower limit.
    std::vector<int> options = kFirstOptions;
    options[5] = 2;
    options[12] = 8;
    options[14] = 50;
    options.resize(25);
    options[24] = 100000000;
    const std::vector<int> flags = {INT32_MIN, 5, INT32_MIN};
    const std::string whole = Record(options, flags, full);
    std::vector<int> desktop = options;
    desktop[14] = 1;

    // One digit of a latest score of game type 2 changed (the first latest, 3, follows the best
    // 77).
    std::string damaged = whole;
    const size_t digit = damaged.find("|77|3|12|") + 4;
    damaged[digit] = '4';
    Tables withoutType2 = full;
    withoutType2.best[1].clear();
    withoutType2.latest[1].clear();

    // The sound option (the sixth value) changed from 2 to 3.
    std::string badSettings = whole;
    badSettings[10] = '3';

    // Cut after the flags' checksum (35 values).
    size_t cut = 0;
    for (int n = 0; n < 35; ++n)
        cut = whole.find('|', cut) + 1;

    // Twenty values: too short for the settings, though its first nine
    // would pass as a flags section.
    const std::string shortRecord = "1|" + Repeat("0|", 7) + "1|" + Repeat("0|", 11);

    const std::string loaded = "Settings Loaded\nBadges Loaded\nHighscore 0 Loaded\n";
    const Scenario table[] = {
        Saving("first start", kSave, {"20 sound == 1", "status == 0"}, "", "", kFirstRecord),
        Saving("a whole record loads and is written back", kSave, {"20 sound == 2"}, whole,
               kAllLoaded, Record(desktop, flags, full)),
        Saving("a damaged score section", kSave, {"20 sound == 2"}, damaged,
               loaded + "Highscore 1 Checksum Invalid\nHighscore 2 Loaded\n",
               Record(desktop, flags, withoutType2)),
        Saving("a damaged settings section", kSave, {"20 sound == 1"}, badSettings,
               "Settings Checksum Invalid\n" + kAllLoaded.substr(16),
               Record(kFirstOptions, flags, full)),
        Saving("a record cut after the flags", kSave, {"20 sound == 2"}, whole.substr(0, cut),
               "Settings Loaded\nBadges Loaded\n", Record(desktop, flags, Tables())),
        Saving("too short for the settings", kSave, {"20 sound == 1"}, shortRecord, "",
               kFirstRecord),
        // 0 beats no entry of an empty table, but still heads the latest list.
        Saving("0 into an empty table", kQuitAtZero, {"last slot == -1", "last mode == 1"}, "", {},
               kFirstRecord),
        // A score equal to a best entry goes below it.
        Saving("0 among 5, 0, -3", kQuitAtZero, {"last slot == 2"},
               Record(kFirstOptions, {}, OneType(1, {5, 0, -3}, {4})), {},
               Record(kFirstOptions, {}, OneType(1, {5, 0, 0, -3}, {0, 4}))),
    };
    for (const Scenario& s : table)
        CheckScenario(s);
}

// A played game's score is filed and saved; a second run on that state file
// loads it and writes it back unchanged.
TEST(ScreensScenarios, ScoresSurviveARestart) {
    ReplayResult first = CheckScenario(
        {"a game of type 3 with the bot, quit from the pause menu",
         "run 20\nbot on 3 avoid\nrun 200\nbot off\ntap esc\nrun 15\ntap left\nrun 1\ntap enter\n"
         "run 100\n",
         {"220 score > 0", "220 gametype == 3", "last mode == 1", "last slot == 0"}});
    const int score = int(first.lines.back().num["score"]);
    EXPECT_EQ(first.state, Record(kFirstOptions, {}, OneType(2, {score}, {score})));

    CheckScenario(Saving("the next run loads it and writes it back", kSave, {"status == 0"},
                         first.state, kAllLoaded, first.state));
}

// ---- menu and pause menu ---------------------------------------------------------------

// The carousel's items stand 88 apart on y = 384, item 1 at x = 250 when
// settled; the play button is at (570, 432) and the credits logo at
// (570, 50) once the menu has slid in (by step 52).
TEST(ScreensScenarios, Menu) {
    const Scenario table[] = {
        {"enter starts game type 1",
         "run 20\ntap enter\nrun 2",
         {"20 menusel == 1", "21 mode == 11", "21 sfx has 98", "22 mode == 10",
          "22 gametype == 1"}},
        {"right, enter: type 2",
         "run 20\ntap right\nrun 1\ntap enter\nrun 2",
         {"21 menusel == 2", "21 sfx has 99", "23 mode == 11", "24 gametype == 2"}},
        {"a held key moves once; type 3",
         "run 20\ndown down\nrun 10\nup down\ntap right\nrun 1\ntap enter\nrun 2",
         {"21..32 menusel == 2", "33 menusel == 3", "35 mode == 11", "36 gametype == 3"}},
        {"no move past either end",
         "run 20\ntap left\nrun 1\ntap right\nrun 1\ntap right\nrun 1\ntap right\nrun 1\n"
         "tap right\nrun 40",
         {"21 menusel == 1", "21 sfx hasnt 99", "27 menusel == 4", "29 sfx hasnt 99",
          "29..69 menusel == 4", "69 mode == 1"}},
        {"a tap on the highlighted item starts it",
         "run 20\nclick 250 384\nrun 2",
         {"21 mode == 11", "22 gametype == 1"}},
        {"a tap on another item highlights it, a second starts it",
         "run 20\nclick 426 384\nrun 40\nclick 250 384\nrun 2",
         {"21 menusel == 3", "21..61 mode == 1", "21 sfx has 99", "62 mode == 11",
          "63 gametype == 3"}},
        {"the play button", "run 60\nclick 570 432\nrun 2", {"61 mode == 11", "62 gametype == 1"}},
        {"a drag across the items starts nothing and springs back to item 1",
         "run 20\nmouse 100 384\nbutton 0 down\nmouse 140 384\nmouse 180 384\nmouse 220 384\n"
         "mouse 250 384\nrun 10\nbutton 0 up\nrun 60",
         {"21..97 mode == 1", "last menusel == 1"}},
        {"the menu allocates nothing", "run 80", {"22..80 allocs == 0", "80 mode == 1"}},
    };
    for (const Scenario& s : table)
        CheckScenario(s);
}

// A game of type 1 runs from step 22; the pause panel is up (y = 240) by
// step 40: resume at (320, 240), quit at (180, 176), options at (460, 176).
TEST(ScreensScenarios, PauseMenu) {
    const std::string game = "run 20\ntap enter\nrun 3\n";
    const Scenario table[] = {
        {"escape pauses and resumes",
         game + "tap esc\nrun 20\ntap esc\nrun 20",
         {"24 paused == 0", "25..57 paused == 1", "25 sfx has 98", "58 paused == 0",
          "last dead == 0", "last mode == 10"}},
        {"the pause icon pauses, the middle button resumes",
         game + "click 16 16\nrun 20\nclick 320 240\nrun 20",
         {"25..46 paused == 1", "last paused == 0", "last dead == 0"}},
        {"the red button quits",
         game + "click 16 16\nrun 20\nclick 180 176\nrun 2",
         {"45 dead == 0", "46 dead == 1", "46 sfx has 98"}},
        {"left and enter quit",
         game + "tap esc\nrun 20\ntap left\nrun 1\ntap enter\nrun 1",
         {"46 pausesel == -1", "48 dead == 1"}},
        {"right and enter open the options",
         game + "tap esc\nrun 20\ntap right\nrun 1\ntap enter\nrun 1",
         {"46 pausesel == 1", "47 optbox == 0", "48 optbox == 1"}},
    };
    for (const Scenario& s : table)
        CheckScenario(s);
}

// ---- the option box and the credits box ------------------------------------------------

// Opens the option box from the menu's gear (step 27); it has slid in and
// acts from step 57.
const std::string kOpenOptions =
    "run 20\ntap right\nrun 1\ntap right\nrun 1\ntap right\nrun 1\ntap enter\nrun 31\n";

TEST(ScreensScenarios, OptionBox) {
    const std::string down = "tap down\nrun 1\n";
    const Scenario table[] = {
        {"the gear item opens the box", kOpenOptions, {"27 optbox == 1", "27 optsel == 0"}},
        {"iCade on for a held enter, off for the next",
         kOpenOptions + down + down + "down enter\nrun 10\nup enter\ntap enter\nrun 1",
         {"61 optsel == 2", "63..74 icade == 1", "63 sfx has 99", "64 sfx hasnt 99",
          "75 icade == 0"}},
        {"the screen row switches once per hold",
         kOpenOptions + down + down + down +
             "down enter\nrun 40\nup enter\nrun 40\ntap enter\nrun 40",
         {"63 optsel == 3", "64 fullscreen == 0", "65..146 fullscreen == 1",
          "last fullscreen == 0"}},
        {"the credits row",
         kOpenOptions + down + down + down + down + "tap enter\nrun 1",
         {"65 optsel == 4", "67 credbox == 1", "67 optbox == 0"}},
        {"the back gear closes and saves",
         kOpenOptions + "click 100 60\nrun 40",
         {"58 optbox == 1", "59 optbox == 0", "59 sfx has 99", "last mode == 1"}},
        {"nothing acts while the box slides in",
         "run 20\ntap right\nrun 1\ntap right\nrun 1\n"
         "tap right\nrun 1\ntap enter\nrun 1\ntap enter\ntap down\nrun 20",
         {"29..50 optbox == 1", "29..50 optsel == 0"}},
    };
    for (const Scenario& s : table) {
        ReplayResult run = CheckScenario(s);
        // Only closing the box writes the record here.
        EXPECT_EQ(run.state.empty(), s.name != "the back gear closes and saves") << s.name;
    }
}

// The sound row from the pause menu: 1 -> 2 stops the tune at once, 2 -> 3
// does not start it again (the game resumes in silence); the next game does,
// from its beginning (its buffer given to the music channel anew).
// The pause menu waits while the closed box slides out.
TEST(ScreensScenarios, SoundRowStopsTheTune) {
    ReplayResult run = CheckScenario(
        {"sound 1, 2, 3 during a game",
         "run 20\ntap enter\nrun 3\ntap esc\nrun 20\ntap right\nrun 1\ntap enter\nrun 31\n"
         "tap down\nrun 1\ntap enter\nrun 1\ntap enter\nrun 1\ntap esc\nrun 31\ntap esc\nrun 30\n"
         "tap esc\nrun 20\ntap left\nrun 1\ntap left\nrun 1\ntap enter\nrun 100\ntap enter\nrun 3",
         {"22 sfx has -1", "276 sfx has -1", "24 music == 1", "82 sound == 2", "84 sound == 3",
          "86 optbox == 0", "148 paused == 0", "119..274 music == 0", "174 dead == 1",
          "275 mode == 11", "last music == 1"}});
    // The record saved when the box closed holds sound 3.
    EXPECT_EQ(run.state.substr(0, 12), "0|0|0|0|0|3|");
}

TEST(ScreensScenarios, CreditsBox) {
    const std::string open = "run 60\nclick 570 50\n";
    const Scenario table[] = {
        // The text lives through a whole collection every step.
        {"opens, scrolls faster with down held, closes on a press",
         open + "run 100\ndown down\nrun 60\nup down\nclick 320 240\nrun 40",
         {"60 credbox == 0", "61 credbox == 1", "61 sfx has 99", "161 credline == 1",
          "222 credline == 8", "62..223 menusel == 1", "223 credbox == 1", "224 credbox == 0",
          "224 sfx has 99", "70..264 allocs == 0"},
         {"--gc-stress"}},
        {"enter closes it",
         open + "run 5\ntap enter\nrun 1",
         {"66 credbox == 1", "67 credbox == 0"}},
        {"escape closes it and the program goes on",
         open + "run 5\ntap esc\nrun 40",
         {"67 credbox == 0", "status == 0", "lines == 107"}},
    };
    for (const Scenario& s : table)
        CheckScenario(s);
}

}  // namespace
