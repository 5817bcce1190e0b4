// ctest-labels: integration
// Taking, carrying and dropping pieces with the mouse on real frames; every
// mouse position comes from the camera's own numbers.
#include "viewfixture.h"

#include "testing/fakeaudiobackend.h"
#include "view/glformat.h"

namespace {
using P = QVector3D;
const QSize size(400, 400);
} // namespace

class TestGLEngineMouse : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void pressTakesTheTroughPieceWithinFiftyPixelsWithTheLeftButton_data();
    void pressTakesTheTroughPieceWithinFiftyPixelsWithTheLeftButton();
    void missedPieceStaysWhereItFellAndOnlyALeftReleaseOnTargetFitsIt();
    void nearestHitSkipsUnnamedRecordsAndTakesTheClosest();
};

void TestGLEngineMouse::pressTakesTheTroughPieceWithinFiftyPixelsWithTheLeftButton_data()
{
    QTest::addColumn<QPointF>("offset"); // from the right middle of the piece as the pick pass sees it
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("taken");
    QTest::newRow("on it") << QPointF(-10, 0) << int(Qt::LeftButton) << true;
    QTest::newRow("45 px right") << QPointF(45, 0) << int(Qt::LeftButton) << true;
    QTest::newRow("55 px right") << QPointF(55, 0) << int(Qt::LeftButton) << false;
    QTest::newRow("45 px below") << QPointF(-10, 45) << int(Qt::LeftButton) << true;
    QTest::newRow("right button") << QPointF(-10, 0) << int(Qt::RightButton) << false;
}

void TestGLEngineMouse::pressTakesTheTroughPieceWithinFiftyPixelsWithTheLeftButton()
{
    QFETCH(QPointF, offset);
    QFETCH(int, button);
    QFETCH(bool, taken);
    ViewGame game;
    QVERIFY(game.start(GameData::piece("shape", "big.md2", 0, 0, 0.3f) + GameData::piece("part", "small.md2", 0, 0, 0)));
    game.frame(0);
    game.frame(4000); // glides to -0.2
    // The pick pass draws the pieces at the camera's own scale, not at 0.99.
    const QRectF box = cubeBox(Camera(), P(-0.6f, -0.2f, 0.63f), 0.06f, size, false);
    game.mouse(QEvent::MouseButtonPress, QPointF(box.right(), box.center().y()) + offset, Qt::MouseButton(button));
    QCOMPARE(game.engine->current != nullptr, taken);
    // The ghost carries no name: pressing on it takes nothing.
    if (!taken && button == Qt::LeftButton) {
        game.mouse(QEvent::MouseButtonPress, Camera().piece(P(0, 0, 0.3f), size));
        QVERIFY(!game.engine->current);
    }
}

void TestGLEngineMouse::missedPieceStaysWhereItFellAndOnlyALeftReleaseOnTargetFitsIt()
{
    FakeSoundScope sound;
    ViewGame game;
    QVERIFY(game.start(GameData::piece("part", "small.md2", -0.1f, 0.1f, 0.3f)));
    game.frame(0);
    game.frame(4000);
    game.mouse(QEvent::MouseButtonPress, Camera().world(P(-0.6f, -0.2f, 0.63f), size));
    QVERIFY(game.engine->current);
    const QRectF trough = cubeBox(Camera(), P(-0.6f, -0.2f, 0.63f), 0.06f, size);

    // Dropped 0.15 beside its target on the carrying plane z = 0.5: it stays
    // held, drawn where it fell.
    const QPointF beside = Camera().piece(P(0.05f, 0.1f, 0.5f), size);
    game.mouse(QEvent::MouseMove, beside);
    game.mouse(QEvent::MouseButtonRelease, beside);
    QVERIFY(game.engine->current);
    QRect drawn = pieceBox(game.frame(4000));
    QRectF expected = cubeBox(Camera(), P(0.05f, 0.1f, 0.5f), 0.06f, size);
    QVERIFY2(sameBox(drawn, expected), qPrintable(describe(drawn, expected)));
    QVERIFY(!drawn.intersects(trough.toRect()));

    // Carried above the horizon it goes to the far plane.
    game.mouse(QEvent::MouseMove, QPointF(200, 1));
    QVERIFY(QVector3D(game.view->heldPos[0], game.view->heldPos[1], game.view->heldPos[2]).length() > 4);

    // Another button carries it but never drops it; the left one does.
    const QPointF target = Camera().piece(P(-0.1f, 0.1f, 0.5f), size);
    game.mouse(QEvent::MouseButtonPress, beside, Qt::RightButton);
    game.mouse(QEvent::MouseMove, target, Qt::RightButton);
    game.mouse(QEvent::MouseButtonRelease, target, Qt::RightButton);
    QVERIFY(game.engine->current);
    drawn = pieceBox(game.frame(4000));
    expected = cubeBox(Camera(), P(-0.1f, 0.1f, 0.5f), 0.06f, size);
    QVERIFY2(sameBox(drawn, expected), qPrintable(describe(drawn, expected)));
    QVERIFY(sound.playedEffects().isEmpty());

    game.mouse(QEvent::MouseButtonPress, target); // a piece is held: the press takes nothing
    game.mouse(QEvent::MouseButtonRelease, target);
    QVERIFY(!game.engine->current);
    QCOMPARE(game.engine->placed.size(), 1);
    QCOMPARE(sound.playedEffects(), QStringList({"fits", "won"}));
    // Snapped into place at its target.
    drawn = pieceBox(game.frame(4000));
    expected = cubeBox(Camera(), P(-0.1f, 0.1f, 0.3f), 0.06f, size);
    QVERIFY2(sameBox(drawn, expected), qPrintable(describe(drawn, expected)));
}

void TestGLEngineMouse::nearestHitSkipsUnnamedRecordsAndTakesTheClosest()
{
    // Records: name count, min depth, max depth, names.
    const GLuint unnamedNearest[] = {0, 5, 9, 1, 70, 80, 1};
    QCOMPARE(GLEngine::nearestHit(2, unnamedNearest), GLuint(1));
    const GLuint twoNamed[] = {1, 90, 95, 7, 2, 40, 50, 3, 4};
    QCOMPARE(GLEngine::nearestHit(2, twoNamed), GLuint(3));
    const GLuint equalDepths[] = {1, 40, 45, 6, 1, 40, 41, 8};
    QCOMPARE(GLEngine::nearestHit(2, equalDepths), GLuint(6));
    // Depths are unsigned: 0xF0000000 lies behind 0x10000000.
    const GLuint farAndNear[] = {1, 0xF0000000u, 0xF0000001u, 2, 1, 0x10000000u, 0x10000001u, 9};
    QCOMPARE(GLEngine::nearestHit(2, farAndNear), GLuint(9));
}

QTEST_MAIN(TestGLEngineMouse)
#include "test_glenginemouse.moc"
