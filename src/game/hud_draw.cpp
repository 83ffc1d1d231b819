// Drawing of arcade mode's display: flat, unlit text and the next column's lit gems, beside the
// well. Classic mode has no arcade record and draws nothing here.
#include "game/game.h"
#include "game/gem.h"
#include "game/hud_layout.h"
#include "game/well_geometry.h"

#include <GL/freeglut.h>
#include <cmath>
#include <vector>

namespace
{
constexpr GLfloat kLabelColour[3] = {0.6f, 0.6f, 0.6f};
constexpr GLfloat kValueColour[3] = {1.0f, 1.0f, 1.0f};

// Where a text's corner falls in the window, moved to the nearest sixteenth of a pixel but never
// onto a pixel's centre. A long straight stroke whose edge lies within a thirty-second of a
// pixel's centre is filled on one side of it or the other depending on how finely a rasteriser
// rounds vertices (a sixteenth of a pixel in some, a 256th in others), and a whole row of a digit
// comes and goes between them; on this grid every rasteriser sees the same corner.
double snapped(double pixels)
{
    constexpr double kSteps = 16.0;
    double step = std::round(pixels * kSteps);
    if (std::fmod(std::fabs(step), kSteps) == kSteps / 2.0)
    {
        step += 1.0;
    }
    return step / kSteps;
}

// Triangles in eye space at one depth, their corners snapped in a view `halfWidth` by
// `halfHeight` eye units (at that depth) and `pixelsHigh` pixels tall.
void drawTriangles(const std::vector<double>& triangles, double halfWidth, double halfHeight,
                   int pixelsHigh)
{
    const double high = pixelsHigh;
    const double wide = std::round(high * halfWidth / halfHeight);
    glBegin(GL_TRIANGLES);
    for (size_t i = 0; i + 2 < triangles.size(); i += 3)
    {
        const double x =
            (snapped((triangles[i] / halfWidth + 1.0) * wide / 2.0) * 2.0 / wide - 1.0) * halfWidth;
        const double y =
            (snapped((triangles[i + 1] / halfHeight + 1.0) * high / 2.0) * 2.0 / high - 1.0) *
            halfHeight;
        glVertex3d(x, y, triangles[i + 2]);
    }
    glEnd();
}
}  // namespace

void Game::drawHud(double aspect, double tanHalfView, int pixelsHigh) const
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
    // Every letter lies at the well's depth.
    const double halfHeight = -cellEyeZ(0.0) * tanHalfView;
    const double halfWidth = halfHeight * aspect;
    glDisable(GL_LIGHTING);
    glColor3fv(kLabelColour);
    drawTriangles(layout.labels, halfWidth, halfHeight, pixelsHigh);
    glColor3fv(kValueColour);
    drawTriangles(layout.values, halfWidth, halfHeight, pixelsHigh);
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
