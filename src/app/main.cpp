// Process entry: the game, the window, the scene and the callbacks, then GLUT's main loop.
#include "app/frame_cycle.h"
#include "app/high_scores.h"
#include "app/options.h"
#include "app/out_of_memory.h"
#include "app/scene.h"
#include "game/game.h"
#include "game/gem_marks.h"
#include "input/key_bindings.h"

#include <GL/freeglut.h>

namespace
{
constexpr int kWindowWidth = 640;
constexpr int kWindowHeight = 480;
// Title when the process was started without a program name: with an empty argument vector,
// which Linux 5.18 and later hand over as one empty string.
constexpr const char* kFallbackTitle = "gemwell";
}  // namespace

int main(int argc, char** argv)
{
    // The game's own options first: --help, --version and a wrong option end here, with no window.
    const Options options = takeOptions(argc, argv, GEMWELL_VERSION);
    showGemMarks(options.shapes);
    installOutOfMemoryHandler();
    g_game = new Game();
    if (options.arcade)
    {
        g_game->startArcade(keepArcadeScore);
    }

    // The title is the path the process was started by, read before GLUT takes its options.
    const bool named = argc > 0 && argv[0] != nullptr && argv[0][0] != '\0';
    const char* title = named ? argv[0] : kFallbackTitle;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    glutInitWindowPosition(0, 0);
    glutCreateWindow(title);
    initScene();

    glutDisplayFunc(renderFrame);
    glutReshapeFunc(onReshape);
    glutIdleFunc(onIdle);
    glutKeyboardFunc(onKeyboard);
    glutSpecialFunc(onSpecialKey);
    glutMouseFunc(onPointer);
    glutMotionFunc(onPointerMotion);
    glutPassiveMotionFunc(onPointerMotion);
    glutMainLoop();
    return 0;
}
