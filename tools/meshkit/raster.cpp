#include "raster.h"

#include <QPainter>
#include <QRadialGradient>
#include <cmath>

namespace {

struct ScreenVertex
{
    float x, y, depth;
    V3 n;
    float s, t;
};

} // namespace

QImage renderMeshes(const std::vector<PlacedMesh> &meshes, const QImage &texture, QSize size,
                    float yaw, float pitch, float margin, float zoom)
{
    const int ss = 3;
    const int w = size.width() * ss, h = size.height() * ss;

    const float ya = yaw * 3.14159265f / 180, pa = pitch * 3.14159265f / 180;
    // Camera looking towards -x and down by `pitch`, with +y to the right.
    V3 d{-std::cos(pa), 0, -std::sin(pa)};
    V3 r{0, 1, 0};
    auto turn = [&](V3 v) {
        return V3{v.x * std::cos(ya) - v.y * std::sin(ya), v.x * std::sin(ya) + v.y * std::cos(ya),
                  v.z};
    };
    d = turn(d);
    r = turn(r);
    const V3 u = cross(r, d);
    const V3 light = normalized(d * -0.7f + u * 0.8f - r * 0.35f);

    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (const auto &pm : meshes)
        for (const auto &v : pm.mesh->vertices) {
            const V3 p = v.p + pm.offset;
            minX = std::min(minX, dot(p, r)), maxX = std::max(maxX, dot(p, r));
            minY = std::min(minY, dot(p, u)), maxY = std::max(maxY, dot(p, u));
        }
    const float fit =
        std::min(w * (1 - 2 * margin) / (maxX - minX), h * (1 - 2 * margin) / (maxY - minY));
    const float scale = fit * zoom;
    // Zoomed about the top: the scene's top edge stays where fitting put it.
    const float cx = (minX + maxX) * 0.5f, cy = maxY - (maxY - minY) * 0.5f * fit / scale;

    std::vector<float> depth(size_t(w) * h, 1e9f);
    std::vector<float> colour(size_t(w) * h * 4, 0.0f);
    // Opaque meshes first, then the glass ones blended over them.
    for (int pass = 0; pass < 2; ++pass)
        for (const auto &pm : meshes) {
            const bool glass = pm.alpha < 1.0f;
            if (glass != (pass == 1))
                continue;
            const Mesh &mesh = *pm.mesh;
            for (int ti = 0; ti < int(mesh.triangles.size()); ++ti) {
                ScreenVertex sv[3];
                for (int c = 0; c < 3; ++c) {
                    const auto &v = mesh.vertices[mesh.triangles[ti][c]];
                    const V3 p = v.p + pm.offset;
                    const Texel tv = pm.texel(ti, c);
                    sv[c] = {w * 0.5f + (dot(p, r) - cx) * scale,
                             h * 0.5f - (dot(p, u) - cy) * scale,
                             dot(p, d),
                             v.n,
                             tv.s,
                             tv.t};
                }
                const float area = (sv[1].x - sv[0].x) * (sv[2].y - sv[0].y)
                                   - (sv[2].x - sv[0].x) * (sv[1].y - sv[0].y);
                if (std::abs(area) < 1e-9f)
                    continue;
                const int x0 = std::max(0, int(std::floor(std::min({sv[0].x, sv[1].x, sv[2].x}))));
                const int x1 =
                    std::min(w - 1, int(std::ceil(std::max({sv[0].x, sv[1].x, sv[2].x}))));
                const int y0 = std::max(0, int(std::floor(std::min({sv[0].y, sv[1].y, sv[2].y}))));
                const int y1 =
                    std::min(h - 1, int(std::ceil(std::max({sv[0].y, sv[1].y, sv[2].y}))));
                for (int y = y0; y <= y1; ++y)
                    for (int x = x0; x <= x1; ++x) {
                        const float px = x + 0.5f, py = y + 0.5f;
                        float b0 =
                            ((sv[1].x - px) * (sv[2].y - py) - (sv[2].x - px) * (sv[1].y - py))
                            / area;
                        float b1 =
                            ((sv[2].x - px) * (sv[0].y - py) - (sv[0].x - px) * (sv[2].y - py))
                            / area;
                        float b2 = 1 - b0 - b1;
                        if (b0 < 0 || b1 < 0 || b2 < 0)
                            continue;
                        const float z = b0 * sv[0].depth + b1 * sv[1].depth + b2 * sv[2].depth;
                        const size_t i = size_t(y) * w + x;
                        if (z >= depth[i])
                            continue;
                        V3 n = normalized(sv[0].n * b0 + sv[1].n * b1 + sv[2].n * b2);
                        if (dot(n, d) > 0)
                            n = n * -1.0f; // inner side of a thin part
                        const float diffuse = std::max(0.0f, dot(n, light));
                        const V3 half = normalized(light - d);
                        const float specular =
                            std::pow(std::max(0.0f, dot(n, half)), 24.0f) * 0.35f;
                        const float lit = 0.32f + 0.78f * diffuse;
                        const int s = std::clamp(int(b0 * sv[0].s + b1 * sv[1].s + b2 * sv[2].s), 0,
                                                 texture.width() - 1);
                        const int t = std::clamp(int(b0 * sv[0].t + b1 * sv[1].t + b2 * sv[2].t), 0,
                                                 texture.height() - 1);
                        const QRgb texel = texture.pixel(s, t);
                        float rgb[3] = {qRed(texel) / 255.0f * lit + specular,
                                        qGreen(texel) / 255.0f * lit + specular,
                                        qBlue(texel) / 255.0f * lit + specular};
                        float *c = &colour[i * 4];
                        if (glass) {
                            const float rim = 1.0f - std::abs(dot(n, d));
                            const float a = pm.alpha * (0.4f + 0.6f * rim);
                            for (int k = 0; k < 3; ++k)
                                c[k] = c[k] * (1 - a) + std::min(rgb[k], 1.0f) * a;
                            c[3] = std::max(c[3], a);
                        } else {
                            depth[i] = z;
                            for (int k = 0; k < 3; ++k)
                                c[k] = std::min(rgb[k], 1.0f);
                            c[3] = 1.0f;
                        }
                    }
            }
        }

    QImage out(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            float acc[4] = {0, 0, 0, 0};
            for (int j = 0; j < ss; ++j)
                for (int i = 0; i < ss; ++i) {
                    const float *c = &colour[((size_t(y) * ss + j) * w + x * ss + i) * 4];
                    for (int k = 0; k < 3; ++k)
                        acc[k] += c[k] * c[3];
                    acc[3] += c[3];
                }
            const float a = acc[3] / (ss * ss);
            if (a <= 0) {
                out.setPixel(x, y, qRgba(0, 0, 0, 0));
                continue;
            }
            out.setPixel(x, y,
                         qRgba(int(acc[0] / acc[3] * 255), int(acc[1] / acc[3] * 255),
                               int(acc[2] / acc[3] * 255), int(a * 255)));
        }
    return out;
}

QImage renderSetIcon(const std::vector<PlacedMesh> &pieces, const QImage &texture, float yaw,
                     float pitch, float margin, float zoom, QSize size)
{
    const QImage figure = renderMeshes(pieces, texture, size, yaw, pitch, margin, zoom);
    QImage card(size, QImage::Format_ARGB32);
    card.fill(Qt::transparent);
    QPainter p(&card);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(size.width() / 2.0, size.height() * 0.45), size.width() * 0.6);
    glow.setColorAt(0, QColor(30, 86, 96));
    glow.setColorAt(1, QColor(6, 28, 34));
    p.setBrush(glow);
    p.setPen(QPen(QColor(80, 170, 170, 180), 1.5));
    const qreal corner = size.width() * 0.075; // 9 on the 120-pixel card
    p.drawRoundedRect(QRectF(0.75, 0.75, size.width() - 1.5, size.height() - 1.5), corner, corner);
    p.drawImage(0, 0, figure);
    p.end();
    return card;
}
