// glutSolidSphere: the sphere mesh exactly as freeglut builds it, built once a shape and handed
// to the vertex stage each time the game draws a gem.
#include "fixed_function.h"

#include <GL/freeglut.h>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace
{
using namespace fixed_function;

// The sphere exactly as freeglut builds it: the same circle tables (float angles, sines and
// cosines of double), the same vertex order from the +z pole down, and each of its triangle
// strips (one a stack) unrolled into the triangles GL draws for it.
Mesh sphereMesh(GLfloat radius, GLint slices, GLint stacks)
{
    const auto circle =
        [](int n, bool half, std::vector<GLfloat>& sines, std::vector<GLfloat>& cosines)
    {
        const int size = std::abs(n);
        const GLfloat angle =
            (half ? 1 : 2) * static_cast<GLfloat>(M_PI) / static_cast<GLfloat>(n == 0 ? 1 : n);
        sines.assign(size + 1, 0.0f);
        cosines.assign(size + 1, 1.0f);
        for (int i = 1; i < size; ++i)
        {
            sines[i] = static_cast<GLfloat>(std::sin(angle * i));
            cosines[i] = static_cast<GLfloat>(std::cos(angle * i));
        }
        sines[size] = half ? 0.0f : sines[0];
        cosines[size] = half ? -1.0f : cosines[0];
    };
    std::vector<GLfloat> sin1, cos1, sin2, cos2;
    circle(-slices, false, sin1, cos1);
    circle(stacks, true, sin2, cos2);

    const int vertexCount = slices * (stacks - 1) + 2;
    std::vector<GLfloat> vertices;
    vertices.reserve(static_cast<size_t>(vertexCount) * 6);
    // clang-format off: Debian 12's and 13's clang-format lay a long lambda out differently.
    const auto add = [&vertices, radius](GLfloat x, GLfloat y, GLfloat z) {
        vertices.insert(vertices.end(), {x * radius, y * radius, z * radius, x, y, z});
    };
    // clang-format on
    add(0.0f, 0.0f, 1.0f);
    for (int i = 1; i < stacks; ++i)
    {
        for (int j = 0; j < slices; ++j)
        {
            add(cos1[j] * sin2[i], sin1[j] * sin2[i], cos2[i]);
        }
    }
    add(0.0f, 0.0f, -1.0f);

    // freeglut's strips: the top fan, the middle stacks, the bottom fan, each closed by
    // repeating its first pair.
    std::vector<std::vector<GLushort>> strips;
    std::vector<GLushort> strip;
    for (int j = 0; j < slices; ++j)
    {
        strip.insert(strip.end(), {static_cast<GLushort>(j + 1), 0});
    }
    strip.insert(strip.end(), {1, 0});
    strips.push_back(strip);
    for (int i = 0; i < stacks - 2; ++i)
    {
        const int offset = 1 + i * slices;
        strip.clear();
        for (int j = 0; j < slices; ++j)
        {
            strip.insert(strip.end(), {static_cast<GLushort>(offset + j + slices),
                                       static_cast<GLushort>(offset + j)});
        }
        strip.insert(strip.end(),
                     {static_cast<GLushort>(offset + slices), static_cast<GLushort>(offset)});
        strips.push_back(strip);
    }
    const int offset = 1 + (stacks - 2) * slices;
    strip.clear();
    for (int j = 0; j < slices; ++j)
    {
        strip.insert(strip.end(),
                     {static_cast<GLushort>(vertexCount - 1), static_cast<GLushort>(offset + j)});
    }
    strip.insert(strip.end(),
                 {static_cast<GLushort>(vertexCount - 1), static_cast<GLushort>(offset)});
    strips.push_back(strip);

    // Triangle k of a strip is (k, k+1, k+2), with the first two swapped for odd k so that
    // every triangle keeps the strip's winding; degenerate ones draw nothing, as in GL.
    std::vector<GLushort> triangles;
    for (const std::vector<GLushort>& s : strips)
    {
        for (size_t k = 0; k + 2 < s.size(); ++k)
        {
            const bool odd = k % 2 == 1;
            triangles.insert(triangles.end(), {s[odd ? k + 1 : k], s[odd ? k : k + 1], s[k + 2]});
        }
    }
    return Mesh{vertices, triangles};
}
}  // namespace

extern "C"
{

    void glutSolidSphere(GLdouble radius, GLint slices, GLint stacks)
    {
        if (slices == 0 || stacks < 2)
        {
            return;  // freeglut draws nothing then
        }
        // Meshes are kept by shape so each is built once. The board's gems use one shape; the
        // next column's gems shrink with a narrow view, so every resize of such a view asks for
        // a new radius: only the few most recently drawn shapes are kept.
        struct Shape
        {
            GLfloat radius;
            GLint slices;
            GLint stacks;
            Mesh mesh;
            uint64_t lastDrawn;
        };
        constexpr size_t kKeptShapes = 4;
        static std::vector<Shape> shapes;
        static uint64_t draws = 0;
        ++draws;
        const GLfloat r = static_cast<GLfloat>(radius);
        Shape* found = nullptr;
        for (Shape& shape : shapes)
        {
            if (shape.radius == r && shape.slices == slices && shape.stacks == stacks)
            {
                found = &shape;
            }
        }
        if (found == nullptr)
        {
            Shape made{r, slices, stacks, sphereMesh(r, slices, stacks), draws};
            if (shapes.size() < kKeptShapes)
            {
                shapes.push_back(std::move(made));
                found = &shapes.back();
            }
            else
            {
                found = &shapes.front();
                for (Shape& shape : shapes)
                {
                    found = shape.lastDrawn < found->lastDrawn ? &shape : found;
                }
                *found = std::move(made);
            }
        }
        found->lastDrawn = draws;
        drawMesh(found->mesh);
    }

}  // extern "C"
