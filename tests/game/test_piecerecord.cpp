// Reading a piece's keys from its set-file element, and its name in the language the player chose.
#include "game/piecenames.h"
#include "game/piecerecord.h"

#include <QDomDocument>
#include <QTest>

class TestPieceRecord : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryKeyWithItsDefault_data()
    {
        QTest::addColumn<QString>("children");
        QTest::addColumn<QList<float>>("pose"); // rot x y z, pos x y z, scale
        QTest::addColumn<QStringList>("texts"); // the model path and the name
        QTest::newRow("every key")
            << "<filename>bodyparts/a.md2</filename><rot_x>10</rot_x><rot_y>-20.5</rot_y><rot_z>3e1</rot_z>"
               "<pos_x>0.05</pos_x><pos_y>+0.3</pos_y><pos_z>-1.25</pos_z><scale>0.5</scale><name>Left femur</name>"
            << QList<float>{10, -20.5f, 30, 0.05f, 0.3f, -1.25f, 0.5f}
            << QStringList{"sets/bodyparts/a.md2", "Left femur"};
        QTest::newRow("last of a key counts, on one line") // a comment between them changes nothing
            << "<rot_z>1</rot_z><name>Liver</name><!-- x --><rot_z>2</rot_z><name> Left\n lung </name>"
            << QList<float>{0, 0, 2, 0, 0, 0, 1} << QStringList{"", "Left lung"};
        QTest::newRow("not numbers read as 0") << "<pos_x>0,5</pos_x><pos_y>abc</pos_y><pos_z>1e39</pos_z><rot_x>nan</"
                                                  "rot_x><rot_y>-inf</rot_y><scale>x</scale>"
                                               << QList<float>{0, 0, 0, 0, 0, 0, 0} << QStringList{"", ""};
    }

    void readsEveryKeyWithItsDefault()
    {
        QFETCH(QString, children);
        QFETCH(QList<float>, pose);
        QFETCH(QStringList, texts);
        QDomDocument document;
        QVERIFY(document.setContent(QStringLiteral("<part>%1</part>").arg(children)));
        const PieceRecord r(document.documentElement());
        QCOMPARE(QList<float>({r.rotX(), r.rotY(), r.rotZ(), r.posX(), r.posY(), r.posZ(), r.scale()}), pose);
        QCOMPARE(QStringList({r.fileName, r.name}), texts);
        QVERIFY(r.displayList == 0 && !r.particle); // nothing built while reading
    }

    void namesShowInTheChosenLanguage_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("shown");
        const QString liver = "<name>Liver</name><name_la>Hepar</name_la>";
        QTest::newRow("english") << liver << int(NameLanguage::English) << "Liver";
        QTest::newRow("latin") << liver << int(NameLanguage::Latin) << "Hepar";
        QTest::newRow("both") << liver << int(NameLanguage::Both) << "Liver (Hepar)";
        QTest::newRow("no latin name: english") << "<name>Liver</name>" << int(NameLanguage::Latin) << "Liver";
        QTest::newRow("unnamed stays unnamed") << "<name_la>Hepar</name_la>" << int(NameLanguage::Both) << "";
    }

    void namesShowInTheChosenLanguage()
    {
        QFETCH(QString, keys);
        QFETCH(int, language);
        QFETCH(QString, shown);
        QDomDocument document;
        QVERIFY(document.setContent("<part>" + keys + "</part>"));
        QCOMPARE(shownName(PieceRecord(document.documentElement()), NameLanguage(language)), shown);
    }
};

QTEST_GUILESS_MAIN(TestPieceRecord)
#include "test_piecerecord.moc"
