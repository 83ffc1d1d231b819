#include "game/hud_layout.h"

#include "game/hud_text.h"
#include "game/tuning.h"
#include "game/well_geometry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{
// Eye units; a cell is two. The gap keeps the display clear of a well gem's near side, which
// the perspective shows up to 1/14 wider than its centre's depth would.
constexpr double kGemRadius = 1.0;
constexpr double kWellGap = 0.8;
constexpr double kWindowEdge = 0.4;
// The tallest a value is drawn; a label is kLabelScale of it.
constexpr double kMaxTextHeight = 1.6;
constexpr double kLabelScale = 0.75;
// The widest text the margin is sized for: the labels' five letters. A longer value shrinks.
constexpr int kSizedCharacters = 5;
// The next column's gems may fill this share of the margin's width.
constexpr double kGemShare = 0.8;

double inkWidth(int count, double height)
{
    return (textWidth(count) + 2.0 * kGlyphOverhang) * height;
}

// Text centred on `centre`, top at `top`, as tall as it may be to fit `width`; returns its
// bottom.
double appendCentred(const char* text, double centre, double top, double height, double width,
                     double depth, std::vector<double>& triangles)
{
    const int count = static_cast<int>(std::strlen(text));
    const double fitted = std::min(height, width / inkWidth(count, 1.0));
    const double left = centre - textWidth(count) * fitted / 2.0;
    appendText(text, left, top - fitted, fitted, depth, triangles);
    return top - height;
}
}  // namespace

EyeBox wellBox()
{
    return EyeBox{cellEyeX(0) - kGemRadius, cellEyeX(kColumns - 1) + kGemRadius,
                  cellEyeY(0) - kGemRadius, cellEyeY(kSpawnRow + 2) + kGemRadius};
}

void layoutHud(const Arcade& arcade, int32_t wellsLeft, double aspect, double tanHalfView,
               HudLayout& layout)
{
    layout.labels.clear();
    layout.values.clear();
    layout.gemRadius = 0.0;
    layout.textHeight = 0.0;

    const double depth = cellEyeZ(0.0);
    const double halfHeight = -depth * tanHalfView;
    const double halfWidth = halfHeight * aspect;
    const EyeBox well = wellBox();
    const double margin = halfWidth - well.right - kWellGap - kWindowEdge;
    if (margin <= 0.0)
    {
        return;  // a view narrower than the well has no room beside it
    }
    const double height = std::min(kMaxTextHeight, margin / inkWidth(kSizedCharacters, 1.0));
    const double label = kLabelScale * height;
    layout.textHeight = height;

    // Both margins start level with the top of the well's walls, or lower in a wide, short view.
    const double top = std::min(cellEyeY(kRows - 1) + kGemRadius, halfHeight - kWindowEdge);
    const double leftCentre = -(well.right + kWellGap + margin / 2.0);

    char score[12];
    char level[12];
    char wells[12];
    std::snprintf(score, sizeof score, "%d", static_cast<int>(arcade.score));
    std::snprintf(level, sizeof level, "%d", static_cast<int>(arcade.level));
    std::snprintf(wells, sizeof wells, "%d", static_cast<int>(wellsLeft));
    const char* fields[3][2] = {{"SCORE", score}, {"LEVEL", level}, {"WELLS", wells}};
    double y = top;
    for (const auto& field : fields)
    {
        y = appendCentred(field[0], leftCentre, y, label, margin, depth, layout.labels);
        y -= 0.35 * height;
        y = appendCentred(field[1], leftCentre, y, height, margin, depth, layout.values);
        y -= 0.9 * height;
    }

    // The next column stands close to the well, where the wide view stretches a sphere least.
    const double radius = std::min(kGemRadius, kGemShare * margin / 2.0);
    const double half = std::max(radius, inkWidth(4, label) / 2.0);
    const double rightCentre = std::min(well.right + kWellGap + half, -leftCentre);
    const double below =
        appendCentred("NEXT", rightCentre, top, label, margin, depth, layout.labels);
    layout.gemRadius = radius;
    for (int slot = 0; slot < 3; ++slot)
    {
        layout.next[slot][0] = rightCentre;
        layout.next[slot][1] = below - 0.4 * height - radius - (2 - slot) * 2.0 * radius;
        layout.next[slot][2] = depth;
    }
}
