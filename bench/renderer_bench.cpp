// Renderer benchmark: the heaviest frame the game can record, drawn through
// our renderer (graphics/) and, side by side in the same process and on the
// same X screen, through SDL2's renderer, for a fixed number of frames each.
//
// The frame is a full draw list of 2499 commands replayed the way the game
// replays it (alpha, colour and blend set before every command): 2300
// rotated, scaled, tinted sprites from two 256x256 sprite sheets with a
// texture switch every 230 sprites and two additive groups, plus 100
// rectangles and 99 ovals. Two variants: the frame as the game would draw it,
// and the same commands with every primitive shrunk to about a pixel, which
// leaves the submission cost (transforms, batching, GL calls, vertex
// processing) and removes most of the software rasteriser's fill.
//
// Reports per frame: wall time and process CPU time (median and worst), main
// thread CPU time, page faults, and for our renderer draw calls, flushes and
// vertices (from its own counters); the ratio of the two renderers; and the
// submission cost per command. Relies on the platform layer (window), the
// host (glfwGraphicsSeq), the runtime, libGL and SDL2. Run it under Xvfb:
// bench/run-renderer.sh.
//
// Usage: renderer_bench [frames per round] [rounds]
//
// Index:
//   the scene ........ the commands and the sprite sheets
//   measuring ........ clocks, page faults, medians
//   our renderer ..... the game's replay through bb_graphics_*
//   SDL2's renderer .. the same commands through SDL_Render*
//   report, main
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "host/glfwgame.h"
#include "platform/glfw2.h"

using namespace glfw2;

#ifndef DROPLING_BUILD_TYPE
#define DROPLING_BUILD_TYPE "unknown"
#endif

namespace {

// ===========================================================================
// The scene

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kCommands = 2499;  // the most a game frame records
constexpr int kGroupSize = 250;  // commands per group: sprites, then rects, then ovals
constexpr int kGroupSprites = 230;
constexpr int kGroupRects = 10;
constexpr int kSheetSize = 256;
constexpr int kCell = 32;  // sprite frame size; 8 x 8 frames per sheet
constexpr int kFramesPerSheet = (kSheetSize / kCell) * (kSheetSize / kCell);
constexpr int kWarmupFrames = 10;

enum class Kind { Sprite, Rect, Oval };

struct Command {
    Kind kind;
    float x, y;      // centre for sprites and ovals, top-left for rectangles
    float rotation;  // degrees, counter-clockwise on screen
    float scale;     // sprites; rectangles and ovals: size in pixels
    float spin;      // degrees per frame
    int frame;
    int sheet;
    bool additive;
    float alpha, r, g, b;
};

// A deterministic generator, so both renderers get the very same scene.
uint32_t g_seed = 12345;
float Random01() {
    g_seed = g_seed * 1664525u + 1013904223u;
    return static_cast<float>(g_seed >> 8) / 16777216.0f;
}

std::vector<Command> MakeScene() {
    std::vector<Command> cmds;
    for (int i = 0; i < kCommands; ++i) {
        const int group = i / kGroupSize;
        const int inGroup = i % kGroupSize;
        Command c{};
        c.x = Random01() * kWidth;
        c.y = Random01() * kHeight;
        c.alpha = 0.5f + Random01() * 0.5f;
        c.r = 128 + Random01() * 127;
        c.g = 128 + Random01() * 127;
        c.b = 128 + Random01() * 127;
        if (inGroup < kGroupSprites) {
            c.kind = Kind::Sprite;
            c.rotation = Random01() * 360;
            c.spin = Random01() * 4 - 2;
            c.scale = 0.5f + Random01() * 1.5f;
            c.frame = static_cast<int>(Random01() * kFramesPerSheet) % kFramesPerSheet;
            c.sheet = group % 2;          // a texture switch every group
            c.additive = group % 4 == 3;  // glowing particles, as the effects draw
        } else if (inGroup < kGroupSprites + kGroupRects) {
            c.kind = Kind::Rect;
            c.scale = 10 + Random01() * 30;
        } else {
            c.kind = Kind::Oval;
            c.scale = 6 + Random01() * 14;  // radius
        }
        cmds.push_back(c);
    }
    return cmds;
}

// Straight-alpha RGBA pixels of one sheet: soft round blobs with a stripe
// that shows their orientation, tinted per frame.
std::vector<uint8_t> MakeSheetPixels(int sheet) {
    std::vector<uint8_t> px(static_cast<size_t>(kSheetSize) * kSheetSize * 4);
    for (int y = 0; y < kSheetSize; ++y) {
        for (int x = 0; x < kSheetSize; ++x) {
            const int cell = (y / kCell) * (kSheetSize / kCell) + x / kCell;
            const float cx = static_cast<float>(x % kCell) - kCell / 2 + 0.5f;
            const float cy = static_cast<float>(y % kCell) - kCell / 2 + 0.5f;
            const float d = std::sqrt(cx * cx + cy * cy) / (kCell / 2);
            const float a = d >= 1 ? 0 : (d > 0.8f ? (1 - d) * 5 : 1);
            uint8_t* p = &px[(static_cast<size_t>(y) * kSheetSize + x) * 4];
            const bool stripe = std::fabs(cy) < 2 && cx > 0;
            p[0] = static_cast<uint8_t>(stripe ? 255 : (cell * 37 + sheet * 90) % 256);
            p[1] = static_cast<uint8_t>(stripe ? 255 : (cell * 71) % 256);
            p[2] = static_cast<uint8_t>(stripe ? 255 : (200 - cell * 13 + sheet * 50) % 256);
            p[3] = static_cast<uint8_t>(a * 255);
        }
    }
    return px;
}

// The oval segment rule of our renderer for an untransformed oval, so that
// SDL gets polygons of the same size.
int OvalSegments(float radiusX, float radiusY) {
    int n = std::abs(static_cast<int>(radiusX)) + std::abs(static_cast<int>(radiusY));
    if (n < 12) return 12;
    if (n > 1024) return 1024;
    return n & ~3;
}

// ===========================================================================
// Measuring

struct Sample {
    double wall, cpu, thread;  // seconds
    long faults;
    uint64_t drawCalls, flushes, vertices;
};

double Seconds(clockid_t clock) {
    timespec ts;
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

long MinorFaults() {
    rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_minflt + ru.ru_majflt;
}

struct Clock {
    double wall = Seconds(CLOCK_MONOTONIC);
    double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    double thread = Seconds(CLOCK_THREAD_CPUTIME_ID);
    long faults = MinorFaults();

    Sample Since() const {
        Sample s{};
        s.wall = Seconds(CLOCK_MONOTONIC) - wall;
        s.cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu;
        s.thread = Seconds(CLOCK_THREAD_CPUTIME_ID) - thread;
        s.faults = MinorFaults() - faults;
        return s;
    }
};

struct Series {
    std::vector<Sample> samples;

    static double Median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : v[v.size() / 2];
    }
    template <class F>
    std::vector<double> Pick(F f) const {
        std::vector<double> out;
        for (const Sample& s : samples)
            out.push_back(f(s));
        return out;
    }
    double MedianOf(double Sample::*field) const {
        return Median(Pick([&](const Sample& s) { return s.*field; }));
    }
    double WorstOf(double Sample::*field) const {
        double worst = 0;
        for (const Sample& s : samples)
            worst = std::max(worst, s.*field);
        return worst;
    }
    double MedianFaults() const {
        return Median(Pick([](const Sample& s) { return static_cast<double>(s.faults); }));
    }
    // Faults come in bursts (when the allocator hands memory back and takes
    // it again), so the mean says more than the median.
    double MeanFaults() const {
        double sum = 0;
        for (const Sample& s : samples)
            sum += static_cast<double>(s.faults);
        return samples.empty() ? 0 : sum / static_cast<double>(samples.size());
    }
};

// ===========================================================================
// Our renderer

struct Ours {
    gxtkGraphics* device = nullptr;
    c_Image* sheets[2] = {nullptr, nullptr};
    std::string glName;

    void Open() {
        glfwOpenWindow(kWidth, kHeight, 8, 8, 8, 0, 0, 0, GLFW_WINDOW);
        glfwGraphicsSeq++;
        // As the game's window: events are polled by the loop, not by the
        // buffer swap.
        glfwDisable(GLFW_AUTO_POLL_EVENTS);
        const GLubyte* renderer = glGetString(GL_RENDERER);
        const GLubyte* version = glGetString(GL_VERSION);
        glName = std::string(renderer ? reinterpret_cast<const char*>(renderer) : "?") + ", " +
                 (version ? reinterpret_cast<const char*>(version) : "?");
        if (!device) {
            device = new gxtkGraphics();
            bb_graphics_SetGraphicsDevice(device);
            for (int s = 0; s < 2; ++s) {
                const std::vector<uint8_t> px = MakeSheetPixels(s);
                uint8_t* data = static_cast<uint8_t*>(std::malloc(px.size()));
                std::memcpy(data, px.data(), px.size());
                gxtkSurface* surface = new gxtkSurface();
                surface->SetData(data, kSheetSize, kSheetSize, 4);
                sheets[s] = (new c_Image())
                                ->m_new()
                                ->p_Init2(surface, 0, 0, kCell, kCell, kFramesPerSheet,
                                          c_Image::ImageCentreHandle, nullptr, 0, 0, kSheetSize,
                                          kSheetSize);
            }
            // No collector step ever runs here (there are no host
            // callbacks), so the images need no root to stay alive.
        }
    }
    void Close() { glfwCloseWindow(); }

    void Frame(const std::vector<Command>& cmds, int frameNo, bool tiny) {
        device->BeginRender();
        bb_graphics_BeginRender();
        bb_graphics_Cls(20, 30, 40);
        for (const Command& c : cmds) {
            bb_graphics_SetAlpha(c.alpha);
            bb_graphics_SetColor(c.r, c.g, c.b);
            bb_graphics_SetBlend(c.additive ? 1 : 0);
            switch (c.kind) {
                case Kind::Sprite: {
                    const float s = tiny ? 1.0f / kCell : c.scale;
                    bb_graphics_DrawImage2(sheets[c.sheet], c.x, c.y,
                                           c.rotation + c.spin * static_cast<float>(frameNo), s, s,
                                           c.frame);
                    break;
                }
                case Kind::Rect: {
                    const float s = tiny ? 1 : c.scale;
                    bb_graphics_DrawRect(c.x, c.y, s, s * 0.5f);
                    break;
                }
                case Kind::Oval: {
                    const float r = tiny ? 0.5f : c.scale;
                    bb_graphics_DrawEllipse(c.x, c.y, r, r * 0.7f);
                    break;
                }
            }
        }
        bb_graphics_EndRender();
        device->EndRender();
        glFinish();  // the frame is done only once the rasteriser is
    }
};

// ===========================================================================
// SDL2's renderer

struct Sdl {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* sheets[2] = {nullptr, nullptr};
    std::vector<SDL_Vertex> ovalVertices;
    std::vector<int> ovalIndices;
    std::string name;

    bool Open() {
        window = SDL_CreateWindow("renderer bench (SDL2)", 0, 0, kWidth, kHeight,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
        if (!window) return false;
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
        if (!renderer) return false;
        SDL_RendererInfo info;
        SDL_GetRendererInfo(renderer, &info);
        name = info.name;
        for (int s = 0; s < 2; ++s) {
            const std::vector<uint8_t> px = MakeSheetPixels(s);
            sheets[s] = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ABGR8888,
                                          SDL_TEXTUREACCESS_STATIC, kSheetSize, kSheetSize);
            SDL_UpdateTexture(sheets[s], nullptr, px.data(), kSheetSize * 4);
            SDL_SetTextureScaleMode(sheets[s], SDL_ScaleModeNearest);
        }
        ovalVertices.resize(1024);
        ovalIndices.resize(3 * 1024);
        return true;
    }

    void Close() {
        for (SDL_Texture*& t : sheets)
            SDL_DestroyTexture(t);
        SDL_DestroyRenderer(renderer);
        SDL_DestroyWindow(window);
        renderer = nullptr;
        window = nullptr;
    }

    void Frame(const std::vector<Command>& cmds, int frameNo, bool tiny) {
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(renderer, 20, 30, 40, 255);
        SDL_RenderClear(renderer);
        for (const Command& c : cmds) {
            const SDL_BlendMode blend = c.additive ? SDL_BLENDMODE_ADD : SDL_BLENDMODE_BLEND;
            const Uint8 r = static_cast<Uint8>(c.r), g = static_cast<Uint8>(c.g),
                        b = static_cast<Uint8>(c.b), a = static_cast<Uint8>(c.alpha * 255);
            switch (c.kind) {
                case Kind::Sprite: {
                    SDL_Texture* t = sheets[c.sheet];
                    SDL_SetTextureColorMod(t, r, g, b);
                    SDL_SetTextureAlphaMod(t, a);
                    SDL_SetTextureBlendMode(t, blend);
                    const float s = tiny ? 1.0f / kCell : c.scale;
                    const float w = kCell * s;
                    const SDL_Rect src{(c.frame % 8) * kCell, (c.frame / 8) * kCell, kCell, kCell};
                    const SDL_FRect dst{c.x - w / 2, c.y - w / 2, w, w};
                    const SDL_FPoint centre{w / 2, w / 2};
                    // SDL turns clockwise for positive angles, we turn the other way.
                    SDL_RenderCopyExF(renderer, t, &src, &dst,
                                      -(c.rotation + c.spin * static_cast<float>(frameNo)), &centre,
                                      SDL_FLIP_NONE);
                    break;
                }
                case Kind::Rect: {
                    SDL_SetRenderDrawBlendMode(renderer, blend);
                    SDL_SetRenderDrawColor(renderer, r, g, b, a);
                    const float s = tiny ? 1 : c.scale;
                    const SDL_FRect rect{c.x, c.y, s, s * 0.5f};
                    SDL_RenderFillRectF(renderer, &rect);
                    break;
                }
                case Kind::Oval: {
                    SDL_SetRenderDrawBlendMode(renderer, blend);
                    const float rx = tiny ? 0.5f : c.scale, ry = rx * 0.7f;
                    const int n = OvalSegments(rx, ry);
                    for (int i = 0; i < n; ++i) {
                        const float t = static_cast<float>(i) * 6.2831855f / static_cast<float>(n);
                        SDL_Vertex& v = ovalVertices[i];
                        v.position = {c.x + std::cos(t) * rx, c.y - std::sin(t) * ry};
                        v.color = {r, g, b, a};
                        v.tex_coord = {0, 0};
                    }
                    // The fan as a triangle list.
                    for (int i = 0; i < n - 2; ++i) {
                        ovalIndices[i * 3] = 0;
                        ovalIndices[i * 3 + 1] = i + 1;
                        ovalIndices[i * 3 + 2] = i + 2;
                    }
                    SDL_RenderGeometry(renderer, nullptr, ovalVertices.data(), n,
                                       ovalIndices.data(), (n - 2) * 3);
                    break;
                }
            }
        }
        SDL_RenderPresent(renderer);
        glFinish();
    }
};

// ===========================================================================
// Report, main

void PrintRow(const char* who, const Series& s, bool withCounts) {
    std::printf(
        "  %-9s wall %7.2f ms (worst %7.2f)  cpu %7.2f ms (worst %7.2f)  main thread %7.2f ms"
        "  faults %4.0f median, %6.1f mean",
        who, s.MedianOf(&Sample::wall) * 1e3, s.WorstOf(&Sample::wall) * 1e3,
        s.MedianOf(&Sample::cpu) * 1e3, s.WorstOf(&Sample::cpu) * 1e3,
        s.MedianOf(&Sample::thread) * 1e3, s.MedianFaults(), s.MeanFaults());
    if (withCounts && !s.samples.empty()) {
        const Sample& last = s.samples.back();
        std::printf("  draw calls %llu  flushes %llu  vertices %llu",
                    static_cast<unsigned long long>(last.drawCalls),
                    static_cast<unsigned long long>(last.flushes),
                    static_cast<unsigned long long>(last.vertices));
    }
    std::printf("\n");
}

void PrintVariant(const char* title, const Series& ours, const Series& sdl) {
    std::printf("%s\n", title);
    PrintRow("ours", ours, true);
    PrintRow("SDL2", sdl, false);
    const double oc = ours.MedianOf(&Sample::cpu), sc = sdl.MedianOf(&Sample::cpu);
    const double ow = ours.MedianOf(&Sample::wall), sw = sdl.MedianOf(&Sample::wall);
    const double ot = ours.MedianOf(&Sample::thread), st = sdl.MedianOf(&Sample::thread);
    std::printf("  ratio ours/SDL2: cpu %.2f  wall %.2f  main thread %.2f\n", oc / sc, ow / sw,
                ot / st);
    std::printf(
        "  per command: ours cpu %.2f us, main thread %.2f us; SDL2 cpu %.2f us, main "
        "thread %.2f us\n",
        oc / kCommands * 1e6, ot / kCommands * 1e6, sc / kCommands * 1e6, st / kCommands * 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    gc_init1();
    bb_graphics_InitGlobals();
    gc_init2();

    if (!glfwInit()) {
        std::printf("renderer_bench: glfwInit failed (no X display? run under xvfb-run)\n");
        return 1;
    }
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::printf("renderer_bench: SDL_Init failed: %s\n", SDL_GetError());
        return 1;
    }

    const std::vector<Command> scene = MakeScene();
    Ours ours;
    Sdl sdl;
    Series oursFull, oursTiny, sdlFull, sdlTiny;

    auto runOurs = [&](bool tiny, Series& out) {
        for (int f = 0; f < kWarmupFrames + frames; ++f) {
            ours.device->ResetStats();
            const Clock clock;
            ours.Frame(scene, f, tiny);
            Sample s = clock.Since();
            s.drawCalls = ours.device->GetStats().drawCalls;
            s.flushes = ours.device->GetStats().flushes;
            s.vertices = ours.device->GetStats().vertices;
            if (f >= kWarmupFrames) out.samples.push_back(s);
        }
    };
    auto runSdl = [&](bool tiny, Series& out) {
        for (int f = 0; f < kWarmupFrames + frames; ++f) {
            const Clock clock;
            sdl.Frame(scene, f, tiny);
            if (f >= kWarmupFrames) out.samples.push_back(clock.Since());
        }
    };

    // Rounds alternate which renderer goes first, so drift on a shared
    // machine spreads over both.
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (round % 2 == 0)) {
                ours.Open();
                runOurs(false, oursFull);
                runOurs(true, oursTiny);
                ours.Close();
            } else {
                if (!sdl.Open()) {
                    std::printf("renderer_bench: SDL2 renderer failed: %s\n", SDL_GetError());
                    return 1;
                }
                runSdl(false, sdlFull);
                runSdl(true, sdlTiny);
                sdl.Close();
            }
        }
    }

    utsname u;
    uname(&u);
    const char* display = std::getenv("DISPLAY");
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    std::printf(
        "renderer_bench: %d commands per frame (2300 sprites, 100 rectangles, 99 ovals), "
        "%dx%d window, %d rounds x %d frames per renderer and variant\n",
        kCommands, kWidth, kHeight, rounds, frames);
    std::printf(
        "conditions: %s build, %s %s, %ld cpus, DISPLAY=%s, GL: %s, SDL2 renderer \"%s\", "
        "GLIBC_TUNABLES=%s\n",
        DROPLING_BUILD_TYPE, u.sysname, u.machine, sysconf(_SC_NPROCESSORS_ONLN),
        display ? display : "-", ours.glName.c_str(), sdl.name.c_str(),
        tunables ? tunables : "(default malloc)");
    PrintVariant("full frame (as the game draws it):", oursFull, sdlFull);
    PrintVariant("submission only (every primitive shrunk to about a pixel):", oursTiny, sdlTiny);

    SDL_Quit();
    glfwTerminate();
    return 0;
}
