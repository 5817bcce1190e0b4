// A piece's name in the language the player chose.
#include "game/piecenames.h"
#include "game/piecerecord.h"

#include <QDomDocument>
#include <QTest>

class TestPieceNames : public QObject
{
    Q_OBJECT

private slots:
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
        const PieceRecord piece(document.documentElement());
        QCOMPARE(shownName(piece, NameLanguage(language)), shown);
    }
};

QTEST_MAIN(TestPieceNames)
#include "test_piecenames.moc"
