// Drawing of arcade mode's display: flat, unlit text and the next column's lit gems, beside the
// well. Classic mode has no arcade record and draws nothing here.
#include "game/game.h"
#include "game/gem.h"
#include "game/hud_layout.h"

#include <GL/freeglut.h>
#include <vector>

namespace
{
constexpr GLfloat kLabelColour[3] = {0.6f, 0.6f, 0.6f};
constexpr GLfloat kValueColour[3] = {1.0f, 1.0f, 1.0f};

void drawTriangles(const std::vector<double>& triangles)
{
    glBegin(GL_TRIANGLES);
    for (size_t i = 0; i + 2 < triangles.size(); i += 3)
    {
        glVertex3d(triangles[i], triangles[i + 1], triangles[i + 2]);
    }
    glEnd();
}
}  // namespace

void Game::drawHud(double aspect, double tanHalfView) const
{
    if (arcade == nullptr)
    {
        return;
    }
    static HudLayout layout;  // kept, so that its buffers are not allocated anew every frame
    layoutHud(*arcade, lives + 1, aspect, tanHalfView, layout);
    if (layout.gemRadius <= 0.0)
    {
        return;
    }
    glDisable(GL_LIGHTING);
    glColor3fv(kLabelColour);
    drawTriangles(layout.labels);
    glColor3fv(kValueColour);
    drawTriangles(layout.values);
    glEnable(GL_LIGHTING);
    for (int slot = 0; slot < 3; ++slot)
    {
        // A gem made for the drawing only, for its colour, material and mark.
        const float cell[3] = {0.0f, 0.0f, 0.0f};
        const Gem gem(arcade->next[slot], cell, 0.0f);
        glPushMatrix();
        gem.drawAt(layout.next[slot], layout.gemRadius);
        glPopMatrix();
    }
}
