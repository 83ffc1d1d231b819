// GLUT in a browser tab: the canvas is the window, sized by the page, each animation frame runs
// the idle callback (the first one the reshape and display callbacks, as a window being mapped
// does; one whose canvas has a new size the reshape callback first, as a resized window does),
// and the canvas's key events arrive as GLUT keys.
#include "webgl_bridge.h"

#include <GL/freeglut.h>
#include <cstdio>
#include <cstdlib>
#include <emscripten.h>

namespace
{
struct Window
{
    int width = 300;  // GLUT's default size
    int height = 300;
    bool shown = false;
    void (*display)() = nullptr;
    void (*reshape)(int, int) = nullptr;
    void (*idle)() = nullptr;
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*special)(int, int, int) = nullptr;
};

Window g_window;
}  // namespace

extern "C"
{

    void glutInit(int*, char**) {}

    // A WebGL canvas always has the double buffer and, as asked for at creation, the depth buffer.
    void glutInitDisplayMode(unsigned int) {}

    void glutInitWindowSize(int width, int height)
    {
        g_window.width = width;
        g_window.height = height;
    }

    // The canvas stays where the page puts it.
    void glutInitWindowPosition(int, int) {}

    int glutCreateWindow(const char*)
    {
        // The page's title stays: the native title is the path the game was started by. With no
        // context there is no game, as with freeglut, which ends the process when it has none.
        if (!gemwell_webgl_open(&g_window.width, &g_window.height))
        {
            std::fputs("gemwell: this browser gives the page no WebGL\n", stderr);
            std::exit(1);
        }
        return 1;
    }

    void glutDisplayFunc(void (*callback)(void))
    {
        g_window.display = callback;
    }

    void glutReshapeFunc(void (*callback)(int, int))
    {
        g_window.reshape = callback;
    }

    void glutIdleFunc(void (*callback)(void))
    {
        g_window.idle = callback;
    }

    void glutKeyboardFunc(void (*callback)(unsigned char, int, int))
    {
        g_window.keyboard = callback;
    }

    void glutSpecialFunc(void (*callback)(int, int, int))
    {
        g_window.special = callback;
    }

    // The game's pointer callbacks do nothing, so the canvas passes no pointer events on.
    void glutMouseFunc(void (*)(int, int, int, int)) {}
    void glutMotionFunc(void (*)(int, int)) {}
    void glutPassiveMotionFunc(void (*)(int, int)) {}

    void glutMainLoop(void)
    {
        // The page's arrow keys reach the game as GLUT's numbers for them.
        gemwell_web_run(GLUT_KEY_LEFT, GLUT_KEY_UP, GLUT_KEY_RIGHT, GLUT_KEY_DOWN);
        emscripten_exit_with_live_runtime();
    }

    // The browser shows the canvas when the frame's callback returns; by then it must be drawn.
    void glutSwapBuffers(void)
    {
        gemwell_flush_drawing();
    }

    EMSCRIPTEN_KEEPALIVE void gemwell_web_frame(int width, int height)
    {
        const bool resized = width != g_window.width || height != g_window.height;
        g_window.width = width;
        g_window.height = height;
        if (!g_window.shown)
        {
            g_window.shown = true;
            if (g_window.reshape != nullptr)
            {
                g_window.reshape(g_window.width, g_window.height);
            }
            if (g_window.display != nullptr)
            {
                g_window.display();
            }
            return;
        }
        if (resized && g_window.reshape != nullptr)
        {
            g_window.reshape(width, height);
        }
        if (g_window.idle != nullptr)
        {
            g_window.idle();
        }
    }

    // A character key, or with `special` set one of GLUT's special key numbers. The pointer
    // position is not tracked: the game ignores it.
    EMSCRIPTEN_KEEPALIVE void gemwell_web_key(int key, int special)
    {
        if (special != 0)
        {
            if (g_window.special != nullptr)
            {
                g_window.special(key, 0, 0);
            }
        }
        else if (g_window.keyboard != nullptr)
        {
            g_window.keyboard(static_cast<unsigned char>(key), 0, 0);
        }
    }

}  // extern "C"
