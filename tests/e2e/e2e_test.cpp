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

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
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

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A record the game keeps as it is when it loads and saves it: sound option
// 3, the option limits already met, a best and latest score per game type.
std::vector<int> SavedValues() {
    std::vector<int> v(98, 0);
    v[kSoundPiece] = 3;
    v[10] = v[11] = 64;
    v[12] = 10;
    v[14] = 1;
    for (int type = 1; type <= 3; ++type)
        v[BestPiece(type)] = v[LatestPiece(type)] = 40 * type;
    return v;
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

// Each fault is one run of the program on a saved record: to the menu, an
// iconify and a restore (the suspend saves), F4. The record on disk starts
// with a blank, which loading reads past and saving never writes, so the
// file tells whether a save replaced it. Where the machine lets a test have
// its own mounts (a user namespace), the full disk is a 4 KiB tmpfs that the
// old record fills and the read-only folder a read-only bind mount;
// otherwise a file size limit of 0 stands in for the full disk, and the
// read-only folder is a folder without write permission (not for root).
TEST_F(Journey, TheSavedRecordSurvivesAFullDiskAReadOnlyFolderAndHandDamage) {
    const std::string saved = MakeRecord(SavedValues()), old = " " + saved;
    // Two values changed by hand, their checksums left as they were.
    std::string damaged;
    {
        std::istringstream in(saved);
        std::string piece;
        for (int i = 0; std::getline(in, piece, '|'); ++i)
            damaged += (i == 3 ? "7" : i == LatestPiece(2) ? "81" : piece) + "|";
    }
    std::vector<int> repaired = SavedValues();  // the damaged sections reset
    repaired[kSoundPiece] = 1;
    repaired[BestPiece(2)] = repaired[LatestPiece(2)] = 0;

    const bool mounts = RunTool({"unshare", "-rm", "true"}).rfind("<failed", 0) != 0;
    const std::string state = dir_ + "/.vantorstate";
    const struct {
        const char* name;
        const char* fault;  // a shell line around the program ($0 the folder, $1 the program)
        std::string before, after;
        std::vector<const char*> messages;
        int invalid;  // "Checksum Invalid" messages
    } cases[] = {
        {"no fault: the suspend saves", nullptr, old, saved, {"Settings Loaded"}, 0},
        {"full disk", mounts ? "mkdir disk && mv .vantorstate old && ln -s disk/.vantorstate "
                               ".vantorstate && unshare -rm sh -c 'mount -t tmpfs -o size=4k "
                               "tmpfs disk && cp old disk/.vantorstate && \"$1\"; s=$?; cp "
                               "disk/.vantorstate after; exit $s' \"$0\" \"$1\"; s=$?; rm -r "
                               ".vantorstate disk old; mv after .vantorstate; exit $s"
                             : "ulimit -f 0; trap '' XFSZ; exec \"$1\"",
         old, old, {"Settings Loaded"}, 0},
        {"read-only folder", mounts ? "exec unshare -rm sh -c 'mount --bind \"$0\" \"$0\" && "
                                      "mount -o remount,ro,bind \"$0\" && cd \"$0\" && exec "
                                      "\"$1\"' \"$0\" \"$1\""
                                    : "chmod a-w . && \"$1\"; s=$?; chmod u+w .; exit $s",
         old, old, {"Settings Loaded"}, 0},
        {"damaged by hand", nullptr, damaged, MakeRecord(repaired),
         {"Settings Checksum Invalid", "Badges Loaded", "Highscore 0 Loaded",
          "Highscore 1 Checksum Invalid", "Highscore 2 Loaded"},
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!mounts && std::string(c.name) == "read-only folder" && getuid() == 0) {
            std::cout << "no mounts of our own and running as root: read-only folder not tried\n";
            continue;
        }
        WriteFile(state, c.before);
        const std::vector<std::string> args =
            c.fault ? std::vector<std::string>{"sh", "-c", c.fault, dir_, DROPLING_PROGRAM}
                    : std::vector<std::string>{DROPLING_PROGRAM};
        ASSERT_TRUE(game_.Start(args, dir_));
        ASSERT_TRUE(game_.WaitFor("", InMenu));
        // Iconified until the save shows, or long enough to tell it failed.
        game_.Iconify();
        Eventually([&] { return ReadFile(state) != c.before; }, 3000);
        game_.Restore();
        ASSERT_TRUE(game_.WaitFor("", InMenu));
        game_.Key("F4");
        EXPECT_EQ(game_.Exit(), 0);
        for (const char* m : c.messages)
            EXPECT_NE(game_.program.seen.find(m), std::string::npos) << m << "\n" << game_.program.seen;
        EXPECT_EQ(Count(game_.program.seen, "Invalid"), c.invalid);
        EXPECT_EQ(ReadFile(state), c.after);
        EXPECT_TRUE(ReadRecord(state));
    }
}

// The program killed at random moments while it saves again and again (the
// window iconified and restored in a tight loop): every time, the state file
// holds a whole record, and the next start loads it without a checksum
// message.
TEST_F(Journey, AKillWhileSavingLeavesAWholeRecord) {
    constexpr int kKills = 8;
    const std::string state = dir_ + "/.vantorstate";
    WriteFile(state, " " + MakeRecord(SavedValues()));
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayMs(100, 900);
    for (int kill = 0; kill <= kKills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        ASSERT_TRUE(game_.Start({DROPLING_PROGRAM}, dir_));
        ASSERT_TRUE(ReadUntil(game_.program, "Highscore 2 Loaded\n")) << game_.program.seen;
        EXPECT_EQ(game_.program.seen.find("Invalid"), std::string::npos) << game_.program.seen;
        if (kill == kKills) break;
        // Each state lasts a few updates, so that the game sees it.
        Program loop = Start({"sh", "-c",
                              "while :; do xdotool windowminimize --sync \"$0\" sleep 0.05 "
                              "windowactivate --sync \"$0\" sleep 0.05; done",
                              game_.window},
                             nullptr);
        Eventually([] { return false; }, delayMs(random));
        ::kill(game_.program.pid, SIGKILL);
        EXPECT_EQ(WaitForExit(game_.program), -1);
        ::kill(loop.pid, SIGKILL);
        WaitForExit(loop);
        const std::string text = ReadFile(state);
        EXPECT_TRUE(ReadRecord(state)) << text;
        EXPECT_EQ(text.substr(text[0] == ' '), MakeRecord(SavedValues()));
    }
    EXPECT_EQ(ReadFile(state), MakeRecord(SavedValues())) << "the loop never saved";
    game_.Key("F4");
    EXPECT_EQ(game_.Exit(), 0);
}
