#include "mesher.h"

#include <cmath>

void Mesh::append(const Mesh &other)
{
    const int base = int(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    for (auto t : other.triangles)
        triangles.push_back({t[0] + base, t[1] + base, t[2] + base});
}

Box Mesh::bounds() const
{
    Box b;
    for (const auto &v : vertices)
        b.add(v.p);
    return b;
}

namespace {

V3 gradient(const Shape &s, V3 p, float e)
{
    return V3{s({p.x + e, p.y, p.z}).d - s({p.x - e, p.y, p.z}).d,
              s({p.x, p.y + e, p.z}).d - s({p.x, p.y - e, p.z}).d,
              s({p.x, p.y, p.z + e}).d - s({p.x, p.y, p.z - e}).d};
}

Mesh surfaceNets(const Shape &shape, float h)
{
    const Box box = shape.box.grown(2 * h);
    const int nx = int(std::ceil(box.size().x / h)) + 1;
    const int ny = int(std::ceil(box.size().y / h)) + 1;
    const int nz = int(std::ceil(box.size().z / h)) + 1;
    auto at = [&](int i, int j, int k) { return (size_t(k) * ny + j) * nx + i; };
    auto point = [&](int i, int j, int k) { return box.lo + V3{i * h, j * h, k * h}; };

    std::vector<float> value(size_t(nx) * ny * nz);
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i)
                value[at(i, j, k)] = shape(point(i, j, k)).d;

    Mesh mesh;
    std::vector<int> cellVertex(size_t(nx) * ny * nz, -1);
    static const int corner[8][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                                     {0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
    static const int edge[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                    {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    for (int k = 0; k + 1 < nz; ++k)
        for (int j = 0; j + 1 < ny; ++j)
            for (int i = 0; i + 1 < nx; ++i) {
                float v[8];
                int inside = 0;
                for (int c = 0; c < 8; ++c) {
                    v[c] = value[at(i + corner[c][0], j + corner[c][1], k + corner[c][2])];
                    inside += v[c] < 0;
                }
                if (inside == 0 || inside == 8)
                    continue;
                V3 sum;
                int count = 0;
                for (const auto &e : edge) {
                    const float a = v[e[0]], b = v[e[1]];
                    if ((a < 0) == (b < 0))
                        continue;
                    const float t = a / (a - b);
                    const V3 pa{float(corner[e[0]][0]), float(corner[e[0]][1]),
                                float(corner[e[0]][2])};
                    const V3 pb{float(corner[e[1]][0]), float(corner[e[1]][1]),
                                float(corner[e[1]][2])};
                    sum = sum + lerp(pa, pb, t);
                    ++count;
                }
                V3 p = point(i, j, k) + sum * (h / float(count));
                // Pull the vertex onto the surface, but never out of its cell:
                // that keeps the faces from folding.
                for (int step = 0; step < 2; ++step) {
                    const V3 g = gradient(shape, p, h * 0.25f);
                    const float g2 = dot(g, g);
                    if (g2 < 1e-20f)
                        break;
                    const float d = shape(p).d;
                    p = p - g * (d * 2 * (h * 0.25f) / g2);
                    const V3 lo = point(i, j, k), hi = point(i + 1, j + 1, k + 1);
                    p = vmin(vmax(p, lo), hi);
                }
                cellVertex[at(i, j, k)] = int(mesh.vertices.size());
                const Sample s = shape(p);
                mesh.vertices.push_back({p, normalized(gradient(shape, p, h * 0.3f)), s.tissue});
            }

    auto quad = [&](int a, int b, int c, int d, bool flip) {
        if (a < 0 || b < 0 || c < 0 || d < 0)
            return;
        if (flip)
            std::swap(b, d);
        const V3 pa = mesh.vertices[a].p, pb = mesh.vertices[b].p, pc = mesh.vertices[c].p,
                 pd = mesh.vertices[d].p;
        if (length(pa - pc) <= length(pb - pd)) {
            mesh.triangles.push_back({a, b, c});
            mesh.triangles.push_back({a, c, d});
        } else {
            mesh.triangles.push_back({a, b, d});
            mesh.triangles.push_back({b, c, d});
        }
    };
    auto cell = [&](int i, int j, int k) {
        if (i < 0 || j < 0 || k < 0 || i + 1 >= nx || j + 1 >= ny || k + 1 >= nz)
            return -1;
        return cellVertex[at(i, j, k)];
    };
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                const bool in = value[at(i, j, k)] < 0;
                if (i + 1 < nx && in != (value[at(i + 1, j, k)] < 0))
                    quad(cell(i, j - 1, k - 1), cell(i, j, k - 1), cell(i, j, k), cell(i, j - 1, k),
                         !in);
                if (j + 1 < ny && in != (value[at(i, j + 1, k)] < 0))
                    quad(cell(i - 1, j, k - 1), cell(i - 1, j, k), cell(i, j, k), cell(i, j, k - 1),
                         !in);
                if (k + 1 < nz && in != (value[at(i, j, k + 1)] < 0))
                    quad(cell(i - 1, j - 1, k), cell(i, j - 1, k), cell(i, j, k), cell(i - 1, j, k),
                         !in);
            }
    return mesh;
}

} // namespace

Mesh meshShape(const Shape &shape, int maxVertices)
{
    const V3 size = shape.box.size();
    float h = std::max({size.x, size.y, size.z}) / 24.0f;
    Mesh mesh = surfaceNets(shape, h);
    if (!mesh.vertices.empty()) {
        // Vertex count goes with the inverse square of the spacing.
        h *= std::sqrt(float(mesh.vertices.size()) / (0.92f * maxVertices));
        mesh = surfaceNets(shape, h);
    }
    while (int(mesh.vertices.size()) > maxVertices) {
        h *= 1.05f;
        mesh = surfaceNets(shape, h);
    }
    return mesh;
}

Mesh sweep(const std::vector<V3> &path, const std::vector<float> &width,
           const std::vector<float> &depth, V3 side, int sides, int tissue)
{
    Mesh mesh;
    const int n = int(path.size());
    for (int i = 0; i < n; ++i) {
        const V3 tangent = normalized(path[std::min(i + 1, n - 1)] - path[std::max(i - 1, 0)]);
        const V3 u = normalized(side - tangent * dot(side, tangent));
        const V3 w = cross(tangent, u);
        for (int s = 0; s < sides; ++s) {
            const float a = 2 * 3.14159265f * s / sides;
            const float c = std::cos(a), sn = std::sin(a);
            const V3 offset = u * (c * width[i]) + w * (sn * depth[i]);
            // Normal of an ellipse: scale by the inverse radii.
            const V3 normal = normalized(u * (c / width[i]) + w * (sn / depth[i]));
            mesh.vertices.push_back({path[i] + offset, normal, tissue});
        }
    }
    for (int i = 0; i + 1 < n; ++i)
        for (int s = 0; s < sides; ++s) {
            const int a = i * sides + s, b = i * sides + (s + 1) % sides;
            const int c = a + sides, d = b + sides;
            mesh.triangles.push_back({a, b, d});
            mesh.triangles.push_back({a, d, c});
        }
    for (int end = 0; end < 2; ++end) {
        const int ring = end ? n - 1 : 0;
        const V3 dir = normalized(end ? path[n - 1] - path[n - 2] : path[0] - path[1]);
        const int centre = int(mesh.vertices.size());
        mesh.vertices.push_back(
            {path[ring] + dir * (0.5f * std::min(width[ring], depth[ring])), dir, tissue});
        for (int s = 0; s < sides; ++s) {
            const int a = ring * sides + s, b = ring * sides + (s + 1) % sides;
            if (end)
                mesh.triangles.push_back({a, b, centre});
            else
                mesh.triangles.push_back({b, a, centre});
        }
    }
    // Make every face turn outward, whatever the handedness of the frame.
    for (auto &t : mesh.triangles) {
        const V3 a = mesh.vertices[t[0]].p, b = mesh.vertices[t[1]].p, c = mesh.vertices[t[2]].p;
        const V3 nsum = mesh.vertices[t[0]].n + mesh.vertices[t[1]].n + mesh.vertices[t[2]].n;
        if (dot(cross(b - a, c - a), nsum) < 0)
            std::swap(t[1], t[2]);
    }
    return mesh;
}

std::vector<V3> smoothPath(const std::vector<V3> &c, int count)
{
    std::vector<V3> out;
    const int segments = int(c.size()) - 1;
    for (int i = 0; i < count; ++i) {
        const float u = float(i) / float(count - 1) * segments;
        const int s = std::min(int(u), segments - 1);
        const float t = u - s;
        const V3 p0 = c[std::max(s - 1, 0)], p1 = c[s], p2 = c[s + 1],
                 p3 = c[std::min(s + 2, segments)];
        const float t2 = t * t, t3 = t2 * t;
        out.push_back((p1 * 2 + (p2 - p0) * t + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * t2
                       + (p1 * 3 - p0 - p2 * 3 + p3) * t3)
                      * 0.5f);
    }
    return out;
}
