// ctest-labels: integration
// The main menu's three picture buttons.
#include "screens/screen1.h"
#include "testing/gamedata.h"
#include "widgets/pixbutton.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

class TestScreen1 : public QObject
{
    Q_OBJECT

private slots:
    void buttonsStandByTheirPicturesAndReportTheChoice();
};

void TestScreen1::buttonsStandByTheirPicturesAndReportTheChoice()
{
    GameData data; // single player 220 x 90, multi player 200 x 80, exit 120 x 60
    QWidget window;
    Screen1 menu(&window);
    QVERIFY(menu.isHidden());
    QCOMPARE(menu.size(), QSize(440, 180));
    QCOMPARE(menu.singlePlayerButton->geometry(), QRect(10, 10, 220, 90));
    QCOMPARE(menu.multiPlayerButton->geometry(), QRect(240, 30, 200, 80));
    QCOMPARE(menu.exitButton->geometry(), QRect(10, 120, 120, 60));
    QCOMPARE(menu.exitButton->toolTip(), QStringLiteral("Exit"));
    window.show();
    menu.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (PixButton *button : {menu.singlePlayerButton, menu.multiPlayerButton, menu.exitButton}) {
        const QString name = button == menu.exitButton ? "exit" : button == menu.multiPlayerButton ? "multiplayer" : "singleplayer";
        const QPoint inside = button->geometry().center();
        QCOMPARE(menu.grab().toImage().pixelColor(inside), GameData::colourOf(name + "-up.png"));
        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(menu.grab().toImage().pixelColor(inside), GameData::colourOf(name + "-down.png"));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-5, -5)); // let go beside it: no click
    }
    QSignalSpy single(&menu, &Screen1::singlePlayerClicked);
    QSignalSpy multi(&menu, &Screen1::multiPlayerClicked);
    QTest::mouseClick(menu.singlePlayerButton, Qt::LeftButton);
    QTest::mouseClick(menu.multiPlayerButton, Qt::LeftButton);
    QTest::mouseClick(menu.multiPlayerButton, Qt::LeftButton);
    QCOMPARE(single.count(), 1);
    QCOMPARE(multi.count(), 2);
    QTest::mouseClick(menu.exitButton, Qt::LeftButton); // closes every window
    QTRY_VERIFY(!window.isVisible());
}

QTEST_MAIN(TestScreen1)
#include "test_screen1.moc"
