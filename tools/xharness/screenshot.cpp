#include "screenshot.h"

#include "app/projection.h"
#include "game/tuning.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <zlib.h>

namespace
{
uint32_t readCard32(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
    {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    }
    return value;
}

int channel(uint32_t pixel, uint32_t mask)
{
    if (mask == 0)
    {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1u) == 0)
    {
        ++shift;
    }
    const uint32_t max = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255u / max);
}

// Lit sphere centres as this scene draws them: diffuse plus the global ambient plus a white
// specular highlight, for the five colours of the palette.
constexpr Rgb kLitColours[5] = {
    {255, 138, 61}, {255, 61, 61}, {61, 61, 255}, {255, 255, 61}, {61, 255, 61}};
}  // namespace

bool parseXwd(const std::string& bytes, Screenshot& image)
{
    constexpr size_t kHeaderFields = 25;
    if (bytes.size() < kHeaderFields * 4)
    {
        return false;
    }
    const uint32_t headerSize = readCard32(bytes, 0);
    const uint32_t format = readCard32(bytes, 8);
    const uint32_t width = readCard32(bytes, 16);
    const uint32_t height = readCard32(bytes, 20);
    const uint32_t byteOrder = readCard32(bytes, 28);
    const uint32_t bitsPerPixel = readCard32(bytes, 44);
    const uint32_t bytesPerLine = readCard32(bytes, 48);
    const uint32_t masks[3] = {readCard32(bytes, 56), readCard32(bytes, 60), readCard32(bytes, 64)};
    const uint32_t colourCount = readCard32(bytes, 76);
    constexpr uint32_t kZPixmap = 2;
    if (format != kZPixmap || (bitsPerPixel != 32 && bitsPerPixel != 24) || width == 0 ||
        height == 0 || width > 16384 || height > 16384)
    {
        return false;
    }
    const size_t dataStart = headerSize + static_cast<size_t>(colourCount) * 12;
    if (bytes.size() < dataStart + static_cast<size_t>(bytesPerLine) * height)
    {
        return false;
    }
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.assign(static_cast<size_t>(width) * height, Rgb{});
    const size_t pixelBytes = bitsPerPixel / 8;
    for (uint32_t y = 0; y < height; ++y)
    {
        for (uint32_t x = 0; x < width; ++x)
        {
            const size_t at = dataStart + static_cast<size_t>(y) * bytesPerLine + x * pixelBytes;
            uint32_t pixel = 0;
            for (size_t i = 0; i < pixelBytes; ++i)
            {
                const uint32_t byte = static_cast<unsigned char>(bytes[at + i]);
                // Byte order 0 is least significant byte first.
                pixel |= byteOrder == 0 ? byte << (8 * i) : byte << (8 * (pixelBytes - 1 - i));
            }
            image.pixels[static_cast<size_t>(y) * width + x] =
                Rgb{channel(pixel, masks[0]), channel(pixel, masks[1]), channel(pixel, masks[2])};
        }
    }
    return true;
}

bool writePpm(const Screenshot& image, const std::string& path)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
    {
        return false;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", image.width, image.height);
    for (const Rgb& p : image.pixels)
    {
        const unsigned char rgb[3] = {static_cast<unsigned char>(p.r),
                                      static_cast<unsigned char>(p.g),
                                      static_cast<unsigned char>(p.b)};
        std::fwrite(rgb, 1, 3, out);
    }
    return std::fclose(out) == 0;
}

namespace
{
void putBigEndian(std::string& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

void putChunk(std::string& out, const char* type, const std::string& data)
{
    putBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    putBigEndian(out, static_cast<uint32_t>(
                          crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size())));
}
}  // namespace

bool writePng(const Screenshot& image, const std::string& path)
{
    // Each row: filter type 0, then red, green, blue.
    std::string raw;
    raw.reserve(static_cast<size_t>(image.height) * (1 + 3 * image.width));
    for (int y = 0; y < image.height; ++y)
    {
        raw += '\0';
        for (int x = 0; x < image.width; ++x)
        {
            const Rgb p = image.at(x, y);
            raw += static_cast<char>(p.r);
            raw += static_cast<char>(p.g);
            raw += static_cast<char>(p.b);
        }
    }
    uLongf packedSize = compressBound(raw.size());
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
                  reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 9) != Z_OK)
    {
        return false;
    }
    packed.resize(packedSize);

    std::string header;
    putBigEndian(header, static_cast<uint32_t>(image.width));
    putBigEndian(header, static_cast<uint32_t>(image.height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", packed);
    putChunk(png, "IEND", "");
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
    {
        return false;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), out) == png.size();
    return std::fclose(out) == 0 && written;
}

Rgb Screenshot::medianAround(int x, int y, int radius) const
{
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
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(),
                                          [threshold](const Rgb& p) {
                                              return std::max({p.r, p.g, p.b}) > threshold;
                                          }));
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
    return classifyPixel(image.medianAround(x, y, 2));
}

double topOfColumn(const Screenshot& image, int column)
{
    constexpr double kStep = 0.02;
    for (double row = kRows + 1.0; row >= -0.5; row -= kStep)
    {
        int x = 0;
        int y = 0;
        cellCentre(column, row, image.width, image.height, x, y);
        if (y >= 0 && y < image.height && classifyPixel(image.at(x, y)) != kBlack)
        {
            return row;
        }
    }
    return -1.0;
}

std::vector<std::string> wellText(const Screenshot& image)
{
    std::vector<std::string> rows;
    for (int row = kRows - 1; row >= 0; --row)
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
