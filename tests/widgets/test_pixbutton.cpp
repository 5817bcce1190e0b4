// ctest-labels: integration
// The picture button: its size, and which of its two pictures shows.
#include "testing/gamedata.h"
#include "widgets/pixbutton.h"

#include <QSignalSpy>
#include <QTest>

namespace {
QColor shown(PixButton &button)
{
    return button.grab().toImage().pixelColor(button.width() / 2, button.height() / 2);
}
} // namespace

class TestPixButton : public QObject
{
    Q_OBJECT

private slots:
    void showsItsPressedPictureWhileDownOrChecked();
    void missingRestingPictureMakesAButtonThatCannotBeClicked();
};

void TestPixButton::showsItsPressedPictureWhileDownOrChecked()
{
    GameData data;
    QWidget parent;
    parent.resize(400, 300);
    PixButton plain(QStringLiteral("hard-up.png"), QStringLiteral("start-down.png"), false, 30, 40, &parent);
    PixButton toggle(QStringLiteral("easy-up.png"), QStringLiteral("easy-down.png"), true, 200, 40, &parent);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QCOMPARE(plain.geometry(), QRect(QPoint(30, 40), GameData::sizeOf("hard-up.png")));
    QCOMPARE(shown(plain), GameData::colourOf("hard-up.png"));
    QSignalSpy clicks(&plain, &PixButton::clicked);
    QTest::mousePress(&plain, Qt::LeftButton);
    QCOMPARE(shown(plain), GameData::colourOf("start-down.png"));
    QTest::mouseRelease(&plain, Qt::LeftButton);
    QCOMPARE(shown(plain), GameData::colourOf("hard-up.png"));
    QCOMPARE(clicks.count(), 1);

    // A toggle keeps its pressed picture from one click to the next.
    QSignalSpy toggles(&toggle, &PixButton::clicked);
    QTest::mousePress(&toggle, Qt::LeftButton);
    QCOMPARE(shown(toggle), GameData::colourOf("easy-up.png"));
    QTest::mouseRelease(&toggle, Qt::LeftButton);
    QCOMPARE(shown(toggle), GameData::colourOf("easy-down.png"));
    QTest::mouseClick(&toggle, Qt::LeftButton);
    QCOMPARE(shown(toggle), GameData::colourOf("easy-up.png"));
    QCOMPARE(toggles.count(), 2);
}

void TestPixButton::missingRestingPictureMakesAButtonThatCannotBeClicked()
{
    GameData data;
    QWidget parent;
    parent.resize(100, 100);
    PixButton button(QStringLiteral("none.png"), QStringLiteral("easy-down.png"), false, 5, 5, &parent);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    QCOMPARE(button.size(), QSize(0, 0));
    QSignalSpy clicks(&button, &PixButton::clicked);
    QTest::mouseClick(&parent, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(clicks.count(), 0);
}

QTEST_MAIN(TestPixButton)
#include "test_pixbutton.moc"
