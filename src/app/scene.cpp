#include "app/scene.h"

#include "app/projection.h"

#include <GL/freeglut.h>

namespace
{
double s_viewAspect = 640.0 / 480.0;
int s_viewHeight = 480;
}  // namespace

double viewAspect()
{
    return s_viewAspect;
}

int viewHeight()
{
    return s_viewHeight;
}

void initScene()
{
    static const GLfloat kLightAtEye[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    static const GLfloat kLightDiffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    static const GLfloat kLightSpecular[4] = {0.3f, 0.3f, 0.3f, 1.0f};

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    // The model-view matrix is still the identity, so this puts the light at the eye.
    glLightfv(GL_LIGHT0, GL_POSITION, kLightAtEye);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, kLightDiffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, kLightSpecular);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_DIFFUSE);
    glEnable(GL_AUTO_NORMAL);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

void onReshape(int width, int height)
{
    glViewport(0, 0, width, height);
    s_viewAspect = aspectRatio(width, height);
    s_viewHeight = height;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(kFieldOfViewDegrees, aspectRatio(width, height), kNearPlane, kFarPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
