#pragma once

// The puzzle view: draws the room, the ghost of the body, the placed pieces,
// the held piece and the piece gliding along the trough; takes, carries and
// drops pieces with the mouse; turns and zooms on the game screen's controls.

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <qopengl.h>

#include "game/difficulty.h"
#include "view/learningaids.h"
#include "view/quizpanel.h"
#include "view/orientationmarks.h"
#include "view/overlay.h"
#include "view/roomcamera.h"
#include "view/stillscene.h"

class GameEngine;
class PieceRecord;
class QKeyEvent;
class QMouseEvent;
class QOpenGLContext;
class ViewSurface;

// paintGL() reads as a list of steps, each a call into a part with one job:
// the camera (roomcamera.h), the room (room.h), the still scene
// (stillscene.h), the pieces and the trough (drawpieces.cpp), the hint and
// the labels (learningaids.h) and what is drawn over the frame (overlay.h).
// Frames go to a native window of the view's own (viewsurface.h); the mouse
// is mapped onto the scene in picking.cpp.
class GLEngine : public QWidget
{
    Q_OBJECT

public:
    // The engine belongs to the game screen and must outlive the view's
    // GL objects; the view releases the records' GL objects in its
    // destructor, before the engine deletes the records.
    GLEngine(QWidget *parent, GameEngine *engine);
    ~GLEngine() override;

    // Milliseconds of play since the view set itself up; 0 before that.
    int elapsed() const;

    void setTurn(float degrees);
    void setTilt(float degrees);
    void setZoomSpeed(float speed);
    // Back to the starting camera: turn, tilt, zoom and a still zoom. The
    // pieces, the hand and the clock are left as they are.
    void resetView();

    // The how-to-play card over the frame. While it shows the play clock
    // stands still (the time shown, the trough and the zoom with it); a
    // press in the view puts it away and does nothing else.
    void showCard();
    void closeCard();
    bool cardShown() const { return card; }

    // How much the names and the hint give away; nothing until told.
    void setDifficulty(Difficulty difficulty);
    // The play time the game screen showed at the win, for the report.
    void setWinTime(int ms);
    // The naming question to draw and answer by mouse (hard); the quiz
    // belongs to the game screen. The fitted name then waits for the answer.
    void setQuiz(const NamingQuiz *quiz);
    // The language names are shown in.
    void setNameLanguage(NameLanguage language);
    // Lines under the report at the win.
    void setReportExtra(const QStringList &lines);
    const QuizPanel &namingPanel() const { return quizPanel; }

    // True once GL is set up, which happens when the view is first shown.
    bool isValid() const;
    QOpenGLContext *context() const;
    void makeCurrent();
    void doneCurrent();
    // Draws a frame and returns it without showing it; null before set-up.
    QImage grabFramebuffer();

public slots:
    // Asks for a frame; requests made before it is drawn are merged.
    void update();

signals:
    void newTime();
    // A frame has been drawn and swapped onto the screen.
    void frameSwapped();
    // A press on the naming question's choice `choice` (from 0).
    void choiceClicked(int choice);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    virtual void initializeGL();
    virtual void paintGL();

    // Play clock reading in ms; tests replace it to step time by hand.
    virtual int now() const;

private slots:
    void won();
    // Frees every GL object the view made or built; safe to call twice.
    void cleanup();

private:
    friend class TestGLEngine;

    // Draws a frame and swaps it onto the screen, when the view is set up
    // and shown; a window not on screen gets one only when asked.
    void drawFrame(bool offScreen = false);

    // The steps of the frame besides the parts' own.
    void stepZoom();
    void setupCamera();
    void setupLighting();
    void drawFloor();
    void drawFurniture();
    // Draws the parts of the pieces named by drawnParts, then moves the
    // trough on.
    void drawPieces();
    // A piece drawn opaque, culled where it is closed.
    void drawOpaque(const PieceRecord *piece);
    // The trough piece glides on by the time since the last frame and, past
    // the trough's end, makes way for the next.
    void stepTrough();
    const PieceRecord *troughPiece() const;
    StillScene::Key stillKeyNow() const;
    bool ghostKeepsStill() const;
    // Where the body lies, on Easy and Medium, for sets that say so; drawn
    // with the still parts of the frame.
    bool marksShown() const;
    void drawMarks();
    QRect viewportRect() const;
    // Where in the viewport moving parts can be drawn this frame.
    QRect movingRect() const;
    GLuint makeBox(float cx, float cy, float cz, float hx, float hy, float hz);
    // Calls `call` on the shape, then the remaining, placed and held pieces.
    void forEachRecord(void (PieceRecord::*call)());

    int pick(int x, int y);
    static GLuint nearestHit(int hits, const GLuint *buffer);
    void unprojectToPlane(int x, int y, float z, float *result);
    // Mouse position in the framebuffer's pixels.
    QPoint devicePosition(const QMouseEvent *event) const;

    GLuint furnitureLists[10] = {};
    float turn = roomcamera::startTurn;
    float tilt = roomcamera::startTilt;
    float zoom = roomcamera::startZoom;
    float zoomSpeed = 0;
    const float furnitureOrigin[3] = {-0.5f, -0.3f, 0.0f};
    GLuint bambooTexture = 0;
    GLuint marbleTexture = 0;
    GLuint carpetTexture = 0;
    QElapsedTimer clock;
    int lastFrameMs = 0;
    int wheelAngle = 0; // turned but not yet a whole notch
    bool card = false;
    // The press that put the card away: its release is not a drop.
    bool pressClosedCard = false;
    // Clock readings the card stood over, and where it stopped the clock.
    qint64 pausedMs = 0;
    qint64 pausedAt = 0;
    overlay::Label cardLabel;
    QString message;
    QPointer<GameEngine> engine; // not owned
    float heldPos[3] = {0, 0, 0};
    int conveyorIndex = 0;
    float conveyorPos = roomcamera::troughFirstEntry;

    // Each drawn frame arms it for the next one; it stays idle while hidden.
    QTimer frameTimer;
    // Fixed once at set-up, like the projection; the view is given its
    // final geometry before it is first shown.
    GLint viewport[4] = {0, 0, 0, 0};
    bool glReady = false;

    // Whatever drawPieces() draws among StillParts may depend on nothing
    // but what a StillScene::Key holds.
    enum Parts { StillParts = 1, MovingParts = 2, AllParts = 3 };
    int drawnParts = AllParts;
    StillScene stillScene;

    // Names, hints and the report.
    LearningAids learning;
    const NamingQuiz *quiz = nullptr; // not owned
    QuizPanel quizPanel;
    OrientationMarks marks;

    ViewSurface *surface = nullptr; // owned by the container
    QWidget *container = nullptr;   // child, fills the view
};
