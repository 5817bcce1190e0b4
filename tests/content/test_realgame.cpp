// ctest-labels: integration
// The whole game at 1280 x 1024 on the generated data, played with the mouse: menu, set-up with all six
// sets in view, then every set solved in the real game screen to the win. Screenshots (README): game/.

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
    void everySetIsSolvedByMouseToTheWin()
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
        QTest::keyClicks(QWidget::keyboardGrabber(), QString(setup->name.size(), QChar('\b')) + "Vesalius"); // over an earlier run's name
        QTest::mouseClick(setup->mediumButton, Qt::LeftButton);
        SetChooser *chooser = setup->chooser;
        QCOMPARE(chooser->entries.size(), 6); // in a row inside the 800-pixel screen
        QVERIFY(setup->rect().contains(QRect(chooser->mapTo(setup, QPoint(400 - chooser->rowWidth / 2, 0)), QSize(chooser->rowWidth, chooser->maxIconHeight))));
        screenshot("setup");
        for (int i = 0, left = 400 - chooser->rowWidth / 2; i < 6; left += chooser->entries.at(i++).icon.width() + 10) {
            QTest::mouseClick(chooser, Qt::LeftButton, {}, {left + 20, 20});
            const QString name = chooser->currentDocument()->documentElement().firstChildElement("icon").text().chopped(4);
            QTest::mouseClick(setup->startButton, Qt::LeftButton);
            QPointer<SinglePlayerScreen> game = window.screensp;
            QVERIFY(game);
            GLEngine *view = game->view;
            GameEngine *engine = game->engine;
            QTRY_VERIFY_WITH_TIMEOUT(view->elapsed() > 0, 20000);
            const PieceRecord *shape = engine->shapePiece; // wholly in view from the start, as setcheck keeps the drop points
            const QVector3D centre(engine->offsetX, engine->offsetY, engine->offsetZ), half(shape->halfSizeX(), shape->halfSizeY(), shape->halfSizeZ());
            for (int c = 0; c < 8; ++c)
                QVERIFY2(view->rect().adjusted(10, 10, -10, -10).contains(Camera().piece(centre + half * QVector3D(c & 1 ? 1 : -1, c & 2 ? 1 : -1, c & 4 ? 1 : -1), view->size()).toPoint()),
                         qPrintable(name + ": the ghost leaves the view"));
            for (bool first = true; !engine->gameWon; first = false) {
                QVERIFY2(takeTroughPiece(view, engine), qPrintable(name));
                const PieceRecord *piece = engine->current;
                const QPointF target = Camera().piece({piece->posX() + engine->offsetX, piece->posY() + engine->offsetY, 0.5f}, view->size());
                if (first) { // on its way from the trough to its place; the button is still held
                    sendMouse(view, QEvent::MouseMove, target + (Camera().piece({-0.6f, 0, 0.6f}, view->size()) - target) * 0.4, Qt::NoButton, Qt::LeftButton);
                    QTest::qWait(700);
                    screenshot(name + "-playing");
                }
                dropOnTarget(view, engine);
                QVERIFY2(!engine->current, qPrintable(piece->fileName + " did not fit"));
            }
            QCOMPARE(engine->progress(), 100);
            QTest::qWait(200); // "YOU WIN!" in red just above the middle of the view
            const QImage text = view->grabFramebuffer().copy(view->width() / 2, view->height() / 2 - 70, 300, 70);
            int red = 0;
            for (int x = 0; x < 300; ++x)
                for (int y = 0; y < 70; ++y)
                    red += qRed(text.pixel(x, y)) > 180 && qGreen(text.pixel(x, y)) < 60 && qBlue(text.pixel(x, y)) < 60;
            QVERIFY2(red > 200, qPrintable(name + ": no win text"));
            screenshot(name + "-won");
            QTest::mouseClick(game->exitButton, Qt::LeftButton);
            QTRY_VERIFY(!game);
            QTest::mouseClick(window.screen1->singlePlayerButton, Qt::LeftButton); // back to the set-up
        }
    }
};

QTEST_MAIN(TestRealGame)
#include "test_realgame.moc"
