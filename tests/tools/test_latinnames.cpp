// Every piece of the generated sets carries its Latin name, and the well-known ones are exactly right.
#include "latin.h"

#include <QDir>
#include <QDomDocument>
#include <QTest>

class TestLatinNames : public QObject
{
    Q_OBJECT

private slots:
    void everyPieceOfTheGeneratedSetsCarriesItsLatinName()
    {
        const QDir sets(TORVANE_BINARY_DIR "/data/sets");
        const QStringList files = sets.entryList({"*.xml"}, QDir::Files);
        QVERIFY2(files.size() >= 6, qPrintable(files.join(' ')));
        for (const QString &name : files) {
            QFile file(sets.filePath(name));
            QDomDocument set;
            QVERIFY2(file.open(QIODevice::ReadOnly) && set.setContent(&file), qPrintable(name));
            int named = 0;
            for (QDomElement e = set.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
                if (e.tagName() != "part" && e.tagName() != "shape")
                    continue;
                const QString english = e.firstChildElement("name").text();
                const QString latin = e.firstChildElement("name_la").text();
                QVERIFY2(!latin.isEmpty() && latin == Latin::name(english), qPrintable(name + ": " + english));
                ++named;
            }
            QVERIFY2(named >= 2, qPrintable(name)); // a shape and a part at least
        }
    }

    void wellKnownNamesAreExact_data()
    {
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("latin");
        QTest::newRow("lung, masculine") << "Right lung"
                                         << "Pulmo dexter";
        QTest::newRow("hemisphere, neuter") << "Left cerebral hemisphere"
                                            << "Hemispherium cerebri sinistrum";
        QTest::newRow("hip bone, neuter") << "Right hip bone"
                                          << "Os coxae dextrum";
        QTest::newRow("femur neuter, patella feminine") << "Left femur and patella"
                                                        << "Femur sinistrum et patella sinistra";
        QTest::newRow("not in the table") << "Left little toe"
                                          << "";
    }

    void wellKnownNamesAreExact()
    {
        QFETCH(QString, english);
        QFETCH(QString, latin);
        QCOMPARE(Latin::name(english), latin);
    }
};

QTEST_GUILESS_MAIN(TestLatinNames)
#include "test_latinnames.moc"
