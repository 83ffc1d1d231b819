// What the C++ side of the browser edition asks of the page, implemented in webgl_bridge.js:
// a WebGL context on the canvas, one shader program that projects lit vertices and picks the
// colour of the face shown, draws, and the frame loop with its key events.
#pragma once

#include <cstdint>

// One vertex as the shader takes it: its position in eye coordinates, then the colours GL's
// lighting gives it for the front and for the back face.
struct LitVertex
{
    float eye[4];
    float front[4];
    float back[4];
};
static_assert(sizeof(LitVertex) == 12 * sizeof(float), "webgl_bridge.js reads 12 floats");

extern "C"
{
    // Sizes the canvas as the page lays it out (`width` x `height` until it does) and writes its
    // size back; creates the context and the program; false if the browser gives no WebGL.
    int gemwell_webgl_open(int* width, int* height);
    void gemwell_webgl_clear_colour(float red, float green, float blue, float alpha);
    void gemwell_webgl_clear(int colour, int depth);
    void gemwell_webgl_viewport(int x, int y, int width, int height);
    void gemwell_webgl_depth_test(int enabled);
    // Draws the triangles (three indices each) of the vertices under the projection matrix
    // (column-major); with `twoSide` set, back faces show their back colour.
    void gemwell_webgl_draw(const LitVertex* vertices, int vertexCount, const uint16_t* indices,
                            int indexCount, const float* projection, int twoSide);
    // Sends what the vertex stage has gathered to the canvas (vertex_stage.cpp): at the end of a
    // frame, before the browser shows it.
    void gemwell_flush_drawing();

    // Calls gemwell_web_frame with the canvas's size on every animation frame and passes the
    // canvas's keys to gemwell_web_key, the arrows as GLUT's numbers given here, until the game
    // exits; then tells the page how it ended. While the page says it is paused (Module.isPaused)
    // no frame and no key reaches the game.
    void gemwell_web_run(int left, int up, int right, int down);
}
