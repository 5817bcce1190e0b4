// ctest-labels: integration
// The whole game at 1280 x 1024 on the generated data, played with the mouse
// as a player would: menu, set-up with a typed name, then every set in the
// real game screen, solved piece by piece. Checks that the start camera
// shows the whole ghost and every drop point, that the trough piece can be
// taken where it is drawn, and saves a screenshot of each step (the README's
// pictures come from here).

#include "app/mainwindow.h"
#include "audio/soundmanager.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "screens/screen1.h"
#include "screens/screen2.h"
#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/pixbutton.h"
#include "widgets/singleplayerscreen.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QtTest>

#include <GL/glu.h>

namespace {

const QString dataDir = QStringLiteral(TORVANE_BINARY_DIR "/data");

QString screenshotFolder()
{
    return qEnvironmentVariable("TORVANE_SCREENSHOTS", QDir::tempPath() + "/torvane-screenshots") + "/game";
}

// What the player sees: the X server's pixels, GL view included.
void screenshot(QWidget &window, const QString &name)
{
    QDir().mkpath(screenshotFolder());
    QTest::qWait(150);
    const QPixmap shot = window.screen()->grabWindow(0).copy(window.geometry());
    QVERIFY(shot.save(screenshotFolder() + "/" + name + ".png"));
}

// Window position (device-independent pixels, view coordinates) of a point
// of the piece frame, from the view's matrices as its last frame left them.
QPointF project(GLEngine *view, float x, float y, float z)
{
    view->makeCurrent();
    GLdouble modelView[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    view->doneCurrent();
    GLdouble wx = 0, wy = 0, wz = 0;
    gluProject(x, y, z, modelView, projection, viewport, &wx, &wy, &wz);
    const qreal ratio = view->devicePixelRatioF();
    return QPointF(wx / ratio, (viewport[3] - wy) / ratio);
}

void moveHeld(GLEngine *view, QPointF to)
{
    QMouseEvent event(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
}

// Presses along the trough until the gliding piece is taken.
bool takeTroughPiece(GLEngine *view, GameEngine *engine)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        const float lift = engine->remaining.first()->halfSizeZ() + 0.6f;
        for (float y = -0.4f; y <= 0.41f; y += 0.1f) {
            const QPoint at = project(view, -0.6f, y, lift).toPoint();
            QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, at);
            if (engine->current)
                return true;
            QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, at);
        }
        QTest::qWait(50);
    }
    return false;
}

bool isWinRed(QColor c) { return c.red() > 180 && c.green() < 60 && c.blue() < 60; }

} // namespace

class TestRealGame : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everySetIsPlayableInTheFullScreenGame();

private:
    void playSet(MainWindow &window, int index);

    FakeAudioBackend *fake = nullptr; // owned by the sound manager
};

void TestRealGame::initTestCase()
{
    QVERIFY(QDir::setCurrent(dataDir));
    fake = new FakeAudioBackend;
    soundManager = new SoundManager(std::unique_ptr<AudioBackend>(fake));
    qInfo("screenshots in %s", qPrintable(screenshotFolder()));
}

void TestRealGame::cleanupTestCase()
{
    delete soundManager;
    soundManager = nullptr;
}

void TestRealGame::everySetIsPlayableInTheFullScreenGame()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.width() >= 1024 && window.height() >= 768);
    screenshot(window, "loading");

    QTRY_VERIFY_WITH_TIMEOUT(window.screen1 && window.screen1->isVisible(), 5000);
    screenshot(window, "menu");

    QTest::mouseClick(window.screen1->singlePlayerButton, Qt::LeftButton);
    Screen2 *setup = window.screen2;
    QVERIFY(setup->isVisible());
    // A name from an earlier run is kept: type over it.
    for (int i = int(setup->name.size()); i > 0; --i)
        QTest::keyClick(QWidget::keyboardGrabber(), Qt::Key_Backspace);
    QTest::keyClicks(QWidget::keyboardGrabber(), "Vesalius");
    QCOMPARE(setup->name, QString("Vesalius"));
    QTest::mouseClick(setup->mediumButton, Qt::LeftButton);
    QCOMPARE(setup->chooser->entries.size(), 3);
    screenshot(window, "setup");
    // The same screen is shown again before every set.
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            QTest::mouseClick(window.screen1->singlePlayerButton, Qt::LeftButton);
        playSet(window, i);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestRealGame::playSet(MainWindow &window, int index)
{
    Screen2 *setup = window.screen2;
    SetChooser *chooser = setup->chooser;
    int left = 400 - chooser->rowWidth / 2;
    for (int i = 0; i < index; ++i)
        left += chooser->entries.at(i).icon.width() + 10;
    QTest::mouseClick(chooser, Qt::LeftButton, {}, {left + chooser->entries.at(index).icon.width() / 2, 20});
    QCOMPARE(chooser->selected, index);
    const QString name = QFileInfo(chooser->entries.at(index).document->documentElement()
                                       .firstChildElement("icon").text()).baseName();
    QTest::mouseClick(setup->startButton, Qt::LeftButton);

    QPointer<SinglePlayerScreen> game = window.screensp;
    QVERIFY(game);
    GLEngine *view = game->view;
    GameEngine *engine = game->engine;
    QTRY_VERIFY_WITH_TIMEOUT(view->elapsed() > 0, 20000);
    QTest::qWait(100);
    // The full-screen view is wider than tall, but drawn with aspect 1.
    QVERIFY(view->width() > view->height());

    // The whole ghost is in view at the start, with a little room around it.
    const PieceRecord *shape = engine->shapePiece;
    QVERIFY(shape && shape->halfSizeX() > 0);
    const QRectF inside = QRectF(view->rect()).adjusted(10, 10, -10, -10);
    QRectF ghost;
    for (int c = 0; c < 8; ++c) {
        const QPointF p = project(view, engine->offsetX + (c & 1 ? 1 : -1) * shape->halfSizeX(),
                                  engine->offsetY + (c & 2 ? 1 : -1) * shape->halfSizeY(),
                                  engine->offsetZ + (c & 4 ? 1 : -1) * shape->halfSizeZ());
        QVERIFY2(inside.contains(p), qPrintable(QString("%1: ghost corner %2 at %3, %4").arg(name).arg(c).arg(p.x()).arg(p.y())));
        ghost = ghost.isNull() ? QRectF(p, QSizeF(1, 1)) : ghost.united(QRectF(p, QSizeF(1, 1)));
    }
    // ... and takes a fair share of the view, so the player can see what to fit.
    qInfo("%s: ghost %.0f x %.0f px in a %d x %d view", qPrintable(name), ghost.width(), ghost.height(), view->width(), view->height());
    QVERIFY2(ghost.height() > 0.2 * view->height() && ghost.width() > 0.2 * view->width(), qPrintable(name));

    // Take the first piece off the trough, carry it part of the way: the next
    // one glides along the trough behind it.
    QVERIFY2(takeTroughPiece(view, engine), qPrintable(name));
    const QPointF trough = project(view, -0.6f, 0, 0.6f);
    const PieceRecord *held = engine->current;
    const QPointF target = project(view, held->posX() + engine->offsetX, held->posY() + engine->offsetY, 0.5f);
    moveHeld(view, trough + (target - trough) * 0.6);
    QTest::qWait(1500);
    screenshot(window, name + "-playing");

    // Solve it with the mouse: every target is reachable on the drag plane.
    bool first = true;
    while (!engine->gameWon) {
        if (!first)
            QVERIFY2(takeTroughPiece(view, engine), qPrintable(name));
        first = false;
        const PieceRecord *piece = engine->current;
        const QPointF at = project(view, piece->posX() + engine->offsetX, piece->posY() + engine->offsetY, 0.5f);
        QVERIFY2(inside.contains(at), qPrintable(name + ": " + piece->fileName + " drops outside the view"));
        moveHeld(view, at);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, at.toPoint());
        QVERIFY2(!engine->current, qPrintable(name + ": " + piece->fileName + " did not fit"));
    }
    QCOMPARE(engine->progress(), 100);

    QTest::qWait(300);
    const QImage frame = view->grabFramebuffer();
    int red = 0;
    for (int y = frame.height() / 2 - 70; y < frame.height() / 2; ++y)
        for (int x = frame.width() / 2; x < std::min(frame.width(), frame.width() / 2 + 300); ++x)
            red += isWinRed(frame.pixelColor(x, y));
    QVERIFY2(red > 200, qPrintable(QString::number(red)));
    screenshot(window, name + "-won");

    QTest::mouseClick(game->exitButton, Qt::LeftButton);
    QTRY_VERIFY(!game);
    QVERIFY(window.screen1->isVisible());
}

QTEST_MAIN(TestRealGame)
#include "test_realgame.moc"
