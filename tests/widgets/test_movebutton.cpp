// ctest-labels: integration
// The spring-loaded zoom slider.
#include "testing/gamedata.h"
#include "widgets/movebutton.h"

#include <QSignalSpy>
#include <QTest>

class TestMoveButton : public QObject
{
    Q_OBJECT

private slots:
    void dragSetsAClampedOffsetAndReleaseSpringsBack();
};

void TestMoveButton::dragSetsAClampedOffsetAndReleaseSpringsBack()
{
    GameData data; // track 24 x 120, handle 20 x 16
    MoveButton slider(QStringLiteral("mover-ground.png"), QStringLiteral("slider.png"), 7, 9, nullptr);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    QCOMPARE(slider.size(), QSize(24, 120));
    QSignalSpy moved(&slider, &MoveButton::moved);
    // The handle's top: 120 - ((120 - 16) * value) / 100 - 16.
    const auto handleTop = [&slider] {
        const QImage image = slider.grab().toImage();
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(2, y) == GameData::colourOf("slider.png"))
                return y;
        return -1;
    };
    QCOMPARE(handleTop(), 52); // value 50
    sendMouse(&slider, QEvent::MouseButtonPress, QPointF(5, 60), Qt::RightButton, Qt::RightButton);
    QCOMPARE(moved.count(), 0);
    sendMouse(&slider, QEvent::MouseMove, QPointF(50, 30), Qt::NoButton, Qt::RightButton); // 30 up
    QCOMPARE(slider.offset(), 30);
    QCOMPARE(handleTop(), 21); // value 80: 120 - 83 - 16
    sendMouse(&slider, QEvent::MouseMove, QPointF(5, -50), Qt::NoButton, Qt::RightButton); // 80 more: clamped
    sendMouse(&slider, QEvent::MouseMove, QPointF(5, -60), Qt::NoButton, Qt::RightButton);
    QCOMPARE(slider.offset(), 50);
    QCOMPARE(handleTop(), 0);
    QCOMPARE(moved.count(), 3);
    sendMouse(&slider, QEvent::MouseMove, QPointF(5, 500), Qt::NoButton, Qt::RightButton);
    QCOMPARE(slider.offset(), -50);
    sendMouse(&slider, QEvent::MouseButtonRelease, QPointF(5, 500), Qt::RightButton, Qt::NoButton);
    QCOMPARE(slider.offset(), 0);
    QCOMPARE(moved.count(), 5);
    QCOMPARE(handleTop(), 52);
}

QTEST_MAIN(TestMoveButton)
#include "test_movebutton.moc"
