// Pieces shared by the menus and the boxes. Relies on c_MyApp only.
#pragma once

class c_MyApp;

// The console target's overscan row (option 14, 1..96 pixels): its text, a
// bar with a marker, the L1/R1 actions (14, 15) that move it by 16 and a tap
// on the bar that toggles between 1 and 96. It acts once per press through
// the option box's latches; with ownLatches it also releases them itself
// (the pause menu, where no option box runs).
void DrawOverscanRow(c_MyApp* app, float y, bool ownLatches);
