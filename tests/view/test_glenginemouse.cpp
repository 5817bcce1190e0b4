// ctest-labels: integration
#include "viewfixture.h"

#include "view/glformat.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>

using namespace viewtest;

namespace {

void sendMouse(QWidget *widget, QEvent::Type type, QPointF position, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void press(QWidget *widget, QPointF position, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseButtonPress, position, button, button);
}

void move(QWidget *widget, QPointF position, Qt::MouseButtons buttons = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseMove, position, Qt::NoButton, buttons);
}

void release(QWidget *widget, QPointF position, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(widget, QEvent::MouseButtonRelease, position, button, Qt::NoButton);
}

// Shape at (0, 0.1, 0.3); pieces whose targets lie at y -0.3, 0.1 + x -0.2
// and 0.5 on the drag plane.
QString threePieces()
{
    return piece("shape", "cube.md2", 0, 0.1f, 0.3f) + piece("part", "cube.md2", 0, -0.4f, 0)
        + piece("part", "small.md2", -0.2f, 0, 0) + piece("part", "big.md2", 0, 0.4f, 0);
}

bool near(const float *point, float x, float y, float z, float tolerance = 0.02f)
{
    return qAbs(point[0] - x) < tolerance && qAbs(point[1] - y) < tolerance
        && qAbs(point[2] - z) < tolerance;
}

QString text(const float *point)
{
    return QStringLiteral("(%1, %2, %3)").arg(point[0]).arg(point[1]).arg(point[2]);
}

} // namespace

class TestGLEngineMouse : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void pressTakesOnlyTheTroughPieceWithTheLeftButton();
    void pickRegionReachesFiftyPixelsAroundTheMouse();
    void dragCarriesThePieceAndOnlyALeftReleaseOnTargetFitsIt();
    void carryingAboveTheHorizonSendsThePieceToTheFarPlane();
    void wholePuzzleSolvedWithTheMouseEndsInTheWinText();
    void mouseMappingHoldsWhileTheWinTextIsShown();
    void nearestHitTakesTheClosestNamedRecord();

private:
    // Lets the trough piece glide into view (a frozen clock keeps it there)
    // and returns where it is drawn.
    static QPointF troughPiece(Game &game);
};

QPointF TestGLEngineMouse::troughPiece(Game &game)
{
    SteppedView &view = *game.view;
    const float pos = view.conveyorPos;
    game.frame(view.clockMs + int((-0.2f - pos) / 0.0001f + 0.5f));
    game.frame();
    const float lift = game.engine->remaining.first()->halfSizeZ();
    return game.project(-0.6f, view.conveyorPos, lift + 0.6f);
}

void TestGLEngineMouse::pressTakesOnlyTheTroughPieceWithTheLeftButton()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    game.frame(0);
    const QPointF trough = troughPiece(game);
    PieceRecord *first = game.engine->remaining.first();

    // On the ghost and on the floor: nothing.
    press(game.view.get(), game.project(0, 0.1f, 0.3f));
    release(game.view.get(), game.project(0, 0.1f, 0.3f));
    press(game.view.get(), QPointF(20, viewSize - 20));
    release(game.view.get(), QPointF(20, viewSize - 20));
    QVERIFY(!game.engine->current);
    // With another button: nothing.
    press(game.view.get(), trough, Qt::RightButton);
    release(game.view.get(), trough, Qt::RightButton);
    QVERIFY(!game.engine->current);

    press(game.view.get(), trough);
    QCOMPARE(game.engine->current, first);
    QCOMPARE(game.engine->remaining.size(), 2);
    QCOMPARE(game.view->conveyorPos, -0.4f);
    // The piece is held on the drag plane under the mouse.
    const float *held = game.view->heldPos;
    const QPointF under = game.project(held[0], held[1], held[2]);
    QVERIFY2(qAbs(held[2] - 0.5f) < 0.01f, qPrintable(text(held)));
    QVERIFY2((under - trough).manhattanLength() < 2, qPrintable(text(held)));

    // Holding one, a second press takes nothing.
    release(game.view.get(), QPointF(20, viewSize - 20));
    const QPointF next = troughPiece(game);
    press(game.view.get(), next);
    QCOMPARE(game.engine->current, first);
    QCOMPARE(game.engine->remaining.size(), 2);
}

void TestGLEngineMouse::pickRegionReachesFiftyPixelsAroundTheMouse()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    game.frame(0);
    const QPointF trough = troughPiece(game);

    // The piece is a few pixels wide: 75 pixels off misses, 35 takes.
    for (const QPointF offset : {QPointF(75, 0), QPointF(-75, 0), QPointF(0, 75), QPointF(0, -75)}) {
        press(game.view.get(), trough + offset);
        QVERIFY2(!game.engine->current, qPrintable(QStringLiteral("%1 %2").arg(offset.x()).arg(offset.y())));
    }
    press(game.view.get(), trough + QPointF(35, -35));
    QVERIFY(game.engine->current);
}

void TestGLEngineMouse::dragCarriesThePieceAndOnlyALeftReleaseOnTargetFitsIt()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    game.frame(0);
    QSignalSpy changed(game.engine.get(), &GameEngine::changed);
    GLEngine *view = game.view.get();

    press(view, troughPiece(game));
    PieceRecord *held = game.engine->current;
    QVERIFY(held);
    // Target of the first piece: (0, -0.4) + shape (0, 0.1).
    const QPointF target = game.project(0, -0.3f, 0.5f);
    const QPointF beside = game.project(0, -0.1f, 0.5f);

    move(view, beside);
    QVERIFY2(near(game.view->heldPos, 0, -0.1f, 0.5f), qPrintable(text(game.view->heldPos)));
    // The held piece is drawn where it was carried.
    QImage image = game.frame();
    game.saveScreenshot(image, QStringLiteral("carried"));
    QVERIFY2(isGreen(image.pixel(beside.toPoint())), qPrintable(describe(image.pixel(beside.toPoint()))));

    // Dropped beside its target: still held, where it was dropped.
    release(view, beside);
    QCOMPARE(game.engine->current, held);
    QCOMPARE(changed.count(), 0);
    QVERIFY(near(game.view->heldPos, 0, -0.1f, 0.5f));

    // A right drag carries it too, and its release tests nothing.
    move(view, target, Qt::RightButton);
    QVERIFY2(near(game.view->heldPos, 0, -0.3f, 0.5f), qPrintable(text(game.view->heldPos)));
    release(view, target, Qt::RightButton);
    QCOMPARE(game.engine->current, held);
    QCOMPARE(changed.count(), 0);

    // A left release on the target fits it.
    release(view, target);
    QVERIFY(!game.engine->current);
    QCOMPARE(game.engine->placed, QList<PieceRecord *>({held}));
    QCOMPARE(changed.count(), 1);

    // From the next frame it sits at its target (z 0.3), no longer at the drop.
    image = game.frame();
    game.saveScreenshot(image, QStringLiteral("fitted"));
    const QPointF placed = game.project(0, -0.3f, 0.3f);
    QVERIFY2(isGreen(image.pixel(placed.toPoint())), qPrintable(describe(image.pixel(placed.toPoint()))));

    // Moving with nothing held changes nothing.
    const float before[3] = {game.view->heldPos[0], game.view->heldPos[1], game.view->heldPos[2]};
    move(view, QPointF(10, 10));
    QCOMPARE(game.view->heldPos[0], before[0]);
    QCOMPARE(game.view->heldPos[1], before[1]);
}

void TestGLEngineMouse::carryingAboveTheHorizonSendsThePieceToTheFarPlane()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    game.frame(0);
    press(game.view.get(), troughPiece(game));
    QVERIFY(game.engine->current);

    move(game.view.get(), QPointF(viewSize / 2, 5));
    const float *held = game.view->heldPos;
    // Far beyond the 4-unit floor, along the line of sight (-x).
    QVERIFY2(held[0] < -5, qPrintable(text(held)));
    release(game.view.get(), QPointF(viewSize / 2, 5));
    QVERIFY(game.engine->current);
}

void TestGLEngineMouse::wholePuzzleSolvedWithTheMouseEndsInTheWinText()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    game.frame(0);
    QSignalSpy changed(game.engine.get(), &GameEngine::changed);
    QSignalSpy won(game.engine.get(), &GameEngine::won);
    GLEngine *view = game.view.get();

    for (int turn = 0; turn < 3; ++turn) {
        QVERIFY(game.view->message.isEmpty());
        const QPointF trough = troughPiece(game);
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, trough.toPoint());
        PieceRecord *held = game.engine->current;
        QVERIFY2(held, qPrintable(QString::number(turn)));
        const float tx = held->posX() + game.engine->offsetX;
        const float ty = held->posY() + game.engine->offsetY;
        const QPointF target = game.project(tx, ty, 0.5f);
        move(view, (trough + target) / 2);
        move(view, target);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, target.toPoint());
        QVERIFY2(!game.engine->current, qPrintable(text(game.view->heldPos)));
        QCOMPARE(changed.count(), turn + 1);
    }

    QCOMPARE(won.count(), 1);
    QVERIFY(game.engine->gameWon);
    QCOMPARE(game.engine->progress(), 100);
    const QImage image = game.frame();
    game.saveScreenshot(image, QStringLiteral("solved"));
    int red = 0;
    for (int y = viewSize / 2 - 60; y < viewSize / 2; ++y)
        for (int x = viewSize / 2; x < viewSize / 2 + 120; ++x)
            red += isRed(image.pixel(x, y));
    QVERIFY2(red > 200, qPrintable(QString::number(red)));

    // After the win the trough is empty and presses take nothing.
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 200));
    QVERIFY(!game.engine->current);
}

void TestGLEngineMouse::mouseMappingHoldsWhileTheWinTextIsShown()
{
    Game game;
    QVERIFY(game.start(threePieces()));
    game.frame(0);
    // The text over the frame must not disturb what the mouse relies on.
    game.view->message = QStringLiteral("YOU WIN!");
    const QPointF trough = troughPiece(game);
    const QPointF target = game.project(0, -0.3f, 0.5f);

    press(game.view.get(), trough);
    QVERIFY(game.engine->current);
    game.frame();
    move(game.view.get(), target);
    QVERIFY2(near(game.view->heldPos, 0, -0.3f, 0.5f), qPrintable(text(game.view->heldPos)));
    game.frame();
    release(game.view.get(), target);
    QVERIFY(!game.engine->current);
    QCOMPARE(game.engine->placed.size(), 1);
}

void TestGLEngineMouse::nearestHitTakesTheClosestNamedRecord()
{
    // Records: names, min depth, max depth, names...
    {
        const GLuint buffer[512] = {0, 10, 20, 1, 50, 60, 7, 1, 40, 50, 9};
        // The unnamed record is nearest but skipped.
        QCOMPARE(GLEngine::nearestHit(3, buffer), 9u);
        QCOMPARE(GLEngine::nearestHit(2, buffer), 7u);
        QCOMPARE(GLEngine::nearestHit(1, buffer), 0u);
    }
    {
        // Equal depths: the earlier wins; depths compare unsigned.
        const GLuint buffer[512] = {1, 0x80000000u, 0x80000000u, 4, 2, 0x7fffffffu, 1, 5, 6,
                                    1, 0x7fffffffu, 1, 8};
        QCOMPARE(GLEngine::nearestHit(3, buffer), 5u);
    }
    {
        // A count beyond what the buffer holds stops at its end.
        GLuint buffer[512] = {};
        buffer[0] = 600;
        QCOMPARE(GLEngine::nearestHit(1, buffer), 0u);
        QCOMPARE(GLEngine::nearestHit(100000, buffer), 0u);
    }
}

QTEST_MAIN(TestGLEngineMouse)
#include "test_glenginemouse.moc"
