#include "formats.h"

#include "pieces/skinswatches.h"
#include "tissues.h"

#include <QtEndian>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Each tissue with a palette of its own takes `shades` palette entries from
// 0 up; the plain swatches take the last sixteen, and the swatches' darker
// shades whatever entry already holds their colour or the next free one.
constexpr int shades = swatch::tissueShades;
constexpr int swatchEntry = 256 - swatch::count;
static_assert(ownPalettes * shades <= swatchEntry, "the tissues' shades run into the swatches");
static_assert(TissueCount <= (swatch::shadeTop(swatch::shadeCount - 1) / SkinAtlas::cell)
                                 * (256 / SkinAtlas::cell),
              "the tissues' cells run into the swatches");

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
    case Myocardium:
    case Muscle:
        v += 0.18f * std::sin((x * 0.9f + y * 0.5f));
        break; // muscle fibres
    case Lung:
        v += 0.3f * (hashNoise(x, y, 3) - 0.5f);
        break; // alveolar speckle
    case Liver:
        v -= 0.25f * (std::abs(noise3(p * 3.0f, 5)) < 0.08f);
        break; // lobules
    case Bone:
        v -= 0.25f * (hashNoise(x / 2, y / 2, 9) > 0.86f);
        break; // pores
    case GreyMatter:
    case Cerebellum:
        v += 0.1f * std::sin(y * 1.3f);
        break;
    case Ghost:
        v = 0.75f + 0.1f * noise3(p, 8);
        break;
    default:
        break;
    }
    return std::clamp(v, 0.0f, 1.0f);
}

void put16(QByteArray &b, int offset, int value)
{
    qToLittleEndian<qint16>(qint16(value), b.data() + offset);
}

int triangleTissue(const Mesh &mesh, int triangle)
{
    const auto &t = mesh.triangles[triangle];
    const int a = mesh.vertices[t[0]].tissue, b = mesh.vertices[t[1]].tissue,
              c = mesh.vertices[t[2]].tissue;
    return (b == c) ? b : a;
}

} // namespace

QImage SkinAtlas::toImage() const
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int i = quint8(indices[y * width + x]) * 3;
            image.setPixel(
                x, y, qRgb(quint8(palette[i]), quint8(palette[i + 1]), quint8(palette[i + 2])));
        }
    return image;
}

SkinAtlas buildSkin()
{
    SkinAtlas skin;
    skin.indices = QByteArray(skin.width * skin.height, '\0');
    skin.palette = QByteArray(768, '\0');
    for (int t = 0; t < ownPalettes; ++t)
        for (int s = 0; s < shades; ++s) {
            const float k = swatch::tissueShade(s);
            const TissueColour c = tissueColours[t];
            const int i = (t * shades + s) * 3;
            skin.palette[i] = char(std::min(255, int(c.r * k)));
            skin.palette[i + 1] = char(std::min(255, int(c.g * k)));
            skin.palette[i + 2] = char(std::min(255, int(c.b * k)));
        }
    for (int t = 0; t < TissueCount; ++t) {
        // A neighbour's shade draws its base tissue's pattern in part of a palette's shades.
        const bool own = t < ownPalettes;
        const int base = own ? t : tissueVariants[t - ownPalettes].base;
        const int palette = own ? t : tissueVariants[t - ownPalettes].palette;
        const int first = own ? 0 : tissueVariants[t - ownPalettes].first;
        const int count = own ? shades : tissueVariants[t - ownPalettes].last - first + 1;
        for (int y = 0; y < SkinAtlas::cell; ++y)
            for (int x = 0; x < SkinAtlas::cell; ++x) {
                const int shade = first + std::min(count - 1, int(pattern(base, x, y) * count));
                skin.indices[(skin.cellY(t) + y) * skin.width + skin.cellX(t) + x] =
                    char(palette * shades + shade);
            }
    }
    // The bottom rows: plain swatches and their shades for sets made outside
    // this generator.
    int nextFree = ownPalettes * shades;
    const auto entryFor = [&](swatch::Colour c, int preferred) {
        const auto holds = [&](int e) {
            return quint8(skin.palette[e * 3]) == c.r && quint8(skin.palette[e * 3 + 1]) == c.g
                   && quint8(skin.palette[e * 3 + 2]) == c.b;
        };
        if (preferred < 0)
            for (int e = 0; e < nextFree; ++e)
                if (holds(e))
                    return e;
        const int e = preferred >= 0 ? preferred : nextFree++;
        if (e >= swatchEntry && preferred < 0) {
            std::fprintf(
                stderr,
                "torvane-gendata: the skin's palette has no room left for the swatches' shades\n");
            std::exit(1);
        }
        skin.palette[e * 3] = char(c.r), skin.palette[e * 3 + 1] = char(c.g),
                         skin.palette[e * 3 + 2] = char(c.b);
        return e;
    };
    for (int shade = 0; shade < swatch::shadeCount; ++shade)
        for (int i = 0; i < swatch::count; ++i) {
            const int entry = entryFor(swatch::colour(i, shade), shade == 0 ? swatchEntry + i : -1);
            for (int y = swatch::shadeTop(shade); y < swatch::shadeTop(shade) + swatch::size; ++y)
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

Texel texelFor(const Mesh &mesh, const Box &box, int triangle, int corner, const SkinAtlas &skin)
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
    return {skin.cellX(tissue) + 2.0f + std::round(u / extent * span),
            skin.cellY(tissue) + 2.0f + std::round(v / extent * span)};
}

Md2Output encodeMd2(const Mesh &mesh, const SkinAtlas &skin, const char *name)
{
    const Box bounds = mesh.bounds();
    const Md2Encoded md2 =
        encodeMd2Frame(mesh, skin.width, skin.height, [&](int triangle, int corner) {
            return texelFor(mesh, bounds, triangle, corner, skin);
        });
    if (md2.bytes.isEmpty()) {
        std::fprintf(stderr, "torvane-gendata: %s has %d vertices and %d triangles, beyond MD2\n",
                     name, int(mesh.vertices.size()), int(mesh.triangles.size()));
        std::exit(1);
    }
    return md2;
}
