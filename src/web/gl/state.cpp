// GL's state record, the capabilities the game turns on and off, and the calls that reach the
// canvas at once (clearing, the viewport): each first draws what the batch holds, so that it
// comes before them as it would in GL.
#include "fixed_function.h"
#include "webgl_bridge.h"

#include <GL/gl.h>

namespace fixed_function
{
State::State()
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

void State::identity(Matrix m)
{
    for (int i = 0; i < 16; ++i)
    {
        m[i] = i % 5 == 0 ? 1.0f : 0.0f;
    }
}

GLfloat* State::current()
{
    return matrixMode == GL_PROJECTION ? projection[projectionTop] : modelView[modelViewTop];
}

State& state()
{
    static State s;
    return s;
}

void copy4(GLfloat* to, const GLfloat* from)
{
    for (int i = 0; i < 4; ++i)
    {
        to[i] = from[i];
    }
}
}  // namespace fixed_function

namespace
{
using namespace fixed_function;

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

}  // extern "C"
