// The fixed-function OpenGL 1.1 state the game uses, kept as GL keeps it (float matrices, lights
// in eye coordinates, materials with colour tracking), in one record for the one context; and
// what the stand-in's files ask of each other. The game sees only GL's own headers.
#pragma once

#include <GL/gl.h>
#include <vector>

namespace fixed_function
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

    State();
    static void identity(Matrix m);
    GLfloat* current();
};

State& state();

void copy4(GLfloat* to, const GLfloat* from);

// With colour material on, the tracked parameters of the tracked faces take the current colour
// (lighting.cpp).
void trackColour();

// Positions and normals, six floats a vertex, and triangles of three indices.
struct Mesh
{
    std::vector<GLfloat> vertices;
    std::vector<GLushort> triangles;
};

// The vertex stage (vertex_stage.cpp): lights a mesh's vertices under the current state into the
// frame's batch; `flush` draws the batch, before anything that changes how it would be drawn.
void drawMesh(const Mesh& mesh);
void flush();
}  // namespace fixed_function
