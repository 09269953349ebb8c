// The graphics context, images and frames, and the bb_graphics_* functions
// over them (see graphics.h).
//
// Index:
//   globals
//   frames and images
//   the context and the render pass
//   colour, blend, scissor, clear
//   transforms and the matrix stack
//   drawing
//   loading and fonts
#include "graphics/graphics.h"

#include <cmath>

#include "host/glfwgame.h"

namespace {

// Degrees to radians, as a single-precision factor.
constexpr float kDegreesToRadians = 0.017453292f;
// The font installed when the game asks for the default one: 96 glyphs from
// the space on, side by side, each with a pixel of padding left and right.
const char* const kDefaultFontFile = "glint_font.png";
constexpr int kDefaultFontGlyphs = 96;
constexpr int kDefaultFontFirstChar = 32;

bool IsIdentity(float a, float b, float c, float d, float tx, float ty) {
    return a == 1 && b == 0 && c == 0 && d == 1 && tx == 0 && ty == 0;
}

}  // namespace

// ===========================================================================
// globals

gxtkGraphics* bb_graphics_device = nullptr;
gxtkGraphics* bb_graphics_renderDevice = nullptr;
c_GraphicsContext* bb_graphics_context = nullptr;
int c_Image::m_DefaultFlags = 0;

void bb_graphics_InitGlobals() {
    gc_register_root(GC_ROOT_GRAPHICS_DEVICE, &bb_graphics_device);
    gc_register_root(GC_ROOT_GRAPHICS_CONTEXT, &bb_graphics_context);
    gc_register_root(GC_ROOT_RENDER_DEVICE, &bb_graphics_renderDevice);
    bb_graphics_device = nullptr;
    bb_graphics_renderDevice = nullptr;
    gc_assign(bb_graphics_context, (new c_GraphicsContext())->m_new());
    c_Image::m_DefaultFlags = 0;
}

int bb_graphics_SetGraphicsDevice(gxtkGraphics* device) {
    gc_assign(bb_graphics_device, device);
    return 0;
}

int bb_graphics_DeviceWidth() {
    return bb_graphics_device ? bb_graphics_device->Width() : 0;
}
int bb_graphics_DeviceHeight() {
    return bb_graphics_device ? bb_graphics_device->Height() : 0;
}

// ===========================================================================
// frames and images

c_Frame* c_Frame::m_new(int x, int y) {
    m_X = x;
    m_Y = y;
    return this;
}

c_Image* c_Image::m_new() {
    return this;
}

void c_Image::mark() {
    gc_mark_q(m_Surface);
    gc_mark_q(m_Frames);
    gc_mark_q(m_Source);
}

c_Frame* c_Image::p_FrameAt(int frame) {
    if (frame < 0 || frame >= m_Frames.Length()) return nullptr;
    return m_Frames[frame];
}

c_Image* c_Image::p_Init(gxtkSurface* surface, int frameCount, int flags) {
    gc_assign(m_Surface, surface);
    // A frame count below one has no frame to cut (and would divide by zero).
    if (frameCount < 1) frameCount = 0;
    m_Width = frameCount > 0 ? surface->Width() / frameCount : 0;
    m_Height = surface->Height();
    gc_assign(m_Frames, Array<c_Frame*>(frameCount));
    for (int i = 0; i < frameCount; ++i) {
        gc_assign(m_Frames[i], (new c_Frame())->m_new(i * m_Width, 0));
    }
    p_ApplyFlags(flags);
    return this;
}

c_Image* c_Image::p_Init2(gxtkSurface* surface, int x, int y, int frameWidth, int frameHeight,
                          int frameCount, int flags, c_Image* source, int srcX, int srcY, int srcW,
                          int srcH) {
    gc_assign(m_Surface, surface);
    gc_assign(m_Source, source);
    m_Width = frameWidth;
    m_Height = frameHeight;
    if (frameCount < 0) frameCount = 0;
    gc_assign(m_Frames, Array<c_Frame*>(frameCount));
    for (int i = 0; i < frameCount; ++i) {
        if (x + m_Width > srcW) {
            y += m_Height;
            if (m_Width <= srcW) x = 0;
        }
        if (m_Width > srcW || y + m_Height > srcH) {
            bbError(String("Image frame outside surface"));
        }
        gc_assign(m_Frames[i], (new c_Frame())->m_new(x + srcX, y + srcY));
        x += m_Width;
    }
    p_ApplyFlags(flags);
    return this;
}

int c_Image::p_ApplyFlags(int flags) {
    m_Flags = flags;
    const int count = m_Frames.Length();
    if (m_Flags & ImageXPadding) {
        for (int i = 0; i < count; ++i)
            m_Frames[i]->m_X += 1;
        m_Width -= 2;
    }
    if (m_Flags & ImageYPadding) {
        for (int i = 0; i < count; ++i)
            m_Frames[i]->m_Y += 1;
        m_Height -= 2;
    }
    if (m_Flags & ImageCentreHandle) {
        p_SetHandle(static_cast<float>(m_Width) * 0.5f, static_cast<float>(m_Height) * 0.5f);
    }
    if (count == 1 && m_Frames[0]->m_X == 0 && m_Frames[0]->m_Y == 0 &&
        m_Width == m_Surface->Width() && m_Height == m_Surface->Height()) {
        m_Flags |= ImageWholeSurface;
    }
    return 0;
}

int c_Image::p_SetHandle(float x, float y) {
    m_HandleX = x;
    m_HandleY = y;
    m_Flags &= ~ImageCentreHandle;
    return 0;
}

// ===========================================================================
// the context and the render pass

c_GraphicsContext* c_GraphicsContext::m_new() {
    gc_assign(m_MatrixStack, Array<float>(kMatrixStackFloats));
    return this;
}

void c_GraphicsContext::mark() {
    gc_mark_q(m_DefaultFont);
    gc_mark_q(m_Font);
    gc_mark_q(m_MatrixStack);
}

int c_GraphicsContext::p_Validate() {
    // Outside a render pass there is no device to tell; the transform stays
    // pending for the next one.
    if (m_MatrixDirty && bb_graphics_renderDevice) {
        bb_graphics_renderDevice->SetMatrix(m_A, m_B, m_C, m_D, m_Tx, m_Ty);
        m_MatrixDirty = 0;
    }
    return 0;
}

int bb_graphics_BeginRender() {
    gc_assign(bb_graphics_renderDevice, bb_graphics_device);
    bb_graphics_context->m_MatrixSp = 0;
    bb_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
    bb_graphics_SetColor(255, 255, 255);
    bb_graphics_SetAlpha(1);
    bb_graphics_SetBlend(0);
    bb_graphics_SetScissor(0, 0, static_cast<float>(bb_graphics_DeviceWidth()),
                           static_cast<float>(bb_graphics_DeviceHeight()));
    return 0;
}

int bb_graphics_EndRender() {
    bb_graphics_renderDevice = nullptr;
    return 0;
}

// ===========================================================================
// colour, blend, scissor, clear
//
// Outside a render pass the state is still remembered, but nothing is
// forwarded: there is no device to forward to.

int bb_graphics_SetColor(float r, float g, float b) {
    c_GraphicsContext* ctx = bb_graphics_context;
    ctx->m_ColorR = r;
    ctx->m_ColorG = g;
    ctx->m_ColorB = b;
    if (bb_graphics_renderDevice) bb_graphics_renderDevice->SetColor(r, g, b);
    return 0;
}

int bb_graphics_SetAlpha(float alpha) {
    bb_graphics_context->m_Alpha = alpha;
    if (bb_graphics_renderDevice) bb_graphics_renderDevice->SetAlpha(alpha);
    return 0;
}

int bb_graphics_SetBlend(int blend) {
    bb_graphics_context->m_Blend = blend;
    if (bb_graphics_renderDevice) bb_graphics_renderDevice->SetBlend(blend);
    return 0;
}

int bb_graphics_SetScissor(float x, float y, float w, float h) {
    c_GraphicsContext* ctx = bb_graphics_context;
    ctx->m_ScissorX = x;
    ctx->m_ScissorY = y;
    ctx->m_ScissorW = w;
    ctx->m_ScissorH = h;
    if (bb_graphics_renderDevice) {
        bb_graphics_renderDevice->SetScissor(static_cast<int>(x), static_cast<int>(y),
                                             static_cast<int>(w), static_cast<int>(h));
    }
    return 0;
}

int bb_graphics_Cls(float r, float g, float b) {
    if (bb_graphics_renderDevice) bb_graphics_renderDevice->Cls(r, g, b);
    return 0;
}

// ===========================================================================
// transforms and the matrix stack

int bb_graphics_SetMatrix(float a, float b, float c, float d, float tx, float ty) {
    c_GraphicsContext* ctx = bb_graphics_context;
    ctx->m_A = a;
    ctx->m_B = b;
    ctx->m_C = c;
    ctx->m_D = d;
    ctx->m_Tx = tx;
    ctx->m_Ty = ty;
    ctx->m_Transformed = IsIdentity(a, b, c, d, tx, ty) ? 0 : 1;
    ctx->m_MatrixDirty = 1;
    return 0;
}

int bb_graphics_SetMatrix2(Array<float> m) {
    if (m.Length() < 6) return 0;  // too short to hold a transform
    return bb_graphics_SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
}

int bb_graphics_Transform(float a, float b, float c, float d, float tx, float ty) {
    const c_GraphicsContext* m = bb_graphics_context;
    // The given transform is applied first, then the current one.
    const float na = a * m->m_A + b * m->m_C;
    const float nb = a * m->m_B + b * m->m_D;
    const float nc = c * m->m_A + d * m->m_C;
    const float nd = c * m->m_B + d * m->m_D;
    const float ntx = tx * m->m_A + ty * m->m_C + m->m_Tx;
    const float nty = tx * m->m_B + ty * m->m_D + m->m_Ty;
    return bb_graphics_SetMatrix(na, nb, nc, nd, ntx, nty);
}

int bb_graphics_Transform2(Array<float> m) {
    if (m.Length() < 6) return 0;
    return bb_graphics_Transform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

int bb_graphics_Translate(float x, float y) {
    return bb_graphics_Transform(1, 0, 0, 1, x, y);
}
int bb_graphics_Scale(float x, float y) {
    return bb_graphics_Transform(x, 0, 0, y, 0, 0);
}

int bb_graphics_Rotate(float degrees) {
    const float t = degrees * kDegreesToRadians;
    const float cs = static_cast<float>(std::cos(static_cast<double>(t)));
    const float sn = static_cast<float>(std::sin(static_cast<double>(t)));
    return bb_graphics_Transform(cs, -sn, sn, cs, 0, 0);
}

int bb_graphics_PushMatrix() {
    c_GraphicsContext* ctx = bb_graphics_context;
    // A full stack ignores further pushes instead of writing past its end.
    if (ctx->m_MatrixSp + 6 > ctx->m_MatrixStack.Length()) return 0;
    Array<float>& s = ctx->m_MatrixStack;
    const int sp = ctx->m_MatrixSp;
    s[sp + 0] = ctx->m_A;
    s[sp + 1] = ctx->m_B;
    s[sp + 2] = ctx->m_C;
    s[sp + 3] = ctx->m_D;
    s[sp + 4] = ctx->m_Tx;
    s[sp + 5] = ctx->m_Ty;
    ctx->m_MatrixSp = sp + 6;
    return 0;
}

int bb_graphics_PopMatrix() {
    c_GraphicsContext* ctx = bb_graphics_context;
    // Popping an empty stack leaves the transform as it is.
    if (ctx->m_MatrixSp < 6) return 0;
    const int sp = ctx->m_MatrixSp - 6;
    ctx->m_MatrixSp = sp;
    const Array<float>& s = ctx->m_MatrixStack;
    return bb_graphics_SetMatrix(s[sp + 0], s[sp + 1], s[sp + 2], s[sp + 3], s[sp + 4], s[sp + 5]);
}

// ===========================================================================
// drawing
//
// Draws outside a render pass, of a null image or of a frame the image does
// not have are ignored: each would otherwise dereference null or read past
// the frame array.

int bb_graphics_DrawRect(float x, float y, float w, float h) {
    if (!bb_graphics_renderDevice) return 0;
    bb_graphics_context->p_Validate();
    bb_graphics_renderDevice->DrawRect(x, y, w, h);
    return 0;
}

int bb_graphics_DrawLine(float x1, float y1, float x2, float y2) {
    if (!bb_graphics_renderDevice) return 0;
    bb_graphics_context->p_Validate();
    bb_graphics_renderDevice->DrawLine(x1, y1, x2, y2);
    return 0;
}

int bb_graphics_DrawEllipse(float x, float y, float xr, float yr) {
    if (!bb_graphics_renderDevice) return 0;
    bb_graphics_context->p_Validate();
    bb_graphics_renderDevice->DrawOval(x - xr, y - yr, xr * 2, yr * 2);
    return 0;
}

namespace {

void DrawFrame(c_Image* image, c_Frame* f, float x, float y) {
    if (image->m_Flags & c_Image::ImageWholeSurface) {
        bb_graphics_renderDevice->DrawSurface(image->m_Surface, x, y);
    } else {
        bb_graphics_renderDevice->DrawSurface2(image->m_Surface, x, y, f->m_X, f->m_Y,
                                               image->m_Width, image->m_Height);
    }
}

}  // namespace

int bb_graphics_DrawImage(c_Image* image, float x, float y, int frame) {
    if (!bb_graphics_renderDevice || !image) return 0;
    c_Frame* f = image->p_FrameAt(frame);
    if (!f) return 0;
    bb_graphics_context->p_Validate();
    DrawFrame(image, f, x - image->m_HandleX, y - image->m_HandleY);
    return 0;
}

int bb_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX,
                           float scaleY, int frame) {
    if (!bb_graphics_renderDevice || !image) return 0;
    c_Frame* f = image->p_FrameAt(frame);
    if (!f) return 0;
    // The caller's transform is kept here rather than on the matrix stack, so
    // that a caller who filled the stack still gets it back unchanged.
    c_GraphicsContext* ctx = bb_graphics_context;
    const float saved[6] = {ctx->m_A, ctx->m_B, ctx->m_C, ctx->m_D, ctx->m_Tx, ctx->m_Ty};
    bb_graphics_Transform(1, 0, 0, 1, x, y);
    bb_graphics_Rotate(rotation);
    bb_graphics_Scale(scaleX, scaleY);
    bb_graphics_Transform(1, 0, 0, 1, -image->m_HandleX, -image->m_HandleY);
    ctx->p_Validate();
    DrawFrame(image, f, 0, 0);
    bb_graphics_SetMatrix(saved[0], saved[1], saved[2], saved[3], saved[4], saved[5]);
    return 0;
}

int bb_graphics_ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch) {
    if (!bb_graphics_renderDevice) return 0;
    if (pitch == 0) pitch = w;
    bb_graphics_renderDevice->ReadPixels(pixels, x, y, w, h, offset, pitch);
    return 0;
}

// ===========================================================================
// loading and fonts

c_Image* bb_graphics_LoadImage(String path, int frameCount, int flags) {
    if (!bb_graphics_device) return nullptr;
    gxtkSurface* surface = bb_graphics_device->LoadSurface(bb_data_FixDataPath(path));
    if (!surface) return nullptr;
    return (new c_Image())->m_new()->p_Init(surface, frameCount, flags);
}

c_Image* bb_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount,
                                int flags) {
    if (!bb_graphics_device) return nullptr;
    gxtkSurface* surface = bb_graphics_device->LoadSurface(bb_data_FixDataPath(path));
    if (!surface) return nullptr;
    return (new c_Image())
        ->m_new()
        ->p_Init2(surface, 0, 0, frameWidth, frameHeight, frameCount, flags, nullptr, 0, 0,
                  surface->Width(), surface->Height());
}

int bb_graphics_SetFont(c_Image* font, int firstChar) {
    c_GraphicsContext* ctx = bb_graphics_context;
    if (!font) {
        if (!ctx->m_DefaultFont) {
            gc_assign(ctx->m_DefaultFont,
                      bb_graphics_LoadImage(String(kDefaultFontFile), kDefaultFontGlyphs,
                                            c_Image::ImageXPadding));
        }
        font = ctx->m_DefaultFont;
        firstChar = kDefaultFontFirstChar;
    }
    gc_assign(ctx->m_Font, font);
    ctx->m_FirstChar = firstChar;
    return 0;
}
