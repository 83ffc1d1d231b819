// Screenshots as plain RGB pixels, classified as gem colours, and written as PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb
{
    int r = 0;
    int g = 0;
    int b = 0;
};

struct Screenshot
{
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row after row from the top left

    // The pixel at (x, y); black outside the image, so an empty screenshot (the window was
    // gone) reads as black rather than past the end.
    Rgb at(int x, int y) const
    {
        const bool inside = x >= 0 && x < width && y >= 0 && y < height;
        return inside ? pixels[static_cast<size_t>(y) * width + x] : Rgb{};
    }
    // Median of each channel over the square of side 2 * radius + 1 around (x, y), clamped to
    // the image; black for an empty one.
    Rgb medianAround(int x, int y, int radius) const;
    // Number of pixels whose brightest channel exceeds `threshold`.
    int litPixels(int threshold = 40) const;
};

// Writes the screenshot as a PNG; false if it is empty or cannot be written.
bool writePng(const Screenshot& image, const std::string& path);

// What a pixel shows: a gem colour 0 to 4, kBlack for the background, kUnknown otherwise.
constexpr int kBlack = -1;
constexpr int kUnknown = -2;
int classifyPixel(const Rgb& pixel);

// Pixel centre of the gem drawn at cell (column, row) in a window of the given size.
void cellCentre(double column, double row, int width, int height, int& x, int& y);

// The colour shown where a gem at (column, row) would be: classifyPixel of the median around
// its centre; kUnknown on an empty screenshot. Rows may be fractional, for a falling piece.
int colourAtCell(const Screenshot& image, double column, double row);

// Height, in rows, of the top of the highest lit pixel above the centre line of a column;
// -1 if the column is dark.
double topOfColumn(const Screenshot& image, int column);

// Every cell of the well as text, row 13 first: '.' black, '0'-'4' colours, '?' unknown.
// Empty for an empty screenshot, so it cannot pass for an empty well.
std::vector<std::string> wellText(const Screenshot& image);
