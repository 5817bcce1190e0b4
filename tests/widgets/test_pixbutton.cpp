// ctest-labels: integration
// The picture button: its size and place, and a toggle's pictures (push buttons: the screens' tests).
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

    void aToggleShowsItsPressedPictureOnlyWhileChecked()
    {
        GameData data;
        PixButton button(QStringLiteral("hard-up.png"), QStringLiteral("start-down.png"), true, 0, 0, nullptr);
        // Press, release (checked), press, release (unchecked).
        const QStringList shown = {"hard-up.png", "start-down.png", "start-down.png", "hard-up.png"};
        for (int step = 0; step < shown.size(); ++step) {
            if (step % 2)
                QTest::mouseRelease(&button, Qt::LeftButton);
            else
                QTest::mousePress(&button, Qt::LeftButton);
            QCOMPARE(colourAt(button, 5, 5), GameData::colourOf(shown[step]));
        }
    }
};

QTEST_MAIN(TestPixButton)
#include "test_pixbutton.moc"
