// ctest-labels: integration
#include "game/gameengine.h"
#include "testing/fakeaudiobackend.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/movebutton.h"
#include "widgets/pixbutton.h"
#include "widgets/rotatebutton.h"
#include "widgets/singleplayerscreen.h"

#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <GL/gl.h>

namespace {

QTemporaryDir *configDir = nullptr;

void savePicture(const QString &file, QSize size, QColor colour = Qt::darkGray)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(file));
}

void send(QWidget *widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
          QPoint pos)
{
    QMouseEvent event(type, QPointF(pos), widget->mapToGlobal(QPointF(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void drag(QWidget *widget, int dy)
{
    send(widget, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {5, 50});
    send(widget, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {5, 50 - dy});
}

QList<double> modelView(GLEngine *view)
{
    view->makeCurrent();
    GLdouble matrix[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, matrix);
    view->doneCurrent();
    return QList<double>(matrix, matrix + 16);
}

} // namespace

class TestSinglePlayerScreen : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        useCompatibilityGlFormat();
        configDir = new QTemporaryDir;
        qputenv("XDG_CONFIG_HOME", configDir->path().toLocal8Bit());
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName("Vexa");
        QCoreApplication::setApplicationName("Torvane");
        QVERIFY(workDir.isValid());
        QDir::setCurrent(workDir.path());
        savePicture("mainmenu-up.png", QSize(100, 40));
        savePicture("x-rot.png", QSize(60, 20));
        savePicture("y-rot.png", QSize(60, 20));
        savePicture("rotation.png", QSize(60, 60));
        savePicture("mover-ground.png", QSize(20, 100));
        savePicture("slider.png", QSize(20, 10));
        savePicture("logo.png", QSize(200, 50), Qt::darkRed);
    }

    void init() { QSettings().clear(); }

    void statusTextFormatsTheTime_data()
    {
        QTest::addColumn<int>("milliseconds");
        QTest::addColumn<QString>("time");
        QTest::newRow("zero") << 0 << "00:00";
        QTest::newRow("just under a second") << 999 << "00:00";
        QTest::newRow("one minute five") << 65432 << "01:05";
        QTest::newRow("just under ten minutes") << 599999 << "09:59";
        QTest::newRow("an hour") << 3600000 << "60:00";
        QTest::newRow("hundred minutes") << 6000000 << "100:00";
    }

    void statusTextFormatsTheTime()
    {
        QFETCH(int, milliseconds);
        QFETCH(QString, time);
        QCOMPARE(SinglePlayerScreen::statusText("Dr. med. Ann", 40, milliseconds),
                 "Dr. med. Ann\nProgress: 40%\nTime elapsed: " + time);
    }

    void statusTextShowsTheNameExactlyAsTyped_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("marker two") << "%2";
        QTest::newRow("marker one") << "a%1b";
        QTest::newRow("every marker") << "%1%2%3%4%5";
        QTest::newRow("percent alone") << "100%";
    }

    void statusTextShowsTheNameExactlyAsTyped()
    {
        QFETCH(QString, name);
        QCOMPARE(SinglePlayerScreen::statusText("B.sc.Inf " + name, 33, 187000),
                 "B.sc.Inf " + name + "\nProgress: 33%\nTime elapsed: 03:07");
    }

    void titleFollowsTheStoredDifficulty_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("title");
        QTest::newRow("absent") << QVariant() << "B.sc.Inf ";
        QTest::newRow("easy") << QVariant(1) << "B.sc.Inf ";
        QTest::newRow("medium") << QVariant(2) << "Dr. med. ";
        QTest::newRow("hard") << QVariant(3) << "Prof. Dr. med. ";
        QTest::newRow("zero") << QVariant(0) << "Prof. Dr. med. ";
        QTest::newRow("seven") << QVariant(7) << "Prof. Dr. med. ";
    }

    void titleFollowsTheStoredDifficulty()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, title);
        if (stored.isValid())
            QSettings().setValue("singleplayer/difficulty", stored);
        QSettings().setValue("singleplayer/name", "Ann");
        QWidget window;
        window.resize(1000, 700);
        SinglePlayerScreen screen(&window, nullptr);
        QCOMPARE(screen.playerName, title + "Ann");
    }

    void layoutFollowsThePicturesAndTheParent()
    {
        QWidget window;
        window.resize(1000, 700);
        SinglePlayerScreen screen(&window, nullptr);
        QVERIFY(screen.isHidden());
        QCOMPARE(screen.geometry(), QRect(0, 0, 1000, 700));
        QCOMPARE(screen.exitButton->geometry(), QRect(10, 650, 100, 40));
        QCOMPARE(screen.xRotButton->geometry(), QRect(930, 610, 60, 80));
        QCOMPARE(screen.yRotButton->geometry(), QRect(930, 520, 60, 80));
        QCOMPARE(screen.zoomButton->geometry(), QRect(950, 410, 20, 100));
        QCOMPARE(screen.view->geometry(), QRect(120, 70, 790, 630));
        QCOMPARE(screen.view->parentWidget(), &screen);
        // Nothing is laid out again when the window changes size.
        window.resize(600, 400);
        QCOMPARE(screen.xRotButton->pos(), QPoint(930, 610));
    }

    void exitButtonOnlySignals()
    {
        QWidget window;
        window.resize(1000, 700);
        SinglePlayerScreen screen(&window, nullptr);
        QSignalSpy exit(&screen, &SinglePlayerScreen::exitClicked);
        QTest::mouseClick(screen.exitButton, Qt::LeftButton);
        QCOMPARE(exit.count(), 1);
    }

    void showsTheDisplayAndDrivesTheViewFromItsControls()
    {
        QSettings().setValue("singleplayer/name", "Ann");
        QWidget window;
        window.resize(1000, 700);
        auto *screen = new SinglePlayerScreen(&window, nullptr);
        screen->show();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(screen->view->isValid());
        QTRY_VERIFY(screen->view->elapsed() > 0);

        const QImage image = screen->grab().toImage();
        QCOMPARE(image.pixelColor(20, 20), QColor(Qt::darkRed)); // logo at (10, 10)
        int white = 0;
        for (int y = 20; y < 80; ++y)
            for (int x = 260; x < 700; ++x)
                white += image.pixelColor(x, y).lightness() > 200;
        QVERIFY2(white > 50, qPrintable(QString::number(white)));

        // Frames come when the machine allows: wait for them, not for a time.
        QSignalSpy frames(screen->view, &GLEngine::newTime);
        auto nextFrames = [&frames](int count) {
            const int target = int(frames.count()) + count;
            QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= target, 20000);
        };
        nextFrames(1);
        const QList<double> start = modelView(screen->view);
        drag(screen->xRotButton, 30);
        nextFrames(2);
        const QList<double> turned = modelView(screen->view);
        QVERIFY(turned != start);
        drag(screen->yRotButton, 30);
        nextFrames(2);
        const QList<double> tilted = modelView(screen->view);
        QVERIFY(tilted != turned);
        // Holding the slider up zooms; letting go stops the zoom.
        drag(screen->zoomButton, 40);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(modelView(screen->view).at(10)) > qAbs(tilted.at(10)) * 1.02,
                                 20000);
        send(screen->zoomButton, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {5, 10});
        nextFrames(2);
        const QList<double> zoomed = modelView(screen->view);
        nextFrames(3);
        QCOMPARE(modelView(screen->view), zoomed);
    }

    void timeStopsOnceTheGameIsWon()
    {
        QWidget window;
        window.resize(1000, 700);
        auto *screen = new SinglePlayerScreen(&window, nullptr);
        screen->show();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(screen->shownTime > 100);
        screen->engine->gameWon = true;
        screen->repaint();
        const int frozen = screen->shownTime;
        QTest::qWait(300);
        QVERIFY(screen->view->elapsed() > frozen + 250);
        QCOMPARE(screen->shownTime, frozen);
        delete screen; // view first, then the engine: must not crash
    }

private:
    QTemporaryDir workDir;
};

QTEST_MAIN(TestSinglePlayerScreen)
#include "test_singleplayerscreen.moc"
