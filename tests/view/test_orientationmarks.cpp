// ctest-labels: integration
// Where the body lies: marks beyond its ends on Easy and Medium, for sets that say how it lies.
#include "testing/camera.h"
#include "testing/viewfixture.h"
#include "view/glformat.h"

#include <QTest>

namespace {

const QSize size(400, 400);

// Two cubes of edge 0.1 at (0, -0.1, 0.3) and (0, 0.1, 0.3): a body from y -0.15 to 0.15, its head towards -y
// (the left of the view at the starting camera), its own left towards -x, away from the eye.
QString body(const QString &lies)
{
    return lies + GameData::piece("part", "cube.md2", 0, -0.1f, 0.3f)
           + GameData::piece("part", "cube.md2", 0, 0.1f, 0.3f);
}

QImage frameOf(const QString &children, Difficulty difficulty)
{
    ViewGame game;
    return game.start(children, size, difficulty) ? game.frame(1000) : QImage();
}

} // namespace

class TestOrientationMarks : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void marksStandBeyondTheHeadAndTheFeetOnEasyAndMediumOnly_data()
    {
        QTest::addColumn<Difficulty>("difficulty");
        QTest::addColumn<QString>("lies");
        QTest::addColumn<bool>("marked");
        const QString known = "<towards_head>-y</towards_head><towards_left>-x</towards_left>";
        QTest::newRow("easy") << Difficulty::Easy << known << true;
        QTest::newRow("medium") << Difficulty::Medium << known << true;
        QTest::newRow("hard") << Difficulty::Hard << known << false;
        QTest::newRow("easy, the set says nothing")
            << Difficulty::Easy << QString("<towards_head>-y</towards_head>") << false;
    }

    void marksStandBeyondTheHeadAndTheFeetOnEasyAndMediumOnly()
    {
        QFETCH(Difficulty, difficulty);
        QFETCH(QString, lies);
        QFETCH(bool, marked);
        const QImage plain = frameOf(body(QString()), difficulty);
        const QImage marks = frameOf(body(lies), difficulty);
        QVERIFY(!plain.isNull() && !marks.isNull());
        const QRect changed = changedBox(plain, marks);
        QCOMPARE(!changed.isEmpty(), marked);
        if (!marked)
            return;
        // Beyond both ends of the body as the starting camera shows them, head to the left, feet to the right.
        const qreal headEnd = Camera().piece({0, -0.15f, 0.3f}, size).x();
        const qreal feetEnd = Camera().piece({0, 0.15f, 0.3f}, size).x();
        QVERIFY2(changed.left() < headEnd - 15 && changed.right() > feetEnd + 15,
                 qPrintable(QDebug::toString(changed)));
    }
};

QTEST_MAIN(TestOrientationMarks)
#include "test_orientationmarks.moc"
