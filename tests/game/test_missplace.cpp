// What a miss tells: whose place the drop landed on, and how a name reads in the sentence.
#include "game/gameengine.h"
#include "game/missplace.h"
#include "game/piecerecord.h"

#include <QDomDocument>
#include <QTest>

namespace {
QString part(const char *name, float x, float y)
{
    return QString("<part><name>%1</name><pos_x>%2</pos_x><pos_y>%3</pos_y></part>").arg(name).arg(x).arg(y);
}
} // namespace

class TestMissPlace : public QObject
{
    Q_OBJECT

private slots:
    // The shape moves every target by (0.1, 0); the tolerance is 0.05. The liver (held) sits at (0.1, 0), the
    // spleen at (0.4, 0), the stomach (placed) at (0.1, 0.3), the pancreas (nameless) at (0.1, -0.3).
    void missNamesThePlaceItLandedOnOnEasyAndMediumOnly_data()
    {
        QTest::addColumn<Difficulty>("difficulty");
        QTest::addColumn<QPointF>("drop");
        QTest::addColumn<QString>("text");
        QTest::newRow("on a remaining piece's place")
            << Difficulty::Easy << QPointF(0.44, -0.04) << "That is where the spleen goes";
        QTest::newRow("on a placed piece's place")
            << Difficulty::Medium << QPointF(0.1, 0.3) << "That is where the stomach goes";
        QTest::newRow("just outside the box") << Difficulty::Easy << QPointF(0.46, 0) << "Not here";
        QTest::newRow("on a nameless piece's place") << Difficulty::Easy << QPointF(0.1, -0.3) << "Not here";
        QTest::newRow("hard, on a piece's place") << Difficulty::Hard << QPointF(0.4, 0) << "Not here";
    }

    void missNamesThePlaceItLandedOnOnEasyAndMediumOnly()
    {
        QFETCH(Difficulty, difficulty);
        QFETCH(QPointF, drop);
        QFETCH(QString, text);
        QDomDocument set;
        set.setContent("<set><tolerance>0.05</tolerance><shape><pos_x>0.1</pos_x></shape>" + part("Liver", 0, 0)
                       + part("Stomach", 0, 0.3f) + part("Spleen", 0.3f, 0) + part("", 0, -0.3f) + "</set>");
        GameEngine engine(&set);
        engine.takePiece(1);
        engine.tryFit(0.1f, 0.3f);
        engine.takePiece(0);
        engine.tryFit(float(drop.x()), float(drop.y()));
        QVERIFY(engine.current); // a miss, as ever
        QCOMPARE(engine.misses.value(engine.current), 1);
        const PieceRecord *place = missplace::placeDroppedOn(engine, engine.dropX, engine.dropY);
        QCOMPARE(missplace::missText(place, difficulty), text);
    }

    void nameKeepsItsCapitalOnlyForAWordInCapitals()
    {
        QCOMPARE(missplace::nameInSentence("Left kidney"), QStringLiteral("left kidney"));
        QCOMPARE(missplace::nameInSentence("ECG lead"), QStringLiteral("ECG lead"));
    }
};

QTEST_MAIN(TestMissPlace)
#include "test_missplace.moc"
