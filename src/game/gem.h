// One coloured sphere of the play field, moving toward a whole-cell target.
#pragma once

#include <cstdint>

class Gem
{
public:
    // A gem of the given colour at `position` (cells), aiming at the floor below it.
    Gem(int32_t colourIndex, const float position[3], float fallSpeed);
    ~Gem() { --s_liveCount; }
    Gem(const Gem&) = delete;
    Gem& operator=(const Gem&) = delete;

    // Gems alive in the process, so that a lost or doubled gem shows up in a count.
    static int liveCount() { return s_liveCount; }

    // Draws the sphere; the caller brackets it with a push and a pop of the model-view matrix.
    void draw() const;
    // The same at `eye` (eye coordinates) with the given radius, wherever the gem's cell is.
    void drawAt(const double eye[3], double radius) const;

    // One frame of motion toward the target on each axis, snapping on within kSnapBand.
    void approachTarget();

    // Moves the gem by whole cells at once.
    void translate(int dx, int dy, int dz);

    // One frame of downward motion at the y speed, ignoring the target.
    void fallStep();

    // Rounds the position to whole cells; halves round toward zero.
    void snapToGrid();

    // The row snapToGrid would put the gem in.
    int snappedRow() const;

    int32_t colourIndex = 0;  // 0 to 4, as stored in the board's colour grid
    float colour[3] = {};     // red, green, blue
    float specular[4] = {};
    float shininess = 0.0f;
    float position[3] = {};  // x column, y row, z depth, in cells; where the gem is drawn
    int32_t target[3] = {};  // cell the gem moves toward; its board cell once placed
    float speed[3] = {};     // cells per second along x, y, z

private:
    // The colour's mark on the side facing the eye, after the sphere (gem_marks.h).
    void drawMark(const double eye[3], double radius) const;

    static inline int s_liveCount = 0;
};

// Red, green and blue of a colour index; any index outside 0 to 4 is grey.
const float* colourOf(int32_t colourIndex);
