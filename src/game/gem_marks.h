// The marks that tell the five gem colours apart by outline as well as by colour, for players
// who cannot tell some of the colours apart. An option: off unless the platform turns it on.
#pragma once

#include <cstdint>
#include <vector>

// Whether gems are drawn with their marks; read by Gem::draw each frame, so a change shows at once.
void showGemMarks(bool on);
bool gemMarksShown();

// The mark of a colour index, flat in its own plane, in units of the gem's radius: x to the
// right, y up, three points (six floats) a triangle. Empty for an index outside 0 to 4.
const std::vector<float>& markOutline(int32_t colourIndex);

// The mark's flat colour: dark on the light gems, light on the dark ones, so that it reads in
// grey scale too.
const float* markColour(int32_t colourIndex);

// Where a gem's mark lies: the plane just in front of its sphere, square to the line from its
// centre to the eye, upright as the player sees it. Offsets from the centre.
struct MarkFrame
{
    double origin[3];
    double right[3];
    double up[3];
};

// The frame of a gem centred at `eye` (eye coordinates, the eye at the origin).
MarkFrame markFrameFacing(const double eye[3]);
