// The rules of one game: the pieces on offer, the fit, progress and the win.
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "testing/fakeaudiobackend.h"

#include <QDomDocument>
#include <QSignalSpy>
#include <QTest>

namespace {
QString part(float x, float y, float z = 0)
{
    return QStringLiteral("<part><pos_x>%1</pos_x><pos_y>%2</pos_y><pos_z>%3</pos_z></part>").arg(x).arg(y).arg(z);
}
} // namespace

class TestGameEngine : public QObject
{
    Q_OBJECT

private slots:
    void readsPartsInOrderAndTheLastShapeAsOffset();
    void takePieceMovesOneRecordAndIgnoresOtherIndices();
    void dropFitsStrictlyWithinATenthOnBothAxes_data();
    void dropFitsStrictlyWithinATenthOnBothAxes();
    void lastFitSoundsFitsThenWinsThenSoundsWon();
    void progressCountsPlacedAgainstPlacedAndRemaining();
};

void TestGameEngine::readsPartsInOrderAndTheLastShapeAsOffset()
{
    QDomDocument document;
    QVERIFY(document.setContent(QStringLiteral("<set><name>n</name><shape><pos_x>9</pos_x></shape>%1<!-- c -->"
                                               "<shape><pos_x>0.1</pos_x><pos_y>0.2</pos_y><pos_z>0.3</pos_z></shape>%2</set>")
                                    .arg(part(1, 0), part(2, 0))));
    GameEngine engine(&document);
    QCOMPARE(engine.remaining.size(), 2);
    QCOMPARE(engine.remaining[0]->posX(), 1.0f);
    QCOMPARE(engine.remaining[1]->posX(), 2.0f);
    QVERIFY(engine.shapePiece && engine.placed.isEmpty() && !engine.current && !engine.gameWon);
    QCOMPARE(QList<float>({engine.offsetX, engine.offsetY, engine.offsetZ}), QList<float>({0.1f, 0.2f, 0.3f}));

    GameEngine none(nullptr); // no set on disk
    QVERIFY(none.remaining.isEmpty() && !none.shapePiece && none.offsetX == 0);
    QCOMPARE(none.progress(), 0);
}

void TestGameEngine::takePieceMovesOneRecordAndIgnoresOtherIndices()
{
    QDomDocument document;
    QVERIFY(document.setContent(QStringLiteral("<set>%1%2%3</set>").arg(part(1, 0), part(2, 0), part(3, 0))));
    GameEngine engine(&document);
    PieceRecord *second = engine.remaining[1];
    engine.takePiece(3);
    engine.takePiece(-1);
    QVERIFY(!engine.current);
    engine.takePiece(1);
    QCOMPARE(engine.current, second);
    QCOMPARE(engine.remaining.size(), 2);
    QCOMPARE(engine.remaining[1]->posX(), 3.0f);
}

void TestGameEngine::dropFitsStrictlyWithinATenthOnBothAxes_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<bool>("fits");
    // The shape stands at (0, 0.2, 0) and the piece at (0.5, 0, 7): target (0.5, 0.2).
    QTest::newRow("on target, whatever the height") << 0.5f << 0.2f << true;
    QTest::newRow("0.05 off on both axes") << 0.55f << 0.25f << true;
    QTest::newRow("0.09 off on both axes") << 0.41f << 0.29f << true;
    QTest::newRow("0.15 off along x") << 0.65f << 0.2f << false;
    QTest::newRow("0.11 off along y") << 0.5f << 0.09f << false;
    QTest::newRow("the piece's own position") << 0.5f << 0.0f << false;
}

void TestGameEngine::dropFitsStrictlyWithinATenthOnBothAxes()
{
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(bool, fits);
    FakeSoundScope sound;
    QDomDocument document;
    QVERIFY(document.setContent(QStringLiteral("<set><shape><pos_y>0.2</pos_y></shape>%1%2</set>").arg(part(0.5f, 0, 7), part(0, 0))));
    GameEngine engine(&document);
    QSignalSpy changed(&engine, &GameEngine::changed);
    engine.tryFit(0.5f, 0.2f); // nothing held: nothing happens
    QCOMPARE(changed.count(), 0);
    engine.takePiece(0);
    engine.tryFit(x, y);
    QCOMPARE(engine.current == nullptr, fits);
    QCOMPARE(engine.placed.size(), fits ? 1 : 0);
    QCOMPARE(changed.count(), fits ? 1 : 0);
    QCOMPARE(sound.playedEffects(), fits ? QStringList{"fits"} : QStringList());
    QVERIFY(!engine.gameWon);
}

void TestGameEngine::lastFitSoundsFitsThenWinsThenSoundsWon()
{
    FakeSoundScope sound;
    QDomDocument document;
    QVERIFY(document.setContent(QStringLiteral("<set>%1</set>").arg(part(0, 0))));
    GameEngine engine(&document);
    QStringList seen;
    connect(&engine, &GameEngine::changed, this, [&] { seen << "changed after " + sound.playedEffects().join(',') + (engine.gameWon ? " won" : ""); });
    connect(&engine, &GameEngine::won, this, [&] { seen << "won after " + sound.playedEffects().join(',') + (engine.gameWon ? " won" : ""); });
    engine.takePiece(0);
    engine.tryFit(0, 0);
    QCOMPARE(seen, QStringList({"changed after fits", "won after fits won"}));
    QCOMPARE(sound.playedEffects(), QStringList({"fits", "won"}));
    engine.tryFit(0, 0);
    QCOMPARE(seen.size(), 2);
}

void TestGameEngine::progressCountsPlacedAgainstPlacedAndRemaining()
{
    QDomDocument document;
    QVERIFY(document.setContent(QStringLiteral("<set>%1%2%3</set>").arg(part(0, 0), part(1, 1), part(2, 2))));
    GameEngine engine(&document);
    QCOMPARE(engine.progress(), 0);
    engine.takePiece(0);
    engine.tryFit(0, 0);
    QCOMPARE(engine.progress(), 33); // 1 of 3, truncated
    engine.takePiece(0);
    QCOMPARE(engine.progress(), 50); // the held piece does not count
    engine.tryFit(1, 1);
    QCOMPARE(engine.progress(), 66);
}

QTEST_GUILESS_MAIN(TestGameEngine)
#include "test_gameengine.moc"
