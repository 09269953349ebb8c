// The application-level graphics module: the one graphics context
// (c_GraphicsContext: colour, alpha, blend, scissor, a 2D transform with a
// stack of saved transforms, the current font), images cut into frames
// (c_Image, c_Frame) and the bb_graphics_* functions the game calls. State
// changes go straight to the render device, except the transform, which is
// handed over only just before the next draw (p_Validate), so several
// transform changes between two draws cost one device call.
//
// Relies on the renderer and surfaces (renderer.h, surface.h), the runtime
// (collected objects, write barrier, roots, runtime errors) and the host's
// bb_data_FixDataPath.
#pragma once

#include "graphics/renderer.h"
#include "graphics/surface.h"

class c_Frame : public Object {
public:
    int m_X = 0;
    int m_Y = 0;

    c_Frame* m_new(int x, int y);
};

class c_Image : public Object {
public:
    // Flag bits.
    static constexpr int ImageCentreHandle = 1;
    static constexpr int ImageXPadding = 2;
    static constexpr int ImageYPadding = 4;
    static constexpr int ImageWholeSurface = 65536;

    static int m_DefaultFlags;

    gxtkSurface* m_Surface = nullptr;
    int m_Width = 0;
    int m_Height = 0;
    Array<c_Frame*> m_Frames;
    int m_Flags = 0;
    float m_HandleX = 0;
    float m_HandleY = 0;
    c_Image* m_Source = nullptr;

    c_Image* m_new();
    c_Image* p_Init(gxtkSurface* surface, int frameCount, int flags);
    c_Image* p_Init2(gxtkSurface* surface, int x, int y, int frameWidth, int frameHeight,
                     int frameCount, int flags, c_Image* source, int srcX, int srcY, int srcW,
                     int srcH);
    int p_ApplyFlags(int flags);
    int p_SetHandle(float x, float y);
    // The frame of this index, or null when the image has no such frame.
    c_Frame* p_FrameAt(int frame);

    void mark() override;
};

class c_GraphicsContext : public Object {
public:
    // Saved transforms of six floats each.
    static constexpr int kMatrixStackDepth = 32;
    static constexpr int kMatrixStackFloats = kMatrixStackDepth * 6;

    c_Image* m_DefaultFont = nullptr;
    c_Image* m_Font = nullptr;
    int m_FirstChar = 0;
    int m_MatrixSp = 0;
    float m_A = 1, m_B = 0, m_C = 0, m_D = 1, m_Tx = 0, m_Ty = 0;
    int m_Transformed = 0;
    int m_MatrixDirty = 0;
    float m_ColorR = 0, m_ColorG = 0, m_ColorB = 0;
    float m_Alpha = 0;
    int m_Blend = 0;
    float m_ScissorX = 0, m_ScissorY = 0, m_ScissorW = 0, m_ScissorH = 0;
    Array<float> m_MatrixStack;

    c_GraphicsContext* m_new();
    // Hands the transform to the render device if it changed since the last
    // draw.
    int p_Validate();

    void mark() override;
};

// The device made at start-up, the device while a render pass runs (null
// otherwise), and the one context.
extern gxtkGraphics* bb_graphics_device;
extern gxtkGraphics* bb_graphics_renderDevice;
extern c_GraphicsContext* bb_graphics_context;

// Registers the three globals above as collector roots and creates the
// context. Part of the program's global initialisation (bbInit).
void bb_graphics_InitGlobals();

int bb_graphics_SetGraphicsDevice(gxtkGraphics* device);
int bb_graphics_DeviceWidth();
int bb_graphics_DeviceHeight();
c_Image* bb_graphics_LoadImage(String path, int frameCount, int flags);
c_Image* bb_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount,
                                int flags);
int bb_graphics_SetFont(c_Image* font, int firstChar);
int bb_graphics_BeginRender();
int bb_graphics_EndRender();
int bb_graphics_SetColor(float r, float g, float b);
int bb_graphics_SetAlpha(float alpha);
int bb_graphics_SetBlend(int blend);
int bb_graphics_SetScissor(float x, float y, float w, float h);
int bb_graphics_Cls(float r, float g, float b);
int bb_graphics_SetMatrix(float a, float b, float c, float d, float tx, float ty);
int bb_graphics_SetMatrix2(Array<float> m);
int bb_graphics_Transform(float a, float b, float c, float d, float tx, float ty);
int bb_graphics_Transform2(Array<float> m);
int bb_graphics_Translate(float x, float y);
int bb_graphics_Scale(float x, float y);
int bb_graphics_Rotate(float degrees);
int bb_graphics_PushMatrix();
int bb_graphics_PopMatrix();
int bb_graphics_DrawRect(float x, float y, float w, float h);
int bb_graphics_DrawLine(float x1, float y1, float x2, float y2);
int bb_graphics_DrawEllipse(float x, float y, float xr, float yr);
int bb_graphics_DrawImage(c_Image* image, float x, float y, int frame);
int bb_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX,
                           float scaleY, int frame);
int bb_graphics_ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch);
