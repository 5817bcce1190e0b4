// ctest-labels: integration
// The puzzle view on real frames: the room, the ghost, the pieces, the trough,
// the win text, and taking, carrying and dropping with the mouse, each checked
// where the camera's own numbers put it.
#include "game/gameengine.h"
#include "testing/camera.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"
#include "view/glengine.h"
#include "view/glformat.h"

#include <QDomDocument>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(Camera)

namespace {

using P = QVector3D;
const QSize size(400, 400);

// Expected lit colours. One white light from (1, 0, 1), no ambient of its
// own, OpenGL's global ambient 0.2, the current colour as material, normals
// not renormalised. An upward face in the room frame: 0.2 + cos 45 = 0.907.
// Under the furniture's 1.5 the normal shrinks to 1/1.5: grey 0.5 gives
// 0.5 * (0.2 + 0.7071 / 1.5) = 0.336. Pieces are drawn at 0.99: in the grey
// the furniture left 0.5 * (0.2 + 0.7071 / 0.99) = 0.457, in the ghost's
// white 0.914, and the ghost adds half of that onto what lies behind.
constexpr int floorLit = 231, furnitureLit = 86, pieceWhite = 233;

class SteppedView : public GLEngine
{
public:
    using GLEngine::GLEngine;
    int clockMs = 0;

protected:
    int now() const override { return clockMs; }
};

struct ViewGame
{
    GameData data;
    QDomDocument document;
    std::unique_ptr<GameEngine> engine;
    std::unique_ptr<SteppedView> view;

    ~ViewGame() { view.reset(); } // its GL objects go while the records exist
    bool start(const QString &children, QSize viewSize = size)
    {
        document.setContent(QStringLiteral("<set>%1</set>").arg(children));
        engine = std::make_unique<GameEngine>(&document);
        view = std::make_unique<SteppedView>(nullptr, engine.get());
        view->setFixedSize(viewSize);
        view->show();
        return QTest::qWaitForWindowExposed(view.get()) && view->isValid();
    }
    QImage frame(int clockMs)
    {
        view->clockMs = clockMs;
        return view->grabFramebuffer();
    }
    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton)
    {
        sendMouse(view.get(), type, at, type == QEvent::MouseMove ? Qt::NoButton : button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : button);
    }
};

QString rgb(QRgb c)
{
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// Within 4 of (r, g, b), else the colour found.
QString unlike(QRgb c, int r, int g, int b)
{
    return qAbs(qRed(c) - r) <= 4 && qAbs(qGreen(c) - g) <= 4 && qAbs(qBlue(c) - b) <= 4 ? QString() : rgb(c);
}

// The box of the pieces' green (nothing else in the room is green) against
// the box of a cube's projected corners: empty when they agree within a
// pixel and a half on every side.
QString boxMismatch(const QImage &image, QVector3D centre, float edge, const Camera &camera = Camera(), bool pieceFrame = true)
{
    QRect drawn;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGreen(image.pixel(x, y)) > 50 && qRed(image.pixel(x, y)) < 30)
                drawn |= QRect(x, y, 1, 1);
    QRectF expected;
    for (int i = 0; i < 8; ++i) {
        const P corner = centre + P(i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : -0.5f, i & 4 ? 0.5f : -0.5f) * edge;
        const QPointF p = pieceFrame ? camera.piece(corner, image.size()) : camera.world(corner, image.size());
        expected |= QRectF(p, QSizeF(1e-3, 1e-3));
    }
    const QRectF d(drawn);
    if (qAbs(d.left() - expected.left()) < 1.5 && qAbs(d.right() - expected.right()) < 1.5
        && qAbs(d.top() - expected.top()) < 1.5 && qAbs(d.bottom() - expected.bottom()) < 1.5)
        return QString();
    return QStringLiteral("drawn (%1, %2)-(%3, %4), expected (%5, %6)-(%7, %8)")
        .arg(d.left()).arg(d.top()).arg(d.right()).arg(d.bottom())
        .arg(expected.left(), 0, 'f', 1).arg(expected.top(), 0, 'f', 1).arg(expected.right(), 0, 'f', 1).arg(expected.bottom(), 0, 'f', 1);
}

} // namespace

class TestGLEngine : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void roomIsLitAndStandsWhereTheCameraPutsIt_data();
    void roomIsLitAndStandsWhereTheCameraPutsIt();
    void placedPieceStandsAtItsTargetUnderEveryCamera_data();
    void placedPieceStandsAtItsTargetUnderEveryCamera();
    void ghostIsTranslucentAndTurnedBeforeItIsMoved();
    void troughPieceGlidesAtItsSpeedAndComesRoundAgain();
    void framesAfterAFitOrATurnShowItOnceThingsKeepStill();
    void eachFrameAsksForTheNextUnlessTheViewIsHidden();
    void winTextIsRedBoldAndStartsAtTheCentre_data();
    void winTextIsRedBoldAndStartsAtTheCentre();
    void pressTakesTheTroughPieceWithinFiftyPixelsWithTheLeftButton_data();
    void pressTakesTheTroughPieceWithinFiftyPixelsWithTheLeftButton();
    void missedPieceStaysWhereItFellAndOnlyALeftReleaseOnTargetFitsIt();
    void nearestHitSkipsUnnamedRecordsAndTakesTheClosest();
};

void TestGLEngine::roomIsLitAndStandsWhereTheCameraPutsIt_data()
{
    QTest::addColumn<P>("at");
    QTest::addColumn<QColor>("expected");
    const QColor furniture(furnitureLit, furnitureLit, 0);
    QTest::newRow("marble floor") << P(0.05f, 0.3f, 0) << QColor(0, 0, floorLit);
    QTest::newRow("floor without its picture") << P(0.05f, 0.3f, 0) << QColor(floorLit, floorLit, floorLit);
    // Furniture: (-0.5, -0.3, 0) plus the table's offsets, times 1.5.
    QTest::newRow("top of stand B") << P(-0.75f, 0.75f, 0.93f) << furniture;
    QTest::newRow("top of end block A") << P(-0.6f, -0.45f, 0.93f) << furniture;
    QTest::newRow("front of end block B") << P(-0.435f, 0.45f, 0.7f) << furniture;
    QTest::newRow("back wall of the trough") << P(-0.75f, 0.1f, 0.88f) << furniture;
    QTest::newRow("carpet in the trough") << P(-0.55f, 0.1f, 0.57f) << QColor(furnitureLit, furnitureLit, furnitureLit);
}

void TestGLEngine::roomIsLitAndStandsWhereTheCameraPutsIt()
{
    QFETCH(P, at);
    QFETCH(QColor, expected);
    ViewGame game;
    if (QString(QTest::currentDataTag()).contains("without"))
        QFile::remove(QStringLiteral("marmor.png"));
    QVERIFY(game.start(QString()));
    const QImage image = game.frame(0);
    saveScreenshot(image, QStringLiteral("view/room"));
    const QPoint p = Camera().world(at, size).toPoint();
    QVERIFY(QRect(QPoint(), size).contains(p));
    QCOMPARE(unlike(image.pixel(p), expected.red(), expected.green(), expected.blue()), QString());
    QCOMPARE(image.pixel(200, 2), qRgb(0, 0, 0)); // above the horizon nothing is drawn
}

void TestGLEngine::placedPieceStandsAtItsTargetUnderEveryCamera_data()
{
    QTest::addColumn<Camera>("camera");
    QTest::addColumn<float>("zoomSpeed");
    QTest::newRow("starting camera") << Camera{-80, -90, 1} << 0.0f;
    QTest::newRow("turned") << Camera{-65, -90, 1} << 0.0f;
    QTest::newRow("tilted") << Camera{-80, -82, 1} << 0.0f;
    QTest::newRow("zoomed in") << Camera{-80, -90, 1.2f} << 40.0f; // 250 ms * 40 * 0.00002 = 0.2
}

void TestGLEngine::placedPieceStandsAtItsTargetUnderEveryCamera()
{
    QFETCH(Camera, camera);
    QFETCH(float, zoomSpeed);
    ViewGame game;
    // The shape has no model: it draws nothing but moves every target.
    QVERIFY(game.start(GameData::piece("shape", "none.md2", 0.05f, -0.1f, 0.02f)
                       + GameData::piece("part", "small.md2", -0.15f, 0.2f, 0.28f)));
    game.engine->takePiece(0);
    game.engine->tryFit(-0.1f, 0.1f);
    game.view->setTurn(camera.turn);
    game.view->setTilt(camera.tilt);
    game.view->setZoomSpeed(zoomSpeed);
    game.frame(0);
    const QImage image = game.frame(250);
    QCOMPARE(boxMismatch(image, P(-0.1f, 0.1f, 0.3f), 0.06f, camera), QString());
    // Normals are not renormalised: the zoom scales the light on the piece too.
    QCOMPARE(unlike(image.pixel(Camera(camera).piece(P(-0.1f, 0.1f, 0.3f), size).toPoint()), 0,
                    qRound(127.5f * (0.2f + 0.7071f / (0.99f * camera.zoom))), 0), QString());
}

void TestGLEngine::ghostIsTranslucentAndTurnedBeforeItIsMoved()
{
    ViewGame game;
    // A quarter turn about z before the move: (0.3, 0, 0.1) lands on (0, 0.3, 0.1).
    QVERIFY(game.start(QStringLiteral("<shape><filename>bodyparts/big.md2</filename><rot_z>90</rot_z>"
                                      "<pos_x>0.3</pos_x><pos_z>0.1</pos_z></shape>")));
    const QImage image = game.frame(0);
    QCOMPARE(boxMismatch(image, P(0, 0.3f, 0.1f), 0.2f), QString());
    // Half its lit white added once or twice (each face drawn before the one
    // in front of it): the blue floor shows through.
    const QRgb c = image.pixel(Camera().piece(P(0, 0.3f, 0.1f), size).toPoint());
    QVERIFY2(unlike(c, 0, pieceWhite / 2, floorLit).isEmpty() || unlike(c, 0, pieceWhite, floorLit).isEmpty(), qPrintable(rgb(c)));
}

void TestGLEngine::troughPieceGlidesAtItsSpeedAndComesRoundAgain()
{
    ViewGame game;
    // Edges 0.2 then 0.06; the lift always follows the first remaining piece: 0.1 + 0.6.
    QVERIFY(game.start(GameData::piece("part", "big.md2", 0, 0, 0) + GameData::piece("part", "small.md2", 0, 0, 0)));
    // 0.1 a second from -0.6; past 0.4 the next piece starts at -0.4. A frame
    // draws the piece where it is, then moves it on (at most one piece on):
    // crossings at 10100 and 18200 ms, the pieces hidden in the end blocks.
    const struct
    {
        int ms;
        float y, edge;
    } steps[] = {{5000, -0.1f, 0.2f}, {14100, 0.0f, 0.06f}, {23200, 0.1f, 0.2f}};
    int check = 0;
    for (int ms : {0, 2500, 5000, 7500, 10100, 12600, 14100, 16600, 18200, 20700, 23200}) {
        game.frame(ms);
        if (ms == steps[check].ms) {
            QCOMPARE(boxMismatch(game.frame(ms), P(-0.6f, steps[check].y, 0.7f), steps[check].edge), QString());
            ++check;
        }
    }
}

void TestGLEngine::framesAfterAFitOrATurnShowItOnceThingsKeepStill()
{
    ViewGame game;
    QVERIFY(game.start(GameData::piece("part", "small.md2", -0.1f, 0.1f, 0.3f)));
    // The room and the placed pieces are drawn once things keep still and
    // reused after: the third frame after each change is one of those.
    game.frame(0);
    game.frame(0);
    game.engine->takePiece(0);
    game.engine->tryFit(-0.1f, 0.1f);
    for (float turn : {-80.0f, -65.0f}) {
        game.view->setTurn(turn);
        for (int frame = 0; frame < 3; ++frame)
            QCOMPARE(boxMismatch(game.frame(0), P(-0.1f, 0.1f, 0.3f), 0.06f, Camera{turn, -90, 1}), QString());
    }
}

void TestGLEngine::eachFrameAsksForTheNextUnlessTheViewIsHidden()
{
    ViewGame game;
    QVERIFY(game.start(GameData::piece("part", "cube.md2", 0, 0, 0)));
    QSignalSpy frames(game.view.get(), &GLEngine::newTime);
    game.frame(0);
    QCOMPARE(frames.count(), 1);
    QVERIFY(game.view->frameTimer.isActive());
    QCOMPARE(game.view->frameTimer.interval(), 20);
    game.view->frameTimer.stop();
    game.view->hide();
    game.view->repaint();
    QCoreApplication::processEvents();
    QCOMPARE(frames.count(), 1);
    QVERIFY(!game.view->frameTimer.isActive());
    game.view->show();
    QTRY_VERIFY(frames.count() > 1);
}

void TestGLEngine::winTextIsRedBoldAndStartsAtTheCentre_data()
{
    QTest::addColumn<QSize>("viewSize");
    QTest::newRow("wide view") << QSize(1000, 400);
    QTest::newRow("narrow view") << QSize(640, 400);
}

void TestGLEngine::winTextIsRedBoldAndStartsAtTheCentre()
{
    QFETCH(QSize, viewSize);
    ViewGame game;
    QVERIFY(game.start(GameData::piece("part", "cube.md2", 0, 0, 0), viewSize));
    game.engine->takePiece(0);
    game.engine->tryFit(0, 0);
    const QImage image = game.frame(0);
    saveScreenshot(image, QStringLiteral("view/won-%1").arg(viewSize.width()));
    QRect red;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (unlike(image.pixel(x, y), 255, 0, 0).isEmpty())
                red |= QRect(x, y, 1, 1);
    // From the centre on the baseline; where that would run off the view,
    // moved left until its end stands 10 pixels inside.
    const QFontMetrics metrics(QFont(QStringLiteral("Sans"), 72, QFont::Bold));
    const int left = qMin(viewSize.width() / 2, viewSize.width() - metrics.horizontalAdvance(QStringLiteral("YOU WIN!")) - 10);
    const QRect ink = metrics.tightBoundingRect(QStringLiteral("YOU WIN!")).translated(left, viewSize.height() / 2);
    QVERIFY2(qAbs(red.left() - ink.left()) <= 3 && qAbs(red.right() - ink.right()) <= 3 && qAbs(red.top() - ink.top()) <= 3
                 && qAbs(red.bottom() - ink.bottom()) <= 3,
             qPrintable(QStringLiteral("%1,%2 %3x%4").arg(red.x()).arg(red.y()).arg(red.width()).arg(red.height())));
}

void TestGLEngine::pressTakesTheTroughPieceWithinFiftyPixelsWithTheLeftButton_data()
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

void TestGLEngine::pressTakesTheTroughPieceWithinFiftyPixelsWithTheLeftButton()
{
    QFETCH(QPointF, offset);
    QFETCH(int, button);
    QFETCH(bool, taken);
    ViewGame game;
    QVERIFY(game.start(GameData::piece("shape", "big.md2", 0, 0, 0.3f) + GameData::piece("part", "small.md2", 0, 0, 0)));
    game.frame(0);
    game.frame(4000); // glides to -0.2
    // The pick pass draws the pieces at the camera's own scale, not at 0.99.
    const P corner(-0.6f, -0.17f, 0.63f), across(-0.6f, -0.23f, 0.63f);
    const qreal right = qMax(Camera().world(corner, size).x(), Camera().world(across, size).x());
    game.mouse(QEvent::MouseButtonPress, QPointF(right, Camera().world(P(-0.6f, -0.2f, 0.63f), size).y()) + offset,
               Qt::MouseButton(button));
    QCOMPARE(game.engine->current != nullptr, taken);
    if (!taken && button == Qt::LeftButton) { // the ghost carries no name: pressing on it takes nothing
        game.mouse(QEvent::MouseButtonPress, Camera().piece(P(0, 0, 0.3f), size));
        QVERIFY(!game.engine->current);
    }
}

void TestGLEngine::missedPieceStaysWhereItFellAndOnlyALeftReleaseOnTargetFitsIt()
{
    FakeSoundScope sound;
    ViewGame game;
    QVERIFY(game.start(GameData::piece("part", "small.md2", -0.1f, 0.1f, 0.3f)));
    game.frame(0);
    game.frame(4000);
    game.mouse(QEvent::MouseButtonPress, Camera().world(P(-0.6f, -0.2f, 0.63f), size));
    QVERIFY(game.engine->current);
    // Dropped 0.15 beside its target on the carrying plane z = 0.5: still held, drawn where it fell.
    const QPointF beside = Camera().piece(P(0.05f, 0.1f, 0.5f), size), target = Camera().piece(P(-0.1f, 0.1f, 0.5f), size);
    game.mouse(QEvent::MouseMove, beside);
    game.mouse(QEvent::MouseButtonRelease, beside);
    QVERIFY(game.engine->current);
    QCOMPARE(boxMismatch(game.frame(4000), P(0.05f, 0.1f, 0.5f), 0.06f), QString());
    game.mouse(QEvent::MouseMove, QPointF(200, 1)); // above the horizon: off to the far plane
    QVERIFY(P(game.view->heldPos[0], game.view->heldPos[1], game.view->heldPos[2]).length() > 4);
    // Another button carries it but never drops it; the left one does.
    game.mouse(QEvent::MouseButtonPress, beside, Qt::RightButton);
    game.mouse(QEvent::MouseMove, target, Qt::RightButton);
    game.mouse(QEvent::MouseButtonRelease, target, Qt::RightButton);
    QVERIFY(game.engine->current);
    QCOMPARE(boxMismatch(game.frame(4000), P(-0.1f, 0.1f, 0.5f), 0.06f), QString());
    QVERIFY(sound.playedEffects().isEmpty());
    game.mouse(QEvent::MouseButtonPress, target); // a piece is held: the press takes nothing
    game.mouse(QEvent::MouseButtonRelease, target);
    QCOMPARE(game.engine->placed.size(), 1);
    QCOMPARE(sound.playedEffects(), QStringList({"fits", "won"}));
    QCOMPARE(boxMismatch(game.frame(4000), P(-0.1f, 0.1f, 0.3f), 0.06f), QString()); // snapped into place
}

void TestGLEngine::nearestHitSkipsUnnamedRecordsAndTakesTheClosest()
{
    // Records: name count, min depth, max depth, names. Depths compare unsigned.
    const GLuint unnamedNearest[] = {0, 5, 9, 1, 70, 80, 1}, twoNamed[] = {1, 90, 95, 7, 2, 40, 50, 3, 4},
                 equalDepths[] = {1, 40, 45, 6, 1, 40, 41, 8}, farAndNear[] = {1, 0xF0000000u, 0xF0000001u, 2, 1, 0x10000000u, 0x10000001u, 9};
    QCOMPARE(GLEngine::nearestHit(2, unnamedNearest), GLuint(1));
    QCOMPARE(GLEngine::nearestHit(2, twoNamed), GLuint(3));
    QCOMPARE(GLEngine::nearestHit(2, equalDepths), GLuint(6));
    QCOMPARE(GLEngine::nearestHit(2, farAndNear), GLuint(9));
}

QTEST_MAIN(TestGLEngine)
#include "test_glengine.moc"
