// The recording OpenGL fake: definitions of the gl* entry points the graphics
// layer uses, with C linkage as declared by <GL/gl.h>, over one global
// recorder. See fake_gl.h for what is recorded and how tests read it.
//
// Index:
//   the recorder and the test-facing functions (namespace fakegl)
//   state ...... matrices, capabilities, client arrays, blend, scissor, errors
//   drawing .... glDrawArrays, glDrawElements, glReadPixels
//   textures ... names, binding, parameters, images and sub-images
#include "tests/fakes/fake_gl.h"

#include <cstddef>
#include <cstring>
#include <set>

namespace fakegl {
namespace {

// The renderer always hands over floats (positions, texture coordinates) and
// four bytes (colours), so a pointer and a stride are all a draw needs.
struct ClientArray {
    const uint8_t* pointer = nullptr;
    GLsizei stride = 0;
};

struct Recorder {
    std::vector<Call> calls;
    std::vector<DrawCall> draws;
    std::map<GLuint, Texture> textures;
    GLuint nextTexture = 1;
    GLuint bound = 0;
    std::set<GLenum> enabled;
    std::set<GLenum> clientStates;
    ClientArray vertex, texCoord, color;
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
    GLint scissorBox[4] = {0, 0, 0, 0};
    GLint unpackAlignment = 4;
    GLenum pendingError = GL_NO_ERROR;
    bool refuseNonPowerOfTwo = false;
    bool recording = true;
};

Recorder& R() {
    static Recorder recorder;
    return recorder;
}

void Log(const char* name, std::vector<double> args = {}) {
    if (R().recording) R().calls.push_back(Call{name, std::move(args)});
}

bool IsPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

int BytesPerPixel(GLenum format) {
    switch (format) {
        case GL_LUMINANCE:
        case GL_ALPHA:
            return 1;
        case GL_LUMINANCE_ALPHA:
            return 2;
        case GL_RGB:
            return 3;
        default:
            return 4;
    }
}

float ReadFloat(const uint8_t* p) {
    float f;
    std::memcpy(&f, p, sizeof f);
    return f;
}

// Reads vertex `index` from the enabled client arrays, as GL would.
Vertex FetchVertex(int index) {
    Recorder& r = R();
    Vertex v;
    if (r.clientStates.count(GL_VERTEX_ARRAY) && r.vertex.pointer) {
        const uint8_t* p = r.vertex.pointer + static_cast<std::ptrdiff_t>(index) * r.vertex.stride;
        v.x = ReadFloat(p);
        v.y = ReadFloat(p + 4);
    }
    if (r.clientStates.count(GL_TEXTURE_COORD_ARRAY) && r.texCoord.pointer) {
        const uint8_t* p =
            r.texCoord.pointer + static_cast<std::ptrdiff_t>(index) * r.texCoord.stride;
        v.u = ReadFloat(p);
        v.v = ReadFloat(p + 4);
    }
    if (r.clientStates.count(GL_COLOR_ARRAY) && r.color.pointer) {
        const uint8_t* p = r.color.pointer + static_cast<std::ptrdiff_t>(index) * r.color.stride;
        v.r = p[0];
        v.g = p[1];
        v.b = p[2];
        v.a = p[3];
    }
    return v;
}

DrawCall StartDraw(GLenum mode, bool indexed, int first, int count) {
    Recorder& r = R();
    DrawCall d;
    d.mode = mode;
    d.indexed = indexed;
    d.first = first;
    d.count = count;
    d.textured = r.enabled.count(GL_TEXTURE_2D) != 0;
    d.texture = d.textured ? r.bound : 0;
    d.blendSrc = r.blendSrc;
    d.blendDst = r.blendDst;
    d.scissor = r.enabled.count(GL_SCISSOR_TEST) != 0;
    std::memcpy(d.scissorBox, r.scissorBox, sizeof d.scissorBox);
    return d;
}

void SetClientArray(ClientArray& array, GLsizei stride, const void* pointer) {
    array.pointer = static_cast<const uint8_t*>(pointer);
    array.stride = stride;
}

// The bound texture; without one, GL_INVALID_OPERATION is pending and null
// comes back.
Texture* BoundOrError() {
    auto it = R().textures.find(R().bound);
    if (it != R().textures.end()) return &it->second;
    R().pendingError = GL_INVALID_OPERATION;
    return nullptr;
}

}  // namespace

void Reset() {
    R() = Recorder();
}
void SetRecording(bool on) {
    R().recording = on;
}
void SetRefuseNonPowerOfTwo(bool refuse) {
    R().refuseNonPowerOfTwo = refuse;
}
const std::vector<Call>& Calls() {
    return R().calls;
}
const std::vector<DrawCall>& Draws() {
    return R().draws;
}

int CountCalls(const std::string& name) {
    int n = 0;
    for (const Call& c : R().calls)
        n += c.name == name;
    return n;
}

int FindCall(const std::string& name, int from) {
    const std::vector<Call>& calls = R().calls;
    for (size_t i = static_cast<size_t>(from < 0 ? 0 : from); i < calls.size(); ++i) {
        if (calls[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

void ClearLog() {
    R().calls.clear();
    R().draws.clear();
}

const Texture* GetTexture(GLuint name) {
    auto it = R().textures.find(name);
    return it == R().textures.end() ? nullptr : &it->second;
}

bool IsEnabled(GLenum cap) {
    return R().enabled.count(cap) != 0;
}

}  // namespace fakegl

using fakegl::Log;
using fakegl::R;

// ---------------------------------------------------------------------------
// State

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    Log("glViewport", {double(x), double(y), double(width), double(height)});
}

void glMatrixMode(GLenum mode) {
    Log("glMatrixMode", {double(mode)});
}
void glLoadIdentity() {
    Log("glLoadIdentity");
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble nearVal,
             GLdouble farVal) {
    Log("glOrtho", {left, right, bottom, top, nearVal, farVal});
}

void glEnable(GLenum cap) {
    Log("glEnable", {double(cap)});
    R().enabled.insert(cap);
}

void glDisable(GLenum cap) {
    Log("glDisable", {double(cap)});
    R().enabled.erase(cap);
}

void glEnableClientState(GLenum array) {
    Log("glEnableClientState", {double(array)});
    R().clientStates.insert(array);
}

void glDisableClientState(GLenum array) {
    Log("glDisableClientState", {double(array)});
    R().clientStates.erase(array);
}

void glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    Log("glVertexPointer", {double(size), double(type), double(stride)});
    fakegl::SetClientArray(R().vertex, stride, pointer);
}

void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    Log("glTexCoordPointer", {double(size), double(type), double(stride)});
    fakegl::SetClientArray(R().texCoord, stride, pointer);
}

void glColorPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    Log("glColorPointer", {double(size), double(type), double(stride)});
    fakegl::SetClientArray(R().color, stride, pointer);
}

void glBlendFunc(GLenum sfactor, GLenum dfactor) {
    Log("glBlendFunc", {double(sfactor), double(dfactor)});
    R().blendSrc = sfactor;
    R().blendDst = dfactor;
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    Log("glScissor", {double(x), double(y), double(width), double(height)});
    R().scissorBox[0] = x;
    R().scissorBox[1] = y;
    R().scissorBox[2] = width;
    R().scissorBox[3] = height;
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    Log("glClearColor", {red, green, blue, alpha});
}

void glClear(GLbitfield mask) {
    Log("glClear", {double(mask)});
}

void glPixelStorei(GLenum pname, GLint param) {
    Log("glPixelStorei", {double(pname), double(param)});
    if (pname == GL_UNPACK_ALIGNMENT) R().unpackAlignment = param;
}

GLenum glGetError() {
    Log("glGetError");
    GLenum e = R().pendingError;
    R().pendingError = GL_NO_ERROR;
    return e;
}

// ---------------------------------------------------------------------------
// Drawing

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    Log("glDrawArrays", {double(mode), double(first), double(count)});
    if (!R().recording) return;
    fakegl::DrawCall d = fakegl::StartDraw(mode, false, first, count);
    for (int i = 0; i < count; ++i)
        d.vertices.push_back(fakegl::FetchVertex(first + i));
    R().draws.push_back(std::move(d));
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
    Log("glDrawElements", {double(mode), double(count), double(type)});
    if (!R().recording) return;
    fakegl::DrawCall d = fakegl::StartDraw(mode, true, 0, count);
    for (int i = 0; i < count; ++i) {
        int index = 0;
        if (type == GL_UNSIGNED_SHORT) {
            index = static_cast<const GLushort*>(indices)[i];
        } else if (type == GL_UNSIGNED_INT) {
            index = static_cast<int>(static_cast<const GLuint*>(indices)[i]);
        } else {
            index = static_cast<const GLubyte*>(indices)[i];
        }
        d.vertices.push_back(fakegl::FetchVertex(index));
    }
    R().draws.push_back(std::move(d));
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  GLvoid* pixels) {
    Log("glReadPixels",
        {double(x), double(y), double(width), double(height), double(format), double(type)});
    uint32_t* out = static_cast<uint32_t*>(pixels);
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            out[row * width + col] = 0xFF000000u | uint32_t(y + row) << 12 | uint32_t(x + col);
        }
    }
}

// ---------------------------------------------------------------------------
// Textures

void glGenTextures(GLsizei n, GLuint* textures) {
    Log("glGenTextures", {double(n)});
    for (int i = 0; i < n; ++i) {
        GLuint name = R().nextTexture++;
        R().textures[name] = fakegl::Texture();
        textures[i] = name;
    }
}

void glDeleteTextures(GLsizei n, const GLuint* textures) {
    std::vector<double> args{double(n)};
    for (int i = 0; i < n; ++i) {
        args.push_back(textures[i]);
        auto it = R().textures.find(textures[i]);
        if (it != R().textures.end()) {
            if (R().recording)
                it->second.deleted = true;
            else
                R().textures.erase(it);
        }
        if (R().bound == textures[i]) R().bound = 0;
    }
    Log("glDeleteTextures", args);
}

void glBindTexture(GLenum target, GLuint texture) {
    Log("glBindTexture", {double(target), double(texture)});
    R().bound = texture;
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    Log("glTexParameteri", {double(target), double(pname), double(param)});
    auto it = R().textures.find(R().bound);
    if (it != R().textures.end()) it->second.params[pname] = param;
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    Log("glTexImage2D",
        {double(target), double(level), double(internalFormat), double(width), double(height),
         double(border), double(format), double(type), pixels ? 1.0 : 0.0});
    fakegl::Texture* bound = fakegl::BoundOrError();
    if (!bound) return;
    fakegl::Texture& t = *bound;
    if (R().refuseNonPowerOfTwo &&
        (!fakegl::IsPowerOfTwo(width) || !fakegl::IsPowerOfTwo(height))) {
        R().pendingError = GL_INVALID_VALUE;
        return;
    }
    t.width = width;
    t.height = height;
    t.format = format;
    if (R().recording)
        t.pixels.assign(static_cast<size_t>(width) * height * fakegl::BytesPerPixel(format), 0);
}

void glTexSubImage2D(GLenum target, GLint level, GLint xoffset, GLint yoffset, GLsizei width,
                     GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
    Log("glTexSubImage2D", {double(target), double(level), double(xoffset), double(yoffset),
                            double(width), double(height), double(format), double(type)});
    fakegl::Texture* bound = fakegl::BoundOrError();
    if (!bound) return;
    fakegl::Texture& t = *bound;
    if (xoffset < 0 || yoffset < 0 || xoffset + width > t.width || yoffset + height > t.height) {
        R().pendingError = GL_INVALID_VALUE;
        return;
    }
    if (!R().recording) return;
    const int bpp = fakegl::BytesPerPixel(format);
    const int align = R().unpackAlignment;
    const size_t rowBytes = static_cast<size_t>(width) * bpp;
    const size_t stride = (rowBytes + align - 1) / align * align;
    const uint8_t* src = static_cast<const uint8_t*>(pixels);
    for (int row = 0; row < height; ++row) {
        uint8_t* dst =
            t.pixels.data() + (static_cast<size_t>(yoffset + row) * t.width + xoffset) * bpp;
        std::memcpy(dst, src + row * stride, rowBytes);
    }
}
