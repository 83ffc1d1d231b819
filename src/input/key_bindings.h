// The GLUT callbacks that look keys up in the key table (key_table.h) and run their commands.
#pragma once

class Game;

// Exit status when the player quits.
constexpr int kQuitStatus = 42;

// Runs the command bound to a character; returns false for an unbound one (upper case included).
bool handleKey(Game& game, unsigned char key);

// Runs the command bound to a GLUT special key; returns false for an unbound one.
bool handleSpecialKey(Game& game, int key);

// GLUT keyboard and special-key callbacks for the running game; the pointer position is ignored.
void onKeyboard(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);
