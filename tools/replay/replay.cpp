// The replay tool: the game's whole program (host loop, framework, renderer,
// sound layer, game) on the fake window layer with its virtual clock, the
// recording OpenAL and (in `replay`) the recording OpenGL, driven by an
// input script, printing the game's state as one JSON line per step. The
// same file built with REPLAY_REAL_GL is `replay-render`, which draws
// through the real OpenGL and saves chosen frames as PNG files. The script
// format and the output are described by the usage text (script.cpp).
//
//   options ........ command line, script file
//   the host ....... ReplayHost: the real loop, with a look at each update and render
//   steps .......... when a step starts (its events go in) and when it ends
//   state line ..... the JSON line and the fewest draw calls a frame allows
//   main ........... start-up as the program's own entry does it
//
// The loop runs as in the program: render, poll, sleep until the update is
// due, poll, update, render... The poll hook of the fake window layer puts a
// step's events in at the poll right before its update is due, so they
// arrive through the window callbacks and the host's guarded event calls.
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "game/myapp.h"
#include "host/vantorgame.h"
#include "platform/glfw2.h"
#include "tests/fakes/fake_al.h"
#include "tests/fakes/glfw_fake.h"
#include "tools/replay/bot.h"
#include "tools/replay/script.h"

#ifdef REPLAY_REAL_GL
#include "tools/datagen/image.h"
#include "tools/replay/render_context.h"
#else
#include "tests/fakes/fake_gl.h"
#endif

using namespace replay;

namespace {

// ===========================================================================
// options

constexpr int kExitUsage = 2;

struct Options {
    std::string dir;
    std::string out;
    std::string scriptPath;
    bool music = false;
    bool gcStress = false;
    long long soakEvery = 0;  // 0: a state line per step
    std::set<int> render;
};

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "replay: %s\n", message.c_str());
    std::exit(kExitUsage);
}

bool ParseSteps(const std::string& list, std::set<int>& steps) {
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');) {
        char* end = nullptr;
        long n = std::strtol(item.c_str(), &end, 10);
        if (item.empty() || *end || n < 1) return false;
        steps.insert(int(n));
    }
    return !steps.empty();
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Fail(a + " needs a value");
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (a == "--dir") {
            o.dir = value();
        } else if (a == "--out") {
            o.out = value();
        } else if (a == "--music") {
            o.music = true;
        } else if (a == "--gc-stress") {
            o.gcStress = true;
        } else if (a == "--soak") {
            char* end = nullptr;
            const std::string n = value();
            o.soakEvery = std::strtoll(n.c_str(), &end, 10);
            if (n.empty() || *end || o.soakEvery < 1) Fail("--soak takes a number of updates");
        } else if (a == "--render") {
            if (!ParseSteps(value(), o.render)) Fail("--render takes step numbers: N,M,...");
        } else if (a.size() > 1 && a[0] == '-') {
            Fail("unknown option " + a + " (see --help)");
        } else if (o.scriptPath.empty()) {
            o.scriptPath = a;
        } else {
            Fail("one script only");
        }
    }
    return o;
}

std::string ReadScript(const std::string& path) {
    std::ostringstream text;
    if (path.empty() || path == "-") {
        text << std::cin.rdbuf();
    } else {
        std::ifstream in(path);
        if (!in) Fail("cannot read " + path);
        text << in.rdbuf();
    }
    return text.str();
}

std::string Absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) Fail("cannot read the working directory");
    return std::string(cwd) + "/" + path;
}

// ===========================================================================
// the driver: steps, events, state lines

class Driver;
Driver* g_driver = nullptr;

// m_Mode while a game runs.
constexpr int kModeGameRunning = 10;

// The process's resident memory in KiB (0 where /proc is missing).
long ResidentKiB() {
    long pages = 0, resident = 0;
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

c_MyApp* Game() {
    return dynamic_cast<c_MyApp*>(bb_app__app);
}

class ReplayHost : public BBVantorGame {
public:
    // The next update runs after this poll unless an event suspends first.
    bool UpdateDue() const {
        return _started && !_suspended && _updateRate != 0 &&
               _nextUpdate - glfw2::glfwGetTime() <= 0;
    }
    void UpdateGame() override;
    void RenderGame() override;
};

class Driver {
public:
    Driver(std::vector<Line> lines, Options options)
        : lines_(std::move(lines)), opt_(std::move(options)) {}

    ReplayHost* host = nullptr;

    // Runs at the start of every poll and wait of the window layer.
    void OnPoll() {
        const bool waiting =
            !glfw_fake::Calls().empty() && glfw_fake::Calls().back().name == "glfwWaitEvents";
        glfw_fake::ClearRecord();
        if (active_) {
            // A suspended window runs no update: the step ends at the wait
            // that follows its idle render (none while minimised).
            if (!(waiting && host->Suspended())) return;
            EndStep();
        }
        if (waiting || host->UpdateDue()) StartStep(waiting);
    }
    void AfterUpdate() {
        if (active_) updated_ = true;
        ++updates_;
        if (opt_.soakEvery > 0) CountGame();
        if (opt_.soakEvery > 0 && updates_ % opt_.soakEvery == 0) SoakLine();
    }
    // The soak's last line, at the end of the script.
    void Finish() {
        if (opt_.soakEvery > 0 && updates_ % opt_.soakEvery != 0) SoakLine();
    }
    void AfterRender() {
        if (!active_) return;
        rendered_ = true;
        if (opt_.render.count(step_)) SaveFrame();
        if (updated_) EndStep();
    }

private:
    std::vector<Line> lines_;
    Options opt_;
    size_t line_ = 0;  // next line
    int lineStepsLeft_ = 0;
    int step_ = 0;         // current step number
    bool active_ = false;  // the current step's events are in, its line is not out
    bool updated_ = false;
    bool rendered_ = false;
    bool ended_ = false;
    std::vector<glfw_fake::Event> nextStep_;  // releases of taps and clicks
    BotSettings bot_;
    std::vector<int> botHeld_;
    uint64_t drawCallsBefore_ = 0;
    long long allocsBefore_ = 0, allocBytesBefore_ = 0;
    long long updates_ = 0;
    long long games_ = 0;
    int lastMode_ = 0;

    void CountGame() {
        const c_MyApp* g = Game();
        if (!g) return;
        if (g->m_Mode == kModeGameRunning && lastMode_ != kModeGameRunning) ++games_;
        lastMode_ = g->m_Mode;
    }
    void SoakLine();

    void StartStep(bool waiting) {
        const Line* line = NextLine();
        if (!line) {
            if (!ended_) glfw_fake::Inject(glfw_fake::WindowLost());
            ended_ = true;
            return;
        }
        ++step_;
        active_ = true;
        updated_ = rendered_ = false;
        drawCallsBefore_ = bb_graphics_device->GetStats().drawCalls;
        allocsBefore_ = gc_alloc_count;
        allocBytesBefore_ = gc_alloc_total_bytes;
        fakeal::ClearLog();
#ifndef REPLAY_REAL_GL
        fakegl::ClearLog();
#endif
        const int pending = glfw_fake::PendingEvents();
        for (glfw_fake::Event& e : nextStep_)
            glfw_fake::Inject(e);
        nextStep_.clear();
        for (const Command& c : line->commands)
            Apply(c);
        BotStep();
        // A wait with nothing to deliver would jump the clock or lose the
        // window: give it an event that does nothing.
        if (waiting && glfw_fake::PendingEvents() == pending)
            glfw_fake::Inject(glfw_fake::Call([] {}));
    }

    // The line of the step that starts now, or null at the end.
    const Line* NextLine() {
        static const Line kEmpty;
        if (lineStepsLeft_ > 0) {
            --lineStepsLeft_;
            return &kEmpty;
        }
        if (line_ >= lines_.size()) return nullptr;
        const Line* line = &lines_[line_++];
        lineStepsLeft_ = line->steps - 1;
        return line;
    }

    void Apply(const Command& c) {
        using K = Command::Kind;
        using namespace glfw_fake;
        switch (c.kind) {
            case K::KeyDown:
            case K::KeyTap:
                for (int k : c.keys) {
                    Inject(Key(k, GLFW_PRESS_));
                    if (c.kind == K::KeyTap) nextStep_.push_back(Key(k, GLFW_RELEASE_));
                }
                break;
            case K::KeyUp:
                for (int k : c.keys)
                    Inject(Key(k, GLFW_RELEASE_));
                break;
            case K::Chars:
                for (int ch : c.chars)
                    Inject(Char(ch));
                break;
            case K::Mouse:
                Inject(MousePos(int(c.x), int(c.y)));
                break;
            case K::Button:
                Inject(MouseButton(c.a, c.b ? GLFW_PRESS_ : GLFW_RELEASE_));
                break;
            case K::Click:
                Inject(MousePos(int(c.x), int(c.y)));
                Inject(MouseButton(0, GLFW_PRESS_));
                nextStep_.push_back(MouseButton(0, GLFW_RELEASE_));
                break;
            case K::TouchDown:
            case K::TouchMove:
            case K::TouchUp: {
                const int event = c.kind == K::TouchDown ? 7 : c.kind == K::TouchUp ? 8 : 9;
                const int finger = c.a;
                const float x = c.x, y = c.y;
                Inject(Call([=] { BBGame::_game->TouchEvent(event, finger, x, y); }));
                break;
            }
            case K::Joystick: {
                std::vector<unsigned char> buttons(32, GLFW_RELEASE_);
                for (int b : c.keys)
                    buttons[b] = GLFW_PRESS_;
                SetJoystick(c.a, c.axes, buttons);
                break;
            }
            case K::JoystickOff:
                RemoveJoystick(c.a);
                break;
            case K::Size:
                SetWindowSize(c.a, c.b);
                break;
            case K::Blur:
                Inject(Focus(false));
                break;
            case K::Focus:
                Inject(Focus(true));
                break;
            case K::Iconify:
                Inject(Iconify(true));
                break;
            case K::Restore:
                Inject(Iconify(false));
                break;
            case K::Close:
                Inject(Close());
                break;
            case K::BotOn:
                bot_.on = true;
                bot_.gameType = c.a;
                bot_.avoid = c.b != 0;
                break;
            case K::BotOff:
                bot_.on = false;
                break;
        }
    }

    static constexpr int GLFW_PRESS_ = glfw2::GLFW_PRESS;
    static constexpr int GLFW_RELEASE_ = glfw2::GLFW_RELEASE;

    void BotStep() {
        std::vector<int> want;
        if (c_MyApp* game = Game()) want = BotKeys(game, bot_, botHeld_);
        for (int k : botHeld_)
            if (std::find(want.begin(), want.end(), k) == want.end())
                glfw_fake::Inject(glfw_fake::Key(k, GLFW_RELEASE_));
        for (int k : want)
            if (std::find(botHeld_.begin(), botHeld_.end(), k) == botHeld_.end())
                glfw_fake::Inject(glfw_fake::Key(k, GLFW_PRESS_));
        botHeld_ = want;
    }

    void EndStep();
    void SaveFrame();
};

void ReplayHost::UpdateGame() {
    BBVantorGame::UpdateGame();
    g_driver->AfterUpdate();
}

void ReplayHost::RenderGame() {
    BBVantorGame::RenderGame();
    g_driver->AfterRender();
}

// ===========================================================================
// the state line

// Vertices of one batch (gxtkGraphics::kBatchVertices).
constexpr int kBatchVertices = gxtkGraphics::kBatchVertices;

// The fewest GL draw calls that can show the last update's draw list after
// the render's clearing rectangle: the batch must break wherever the
// texture, the blend mode or the kind of primitive changes, each oval is a
// triangle fan of its own, and a run larger than the vertex batch takes
// more than one call.
int MinDrawCalls(const c_MyApp* app) {
    enum { kQuads, kLines, kOval };
    int total = 0;
    int runKind = kQuads, runBlend = 0, runVertices = 4;  // the clearing rectangle
    const void* runTexture = nullptr;
    auto closeRun = [&] {
        total += (runVertices + kBatchVertices - 1) / kBatchVertices;
        runVertices = 0;
    };
    const float* cmd = app->m_DrawList.Data();
    const int end = std::min(app->m_DrawCount, c_MyApp::kDrawListFloats);
    for (int i = 0; i + c_MyApp::kCommandFloats <= end; i += c_MyApp::kCommandFloats) {
        const float* c = cmd + i;
        const int blend = c[13] == 3 ? 1 : 0;
        int kind = kQuads, vertices = 4;
        const void* texture = nullptr;
        if (c[0] == c_MyApp::kKindOval) {
            kind = kOval;
        } else if (c[0] == c_MyApp::kKindLine) {
            kind = kLines;
            vertices = 2;
        } else if (c[0] != c_MyApp::kKindRect) {
            if (!(c[0] > -1 && c[0] < c_MyApp::kImageSlots)) continue;
            const c_Image* image = app->m_Images[int(c[0])];
            if (!image || int(c[6]) < 0 || int(c[6]) >= image->m_Frames.Length()) continue;
            texture = image->m_Surface;
        }
        if (kind == kOval) {
            closeRun();
            ++total;
            continue;
        }
        if (kind != runKind || texture != runTexture || blend != runBlend) {
            closeRun();
            runKind = kind;
            runTexture = texture;
            runBlend = blend;
        }
        runVertices += vertices;
    }
    closeRun();
    return total;
}

struct Json {
    std::string text = "{";
    void Key(const char* k) {
        if (text.size() > 1) text += ",";
        text += "\"";
        text += k;
        text += "\":";
    }
    void Int(const char* k, long long v) {
        Key(k);
        text += std::to_string(v);
    }
    void Float(const char* k, float v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.7g", double(v));
        Key(k);
        text += buf;
    }
    void Raw(const char* k, const std::string& v) {
        Key(k);
        text += v;
    }
};

// The sounds started on a channel since the log was last cleared: a play
// that follows a new buffer on its source (resuming a paused channel plays
// too, but starts nothing).
std::string SoundsStarted(const c_MyApp* app) {
    std::map<double, double> newBuffer;  // source -> buffer given since its last play
    std::string out = "[";
    for (const fakeal::Call& call : fakeal::Calls()) {
        if (call.name == "alSourcei" && call.args.size() == 3 && call.args[1] == AL_BUFFER) {
            newBuffer[call.args[0]] = call.args[2];
        } else if (call.name == "alSourcePlay" && !call.args.empty()) {
            auto given = newBuffer.find(call.args[0]);
            if (given == newBuffer.end()) continue;
            int channel = -1, slot = -1;
            for (int c = 0; c < gxtkAudio::kChannelCount; ++c)
                if (double(bb_audio_device->channels[c].source) == call.args[0]) channel = c;
            for (int s = 0; s < c_MyApp::kSoundSlots; ++s) {
                const c_Sound* sound = app->m_Sounds[s];
                if (sound && sound->m_Sample && double(sound->m_Sample->buffer) == given->second)
                    slot = s;
            }
            newBuffer.erase(given);
            if (out.size() > 1) out += ",";
            out += "[" + std::to_string(slot) + "," + std::to_string(channel) + "]";
        }
    }
    return out + "]";
}

// Live particles (kind above 0) in the pool.
int LiveParticles(const c_MyApp* app) {
    int live = 0;
    for (int i = 0; i <= app->m_ParticleMax && i < app->m_Particles.Length() / 10; ++i)
        if (app->m_Particles[i * 10] > 0) ++live;
    return live;
}

// A hash of the tube's rows 0..100 (every field, bit for bit), so two runs
// can tell whether they hold the same tube and items.
long long TubeHash(const c_MyApp* app) {
    uint32_t h = 2166136261u;
    const int n = c_MyApp::kTubeRows * c_MyApp::kTubeRowFloats;
    for (int i = 0; i < n; ++i) {
        uint32_t bits;
        const float v = app->m_Tube[i];
        std::memcpy(&bits, &v, sizeof bits);
        h = (h ^ bits) * 16777619u;
    }
    return h;
}

bool MusicPlaying() {
    const ALuint source = bb_audio_device->channels[gxtkAudio::kMusicChannel].source;
    const fakeal::Source* s = source ? fakeal::SourceAt(source) : nullptr;
    return s && s->state == AL_PLAYING;
}

void Driver::SoakLine() {
    std::printf("soak: updates %lld games %lld live %d peak %d rss_kib %ld albuf %d\n", updates_, games_,
                gc_alloced_bytes, gc_max_alloced_bytes, ResidentKiB(), fakeal::LiveBufferCount());
    std::fflush(stdout);
}

void Driver::EndStep() {
    active_ = false;
    const c_MyApp* g = Game();
    if (!g || opt_.soakEvery > 0) return;
    Json j;
    j.Int("step", step_);
    j.Int("update", updates_);
    j.Int("mode", g->m_Mode);
    j.Int("paused", g->m_Paused);
    j.Int("dead", g->m_Dead);
    j.Int("reload", g->m_NeedReload);
    j.Int("score", g->m_Score);
    j.Int("shown", g->m_ShownScore);
    j.Float("meter", g->m_Players[5]);
    j.Float("speed", g->m_Speed);
    j.Float("top", g->m_TopSpeed);
    j.Float("drag", g->m_Drag);
    j.Int("rows", g->m_RowCount);
    j.Float("y", g->m_Players[2]);
    j.Float("vy", g->m_Players[4]);
    j.Int("closeness", g->m_Closeness);
    j.Float("steer", g->m_Steer);
    j.Float("steerx", g->m_SteerX);
    j.Int("parts", LiveParticles(g));
    j.Int("tube", TubeHash(g));
    j.Int("gametype", g->m_GameType);
    j.Int("menusel", g->m_MenuSel);
    j.Int("over", g->m_OverTimer);
    j.Int("optbox", g->m_OptionsOpen);
    j.Int("optsel", g->m_OptionSel);
    j.Int("credbox", g->m_CreditsOpen);
    j.Int("credline", g->m_CreditsLine);
    j.Int("fullscreen", g->m_Fullscreen);
    j.Int("pausesel", g->m_PauseSel);
    j.Int("slot", g->m_ScoreSlot);
    j.Int("sound", g->m_Options[5]);
    j.Int("icade", bb_Wyndle_iCadeControls);
    j.Int("debug", bb_Wyndle_DebugMode);
    j.Int("hidehud", g->m_HideHud);
    j.Int("spin", g->m_Spin);
    j.Float("scale", g->m_ScaleX);
    j.Float("vw", bb_Wyndle_jscrw);
    j.Float("vh", bb_Wyndle_jscrh);
    j.Int("cmds", g->m_DrawCount / c_MyApp::kCommandFloats);
    j.Int("draws", (long long)(bb_graphics_device->GetStats().drawCalls - drawCallsBefore_));
    j.Int("mindraws", rendered_ ? MinDrawCalls(g) : 0);
    j.Int("allocs", gc_alloc_count - allocsBefore_);
    j.Int("allocbytes", gc_alloc_total_bytes - allocBytesBefore_);
    j.Int("live", gc_alloced_bytes);
    j.Raw("sfx", SoundsStarted(g));
    j.Int("music", MusicPlaying());
    j.text += "}\n";
    std::fputs(j.text.c_str(), stdout);
}

void Driver::SaveFrame() {
#ifdef REPLAY_REAL_GL
    int w = 0, h = 0;
    glfw2::glfwGetWindowSize(&w, &h);
    if (w <= 0 || h <= 0) return;
    const std::vector<uint8_t> png = datagen::encodePng(ReadFrame(w, h), w, h, 3);
    const std::string path = opt_.out + "/step-" + std::to_string(step_) + ".png";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(png.data(), 1, png.size(), f) != png.size()) {
        std::fprintf(stderr, "replay: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fclose(f);
#endif
}

#ifndef REPLAY_REAL_GL
// --render is done by replay-render, beside this program, with the same
// arguments.
[[noreturn]] void ExecRenderer(char** argv) {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) Fail("cannot find replay-render");
    self[n] = 0;
    std::string path(self);
    path = path.substr(0, path.rfind('/') + 1) + "replay-render";
    execv(path.c_str(), argv);
    Fail("cannot run " + path);
}
#endif

}  // namespace

// ===========================================================================
// main: start-up as BBVantorGame::Main does it, with the replay's host

int main(int argc, char** argv) {
    Options options = ParseOptions(argc, argv);
#ifndef REPLAY_REAL_GL
    if (!options.render.empty()) ExecRenderer(argv);
#endif
    std::vector<Line> lines;
    std::string error;
    if (!ParseScript(ReadScript(options.scriptPath), lines, error)) Fail(error);
    options.out = Absolute(options.out.empty() ? "." : options.out);
    if (!options.dir.empty() && chdir(options.dir.c_str()) != 0)
        Fail("cannot enter " + options.dir);

#ifdef REPLAY_REAL_GL
    // The window opens at 640 x 480; the context must hold every size.
    int maxW = 640, maxH = 480;
    for (const Line& l : lines)
        for (const Command& c : l.commands)
            if (c.kind == Command::Kind::Size) {
                maxW = std::max(maxW, c.a);
                maxH = std::max(maxH, c.b);
            }
    if (!OpenRenderContext(maxW, maxH, error)) Fail(error);
#endif

    static Driver driver(std::move(lines), options);
    g_driver = &driver;
    glfw_fake::SetPollLimit(INT_MAX);
    glfw_fake::OnPoll([] { g_driver->OnPoll(); });

    if (!glfw2::glfwInit()) Fail("the window layer did not start");
    ReplayHost* host = new ReplayHost();
    driver.host = host;
    try {
        bb_std_main(argc, const_cast<const char**>(argv));
    } catch (ThrowableObject* ex) {
        glfw2::glfwTerminate();
        host->Die(ex);
    }
    if (options.music) bb_Wyndle_HasMusic = 1;
    if (options.gcStress) gc_set_stress(true);
#ifndef REPLAY_REAL_GL
    // A soak looks at no GL call: the fake keeps only what the calls need.
    if (options.soakEvery > 0) fakegl::SetRecording(false);
#endif
    if (host->Delegate()) host->Run();
    driver.Finish();
    glfw2::glfwTerminate();
    return 0;
}
