#include "view/roomcamera.h"

#include <GL/glu.h>

namespace roomcamera {
namespace {

// Each transform is written once, over anything with QMatrix4x4's names:
// a matrix, or the current GL matrix below.
template <typename Matrix>
void project(Matrix &m)
{
    m.perspective(fieldOfView, aspect, nearPlane, farPlane);
    m.translate(eyeShift[0], eyeShift[1], eyeShift[2]);
    m.rotate(lookDown, 1, 0, 0);
}

// The tilt about x comes after the turn about z in the matrix order.
template <typename Matrix>
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
    void perspective(double fov, double aspect, double zNear, double zFar) { gluPerspective(fov, aspect, zNear, zFar); }
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

} // namespace roomcamera
