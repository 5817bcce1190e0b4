#include "widgets/pixbutton.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QColor upColour(200, 30, 30);
const QColor downColour(30, 30, 200);

void savePicture(const QString &file, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(file));
}

QColor pixelAt(QWidget &widget, QPoint point)
{
    return widget.grab().toImage().pixelColor(point);
}

void moveWithButton(QWidget &widget, QPoint pos)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(pos), widget.mapToGlobal(QPointF(pos)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

} // namespace

class TestPixButton : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        savePicture("up.png", QSize(40, 20), upColour);
        savePicture("down.png", QSize(40, 20), downColour);
        savePicture("big-down.png", QSize(80, 60), downColour);
        savePicture("small-down.png", QSize(10, 10), downColour);
    }

    void takesItsSizeFromTheRestingPictureOnly()
    {
        QWidget parent;
        PixButton button("up.png", "big-down.png", false, 7, 9, &parent);
        QCOMPARE(button.geometry(), QRect(7, 9, 40, 20));
        QVERIFY(!button.isCheckable());
        PixButton toggle("up.png", "down.png", true, 0, 0, &parent);
        QVERIFY(toggle.isCheckable());
    }

    void plainButtonShowsPressedPictureOnlyWhileHeld()
    {
        PixButton button("up.png", "down.png", false, 0, 0, nullptr);
        QCOMPARE(pixelAt(button, {20, 10}), upColour);
        button.setDown(true);
        QCOMPARE(pixelAt(button, {20, 10}), downColour);
        button.setDown(false);
        QCOMPARE(pixelAt(button, {20, 10}), upColour);
    }

    void largerPressedPictureIsClippedAndSmallerOneLeavesTheRestUnpainted()
    {
        PixButton big("up.png", "big-down.png", false, 0, 0, nullptr);
        big.setDown(true);
        const QImage bigImage = big.grab().toImage();
        QCOMPARE(bigImage.size(), QSize(40, 20));
        QCOMPARE(bigImage.pixelColor(39, 19), downColour);

        PixButton small("up.png", "small-down.png", false, 0, 0, nullptr);
        small.setDown(true);
        const QImage smallImage = small.grab().toImage();
        QCOMPARE(smallImage.pixelColor(5, 5), downColour);
        QVERIFY(smallImage.pixelColor(30, 15) != downColour);
        QVERIFY(smallImage.pixelColor(30, 15) != upColour);
    }

    void checkableButtonFollowsItsCheckedStateNotThePress()
    {
        PixButton button("up.png", "down.png", true, 0, 0, nullptr);
        QSignalSpy clicks(&button, &PixButton::clicked);
        QTest::mousePress(&button, Qt::LeftButton, {}, {5, 5});
        QCOMPARE(pixelAt(button, {20, 10}), upColour); // held, not yet checked
        QTest::mouseRelease(&button, Qt::LeftButton, {}, {5, 5});
        QVERIFY(button.isChecked());
        QCOMPARE(pixelAt(button, {20, 10}), downColour);
        QTest::mouseClick(&button, Qt::LeftButton, {}, {5, 5});
        QVERIFY(!button.isChecked());
        QCOMPARE(pixelAt(button, {20, 10}), upColour);
        QCOMPARE(clicks.count(), 2);
    }

    void draggingOffAndBackFollowsThePointer()
    {
        PixButton button("up.png", "down.png", false, 0, 0, nullptr);
        QSignalSpy clicks(&button, &PixButton::clicked);
        QTest::mousePress(&button, Qt::LeftButton, {}, {5, 5});
        QVERIFY(button.isDown());
        moveWithButton(button, {100, 100});
        QVERIFY(!button.isDown());
        QCOMPARE(pixelAt(button, {20, 10}), upColour);
        moveWithButton(button, {6, 6});
        QVERIFY(button.isDown());
        QTest::mouseRelease(&button, Qt::LeftButton, {}, {6, 6});
        QCOMPARE(clicks.count(), 1);

        // Released away from the button: no click.
        QTest::mousePress(&button, Qt::LeftButton, {}, {5, 5});
        moveWithButton(button, {100, 100});
        QTest::mouseRelease(&button, Qt::LeftButton, {}, {100, 100});
        QCOMPARE(clicks.count(), 1);
    }

    void missingRestingPictureGivesAnEmptyButtonThatNeverClicks()
    {
        PixButton button("missing.png", "down.png", false, 3, 4, nullptr);
        QCOMPARE(button.geometry(), QRect(3, 4, 0, 0));
        QSignalSpy clicks(&button, &PixButton::clicked);
        QTest::mouseClick(&button, Qt::LeftButton, {}, {0, 0});
        QCOMPARE(clicks.count(), 0);
    }

private:
    QTemporaryDir dir;
};

QTEST_MAIN(TestPixButton)
#include "test_pixbutton.moc"
