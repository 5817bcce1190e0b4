// The rules of one game: the pieces on offer, the fit, progress and the win.
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"

#include <QDomDocument>
#include <QSignalSpy>
#include <QTest>

namespace {
QString part(float x, float y, float z = 0)
{
    return GameData::piece("part", "none.md2", x, y, z);
}

struct Set : QDomDocument
{
    explicit Set(const QString &children) { setContent(QStringLiteral("<set>%1</set>").arg(children)); }
};

// An engine over its own set.
struct Game : Set, GameEngine
{
    explicit Game(const QString &children)
        : Set(children)
        , GameEngine(this)
    {
    }
};
} // namespace

class TestGameEngine : public QObject
{
    Q_OBJECT

private slots:
    void readsPartsInOrderAndTheLastShapeAsOffset()
    {
        const Game e("<name>n</name><shape><pos_x>9</pos_x></shape>" + part(1, 0)
                     + "<!-- c --><shape><pos_x>0.1</pos_x>"
                       "<pos_y>0.2</pos_y><pos_z>0.3</pos_z></shape>"
                     + part(2, 0));
        QCOMPARE(QList<float>({e.remaining.value(0)->posX(), e.remaining.value(1)->posX()}), QList<float>({1, 2}));
        QCOMPARE(QList<float>({e.offsetX, e.offsetY, e.offsetZ}), QList<float>({0.1f, 0.2f, 0.3f}));
        GameEngine none(nullptr); // no set on disk
        QVERIFY(none.remaining.isEmpty() && !none.shapePiece && none.offsetX == 0 && none.progress() == 0);
    }

    void dropFitsStrictlyWithinTheToleranceOnBothAxes_data()
    {
        QTest::addColumn<QString>("tolerance"); // empty: the set gives none, a tenth
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<bool>("fits");
        // The shape stands at (0, 0.25, 0) and the piece at (0.5, 0, 7): target (0.5, 0.25), whatever the height.
        // Sixteenths and quarters are exact in binary, so the edges are exact.
        QTest::newRow("0.09 off on both axes") << "" << 0.41f << 0.34f << true;
        QTest::newRow("0.15 off along x") << "" << 0.65f << 0.25f << false;
        QTest::newRow("0.11 off along y") << "" << 0.5f << 0.14f << false;
        QTest::newRow("the piece's own position") << "" << 0.5f << 0.0f << false;
        QTest::newRow("1/16: 0.0624 off on x") << "0.0625" << 0.5624f << 0.25f << true;
        QTest::newRow("1/16: exactly 1/16 off on x") << "0.0625" << 0.5625f << 0.25f << false;
        QTest::newRow("1/16: 0.08 off, inside a tenth") << "0.0625" << 0.58f << 0.25f << false;
        QTest::newRow("1/4: 0.2 off on both") << "0.25" << 0.7f << 0.45f << true;
    }

    void dropFitsStrictlyWithinTheToleranceOnBothAxes()
    {
        QFETCH(QString, tolerance);
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(bool, fits);
        FakeSoundScope sound;
        const QString set = tolerance.isEmpty() ? QString() : "<tolerance>" + tolerance + "</tolerance>";
        Game e(set + "<shape><pos_y>0.25</pos_y></shape>" + part(0.5f, 0, 7) + part(0, 0));
        QSignalSpy changed(&e, &GameEngine::changed);
        e.tryFit(0.5f, 0.25f); // nothing held: nothing happens
        e.takePiece(0);
        e.tryFit(x, y);
        QCOMPARE(QList<bool>({e.current == nullptr, e.placed.size() == 1, changed.count() == 1, e.gameWon}),
                 QList<bool>({fits, fits, fits, false}));
        QCOMPARE(sound.playedEffects(), fits ? QStringList{"fits"} : QStringList());
    }

    void aToleranceThatIsNoPositiveNumberMeansTheDesignedTenth_data()
    {
        QTest::addColumn<QString>("children");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("none") << "" << 0.1;
        QTest::newRow("0.05") << "<tolerance> 0.05 </tolerance>" << 0.05;
        QTest::newRow("negative") << "<tolerance>-0.05</tolerance>" << 0.1;
        QTest::newRow("nan") << "<tolerance>nan</tolerance>" << 0.1;
        QTest::newRow("inside a part, not the set's") << "<part><tolerance>0.05</tolerance></part>" << 0.1;
    }

    void aToleranceThatIsNoPositiveNumberMeansTheDesignedTenth()
    {
        QFETCH(QString, children);
        QFETCH(double, tolerance);
        QCOMPARE(Game(children).fitTolerance(), tolerance);
    }

    void progressCountsPlacedPiecesAndTheLastFitWinsBetweenItsTwoSounds()
    {
        FakeSoundScope sound;
        Game e(part(0, 0) + part(1, 1) + part(2, 2));
        QStringList seen; // at each signal: the sounds so far, and whether the game is won
        const auto note = [&](const char *what) {
            seen << what + sound.playedEffects().join(',') + (e.gameWon ? " won" : "");
        };
        connect(&e, &GameEngine::changed, this, [&] { note("changed after "); });
        connect(&e, &GameEngine::won, this, [&] { note("won after "); });
        e.takePiece(3); // outside the list: nothing
        e.takePiece(-1);
        QVERIFY(!e.current);
        QList<int> progress{e.progress()};
        e.takePiece(1); // the others keep their order: the first stays first, the third comes second
        e.tryFit(1, 1);
        progress << e.progress();
        e.takePiece(0);
        progress << e.progress(); // the held piece does not count
        e.tryFit(0, 0);
        progress << e.progress();
        e.takePiece(0);
        e.tryFit(2, 2);
        QCOMPARE(progress << e.progress(), QList<int>({0, 33, 50, 66, 100})); // 1 of 3, 1 of 2, 2 of 3, truncated
        QCOMPARE(seen.mid(2), QStringList({"changed after fits,fits,fits", "won after fits,fits,fits won"}));
        QCOMPARE(sound.playedEffects(), QStringList({"fits", "fits", "fits", "won"}));
    }

    void aHostsEnginesPlayNoSound() // their drops and verdicts: tests/net/test_classhost.cpp
    {
        FakeSoundScope sound;
        Game quiet(part(0, 0));
        quiet.silent = true;
        quiet.takePiece(0);
        quiet.tryFit(0, 0);
        QVERIFY(quiet.gameWon && sound.playedEffects().isEmpty()); // neither the fit nor the win
    }
};

QTEST_GUILESS_MAIN(TestGameEngine)
#include "test_gameengine.moc"
