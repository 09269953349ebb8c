// Sequencer playback on the recording OpenAL fake, with the scripted window
// layer's virtual clock behind Millisecs: every channel call of a cell, in
// order; the row clock at two tempos, after a pause and with music off;
// jumps and the end-of-pass effect; and the arrangement of the
// game's seed, whose expected values were worked out apart from this code
// from the generator's formula.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "framework/app.h"
#include "host/glfwgame.h"
#include "music/zrplayer.h"
#include "tests/fakes/fake_al.h"
#include "tests/fakes/glfw_fake.h"
#include "tests/support/gc_fixture.h"

namespace {

using Log = std::vector<std::string>;
bool Has(const Log& log, const char* call) {
    return std::count(log.begin(), log.end(), call) > 0;
}

// The audio device, writing down each channel call ("rate 29 1.335").
class RecordingAudio : public gxtkAudio {
public:
    Log log;
    std::map<gxtkSample*, std::string> names;
    int PlaySample(gxtkSample* s, int ch, int flags) override {
        return Note("play %d %s %d", ch, names[s].c_str(), flags);
    }
    int StopChannel(int ch) override { return Note("stop %d", ch); }
    int SetVolume(int ch, float v) override { return Note("volume %d %.4g", ch, double(v)); }
    int SetPan(int ch, float v) override { return Note("pan %d %.4g", ch, double(v)); }
    int SetRate(int ch, float v) override { return Note("rate %d %.4g", ch, double(v)); }

private:
    template <typename... A>
    int Note(const char* format, A... a) {
        char text[64];
        std::snprintf(text, sizeof text, format, a...);
        log.push_back(text);
        return 0;
    }
};

class PlaybackTest : public GcTest {
protected:
    void SetUp() override {
        GcTest::SetUp();
        glfw_fake::Reset();
        fakeal::Reset();
        glfw2::glfwInit();
        bb_app__game = host = new BBGlfwGame();
        bb_audio_SetAudioDevice(audio = new RecordingAudio());
        p = (new c_ZRPlayer())->m_new();
        p->p_ZR_Init(32, 4, 3, 3, 4);
        const char* names[] = {"lead", "acc", "bass"};
        for (int j = 1; j <= 8; ++j) {
            gc_assign(p->m_DrumsA[j], Sound("A" + std::to_string(j)));
            gc_assign(p->m_DrumsB[j], Sound("B" + std::to_string(j)));
            if (j >= 2 && j <= 4) gc_assign(p->m_Instruments[j], Sound(names[j - 2]));
        }
        p->m_TuneName = String("tunes/T.png");  // loaded: starting "T" loads nothing
    }
    void TearDown() override {
        bb_audio_device = nullptr;
        delete host;
        BBGame::_game = nullptr;
        BBGlfwGame::_glfwGame = nullptr;
        GcTest::TearDown();
    }
    c_Sound* Sound(const std::string& name) {
        gxtkSample* s = new gxtkSample();
        audio->names[s] = name;
        return (new c_Sound())->m_new(s);
    }
    void Cell(int pattern, int voice, int row, int note, int volume, int effect = 0,
              int param = 0) {
        int* c = &p->m_TuneData[pattern * 4096 + voice * 512 + row * 8];
        c[0] = note, c[1] = volume, c[2] = effect, c[3] = param;
    }
    // Starts "T" at `ms` with every voice audible on pattern 0.
    void Start(int tempo = 100, int ms = 0) {
        glfw_fake::SetTime(ms / 1000.0);
        p->p_ZR_StartTune(String("T"), 37171650, tempo);
        for (int i = 0; i < 5; ++i)
            p->m_Muted[i] = p->m_Pattern[i] = 0;
    }
    // Plays one row at once; returns its channel calls.
    Log Row() {
        audio->log.clear();
        p->m_NextTime = bb_app_Millisecs() - 1;
        p->p_ZR_MusicPlay();
        return audio->log;
    }
    // Updates every millisecond from `from` to `to`; the times rows played.
    std::vector<int> RowTimes(int from, int to, int paused = 0, int enabled = 1) {
        std::vector<int> times;
        for (int t = from; t <= to; ++t) {
            glfw_fake::SetTime(t / 1000.0);
            const int row = p->m_Row;
            p->p_ZR_Alive_U(paused, enabled);
            if (p->m_Row != row) times.push_back(t);
        }
        return times;
    }

    BBGlfwGame* host = nullptr;
    RecordingAudio* audio = nullptr;
    c_ZRPlayer* p = nullptr;
};

TEST_F(PlaybackTest, EveryChannelCallOfACell) {
    struct Case {
        const char* name;
        int voice, note, volume, effect, param;
        float rate, level;  // of the voice before the cell
        Log calls;
        float levelAfter;
        bool muted = false, noSample = false;
        int row = 0, passesLeft = 2;
    };
    // Voices 0..4 play on channels 31..27; the chord letter is 'j' (0.891).
    // Volume 31 takes the numbered reading: volume 0, and the level restarts.
    // A missing sample still sets the rate; a muted voice makes no call,
    // unless it is due in the next section: then it enters from row 56 of
    // the section's last pass.
    // clang-format off
    const Case cases[] = {
        {"kick", 0, 13, 30, 0, 0, 1, 3, {"stop 31", "play 31 A1 0", "pan 31 -0.35", "volume 31 0.5"}, 1.4f},
        {"drum 8, volume kept", 1, 25, 0, 0, 0, 1, 3, {"stop 30", "play 30 B8 0", "pan 30 0.35"}, 3.9f},
        {"not a drum", 0, 14, 0, 0, 0, 1, 3, {"stop 31"}, 3.9f},
        {"drum sliding up", 1, 17, 1, 3, 15, 1, 3, {"stop 30", "play 30 B3 0", "pan 30 0.35", "volume 30 0", "rate 30 2"}, 1.4f},
        {"lead on the chord", 2, 20, 30, 0, 0, 1, 3, {"volume 29 0.5", "stop 29", "rate 29 1.335", "play 29 lead 1"}, 1.5f},
        {"bass sliding up", 4, 13, 0, 1, 18, 1, 3, {"stop 27", "rate 27 0.891", "play 27 bass 1", "rate 27 0.991"}, 1.5f},
        {"volume 1", 3, 0, 1, 0, 0, 1, 3, {"volume 28 0"}, 1.4f},
        {"volume 31", 3, 0, 31, 0, 0, 1, 3, {"volume 28 0"}, 1.4f},
        {"fading", 3, 0, 0, 0, 0, 1, 0.95f, {"volume 28 0.425"}, 0.85f},
        {"faded out", 3, 0, 0, 0, 0, 1, 0.05f, {"volume 28 0"}, 0},
        {"fast slide to 4", 2, 0, 0, 3, 15, 3.95f, 3, {"rate 29 4"}, 2.9f},
        {"fast slide to 0.25", 2, 0, 0, 4, 15, 0.3f, 3, {"rate 29 0.25"}, 2.9f},
        {"slide down", 3, 0, 0, 2, 18, 1, 3, {"rate 28 0.9"}, 2.9f},
        {"other effect", 3, 0, 0, 9, 18, 1, 3, {}, 2.9f},
        {"muted", 2, 13, 30, 1, 18, 1, 3, {}, 2.9f, true},
        {"lead-in", 3, 13, 30, 0, 0, 1, 3, {"volume 28 0.5", "stop 28", "rate 28 0.891", "play 28 acc 1"}, 1.5f, true, false, 56, 1},
        {"lead-in to the end", 4, 13, 30, 0, 0, 1, 3, {"volume 27 0.5", "stop 27", "rate 27 0.891", "play 27 bass 1"}, 1.5f, true, false, 63, 1},
        {"lead-in too early", 3, 13, 30, 0, 0, 1, 3, {}, 2.9f, true, false, 55, 1},
        {"lead-in before the last pass", 3, 13, 30, 0, 0, 1, 3, {}, 2.9f, true, false, 56, 2},
        {"no sample", 3, 13, 30, 1, 18, 1, 3, {"volume 28 0.5", "stop 28", "rate 28 0.891", "rate 28 0.991"}, 1.5f, false, true},
    };
    // clang-format on
    Start();
    p->m_Chords = String("jj");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        p->m_Rate[c.voice] = c.rate;
        p->m_Level[c.voice] = c.level;
        p->m_Volume[c.voice] = 1;
        p->m_Muted[c.voice] = c.muted;
        p->m_LeadIn[c.voice] = 1;
        p->m_NextMuted[c.voice] = 0;
        p->m_Row = c.row;
        p->m_PassesLeft = c.passesLeft;
        if (c.noSample) gc_assign(p->m_Instruments[c.voice], static_cast<c_Sound*>(nullptr));
        audio->log.clear();
        p->p_ZR_PlayNote(c.voice, c.note, c.volume, c.effect, c.param);
        EXPECT_EQ(audio->log, c.calls);
        EXPECT_FLOAT_EQ(p->m_Level[c.voice], c.levelAfter);
    }
}

TEST_F(PlaybackTest, RowClockAtTwoTemposAfterAPauseAndWithMusicOff) {
    using T = std::vector<int>;
    Start(100, 1000);  // rows 100 ms after the start, then every 80 ms
    EXPECT_EQ(RowTimes(1000, 1300), (T{1101, 1181, 1261}));
    Start(95, 2000);
    EXPECT_EQ(RowTimes(2000, 2300), (T{2101, 2185, 2269}));
    // Five seconds paused, then the next row 150 ms later: no burst.
    EXPECT_EQ(RowTimes(2301, 7300, 1), T{});
    EXPECT_EQ(RowTimes(7301, 7500), (T{7451}));
    // Music off stops what sounds and plays nothing; back on, the missed
    // rows (due 7618, 7702 ... 7954) come one per update.
    Cell(0, 2, p->m_Row, 13, 30);
    RowTimes(7501, 7600);
    audio->log.clear();
    EXPECT_EQ(RowTimes(7601, 8000, 0, 0), T{});
    EXPECT_EQ(audio->log, Log{"stop 29"});
    EXPECT_EQ(RowTimes(8001, 8010), (T{8001, 8002, 8003, 8004, 8005}));
    p->p_ZR_Stop(1);
    EXPECT_EQ(RowTimes(8011, 9000), T{});
    // The same tune again loads nothing and plays 100 ms later.
    Start(100, 9000);
    EXPECT_EQ(p->m_LoadStep, 0);
    EXPECT_EQ(RowTimes(9000, 9101), (T{9101}));
}

TEST_F(PlaybackTest, JumpsAndTheEndOfPass) {
    Start();
    // Voice 2 jumps on from pattern 1 with an odd count of passes left,
    // voice 3 back with an even one; voice 4's jump would leave the table.
    Cell(1, 2, 0, 0, 0, 27, 1);
    Cell(2, 2, 0, 20, 30);
    Cell(1, 3, 0, 0, 0, 27, 2);
    Cell(0, 3, 0, 17, 30);
    Cell(0, 4, 0, 0, 0, 27, 2);
    Cell(63, 4, 0, 0, 0, 27, 1);
    struct Case {
        int passesLeft, bassFrom, after[3];  // patterns of voices 2..4
        bool lead, accompaniment;            // which notes play
    };
    const Case cases[] = {{3, 63, {2, 1, 63}, true, false}, {2, 0, {1, 0, 0}, false, true}};
    for (const Case& c : cases) {
        p->m_Row = 0;
        p->m_PassesLeft = c.passesLeft;
        p->m_Pattern[2] = p->m_Pattern[3] = 1;
        p->m_Pattern[4] = c.bassFrom;
        const Log calls = Row();
        for (int v = 2; v <= 4; ++v)
            EXPECT_EQ(p->m_Pattern[v], c.after[v - 2]) << c.passesLeft << " voice " << v;
        EXPECT_EQ(Has(calls, "play 29 lead 1"), c.lead) << c.passesLeft;
        EXPECT_EQ(Has(calls, "play 28 acc 1"), c.accompaniment) << c.passesLeft;
    }
    // Effect 8 on voice 2 at row 10: voice 1 has played row 10, voices 3
    // and 4 play row 63, the next step row 0.
    Start();
    p->m_Row = 10;
    Cell(0, 2, 10, 0, 0, 8);
    Cell(0, 1, 63, 13, 30);
    Cell(0, 3, 10, 13, 30);
    Cell(0, 3, 63, 25, 30);
    const Log calls = Row();
    EXPECT_TRUE(Has(calls, "rate 28 2") && !Has(calls, "rate 28 1") && !Has(calls, "stop 30"));
    EXPECT_EQ(p->m_Row, 0);
}

TEST_F(PlaybackTest, TheGamesSeedGivesTheSameChoiceAndArrangementEveryStart) {
    auto ints = [](Array<int> a, int from, int to) {
        return std::vector<int>(&a[from], &a[to] + 1);
    };
    using V = std::vector<int>;
    // At the start, then after each pass: section, passes left, chords,
    // patterns and mutes.
    struct Pass {
        int section, passesLeft;
        const char* chords;
        V patterns, muted;
    };
    // clang-format off
    const Pass passes[] = {
        {0, 2, "qqjj", {0, 2, 2, 1, 0}, {0, 0, 1, 0, 1}}, {0, 1, "qjj", {0, 2, 2, 1, 0}, {0, 0, 1, 0, 1}},
        {1, 2, "jj", {0, 2, 3, 1, 1}, {1, 0, 0, 0, 1}},   {1, 1, "j", {0, 2, 3, 1, 1}, {1, 0, 0, 0, 1}},
        {2, 2, "qqqj", {1, 0, 3, 2, 1}, {0, 0, 0, 1, 1}}, {2, 1, "qqj", {1, 0, 3, 2, 1}, {0, 0, 0, 1, 1}},
        {3, 2, "qj", {1, 0, 0, 2, 2}, {0, 0, 1, 1, 1}},   {3, 1, "j", {1, 0, 0, 2, 2}, {0, 0, 1, 1, 1}},
        {4, 4, "qbqb", {2, 1, 1, 0, 2}, {0, 1, 1, 1, 0}},
    };
    // clang-format on
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        bb_random_Seed = 1234 + start;  // whatever the game drew before
        const int lastPatterns[5] = {2, 2, 3, 2, 2};
        std::copy(lastPatterns, lastPatterns + 5, &p->m_LastPattern[0]);
        p->p_ZR_StartTune(String("T"), 37171650, 100);
        EXPECT_EQ(ints(p->m_InstChoice, 1, 5), (V{1, 3, 2, 2, 1}));
        EXPECT_EQ(ints(p->m_NextMuted, 0, 4), (V{1, 0, 0, 0, 1}));
        for (const Pass& pass : passes) {
            for (int row = 0; row < 64 && &pass != passes; ++row)
                Row();
            EXPECT_EQ(p->m_Section, pass.section);
            EXPECT_EQ(p->m_PassesLeft, pass.passesLeft);
            EXPECT_TRUE(p->m_Chords == String(pass.chords)) << pass.chords;
            EXPECT_EQ(ints(p->m_Pattern, 0, 4), pass.patterns) << pass.chords;
            EXPECT_EQ(ints(p->m_Muted, 0, 4), pass.muted) << pass.chords;
        }
    }
}

TEST_F(PlaybackTest, DrumsDrawnBothMutedLeaveVoiceZeroPlaying) {
    // Drum mutes (voice 0, voice 1) over many seeds, at the start and after
    // the first section. Never both: voice 0 is the one let play, so voice 1
    // alone is muted about twice as often as voice 0 alone.
    int pairs[2][2] = {};
    for (int seed = 0; seed < 300; ++seed) {
        p->p_ZR_StartTune(String("T"), seed, 100);
        ++pairs[p->m_Muted[0]][p->m_Muted[1]];
        p->m_Row = 63;
        p->m_PassesLeft = 1;
        Row();
        ++pairs[p->m_Muted[0]][p->m_Muted[1]];
    }
    EXPECT_EQ(pairs[1][1], 0);
    EXPECT_GT(pairs[0][1], pairs[1][0] * 3 / 2);
}

}  // namespace
