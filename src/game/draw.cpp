// Drawing of the play field: the only code in the rules that touches OpenGL.
#include "game/game.h"
#include "game/gem.h"
#include "game/gem_marks.h"
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
    const double eye[3] = {cellEyeX(position[0]), cellEyeY(position[1]), cellEyeZ(position[2])};
    drawAt(eye, kSphereRadius);
}

void Gem::drawAt(const double eye[3], double radius) const
{
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glColor3fv(colour);
    glTranslated(eye[0], eye[1], eye[2]);
    glutSolidSphere(radius, kSphereSlices, kSphereStacks);
    if (gemMarksShown())
    {
        drawMark(eye, radius);
    }
}

// The mark, flat and unlit so that its shade is the same wherever the gem is; under the gem's
// own translation, so it moves with the gem in every state. Scaled with the sphere (a factor
// of 1 for the well's gems, which leaves every product as it was).
void Gem::drawMark(const double eye[3], double radius) const
{
    const MarkFrame frame = markFrameFacing(eye);
    const std::vector<float>& outline = markOutline(colourIndex);
    glDisable(GL_LIGHTING);
    glColor3fv(markColour(colourIndex));
    glBegin(GL_TRIANGLES);
    for (size_t i = 0; i + 1 < outline.size(); i += 2)
    {
        const double x = outline[i] * radius;
        const double y = outline[i + 1] * radius;
        glVertex3d(frame.origin[0] * radius + x * frame.right[0] + y * frame.up[0],
                   frame.origin[1] * radius + x * frame.right[1] + y * frame.up[1],
                   frame.origin[2] * radius + x * frame.right[2] + y * frame.up[2]);
    }
    glEnd();
    glColor3fv(colour);
    glEnable(GL_LIGHTING);
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
