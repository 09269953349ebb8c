// tune-wav: plays tunes through the music sequencer on the real renderer and
// the real OpenAL, one after the other, so that a person can listen to them
// or a script can measure them. Decoding needs a display (run it under
// xvfb-run without one); OpenAL Soft's own configuration chooses the output,
// e.g. its "wave" backend to write the mix to a file (README.md, "Sound").
//
//   tune-wav [--dir DIR] [--seconds S] [--voices MASK] TUNE...
//
// DIR holds data/ (default: the working directory); each tune plays S
// seconds (default 30) with seed 37171650 and tempo 100, as the game starts
// them. With MASK, exactly the voices of its set bits play in every section
// (bit 0 the first drum voice ... bit 4 the bass), to listen to one voice.
// Relies on the sequencer, the graphics and audio devices and the host.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/app.h"
#include "host/glfwgame.h"
#include "music/zrplayer.h"
#include "platform/glfw2.h"

using namespace glfw2;

namespace {

constexpr int kSeed = 37171650;
constexpr int kTempo = 100;
constexpr double kFrameSeconds = 1.0 / 60;
constexpr double kGapSeconds = 1;  // silence between two tunes

[[noreturn]] void Usage() {
    std::fprintf(stderr, "usage: tune-wav [--dir DIR] [--seconds S] [--voices MASK] TUNE...\n");
    std::exit(2);
}

// One frame as the game runs it: the render hook, then the update hook.
void Frame(gxtkGraphics* g, c_ZRPlayer* player, int voices) {
    g->BeginRender();
    bb_graphics_BeginRender();
    player->p_ZR_Alive_R();
    bb_graphics_EndRender();
    g->EndRender();
    glfwSwapBuffers();
    for (int i = 0; i < 5 && voices >= 0; ++i) {
        const bool on = (voices >> i & 1) != 0;
        player->m_Muted[i] = on ? 0 : 1;
        player->m_LeadIn[i] = 0;
    }
    player->p_ZR_Alive_U(0, 1);
    glfwSleep(kFrameSeconds);
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = ".";
    double seconds = 30;
    int voices = -1;  // as the arrangement draws them
    std::vector<std::string> tunes;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--dir" && i + 1 < argc) {
            dir = argv[++i];
        } else if (a == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (a == "--voices" && i + 1 < argc) {
            voices = std::atoi(argv[++i]);
        } else if (a.rfind("--", 0) == 0) {
            Usage();
        } else {
            tunes.push_back(a);
        }
    }
    if (tunes.empty()) Usage();
    if (chdir(dir.c_str()) != 0) {
        std::perror(dir.c_str());
        return 1;
    }
    if (!glfwInit() || !glfwOpenWindow(320, 240, 8, 8, 8, 0, 0, 0, GLFW_WINDOW)) {
        std::fprintf(stderr, "tune-wav: no window (no display?)\n");
        return 1;
    }
    glfwGraphicsSeq++;  // as the host does for every window it opens
    bb_app__game = new BBGlfwGame();
    bb_graphics_InitGlobals();
    gxtkGraphics* g = new gxtkGraphics();
    bb_graphics_SetGraphicsDevice(g);
    gxtkAudio* audio = new gxtkAudio();
    bb_audio_SetAudioDevice(audio);
    // Nothing runs the collector here, so the objects need no roots.
    c_ZRPlayer* player = (new c_ZRPlayer())->m_new();
    player->p_ZR_Init(32, 4, 3, 3, 4);

    for (const std::string& tune : tunes) {
        player->p_ZR_StartTune(String(tune.c_str()), kSeed, kTempo);
        const double end = glfwGetTime() + seconds;
        while (glfwGetTime() < end)
            Frame(g, player, voices);
        if (!player->m_TuneImage)
            std::fprintf(stderr, "tune-wav: no picture for %s\n", tune.c_str());
        std::printf("%s: %d sections, last patterns %d %d %d %d %d\n", tune.c_str(),
                    player->m_Section, player->m_LastPattern[0], player->m_LastPattern[1],
                    player->m_LastPattern[2], player->m_LastPattern[3], player->m_LastPattern[4]);
        player->p_ZR_Stop(1);
        glfwSleep(kGapSeconds);
    }
    // A file-writing backend completes its file when the device closes.
    alcMakeContextCurrent(nullptr);
    if (audio->alcContext) alcDestroyContext(audio->alcContext);
    if (audio->alcDevice) alcCloseDevice(audio->alcDevice);
    glfwTerminate();
    return 0;
}
