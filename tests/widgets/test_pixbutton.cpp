// ctest-labels: integration
// The picture button: its size and place, and which of its two pictures it shows while held and after.
#include "testing/gamedata.h"
#include "widgets/pixbutton.h"

#include <QTest>

class TestPixButton : public QObject
{
    Q_OBJECT

private slots:
    void takesTheSizeOfItsRestingPictureWhereItIsPlaced()
    {
        GameData data;
        const PixButton button(QStringLiteral("hard-up.png"), QStringLiteral("start-down.png"), false, 30, 40, nullptr);
        QCOMPARE(button.geometry(), QRect(QPoint(30, 40), GameData::sizeOf("hard-up.png")));
        const PixButton none(QStringLiteral("none.png"), QStringLiteral("easy-down.png"), false, 5, 5, nullptr);
        QCOMPARE(none.size(), QSize(0, 0)); // nothing to see or click
    }

    void showsItsPressedPictureWhileHeldOrAToggleWhileChecked_data()
    {
        QTest::addColumn<bool>("toggle");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QString>("held");  // the picture shown during the last press
        QTest::addColumn<QString>("after"); // and after its release
        QTest::newRow("push button") << false << 1 << "start-down.png" << "hard-up.png";
        QTest::newRow("toggle, checked by its release") << true << 1 << "hard-up.png" << "start-down.png";
        QTest::newRow("toggle, unchecked by the next") << true << 2 << "start-down.png" << "hard-up.png";
    }

    void showsItsPressedPictureWhileHeldOrAToggleWhileChecked()
    {
        QFETCH(bool, toggle);
        QFETCH(int, presses);
        QFETCH(QString, held);
        QFETCH(QString, after);
        GameData data;
        PixButton button(QStringLiteral("hard-up.png"), QStringLiteral("start-down.png"), toggle, 0, 0, nullptr);
        for (int press = 1; press < presses; ++press)
            QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mousePress(&button, Qt::LeftButton);
        QCOMPARE(colourAt(button, 5, 5), GameData::colourOf(held));
        QTest::mouseRelease(&button, Qt::LeftButton);
        QCOMPARE(colourAt(button, 5, 5), GameData::colourOf(after));
    }
};

QTEST_MAIN(TestPixButton)
#include "test_pixbutton.moc"
