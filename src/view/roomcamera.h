#pragma once

// How the player sees the room: the lens, where the eye stands, how the
// knobs and the slider turn, tilt and zoom the scene, the further scales of
// the furniture and the pieces, and where the trough and the carrying plane
// lie. The frame, the pick pass, the mouse mapping and the tools for set
// authors all take them from here. World units, degrees, milliseconds.

#include <QList>
#include <QMatrix4x4>
#include <QVector3D>

namespace roomcamera {

// The lens: 110 degrees at aspect 1, whatever the view's shape. The near
// plane is single precision on purpose: widened to double, it is what every
// frame has been drawn with.
constexpr float fieldOfView = 110;
constexpr float aspect = 1;
constexpr float nearPlane = 0.01f;
constexpr float farPlane = 10;
// The eye 1 back and 0.8 up, looking 18 degrees down; both stay in the
// projection for the life of a view.
constexpr float eyeShift[3] = {0, -1, -0.8f};
constexpr float lookDown = 18;

// The scene before the knobs are first touched.
constexpr float startTurn = -80;
constexpr float startTilt = -90;
constexpr float startZoom = 1;
// Zoom a millisecond for each step of the slider's offset (50 at the end).
constexpr double zoomRate = 0.00002;
// Held zoom-out stops here: at 0 the scene collapses to a point and the
// mouse can no longer be mapped onto it.
constexpr float zoomMinimum = 0.1f;

// The mouse wheel zooms in steps of this factor a notch, never nearer than
// the nearest zoom at which the starting camera shows the whole body and the
// trough, and never farther out than half the starting zoom (the body and the
// room at half their size, all of it in view). The slider keeps its own
// floor, zoomMinimum, and may go beyond either end.
constexpr float wheelStep = 1.1f;
constexpr float wheelFarthest = 0.5f;

// The furniture is drawn under a further 1.5 and the pieces under 0.66 on
// top of it: 0.99 of the camera's scale. The pick pass draws the pieces at
// the camera's own scale.
constexpr float furnitureScale = 1.5f;
constexpr float pieceScale = 0.66f;

// The trough in the pieces' frame: a piece glides along y at x -0.6, lifted
// 0.6 over the first remaining piece's half height. The first piece enters
// at -0.6, every later one at -0.4, and each leaves once past 0.4.
constexpr float troughX = -0.6f;
constexpr float troughLift = 0.6f;
constexpr float troughFirstEntry = -0.6f;
constexpr float troughEntry = -0.4f;
constexpr float troughExit = 0.4f;
constexpr double troughSpeed = 0.0001; // a millisecond
// A carried piece moves on this plane of the pieces' frame.
constexpr float dragPlaneZ = 0.5f;

// Onto the current GL matrix, with the very calls the frames are drawn with:
// the projection; the camera (tilt, turn, zoom); the furniture's scale; the
// pieces' scale on top of the furniture's.
void applyProjection();
void applyCamera(float turn, float tilt, float zoom);
void applyFurnitureScale();
void applyPieceScale();

// The same as matrices, for what maps points without GL.
QMatrix4x4 projection();
// The camera with the furniture's and the pieces' scales: the frame the
// pieces are drawn in.
QMatrix4x4 pieceFrame(float turn, float tilt, float zoom);

// The trough's corners (its carpet floor and the top of its walls) in the
// pieces' frame.
QList<QVector3D> troughCorners();
// The largest zoom (to a thousandth) at which the starting camera shows
// every one of the points, given in the pieces' frame.
float nearestZoomShowing(const QList<QVector3D> &points);
// The zoom after `notches` turns of the wheel (positive: nearer) from `zoom`,
// with `nearest` as the near end; a zoom the slider took beyond an end is
// only ever brought back towards the range.
float wheelZoom(float zoom, int notches, float nearest);

} // namespace roomcamera
