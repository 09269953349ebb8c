// bbInit: the framework and game globals, given their start values in the
// order start-up defines, and the credits text. The collectable globals are
// registered with the collector's roots here, before anything is allocated.
// Relies on the framework, the runtime and the game's globals.
#include "game/globals.h"

#include "audio/sound.h"
#include "framework/app.h"
#include "graphics/graphics.h"
#include "host/vantorgame.h"

int bb_Wyndle_isOuya = 0;
int bb_Wyndle_overscan = 0;
int bb_Wyndle_HasMusic = 0;
int bb_Wyndle_DebugMode = 0;
float bb_Wyndle_rawscrw = 0;
float bb_Wyndle_rawscrh = 0;
float bb_Wyndle_jscrw = 0;
float bb_Wyndle_jscrh = 0;
int bb_Wyndle_iCadeControls = 0;
int bb_Wyndle_HasMusicStream = 0;
Array<String> bb_Wyndle_CreditText;
int bb_Wyndle_OnScreenControls = 0;
int bb_Wyndle_AccelerometerControls = 0;

namespace {

// Five blocks, each framed by empty lines and set apart by the divider; the
// credits box scrolls them in this order.
const char* const kCredits[kCreditLines] = {
    "",
    "A Game by",
    "Quillwort",
    "www.quillwort-games.example",
    "",
    "-=-=-",
    "",
    "Developed using",
    "Vantor",
    "www.vantor-lang.example",
    "",
    "-=-=-",
    "",
    "Graphics",
    "",
    "Most graphics by",
    "Mira Quill",
    "",
    "Font: Pebblestone 8",
    "designed by Tobin Marsh",
    "Lowercase added by",
    "Mira Quill",
    "",
    "",
    "-=-=-",
    "",
    "Audio",
    "",
    "Sound and Music by",
    "Mira Quill",
    "using Chirpforge",
    "Loopwright Tracker",
    "Hummingbox",
    "Padlark",
    "or whatever else",
    "is handy!",
    "",
    "-=-=-",
    "",
    "Thanks to",
    "Ada Brightwater",
    "Ferris Gullwing",
    "Juniper Okonkwo-Lind",
    "Pell Ravensworth",
    "Sable Thistledown",
    "and everyone else",
    "at the Vantor forums",
    "",
    "-=-=-",
    "End",
};

constexpr float kVirtualWidth = 640.0f;
constexpr float kVirtualHeight = 480.0f;
constexpr int kRandomStartSeed = 1234;

}  // namespace

Array<String> bb_Wyndle_MakeCredits() {
    Array<String> lines(kCreditLines);
    for (int i = 0; i < kCreditLines; ++i)
        lines[i] = String(kCredits[i]);
    return lines;
}

int bbInit() {
    bb_app_RegisterRoots();
    gc_register_root(GC_ROOT_CREDIT_TEXT, &bb_Wyndle_CreditText);

    bb_app__app = nullptr;
    bb_app__delegate = nullptr;
    bb_app__game = BBGame::_game;
    // The device and render device (both null), the context and the images'
    // default flags, with their roots.
    bb_graphics_InitGlobals();
    bb_audio_device = nullptr;
    bb_input_device = nullptr;
    bb_Wyndle_isOuya = 0;
    bb_Wyndle_overscan = 0;
    bb_app__updateRate = 0;
    bb_Wyndle_HasMusic = 0;
    bb_Wyndle_DebugMode = 0;
    bb_Wyndle_rawscrw = kVirtualWidth;
    bb_Wyndle_jscrw = kVirtualWidth;
    bb_Wyndle_rawscrh = kVirtualHeight;
    bb_Wyndle_jscrh = kVirtualHeight;
    bb_Wyndle_iCadeControls = 0;
    bb_asyncevent__current = nullptr;
    gc_assign(bb_asyncevent__sources, (new c_Stack())->m_new());
    c_Stack::m_NIL = nullptr;
    bb_Wyndle_HasMusicStream = 1;
    bb_random_Seed = kRandomStartSeed;
    gc_assign(bb_Wyndle_CreditText, bb_Wyndle_MakeCredits());
    bb_Wyndle_OnScreenControls = 0;
    bb_Wyndle_AccelerometerControls = 0;
    return 0;
}
