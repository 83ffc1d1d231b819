// Where arcade mode's display goes: labels and values in the margin left of the well, the next
// column in the margin right of it, sized from the view's aspect ratio so that nothing covers
// the well and the text stays as large as the margin allows. No GL: the drawing fills it in.
#pragma once

#include "game/arcade.h"

#include <cstdint>
#include <vector>

// Eye-space extent, at the well's depth, that the display keeps clear of: every cell of the
// well and the piece at its spawn, with a sphere's radius around each.
struct EyeBox
{
    double left;
    double right;
    double bottom;
    double top;
};
EyeBox wellBox();

struct HudLayout
{
    std::vector<double> labels;  // triangles, as appendText makes them
    std::vector<double> values;
    double next[3][3] = {};   // eye-space centres of the next column's gems, bottom slot first
    double gemRadius = 0.0;   // 0 when the margin is too narrow for anything
    double textHeight = 0.0;  // of a value, in eye units; labels are smaller
};

// The display for `arcade` with `wellsLeft` wells to go, in a view `aspect` wide per unit of
// height whose vertical half angle has tangent `tanHalfView`.
void layoutHud(const Arcade& arcade, int32_t wellsLeft, double aspect, double tanHalfView,
               HudLayout& layout);
