// ctest-labels: integration
// The whole game at 1280 x 1024 on the generated data, played with the mouse: menu, set-up with all six
// sets in view, then every set solved in the real game screen to the win. Screenshots: TORVANE_SCREENSHOTS/game.

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

#include <QPointer>
#include <QScreen>
#include <QtTest>

#include <GL/glu.h>

static const QString shots = qEnvironmentVariable("TORVANE_SCREENSHOTS", QDir::tempPath() + "/torvane-screenshots") + "/game";

static bool screenshot(QWidget &window, const QString &name) // the X server's pixels, GL view included
{
    QTest::qWait(100);
    return window.screen()->grabWindow(0).copy(window.geometry()).save(shots + "/" + name + ".png");
}

static QPoint project(GLEngine *view, float x, float y, float z) // a point of the piece frame in the view
{
    GLdouble modelView[16], projection[16], wx, wy, wz;
    GLint viewport[4];
    view->makeCurrent(); // the matrices of its last frame
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    view->doneCurrent();
    gluProject(x, y, z, modelView, projection, viewport, &wx, &wy, &wz);
    return (QPointF(wx, viewport[3] - wy) / view->devicePixelRatioF()).toPoint();
}

static bool takeTroughPiece(GLEngine *view, GameEngine *engine) // presses along the trough till it has the piece
{
    for (int sweep = 0; sweep < 400 && !engine->current; ++sweep, QTest::qWait(30))
        for (float y = -0.4f; y <= 0.41f && !engine->current; y += 0.1f) {
            const QPoint at = project(view, -0.6f, y, engine->remaining.first()->halfSizeZ() + 0.6f);
            QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, at);
            if (!engine->current)
                QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, at);
        }
    return engine->current;
}

class TestRealGame : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void everySetIsSolvedByMouseToTheWin()
    {
        QVERIFY(QDir::setCurrent(TORVANE_BINARY_DIR "/data") && QDir().mkpath(shots));
        const std::unique_ptr<SoundManager> sound(soundManager = new SoundManager(std::make_unique<FakeAudioBackend>()));
        MainWindow window;
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(window.screen1 && window.screen1->isVisible(), 5000);
        QTest::mouseClick(window.screen1->singlePlayerButton, Qt::LeftButton);
        Screen2 *setup = window.screen2;
        QTest::keyClicks(QWidget::keyboardGrabber(), QString(setup->name.size(), QChar('\b')) + "Vesalius"); // over an earlier run's name
        QTest::mouseClick(setup->mediumButton, Qt::LeftButton);
        SetChooser *chooser = setup->chooser;
        QCOMPARE(chooser->entries.size(), 6); // in a row inside the 800-pixel screen
        const QRect row(chooser->mapTo(setup, QPoint(400 - chooser->rowWidth / 2, 0)), QSize(chooser->rowWidth, chooser->maxIconHeight));
        QVERIFY(setup->rect().contains(row));
        QVERIFY(screenshot(window, "setup"));
        for (int i = 0, left = 400 - chooser->rowWidth / 2; i < 6; left += chooser->entries.at(i++).icon.width() + 10) {
            if (!setup->isVisible())
                QTest::mouseClick(window.screen1->singlePlayerButton, Qt::LeftButton);
            QTest::mouseClick(chooser, Qt::LeftButton, {}, {left + 20, 20});
            const QString name = chooser->currentDocument()->documentElement().firstChildElement("icon").text().chopped(4);
            QTest::mouseClick(setup->startButton, Qt::LeftButton);
            QPointer<SinglePlayerScreen> game = window.screensp;
            QVERIFY(game);
            GLEngine *view = game->view;
            GameEngine *engine = game->engine;
            QTRY_VERIFY_WITH_TIMEOUT(view->elapsed() > 0, 20000);
            QTest::qWait(100); // a few frames, so the view's matrices are the game's
            const PieceRecord *ghost = engine->shapePiece; // wholly in view from the start, as setcheck keeps the drop points
            const QRect inside = view->rect().adjusted(10, 10, -10, -10);
            for (int c = 0; c < 8; ++c) {
                const int sx = c & 1 ? 1 : -1, sy = c & 2 ? 1 : -1, sz = c & 4 ? 1 : -1;
                QVERIFY2(inside.contains(project(view, engine->offsetX + sx * ghost->halfSizeX(), engine->offsetY + sy * ghost->halfSizeY(),
                                                 engine->offsetZ + sz * ghost->halfSizeZ())),
                         qPrintable(name + ": the ghost leaves the view"));
            }
            for (bool first = true; !engine->gameWon; first = false) {
                QVERIFY2(takeTroughPiece(view, engine), qPrintable(name));
                const PieceRecord *piece = engine->current;
                const QPoint target = project(view, piece->posX() + engine->offsetX, piece->posY() + engine->offsetY, 0.5f);
                if (first) { // on its way from the trough to its place; the button is still held
                    QTest::mouseMove(view, target + (project(view, -0.6f, 0, 0.6f) - target) * 0.4);
                    QTest::qWait(700);
                    QVERIFY(screenshot(window, name + "-playing"));
                }
                QTest::mouseMove(view, target);
                QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, target);
                QVERIFY2(!engine->current, qPrintable(piece->fileName + " did not fit"));
            }
            QCOMPARE(engine->progress(), 100);
            // "YOU WIN!" in red just above the middle of the view.
            QTest::qWait(200);
            int red = 0;
            const QImage frame = view->grabFramebuffer();
            for (int y = frame.height() / 2 - 70; y < frame.height() / 2; ++y)
                for (int x = frame.width() / 2; x < std::min(frame.width(), frame.width() / 2 + 300); ++x)
                    red += qRed(frame.pixel(x, y)) > 180 && qGreen(frame.pixel(x, y)) < 60 && qBlue(frame.pixel(x, y)) < 60;
            QVERIFY2(red > 200, qPrintable(name + ": no win text"));
            QVERIFY(screenshot(window, name + "-won"));
            QTest::mouseClick(game->exitButton, Qt::LeftButton);
            QTRY_VERIFY(!game);
        }
    }
};

QTEST_MAIN(TestRealGame)
#include "test_realgame.moc"
