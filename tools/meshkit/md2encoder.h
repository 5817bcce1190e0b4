#pragma once

// Writing one-frame MD2 files (the layout is described in
// src/pieces/md2format.h), for the data generator and the set maker.

#include "mesher.h"

#include <QByteArray>
#include <functional>

// What one MD2 frame can hold.
constexpr int md2MaxVertices = 2048;
constexpr int md2MaxTriangles = 4096;

struct Md2Encoded
{
    QByteArray bytes; // empty when the mesh is empty or beyond MD2
    V3 centre;        // centre of the box the game will compute, in scene axes
    V3 size;          // extent of that box
};

// The mesh (scene axes and units) as an MD2 file for a skin of the given
// size; texel(triangle, corner) is the skin pixel each corner shows.
// Normals come from the format's table, nearest first.
Md2Encoded encodeMd2Frame(const Mesh &mesh, int skinWidth, int skinHeight,
                          const std::function<Texel(int, int)> &texel);
