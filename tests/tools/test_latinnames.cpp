// Every piece and shape the build generates has its Latin name; the names a student checks first are exact.
#include "latin.h"

#include <QDir>
#include <QDomDocument>
#include <QTest>

class TestLatinNames : public QObject
{
    Q_OBJECT

private slots:
    void everyNameOfTheGeneratedSetsHasALatinOne()
    {
        const QDir sets(TORVANE_BINARY_DIR "/data/sets");
        const QStringList files = sets.entryList({"*.xml"}, QDir::Files);
        QVERIFY2(files.size() >= 6, qPrintable(files.join(' ')));
        for (const QString &name : files) {
            QFile file(sets.filePath(name));
            QDomDocument set;
            QVERIFY2(file.open(QIODevice::ReadOnly) && set.setContent(&file), qPrintable(name));
            const QDomNodeList models = set.elementsByTagName("filename"); // the shape's and every part's
            QVERIFY2(models.size() >= 2, qPrintable(name));
            for (int i = 0; i < models.size(); ++i) {
                const QString english = models.at(i).parentNode().firstChildElement("name").text();
                QVERIFY2(!Latin::name(english).isEmpty(), qPrintable(name + ": " + english));
            }
        }
    }

    void wellKnownNamesAreExact_data()
    {
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("latin");
        QTest::newRow("liver") << "Liver" << "Hepar";
        QTest::newRow("lung, masculine") << "Right lung" << "Pulmo dexter";
        QTest::newRow("kidney, masculine") << "Left kidney" << "Ren sinister";
        QTest::newRow("hemisphere, neuter") << "Left cerebral hemisphere" << "Hemispherium cerebri sinistrum";
        QTest::newRow("ventricle, masculine") << "Right ventricle" << "Ventriculus dexter";
        QTest::newRow("atrium, neuter") << "Left atrium" << "Atrium sinistrum";
        QTest::newRow("hip bone, neuter") << "Right hip bone" << "Os coxae dextrum";
        QTest::newRow("femur neuter, patella feminine") << "Left femur and patella" << "Femur sinistrum et patella sinistra";
        QTest::newRow("brain stem") << "Brain stem" << "Truncus encephali";
        QTest::newRow("not in the table") << "Left little toe" << "";
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
