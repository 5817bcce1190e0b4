// The set file as the tools write it and read it back: the layout, numbers that read back as the same floats,
// the same reading as the game's engine, and the rule for pieces that one drop point fits.
#include "game/gameengine.h"
#include "game/setformat.h"

#include <QDomDocument>
#include <QRandomGenerator>
#include <QTest>

#include <cstring>

using namespace setformat;

class TestSetFormat : public QObject
{
    Q_OBJECT

private slots:
    void numbersAreWrittenShortestAndReadBackAsTheSameFloat_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("a tenth") << 0.1f << "0.1";
        QTest::newRow("small: no exponent") << 1e-7f << "0.0000001";
        QTest::newRow("not a number: what the game reads") << std::nanf("") << "0";
    }

    void numbersAreWrittenShortestAndReadBackAsTheSameFloat()
    {
        QFETCH(float, value);
        QFETCH(QString, text);
        QCOMPARE(formatNumber(value), text);
    }

    void everyFloatReadsBackBitForBit()
    {
        QRandomGenerator random(7);
        for (int i = 0; i < 200000; ++i) {
            const quint32 bits = random.generate();
            float value, back;
            std::memcpy(&value, &bits, sizeof value);
            const QString text = formatNumber(value);
            back = text.toFloat();
            QVERIFY2(!std::isfinite(value) || std::memcmp(&back, &bits, sizeof back) == 0, qPrintable(text));
        }
    }

    void aSetIsWrittenInItsLayoutAndReadAsTheEngineReadsIt()
    {
        SetFile set;
        set.comment = "Made by hand -- twice";
        set.name = "Bones & <joints>";
        set.icon = "b.png";
        set.tolerance = 0.04;
        set.maker = "torvane-makeset";
        set.towardsHead = "+z";
        set.towardsLeft = "+y";
        set.hasShape = true;
        set.shape = {"bodyparts/b/shape.md2", "Body", {}, {}};
        set.shape.pose.posY = 0.25f;
        set.parts = {{"bodyparts/b/femur.md2", "Femur", {90, 0, -45, 0.1f, -0.2f, 0.3f, 0.5f}, "Os femoris"}};
        const QByteArray bytes = writeSet(set);
        QCOMPARE(bytes, QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                   "<!-- Made by hand - - twice -->\n"
                                   "<set>\n"
                                   "  <name>Bones &amp; &lt;joints&gt;</name>\n"
                                   "  <icon>b.png</icon>\n"
                                   "  <tolerance>0.04</tolerance>\n"
                                   "  <maker>torvane-makeset</maker>\n"
                                   "  <towards_head>+z</towards_head>\n"
                                   "  <towards_left>+y</towards_left>\n"
                                   "  <shape>\n"
                                   "    <name>Body</name>\n"
                                   "    <filename>bodyparts/b/shape.md2</filename>\n"
                                   "    <pos_x>0</pos_x>\n"
                                   "    <pos_y>0.25</pos_y>\n"
                                   "    <pos_z>0</pos_z>\n"
                                   "  </shape>\n"
                                   "  <part>\n"
                                   "    <name>Femur</name>\n"
                                   "    <name_la>Os femoris</name_la>\n"
                                   "    <filename>bodyparts/b/femur.md2</filename>\n"
                                   "    <pos_x>0.1</pos_x>\n"
                                   "    <pos_y>-0.2</pos_y>\n"
                                   "    <pos_z>0.3</pos_z>\n"
                                   "    <rot_x>90</rot_x>\n"
                                   "    <rot_z>-45</rot_z>\n"
                                   "    <scale>0.5</scale>\n"
                                   "  </part>\n"
                                   "</set>\n"));
        QDomDocument document("set");
        QVERIFY(document.setContent(bytes));
        const SetFile back = readSet(document);
        GameEngine engine(&document);
        QCOMPARE(QStringList({back.name, back.maker, back.towardsHead + back.towardsLeft}),
                 QStringList({"Bones & <joints>", "torvane-makeset", "+z+y"}));
        QCOMPARE(QList<double>({back.tolerance, engine.fitTolerance(), back.shape.pose.posY, engine.offsetY}),
                 QList<double>({0.04, 0.04, 0.25, 0.25}));
        QCOMPARE(QStringList({back.parts[0].filename, engine.remaining[0]->fileName, engine.remaining[0]->latinName}),
                 QStringList({"bodyparts/b/femur.md2", "sets/bodyparts/b/femur.md2", "Os femoris"}));
        QCOMPARE(back.shape.latinName, QString()); // an old set without one reads as none
    }

    void oddSetsReadAsTheGameReadsThem()
    {
        QDomDocument document("set");
        QVERIFY(document.setContent(QByteArray("<set><name>A</name><name>B</name><tolerance>-1</tolerance><part>"
                                               "<filename></filename></part><part/></set>")));
        const SetFile set = readSet(document);
        QCOMPARE(set.name, QString("B"));
        QCOMPARE(set.tolerance, 0.1);
        QCOMPARE(set.parts.size(), 2);
        QVERIFY(!set.hasShape);
    }

    void whereTheBodyLiesIsAnAxisOrUnknown_data()
    {
        QTest::addColumn<QString>("children");
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("left");
        const auto dirs = [](const char *head, const char *left) {
            return QString("<towards_head>%1</towards_head><towards_left>%2</towards_left>").arg(head, left);
        };
        QTest::newRow("on its back, head to the player's left") << dirs("-y", "-x") << "-y"
                                                                << "-x";
        QTest::newRow("capitals, words and bare axes: unknown") << dirs("+Y", "left") + "<towards_head>y</towards_head>"
                                                                << ""
                                                                << "";
        QTest::newRow("head and left along one axis: neither") << dirs("+x", "-x") << ""
                                                               << "";
        QTest::newRow("inside a part, not the set's") << "<part>" + dirs("+x", "+y") + "</part>"
                                                      << ""
                                                      << "";
    }

    void whereTheBodyLiesIsAnAxisOrUnknown()
    {
        QFETCH(QString, children);
        QFETCH(QString, head);
        QFETCH(QString, left);
        QDomDocument document("set");
        QVERIFY(document.setContent("<set>" + children + "</set>"));
        const SetFile set = readSet(document);
        QCOMPARE(set.towardsHead, head);
        QCOMPARE(set.towardsLeft, left);
    }

    void onlyTargetsLessThanTwoTolerancesApartOnBothAxesMakeAPair_data()
    {
        QTest::addColumn<QList<QPointF>>("targets");
        QTest::addColumn<QString>("pairs");
        // Tolerance 1/8: two boxes of half-width 1/8 share a point while their centres are less than 1/4 apart.
        QTest::newRow("exactly 1/4 apart on x") << QList<QPointF>{{0, 0}, {0.25, 0}} << "";
        QTest::newRow("just under 1/4 on both") << QList<QPointF>{{0, 0}, {0.2499, 0.2499}} << "0-1";
        QTest::newRow("close on x, apart on y") << QList<QPointF>{{0, 0}, {0.01, 0.3}} << "";
        QTest::newRow("a chain of three") << QList<QPointF>{{0, 0}, {0.2, 0}, {0.4, 0}, {0, 1}} << "0-1 1-2";
    }

    void onlyTargetsLessThanTwoTolerancesApartOnBothAxesMakeAPair()
    {
        QFETCH(QList<QPointF>, targets);
        QFETCH(QString, pairs);
        QStringList found;
        for (const auto &[i, j] : pairsOneDropFits(targets, 0.125))
            found << QString("%1-%2").arg(i).arg(j);
        QCOMPARE(found.join(' '), pairs);
    }

    void theWidestSeparatingToleranceIsHalfTheClosestPairsLargerDistance()
    {
        // Pairs: (0,1) 0.3 apart on x, 0.1 on y; (0,2) 0.5 on y; (1,2) 0.4 on y: the closest is 0.3, half of it 0.15.
        const QList<QPointF> targets = {{0, 0}, {0.3, 0.1}, {0.05, 0.5}};
        QCOMPARE(widestSeparatingTolerance(targets), 0.15);
        QVERIFY(pairsOneDropFits(targets, 0.15).isEmpty());
        QCOMPARE(pairsOneDropFits(targets, 0.1501).size(), 1);
        QVERIFY(std::isinf(widestSeparatingTolerance({{1, 1}})));
    }
};

QTEST_GUILESS_MAIN(TestSetFormat)
#include "test_setformat.moc"
