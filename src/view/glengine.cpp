#include "view/glengine.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "view/howtoplay.h"
#include "view/overlay.h"
#include "view/room.h"
#include "view/viewsurface.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>

#include <algorithm>
#include <utility>

namespace {

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
    if (!clock.isValid())
        return 0;
    return int((card ? pausedAt : clock.elapsed()) - pausedMs);
}

void GLEngine::showCard()
{
    if (card)
        return;
    card = true;
    pausedAt = clock.isValid() ? clock.elapsed() : 0;
    update();
}

void GLEngine::closeCard()
{
    if (!card)
        return;
    card = false;
    if (clock.isValid())
        pausedMs += clock.elapsed() - pausedAt;
    update();
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

void GLEngine::resetView()
{
    turn = roomcamera::startTurn;
    tilt = roomcamera::startTilt;
    zoom = roomcamera::startZoom;
    zoomSpeed = 0;
}

void GLEngine::setDifficulty(Difficulty difficulty)
{
    learning.difficulty = difficulty;
}

void GLEngine::setWinTime(int ms)
{
    learning.winTime = ms;
}

void GLEngine::setQuiz(const NamingQuiz *naming)
{
    quiz = naming;
    learning.fittedCaption = !quiz;
}

void GLEngine::setNameLanguage(NameLanguage language)
{
    learning.language = language;
    quizPanel.language = language;
}

void GLEngine::setReportExtra(const QStringList &lines)
{
    learning.reportExtra = lines;
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

    // A new game has no placed or held piece yet; they count after a lost context.
    forEachRecord(&PieceRecord::build);

    const auto boxes = room::furnitureBoxes(furnitureOrigin);
    for (size_t i = 0; i < boxes.size(); ++i)
        furnitureLists[i] =
            makeBox(boxes[i].cx, boxes[i].cy, boxes[i].cz, boxes[i].hx, boxes[i].hy, boxes[i].hz);

    stillScene.create(viewportRect().size());
    if (engine)
        marks.setUp(*engine);

    glReady = true;
    clock.start();
    lastFrameMs = 0;
    // A card shown before the clock ran holds it from its start.
    pausedAt = 0;
}

void GLEngine::forEachRecord(void (PieceRecord::*call)())
{
    if (!engine)
        return;
    if (engine->shapePiece)
        (engine->shapePiece->*call)();
    for (PieceRecord *record : std::as_const(engine->remaining))
        (record->*call)();
    for (PieceRecord *record : std::as_const(engine->placed))
        (record->*call)();
    if (engine->current)
        (engine->current->*call)();
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
        // Stencil too: the buffer holds both, and clearing one alone costs
        // the renderer a pass over every pixel.
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        // The furniture before the floor, so that the floor it hides is never
        // shaded; where the two meet, the furniture keeps the pixel.
        glPushMatrix();
        roomcamera::applyFurnitureScale();
        drawFurniture();
        glPopMatrix();
        glDepthFunc(GL_LESS);
        drawFloor();
        glDepthFunc(GL_LEQUAL);
        // The grey the furniture leaves for the pieces.
        glColor3f(0.5f, 0.5f, 0.5f);
    }
    roomcamera::applyFurnitureScale();
    roomcamera::applyPieceScale();
    if (still == StillScene::Use::Keep) {
        drawnParts = StillParts;
        drawPieces();
        drawMarks();
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
    if (still == StillScene::Use::DrawWhole)
        drawMarks();
    drawnParts = AllParts;

    if (engine)
        learning.drawHint(*engine, now());
    overlay::drawWinText(message, size(), devicePixelRatioF());
    if (engine)
        learning.drawLabels(size(), devicePixelRatioF(), *engine, troughPiece(), now());
    if (quiz)
        quizPanel.draw(size(), devicePixelRatioF(), *quiz, now());
    if (card) {
        const overlay::FlatPass flat(size());
        if (cardLabel.size().isEmpty())
            cardLabel.setPicture(
                howtoplay::cardPicture(devicePixelRatioF(), width() - 2 * overlay::margin));
        cardLabel.draw(QPoint((width() - cardLabel.size().width()) / 2,
                              qMax(0, (height() - cardLabel.size().height()) / 2)));
    }

    lastFrameMs = now();
}

bool GLEngine::marksShown() const
{
    return engine && marks.known() && namesBeforeFit(learning.difficulty);
}

void GLEngine::drawMarks()
{
    if (marksShown())
        marks.draw(*engine);
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

void GLEngine::cleanup()
{
    if (!glReady)
        return;
    glReady = false;

    // What the view made lives on in the share group after its context is
    // gone, so it is freed here, even when the native window has gone first
    // (the main window closed with the game on screen).
    const std::unique_ptr<QOffscreenSurface> standIn = surface->makeCurrentAnyway();
    forEachRecord(&PieceRecord::releaseGl);
    learning.releaseGl();
    quizPanel.releaseGl();
    cardLabel.releaseGl();
    marks.releaseGl();
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
