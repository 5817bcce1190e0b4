#pragma once

// Writers for the game's binary formats: the 8-bit PCX skin and MD2 meshes
// (the layouts are described in src/pieces/pcxformat.h and md2format.h).

#include "md2encoder.h"

#include <QByteArray>
#include <QImage>

// The shared skin: palette indices plus a 256-entry palette.
struct SkinAtlas
{
    int width = 256;
    int height = 256;
    QByteArray indices; // width * height, rows top first
    QByteArray palette; // 768 bytes
    static constexpr int cell = 32;

    // Top-left pixel of a tissue's cell.
    int cellX(int tissue) const { return (tissue % (width / cell)) * cell; }
    int cellY(int tissue) const { return (tissue / (width / cell)) * cell; }
    QImage toImage() const;
};

SkinAtlas buildSkin();
QByteArray encodePcx(const SkinAtlas &skin);

using Md2Output = Md2Encoded;

// One frame. Exits the generator when the mesh exceeds what MD2 can hold.
Md2Output encodeMd2(const Mesh &mesh, const SkinAtlas &skin, const char *name);

// The skin's texel for a vertex of a given tissue (used by the icon
// renderer, which must colour pieces exactly as the texture coordinates do).
// `box` is the mesh's bounds, worked out once by the caller.
Texel texelFor(const Mesh &mesh, const Box &box, int triangle, int corner, const SkinAtlas &skin);
