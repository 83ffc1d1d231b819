// The frame cycle: one measured step of the game and one redraw, as often as the system allows.
#pragma once

// Display callback: measure the frame, clear, step the game, draw it, swap buffers.
void renderFrame();

// Idle callback: the next frame at once, without waiting for a redisplay request.
void onIdle();

// Mouse callbacks: the game ignores the mouse.
void onPointer(int button, int state, int x, int y);
void onPointerMotion(int x, int y);
