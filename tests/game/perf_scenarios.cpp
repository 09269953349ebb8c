// Exact cost counters of the game's frames. A frame must cost exactly as
// many GL draw calls as its draw list forces (a new texture, blend mode or
// primitive kind, each oval, a full batch: the tool's "mindraws"), so the
// per-command colour and blend replay never splits a batch; and steady play
// must not allocate collected objects at all.
#include <gtest/gtest.h>

#include "tests/game/scenario.h"

namespace {

TEST(PerfScenarios, DrawCallsAndAllocations) {
    const Scenario table[] = {
        // The bot starts a game of type 2 at step 24 and keeps clear of the
        // barriers; after two seconds of play, ten seconds allocate nothing.
        {"steady play",
         "run 20\nbot on 2 avoid\nrun 740",
         {"23 mode == 11", "24..760 mode == 10", "760 dead == 0", "760 rows > 500",
          "1..760 draws-mindraws == 0", "144..743 allocs == 0", "760 draws > 1"}},
        {"the menu, with the debug text",
         "run 30\ntap f1\nrun 10",
         {"20..41 mode == 1", "20..41 draws-mindraws == 0", "41 debug == 1", "41 draws > 1"}},
        {"the pause menu",
         "run 20\nbot on 1 avoid\nrun 100\nbot off\ntap esc\nrun 40",
         {"123..162 paused == 1", "121..162 draws-mindraws == 0", "123..162 allocs == 0",
          "162 draws > 1"}},
    };
    for (const Scenario& s : table)
        CheckScenario(s);
}

}  // namespace
