#include "game/hud_text.h"

#include <cmath>
#include <cstring>

namespace
{
constexpr double kGridHeight = 6.0;
// Half the stroke's width, in grid units.
constexpr double kHalfStroke = kGlyphOverhang * kGridHeight;

struct Stroke
{
    signed char x0, y0, x1, y1;
};

struct Glyph
{
    char symbol;
    int count;
    Stroke strokes[9];
};

// Zero has a slash, so that it differs from the letter O.
constexpr Glyph kGlyphs[] = {
    {'0', 5, {{0, 0, 4, 0}, {4, 0, 4, 6}, {4, 6, 0, 6}, {0, 6, 0, 0}, {0, 0, 4, 6}}},
    {'1', 3, {{2, 0, 2, 6}, {2, 6, 1, 5}, {1, 0, 3, 0}}},
    {'2', 5, {{0, 6, 4, 6}, {4, 6, 4, 3}, {4, 3, 0, 3}, {0, 3, 0, 0}, {0, 0, 4, 0}}},
    {'3', 4, {{0, 6, 4, 6}, {4, 6, 4, 0}, {4, 0, 0, 0}, {1, 3, 4, 3}}},
    {'4', 3, {{0, 6, 0, 3}, {0, 3, 4, 3}, {4, 6, 4, 0}}},
    {'5', 5, {{4, 6, 0, 6}, {0, 6, 0, 3}, {0, 3, 4, 3}, {4, 3, 4, 0}, {4, 0, 0, 0}}},
    {'6', 5, {{4, 6, 0, 6}, {0, 6, 0, 0}, {0, 0, 4, 0}, {4, 0, 4, 3}, {4, 3, 0, 3}}},
    {'7', 2, {{0, 6, 4, 6}, {4, 6, 1, 0}}},
    {'8', 5, {{0, 0, 4, 0}, {4, 0, 4, 6}, {4, 6, 0, 6}, {0, 6, 0, 0}, {0, 3, 4, 3}}},
    {'9', 5, {{4, 3, 0, 3}, {0, 3, 0, 6}, {0, 6, 4, 6}, {4, 6, 4, 0}, {4, 0, 0, 0}}},
    {'C', 3, {{4, 6, 0, 6}, {0, 6, 0, 0}, {0, 0, 4, 0}}},
    {'E', 4, {{4, 6, 0, 6}, {0, 6, 0, 0}, {0, 0, 4, 0}, {0, 3, 3, 3}}},
    {'L', 2, {{0, 6, 0, 0}, {0, 0, 4, 0}}},
    {'N', 3, {{0, 0, 0, 6}, {0, 6, 4, 0}, {4, 0, 4, 6}}},
    {'O', 4, {{0, 0, 4, 0}, {4, 0, 4, 6}, {4, 6, 0, 6}, {0, 6, 0, 0}}},
    {'R', 5, {{0, 0, 0, 6}, {0, 6, 4, 6}, {4, 6, 4, 3}, {4, 3, 0, 3}, {1, 3, 4, 0}}},
    // S has bevelled corners, so that it differs from the digit 5.
    {'S',
     9,
     {{4, 6, 1, 6},
      {1, 6, 0, 5},
      {0, 5, 0, 4},
      {0, 4, 1, 3},
      {1, 3, 3, 3},
      {3, 3, 4, 2},
      {4, 2, 4, 1},
      {4, 1, 3, 0},
      {3, 0, 0, 0}}},
    {'T', 2, {{0, 6, 4, 6}, {2, 6, 2, 0}}},
    {'V', 2, {{0, 6, 2, 0}, {2, 0, 4, 6}}},
    {'W', 4, {{0, 6, 1, 0}, {1, 0, 2, 4}, {2, 4, 3, 0}, {3, 0, 4, 6}}},
    {'X', 2, {{0, 0, 4, 6}, {0, 6, 4, 0}}},
};

const Glyph* glyphOf(char symbol)
{
    for (const Glyph& glyph : kGlyphs)
    {
        if (glyph.symbol == symbol)
        {
            return &glyph;
        }
    }
    return nullptr;
}

void appendStroke(const Stroke& stroke, double left, double bottom, double scale, double depth,
                  std::vector<double>& triangles)
{
    const double dx = stroke.x1 - stroke.x0;
    const double dy = stroke.y1 - stroke.y0;
    const double length = std::sqrt(dx * dx + dy * dy);
    // Along the stroke and across it, half a stroke's width each, in grid units.
    const double ax = dx / length * kHalfStroke;
    const double ay = dy / length * kHalfStroke;
    const double corners[4][2] = {{stroke.x0 - ax - ay, stroke.y0 - ay + ax},
                                  {stroke.x0 - ax + ay, stroke.y0 - ay - ax},
                                  {stroke.x1 + ax + ay, stroke.y1 + ay - ax},
                                  {stroke.x1 + ax - ay, stroke.y1 + ay + ax}};
    for (int corner : {0, 1, 2, 0, 2, 3})
    {
        triangles.push_back(left + corners[corner][0] * scale);
        triangles.push_back(bottom + corners[corner][1] * scale);
        triangles.push_back(depth);
    }
}
}  // namespace

double textWidth(int count)
{
    return count > 0 ? (count - 1) * kGlyphAdvance + kGlyphWidth : 0.0;
}

bool hasGlyph(char symbol)
{
    return glyphOf(symbol) != nullptr;
}

void appendText(const char* text, double left, double bottom, double height, double depth,
                std::vector<double>& triangles)
{
    const double scale = height / kGridHeight;
    const size_t count = std::strlen(text);
    for (size_t i = 0; i < count; ++i)
    {
        const Glyph* glyph = glyphOf(text[i]);
        if (glyph == nullptr)
        {
            continue;
        }
        const double x = left + static_cast<double>(i) * kGlyphAdvance * height;
        for (int s = 0; s < glyph->count; ++s)
        {
            appendStroke(glyph->strokes[s], x, bottom, scale, depth, triangles);
        }
    }
}
