#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "testing/fakeaudiobackend.h"

#include <QDomDocument>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// A set document from the given children of the root element.
std::unique_ptr<QDomDocument> setDocument(const QString &children)
{
    auto document = std::make_unique<QDomDocument>(QStringLiteral("set"));
    const bool parsed = bool(document->setContent(QStringLiteral("<set>%1</set>").arg(children)));
    Q_ASSERT(parsed);
    return document;
}

QString part(double x, double y, double z = 0)
{
    return QStringLiteral("<part><pos_x>%1</pos_x><pos_y>%2</pos_y><pos_z>%3</pos_z></part>")
        .arg(x)
        .arg(y)
        .arg(z);
}

QString shape(double x, double y, double z = 0)
{
    return QStringLiteral("<shape><pos_x>%1</pos_x><pos_y>%2</pos_y><pos_z>%3</pos_z></shape>")
        .arg(x)
        .arg(y)
        .arg(z);
}

} // namespace

class TestGameEngine : public QObject
{
    Q_OBJECT

private slots:
    void readsPartsInDocumentOrderAndTheLastShape();
    void emptyOrMissingSetGivesAGameWithNothingToPlay();
    void takePieceMovesOneRecordAndIgnoresIndicesOutside();
    void dropFitsOnlyStrictlyWithinTheToleranceOnBothAxes_data();
    void dropFitsOnlyStrictlyWithinTheToleranceOnBothAxes();
    void targetIncludesTheShapeOffset();
    void dropWithNothingHeldDoesNothing();
    void lastFitPlaysFitsThenChangesThenWinsThenPlaysWon();
    void fitBeforeTheLastOnlyPlaysFitsAndEmitsChanged();
    void progressCountsPlacedAgainstPlacedAndRemaining();
};

void TestGameEngine::readsPartsInDocumentOrderAndTheLastShape()
{
    const auto document = setDocument(QStringLiteral("<name>Body</name>")
                                      + part(0.1, 0) + QStringLiteral("<!-- note -->")
                                      + shape(1, 2, 3) + QStringLiteral("text")
                                      + part(0.2, 0) + shape(0, 0.2, 0.4)
                                      + QStringLiteral("<Part><pos_x>9</pos_x></Part>")
                                      + part(0.3, 0));
    GameEngine engine(document.get());

    QCOMPARE(engine.document, document.get());
    QCOMPARE(engine.remaining.size(), 3);
    QCOMPARE(engine.remaining.at(0)->posX(), 0.1f);
    QCOMPARE(engine.remaining.at(1)->posX(), 0.2f);
    QCOMPARE(engine.remaining.at(2)->posX(), 0.3f);
    QVERIFY(engine.placed.isEmpty());
    QVERIFY(!engine.current);
    QVERIFY(!engine.gameWon);

    QVERIFY(engine.shapePiece);
    QCOMPARE(engine.offsetX, 0.0f);
    QCOMPARE(engine.offsetY, 0.2f);
    QCOMPARE(engine.offsetZ, 0.4f);
}

void TestGameEngine::emptyOrMissingSetGivesAGameWithNothingToPlay()
{
    GameEngine none(nullptr);
    QVERIFY(none.remaining.isEmpty());
    QVERIFY(!none.shapePiece);
    QCOMPARE(none.progress(), 0);
    QCOMPARE(none.offsetX, 0.0f);

    const auto document = setDocument(QStringLiteral("<name>Nothing</name>"));
    GameEngine empty(document.get());
    QVERIFY(empty.remaining.isEmpty());
    QVERIFY(!empty.shapePiece);
    QCOMPARE(empty.offsetY, 0.0f);
    QCOMPARE(empty.progress(), 0);
    QVERIFY(!empty.gameWon);
}

void TestGameEngine::takePieceMovesOneRecordAndIgnoresIndicesOutside()
{
    const auto document = setDocument(part(0.1, 0) + part(0.2, 0) + part(0.3, 0));
    GameEngine engine(document.get());
    PieceRecord *first = engine.remaining.at(0);
    PieceRecord *second = engine.remaining.at(1);
    PieceRecord *third = engine.remaining.at(2);

    engine.takePiece(3);
    QVERIFY(!engine.current);
    engine.takePiece(-1);
    QVERIFY(!engine.current);
    QCOMPARE(engine.remaining.size(), 3);

    engine.takePiece(1);
    QCOMPARE(engine.current, second);
    QCOMPARE(engine.remaining, QList<PieceRecord *>({first, third}));

    // Out of range while holding: the held piece stays.
    engine.takePiece(2);
    QCOMPARE(engine.current, second);
    QCOMPARE(engine.remaining.size(), 2);
}

void TestGameEngine::dropFitsOnlyStrictlyWithinTheToleranceOnBothAxes_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<double>("targetX");

    // Target (0.5, 0.2) unless a row says otherwise.
    QTest::newRow("on target") << 0.5f << 0.2f << true << 0.5;
    QTest::newRow("near on both axes") << 0.55f << 0.25f << true << 0.5;
    QTest::newRow("0.15 off along x") << 0.65f << 0.2f << false << 0.5;
    QTest::newRow("0.15 off along y") << 0.5f << 0.35f << false << 0.5;
    QTest::newRow("just inside x") << 0.59f << 0.2f << true << 0.5;
    QTest::newRow("just inside -y") << 0.5f << 0.11f << true << 0.5;
    QTest::newRow("0.1 off along x is not strictly within") << 0.6f << 0.2f << false << 0.5;
    QTest::newRow("inside x, outside y") << 0.5f << 0.4f << false << 0.5;
    // Compared in double precision: in float sums 0.25f - 0.1f would not
    // lie below 0.15f.
    QTest::newRow("target 0.15, drop 0.25") << 0.25f << 0.2f << true << 0.15;
    QTest::newRow("target 0.11, drop 0.01") << 0.01f << 0.2f << true << 0.11;
}

void TestGameEngine::dropFitsOnlyStrictlyWithinTheToleranceOnBothAxes()
{
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(bool, fits);
    QFETCH(double, targetX);

    // The Z of the piece plays no part.
    const auto document = setDocument(part(targetX, 0.2, 7) + part(0, 0));
    GameEngine engine(document.get());
    QSignalSpy changed(&engine, &GameEngine::changed);
    engine.takePiece(0);
    PieceRecord *held = engine.current;

    engine.tryFit(x, y);

    if (fits) {
        QVERIFY(!engine.current);
        QCOMPARE(engine.placed, QList<PieceRecord *>({held}));
        QCOMPARE(changed.count(), 1);
    } else {
        QCOMPARE(engine.current, held);
        QVERIFY(engine.placed.isEmpty());
        QCOMPARE(changed.count(), 0);
    }
    QCOMPARE(engine.remaining.size(), 1);
}

void TestGameEngine::targetIncludesTheShapeOffset()
{
    const auto document = setDocument(shape(0, 0.2, 0) + part(0.05, 0.3, 0.1));
    GameEngine engine(document.get());
    engine.takePiece(0);

    engine.tryFit(0.05f, 0.3f); // the piece's own position, without the shape's
    QVERIFY(engine.current);

    engine.tryFit(0.05f, 0.5f);
    QVERIFY(!engine.current);
    QCOMPARE(engine.placed.size(), 1);
    // The engine snaps nothing: the record keeps its own coordinates.
    QCOMPARE(engine.placed.first()->posY(), 0.3f);
}

void TestGameEngine::dropWithNothingHeldDoesNothing()
{
    FakeSoundScope sound;
    const auto document = setDocument(part(0, 0));
    GameEngine engine(document.get());
    QSignalSpy changed(&engine, &GameEngine::changed);
    QSignalSpy won(&engine, &GameEngine::won);

    engine.tryFit(0, 0);

    QCOMPARE(changed.count(), 0);
    QCOMPARE(won.count(), 0);
    QVERIFY(engine.placed.isEmpty());
    QCOMPARE(engine.remaining.size(), 1);
    QVERIFY(sound.playedEffects().isEmpty());
}

void TestGameEngine::lastFitPlaysFitsThenChangesThenWinsThenPlaysWon()
{
    FakeSoundScope sound;
    const auto document = setDocument(part(0.3, 0.3));
    GameEngine engine(document.get());

    // One log of effects and signals in the order they happen.
    QStringList events;
    qsizetype effectsSeen = 0;
    const auto takeEffects = [&] {
        const QStringList played = sound.playedEffects();
        for (; effectsSeen < played.size(); ++effectsSeen)
            events << QStringLiteral("play ") + played.at(effectsSeen);
    };
    connect(&engine, &GameEngine::changed, this, [&] {
        takeEffects();
        events << QStringLiteral("changed");
    });
    connect(&engine, &GameEngine::won, this, [&] {
        takeEffects();
        if (engine.gameWon)
            events << QStringLiteral("gameWon");
        events << QStringLiteral("won");
    });

    engine.takePiece(0);
    engine.tryFit(0.3f, 0.3f);
    takeEffects();

    QCOMPARE(events, QStringList({"play fits", "changed", "gameWon", "won", "play won"}));
    QVERIFY(engine.gameWon);
    QCOMPARE(engine.progress(), 100);
}

void TestGameEngine::fitBeforeTheLastOnlyPlaysFitsAndEmitsChanged()
{
    FakeSoundScope sound;
    const auto document = setDocument(part(0, 0) + part(1, 1));
    GameEngine engine(document.get());
    QSignalSpy changed(&engine, &GameEngine::changed);
    QSignalSpy won(&engine, &GameEngine::won);

    engine.takePiece(0);
    engine.tryFit(0, 0);

    QCOMPARE(changed.count(), 1);
    QCOMPARE(won.count(), 0);
    QVERIFY(!engine.gameWon);
    QCOMPARE(sound.playedEffects(), QStringList({"fits"}));

    // Holding the last piece is not winning: the win comes with its fit.
    engine.takePiece(0);
    QVERIFY(engine.remaining.isEmpty());
    QVERIFY(!engine.gameWon);
    engine.tryFit(1, 1);
    QCOMPARE(won.count(), 1);
    QCOMPARE(sound.playedEffects(), QStringList({"fits", "fits", "won"}));
}

void TestGameEngine::progressCountsPlacedAgainstPlacedAndRemaining()
{
    const auto document = setDocument(part(0, 0) + part(1, 1) + part(2, 2));
    GameEngine engine(document.get());
    QCOMPARE(engine.progress(), 0);

    engine.takePiece(0);
    engine.tryFit(0, 0);
    QCOMPARE(engine.progress(), 33); // 1 of 3, truncated

    // The held piece counts neither way.
    engine.takePiece(0);
    QCOMPARE(engine.progress(), 50);

    engine.tryFit(1, 1);
    QCOMPARE(engine.progress(), 66);
    engine.takePiece(0);
    QCOMPARE(engine.progress(), 100);
    engine.tryFit(2, 2);
    QCOMPARE(engine.progress(), 100);
}

QTEST_MAIN(TestGameEngine)
#include "test_gameengine.moc"
