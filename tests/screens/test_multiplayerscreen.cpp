// ctest-labels: integration
// The class game in real windows: every way back, a class to the podium, a host that goes.
#include "app/mainwindow.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "screens/hostscreen.h"
#include "screens/joinscreen.h"
#include "screens/multiplayerscreen.h"
#include "screens/screen1.h"
#include "testing/classroom.h"
#include "testing/fakeaudiobackend.h"
#include "testing/play.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/classgamescreen.h"
#include "widgets/pixbutton.h"

#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <QTest>

namespace {

// A main window, small and windowed so that software rendering keeps up, once loaded.
struct Desk
{
    std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>();

    Desk()
    {
        window->setWindowState(Qt::WindowNoState);
        window->setGeometry(0, 0, 1024, 768);
        window->show();
        (void)QTest::qWaitFor([this] { return window->screen1 != nullptr; }, 5000);
    }
    MultiPlayerScreen *multi() const { return window->screenmp; }
    QImage shot(const QString &name)
    {
        window->raise();
        QTest::qWait(300);
        const QRect area = window->geometry(); // as the screen shows it, the view's own window included
        const QImage image =
            QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
        saveScreenshot(image, QStringLiteral("multi/") + name);
        return image;
    }
};

// The teacher's host screen, open for the set "class" on a free port, its beacons to 127.0.0.1:`beaconPort`.
HostScreen *openGame(Desk &teacher, quint16 beaconPort, const QString &reports)
{
    QTest::mouseClick(teacher.window->screen1->multiPlayerButton, Qt::LeftButton);
    QTest::mouseClick(teacher.multi()->hostButton, Qt::LeftButton);
    HostScreen *host = teacher.multi()->hostScreen;
    host->options.address = QHostAddress::LocalHost;
    host->options.beaconTargets = {QHostAddress::LocalHost};
    host->options.beaconPort = beaconPort;
    host->options.hostName = QStringLiteral("Room 12");
    host->reportFolder = reports;
    QTest::mouseClick(host->easyButton, Qt::LeftButton);
    QTest::mouseClick(host->openButton, Qt::LeftButton);
    return host;
}

// The student's join screen, its beacons heard on a free port.
JoinScreen *joinScreen(Desk &student)
{
    QTest::mouseClick(student.window->screen1->multiPlayerButton, Qt::LeftButton);
    QTest::mouseClick(student.multi()->joinButton, Qt::LeftButton);
    return student.multi()->joinScreen;
}

} // namespace

class TestMultiPlayerScreen : public QObject
{
    Q_OBJECT

    QTemporaryDir cacheHome; // the students' cache folders

public:
    static void initMain()
    {
        useCompatibilityGlFormat();
        useTheGamesSettings();
    }

private slots:
    void init()
    {
        qputenv("XDG_CACHE_HOME", cacheHome.path().toUtf8());
        QSettings settings;
        settings.clear();
        settings.setValue("singleplayer/name", "Ann");
        settings.setValue("singleplayer/difficulty", 3);
        settings.setValue("multiplayer/port", 0); // free ports only
        settings.setValue("multiplayer/discoveryPort", 0);
    }

    void theMultiPlayerButtonLeadsToAMenuFromWhichEveryWayLeadsBack()
    {
        GameData data;
        FakeSoundScope sound;
        Desk desk;
        MainWindow &window = *desk.window;
        for (bool escape : {false, true}) {
            QTest::mouseClick(window.screen1->multiPlayerButton, Qt::LeftButton);
            MultiPlayerScreen *menu = desk.multi();
            QVERIFY(window.screen1->isHidden() && menu->isVisible() && window.playButton->isVisible());
            if (escape)
                QTest::keyClick(menu, Qt::Key_Escape);
            else
                QTest::mouseClick(menu->backButton, Qt::LeftButton);
            QVERIFY(window.screen1->isVisible() && menu->isHidden());
        }
        // Host and join, left by Escape and by Back, come back to the menu.
        for (auto [button, escape] :
             {std::pair(&MultiPlayerScreen::hostButton, true), {&MultiPlayerScreen::joinButton, false}}) {
            QTest::mouseClick(window.screen1->multiPlayerButton, Qt::LeftButton);
            QTest::mouseClick(desk.multi()->*button, Qt::LeftButton);
            QPointer<QWidget> screen =
                desk.multi()->hostScreen ? static_cast<QWidget *>(desk.multi()->hostScreen) : desk.multi()->joinScreen;
            QVERIFY(screen && screen->isVisible() && desk.multi()->isHidden());
            if (escape)
                QTest::keyClick(screen, Qt::Key_Escape);
            else
                QTest::mouseClick(static_cast<JoinScreen *>(screen.data())->backButton, Qt::LeftButton);
            QTRY_VERIFY(screen.isNull());
            QVERIFY(desk.multi()->isVisible());
            QTest::keyClick(desk.multi(), Qt::Key_Escape);
            QVERIFY(window.screen1->isVisible());
        }
        QVERIFY(sound.playedEffects().count("click") >= 10);
    }

    void aClassPlaysThroughTheTeachersWindowAndAStudentsWhoReceivesTheSet()
    {
        GameData data;
        Classroom::writeSet(data);
        FakeSoundScope sound;
        QTemporaryDir reports;
        Desk student, teacher;
        JoinScreen *join = joinScreen(student);
        HostScreen *host = openGame(teacher, join->finder->port(), reports.path());
        QCOMPARE(host->step, HostScreen::Step::Lobby);
        const QString code = host->host->code();
        QFile::remove("sets/class.xml"); // the students' games lack the set: it travels

        // The student hears the game, takes it from the list, types the code; the nickname is the stored name.
        QTRY_COMPARE(join->finder->games().size(), 1);
        QTest::mouseClick(join, Qt::LeftButton, {}, QPoint(400, 20 + 36 + 40 + 14));
        QCOMPARE(join->addressEdit->text(), QStringLiteral("127.0.0.1:%1").arg(host->host->port()));
        QCOMPARE(join->nameEdit->text(), QStringLiteral("Ann"));
        QTest::keyClicks(join->codeEdit, code);
        QTest::mouseClick(join->joinButton, Qt::LeftButton);
        QTRY_VERIFY(join->status.contains("waiting for the teacher"));
        std::vector<std::unique_ptr<Student>> classmates;
        for (const char *name : {"Ben", "Cy", "Dan", "Eve"})
            classmates.push_back(std::make_unique<Student>(host->host->port(), reports.filePath(name), name, code));
        QTRY_COMPARE(host->host->playerNames(), QStringList({"Ann", "Ben", "Cy", "Dan", "Eve"}));

        QTest::mouseClick(host->startButton, Qt::LeftButton);
        QTRY_VERIFY(student.multi()->gameScreen);
        ClassGameScreen *game = student.multi()->gameScreen;
        QVERIFY(game->isVisible() && student.window->playButton->parentWidget() == game);
        GameEngine *engine = game->engine;
        GLEngine *view = game->view;
        // The models come from the cache folder, through the game's own loaders: the pieces can be picked.
        QVERIFY(engine->remaining.first()->fileName.startsWith(cacheHome.path() + "/Vexa/Torvane/sets/"));
        QVERIFY(QTest::qWaitFor([&] { return view->elapsed() > 0; }, 20000));
        QVERIFY(takeTroughPiece(view, engine));
        // A drop far off: the host says it is a miss; the piece stays in the hand.
        sendMouse(view, QEvent::MouseButtonRelease, QPointF(5, 5), Qt::LeftButton, Qt::NoButton);
        QTRY_COMPARE(host->host->standings().last().misses, 1);
        QVERIFY(engine->current && engine->placed.isEmpty());
        // Classmates: Ben finishes, Cy places two with a miss, Dan one without: Ann, a third with a miss, comes fourth.
        for (auto [who, piece, dx] : {std::tuple(0, 0, 0.0f),
                                      {0, 1, 0.0f},
                                      {0, 2, 0.0f},
                                      {1, 0, 0.2f},
                                      {1, 0, 0.0f},
                                      {1, 2, 0.0f},
                                      {2, 1, 0.0f}})
            QVERIFY(classmates[size_t(who)]->drop(piece, dx));
        dropOnTarget(view, engine);
        QTRY_VERIFY(!engine->current);
        QTRY_COMPARE(game->standingLines(),
                     QStringList({"You: 4th of 5, 33%",
                                  "Leader: Ben, " + ClassHost::formatTime(host->host->standings()[0].timeMs)}));
        teacher.shot("host-grid");
        while (!engine->remaining.isEmpty()) {
            QVERIFY(takeTroughPiece(view, engine));
            dropOnTarget(view, engine);
            QTRY_VERIFY(!engine->current);
        }
        QVERIFY(engine->gameWon);
        QTRY_COMPARE(host->host->standings()[1].name, QStringLiteral("Ann"));

        QTest::mouseClick(host->endButton, Qt::LeftButton);
        QCOMPARE(host->step, HostScreen::Step::Podium);
        QVERIFY(host->status.contains(host->reportPath) && host->reportPath.startsWith(reports.path()));
        QFile report(host->reportPath);
        QVERIFY(report.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = report.readAll().split('\n');
        QVERIFY(rows.value(1).startsWith("1,Ben,yes,") && rows.value(2).startsWith("2,Ann,yes,"));
        QVERIFY(rows.value(2).endsWith(",100,1,1,1,0,0\r")); // a miss with the aorta, shown after it (easy)
        QVERIFY(rows.value(3).startsWith("3,Cy,no,,,66,1,1,"));
        teacher.shot("host-podium");
        QTRY_VERIFY(game->standingLines().value(1).startsWith("Podium: 1. Ben "));

        QTest::mouseClick(game->exitButton, Qt::LeftButton); // "Main menu"
        QTRY_VERIFY(student.multi()->gameScreen.isNull());
        QVERIFY(student.window->screen1->isVisible()
                && student.window->playButton->parentWidget() == student.window.get());
        QCOMPARE(QSettings().value("singleplayer/difficulty").toInt(), 3); // the single-player record stays
    }

    void aStudentWhoseHostVanishesIsBackInTheMenuAndToldWhy()
    {
        GameData data;
        Classroom::writeSet(data);
        FakeSoundScope sound;
        QTemporaryDir reports;
        Desk student, teacher;
        JoinScreen *join = joinScreen(student);
        HostScreen *host = openGame(teacher, join->finder->port(), reports.path());
        join->addressEdit->setText(QStringLiteral("127.0.0.1:%1").arg(host->host->port()));
        QTest::keyClicks(join->codeEdit, host->host->code());
        QTest::keyClick(join->codeEdit, Qt::Key_Return);
        QTRY_COMPARE(host->host->playerCount(), 1);
        QTest::mouseClick(host->startButton, Qt::LeftButton);
        QTRY_VERIFY(student.multi()->gameScreen);
        QTest::keyClick(host, Qt::Key_Escape); // the teacher leaves: the game is gone
        QTRY_VERIFY(student.multi()->isVisible());
        QVERIFY(student.multi()->gameScreen.isNull() || student.multi()->gameScreen->isHidden());
        QCOMPARE(student.multi()->notice, QStringLiteral("The class game has ended: The host has gone."));
        QVERIFY(student.window->playButton->parentWidget() == student.window.get());
        QCOMPARE(QDir(reports.path()).entryList(QDir::Files).size(), 1); // the teacher's report of the game so far
        QCOMPARE(QSettings().value("singleplayer/name").toString(), QStringLiteral("Ann"));
    }
};

QTEST_MAIN(TestMultiPlayerScreen)
#include "test_multiplayerscreen.moc"
