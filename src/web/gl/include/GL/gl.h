// The part of OpenGL 1.1 the game calls, for the browser edition, where src/web provides it on
// WebGL. Only these names exist here, so a new call in the shared code fails to compile in the
// browser build instead of drawing something else.
#pragma once

typedef unsigned int GLenum;
typedef unsigned int GLbitfield;
typedef unsigned char GLboolean;
typedef int GLint;
typedef int GLsizei;
typedef unsigned short GLushort;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;

#define GL_FALSE 0
#define GL_TRUE 1

#define GL_DEPTH_BUFFER_BIT 0x00000100
#define GL_COLOR_BUFFER_BIT 0x00004000

#define GL_FRONT 0x0404
#define GL_BACK 0x0405
#define GL_FRONT_AND_BACK 0x0408

#define GL_DEPTH_TEST 0x0B71
#define GL_LIGHTING 0x0B50
#define GL_LIGHT0 0x4000
#define GL_COLOR_MATERIAL 0x0B57
#define GL_AUTO_NORMAL 0x0D80

#define GL_LIGHT_MODEL_TWO_SIDE 0x0B52
#define GL_LIGHT_MODEL_AMBIENT 0x0B53

#define GL_AMBIENT 0x1200
#define GL_DIFFUSE 0x1201
#define GL_SPECULAR 0x1202
#define GL_POSITION 0x1203
#define GL_EMISSION 0x1600
#define GL_SHININESS 0x1601
#define GL_AMBIENT_AND_DIFFUSE 0x1602

#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701

#define GL_SMOOTH 0x1D01

#define GL_TRIANGLES 0x0004

#define GL_UNPACK_ALIGNMENT 0x0CF5

#ifdef __cplusplus
extern "C"
{
#endif

    void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
    void glClear(GLbitfield mask);
    void glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
    void glEnable(GLenum capability);
    void glDisable(GLenum capability);
    void glShadeModel(GLenum mode);
    void glPixelStorei(GLenum name, GLint value);

    void glMatrixMode(GLenum mode);
    void glLoadIdentity(void);
    void glPushMatrix(void);
    void glPopMatrix(void);
    void glMultMatrixd(const GLdouble* matrix);
    void glTranslated(GLdouble x, GLdouble y, GLdouble z);

    void glLightfv(GLenum light, GLenum name, const GLfloat* values);
    void glLightModeli(GLenum name, GLint value);
    void glLightModelfv(GLenum name, const GLfloat* values);
    void glMaterialf(GLenum face, GLenum name, GLfloat value);
    void glMaterialfv(GLenum face, GLenum name, const GLfloat* values);
    void glColorMaterial(GLenum face, GLenum mode);
    void glColor3fv(const GLfloat* rgb);

    void glBegin(GLenum mode);
    void glVertex3d(GLdouble x, GLdouble y, GLdouble z);
    void glEnd(void);

#ifdef __cplusplus
}
#endif
