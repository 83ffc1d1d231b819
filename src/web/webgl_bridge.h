// What the C++ side of the browser edition asks of the page, implemented in webgl_bridge.js:
// a WebGL context on the canvas, the one shader program that does the fixed-function work,
// meshes, draws, and the frame loop with its key events.
#pragma once

#include <cstdint>

// Everything one draw needs from the fixed-function state, as the shader's uniforms take it.
// webgl_bridge.js reads it by these offsets, in floats; keep the two in step.
struct DrawUniforms
{
    float modelView[16];     // column-major, as GL keeps it
    float projection[16];    // column-major
    float normalMatrix[9];   // inverse transpose of the model-view's upper 3 x 3, column-major
    float lightPosition[4];  // light 0 in eye coordinates
    // Per face, front then back: the emission plus the material's ambient times the global
    // ambient (and the diffuse alpha), then the material times light 0 for ambient, diffuse
    // and specular, then the shininess.
    struct Face
    {
        float scene[4];
        float ambient[4];
        float diffuse[4];
        float specular[3];
        float shininess;
    } faces[2];
    float colour[4];  // the current colour, used as it is when lighting is off
    float lighting;   // 1 when GL_LIGHTING is on
    float twoSide;    // 1 for two-sided lighting
};
static_assert(sizeof(DrawUniforms) == 83 * sizeof(float), "webgl_bridge.js reads 83 floats");

extern "C"
{
    // Creates the context and the program; false if the browser gives no WebGL.
    int gemwell_webgl_open(int width, int height);
    void gemwell_webgl_clear_colour(float red, float green, float blue, float alpha);
    void gemwell_webgl_clear(int colour, int depth);
    void gemwell_webgl_viewport(int x, int y, int width, int height);
    void gemwell_webgl_depth_test(int enabled);
    // Uploads interleaved positions and normals (six floats a vertex) and triangle indices;
    // returns the mesh's handle.
    int gemwell_webgl_mesh(const float* vertices, int vertexCount, const uint16_t* indices,
                           int indexCount);
    void gemwell_webgl_draw(int mesh, const DrawUniforms* uniforms);
    // Calls gemwell_web_frame on every animation frame and passes the canvas's keys to
    // gemwell_web_key, until the game exits; then tells the page how it ended.
    void gemwell_web_run();
}
