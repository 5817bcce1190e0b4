// The mouse on the view: taking, carrying and dropping pieces (the
// selection pass that finds the trough piece under the mouse, and the
// mouse's place on the carrying plane), and the wheel's zoom.
#include "view/glengine.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"

#include <QMouseEvent>
#include <QVector3D>
#include <QWheelEvent>

#include <cmath>
#include <utility>

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

void GLEngine::mousePressEvent(QMouseEvent *event)
{
    if (card) {
        closeCard();
        pressClosedCard = true;
        return;
    }
    // A press on a choice answers the question and takes nothing.
    if (event->button() == Qt::LeftButton && quiz) {
        if (const int choice = quizPanel.choiceAt(event->position().toPoint()); choice >= 0) {
            emit choiceClicked(choice);
            return;
        }
    }
    // Once the game is won nothing is left to take: a click puts the report
    // away from over the finished body, or brings it back.
    if (event->button() == Qt::LeftButton && engine && engine->gameWon) {
        learning.toggleReport(now());
        return;
    }
    if (event->button() != Qt::LeftButton || !glReady || !engine || engine->current
        || engine->remaining.isEmpty())
        return;

    const QPoint p = devicePosition(event);
    makeCurrent();
    if (pick(p.x(), p.y()) != 0) {
        engine->takePiece(conveyorIndex);
        conveyorPos = roomcamera::troughEntry;
        unprojectToPlane(p.x(), p.y(), roomcamera::dragPlaneZ, heldPos);
    }
    // The depth probe drew into the back buffer only; the next frame of the
    // chain, at most 20 ms away, clears it or covers it whole before it
    // shows, and draws the piece where it now is.
    doneCurrent();
}

void GLEngine::mouseMoveEvent(QMouseEvent *event)
{
    if (card || !glReady || !engine || !engine->current)
        return;

    const QPoint p = devicePosition(event);
    makeCurrent();
    unprojectToPlane(p.x(), p.y(), roomcamera::dragPlaneZ, heldPos);
    doneCurrent();
}

void GLEngine::mouseReleaseEvent(QMouseEvent *event)
{
    if (std::exchange(pressClosedCard, false) || card)
        return;
    if (event->button() != Qt::LeftButton || !glReady || !engine || !engine->current)
        return;

    const QPoint p = devicePosition(event);
    makeCurrent();
    unprojectToPlane(p.x(), p.y(), roomcamera::dragPlaneZ, heldPos);
    doneCurrent();
    engine->tryFit(heldPos[0], heldPos[1]);
}

void GLEngine::wheelEvent(QWheelEvent *event)
{
    wheelAngle += event->angleDelta().y();
    const int notches = wheelAngle / 120;
    wheelAngle -= notches * 120;
    if (notches == 0 || card || !glReady || !engine)
        return;
    // The body is where its pieces' places are, each as large as its ball.
    QList<QVector3D> points = roomcamera::troughCorners();
    const auto addPlace = [&](const PieceRecord *piece) {
        const QVector3D place(piece->posX() + engine->offsetX, piece->posY() + engine->offsetY,
                              piece->posZ() + engine->offsetZ);
        const float radius =
            QVector3D(piece->halfSizeX(), piece->halfSizeY(), piece->halfSizeZ()).length()
            * std::abs(piece->drawnScale());
        for (int i = 0; i < 8; ++i)
            points.append(place
                          + QVector3D(i & 1 ? radius : -radius, i & 2 ? radius : -radius,
                                      i & 4 ? radius : -radius));
    };
    for (const PieceRecord *piece : std::as_const(engine->remaining))
        addPlace(piece);
    for (const PieceRecord *piece : std::as_const(engine->placed))
        addPlace(piece);
    if (engine->current)
        addPlace(engine->current);
    zoom = roomcamera::wheelZoom(zoom, notches, roomcamera::nearestZoomShowing(points));
}
