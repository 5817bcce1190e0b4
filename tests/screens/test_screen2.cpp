// ctest-labels: integration
// The set-up screen: its layout, the stored name and difficulty, typed keys.
#include "screens/screen2.h"
#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"
#include "widgets/pixbutton.h"

#include <QDomDocument>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

namespace {
QVariant stored(const char *key)
{
    return QSettings().value(QStringLiteral("singleplayer/") + QLatin1String(key));
}
} // namespace

class TestScreen2 : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Vexa"));
        QCoreApplication::setApplicationName(QStringLiteral("Torvane"));
    }

private slots:
    void init() { QSettings().clear(); }
    void picturesStandInTheirPlacesAndTheNameIsWrittenBeside();
    void storedDifficultyIsCheckedAndWrittenBack_data();
    void storedDifficultyIsCheckedAndWrittenBack();
    void everyKeyEditsTheNameClicksAndStores();
};

void TestScreen2::picturesStandInTheirPlacesAndTheNameIsWrittenBeside()
{
    GameData data;
    data.set(QStringLiteral("a"), QStringLiteral("Ay"), QSize(100, 80), QString());
    data.set(QStringLiteral("b"), QStringLiteral("Bee"), QSize(60, 80), QString());
    QSettings().setValue(QStringLiteral("singleplayer/name"), QStringLiteral("Ann"));
    FakeSoundScope sound;
    Screen2 screen(nullptr);
    QCOMPARE(screen.size(), QSize(800, 600));
    QCOMPARE(screen.name, QStringLiteral("Ann"));
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    // Buttons 100 apart from x 100 at y 180, the chooser 140 below the easy
    // button (icons 80 high: 125 tall), back and start 50 below it.
    QCOMPARE(screen.chooser->pos(), QPoint(10, 370));
    const struct
    {
        QPoint at;
        const char *picture;
        PixButton *button;
    } places[] = {
        {{100, 40}, "name.png", nullptr},         {{300, 120}, "difficulty.png", nullptr},
        {{310, 298}, "set.png", nullptr},         {{100, 180}, "easy-down.png", screen.easyButton},
        {{310, 180}, "medium-up.png", screen.mediumButton}, {{530, 180}, "hard-up.png", screen.hardButton},
        {{10, 545}, "back-up.png", screen.backButton},  {{686, 545}, "start-up.png", screen.startButton},
    };
    const QImage shot = screen.grab().toImage();
    for (const auto &p : places) {
        // Its top left corner exactly there: black just above and to the left.
        QCOMPARE(shot.pixelColor(p.at), GameData::colourOf(p.picture));
        QVERIFY(shot.pixelColor(p.at - QPoint(1, 0)) != shot.pixelColor(p.at));
        QVERIFY(shot.pixelColor(p.at - QPoint(0, 1)) != shot.pixelColor(p.at));
        if (p.button)
            QCOMPARE(p.button->size(), GameData::sizeOf(p.picture));
    }
    for (auto [button, down] : {std::pair(screen.backButton, "back-down.png"), std::pair(screen.startButton, "start-down.png")}) {
        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(screen.grab().toImage().pixelColor(button->pos()), GameData::colourOf(down));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-3, -3));
    }
    QCOMPARE(screen.selectedSet(), screen.chooser->currentDocument());
    QVERIFY(screen.selectedSet());

    // White Sans 20 at its lightest, a bar for the cursor, from (200, 40).
    const QImage expected = textPicture(QSize(600, 40), QRect(0, 0, 780, 40), QFont("Sans", 20, QFont::Thin), Qt::AlignLeft, "Ann|");
    QCOMPARE(differingPixels(shot.copy(200, 40, 600, 40), expected), 0);
}

void TestScreen2::storedDifficultyIsCheckedAndWrittenBack_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("level");
    QTest::newRow("first run") << QVariant() << 1;
    QTest::newRow("medium") << QVariant(2) << 2;
    QTest::newRow("hard") << QVariant(3) << 3;
    QTest::newRow("0") << QVariant(0) << 1;
    QTest::newRow("7") << QVariant(7) << 1;
    QTest::newRow("not a number") << QVariant("hard") << 1;
}

void TestScreen2::storedDifficultyIsCheckedAndWrittenBack()
{
    QFETCH(QVariant, stored);
    QFETCH(int, level);
    GameData data;
    if (stored.isValid())
        QSettings().setValue(QStringLiteral("singleplayer/difficulty"), stored);
    FakeSoundScope sound;
    Screen2 screen(nullptr);
    QVERIFY(screen.isHidden());
    QCOMPARE(QList<bool>({screen.easyButton->isChecked(), screen.mediumButton->isChecked(), screen.hardButton->isChecked()}),
             QList<bool>({level == 1, level == 2, level == 3}));
    QCOMPARE(::stored("difficulty").toInt(), level);
    QCOMPARE(sound.playedEffects(), QStringList({"click"}));
    // Choosing the checked one again keeps it checked, clicks and stores it again.
    PixButton *buttons[] = {screen.easyButton, screen.mediumButton, screen.hardButton};
    QSettings().remove(QStringLiteral("singleplayer/difficulty"));
    QTest::mouseClick(buttons[level - 1], Qt::LeftButton);
    QVERIFY(buttons[level - 1]->isChecked());
    QCOMPARE(::stored("difficulty").toInt(), level);
    QTest::mouseClick(buttons[level % 3], Qt::LeftButton);
    QCOMPARE(::stored("difficulty").toInt(), level % 3 + 1);
    QVERIFY(!buttons[level - 1]->isChecked() && buttons[level % 3]->isChecked());
    QCOMPARE(sound.playedEffects().size(), 3);
}

void TestScreen2::everyKeyEditsTheNameClicksAndStores()
{
    GameData data;
    FakeSoundScope sound;
    Screen2 screen(nullptr);
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    screen.grabKeyboard();
    QWidget *focus = QApplication::focusWidget();
    QSignalSpy start(&screen, &Screen2::startGame);
    QSignalSpy back(&screen, &Screen2::goBack);
    const QList<QPair<Qt::Key, QString>> keys = {{Qt::Key_Backspace, ""}, {Qt::Key_A, "a"}, {Qt::Key_B, "ab"},
        {Qt::Key_Backspace, "a"}, {Qt::Key_C, "ac"}, {Qt::Key_Shift, "ac"}, {Qt::Key_Tab, "ac\t"}, {Qt::Key_Return, "ac\t"},
        {Qt::Key_Escape, "ac\t"}, {Qt::Key_Enter, "ac\t"}};
    int clicks = 1; // the construction's
    for (const auto &[key, name] : keys) { // every key clicks and stores the name as it now stands
        QTest::keyClick(&screen, key);
        QCOMPARE(QVariantList({screen.name, stored("name"), sound.playedEffects().size()}), QVariantList({name, name, ++clicks}));
    }
    QCOMPARE(start.count(), 2);
    QCOMPARE(back.count(), 1);
    // Shift+Tab is typed too (Shift on its own is a key as well), and neither moves the focus.
    QTest::keyClick(&screen, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(sound.playedEffects().size(), clicks + 2);
    QCOMPARE(QApplication::focusWidget(), focus);
    screen.releaseKeyboard();
}

QTEST_MAIN(TestScreen2)
#include "test_screen2.moc"
