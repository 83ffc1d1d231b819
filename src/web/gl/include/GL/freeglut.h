// The GLUT calls the game makes, for the browser edition: one canvas as the window, the
// browser's animation frames as the idle loop, its key events as GLUT keys.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

#define GLUT_RGB 0x0000
#define GLUT_DOUBLE 0x0002
#define GLUT_DEPTH 0x0010

// GLUT's own numbers for the special keys, which the key table uses.
#define GLUT_KEY_LEFT 0x0064
#define GLUT_KEY_UP 0x0065
#define GLUT_KEY_RIGHT 0x0066
#define GLUT_KEY_DOWN 0x0067

#ifdef __cplusplus
extern "C"
{
#endif

    void glutInit(int* argc, char** argv);
    void glutInitDisplayMode(unsigned int mode);
    void glutInitWindowSize(int width, int height);
    void glutInitWindowPosition(int x, int y);
    int glutCreateWindow(const char* title);

    void glutDisplayFunc(void (*callback)(void));
    void glutReshapeFunc(void (*callback)(int width, int height));
    void glutIdleFunc(void (*callback)(void));
    void glutKeyboardFunc(void (*callback)(unsigned char key, int x, int y));
    void glutSpecialFunc(void (*callback)(int key, int x, int y));
    void glutMouseFunc(void (*callback)(int button, int state, int x, int y));
    void glutMotionFunc(void (*callback)(int x, int y));
    void glutPassiveMotionFunc(void (*callback)(int x, int y));

    // Starts the frame loop. Like GLUT's it never returns: main is left, the browser calls back.
    void glutMainLoop(void);
    void glutSwapBuffers(void);

    void glutSolidSphere(GLdouble radius, GLint slices, GLint stacks);

#ifdef __cplusplus
}
#endif
