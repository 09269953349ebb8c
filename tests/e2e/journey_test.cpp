// A player's journeys through the shipped program on a desktop of the test's
// own (desktop.h): only real input from outside (xdotool keys, held keys and
// clicks), the window read back by screenshots and judged by what must be
// there (the carousel at the bottom of the menu, the green score of the play
// screen, the orange pause panel, the yellow bar of the game-over banner, the
// brown option box, the score table's first line), and the state file read
// back. Each program run covers many steps so that the journeys stay few.
// The first run has no sound device at all (OpenAL Soft finds no driver), as
// on a machine without a sound card.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/e2e/desktop.h"

namespace {

using namespace e2e;
namespace fs = std::filesystem;

// ---- what the screens show (virtual-screen pixels of the 640 x 480 design)

bool Bright(int r, int g, int b) {
    return std::max({r, g, b}) > 180;
}
// The score of the play screen, (100, 255, 100) at alpha 0.8.
bool HudGreen(int r, int g, int b) {
    return g > 150 && r < 140 && b < 140;
}
// The pause panel, (255, 150, 10) at alpha 0.7.
bool PanelOrange(int r, int g, int b) {
    return r > 150 && g > 70 && g < 170 && b < 70;
}
// The banner's bar, yellow at alpha 0.5 over the darkened game.
bool BarYellow(int r, int g, int b) {
    return std::abs(r - g) < 40 && r > 90 && b < 90;
}
// The option box, (150, 75, 0) at alpha 0.85.
bool BoxBrown(int r, int g, int b) {
    return r > 100 && g > 45 && g < 110 && b < 60 && r > g + 30;
}
// The best-score table's text, (255, 200, 100).
bool TableText(int r, int g, int b) {
    return r > 200 && g > 150 && g < 230 && b < 150;
}
bool White(int r, int g, int b) {
    return r > 200 && g > 200 && b > 200;
}

bool InMenu(const Shot& s) {
    return s.Share(40, 350, 460, 420, Bright) > 0.15;
}
bool Paused(const Shot& s) {
    return s.Share(180, 188, 460, 292, PanelOrange) > 0.5;
}
bool Playing(const Shot& s) {
    return s.Share(220, 20, 420, 44, HudGreen) > 0.04 && !InMenu(s) && !Paused(s);
}
bool GameOver(const Shot& s) {
    return s.Share(0, 210, 300, 222, BarYellow) > 0.4;
}
bool OptionBox(const Shot& s) {
    return s.Share(250, 10, 580, 40, BoxBrown) > 0.8;
}
// The first line of the best-score table beside the carousel, the same in
// both shots.
bool SameFirstBest(const Shot& a, const Shot& b) {
    return a.Same(b, 500, 75, 640, 90);
}
bool HasTable(const Shot& s) {
    return s.Share(500, 60, 640, 210, TableText) > 0.02;
}
// The menu once it has slid in: its score table stands still.
auto MenuSettled() {
    return [last = Shot()](const Shot& s) mutable {
        const bool settled = InMenu(s) && HasTable(s) && SameFirstBest(s, last);
        last = s;
        return settled;
    };
}
// The text of the option box's first row (the sound option).
double SoundRow(const Shot& s) {
    return s.Share(100, 128, 560, 152, White);
}

// The option box at work: its rows stand still while its back gear turns.
// A new window first shows the last frame again, then the game reloads its
// pictures behind the spinner; input before the box runs again is lost.
auto OptionBoxAtWork() {
    return [last = Shot()](const Shot& s) mutable {
        const bool working =
            OptionBox(s) && s.Same(last, 84, 120, 556, 300) && !s.Same(last, 60, 20, 140, 100);
        last = s;
        return working;
    };
}

// Menu and option box positions.
constexpr int kPlayX = 640 - 70, kPlayY = 480 - 48;  // the play button
constexpr int kCarouselY = 480 - 96, kItemPitch = 88, kFocusX = (640 - 140) / 2;
constexpr int kPauseIcon = 16;
constexpr int kRowX = 200, kSoundRowY = 140, kICadeRowY = 180, kScreenRowY = 220;
constexpr int kBackGearX = 100, kBackGearY = 60;

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class Journey : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string error = desktop_.Open();
        ASSERT_EQ(error, "");
        char pattern[] = "/tmp/dropling-journey-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        fs::create_directory_symlink(DROPLING_BUILD_DIR "/data", dir_ + "/data");
    }
    void TearDown() override {
        if (game_.program.pid > 0) {
            kill(game_.program.pid, SIGKILL);
            waitpid(game_.program.pid, nullptr, 0);
        }
        fs::remove_all(dir_);
    }

    Desktop desktop_;
    Player game_;
    std::string dir_;
};

}  // namespace

TEST_F(Journey, PlaysEachGameTypeFilesTheScoresKeepsTheOptionsAndQuitsThreeWays) {
    // ---- first run: no sound device; type 3 by keys, played until a
    // barrier ends it; type 2 by clicks, quit from the pause menu; the
    // option box; F4.
    ASSERT_TRUE(game_.Start({"env", "ALSOFT_DRIVERS=none", DROPLING_PROGRAM}, dir_));
    EXPECT_EQ(game_.Geometry(), "640x480");
    ASSERT_TRUE(game_.WaitFor("menu", InMenu));
    game_.Key("Right");
    game_.Key("Right");
    Shot before;
    ASSERT_TRUE(game_.WaitFor("menu-type3", [&, settled = MenuSettled()](const Shot& s) mutable {
        before = s;
        return settled(s);
    }));
    game_.Key("space");
    ASSERT_TRUE(game_.WaitFor("play-type3", Playing));
    // Up and down for as long, which leaves the drop near the middle of the
    // tube, where the first barrier ends the game.
    game_.Hold("Up", "0.3");
    game_.Hold("Down", "0.3");
    game_.Key("Escape");
    ASSERT_TRUE(game_.WaitFor("paused-escape", Paused));
    game_.Key("Escape");
    ASSERT_TRUE(game_.WaitFor("resumed", Playing));
    game_.Click(kPauseIcon, kPauseIcon);
    ASSERT_TRUE(game_.WaitFor("paused-icon", Paused));
    game_.Key("space");  // the highlighted resume button
    ASSERT_TRUE(game_.WaitFor("resumed-space", Playing));
    ASSERT_TRUE(game_.WaitFor("game-over", GameOver, 60000));
    Shot filed;
    ASSERT_TRUE(game_.WaitFor("menu-filed", [&, settled = MenuSettled()](const Shot& s) mutable {
        filed = s;
        return settled(s) && !SameFirstBest(s, before);
    }));
    auto record = ReadRecord(dir_ + "/.vantorstate");
    ASSERT_TRUE(record);
    const int score = (*record)[BestPiece(3)];
    EXPECT_GT(score, 0);
    EXPECT_EQ((*record)[LatestPiece(3)], score);

    // Type 2: its carousel item, then the play button.
    game_.Click(kFocusX - kItemPitch, kCarouselY);
    game_.Click(kPlayX, kPlayY);
    ASSERT_TRUE(game_.WaitFor("play-type2", Playing));
    Eventually([] { return false; }, 2500);  // a few rows score
    game_.Click(kPauseIcon, kPauseIcon);
    ASSERT_TRUE(game_.WaitFor("paused-type2", Paused));
    game_.Key("Left");   // the quit button
    game_.Key("space");  // quits: the banner, then the menu
    ASSERT_TRUE(game_.WaitFor("game-over-type2", GameOver));
    ASSERT_TRUE(game_.WaitFor("menu-type2", InMenu));
    record = ReadRecord(dir_ + "/.vantorstate");
    ASSERT_TRUE(record);
    EXPECT_GT((*record)[LatestPiece(2)], 0);
    EXPECT_EQ((*record)[BestPiece(3)], score);

    // The option box from the gear item: sound, iCade, full screen and back.
    game_.Key("Right");
    game_.Key("Right");
    game_.Key("space");
    double soundRow = 0;
    ASSERT_TRUE(game_.WaitFor("options", [&](const Shot& s) {
        soundRow = SoundRow(s);
        return OptionBox(s);
    }));
    game_.Click(kRowX, kSoundRowY);
    const double soundBefore = soundRow;
    ASSERT_TRUE(game_.WaitFor("options-changed", [&](const Shot& s) {
        soundRow = SoundRow(s);
        return OptionBox(s) && soundRow != soundBefore;
    }));
    game_.Click(kRowX, kICadeRowY);
    game_.Click(kRowX, kScreenRowY);
    ASSERT_TRUE(Eventually([&] { return game_.FindAgain() && game_.Geometry() == "1280x1024"; }));
    ASSERT_TRUE(game_.WaitFor("options-fullscreen", OptionBoxAtWork()));
    game_.Click(kRowX, kScreenRowY);
    ASSERT_TRUE(Eventually([&] { return game_.FindAgain() && game_.Geometry() == "640x480"; }));
    ASSERT_TRUE(game_.WaitFor("options-windowed", OptionBoxAtWork()));
    game_.Click(kBackGearX, kBackGearY);  // closes the box and saves
    ASSERT_TRUE(game_.WaitFor("menu-options-closed", InMenu));
    record = ReadRecord(dir_ + "/.vantorstate");
    ASSERT_TRUE(record);
    EXPECT_EQ((*record)[kSoundPiece], 2);  // "SFX": effects only
    game_.Key("F4");
    EXPECT_EQ(game_.Exit(), 0);
    EXPECT_EQ(Count(game_.program.seen, "OpenAl error"), 1) << game_.program.seen;
    EXPECT_EQ(Count(game_.program.seen, "Invalid"), 0) << game_.program.seen;

    // ---- second run: the scores and the sound option are back; type 1 by
    // the play button, quit through Escape's pause menu; the close button.
    ASSERT_TRUE(game_.Start({DROPLING_PROGRAM}, dir_));
    ASSERT_TRUE(game_.WaitFor("menu-again", MenuSettled()));
    game_.Click(kPlayX, kPlayY);
    ASSERT_TRUE(game_.WaitFor("play-type1", Playing));
    game_.Key("Escape");
    ASSERT_TRUE(game_.WaitFor("paused-type1", Paused));
    game_.Key("Left");
    game_.Key("space");
    ASSERT_TRUE(game_.WaitFor("menu-type1", InMenu));
    game_.Key("Right");
    game_.Key("Right");
    ASSERT_TRUE(game_.WaitFor("menu-type3-again",
                              [&](const Shot& s) { return InMenu(s) && SameFirstBest(s, filed); }));
    game_.Key("Right");
    game_.Key("space");
    ASSERT_TRUE(game_.WaitFor("options-again", [&](const Shot& s) {
        return OptionBox(s) && SoundRow(s) == soundRow;
    }));
    game_.Key("Escape");  // closes the box
    ASSERT_TRUE(game_.WaitFor("menu-last", InMenu));
    game_.CloseButton();
    EXPECT_EQ(game_.Exit(), 0);
    EXPECT_EQ(Count(game_.program.seen, "Loaded"), 5) << game_.program.seen;
    EXPECT_EQ(Count(game_.program.seen, "OpenAl error"), 0) << game_.program.seen;

    // ---- third run: no data folder: nothing to see but the clear colour and
    // the score panel's shade; Escape in the menu ends it.
    fs::remove(dir_ + "/data");
    ASSERT_TRUE(game_.Start({DROPLING_PROGRAM}, dir_));
    ASSERT_TRUE(game_.WaitFor("menu-no-data", [](const Shot& s) {
        return s.Share(520, 200, 640, 280, [](int r, int g, int b) {
            return r < 10 && g < 10 && b > 30 && b < 60;
        }) > 0.9;
    }));
    game_.Key("Escape");
    EXPECT_EQ(game_.Exit(), 0);
    EXPECT_EQ(Count(game_.program.seen, "Error"), 0) << game_.program.seen;
}
