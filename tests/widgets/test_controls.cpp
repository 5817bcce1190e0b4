// ctest-labels: integration
// The picture button, the zoom slider and the rotation knob: their sizes,
// what they draw, and what dragging them reports.
#include "testing/gamedata.h"
#include "widgets/movebutton.h"
#include "widgets/pixbutton.h"
#include "widgets/rotatebutton.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {
QColor at(QWidget &widget, int x, int y)
{
    return widget.grab().toImage().pixelColor(x, y);
}
void drag(QWidget *widget, QEvent::Type type, int y, Qt::MouseButton button = Qt::RightButton)
{
    sendMouse(widget, type, QPointF(5, y), type == QEvent::MouseMove ? Qt::NoButton : button,
              type == QEvent::MouseButtonRelease ? Qt::NoButton : button);
}
} // namespace

class TestControls : public QObject
{
    Q_OBJECT

private slots:
    void buttonShowsItsPressedPictureWhileDownOrChecked()
    {
        GameData data;
        QWidget parent;
        PixButton plain(QStringLiteral("hard-up.png"), QStringLiteral("start-down.png"), false, 30, 40, &parent);
        PixButton toggle(QStringLiteral("easy-up.png"), QStringLiteral("easy-down.png"), true, 200, 40, &parent);
        PixButton none(QStringLiteral("none.png"), QStringLiteral("easy-down.png"), false, 5, 5, &parent);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QCOMPARE(plain.geometry(), QRect(QPoint(30, 40), GameData::sizeOf("hard-up.png")));
        QCOMPARE(none.size(), QSize(0, 0)); // no resting picture: nothing to see or click
        QSignalSpy clicks(&plain, &PixButton::clicked), toggles(&toggle, &PixButton::clicked), nothing(&none, &PixButton::clicked);
        // The pictures while held and after letting go: a toggle shows its pressed one exactly while checked.
        const auto pressAndRelease = [](PixButton &button) {
            QTest::mousePress(&button, Qt::LeftButton);
            const QColor held = at(button, 5, 5);
            QTest::mouseRelease(&button, Qt::LeftButton);
            return QList<QColor>({held, at(button, 5, 5)});
        };
        const auto pictures = [](const char *held, const char *after) {
            return QList<QColor>({GameData::colourOf(held), GameData::colourOf(after)});
        };
        QCOMPARE(pressAndRelease(plain), pictures("start-down.png", "hard-up.png"));
        QCOMPARE(pressAndRelease(toggle), pictures("easy-up.png", "easy-down.png"));
        QCOMPARE(pressAndRelease(toggle), pictures("easy-down.png", "easy-up.png"));
        QTest::mouseClick(&parent, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(QList<int>({int(clicks.count()), int(toggles.count()), int(nothing.count())}), QList<int>({1, 2, 0}));
    }

    void sliderSetsAClampedOffsetAndSpringsBack()
    {
        GameData data; // track 24 x 120, handle 20 x 16
        MoveButton slider(QStringLiteral("mover-ground.png"), QStringLiteral("slider.png"), 7, 9, nullptr);
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));
        QCOMPARE(slider.size(), QSize(24, 120));
        QSignalSpy moved(&slider, &MoveButton::moved);
        const auto handleTop = [&slider] {
            for (int y = 0; y < 120; ++y)
                if (at(slider, 2, y) == GameData::colourOf("slider.png"))
                    return y;
            return -1;
        };
        // The handle's top: 120 - ((120 - 16) * value) / 100 - 16; every move reports, clamped or not.
        const struct
        {
            QEvent::Type type;
            int y, offset, top, reports;
        } steps[] = {
            {QEvent::MouseButtonPress, 60, 0, 52, 0}, // value 50; a press alone moves nothing
            {QEvent::MouseMove, 30, 30, 21, 1},        // 30 up: value 80
            {QEvent::MouseMove, -50, 50, 0, 2},        // 80 more: clamped at the top
            {QEvent::MouseMove, -60, 50, 0, 3},
            {QEvent::MouseMove, 500, -50, 104, 4},     // clamped at the bottom
            {QEvent::MouseButtonRelease, 500, 0, 52, 5},
        };
        for (const auto &s : steps) {
            drag(&slider, s.type, s.y);
            QCOMPARE(QList<int>({slider.offset(), handleTop(), int(moved.count())}), QList<int>({s.offset, s.top, s.reports}));
        }
    }

    void knobTurnsClockwiseAboutItsCentreOnADragUp()
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
        QCOMPARE(at(button, 30, 30), QColor(Qt::red)); // the knob's centre is (20, 40)
        QSignalSpy moved(&button, &RotateButton::moved);
        drag(&button, QEvent::MouseButtonPress, 50, Qt::LeftButton);
        drag(&button, QEvent::MouseMove, -40, Qt::LeftButton);
        QCOMPARE(QList<int>({button.angle(), int(moved.count())}), QList<int>({90, 1}));
        // A quarter turn clockwise on screen: the red quarter is now bottom right; the label never turns.
        const QImage shot = button.grab().toImage();
        QCOMPARE(QList<QColor>({shot.pixelColor(30, 50), shot.pixelColor(30, 30), shot.pixelColor(30, 5)}),
                 QList<QColor>({Qt::red, Qt::white, GameData::colourOf("x-rot.png")}));
        drag(&button, QEvent::MouseMove, -350, Qt::LeftButton);
        drag(&button, QEvent::MouseButtonRelease, -350, Qt::LeftButton);
        QCOMPARE(button.angle(), 400); // no wrap
        // Only a left press sets where a drag measures from.
        drag(&button, QEvent::MouseButtonPress, 100);
        drag(&button, QEvent::MouseMove, -340);
        QCOMPARE(button.angle(), 390); // from -350, not from 100
    }
};

QTEST_MAIN(TestControls)
#include "test_controls.moc"
