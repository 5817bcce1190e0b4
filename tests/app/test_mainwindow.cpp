#include "app/mainwindow.h"
#include "screens/screen0.h"
#include "screens/screen1.h"
#include "screens/screen2.h"
#include "testing/fakeaudiobackend.h"
#include "widgets/pixbutton.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QTemporaryDir *configDir = nullptr;

void savePicture(const QString &file, QSize size, QColor colour = Qt::darkGreen)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(file));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        configDir = new QTemporaryDir;
        qputenv("XDG_CONFIG_HOME", configDir->path().toLocal8Bit());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(workDir.isValid());
        QDir::setCurrent(workDir.path());
        savePicture("loading.png", QSize(300, 200), Qt::darkBlue);
        savePicture("logo.png", QSize(120, 40), Qt::darkRed);
        for (const char *name : {"singleplayer", "multiplayer", "exit"})
            savePicture(QString("%1-up.png").arg(name), QSize(200, 100));
        savePicture("play.png", QSize(40, 30));
        savePicture("stop.png", QSize(40, 20));
        savePicture("next.png", QSize(40, 25));
        savePicture("prev.png", QSize(40, 35));
    }

    void centringTruncatesTowardZero_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("odd window") << QSize(1023, 767) << QSize(300, 200) << QPoint(361, 283);
        QTest::newRow("even") << QSize(1280, 1024) << QSize(800, 600) << QPoint(240, 212);
        QTest::newRow("odd screen") << QSize(100, 100) << QSize(31, 11) << QPoint(34, 44);
        QTest::newRow("screen larger than window")
            << QSize(100, 100) << QSize(301, 203) << QPoint(-100, -51);
    }

    void centringTruncatesTowardZero()
    {
        QFETCH(QSize, window);
        QFETCH(QSize, screen);
        QFETCH(QPoint, expected);
        QCOMPARE(MainWindow::centredPosition(window, screen), expected);
    }

    void startsBlackWithTheLoadingScreenAndLoadsOneSecondLater()
    {
        FakeSoundScope sound;
        QElapsedTimer sinceConstruction;
        sinceConstruction.start();
        MainWindow window;
        QCOMPARE(QCoreApplication::organizationName(), QString("Vexa"));
        QCOMPARE(QCoreApplication::applicationName(), QString("Torvane"));
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window.windowState() & Qt::WindowFullScreen);
        QCOMPARE(window.screen0->size(), QSize(300, 200));
        QCOMPARE(window.screen0->pos(),
                 MainWindow::centredPosition(window.size(), QSize(300, 200)));
        QVERIFY(!window.screen0->isHidden());
        QVERIFY(!window.logo && !window.screen1 && !window.playButton);

        const QImage before = window.grab().toImage();
        QCOMPARE(before.pixelColor(20, 20), QColor(Qt::black)); // no logo yet
        const QPoint centre = window.rect().center();
        QCOMPARE(before.pixelColor(centre), QColor(Qt::darkBlue));

        QTRY_VERIFY_WITH_TIMEOUT(window.screen1, 5000);
        QVERIFY(sinceConstruction.elapsed() >= 1000);
        QVERIFY(window.screen0->isHidden());
        QVERIFY(!window.screen1->isHidden());
        QVERIFY(window.screen2->isHidden());
        QCOMPARE(window.screen1->pos(),
                 MainWindow::centredPosition(window.size(), window.screen1->size()));
        QCOMPARE(window.screen2->pos(),
                 MainWindow::centredPosition(window.size(), QSize(800, 600)));
        QCOMPARE(window.grab().toImage().pixelColor(20, 20), QColor(Qt::darkRed));
        // The set-up screen's construction clicked once.
        QCOMPARE(sound.playedEffects(), QStringList({"click"}));
    }

    void musicButtonsStandInAColumnAroundTheMiddle()
    {
        FakeSoundScope sound;
        MainWindow window;
        window.setWindowState(Qt::WindowNoState);
        window.resize(800, 1023);
        QTRY_VERIFY_WITH_TIMEOUT(window.playButton, 5000);
        QCOMPARE(window.playButton->geometry(), QRect(10, 511, 40, 30));
        QCOMPARE(window.stopButton->geometry(), QRect(10, 551, 40, 20));
        QCOMPARE(window.nextButton->geometry(), QRect(10, 581, 40, 25));
        QCOMPARE(window.prevButton->geometry(), QRect(10, 466, 40, 35));
        for (PixButton *button :
             {window.playButton, window.stopButton, window.nextButton, window.prevButton})
            QVERIFY(!button->isHidden());
    }

    void multiPlayerLeavesOnlyTheBackgroundLogoAndMusic()
    {
        FakeSoundScope sound;
        MainWindow window;
        QTRY_VERIFY_WITH_TIMEOUT(window.screen1, 5000);
        QTest::mouseClick(window.screen1->multiPlayerButton, Qt::LeftButton);
        QVERIFY(window.screen1->isHidden());
        QVERIFY(window.screen2->isHidden());
        QVERIFY(!window.playButton->isHidden());
        QCOMPARE(sound.playedEffects().size(), 1); // no click for it
    }

private:
    QTemporaryDir workDir;
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
