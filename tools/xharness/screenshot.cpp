#include "screenshot.h"

#include "app/projection.h"
#include "game/tuning.h"

#include <algorithm>
#include <cmath>
#include <png.h>

namespace
{
// Lit sphere centres as this scene draws them: diffuse plus the global ambient plus a white
// specular highlight, for the five colours of the palette.
constexpr Rgb kLitColours[5] = {
    {255, 138, 61}, {255, 61, 61}, {61, 61, 255}, {255, 255, 61}, {61, 255, 61}};
}  // namespace

bool writePng(const Screenshot& image, const std::string& path)
{
    std::vector<png_byte> rgb;
    rgb.reserve(image.pixels.size() * 3);
    for (const Rgb& p : image.pixels)
    {
        rgb.insert(rgb.end(), {static_cast<png_byte>(p.r), static_cast<png_byte>(p.g),
                               static_cast<png_byte>(p.b)});
    }
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    return !rgb.empty() && png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr);
}

Rgb Screenshot::medianAround(int x, int y, int radius) const
{
    if (pixels.empty())
    {
        return Rgb{};
    }
    std::vector<int> r, g, b;
    for (int dy = -radius; dy <= radius; ++dy)
    {
        for (int dx = -radius; dx <= radius; ++dx)
        {
            const int px = std::clamp(x + dx, 0, width - 1);
            const int py = std::clamp(y + dy, 0, height - 1);
            const Rgb p = at(px, py);
            r.push_back(p.r);
            g.push_back(p.g);
            b.push_back(p.b);
        }
    }
    const auto median = [](std::vector<int>& v)
    {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    return Rgb{median(r), median(g), median(b)};
}

int Screenshot::litPixels(int threshold) const
{
    // clang-format off: Debian 12's and 13's clang-format lay a lambda argument out differently.
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(),
                                          [threshold](const Rgb& p) {
                                              return std::max({p.r, p.g, p.b}) > threshold;
                                          }));
    // clang-format on
}

int classifyPixel(const Rgb& pixel)
{
    if (std::max({pixel.r, pixel.g, pixel.b}) < 30)
    {
        return kBlack;
    }
    int best = kUnknown;
    double bestDistance = 1e9;
    for (int colour = 0; colour < 5; ++colour)
    {
        const Rgb& lit = kLitColours[colour];
        const double distance = std::hypot(pixel.r - lit.r, pixel.g - lit.g, pixel.b - lit.b);
        if (distance < bestDistance)
        {
            bestDistance = distance;
            best = colour;
        }
    }
    // Well away from every lit colour (an edge, a blend): say so rather than guess.
    return bestDistance < 60.0 ? best : kUnknown;
}

void cellCentre(double column, double row, int width, int height, int& x, int& y)
{
    double eye[3];
    cellToEye(column, row, eye);
    const WindowPoint point = projectToWindow(eye[0], eye[1], eye[2], width, height);
    x = static_cast<int>(std::lround(point.x));
    y = static_cast<int>(std::lround(point.y));
}

int colourAtCell(const Screenshot& image, double column, double row)
{
    int x = 0;
    int y = 0;
    cellCentre(column, row, image.width, image.height, x, y);
    return image.pixels.empty() ? kUnknown : classifyPixel(image.medianAround(x, y, 2));
}

double topOfColumn(const Screenshot& image, int column)
{
    constexpr double kStep = 0.02;
    for (double row = kRows + 1.0; row >= -0.5; row -= kStep)
    {
        int x = 0;
        int y = 0;
        cellCentre(column, row, image.width, image.height, x, y);
        if (classifyPixel(image.at(x, y)) != kBlack)
        {
            return row;
        }
    }
    return -1.0;
}

std::vector<std::string> wellText(const Screenshot& image)
{
    std::vector<std::string> rows;
    for (int row = kRows - 1; row >= 0 && !image.pixels.empty(); --row)
    {
        std::string line;
        for (int column = 0; column < kColumns; ++column)
        {
            const int colour = colourAtCell(image, column, row);
            line += colour == kBlack ? '.' : colour == kUnknown ? '?' : char('0' + colour);
        }
        rows.push_back(line);
    }
    return rows;
}
