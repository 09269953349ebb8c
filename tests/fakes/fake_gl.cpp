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

// The renderer always hands over floats for positions and texture
// coordinates, so a pointer and a stride are all a draw needs.
struct ClientArray {
    const uint8_t* pointer = nullptr;
    GLsizei stride = 0;
};

struct Recorder {
    std::map<std::string, int> counts;
    std::vector<DrawCall> draws;
    std::map<GLuint, Texture> textures;
    GLuint nextTexture = 1;
    GLuint bound = 0;
    std::set<GLenum> enabled;
    ClientArray vertex, texCoord;
    GLenum blendDst = GL_ZERO;
    std::array<GLint, 4> scissor{};
    GLenum pendingError = GL_NO_ERROR;
    bool refuseNonPowerOfTwo = false;
    bool recording = true;
};

Recorder& R() {
    static Recorder recorder;
    return recorder;
}

void Count(const char* name) {
    if (R().recording) R().counts[name]++;
}

bool IsPowerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

int BytesPerPixel(GLenum format) {
    switch (format) {
        case GL_LUMINANCE:
            return 1;
        case GL_LUMINANCE_ALPHA:
            return 2;
        case GL_RGB:
            return 3;
        default:
            return 4;
    }
}

void ReadPair(const ClientArray& array, int index, float& a, float& b) {
    if (!array.pointer) return;
    const uint8_t* p = array.pointer + static_cast<std::ptrdiff_t>(index) * array.stride;
    std::memcpy(&a, p, sizeof a);
    std::memcpy(&b, p + sizeof a, sizeof b);
}

// Records a draw of the vertices at these indices, as GL would read them.
void RecordDraw(GLenum mode, int first, const std::vector<int>& indices) {
    Recorder& r = R();
    DrawCall d;
    d.mode = mode;
    d.first = first;
    d.count = static_cast<int>(indices.size());
    d.texture = r.enabled.count(GL_TEXTURE_2D) ? r.bound : 0;
    d.blendDst = r.blendDst;
    if (r.enabled.count(GL_SCISSOR_TEST)) d.scissor = r.scissor;
    for (int index : indices) {
        Vertex v;
        ReadPair(r.vertex, index, v.x, v.y);
        ReadPair(r.texCoord, index, v.u, v.v);
        d.vertices.push_back(v);
    }
    r.draws.push_back(std::move(d));
}

void SetClientArray(ClientArray& array, GLsizei stride, const void* pointer) {
    array.pointer = static_cast<const uint8_t*>(pointer);
    array.stride = stride;
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
const std::vector<DrawCall>& Draws() {
    return R().draws;
}

int CountCalls(const std::string& name) {
    auto it = R().counts.find(name);
    return it == R().counts.end() ? 0 : it->second;
}

void ClearLog() {
    R().counts.clear();
    R().draws.clear();
}

const Texture* GetTexture(GLuint name) {
    auto it = R().textures.find(name);
    return it == R().textures.end() ? nullptr : &it->second;
}

}  // namespace fakegl

using fakegl::Count;
using fakegl::R;

// ---------------------------------------------------------------------------
// State (what no test reads back is accepted and forgotten)

void glViewport(GLint, GLint, GLsizei, GLsizei) {}
void glMatrixMode(GLenum) {}
void glLoadIdentity() {}
void glOrtho(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) {}
void glEnableClientState(GLenum) {}
void glColorPointer(GLint, GLenum, GLsizei, const GLvoid*) {}
void glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) {}
void glPixelStorei(GLenum, GLint) {}

void glEnable(GLenum cap) {
    R().enabled.insert(cap);
}

void glDisable(GLenum cap) {
    R().enabled.erase(cap);
}

void glVertexPointer(GLint, GLenum, GLsizei stride, const GLvoid* pointer) {
    fakegl::SetClientArray(R().vertex, stride, pointer);
}

void glTexCoordPointer(GLint, GLenum, GLsizei stride, const GLvoid* pointer) {
    fakegl::SetClientArray(R().texCoord, stride, pointer);
}

void glBlendFunc(GLenum, GLenum dfactor) {
    Count("glBlendFunc");
    R().blendDst = dfactor;
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    R().scissor = {x, y, width, height};
}

void glClear(GLbitfield) {
    Count("glClear");
}

GLenum glGetError() {
    GLenum e = R().pendingError;
    R().pendingError = GL_NO_ERROR;
    return e;
}

// ---------------------------------------------------------------------------
// Drawing

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    Count("glDrawArrays");
    if (!R().recording) return;
    std::vector<int> indices(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        indices[static_cast<size_t>(i)] = first + i;
    fakegl::RecordDraw(mode, first, indices);
}

void glDrawElements(GLenum mode, GLsizei count, GLenum, const GLvoid* indices) {
    Count("glDrawElements");
    if (!R().recording) return;
    // The renderer's index table is always unsigned shorts.
    const GLushort* table = static_cast<const GLushort*>(indices);
    fakegl::RecordDraw(mode, 0, std::vector<int>(table, table + count));
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum, GLenum, GLvoid* pixels) {
    Count("glReadPixels");
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
    Count("glGenTextures");
    for (int i = 0; i < n; ++i) {
        textures[i] = R().nextTexture++;
        R().textures[textures[i]] = fakegl::Texture();
    }
}

void glDeleteTextures(GLsizei n, const GLuint* textures) {
    Count("glDeleteTextures");
    for (int i = 0; i < n; ++i) {
        R().textures.erase(textures[i]);
        if (R().bound == textures[i]) R().bound = 0;
    }
}

void glBindTexture(GLenum, GLuint texture) {
    R().bound = texture;
}

void glTexParameteri(GLenum, GLenum pname, GLint param) {
    R().textures[R().bound].params[pname] = param;
}

void glTexImage2D(GLenum, GLint, GLint, GLsizei width, GLsizei height, GLint, GLenum format, GLenum,
                  const GLvoid*) {
    if (R().refuseNonPowerOfTwo &&
        (!fakegl::IsPowerOfTwo(width) || !fakegl::IsPowerOfTwo(height))) {
        R().pendingError = GL_INVALID_VALUE;
        return;
    }
    fakegl::Texture& t = R().textures[R().bound];
    t.width = width;
    t.height = height;
    t.format = format;
    if (R().recording)
        t.pixels.assign(static_cast<size_t>(width) * height * fakegl::BytesPerPixel(format), 0);
}

void glTexSubImage2D(GLenum, GLint, GLint xoffset, GLint yoffset, GLsizei width, GLsizei height,
                     GLenum format, GLenum, const GLvoid* pixels) {
    Count("glTexSubImage2D");
    fakegl::Texture& t = R().textures[R().bound];
    if (xoffset < 0 || yoffset < 0 || xoffset + width > t.width || yoffset + height > t.height) {
        R().pendingError = GL_INVALID_VALUE;
        return;
    }
    if (!R().recording) return;
    const size_t bpp = static_cast<size_t>(fakegl::BytesPerPixel(format));
    const size_t rowBytes = static_cast<size_t>(width) * bpp;
    const uint8_t* src = static_cast<const uint8_t*>(pixels);
    for (int row = 0; row < height; ++row) {
        const size_t at = (static_cast<size_t>(yoffset + row) * t.width + xoffset) * bpp;
        std::memcpy(t.pixels.data() + at, src + row * rowBytes, rowBytes);
    }
}
