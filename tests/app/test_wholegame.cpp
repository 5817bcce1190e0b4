// ctest-labels: integration
// One walk through the real window, as a player goes: the menu, a name typed
// on the set-up screen, a set chosen, the puzzle solved with the mouse, back
// to the menu, a second game, and a new start that remembers the player.
#include "app/mainwindow.h"
#include "audio/soundmanager.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "screens/screen1.h"
#include "screens/screen2.h"
#include "screens/setchooser.h"
#include "testing/camera.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/pixbutton.h"
#include "widgets/singleplayerscreen.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTest>

namespace {

// Presses along the trough (as the pick pass sees it, at the camera's own
// scale) until the gliding piece is in the hand.
bool takeTroughPiece(GLEngine *view, GameEngine *engine)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000) {
        for (float y = -0.4f; y <= 0.4f; y += 0.08f) {
            const QPointF at = Camera().world(QVector3D(-0.6f, y, engine->remaining.first()->halfSizeZ() + 0.6f), view->size());
            sendMouse(view, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
            if (engine->current)
                return true;
            sendMouse(view, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        }
        QTest::qWait(30);
    }
    return false;
}

} // namespace

class TestWholeGame : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        useCompatibilityGlFormat();
        QCoreApplication::setOrganizationName(QStringLiteral("Vexa"));
        QCoreApplication::setApplicationName(QStringLiteral("Torvane"));
    }

private slots:
    void playerSolvesASetByMouseAndIsRememberedNextTime();
};

void TestWholeGame::playerSolvesASetByMouseAndIsRememberedNextTime()
{
    QSettings().clear(); // a player who has never played
    GameData data;
    data.set(QStringLiteral("arm"), QStringLiteral("Arm"), QSize(100, 80), GameData::piece("part", "cube.md2", 0, 0, 0.3f));
    data.set(QStringLiteral("body"), QStringLiteral("Body"), QSize(80, 80),
             GameData::piece("shape", "big.md2", 0, 0, 0.3f) + GameData::piece("part", "cube.md2", -0.1f, -0.2f, 0)
                 + GameData::piece("part", "small.md2", 0, 0, 0) + GameData::piece("part", "cube.md2", -0.1f, 0.2f, 0));
    for (const char *track : {"music/a.ogg", "music/b.ogg"})
        data.write(QLatin1String(track), "x");
    data.write(QStringLiteral("sound/sounds.xml"), "<s><sound><name>click</name><file>c.wav</file></sound>"
                                                   "<sound><name>fits</name><file>f.wav</file></sound>"
                                                   "<sound><name>won</name><file>w.wav</file></sound></s>");
    auto *fake = new FakeAudioBackend;
    soundManager = new SoundManager(std::unique_ptr<AudioBackend>(fake));
    auto window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitFor([&] { return window->screen1 != nullptr; }, 5000));

    // Set-up: a name with a slip mended, hard, the second set (icons 100 and
    // 80 wide from x 305: "Body" from 415), then Enter.
    QTest::mouseClick(window->screen1->singlePlayerButton, Qt::LeftButton);
    QTest::keyClicks(window->screen2, QStringLiteral("Annx"));
    QTest::keyClick(window->screen2, Qt::Key_Backspace);
    QTest::mouseClick(window->screen2->hardButton, Qt::LeftButton);
    QTest::mouseClick(window->screen2->chooser, Qt::LeftButton, {}, QPoint(450, 40));
    QTest::keyClick(window->screen2, Qt::Key_Return);
    QPointer<SinglePlayerScreen> game = window->screensp;
    QVERIFY(game && game->isVisible() && window->screen2->isHidden());
    QCOMPARE(QWidget::keyboardGrabber(), nullptr);
    QCOMPARE(game->playerName, QStringLiteral("Prof. Dr. med. Ann"));
    QCOMPARE(game->engine->remaining.size(), 3);
    // The music buttons came along, on top of the game.
    QCOMPARE(window->nextButton->parentWidget(), game.data());
    QVERIFY(window->nextButton->isVisible());
    QTest::mouseClick(window->nextButton, Qt::LeftButton);
    QCOMPARE(fake->sounding(SoundMode::Stream), QStringLiteral("music/b.ogg"));

    GLEngine *view = game->view;
    GameEngine *engine = game->engine;
    QVERIFY(QTest::qWaitFor([&] { return view->elapsed() > 0; }, 20000));
    while (!engine->remaining.isEmpty()) {
        QVERIFY(takeTroughPiece(view, engine));
        const QVector3D target(engine->current->posX() + engine->offsetX, engine->current->posY() + engine->offsetY, 0.5f);
        const QPointF drop = Camera().piece(target, view->size());
        sendMouse(view, QEvent::MouseMove, drop, Qt::NoButton, Qt::LeftButton);
        sendMouse(view, QEvent::MouseButtonRelease, drop, Qt::LeftButton, Qt::NoButton);
        QVERIFY(!engine->current);
    }
    QVERIFY(engine->gameWon);
    QCOMPARE(engine->progress(), 100);
    QCOMPARE(fake->playedEffectFiles().filter("sound/f.wav").size(), 3);
    QCOMPARE(fake->playedEffectFiles().last(), QStringLiteral("sound/w.wav"));
    // What the player sees: red "YOU WIN!" right of the view's middle, the time standing still.
    QTest::qWait(200);
    const QImage shot = window->screen()->grabWindow(0).toImage();
    saveScreenshot(shot, QStringLiteral("app/won"));
    const QRect right(view->mapTo(window.get(), QPoint(view->width() / 2, view->height() / 4)), QSize(view->width() / 2, view->height() / 4));
    int red = 0;
    for (int y = right.top(); y <= right.bottom(); ++y)
        for (int x = right.left(); x <= right.right(); ++x)
            red += qRed(shot.pixel(x, y)) > 200 && qGreen(shot.pixel(x, y)) < 60;
    QVERIFY2(red > 1000, qPrintable(QString::number(red)));
    const int stopped = game->shownTime;
    QTest::qWait(1100);
    game->repaint();
    QCOMPARE(game->shownTime, stopped);

    // Back to the menu; the game goes, the music buttons stay.
    QTest::mouseClick(game->exitButton, Qt::LeftButton);
    QTRY_VERIFY(game.isNull());
    QVERIFY(window->screen1->isVisible() && !window->screensp);
    QCOMPARE(window->nextButton->parentWidget(), window.get());
    QVERIFY(window->nextButton->isVisible());
    QTest::mouseClick(window->screen1->singlePlayerButton, Qt::LeftButton);
    QTest::mouseClick(window->screen2->startButton, Qt::LeftButton);
    QVERIFY(window->screensp && window->screensp->engine->remaining.size() == 3);
    QTest::mouseClick(window->screensp->exitButton, Qt::LeftButton);

    // A new start finds the player as they left.
    window.reset();
    window = std::make_unique<MainWindow>();
    QVERIFY(QTest::qWaitFor([&] { return window->screen1 != nullptr; }, 5000));
    QCOMPARE(window->screen2->name, QStringLiteral("Ann"));
    QVERIFY(window->screen2->hardButton->isChecked());
    window.reset();
    QVERIFY(fake->faults.isEmpty());
    delete soundManager;
    soundManager = nullptr;
}

QTEST_MAIN(TestWholeGame)
#include "test_wholegame.moc"
