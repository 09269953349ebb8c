// The application's frame flow through the real host: creation, the staged
// loader and its spinner, the menu after it, reloading on a new window size
// (without the logo sound again), the virtual screen for a few device sizes,
// the function keys, the ways out, suspension in the menu, and that a script
// always gives the same output, and that replay-render draws the frames of
// chosen steps through the real OpenGL at the window's size.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdlib>
#include <filesystem>

#include "tests/game/scenario.h"

namespace {

// The loading screen: two rings of 11 dots, the disc, the band and the logo.

TEST(AppScenarios, FrameFlow) {
    const Scenario table[] = {
        {"create, 18 loading steps, then the menu",
         "run 24",
         {"1..18 reload >= 2", "1..19 cmds == 25", "1 spin == 16", "18 spin == 288",
          "19 reload == 0", "19..24 spin == 304", "20..24 mode == 1", "20..24 reload == 0",
          "4 sfx has 96", "1..3 sfx hasnt 96", "5..24 sfx hasnt 96", "1..24 scale == 1",
          "1..24 draws-mindraws == 0", "1..18 allocs > 0", "status == 0", "lines == 24"}},
        {"a new window size loads again, without the logo sound",
         "run 20\nsize 800 480\nrun 21",
         {"21 reload == 1", "21 scale == 1.25", "21 vw == 640", "21 vh == 384",
          "22..38 reload >= 2", "40 reload == 0", "21..41 sfx hasnt 96", "22..39 cmds == 25",
          "41 mode == 1"}},
        {"400 x 300", "size 400 300\nrun 2", {"1..2 scale == 0.625", "1 vw == 640", "1 vh == 480"}},
        {"640 x 960", "size 640 960\nrun 2", {"1..2 scale == 2", "1 vw == 320", "1 vh == 480"}},
        {"F1 and F2 flip debug and the HUD",
         "run 20\ntap f1\ntap f2\ntap f1 f2",
         {"20 debug == 0", "21 debug == 1", "21 hidehud == 0", "22 debug == 1", "22 hidehud == 1",
          "23 debug == 0", "23 hidehud == 0"}},
        {"F4 in the menu ends with 0", "run 20\ntap f4\nrun 5", {"status == 0", "lines == 20"}},
        {"Escape in the menu ends with 0",
         "run 20\ntap esc\nrun 5",
         {"status == 0", "lines == 20"}},
        {"the close button while loading ends with 0",
         "run 5\nclose\nrun 5",
         {"status == 0", "lines == 5"}},
        {"focus lost in the menu: no updates, no pause",
         "run 20\nblur\nrun 3\nfocus\nrun 2",
         {"21..24 update == 20", "25 update == 21", "26 update == 22", "21..26 paused == 0",
          "26 mode == 1", "lines == 27", "status == 0"}},
        {"focus lost in a game: paused on return",
         "run 20\nbot on 1\nrun 30\nblur\nrun 2\nfocus\nrun 3",
         {"51 mode == 10", "51 paused == 0", "52..54 update == 51", "52..58 paused == 1",
          "58 update == 55"}},
        {"minimised: no updates and nothing drawn",
         "run 20\niconify\nrun 2\nrestore",
         {"21..23 update == 20", "22..23 draws == 0", "24 update == 21"}},
    };
    for (const Scenario& s : table)
        CheckScenario(s);
}

TEST(AppScenarios, SameScriptSameOutput) {
    const char* script =
        "run 10\nmouse 100 200; button 0 down\nsize 700 500; down up\nrun 5\nup up; type hello\n"
        "blur\nfocus\nrun 20\n";
    ReplayResult first = RunReplay(script), second = RunReplay(script);
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.lines.size(), 40u);
    EXPECT_EQ(first.out, second.out);
}

TEST(AppScenarios, RenderedFrames) {
    char dir[] = "/tmp/dropling-frames-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const char* script = "run 19\nsize 400 300\nrun 2\n";
    ReplayResult plain = RunReplay(script);
    ReplayResult drawn = RunReplay(script, {"--render", "19,21", "--out", dir});
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_EQ(drawn.out, plain.out);
    // The loading screen's band, (250, 160, 60) at alpha 0.7 over the clear
    // colour (40, 40, 80), at the left edge halfway down.
    const struct { int step, width, height; } frames[] = {{19, 640, 480}, {21, 400, 300}};
    for (const auto& f : frames) {
        const std::string path = std::string(dir) + "/step-" + std::to_string(f.step) + ".png";
        int w = 0, h = 0, n = 0;
        unsigned char* rgb = stbi_load(path.c_str(), &w, &h, &n, 3);
        ASSERT_TRUE(rgb) << path;
        EXPECT_EQ(w, f.width);
        EXPECT_EQ(h, f.height);
        const unsigned char* px = rgb + (size_t(h / 2) * size_t(w) + 10) * 3;
        EXPECT_NEAR(px[0], 187, 2) << path;
        EXPECT_NEAR(px[1], 124, 2) << path;
        EXPECT_NEAR(px[2], 66, 2) << path;
        stbi_image_free(rgb);
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
