// ctest-labels: integration
// The whole game on the generated data, by mouse: every set solved twice, once for the README's screenshots, once
// with each piece first missing every other piece's place; and a class game on the skeleton with twelve students.

#include "app/mainwindow.h"
#include "audio/soundmanager.h"
#include "game/cardseen.h"
#include "game/gameengine.h"
#include "game/missplace.h"
#include "game/piecerecord.h"
#include "screens/hostscreen.h"
#include "screens/joinscreen.h"
#include "screens/multiplayerscreen.h"
#include "screens/screen1.h"
#include "screens/screen2.h"
#include "screens/setchooser.h"
#include "testing/camera.h"
#include "testing/classroom.h"
#include "testing/fakeaudiobackend.h"
#include "testing/play.h"
#include "testing/gamedata.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/classgamescreen.h"
#include "widgets/pixbutton.h"
#include "widgets/singleplayerscreen.h"

#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QtTest>

// The X server's pixels of a window, GL view included, once it has settled.
static void screenshot(QWidget &window, const QString &name)
{
    window.raise();
    QTest::qWait(300);
    saveScreenshot(window.screen()->grabWindow(0).copy(window.geometry()).toImage(), name);
}

class TestRealGame : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        useCompatibilityGlFormat();
        useTheGamesSettings();
    }

private slots:
    void everySetIsSolvedByMouseToTheWinEachPieceFittingOnlyItsOwnPlace()
    {
        QVERIFY(QDir::setCurrent(TORVANE_BINARY_DIR "/data"));
        const std::unique_ptr<SoundManager> sound(soundManager =
                                                      new SoundManager(std::make_unique<FakeAudioBackend>()));
        MainWindow window;
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(window.screen1 && window.screen1->isVisible(), 5000);
        QTest::mouseClick(window.screen1->singlePlayerButton, Qt::LeftButton);
        Screen2 *setup = window.screen2;
        QTest::keyClicks(QWidget::keyboardGrabber(),
                         QString(setup->name.size(), QChar('\b')) + "Vesalius"); // over an old name
        cardseen::markSeen("Vesalius");                                          // how to play has been read
        QTest::mouseClick(setup->mediumButton, Qt::LeftButton);
        SetChooser *chooser = setup->chooser;
        QCOMPARE(chooser->entries.size(), 12); // in a row inside the 800-pixel screen
        const QPoint rowLeft = chooser->mapTo(setup, QPoint(400 - chooser->rowWidth / 2, 0));
        QVERIFY(setup->rect().contains(QRect(rowLeft, QSize(chooser->rowWidth, chooser->maxIconHeight))));
        screenshot(window, "game/setup");
        for (int round = 0; round < 24; ++round) {
            const int i = round % 12;
            const bool missFirst = round >= 12;
            int left = 400 - chooser->rowWidth / 2;
            for (int before = 0; before < i; ++before)
                left += chooser->entries.at(before).icon.width() + 10;
            QTest::mouseClick(chooser, Qt::LeftButton, {}, {left + 20, 20});
            const QString name =
                chooser->currentDocument()->documentElement().firstChildElement("icon").text().chopped(4);
            QTest::mouseClick(setup->startButton, Qt::LeftButton);
            QPointer<SinglePlayerScreen> game = window.screensp;
            QVERIFY(game);
            GLEngine *view = game->view;
            GameEngine *engine = game->engine;
            QTRY_VERIFY_WITH_TIMEOUT(view->elapsed() > 0, 20000);
            const PieceRecord *shape =
                engine->shapePiece; // wholly in view from the start, as setcheck keeps the drop points
            const QVector3D edge = 2 * QVector3D(shape->halfSizeX(), shape->halfSizeY(), shape->halfSizeZ());
            const QVector3D low = QVector3D(engine->offsetX, engine->offsetY, engine->offsetZ) - edge / 2;
            const QRect inner = view->rect().adjusted(10, 10, -10, -10);
            for (int c = 0; c < 8; ++c)
                QVERIFY2(inner.contains(
                             Camera().piece(low + edge * QVector3D(c % 2, c / 2 % 2, c / 4), view->size()).toPoint()),
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
                    screenshot(window, "game/" + name + "-playing");
                }
                for (const PieceRecord *other : pieces) { // on the carrying plane over the other's target, then let go
                    if (other == piece || !missFirst)
                        continue;
                    const QPointF at = Camera().piece(
                        {other->posX() + engine->offsetX, other->posY() + engine->offsetY, 0.5f}, view->size());
                    sendMouse(view, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
                    sendMouse(view, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
                    QVERIFY2(engine->current == piece,
                             qPrintable(name + ": " + piece->name + " fitted at " + other->name + "'s place"));
                    // and the caption names the piece whose place it was
                    QVERIFY2(missplace::placeDroppedOn(*engine, engine->dropX, engine->dropY) == other,
                             qPrintable(other->name));
                }
                QCOMPARE(engine->misses.value(piece), missFirst ? int(pieces.size()) - 1 : 0); // each a miss
                dropOnTarget(view, engine);
                QVERIFY2(!engine->current, qPrintable(piece->fileName + " did not fit"));
            }
            if (!missFirst)
                screenshot(window, "game/" + name + "-won");
            QTest::mouseClick(game->exitButton, Qt::LeftButton);
            QTRY_VERIFY(!game);
            QTest::mouseClick(window.screen1->singlePlayerButton, Qt::LeftButton); // back to the set-up
        }
    }

    void aClassAssemblesTheHeartWhileTheTeachersGridFollows()
    {
        QVERIFY(QDir::setCurrent(TORVANE_BINARY_DIR "/data"));
        QTemporaryDir scratch; // the report and the classmates' caches
        QSettings().setValue("multiplayer/port", 0);
        QSettings().setValue("multiplayer/discoveryPort", 0);
        QSettings().setValue("singleplayer/name", "Vesalius");
        const std::unique_ptr<SoundManager> sound(soundManager =
                                                      new SoundManager(std::make_unique<FakeAudioBackend>()));
        MainWindow student, teacher;
        for (MainWindow *w : {&student, &teacher}) {
            w->show();
            QTRY_VERIFY_WITH_TIMEOUT(w->screen1 && w->screen1->isVisible(), 5000);
            QTest::mouseClick(w->screen1->multiPlayerButton, Qt::LeftButton);
        }
        QTest::mouseClick(student.screenmp->joinButton, Qt::LeftButton);
        JoinScreen *join = student.screenmp->joinScreen;
        QTest::mouseClick(teacher.screenmp->hostButton, Qt::LeftButton);
        HostScreen *host = teacher.screenmp->hostScreen;
        host->options.address = QHostAddress::LocalHost;
        host->options.beaconTargets = {QHostAddress::LocalHost};
        host->options.beaconPort = join->finder->port();
        host->options.hostName = "Anatomy room";
        host->reportFolder = scratch.path();
        for (int i = 0; i < host->chooser->entries.size(); ++i)
            if (host->chooser->entries[i].id == "skeleton")
                host->chooser->selected = i;
        QTest::mouseClick(host->mediumButton, Qt::LeftButton);
        QTest::mouseClick(host->openButton, Qt::LeftButton);
        const QString code = host->host->code();
        QTRY_COMPARE(join->finder->games().size(), 1);
        QTest::mouseClick(join, Qt::LeftButton, {}, QPoint(400, 110));
        QTest::keyClicks(join->codeEdit, code);
        screenshot(student, "class/join");
        QTest::mouseClick(join->joinButton, Qt::LeftButton);
        std::vector<std::unique_ptr<Student>> classmates;
        for (const char *name : {"Ada", "Ben", "Cleo", "Dev", "Emil", "Fatima", "Gus", "Hana", "Ivo", "Jun", "Kai"})
            classmates.push_back(std::make_unique<Student>(host->host->port(), scratch.filePath(name), name, code));
        QTRY_COMPARE(host->host->playerCount(), 12);
        screenshot(teacher, "class/lobby");
        QTest::mouseClick(host->startButton, Qt::LeftButton);
        QTRY_VERIFY(classmates.back()->client.phase() == ClassClient::Phase::Playing);

        // The classmates drop each piece on its place, some after a miss 0.15 off; Ada and Ben finish.
        const GameEngine skeleton(classmates[0]->client.set());
        const auto play = [&](Student &s, int piece, float dx) {
            const qsizetype before = s.verdicts.size();
            const PieceRecord *p = skeleton.remaining.at(piece);
            s.client.drop(piece, p->posX() + skeleton.offsetX + dx, p->posY() + skeleton.offsetY);
            return QTest::qWaitFor([&] { return s.verdicts.size() > before; }, 5000);
        };
        const int pieces = int(skeleton.remaining.size());
        QCOMPARE(pieces, 10);
        for (int i = 0; i < 11; ++i)
            for (int piece = 0; piece < (i < 2 ? pieces : 8 - (i * 5) % 8); ++piece) {
                if ((i + piece) % 4 == 1)
                    QVERIFY(play(*classmates[size_t(i)], piece, 0.15f));
                QVERIFY(play(*classmates[size_t(i)], piece, 0.02f));
            }
        QTRY_VERIFY(student.screenmp->gameScreen);
        ClassGameScreen *game = student.screenmp->gameScreen;
        QTRY_VERIFY_WITH_TIMEOUT(game->view->elapsed() > 0, 20000);
        for (int fitted = 0; fitted < 3; ++fitted) {
            QVERIFY(takeTroughPiece(game->view, game->engine));
            if (fitted == 2) { // the third of ten carried over the body
                const PieceRecord *p = game->engine->current;
                const QVector3D to(p->posX() + game->engine->offsetX, p->posY() + game->engine->offsetY, 0.5f);
                sendMouse(game->view, QEvent::MouseMove,
                          Camera().piece(to * 0.7f + QVector3D(-0.6f, 0, 0.6f) * 0.3f, game->view->size()),
                          Qt::NoButton, Qt::LeftButton);
                // Nine classmates have placed more than two of the ten; Gus two as well, but joined later.
                QTRY_COMPARE(game->standingLines().value(0),
                             QStringLiteral("You: 10th of 12, 22%")); // 2 of the 9 not in the hand

                screenshot(student, "class/playing");
            }
            dropOnTarget(game->view, game->engine);
            QTRY_VERIFY(!game->engine->current);
        }
        screenshot(teacher, "class/grid");
        QTest::mouseClick(host->endButton, Qt::LeftButton);
        QCOMPARE(QStringList({host->host->standings()[0].name, host->host->standings()[1].name}),
                 QStringList({"Ada", "Ben"}));
        screenshot(teacher, "class/podium");
        QTRY_VERIFY(game->standingLines().value(1).startsWith("Podium: 1. Ada"));
        screenshot(student, "class/student-podium");
    }
};

QTEST_MAIN(TestRealGame)
#include "test_realgame.moc"
