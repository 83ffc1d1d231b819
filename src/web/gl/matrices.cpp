// The model-view and projection stacks, and the calls that multiply into them: GL's own
// translation and GLU's perspective, in float as GL keeps its matrices.
#include "fixed_function.h"

#include <GL/glu.h>
#include <cmath>

namespace
{
using namespace fixed_function;

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
}  // namespace

extern "C"
{

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

}  // extern "C"
