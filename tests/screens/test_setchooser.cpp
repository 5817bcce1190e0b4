// ctest-labels: integration
// The row of set icons: what it reads from sets/, how it lays the icons out,
// which set a press picks, and what it makes of hostile files.
#include "game/gameengine.h"
#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"

#include <QDomDocument>
#include <QTest>

class TestSetChooser : public QObject
{
    Q_OBJECT

private slots:
    void rowCentresTheIconsAndAPressPicksByXAlone()
    {
        GameData data;
        FakeSoundScope sound;
        // Set "a" names two icons, 40 and then 100 wide: the second shows, both
        // count. Row: 40 + 100 + 60 + 10 = 210, so it starts at 400 - 105 = 295.
        data.picture(QStringLiteral("sets/a0.png"), QSize(40, 30), Qt::red);
        data.set(QStringLiteral("b"), QStringLiteral("Bee"), QSize(60, 80), QString());
        data.set(QStringLiteral("a"), QStringLiteral("Ay"), QSize(100, 50), QString());
        data.write(QStringLiteral("sets/a.xml"), "<set><icon>a0.png</icon><name>Ay</name><icon>a.png</icon></set>");
        QWidget screen; // the chooser stands at x 10 in the set-up screen
        SetChooser chooser(&screen);
        chooser.move(10, 0);
        QCOMPARE(chooser.size(), QSize(800, 80 + 45));
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        QImage shot = chooser.grab().toImage();
        saveScreenshot(shot, QStringLiteral("screens/chooser"));
        QCOMPARE(shot.pixelColor(345, 10), GameData::colourOf("a")); // chosen: bright
        const QColor b = GameData::colourOf("b"); // the others under black of alpha 100
        QVERIFY(qAbs(shot.pixelColor(435, 10).red() - b.red() * 155 / 255) <= 2);
        QCOMPARE(shot.pixelColor(290, 10), QColor(Qt::black));

        // The chosen set's name, white bold Sans 20, centred in a line as wide
        // as the chooser's right edge in its parent, 10 below the tallest icon.
        const QImage expected = textPicture(QSize(800, 30), QRect(10, 0, 810, 30), QFont("Sans", 20, QFont::Bold),
                                            Qt::AlignCenter, "Ay");
        QCOMPARE(differingPixels(shot.copy(0, 90, 800, 30), expected), 0);

        for (auto [x, selected] : {std::pair(394, 0), std::pair(400, 1), std::pair(470, 1), std::pair(5, 0), std::pair(464, 1)}) {
            QTest::mouseClick(&chooser, Qt::LeftButton, {}, QPoint(x, 70));
            QCOMPARE(chooser.selected, selected);
        }
        QCOMPARE(sound.playedEffects(), QStringList(5, QStringLiteral("click")));
        QCOMPARE(chooser.currentDocument()->documentElement().firstChildElement("name").text(), QStringLiteral("Bee"));
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
        QByteArray laughs = "<!DOCTYPE set [<!ENTITY l0 \"lol\">";
        for (int i = 1; i <= 9; ++i)
            laughs += QStringLiteral("<!ENTITY l%1 \"%2\">").arg(i).arg(QString("&l%1;").arg(i - 1).repeated(10)).toUtf8();
        data.write(QStringLiteral("sets/set200a.xml"), laughs + "]><set><name>&l9;</name><part/></set>");
        // Read whole: 20 000 parts in 10 MB.
        data.write(QStringLiteral("sets/set300a.xml"), "<set><name>set300a</name>"
                   + QByteArray("<part><pos_x>0.5</pos_x></part>").repeated(20000) + "<!--" + QByteArray(10 << 20, 'x') + "--></set>");
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
        QVERIFY(!none.grab().isNull());
    }
};

QTEST_MAIN(TestSetChooser)
#include "test_setchooser.moc"
