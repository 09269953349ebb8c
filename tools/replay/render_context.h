// replay-render's real OpenGL context (render_context.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace replay {

// A hidden window of at least the largest size the game's window will take,
// its context current.
bool OpenRenderContext(int width, int height, std::string& error);
// The lower-left width x height pixels of the back buffer, RGB rows top down.
std::vector<uint8_t> ReadFrame(int width, int height);

}  // namespace replay
