#include "pieces/meshfacing.h"

#include <algorithm>
#include <cmath>
#include <vector>

MeshFacing meshFacing(const Md2Model &model, int frame)
{
    const size_t count = size_t(model.vertexCount);
    if (model.triangles.empty() || frame < 0 || frame >= model.frameCount
        || model.frames.size() < (size_t(frame) + 1) * count)
        return MeshFacing::Open;

    // Every edge as often each way.
    std::vector<quint32> edges;
    edges.reserve(model.triangles.size() * 3);
    for (const MeshTriangle &t : model.triangles) {
        const quint16 a = t.vertexIndex[0], b = t.vertexIndex[1], c = t.vertexIndex[2];
        if (a >= count || b >= count || c >= count)
            return MeshFacing::Open;
        // A triangle on two corners (as at a sphere's poles) covers nothing.
        if (a == b || b == c || c == a)
            continue;
        edges.insert(edges.end(),
                     {quint32(a) << 16 | b, quint32(b) << 16 | c, quint32(c) << 16 | a});
    }
    std::sort(edges.begin(), edges.end());
    for (const quint32 edge : edges) {
        const quint32 reverse = (edge & 0xffff) << 16 | edge >> 16;
        const auto [from, to] = std::equal_range(edges.begin(), edges.end(), edge);
        const auto [rfrom, rto] = std::equal_range(edges.begin(), edges.end(), reverse);
        if (to - from != rto - rfrom)
            return MeshFacing::Open;
    }

    // Six times the volume each piece of the mesh encloses: positive when its
    // triangles turn counterclockwise seen from outside. Every piece must
    // turn the same way: one turned inside out would be culled whole.
    std::vector<quint16> root(count);
    for (size_t i = 0; i < count; ++i)
        root[i] = quint16(i);
    const auto find = [&root](quint16 i) {
        while (root[i] != i)
            i = root[i] = root[root[i]];
        return i;
    };
    for (const MeshTriangle &t : model.triangles) {
        root[find(t.vertexIndex[1])] = find(t.vertexIndex[0]);
        root[find(t.vertexIndex[2])] = find(t.vertexIndex[0]);
    }
    const MeshVertex *v = model.frames.data() + size_t(frame) * count;
    std::vector<double> volumes(count, 0.0);
    std::vector<char> used(count, 0);
    double scale = 0;
    for (const MeshTriangle &t : model.triangles) {
        const MeshVertex &a = v[t.vertexIndex[0]], &b = v[t.vertexIndex[1]],
                         &c = v[t.vertexIndex[2]];
        const quint16 r = find(t.vertexIndex[0]);
        used[r] = 1;
        volumes[r] += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y)
                      + double(a.y) * (double(b.z) * c.x - double(b.x) * c.z)
                      + double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
        scale =
            std::max({scale, double(std::abs(a.x)), double(std::abs(a.y)), double(std::abs(a.z))});
    }
    // A flat piece has no outside.
    const double flat = 1e-9 * scale * scale * scale;
    int sign = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!used[i])
            continue;
        const int s = volumes[i] > flat ? 1 : volumes[i] < -flat ? -1 : 0;
        if (s == 0 || (sign != 0 && s != sign))
            return MeshFacing::Open;
        sign = s;
    }
    if (sign == 0)
        return MeshFacing::Open;
    return sign > 0 ? MeshFacing::CounterClockwise : MeshFacing::Clockwise;
}
