#include "outline.h"

#include <cmath>
#include <cstdint>

namespace makeset {
namespace {

// Cells along the pieces' longest extent.
constexpr int resolution = 64;

struct Grid
{
    V3 lo;
    float h = 1;
    int n[3] = {0, 0, 0};
    size_t at(int i, int j, int k) const { return (size_t(k) * n[1] + j) * n[0] + i; }
    size_t size() const { return size_t(n[0]) * n[1] * n[2]; }
};

// Marks every cell a triangle passes through, by sampling it at half the
// cell size.
void markSurface(const Grid &grid, const Mesh &mesh, std::vector<uint8_t> &solid)
{
    for (const auto &t : mesh.triangles) {
        const V3 a = mesh.vertices[t[0]].p, b = mesh.vertices[t[1]].p, c = mesh.vertices[t[2]].p;
        const float longest = std::max({length(b - a), length(c - a), length(c - b)});
        const int k = std::clamp(int(std::ceil(longest / (0.5f * grid.h))), 1, 128);
        for (int i = 0; i <= k; ++i)
            for (int j = 0; i + j <= k; ++j) {
                const V3 p = a + (b - a) * (float(i) / k) + (c - a) * (float(j) / k) - grid.lo;
                const int x = int(p.x / grid.h), y = int(p.y / grid.h), z = int(p.z / grid.h);
                if (x >= 0 && y >= 0 && z >= 0 && x < grid.n[0] && y < grid.n[1] && z < grid.n[2])
                    solid[grid.at(x, y, z)] = 1;
            }
    }
}

// Everything the outside cannot reach is solid: fills the pieces' insides.
void fillInside(const Grid &grid, std::vector<uint8_t> &solid)
{
    std::vector<uint8_t> outside(grid.size(), 0);
    std::vector<size_t> todo;
    const auto reach = [&](int i, int j, int k) {
        if (i < 0 || j < 0 || k < 0 || i >= grid.n[0] || j >= grid.n[1] || k >= grid.n[2])
            return;
        const size_t c = grid.at(i, j, k);
        if (!solid[c] && !outside[c])
            outside[c] = 1, todo.push_back(c);
    };
    reach(0, 0, 0); // the grid's corner lies beyond the margin, so outside
    while (!todo.empty()) {
        const size_t c = todo.back();
        todo.pop_back();
        const int i = int(c % grid.n[0]), j = int(c / grid.n[0] % grid.n[1]),
                  k = int(c / (size_t(grid.n[0]) * grid.n[1]));
        reach(i - 1, j, k), reach(i + 1, j, k), reach(i, j - 1, k), reach(i, j + 1, k),
            reach(i, j, k - 1), reach(i, j, k + 1);
    }
    for (size_t c = 0; c < solid.size(); ++c)
        solid[c] = !outside[c];
}

// Distance of every cell from the solid, in cells (two chamfer sweeps).
std::vector<float> distances(const Grid &grid, const std::vector<uint8_t> &solid)
{
    std::vector<float> d(grid.size());
    for (size_t c = 0; c < d.size(); ++c)
        d[c] = solid[c] ? 0.0f : 1e9f;
    for (int pass = 0; pass < 2; ++pass) {
        const int step = pass == 0 ? 1 : -1;
        for (int k0 = 0; k0 < grid.n[2]; ++k0)
            for (int j0 = 0; j0 < grid.n[1]; ++j0)
                for (int i0 = 0; i0 < grid.n[0]; ++i0) {
                    const int i = pass == 0 ? i0 : grid.n[0] - 1 - i0;
                    const int j = pass == 0 ? j0 : grid.n[1] - 1 - j0;
                    const int k = pass == 0 ? k0 : grid.n[2] - 1 - k0;
                    float &here = d[grid.at(i, j, k)];
                    // The thirteen neighbours a sweep has already passed.
                    for (int dk = -1; dk <= 0; ++dk)
                        for (int dj = -1; dj <= 1; ++dj)
                            for (int di = -1; di <= 1; ++di) {
                                if (dk == 0 && (dj > 0 || (dj == 0 && di >= 0)))
                                    continue;
                                const int x = i + di * step, y = j + dj * step, z = k + dk * step;
                                if (x < 0 || y < 0 || z < 0 || x >= grid.n[0] || y >= grid.n[1]
                                    || z >= grid.n[2])
                                    continue;
                                here = std::min(
                                    here, d[grid.at(x, y, z)]
                                              + std::sqrt(float(di * di + dj * dj + dk * dk)));
                            }
                }
    }
    return d;
}

} // namespace

Mesh outlineOf(const std::vector<const Mesh *> &pieces, float margin, int maxVertices)
{
    Box box;
    for (const Mesh *mesh : pieces)
        box.add(mesh->bounds());
    const float longest = box.valid() ? std::max({box.size().x, box.size().y, box.size().z}) : 0.0f;
    if (!(longest > 0))
        return {};
    Grid grid;
    grid.h = longest / resolution;
    const float reach = margin * longest + 2 * grid.h;
    grid.lo = box.lo - V3{reach, reach, reach};
    for (int a = 0; a < 3; ++a) {
        const float extent = (a == 0   ? box.size().x
                              : a == 1 ? box.size().y
                                       : box.size().z)
                             + 2 * reach;
        grid.n[a] = int(std::ceil(extent / grid.h)) + 1;
    }
    std::vector<uint8_t> solid(grid.size(), 0);
    for (const Mesh *mesh : pieces)
        markSurface(grid, *mesh, solid);
    fillInside(grid, solid);
    const std::vector<float> d = distances(grid, solid);
    const float level = margin * longest / grid.h;

    // Trilinear in the cell distances, in cells, less the margin.
    const auto field = [grid, d, level](V3 p) {
        const V3 q = (p - grid.lo) * (1.0f / grid.h) - V3{0.5f, 0.5f, 0.5f}; // cell centres
        const int i = int(std::floor(q.x)), j = int(std::floor(q.y)), k = int(std::floor(q.z));
        if (i < 0 || j < 0 || k < 0 || i + 1 >= grid.n[0] || j + 1 >= grid.n[1]
            || k + 1 >= grid.n[2])
            return Sample{1.0f, 0};
        const float fx = q.x - i, fy = q.y - j, fz = q.z - k;
        const auto at = [&](int di, int dj, int dk) { return d[grid.at(i + di, j + dj, k + dk)]; };
        const auto lerp1 = [](float a, float b, float t) { return a + (b - a) * t; };
        const float v = lerp1(
            lerp1(lerp1(at(0, 0, 0), at(1, 0, 0), fx), lerp1(at(0, 1, 0), at(1, 1, 0), fx), fy),
            lerp1(lerp1(at(0, 0, 1), at(1, 0, 1), fx), lerp1(at(0, 1, 1), at(1, 1, 1), fx), fy),
            fz);
        return Sample{v - level, 0};
    };
    return meshShape(Shape{field, box.grown(margin * longest + grid.h)}, maxVertices);
}

} // namespace makeset
