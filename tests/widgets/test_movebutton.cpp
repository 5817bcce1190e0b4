// ctest-labels: integration
// The zoom slider: how far a drag moves its handle, where it stops, that it springs back, and what it reports.
#include "testing/gamedata.h"
#include "widgets/movebutton.h"

#include <QSignalSpy>
#include <QTest>

class TestMoveButton : public QObject
{
    Q_OBJECT

private slots:
    void dragMovesTheHandleWithinItsTrackAndReleaseSpringsItBack()
    {
        // Track 24 x 120, handle 20 x 16: the handle's top is 120 - ((120 - 16) * value) / 100 - 16, value 50 at
        // rest, offset value - 50. Every move reports, clamped or not.
        GameData data;
        MoveButton slider(QStringLiteral("mover-ground.png"), QStringLiteral("slider.png"), 0, 0, nullptr);
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));
        QSignalSpy moved(&slider, &MoveButton::moved);
        const auto handleTop = [&slider] {
            int top = 0;
            while (top < 120 && colourAt(slider, 2, top) != GameData::colourOf("slider.png"))
                ++top;
            return top;
        };
        mouseAt(&slider, QEvent::MouseButtonPress, {5, 60});
        // y moved to, offset, handle top: 30 up gives value 80; then held at the top, then at the bottom.
        const QList<std::tuple<int, int, int>> steps = {{30, 30, 21}, {-50, 50, 0}, {-60, 50, 0}, {500, -50, 104}};
        for (const auto &[y, offset, top] : steps) {
            mouseAt(&slider, QEvent::MouseMove, {5, qreal(y)});
            QCOMPARE(slider.offset(), offset);
            QCOMPARE(handleTop(), top);
        }
        mouseAt(&slider, QEvent::MouseButtonRelease, {5, 500});
        QCOMPARE(slider.offset(), 0); // springs back to rest
        QCOMPARE(handleTop(), 52);
        QCOMPARE(moved.count(), 5);
    }
};

QTEST_MAIN(TestMoveButton)
#include "test_movebutton.moc"
