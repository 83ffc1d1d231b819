// The one GLU call the game makes, for the browser edition.
#pragma once

#include <GL/gl.h>

#ifdef __cplusplus
extern "C"
{
#endif

    void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);

#ifdef __cplusplus
}
#endif
