// Tune-loading benchmark: what the sequencer's loading steps add to a render
// pass. A tune loads in 70 steps, at most three per render; a decoding step
// draws one 64 x 64 frame of the tune picture and reads it back (16 KB), a
// sample step loads one instrument WAV. The figure to hold: a render that
// runs three decoding steps costs no more than a normal frame plus three
// bare 16 KB read-backs.
//
// Each round reloads "Retro/PipeHopper" from the start and, interleaved in
// the same run, draws normal frames and frames with three bare read-backs.
// A normal frame is a play-like frame in the game's 640 x 480 window: the
// sequencer's hook with nothing to load (it clears the screen), a
// full-window background and 400 sprites of 32 x 32 from one sheet. Every
// frame ends with glFinish and a buffer swap; times are wall-clock medians.
// Relies on the sequencer, the graphics and audio devices, the host and
// libGL; run it under Xvfb with OpenAL Soft's null backend:
// bench/run-music.sh.
//
// Usage: music_load_bench DATA_PARENT_DIR [rounds]
#include <GL/gl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "framework/app.h"
#include "host/glfwgame.h"
#include "music/zrplayer.h"
#include "platform/glfw2.h"

using namespace glfw2;

#ifndef DROPLING_BUILD_TYPE
#define DROPLING_BUILD_TYPE "unknown"
#endif

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kSprites = 400;
constexpr int kSheet = 256, kSprite = 32;

gxtkGraphics* g = nullptr;
c_Image* sheet = nullptr;

void NormalDrawing() {
    bb_graphics_SetColor(40, 60, 90);
    bb_graphics_DrawRect(0, 0, kWidth, kHeight);
    bb_graphics_SetColor(255, 255, 255);
    for (int i = 0; i < kSprites; ++i)
        bb_graphics_DrawImage(sheet, float(i * 37 % kWidth), float(i * 53 % kHeight), i % 64);
}

// One frame: `before` runs at the start of the render pass, as the
// sequencer's hook does. Returns milliseconds.
template <typename F>
double Frame(F before) {
    const auto start = std::chrono::steady_clock::now();
    g->BeginRender();
    bb_graphics_BeginRender();
    before();
    NormalDrawing();
    bb_graphics_EndRender();
    g->EndRender();
    glFinish();
    glfwSwapBuffers();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || chdir(argv[1]) != 0) {
        std::fprintf(stderr, "usage: music_load_bench DATA_PARENT_DIR [rounds]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
    if (!glfwInit() || !glfwOpenWindow(kWidth, kHeight, 8, 8, 8, 0, 0, 0, GLFW_WINDOW)) return 1;
    glfwGraphicsSeq++;
    bb_app__game = new BBGlfwGame();
    bb_graphics_InitGlobals();
    bb_graphics_SetGraphicsDevice(g = new gxtkGraphics());
    bb_audio_SetAudioDevice(new gxtkAudio());
    // Any 256 x 256 picture of the game's data makes a sprite sheet.
    sheet = bb_graphics_LoadImage2(String("tunes/Retro/PipeHopper.png"), kSprite, kSprite, 64, 0);
    c_ZRPlayer* player = (new c_ZRPlayer())->m_new();
    player->p_ZR_Init(32, 4, 3, 3, 4);
    // With the sequencer on, every frame starts with its hook; with nothing
    // to load the hook only clears the screen.
    c_ZRPlayer* idle = (new c_ZRPlayer())->m_new();
    Array<int> pixels(64 * 64);

    std::vector<double> normal, readBacks, drawnReadBacks, decoding, samples, picture;
    for (int round = 0; round < rounds; ++round) {
        player->m_TuneName = String();  // load again from step 1
        player->p_ZR_StartTune(String("Retro/PipeHopper"), 37171650, 100);
        while (player->m_LoadStep > 0) {
            const int first = player->m_LoadStep;
            const double ms = Frame([&] { player->p_ZR_Alive_R(); });
            const int last = player->m_LoadStep == 0 ? 70 : player->m_LoadStep - 1;
            int decodes = 0, loads = 0;
            for (int s = first; s <= last; ++s) {
                decodes += s >= 5 && s <= 67;
                loads += (s >= 2 && s <= 9) || (s >= 12 && s <= 19) || (s >= 21 && s <= 23);
            }
            if (first == 1) {
                picture.push_back(ms);
            } else if (loads > 0) {
                samples.push_back(ms);
            } else if (decodes == 3) {
                decoding.push_back(ms);
            }
            normal.push_back(Frame([&] { idle->p_ZR_Alive_R(); }));
            readBacks.push_back(Frame([&] {
                idle->p_ZR_Alive_R();
                for (int i = 0; i < 3; ++i)
                    g->ReadPixels(pixels, 0, 0, 64, 64, 0, 64);
            }));
            // What any read-back of something just drawn costs: the
            // rasteriser finishes the drawing first.
            drawnReadBacks.push_back(Frame([&] {
                idle->p_ZR_Alive_R();
                for (int i = 0; i < 3; ++i) {
                    bb_graphics_DrawRect(0, 0, 64, 64);
                    g->ReadPixels(pixels, 0, 0, 64, 64, 0, 64);
                }
            }));
        }
    }

    utsname u{};
    uname(&u);
    std::printf("music_load_bench: %s build, %s %s, %d x %d window, %s, %d rounds\n",
                DROPLING_BUILD_TYPE, u.sysname, u.machine, kWidth, kHeight,
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)), rounds);
    const double base = Median(normal);
    auto row = [&](const char* what, const std::vector<double>& v) {
        std::printf("  %-50s %5zu frames  median %6.3f ms  (+%6.3f ms)\n", what, v.size(),
                    Median(v), Median(v) - base);
    };
    row("normal frame", normal);
    row("normal frame + three bare 16 KB read-backs", readBacks);
    row("normal frame + three 64 x 64 rects, each read back", drawnReadBacks);
    row("render with three decoding steps", decoding);
    row("render with sample steps", samples);
    row("render with the picture step (and 2 samples)", picture);
    glfwTerminate();
    return 0;
}
