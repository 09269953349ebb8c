// Tune loading on the real OpenGL (Mesa under Xvfb) with the recording
// OpenAL fake, in a temporary data folder that links the generated
// instruments and tunes: the generated pictures decode to exactly the cells
// the data generator wrote, a hand-made picture pins the blue-to-value rule
// and the frame order, and loads restart, skip or fail as promised.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "framework/app.h"
#include "host/glfwgame.h"
#include "music/zrplayer.h"
#include "platform/glfw2.h"
#include "tests/fakes/fake_al.h"
#include "tests/support/child_process.h"
#include "tests/support/gc_fixture.h"
#include "tests/support/scratch_dir.h"
#include "tools/datagen/image.h"
#include "tools/datagen/music.h"

namespace fs = std::filesystem;
using namespace glfw2;

namespace {

class TuneLoadingTest : public GcTest {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(glfwInit()) << "needs an X display (run under xvfb-run)";
        glfwOpenWindow(640, 480, 8, 8, 8, 0, 0, 0, GLFW_WINDOW);
        glfwGraphicsSeq++;  // as the host does for every window it opens
    }
    static void TearDownTestSuite() { glfwCloseWindow(); }

    void SetUp() override {
        GcTest::SetUp();
        if (!BBGlfwGame::_glfwGame) new BBGlfwGame();
        bb_app__game = BBGlfwGame::_glfwGame;
        fakeal::Reset();
        bb_graphics_InitGlobals();
        bb_graphics_SetGraphicsDevice(g = new gxtkGraphics());
        bb_audio_SetAudioDevice(new gxtkAudio());
        const fs::path data(DROPLING_DATA_DIR);
        fs::create_directories("data/tunes");
        for (const char* d : {"inst", "tunes/Retro", "tunes/Meadow Run"})
            fs::create_directory_symlink(data / d, fs::path("data") / d);
        p = (new c_ZRPlayer())->m_new();
        p->p_ZR_Init(32, 4, 3, 3, 4);
    }
    void TearDown() override {
        bb_graphics_device = nullptr;
        bb_graphics_context = nullptr;
        bb_audio_device = nullptr;
        GcTest::TearDown();
    }

    // One render pass as the game runs it, the sequencer's hook first.
    void Render() {
        g->BeginRender();
        bb_graphics_BeginRender();
        p->p_ZR_Alive_R();
        bb_graphics_EndRender();
        g->EndRender();
    }
    // Renders until loaded, at most three steps each; returns the renders.
    int Load(const char* tune) {
        p->p_ZR_StartTune(String(tune), 37171650, 100);
        int renders = 0;
        for (int step = p->m_LoadStep; step > 0 && renders < 100; ++renders) {
            Render();
            EXPECT_LE((p->m_LoadStep == 0 ? 71 : p->m_LoadStep) - step, 3);
            step = p->m_LoadStep;
        }
        return renders;
    }
    // A straight RGBA picture of 64 x 64 frames, `across` to a row, with
    // blue and alpha set at (frame, x, y).
    void WritePicture(const char* name, int across, int down,
                      const std::vector<std::array<int, 6>>& pixels) {
        const int w = across * 64;
        std::vector<uint8_t> rgba(size_t(w * down * 64 * 4), 0);
        for (auto [frame, x, y, blue, alpha, value] : pixels) {
            uint8_t* px =
                &rgba[size_t(((frame / across * 64 + y) * w + frame % across * 64 + x) * 4)];
            px[0] = 200, px[2] = uint8_t(blue), px[3] = uint8_t(alpha);
        }
        const std::vector<uint8_t> png = datagen::encodePng(rgba, w, down * 64, 4);
        std::ofstream(std::string("data/tunes/") + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    }
    int Cell(int pattern, int g, int y, int k) {
        return p->m_TuneData[pattern * 4096 + g * 512 + y * 8 + k];
    }

    gxtkGraphics* g = nullptr;
    c_ZRPlayer* p = nullptr;
    ScratchDir scratch{true};
};

TEST_F(TuneLoadingTest, GeneratedTunesDecodeToTheGeneratorsCells) {
    for (const datagen::TuneSheet& sheet : datagen::tuneSheets()) {
        SCOPED_TRACE(sheet.name);
        EXPECT_EQ(Load(sheet.name.c_str()), 24);  // 70 steps, three per render
        // Every value of every frame, zeros included: fields 4..7 and columns
        // 5..7 are empty.
        std::vector<int> want(63 * 4096, 0);
        for (size_t col = 0; col < 5; ++col) {
            EXPECT_EQ(p->m_LastPattern[int(col)], int(sheet.voices[col].size()) - 1);
            for (size_t pat = 0; pat < sheet.voices[col].size(); ++pat) {
                for (size_t y = 0; y < 64; ++y) {
                    const datagen::TuneCell& c = sheet.voices[col][pat][y];
                    int* cell = &want[pat * 4096 + col * 512 + y * 8];
                    cell[0] = c.note, cell[1] = c.volume, cell[2] = c.effect, cell[3] = c.parameter;
                }
            }
        }
        const std::vector<int> got(&p->m_TuneData[0], &p->m_TuneData[63 * 4096]);
        const auto diff = std::mismatch(got.begin(), got.end(), want.begin());
        EXPECT_TRUE(diff.first == got.end()) << "first difference at " << diff.first - got.begin();
        for (int j = 1; j <= 8; ++j)
            EXPECT_TRUE(p->m_DrumsA[j] && p->m_DrumsB[j] &&
                        (j < 2 || j > 4 || p->m_Instruments[j]));
    }
}

TEST_F(TuneLoadingTest, BlueLevelsFrameOrderRestartsSkipsAndFailures) {
    // Frame, x, y, blue, alpha, and the value read: blue 8v..8v+7 is v, a
    // half-transparent pixel reads its blue halved, a transparent one 0.
    // clang-format off
    const std::vector<std::array<int, 6>> probes = {
        {0, 0, 0, 8, 255, 1}, {0, 1, 0, 16, 255, 2}, {0, 2, 0, 248, 255, 31}, {0, 3, 0, 7, 255, 0},
        {0, 63, 63, 255, 255, 31}, {0, 9, 5, 248, 0, 0}, {5, 8, 10, 80, 255, 10},
        {5, 17, 3, 248, 128, 15}, {62, 40, 63, 24, 255, 3}};
    // clang-format on
    // 64 frames in one row: frame p is pattern p whatever the layout. The
    // last frame is never read.
    std::vector<std::array<int, 6>> pixels = probes;
    pixels.push_back({63, 56, 0, 248, 255, 0});
    WritePicture("levels.png", 64, 1, pixels);
    // A different tune during a load starts over with the new name.
    p->p_ZR_StartTune(String("Retro/PipeHopper"), 37171650, 100);
    Render();
    Render();
    EXPECT_EQ(p->m_LoadStep, 7);
    Load("levels");
    EXPECT_TRUE(p->m_TuneName == String("tunes/levels.png"));
    for (auto [frame, x, y, blue, alpha, value] : probes)
        EXPECT_EQ(Cell(frame, x / 8, y, x % 8), value) << blue << " " << alpha;
    // Column 1 holds data in frames 0 and 5, column 7 only in frame 63.
    const std::vector<int> last{0, 5, 5, 0, 0, 62, 0, 0};
    EXPECT_EQ(std::vector<int>(p->m_LastPattern.begin(), p->m_LastPattern.end()), last);
    // The same tune again: nothing reloads.
    EXPECT_EQ(Load("levels"), 0);
    // A missing picture still takes 70 steps and loads the samples; the
    // cells stay, the last patterns are reset. A missing sample stays null.
    p->p_ZR_StartTune(String("No Such Tune"), 37171650, 100);
    p->m_InstChoice[3] = 9;
    for (int i = 0; i < 24; ++i)
        Render();
    EXPECT_EQ(p->m_LoadStep, 0);
    EXPECT_TRUE(!p->m_TuneImage && Cell(5, 1, 10, 0) == 10);
    EXPECT_EQ(p->m_LastPattern[2], 0);
    EXPECT_TRUE(!p->m_Instruments[2] && p->m_Instruments[3] && p->m_DrumsB[8]);
    // A picture too small for 64 frames ends the program. Step 1 loads it
    // before anything is drawn: the child must not talk to the X server it
    // shares with this process.
    WritePicture("small.png", 8, 7, {});
    p->p_ZR_StartTune(String("small"), 1, 100);
    ChildResult r = RunInChild([&] { p->p_ZR_LoadChunk(); });
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("Image frame outside surface"), std::string::npos) << r.out << r.err;
}

}  // namespace
