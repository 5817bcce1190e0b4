// ctest-labels: integration
// The puzzle view on real frames: room, ghost, pieces, trough, win text and mouse, where the camera puts them.
#include "game/gameengine.h"
#include "testing/camera.h"
#include "testing/fakeaudiobackend.h"
#include "testing/viewfixture.h"
#include "view/glformat.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {

using P = QVector3D;
const QSize size(400, 400);

// Expected lit colours: one white light from (1, 0, 1) with no ambient of its own, OpenGL's global ambient
// 0.2, the current colour as material, normals not renormalised. An upward room face: 0.2 + cos 45 = 0.907.
// Under the furniture's 1.5 the normal shrinks to 1/1.5: grey 0.5 gives 0.5 * (0.2 + 0.7071 / 1.5) = 0.336.
// Pieces drawn at 0.99: in the furniture's grey 0.5 * (0.2 + 0.7071 / 0.99) = 0.457, in the ghost's white
// 0.914, of which the ghost adds half onto what lies behind.
constexpr int floorLit = 231, furnitureLit = 86, pieceWhite = 233;

// Empty when within 4 of the expected colour in every channel, else the colour found.
QString unlike(QRgb c, QColor e)
{
    if (qAbs(qRed(c) - e.red()) <= 4 && qAbs(qGreen(c) - e.green()) <= 4 && qAbs(qBlue(c) - e.blue()) <= 4)
        return QString();
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// Empty when the box of the pixels `ink` accepts lies within `slack` pixels of `expected` on every side.
QString boxMismatch(const QImage &image, const std::function<bool(QRgb)> &ink, QRectF expected, qreal slack)
{
    const QRectF d = inkBox(image, ink);
    QString text;
    QDebug(&text) << "drawn" << d << "expected" << expected;
    const QPointF off = d.topLeft() - expected.topLeft(), farOff = d.bottomRight() - expected.bottomRight();
    return qMax(qMax(qAbs(off.x()), qAbs(off.y())), qMax(qAbs(farOff.x()), qAbs(farOff.y()))) <= slack ? QString()
                                                                                                       : text;
}

// The pieces' green against a cube's projected corners.
QString cubeMismatch(const QImage &image, P centre, float edge, const Camera &camera = Camera())
{
    QPolygonF corners;
    for (int i = 0; i < 8; ++i)
        corners << camera.piece(centre + (P(i & 1, i >> 1 & 1, i >> 2) - P(0.5f, 0.5f, 0.5f)) * edge, image.size());
    return boxMismatch(image, pieceInk, corners.boundingRect(), 1.5);
}

// A cube of edge 0.06 with its target at (-0.1, 0.1, 0.3), taken from the trough at 4 s (gliding from -0.6
// at 0.1 a second to -0.2, lifted 0.03 + 0.6) and carried 0.15 beside its target on the plane z = 0.5.
bool missedOnce(ViewGame &game)
{
    if (!game.start(GameData::piece("part", "small.md2", -0.1f, 0.1f, 0.3f)))
        return false;
    game.frame(0);
    game.frame(4000);
    game.mouse(QEvent::MouseButtonPress, Camera().world(P(-0.6f, -0.2f, 0.63f), size));
    const QPointF beside = Camera().piece(P(0.05f, 0.1f, 0.5f), size);
    game.mouse(QEvent::MouseMove, beside);
    game.mouse(QEvent::MouseButtonRelease, beside);
    return game.engine->current;
}

} // namespace

class TestGLEngine : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void roomIsLitAndStandsWhereTheCameraPutsIt()
    {
        // Furniture: (-0.5, -0.3, 0) plus the table's offsets, times 1.5; the floor plain white without its picture.
        const QColor furniture(furnitureLit, furnitureLit, 0), floorWhite(floorLit, floorLit, floorLit);
        const QList<std::tuple<const char *, P, QColor>> points = {
            {"marble floor", P(0.05f, 0.3f, 0), QColor(0, 0, floorLit)},
            {"top of stand B", P(-0.75f, 0.75f, 0.93f), furniture},
            {"top of end block A", P(-0.6f, -0.45f, 0.93f), furniture},
            {"front of block B", P(-0.435f, 0.45f, 0.7f), furniture},
            {"trough's back wall", P(-0.75f, 0.1f, 0.88f), furniture},
            {"carpet in the trough", P(-0.55f, 0.1f, 0.57f), QColor(furnitureLit, furnitureLit, furnitureLit)}};
        for (const bool marble : {true, false}) {
            ViewGame game;
            if (!marble)
                QFile::remove(QStringLiteral("marmor.png"));
            QVERIFY(game.start(QString()));
            const QImage image = game.frame(0);
            for (const auto &[what, at, colour] : points) {
                const QString found =
                    unlike(image.pixel(Camera().world(at, size).toPoint()), marble || at.z() > 0 ? colour : floorWhite);
                QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(what), found)));
            }
            QCOMPARE(image.pixel(200, 2), qRgb(0, 0, 0)); // above the horizon nothing is drawn
        }
    }

    void placedPieceStandsAtItsTargetUnderEveryCamera()
    {
        // Starting, turned, tilted, and zoomed in by 250 ms * 40 * 0.00002 = 0.2.
        for (const Camera &camera :
             {Camera{-80, -90, 1}, Camera{-65, -90, 1}, Camera{-80, -82, 1}, Camera{-80, -90, 1.2f}}) {
            ViewGame game;
            // The shape has no model: it draws nothing but moves every target.
            QVERIFY(game.start(GameData::piece("shape", "none.md2", 0.05f, -0.1f, 0.02f)
                               + GameData::piece("part", "small.md2", -0.15f, 0.2f, 0.28f)));
            game.engine->takePiece(0);
            game.engine->tryFit(-0.1f, 0.1f);
            game.view->setTurn(camera.turn);
            game.view->setTilt(camera.tilt);
            game.view->setZoomSpeed(camera.zoom > 1 ? 40 : 0);
            game.frame(0);
            const QImage image = game.frame(250);
            QCOMPARE(cubeMismatch(image, P(-0.1f, 0.1f, 0.3f), 0.06f, camera), QString());
            // Normals are not renormalised: the zoom scales the light on the piece too.
            const QColor lit(0, qRound(127.5f * (0.2f + 0.7071f / (0.99f * camera.zoom))), 0);
            QCOMPARE(unlike(image.pixel(camera.piece(P(-0.1f, 0.1f, 0.3f), size).toPoint()), lit), QString());
        }
    }

    void ghostIsTranslucentAndTurnedBeforeItIsMoved()
    {
        ViewGame game;
        // A quarter turn about z before the move: (0.3, 0, 0.1) lands on (0, 0.3, 0.1).
        QVERIFY(game.start(QStringLiteral("<shape><filename>bodyparts/big.md2</filename><rot_z>90</rot_z>"
                                          "<pos_x>0.3</pos_x><pos_z>0.1</pos_z></shape>")));
        const QImage image = game.frame(0);
        QCOMPARE(cubeMismatch(image, P(0, 0.3f, 0.1f), 0.2f), QString());
        // Half its lit white added once or twice (back faces first): the blue floor shows through.
        const QRgb c = image.pixel(Camera().piece(P(0, 0.3f, 0.1f), size).toPoint());
        const QString once = unlike(c, QColor(0, pieceWhite / 2, floorLit));
        QVERIFY2(once.isEmpty() || unlike(c, QColor(0, pieceWhite, floorLit)).isEmpty(), qPrintable(once));
    }

    void framesAfterAFitOrATurnShowItAndKeptFramesMatchWholeOnes()
    {
        ViewGame game;
        QVERIFY(game.start(GameData::piece("part", "small.md2", -0.1f, 0.1f, 0.3f)));
        game.frame(0);
        game.engine->takePiece(0);
        game.engine->tryFit(-0.1f, 0.1f);
        // After a change two frames are drawn whole, the third keeps what stays still, the fourth starts from what was kept.
        for (float turn : {-80.0f, -65.0f}) {
            game.view->setTurn(turn);
            QList<QImage> frames;
            for (int frame = 0; frame < 4; ++frame) {
                frames << game.frame(0);
                QCOMPARE(cubeMismatch(frames.last(), P(-0.1f, 0.1f, 0.3f), 0.06f, Camera{turn, -90, 1}), QString());
            }
            QVERIFY2(frames[2] == frames[0], "the frame that keeps the still scene");
            QVERIFY2(frames[3] == frames[0], "the frame that starts from it");
        }
    }

    void troughPieceGlidesATenthOfAUnitASecondAndTheNextFollows()
    {
        ViewGame game;
        // Edges 0.2 then 0.06; the lift always follows the first remaining piece: 0.1 + 0.6.
        QVERIFY(
            game.start(GameData::piece("part", "big.md2", 0, 0, 0) + GameData::piece("part", "small.md2", 0, 0, 0)));
        // 0.1 a second from -0.6; past 0.4 the next starts at -0.4. A frame draws, then moves on (one piece
        // at most): crossings at 10100 and 18200 ms, the pieces hidden in the end blocks.
        const QHash<int, QPair<float, float>> checks{
            {5000, {-0.1f, 0.2f}}, {14100, {0.0f, 0.06f}}, {23200, {0.1f, 0.2f}}};
        for (int ms : {0, 2500, 5000, 7500, 10100, 12600, 14100, 16600, 18200, 20700, 23200}) {
            game.frame(ms);
            if (!checks.contains(ms))
                continue;
            const QString off = cubeMismatch(game.frame(ms), P(-0.6f, checks[ms].first, 0.7f), checks[ms].second);
            QVERIFY2(off.isEmpty(), qPrintable(QStringLiteral("at %1 ms: %2").arg(ms).arg(off)));
        }
    }

    void pressTakesTheTroughPieceWithinFiftyPixelsWithTheLeftButton_data()
    {
        // Offsets from the right middle of the piece as the pick pass sees it; infinite: on the ghost.
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("taken");
        QTest::newRow("45 px right") << QPointF(45, 0) << Qt::LeftButton << true;
        QTest::newRow("55 px right") << QPointF(55, 0) << Qt::LeftButton << false;
        QTest::newRow("45 px below") << QPointF(-10, 45) << Qt::LeftButton << true;
        QTest::newRow("right button") << QPointF(-10, 0) << Qt::RightButton << false;
        QTest::newRow("on the ghost") << QPointF(qInf(), 0) << Qt::LeftButton << false;
    }

    void pressTakesTheTroughPieceWithinFiftyPixelsWithTheLeftButton()
    {
        QFETCH(QPointF, offset);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, taken);
        ViewGame game;
        QVERIFY(game.start(GameData::piece("shape", "big.md2", 0, 0, 0.3f)
                           + GameData::piece("part", "small.md2", 0, 0, 0)));
        game.frame(0);
        game.frame(4000); // glides to -0.2
        // The pick pass draws the pieces at the camera's own scale, not at 0.99: x of the right edge, y of the middle.
        const Camera c;
        const qreal right =
            qMax(c.world(P(-0.6f, -0.17f, 0.63f), size).x(), c.world(P(-0.6f, -0.23f, 0.63f), size).x());
        const QPointF at = QPointF(right, c.world(P(-0.6f, -0.2f, 0.63f), size).y()) + offset;
        game.mouse(QEvent::MouseButtonPress, qIsInf(offset.x()) ? c.piece(P(0, 0, 0.3f), size) : at, button);
        QCOMPARE(game.engine->current != nullptr, taken);
    }

    void missedPieceStaysHeldAndAnyButtonCarriesItButOnlyALeftReleaseFitsIt()
    {
        FakeSoundScope sound;
        ViewGame game;
        QVERIFY(missedOnce(game));
        const QPointF beside = Camera().piece(P(0.05f, 0.1f, 0.5f), size),
                      target = Camera().piece(P(-0.1f, 0.1f, 0.5f), size);
        QCOMPARE(cubeMismatch(game.frame(4000), P(0.05f, 0.1f, 0.5f), 0.06f), QString()); // where it fell
        game.mouse(QEvent::MouseMove, QPointF(200, 1)); // above the horizon: to the far plane
        QVERIFY(P(game.view->heldPos[0], game.view->heldPos[1], game.view->heldPos[2]).length() > 4);
        game.mouse(QEvent::MouseButtonPress, beside, Qt::RightButton);
        game.mouse(QEvent::MouseMove, target, Qt::RightButton);
        game.mouse(QEvent::MouseButtonRelease, target, Qt::RightButton);
        QVERIFY(game.engine->current);
        QCOMPARE(cubeMismatch(game.frame(4000), P(-0.1f, 0.1f, 0.5f), 0.06f), QString());
        game.mouse(QEvent::MouseButtonPress, target); // a piece is held: the press takes nothing
        game.mouse(QEvent::MouseButtonRelease, target);
        QCOMPARE(sound.playedEffects(), QStringList({"fits", "won"}));
        QCOMPARE(cubeMismatch(game.frame(4000), P(-0.1f, 0.1f, 0.3f), 0.06f), QString()); // snapped into place
    }

    void carryingAPieceDrawsFramesOnlyFromTheTwentyMillisecondChain()
    {
        ViewGame game;
        QVERIFY(game.start(GameData::piece("part", "small.md2", -0.1f, 0.1f, 0.3f)));
        game.frame(0);
        game.frame(4000);
        game.mouse(QEvent::MouseButtonPress, Camera().world(P(-0.6f, -0.2f, 0.63f), size));
        QVERIFY(game.engine->current);
        // A quick hand moves the mouse every few ms for a second: frames still come at most one per 20 ms.
        QSignalSpy frames(game.view.get(), &GLEngine::newTime);
        QElapsedTimer clock;
        clock.start();
        for (int move = 0; clock.elapsed() < 1000; ++move) {
            game.mouse(QEvent::MouseMove, Camera().piece(P(0.1f * (move % 3), 0.1f, 0.5f), size));
            QTest::qWait(3);
        }
        QVERIFY2(frames.count() > 0 && frames.count() <= clock.elapsed() / 20 + 1,
                 qPrintable(QString::number(frames.count())));
    }

    void nearestHitSkipsUnnamedRecordsAndTakesTheClosest()
    {
        // Records: name count, min depth, max depth, names. Depths compare unsigned.
        const GLuint unnamedNearer[] = {0, 5, 9, 1, 70, 80, 1}, twoNamed[] = {1, 90, 95, 7, 2, 40, 50, 3, 4},
                     equalDepths[] = {1, 40, 45, 6, 1, 40, 41, 8},
                     farAndNear[] = {1, 0xF0000000u, 0xF0000001u, 2, 1, 0x10000000u, 0x10000001u, 9};
        QCOMPARE(GLEngine::nearestHit(2, unnamedNearer), GLuint(1));
        QCOMPARE(GLEngine::nearestHit(2, twoNamed), GLuint(3));
        QCOMPARE(GLEngine::nearestHit(2, equalDepths), GLuint(6)); // the first of equal depths
        QCOMPARE(GLEngine::nearestHit(2, farAndNear), GLuint(9));
    }
};

QTEST_MAIN(TestGLEngine)
#include "test_glengine.moc"
