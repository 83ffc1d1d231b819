#include "app/frame_cycle.h"

#include "app/clock.h"
#include "app/projection.h"
#include "app/scene.h"
#include "game/game.h"

#include <GL/freeglut.h>
#include <cmath>

Game* g_game = nullptr;

void renderFrame()
{
    tickClock();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    g_game->update();
    glPushMatrix();
    g_game->draw();
    g_game->drawHud(viewAspect(), std::tan(kFieldOfViewDegrees * M_PI / 360.0), viewHeight());
    glPopMatrix();
    glutSwapBuffers();
}

void onIdle()
{
    renderFrame();
}

void onPointer(int, int, int, int) {}

void onPointerMotion(int, int) {}
