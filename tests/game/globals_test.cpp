// bbInit's start values for the framework and game globals, and the credits
// text: fifty lines in five blocks, which survive a collection through their
// root. Links the game library on the fake window, OpenGL and OpenAL layers.
#include <gtest/gtest.h>

#include <string>

#include "audio/sound.h"
#include "framework/app.h"
#include "game/globals.h"
#include "graphics/graphics.h"
#include "host/vantorgame.h"
#include "tests/support/gc_fixture.h"

namespace {

using GameGlobalsTest = GcTest;

TEST_F(GameGlobalsTest, BbInitGivesEveryGlobalItsStartValueAndTheCreditsTheirLines) {
    BBGame host;
    int* const ints[] = {&bb_Wyndle_isOuya,         &bb_Wyndle_overscan,
                         &bb_app__updateRate,       &bb_Wyndle_HasMusic,
                         &bb_Wyndle_DebugMode,      &bb_Wyndle_iCadeControls,
                         &bb_Wyndle_OnScreenControls, &bb_Wyndle_AccelerometerControls,
                         &bb_Wyndle_HasMusicStream, &bb_random_Seed};
    for (int* global : ints)
        *global = 77;
    bb_Wyndle_rawscrw = bb_Wyndle_rawscrh = bb_Wyndle_jscrw = bb_Wyndle_jscrh = 1;
    bbInit();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(*ints[i], 0) << i;
    EXPECT_EQ(bb_Wyndle_HasMusicStream, 1);
    EXPECT_EQ(bb_random_Seed, 1234);
    EXPECT_EQ(bb_Wyndle_rawscrw, 640.0f);
    EXPECT_EQ(bb_Wyndle_jscrw, 640.0f);
    EXPECT_EQ(bb_Wyndle_rawscrh, 480.0f);
    EXPECT_EQ(bb_Wyndle_jscrh, 480.0f);
    EXPECT_EQ(bb_app__game, &host);
    EXPECT_EQ(bb_app__app, nullptr);
    EXPECT_EQ(bb_graphics_device, nullptr);
    EXPECT_EQ(bb_audio_device, nullptr);
    EXPECT_NE(bb_graphics_context, nullptr);
    ASSERT_NE(bb_asyncevent__sources, nullptr);

    // The credits live through collections on their root.
    const bool stress = gc_stress();
    gc_set_stress(true);
    gc_collect_step(nullptr);
    gc_collect_step(nullptr);
    gc_set_stress(stress);
    EXPECT_EQ(gc_root_object(GC_ROOT_CREDIT_TEXT), gc_object_of(bb_Wyndle_CreditText.GetRep()));
    ASSERT_EQ(bb_Wyndle_CreditText.Length(), 50);
    const struct {
        int line;
        const char* text;
        bool prefix = false;
    } lines[] = {{0, ""},
                 {1, "A Game by"},
                 {4, ""},
                 {5, "-=-=-"},
                 {7, "Developed using"},
                 {11, "-=-=-"},
                 {13, "Graphics"},
                 {15, "Most graphics by"},
                 {20, "Lowercase added by"},
                 {22, ""},
                 {23, ""},
                 {24, "-=-=-"},
                 {26, "Audio"},
                 {28, "Sound and Music by"},
                 {30, "using", true},
                 {34, "or whatever else"},
                 {35, "is handy!"},
                 {37, "-=-=-"},
                 {39, "Thanks to"},
                 {45, "and everyone else"},
                 {46, "at", true},
                 {47, ""},
                 {48, "-=-=-"},
                 {49, "End"}};
    for (const auto& l : lines) {
        const String text = bb_Wyndle_CreditText[l.line];
        EXPECT_TRUE(l.prefix ? text.StartsWith(String(l.text)) : text == String(l.text))
            << l.line << ": " << text.ToUtf8();
    }
}

}  // namespace
