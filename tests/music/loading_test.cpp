// Tune loading on the real OpenGL (Mesa under Xvfb) with the recording
// OpenAL fake: the generated tune pictures decode to exactly the cells the
// data generator wrote, a hand-made picture pins the blue-to-value rule and
// the frame order, loads restart or are skipped as tunes change, and missing
// or damaged files end as the loader promises. The tests run in a temporary
// data folder that links the generated instruments and tunes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "framework/app.h"
#include "host/glfwgame.h"
#include "music/zrplayer.h"
#include "platform/glfw2.h"
#include "tests/fakes/fake_al.h"
#include "tests/support/child_process.h"
#include "tests/support/gc_fixture.h"
#include "tools/datagen/image.h"
#include "tools/datagen/music.h"

namespace fs = std::filesystem;
using namespace glfw2;

namespace {

constexpr int kFrame = 64;

// The render device, counting its read-backs.
class CountingGraphics : public gxtkGraphics {
public:
    int reads = 0;
    int ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch) override {
        ++reads;
        return gxtkGraphics::ReadPixels(pixels, x, y, w, h, offset, pitch);
    }
};

// A straight RGBA picture of 64 x 64 frames, `across` frames to a row.
struct Picture {
    int across, down;
    std::vector<uint8_t> rgba;
    Picture(int across, int down)
        : across(across), down(down), rgba(size_t(across * down) * kFrame * kFrame * 4, 0) {}
    void Set(int frame, int x, int y, int blue, int alpha = 255) {
        const int px = (frame % across) * kFrame + x, py = (frame / across) * kFrame + y;
        uint8_t* p = &rgba[(size_t(py) * size_t(across * kFrame) + size_t(px)) * 4];
        p[0] = 200, p[1] = 100, p[2] = uint8_t(blue), p[3] = uint8_t(alpha);
    }
    void Write(const fs::path& file) const {
        std::vector<uint8_t> png = datagen::encodePng(rgba, across * kFrame, down * kFrame, 4);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    }
};

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
        ASSERT_TRUE(glfwGetWindowParam(GLFW_OPENED));
        if (!BBGlfwGame::_glfwGame) new BBGlfwGame();
        bb_app__game = BBGlfwGame::_glfwGame;
        fakeal::Reset();
        bb_graphics_InitGlobals();
        g = new CountingGraphics();
        bb_graphics_SetGraphicsDevice(g);
        bb_audio_SetAudioDevice(new gxtkAudio());

        char pattern[] = "/tmp/dropling-music-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        const fs::path data = fs::path(DROPLING_DATA_DIR);
        fs::create_directories(dir / "data/tunes");
        fs::create_directory_symlink(data / "inst", dir / "data/inst");
        fs::create_directory_symlink(data / "tunes/Retro", dir / "data/tunes/Retro");
        fs::create_directory_symlink(data / "tunes/Meadow Run", dir / "data/tunes/Meadow Run");
        saved = fs::current_path();
        fs::current_path(dir);

        player = (new c_ZRPlayer())->m_new();
        player->p_ZR_Init(32, 4, 3, 3, 4);
    }
    void TearDown() override {
        fs::current_path(saved);
        fs::remove_all(dir);
        bb_graphics_device = nullptr;
        bb_graphics_context = nullptr;
        bb_audio_device = nullptr;
        GcTest::TearDown();
    }

    // One render pass as the game runs it: the sequencer's hook first.
    void Render() {
        g->BeginRender();
        bb_graphics_BeginRender();
        player->p_ZR_Alive_R();
        bb_graphics_EndRender();
        g->EndRender();
    }
    // Renders until the load is over; returns the number of renders and
    // checks that none ran more than three steps.
    int LoadFully() {
        int renders = 0;
        while (player->m_LoadStep > 0 && renders < 100) {
            const int before = player->m_LoadStep;
            Render();
            ++renders;
            const int after = player->m_LoadStep == 0 ? 71 : player->m_LoadStep;
            EXPECT_LE(after - before, 3) << "render " << renders;
        }
        return renders;
    }
    int Cell(int p, int g, int y, int k) {
        return player->m_TuneData[p * 4096 + g * 512 + y * 8 + k];
    }

    CountingGraphics* g = nullptr;
    c_ZRPlayer* player = nullptr;
    fs::path dir, saved;
};

TEST_F(TuneLoadingTest, GeneratedTunesDecodeToTheGeneratorsCellsThreeStepsPerRender) {
    for (const datagen::TuneSheet& sheet : datagen::tuneSheets()) {
        SCOPED_TRACE(sheet.name);
        g->reads = 0;
        player->p_ZR_StartTune(String(sheet.name.c_str()), 37171650, 100);
        ASSERT_EQ(player->m_LoadStep, 1);
        EXPECT_EQ(LoadFully(), 24);  // 70 steps, three per render
        EXPECT_EQ(g->reads, 63);     // frames 0..62, one read-back each
        ASSERT_NE(player->m_TuneImage, nullptr);

        int mismatches = 0;
        for (int p = 0; p < 63; ++p) {
            for (int col = 0; col < 8; ++col) {
                const auto* patterns =
                    col < datagen::kTuneVoices ? &sheet.voices[size_t(col)] : nullptr;
                for (int y = 0; y < 64; ++y) {
                    datagen::TuneCell c;
                    if (patterns && size_t(p) < patterns->size())
                        c = (*patterns)[size_t(p)][size_t(y)];
                    const int want[8] = {c.note, c.volume, c.effect, c.parameter, 0, 0, 0, 0};
                    for (int k = 0; k < 8; ++k) {
                        if (Cell(p, col, y, k) != want[k] && ++mismatches <= 5) {
                            ADD_FAILURE()
                                << "pattern " << p << " column " << col << " row " << y << " field "
                                << k << ": " << Cell(p, col, y, k) << ", expected " << want[k];
                        }
                    }
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
        for (int col = 0; col < 8; ++col) {
            const int want =
                col < datagen::kTuneVoices ? int(sheet.voices[size_t(col)].size()) - 1 : 0;
            EXPECT_EQ(player->m_LastPattern[col], want) << "column " << col;
        }
        for (int j = 1; j <= 8; ++j) {
            EXPECT_NE(player->m_DrumsA[j], nullptr) << j;
            EXPECT_NE(player->m_DrumsB[j], nullptr) << j;
        }
        for (int v = 2; v <= 4; ++v)
            EXPECT_NE(player->m_Instruments[v], nullptr) << v;
    }
}

TEST_F(TuneLoadingTest, BlueLevelsAlphaAndFrameOrderOfAPicture) {
    // 64 frames in one row (4096 x 64): frame p is pattern p whatever the
    // layout.
    Picture pic(64, 1);
    struct Probe {
        int frame, x, y, blue, alpha, value;
    };
    const Probe probes[] = {
        {0, 0, 0, 8, 255, 1},    {0, 1, 0, 16, 255, 2},     {0, 2, 0, 248, 255, 31},
        {0, 3, 0, 7, 255, 0},    {0, 63, 63, 255, 255, 31}, {0, 9, 5, 248, 0, 0},
        {5, 8, 10, 80, 255, 10}, {5, 17, 3, 248, 128, 15},  {62, 40, 63, 24, 255, 3},
    };
    for (const Probe& p : probes)
        pic.Set(p.frame, p.x, p.y, p.blue, p.alpha);
    pic.Set(63, 56, 0, 248);  // the last frame is never read
    pic.Write(dir / "data/tunes/levels.png");

    player->p_ZR_StartTune(String("levels"), 1, 100);
    LoadFully();
    for (const Probe& p : probes) {
        EXPECT_EQ(Cell(p.frame, p.x / 8, p.y, p.x % 8), p.value)
            << "frame " << p.frame << " at " << p.x << "," << p.y << " blue " << p.blue << " alpha "
            << p.alpha;
    }
    // Column 0 holds data in frames 0 only, column 1 in 0 and 5, column 2
    // in 5, column 5 in 62; column 7 holds data only in the unread frame.
    const int last[8] = {0, 5, 5, 0, 0, 62, 0, 0};
    for (int col = 0; col < 8; ++col)
        EXPECT_EQ(player->m_LastPattern[col], last[col]) << "column " << col;
}

TEST_F(TuneLoadingTest, RestartsSkipsAndFailures) {
    // A different tune during a load starts over with the new name.
    player->p_ZR_StartTune(String("Retro/PipeHopper"), 37171650, 100);
    Render();
    Render();
    EXPECT_EQ(player->m_LoadStep, 7);
    player->p_ZR_StartTune(String("Retro/Cavern Digger"), 37171650, 100);
    EXPECT_EQ(player->m_LoadStep, 1);
    EXPECT_TRUE(player->m_TuneName == String("tunes/Retro/Cavern Digger.png"));
    LoadFully();
    const int cavernCell = Cell(0, 4, 0, 0);
    EXPECT_EQ(cavernCell, 1);  // the bass opens on its lowest step

    // The same tune again: nothing reloads, the choice is drawn again.
    g->reads = 0;
    player->m_InstChoice[1] = 0;
    player->p_ZR_StartTune(String("Retro/Cavern Digger"), 37171650, 100);
    EXPECT_EQ(player->m_LoadStep, 0);
    EXPECT_GE(player->m_InstChoice[1], 1);
    Render();
    EXPECT_EQ(g->reads, 0);

    // A missing picture: still 70 steps, samples loaded, cells and last
    // patterns as the previous tune left them and reset.
    player->p_ZR_StartTune(String("No Such Tune"), 37171650, 100);
    player->m_InstChoice[3] = 9;  // no lead 9: that slot stays empty
    EXPECT_EQ(LoadFully(), 24);
    EXPECT_EQ(player->m_TuneImage, nullptr);
    EXPECT_EQ(g->reads, 0);
    EXPECT_EQ(Cell(0, 4, 0, 0), cavernCell);
    for (int col = 0; col < 5; ++col)
        EXPECT_EQ(player->m_LastPattern[col], 0);
    EXPECT_EQ(player->m_Instruments[2], nullptr);
    EXPECT_NE(player->m_Instruments[3], nullptr);
    EXPECT_NE(player->m_DrumsB[8], nullptr);
}

TEST_F(TuneLoadingTest, APictureTooSmallForItsFramesEndsTheProgram) {
    Picture(8, 7).Write(dir / "data/tunes/small.png");  // 56 frames
    player->p_ZR_StartTune(String("small"), 1, 100);
    // Step 1 loads the picture before anything is drawn; the child must not
    // talk to the X server the parent shares with it.
    ChildResult r = RunInChild([&] { player->p_ZR_LoadChunk(); });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("Image frame outside surface"), std::string::npos) << r.out << r.err;
}

}  // namespace
