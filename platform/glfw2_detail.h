// Inner entry points of the real window layer (platform/glfw2_glfw3.cpp),
// open to its tests: the key translation from GLFW 3's key numbers to
// GLFW 2's, and the two input handlers that GLFW 3's callbacks feed, so that
// key repeats and characters can be driven without a real keyboard.
//
// Uses plain ints and no GLFW header, so a test may include this next to
// <GLFW/glfw3.h>.
#ifndef DROPLING_PLATFORM_GLFW2_DETAIL_H
#define DROPLING_PLATFORM_GLFW2_DETAIL_H

namespace glfw2::detail {

// GLFW 2's key number for a GLFW 3 key number, or -1 (GLFW_KEY_UNKNOWN) for a
// key GLFW 2 did not have (print screen, the two "world" keys, F25 is kept).
int KeyFromGlfw3(int glfw3Key);

// A key as GLFW 3 reports it (GLFW 3 key number and action: release 0,
// press 1, repeat 2). Reaches the key callback translated; a repeat arrives
// as a press while key repeat is enabled and is dropped otherwise.
void OnGlfw3Key(int glfw3Key, int glfw3Action);

// A character as GLFW 3 reports it. Reaches the character callback as
// (character, GLFW_PRESS) when printable; when the key event just before it
// was a repeat and key repeat is disabled, it is dropped like the repeat.
void OnGlfw3Char(unsigned int codepoint);

}  // namespace glfw2::detail

#endif  // DROPLING_PLATFORM_GLFW2_DETAIL_H
