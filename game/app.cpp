// The game as the host sees it: creation, the order of work in one update,
// the replay of the draw list in one render, suspend and resume. The modes
// themselves live in the topic files (myapp.h lists them).
#include <cmath>

#include "audio/sound.h"
#include "game/myapp.h"

namespace {

// Key codes the update reads by number.
constexpr int kKeyF1 = 112, kKeyF2 = 113, kKeyF4 = 115, kKeyF11 = 122;
constexpr int kUpdateRate = 60;
// While suspended the loop only needs to notice the return.
constexpr int kSuspendedRate = 5;

// The rate the frame timers measure: 1000 / the milliseconds since the last
// call, smoothed over about ten calls.
void MeasureRate(int& lastMs, int& fps, int& average) {
    int now = bb_app_Millisecs();
    if (now > lastMs) fps = 1000 / (now - lastMs);
    average = (average * 9 + fps) / 10;
    lastMs = now;
}

// A box's slide rises one step per update to 30 while it is open and falls
// back to 0 once it is closed.
void StepSlide(int& slide, int open) {
    if (open == 1) {
        if (slide < 30) ++slide;
    } else if (slide > 0) {
        --slide;
    }
}

}  // namespace

// ---- creation -----------------------------------------------------------------------

c_MyApp::c_MyApp() {
    gc_assign(m_Music, (new c_ZRPlayer())->m_new());
    gc_assign(m_Images, Array<c_Image*>(kImageSlots));
    gc_assign(m_ImgInfo, Array<int>(kImageSlots * 3));
    gc_assign(m_ToastBadge, Array<int>(15));
    gc_assign(m_ToastTimer, Array<int>(15));
    gc_assign(m_SavedFlags, Array<bool>(256));
    gc_assign(m_Pad, Array<int>(20));
    gc_assign(m_Options, Array<int>(25));
    m_Options[5] = 1;
    gc_assign(m_Scores, Array<int>(150));
    gc_assign(m_SfxChannels, Array<int>(33));
    gc_assign(m_DrawList, Array<float>(kDrawListFloats));
    gc_assign(m_TouchOn, Array<int>(kTouchSlots));
    gc_assign(m_TouchX, Array<int>(kTouchSlots));
    gc_assign(m_TouchY, Array<int>(kTouchSlots));
    gc_assign(m_Sounds, Array<c_Sound*>(kSoundSlots));
    gc_assign(m_Tube, Array<float>(5120));
    gc_assign(m_Players, Array<float>(512));
    gc_assign(m_Particles, Array<float>(5100));
    gc_assign(m_Stars, Array<float>(5100));
    if (bb_graphics_device) {
        m_DeviceW = bb_graphics_DeviceWidth();
        m_DeviceH = bb_graphics_DeviceHeight();
    }
}

c_MyApp* c_MyApp::m_new() {
    c_App::m_new();
    return this;
}

void c_MyApp::mark() {
    gc_mark_q(m_Music);
    gc_mark_q(m_Images);
    gc_mark_q(m_ImgInfo);
    gc_mark_q(m_ToastBadge);
    gc_mark_q(m_ToastTimer);
    gc_mark_q(m_SavedFlags);
    gc_mark_q(m_Pad);
    gc_mark_q(m_Options);
    gc_mark_q(m_Scores);
    gc_mark_q(m_SfxChannels);
    gc_mark_q(m_DrawList);
    gc_mark_q(m_TouchOn);
    gc_mark_q(m_TouchX);
    gc_mark_q(m_TouchY);
    gc_mark_q(m_Sounds);
    gc_mark_q(m_Tube);
    gc_mark_q(m_Players);
    gc_mark_q(m_Particles);
    gc_mark_q(m_Stars);
}

int c_MyApp::p_OnCreate() {
    m_Fullscreen = 0;
    m_LogoSoundDone = 0;
    m_Mode = 1;
    bb_app_SetUpdateRate(kUpdateRate);
    m_DeviceW = bb_graphics_DeviceWidth();
    m_DeviceH = bb_graphics_DeviceHeight();
    // Voices on the channels below 32; 4 drum kits, 3 leads, 3
    // accompaniments, 4 basses.
    if (bb_Wyndle_HasMusic == 1) m_Music->p_ZR_Init(32, 4, 3, 3, 4);
    p_Reload();
    m_GameType = 2;
    m_MenuSlide = -32;
    m_Paused = 0;
    m_PauseFade = -1;
    m_PauseY = -64;
    for (int i = 0; i < m_ToastBadge.Length(); ++i) {
        m_ToastBadge[i] = 0;
        m_ToastTimer[i] = 0;
    }
    for (int i = 0; i < 128; ++i)
        m_SavedFlags[i] = false;
    for (int i = 0; i <= 18; ++i)
        m_Pad[i] = 0;
    for (int i = 0; i < m_Options.Length(); ++i)
        m_Options[i] = 0;
    m_Options[5] = 1;
    for (int i = 0; i <= 30; ++i)
        m_Scores[i] = 0;
    p_Load();
    for (int i = 0; i < m_SfxChannels.Length(); ++i)
        m_SfxChannels[i] = i;
    return 0;
}

// ---- one update ---------------------------------------------------------------------

int c_MyApp::p_OnUpdate() {
    m_Pad[19] = bb_input_KeyHit(KEY_BACK);
    if (bb_input_KeyHit(kKeyF1)) bb_Wyndle_DebugMode = 1 - bb_Wyndle_DebugMode;
    if (bb_input_KeyHit(kKeyF2)) m_HideHud = 1 - m_HideHud;
    if (bb_input_KeyHit(kKeyF11)) p_FullscreenFlip();
    if (bb_input_KeyHit(kKeyF4) || bb_input_KeyHit(KEY_CLOSE)) bbError(String());

    bb_asyncevent_UpdateAsyncEvents();
    if (bb_Wyndle_HasMusicStream == 1 && m_MusicOn == 1) {
        if (m_Paused == 1)
            bb_audio_PauseMusic();
        else
            bb_audio_ResumeMusic();
    }
    if (bb_Wyndle_HasMusic == 1)
        m_Music->p_ZR_Alive_U(m_Paused, m_Options[5] == 1 || m_Options[5] == 3 ? 1 : 0);
    MeasureRate(m_UpdateMs, m_UpdateFps, m_UpdateFpsAvg);
    p_ReadPointer();
    p_MenuKeys();

    if (m_NeedReload == 0) {
        switch (m_Mode) {
            case 1: p_Menu(); break;
            case 2:
                p_LoadMenu();
                p_PlaySFX(96, 1, 1, 0);
                m_Mode = 1;
                break;
            case 4: p_OuyaQuit(); break;
            case 5: p_WaitStart(0); break;
            case 10:
                p_Game();
                p_InGame();
                break;
            case 11: p_LoadGame(); break;
            default: break;
        }
    }
    if (m_NeedReload == 0) {
        if (m_Mode == 10 && m_Dead > 0) p_GameOver();
        // In modes 1 and 2 the banner fades out; an update in which it
        // switched mode 10 to 2 runs it twice.
        if (m_Mode == 1 || m_Mode == 2) p_GameOver();
        if (m_Mode == 1 && (m_CreditsOpen == 1 || m_CreditsSlide > 0)) p_CreditBox();
        StepSlide(m_CreditsSlide, m_CreditsOpen);
        if (m_Mode == 1 && m_BadgesOpen == 1) p_BadgesBox();
        if (m_OptionsOpen == 1 || m_OptionsSlide > 0) p_OptionBox();
        StepSlide(m_OptionsSlide, m_OptionsOpen);
    }
    if (m_NeedReload > 0) p_Loader();
    if (bb_Wyndle_iCadeControls == 1) p_ReadICade();
    // Pad presses of value 1 last one update; iCade's 2 stays until released.
    for (int i = 0; i <= 18; ++i)
        if (m_Pad[i] == 1) m_Pad[i] = 0;
    if (bb_Wyndle_DebugMode == 1 && m_Mode != 5) {
        p_ResetDraw();
        p_Text(16, bb_Wyndle_jscrh - 16,
               String(m_ScaleY) + String(",") + String(m_ScaleX) + String(":") +
                   String(m_RenderFpsAvg),
               0, 0);
    }
    p_ShowBadges();
    return 0;
}

// ---- one render ---------------------------------------------------------------------

int c_MyApp::p_OnRender() {
    MeasureRate(m_RenderMs, m_RenderFps, m_RenderFpsAvg);
    // Before anything is drawn: the sequencer decodes tune frames by drawing
    // them and reading them back, then clears the screen.
    if (bb_Wyndle_HasMusic == 1) m_Music->p_ZR_Alive_R();
    int w = bb_graphics_DeviceWidth();
    int h = bb_graphics_DeviceHeight();
    bb_graphics_SetColor(m_ClearR, m_ClearG, m_ClearB);
    bb_graphics_SetAlpha(m_ClearA);
    bb_graphics_DrawRect(-1, -1, float(w + 2), float(h + 2));
    bb_graphics_SetColor(255, 255, 255);
    bb_graphics_SetAlpha(1);
    if (w != m_DeviceW || h != m_DeviceH) {
        m_NeedReload = 1;
        m_DeviceW = w;
        m_DeviceH = h;
    }

    // The larger of the two ratios fills the device; the virtual screen keeps
    // the design size on that axis and shrinks on the other.
    m_ScaleX = float(w) / 640.0f;
    m_ScaleY = float(h) / 480.0f;
    if (m_ScaleY <= m_ScaleX) {
        m_FitAxis = 1;
        m_ScaleY = m_ScaleX;
    } else {
        m_FitAxis = 2;
        m_ScaleX = m_ScaleY;
    }
    // A device of no size (a minimised window) keeps the last virtual screen.
    if (m_ScaleX > 0) {
        bb_Wyndle_jscrw = float(w) / m_ScaleX;
        bb_Wyndle_jscrh = float(h) / m_ScaleY;
    }
    m_Landscape = bb_Wyndle_jscrw < bb_Wyndle_jscrh ? 0 : 1;

    const float* cmd = m_DrawList.Data();
    const int end = m_DrawCount < kDrawListFloats ? m_DrawCount : kDrawListFloats;
    for (int i = 0; i < end - (kCommandFloats - 1); i += kCommandFloats, cmd += kCommandFloats) {
        bb_graphics_SetAlpha(cmd[7]);
        bb_graphics_SetColor(cmd[10], cmd[11], cmd[12]);
        bb_graphics_SetBlend(cmd[13] == 3 ? 1 : 0);
        const float kind = cmd[0];
        const float x = cmd[1] * m_ScaleX, y = cmd[2] * m_ScaleY;
        if (kind == kKindRect) {
            bb_graphics_DrawRect(x, y, cmd[4] * m_ScaleX, cmd[5] * m_ScaleY);
        } else if (kind == kKindOval) {
            bb_graphics_DrawEllipse(x, y, cmd[4] * m_ScaleX, cmd[5] * m_ScaleY);
        } else if (kind == kKindLine) {
            bb_graphics_DrawLine(x, y, cmd[4] * m_ScaleX, cmd[5] * m_ScaleY);
        } else if (kind > -1 && kind < kImageSlots) {
            c_Image* image = m_Images[int(kind)];
            if (image)
                bb_graphics_DrawImage2(image, x, y, cmd[3], cmd[4] * m_ScaleX * m_ImgScale,
                                       cmd[5] * m_ScaleY * m_ImgScale, int(cmd[6]));
        }
    }
    bb_graphics_SetAlpha(0.5f);
    bb_graphics_SetColor(255, 255, 255);
    return 0;
}

// ---- suspend and resume -------------------------------------------------------------

namespace {

// Suspend and resume share the pause rule: a game in progress stays paused
// with its panel shown; outside a game nothing is paused.
void ApplyPauseRule(c_MyApp* app) {
    if (app->m_Mode < 10) {
        app->m_Paused = 0;
        app->m_PauseFade = 0;
        app->m_PauseY = 0;
    } else {
        app->m_Paused = 1;
        app->m_PauseFade = 1;
        app->m_PauseY = int(bb_Wyndle_jscrh / 2);
    }
}

void ReleaseControls(c_MyApp* app) {
    bb_input_DisableKeyboard();
    bb_Wyndle_iCadeControls = 0;
    for (int i = 0; i <= 18; ++i)
        app->m_Pad[i] = 0;
}

}  // namespace

int c_MyApp::p_OnSuspend() {
    ReleaseControls(this);
    ApplyPauseRule(this);
    bb_app_SetUpdateRate(kSuspendedRate);
    p_Save();
    return 0;
}

int c_MyApp::p_OnResume() {
    ApplyPauseRule(this);
    bb_app_SetUpdateRate(kUpdateRate);
    ReleaseControls(this);
    return 0;
}
