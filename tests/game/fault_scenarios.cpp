// Bad data never stops the game: with the data folder missing, or any one
// file the game loads at 640 x 480 missing or cut in half, it loads, reaches
// the menu and plays a bot game with an invisible picture or a silent sound.
#include <gtest/gtest.h>

#include "tests/game/scenario.h"

namespace {

// Everything the loader and a game read in the -hd set that 640 x 480 uses.
const char* const kLoadedFiles[] = {
    "common/icons-hd.png", "common/Buttons-hd.png", "common/dpad-hd.png",
    "common/VeskLogo-hd.png", "common/Testcard_Circle-hd.png", "fonts/editundo-hd.png",
    "menu-hd.png", "logo-hd.png", "parts-hd.png", "BadgesA-hd.png", "gfx-hd.png", "tube-hd.png",
    "sfx/096.wav", "sfx/001.wav", "sfx/095.wav", "sfx/098.wav", "sfx/099.wav", "sfx/002.wav",
    "sfx/003.wav", "sfx/plumbline.ogg",
};

void ExpectPlays(const std::string& name, const DataDamage& damage) {
    Scenario s{name, "run 25\nbot on 2 avoid\nrun 150",
               {"20 reload == 0", "25 mode == 1", "last mode == 10", "lines == 176",
                "status == 0"}};
    s.damage = damage;
    CheckScenario(s);
}

TEST(FaultScenarios, BadDataStillPlays) {
    ExpectPlays("no data folder", {DataDamage::kNoFolder});
    for (const char* file : kLoadedFiles) {
        ExpectPlays(std::string(file) + " missing", {DataDamage::kMissing, file});
        ExpectPlays(std::string(file) + " cut in half", {DataDamage::kTruncated, file});
    }
}

}  // namespace

// The device size picks the picture files: below 631 pixels the plain ones,
// up to 1230 the -hd ones, from 1231 the -hd2 ones. Only a missing file of
// the chosen set takes the logo off the loading screen (one draw call less).
TEST(FaultScenarios, DeviceSizePicksTheAssetSet) {
    struct Row {
        const char* size;
        const char* suffix;
    } rows[] = {{"400 300", ""}, {"800 480", "-hd"}, {"1280 1024", "-hd2"}};
    for (const Row& chosen : rows) {
        for (const Row& removed : rows) {
            const bool same = chosen.suffix == removed.suffix;
            Scenario s{std::string(chosen.size) + " without VeskLogo" + removed.suffix,
                       std::string("size ") + chosen.size + "\nrun 6",
                       {same ? "6 draws == 25" : "6 draws == 26"}};
            s.damage = {DataDamage::kMissing,
                        std::string("common/VeskLogo") + removed.suffix + ".png"};
            CheckScenario(s);
        }
    }
}
