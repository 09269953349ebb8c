// Play through the real game: a bot game from the first point to the
// banner, the top-speed cap, the steering sources (ramped keys, the touch
// stick, joystick 0, the iCade's letters), and that a game type always
// gives the same tube and items whatever ran before.
#include <gtest/gtest.h>

#include "tests/game/scenario.h"

namespace {

// A game of type 2 starts at step 24; the bot lets go at step 26, so from
// step 37 on the scripted inputs alone steer.
const std::string kQuietGame = "run 20\nbot on 2\nrun 4\nbot off\nrun 10\n";

// Switches the iCade on in the option box (step 107), closes the box and
// starts a game of type 2 (step 161); the bot lets go at step 187.
const std::string kICadeGame =
    "run 20\ntap right\nrun 10\ntap right\nrun 10\ntap right\nrun 10\ntap space\nrun 40\n"
    "tap down\nrun 5\ntap down\nrun 5\ntap space\nrun 5\ntap up\nrun 5\ntap up\nrun 5\n"
    "tap space\nrun 20\nbot on 2\nrun 40\nbot off\nrun 5\n";

TEST(PlayScenarios, Play) {
    const Scenario table[] = {
        // Meter 4 per row at the centre: 24 after six rows, the point on the
        // seventh (28 - 25 = 3). The first gem gives 50 and a ring of 16
        // particles; the crash throws 100 (one older particle dies in the same
        // update), stops the tune and starts the 90-update banner.
        {"a bot game of type 2",
         "run 20\nbot on 2\nrun 600",
         {"24 mode == 10", "24 rows == 101", "24 top == 12", "24 music == 1",
          "107 meter == 24", "107 score == 0", "108 rows == 108", "108 meter == 3",
          "108 score == 1", "142 score == 2", "142 parts == 0", "143 score == 52",
          "143 parts == 16", "143 sfx has 2", "24..527 dead == 0", "527 parts == 47",
          "528 dead == 1", "528 parts == 146", "528 sfx has 3", "528 music == 0",
          "528 over == 1", "528..617 score == 331", "616 mode == 10", "616 over == 89",
          "617 mode == 2", "617 over == 73", "618 mode == 1", "618 sfx has 96"}},
        {"type 3 starts at 16 and is capped at 15.5",
         "run 20\nbot on 3\nrun 60",
         {"26 mode == 10", "26 top == 16", "27..80 top == 15.5"}},
        // Up held for 8 updates, then let go.
        {"ramped keys", kQuietGame + "down up\nrun 7\nup up\nrun 6",
         {"36 steer == 0", "37 steer == -0.15", "42 steer == -0.9", "43..44 steer == -1",
          "45 steer == -0.8", "48 steer < -0.1", "49 steer > -0.0001", "50 steer == 0",
          "37..50 steerx == 0"}},
        // The press sets the anchor; 72 pixels below it steer fully, and the
        // anchor then creeps 4 pixels after the pointer; a small offset is
        // ignored. Joystick 0 overrides the touch stick, a held key overrides
        // both, and a stick within 0.2 of the middle is ignored.
        {"touch stick and joystick",
         kQuietGame +
             "mouse 300 200; button 0 down\nmouse 300 272\nmouse 307 207\nmouse 300 300\nrun 3\n"
             "joy 0 0 0.3\ndown up\nup up\nbutton 0 up; joy 0 -0.5 0\nrun 2\njoy 0 0 0.1",
         {"37 steer == 0", "38 steer == 1", "38 vy == 1", "39 steer == 0", "39 steerx == 0",
          "40..43 steer == 1", "44 steer == -0.3", "45 steer == -0.15", "46 steer == 0",
          "47..49 steerx == -0.5", "50 steer == 0", "50 steerx == 0"}},
        // The W key itself is not read in iCade mode; "w" holds up until "e".
        {"iCade w and e", kICadeGame + "down w\nrun 2\ntype w\nrun 3\ntype e\nrun 4\nup w",
         {"106 icade == 0", "107 icade == 1", "161..205 mode == 10", "193..196 steer == 0",
          "197 steer == -0.15", "200 steer == -0.6", "201 steer == -0.4", "204..205 steer == 0"}},
    };
    for (const Scenario& s : table)
        CheckScenario(s);
}

// The first game ends on a barrier and the bot starts the next one; both run
// step for step alike, tube and items included, though the first used the
// random generator for particles and stars in between.
TEST(PlayScenarios, SameTypeSameTube) {
    constexpr int kFirst = 24, kSecond = 620, kCrash = 528;
    ReplayResult two = RunReplay("run 20\nbot on 2\nrun 1110");
    ReplayResult other = RunReplay("run 20\nbot on 3\nrun 10");
    ASSERT_EQ(two.lines.size(), 1131u);
    ASSERT_EQ(other.lines.size(), 31u);
    ASSERT_EQ(two.lines[kSecond - 2].num["mode"], 11);
    ASSERT_EQ(two.lines[kSecond - 1].num["mode"], 10);
    for (int k = 0; k + kFirst <= kCrash; ++k) {
        StateLine& a = two.lines[kFirst - 1 + k];
        StateLine& b = two.lines[kSecond - 1 + k];
        for (const char* field : {"tube", "y", "score", "rows", "dead"})
            ASSERT_EQ(a.num[field], b.num[field]) << field << " at update " << k << " of a game";
    }
    EXPECT_EQ(two.lines[kCrash - 1].num["dead"], 1);
    // Another type has another tube.
    EXPECT_NE(other.lines[25].num["tube"], two.lines[kFirst - 1].num["tube"]);
}

}  // namespace
