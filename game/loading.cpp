// Loading: the asset set that suits the device, the staged loader that loads
// one image, font or sound per update behind a spinner, and the loading and
// start screens.
#include <algorithm>
#include <cmath>

#include "game/myapp.h"

namespace {

// Devices beyond this size in either direction use the -hd files ...
constexpr int kHdAbove = 630;
// ... and devices at least this size in either direction the -hd2 files.
constexpr int kHd2From = 1231;

// The asset set and its image scale for the current device.
void ChooseAssetSet(c_MyApp* app) {
    int w = bb_graphics_DeviceWidth(), h = bb_graphics_DeviceHeight();
    app->m_AssetSet = 1;
    app->m_ImgScale = 1;
    if (w > kHdAbove || h > kHdAbove) {
        app->m_AssetSet = 2;
        app->m_ImgScale = 0.5f;
    }
    if (!(w < kHd2From && h < kHd2From)) {
        app->m_AssetSet = 4;
        app->m_ImgScale = 0.25f;
    }
}

}  // namespace

int c_MyApp::p_Reload() {
    m_ClearR = m_ClearG = m_ClearB = 0;
    m_ClearA = 1;
    ChooseAssetSet(this);
    p_LoadFont(kFontSlot, String("fonts/editundo"), 7, 10);
    m_NeedReload = 1;
    return 0;
}

int c_MyApp::p_Loader() {
    ChooseAssetSet(this);
    switch (m_NeedReload) {
        case 1:
            p_LoadImg(97, String("common/icons"), 32, 32, 16, 1);
            p_LoadSFX(96);
            break;
        case 2: p_LoadImg(95, String("common/Buttons"), 64, 64, 16, 1); break;
        case 3: p_LoadImg(94, String("common/dpad"), 32, 32, 16, 1); break;
        case 4:
            p_LoadImg(93, String("common/VeskLogo"), 256, 256, 1, 1);
            // The logo sound greets the player on the first loading pass only,
            // not after a window resize.
            if (m_LogoSoundDone == 0) {
                p_PlaySFX(96, 1, 1, 0);
                m_LogoSoundDone = 1;
            }
            break;
        case 5: p_LoadImg(91, String("common/Testcard_Circle"), 256, 256, 1, 1); break;
        case 6: p_LoadFont(kFontSlot, String("fonts/editundo"), 7, 10); break;
        case 7: p_LoadSFX(1); break;
        case 8: p_LoadSFX(95); break;
        case 9: p_LoadSFX(98); break;
        case 10: p_LoadSFX(99); break;
        case 11: p_LoadImg(99, String("menu"), 256, 256, 4, 1); break;
        case 12: p_LoadImg(98, String("logo"), 256, 128, 1, 1); break;
        case 13: p_LoadImg(96, String("parts"), 8, 8, 256, 1); break;
        case 14: p_LoadImg(80, String("BadgesA"), 64, 64, 64, 1); break;
        case 15: p_LoadImg(1, String("gfx"), 32, 32, 64, 1); break;
        case 16: p_LoadImg(2, String("tube"), 8, 256, 32, 1); break;
        case 17: p_LoadSFX(2); break;
        case 18:
            p_LoadSFX(3);
            // The tune every game starts, decoded here behind the spinner
            // rather than in the update that starts the first game.
            if (bb_Wyndle_HasMusicStream == 1) p_PrepareTune(String(kGameTune));
            break;
        default: m_NeedReload = 0; break;
    }
    if (m_NeedReload > 0) ++m_NeedReload;
    p_WaitStart(1);
    return 0;
}

int c_MyApp::p_WaitStart(int kind) {
    const float W = bb_Wyndle_jscrw, H = bb_Wyndle_jscrh;
    const double d2r = 0.017453292;
    p_CLS2D(40, 40, 80, 1);
    m_ScoreSlot = int(std::min(W, H));
    const float R = float(m_ScoreSlot);
    const int oldSpin = m_Spin;
    m_Spin += 16;
    // The spinner: eleven dots, fading in towards the head of the ring.
    auto ring = [&](int base, float grey) {
        for (int k = 0; k <= 10; ++k) {
            double a = double(base + 16 * k) * d2r;
            p_SetCol(grey, grey, grey, float(k) / 10.0f);
            p_Oval(float(W / 2 + std::sin(a) * R / 4), float(H / 2 - std::cos(a) * R / 4), 8, 8);
        }
    };
    if (kind == 1) ring(oldSpin + 196, 250);
    p_SetCol(255, 255, 0, 0.8f);
    p_Oval(W / 2, H / 2, 0.3f * R, 0.3f * R);
    p_SetCol(250, 160, 60, 0.7f);
    p_Rect(0, 0.4f * H, W, 0.2f * H);
    p_SetCol(255, 255, 255, 1);
    p_DrawImg(93, W / 2, 0.48f * H, 0);
    if (kind == 1) {
        ring(m_Spin, 50);
        return 0;
    }
    p_SetCol(0, 0, 0, 0.2f);
    p_Oval(W / 2, 0.7f * H, 136, 24);
    p_Oval(W / 2, 0.7f * H, 132, 20);
    p_Oval(W / 2, 0.7f * H, 128, 16);
    p_SetCol(255, 255, 255, 1);
    p_SetSize(2, 2);
    p_Text(W / 2, 0.7f * H, String("Click to Start"), 1, 1);
    p_SetSize(1, 1);
    if (m_PointerHit > 0 && m_PointerX > 0.25f * W && m_PointerX < 0.75f * W &&
        m_PointerY > 0.25f * H && m_PointerY < 0.75f * H) {
        m_TouchLock = 1;
        m_Mode = 1;
        p_Reload();
        bb_app_SetUpdateRate(60);
    }
    return 0;
}
