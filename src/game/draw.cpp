// Drawing of the play field: the only code in the rules that touches OpenGL.
#include "game/game.h"
#include "game/gem.h"
#include "game/piece.h"
#include "game/score_display.h"
#include "game/well_geometry.h"

#include <GL/freeglut.h>

namespace
{
constexpr double kSphereRadius = 1.0;
constexpr int kSphereSlices = 8;
constexpr int kSphereStacks = 8;
}  // namespace

void Gem::draw() const
{
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glColor3fv(colour);
    glTranslated(cellEyeX(position[0]), cellEyeY(position[1]), cellEyeZ(position[2]));
    glutSolidSphere(kSphereRadius, kSphereSlices, kSphereStacks);
}

void Piece::draw() const
{
    if (active != 1)
    {
        return;
    }
    for (const Gem* gem : gems)
    {
        glPushMatrix();
        gem->draw();
        glPopMatrix();
    }
}

void Game::draw() const
{
    if (piece != nullptr)
    {
        piece->draw();
    }
    for (const Gem* gem : gems)
    {
        if (gem != nullptr)
        {
            glPushMatrix();
            gem->draw();
            glPopMatrix();
        }
    }
    score->draw();
}
