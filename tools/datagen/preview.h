// Mock-ups of the two main screens built from the generated pictures the
// way the game places them (slots, frames, scales, tints), for the contact
// sheet: the pictures are judged where they will be seen, not only one by
// one. Relies on image.h and sheets.h.
#pragma once

#include "tools/datagen/image.h"

namespace datagen {

// A 640 x 480 moment of play: stars, the tube with gems and barriers, the
// droplet, a burst of particles, the score and the pause icon.
Image previewPlay();
// The 640 x 480 main menu: backdrop, overlay, mascot, title, score panel and
// the carousel of game types.
Image previewMenu();
// The loading screen with the studio logo, and a paused game with the pause
// panel and its three buttons.
Image previewLoading();
Image previewPause();

}  // namespace datagen
