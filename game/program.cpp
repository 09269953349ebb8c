// The program's application: bbMain creates the game's one application
// object, which attaches itself to the host. A developer build made with
// DROPLING_SEQUENCER_MUSIC plays the sequencer's tunes instead of the
// streamed one: the switch happens here, after the globals have their start
// values and before the game is created.
#include "game/globals.h"
#include "game/myapp.h"
#include "host/vantorgame.h"

int bbMain() {
#ifdef DROPLING_SEQUENCER_MUSIC
    bb_Wyndle_HasMusic = 1;
    bb_Wyndle_HasMusicStream = 0;
#endif
    (new c_MyApp())->m_new();
    return 0;
}
