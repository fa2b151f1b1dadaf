// SPDX-License-Identifier: MIT
// The OpenGL 1.1 and GLU entry points the program calls, recording instead of
// drawing. Linked into test executables in place of libGL and libGLU.
#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "tests/support/RecordingGL.h"

using moon::test::RecordingGL;

namespace {

void AddVector(const char* name, GLenum a, GLenum b, const GLfloat* v) {
    RecordingGL::Add(name,
                     {static_cast<double>(a), static_cast<double>(b), v[0], v[1], v[2], v[3]});
}

// GLU quadrics are opaque to callers; ours only carry a serial number.
struct QuadricRecord {
    int serial;
};

std::vector<std::unique_ptr<QuadricRecord>>& Quadrics() {
    static std::vector<std::unique_ptr<QuadricRecord>> quadrics;
    return quadrics;
}

double Serial(GLUquadric* quadric) {
    return quadric ? reinterpret_cast<QuadricRecord*>(quadric)->serial : 0;
}

// Client-side vertex arrays: only tightly packed floats, three per vertex,
// which is all the program uses; anything else fails the test run loudly.
struct ClientArray {
    bool enabled = false;
    const GLfloat* data = nullptr;
};
struct ClientArrays {
    ClientArray vertex, normal, colour;
};
ClientArrays g_arrays;
std::vector<ClientArrays> g_arrayStack;

ClientArray* arrayFor(GLenum array) {
    switch (array) {
        case GL_VERTEX_ARRAY:
            return &g_arrays.vertex;
        case GL_NORMAL_ARRAY:
            return &g_arrays.normal;
        case GL_COLOR_ARRAY:
            return &g_arrays.colour;
        default:
            return nullptr;
    }
}

void setPointer(ClientArray& array, GLint size, GLenum type, GLsizei stride, const void* pointer) {
    if (size != 3 || type != GL_FLOAT || stride != 0) {
        std::fprintf(stderr, "recording GL: unsupported array layout\n");
        std::abort();
    }
    array.data = static_cast<const GLfloat*>(pointer);
}

std::array<float, 3> element(const ClientArray& array, std::size_t index) {
    const GLfloat* v = array.data + 3 * index;
    return {v[0], v[1], v[2]};
}

void addArrayDraw(const char* name, std::initializer_list<double> args, GLenum mode,
                  const std::vector<std::size_t>& indices) {
    std::vector<RecordingGL::ArrayVertex> vertices;
    if (RecordingGL::GetMode() == RecordingGL::Mode::Record && g_arrays.vertex.enabled) {
        vertices.reserve(indices.size());
        for (std::size_t index : indices) {
            RecordingGL::ArrayVertex vertex;
            vertex.position = element(g_arrays.vertex, index);
            if (g_arrays.normal.enabled) {
                vertex.hasNormal = true;
                vertex.normal = element(g_arrays.normal, index);
            }
            if (g_arrays.colour.enabled) {
                vertex.hasColour = true;
                vertex.colour = element(g_arrays.colour, index);
            }
            vertices.push_back(vertex);
        }
    }
    RecordingGL::AddArrayDraw(name, args, static_cast<int>(mode), std::move(vertices));
}

}  // namespace

extern "C" {

// Frame and state
void glClear(GLbitfield mask) {
    RecordingGL::Add("glClear", {static_cast<double>(mask)});
}
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    RecordingGL::Add("glClearColor", {r, g, b, a});
}
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    RecordingGL::Add("glViewport", {static_cast<double>(x), static_cast<double>(y),
                                    static_cast<double>(width), static_cast<double>(height)});
}
void glEnable(GLenum cap) {
    RecordingGL::Add("glEnable", {static_cast<double>(cap)});
}
void glDisable(GLenum cap) {
    RecordingGL::Add("glDisable", {static_cast<double>(cap)});
}
void glPolygonMode(GLenum face, GLenum mode) {
    RecordingGL::Add("glPolygonMode", {static_cast<double>(face), static_cast<double>(mode)});
}
void glShadeModel(GLenum mode) {
    RecordingGL::Add("glShadeModel", {static_cast<double>(mode)});
}
void glPointSize(GLfloat size) {
    RecordingGL::Add("glPointSize", {size});
}
void glFinish() {
    RecordingGL::Add("glFinish", {});
}
void glFlush() {
    RecordingGL::Add("glFlush", {});
}
// Names the recording GL itself for GL_RENDERER, a 1.1 version for GL_VERSION.
const GLubyte* glGetString(GLenum name) {
    RecordingGL::Add("glGetString", {static_cast<double>(name)});
    static const char kRenderer[] = "moon recording GL";
    static const char kVersion[] = "1.1";
    return reinterpret_cast<const GLubyte*>(name == GL_VERSION ? kVersion : kRenderer);
}
GLenum glGetError() {
    return GL_NO_ERROR;
}
void glPixelStorei(GLenum name, GLint value) {
    RecordingGL::Add("glPixelStorei", {static_cast<double>(name), static_cast<double>(value)});
}
void glReadBuffer(GLenum mode) {
    RecordingGL::Add("glReadBuffer", {static_cast<double>(mode)});
}
// A picture read back is a pattern of the pixel's place: rows from the bottom,
// each pixel's bytes (x, y, x + y) modulo 256.
void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  GLvoid* pixels) {
    RecordingGL::Add("glReadPixels", {static_cast<double>(x), static_cast<double>(y),
                                      static_cast<double>(width), static_cast<double>(height),
                                      static_cast<double>(format), static_cast<double>(type)});
    if (format != GL_RGB || type != GL_UNSIGNED_BYTE) {
        std::fprintf(stderr, "recording GL: glReadPixels takes only GL_RGB bytes\n");
        std::abort();
    }
    auto* bytes = static_cast<unsigned char*>(pixels);
    for (GLsizei row = 0; row < height; ++row) {
        for (GLsizei column = 0; column < width; ++column) {
            *bytes++ = static_cast<unsigned char>(x + column);
            *bytes++ = static_cast<unsigned char>(y + row);
            *bytes++ = static_cast<unsigned char>(x + column + y + row);
        }
    }
}

// Matrices
void glMatrixMode(GLenum mode) {
    RecordingGL::Add("glMatrixMode", {static_cast<double>(mode)});
}
void glLoadIdentity() {
    RecordingGL::Add("glLoadIdentity", {});
}
void glPushMatrix() {
    RecordingGL::Add("glPushMatrix", {});
}
void glPopMatrix() {
    RecordingGL::Add("glPopMatrix", {});
}
void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    RecordingGL::Add("glOrtho", {l, r, b, t, n, f});
}
void glFrustum(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f) {
    RecordingGL::Add("glFrustum", {l, r, b, t, n, f});
}
void glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z) {
    RecordingGL::Add("glRotated", {angle, x, y, z});
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    RecordingGL::Add("glRotatef", {angle, x, y, z});
}
void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    RecordingGL::Add("glTranslated", {x, y, z});
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    RecordingGL::Add("glTranslatef", {x, y, z});
}
void glScaled(GLdouble x, GLdouble y, GLdouble z) {
    RecordingGL::Add("glScaled", {x, y, z});
}

// Immediate mode
void glBegin(GLenum mode) {
    RecordingGL::Add("glBegin", {static_cast<double>(mode)});
}
void glEnd() {
    RecordingGL::Add("glEnd", {});
}
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) {
    RecordingGL::Add("glVertex3d", {x, y, z});
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    RecordingGL::Add("glVertex3f", {x, y, z});
}
void glNormal3d(GLdouble x, GLdouble y, GLdouble z) {
    RecordingGL::Add("glNormal3d", {x, y, z});
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    RecordingGL::Add("glNormal3f", {x, y, z});
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    RecordingGL::Add("glColor3f", {r, g, b});
}
void glColor3d(GLdouble r, GLdouble g, GLdouble b) {
    RecordingGL::Add("glColor3d", {r, g, b});
}
void glColor3ub(GLubyte r, GLubyte g, GLubyte b) {
    RecordingGL::Add("glColor3ub",
                     {static_cast<double>(r), static_cast<double>(g), static_cast<double>(b)});
}

// Client-side vertex arrays
void glEnableClientState(GLenum array) {
    RecordingGL::Add("glEnableClientState", {static_cast<double>(array)});
    if (ClientArray* state = arrayFor(array)) {
        state->enabled = true;
    }
}
void glDisableClientState(GLenum array) {
    RecordingGL::Add("glDisableClientState", {static_cast<double>(array)});
    if (ClientArray* state = arrayFor(array)) {
        state->enabled = false;
    }
}
void glPushClientAttrib(GLbitfield mask) {
    RecordingGL::Add("glPushClientAttrib", {static_cast<double>(mask)});
    g_arrayStack.push_back(g_arrays);
}
void glPopClientAttrib() {
    RecordingGL::Add("glPopClientAttrib", {});
    if (!g_arrayStack.empty()) {
        g_arrays = g_arrayStack.back();
        g_arrayStack.pop_back();
    }
}
void glVertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    RecordingGL::Add("glVertexPointer", {static_cast<double>(size), static_cast<double>(type),
                                         static_cast<double>(stride)});
    setPointer(g_arrays.vertex, size, type, stride, pointer);
}
void glNormalPointer(GLenum type, GLsizei stride, const void* pointer) {
    RecordingGL::Add("glNormalPointer", {static_cast<double>(type), static_cast<double>(stride)});
    setPointer(g_arrays.normal, 3, type, stride, pointer);
}
void glColorPointer(GLint size, GLenum type, GLsizei stride, const void* pointer) {
    RecordingGL::Add("glColorPointer", {static_cast<double>(size), static_cast<double>(type),
                                        static_cast<double>(stride)});
    setPointer(g_arrays.colour, size, type, stride, pointer);
}
void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
    std::vector<std::size_t> indices;
    if (RecordingGL::GetMode() == RecordingGL::Mode::Record) {
        for (GLsizei i = 0; i < count; ++i) {
            indices.push_back(static_cast<std::size_t>(first + i));
        }
    }
    addArrayDraw(
        "glDrawArrays",
        {static_cast<double>(mode), static_cast<double>(first), static_cast<double>(count)}, mode,
        indices);
}
void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* pointer) {
    if (type != GL_UNSIGNED_INT) {
        std::fprintf(stderr, "recording GL: unsupported index type\n");
        std::abort();
    }
    std::vector<std::size_t> indices;
    if (RecordingGL::GetMode() == RecordingGL::Mode::Record) {
        const auto* source = static_cast<const GLuint*>(pointer);
        indices.assign(source, source + count);
    }
    addArrayDraw("glDrawElements",
                 {static_cast<double>(mode), static_cast<double>(count), static_cast<double>(type)},
                 mode, indices);
}

// Lights and materials
void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    AddVector("glLightfv", light, pname, params);
}
void glLightModelfv(GLenum pname, const GLfloat* params) {
    RecordingGL::Add("glLightModelfv",
                     {static_cast<double>(pname), params[0], params[1], params[2], params[3]});
}
void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    AddVector("glMaterialfv", face, pname, params);
}
void glColorMaterial(GLenum face, GLenum mode) {
    RecordingGL::Add("glColorMaterial", {static_cast<double>(face), static_cast<double>(mode)});
}

// Display lists
GLuint glGenLists(GLsizei range) {
    RecordingGL::Add("glGenLists", {static_cast<double>(range)});
    return 1;
}
void glNewList(GLuint list, GLenum mode) {
    RecordingGL::Add("glNewList", {static_cast<double>(list), static_cast<double>(mode)});
}
void glEndList() {
    RecordingGL::Add("glEndList", {});
}
void glCallList(GLuint list) {
    RecordingGL::Add("glCallList", {static_cast<double>(list)});
}
void glDeleteLists(GLuint list, GLsizei range) {
    RecordingGL::Add("glDeleteLists", {static_cast<double>(list), static_cast<double>(range)});
}

// GLU quadrics
GLUquadric* gluNewQuadric() {
    auto& quadrics = Quadrics();
    quadrics.push_back(
        std::make_unique<QuadricRecord>(QuadricRecord{static_cast<int>(quadrics.size()) + 1}));
    RecordingGL::Add("gluNewQuadric", {static_cast<double>(quadrics.back()->serial)});
    return reinterpret_cast<GLUquadric*>(quadrics.back().get());
}
void gluDeleteQuadric(GLUquadric* quadric) {
    RecordingGL::Add("gluDeleteQuadric", {Serial(quadric)});
}
void gluQuadricNormals(GLUquadric* quadric, GLenum normal) {
    RecordingGL::Add("gluQuadricNormals", {Serial(quadric), static_cast<double>(normal)});
}
void gluQuadricTexture(GLUquadric* quadric, GLboolean texture) {
    RecordingGL::Add("gluQuadricTexture", {Serial(quadric), static_cast<double>(texture)});
}
void gluQuadricDrawStyle(GLUquadric* quadric, GLenum draw) {
    RecordingGL::Add("gluQuadricDrawStyle", {Serial(quadric), static_cast<double>(draw)});
}
void gluSphere(GLUquadric* quadric, GLdouble radius, GLint slices, GLint stacks) {
    RecordingGL::Add("gluSphere", {Serial(quadric), radius, static_cast<double>(slices),
                                   static_cast<double>(stacks)});
}

}  // extern "C"
