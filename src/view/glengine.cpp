#include "view/glengine.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "view/overlay.h"
#include "view/room.h"
#include "view/viewsurface.h"

#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QVector3D>
#include <QVector4D>

#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace {

// The selection pass never records more than a handful of hits; 512 names
// is ample.
constexpr int selectBufferSize = 512;
constexpr double pickRegion = 100;
constexpr int frameIntervalMs = 20;

} // namespace

GLEngine::GLEngine(QWidget *parent, GameEngine *engine)
    : QWidget(parent)
    , engine(engine)
{
    frameTimer.setSingleShot(true);
    // Precise: a coarse timer may fire a millisecond late, every frame.
    frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer, &QTimer::timeout, this, &GLEngine::update);
    if (engine)
        connect(engine, &GameEngine::won, this, &GLEngine::won);

    surface = new ViewSurface([this] { drawFrame(); });
    container = QWidget::createWindowContainer(surface, this);
    container->setFocusPolicy(Qt::NoFocus);
}

GLEngine::~GLEngine()
{
    cleanup();
    surface->deleteContext();
}

bool GLEngine::isValid() const
{
    return glReady && context()->isValid();
}

QOpenGLContext *GLEngine::context() const
{
    return surface->context();
}

void GLEngine::makeCurrent()
{
    surface->makeCurrent();
}

void GLEngine::doneCurrent()
{
    surface->doneCurrent();
}

void GLEngine::update()
{
    surface->requestFrame();
}

void GLEngine::showEvent(QShowEvent *)
{
    // GL is set up at the first show, the container having created the
    // native window by now; every show restarts the frames.
    if (!context() && surface->createContext())
        initializeGL();
    // The first frame of every show is drawn at once, whether the window is
    // on screen yet or not: the mouse mapping between frames works on what
    // a frame leaves behind.
    drawFrame(true);
}

void GLEngine::resizeEvent(QResizeEvent *)
{
    container->setGeometry(rect());
}

void GLEngine::drawFrame(bool offScreen)
{
    surface->frameStarted();
    const bool onScreen = surface->isExposed();
    if (!glReady || !isVisible() || (!onScreen && !offScreen))
        return;
    makeCurrent();
    paintGL();
    if (onScreen) {
        surface->swapBuffers();
        emit frameSwapped();
    }
}

QImage GLEngine::grabFramebuffer()
{
    if (!isValid())
        return QImage();
    makeCurrent();
    paintGL();
    const QImage frame = surface->readFrame();
    doneCurrent();
    return frame;
}

int GLEngine::elapsed() const
{
    return clock.isValid() ? now() : 0;
}

int GLEngine::now() const
{
    return clock.isValid() ? int(clock.elapsed()) : 0;
}

void GLEngine::setTurn(float degrees)
{
    turn = degrees;
}

void GLEngine::setTilt(float degrees)
{
    tilt = degrees;
}

void GLEngine::setZoomSpeed(float speed)
{
    zoomSpeed = speed;
}

void GLEngine::setDifficulty(Difficulty difficulty)
{
    learning.difficulty = difficulty;
}

void GLEngine::setWinTime(int ms)
{
    learning.winTime = ms;
}

void GLEngine::won()
{
    message = overlay::winText();
}

void GLEngine::keyPressEvent(QKeyEvent *)
{
    // Keys do nothing in the view, and are not passed on to the parent.
}

void GLEngine::initializeGL()
{
    glClearColor(0, 0, 0, 1);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthFunc(GL_LEQUAL);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    roomcamera::applyProjection();
    glMatrixMode(GL_MODELVIEW);

    const qreal ratio = devicePixelRatioF();
    viewport[0] = 0;
    viewport[1] = 0;
    viewport[2] = GLint(width() * ratio);
    viewport[3] = GLint(height() * ratio);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);

    bambooTexture = room::loadTexture(QStringLiteral("bambou.png"));
    carpetTexture = room::loadTexture(QStringLiteral("carpet.png"));
    marbleTexture = room::loadTexture(QStringLiteral("marmor.png"));

    if (engine) {
        if (engine->shapePiece)
            engine->shapePiece->build();
        for (PieceRecord *record : std::as_const(engine->remaining))
            record->build();
        // Only after a lost context: a new game has none of these yet.
        for (PieceRecord *record : std::as_const(engine->placed))
            record->build();
        if (engine->current)
            engine->current->build();
    }

    const auto boxes = room::furnitureBoxes(furnitureOrigin);
    for (size_t i = 0; i < boxes.size(); ++i)
        furnitureLists[i] = makeBox(boxes[i].cx, boxes[i].cy, boxes[i].cz, boxes[i].hx, boxes[i].hy, boxes[i].hz);

    stillScene.create(viewportRect().size());

    glReady = true;
    clock.start();
    lastFrameMs = 0;
}

GLuint GLEngine::makeBox(float cx, float cy, float cz, float hx, float hy, float hz)
{
    return room::makeBox({cx, cy, cz, hx, hy, hz});
}

void GLEngine::paintGL()
{
    if (!isVisible())
        return;

    emit newTime();
    frameTimer.start(frameIntervalMs);
    stepZoom();
    setupCamera();
    setupLighting();

    // Frames after a change are drawn whole; once nothing has changed for
    // two frames, what keeps still is kept, and later frames start from it
    // and draw only what moves. The still parts are drawn where the frame is
    // and copied out from there: copies are exact, where a buffer of another
    // layout may round colours otherwise.
    const StillScene::Use still = stillScene.next(stillKeyNow());
    if (still != StillScene::Use::Reuse) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawFloor();
    }
    roomcamera::applyFurnitureScale();
    if (still != StillScene::Use::Reuse)
        drawFurniture();
    roomcamera::applyPieceScale();
    if (still == StillScene::Use::Keep) {
        drawnParts = StillParts;
        drawPieces();
        stillScene.keep(context(), viewportRect());
    } else if (still == StillScene::Use::Reuse) {
        stillScene.restore(viewportRect(), movingRect());
    }
    if (still != StillScene::Use::DrawWhole) {
        // The grey the furniture leaves for the pieces.
        glColor3f(0.5f, 0.5f, 0.5f);
        drawnParts = MovingParts;
    }
    drawPieces();
    drawnParts = AllParts;

    if (engine)
        learning.drawHint(*engine, now());
    overlay::drawWinText(message, size(), devicePixelRatioF());
    if (engine)
        learning.drawLabels(size(), devicePixelRatioF(), *engine, troughPiece(), now());

    lastFrameMs = now();
}

void GLEngine::stepZoom()
{
    const int dt = now() - lastFrameMs;
    zoom = std::max(roomcamera::zoomMinimum, float(zoom + dt * (zoomSpeed * roomcamera::zoomRate)));
}

void GLEngine::setupCamera()
{
    // The painter of the win text sets its own viewport; the view keeps the
    // one fixed at set-up.
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    roomcamera::applyCamera(turn, tilt, zoom);
}

void GLEngine::setupLighting()
{
    room::setupLighting();
}

void GLEngine::drawFloor()
{
    room::drawFloor(marbleTexture);
}

void GLEngine::drawFurniture()
{
    room::drawFurniture(furnitureLists, furnitureOrigin, bambooTexture, carpetTexture);
}

QRect GLEngine::viewportRect() const
{
    return QRect(viewport[0], viewport[1], viewport[2], viewport[3]);
}

StillScene::Key GLEngine::stillKeyNow() const
{
    StillScene::Key key{turn, tilt, zoom, {}, ghostKeepsStill()};
    if (engine)
        key.placed = engine->placed;
    return key;
}

bool GLEngine::ghostKeepsStill() const
{
    // A carried piece is drawn before the ghost, which adds onto it.
    return !engine || !engine->current;
}

QRect GLEngine::movingRect() const
{
    const QRect all = viewportRect();
    // A carried piece brings the ghost along, and that lies all over.
    if (!engine || engine->current)
        return all;
    const PieceRecord *record = troughPiece();
    if (!record)
        return QRect();
    // The trough piece is drawn centred on where drawPieces() puts it,
    // turned any way: it stays within the ball through its box's corners,
    // and the box around that ball is projected.
    const QVector3D half(record->halfSizeX(), record->halfSizeY(), record->halfSizeZ());
    const float radius = half.length() * std::abs(record->drawnScale());
    const QVector3D centre(roomcamera::troughX, conveyorPos,
                           engine->remaining.first()->halfSizeZ() + roomcamera::troughLift);
    const QMatrix4x4 toClip = roomcamera::projection() * roomcamera::pieceFrame(turn, tilt, zoom);
    float left = viewport[2], right = 0, bottom = viewport[3], top = 0;
    for (int i = 0; i < 8; ++i) {
        const QVector3D corner = centre + QVector3D(i & 1 ? radius : -radius, i & 2 ? radius : -radius, i & 4 ? radius : -radius);
        const QVector4D clip = toClip * QVector4D(corner, 1);
        if (clip.w() <= 0)
            return all; // behind the eye: no box on screen to speak of
        const float x = (clip.x() / clip.w() + 1) / 2 * viewport[2], y = (clip.y() / clip.w() + 1) / 2 * viewport[3];
        left = std::min(left, x);
        right = std::max(right, x);
        bottom = std::min(bottom, y);
        top = std::max(top, y);
    }
    // A pixel more all round for the rasteriser's rounding.
    const QRect box(QPoint(int(std::floor(left)) - 1, int(std::floor(bottom)) - 1),
                    QPoint(int(std::ceil(right)) + 1, int(std::ceil(top)) + 1));
    return box.translated(viewport[0], viewport[1]) & all;
}

void GLEngine::drawPieces()
{
    if (!engine)
        return;
    const int ghostParts = ghostKeepsStill() ? StillParts : MovingParts;

    if (engine->current && (drawnParts & MovingParts)) {
        glPushMatrix();
        glTranslatef(heldPos[0], heldPos[1], heldPos[2]);
        engine->current->draw();
        glPopMatrix();
    }

    for (const PieceRecord *record : std::as_const(engine->placed)) {
        if (!(drawnParts & StillParts))
            break;
        glPushMatrix();
        glTranslatef(record->posX() + engine->offsetX, record->posY() + engine->offsetY,
                     record->posZ() + engine->offsetZ);
        record->draw();
        glPopMatrix();
    }

    glPushMatrix();
    // Its colour stays for the trough piece, whether the ghost is drawn in
    // this part or not.
    if (engine->shapePiece)
        glColor4f(1, 1, 1, 0.5f);
    if (const PieceRecord *shape = engine->shapePiece; shape && (drawnParts & ghostParts)) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glEnable(GL_BLEND);
        glRotatef(shape->rotX(), 1, 0, 0);
        glRotatef(shape->rotY(), 0, 1, 0);
        glRotatef(shape->rotZ(), 0, 0, 1);
        glTranslatef(shape->posX(), shape->posY(), shape->posZ());
        shape->draw();
        glDisable(GL_BLEND);
    }
    glPopMatrix();

    if (!(drawnParts & MovingParts))
        return;
    const int count = int(engine->remaining.size());
    if (conveyorIndex >= count) {
        if (count == 0)
            return;
        conveyorIndex = 0;
    }
    // The lift follows the first remaining piece, whichever is shown.
    const float lift = engine->remaining.first()->halfSizeZ();
    glPushMatrix();
    glTranslatef(roomcamera::troughX, conveyorPos, lift + roomcamera::troughLift);
    glPushName(1);
    engine->remaining.at(conveyorIndex)->draw();
    glPopName();
    glPopMatrix();
    stepTrough();
}

void GLEngine::stepTrough()
{
    conveyorPos = float(conveyorPos + (now() - lastFrameMs) * roomcamera::troughSpeed);
    if (conveyorPos > roomcamera::troughExit) {
        ++conveyorIndex;
        conveyorPos = roomcamera::troughEntry;
    }
}

const PieceRecord *GLEngine::troughPiece() const
{
    // Past the last piece the trough comes round to the first.
    const auto &remaining = engine->remaining;
    return remaining.isEmpty() ? nullptr : remaining.at(conveyorIndex < remaining.size() ? conveyorIndex : 0);
}

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
    doneCurrent();
    // The depth probe drew into the framebuffer; let a frame replace it.
    update();
}

void GLEngine::mouseMoveEvent(QMouseEvent *event)
{
    if (!glReady || !engine || !engine->current)
        return;

    const QPoint p = devicePosition(event);
    makeCurrent();
    unprojectToPlane(p.x(), p.y(), roomcamera::dragPlaneZ, heldPos);
    doneCurrent();
    update();
}

void GLEngine::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !glReady || !engine || !engine->current)
        return;

    const QPoint p = devicePosition(event);
    makeCurrent();
    unprojectToPlane(p.x(), p.y(), roomcamera::dragPlaneZ, heldPos);
    doneCurrent();
    update();
    engine->tryFit(heldPos[0], heldPos[1]);
}

void GLEngine::cleanup()
{
    if (!glReady)
        return;
    glReady = false;

    // What the view made lives on in the share group after its context is
    // gone, so it is freed here, even when the native window has gone first
    // (the main window closed with the game on screen).
    const std::unique_ptr<QOffscreenSurface> standIn = surface->makeCurrentAnyway();
    if (engine) {
        if (engine->shapePiece)
            engine->shapePiece->releaseGl();
        for (PieceRecord *record : std::as_const(engine->remaining))
            record->releaseGl();
        for (PieceRecord *record : std::as_const(engine->placed))
            record->releaseGl();
        if (engine->current)
            engine->current->releaseGl();
    }
    learning.releaseGl();
    for (GLuint &list : furnitureLists) {
        if (list)
            glDeleteLists(list, 1);
        list = 0;
    }
    stillScene.release();
    for (GLuint *texture : {&bambooTexture, &marbleTexture, &carpetTexture}) {
        if (*texture)
            glDeleteTextures(1, texture);
        *texture = 0;
    }
    doneCurrent();
}
