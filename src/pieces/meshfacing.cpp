#include "pieces/meshfacing.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

MeshFacing meshFacing(const Md2Model &model, int frame)
{
    const size_t count = size_t(model.vertexCount);
    if (model.triangles.empty() || frame < 0 || frame >= model.frameCount
        || model.frames.size() < (size_t(frame) + 1) * count)
        return MeshFacing::Open;

    // Every edge as often each way. Each use of an edge is filed under its
    // lower corner as the other corner with a last bit for the way it runs;
    // within a corner's few uses, sorted, each edge's uses lie together and
    // must come to as many one way as the other.
    std::vector<quint32> first(count + 1, 0);
    for (const MeshTriangle &t : model.triangles) {
        const quint16 a = t.vertexIndex[0], b = t.vertexIndex[1], c = t.vertexIndex[2];
        if (a >= count || b >= count || c >= count)
            return MeshFacing::Open;
        // A triangle on two corners (as at a sphere's poles) covers nothing.
        if (a == b || b == c || c == a)
            continue;
        ++first[std::min(a, b) + 1];
        ++first[std::min(b, c) + 1];
        ++first[std::min(c, a) + 1];
    }
    for (size_t i = 0; i < count; ++i)
        first[i + 1] += first[i];
    std::vector<quint32> uses(first[count]);
    std::vector<quint32> filled(first.begin(), first.end() - 1);
    for (const MeshTriangle &t : model.triangles) {
        const quint16 a = t.vertexIndex[0], b = t.vertexIndex[1], c = t.vertexIndex[2];
        if (a == b || b == c || c == a)
            continue;
        for (const auto &[from, to] : {std::pair(a, b), std::pair(b, c), std::pair(c, a)})
            uses[filled[std::min(from, to)]++] = quint32(std::max(from, to)) << 1 | (from < to);
    }
    for (size_t v = 0; v < count; ++v) {
        const auto begin = uses.begin() + first[v], end = uses.begin() + first[v + 1];
        std::sort(begin, end);
        for (auto i = begin; i != end;) {
            int balance = 0;
            auto j = i;
            for (; j != end && *j >> 1 == *i >> 1; ++j)
                balance += *j & 1 ? 1 : -1;
            if (balance != 0)
                return MeshFacing::Open;
            i = j;
        }
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
