// gxtkSurface: a picture kept twice, as premultiplied pixels in main memory
// and as an OpenGL texture made from them on first use. The texture belongs
// to the GL context of the window that was open when it was made; when the
// host re-creates the window (glfwGraphicsSeq moves on) the next Bind makes a
// fresh texture from the kept pixels.
//
// Relies on the runtime (Object), the host (glfwGraphicsSeq, LoadImageData)
// and OpenGL through the plain gl* names.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "host/glfwgame.h"
#include "runtime/runtime.h"

class gxtkSurface : public Object {
public:
    uint8_t* data = nullptr;  // rows top to bottom, depth bytes per pixel, owned (malloc)
    int width = 0;
    int height = 0;
    int depth = 0;
    GLenum format = 0;
    int seq = -1;  // glfwGraphicsSeq the texture was made under; -1: none
    GLuint texture = 0;
    float uscale = 0;  // 1 / texture width
    float vscale = 0;  // 1 / texture height

    gxtkSurface();
    ~gxtkSurface() override;

    virtual int Discard();
    virtual int Width();
    virtual int Height();
    virtual int Loaded();
    virtual int OnUnsafeLoadComplete();

    // Makes the texture current on GL_TEXTURE_2D, creating it first when this
    // context has none. Does nothing before the first window exists.
    void Bind();
    // Creates the texture now if this context has none, so that uscale and
    // vscale are known before a draw computes texture coordinates from them
    // (the batch binds only later, when it is flushed).
    void EnsureTexture() {
        if (seq != glfwGraphicsSeq) Bind();
    }
    // Adopts a decoded block (malloc'ed; the surface frees it) and
    // premultiplies it in place. Leaves the texture alone.
    void SetData(uint8_t* data, int width, int height, int depth);
    // Writes a rectangle of 0xAARRGGBB pixels, rows `pitch` elements apart,
    // into the pixel copy and, when this context has the texture, into it.
    // RGBA surfaces only; the part outside the surface is dropped.
    void SetSubData(int x, int y, int w, int h, const uint32_t* src, int pitch);

    // GL format for 1 to 4 bytes per pixel; 0 for anything else.
    static GLenum FormatForDepth(int depth);
    // Premultiplies depth-2 and depth-4 pixels in place (byte * alpha / 255).
    static void Premultiply(uint8_t* pixels, int count, int depth);
    // The texture side used when the driver refuses the exact size: the
    // smallest power of two at least `size`.
    static int PaddedSize(int size);

private:
    void ReleaseTexture();
};
