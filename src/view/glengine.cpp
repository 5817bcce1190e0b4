#include "view/glengine.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "view/roomcamera.h"

#include <QCoreApplication>
#include <QFont>
#include <QImage>
#include <QMatrix4x4>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOffscreenSurface>
#include <QOpenGLFramebufferObject>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFunctions>
#include <QOpenGLPaintDevice>
#include <QPainter>
#include <QWindow>

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

// The native window the frames are drawn into. Input passes through it to
// the view underneath, which handles the mouse like any widget.
class GLEngine::Surface : public QWindow
{
public:
    explicit Surface(GLEngine *view)
        : view(view)
    {
        setSurfaceType(QWindow::OpenGLSurface);
        setFlag(Qt::WindowTransparentForInput);
        // No alpha: the window shows the scene's colours as they are, even
        // where a compositor would blend a translucent window.
        QSurfaceFormat opaque = QSurfaceFormat::defaultFormat();
        opaque.setAlphaBufferSize(0);
        setFormat(opaque);
    }

protected:
    void exposeEvent(QExposeEvent *) override
    {
        if (isExposed())
            view->drawFrame();
    }
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::UpdateRequest)
            return QWindow::event(event);
        view->drawFrame();
        return true;
    }

private:
    GLEngine *view;
};

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

    surface = new Surface(this);
    container = QWidget::createWindowContainer(surface, this);
    container->setFocusPolicy(Qt::NoFocus);
}

GLEngine::~GLEngine()
{
    cleanup();
    delete glContext;
    glContext = nullptr;
}

bool GLEngine::isValid() const
{
    return glReady && glContext->isValid();
}

QOpenGLContext *GLEngine::context() const
{
    return glContext;
}

void GLEngine::makeCurrent()
{
    if (glContext)
        glContext->makeCurrent(surface);
}

void GLEngine::doneCurrent()
{
    if (glContext)
        glContext->doneCurrent();
}

void GLEngine::update()
{
    if (framePending)
        return;
    framePending = true;
    QCoreApplication::postEvent(surface, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

void GLEngine::showEvent(QShowEvent *)
{
    // GL is set up at the first show, the container having created the
    // native window by now; every show restarts the frames.
    if (!glContext) {
        glContext = new QOpenGLContext(this);
        glContext->setFormat(surface->format());
        glContext->setShareContext(QOpenGLContext::globalShareContext());
        surface->create();
        if (glContext->create() && glContext->makeCurrent(surface))
            initializeGL();
    }
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
    framePending = false;
    const bool onScreen = surface->isExposed();
    if (!glReady || !isVisible() || (!onScreen && !offScreen))
        return;
    glContext->makeCurrent(surface);
    paintGL();
    if (onScreen) {
        glContext->swapBuffers(surface);
        emit frameSwapped();
    }
}

QImage GLEngine::grabFramebuffer()
{
    if (!isValid())
        return QImage();
    makeCurrent();
    paintGL();
    const QSize size = surface->size() * surface->devicePixelRatio();
    QImage image(size, QImage::Format_RGBX8888);
    glReadPixels(0, 0, size.width(), size.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    doneCurrent();
    // GL rows run bottom to top.
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
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
    message = QStringLiteral("YOU WIN!");
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

    bambooTexture = loadTexture(QStringLiteral("bambou.png"));
    carpetTexture = loadTexture(QStringLiteral("carpet.png"));
    marbleTexture = loadTexture(QStringLiteral("marmor.png"));

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

    const float ox = furnitureOrigin[0], oy = furnitureOrigin[1], oz = furnitureOrigin[2];
    const float leg = 0.01f, legHeight = -0.2f;
    const float topX = 0.21f, topY = 0.11f, topZ = -0.12f;
    furnitureLists[0] = makeBox(ox - 0.2f, oy - 0.3f, oz + 0.2f, leg, leg, legHeight);
    furnitureLists[1] = makeBox(ox - 0.2f, oy - 0.1f, oz + 0.2f, leg, leg, legHeight);
    furnitureLists[2] = makeBox(ox + 0.2f, oy - 0.3f, oz + 0.2f, leg, leg, legHeight);
    furnitureLists[3] = makeBox(ox + 0.2f, oy - 0.1f, oz + 0.2f, leg, leg, legHeight);
    furnitureLists[4] = makeBox(ox, oy - 0.2f, oz + 0.5f, topX, topY, topZ);
    furnitureLists[5] = makeBox(ox - 0.2f, oy + 0.7f, oz + 0.2f, leg, leg, legHeight);
    furnitureLists[6] = makeBox(ox - 0.2f, oy + 0.9f, oz + 0.2f, leg, leg, legHeight);
    furnitureLists[7] = makeBox(ox + 0.2f, oy + 0.7f, oz + 0.2f, leg, leg, legHeight);
    furnitureLists[8] = makeBox(ox + 0.2f, oy + 0.9f, oz + 0.2f, leg, leg, legHeight);
    furnitureLists[9] = makeBox(ox, oy + 0.8f, oz + 0.5f, topX, topY, topZ);

    // The still scene is kept in a framebuffer of the view's size, where the
    // driver has them; without, every frame draws everything.
    stillValid = false;
    lastKey = StillKey();
    framesSinceChange = 0;
    if (QOpenGLFramebufferObject::hasOpenGLFramebufferObjects() && QOpenGLFramebufferObject::hasOpenGLFramebufferBlit())
        stillScene = new QOpenGLFramebufferObject(QSize(viewport[2], viewport[3]),
                                                  QOpenGLFramebufferObject::CombinedDepthStencil, GL_TEXTURE_2D, GL_RGB8);
    // Making it leaves it bound; frames go to the window.
    QOpenGLFramebufferObject::bindDefault();

    glReady = true;
    clock.start();
    lastFrameMs = 0;
}

GLuint GLEngine::loadTexture(const QString &fileName)
{
    QImage image(fileName);
    if (image.isNull()) {
        // A missing picture leaves the surface in its plain colour.
        image = QImage(1, 1, QImage::Format_RGBA8888);
        image.fill(Qt::white);
    }
    // QImage rows run top to bottom, GL rows bottom to top.
    image = image.convertToFormat(QImage::Format_RGBA8888).mirrored();

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    // Trilinear: the floor and the furniture are seen at a slant and from
    // afar, where plain linear filtering shimmers.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, image.width(), image.height(), GL_RGBA,
                      GL_UNSIGNED_BYTE, image.constBits());
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

GLuint GLEngine::makeBox(float cx, float cy, float cz, float hx, float hy, float hz)
{
    const GLfloat v[8][3] = {
        {cx + hx, cy + hy, cz + hz},
        {cx + hx, cy - hy, cz + hz},
        {cx - hx, cy - hy, cz + hz},
        {cx - hx, cy + hy, cz + hz},
        {cx - hx, cy + hy, cz - hz},
        {cx + hx, cy + hy, cz - hz},
        {cx + hx, cy - hy, cz - hz},
        {cx - hx, cy - hy, cz - hz},
    };
    // Outward along each axis, whatever the sign of the half-extent.
    const float sx = hx < 0 ? -1.0f : 1.0f;
    const float sy = hy < 0 ? -1.0f : 1.0f;
    const float sz = hz < 0 ? -1.0f : 1.0f;

    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(GL_QUADS);

    glNormal3f(0, 0, sz);
    glTexCoord2f(1, 1); glVertex3fv(v[0]);
    glTexCoord2f(0, 0); glVertex3fv(v[3]);
    glTexCoord2f(0, 1); glVertex3fv(v[2]);
    glTexCoord2f(1, 1); glVertex3fv(v[1]);

    glNormal3f(-sx, 0, 0);
    glTexCoord2f(1, 0); glVertex3fv(v[3]);
    glTexCoord2f(1, 1); glVertex3fv(v[4]);
    glTexCoord2f(0, 1); glVertex3fv(v[7]);
    glTexCoord2f(0, 0); glVertex3fv(v[2]);

    glNormal3f(sx, 0, 0);
    glTexCoord2f(1, 1); glVertex3fv(v[0]);
    glTexCoord2f(1, 0); glVertex3fv(v[5]);
    glTexCoord2f(0, 0); glVertex3fv(v[6]);
    glTexCoord2f(0, 1); glVertex3fv(v[1]);

    glNormal3f(0, 0, -sz);
    glTexCoord2f(0, 0); glVertex3fv(v[5]);
    glTexCoord2f(0, 1); glVertex3fv(v[4]);
    glTexCoord2f(1, 1); glVertex3fv(v[7]);
    glTexCoord2f(1, 0); glVertex3fv(v[6]);

    glNormal3f(0, sy, 0);
    glTexCoord2f(1, 1); glVertex3fv(v[5]);
    glTexCoord2f(1, 0); glVertex3fv(v[0]);
    glTexCoord2f(0, 0); glVertex3fv(v[3]);
    glTexCoord2f(0, 1); glVertex3fv(v[4]);

    glNormal3f(0, -sy, 0);
    glTexCoord2f(0, 1); glVertex3fv(v[6]);
    glTexCoord2f(0, 0); glVertex3fv(v[1]);
    glTexCoord2f(1, 0); glVertex3fv(v[2]);
    glTexCoord2f(1, 1); glVertex3fv(v[7]);

    glEnd();
    glEndList();
    return list;
}

void GLEngine::paintGL()
{
    if (!isVisible())
        return;

    emit newTime();
    frameTimer.start(frameIntervalMs);

    const int dt = now() - lastFrameMs;
    zoom = std::max(roomcamera::zoomMinimum, float(zoom + dt * (zoomSpeed * roomcamera::zoomRate)));

    // The painter of the win text sets its own viewport; the view keeps the
    // one fixed at set-up.
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    roomcamera::applyCamera(turn, tilt, zoom);

    setupLighting();
    // What keeps still is kept in the still scene once it has not changed
    // for two frames, and copied back for the frames after; while
    // the camera or the pieces move, frames are drawn whole. The still parts
    // are drawn where the frame is and copied out from there: copies are
    // exact, where a buffer of another layout may round colours otherwise.
    const StillKey key = stillKeyNow();
    const bool reuse = stillScene && stillValid && key == keptKey;
    // Not before the third frame: the renderer's first copy in a context
    // costs a few frames' time, and a game's first frame on screen is its
    // second (the first is drawn at the show, before it is shown).
    framesSinceChange = key == lastKey ? framesSinceChange + 1 : 0;
    const bool keep = stillScene && !reuse && framesSinceChange >= 2;
    lastKey = key;
    if (!reuse) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawFloor();
    }
    roomcamera::applyFurnitureScale();
    if (!reuse)
        drawFurniture();
    roomcamera::applyPieceScale();
    if (keep) {
        drawnParts = StillParts;
        drawPieces();
        keepStillScene();
        keptKey = key;
        stillValid = true;
    } else if (reuse) {
        restoreStillScene();
    }
    if (reuse || keep) {
        // The grey the furniture leaves for the pieces.
        glColor3f(0.5f, 0.5f, 0.5f);
        drawnParts = MovingParts;
    }
    drawPieces();
    drawnParts = AllParts;
    if (engine)
        learning.drawHint(*engine, now());

    glColor3f(1, 0, 0);

    if (!message.isEmpty()) {
        // The painter changes GL state behind our back; the next frame and
        // the mouse mapping between frames need the matrices, the viewport
        // and the switches exactly as the scene left them.
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        {
            const qreal ratio = devicePixelRatioF();
            QOpenGLPaintDevice device((QSizeF(size()) * ratio).toSize());
            device.setDevicePixelRatio(ratio);
            QPainter painter(&device);
            painter.setPen(QColor(255, 0, 0));
            painter.setFont(QFont(QStringLiteral("Sans"), 72, QFont::Bold, false));
            // The message starts at the centre; in a narrow view it is moved
            // left just enough to keep its end on screen.
            const int textWidth = painter.fontMetrics().horizontalAdvance(message);
            const int x = qMax(0, qMin(width() / 2, width() - textWidth - 10));
            painter.drawText(QPoint(x, height() / 2), message);
        }
        if (QOpenGLContext *context = QOpenGLContext::currentContext())
            context->functions()->glUseProgram(0);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glPopClientAttrib();
        glPopAttrib();
    }
    if (engine)
        learning.drawLabels(size(), devicePixelRatioF(), *engine, troughPiece(), now());

    lastFrameMs = now();
}

void GLEngine::setupLighting()
{
    const GLfloat white[] = {1, 1, 1, 1};
    const GLfloat position[] = {1, 0, 1, 0};
    const GLfloat down[] = {0, 0, -1};
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, down);
    glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 1);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, white);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 100);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
}

void GLEngine::drawFloor()
{
    glPushMatrix();
    glColor3f(1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, marbleTexture);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2d(2, 2); glVertex3f(2, 2, 0);
    glTexCoord2d(2, 0); glVertex3f(2, -2, 0);
    glTexCoord2d(0, 0); glVertex3f(-2, -2, 0);
    glTexCoord2d(0, 2); glVertex3f(-2, 2, 0);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}

void GLEngine::drawFurniture()
{
    const float ox = furnitureOrigin[0], oy = furnitureOrigin[1], oz = furnitureOrigin[2];

    glPushMatrix();
    glColor3f(0.5f, 0.5f, 0.5f);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, bambooTexture);
    for (GLuint list : furnitureLists)
        glCallList(list);

    // Back wall of the trough.
    glBegin(GL_QUADS);
    glNormal3f(1, 0, 0);
    glTexCoord2f(0, 0); glVertex3f(ox, oy - 0.09f, oz + 0.38f);
    glTexCoord2f(1, 0); glVertex3f(ox, oy + 0.7f, oz + 0.38f);
    glTexCoord2f(0, 0.8f); glVertex3f(ox, oy + 0.7f, oz + 0.62f);
    glTexCoord2f(1, 0.8f); glVertex3f(ox, oy - 0.09f, oz + 0.62f);
    glEnd();

    // Fronts of the two end blocks.
    glBegin(GL_QUADS);
    glNormal3f(1, 0, 0);
    glTexCoord2f(1, 1); glVertex3f(ox + 0.21f, oy - 0.09f, oz + 0.38f);
    glTexCoord2f(0, 1); glVertex3f(ox + 0.21f, oy + 0.1f, oz + 0.38f);
    glTexCoord2f(1, 0); glVertex3f(ox + 0.21f, oy + 0.1f, oz + 0.62f);
    glTexCoord2f(0, 0); glVertex3f(ox + 0.21f, oy - 0.09f, oz + 0.62f);
    glEnd();
    glBegin(GL_QUADS);
    glNormal3f(1, 0, 0);
    glTexCoord2f(1, 1); glVertex3f(ox + 0.21f, oy + 0.51f, oz + 0.38f);
    glTexCoord2f(0, 1); glVertex3f(ox + 0.21f, oy + 0.69f, oz + 0.38f);
    glTexCoord2f(1, 0); glVertex3f(ox + 0.21f, oy + 0.69f, oz + 0.62f);
    glTexCoord2f(0, 0); glVertex3f(ox + 0.21f, oy + 0.51f, oz + 0.62f);
    glEnd();

    // Tops of the two end blocks.
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, 0); glVertex3f(ox + 0.21f, oy - 0.09f, oz + 0.62f);
    glTexCoord2f(1, 0); glVertex3f(ox + 0.21f, oy + 0.1f, oz + 0.62f);
    glTexCoord2f(0, 1); glVertex3f(ox, oy + 0.1f, oz + 0.62f);
    glTexCoord2f(1, 1); glVertex3f(ox, oy - 0.09f, oz + 0.62f);
    glEnd();
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, 0); glVertex3f(ox + 0.21f, oy + 0.51f, oz + 0.62f);
    glTexCoord2f(1, 0); glVertex3f(ox + 0.21f, oy + 0.69f, oz + 0.62f);
    glTexCoord2f(0, 1); glVertex3f(ox, oy + 0.69f, oz + 0.62f);
    glTexCoord2f(1, 1); glVertex3f(ox, oy + 0.51f, oz + 0.62f);
    glEnd();

    // Carpet on the trough floor, repeated five times along it.
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, carpetTexture);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(1, 0); glVertex3f(ox + 0.21f, oy - 0.1f, oz + 0.38f);
    glTexCoord2f(1, 5); glVertex3f(ox + 0.21f, oy + 0.7f, oz + 0.38f);
    glTexCoord2f(0, 5); glVertex3f(ox, oy + 0.7f, oz + 0.38f);
    glTexCoord2f(0, 0); glVertex3f(ox, oy - 0.1f, oz + 0.38f);
    glEnd();

    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}

GLEngine::StillKey GLEngine::stillKeyNow() const
{
    StillKey key{turn, tilt, zoom, {}, ghostKeepsStill()};
    if (engine)
        key.placed = engine->placed;
    return key;
}

bool GLEngine::ghostKeepsStill() const
{
    // A carried piece is drawn before the ghost, which adds onto it.
    return !engine || !engine->current;
}

QRect GLEngine::viewportRect() const
{
    return QRect(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void GLEngine::keepStillScene()
{
    // Qt's own blit would name a colour attachment to read from, which the
    // window's framebuffer does not have.
    const QRect all = viewportRect();
    QOpenGLExtraFunctions *gl = glContext->extraFunctions();
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, glContext->defaultFramebufferObject());
    gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, stillScene->handle());
    gl->glBlitFramebuffer(all.left(), all.top(), all.right() + 1, all.bottom() + 1, all.left(), all.top(), all.right() + 1,
                          all.bottom() + 1, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, glContext->defaultFramebufferObject());
}

void GLEngine::restoreStillScene()
{
    const QRect all = viewportRect();
    QOpenGLFramebufferObject::blitFramebuffer(nullptr, all, stillScene, all, GL_COLOR_BUFFER_BIT);
    // Depth is read only by what moves, so only where that can be drawn.
    const QRect moving = movingRect();
    if (moving.isEmpty())
        return;
    glScissor(moving.x(), moving.y(), moving.width(), moving.height());
    glEnable(GL_SCISSOR_TEST);
    QOpenGLFramebufferObject::blitFramebuffer(nullptr, all, stillScene, all, GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

QRect GLEngine::movingRect() const
{
    const QRect all = viewportRect();
    // A carried piece brings the ghost along, and that lies all over.
    if (!engine || engine->current)
        return all;
    const int count = int(engine->remaining.size());
    if (count == 0)
        return QRect();
    // The trough piece is drawn centred on where drawPieces() puts it,
    // turned any way: it stays within the ball through its box's corners,
    // and the box around that ball is projected.
    const PieceRecord *record = engine->remaining.at(conveyorIndex < count ? conveyorIndex : 0);
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
    QOffscreenSurface standIn;
    if (!glContext->makeCurrent(surface)) {
        standIn.setFormat(glContext->format());
        standIn.create();
        glContext->makeCurrent(&standIn);
    }
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
    delete stillScene;
    stillScene = nullptr;
    stillValid = false;
    for (GLuint *texture : {&bambooTexture, &marbleTexture, &carpetTexture}) {
        if (*texture)
            glDeleteTextures(1, texture);
        *texture = 0;
    }
    doneCurrent();
}
