// A recording stand-in for OpenGL 1.1, linked into test executables instead of
// libGL (library dropling_fake_gl). It defines the gl* functions the renderer
// and the surfaces call, with the signatures of <GL/gl.h>, and records what
// they were asked to do: every call in order, each draw call with the vertices
// it would have read from the client arrays, blend and scissor state at the
// time of each draw, and the contents of every texture built by
// glTexImage2D/glTexSubImage2D. A test can make the driver refuse texture sizes
// that are not powers of two, as some old drivers did.
//
// Nothing here needs a window or a context: the fake is one global state,
// cleared by fakegl::Reset(). Not thread-safe (the code under test runs on
// one thread).
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fakegl {

// One vertex as read from the client arrays at draw time.
struct Vertex {
    float x = 0, y = 0, u = 0, v = 0;
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

// One glDrawArrays or glDrawElements call and the state it ran under.
struct DrawCall {
    GLenum mode = 0;
    bool indexed = false;   // glDrawElements
    int first = 0;          // glDrawArrays' first
    int count = 0;          // vertices (arrays) or indices (elements)
    bool textured = false;  // GL_TEXTURE_2D enabled
    GLuint texture = 0;     // bound texture when textured
    GLenum blendSrc = 0, blendDst = 0;
    bool scissor = false;
    GLint scissorBox[4] = {0, 0, 0, 0};
    std::vector<Vertex> vertices;  // in the order GL would consume them
};

// A texture as the fake stores it: the size from glTexImage2D and the pixels
// written by glTexSubImage2D (zero where nothing was written).
struct Texture {
    int width = 0, height = 0;
    GLenum format = 0;
    bool deleted = false;
    std::map<GLenum, GLint> params;  // glTexParameteri
    std::vector<uint8_t> pixels;     // width * height * bytes per pixel
};

// One recorded call: its name and its scalar arguments (pointers omitted).
struct Call {
    std::string name;
    std::vector<double> args;
};

// Clears everything: the log, draws, textures, state, refusal settings.
void Reset();

// Off, the fake keeps only the state that later calls need (bindings,
// texture sizes, errors): no call log, no draws, no texture pixels, and
// deleted textures are forgotten, so that a long run (the soak) stays fast
// and its memory flat. On after Reset.
void SetRecording(bool on);

// Makes glTexImage2D fail with GL_INVALID_VALUE (reported by the next
// glGetError, storage left unset) when a side is not a power of two.
void SetRefuseNonPowerOfTwo(bool refuse);

const std::vector<Call>& Calls();
const std::vector<DrawCall>& Draws();
// Number of recorded calls with this name.
int CountCalls(const std::string& name);
// Index in Calls() of the first call with this name at or after `from`, or -1.
int FindCall(const std::string& name, int from = 0);
// Forgets the log and the draws but keeps textures and GL state, so a test
// can look at what one step produced.
void ClearLog();

// Texture by name, or null if no such name was ever generated.
const Texture* GetTexture(GLuint name);
bool IsEnabled(GLenum cap);

// glReadPixels reports pixel (x, y) of GL's bottom-up frame as
// 0xFF000000 | y << 12 | x, so a test can see which pixel went where.

}  // namespace fakegl
