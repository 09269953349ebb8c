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
//
// Index: measuring, the bench host, the modes, main.
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

}  // namespace

// ===========================================================================
// main: start-up as the program's entry does it, with the bench host

int main(int argc, char** argv) {
    const double mainAt = Wall();
    const std::string mode = argc > 1 ? argv[1] : "";
    const int n = argc > 2 ? std::atoi(argv[2]) : 0;
    if (mode != "starts" && mode != "pace" && mode != "memory") {
        std::fprintf(stderr, "usage: game_bench starts|pace|memory [N]\n");
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
    PrintConditions(host->glRenderer);
    if (mode == "starts") ReportStarts(*host);
    if (mode == "pace") ReportPace(*host, wall, cpu);
    if (mode == "memory") ReportMemory(*host, mainAt);
    glfw2::glfwTerminate();
    return 0;
}
