#pragma once

// A small software rasteriser for the set icons and the splash pictures:
// textured, lit, depth-buffered triangles seen through an orthographic
// camera, supersampled for smooth edges. Needs no display and no GL.

#include "mesher.h"

#include <QImage>
#include <functional>
#include <vector>

struct PlacedMesh
{
    const Mesh *mesh = nullptr;
    V3 offset;          // added to every vertex
    float alpha = 1.0f; // below 1: drawn as a faint glass over the rest
    // The texture pixel each triangle corner shows, as its MD2 file says.
    std::function<Texel(int triangle, int corner)> texel;
};

// Renders onto a transparent image; yaw turns the scene about z, pitch
// looks down from above (degrees). The scene is fitted into the image; a
// zoom above 1 enlarges it about its top, cutting off what runs out below.
QImage renderMeshes(const std::vector<PlacedMesh> &meshes, const QImage &texture, QSize size,
                    float yaw, float pitch, float margin = 0.06f, float zoom = 1.0f);

// A set's icon for the chooser's row: the rendered pieces on a card of the
// menus' teal, 120 x 96 unless told.
QImage renderSetIcon(const std::vector<PlacedMesh> &pieces, const QImage &texture, float yaw,
                     float pitch, float margin, float zoom = 1.0f, QSize size = QSize(120, 96));
