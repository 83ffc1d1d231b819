// The vertex stage: each vertex is taken to eye coordinates and lit there by GL 1.1's lighting
// equation, in float, for both faces. Lit vertices gather into one draw until something that
// changes how they are drawn: every draw call costs a software renderer far more than the work
// inside it. Meshes come from glutSolidSphere and from the triangles between glBegin and glEnd.
#include "fixed_function.h"
#include "webgl_bridge.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
using namespace fixed_function;

// The inverse transpose of the upper 3 x 3 of m, column-major: what GL turns normals by.
void normalMatrix(const GLfloat* m, GLfloat out[9])
{
    const double a = m[0], b = m[4], c = m[8];
    const double d = m[1], e = m[5], f = m[9];
    const double g = m[2], h = m[6], i = m[10];
    const double co00 = e * i - f * h, co01 = f * g - d * i, co02 = d * h - e * g;
    const double co10 = c * h - b * i, co11 = a * i - c * g, co12 = b * g - a * h;
    const double co20 = b * f - c * e, co21 = c * d - a * f, co22 = a * e - b * d;
    const double det = a * co00 + b * co01 + c * co02;
    const double k = det != 0.0 ? 1.0 / det : 0.0;
    // The inverse is the transposed cofactor matrix over the determinant, so its transpose is
    // the cofactor matrix itself; stored column by column.
    const double cofactors[3][3] = {{co00, co01, co02}, {co10, co11, co12}, {co20, co21, co22}};
    for (int row = 0; row < 3; ++row)
    {
        for (int column = 0; column < 3; ++column)
        {
            out[column * 3 + row] = static_cast<GLfloat>(cofactors[row][column] * k);
        }
    }
}

// One face's share of GL 1.1's lighting equation that does not depend on the vertex: the
// emission plus the ambient under the global ambient, and the material times light 0.
struct FaceLighting
{
    GLfloat scene[3];
    GLfloat ambient[3];
    GLfloat diffuse[3];
    GLfloat specular[3];
    GLfloat alpha;
    GLfloat shininess;
};

FaceLighting faceLighting(const State& s, const Material& m)
{
    FaceLighting face = {};
    // A disabled light adds nothing.
    const GLfloat on = s.light0Enabled ? 1.0f : 0.0f;
    for (int c = 0; c < 3; ++c)
    {
        face.scene[c] = m.emission[c] + m.ambient[c] * s.globalAmbient[c];
        face.ambient[c] = on * m.ambient[c] * s.light0.ambient[c];
        face.diffuse[c] = on * m.diffuse[c] * s.light0.diffuse[c];
        face.specular[c] = on * m.specular[c] * s.light0.specular[c];
    }
    face.alpha = m.diffuse[3];
    face.shininess = m.shininess;
    return face;
}

GLfloat clamp01(GLfloat value)
{
    return value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value;
}

// GL 1.1's colour of a vertex for light 0 and a viewer at infinity, with `n` the eye-space
// normal (not renormalised, as GL does not without GL_NORMALIZE) and `toLight` the unit vector
// to the light: the scene colour and light 0's ambient, diffuse and specular terms, the last
// only where the diffuse one is not zero.
void lightVertex(const FaceLighting& face, const GLfloat n[3], const GLfloat toLight[3],
                 GLfloat out[4])
{
    const GLfloat nDotL = std::max(0.0f, n[0] * toLight[0] + n[1] * toLight[1] + n[2] * toLight[2]);
    GLfloat specular = 0.0f;
    if (nDotL > 0.0f)
    {
        GLfloat h[3] = {toLight[0], toLight[1], toLight[2] + 1.0f};
        const GLfloat length = std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
        const GLfloat nDotH = std::max(0.0f, (n[0] * h[0] + n[1] * h[1] + n[2] * h[2]) / length);
        specular = face.shininess == 0.0f ? 1.0f : std::pow(nDotH, face.shininess);
    }
    for (int c = 0; c < 3; ++c)
    {
        out[c] = clamp01(face.scene[c] + face.ambient[c] + nDotL * face.diffuse[c] +
                         specular * face.specular[c]);
    }
    out[3] = clamp01(face.alpha);
}

// The lit vertices waiting to be drawn, and what they are to be drawn with.
struct Batch
{
    std::vector<LitVertex> vertices;
    std::vector<GLushort> indices;
    GLfloat projection[16] = {};
    bool twoSide = false;
};

Batch& batch()
{
    static Batch b;
    return b;
}

}  // namespace

void fixed_function::flush()
{
    Batch& b = batch();
    if (!b.indices.empty())
    {
        gemwell_webgl_draw(b.vertices.data(), static_cast<int>(b.vertices.size()), b.indices.data(),
                           static_cast<int>(b.indices.size()), b.projection, b.twoSide ? 1 : 0);
    }
    b.vertices.clear();
    b.indices.clear();
}

// The vertex stage for one mesh under the current state, into the batch.
void fixed_function::drawMesh(const Mesh& mesh)
{
    State& s = state();
    Batch& b = batch();
    const GLfloat* projection = s.projection[s.projectionTop];
    const size_t count = mesh.vertices.size() / 6;
    if (!std::equal(projection, projection + 16, b.projection) || b.twoSide != s.twoSide ||
        b.vertices.size() + count > 65536)
    {
        flush();
        std::copy(projection, projection + 16, b.projection);
        b.twoSide = s.twoSide;
    }
    const GLfloat* m = s.modelView[s.modelViewTop];
    GLfloat normals[9];
    normalMatrix(m, normals);
    const FaceLighting front = faceLighting(s, s.materials[0]);
    const FaceLighting back = faceLighting(s, s.materials[1]);
    const GLfloat* light = s.light0.position;
    const size_t base = b.vertices.size();
    for (size_t v = 0; v < count; ++v)
    {
        const GLfloat* p = &mesh.vertices[v * 6];
        const GLfloat* normal = p + 3;
        LitVertex out = {};
        for (int row = 0; row < 4; ++row)
        {
            out.eye[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
        }
        if (!s.lighting)
        {
            copy4(out.front, s.colour);
            copy4(out.back, s.colour);
            b.vertices.push_back(out);
            continue;
        }
        GLfloat n[3];
        for (int row = 0; row < 3; ++row)
        {
            n[row] = normals[row] * normal[0] + normals[3 + row] * normal[1] +
                     normals[6 + row] * normal[2];
        }
        GLfloat toLight[3];
        for (int c = 0; c < 3; ++c)
        {
            toLight[c] =
                light[3] != 0.0f ? light[c] / light[3] - out.eye[c] / out.eye[3] : light[c];
        }
        const GLfloat length =
            std::sqrt(toLight[0] * toLight[0] + toLight[1] * toLight[1] + toLight[2] * toLight[2]);
        for (GLfloat& c : toLight)
        {
            c = length > 0.0f ? c / length : 0.0f;
        }
        lightVertex(front, n, toLight, out.front);
        const GLfloat reversed[3] = {-n[0], -n[1], -n[2]};
        lightVertex(back, reversed, toLight, out.back);
        b.vertices.push_back(out);
    }
    for (GLushort index : mesh.triangles)
    {
        b.indices.push_back(static_cast<GLushort>(base + index));
    }
}

namespace
{
// The vertices between glBegin and glEnd, and the mode glBegin named.
Mesh& immediate()
{
    static Mesh open;
    return open;
}

GLenum& immediateMode()
{
    static GLenum mode = 0;
    return mode;
}
}  // namespace

extern "C"
{

    // Immediate mode, for the gems' marks: GL_TRIANGLES only. The vertices gather between
    // glBegin and glEnd and go through the same vertex stage as a mesh, under GL's default
    // normal, (0, 0, 1), since the game gives none.
    void glBegin(GLenum mode)
    {
        Mesh& open = immediate();
        open.vertices.clear();
        open.triangles.clear();
        immediateMode() = mode;
    }

    void glVertex3d(GLdouble x, GLdouble y, GLdouble z)
    {
        immediate().vertices.insert(immediate().vertices.end(),
                                    {static_cast<GLfloat>(x), static_cast<GLfloat>(y),
                                     static_cast<GLfloat>(z), 0.0f, 0.0f, 1.0f});
    }

    void glEnd(void)
    {
        Mesh& open = immediate();
        if (immediateMode() != GL_TRIANGLES)
        {
            return;
        }
        // A last triangle short of a vertex draws nothing, as in GL.
        const size_t count = open.vertices.size() / 6 / 3 * 3;
        for (size_t v = 0; v < count; ++v)
        {
            open.triangles.push_back(static_cast<GLushort>(v));
        }
        open.vertices.resize(count * 6);
        if (count > 0)
        {
            drawMesh(open);
        }
    }

    void gemwell_flush_drawing()
    {
        flush();
    }

}  // extern "C"
