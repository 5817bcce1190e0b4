#pragma once

// A small software rasteriser for the set icons and the splash pictures:
// textured, lit, depth-buffered triangles seen through an orthographic
// camera, supersampled for smooth edges. Needs no display and no GL.

#include "formats.h"

#include <QImage>
#include <vector>

struct PlacedMesh
{
    const Mesh *mesh = nullptr;
    V3 offset;          // added to every vertex
    float alpha = 1.0f; // below 1: drawn as a faint glass over the rest
};

// Renders onto a transparent image; yaw turns the scene about z, pitch
// looks down from above (degrees). The scene is fitted into the image; a
// zoom above 1 enlarges it about its top, cutting off what runs out below.
QImage renderMeshes(const std::vector<PlacedMesh> &meshes, const SkinAtlas &skin, QSize size, float yaw, float pitch,
                    float margin = 0.06f, float zoom = 1.0f);
