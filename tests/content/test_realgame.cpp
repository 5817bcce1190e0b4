// ctest-labels: integration
// The whole game at 1280 x 1024 on the generated data, played with the mouse: menu, set-up with all twelve
// sets in view, then every set solved in the real game screen to the win, twice: once as the screenshots
// (README: game/) show it, once with each piece first dropped on every other piece's place, where it must miss.

#include "app/mainwindow.h"
#include "audio/soundmanager.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "screens/screen1.h"
#include "screens/screen2.h"
#include "screens/setchooser.h"
#include "testing/camera.h"
#include "testing/fakeaudiobackend.h"
#include "testing/play.h"
#include "testing/gamedata.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/pixbutton.h"
#include "widgets/singleplayerscreen.h"

#include <QPointer>
#include <QScreen>
#include <QtTest>

class TestRealGame : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void everySetIsSolvedByMouseToTheWinEachPieceFittingOnlyItsOwnPlace()
    {
        QVERIFY(QDir::setCurrent(TORVANE_BINARY_DIR "/data"));
        const std::unique_ptr<SoundManager> sound(soundManager = new SoundManager(std::make_unique<FakeAudioBackend>()));
        MainWindow window;
        window.show();
        auto screenshot = [&](const QString &name) { // the X server's pixels, GL view included
            QTest::qWait(100);
            saveScreenshot(window.screen()->grabWindow(0).copy(window.geometry()).toImage(), "game/" + name);
        };
        QTRY_VERIFY_WITH_TIMEOUT(window.screen1 && window.screen1->isVisible(), 5000);
        QTest::mouseClick(window.screen1->singlePlayerButton, Qt::LeftButton);
        Screen2 *setup = window.screen2;
        QTest::keyClicks(QWidget::keyboardGrabber(), QString(setup->name.size(), QChar('\b')) + "Vesalius"); // over an old name
        QTest::mouseClick(setup->mediumButton, Qt::LeftButton);
        SetChooser *chooser = setup->chooser;
        QCOMPARE(chooser->entries.size(), 12); // in a row inside the 800-pixel screen
        const QPoint rowLeft = chooser->mapTo(setup, QPoint(400 - chooser->rowWidth / 2, 0));
        QVERIFY(setup->rect().contains(QRect(rowLeft, QSize(chooser->rowWidth, chooser->maxIconHeight))));
        screenshot("setup");
        for (int round = 0; round < 24; ++round) {
            const int i = round % 12;
            const bool missFirst = round >= 12;
            int left = 400 - chooser->rowWidth / 2;
            for (int before = 0; before < i; ++before)
                left += chooser->entries.at(before).icon.width() + 10;
            QTest::mouseClick(chooser, Qt::LeftButton, {}, {left + 20, 20});
            const QString name = chooser->currentDocument()->documentElement().firstChildElement("icon").text().chopped(4);
            QTest::mouseClick(setup->startButton, Qt::LeftButton);
            QPointer<SinglePlayerScreen> game = window.screensp;
            QVERIFY(game);
            GLEngine *view = game->view;
            GameEngine *engine = game->engine;
            QTRY_VERIFY_WITH_TIMEOUT(view->elapsed() > 0, 20000);
            const PieceRecord *shape = engine->shapePiece; // wholly in view from the start, as setcheck keeps the drop points
            const QVector3D edge = 2 * QVector3D(shape->halfSizeX(), shape->halfSizeY(), shape->halfSizeZ());
            const QVector3D low = QVector3D(engine->offsetX, engine->offsetY, engine->offsetZ) - edge / 2;
            const QRect inner = view->rect().adjusted(10, 10, -10, -10);
            for (int c = 0; c < 8; ++c)
                QVERIFY2(inner.contains(Camera().piece(low + edge * QVector3D(c % 2, c / 2 % 2, c / 4), view->size()).toPoint()),
                         qPrintable(name + ": the ghost leaves the view"));
            QList<const PieceRecord *> pieces(engine->remaining.begin(), engine->remaining.end());
            for (bool first = true; !engine->gameWon; first = false) {
                QVERIFY2(takeTroughPiece(view, engine), qPrintable(name));
                const PieceRecord *piece = engine->current;
                if (first && !missFirst) { // on its way from the trough to its place; the button is still held
                    const QVector3D to(piece->posX() + engine->offsetX, piece->posY() + engine->offsetY, 0.5f);
                    const QPointF at = Camera().piece(to * 0.6f + QVector3D(-0.6f, 0, 0.6f) * 0.4f, view->size());
                    sendMouse(view, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
                    QTest::qWait(700);
                    screenshot(name + "-playing");
                }
                for (const PieceRecord *other : pieces) { // on the carrying plane over the other's target, then let go
                    if (other == piece || !missFirst)
                        continue;
                    const QPointF at = Camera().piece({other->posX() + engine->offsetX, other->posY() + engine->offsetY, 0.5f},
                                                      view->size());
                    sendMouse(view, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
                    sendMouse(view, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
                    QVERIFY2(engine->current == piece, qPrintable(name + ": " + piece->name + " fitted at " + other->name + "'s place"));
                }
                QCOMPARE(engine->misses.value(piece), missFirst ? int(pieces.size()) - 1 : 0); // each a miss
                dropOnTarget(view, engine);
                QVERIFY2(!engine->current, qPrintable(piece->fileName + " did not fit"));
            }
            if (!missFirst)
                screenshot(name + "-won");
            QTest::mouseClick(game->exitButton, Qt::LeftButton);
            QTRY_VERIFY(!game);
            QTest::mouseClick(window.screen1->singlePlayerButton, Qt::LeftButton); // back to the set-up
        }
    }
};

QTEST_MAIN(TestRealGame)
#include "test_realgame.moc"
