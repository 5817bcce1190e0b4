#include "formats.h"

#include "pieces/md2format.h"
#include "pieces/skinswatches.h"
#include "tissues.h"

#include <QtEndian>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>

namespace {

// Each tissue's pattern takes `shades` palette entries from 0 up; the plain
// swatches take the last sixteen.
constexpr int shades = 9;
constexpr int swatchEntry = 256 - swatch::count;
static_assert(TissueCount * shades <= swatchEntry, "the tissues' shades run into the swatches");
static_assert(TissueCount <= (swatch::top / SkinAtlas::cell) * (256 / SkinAtlas::cell), "the tissues' cells run into the swatches");

float hashNoise(int x, int y, unsigned seed)
{
    unsigned h = unsigned(x) * 374761393u + unsigned(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

// Surface pattern of a tissue at a pixel of its cell, 0 dark to 1 light.
float pattern(int tissue, int x, int y)
{
    const V3 p{x / 6.0f, y / 6.0f, float(tissue) * 3.7f};
    float v = 0.5f + 0.28f * noise3(p, 21) + 0.12f * noise3(p * 2.7f, 22);
    switch (tissue) {
    case Myocardium: case Muscle: v += 0.18f * std::sin((x * 0.9f + y * 0.5f)); break; // muscle fibres
    case Lung: v += 0.3f * (hashNoise(x, y, 3) - 0.5f); break;                     // alveolar speckle
    case Liver: v -= 0.25f * (std::abs(noise3(p * 3.0f, 5)) < 0.08f); break;        // lobules
    case Bone: v -= 0.25f * (hashNoise(x / 2, y / 2, 9) > 0.86f); break;           // pores
    case GreyMatter: case Cerebellum: v += 0.1f * std::sin(y * 1.3f); break;
    case Ghost: v = 0.75f + 0.1f * noise3(p, 8); break;
    default: break;
    }
    return std::clamp(v, 0.0f, 1.0f);
}

void put16(QByteArray &b, int offset, int value) { qToLittleEndian<qint16>(qint16(value), b.data() + offset); }
void put32(QByteArray &b, int offset, qint32 value) { qToLittleEndian<qint32>(value, b.data() + offset); }
void putFloat(QByteArray &b, int offset, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, 4);
    qToLittleEndian<quint32>(bits, b.data() + offset);
}

int nearestNormal(V3 n)
{
    int best = 0;
    float bestDot = -2;
    for (int i = 0; i < md2::normalCount; ++i) {
        const float d = n.x * md2::normals[i][0] + n.y * md2::normals[i][1] + n.z * md2::normals[i][2];
        if (d > bestDot)
            bestDot = d, best = i;
    }
    return best;
}

int triangleTissue(const Mesh &mesh, int triangle)
{
    const auto &t = mesh.triangles[triangle];
    const int a = mesh.vertices[t[0]].tissue, b = mesh.vertices[t[1]].tissue, c = mesh.vertices[t[2]].tissue;
    return (b == c) ? b : a;
}

} // namespace

QImage SkinAtlas::toImage() const
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int i = quint8(indices[y * width + x]) * 3;
            image.setPixel(x, y, qRgb(quint8(palette[i]), quint8(palette[i + 1]), quint8(palette[i + 2])));
        }
    return image;
}

SkinAtlas buildSkin()
{
    SkinAtlas skin;
    skin.indices = QByteArray(skin.width * skin.height, '\0');
    skin.palette = QByteArray(768, '\0');
    for (int t = 0; t < TissueCount; ++t)
        for (int s = 0; s < shades; ++s) {
            const float k = 0.72f + 0.42f * float(s) / (shades - 1);
            const TissueColour c = tissueColours[t];
            const int i = (t * shades + s) * 3;
            skin.palette[i] = char(std::min(255, int(c.r * k)));
            skin.palette[i + 1] = char(std::min(255, int(c.g * k)));
            skin.palette[i + 2] = char(std::min(255, int(c.b * k)));
        }
    for (int t = 0; t < TissueCount; ++t)
        for (int y = 0; y < SkinAtlas::cell; ++y)
            for (int x = 0; x < SkinAtlas::cell; ++x) {
                const int shade = std::min(shades - 1, int(pattern(t, x, y) * shades));
                skin.indices[(skin.cellY(t) + y) * skin.width + skin.cellX(t) + x] = char(t * shades + shade);
            }
    // The bottom row: plain swatches for sets made outside this generator.
    for (int i = 0; i < swatch::count; ++i) {
        const int entry = swatchEntry + i;
        skin.palette[entry * 3] = char(swatch::tissues[i].r);
        skin.palette[entry * 3 + 1] = char(swatch::tissues[i].g);
        skin.palette[entry * 3 + 2] = char(swatch::tissues[i].b);
        for (int y = swatch::top; y < swatch::top + swatch::size; ++y)
            for (int x = i * swatch::size; x < (i + 1) * swatch::size; ++x)
                skin.indices[y * skin.width + x] = char(entry);
    }
    return skin;
}

QByteArray encodePcx(const SkinAtlas &skin)
{
    QByteArray out(128, '\0');
    out[0] = 10; // ZSoft
    out[1] = 5;  // version 3.0 with palette
    out[2] = 1;  // run-length encoded
    out[3] = 8;  // bits per pixel
    put16(out, 4, 0);
    put16(out, 6, 0);
    put16(out, 8, skin.width - 1);
    put16(out, 10, skin.height - 1);
    put16(out, 12, 72);
    put16(out, 14, 72);
    out[65] = 1; // one plane
    put16(out, 66, skin.width);
    put16(out, 68, 1); // colour palette
    for (int y = 0; y < skin.height; ++y) {
        const char *row = skin.indices.constData() + y * skin.width;
        for (int x = 0; x < skin.width;) {
            const quint8 v = quint8(row[x]);
            int run = 1;
            while (x + run < skin.width && run < 63 && quint8(row[x + run]) == v)
                ++run;
            if (run > 1 || v >= 0xC0)
                out.append(char(0xC0 | run));
            out.append(char(v));
            x += run;
        }
    }
    out.append(char(0x0C));
    out.append(skin.palette);
    return out;
}

TexturedVertex texelFor(const Mesh &mesh, const Box &box, int triangle, int corner, const SkinAtlas &skin)
{
    // Planar projection along the triangle's main axis, over the piece's
    // whole box, into the cell of the triangle's tissue.
    const float extent = std::max({box.size().x, box.size().y, box.size().z, 1e-6f});
    const auto &t = mesh.triangles[triangle];
    const V3 a = mesh.vertices[t[0]].p, b = mesh.vertices[t[1]].p, c = mesh.vertices[t[2]].p;
    const V3 n = cross(b - a, c - a);
    const V3 p = mesh.vertices[t[corner]].p - box.lo;
    float u, v;
    if (std::abs(n.x) >= std::abs(n.y) && std::abs(n.x) >= std::abs(n.z))
        u = p.y, v = p.z;
    else if (std::abs(n.y) >= std::abs(n.z))
        u = p.x, v = p.z;
    else
        u = p.x, v = p.y;
    const int tissue = triangleTissue(mesh, triangle);
    const float span = SkinAtlas::cell - 5;
    return {skin.cellX(tissue) + 2.0f + std::round(u / extent * span), skin.cellY(tissue) + 2.0f + std::round(v / extent * span)};
}

Md2Output encodeMd2(const Mesh &mesh, const SkinAtlas &skin, const char *name)
{
    const int vertexCount = int(mesh.vertices.size());
    const int triangleCount = int(mesh.triangles.size());
    if (vertexCount > 2048 || triangleCount > 4096 || vertexCount == 0) {
        std::fprintf(stderr, "torvane-gendata: %s has %d vertices and %d triangles, beyond MD2\n", name, vertexCount,
                     triangleCount);
        std::exit(1);
    }

    // Texture coordinates, shared where a vertex keeps the same texel.
    std::map<std::pair<int, int>, int> texIndex;
    std::vector<std::pair<int, int>> texCoords;
    std::vector<std::array<int, 3>> triangleTex(triangleCount);
    const Box bounds = mesh.bounds();
    for (int i = 0; i < triangleCount; ++i)
        for (int c = 0; c < 3; ++c) {
            const TexturedVertex tv = texelFor(mesh, bounds, i, c, skin);
            const std::pair<int, int> key{int(tv.s), int(tv.t)};
            auto it = texIndex.find(key);
            if (it == texIndex.end()) {
                it = texIndex.emplace(key, int(texCoords.size())).first;
                texCoords.push_back(key);
            }
            triangleTex[i][c] = it->second;
        }

    // File axes: the file's second coordinate is the scene's z, its third y.
    auto fileAxes = [](V3 p) { return V3{p.x * 64, p.z * 64, p.y * 64}; };
    Box fileBox;
    for (const auto &v : mesh.vertices)
        fileBox.add(fileAxes(v.p));
    V3 scale = fileBox.size() * (1.0f / 255.0f);
    scale = {std::max(scale.x, 1e-4f), std::max(scale.y, 1e-4f), std::max(scale.z, 1e-4f)};

    const int headerSize = 68;
    const int frameSize = md2::frameHeaderSize + 4 * vertexCount;
    const int ofsSt = headerSize;
    const int ofsTris = ofsSt + 4 * int(texCoords.size());
    const int ofsFrames = ofsTris + md2::triangleSize * triangleCount;
    const int ofsEnd = ofsFrames + frameSize;
    QByteArray out(ofsEnd, '\0');
    std::memcpy(out.data(), "IDP2", 4);
    put32(out, 4, 8);
    put32(out, 8, skin.width);
    put32(out, 12, skin.height);
    put32(out, 16, frameSize);
    put32(out, 20, 0);
    put32(out, 24, vertexCount);
    put32(out, 28, int(texCoords.size()));
    put32(out, 32, triangleCount);
    put32(out, 36, 0);
    put32(out, 40, 1);
    put32(out, 44, headerSize);
    put32(out, 48, ofsSt);
    put32(out, 52, ofsTris);
    put32(out, 56, ofsFrames);
    put32(out, 60, ofsEnd);
    put32(out, 64, ofsEnd);
    for (size_t i = 0; i < texCoords.size(); ++i) {
        put16(out, ofsSt + 4 * int(i), texCoords[i].first);
        put16(out, ofsSt + 4 * int(i) + 2, texCoords[i].second);
    }
    for (int i = 0; i < triangleCount; ++i)
        for (int c = 0; c < 3; ++c) {
            put16(out, ofsTris + 12 * i + 2 * c, mesh.triangles[i][c]);
            put16(out, ofsTris + 12 * i + 6 + 2 * c, triangleTex[i][c]);
        }
    putFloat(out, ofsFrames, scale.x);
    putFloat(out, ofsFrames + 4, scale.y);
    putFloat(out, ofsFrames + 8, scale.z);
    putFloat(out, ofsFrames + 12, fileBox.lo.x);
    putFloat(out, ofsFrames + 16, fileBox.lo.y);
    putFloat(out, ofsFrames + 20, fileBox.lo.z);
    std::snprintf(out.data() + ofsFrames + 24, 16, "%s", "frame0");
    Box decoded;
    for (int i = 0; i < vertexCount; ++i) {
        const V3 f = fileAxes(mesh.vertices[i].p);
        const int q[3] = {std::clamp(int(std::lround((f.x - fileBox.lo.x) / scale.x)), 0, 255),
                          std::clamp(int(std::lround((f.y - fileBox.lo.y) / scale.y)), 0, 255),
                          std::clamp(int(std::lround((f.z - fileBox.lo.z) / scale.z)), 0, 255)};
        char *v = out.data() + ofsFrames + md2::frameHeaderSize + 4 * i;
        v[0] = char(q[0]);
        v[1] = char(q[1]);
        v[2] = char(q[2]);
        // The game takes the table entry as it stands (no axis exchange), so
        // pick it for the scene-axis normal.
        v[3] = char(nearestNormal(mesh.vertices[i].n));
        decoded.add(V3{q[0] * scale.x + fileBox.lo.x, q[2] * scale.z + fileBox.lo.z, q[1] * scale.y + fileBox.lo.y} *
                    md2::unitScale);
    }
    return {out, decoded.centre(), decoded.size()};
}
