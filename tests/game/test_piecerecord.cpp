#include "game/piecerecord.h"

#include <QDomDocument>
#include <QTest>

namespace {

// The record read from one "part" element written out as XML.
struct Parsed
{
    QDomDocument document{QStringLiteral("set")};
    QDomElement element;

    explicit Parsed(const QString &partXml)
    {
        const bool ok = bool(document.setContent(QStringLiteral("<set>%1</set>").arg(partXml)));
        Q_ASSERT(ok);
        element = document.documentElement().firstChildElement();
    }
};

} // namespace

class TestPieceRecord : public QObject
{
    Q_OBJECT

private slots:
    void emptyPartSitsAtTheShapeUnrotatedAndUnscaled()
    {
        Parsed parsed(QStringLiteral("<part/>"));
        const PieceRecord record(parsed.element);
        QCOMPARE(record.fileName, QString());
        QCOMPARE(record.posX(), 0.0f);
        QCOMPARE(record.posY(), 0.0f);
        QCOMPARE(record.posZ(), 0.0f);
        QCOMPARE(record.rotX(), 0.0f);
        QCOMPARE(record.rotY(), 0.0f);
        QCOMPARE(record.rotZ(), 0.0f);
        QCOMPARE(record.scale(), 1.0f);
        QCOMPARE(record.displayList, GLuint(0));
        QVERIFY(record.particle == nullptr);
        QCOMPARE(record.halfSizeX(), 0.0f);
    }

    void eachKeyFillsItsOwnField()
    {
        Parsed parsed(QStringLiteral(
            "<part><filename>bodyparts/heart.md2</filename>"
            "<rot_x>10</rot_x><rot_y>90</rot_y><rot_z>-45.5</rot_z>"
            "<pos_x>0.05</pos_x><pos_y>0.3</pos_y><pos_z>-1e-1</pos_z>"
            "<scale>0.5</scale></part>"));
        const PieceRecord record(parsed.element);
        QCOMPARE(record.fileName, QStringLiteral("sets/bodyparts/heart.md2"));
        QCOMPARE(record.rotX(), 10.0f);
        QCOMPARE(record.rotY(), 90.0f);
        QCOMPARE(record.rotZ(), -45.5f);
        QCOMPARE(record.posX(), 0.05f);
        QCOMPARE(record.posY(), 0.3f);
        QCOMPARE(record.posZ(), -0.1f);
        QCOMPARE(record.scale(), 0.5f);
    }

    void valuesConvertAsPlainNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value");

        QTest::newRow("decimal point") << QStringLiteral("0.5") << 0.5f;
        QTest::newRow("decimal comma reads as 0") << QStringLiteral("0,5") << 0.0f;
        QTest::newRow("surrounding blanks") << QStringLiteral(" 2 ") << 2.0f;
        QTest::newRow("exponent") << QStringLiteral("2.5e2") << 250.0f;
        QTest::newRow("words read as 0") << QStringLiteral("left") << 0.0f;
        QTest::newRow("empty reads as 0") << QString() << 0.0f;
        QTest::newRow("unit suffix reads as 0") << QStringLiteral("3cm") << 0.0f;
    }

    void valuesConvertAsPlainNumbers()
    {
        QFETCH(QString, text);
        QFETCH(float, value);
        Parsed parsed(QStringLiteral("<part><pos_x>%1</pos_x><scale>%1</scale></part>").arg(text));
        const PieceRecord record(parsed.element);
        QCOMPARE(record.posX(), value);
        QCOMPARE(record.scale(), value); // even scale: a bad value is 0, not the default 1
    }

    void theLastOfRepeatedKeysCounts()
    {
        Parsed parsed(QStringLiteral("<part><rot_z>10</rot_z><filename>a.md2</filename>"
                                     "<rot_z>20</rot_z><filename>b.md2</filename></part>"));
        const PieceRecord record(parsed.element);
        QCOMPARE(record.rotZ(), 20.0f);
        QCOMPARE(record.fileName, QStringLiteral("sets/b.md2"));
    }

    void commentsTextAndUnknownChildrenAreSkipped()
    {
        Parsed parsed(QStringLiteral("<part>loose text<!-- <pos_x>9</pos_x> -->"
                                     "<pos_x>1</pos_x><!-- note --><POS_Y>7</POS_Y><colour>red</colour>"
                                     "<extra><pos_z>5</pos_z></extra><pos_y>2</pos_y></part>"));
        const PieceRecord record(parsed.element);
        QCOMPARE(record.posX(), 1.0f);
        QCOMPARE(record.posY(), 2.0f); // tag names are case-sensitive
        QCOMPARE(record.posZ(), 0.0f); // only direct children count
    }

    void modelPathGetsTheSetsPrefixAsItStands()
    {
        Parsed parsed(QStringLiteral("<part><filename>bodyparts/a.md2</filename></part>"));
        QCOMPARE(PieceRecord(parsed.element).fileName, QStringLiteral("sets/bodyparts/a.md2"));

        Parsed slash(QStringLiteral("<part><filename>/x.md2</filename></part>"));
        QCOMPARE(PieceRecord(slash.element).fileName, QStringLiteral("sets//x.md2"));

        Parsed empty(QStringLiteral("<part><filename></filename></part>"));
        QCOMPARE(PieceRecord(empty.element).fileName, QStringLiteral("sets/"));
    }

    void nestedElementTextIsTheValue()
    {
        // text() gathers all descendant text, so markup inside a value is ignored.
        Parsed parsed(QStringLiteral("<part><pos_x><b>1</b>.5</pos_x></part>"));
        QCOMPARE(PieceRecord(parsed.element).posX(), 1.5f);
    }
};

QTEST_MAIN(TestPieceRecord)
#include "test_piecerecord.moc"
