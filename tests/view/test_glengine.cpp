// ctest-labels: integration
// The room, the ghost, the placed pieces, the trough and the win text on real
// frames, each checked where the camera's own numbers put it.
#include "viewfixture.h"

#include "view/glformat.h"

#include <QFile>
#include <QSignalSpy>

namespace {

using P = QVector3D;
const QSize size(400, 400);

// Expected lit colours. One white light from (1, 0, 1), no ambient of its
// own, OpenGL's global ambient 0.2, the current colour as material, normals
// not renormalised. An upward face in the room frame: 0.2 + cos 45 = 0.907.
// Under the furniture's 1.5 the normal shrinks to 1/1.5: grey 0.5 gives
// 0.5 * (0.2 + 0.7071 / 1.5) = 0.336. Pieces (drawn at 0.99) in the grey
// the furniture left: 0.5 * (0.2 + 0.7071 / 0.99) = 0.457; in the ghost's
// white: 0.914, and the ghost adds half of that onto what lies behind.
constexpr int floorLit = 231, furnitureLit = 86, pieceWhite = 233;

bool near(QRgb c, int r, int g, int b)
{
    return qAbs(qRed(c) - r) <= 4 && qAbs(qGreen(c) - g) <= 4 && qAbs(qBlue(c) - b) <= 4;
}

QString rgb(QRgb c)
{
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
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
    void hiddenViewDrawsNothingAndArmsNoFrame();
    void winTextIsRedBoldAndStartsAtTheCentre_data();
    void winTextIsRedBoldAndStartsAtTheCentre();
};

void TestGLEngine::roomIsLitAndStandsWhereTheCameraPutsIt_data()
{
    QTest::addColumn<P>("at");
    QTest::addColumn<QColor>("expected");
    QTest::addColumn<bool>("noFloorPicture");
    QTest::newRow("marble floor") << P(0.05f, 0.3f, 0) << QColor(0, 0, floorLit) << false;
    QTest::newRow("floor without its picture") << P(0.05f, 0.3f, 0) << QColor(floorLit, floorLit, floorLit) << true;
    // Furniture: (-0.5, -0.3, 0) plus the table's offsets, times 1.5.
    QTest::newRow("top of stand B") << P(-0.75f, 0.75f, 0.93f) << QColor(furnitureLit, furnitureLit, 0) << false;
    QTest::newRow("top of end block A") << P(-0.6f, -0.45f, 0.93f) << QColor(furnitureLit, furnitureLit, 0) << false;
    QTest::newRow("front of end block B") << P(-0.435f, 0.45f, 0.7f) << QColor(furnitureLit, furnitureLit, 0) << false;
    QTest::newRow("back wall of the trough") << P(-0.75f, 0.1f, 0.88f) << QColor(furnitureLit, furnitureLit, 0) << false;
    QTest::newRow("carpet in the trough") << P(-0.55f, 0.1f, 0.57f) << QColor(furnitureLit, furnitureLit, furnitureLit) << false;
}

void TestGLEngine::roomIsLitAndStandsWhereTheCameraPutsIt()
{
    QFETCH(P, at);
    QFETCH(QColor, expected);
    QFETCH(bool, noFloorPicture);
    ViewGame game;
    if (noFloorPicture)
        QFile::remove(game.data.path() + QStringLiteral("/marmor.png"));
    QVERIFY(game.start(QString()));
    const QImage image = game.frame(0);
    saveScreenshot(image, QStringLiteral("view/room"));
    const QPoint p = Camera().world(at, size).toPoint();
    QVERIFY2(QRect(QPoint(), size).contains(p), "the probe lies outside the view");
    const QRgb c = image.pixel(p);
    QVERIFY2(near(c, expected.red(), expected.green(), expected.blue()), qPrintable(rgb(c)));
    // Above the horizon nothing is drawn.
    QCOMPARE(image.pixel(200, 2), qRgb(0, 0, 0));
}

void TestGLEngine::placedPieceStandsAtItsTargetUnderEveryCamera_data()
{
    QTest::addColumn<float>("turn");
    QTest::addColumn<float>("tilt");
    QTest::addColumn<float>("zoomSpeed");
    QTest::addColumn<float>("zoom");
    QTest::newRow("starting camera") << -80.0f << -90.0f << 0.0f << 1.0f;
    QTest::newRow("turned") << -65.0f << -90.0f << 0.0f << 1.0f;
    QTest::newRow("tilted") << -80.0f << -82.0f << 0.0f << 1.0f;
    // 250 ms at speed 40: 250 * 40 * 0.00002 = 0.2 more.
    QTest::newRow("zoomed in") << -80.0f << -90.0f << 40.0f << 1.2f;
}

void TestGLEngine::placedPieceStandsAtItsTargetUnderEveryCamera()
{
    QFETCH(float, turn);
    QFETCH(float, tilt);
    QFETCH(float, zoomSpeed);
    QFETCH(float, zoom);
    ViewGame game;
    // The shape has no model: it draws nothing but moves every target.
    QVERIFY(game.start(GameData::piece("shape", "none.md2", 0.05f, -0.1f, 0.02f)
                       + GameData::piece("part", "small.md2", -0.15f, 0.2f, 0.28f)));
    game.engine->takePiece(0);
    game.engine->tryFit(-0.1f, 0.1f);
    QCOMPARE(game.engine->placed.size(), 1);
    game.view->setTurn(turn);
    game.view->setTilt(tilt);
    game.view->setZoomSpeed(zoomSpeed);
    game.frame(0);
    const QImage image = game.frame(250);
    const QRect drawn = pieceBox(image);
    const QRectF expected = cubeBox(Camera{turn, tilt, zoom}, P(-0.1f, 0.1f, 0.3f), 0.06f, size);
    QVERIFY2(sameBox(drawn, expected), qPrintable(describe(drawn, expected)));
    // Normals are not renormalised: zooming scales the light on the piece too.
    const QRgb centre = image.pixel(drawn.center());
    QVERIFY2(near(centre, 0, qRound(127.5f * (0.2f + 0.7071f / (0.99f * zoom))), 0), qPrintable(rgb(centre)));
}

void TestGLEngine::ghostIsTranslucentAndTurnedBeforeItIsMoved()
{
    ViewGame game;
    // Turned a quarter about Z before the move: (0.3, 0, 0.1) lands on (0, 0.3, 0.1).
    QVERIFY(game.start(QStringLiteral("<shape><filename>bodyparts/big.md2</filename><rot_z>90</rot_z>"
                                      "<pos_x>0.3</pos_x><pos_z>0.1</pos_z></shape>")));
    const QImage image = game.frame(0);
    saveScreenshot(image, QStringLiteral("view/ghost"));
    const QRect drawn = pieceBox(image);
    const QRectF expected = cubeBox(Camera(), P(0, 0.3f, 0.1f), 0.2f, size);
    QVERIFY2(sameBox(drawn, expected), qPrintable(describe(drawn, expected)));
    // Half of its lit white added onto whatever lies behind, once for each
    // face drawn before the one in front of it: the blue floor shows through.
    const QRgb c = image.pixel(drawn.center());
    QVERIFY2(near(c, 0, pieceWhite / 2, floorLit) || near(c, 0, pieceWhite, floorLit), qPrintable(rgb(c)));
}

void TestGLEngine::troughPieceGlidesAtItsSpeedAndComesRoundAgain()
{
    ViewGame game;
    // Edges 0.2 then 0.06; every lift follows the first remaining piece: 0.1 + 0.6.
    QVERIFY(game.start(GameData::piece("part", "big.md2", 0, 0, 0) + GameData::piece("part", "small.md2", 0, 0, 0)));
    struct Step
    {
        int ms;
        float y, edge;
    };
    // 0.1 units a second from -0.6; past 0.4 the next piece starts at -0.4.
    const Step steps[] = {{5000, -0.1f, 0.2f}, {14100, 0.0f, 0.06f}, {23200, 0.1f, 0.2f}};
    // A frame draws the piece where it is, then moves it on by the time since
    // the last one (at most one piece on). Crossings at 10100 and 18200 ms.
    const int times[] = {0, 2500, 5000, 7500, 10100, 12600, 14100, 16600, 18200, 20700, 23200};
    const Step *step = steps;
    for (int ms : times) {
        game.frame(ms);
        if (ms != step->ms)
            continue;
        const QRect drawn = pieceBox(game.frame(ms));
        const QRectF expected = cubeBox(Camera(), P(-0.6f, step->y, 0.7f), step->edge, size);
        QVERIFY2(sameBox(drawn, expected), qPrintable(QStringLiteral("%1 ms: ").arg(ms) + describe(drawn, expected)));
        ++step;
    }
}

void TestGLEngine::hiddenViewDrawsNothingAndArmsNoFrame()
{
    ViewGame game;
    QVERIFY(game.start(GameData::piece("part", "cube.md2", 0, 0, 0)));
    QSignalSpy frames(game.view.get(), &GLEngine::newTime);
    game.frame(0);
    QCOMPARE(frames.count(), 1);
    // Each frame asks for the next one 20 ms on.
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
            if (qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 60 && qBlue(image.pixel(x, y)) < 60)
                red |= QRect(x, y, 1, 1);
    const QFontMetrics metrics(QFont(QStringLiteral("Sans"), 72, QFont::Bold));
    const QRect ink = metrics.tightBoundingRect(QStringLiteral("YOU WIN!"));
    // From the centre on the baseline; where that would run off the view,
    // moved left until its end stands 10 pixels inside.
    const int left = qMin(viewSize.width() / 2, viewSize.width() - metrics.horizontalAdvance(QStringLiteral("YOU WIN!")) - 10);
    const QRect expected = ink.translated(left, viewSize.height() / 2);
    QVERIFY2(qAbs(red.left() - expected.left()) <= 3 && qAbs(red.right() - expected.right()) <= 3
                 && qAbs(red.top() - expected.top()) <= 3 && qAbs(red.bottom() - expected.bottom()) <= 3,
             qPrintable(QStringLiteral("red ink (%1,%2)-(%3,%4), expected (%5,%6)-(%7,%8)")
                            .arg(red.left()).arg(red.top()).arg(red.right()).arg(red.bottom())
                            .arg(expected.left()).arg(expected.top()).arg(expected.right()).arg(expected.bottom())));
}

QTEST_MAIN(TestGLEngine)
#include "test_glengine.moc"
