#include "widgets/rotatebutton.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QColor labelColour(0, 200, 0);
const QColor leftColour(220, 0, 0);
const QColor rightColour(0, 0, 220);

void send(QWidget &widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
          QPoint pos)
{
    QMouseEvent event(type, QPointF(pos), widget.mapToGlobal(QPointF(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

} // namespace

class TestRotateButton : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        QImage label(60, 20, QImage::Format_RGB32);
        label.fill(labelColour);
        QVERIFY(label.save("label.png"));
        // A knob whose left half differs from its right half shows its turn.
        QImage knob(40, 40, QImage::Format_RGB32);
        knob.fill(leftColour);
        QPainter(&knob).fillRect(20, 0, 20, 40, rightColour);
        QVERIFY(knob.save("knob.png"));
    }

    void takesLabelWidthAndBothHeights()
    {
        QWidget parent;
        RotateButton knob("label.png", "knob.png", 5, 6, &parent);
        QCOMPARE(knob.geometry(), QRect(5, 6, 60, 60));
        QCOMPARE(knob.angle(), 0);
    }

    void dragUpAddsOneDegreePerPixelWithoutBound()
    {
        RotateButton knob("label.png", "knob.png", 0, 0, nullptr);
        QSignalSpy moved(&knob, &RotateButton::moved);
        QSignalSpy clicked(&knob, &RotateButton::clicked);
        send(knob, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {10, 30});
        QCOMPARE(moved.count(), 0);
        for (int step = 1; step <= 4; ++step)
            send(knob, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {50, 30 - step * 100});
        QCOMPARE(knob.angle(), 400);
        QCOMPARE(moved.count(), 4);
        send(knob, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {0, 30});
        QCOMPARE(knob.angle(), 0);
        send(knob, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {0, 30});
        QCOMPARE(knob.angle(), 0);
        QCOMPARE(moved.count(), 5);
        QCOMPARE(clicked.count(), 0);
        QVERIFY(!knob.isDown());
    }

    void onlyALeftPressSetsTheStartingPoint()
    {
        RotateButton knob("label.png", "knob.png", 0, 0, nullptr);
        // A right drag measures from 0, where the knob's reference starts.
        send(knob, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, {10, 50});
        send(knob, QEvent::MouseMove, Qt::NoButton, Qt::RightButton, {10, 45});
        QCOMPARE(knob.angle(), -45);
        send(knob, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, {10, 45});
        send(knob, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {10, 50});
        send(knob, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {10, 40});
        QCOMPARE(knob.angle(), -35);
    }

    void turnsOnlyTheKnobAboutItsOwnCentre()
    {
        RotateButton knob("label.png", "knob.png", 0, 0, nullptr);
        QImage image = knob.grab().toImage();
        QCOMPARE(image.pixelColor(5, 5), labelColour);
        QCOMPARE(image.pixelColor(5, 40), leftColour);
        QCOMPARE(image.pixelColor(35, 40), rightColour);

        // Half a turn swaps the knob's halves; the label stays as it is.
        send(knob, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, {10, 200});
        send(knob, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {10, 20});
        QCOMPARE(knob.angle(), 180);
        image = knob.grab().toImage();
        QCOMPARE(image.pixelColor(5, 5), labelColour);
        QCOMPARE(image.pixelColor(55, 5), labelColour);
        QCOMPARE(image.pixelColor(5, 40), rightColour);
        QCOMPARE(image.pixelColor(35, 40), leftColour);

        // A quarter turn clockwise brings the left half to the top.
        send(knob, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {10, 110});
        QCOMPARE(knob.angle(), 90);
        image = knob.grab().toImage();
        QCOMPARE(image.pixelColor(20, 24), leftColour);
        QCOMPARE(image.pixelColor(20, 56), rightColour);
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(TestRotateButton)
#include "test_rotatebutton.moc"
