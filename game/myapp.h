// c_MyApp, the game: one collected object that holds every piece of game
// state and whose methods are spread over the files of this folder by topic.
//
//   app.cpp ........ create, the update and render passes, suspend and resume
//   loading.cpp .... asset sets, the staged loader, the loading and start screens
//   drawing.cpp .... the draw-list vocabulary, bitmap text, buttons, slot loading
//   play.cpp ....... a game: the tube, the player, items, banner, rank
//   effects.cpp .... particles, stars and the colour palette
//   controls.cpp ... actions, steering, pointer and touches, iCade, full screen
//   menus.cpp ...... the main menu, the pause menu, the quit dialog
//   scores.cpp ..... score filing, badges and their notifications
//   record.cpp ..... the saved record of options, flags and scores
//   boxes.cpp ...... the option box and the credits box
//   sound.cpp ...... sound effects and the streamed tune
//
// During an update the game only records drawing commands into m_DrawList
// (15 floats each); p_OnRender replays them scaled to the device. Relies on
// the framework, graphics and audio modules and the sequencer (music/).
#pragma once

#include "framework/app.h"
#include "game/globals.h"
#include "graphics/graphics.h"
#include "music/zrplayer.h"

class c_Sound;

class c_MyApp : public c_App {
public:
    // ---- sizes and codes the game's arrays and draw list use ----------------------
    static constexpr int kImageSlots = 100;
    static constexpr int kSoundSlots = 100;
    static constexpr int kCommandFloats = 15;
    static constexpr int kDrawListFloats = 37500;
    // A command is appended only while the list has room for a whole one
    // below this mark, so a frame holds at most 2499 commands.
    static constexpr int kDrawListLimit = 37485;
    static constexpr int kKindRect = -3717;
    static constexpr int kKindOval = -3716;
    static constexpr int kKindLine = -3715;
    // The framework's "no value" marker: an optional argument left out, an
    // absent touch.
    static constexpr int kNone = -3717;
    static constexpr int kTouchSlots = 10;
    static constexpr int kTubeRows = 101;
    static constexpr int kTubeRowFloats = 10;
    static constexpr int kRecordFloats = 10;
    static constexpr int kFontSlot = 90;
    // The streamed tune every game plays.
    static constexpr const char* kGameTune = "plumbline";

    // ---- fields, in declaration order --------------------------------------------
    int m_Fullscreen = 0;
    int m_LogoSoundDone = 0;
    int m_Mode = 0;
    int m_DeviceW = 0;
    int m_DeviceH = 0;
    c_ZRPlayer* m_Music = nullptr;
    float m_ClearR = 0, m_ClearG = 0, m_ClearB = 0, m_ClearA = 0;
    int m_AssetSet = 0;
    float m_ImgScale = 0;
    Array<c_Image*> m_Images;
    Array<int> m_ImgInfo;
    int m_FontSlot = 0;
    int m_NeedReload = 0;
    int m_GameType = 2;
    int m_MenuSlide = -32;
    int m_Paused = 0;
    int m_PauseFade = -1;
    int m_PauseY = -64;
    int m_Loop = 0;
    Array<int> m_ToastBadge;
    Array<int> m_ToastTimer;
    Array<bool> m_SavedFlags;
    Array<int> m_Pad;
    Array<int> m_Options;
    Array<int> m_Scores;
    // Load and menu scratch values.
    int m_ScratchA = 0;
    int m_ScratchB = 0;
    int m_ScratchC = 0;
    int m_ToastWidth = 160;
    int m_BarrierFrame = 0;
    int m_ScratchF = 0;
    Array<int> m_SfxChannels;
    int m_RenderMs = 0, m_RenderFps = 0, m_RenderFpsAvg = 0;
    float m_ScaleX = 0, m_ScaleY = 0;
    int m_FitAxis = 0;
    int m_Landscape = 0;
    int m_DrawCount = 0;
    Array<float> m_DrawList;
    int m_LastChar = 0;
    int m_HideHud = 0;
    int m_MusicOn = 0;
    int m_UpdateMs = 0, m_UpdateFps = 0, m_UpdateFpsAvg = 0;
    int m_PointerX = 0, m_PointerPrevX = 0, m_PointerY = 0, m_PointerPrevY = 0;
    int m_PointerWasDown = 0;
    int m_PointerDown = 0, m_PointerHit = 0;
    Array<int> m_TouchOn;
    Array<int> m_TouchX;
    Array<int> m_TouchY;
    int m_TouchLock = 0;
    int m_HitDelay = 0;
    int m_InputLatch = 0;
    int m_CreditsOpen = 0, m_OptionsOpen = 0, m_BadgesOpen = 0;
    float m_ViewX = 0, m_ViewY = 0, m_ViewW = 0, m_ViewH = 0;
    float m_DrawSX = 0, m_DrawSY = 0, m_DrawRot = 0;
    float m_DrawR = 0, m_DrawG = 0, m_DrawB = 0, m_DrawA = 0;
    int m_DrawBlend = 0;
    // Menu state: the highlighted carousel item and the gear's rotation.
    int m_MenuSel = 0;
    float m_GearSpin = 0;
    int m_Hover = 0;
    int m_SfxNext = 0;
    Array<c_Sound*> m_Sounds;
    // Menu and badge-box state: the carousel drag, the badge list's shown
    // scroll offset and its target.
    float m_MenuDrag = 0;
    float m_BadgeScroll = 0;
    float m_BadgeTarget = 0;
    int m_Tmp = 0;
    // Menu state: the carousel's target offset and fling speed.
    float m_MenuTarget = 0;
    float m_MenuFling = 0;
    int m_TubeY = 0, m_RowLoop = 0;
    // Menu state: the carousel's current offset.
    float m_MenuPos = 0;
    int m_Thrusting = 0;
    // Menu state: the item the carousel is moving to, 0 when settled.
    int m_MenuGoing = 0;
    int m_ScoreSlot = 0;
    int m_Score = 0;
    int m_Spin = 0;
    float m_ShakeX = 0, m_ShakeXTarget = 0, m_ShakeY = 0, m_ShakeYTarget = 0;
    float m_SteerX = 0, m_Steer = 0;
    int m_DragAnchorX = 0, m_DragAnchorY = 0;
    float m_KeySteerY = 0, m_KeySteerX = 0;
    int m_RowAdded = 0;
    float m_Scroll = 0, m_Speed = 0;
    int m_RowCount = 0, m_TubeSeed = 0, m_GapCountdown = 0;
    Array<float> m_Tube;
    int m_Hue = 0;
    float m_DriftVel = 0, m_DriftTarget = 0, m_WidthVel = 0, m_WidthTarget = 0;
    float m_TubeCentre = 0, m_TubeWidth = 0;
    int m_GemsLeft = 0, m_GemLane = 0, m_BarrierCountdown = 0, m_BarrierSpacing = 0;
    float m_TopSpeed = 0;
    int m_Closeness = 0;
    Array<float> m_Players;
    float m_Drag = 0;
    int m_Dead = 0;
    int m_ParticleMax = 250;
    Array<float> m_Particles;
    int m_StarCount = 100;
    Array<float> m_Stars;
    int m_ShownScore = 0;
    int m_PauseSel = 0;
    int m_OverTimer = 0;
    int m_CreditsSlide = 0;
    // Credits box state: the sub-line scroll (-16..0) and the line at it.
    float m_CreditsScroll = 0;
    int m_CreditsLine = 0;
    int m_OptionsSlide = 0;
    // Option box state: the selected row (0 the back gear) and the two latches
    // that keep one press from acting twice.
    int m_OptionSel = 0;
    int m_OptionKeyLatch = 0;
    int m_OptionTouchLatch = 0;

    // ---- application (app.cpp) ----------------------------------------------------
    c_MyApp();
    c_MyApp* m_new();
    void mark() override;
    int p_OnCreate() override;
    int p_OnUpdate() override;
    int p_OnRender() override;
    int p_OnSuspend() override;
    int p_OnResume() override;

    // ---- loading (loading.cpp) ----------------------------------------------------
    int p_Reload();
    int p_Loader();
    int p_WaitStart(int kind);

    // ---- drawing and text (drawing.cpp) -------------------------------------------
    int p_CLS2D(float r, float g, float b, float a);
    int p_ResetDraw();
    int p_SetSize(float sx, float sy);
    int p_SetRot(float r);
    int p_SetCol(float r, float g, float b, float a);
    int p_Alpha(float a);
    int p_DrawImg(int slot, float x, float y, float frame);
    int p_Rect(float x, float y, float w, float h);
    int p_Oval(float x, float y, float rx, float ry);
    int p_Text(float x, float y, String text, float alignX, float alignY);
    String p_rstr(int value, int digits, String pad);
    int p_Button(int slot, float x, float y, int frame);
    int p_Button0(int slot, float x, float y, int frame);
    int p_Touch(float x, float y, float w, float h);
    int p_MouseIn_Centered(float x, float y, float w, float h);
    int p_LoadImg(int slot, String name, int w, int h, int frames, int flags);
    int p_LoadFont(int slot, String name, int cellW, int cellH);
    // The three wheels of the gear icon (image 95 frames 8, 9, 10) at the
    // current scale, turned by m_GearSpin.
    int p_DrawGear(float x, float y);

    // ---- play (play.cpp) ----------------------------------------------------------
    int p_LoadGame();
    int p_AddTube();
    int p_Game();
    int p_InGame();
    int p_ResetPlayers();
    int p_GameOver();
    String p_MyNth();
    int p_Rand(float lo, float hi);

    // ---- effects (effects.cpp) ----------------------------------------------------
    int p_ThrowParticle(float x, float y, int kind, int colour, float angle, float speed);
    int p_FreeParticle();
    int p_DoParticles();
    int p_ResetParticles(int n);
    int p_ResetStars(int n);
    int p_DoStars(float dx, float dy);
    int p_Ink(int colour, float brightness);

    // ---- controls (controls.cpp) --------------------------------------------------
    int p_PlayKey(int action, int allowStick, int player);
    int p_PlayKeyAll(int action, int allowStick);
    float p_StickX(int axis, int player);
    float p_StickY(int axis, int player);
    int p_AnalogueControl();
    int p_iCade(int on);
    int p_FullscreenFlip();
    // Steps 6, 7 and 10 of every update: the pointer and touches, the menu
    // keys and the back key, the iCade characters.
    int p_ReadPointer();
    int p_MenuKeys();
    int p_ReadICade();

    // ---- menus (menus.cpp) --------------------------------------------------------
    int p_Menu();
    int p_PauseMenu();
    int p_OuyaQuit();

    // ---- scores and badges (scores.cpp) -------------------------------------------
    int p_LoadMenu();
    String p_BadgeID(int id);
    String p_BadgeName(int id);
    String p_BadgeDetail(int id);
    int p_ShowBadges();
    int p_BadgesBox();
    int p_GC_PostScore(int score, int board);
    int p_GC_Badges();

    // ---- the saved record (record.cpp) --------------------------------------------
    int p_Save();
    int p_Load();

    // ---- boxes (boxes.cpp) --------------------------------------------------------
    int p_OptionBox();
    int p_CreditBox();

    // ---- sound (sound.cpp) --------------------------------------------------------
    int p_LoadSFX(int n);
    int p_PlaySFX(int id, float rate, float volume, float pan);
    int p_PlayTune(String name, int flags);
    // Decodes the tune ahead of p_PlayTune, so that starting it costs no
    // decoding (a loading step calls it).
    int p_PrepareTune(String name);
    int p_StopTune();
};
