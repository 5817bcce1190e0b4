// ctest-labels: integration
// The rotation knob: a degree a pixel of drag, without bound, the knob turning under a label that does not.
#include "testing/gamedata.h"
#include "widgets/rotatebutton.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

// A 40 x 40 knob whose top right quarter is red, under the 60 x 20 label "x-rot.png": its centre is at (20, 40).
struct Knob
{
    GameData data;
    std::unique_ptr<RotateButton> knob;

    Knob()
    {
        QImage picture(40, 40, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter(&picture).fillRect(20, 0, 20, 20, Qt::red);
        picture.save(QStringLiteral("knob.png"));
        knob = std::make_unique<RotateButton>(QStringLiteral("x-rot.png"), QStringLiteral("knob.png"), 0, 0, nullptr);
    }
    // A left drag from y 50 to `to`.
    void drag(int to)
    {
        mouseAt(knob.get(), QEvent::MouseButtonPress, {5, 50});
        mouseAt(knob.get(), QEvent::MouseMove, {5, qreal(to)});
    }
};

} // namespace

class TestRotateButton : public QObject
{
    Q_OBJECT

private slots:
    void dragUpTurnsTheKnobClockwiseADegreeAPixelWithoutBound()
    {
        Knob k;
        QCOMPARE(k.knob->size(), QSize(60, 60)); // as tall as its label and knob together
        QCOMPARE(colourAt(*k.knob, 30, 30), QColor(Qt::red));
        QSignalSpy turned(k.knob.get(), &RotateButton::moved);
        k.drag(-40);
        QCOMPARE(k.knob->angle(), 90);
        QCOMPARE(turned.count(), 1);
        // A quarter turn: the red quarter is now bottom right; the label stays as it was.
        QCOMPARE(colourAt(*k.knob, 30, 50), QColor(Qt::red));
        QCOMPARE(colourAt(*k.knob, 30, 30), QColor(Qt::white));
        QCOMPARE(colourAt(*k.knob, 30, 5), GameData::colourOf("x-rot.png"));
        mouseAt(k.knob.get(), QEvent::MouseMove, {5, -350});
        QCOMPARE(k.knob->angle(), 400); // not wrapped
        // Only a left press sets where a drag measures from.
        mouseAt(k.knob.get(), QEvent::MouseButtonRelease, {5, -350});
        mouseAt(k.knob.get(), QEvent::MouseButtonPress, {5, 100}, Qt::RightButton);
        mouseAt(k.knob.get(), QEvent::MouseMove, {5, -340}, Qt::RightButton);
        QCOMPARE(k.knob->angle(), 390);
    }
};

QTEST_MAIN(TestRotateButton)
#include "test_rotatebutton.moc"
