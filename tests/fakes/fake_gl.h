// A recording stand-in for OpenGL 1.1, linked into test executables instead of
// libGL (library dropling_fake_gl). It defines the gl* functions the renderer
// and the surfaces call, with the signatures of <GL/gl.h>, and records what a
// test reads back: how often each function was called, each draw call with
// the vertices it would have read from the client arrays and the texture,
// blend and scissor it ran under, and the contents of every texture built by
// glTexImage2D/glTexSubImage2D. A test can make the driver refuse texture sizes
// that are not powers of two, as some old drivers did.
//
// Nothing here needs a window or a context: the fake is one global state,
// cleared by fakegl::Reset(). Not thread-safe (the code under test runs on
// one thread).
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fakegl {

// One vertex as read from the client arrays at draw time (colours are left
// to the pixel tests on the real libGL).
struct Vertex {
    float x = 0, y = 0, u = 0, v = 0;
};

// One glDrawArrays or glDrawElements call and the state it ran under.
struct DrawCall {
    GLenum mode = 0;
    int first = 0;                   // glDrawArrays' first; 0 for glDrawElements
    int count = 0;                   // vertices (arrays) or indices (elements)
    GLuint texture = 0;              // bound texture when GL_TEXTURE_2D is on, else 0
    GLenum blendDst = 0;             // glBlendFunc's destination factor
    std::array<GLint, 4> scissor{};  // the box when the scissor test is on, else zeros
    std::vector<Vertex> vertices;    // in the order GL would consume them
};

// A texture: the size from glTexImage2D and the pixels written by
// glTexSubImage2D (zero where nothing was written), rows 1-byte aligned.
struct Texture {
    int width = 0, height = 0;
    GLenum format = 0;
    std::map<GLenum, GLint> params;  // glTexParameteri
    std::vector<uint8_t> pixels;     // width * height * bytes per pixel
};

// Clears everything: counts, draws, textures, state, refusal settings.
void Reset();

// Off, the fake keeps only the state that later calls need (bindings,
// texture sizes, errors): no counts, no draws, no texture pixels, so that a
// long run (the soak) stays fast and its memory flat. On after Reset.
void SetRecording(bool on);

// Makes glTexImage2D fail with GL_INVALID_VALUE (reported by the next
// glGetError, storage left unset) when a side is not a power of two.
void SetRefuseNonPowerOfTwo(bool refuse);

const std::vector<DrawCall>& Draws();
// Number of calls of the gl function with this name since the last ClearLog.
int CountCalls(const std::string& name);
// Forgets the counts and the draws but keeps textures and GL state, so a test
// can look at what one step produced.
void ClearLog();

// Texture by name, or null if no such name is alive (never made, or deleted).
const Texture* GetTexture(GLuint name);

// glReadPixels reports pixel (x, y) of GL's bottom-up frame as
// 0xFF000000 | y << 12 | x, so a test can see which pixel went where.

}  // namespace fakegl
