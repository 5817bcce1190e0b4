#pragma once

// Small vector and signed-distance toolkit the anatomy models are built
// from. Every shape carries a conservative bounding box so the mesher knows
// where to sample, and a tissue id per sample so one piece can mix tissues
// (a heart with its red and blue vessels).

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

struct V3
{
    float x = 0, y = 0, z = 0;
};

inline V3 operator+(V3 a, V3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(V3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline V3 operator*(float s, V3 a)
{
    return a * s;
}
inline V3 mul(V3 a, V3 b)
{
    return {a.x * b.x, a.y * b.y, a.z * b.z};
}
inline V3 divide(V3 a, V3 b)
{
    return {a.x / b.x, a.y / b.y, a.z / b.z};
}
inline float dot(V3 a, V3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 cross(V3 a, V3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(V3 a)
{
    return std::sqrt(dot(a, a));
}
inline V3 normalized(V3 a)
{
    const float l = length(a);
    return l > 1e-12f ? a * (1.0f / l) : V3{0, 0, 1};
}
inline V3 vmin(V3 a, V3 b)
{
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}
inline V3 vmax(V3 a, V3 b)
{
    return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}
inline V3 lerp(V3 a, V3 b, float t)
{
    return a + (b - a) * t;
}

struct Box
{
    V3 lo{1e9f, 1e9f, 1e9f};
    V3 hi{-1e9f, -1e9f, -1e9f};

    void add(V3 p)
    {
        lo = vmin(lo, p);
        hi = vmax(hi, p);
    }
    void add(const Box &b)
    {
        lo = vmin(lo, b.lo);
        hi = vmax(hi, b.hi);
    }
    Box grown(float r) const { return {lo - V3{r, r, r}, hi + V3{r, r, r}}; }
    V3 centre() const { return (lo + hi) * 0.5f; }
    V3 size() const { return hi - lo; }
    bool valid() const { return lo.x <= hi.x; }
};

struct Sample
{
    float d = 1e9f;
    int tissue = 0;
};

// A solid: signed distance (negative inside) plus its bounding box.
struct Shape
{
    std::function<Sample(V3)> field;
    Box box;

    Sample operator()(V3 p) const { return field(p); }
};

// Primitives. Radii are in the model's own units.
Shape sphere(V3 c, float r, int tissue);
Shape ellipsoid(V3 c, V3 r, int tissue);
Shape capsule(V3 a, V3 b, float ra, float rb, int tissue);
// A tube through the points, radius given per point, joints smoothed.
Shape tube(const std::vector<V3> &points, const std::vector<float> &radii, int tissue,
           float smooth = 0);
Shape roundBox(V3 c, V3 half, float r, int tissue);
Shape torus(V3 c, float major, float minor, int tissue); // ring in the xy plane
// A flat triangle through a, b, c thickened by r on every side: blades of
// bone (the iliac wing, the scapula).
Shape triangle(V3 a, V3 b, V3 c, float r, int tissue);

// Combinations; k is the blending radius (0: sharp).
Shape unite(const Shape &a, const Shape &b, float k = 0);
Shape unite(const std::vector<Shape> &shapes, float k = 0);
Shape subtract(const Shape &a, const Shape &b, float k = 0);
Shape intersect(const Shape &a, const Shape &b, float k = 0);
// Keeps the part of `a` on the negative side of the plane dot(p - o, n) < 0.
Shape clip(const Shape &a, V3 o, V3 n, float k = 0);
// Pushes the surface out by amount(p) (negative carves in); `reach` bounds it.
Shape displace(const Shape &a, std::function<float(V3)> amount, float reach);
// Paints another tissue on the parts of `a` where `where(p)` holds.
Shape paint(const Shape &a, std::function<bool(V3)> where, int tissue);
// Rigid motions of a shape: rotate about the origin by angle (degrees)
// around an axis, then translate.
Shape rotated(const Shape &a, V3 axis, float degrees);
Shape moved(const Shape &a, V3 offset);
// Uniform scaling about the origin.
Shape scaled(const Shape &a, float factor);
// Mirrors across x = 0 (the midline of the models in their own frame).
Shape mirroredX(const Shape &a);

// Turns p about the origin by angle (degrees) around an axis.
V3 rotate(V3 p, V3 axis, float degrees);

// Deterministic smooth 3D noise in [-1, 1].
float noise3(V3 p, unsigned seed = 1);
