#include "game/gem.h"

#include "game/frame_time.h"
#include "game/tuning.h"

namespace
{
constexpr float kPalette[6][3] = {
    {0.8f, 0.3f, 0.0f},  // orange
    {0.8f, 0.0f, 0.0f},  // red
    {0.0f, 0.0f, 0.8f},  // blue
    {0.8f, 0.8f, 0.0f},  // yellow
    {0.0f, 0.8f, 0.0f},  // green
    {0.8f, 0.8f, 0.8f},  // grey, for anything else
};
constexpr int kGrey = 5;
constexpr float kSpecular = 0.8f;
constexpr float kShininess = 0.3f;

// One axis of approachTarget; the arithmetic runs in double and the result is stored as float.
float approach(float position, int32_t target, float speed)
{
    const double p = position;
    const double t = target;
    const double step = static_cast<double>(g_frameSeconds) * static_cast<double>(speed);
    if (p > t + kSnapBand)
    {
        const double next = p - step;
        return static_cast<float>(next < t ? t : next);
    }
    if (p < t - kSnapBand)
    {
        const double next = p + step;
        return static_cast<float>(next > t ? t : next);
    }
    return static_cast<float>(t);
}

float snap(float position)
{
    const int whole = truncateCell(position);
    return static_cast<float>(static_cast<double>(position) - whole > 0.5 ? whole + 1 : whole);
}
}  // namespace

const float* colourOf(int32_t colourIndex)
{
    return colourIndex >= 0 && colourIndex < kGrey ? kPalette[colourIndex] : kPalette[kGrey];
}

// A new gem aims at the floor (target row 0); the landing test stops it on top of its column.
Gem::Gem(int32_t colourIndex, const float position[3], float fallSpeed)
    : colourIndex(colourIndex), specular{kSpecular, kSpecular, kSpecular, 1.0f},
      shininess(kShininess), position{position[0], position[1], position[2]},
      target{static_cast<int32_t>(position[0]), 0, static_cast<int32_t>(position[2])},
      speed{kSideSpeed, fallSpeed, kSideSpeed}
{
    const float* rgb = colourOf(colourIndex);
    for (int channel = 0; channel < 3; ++channel)
    {
        colour[channel] = rgb[channel];
    }
    ++s_liveCount;
}

void Gem::approachTarget()
{
    for (int axis = 0; axis < 3; ++axis)
    {
        position[axis] = approach(position[axis], target[axis], speed[axis]);
    }
}

void Gem::translate(int dx, int dy, int dz)
{
    position[0] = static_cast<float>(static_cast<double>(position[0]) + dx);
    position[1] = static_cast<float>(static_cast<double>(position[1]) + dy);
    position[2] = static_cast<float>(static_cast<double>(position[2]) + dz);
}

void Gem::fallStep()
{
    position[1] = static_cast<float>(static_cast<double>(position[1]) -
                                     static_cast<double>(g_frameSeconds) * speed[1]);
}

void Gem::snapToGrid()
{
    for (float& p : position)
    {
        p = snap(p);
    }
}

int Gem::snappedRow() const
{
    return truncateCell(snap(position[1]));
}
