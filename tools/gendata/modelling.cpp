#include "modelling.h"

#include "tissues.h"

#include <cmath>

V3 toScene(V3 a, Frame f)
{
    return f == Frame::Supine ? V3{-a.x, -a.y, a.z} : V3{a.z, a.x, a.y};
}

QString sceneAxis(V3 anatomical, Frame f)
{
    const V3 d = toScene(anatomical, f);
    const float c[3] = {d.x, d.y, d.z};
    const int axis = std::abs(c[0]) >= std::abs(c[1]) && std::abs(c[0]) >= std::abs(c[2]) ? 0
                     : std::abs(c[1]) >= std::abs(c[2])                                   ? 1
                                                                                          : 2;
    return QString(c[axis] < 0 ? '-' : '+') + QChar("xyz"[axis]);
}

Mesh place(Mesh m, Frame f, float scale)
{
    for (auto &v : m.vertices) {
        v.p = toScene(v.p, f) * scale;
        v.n = toScene(v.n, f);
    }
    return m;
}

Mesh merge(std::initializer_list<Mesh> parts)
{
    Mesh m;
    for (const Mesh &p : parts)
        m.append(p);
    return m;
}

Mesh tinted(Mesh m, int from, int to)
{
    for (auto &v : m.vertices)
        if (v.tissue == from)
            v.tissue = to;
    return m;
}

Mesh mirrored(Mesh m, V3 shift)
{
    for (auto &v : m.vertices) {
        v.p = V3{-v.p.x, v.p.y, v.p.z} + shift;
        v.n = V3{-v.n.x, v.n.y, v.n.z};
    }
    for (auto &t : m.triangles)
        std::swap(t[1], t[2]);
    return m;
}

Mesh transformed(Mesh m, V3 pivot, V3 axis, float degrees, float scale, V3 to)
{
    for (auto &v : m.vertices) {
        v.p = to + rotate(v.p - pivot, axis, degrees) * scale;
        v.n = rotate(v.n, axis, degrees);
    }
    return m;
}

Mesh sweepRound(const std::vector<V3> &path, float r0, float r1, int sides, int tissue, V3 side)
{
    std::vector<float> r;
    for (size_t i = 0; i < path.size(); ++i)
        r.push_back(r0 + (r1 - r0) * float(i) / float(path.size() - 1));
    return sweep(path, r, r, side, sides, tissue);
}

Shape plate(V3 o, V3 n, float half, V3 o2, V3 n2, Box box)
{
    const V3 nn = normalized(n), mm = normalized(n2);
    return {[=](V3 p) {
                return Sample{std::max(std::abs(dot(p - o, nn)) - half, dot(p - o2, mm)), Ghost};
            },
            box};
}

V3 onSurface(const Shape &s, V3 p, float lift)
{
    const float e = 1e-4f;
    for (int i = 0; i < 8; ++i) {
        const float d = s(p).d;
        const V3 g = normalized(V3{s(p + V3{e, 0, 0}).d - s(p - V3{e, 0, 0}).d,
                                   s(p + V3{0, e, 0}).d - s(p - V3{0, e, 0}).d,
                                   s(p + V3{0, 0, e}).d - s(p - V3{0, 0, e}).d});
        p = p - g * (d - lift);
    }
    return p;
}

namespace {

// Catmull-Rom resampling of a closed loop into `count` points.
std::vector<V3> smoothLoop(const std::vector<V3> &c, int count)
{
    const int n = int(c.size());
    std::vector<V3> out;
    for (int i = 0; i < count; ++i) {
        const float u = float(i) / float(count) * n;
        const int s = int(u);
        const float t = u - s;
        const V3 p0 = c[(s + n - 1) % n], p1 = c[s % n], p2 = c[(s + 1) % n], p3 = c[(s + 2) % n];
        const float t2 = t * t, t3 = t2 * t;
        out.push_back((p1 * 2 + (p2 - p0) * t + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * t2
                       + (p1 * 3 - p0 - p2 * 3 + p3) * t3)
                      * 0.5f);
    }
    return out;
}

} // namespace

Mesh blade(const std::vector<V3> &keys, const std::vector<float> &keyBorder, int count, V3 normal,
           float half, float cup, int tissue)
{
    const std::vector<V3> outline = smoothLoop(keys, count);
    std::vector<float> border;
    for (int i = 0; i < count; ++i) {
        const float u = float(i) / float(count) * float(keys.size());
        const int k = int(u);
        border.push_back(keyBorder[k]
                         + (keyBorder[(k + 1) % keys.size()] - keyBorder[k]) * (u - k));
    }
    const int n = count, rings = 3, rim = 4;
    const V3 nn = normalized(normal);
    V3 centre;
    for (const V3 &p : outline)
        centre = centre + p * (1.0f / float(n));
    Mesh m;
    // Ring 0 is the outline; the faces thin from the border's thickness to
    // `half` over the first two rings.
    auto thickness = [&](int ring, int i) {
        const float w = std::max(0.0f, 1.0f - float(ring) / 2.0f);
        return half + (border[i] - half) * w * w;
    };
    auto middle = [&](int ring, int i) {
        const float s = 1.0f - float(ring) / float(rings);
        return lerp(centre, outline[i], s) + nn * (cup * (1 - s * s));
    };
    auto vertex = [&](V3 p, V3 normalHint) {
        m.vertices.push_back({p, normalHint, tissue});
        return int(m.vertices.size()) - 1;
    };
    // rows[face][ring][i]; the rim's rows run from the top face round to the bottom one.
    std::vector<std::vector<int>> top(rings, std::vector<int>(n)),
        bottom(rings, std::vector<int>(n));
    std::vector<std::vector<int>> rimRows(rim - 1, std::vector<int>(n));
    for (int ring = 0; ring < rings; ++ring)
        for (int i = 0; i < n; ++i) {
            const V3 p = middle(ring, i);
            top[ring][i] = vertex(p + nn * thickness(ring, i), nn);
            bottom[ring][i] = vertex(p - nn * thickness(ring, i), nn * -1.0f);
        }
    for (int i = 0; i < n; ++i) {
        const V3 tangent = outline[(i + 1) % n] - outline[(i + n - 1) % n];
        V3 out = normalized(cross(tangent, nn));
        if (dot(out, outline[i] - centre) < 0)
            out = out * -1.0f;
        for (int j = 1; j < rim; ++j) {
            const float a = pi * float(j) / float(rim);
            const V3 dir = nn * std::cos(a) + out * std::sin(a);
            rimRows[j - 1][i] = vertex(outline[i] + dir * border[i], dir);
        }
    }
    const int topCentre = vertex(centre + nn * (cup + half), nn),
              bottomCentre = vertex(centre + nn * (cup - half), nn * -1.0f);
    auto strip = [&](const std::vector<int> &a, const std::vector<int> &b) {
        for (int i = 0; i < n; ++i) {
            const int j = (i + 1) % n;
            m.triangles.push_back({a[i], a[j], b[j]});
            m.triangles.push_back({a[i], b[j], b[i]});
        }
    };
    for (int ring = 0; ring + 1 < rings; ++ring) {
        strip(top[ring], top[ring + 1]);
        strip(bottom[ring], bottom[ring + 1]);
    }
    strip(top[0], rimRows[0]);
    for (int j = 0; j + 1 < rim - 1; ++j)
        strip(rimRows[j], rimRows[j + 1]);
    strip(rimRows[rim - 2], bottom[0]);
    for (int i = 0; i < n; ++i) {
        m.triangles.push_back({top[rings - 1][i], top[rings - 1][(i + 1) % n], topCentre});
        m.triangles.push_back({bottom[rings - 1][i], bottom[rings - 1][(i + 1) % n], bottomCentre});
    }
    // Turn every face outwards, then smooth the normals over the faces.
    for (auto &t : m.triangles) {
        const V3 a = m.vertices[t[0]].p, b = m.vertices[t[1]].p, c = m.vertices[t[2]].p;
        if (dot(cross(b - a, c - a), m.vertices[t[0]].n + m.vertices[t[1]].n + m.vertices[t[2]].n)
            < 0)
            std::swap(t[1], t[2]);
    }
    std::vector<V3> sum(m.vertices.size());
    for (const auto &t : m.triangles) {
        const V3 f =
            cross(m.vertices[t[1]].p - m.vertices[t[0]].p, m.vertices[t[2]].p - m.vertices[t[0]].p);
        for (int k : t)
            sum[k] = sum[k] + f;
    }
    for (size_t i = 0; i < sum.size(); ++i)
        m.vertices[i].n = normalized(sum[i]);
    return m;
}
