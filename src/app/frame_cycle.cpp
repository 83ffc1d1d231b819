#include "app/frame_cycle.h"

#include "app/clock.h"
#include "game/game.h"

#include <GL/freeglut.h>

Game* g_game = nullptr;

void renderFrame()
{
    tickClock();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    g_game->update();
    glPushMatrix();
    g_game->draw();
    glPopMatrix();
    glutSwapBuffers();
}

void onIdle()
{
    renderFrame();
}

void onPointer(int, int, int, int) {}

void onPointerMotion(int, int) {}
