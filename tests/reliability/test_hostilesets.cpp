#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "screens/setchooser.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Set files are whatever the player drops into "sets/": the chooser and the
// engine must list what they can read and skip the rest, never crash, hang or
// swell without bound.

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(content), content.size());
}

QStringList namesOf(const SetChooser &chooser)
{
    QStringList names;
    for (const SetChooser::SetEntry &entry : chooser.entries)
        names << entry.name;
    return names;
}

// A few real-looking sets around the hostile one show that it neither stops
// the scan nor shifts the others.
void writeNeighbours()
{
    writeFile("sets/aaa.xml", "<set><name>First</name><part/></set>");
    writeFile("sets/zzz.xml", "<set><name>Last</name><part/><part/></set>");
}

QByteArray repeated(const QByteArray &piece, int times)
{
    QByteArray out;
    out.reserve(piece.size() * times);
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

} // namespace

class TestHostileSets : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir::setCurrent(dir->path()));
        QVERIFY(QDir().mkdir("sets"));
    }

    void cleanup()
    {
        QDir::setCurrent(QDir::tempPath());
        dir.reset();
    }

    void fiveHundredSetsAreAllListedInNameOrder()
    {
        QImage icon(3, 2, QImage::Format_RGB32);
        icon.fill(Qt::white);
        QVERIFY(icon.save("sets/icon.png"));
        QStringList expected;
        for (int i = 0; i < 500; ++i) {
            // Mixed case: the order ignores it.
            const QString name = (i % 2 ? QStringLiteral("SET%1") : QStringLiteral("set%1")).arg(i, 3, 10, QLatin1Char('0'));
            writeFile("sets/" + name + ".xml", "<set><name>" + name.toUtf8() + "</name><icon>icon.png</icon></set>");
            expected << name;
        }
        // A directory that looks like a set, with a set inside it, is passed over.
        QVERIFY(QDir().mkpath("sets/x.xml"));
        writeFile("sets/x.xml/inner.xml", "<set><name>inner</name></set>");
        writeFile("sets/set250a.xml", "<set><name>broken"); // not well-formed: skipped

        SetChooser chooser(nullptr);
        QCOMPARE(namesOf(chooser), expected);
        QCOMPARE(chooser.rowWidth, 500 * 3 + 499 * 10);
        QCOMPARE(chooser.maxIconHeight, 2);
        for (const SetChooser::SetEntry &entry : chooser.entries)
            QVERIFY(entry.document != nullptr);

        // The last icon is far off the widget; a press there still finds it.
        chooser.selected = 499;
        QCOMPARE(chooser.currentDocument()->documentElement().firstChildElement("name").text(), QString("SET499"));
        QVERIFY(!chooser.grab().isNull());
    }

    // The file is read whole into memory by the parser; the point is that a
    // file this size is neither fatal nor endless, so no time is asserted.
    void fiftyMegabyteSetIsReadLikeAnyOther()
    {
        writeNeighbours();
        const int partCount = 20000;
        QByteArray xml = "<?xml version=\"1.0\"?>\n<set><name>Big</name>\n";
        xml += repeated("<part><filename>bodyparts/heart.md2</filename><pos_x>0.05</pos_x><pos_y>0.3</pos_y></part>\n",
                        partCount);
        xml += "<!--" + QByteArray(50 * 1024 * 1024 - xml.size(), 'x') + "-->\n";
        xml += "<shape><pos_y>0.2</pos_y></shape></set>\n";
        QVERIFY(xml.size() > 50 * 1024 * 1024);
        writeFile("sets/big.xml", xml);
        xml.clear();

        SetChooser chooser(nullptr);
        QCOMPARE(namesOf(chooser), QStringList({"First", "Big", "Last"}));
        chooser.selected = 1;
        GameEngine engine(chooser.currentDocument());
        QCOMPARE(engine.remaining.size(), partCount);
        QCOMPARE(engine.remaining.last()->fileName, QString("sets/bodyparts/heart.md2"));
        QCOMPARE(engine.offsetY, 0.2f);
        QVERIFY(!chooser.grab().isNull());
    }

    void fiftyMegabyteNameDoesNotStopTheChooser()
    {
        writeNeighbours();
        writeFile("sets/longname.xml", "<set><name>" + QByteArray(50 * 1024 * 1024, 'W') + "</name><part/></set>");

        SetChooser chooser(nullptr);
        QCOMPARE(chooser.entries.size(), 3);
        QCOMPARE(chooser.entries.at(1).name.size(), 50 * 1024 * 1024);
        QVERIFY(!chooser.grab().isNull());
    }

    // Entities that expand to gigabytes ("billion laughs") or a large entity
    // repeated many times (quadratic blow-up): the set is refused or read
    // with its text kept small.
    void entityExpansionStaysBounded_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE set [\n <!ENTITY l0 \"lol\">\n";
        for (int i = 1; i <= 9; ++i)
            laughs += QStringLiteral(" <!ENTITY l%1 \"%2\">\n").arg(i).arg(QString("&l%1;").arg(i - 1).repeated(10)).toUtf8();
        laughs += "]>\n<set><name>&l9;</name><part><filename>&l9;</filename></part></set>\n";
        QTest::newRow("billion laughs") << laughs;

        QByteArray quadratic = "<?xml version=\"1.0\"?>\n<!DOCTYPE set [<!ENTITY big \"" + QByteArray(4000, 'q')
            + "\">]>\n<set><name>" + repeated("&big;", 200000) + "</name></set>\n";
        QTest::newRow("quadratic blow-up") << quadratic;
    }

    void entityExpansionStaysBounded()
    {
        QFETCH(QByteArray, xml);
        writeNeighbours();
        writeFile("sets/laughs.xml", xml);

        SetChooser chooser(nullptr);
        QVERIFY(chooser.entries.size() == 2 || chooser.entries.size() == 3);
        QCOMPARE(chooser.entries.first().name, QString("First"));
        QCOMPARE(chooser.entries.last().name, QString("Last"));
        // Read or not, nothing that came from the file may have swollen a
        // thousandfold beyond its size on disk.
        for (const SetChooser::SetEntry &entry : chooser.entries) {
            QVERIFY(entry.name.size() < 1000 * xml.size());
            GameEngine engine(entry.document);
            for (const PieceRecord *piece : std::as_const(engine.remaining))
                QVERIFY(piece->fileName.size() < 1000 * xml.size());
        }
    }

    // Each piece element turns into one record; a set may hold many, and
    // the text of a key may be anything.
    void oddKeyValuesGiveDefinedRecords()
    {
        writeFile("sets/odd.xml",
                  "<set><name>Odd</name>"
                  "<part><pos_x>1e39</pos_x><pos_y>nan</pos_y><pos_z>-0x10</pos_z><scale>inf</scale>"
                  "<rot_x>" + QByteArray(100000, '9') + "</rot_x><filename>\xe2\x80\x8f\xf0\x9f\x92\x80.md2</filename></part>"
                  "<part><filename/></part>"
                  "<shape><pos_x>-1e39</pos_x></shape></set>");
        SetChooser chooser(nullptr);
        QCOMPARE(chooser.entries.size(), 1);
        GameEngine engine(chooser.currentDocument());
        QCOMPARE(engine.remaining.size(), 2);
        const PieceRecord *odd = engine.remaining.at(0);
        // QString::toFloat gives 0 for anything out of float range or not a plain number.
        QCOMPARE(odd->posX(), 0.0f);
        QCOMPARE(odd->posY(), 0.0f);
        QCOMPARE(odd->posZ(), 0.0f);
        QCOMPARE(odd->rotX(), 0.0f);
        QCOMPARE(odd->scale(), 0.0f);
        QCOMPARE(odd->fileName, QString::fromUtf8("sets/\xe2\x80\x8f\xf0\x9f\x92\x80.md2"));
        QCOMPARE(engine.remaining.at(1)->fileName, QString("sets/"));
        QCOMPARE(engine.offsetX, 0.0f);

        // No drop point, not even NaN or infinity, fits a piece whose target is the origin by accident.
        engine.takePiece(0);
        engine.tryFit(qQNaN(), qQNaN());
        engine.tryFit(qInf(), -qInf());
        QCOMPARE(engine.placed.size(), 0);
        engine.tryFit(0.0f, 0.0f);
        QCOMPARE(engine.placed.size(), 1);
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
};

QTEST_MAIN(TestHostileSets)
#include "test_hostilesets.moc"
