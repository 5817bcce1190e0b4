// ctest-labels: integration
// The rotation knob.
#include "testing/gamedata.h"
#include "widgets/rotatebutton.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

class TestRotateButton : public QObject
{
    Q_OBJECT

private slots:
    void dragUpTurnsTheKnobClockwiseAboutItsCentre();
};

void TestRotateButton::dragUpTurnsTheKnobClockwiseAboutItsCentre()
{
    GameData data;
    // A 40 x 40 knob whose top right quarter is red, under a 60 x 20 label.
    QImage knob(40, 40, QImage::Format_RGB32);
    knob.fill(Qt::white);
    QPainter(&knob).fillRect(20, 0, 20, 20, Qt::red);
    knob.save(QStringLiteral("knob.png"));
    RotateButton button(QStringLiteral("x-rot.png"), QStringLiteral("knob.png"), 3, 4, nullptr);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QCOMPARE(button.size(), QSize(60, 60));
    const auto at = [&button](int x, int y) { return button.grab().toImage().pixelColor(x, y); };
    QCOMPARE(at(30, 5), GameData::colourOf("x-rot.png"));
    QCOMPARE(at(30, 30), QColor(Qt::red)); // the knob's centre is (20, 40)
    QSignalSpy moved(&button, &RotateButton::moved);
    sendMouse(&button, QEvent::MouseButtonPress, QPointF(10, 50), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&button, QEvent::MouseMove, QPointF(90, -40), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(button.angle(), 90);
    QCOMPARE(moved.count(), 1);
    // A quarter turn clockwise on screen: the red quarter is now bottom right.
    QCOMPARE(at(30, 50), QColor(Qt::red));
    QCOMPARE(at(30, 30), QColor(Qt::white));
    QCOMPARE(at(30, 5), GameData::colourOf("x-rot.png")); // the label never turns
    sendMouse(&button, QEvent::MouseMove, QPointF(0, -350), Qt::NoButton, Qt::LeftButton);
    sendMouse(&button, QEvent::MouseButtonRelease, QPointF(0, -350), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(button.angle(), 400); // no wrap
    // Only a left press sets where the drag measures from.
    sendMouse(&button, QEvent::MouseButtonPress, QPointF(0, 100), Qt::RightButton, Qt::RightButton);
    sendMouse(&button, QEvent::MouseMove, QPointF(0, -340), Qt::NoButton, Qt::RightButton);
    QCOMPARE(button.angle(), 390); // from -350, not from 100
}

QTEST_MAIN(TestRotateButton)
#include "test_rotatebutton.moc"
