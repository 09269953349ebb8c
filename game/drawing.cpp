// The drawing vocabulary of the game's screens. Nothing here touches the
// graphics module: every operation appends a 15-float command to the frame's
// draw list (the draw state in force is copied into it), and p_OnRender
// replays the list. Also bitmap text with its per-letter spacing, padded
// numbers, buttons and touch areas, and the loading of image and font slots
// in the resolution that suits the device.
#include <cmath>

#include "game/myapp.h"

namespace {

// Spacing corrections, in pixels of the font's cell, for the letters the
// pixel font draws narrower or wider than a cell.
int LetterCorrection(int c) {
    switch (c) {
        case 'w': case 'm': return 2;
        case 'W': case 'M': return 1;
        case 'i': case 'f': case 'l': return -3;
        case 'j': case 's': case 'k': case 'r': case 'z': case 't': case 'n': return -1;
        default: return 0;
    }
}

const char* AssetSuffix(int assetSet) {
    if (assetSet == 2) return "-hd";
    if (assetSet == 4) return "-hd2";
    return "";
}

constexpr double kDegToRad = 0.017453292;

}  // namespace

// ---- state --------------------------------------------------------------------------

int c_MyApp::p_CLS2D(float r, float g, float b, float a) {
    m_ViewX = m_ViewY = 0;
    m_ViewW = bb_Wyndle_jscrw;
    m_ViewH = bb_Wyndle_jscrh;
    if (r > kNone) {
        m_ClearR = r;
        m_ClearG = g;
        m_ClearB = b;
        m_ClearA = a;
    }
    p_ResetDraw();
    m_DrawCount = 0;
    return 0;
}

int c_MyApp::p_ResetDraw() {
    m_DrawSX = m_DrawSY = 1;
    m_DrawRot = 0;
    m_DrawR = m_DrawG = m_DrawB = 255;
    m_DrawA = 1;
    m_DrawBlend = 1;
    return 0;
}

int c_MyApp::p_SetSize(float sx, float sy) {
    m_DrawSX = sx;
    m_DrawSY = sy <= kNone ? sx : sy;
    return 0;
}

int c_MyApp::p_SetRot(float r) {
    // Stored negated: a positive angle turns clockwise on screen.
    m_DrawRot = -r;
    return 0;
}

int c_MyApp::p_SetCol(float r, float g, float b, float a) {
    m_DrawR = r;
    m_DrawG = g;
    m_DrawB = b;
    if (a > kNone) m_DrawA = a;
    return 0;
}

int c_MyApp::p_Alpha(float a) {
    m_DrawA = a;
    return 0;
}

// ---- recording ----------------------------------------------------------------------

namespace {

// Appends one command with the current draw state; fields 8, 9 and 14 are
// never read and keep what the list held. Returns false when the frame's
// list is full.
bool Record(c_MyApp* app, float kind, float x, float y, float sx, float sy, float frame) {
    if (app->m_DrawCount >= c_MyApp::kDrawListLimit) return false;
    float* c = app->m_DrawList.Data() + app->m_DrawCount;
    c[0] = kind;
    c[1] = x;
    c[2] = y;
    c[3] = app->m_DrawRot;
    c[4] = sx;
    c[5] = sy;
    c[6] = frame;
    c[7] = app->m_DrawA;
    c[10] = app->m_DrawR;
    c[11] = app->m_DrawG;
    c[12] = app->m_DrawB;
    c[13] = float(app->m_DrawBlend);
    app->m_DrawCount += c_MyApp::kCommandFloats;
    return true;
}

}  // namespace

int c_MyApp::p_DrawImg(int slot, float x, float y, float frame) {
    Record(this, float(slot), x, y, m_DrawSX, m_DrawSY, frame);
    return 0;
}

int c_MyApp::p_Rect(float x, float y, float w, float h) {
    Record(this, kKindRect, x, y, w, h, 0);
    return 0;
}

int c_MyApp::p_Oval(float x, float y, float rx, float ry) {
    Record(this, kKindOval, x, y, rx, ry, 0);
    return 0;
}

int c_MyApp::p_DrawGear(float x, float y) {
    const float saved = m_DrawRot;
    const float g = m_GearSpin;
    p_SetRot(0.66f * g);
    p_DrawImg(95, x, y, 8);
    p_SetRot(-0.33f * g);
    p_DrawImg(95, x, y, 9);
    p_SetRot(-g);
    p_DrawImg(95, x, y, 10);
    m_DrawRot = saved;
    return 0;
}

// ---- text ---------------------------------------------------------------------------

int c_MyApp::p_Text(float x, float y, String text, float alignX, float alignY) {
    const double q = m_DrawRot;
    const int cellW = m_ImgInfo[3 * m_FontSlot];
    const int cellH = m_ImgInfo[3 * m_FontSlot + 1];
    const int n = text.Length();
    auto advance = [&](int c) { return float(cellW + LetterCorrection(c)) * m_DrawSX; };

    float width = 0;
    for (int i = 0; i < n; ++i)
        width = std::trunc(width + advance(text[i]));
    const float line = float(cellH) * m_DrawSY;
    const double f = (alignY - 1) * 0.5;
    const double startX = x + std::sin((-q - 90) * kDegToRad) * width * alignX * 0.5 +
                          std::sin(-q * kDegToRad) * line * f;
    const double startY = y - alignX * 0.5 * std::cos((-q - 90) * kDegToRad) * width -
                          f * line * std::cos(-q * kDegToRad);
    const double downX = std::sin((180 - q) * kDegToRad), downY = -std::cos((180 - q) * kDegToRad);
    const double rightX = std::sin((90 - q) * kDegToRad), rightY = -std::cos((90 - q) * kDegToRad);

    double penX = startX, penY = startY;
    int lines = 0;
    // The text is read as if one blank followed it, so a backslash at the end
    // is an ordinary character.
    for (int i = 0; i < n; ++i) {
        const int c = text[i];
        if (c == '\\' && i + 1 < n && text[i + 1] == 'n') {
            ++lines;
            const double drop = double(lines) * cellH * m_DrawSY;
            penX = startX + drop * downX;
            penY = startY + drop * downY;
            ++i;
            continue;
        }
        if (c == 0) continue;
        if (c >= 33 && c <= 159) p_DrawImg(m_FontSlot, float(penX), float(penY), float(c - 32));
        const double step = advance(c);
        penX += step * rightX;
        penY += step * rightY;
    }
    return 0;
}

String c_MyApp::p_rstr(int value, int digits, String pad) {
    String s;
    for (m_Loop = 1; m_Loop <= digits; ++m_Loop)
        s += pad;
    s += String(value);
    if (digits <= 0) return s;
    return s.Slice(s.Length() - digits);
}

// ---- buttons and touch areas ----------------------------------------------------------

namespace {

// Half the on-screen size of a slot's frame at the current scale.
void HalfBox(const c_MyApp* app, int slot, float& hw, float& hh) {
    hw = float(app->m_ImgInfo[3 * slot]) * app->m_ImgScale * app->m_DrawSX * 0.5f;
    hh = float(app->m_ImgInfo[3 * slot + 1]) * app->m_ImgScale * app->m_DrawSY * 0.5f;
}

bool Inside(int tx, int ty, float x, float y, float hw, float hh) {
    return x - hw < tx && tx < x + hw && y - hh < ty && ty < y + hh;
}

}  // namespace

int c_MyApp::p_Button(int slot, float x, float y, int frame) {
    p_DrawImg(slot, x, y, float(frame));
    float hw, hh;
    HalfBox(this, slot, hw, hh);
    m_Hover = 0;
    // Absent touches sit at -3717, far outside any button.
    for (int i = 0; i < kTouchSlots; ++i)
        if (Inside(m_TouchX[i], m_TouchY[i], x, y, hw, hh) && m_PointerDown >= 1) m_Hover = 1;
    return m_Hover;
}

int c_MyApp::p_Button0(int slot, float x, float y, int frame) {
    p_DrawImg(slot, x, y, float(frame));
    float hw, hh;
    HalfBox(this, slot, hw, hh);
    return Inside(m_TouchX[0], m_TouchY[0], x, y, hw, hh) && m_PointerDown > 0 ? 1 : 0;
}

int c_MyApp::p_Touch(float x, float y, float w, float h) {
    p_Rect(x, y, w, h);
    // The margin is 6 on the left and top and 12 on the right and bottom.
    for (int i = 0; i < kTouchSlots; ++i) {
        if (m_TouchOn[i] == 0) continue;
        const int tx = m_TouchX[i], ty = m_TouchY[i];
        if (x - 6 < tx && tx < x + w + 12 && y - 6 < ty && ty < y + h + 12) return 1;
    }
    return 0;
}

int c_MyApp::p_MouseIn_Centered(float x, float y, float w, float h) {
    for (int i = 0; i < kTouchSlots; ++i)
        if (m_TouchOn[i] != 0 && Inside(m_TouchX[i], m_TouchY[i], x, y, w / 2, h / 2)) return 1;
    return 0;
}

// ---- slots --------------------------------------------------------------------------

int c_MyApp::p_LoadImg(int slot, String name, int w, int h, int frames, int flags) {
    if (slot < 0 || slot >= kImageSlots) return 0;
    String file = name + String(AssetSuffix(m_AssetSet)) + String(".png");
    // The frame size in the file grows with the asset set while m_ImgScale
    // shrinks the drawing by the same factor.
    gc_assign(m_Images[slot], static_cast<c_Image*>(nullptr));
    gc_assign(m_Images[slot], bb_graphics_LoadImage2(file, w * m_AssetSet, h * m_AssetSet, frames,
                                                     flags));
    m_ImgInfo[3 * slot] = w * m_AssetSet;
    m_ImgInfo[3 * slot + 1] = h * m_AssetSet;
    m_ImgInfo[3 * slot + 2] = frames;
    return 0;
}

int c_MyApp::p_LoadFont(int slot, String name, int cellW, int cellH) {
    if (slot < 0 || slot >= kImageSlots) return 0;
    String file = name + String(AssetSuffix(m_AssetSet)) + String(".png");
    gc_assign(m_Images[slot], bb_graphics_LoadImage2(file, 16 * m_AssetSet, 16 * m_AssetSet, 128, 1));
    // The cell sizes are the text advance in virtual pixels, whatever the set.
    m_ImgInfo[3 * slot] = cellW;
    m_ImgInfo[3 * slot + 1] = cellH;
    m_ImgInfo[3 * slot + 2] = 128;
    m_FontSlot = slot;
    return 0;
}
