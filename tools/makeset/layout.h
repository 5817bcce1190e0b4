#pragma once

// How a made set lies in the room: which way it is turned, its one scale,
// where it stands, and how close a drop must come to fit.
//
// The set turns as a whole and never mirrors: one source axis points up
// (the shortest side of the set, or the teacher's --up), the longest
// horizontal side runs along the trough with its upper end to the left,
// and then the set may turn about the up axis. One scale for the whole set,
// the largest that keeps
//   - every piece within `pieceAcross` along x and y (the trough's limit),
//   - the set within `setLength` along the trough, `setWidth` across it
//     and `setHeight` up,
// and the set's box centred `setCentreY` along the trough, `setCentreZ` up
// (the drag plane runs through its middle), its far side `setFarX` in front
// of the trough.
//
// The fit ignores height, so pieces lying over one another seen from above
// share their drop points. The tolerance is the largest at which no drop
// point fits two pieces, at most the designed 0.1; the orientation is the
// teacher's or the usual one while that tolerance is comfortable, else the
// one of all that gives the largest.

#include "mesher.h"
#include "view/roomcamera.h"

#include <QList>
#include <QPointF>
#include <QString>

#include <vector>

namespace makeset {

constexpr float pieceAcross = 0.30f; // the trough takes 0.32
constexpr float setLength = 0.95f;
constexpr float setWidth = 0.45f;
constexpr float setHeight = 0.8f;
constexpr float setFarX = -0.40f;
constexpr float setCentreY = 0.03f;
constexpr float setCentreZ = roomcamera::dragPlaneZ; // on the carrying plane
// Below this the usual orientation gives way to a better one.
constexpr double comfortableTolerance = 0.05;
// A drop box narrower than this (about ±12 pixels at the starting camera)
// is too fiddly with a mouse: such a set is refused.
constexpr double smallestTolerance = 0.02;
constexpr double largestTolerance = 0.1;
// Turns about the up axis tried, in degrees, from 0.
constexpr int turnStep = 15;

// scene = scale * (turned source - centre) + place
struct Layout
{
    V3 axes[3];     // the source directions of scene x, y and z
    int upAxis = 2; // the source axis that points up, 0 to 2
    int upSign = 1;
    int turn = 0; // degrees about the up axis
    V3 centre;    // of the whole set, turned
    float scale = 1;
    V3 place;                            // where that centre stands in the scene
    double tolerance = largestTolerance; // before the set's numbers are rounded to text

    V3 turned(V3 v) const { return {dot(axes[0], v), dot(axes[1], v), dot(axes[2], v)}; }
    V3 apply(V3 p) const { return (turned(p) - centre) * scale + place; }
    // "+z up", "-y up, turned 30°"
    QString describe() const;
};

// Lays out the pieces (source frame) and the shape. `upAxis` -1: free.
Layout layOut(const std::vector<const Mesh *> &pieces, const Mesh &shape, int upAxis, int upSign);

// Where each piece's drop point lies in the scene under a layout (the centre
// of its box, as the game computes it).
QList<QPointF> targetsOf(const std::vector<const Mesh *> &pieces, const Layout &layout);

} // namespace makeset
