// ctest-labels: integration
// The row of set icons: what it reads from sets/, how it lays the icons out,
// which set a press picks, and what it makes of hostile files.
#include "game/gameengine.h"
#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"

#include <QDomDocument>
#include <QTest>

namespace {
QStringList names(const SetChooser &chooser)
{
    QStringList list;
    for (const SetChooser::SetEntry &entry : chooser.entries)
        list << entry.name;
    return list;
}
} // namespace

class TestSetChooser : public QObject
{
    Q_OBJECT

private slots:
    void rowCentresTheIconsAndAPressPicksByXAlone();
    void listsReadableSetsInNameOrder();
    void hostileFilesAreSkippedOrReadWithoutHarm_data();
    void hostileFilesAreSkippedOrReadWithoutHarm();
};

void TestSetChooser::rowCentresTheIconsAndAPressPicksByXAlone()
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
    const QImage expected = textPicture(QSize(800, 30), QRect(10, 0, 810, 30), QFont("Sans", 20, QFont::Bold), Qt::AlignCenter, "Ay");
    QCOMPARE(differingPixels(shot.copy(0, 90, 800, 30), expected), 0);

    const struct
    {
        int x, selected;
    } presses[] = {{394, 0}, {400, 1}, {470, 1}, {5, 0}, {464, 1}};
    for (const auto &p : presses) {
        QTest::mouseClick(&chooser, Qt::LeftButton, {}, QPoint(p.x, 70));
        QCOMPARE(chooser.selected, p.selected);
    }
    QCOMPARE(sound.playedEffects(), QStringList(5, QStringLiteral("click")));
    QCOMPARE(chooser.currentDocument()->documentElement().firstChildElement("name").text(), QStringLiteral("Bee"));
}

void TestSetChooser::listsReadableSetsInNameOrder()
{
    GameData data;
    QStringList expected;
    for (int i = 0; i < 500; ++i) {
        // Mixed case: the order ignores it.
        const QString name = QString(i % 2 ? "SET%1" : "set%1").arg(i, 3, 10, QLatin1Char('0'));
        data.write("sets/" + name + ".xml", "<set><name>" + name.toUtf8() + "</name></set>");
        expected << name;
    }
    data.write(QStringLiteral("sets/set250a.xml"), "<set><name>broken"); // not well-formed
    data.write(QStringLiteral("sets/x.xml/inner.xml"), "<set/>");      // a folder, not a set
    data.write(QStringLiteral("sets/set250b.txt"), "<set/>");
    SetChooser chooser(nullptr);
    QCOMPARE(names(chooser), expected);
    QCOMPARE(chooser.rowWidth, 499 * 10); // no icons: only the gaps
    QCOMPARE(chooser.height(), 45);

    GameData empty;
    SetChooser none(nullptr);
    QCOMPARE(none.currentDocument(), nullptr);
    QVERIFY(!none.grab().isNull());
}

void TestSetChooser::hostileFilesAreSkippedOrReadWithoutHarm_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("parts"); // -1: skipped
    QTest::newRow("nested 100 000 deep") << QByteArray("<set>") + QByteArray("<a>").repeated(100000) << -1;
    QByteArray laughs = "<!DOCTYPE set [<!ENTITY l0 \"lol\">";
    for (int i = 1; i <= 9; ++i)
        laughs += QStringLiteral("<!ENTITY l%1 \"%2\">").arg(i).arg(QString("&l%1;").arg(i - 1).repeated(10)).toUtf8();
    QTest::newRow("billion laughs") << laughs + "]><set><name>&l9;</name><part/></set>" << -1; // the parser refuses it
    QTest::newRow("20 000 parts in 10 MB")
        << "<set><name>Big</name>" + QByteArray("<part><pos_x>0.5</pos_x></part>").repeated(20000) + "<!--"
               + QByteArray(10 << 20, 'x') + "--></set>"
        << 20000;
}

void TestSetChooser::hostileFilesAreSkippedOrReadWithoutHarm()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, parts);
    GameData data;
    data.write(QStringLiteral("sets/a.xml"), "<set><name>First</name></set>");
    data.write(QStringLiteral("sets/m.xml"), xml);
    data.write(QStringLiteral("sets/z.xml"), "<set><name>Last</name></set>");
    SetChooser chooser(nullptr);
    QCOMPARE(chooser.entries.size(), parts < 0 ? 2 : 3);
    QCOMPARE(chooser.entries.first().name, QStringLiteral("First"));
    QCOMPARE(chooser.entries.last().name, QStringLiteral("Last"));
    if (parts >= 0) {
        GameEngine engine(chooser.entries[1].document);
        QCOMPARE(engine.remaining.size(), parts);
        // Nothing read from the file may swell far beyond its size on disk.
        QVERIFY(chooser.entries[1].name.size() < 1000 * xml.size());
    }
}

QTEST_MAIN(TestSetChooser)
#include "test_setchooser.moc"
