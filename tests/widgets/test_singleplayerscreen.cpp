// ctest-labels: integration
// The game screen: what the display says and how the controls move the view.
#include "game/gameengine.h"
#include "testing/camera.h"
#include "testing/viewfixture.h"
#include "view/glformat.h"
#include "widgets/movebutton.h"
#include "widgets/pixbutton.h"
#include "widgets/rotatebutton.h"
#include "widgets/singleplayerscreen.h"

#include <QSettings>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QTest>

namespace {

// One cube of edge 0.06 with its target at (0.1, 0.1, 0.3).
const QString cube = GameData::piece("part", "small.md2", 0.1f, 0.1f, 0.3f);

// Two cubes (edge 0.06 and 0.1) at (0.1, 0.1, 0.3) and (-0.1, -0.1, 0.3); on Hard, nothing is named.
const QString twoCubes = cube + GameData::piece("part", "cube.md2", -0.1f, -0.1f, 0.3f);

// A game of the two cubes, the first fitted and the second in the hand where the view has it before
// any drag: the trough is empty, so a frame depends on nothing but the camera.
struct StillGame : ScreenGame
{
    explicit StillGame(const QString &name = "Ann")
        : ScreenGame(twoCubes, 3, name)
    {
    }
    bool start()
    {
        if (!show())
            return false;
        GameEngine *engine = screen->engine;
        engine->takePiece(0);
        engine->tryFit(0.1f, 0.1f);
        engine->takePiece(0);
        return engine->placed.size() == 1 && engine->current;
    }
    void wheel(int notches)
    {
        QWheelEvent event({400, 300}, {}, {}, {0, 120 * notches}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QCoreApplication::sendEvent(screen->view, &event);
    }
};

// The game screen of the cube, shown, with the cube fitted: the game is won.
struct WonGame : ScreenGame
{
    WonGame()
        : ScreenGame(cube, 2, QStringLiteral("Ann"))
    {
    }
    bool showAndWin()
    {
        if (!show())
            return false;
        screen->engine->takePiece(0);
        screen->engine->tryFit(0.1f, 0.1f);
        return screen->engine->gameWon;
    }
    QRect pieceBox() { return inkBox(screen->view->grabFramebuffer(), pieceInk); }
};

// A left drag on a control from y 40 to `to`, the button kept down.
void drag(QWidget *control, int to)
{
    mouseAt(control, QEvent::MouseButtonPress, {5, 40});
    mouseAt(control, QEvent::MouseMove, {5, qreal(to)});
}

} // namespace

class TestSinglePlayerScreen : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        useCompatibilityGlFormat();
        useTheGamesSettings();
    }

private slots:
    void displayReadsTheTitledNameTheProgressAndTheTime_data()
    {
        QTest::addColumn<int>("difficulty");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("easy") << 1 << "A" << 65432 << "B.sc.Inf A\nProgress: 40%\nTime elapsed: 01:05";
        QTest::newRow("medium") << 2 << "A" << 599999 << "Dr. med. A\nProgress: 40%\nTime elapsed: 09:59";
        QTest::newRow("hard") << 3 << "A" << 3600000 << "Prof. Dr. med. A\nProgress: 40%\nTime elapsed: 60:00";
        QTest::newRow("stored 0, minutes past 99")
            << 0 << "A" << 6000000 << "Prof. Dr. med. A\nProgress: 40%\nTime elapsed: 100:00";
        QTest::newRow("stored 7, markers in the name")
            << 7 << "%1 %2" << 0 << "Prof. Dr. med. %1 %2\nProgress: 40%\nTime elapsed: 00:00";
    }

    void displayReadsTheTitledNameTheProgressAndTheTime()
    {
        QFETCH(int, difficulty);
        QFETCH(QString, name);
        QFETCH(int, ms);
        QFETCH(QString, text);
        ScreenGame game(cube, difficulty, name);
        QCOMPARE(SinglePlayerScreen::statusText(game.screen->playerName, 40, ms), text);
    }

    void knobsTurnAndTiltAndTheSliderZoomsAWonGameWhoseTimeStandsStill()
    {
        WonGame game;
        QVERIFY(game.showAndWin());
        game.screen->repaint();
        const int stopped = game.screen->shownTime;
        QSignalSpy frames(game.screen->view, &GLEngine::newTime);
        drag(game.screen->xRotButton, 25);  // 15 px up: turn 15
        drag(game.screen->yRotButton, 120); // 80 px down: tilt -80
        const QRect box = game.pieceBox();
        QPolygonF corners;
        for (int i = 0; i < 8; ++i) {
            const QVector3D step =
                0.03f * QVector3D(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1); // the cube's corners
            corners << Camera{15, -80, 1}.piece(QVector3D(0.1f, 0.1f, 0.3f) + step, QSize(794, 648));
        }
        const QRectF expected = corners.boundingRect();
        QVERIFY2((QRectF(box).center() - expected.center()).manhattanLength() < 3,
                 qPrintable(QDebug::toString(box) + " around " + QDebug::toString(expected)));
        QVERIFY2(qAbs(box.width() - expected.width()) < 3, qPrintable(QString::number(box.width())));
        drag(game.screen->zoomButton, -10); // held at the top: zooming in while held
        QTest::qWait(300);
        mouseAt(game.screen->zoomButton, QEvent::MouseButtonRelease, {5, -10});
        const QRect zoomed = game.pieceBox();
        QVERIFY2(zoomed.width() > box.width() + 3, qPrintable(QString::number(zoomed.width())));
        QTest::qWait(200);
        QCOMPARE(game.pieceBox(), zoomed); // the zoom stays where released
        QTRY_VERIFY(frames.count() > 10);
        game.screen->repaint();
        QCOMPARE(game.screen->shownTime, stopped);
    }

    void resetViewGivesTheStartingFrameBackKeepingThePiecesAndTheClock()
    {
        QImage first;
        {
            StillGame fresh;
            QVERIFY(fresh.start());
            first = fresh.screen->view->grabFramebuffer();
        }
        StillGame game;
        QVERIFY(game.start());
        SinglePlayerScreen &s = *game.screen;
        drag(s.xRotButton, 10);
        drag(s.yRotButton, 70);
        drag(s.zoomButton, 10);
        QTest::qWait(200);
        mouseAt(s.zoomButton, QEvent::MouseButtonRelease, {5, 10});
        game.wheel(2);
        QVERIFY(differingPixels(s.view->grabFramebuffer(), first) > 1000);
        const int before = s.view->elapsed();
        QTest::mouseClick(s.resetViewButton, Qt::LeftButton);
        QCOMPARE(differingPixels(s.view->grabFramebuffer(), first), 0);
        QVERIFY(s.engine->placed.size() == 1 && s.engine->current && s.view->elapsed() >= before);
        // The knobs start from 0 again: a 10-pixel turn shows the room turned by 10, as at a game's start.
        drag(s.xRotButton, 30);
        QCOMPARE(s.xRotButton->angle(), 10);
    }

    void wheelZoomsInStepsWithinBoundsThatKeepTheBodyInView()
    {
        StillGame game;
        QVERIFY(game.start());
        GLEngine *view = game.screen->view;
        const QRect inner = view->rect().adjusted(2, 2, -2, -2);
        for (const int way : {1, -1}) {
            const QRect before = inkBox(view->grabFramebuffer(), pieceInk);
            game.wheel(way);
            const QRect step = inkBox(view->grabFramebuffer(), pieceInk);
            QVERIFY(way > 0 ? step.width() > before.width() : step.width() < before.width());
            game.wheel(way * 40);
            const QImage end = view->grabFramebuffer();
            game.wheel(way);
            QCOMPARE(differingPixels(view->grabFramebuffer(), end), 0); // a bound
            const QRect body = inkBox(end, pieceInk);
            QVERIFY2(inner.contains(body), qPrintable(QDebug::toString(body)));
        }
    }

    void howToPlayCardComesOnceForANameAndOnQuestionMarkAndStopsTheClockWhileShown()
    {
        QSettings().remove("howtoplay"); // every name new
        {
            StillGame game("Ada");
            QVERIFY(game.start());
            game.screen->showCardIfNew();
            GLEngine *view = game.screen->view;
            QVERIFY(view->cardShown());
            const int stopped = view->elapsed();
            QTest::qWait(300);
            QCOMPARE(view->elapsed(), stopped);
            QTest::keyClick(game.screen.get(), Qt::Key_Escape);
            QVERIFY(!view->cardShown());
            QTRY_VERIFY(view->elapsed() > stopped);
            // "?" brings it back; a press in the view puts it away and lets go of nothing.
            QTest::mouseClick(game.screen->helpButton, Qt::LeftButton);
            QVERIFY(view->cardShown());
            mouseAt(view, QEvent::MouseButtonPress, {400, 300});
            mouseAt(view, QEvent::MouseButtonRelease, {400, 300});
            QVERIFY(!view->cardShown() && game.screen->engine->current);
            QCOMPARE(game.screen->engine->missCount(), 0);
        }
        StillGame longer("Ada Lovelace"); // a new name, though it starts as the last one
        QVERIFY(longer.start());
        longer.screen->showCardIfNew();
        QVERIFY(longer.screen->view->cardShown());
    }
};

QTEST_MAIN(TestSinglePlayerScreen)
#include "test_singleplayerscreen.moc"
