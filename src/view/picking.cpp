// Taking, carrying and dropping pieces: the selection pass that finds the
// trough piece under the mouse, and the mouse's place on the carrying plane.
#include "view/glengine.h"

#include <QMouseEvent>

#include <GL/glu.h>

namespace {

// The selection pass never records more than a handful of hits; 512 names
// is ample.
constexpr int selectBufferSize = 512;
constexpr double pickRegion = 100;

} // namespace

int GLEngine::pick(int x, int y)
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_LIGHTING);

    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);

    GLuint buffer[selectBufferSize] = {};
    glSelectBuffer(selectBufferSize, buffer);
    glRenderMode(GL_SELECT);
    glInitNames();

    const double region = pickRegion * devicePixelRatioF();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPickMatrix(double(x), double(vp[3] - y), region, region, vp);
    roomcamera::applyProjection();

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    roomcamera::applyCamera(turn, tilt, zoom);
    drawPieces();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();

    const GLint hits = glRenderMode(GL_RENDER);
    const int result = hits > 0 ? int(nearestHit(hits, buffer)) : 0;
    glPopAttrib();
    return result;
}

GLuint GLEngine::nearestHit(int hits, const GLuint *buffer)
{
    const GLuint *record = buffer;
    const GLuint *end = buffer + selectBufferSize;
    GLuint name = 0;
    GLuint nearest = 0;
    bool found = false;
    for (int i = 0; i < hits && end - record >= 3; ++i) {
        const GLuint names = record[0];
        if (GLuint(end - record - 3) < names)
            break;
        // Records without a name come from the held and placed pieces and
        // the ghost, which cannot be taken.
        if (names > 0 && (!found || record[1] < nearest)) {
            found = true;
            nearest = record[1];
            name = record[3];
        }
        record += 3 + names;
    }
    return name;
}

void GLEngine::unprojectToPlane(int x, int y, float z, float *result)
{
    GLdouble modelView[16];
    GLdouble projection[16];
    GLint vp[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, vp);

    const float winY = float(vp[3] - y);

    // An invisible floor at the drag height: its depth under the mouse
    // gives the point. The next frame clears it away.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glBegin(GL_QUADS);
    glVertex3f(10, 10, z);
    glVertex3f(10, -10, z);
    glVertex3f(-10, -10, z);
    glVertex3f(-10, 10, z);
    glEnd();
    glPopMatrix();

    GLfloat depth = 1;
    glReadPixels(x, int(winY), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);

    GLdouble ox = 0, oy = 0, oz = 0;
    if (gluUnProject(x, winY, depth, modelView, projection, vp, &ox, &oy, &oz) == GL_TRUE) {
        result[0] = float(ox);
        result[1] = float(oy);
        result[2] = float(oz);
    }
}

QPoint GLEngine::devicePosition(const QMouseEvent *event) const
{
    return (event->position() * devicePixelRatioF()).toPoint();
}
