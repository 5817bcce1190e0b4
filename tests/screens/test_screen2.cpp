// ctest-labels: integration
// The set-up screen: its layout, the stored name and difficulty, typed keys.
#include "screens/screen2.h"
#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"
#include "widgets/pixbutton.h"

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

    void picturesStandInTheirPlacesAndTheNameIsWrittenBeside()
    {
        GameData data;
        data.set(QStringLiteral("a"), QStringLiteral("Ay"), QSize(100, 80), QString());
        data.set(QStringLiteral("b"), QStringLiteral("Bee"), QSize(60, 80), QString());
        QSettings().setValue(QStringLiteral("singleplayer/name"), QStringLiteral("Ann"));
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        // Buttons 100 apart from x 100 at y 180, the chooser 140 below the easy
        // button (icons 80 high: 125 tall), back and start 50 below it.
        QCOMPARE(screen.chooser->pos(), QPoint(10, 370));
        const QImage shot = screen.grab().toImage();
        for (auto [at, picture] : {std::pair(QPoint(100, 40), "name.png"), std::pair(QPoint(300, 120), "difficulty.png"),
                                   std::pair(QPoint(310, 298), "set.png"), std::pair(QPoint(100, 180), "easy-down.png"),
                                   std::pair(QPoint(310, 180), "medium-up.png"), std::pair(QPoint(530, 180), "hard-up.png"),
                                   std::pair(QPoint(10, 545), "back-up.png"), std::pair(QPoint(686, 545), "start-up.png")}) {
            // Its top left corner exactly there: another colour just above and to the left.
            const QColor colour = shot.pixelColor(at);
            QCOMPARE(colour, GameData::colourOf(picture));
            QVERIFY(shot.pixelColor(at - QPoint(1, 0)) != colour && shot.pixelColor(at - QPoint(0, 1)) != colour);
        }
        for (auto [button, down] : {std::pair(screen.backButton, "back-down.png"), std::pair(screen.startButton, "start-down.png")}) {
            QTest::mousePress(button, Qt::LeftButton);
            QCOMPARE(screen.grab().toImage().pixelColor(button->pos()), GameData::colourOf(down));
            QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-3, -3));
        }
        // White Sans 20 at its lightest, a bar for the cursor, from (200, 40).
        const QImage expected = textPicture(QSize(600, 40), QRect(0, 0, 780, 40), QFont("Sans", 20, QFont::Thin), Qt::AlignLeft, "Ann|");
        QCOMPARE(differingPixels(shot.copy(200, 40, 600, 40), expected), 0);
    }

    void storedDifficultyIsCheckedAndWrittenBack()
    {
        GameData data;
        const char *pressed[] = {"easy-down.png", "medium-down.png", "hard-down.png"};
        for (auto [stored, level] : {std::pair(QVariant(), 1), std::pair(QVariant(2), 2), std::pair(QVariant(3), 3),
                                     std::pair(QVariant(0), 1), std::pair(QVariant(7), 1), std::pair(QVariant("hard"), 1)}) {
            QSettings().remove(QStringLiteral("singleplayer/difficulty"));
            if (stored.isValid())
                QSettings().setValue(QStringLiteral("singleplayer/difficulty"), stored);
            FakeSoundScope sound;
            Screen2 screen(nullptr);
            PixButton *buttons[] = {screen.easyButton, screen.mediumButton, screen.hardButton};
            // One button checked, showing its pressed picture, and its level stored.
            const auto chosen = [&](int level) {
                QCOMPARE(QList<bool>({buttons[0]->isChecked(), buttons[1]->isChecked(), buttons[2]->isChecked()}),
                         QList<bool>({level == 1, level == 2, level == 3}));
                QCOMPARE(screen.grab().toImage().pixelColor(buttons[level - 1]->pos()), GameData::colourOf(pressed[level - 1]));
                QCOMPARE(::stored("difficulty").toInt(), level);
            };
            chosen(level);
            // Choosing the checked one again keeps it checked, clicks and stores it again.
            QSettings().remove(QStringLiteral("singleplayer/difficulty"));
            QTest::mouseClick(buttons[level - 1], Qt::LeftButton);
            chosen(level);
            QTest::mouseClick(buttons[level % 3], Qt::LeftButton);
            chosen(level % 3 + 1);
            QCOMPARE(sound.playedEffects(), QStringList(3, QStringLiteral("click"))); // the construction's and two
        }
    }

    void everyKeyEditsTheNameClicksAndStores()
    {
        GameData data;
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        screen.grabKeyboard();
        QWidget *focus = QApplication::focusWidget();
        QSignalSpy start(&screen, &Screen2::startGame), back(&screen, &Screen2::goBack);
        const QList<QPair<Qt::Key, QString>> keys = {{Qt::Key_Backspace, ""}, {Qt::Key_A, "a"}, {Qt::Key_B, "ab"},
            {Qt::Key_Backspace, "a"}, {Qt::Key_C, "ac"}, {Qt::Key_Shift, "ac"}, {Qt::Key_Tab, "ac\t"}, {Qt::Key_Return, "ac\t"},
            {Qt::Key_Escape, "ac\t"}, {Qt::Key_Enter, "ac\t"}};
        int clicks = 1; // the construction's
        for (const auto &[key, name] : keys) { // every key clicks and stores the name as it now stands
            QTest::keyClick(&screen, key);
            QCOMPARE(QVariantList({screen.name, stored("name"), sound.playedEffects().size()}), QVariantList({name, name, ++clicks}));
        }
        QCOMPARE(QList<int>({int(start.count()), int(back.count())}), QList<int>({2, 1}));
        // Shift+Tab is typed too (Shift on its own is a key as well), and neither moves the focus.
        QTest::keyClick(&screen, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(sound.playedEffects().size(), clicks + 2);
        QCOMPARE(QApplication::focusWidget(), focus);
        screen.releaseKeyboard();
    }
};

QTEST_MAIN(TestScreen2)
#include "test_screen2.moc"
