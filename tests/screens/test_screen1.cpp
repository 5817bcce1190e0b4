#include "screens/screen1.h"
#include "testing/fakeaudiobackend.h"
#include "widgets/pixbutton.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void savePicture(const QString &file, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QVERIFY(image.save(file));
}

} // namespace

class TestScreen1 : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

private slots:
    void init()
    {
        dir.reset(new QTemporaryDir);
        QVERIFY(dir->isValid());
        QDir::setCurrent(dir->path());
    }

    void placesTheButtonsFromTheirPictures()
    {
        for (const char *name : {"singleplayer", "multiplayer", "exit"})
            savePicture(QString("%1-up.png").arg(name), QSize(200, 100));
        Screen1 menu(nullptr);
        QCOMPARE(menu.singlePlayerButton->geometry(), QRect(10, 10, 200, 100));
        QCOMPARE(menu.multiPlayerButton->geometry(), QRect(220, 30, 200, 100));
        QCOMPARE(menu.exitButton->geometry(), QRect(10, 140, 200, 100));
        QCOMPARE(menu.geometry(), QRect(0, 0, 420, 240));
        QCOMPARE(menu.exitButton->toolTip(), QString("Exit"));
        QVERIFY(menu.isHidden());
    }

    void missingPicturesMoveTheOthersUpAndLeft()
    {
        savePicture("multiplayer-up.png", QSize(50, 40));
        savePicture("exit-up.png", QSize(30, 20));
        Screen1 menu(nullptr);
        QCOMPARE(menu.singlePlayerButton->geometry(), QRect(10, 10, 0, 0));
        QCOMPARE(menu.multiPlayerButton->geometry(), QRect(20, 30, 50, 40));
        QCOMPARE(menu.exitButton->geometry(), QRect(10, 80, 30, 20));
        QCOMPARE(menu.size(), QSize(70, 100));
    }

    void reportsTheFirstTwoChoicesWithoutASound()
    {
        for (const char *name : {"singleplayer", "multiplayer", "exit"})
            savePicture(QString("%1-up.png").arg(name), QSize(60, 30));
        FakeSoundScope sound;
        Screen1 menu(nullptr);
        QSignalSpy single(&menu, &Screen1::singlePlayerClicked);
        QSignalSpy multi(&menu, &Screen1::multiPlayerClicked);
        QTest::mouseClick(menu.singlePlayerButton, Qt::LeftButton);
        QTest::mouseClick(menu.singlePlayerButton, Qt::LeftButton);
        QTest::mouseClick(menu.multiPlayerButton, Qt::LeftButton);
        QCOMPARE(single.count(), 2);
        QCOMPARE(multi.count(), 1);
        QVERIFY(sound.playedEffects().isEmpty());
    }

    void exitClosesEveryWindow()
    {
        for (const char *name : {"singleplayer", "multiplayer", "exit"})
            savePicture(QString("%1-up.png").arg(name), QSize(60, 30));
        QWidget window;
        Screen1 *menu = new Screen1(&window);
        menu->show();
        QWidget other;
        window.show();
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(menu->exitButton, Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QVERIFY(!other.isVisible());
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
};

QTEST_MAIN(TestScreen1)
#include "test_screen1.moc"
