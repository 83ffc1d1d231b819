// The fixed OpenGL state and the projection every gem is drawn under.
#pragma once

// Sets the lights, materials and depth test once, after the window exists.
void initScene();

// Reshape callback: viewport and a 100-degree vertical perspective for the new size.
void onReshape(int width, int height);

// Width over height of the window at the last reshape (640 x 480 until the first).
double viewAspect();

// The window's height in pixels at the last reshape (480 until the first).
int viewHeight();
