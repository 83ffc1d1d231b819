// The floor of the game's frame cost: the same window, GL state and gems, drawn as fast as
// possible with no rules at all. Usage: reference_renderer GEMS; "q" quits.
#include "app/scene.h"
#include "game/gem.h"
#include "game/tuning.h"

#include <GL/freeglut.h>
#include <cstdlib>
#include <vector>

namespace
{
std::vector<Gem*> g_gems;

void drawFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    for (const Gem* gem : g_gems)
    {
        glPushMatrix();
        gem->draw();
        glPopMatrix();
    }
    glPopMatrix();
    glutSwapBuffers();
}

void onKey(unsigned char key, int, int)
{
    if (key == 'q')
    {
        std::exit(0);
    }
}
}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 87;
    // Column after column from the bottom, as a board fills; past 84, the spawn cells.
    for (int i = 0; i < count; ++i)
    {
        const bool onBoard = i < kCells;
        const float position[3] = {onBoard ? float(i / kRows) : float(kSpawnColumn),
                                   onBoard ? float(i % kRows) : float(kSpawnRow + i - kCells),
                                   0.0f};
        g_gems.push_back(new Gem(i % 5, position, kFallSpeed));
    }
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(640, 480);
    glutInitWindowPosition(0, 0);
    glutCreateWindow("reference gemwell");
    initScene();
    glutDisplayFunc(drawFrame);
    glutReshapeFunc(onReshape);
    glutIdleFunc(drawFrame);
    glutKeyboardFunc(onKey);
    glutMainLoop();
    return 0;
}
