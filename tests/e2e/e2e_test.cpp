// The real programs on a desktop of the test's own (desktop.h), driven only
// by real input from outside (xdotool keys, held keys and clicks): the
// window opens with its title and size, a typed key reaches the input
// device, and the close button ends the program with status 0; the
// sequencer build is heard under OpenAL Soft's wave backend with its drums
// panned apart, and is silent with the sound option off; and a player's
// journeys through the shipped program, the window read back by screenshots
// and judged by what must be there (the carousel at the bottom of the menu,
// the green score of the play screen, the orange pause panel, the yellow bar
// of the game-over banner, the brown option box, the score table's first
// line), and the state file read back. Each program run covers many steps
// so that the runs stay few. The first journey run has no sound device at
// all (OpenAL Soft finds no driver), as on a machine without a sound card.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
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

bool InMenu(const Shot& s) {
    return s.Share(40, 350, 460, 420, [](int r, int g, int b) {
        return std::max({r, g, b}) > 180;
    }) > 0.15;
}
// The pause panel, (255, 150, 10) at alpha 0.7.
bool Paused(const Shot& s) {
    return s.Share(180, 188, 460, 292, [](int r, int g, int b) {
        return r > 150 && g > 70 && g < 170 && b < 70;
    }) > 0.5;
}
// The score of the play screen, (100, 255, 100) at alpha 0.8.
bool Playing(const Shot& s) {
    return s.Share(220, 20, 420, 44,
                   [](int r, int g, int b) { return g > 150 && r < 140 && b < 140; }) > 0.04 &&
           !InMenu(s) && !Paused(s);
}
// The banner's bar, yellow at alpha 0.5 over the darkened game.
bool GameOver(const Shot& s) {
    return s.Share(0, 210, 300, 222, [](int r, int g, int b) {
        return std::abs(r - g) < 40 && r > 90 && b < 90;
    }) > 0.4;
}
// The option box, (150, 75, 0) at alpha 0.85.
bool OptionBox(const Shot& s) {
    return s.Share(250, 10, 580, 40, [](int r, int g, int b) {
        return r > 100 && g > 45 && g < 110 && b < 60 && r > g + 30;
    }) > 0.8;
}
// The first line of the best-score table beside the carousel, the same in
// both shots.
bool SameFirstBest(const Shot& a, const Shot& b) {
    return a.Same(b, 500, 75, 640, 90);
}
// The menu once it has slid in: its score table, (255, 200, 100), stands
// still.
auto MenuSettled() {
    return [last = Shot()](const Shot& s) mutable {
        const bool table = s.Share(500, 60, 640, 210, [](int r, int g, int b) {
            return r > 200 && g > 150 && g < 230 && b < 150;
        }) > 0.02;
        const bool settled = InMenu(s) && table && SameFirstBest(s, last);
        last = s;
        return settled;
    };
}
// The white text of the option box's first row (the sound option).
double SoundRow(const Shot& s) {
    return s.Share(100, 128, 560, 152,
                   [](int r, int g, int b) { return r > 200 && g > 200 && b > 200; });
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

// What the game prints when it loads a whole record.
const char* const kAllLoaded =
    "Settings Loaded\nBadges Loaded\nHighscore 0 Loaded\nHighscore 1 Loaded\nHighscore 2 Loaded\n";

// ---- the saved record: 25 options, 8 flag words, then per game type ten
// (best, latest) pairs; each section closed by its checksum.

constexpr int kValues = 98, kSoundPiece = 5;
constexpr int kChecksumAt[5] = {25, 34, 55, 76, 97};
// best[0] of game type 1..3; latest[0] follows it.
constexpr int kBest[] = {0, 35, 56, 77};

// A record of those numbers, with the checksums made right, in 32-bit
// arithmetic that wraps as the game's does.
std::string MakeRecord(std::vector<int> v) {
    v.resize(kValues);
    uint32_t sum = 0;
    for (int i = 0, section = 0; i < kValues; ++i) {
        if (i == kChecksumAt[section]) {
            v[i] = int(sum);
            sum = 0;
            ++section;
            continue;
        }
        // Options weigh their index, flag words 1, the n-th best score n + 4
        // and the n-th latest n + 3 + its game type - 1.
        const int type = (i - 35) / 21, at = (i - 35) % 21, n = at / 2;
        const int weight = section == 0 ? i : section == 1 ? 1 : at % 2 ? n + 3 + type : n + 4;
        sum += uint32_t(v[i]) * uint32_t(weight);
    }
    std::string out;
    for (int n : v)
        out += std::to_string(n) + "|";
    return out;
}

// A record the game keeps as it is when it loads and saves it: sound option
// 3, the option limits already met, a best and latest score per game type.
std::vector<int> SavedValues() {
    std::vector<int> v = {0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 64, 64, 10, 0, 1};
    v.resize(kValues);
    for (int type = 1; type <= 3; ++type)
        v[kBest[type]] = v[kBest[type] + 1] = 40 * type;
    return v;
}

class OnDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(desktop_.Open(), "");
        char pattern[] = "/tmp/dropling-e2e-XXXXXX";
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
    // The saved record's numbers; a failure unless it is whole with every
    // checksum right.
    std::vector<int> Saved() {
        const std::string text = ReadFile(dir_ + "/.vantorstate");
        std::vector<int> v;
        std::istringstream in(text);
        for (std::string piece; std::getline(in, piece, '|');)
            v.push_back(std::atoi(piece.c_str()));
        EXPECT_EQ(MakeRecord(v), text);
        v.resize(kValues);
        return v;
    }

    Desktop desktop_;
    Player game_;
    std::string dir_;
};

// ---- the sequencer's mix

constexpr int kMixRate = 44100;
constexpr int kFrameBytes = 4;  // 16-bit stereo

// Waits until the mixer has written `frames` frames: its file is the clock.
bool WaitForMix(const std::string& path, size_t frames) {
    return Eventually([&] {
        std::error_code e;
        return fs::file_size(path, e) >= frames * kFrameBytes + 100 && !e;
    });
}

}  // namespace

TEST_F(OnDesktop, TheWindowHasItsTitleAndSizeAKeyReachesTheInputDeviceAndCloseEndsWith0) {
    // The probe build prints the key hits and characters it sees.
    ASSERT_TRUE(game_.Start({DROPLING_PROBE}, dir_));
    EXPECT_EQ(RunTool({"xdotool", "getwindowname", game_.window}), std::string(kTitle) + "\n");
    EXPECT_EQ(game_.Geometry(), "640x480");
    ASSERT_TRUE(ReadUntil(game_.program, "probe: ready\n")) << game_.program.seen;
    game_.Key("a");
    EXPECT_TRUE(ReadUntil(game_.program, "probe: hit 65 x1\nprobe: char 97\n"))
        << game_.program.seen;
    game_.CloseButton();
    EXPECT_EQ(game_.Exit(), 0);
}

TEST_F(OnDesktop, TheSequencerIsHeardInAGameWithItsDrumsPannedAndSilentWithSoundOff) {
    const std::string wav = dir_ + "/mix.wav", conf = dir_ + "/alsoft.conf";
    std::ofstream(conf) << "[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\n"
                           "frequency = 44100\nhrtf = false\n[wave]\nfile = "
                        << wav << "\n";
    for (bool soundOff : {false, true}) {
        SCOPED_TRACE(soundOff ? "sound off" : "sound on");
        fs::remove(wav);
        // A saved record of zeros: sound option 0.
        if (soundOff) std::ofstream(dir_ + "/.vantorstate") << MakeRecord({});
        ASSERT_TRUE(game_.Start({"env", "ALSOFT_CONF=" + conf, DROPLING_SEQUENCER}, dir_));
        // A second into the menu, space starts a game of the first type.
        ASSERT_TRUE(WaitForMix(wav, kMixRate));
        const size_t pressed = size_t(fs::file_size(wav)) / kFrameBytes;
        game_.Key("space");
        // The tune loads and starts within half a second; the game, left to
        // itself, ends after about four.
        ASSERT_TRUE(WaitForMix(wav, pressed + kMixRate * 7 / 2));
        game_.CloseButton();
        EXPECT_EQ(game_.Exit(), 0);

        // The device was closed on the way out: only then does the backend
        // finish the header's sizes.
        const std::string file = ReadFile(wav);
        ASSERT_GT(file.size(), 8u);
        EXPECT_EQ(uint8_t(file[4]) | uint8_t(file[5]) << 8 | uint8_t(file[6]) << 16 |
                      uint32_t(uint8_t(file[7])) << 24,
                  uint32_t(file.size() - 8));
        double left = 0, right = 0, apart = 0;
        size_t n = 0;
        for (size_t i = file.find("data") + 8 + 4 * (pressed + kMixRate * 4 / 5);
             i + 3 < file.size() && n < 2 * kMixRate; i += 4, ++n) {
            const double l = int16_t(uint8_t(file[i]) | uint8_t(file[i + 1]) << 8),
                         r = int16_t(uint8_t(file[i + 2]) | uint8_t(file[i + 3]) << 8);
            left += l * l, right += r * r, apart += (l - r) * (l - r);
        }
        ASSERT_EQ(n, size_t(2 * kMixRate));
        left = std::sqrt(left / n), right = std::sqrt(right / n), apart = std::sqrt(apart / n);
        // Silent with the sound off; else loud on both sides, and not panned
        // to the middle, which would give equal sides: the drums make them
        // differ.
        EXPECT_TRUE(soundOff ? left + right < 2.0
                             : left > 500 && right > 500 && apart > 0.1 * (left + right))
            << "left " << left << " right " << right << " apart " << apart;
    }
}

TEST_F(OnDesktop, PlaysEachGameTypeFilesTheScoresKeepsTheOptionsAndQuitsThreeWays) {
    // ---- first run: no sound device; type 3 by keys, played until a
    // barrier ends it; type 2 by clicks, quit from the pause menu; the
    // option box; F4.
    ASSERT_TRUE(game_.Start({"env", "ALSOFT_DRIVERS=none", DROPLING_PROGRAM}, dir_));
    ASSERT_TRUE(game_.WaitFor(InMenu));
    game_.Key("Right");
    game_.Key("Right");
    ASSERT_TRUE(game_.WaitFor(MenuSettled()));
    const Shot before = game_.Look();
    game_.Key("space");
    ASSERT_TRUE(game_.WaitFor(Playing));
    // Up and down for as long, which leaves the drop near the middle of the
    // tube, where the first barrier ends the game.
    game_.Hold("Up", "0.3");
    game_.Hold("Down", "0.3");
    game_.Key("Escape");
    ASSERT_TRUE(game_.WaitFor(Paused));
    game_.Key("Escape");
    ASSERT_TRUE(game_.WaitFor(Playing));
    game_.Click(kPauseIcon, kPauseIcon);
    ASSERT_TRUE(game_.WaitFor(Paused));
    game_.Key("space");  // the highlighted resume button
    ASSERT_TRUE(game_.WaitFor(Playing));
    ASSERT_TRUE(game_.WaitFor(GameOver, 60000));
    ASSERT_TRUE(game_.WaitFor([&, settled = MenuSettled()](const Shot& s) mutable {
        return settled(s) && !SameFirstBest(s, before);
    }));
    const Shot filed = game_.Look();
    const int score = Saved()[kBest[3]];
    EXPECT_GT(score, 0);
    EXPECT_EQ(Saved()[kBest[3] + 1], score);

    // Type 2: its carousel item, then the play button.
    game_.Click(kFocusX - kItemPitch, kCarouselY);
    game_.Click(kPlayX, kPlayY);
    ASSERT_TRUE(game_.WaitFor(Playing));
    Eventually([] { return false; }, 2500);  // a few rows score
    game_.Click(kPauseIcon, kPauseIcon);
    ASSERT_TRUE(game_.WaitFor(Paused));
    game_.Key("Left");   // the quit button
    game_.Key("space");  // quits: the banner, then the menu
    ASSERT_TRUE(game_.WaitFor(GameOver));
    ASSERT_TRUE(game_.WaitFor(InMenu));
    EXPECT_GT(Saved()[kBest[2] + 1], 0);
    EXPECT_EQ(Saved()[kBest[3]], score);

    // The option box from the gear item: sound, iCade, full screen and back.
    game_.Key("Right");
    game_.Key("Right");
    game_.Key("space");
    double soundRow = 0;
    ASSERT_TRUE(game_.WaitFor([&](const Shot& s) {
        soundRow = SoundRow(s);
        return OptionBox(s);
    }));
    game_.Click(kRowX, kSoundRowY);
    const double soundBefore = soundRow;
    ASSERT_TRUE(game_.WaitFor([&](const Shot& s) {
        soundRow = SoundRow(s);
        return OptionBox(s) && soundRow != soundBefore;
    }));
    game_.Click(kRowX, kICadeRowY);
    game_.Click(kRowX, kScreenRowY);
    ASSERT_TRUE(Eventually([&] { return game_.FindAgain() && game_.Geometry() == "1280x1024"; }));
    ASSERT_TRUE(game_.WaitFor(OptionBoxAtWork()));
    game_.Click(kRowX, kScreenRowY);
    ASSERT_TRUE(Eventually([&] { return game_.FindAgain() && game_.Geometry() == "640x480"; }));
    ASSERT_TRUE(game_.WaitFor(OptionBoxAtWork()));
    game_.Click(kBackGearX, kBackGearY);  // closes the box and saves
    ASSERT_TRUE(game_.WaitFor(InMenu));
    EXPECT_EQ(Saved()[kSoundPiece], 2);  // "SFX": effects only
    game_.Key("F4");
    EXPECT_EQ(game_.Exit(), 0);
    EXPECT_EQ(Count(game_.program.seen, "OpenAl error"), 1) << game_.program.seen;
    EXPECT_EQ(Count(game_.program.seen, "Invalid"), 0) << game_.program.seen;

    // ---- second run: the scores and the sound option are back; type 1 by
    // the play button, quit through Escape's pause menu; the close button.
    ASSERT_TRUE(game_.Start({DROPLING_PROGRAM}, dir_));
    ASSERT_TRUE(game_.WaitFor(MenuSettled()));
    game_.Click(kPlayX, kPlayY);
    ASSERT_TRUE(game_.WaitFor(Playing));
    game_.Key("Escape");
    ASSERT_TRUE(game_.WaitFor(Paused));
    game_.Key("Left");
    game_.Key("space");
    ASSERT_TRUE(game_.WaitFor(InMenu));
    game_.Key("Right");
    game_.Key("Right");
    ASSERT_TRUE(game_.WaitFor([&](const Shot& s) { return InMenu(s) && SameFirstBest(s, filed); }));
    game_.Key("Right");
    game_.Key("space");
    ASSERT_TRUE(
        game_.WaitFor([&](const Shot& s) { return OptionBox(s) && SoundRow(s) == soundRow; }));
    game_.Key("Escape");  // closes the box
    ASSERT_TRUE(game_.WaitFor(InMenu));
    game_.CloseButton();
    EXPECT_EQ(game_.Exit(), 0);
    EXPECT_EQ(Count(game_.program.seen, "Loaded"), 5) << game_.program.seen;
    EXPECT_EQ(Count(game_.program.seen, "OpenAl error"), 0) << game_.program.seen;

    // ---- third run: no data folder: nothing to see but the clear colour and
    // the score panel's shade; Escape in the menu ends it.
    fs::remove(dir_ + "/data");
    ASSERT_TRUE(game_.Start({DROPLING_PROGRAM}, dir_));
    ASSERT_TRUE(game_.WaitFor([](const Shot& s) {
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
TEST_F(OnDesktop, TheSavedRecordSurvivesAFullDiskAReadOnlyFolderAndHandDamage) {
    const std::string saved = MakeRecord(SavedValues()), old = " " + saved;
    // Two values changed by hand, their checksums left as they were: the
    // fourth option 0 to 7, the latest score of game type 2 80 to 81.
    std::string damaged = saved;
    damaged[6] = '7';
    damaged[damaged.find("|80|80|") + 5] = '1';
    std::vector<int> repaired = SavedValues();  // the damaged sections reset
    repaired[kSoundPiece] = 1;
    repaired[kBest[2]] = repaired[kBest[2] + 1] = 0;

    const bool mounts = RunTool({"unshare", "-rm", "true"}).rfind("<failed", 0) != 0;
    const std::string state = dir_ + "/.vantorstate";
    const struct {
        const char* name;
        const char* fault;  // a shell line around the program ($0 the folder, $1 the program)
        std::string before, after, loaded;
    } cases[] = {
        {"no fault: the suspend saves", nullptr, old, saved, kAllLoaded},
        {"full disk",
         mounts ? "mkdir disk && mv .vantorstate old && ln -s disk/.vantorstate "
                  ".vantorstate && unshare -rm sh -c 'mount -t tmpfs -o size=4k "
                  "tmpfs disk && cp old disk/.vantorstate && \"$1\"; s=$?; cp "
                  "disk/.vantorstate after; exit $s' \"$0\" \"$1\"; s=$?; rm -r "
                  ".vantorstate disk old; mv after .vantorstate; exit $s"
                : "ulimit -f 0; trap '' XFSZ; exec \"$1\"",
         old, old, kAllLoaded},
        {"read-only folder",
         mounts ? "exec unshare -rm sh -c 'mount --bind \"$0\" \"$0\" && "
                  "mount -o remount,ro,bind \"$0\" && cd \"$0\" && exec "
                  "\"$1\"' \"$0\" \"$1\""
                : "chmod a-w . && \"$1\"; s=$?; chmod u+w .; exit $s",
         old, old, kAllLoaded},
        {"damaged by hand", nullptr, damaged, MakeRecord(repaired),
         "Settings Checksum Invalid\nBadges Loaded\nHighscore 0 Loaded\n"
         "Highscore 1 Checksum Invalid\nHighscore 2 Loaded\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!mounts && std::string(c.name) == "read-only folder" && getuid() == 0) {
            std::cout << "no mounts of our own and running as root: read-only folder not tried\n";
            continue;
        }
        std::ofstream(state) << c.before;
        const std::vector<std::string> args =
            c.fault ? std::vector<std::string>{"sh", "-c", c.fault, dir_, DROPLING_PROGRAM}
                    : std::vector<std::string>{DROPLING_PROGRAM};
        ASSERT_TRUE(game_.Start(args, dir_));
        ASSERT_TRUE(game_.WaitFor(InMenu));
        // Iconified until the save shows, or long enough to tell it failed.
        RunTool({"xdotool", "windowminimize", "--sync", game_.window});
        Eventually([&] { return ReadFile(state) != c.before; }, 3000);
        RunTool({"xdotool", "windowactivate", "--sync", game_.window});
        ASSERT_TRUE(game_.WaitFor(InMenu));
        game_.Key("F4");
        EXPECT_EQ(game_.Exit(), 0);
        EXPECT_NE(game_.program.seen.find(c.loaded), std::string::npos) << game_.program.seen;
        EXPECT_EQ(Count(game_.program.seen, "Invalid"), Count(c.loaded, "Invalid"));
        EXPECT_EQ(ReadFile(state), c.after);
    }
}

// The program killed at random moments while it saves again and again (the
// window iconified and restored in a tight loop): every time, the state file
// holds a whole record, and the next start loads it without a checksum
// message.
TEST_F(OnDesktop, AKillWhileSavingLeavesAWholeRecord) {
    constexpr int kKills = 8;
    const std::string state = dir_ + "/.vantorstate";
    std::ofstream(state) << " " + MakeRecord(SavedValues());
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayMs(100, 900);
    for (int kill = 0; kill <= kKills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        ASSERT_TRUE(game_.Start({DROPLING_PROGRAM}, dir_));
        ASSERT_TRUE(ReadUntil(game_.program, kAllLoaded)) << game_.program.seen;
        if (kill == kKills) break;
        // Each state lasts a few updates, so that the game sees it.
        Program loop = Start({"sh", "-c",
                              "while :; do xdotool windowminimize --sync \"$0\" sleep 0.05 "
                              "windowactivate --sync \"$0\" sleep 0.05; done",
                              game_.window},
                             "");
        Eventually([] { return false; }, delayMs(random));
        ::kill(game_.program.pid, SIGKILL);
        EXPECT_EQ(WaitForExit(game_.program), -1);
        ::kill(loop.pid, SIGKILL);
        WaitForExit(loop);
        const std::string text = ReadFile(state);
        EXPECT_EQ(text.substr(text[0] == ' '), MakeRecord(SavedValues()));
    }
    EXPECT_EQ(ReadFile(state), MakeRecord(SavedValues())) << "the loop never saved";
    game_.Key("F4");
    EXPECT_EQ(game_.Exit(), 0);
}
