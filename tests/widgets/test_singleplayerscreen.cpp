// ctest-labels: integration
// The game screen: where its controls stand, what the display says, and how the controls move the view.
#include "game/gameengine.h"
#include "testing/camera.h"
#include "testing/fakeaudiobackend.h"
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
    explicit StillGame(const QString &name = "Ann") : ScreenGame(twoCubes, 3, name) {}
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
        QWheelEvent event({400, 300}, {}, {}, {0, 120 * notches}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(screen->view, &event);
    }
};

// The game screen of the cube, shown, with the cube fitted: the game is won.
struct WonGame : ScreenGame
{
    WonGame() : ScreenGame(cube, 2, QStringLiteral("Ann")) {}
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
    void controlsStandAroundTheView_data()
    {
        // 1024 x 768: exit 120 x 50, knobs 60 x (20 + 56) and 64 x (22 + 56), track 24 x 120, logo 160 x 100.
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("place");
        QTest::addColumn<QString>("picture");
        QTest::newRow("exit at the bottom left") << "exit" << QRect(10, 708, 120, 50) << "mainmenu-up.png";
        QTest::newRow("x knob at the bottom right") << "x" << QRect(954, 682, 60, 76) << "x-rot.png";
        QTest::newRow("y knob above it") << "y" << QRect(954, 594, 64, 78) << "y-rot.png";
        QTest::newRow("slider centred above that") << "zoom" << QRect(974, 464, 24, 120) << "mover-ground.png";
        QTest::newRow("reset view above the slider") << "reset" << QRect(954, 428, 30, 26) << "resetview-up.png";
        QTest::newRow("? beside it") << "help" << QRect(990, 428, 28, 24) << "help-up.png";
        QTest::newRow("view between them under the logo") << "view" << QRect(140, 120, 794, 648) << "";
        QTest::newRow("logo at the top left, painted") << "" << QRect(10, 10, 160, 100) << "logo.png";
    }

    void controlsStandAroundTheView()
    {
        QFETCH(QString, control);
        QFETCH(QRect, place);
        QFETCH(QString, picture);
        ScreenGame game(cube, 2, QStringLiteral("Ann"));
        const SinglePlayerScreen &s = *game.screen;
        const QHash<QString, QWidget *> controls{{"exit", s.exitButton}, {"x", s.xRotButton}, {"y", s.yRotButton},
                                                 {"zoom", s.zoomButton}, {"view", s.view},
                                                 {"reset", s.resetViewButton}, {"help", s.helpButton}};
        if (controls.contains(control))
            QCOMPARE(controls[control]->geometry(), place);
        if (!picture.isEmpty())
            QCOMPARE(colourAt(*game.screen, place.x() + 2, place.y() + 2), GameData::colourOf(picture));
    }

    void exitButtonShowsItsPressedPictureAndLeavesTheClickToTheWindow()
    {
        FakeSoundScope sound;
        ScreenGame game(cube, 2, QStringLiteral("Ann"));
        QVERIFY(game.show());
        QTest::mousePress(game.screen->exitButton, Qt::LeftButton);
        QCOMPARE(colourAt(*game.screen, 12, 710), GameData::colourOf("mainmenu-down.png"));
        QTest::mouseRelease(game.screen->exitButton, Qt::LeftButton);
        QCOMPARE(sound.playedEffects(), QStringList());
    }

    void displayIsLightSans20BesideTheLogoAboveTheView()
    {
        ScreenGame game(cube, 2, QStringLiteral("Ann"));
        QVERIFY(game.show());
        const QImage shot = game.screen->grab().toImage();
        const QString text = "Dr. med. Ann\nProgress: 0%\nTime elapsed: "
            + QTime::fromMSecsSinceStartOfDay(game.screen->shownTime).toString("mm:ss");
        // From (logo width + 60, 20), as wide as the screen less the logo plus 100, as high as the logo plus 10.
        const QImage expected = textPicture(QSize(1024 - 200, 120), QRect(20, 20, 1024 - 160 + 100, 110),
                                            QFont("Sans", 20, QFont::Thin), Qt::AlignLeft, text);
        QCOMPARE(differingPixels(shot.copy(200, 0, 1024 - 200, 120), expected), 0);
    }

    void displayReadsTheTitledNameTheProgressAndTheTime_data()
    {
        QTest::addColumn<int>("difficulty");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("easy") << 1 << "A" << 65432 << "B.sc.Inf A\nProgress: 40%\nTime elapsed: 01:05";
        QTest::newRow("medium") << 2 << "A" << 599999 << "Dr. med. A\nProgress: 40%\nTime elapsed: 09:59";
        QTest::newRow("hard") << 3 << "A" << 3600000 << "Prof. Dr. med. A\nProgress: 40%\nTime elapsed: 60:00";
        QTest::newRow("stored 0, minutes past 99") << 0 << "A" << 6000000
                                                   << "Prof. Dr. med. A\nProgress: 40%\nTime elapsed: 100:00";
        QTest::newRow("stored 7, markers in the name") << 7 << "%1 %2" << 0
                                                       << "Prof. Dr. med. %1 %2\nProgress: 40%\nTime elapsed: 00:00";
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

    void knobsTurnAndTiltTheViewToTheirAngles()
    {
        WonGame game;
        QVERIFY(game.showAndWin());
        mouseAt(game.screen->xRotButton, QEvent::MouseButtonPress, {5, 40});
        mouseAt(game.screen->xRotButton, QEvent::MouseMove, {5, 25}); // 15 px up: turn 15
        mouseAt(game.screen->yRotButton, QEvent::MouseButtonPress, {5, 40});
        mouseAt(game.screen->yRotButton, QEvent::MouseMove, {5, 120}); // 80 px down: tilt -80
        const QRect box = game.pieceBox();
        QPolygonF corners;
        for (int i = 0; i < 8; ++i) {
            const QVector3D step = 0.03f * QVector3D(i & 1 ? 1 : -1, i & 2 ? 1 : -1, i & 4 ? 1 : -1); // the cube's corners
            corners << Camera{15, -80, 1}.piece(QVector3D(0.1f, 0.1f, 0.3f) + step, QSize(794, 648));
        }
        const QRectF expected = corners.boundingRect();
        QVERIFY2((QRectF(box).center() - expected.center()).manhattanLength() < 3,
                 qPrintable(QDebug::toString(box) + " around " + QDebug::toString(expected)));
        QVERIFY2(qAbs(box.width() - expected.width()) < 3, qPrintable(QString::number(box.width())));
    }

    void sliderZoomsWhileHeldAndTheZoomStaysWhereReleased()
    {
        WonGame game;
        QVERIFY(game.showAndWin());
        const QRect before = game.pieceBox();
        mouseAt(game.screen->zoomButton, QEvent::MouseButtonPress, {5, 40});
        mouseAt(game.screen->zoomButton, QEvent::MouseMove, {5, -10}); // held at the top: zooming in
        QTest::qWait(300);
        mouseAt(game.screen->zoomButton, QEvent::MouseButtonRelease, {5, -10});
        const QRect zoomed = game.pieceBox();
        QVERIFY2(zoomed.width() > before.width() + 3, qPrintable(QString::number(zoomed.width())));
        QTest::qWait(200);
        QCOMPARE(game.pieceBox(), zoomed);
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
        mouseAt(s.xRotButton, QEvent::MouseButtonPress, {5, 40});
        mouseAt(s.xRotButton, QEvent::MouseMove, {5, 10});
        mouseAt(s.yRotButton, QEvent::MouseButtonPress, {5, 40});
        mouseAt(s.yRotButton, QEvent::MouseMove, {5, 70});
        mouseAt(s.zoomButton, QEvent::MouseButtonPress, {5, 40});
        mouseAt(s.zoomButton, QEvent::MouseMove, {5, 10});
        QTest::qWait(200);
        mouseAt(s.zoomButton, QEvent::MouseButtonRelease, {5, 10});
        game.wheel(2);
        QVERIFY(differingPixels(s.view->grabFramebuffer(), first) > 1000);
        const int before = s.view->elapsed();
        QTest::mouseClick(s.resetViewButton, Qt::LeftButton);
        QCOMPARE(differingPixels(s.view->grabFramebuffer(), first), 0);
        QVERIFY(s.engine->placed.size() == 1 && s.engine->current && s.view->elapsed() >= before);
        // The knobs start from 0 again: a 10-pixel turn shows the room turned by 10, as at a game's start.
        mouseAt(s.xRotButton, QEvent::MouseButtonPress, {5, 40});
        mouseAt(s.xRotButton, QEvent::MouseMove, {5, 30});
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
            const QImage card = view->grabFramebuffer();
            saveScreenshot(card, "howtoplay-card");
            QTest::qWait(300);
            QCOMPARE(view->elapsed(), stopped);
            QTest::keyClick(game.screen.get(), Qt::Key_Escape);
            QVERIFY(!view->cardShown());
            QTRY_VERIFY(view->elapsed() > stopped);
            QVERIFY(differingPixels(view->grabFramebuffer(), card) > 10000);
            // "?" brings it back; a press in the view puts it away and lets go of nothing.
            QTest::mouseClick(game.screen->helpButton, Qt::LeftButton);
            QVERIFY(view->cardShown());
            mouseAt(view, QEvent::MouseButtonPress, {400, 300});
            mouseAt(view, QEvent::MouseButtonRelease, {400, 300});
            QVERIFY(!view->cardShown() && game.screen->engine->current);
            QCOMPARE(game.screen->engine->missCount(), 0);
        }
        for (const auto &[name, shown] : {std::pair("Ada", false), std::pair("Ada Lovelace", true)}) {
            StillGame game(name);
            QVERIFY(game.start());
            game.screen->showCardIfNew();
            QCOMPARE(game.screen->view->cardShown(), shown);
        }
        QSettings store; // the player's own group keeps its two keys
        store.beginGroup("singleplayer");
        QCOMPARE(store.childKeys(), QStringList({"difficulty", "name"}));
    }

    void timeOnTheDisplayStandsStillOnceWonWhileFramesGoOn()
    {
        WonGame game;
        QVERIFY(game.showAndWin());
        game.screen->repaint();
        const int stopped = game.screen->shownTime;
        QSignalSpy frames(game.screen->view, &GLEngine::newTime);
        QTRY_VERIFY(frames.count() > 10);
        game.screen->repaint();
        QCOMPARE(game.screen->shownTime, stopped);
    }
};

QTEST_MAIN(TestSinglePlayerScreen)
#include "test_singleplayerscreen.moc"
