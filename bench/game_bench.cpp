// The real game as a player runs it: the shipped loop over GLFW, Mesa's
// OpenGL and OpenAL Soft, with the replay tool's bot at the keys. A host
// subclass times every update, render and collector step and feeds the bot's
// keys in through the window callbacks just before each update, so the loop,
// the pacing and the game are the program's own. Run it under Xvfb with
// OpenAL Soft's null backend from the folder that holds data/
// (bench/run-game.sh does both).
//
// Usage: game_bench MODE [N]
//   starts [games, 20]  the worst update around each game start; each game
//                       ends after a second of play as if the player crashed
//   pace [seconds, 60]  frame pacing of bot play: updates and renders per
//                       second, update-interval jitter, catch-up passes,
//                       CPU share, the worst collector step
//   memory [games, 100] exec to first frame and to the menu (needs
//                       BENCH_EXEC_NS, the exec time, from the run script),
//                       resident memory in the menu, in play and after the
//                       games (played at a raised update rate)
//   frame [frames, 30]  the cost of one play frame: the bot plays, the update
//                       CPU time is taken over the steady play after
//                       kCaptureAfter updates, and every kCaptureEvery-th
//                       update's draw list is kept; after the loop those
//                       frames are replayed through the game's own
//                       p_OnRender (submission CPU, the whole frame with the
//                       swap and glFinish, draw calls) and, in alternating
//                       rounds in the same process, drawn through SDL2's
//                       renderer from textures of the same pictures (needs
//                       SDL2; bench/run-game.sh frame installs it)
//
// Index: measuring, the bench host, the modes, the frame mode, main.
#include <GL/gl.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "game/myapp.h"
#include "host/vantorgame.h"
#include "platform/glfw2.h"
#include "tools/replay/bot.h"

#ifdef DROPLING_BENCH_SDL2
#include <SDL2/SDL.h>

#include <cmath>
#include <map>
#endif

#ifndef DROPLING_BUILD_TYPE
#define DROPLING_BUILD_TYPE "unknown"
#endif

namespace {

// ===========================================================================
// measuring

double Now(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
double Wall() { return Now(CLOCK_MONOTONIC); }
double ThreadCpu() { return Now(CLOCK_THREAD_CPUTIME_ID); }
double ProcessCpu() { return Now(CLOCK_PROCESS_CPUTIME_ID); }

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}
double Worst(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

double ResidentMiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

std::string LoadAverage() {
    double a = 0, b = 0, c = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &a, &b, &c) != 3) a = b = c = 0;
        std::fclose(f);
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f %.2f %.2f", a, b, c);
    return buf;
}

void PrintConditions(const std::string& renderer) {
    utsname u;
    uname(&u);
    std::printf("machine: %ld cores, %s %s; build: %s; display: Xvfb (%s); load average: %s\n",
                sysconf(_SC_NPROCESSORS_ONLN), u.machine, u.release, DROPLING_BUILD_TYPE,
                renderer.c_str(), LoadAverage().c_str());
}

// ===========================================================================
// the bench host: the shipped loop with a look at each update and render

constexpr int kModeMenu = 1;
constexpr int kModeGame = 10;
constexpr int kGameType = 2;

c_MyApp* Game() { return dynamic_cast<c_MyApp*>(bb_app__app); }

struct Update {
    double start, wall, cpu;
    int mode;
    bool loading;    // a staged loading step ran in it
    bool gameStart;  // the update that took the game from the menu into play
};

class BenchHost : public BBVantorGame {
public:
    replay::BotSettings bot;
    int killAfter = 0;    // updates of play after which the player dies (0: never)
    int raisedRate = 0;   // update rate forced once the menu shows (0: the game's own)
    int gameStarts = 0;
    int stopAfterGames = -1;
    double playSeconds = 0;  // close the window this long after the first game starts (0: never)
    double playCpu = 0, playWall = 0;  // process CPU and wall time at the first game start
    std::string glRenderer;
    bool stop = false;

    // The frame mode: draw lists kept from steady play, and the update CPU
    // times of that stretch of play.
    int captureAfter = 0;  // play updates before the first kept frame (0: keep none)
    int captureEvery = 1;
    size_t captureFrames = 0;
    std::vector<std::vector<float>> captured;
    std::vector<double> steadyUpdateCpu, steadyRenderWall;

    std::vector<Update> updates;
    std::vector<double> renderStarts, renderWall, gcSteps;
    long long rendersSinceUpdate = 0, catchUps = 0;
    double firstFrameAt = 0, menuAt = 0;
    double residentMenu = 0, residentPlay = 0;

    void UpdateGame() override {
        c_MyApp* app = Game();
        if (app) Steer(app);
        const int modeBefore = app ? app->m_Mode : 0;
        const bool loading = app && app->m_NeedReload != 0;
        // Two updates with no render between: the loop was catching up.
        if (!updates.empty() && rendersSinceUpdate == 0) ++catchUps;
        rendersSinceUpdate = 0;
        const double w0 = Wall(), c0 = ThreadCpu();
        BBVantorGame::UpdateGame();
        const double w1 = Wall(), c1 = ThreadCpu();
        const int mode = app ? app->m_Mode : 0;
        const bool started = modeBefore != kModeGame && mode == kModeGame;
        updates.push_back({w0, w1 - w0, c1 - c0, mode, loading, started});
        if (started) {
            if (gameStarts == 0) {
                playCpu = ProcessCpu();
                playWall = w1;
            }
            ++gameStarts;
            playUpdates_ = 0;
            if (residentPlay == 0 && gameStarts == 1) wantPlayResident_ = true;
        }
        if (mode == kModeGame) ++playUpdates_;
        if (wantPlayResident_ && (playUpdates_ == kPlayResidentAfter || playUpdates_ == killAfter)) {
            residentPlay = ResidentMiB();
            wantPlayResident_ = false;
        }
        if (menuAt == 0 && mode == kModeMenu && app->m_NeedReload == 0) {
            menuAt = Wall();
            residentMenu = ResidentMiB();
            if (raisedRate) SetUpdateRate(raisedRate);
        }
        if (captureFrames > 0 && mode == kModeGame && app->m_Dead == 0 && playUpdates_ > captureAfter &&
            !started) {
            steadyUpdateCpu.push_back(c1 - c0);
            if ((playUpdates_ - captureAfter) % captureEvery == 0) {
                const float* list = app->m_DrawList.Data();
                const int count = std::min(app->m_DrawCount, c_MyApp::kDrawListFloats);
                captured.emplace_back(list, list + count);
                if (captured.size() >= captureFrames) stop = true;
            }
        }
        if (stopAfterGames >= 0 && gameStarts >= stopAfterGames && mode != kModeGame) stop = true;
        if (playSeconds > 0 && gameStarts > 0 && w1 - playWall >= playSeconds) stop = true;
    }

    void RenderGame() override {
        const double w0 = Wall();
        BBVantorGame::RenderGame();
        // The frame counts once the GL work behind it is done.
        glFinish();
        const double w1 = Wall();
        if (firstFrameAt == 0) {
            firstFrameAt = w1;
            glRenderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        }
        renderStarts.push_back(w0);
        renderWall.push_back(w1 - w0);
        if (!steadyUpdateCpu.empty()) steadyRenderWall.push_back(w1 - w0);
        ++rendersSinceUpdate;
        if (stop) glfw2::glfwCloseWindow();
    }

    void gc_collect() override {
        const double c0 = ThreadCpu();
        BBVantorGame::gc_collect();
        gcSteps.push_back(ThreadCpu() - c0);
    }

private:
    static constexpr int kPlayResidentAfter = 600;  // ten seconds into the first game, or its end
    int playUpdates_ = 0;
    bool wantPlayResident_ = false;
    std::vector<int> held_;

    void Steer(c_MyApp* app) {
        if (killAfter > 0 && app->m_Mode == kModeGame && app->m_Dead == 0 &&
            playUpdates_ >= killAfter)
            app->m_Dead = 1;  // as the pause menu's quit does
        std::vector<int> want = replay::BotKeys(app, bot, held_);
        for (int k : held_)
            if (std::find(want.begin(), want.end(), k) == want.end()) OnKey(k, glfw2::GLFW_RELEASE);
        for (int k : want)
            if (std::find(held_.begin(), held_.end(), k) == held_.end()) OnKey(k, glfw2::GLFW_PRESS);
        held_ = want;
    }
};

BenchHost* g_host = nullptr;

// ===========================================================================
// the modes

// The worst update in the window around each game start (loading steps
// aside: the first game can start just after them), the start's own update,
// and the steady updates of play.
void ReportStarts(const BenchHost& h) {
    constexpr int kAround = 30;  // updates either side of a start: half a second
    std::vector<double> aroundWall, aroundAt, startWall, startCpu, playWall;
    const int n = int(h.updates.size());
    for (int i = 0; i < n; ++i) {
        if (h.updates[i].mode == kModeGame && !h.updates[i].gameStart) playWall.push_back(h.updates[i].wall);
        if (!h.updates[i].gameStart) continue;
        startWall.push_back(h.updates[i].wall);
        startCpu.push_back(h.updates[i].cpu);
        double worst = 0;
        int at = 0;
        for (int j = std::max(0, i - kAround); j <= std::min(n - 1, i + kAround); ++j)
            if (!h.updates[j].loading && h.updates[j].wall > worst) {
                worst = h.updates[j].wall;
                at = j - i;
            }
        aroundWall.push_back(worst);
        aroundAt.push_back(at);
    }
    std::printf("game starts: %zu\n", startWall.size());
    std::printf("update starting a game, wall ms: median %.2f  worst %.2f  (thread CPU median %.2f worst %.2f)\n",
                1e3 * Percentile(startWall, 0.5), 1e3 * Worst(startWall),
                1e3 * Percentile(startCpu, 0.5), 1e3 * Worst(startCpu));
    std::printf("worst update within %d updates of a start, wall ms: median %.2f  worst %.2f"
                " (median position %+.0f updates from the start)\n",
                kAround, 1e3 * Percentile(aroundWall, 0.5), 1e3 * Worst(aroundWall), Percentile(aroundAt, 0.5));
    double loadingWorst = 0;
    for (const Update& u : h.updates)
        if (u.loading) loadingWorst = std::max(loadingWorst, u.wall);
    std::printf("worst loading step, wall ms: %.2f\n", 1e3 * loadingWorst);
    std::printf("play updates, wall ms: median %.3f  p99 %.3f  worst %.2f\n", 1e3 * Percentile(playWall, 0.5),
                1e3 * Percentile(playWall, 0.99), 1e3 * Worst(playWall));
    int over = 0;
    for (double w : startWall) over += w > 1.0 / 60;
    std::printf("game starts with an update over one frame period (16.7 ms): %d\n", over);
}

void ReportPace(const BenchHost& h, double seconds, double cpu) {
    // Only play counts: from the first game start on.
    size_t first = 0;
    while (first < h.updates.size() && !h.updates[first].gameStart) ++first;
    std::vector<double> intervals;
    for (size_t i = first + 1; i < h.updates.size(); ++i)
        intervals.push_back(h.updates[i].start - h.updates[i - 1].start);
    const double span = h.updates.back().start - h.updates[first].start;
    size_t renders = 0;
    for (double r : h.renderStarts) renders += r >= h.updates[first].start;
    std::vector<double> dev;
    for (double v : intervals) dev.push_back(std::abs(v - 1.0 / 60));
    std::printf("play: %.1f s, %zu updates, deaths %d\n", span, intervals.size() + 1, Game()->m_Dead);
    std::printf("updates per second: %.2f   renders per second: %.2f\n", double(intervals.size()) / span,
                double(renders) / span);
    std::printf("update interval, ms: median %.3f  p99 %.3f  worst %.3f  best %.3f\n",
                1e3 * Percentile(intervals, 0.5), 1e3 * Percentile(intervals, 0.99), 1e3 * Worst(intervals),
                1e3 * Percentile(intervals, 0.0));
    std::printf("jitter |interval - 16.667 ms|, ms: median %.3f  p99 %.3f  worst %.3f\n",
                1e3 * Percentile(dev, 0.5), 1e3 * Percentile(dev, 0.99), 1e3 * Worst(dev));
    std::printf("catch-up passes (an update with no render since the last): %lld\n", h.catchUps);
    std::printf("process CPU: %.2f s in %.1f s wall = %.1f%% of one core\n", cpu, seconds, 100 * cpu / seconds);
    std::printf("render incl. glFinish, ms: median %.2f  p99 %.2f  worst %.2f\n", 1e3 * Percentile(h.renderWall, 0.5),
                1e3 * Percentile(h.renderWall, 0.99), 1e3 * Worst(h.renderWall));
    std::printf("collector step, thread CPU us: median %.1f  p99 %.1f  worst %.1f  (%zu steps)\n",
                1e6 * Percentile(h.gcSteps, 0.5), 1e6 * Percentile(h.gcSteps, 0.99), 1e6 * Worst(h.gcSteps),
                h.gcSteps.size());
}

void ReportMemory(const BenchHost& h, double mainAt) {
    if (const char* exec = std::getenv("BENCH_EXEC_NS")) {
        // The exec time is wall-clock (CLOCK_REALTIME) nanoseconds from the
        // script; convert the monotonic marks through the present moment.
        const double offset = Now(CLOCK_REALTIME) - Wall();
        const double t0 = std::strtod(exec, nullptr) * 1e-9;
        std::printf("exec to main: %.1f ms\n", 1e3 * (mainAt + offset - t0));
        std::printf("exec to first frame on screen: %.1f ms\n", 1e3 * (h.firstFrameAt + offset - t0));
        std::printf("exec to the menu (after the loading steps): %.1f ms\n", 1e3 * (h.menuAt + offset - t0));
    }
    std::printf("resident memory, MiB: menu %.1f  play %.1f  after %d games %.1f\n", h.residentMenu,
                h.residentPlay, h.gameStarts, ResidentMiB());
}


// ===========================================================================
// the frame mode: kept play frames through the game's replay and through
// SDL2's renderer

constexpr int kCaptureAfter = 300;  // five seconds of play: the field is full
constexpr int kCaptureEvery = 10;
constexpr int kFrameRounds = 3;     // rounds per renderer, alternating which goes first
constexpr int kFrameRepeats = 10;   // passes over the kept frames per round
constexpr int kFrameWarmup = 5;     // frames drawn before each round's timing
constexpr double kBudget = 1.0 / 60;

struct FrameTimes {
    std::vector<double> submitCpu;  // the main thread, up to the swap
    std::vector<double> frameWall;  // the whole frame, swap and glFinish included
    std::vector<double> frameCpu;   // the process (llvmpipe's threads included)
    std::vector<double> drawCalls;
};

void PrintRow(const char* what, const std::vector<double>& v, double scale, const char* unit) {
    std::printf("  %-44s median %7.3f  p99 %7.3f  worst %7.3f %s\n", what, scale * Percentile(v, 0.5),
                scale * Percentile(v, 0.99), scale * Worst(v), unit);
}

// Commands of each kind in a kept frame.
struct Census {
    int images = 0, rects = 0, ovals = 0, lines = 0;
};
Census Count(const std::vector<float>& list) {
    Census c;
    for (size_t i = 0; i + c_MyApp::kCommandFloats <= list.size(); i += c_MyApp::kCommandFloats) {
        const float kind = list[i];
        if (kind == c_MyApp::kKindRect) ++c.rects;
        else if (kind == c_MyApp::kKindOval) ++c.ovals;
        else if (kind == c_MyApp::kKindLine) ++c.lines;
        else if (kind > -1 && kind < c_MyApp::kImageSlots) ++c.images;
    }
    return c;
}

constexpr int kFrameWidth = 640, kFrameHeight = 480;  // the window the game opens

// The game's replay: the kept list goes into the draw list and the render
// pass runs as the framework's delegate runs it.
// The back buffer before the swap, as RGBA rows bottom to top: the check
// that both renderers drew the same picture.
std::vector<uint8_t> ReadBack() {
    std::vector<uint8_t> px(size_t(kFrameWidth) * kFrameHeight * 4);
    glReadPixels(0, 0, kFrameWidth, kFrameHeight, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
}

void OursFrame(c_MyApp* app, const std::vector<float>& list, FrameTimes& t, bool keep,
               std::vector<uint8_t>* picture = nullptr) {
    gxtkGraphics* device = bb_graphics_device;
    std::copy(list.begin(), list.end(), app->m_DrawList.Data());
    app->m_DrawCount = int(list.size());
    device->ResetStats();
    const double w0 = Wall(), c0 = ThreadCpu(), p0 = ProcessCpu();
    device->BeginRender();
    bb_graphics_BeginRender();
    app->p_OnRender();
    bb_graphics_EndRender();
    device->Flush();  // the last batch, as SDL_RenderFlush on the other side
    const double c1 = ThreadCpu();
    if (picture) *picture = ReadBack();
    device->EndRender();  // the swap
    glFinish();
    const double w2 = Wall(), p2 = ProcessCpu();
    if (!keep) return;
    t.submitCpu.push_back(c1 - c0);
    t.frameWall.push_back(w2 - w0);
    t.frameCpu.push_back(p2 - p0);
    t.drawCalls.push_back(double(device->GetStats().drawCalls));
}

#ifdef DROPLING_BENCH_SDL2
// The same commands through SDL2's renderer ("opengl" driver, batching on):
// each picture the kept frames use becomes one texture made from the same
// decoded file (the surface's pixels, un-premultiplied back to the file's
// straight alpha), frames are source rectangles, rectangles are filled
// rectangles, ovals are triangle lists with the renderer's own segment count,
// lines are lines; colour, alpha and blend are set before every command as
// the game's replay sets them.
struct SdlPeer {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::map<gxtkSurface*, SDL_Texture*> textures;
    std::vector<SDL_Vertex> vertices;
    std::vector<int> indices;

    bool Open(c_MyApp* app) {
        window = SDL_CreateWindow("game frame (SDL2)", 0, 0, kFrameWidth, kFrameHeight,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
        if (!window) return false;
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
        if (!renderer) return false;
        for (int slot = 0; slot < c_MyApp::kImageSlots; ++slot) {
            c_Image* image = app->m_Images[slot];
            if (!image || !image->m_Surface || textures.count(image->m_Surface)) continue;
            gxtkSurface* s = image->m_Surface;
            std::vector<uint8_t> px(size_t(s->width) * s->height * 4);
            for (int i = 0; i < s->width * s->height; ++i) {
                const uint8_t* in = s->data + size_t(i) * s->depth;
                uint8_t* out = &px[size_t(i) * 4];
                const uint8_t a = s->depth == 4 ? in[3] : s->depth == 2 ? in[1] : 255;
                const bool grey = s->depth < 3;
                for (int k = 0; k < 3; ++k) {
                    const int v = grey ? in[0] : in[k];
                    out[k] = uint8_t(a ? std::min(255, v * 255 / a) : 0);
                }
                out[3] = a;
            }
            SDL_Texture* t = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC,
                                               s->width, s->height);
            SDL_UpdateTexture(t, nullptr, px.data(), s->width * 4);
            SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
            textures[s] = t;
        }
        vertices.resize(1024);
        indices.resize(3 * 1024);
        return true;
    }

    void Close() {
        for (auto& [surface, t] : textures) SDL_DestroyTexture(t);
        textures.clear();
        SDL_DestroyRenderer(renderer);
        SDL_DestroyWindow(window);
    }

    void Oval(float cx, float cy, float rx, float ry, SDL_Color colour) {
        const int n = bb_graphics_device->OvalSegments(rx * 2, ry * 2);
        for (int i = 0; i < n; ++i) {
            const float a = float(i) * 6.2831855f / float(n);
            vertices[i] = {{cx + std::cos(a) * rx, cy - std::sin(a) * ry}, colour, {0, 0}};
        }
        for (int i = 0; i < n - 2; ++i) {
            indices[i * 3] = 0;
            indices[i * 3 + 1] = i + 1;
            indices[i * 3 + 2] = i + 2;
        }
        SDL_RenderGeometry(renderer, nullptr, vertices.data(), n, indices.data(), (n - 2) * 3);
    }

    void Frame(c_MyApp* app, const std::vector<float>& list, FrameTimes& t, bool keep,
               std::vector<uint8_t>* picture = nullptr) {
        const double w0 = Wall(), c0 = ThreadCpu(), p0 = ProcessCpu();
        // The game's clear: a rectangle over the whole window.
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
        SDL_SetRenderDrawColor(renderer, Uint8(app->m_ClearR), Uint8(app->m_ClearG), Uint8(app->m_ClearB),
                               Uint8(app->m_ClearA * 255));
        const SDL_FRect all{-1, -1, kFrameWidth + 2.0f, kFrameHeight + 2.0f};
        SDL_RenderFillRectF(renderer, &all);
        const float sx = app->m_ScaleX, sy = app->m_ScaleY;
        for (size_t i = 0; i + c_MyApp::kCommandFloats <= list.size(); i += c_MyApp::kCommandFloats) {
            const float* cmd = &list[i];
            const SDL_BlendMode blend = cmd[13] == 3 ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND;
            const SDL_Color colour{Uint8(cmd[10]), Uint8(cmd[11]), Uint8(cmd[12]),
                                   Uint8(std::clamp(cmd[7], 0.0f, 1.0f) * 255)};
            const float kind = cmd[0];
            const float x = cmd[1] * sx, y = cmd[2] * sy;
            if (kind == c_MyApp::kKindRect || kind == c_MyApp::kKindOval || kind == c_MyApp::kKindLine) {
                SDL_SetRenderDrawBlendMode(renderer, blend);
                SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
                if (kind == c_MyApp::kKindRect) {
                    const SDL_FRect r{x, y, cmd[4] * sx, cmd[5] * sy};
                    SDL_RenderFillRectF(renderer, &r);
                } else if (kind == c_MyApp::kKindOval) {
                    Oval(x, y, cmd[4] * sx, cmd[5] * sy, colour);
                } else {
                    SDL_RenderDrawLineF(renderer, x, y, cmd[4] * sx, cmd[5] * sy);
                }
                continue;
            }
            if (!(kind > -1 && kind < c_MyApp::kImageSlots)) continue;
            c_Image* image = app->m_Images[int(kind)];
            if (!image) continue;
            c_Frame* f = image->p_FrameAt(int(cmd[6]));
            if (!f) continue;
            SDL_Texture* tex = textures[image->m_Surface];
            SDL_SetTextureColorMod(tex, colour.r, colour.g, colour.b);
            SDL_SetTextureAlphaMod(tex, colour.a);
            SDL_SetTextureBlendMode(tex, blend);
            const float scaleX = cmd[4] * sx * app->m_ImgScale, scaleY = cmd[5] * sy * app->m_ImgScale;
            const int flip = (scaleX < 0 ? SDL_FLIP_HORIZONTAL : 0) | (scaleY < 0 ? SDL_FLIP_VERTICAL : 0);
            const float ax = std::fabs(scaleX), ay = std::fabs(scaleY);
            const SDL_Rect src{f->m_X, f->m_Y, image->m_Width, image->m_Height};
            const SDL_FRect dst{x - image->m_HandleX * ax, y - image->m_HandleY * ay, image->m_Width * ax,
                                image->m_Height * ay};
            const SDL_FPoint centre{image->m_HandleX * ax, image->m_HandleY * ay};
            // SDL turns clockwise for positive angles, the game the other way.
            SDL_RenderCopyExF(renderer, tex, &src, &dst, -cmd[3], &centre, SDL_RendererFlip(flip));
        }
        SDL_RenderFlush(renderer);
        const double c1 = ThreadCpu();
        if (picture) *picture = ReadBack();
        SDL_RenderPresent(renderer);
        glFinish();
        const double w2 = Wall(), p2 = ProcessCpu();
        if (!keep) return;
        t.submitCpu.push_back(c1 - c0);
        t.frameWall.push_back(w2 - w0);
        t.frameCpu.push_back(p2 - p0);
    }
};
#endif

// Returns 0, or 1 when SDL2 could not draw.
int RunFrames(BenchHost& h) {
    c_MyApp* app = Game();
    if (h.captured.empty()) {
        std::printf("frame: no play frame was kept\n");
        return 1;
    }
    // The empty frame (the clear alone) shows the fixed cost of a frame
    // apart from the commands.
    const std::vector<float> empty;
    FrameTimes ours, sdl, oursEmpty, sdlEmpty;
    std::vector<uint8_t> oursPicture, sdlPicture;  // the last warm-up frame of each
#ifdef DROPLING_BENCH_SDL2
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::printf("frame: SDL_Init failed: %s\n", SDL_GetError());
        return 1;
    }
    SdlPeer peer;
#endif
    for (int round = 0; round < kFrameRounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (round % 2 == 0)) {
                // A fresh window as the host opens it; the surfaces make new
                // textures on first use.
                glfw2::glfwOpenWindow(kFrameWidth, kFrameHeight, 8, 8, 8, 0, 0, 0, glfw2::GLFW_WINDOW);
                glfwGraphicsSeq++;
                glfw2::glfwDisable(glfw2::GLFW_AUTO_POLL_EVENTS);
                for (int i = 0; i < kFrameWarmup; ++i)
                    OursFrame(app, h.captured[i % h.captured.size()], ours, false, &oursPicture);
                for (int r = 0; r < kFrameRepeats; ++r)
                    for (const auto& list : h.captured) OursFrame(app, list, ours, true);
                for (size_t i = 0; i < h.captured.size(); ++i) OursFrame(app, empty, oursEmpty, true);
                glfw2::glfwCloseWindow();
            } else {
#ifdef DROPLING_BENCH_SDL2
                if (!peer.Open(app)) {
                    std::printf("frame: SDL2's renderer failed: %s\n", SDL_GetError());
                    return 1;
                }
                for (int i = 0; i < kFrameWarmup; ++i)
                    peer.Frame(app, h.captured[i % h.captured.size()], sdl, false, &sdlPicture);
                for (int r = 0; r < kFrameRepeats; ++r)
                    for (const auto& list : h.captured) peer.Frame(app, list, sdl, true);
                for (size_t i = 0; i < h.captured.size(); ++i) peer.Frame(app, empty, sdlEmpty, true);
                peer.Close();
#endif
            }
        }
    }
    PrintConditions(h.glRenderer);
    Census total;
    for (const auto& list : h.captured) {
        const Census c = Count(list);
        total.images += c.images;
        total.rects += c.rects;
        total.ovals += c.ovals;
        total.lines += c.lines;
    }
    const double n = double(h.captured.size());
    std::printf("kept %zu play frames (every %d updates after %d updates of play); commands per frame, mean:"
                " %.0f images, %.1f rectangles, %.1f ovals, %.1f lines\n",
                h.captured.size(), kCaptureEvery, kCaptureAfter, total.images / n, total.rects / n,
                total.ovals / n, total.lines / n);
    std::printf("%d rounds x %d passes over the kept frames per renderer, %dx%d window\n", kFrameRounds,
                kFrameRepeats, kFrameWidth, kFrameHeight);
    std::printf("the game (ms):\n");
    PrintRow("update, thread CPU (live loop)", h.steadyUpdateCpu, 1e3, "ms");
    PrintRow("render submission, thread CPU", ours.submitCpu, 1e3, "ms");
    PrintRow("whole frame with swap and glFinish, wall", ours.frameWall, 1e3, "ms");
    PrintRow("whole frame, process CPU", ours.frameCpu, 1e3, "ms");
    PrintRow("draw calls", ours.drawCalls, 1, "");
    PrintRow("empty frame: submission, thread CPU", oursEmpty.submitCpu, 1e3, "ms");
    PrintRow("empty frame: whole, wall", oursEmpty.frameWall, 1e3, "ms");
    PrintRow("render with glFinish in the live loop, wall", h.steadyRenderWall, 1e3, "ms");
#ifdef DROPLING_BENCH_SDL2
    std::printf("SDL2's renderer, the same frames (ms):\n");
    PrintRow("submission, thread CPU", sdl.submitCpu, 1e3, "ms");
    PrintRow("whole frame with present and glFinish, wall", sdl.frameWall, 1e3, "ms");
    PrintRow("whole frame, process CPU", sdl.frameCpu, 1e3, "ms");
    PrintRow("empty frame: submission, thread CPU", sdlEmpty.submitCpu, 1e3, "ms");
    PrintRow("empty frame: whole, wall", sdlEmpty.frameWall, 1e3, "ms");
    // Filtering and edge rules differ a little; a missing texture or a wrong
    // frame rectangle would differ by tens of levels.
    double diff = 0;
    for (size_t i = 0; i < oursPicture.size() && i < sdlPicture.size(); ++i)
        if (i % 4 != 3) diff += std::abs(int(oursPicture[i]) - int(sdlPicture[i]));
    std::printf("  same picture? mean |game - SDL2| per colour channel over the window: %.2f of 255\n",
                diff / (double(kFrameWidth) * kFrameHeight * 3));
    auto ratio = [](const std::vector<double>& a, const std::vector<double>& b) {
        return Percentile(a, 0.5) / Percentile(b, 0.5);
    };
    std::printf("ratio game/SDL2 (medians): submission CPU %.2f  whole frame wall %.2f  process CPU %.2f\n",
                ratio(ours.submitCpu, sdl.submitCpu), ratio(ours.frameWall, sdl.frameWall),
                ratio(ours.frameCpu, sdl.frameCpu));
    SDL_Quit();
#endif
    const double update = Percentile(h.steadyUpdateCpu, 0.5), frame = Percentile(ours.frameWall, 0.5);
    std::printf("share of the 16.7 ms frame budget (medians): update %.1f%%  whole frame %.1f%%  both %.1f%%\n",
                100 * update / kBudget, 100 * frame / kBudget, 100 * (update + frame) / kBudget);
    return 0;
}

}  // namespace

// ===========================================================================
// main: start-up as the program's entry does it, with the bench host

int main(int argc, char** argv) {
    const double mainAt = Wall();
    const std::string mode = argc > 1 ? argv[1] : "";
    const int n = argc > 2 ? std::atoi(argv[2]) : 0;
    if (mode != "starts" && mode != "pace" && mode != "memory" && mode != "frame") {
        std::fprintf(stderr, "usage: game_bench starts|pace|memory|frame [N]\n");
        return 2;
    }
    if (!glfw2::glfwInit()) {
        std::fprintf(stderr, "game_bench: the window layer did not start\n");
        return 1;
    }
    BenchHost* host = g_host = new BenchHost();
    host->bot.on = true;
    host->bot.gameType = kGameType;
    double seconds = 0;
    if (mode == "starts") {
        host->killAfter = 60;
        host->stopAfterGames = n > 0 ? n : 20;
    } else if (mode == "pace") {
        host->bot.avoid = true;
        seconds = n > 0 ? n : 60;
    } else if (mode == "frame") {
        host->bot.avoid = true;
        host->captureAfter = kCaptureAfter;
        host->captureEvery = kCaptureEvery;
        host->captureFrames = size_t(n > 0 ? n : 30);
    } else {
        host->killAfter = 60;
        host->stopAfterGames = n > 0 ? n : 100;
        host->raisedRate = 600;
    }
    try {
        bb_std_main(argc, const_cast<const char**>(argv));
    } catch (ThrowableObject* ex) {
        glfw2::glfwTerminate();
        host->Die(ex);
    }
    host->playSeconds = seconds;
    if (host->Delegate()) host->Run();
    const double cpu = ProcessCpu() - host->playCpu, wall = Wall() - host->playWall;
    if (mode == "frame") {
        const int status = RunFrames(*host);
        glfw2::glfwTerminate();
        return status;
    }
    PrintConditions(host->glRenderer);
    if (mode == "starts") ReportStarts(*host);
    if (mode == "pace") ReportPace(*host, wall, cpu);
    if (mode == "memory") ReportMemory(*host, mainAt);
    glfw2::glfwTerminate();
    return 0;
}
