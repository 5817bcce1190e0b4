// ctest-labels: integration
#include "viewfixture.h"

#include "view/glformat.h"

#include <QSignalSpy>

using namespace viewtest;

namespace {

// Shape at (0, 0, 0.3); pieces with targets at y -0.4, 0.4 and 0.8.
QString threePieces()
{
    return piece("shape", "cube.md2", 0, 0, 0.3f) + piece("part", "small.md2", 0, -0.4f, 0)
        + piece("part", "cube.md2", -0.2f, 0.4f, 0) + piece("part", "big.md2", 0, 0.8f, 0);
}

} // namespace

class TestGLEngine : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void drawsFloorFurnitureGhostAndTroughPiece();
    void placedPieceIsDrawnAtItsTarget();
    void winShowsRedTextAndLeavesTheMouseMappingIntact();
    void winTextStartsAtTheCentreUnlessItWouldRunOffTheView_data();
    void winTextStartsAtTheCentreUnlessItWouldRunOffTheView();
    void hiddenViewEmitsNothingAndSchedulesNothing();
    void elapsedIsZeroBeforeTheViewIsSetUp();
    void troughPieceGlidesAndWrapsAlongTheList();
    void troughLiftFollowsTheFirstRemainingPiece();
    void takingTheLastIndexWrapsAndTakingTheOnlyPieceEmptiesTheTrough();
    void zoomFollowsTheSpeedAndStopsAtItsFloor();
    void missingTexturesDrawPlainSurfaces();
    void cleanupReleasesEveryGlObjectAndMayRunTwice();
};

void TestGLEngine::drawsFloorFurnitureGhostAndTroughPiece()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    const QImage image = game.frame(0);
    game.saveScreenshot(image, QStringLiteral("start"));
    QCOMPARE(image.size(), QSize(viewSize, viewSize));

    // Floor in front of the stands, near the viewer.
    const QPointF floor = game.projectWorld(-0.3f, 1.2f, 0);
    QVERIFY2(isBlue(image.pixel(floor.toPoint())), qPrintable(describe(image.pixel(floor.toPoint()))));

    // Top of stand B (furniture frame (-0.5, 0.5, 0.62), scale 1.5).
    const QPointF stand = game.projectWorld(-0.75f + 0.2f, 0.75f, 0.93f);
    QVERIFY2(isYellow(image.pixel(stand.toPoint())), qPrintable(describe(image.pixel(stand.toPoint()))));

    // Ghost of the shape at (0, 0, 0.3): green added onto the blue floor.
    const QPointF ghost = game.project(0, 0, 0.3f);
    const QRgb ghostPixel = image.pixel(ghost.toPoint());
    QVERIFY2(qGreen(ghostPixel) > 40 && qBlue(ghostPixel) > 100, qPrintable(describe(ghostPixel)));

    // The first piece enters the trough at -0.6, inside end block A, and
    // glides out; it is lit in the ghost's white, brighter than the ghost.
    const float lift = game.engine->remaining.first()->halfSizeZ();
    QCOMPARE(lift, 0.03f);
    const QPointF hidden = game.project(-0.6f, -0.6f, lift + 0.6f);
    QVERIFY2(isYellow(image.pixel(hidden.toPoint())), qPrintable(describe(image.pixel(hidden.toPoint()))));
    // A frame draws the piece where it is, then moves it on.
    game.frame(4000);
    QCOMPARE(game.view->conveyorPos, -0.2f);
    const QImage later = game.frame();
    game.saveScreenshot(later, QStringLiteral("gliding"));
    const QPointF trough = game.project(-0.6f, -0.2f, lift + 0.6f);
    const QRgb troughPixel = later.pixel(trough.toPoint());
    QVERIFY2(isGreen(troughPixel) && qGreen(troughPixel) > 150, qPrintable(describe(troughPixel)));
}

void TestGLEngine::placedPieceIsDrawnAtItsTarget()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    const QPointF target = game.project(-0.2f, 0.4f, 0.3f);
    QVERIFY2(!isGreen(game.frame(0).pixel(target.toPoint())), "nothing at the target before the fit");

    game.engine->takePiece(1);
    game.engine->tryFit(-0.2f, 0.4f);
    QCOMPARE(game.engine->placed.size(), 1);
    const QImage image = game.frame();
    game.saveScreenshot(image, QStringLiteral("placed"));
    const QRgb placed = image.pixel(target.toPoint());
    // Grey-lit green, darker than the trough piece.
    QVERIFY2(isGreen(placed), qPrintable(describe(placed)));
}

void TestGLEngine::winShowsRedTextAndLeavesTheMouseMappingIntact()
{
    Game game;
    QVERIFY(game.start(piece("part", "cube.md2", 0, 0, 0.3f)));
    game.frame(0);
    const QPointF probe = game.project(0.2f, 0.1f, 0.5f);

    // Where the mouse maps before any text is drawn.
    GLEngine &view = *game.view;
    float before[3] = {0, 0, 0};
    view.makeCurrent();
    view.unprojectToPlane(probe.toPoint().x(), probe.toPoint().y(), 0.5f, before);
    view.doneCurrent();
    QVERIFY(qAbs(before[0] - 0.2f) < 0.01f && qAbs(before[1] - 0.1f) < 0.01f);

    QSignalSpy won(game.engine.get(), &GameEngine::won);
    game.engine->takePiece(0);
    game.engine->tryFit(0, 0);
    QCOMPARE(won.count(), 1);
    QCOMPARE(view.message, QStringLiteral("YOU WIN!"));

    const QImage image = game.frame(40);
    game.saveScreenshot(image, QStringLiteral("won"));
    int red = 0;
    for (int y = viewSize / 2 - 60; y < viewSize / 2; ++y)
        for (int x = viewSize / 2; x < viewSize / 2 + 120; ++x)
            red += isRed(image.pixel(x, y));
    QVERIFY2(red > 200, qPrintable(QString::number(red)));
    // Nothing of the text left of or below its start.
    for (int y = viewSize / 2 + 25; y < viewSize; y += 5)
        for (int x = 0; x < viewSize / 2 - 10; x += 5)
            QVERIFY(!isRed(image.pixel(x, y)));

    // The text leaves depth test, matrices and viewport as the scene had them.
    float after[3] = {0, 0, 0};
    view.makeCurrent();
    GLboolean depthTest = GL_FALSE;
    glGetBooleanv(GL_DEPTH_TEST, &depthTest);
    view.unprojectToPlane(probe.toPoint().x(), probe.toPoint().y(), 0.5f, after);
    view.doneCurrent();
    QVERIFY(depthTest);
    QCOMPARE(after[0], before[0]);
    QCOMPARE(after[1], before[1]);
    QCOMPARE(after[2], before[2]);

    // A second win changes nothing, and the next frames still draw the room.
    emit game.engine->won();
    QCOMPARE(view.message, QStringLiteral("YOU WIN!"));
    const QImage next = game.frame(60);
    const QPointF floor = game.projectWorld(-0.3f, 1.2f, 0);
    QVERIFY2(isBlue(next.pixel(floor.toPoint())), qPrintable(describe(next.pixel(floor.toPoint()))));
}

void TestGLEngine::winTextStartsAtTheCentreUnlessItWouldRunOffTheView_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("wide view") << 1200;
    QTest::newRow("narrow view") << 700;
}

void TestGLEngine::winTextStartsAtTheCentreUnlessItWouldRunOffTheView()
{
    QFETCH(int, width);
    Game game;
    QVERIFY(game.start(piece("part", "cube.md2", 0, 0, 0.3f), QSize(width, 300)));
    game.engine->takePiece(0);
    game.engine->tryFit(0, 0);
    const QImage image = game.frame(40);
    game.saveScreenshot(image, QStringLiteral("won-%1").arg(width));

    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isRed(image.pixel(x, y))) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
    QVERIFY2(right > left, "no win text drawn");
    // Its end is never cut off by the view's right edge.
    QVERIFY2(right < image.width() - 5, qPrintable(QStringLiteral("%1..%2").arg(left).arg(right)));
    if (right - left < width / 2 - 20)
        QVERIFY2(qAbs(left - width / 2) < 15, qPrintable(QString::number(left))); // room to start at the centre
    else
        QVERIFY2(left < width / 2 - 10, qPrintable(QString::number(left))); // moved left to fit
}

void TestGLEngine::hiddenViewEmitsNothingAndSchedulesNothing()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    QSignalSpy newTime(game.view.get(), &GLEngine::newTime);

    // Running: every frame asks for the next.
    QTRY_VERIFY_WITH_TIMEOUT(newTime.count() >= 3, 5000);
    QVERIFY(game.view->frameTimer.isActive());
    QCOMPARE(game.view->frameTimer.interval(), 20);

    game.view->hide();
    QTRY_VERIFY(!game.view->frameTimer.isActive());
    newTime.clear();
    game.frame(); // a paint forced while hidden
    QTest::qWait(100);
    QCOMPARE(newTime.count(), 0);
    QVERIFY(!game.view->frameTimer.isActive());

    game.view->show();
    QTRY_VERIFY_WITH_TIMEOUT(newTime.count() >= 3, 5000);
}

void TestGLEngine::elapsedIsZeroBeforeTheViewIsSetUp()
{
    GameEngine engine(nullptr);
    GLEngine view(nullptr, &engine);
    QCOMPARE(view.elapsed(), 0);

    view.setFixedSize(64, 64);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_VERIFY(view.elapsed() > 0);
}

void TestGLEngine::troughPieceGlidesAndWrapsAlongTheList()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    SteppedView &view = *game.view;
    game.frame(0);
    QCOMPARE(view.conveyorIndex, 0);
    QCOMPARE(view.conveyorPos, -0.6f);

    // 0.1 units per second of play.
    game.frame(1000);
    QCOMPARE(view.conveyorPos, -0.5f);
    // Nothing moves while the clock stands still.
    game.frame(1000);
    QCOMPARE(view.conveyorPos, -0.5f);

    // Up to 0.4 itself the piece stays; past it the next one enters at -0.4.
    game.frame(10000);
    QCOMPARE(view.conveyorPos, 0.4f);
    QCOMPARE(view.conveyorIndex, 0);
    game.frame(10010);
    QCOMPARE(view.conveyorIndex, 1);
    QCOMPARE(view.conveyorPos, -0.4f);

    // A long pause moves on by one piece at most.
    game.frame(60000);
    QCOMPARE(view.conveyorIndex, 2);
    QCOMPARE(view.conveyorPos, -0.4f);

    // After the last piece the first comes again.
    game.frame(70000);
    QCOMPARE(view.conveyorIndex, 3);
    game.frame(70000);
    QCOMPARE(view.conveyorIndex, 0);
}

void TestGLEngine::troughLiftFollowsTheFirstRemainingPiece()
{
    Game game;
    // First remaining piece: small (half height 0.03); the shown one is big.
    QVERIFY(game.start(piece("part", "small.md2", 0, 0, 0) + piece("part", "big.md2", 0, 0, 0)));
    SteppedView &view = *game.view;
    game.frame(0);
    view.conveyorIndex = 1;
    view.conveyorPos = 0;
    const QImage image = game.frame();
    game.saveScreenshot(image, QStringLiteral("lift"));

    // The big cube (edge 0.2) sits with its centre at 0.03 + 0.6, its top
    // at 0.73; lifted by its own half height the top would be at 0.8.
    const int column = game.project(-0.6f, 0, 0.63f).toPoint().x();
    int top = 0;
    while (top < viewSize && !isGreen(image.pixel(column, top)))
        ++top;
    const double expected = game.project(-0.7f, 0, 0.73f).y();
    const double ownLift = game.project(-0.7f, 0, 0.8f).y();
    QVERIFY2(ownLift < expected - 4, "the two lifts must be told apart");
    QVERIFY2(qAbs(top - expected) <= 2, qPrintable(QStringLiteral("%1 %2").arg(top).arg(expected)));
}

void TestGLEngine::takingTheLastIndexWrapsAndTakingTheOnlyPieceEmptiesTheTrough()
{
    Game game;
    QVERIFY(game.start(piece("part", "cube.md2", 0, 0, 0) + piece("part", "cube.md2", 0, 0, 0)));
    SteppedView &view = *game.view;
    game.frame(0);
    view.conveyorIndex = 1;
    game.engine->takePiece(1);
    game.frame();
    QCOMPARE(view.conveyorIndex, 0);

    game.engine->tryFit(0, 0);
    game.engine->takePiece(0);
    QVERIFY(game.engine->remaining.isEmpty());
    const float pos = view.conveyorPos;
    const QImage image = game.frame(5000);
    QCOMPARE(view.conveyorPos, pos); // the trough stands still when empty
    const QPointF trough = game.project(-0.6f, pos, 0.65f);
    QVERIFY2(!isGreen(image.pixel(trough.toPoint())), qPrintable(describe(image.pixel(trough.toPoint()))));
}

void TestGLEngine::zoomFollowsTheSpeedAndStopsAtItsFloor()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    SteppedView &view = *game.view;
    game.frame(0);
    QCOMPARE(view.zoom, 1.0f);

    // At rest nothing changes, whatever the frame times.
    game.frame(300);
    game.frame(5000);
    QCOMPARE(view.zoom, 1.0f);

    // Full deflection: 1.0 per second.
    view.setZoomSpeed(50);
    game.frame(5500);
    QCOMPARE(view.zoom, 1.5f);
    view.setZoomSpeed(-25);
    game.frame(6500);
    QCOMPARE(view.zoom, 1.0f);

    // Released: the zoom stays where it is.
    view.setZoomSpeed(0);
    game.frame(9000);
    QCOMPARE(view.zoom, 1.0f);

    // Held down for long, it stops at its floor instead of turning the
    // scene inside out; the mouse still maps onto the scene there.
    view.setZoomSpeed(-50);
    game.frame(10000);
    QCOMPARE(view.zoom, GLEngine::zoomMinimum);
    game.frame(20000);
    QCOMPARE(view.zoom, GLEngine::zoomMinimum);
    const QImage image = game.frame();
    game.saveScreenshot(image, QStringLiteral("zoomed-out"));
    const QPointF probe = game.project(0.1f, 0.2f, 0.5f);
    float point[3] = {9, 9, 9};
    view.makeCurrent();
    view.unprojectToPlane(probe.toPoint().x(), probe.toPoint().y(), 0.5f, point);
    view.doneCurrent();
    QVERIFY2(qAbs(point[0] - 0.1f) < 0.2f && qAbs(point[1] - 0.2f) < 0.2f,
             qPrintable(QStringLiteral("%1 %2").arg(point[0]).arg(point[1])));

    // And it grows again from there.
    view.setZoomSpeed(50);
    game.frame(20100);
    QCOMPARE(view.zoom, GLEngine::zoomMinimum + 0.1f);
}

void TestGLEngine::missingTexturesDrawPlainSurfaces()
{
    Game game;
    QVERIFY(game.dir.isValid());
    QVERIFY(writeData(game.dir.path()));
    QVERIFY(QFile::remove(game.dir.filePath(QStringLiteral("marmor.png"))));
    QVERIFY(QFile::remove(game.dir.filePath(QStringLiteral("bambou.png"))));
    QVERIFY(QDir::setCurrent(game.dir.path()));
    GameEngine engine(nullptr);
    SteppedView view(nullptr, &engine);
    view.setFixedSize(viewSize, viewSize);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage image = view.grabFramebuffer();
    game.saveScreenshot(image, QStringLiteral("no-textures"));
    // Untextured floor: lit white, grey.
    const QRgb c = image.pixel(viewSize / 2, viewSize - 20);
    QVERIFY2(qRed(c) > 100 && qAbs(qRed(c) - qBlue(c)) < 10 && qAbs(qRed(c) - qGreen(c)) < 10,
             qPrintable(describe(c)));
}

void TestGLEngine::cleanupReleasesEveryGlObjectAndMayRunTwice()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    game.frame(0);
    SteppedView &view = *game.view;
    game.engine->takePiece(0);
    game.engine->tryFit(0, -0.4f);
    game.engine->takePiece(0);

    QList<GLuint> lists(std::begin(view.furnitureLists), std::end(view.furnitureLists));
    for (const PieceRecord *r : std::as_const(game.engine->remaining))
        lists << r->displayList;
    lists << game.engine->placed.first()->displayList << game.engine->current->displayList
          << game.engine->shapePiece->displayList;
    const QList<GLuint> textures = {view.bambooTexture, view.marbleTexture, view.carpetTexture};

    view.makeCurrent();
    for (GLuint list : lists)
        QVERIFY(glIsList(list));
    for (GLuint texture : textures)
        QVERIFY(glIsTexture(texture));
    view.doneCurrent();

    view.cleanup();
    view.cleanup();

    view.makeCurrent();
    for (GLuint list : lists)
        QVERIFY(!glIsList(list));
    for (GLuint texture : textures)
        QVERIFY(!glIsTexture(texture));
    view.doneCurrent();
    QCOMPARE(game.engine->current->displayList, 0u);
    QCOMPARE(game.engine->shapePiece->displayList, 0u);
}

QTEST_MAIN(TestGLEngine)
#include "test_glengine.moc"
