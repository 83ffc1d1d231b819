// The fixed-function OpenGL 1.1 state the game uses, kept here as GL keeps it (float matrices,
// lights in eye coordinates, materials with colour tracking), and the vertex stage: each vertex
// is taken to eye coordinates and lit there by GL 1.1's lighting equation, in float, for both
// faces. Lit vertices gather into one draw until something that changes how they are drawn:
// every draw call costs a software renderer far more than the work inside it.
#include "webgl_bridge.h"

#include <GL/freeglut.h>
#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
using Matrix = GLfloat[16];

// The smallest stack depths GL 1.1 allows.
constexpr int kModelViewDepth = 32;
constexpr int kProjectionDepth = 2;

struct Material
{
    GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    GLfloat diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    GLfloat specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    GLfloat emission[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    GLfloat shininess = 0.0f;
};

struct Light
{
    GLfloat ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    GLfloat position[4] = {0.0f, 0.0f, 1.0f, 0.0f};  // eye coordinates
};

struct State
{
    Matrix modelView[kModelViewDepth] = {};
    Matrix projection[kProjectionDepth] = {};
    int modelViewTop = 0;
    int projectionTop = 0;
    GLenum matrixMode = GL_MODELVIEW;

    GLfloat colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    Material materials[2];  // front, back
    Light light0;
    GLfloat globalAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    bool twoSide = false;
    bool lighting = false;
    bool light0Enabled = false;
    bool colourMaterial = false;
    GLenum colourMaterialFace = GL_FRONT_AND_BACK;
    GLenum colourMaterialMode = GL_AMBIENT_AND_DIFFUSE;

    State()
    {
        for (Matrix& m : modelView)
        {
            identity(m);
        }
        for (Matrix& m : projection)
        {
            identity(m);
        }
    }

    static void identity(Matrix m)
    {
        for (int i = 0; i < 16; ++i)
        {
            m[i] = i % 5 == 0 ? 1.0f : 0.0f;
        }
    }

    GLfloat* current()
    {
        return matrixMode == GL_PROJECTION ? projection[projectionTop] : modelView[modelViewTop];
    }
};

State& state()
{
    static State s;
    return s;
}

// current = current * m, in float as GL does it, both column-major.
void multiply(GLfloat* current, const GLfloat* m)
{
    GLfloat product[16];
    for (int column = 0; column < 4; ++column)
    {
        for (int row = 0; row < 4; ++row)
        {
            GLfloat sum = 0.0f;
            for (int k = 0; k < 4; ++k)
            {
                sum += current[k * 4 + row] * m[column * 4 + k];
            }
            product[column * 4 + row] = sum;
        }
    }
    for (int i = 0; i < 16; ++i)
    {
        current[i] = product[i];
    }
}

void copy4(GLfloat* to, const GLfloat* from)
{
    for (int i = 0; i < 4; ++i)
    {
        to[i] = from[i];
    }
}

// Which of the two faces a GL_FRONT, GL_BACK or GL_FRONT_AND_BACK names.
bool namesFace(GLenum face, int index)
{
    return face == GL_FRONT_AND_BACK || (face == GL_FRONT ? index == 0 : index == 1);
}

// With colour material on, the tracked parameters of the tracked faces are the current colour.
void trackColour()
{
    State& s = state();
    if (!s.colourMaterial)
    {
        return;
    }
    for (int index = 0; index < 2; ++index)
    {
        if (!namesFace(s.colourMaterialFace, index))
        {
            continue;
        }
        Material& m = s.materials[index];
        switch (s.colourMaterialMode)
        {
            case GL_AMBIENT:
                copy4(m.ambient, s.colour);
                break;
            case GL_DIFFUSE:
                copy4(m.diffuse, s.colour);
                break;
            case GL_AMBIENT_AND_DIFFUSE:
                copy4(m.ambient, s.colour);
                copy4(m.diffuse, s.colour);
                break;
            case GL_SPECULAR:
                copy4(m.specular, s.colour);
                break;
            case GL_EMISSION:
                copy4(m.emission, s.colour);
                break;
        }
    }
}

void flush();

void setCapability(GLenum capability, bool on)
{
    State& s = state();
    switch (capability)
    {
        case GL_DEPTH_TEST:
            flush();
            gemwell_webgl_depth_test(on ? 1 : 0);
            break;
        case GL_LIGHTING:
            s.lighting = on;
            break;
        case GL_LIGHT0:
            s.light0Enabled = on;
            break;
        case GL_COLOR_MATERIAL:
            s.colourMaterial = on;
            trackColour();
            break;
        case GL_AUTO_NORMAL:
            // Only evaluators generate normals from it, and there are none here.
            break;
    }
}

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

struct Mesh
{
    std::vector<GLfloat> vertices;  // position and normal, six floats a vertex
    std::vector<GLushort> triangles;
};

// The sphere exactly as freeglut builds it: the same circle tables (float angles, sines and
// cosines of double), the same vertex order from the +z pole down, and each of its triangle
// strips (one a stack) unrolled into the triangles GL draws for it.
Mesh sphereMesh(GLfloat radius, GLint slices, GLint stacks)
{
    const auto circle =
        [](int n, bool half, std::vector<GLfloat>& sines, std::vector<GLfloat>& cosines)
    {
        const int size = std::abs(n);
        const GLfloat angle =
            (half ? 1 : 2) * static_cast<GLfloat>(M_PI) / static_cast<GLfloat>(n == 0 ? 1 : n);
        sines.assign(size + 1, 0.0f);
        cosines.assign(size + 1, 1.0f);
        for (int i = 1; i < size; ++i)
        {
            sines[i] = static_cast<GLfloat>(std::sin(angle * i));
            cosines[i] = static_cast<GLfloat>(std::cos(angle * i));
        }
        sines[size] = half ? 0.0f : sines[0];
        cosines[size] = half ? -1.0f : cosines[0];
    };
    std::vector<GLfloat> sin1, cos1, sin2, cos2;
    circle(-slices, false, sin1, cos1);
    circle(stacks, true, sin2, cos2);

    const int vertexCount = slices * (stacks - 1) + 2;
    std::vector<GLfloat> vertices;
    vertices.reserve(static_cast<size_t>(vertexCount) * 6);
    // clang-format off: Debian 12's and 13's clang-format lay a long lambda out differently.
    const auto add = [&vertices, radius](GLfloat x, GLfloat y, GLfloat z) {
        vertices.insert(vertices.end(), {x * radius, y * radius, z * radius, x, y, z});
    };
    // clang-format on
    add(0.0f, 0.0f, 1.0f);
    for (int i = 1; i < stacks; ++i)
    {
        for (int j = 0; j < slices; ++j)
        {
            add(cos1[j] * sin2[i], sin1[j] * sin2[i], cos2[i]);
        }
    }
    add(0.0f, 0.0f, -1.0f);

    // freeglut's strips: the top fan, the middle stacks, the bottom fan, each closed by
    // repeating its first pair.
    std::vector<std::vector<GLushort>> strips;
    std::vector<GLushort> strip;
    for (int j = 0; j < slices; ++j)
    {
        strip.insert(strip.end(), {static_cast<GLushort>(j + 1), 0});
    }
    strip.insert(strip.end(), {1, 0});
    strips.push_back(strip);
    for (int i = 0; i < stacks - 2; ++i)
    {
        const int offset = 1 + i * slices;
        strip.clear();
        for (int j = 0; j < slices; ++j)
        {
            strip.insert(strip.end(), {static_cast<GLushort>(offset + j + slices),
                                       static_cast<GLushort>(offset + j)});
        }
        strip.insert(strip.end(),
                     {static_cast<GLushort>(offset + slices), static_cast<GLushort>(offset)});
        strips.push_back(strip);
    }
    const int offset = 1 + (stacks - 2) * slices;
    strip.clear();
    for (int j = 0; j < slices; ++j)
    {
        strip.insert(strip.end(),
                     {static_cast<GLushort>(vertexCount - 1), static_cast<GLushort>(offset + j)});
    }
    strip.insert(strip.end(),
                 {static_cast<GLushort>(vertexCount - 1), static_cast<GLushort>(offset)});
    strips.push_back(strip);

    // Triangle k of a strip is (k, k+1, k+2), with the first two swapped for odd k so that
    // every triangle keeps the strip's winding; degenerate ones draw nothing, as in GL.
    std::vector<GLushort> triangles;
    for (const std::vector<GLushort>& s : strips)
    {
        for (size_t k = 0; k + 2 < s.size(); ++k)
        {
            const bool odd = k % 2 == 1;
            triangles.insert(triangles.end(), {s[odd ? k + 1 : k], s[odd ? k : k + 1], s[k + 2]});
        }
    }
    return Mesh{vertices, triangles};
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

void flush()
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
void drawMesh(const Mesh& mesh)
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

    void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
    {
        flush();
        gemwell_webgl_clear_colour(red, green, blue, alpha);
    }

    void glClear(GLbitfield mask)
    {
        flush();
        gemwell_webgl_clear((mask & GL_COLOR_BUFFER_BIT) != 0, (mask & GL_DEPTH_BUFFER_BIT) != 0);
    }

    void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
    {
        flush();
        gemwell_webgl_viewport(x, y, width, height);
    }

    void glEnable(GLenum capability)
    {
        setCapability(capability, true);
    }

    void glDisable(GLenum capability)
    {
        setCapability(capability, false);
    }

    // Smooth shading is the shader's only mode; unpacking only matters to pixel uploads, which the
    // game makes none of.
    void glShadeModel(GLenum) {}
    void glPixelStorei(GLenum, GLint) {}

    void glMatrixMode(GLenum mode)
    {
        if (mode == GL_MODELVIEW || mode == GL_PROJECTION)
        {
            state().matrixMode = mode;
        }
    }

    void glLoadIdentity(void)
    {
        State::identity(state().current());
    }

    void glPushMatrix(void)
    {
        State& s = state();
        int& top = s.matrixMode == GL_PROJECTION ? s.projectionTop : s.modelViewTop;
        const int depth = s.matrixMode == GL_PROJECTION ? kProjectionDepth : kModelViewDepth;
        if (top + 1 <
            depth)  // beyond the stack GL refuses with GL_STACK_OVERFLOW, changing nothing
        {
            const GLfloat* below = s.current();
            ++top;
            GLfloat* above = s.current();
            for (int i = 0; i < 16; ++i)
            {
                above[i] = below[i];
            }
        }
    }

    void glPopMatrix(void)
    {
        State& s = state();
        int& top = s.matrixMode == GL_PROJECTION ? s.projectionTop : s.modelViewTop;
        if (top > 0)  // GL_STACK_UNDERFLOW otherwise
        {
            --top;
        }
    }

    void glMultMatrixd(const GLdouble* matrix)
    {
        GLfloat m[16];
        for (int i = 0; i < 16; ++i)
        {
            m[i] = static_cast<GLfloat>(matrix[i]);
        }
        multiply(state().current(), m);
    }

    void glTranslated(GLdouble x, GLdouble y, GLdouble z)
    {
        // GL keeps float matrices: the offsets are rounded to float, then multiplied in.
        GLfloat m[16];
        State::identity(m);
        m[12] = static_cast<GLfloat>(x);
        m[13] = static_cast<GLfloat>(y);
        m[14] = static_cast<GLfloat>(z);
        multiply(state().current(), m);
    }

    void glLightfv(GLenum light, GLenum name, const GLfloat* values)
    {
        if (light != GL_LIGHT0)
        {
            return;
        }
        State& s = state();
        switch (name)
        {
            case GL_AMBIENT:
                copy4(s.light0.ambient, values);
                break;
            case GL_DIFFUSE:
                copy4(s.light0.diffuse, values);
                break;
            case GL_SPECULAR:
                copy4(s.light0.specular, values);
                break;
            case GL_POSITION:
            {
                // A position is given in object coordinates and kept in eye coordinates: it is
                // transformed by the model-view matrix of the moment.
                const GLfloat* m = s.modelView[s.modelViewTop];
                for (int row = 0; row < 4; ++row)
                {
                    s.light0.position[row] = m[row] * values[0] + m[4 + row] * values[1] +
                                             m[8 + row] * values[2] + m[12 + row] * values[3];
                }
                break;
            }
        }
    }

    void glLightModeli(GLenum name, GLint value)
    {
        if (name == GL_LIGHT_MODEL_TWO_SIDE)
        {
            state().twoSide = value != 0;
        }
    }

    void glLightModelfv(GLenum name, const GLfloat* values)
    {
        if (name == GL_LIGHT_MODEL_AMBIENT)
        {
            copy4(state().globalAmbient, values);
        }
        else if (name == GL_LIGHT_MODEL_TWO_SIDE)
        {
            state().twoSide = values[0] != 0.0f;
        }
    }

    void glMaterialfv(GLenum face, GLenum name, const GLfloat* values)
    {
        State& s = state();
        for (int index = 0; index < 2; ++index)
        {
            if (!namesFace(face, index))
            {
                continue;
            }
            Material& m = s.materials[index];
            switch (name)
            {
                case GL_AMBIENT:
                    copy4(m.ambient, values);
                    break;
                case GL_DIFFUSE:
                    copy4(m.diffuse, values);
                    break;
                case GL_AMBIENT_AND_DIFFUSE:
                    copy4(m.ambient, values);
                    copy4(m.diffuse, values);
                    break;
                case GL_SPECULAR:
                    copy4(m.specular, values);
                    break;
                case GL_EMISSION:
                    copy4(m.emission, values);
                    break;
                case GL_SHININESS:
                    m.shininess = values[0];
                    break;
            }
        }
        // Parameters under colour tracking keep following the current colour.
        trackColour();
    }

    void glMaterialf(GLenum face, GLenum name, GLfloat value)
    {
        if (name == GL_SHININESS)
        {
            glMaterialfv(face, name, &value);
        }
    }

    void glColorMaterial(GLenum face, GLenum mode)
    {
        State& s = state();
        s.colourMaterialFace = face;
        s.colourMaterialMode = mode;
        trackColour();
    }

    void glColor3fv(const GLfloat* rgb)
    {
        const GLfloat colour[4] = {rgb[0], rgb[1], rgb[2], 1.0f};
        copy4(state().colour, colour);
        trackColour();
    }

    void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
    {
        // GLU's arithmetic, in double, then multiplied in as a double matrix.
        const double radians = fovy / 2.0 * M_PI / 180.0;
        const double deltaZ = zFar - zNear;
        const double sine = std::sin(radians);
        if (deltaZ == 0.0 || sine == 0.0 || aspect == 0.0)
        {
            return;
        }
        const double cotangent = std::cos(radians) / sine;
        GLdouble m[16] = {};
        m[0] = cotangent / aspect;
        m[5] = cotangent;
        m[10] = -(zFar + zNear) / deltaZ;
        m[11] = -1.0;
        m[14] = -2.0 * zNear * zFar / deltaZ;
        glMultMatrixd(m);
    }

    void glutSolidSphere(GLdouble radius, GLint slices, GLint stacks)
    {
        if (slices == 0 || stacks < 2)
        {
            return;  // freeglut draws nothing then
        }
        // The game draws one sphere shape; meshes are kept by shape so each is built once.
        struct Shape
        {
            GLfloat radius;
            GLint slices;
            GLint stacks;
            Mesh mesh;
        };
        static std::vector<Shape> shapes;
        const GLfloat r = static_cast<GLfloat>(radius);
        const Shape* found = nullptr;
        for (const Shape& shape : shapes)
        {
            if (shape.radius == r && shape.slices == slices && shape.stacks == stacks)
            {
                found = &shape;
            }
        }
        if (found == nullptr)
        {
            shapes.push_back(Shape{r, slices, stacks, sphereMesh(r, slices, stacks)});
            found = &shapes.back();
        }
        drawMesh(found->mesh);
    }

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
