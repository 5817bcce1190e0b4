// ctest-labels: integration
// The set-up screen: the stored name and difficulty, typed keys, which set a press picks, which sets are read.
#include "game/gameengine.h"
#include "screens/screen2.h"
#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"
#include "widgets/pixbutton.h"

#include <QDomDocument>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

namespace {
QVariant stored(const char *key)
{
    return QSettings().value(QStringLiteral("singleplayer/") + QLatin1String(key));
}

// A row of 120 x 96 icons 10 apart, red and blue by turns. Empty when set `chosen` alone is bright and
// whole, the others veiled (black of alpha 100), its name under the row, a light mark at each cut end.
QString rowShows(SetChooser *chooser, int count, int chosen, int *left = nullptr, QPoint *rightMark = nullptr)
{
    const QImage row = chooser->grab().toImage().copy(0, 0, 790, 141);
    const auto of = [](QRgb c, int k) { // set k's colour, bright or veiled
        const int own = k % 2 ? qRed(c) : qBlue(c);
        return qGreen(c) + (k % 2 ? qBlue(c) : qRed(c)) == 0 && (own == 255 || qAbs(own - 155) <= 2);
    };
    QRect marks[2], bright;
    for (int i = 0; i < 790 * 96; ++i) {
        const QPoint p(i % 790, i / 790);
        marks[p.x() >= 395] |= qGray(row.pixel(p)) > 200 ? QRect(p, p) : QRect(); // nothing else is light
        bright |=
            of(row.pixel(p), chosen) && qMax(qRed(row.pixel(p)), qBlue(row.pixel(p))) == 255 ? QRect(p, p) : QRect();
    }
    const auto whole = [&](int k) {
        for (int x = bright.left() + (k - chosen) * 130, end = x + 120; x < end; ++x)
            if (x < 0 || x >= 790 || !of(row.pixel(x, 48), k))
                return false;
        return true;
    };
    if (bright.size() != QSize(120, 96) || marks[0].isEmpty() == !whole(0) || marks[1].isEmpty() == !whole(count - 1))
        return QStringLiteral("set %1 chosen: %2, marks %3 %4")
            .arg(chosen)
            .arg(QDebug::toString(bright))
            .arg(!marks[0].isEmpty())
            .arg(!marks[1].isEmpty());
    if (left && rightMark)
        std::tie(*left, *rightMark) = std::pair(bright.left(), marks[1].center());
    const QImage name = textPicture({790, 30}, {10, 0, 810, 30}, QFont("Sans", 20, QFont::Bold), Qt::AlignCenter,
                                    QStringLiteral("Set %1").arg(chosen));
    return differingPixels(row.copy(0, 106, 790, 30), name) ? QStringLiteral("not named: %1").arg(chosen) : QString();
}
} // namespace

class TestScreen2 : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useTheGamesSettings(); }

private slots:
    void init() { QSettings().clear(); }

    void theStoredNameShowsAndAPressOnTheRowPicksASetByXAlone()
    {
        GameData data;
        // Set "a" names two icons, 40 and then 100 wide: the second shows, both
        // count. Row: 40 + 100 + 60 + 10 = 210, so it starts at 400 - 105 = 295.
        data.picture(QStringLiteral("sets/a0.png"), QSize(40, 30), Qt::red);
        data.set(QStringLiteral("b"), QStringLiteral("Bee"), QSize(60, 80), QString());
        data.set(QStringLiteral("a"), QStringLiteral("Ay"), QSize(100, 50), QString());
        data.write(QStringLiteral("sets/a.xml"), "<set><icon>a0.png</icon><name>Ay</name><icon>a.png</icon></set>");
        QSettings().setValue(QStringLiteral("singleplayer/name"), QStringLiteral("Ann"));
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        const QImage shot = screen.grab().toImage();
        // The name: white Sans 20 at its lightest, a bar for the cursor, from (200, 40).
        const QImage typed =
            textPicture(QSize(600, 40), QRect(0, 0, 780, 40), QFont("Sans", 20, QFont::Thin), Qt::AlignLeft, "Ann|");
        QCOMPARE(differingPixels(shot.copy(200, 40, 600, 40), typed), 0);

        QCOMPARE(screen.chooser->grab().toImage().pixelColor(345, 10), GameData::colourOf("a")); // chosen: bright
        const int clicks = int(sound.playedEffects().size());
        for (auto [x, selected] :
             {std::pair(394, 0), std::pair(400, 1), std::pair(470, 1), std::pair(5, 0), std::pair(464, 1)}) {
            QTest::mouseClick(screen.chooser, Qt::LeftButton, {}, QPoint(x, 70));
            QCOMPARE(screen.chooser->selected, selected);
        }
        QCOMPARE(sound.playedEffects().mid(clicks), QStringList(5, QStringLiteral("click")));
        QCOMPARE(screen.selectedSet()->documentElement().firstChildElement("name").text(), QStringLiteral("Bee"));
    }

    void everySetOfALongRowCanBeChosenByKeysAndByMouseAndStarted_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("9 sets: 1160 pixels") << 9;
        QTest::newRow("40 sets") << 40;
    }

    void everySetOfALongRowCanBeChosenByKeysAndByMouseAndStarted()
    {
        QFETCH(int, count);
        GameData data;
        for (int k = 0; k < count; ++k) {
            const QString base = QStringLiteral("s%1").arg(k, 2, 10, QLatin1Char('0'));
            data.set(base, QStringLiteral("Set %1").arg(k), QSize(120, 96), QString());
            data.picture("sets/" + base + ".png", QSize(120, 96), k % 2 ? Qt::red : Qt::blue);
        }
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        screen.grabKeyboard();
        QSignalSpy start(&screen, &Screen2::startGame);
        QWindow *keys = screen.windowHandle(); // delivered as the window system does, to the grabber
        QCOMPARE(rowShows(screen.chooser, count, 0), QString());
        // The arrows choose the set beside, held at both ends, and type nothing.
        for (int k = -1; k <= count; ++k) {
            QTest::keyClick(keys, k < 0 ? Qt::Key_Left : Qt::Key_Right);
            QCOMPARE(rowShows(screen.chooser, count, qBound(0, k + 1, count - 1)), QString());
            if (k == count / 2)
                saveScreenshot(screen.grab().toImage(), QStringLiteral("screens/setup-%1-sets").arg(count));
        }
        QTest::keyClick(keys, Qt::Key_Return);
        QCOMPARE(start.count(), 1);
        QCOMPARE(QVariantList({screen.selectedSet()->documentElement().firstChildElement("name").text(), screen.name,
                               stored("name")}),
                 QVariantList({QStringLiteral("Set %1").arg(count - 1), "", ""}));
        // Back by a press just left of the chosen icon (on the set before), then on by the mark at the right end.
        const int clicks = int(sound.playedEffects().size());
        int left = 0;
        QPoint mark;
        for (int press = 0; press <= 2 * count - 2; ++press) {
            const bool back = press < count - 1;
            QCOMPARE(rowShows(screen.chooser, count, back ? count - 1 - press : press - count + 1, &left, &mark),
                     QString());
            if (press < 2 * count - 2)
                QTest::mouseClick(screen.chooser, Qt::LeftButton, {}, back ? QPoint(left - 20, 48) : mark);
        }
        QCOMPARE(sound.playedEffects().size(), clicks + 2 * (count - 1));
        // A notch of the wheel away from the player goes back a set, towards them on (but not past the last).
        for (auto [angle, chosen] :
             {std::pair(120, count - 2), std::pair(-120, count - 1), std::pair(-120, count - 1)}) {
            QWheelEvent wheel(QPointF(400, 48), screen.chooser->mapToGlobal(QPointF(400, 48)), {}, QPoint(0, angle), {},
                              {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(screen.chooser, &wheel);
            QCOMPARE(rowShows(screen.chooser, count, chosen), QString());
        }
    }

    void storedDifficultyIsCheckedAndWrittenBack()
    {
        GameData data;
        const char *pressed[] = {"easy-down.png", "medium-down.png", "hard-down.png"};
        for (auto [stored, level] : {std::pair(QVariant(), 1), std::pair(QVariant(2), 2), std::pair(QVariant(3), 3),
                                     std::pair(QVariant(7), 1), std::pair(QVariant("hard"), 1)}) {
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
                QCOMPARE(screen.grab().toImage().pixelColor(buttons[level - 1]->pos()),
                         GameData::colourOf(pressed[level - 1]));
                QCOMPARE(::stored("difficulty").toInt(), level);
            };
            chosen(level);
            QTest::mouseClick(buttons[level % 3], Qt::LeftButton);
            chosen(level % 3 + 1);
            QCOMPARE(sound.playedEffects(), QStringList(2, QStringLiteral("click"))); // the construction's and one
        }
    }

    void lineUnderTheDifficultiesSaysWhatTheChosenOneGives()
    {
        GameData data;
        FakeSoundScope sound;
        Screen2 screen(nullptr);
        const int top = 180 + 58 + 12;                        // 12 under the hard button
        const auto ink = [](const QImage &image, int level) { // the letters' shape, whatever their grey
            QList<bool> lit;
            for (int i = 0; i < image.width() * image.height(); ++i)
                lit << (qGray(image.pixel(i % image.width(), i / image.width())) > level);
            return lit;
        };
        for (auto [button, text] :
             {std::pair(screen.hardButton, "Names only once a piece fits, then you name it; no hints"),
              std::pair(screen.easyButton, "Every piece named; after a miss its place is shown"),
              std::pair(screen.mediumButton, "Every piece named; after 3 misses its place is shown")}) {
            QTest::mouseClick(button, Qt::LeftButton);
            const QImage want =
                textPicture({800, 30}, {0, 0, 800, 30}, QFont("Sans", 13), Qt::AlignHCenter | Qt::AlignTop, text);
            QVERIFY2(ink(screen.grab().toImage().copy(0, top, 800, 30), 80) == ink(want, 102), text);
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
        const QList<QPair<Qt::Key, QString>> keys = {
            {Qt::Key_Backspace, ""},  {Qt::Key_A, "a"},       {Qt::Key_B, "ab"},     {Qt::Key_Backspace, "a"},
            {Qt::Key_C, "ac"},        {Qt::Key_Shift, "ac"},  {Qt::Key_Tab, "ac\t"}, {Qt::Key_Return, "ac\t"},
            {Qt::Key_Escape, "ac\t"}, {Qt::Key_Enter, "ac\t"}};
        int clicks = 1;                        // the construction's
        for (const auto &[key, name] : keys) { // every key clicks and stores the name as it now stands
            QTest::keyClick(&screen, key);
            QCOMPARE(QVariantList({screen.name, stored("name"), sound.playedEffects().size()}),
                     QVariantList({name, name, ++clicks}));
        }
        QCOMPARE(QList<int>({int(start.count()), int(back.count())}), QList<int>({2, 1}));
        // Shift+Tab is typed too (Shift on its own is a key as well), and neither moves the focus.
        QTest::keyClick(&screen, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(sound.playedEffects().size(), clicks + 2);
        QCOMPARE(QApplication::focusWidget(), focus);
    }

    void listsReadableSetsInNameOrderAndSkipsHostileOnes()
    {
        GameData data;
        QStringList expected;
        for (int i = 0; i < 500; ++i) {
            // Mixed case: the order ignores it.
            const QString name = QString(i % 2 ? "SET%1" : "set%1").arg(i, 3, 10, QLatin1Char('0'));
            data.write("sets/" + name + ".xml", "<set><name>" + name.toUtf8() + "</name></set>");
            expected << name;
        }
        // Skipped: not well-formed, a folder, not .xml, nested 100 000 deep, a billion laughs (the parser refuses it).
        data.write(QStringLiteral("sets/set250a.xml"), "<set><name>broken");
        data.write(QStringLiteral("sets/x.xml/inner.xml"), "<set/>");
        data.write(QStringLiteral("sets/set250b.txt"), "<set/>");
        data.write(QStringLiteral("sets/set100a.xml"), "<set>" + QByteArray("<a>").repeated(100000));
        QByteArray lol = "<!DOCTYPE set [<!ENTITY l0 \"lol\">";
        for (int i = 1; i <= 9; ++i)
            lol += QStringLiteral("<!ENTITY l%1 \"%2\">").arg(i).arg(QString("&l%1;").arg(i - 1).repeated(10)).toUtf8();
        data.write(QStringLiteral("sets/set200a.xml"), lol + "]><set><name>&l9;</name><part/></set>");
        // Read whole: 20 000 parts in 10 MB.
        const QByteArray big =
            "<set><name>set300a</name>" + QByteArray("<part><pos_x>0.5</pos_x></part>").repeated(20000);
        data.write(QStringLiteral("sets/set300a.xml"), big + "<!--" + QByteArray(10 << 20, 'x') + "--></set>");
        expected.insert(301, QStringLiteral("set300a"));
        SetChooser chooser(nullptr);
        QStringList names;
        for (const SetChooser::SetEntry &entry : chooser.entries)
            names << entry.name;
        QCOMPARE(names, expected);
        QCOMPARE(chooser.rowWidth, 500 * 10); // no icons: only the gaps
        QCOMPARE(chooser.height(), 45);
        QCOMPARE(GameEngine(chooser.entries[301].document).remaining.size(), 20000);

        GameData empty;
        SetChooser none(nullptr);
        QCOMPARE(none.currentDocument(), nullptr);
    }
};

QTEST_MAIN(TestScreen2)
#include "test_screen2.moc"
