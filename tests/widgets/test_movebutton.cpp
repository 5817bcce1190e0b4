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
    void dragMovesTheHandleWithinItsTrackAndReleaseSpringsItBack_data()
    {
        // Track 24 x 120, handle 20 x 16: the handle's top is 120 - ((120 - 16) * value) / 100 - 16, value 50 at
        // rest, offset value - 50. Every move reports, clamped or not.
        QTest::addColumn<QList<int>>("moves"); // to these y, after a press at 60
        QTest::addColumn<bool>("released");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("handleTop");
        QTest::addColumn<int>("reports");
        QTest::newRow("a press alone") << QList<int>{} << false << 0 << 52 << 0;
        QTest::newRow("30 up: value 80") << QList<int>{30} << false << 30 << 21 << 1;
        QTest::newRow("80 more: held at the top") << QList<int>{30, -50} << false << 50 << 0 << 2;
        QTest::newRow("further up: still at the top") << QList<int>{30, -50, -60} << false << 50 << 0 << 3;
        QTest::newRow("far down: held at the bottom") << QList<int>{30, -50, -60, 500} << false << -50 << 104 << 4;
        QTest::newRow("released: back to rest") << QList<int>{30, -50, -60, 500} << true << 0 << 52 << 5;
    }

    void dragMovesTheHandleWithinItsTrackAndReleaseSpringsItBack()
    {
        QFETCH(QList<int>, moves);
        QFETCH(bool, released);
        QFETCH(int, offset);
        QFETCH(int, handleTop);
        QFETCH(int, reports);
        GameData data;
        MoveButton slider(QStringLiteral("mover-ground.png"), QStringLiteral("slider.png"), 0, 0, nullptr);
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));
        QCOMPARE(slider.size(), QSize(24, 120));
        QSignalSpy moved(&slider, &MoveButton::moved);
        mouseAt(&slider, QEvent::MouseButtonPress, {5, 60});
        for (int y : moves)
            mouseAt(&slider, QEvent::MouseMove, {5, qreal(y)});
        if (released)
            mouseAt(&slider, QEvent::MouseButtonRelease, {5, qreal(moves.last())});
        QCOMPARE(slider.offset(), offset);
        int top = 0;
        while (top < 120 && colourAt(slider, 2, top) != GameData::colourOf("slider.png"))
            ++top;
        QCOMPARE(top, handleTop);
        QCOMPARE(moved.count(), reports);
    }
};

QTEST_MAIN(TestMoveButton)
#include "test_movebutton.moc"
