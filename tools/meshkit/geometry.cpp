#include "geometry.h"

#include <cstdint>

namespace {

float smin(float a, float b, float k)
{
    if (k <= 0)
        return std::min(a, b);
    const float h = std::clamp(0.5f + 0.5f * (b - a) / k, 0.0f, 1.0f);
    return b + (a - b) * h - k * h * (1 - h);
}

Box rotatedBox(const Box &b, V3 axis, float degrees)
{
    Box out;
    for (int i = 0; i < 8; ++i) {
        const V3 corner{i & 1 ? b.hi.x : b.lo.x, i & 2 ? b.hi.y : b.lo.y, i & 4 ? b.hi.z : b.lo.z};
        out.add(rotate(corner, axis, degrees));
    }
    return out;
}

uint32_t hash(int x, int y, int z, unsigned seed)
{
    uint32_t h = seed * 0x9E3779B1u;
    h ^= uint32_t(x) * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= uint32_t(y) * 0xC2B2AE3Du;
    h = (h << 17) | (h >> 15);
    h ^= uint32_t(z) * 0x27D4EB2Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

float lattice(int x, int y, int z, unsigned seed)
{
    return float(hash(x, y, z, seed) & 0xFFFF) / 32767.5f - 1.0f;
}

} // namespace

V3 rotate(V3 p, V3 axis, float degrees)
{
    const V3 k = normalized(axis);
    const float a = degrees * 3.14159265f / 180.0f;
    const float c = std::cos(a), s = std::sin(a);
    return p * c + cross(k, p) * s + k * (dot(k, p) * (1 - c));
}

Shape sphere(V3 c, float r, int tissue)
{
    return {[=](V3 p) { return Sample{length(p - c) - r, tissue}; }, Box{c, c}.grown(r)};
}

Shape ellipsoid(V3 c, V3 r, int tissue)
{
    return {[=](V3 p) {
                const V3 q = p - c;
                const float k0 = length(divide(q, r));
                const float k1 = length(divide(q, mul(r, r)));
                return Sample{k1 > 1e-9f ? k0 * (k0 - 1) / k1 : -std::min({r.x, r.y, r.z}), tissue};
            },
            Box{c - r, c + r}};
}

Shape capsule(V3 a, V3 b, float ra, float rb, int tissue)
{
    Box box{a, a};
    box = box.grown(ra);
    box.add(Box{b, b}.grown(rb));
    const V3 ab = b - a;
    const float len2 = std::max(dot(ab, ab), 1e-12f);
    return {[=](V3 p) {
                const float t = std::clamp(dot(p - a, ab) / len2, 0.0f, 1.0f);
                return Sample{length(p - (a + ab * t)) - (ra + (rb - ra) * t), tissue};
            },
            box};
}

Shape tube(const std::vector<V3> &points, const std::vector<float> &radii, int tissue, float smooth)
{
    std::vector<Shape> parts;
    for (size_t i = 0; i + 1 < points.size(); ++i)
        parts.push_back(capsule(points[i], points[i + 1], radii[i], radii[i + 1], tissue));
    return unite(parts, smooth);
}

Shape roundBox(V3 c, V3 half, float r, int tissue)
{
    return {[=](V3 p) {
                const V3 q = p - c;
                const V3 d{std::abs(q.x) - half.x + r, std::abs(q.y) - half.y + r,
                           std::abs(q.z) - half.z + r};
                const float outside = length(vmax(d, V3{}));
                const float inside = std::min(std::max({d.x, d.y, d.z}), 0.0f);
                return Sample{outside + inside - r, tissue};
            },
            Box{c - half, c + half}};
}

Shape torus(V3 c, float major, float minor, int tissue)
{
    const float rr = major + minor;
    return {[=](V3 p) {
                const V3 q = p - c;
                const float ring = std::sqrt(q.x * q.x + q.y * q.y) - major;
                return Sample{std::sqrt(ring * ring + q.z * q.z) - minor, tissue};
            },
            Box{c - V3{rr, rr, minor}, c + V3{rr, rr, minor}}};
}

Shape triangle(V3 a, V3 b, V3 c, float r, int tissue)
{
    Box box{a, a};
    box.add(b);
    box.add(c);
    const V3 ba = b - a, cb = c - b, ac = a - c;
    const V3 normal = cross(ba, ac);
    // Distance to the nearest edge, or to the plane when p lies over the face.
    auto edge = [](V3 e, V3 q) {
        return length(e * std::clamp(dot(e, q) / dot(e, e), 0.0f, 1.0f) - q);
    };
    return {[=](V3 p) {
                const V3 pa = p - a, pb = p - b, pc = p - c;
                const bool over = dot(cross(ba, normal), pa) >= 0 && dot(cross(cb, normal), pb) >= 0
                                  && dot(cross(ac, normal), pc) >= 0;
                const float d = over ? std::abs(dot(normal, pa)) / length(normal)
                                     : std::min({edge(ba, pa), edge(cb, pb), edge(ac, pc)});
                return Sample{d - r, tissue};
            },
            box.grown(r)};
}

Shape unite(const Shape &a, const Shape &b, float k)
{
    Box box = a.box;
    box.add(b.box);
    return {[=](V3 p) {
                const Sample sa = a(p), sb = b(p);
                return Sample{smin(sa.d, sb.d, k), sa.d <= sb.d ? sa.tissue : sb.tissue};
            },
            box.grown(k * 0.25f)};
}

Shape unite(const std::vector<Shape> &shapes, float k)
{
    Box box;
    for (const Shape &s : shapes)
        box.add(s.box);
    // Cull parts far from the sample before evaluating them: long tubes and
    // rib cages have many segments.
    std::vector<Shape> parts = shapes;
    return {[parts, k](V3 p) {
                Sample best;
                float d = 1e9f;
                for (const Shape &s : parts) {
                    const V3 out = vmax(s.box.lo - p, p - s.box.hi);
                    const float boxDist = length(vmax(out, V3{}));
                    if (boxDist > d + k + 1e-4f && boxDist > 0)
                        continue;
                    const Sample si = s(p);
                    if (si.d < best.d)
                        best.tissue = si.tissue, best.d = si.d;
                    d = d >= 1e8f ? si.d : smin(d, si.d, k);
                }
                best.d = d;
                return best;
            },
            box.grown(k * 0.25f)};
}

Shape subtract(const Shape &a, const Shape &b, float k)
{
    return {[=](V3 p) {
                const Sample sa = a(p);
                const float db = -b(p).d;
                return Sample{-smin(-sa.d, -db, k), sa.tissue};
            },
            a.box};
}

Shape intersect(const Shape &a, const Shape &b, float k)
{
    Box box{vmax(a.box.lo, b.box.lo), vmin(a.box.hi, b.box.hi)};
    return {[=](V3 p) {
                const Sample sa = a(p), sb = b(p);
                return Sample{-smin(-sa.d, -sb.d, k), sa.tissue};
            },
            box};
}

Shape clip(const Shape &a, V3 o, V3 n, float k)
{
    const V3 nn = normalized(n);
    return {[=](V3 p) {
                const Sample sa = a(p);
                return Sample{-smin(-sa.d, -dot(p - o, nn), k), sa.tissue};
            },
            a.box};
}

Shape displace(const Shape &a, std::function<float(V3)> amount, float reach)
{
    return {[=](V3 p) {
                Sample s = a(p);
                if (s.d < reach * 2)
                    s.d -= amount(p);
                return s;
            },
            a.box.grown(reach)};
}

Shape paint(const Shape &a, std::function<bool(V3)> where, int tissue)
{
    return {[=](V3 p) {
                Sample s = a(p);
                if (where(p))
                    s.tissue = tissue;
                return s;
            },
            a.box};
}

Shape rotated(const Shape &a, V3 axis, float degrees)
{
    return {[=](V3 p) { return a(rotate(p, axis, -degrees)); }, rotatedBox(a.box, axis, degrees)};
}

Shape moved(const Shape &a, V3 offset)
{
    return {[=](V3 p) { return a(p - offset); }, Box{a.box.lo + offset, a.box.hi + offset}};
}

Shape scaled(const Shape &a, float factor)
{
    return {[=](V3 p) {
                Sample s = a(p * (1.0f / factor));
                s.d *= factor;
                return s;
            },
            Box{a.box.lo * factor, a.box.hi * factor}};
}

Shape mirroredX(const Shape &a)
{
    return {[=](V3 p) {
                return a(V3{-p.x, p.y, p.z});
            },
            Box{V3{-a.box.hi.x, a.box.lo.y, a.box.lo.z}, V3{-a.box.lo.x, a.box.hi.y, a.box.hi.z}}};
}

float noise3(V3 p, unsigned seed)
{
    const int x0 = int(std::floor(p.x)), y0 = int(std::floor(p.y)), z0 = int(std::floor(p.z));
    const float fx = p.x - x0, fy = p.y - y0, fz = p.z - z0;
    auto fade = [](float t) { return t * t * (3 - 2 * t); };
    const float u = fade(fx), v = fade(fy), w = fade(fz);
    float c[2][2][2];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k)
                c[i][j][k] = lattice(x0 + i, y0 + j, z0 + k, seed);
    auto l = [](float a, float b, float t) { return a + (b - a) * t; };
    return l(l(l(c[0][0][0], c[1][0][0], u), l(c[0][1][0], c[1][1][0], u), v),
             l(l(c[0][0][1], c[1][0][1], u), l(c[0][1][1], c[1][1][1], u), v), w);
}
