#include "view/roomcamera.h"

#include <GL/glu.h>

#include <QVector4D>

#include <algorithm>
#include <cmath>

namespace roomcamera {
namespace {

// Each transform is written once, over anything with QMatrix4x4's names:
// a matrix, or the current GL matrix below.
template<typename Matrix>
void project(Matrix &m)
{
    m.perspective(fieldOfView, aspect, nearPlane, farPlane);
    m.translate(eyeShift[0], eyeShift[1], eyeShift[2]);
    m.rotate(lookDown, 1, 0, 0);
}

// The tilt about x comes after the turn about z in the matrix order.
template<typename Matrix>
void look(Matrix &m, float turn, float tilt, float zoom)
{
    m.rotate(tilt, 1, 0, 0);
    m.rotate(turn, 0, 0, 1);
    m.scale(zoom);
}

// GL works in its own precision (the lens in double), which the frames
// depend on to the pixel; a product made here and loaded would not match.
struct CurrentGlMatrix
{
    void perspective(double fov, double aspect, double zNear, double zFar)
    {
        gluPerspective(fov, aspect, zNear, zFar);
    }
    void translate(float x, float y, float z) { glTranslatef(x, y, z); }
    void rotate(float degrees, float x, float y, float z) { glRotatef(degrees, x, y, z); }
    void scale(float factor) { glScalef(factor, factor, factor); }
};

} // namespace

void applyProjection()
{
    CurrentGlMatrix gl;
    project(gl);
}

void applyCamera(float turn, float tilt, float zoom)
{
    CurrentGlMatrix gl;
    look(gl, turn, tilt, zoom);
}

void applyFurnitureScale()
{
    CurrentGlMatrix().scale(furnitureScale);
}

void applyPieceScale()
{
    CurrentGlMatrix().scale(pieceScale);
}

QMatrix4x4 projection()
{
    QMatrix4x4 m;
    project(m);
    return m;
}

QMatrix4x4 pieceFrame(float turn, float tilt, float zoom)
{
    QMatrix4x4 m;
    look(m, turn, tilt, zoom);
    m.scale(furnitureScale);
    m.scale(pieceScale);
    return m;
}

QList<QVector3D> troughCorners()
{
    // The trough as the furniture draws it: x from -0.5 to -0.29, y from
    // -0.4 to 0.4, z from the carpet at 0.38 to the tops at 0.62.
    QList<QVector3D> corners;
    for (int i = 0; i < 8; ++i)
        corners.append(
            QVector3D(i & 1 ? -0.29f : -0.5f, i & 2 ? 0.4f : -0.4f, i & 4 ? 0.62f : 0.38f)
            / pieceScale);
    return corners;
}

float nearestZoomShowing(const QList<QVector3D> &points)
{
    const auto allInView = [&points](float zoom) {
        const QMatrix4x4 toClip = projection() * pieceFrame(startTurn, startTilt, zoom);
        return std::all_of(points.begin(), points.end(), [&toClip](QVector3D p) {
            const QVector4D clip = toClip * QVector4D(p, 1);
            return clip.w() > 0 && std::abs(clip.x()) <= clip.w() && std::abs(clip.y()) <= clip.w();
        });
    };
    // Nearer and nearer, a point leaves the view and never comes back (the
    // eye stands outside the room's middle); halve the step between a zoom
    // in view and one that is not.
    float in = wheelFarthest, out = 8;
    if (!allInView(in))
        return in;
    while (out - in > 0.001f) {
        const float mid = (in + out) / 2;
        (allInView(mid) ? in : out) = mid;
    }
    return in;
}

float wheelZoom(float zoom, int notches, float nearest)
{
    const float target = zoom * std::pow(wheelStep, float(notches));
    if (notches > 0)
        return std::max(zoom, std::min(target, nearest));
    if (notches < 0)
        return std::min(zoom, std::max(target, std::min(wheelFarthest, nearest)));
    return zoom;
}

} // namespace roomcamera
