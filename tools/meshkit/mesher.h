#pragma once

// Turning solids into triangle meshes small enough for MD2 (at most 2048
// vertices and 4096 triangles a frame): surface nets over a grid whose
// spacing is chosen to meet a vertex budget, plus swept tubes for the thin
// parts (ribs, fingers) that a grid could only afford at far too many
// vertices.

#include "geometry.h"

#include <array>
#include <vector>

struct MeshVertex3
{
    V3 p;
    V3 n;
    int tissue = 0;
};

struct Mesh
{
    std::vector<MeshVertex3> vertices;
    std::vector<std::array<int, 3>> triangles; // counter-clockwise seen from outside

    void append(const Mesh &other);
    Box bounds() const;
};

// A pixel of the piece skin, for one triangle corner.
struct Texel
{
    float s = 0, t = 0;
};

// Meshes the shape with as fine a grid as `maxVertices` allows; empty when
// the shape holds nothing.
Mesh meshShape(const Shape &shape, int maxVertices);

// A closed tube along `path` with an elliptical section: `width` across the
// side vector (`side` hint, made perpendicular to the path) and `depth`
// across the other, both per point, `sides` vertices around; the ends are
// capped with a fan.
Mesh sweep(const std::vector<V3> &path, const std::vector<float> &width,
           const std::vector<float> &depth, V3 side, int sides, int tissue);

// Catmull-Rom resampling of a control polygon into `count` points.
std::vector<V3> smoothPath(const std::vector<V3> &controls, int count);
