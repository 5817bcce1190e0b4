#pragma once

// What torvane-setcheck holds a data directory to. The room's numbers come
// from the view (view/roomcamera.h): the camera as it starts, the pieces'
// frame and the carrying plane in it; the trough is 0.315 wide (world x
// -0.75 to -0.435) and its open front 0.6 long.

#include <QString>
#include <QStringList>

#include "view/roomcamera.h"

namespace setcheck {
constexpr int maxVertices = 2048; // per frame, what MD2 allows
constexpr int maxTriangles = 4096;
constexpr float maxPieceAcross = 0.32f; // along x and y, after rotation and scale
constexpr float dragPlaneZ = roomcamera::dragPlaneZ;
// A target must project this far inside the starting view (normalised
// device coordinates), so the player can drop on it without turning.
constexpr float viewMargin = 0.92f;
// Targets on the trough side of this x would be dropped into the furniture.
constexpr float troughFrontX = -0.42f;
// A fit tolerance under this is hard to hit with a mouse: about 12 pixels
// each way at the starting camera on a 1280 x 1024 screen.
constexpr double comfortableTolerance = 0.02;

struct Report
{
    QStringList problems; // "file: what is wrong"
    QStringList warnings; // "file: warning: what could be better"; the set still plays
    int sets = 0;
    int pieces = 0;
};

Report checkDataDirectory(const QString &dir);

// Normalised device coordinates of a point of the piece frame in the
// starting view; false when it lies behind the near plane.
bool projectStartView(float x, float y, float z, float *ndcX, float *ndcY);
} // namespace setcheck
