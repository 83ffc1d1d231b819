// The arcade display's lettering: digits and the few capitals its labels need, as straight
// strokes on a grid 4 wide and 6 high, turned into flat triangles for the drawing to fill.
#pragma once

#include <vector>

// Width of a character cell, in units of the text's height, and the advance from one
// character to the next.
constexpr double kGlyphWidth = 4.0 / 6.0;
constexpr double kGlyphAdvance = 0.85;
// How far a stroke's square end reaches past the grid, in units of the text's height.
constexpr double kGlyphOverhang = 0.4 / 6.0;

// Width from the left edge of the first character's grid to the right edge of the last's, in
// units of the text's height, for `count` characters.
double textWidth(int count);

// Whether `symbol` has strokes: the digits and C E L N O R S T V W X.
bool hasGlyph(char symbol);

// Appends the triangles of `text`, `height` tall, its grid's lower left corner at (left,
// bottom), in the plane z = `depth`: nine doubles (three x, y, z points) a triangle. Each
// stroke is a rectangle with square ends, so the strokes of a glyph meet without gaps. A
// character with no glyph leaves its cell blank.
void appendText(const char* text, double left, double bottom, double height, double depth,
                std::vector<double>& triangles);
