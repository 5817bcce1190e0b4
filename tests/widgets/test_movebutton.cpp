#include "widgets/movebutton.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QColor trackColour(0, 200, 0);
const QColor handleColour(250, 250, 0);

void savePicture(const QString &file, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    QVERIFY(image.save(file));
}

void send(QWidget &widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
          QPoint pos)
{
    QMouseEvent event(type, QPointF(pos), widget.mapToGlobal(QPointF(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void press(QWidget &w, QPoint pos, Qt::MouseButton b = Qt::LeftButton)
{
    send(w, QEvent::MouseButtonPress, b, b, pos);
}
void moveTo(QWidget &w, QPoint pos, Qt::MouseButtons b = Qt::LeftButton)
{
    send(w, QEvent::MouseMove, Qt::NoButton, b, pos);
}
void release(QWidget &w, QPoint pos, Qt::MouseButton b = Qt::LeftButton)
{
    send(w, QEvent::MouseButtonRelease, b, Qt::NoButton, pos);
}

// Rows of the grabbed slider that show the handle, first and last.
QPair<int, int> handleRows(MoveButton &slider)
{
    const QImage image = slider.grab().toImage();
    int first = -1, last = -1;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixelColor(5, y) == handleColour) {
            if (first < 0)
                first = y;
            last = y;
        }
    }
    return {first, last};
}

} // namespace

class TestMoveButton : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        savePicture("ground.png", QSize(20, 120), trackColour);
        savePicture("handle.png", QSize(20, 20), handleColour);
        savePicture("translucent.png", QSize(20, 120), QColor(0, 0, 0, 0));
    }

    void takesTheTrackSizeAndRestsInTheMiddle()
    {
        QWidget parent;
        MoveButton slider("ground.png", "handle.png", 11, 12, &parent);
        QCOMPARE(slider.geometry(), QRect(11, 12, 20, 120));
        QCOMPARE(slider.offset(), 0);
        // Hg 120, Hh 20, value 50: y = 120 - 50 - 20 = 50.
        QCOMPARE(handleRows(slider), qMakePair(50, 69));
    }

    void dragUpRaisesOnePerPixelClampsAndSpringsBack()
    {
        MoveButton slider("ground.png", "handle.png", 0, 0, nullptr);
        QSignalSpy moved(&slider, &MoveButton::moved);
        QSignalSpy clicked(&slider, &MoveButton::clicked);

        press(slider, {5, 100});
        QCOMPARE(moved.count(), 0);
        moveTo(slider, {5, 70});
        QCOMPARE(slider.offset(), 30);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(handleRows(slider).first, 120 - 80 - 20);

        moveTo(slider, {9, 20}); // 50 further: clamped at the top
        QCOMPARE(slider.offset(), 50);
        QCOMPARE(handleRows(slider).first, 0);
        moveTo(slider, {5, -40}); // outside the widget, still counted
        QCOMPARE(slider.offset(), 50);
        QCOMPARE(moved.count(), 3);

        // Clamping forgets the excess: coming down 10 pixels leaves 90.
        moveTo(slider, {5, -30});
        QCOMPARE(slider.offset(), 40);

        moveTo(slider, {5, 400}); // far down: clamped at the bottom
        QCOMPARE(slider.offset(), -50);
        QCOMPARE(handleRows(slider).second, 119);

        release(slider, {5, 400});
        QCOMPARE(slider.offset(), 0);
        QCOMPARE(moved.count(), 6);
        QCOMPARE(clicked.count(), 0);
        QVERIFY(!slider.isDown());
    }

    void pressWithoutMotionEmitsOnlyOnRelease()
    {
        MoveButton slider("ground.png", "handle.png", 0, 0, nullptr);
        QSignalSpy moved(&slider, &MoveButton::moved);
        press(slider, {5, 50}, Qt::RightButton);
        QCOMPARE(moved.count(), 0);
        release(slider, {5, 50}, Qt::RightButton);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(slider.offset(), 0);
    }

    void paintsTranslucentBlackUnderItsPictures()
    {
        MoveButton slider("translucent.png", "missing.png", 0, 0, nullptr);
        QPalette white;
        white.setColor(QPalette::Window, Qt::white);
        slider.setPalette(white);
        // Black at alpha 100 over white leaves 155 of 255.
        const QColor shaded = slider.grab().toImage().pixelColor(5, 5);
        QVERIFY(qAbs(shaded.red() - 155) <= 1);
        QCOMPARE(shaded.red(), shaded.blue());
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(TestMoveButton)
#include "test_movebutton.moc"
