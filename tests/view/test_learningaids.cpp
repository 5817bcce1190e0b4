// ctest-labels: integration
// What the view teaches: names by difficulty, the hint after misses, the report at the win in the game screen.
#include "testing/camera.h"
#include "testing/viewfixture.h"
#include "view/glformat.h"
#include "widgets/singleplayerscreen.h"

#include <QTest>

namespace {

using P = QVector3D;
const QSize size(400, 400);
const QFont captionFont("Sans", 18, QFont::Bold), reportFont("Sans", 20, QFont::Bold);

// The near-white ink of a region against the same text drawn by hand, each moved to the origin, within a pixel.
QString inkDiffers(const QImage &image, QRect region, const QFont &font, const QString &text)
{
    const auto ink = [](const QImage &picture, QRect area) {
        QRegion lit;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (const QRgb p = picture.pixel(x, y); qMin(qMin(qRed(p), qGreen(p)), qBlue(p)) > 160)
                    lit += QRect(x, y, 1, 1);
        return lit.translated(-lit.boundingRect().topLeft());
    };
    const QRegion drawn = ink(image, region);
    const QRegion want =
        ink(textPicture({1200, 300}, {10, 10, 1180, 280}, font, Qt::AlignLeft, text), {0, 0, 1200, 300});
    const auto grown = [](const QRegion &r) { // by a pixel each way
        const QRegion wide = r + r.translated(1, 0) + r.translated(-1, 0);
        return wide + wide.translated(0, 1) + wide.translated(0, -1);
    };
    const QRegion off = (want - grown(drawn)) + (drawn - grown(want));
    const bool same = drawn.boundingRect().size() == want.boundingRect().size() && off.isEmpty();
    return same ? QString()
                : QString("\"%1\": %2 of %3 ink patches off").arg(text).arg(off.rectCount()).arg(want.rectCount());
}

// Two named pieces: the cube (edge 0.06) with its target at (-0.1, 0.1, 0.3) once the model-less shape has
// moved it, then the ball. The cube glides from -0.6 at 0.1 a second to -0.2 at 4 s, lifted 0.03 + 0.6, and
// is taken there at the camera's own scale, then carried 0.15 beside its target on the plane z = 0.5.
struct LearningGame : ViewGame
{
    bool start(Difficulty difficulty)
    {
        return ViewGame::start(
            GameData::piece("shape", "none.md2", 0.05f, -0.1f, 0.02f)
                + "<part><name>Cube</name>"
                  "<filename>bodyparts/small.md2</filename><pos_x>-0.15</pos_x><pos_y>0.2</pos_y>"
                  "<pos_z>0.28</pos_z></part><part><name>Ball</name><filename>bodyparts/cube.md2</filename>"
                  "</part>",
            size, difficulty);
    }
    bool takeTheCube()
    {
        frame(4000);
        mouse(P(-0.6f, -0.2f, 0.63f) / 0.99f, QEvent::MouseButtonPress);
        mouse(P(0.05f, 0.1f, 0.5f), QEvent::MouseMove);
        return engine->current;
    }
    void mouse(P at, QEvent::Type type) { ViewGame::mouse(type, Camera().piece(at, size)); }
    void missBeside() { mouse(P(0.05f, 0.1f, 0.5f), QEvent::MouseButtonRelease); }
    QString caption(int ms, const QString &text) { return inkDiffers(frame(ms), {0, 0, 400, 100}, captionFont, text); }
};

} // namespace

class TestLearningAids : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void captionsNameTroughHandMissAndFitUnlessHard_data()
    {
        QTest::addColumn<Difficulty>("difficulty");
        QTest::addColumn<QString>("onTheTrough");
        QTest::addColumn<QString>("inTheHand");
        QTest::addColumn<QString>("onTheBall"); // dropped on the ball's place, (0.05, -0.1); cut short in 400 pixels
        QTest::addColumn<QString>("next");      // on the trough once the cube is fitted
        QTest::newRow("easy") << Difficulty::Easy << "On the trough: Cube"
                              << "In your hand: Cube" << QString::fromUtf8("That is where the ball g\u2026")
                              << "On the trough: Ball";
        QTest::newRow("hard") << Difficulty::Hard << ""
                              << ""
                              << "Not here"
                              << "";
    }

    void captionsNameTroughHandMissAndFitUnlessHard()
    {
        QFETCH(Difficulty, difficulty);
        QFETCH(QString, onTheTrough);
        QFETCH(QString, inTheHand);
        QFETCH(QString, onTheBall);
        QFETCH(QString, next);
        LearningGame game;
        QVERIFY(game.start(difficulty));
        QCOMPARE(game.caption(4000, onTheTrough), QString());
        QVERIFY(game.takeTheCube());
        QCOMPARE(game.caption(4000, inTheHand), QString());
        game.mouse(P(0.05f, -0.1f, 0.5f), QEvent::MouseButtonRelease);
        QCOMPARE(game.caption(4000, onTheBall), QString()); // a miss tells for two seconds
        QCOMPARE(game.caption(5900, onTheBall), QString());
        QCOMPARE(game.caption(6000, inTheHand), QString());
        game.missBeside();
        QCOMPARE(game.caption(6000, "Not here"), QString());
        game.mouse(P(-0.1f, 0.1f, 0.5f), QEvent::MouseMove);
        game.mouse(P(-0.1f, 0.1f, 0.5f), QEvent::MouseButtonRelease);
        QVERIFY(!game.engine->current);
        QCOMPARE(game.caption(6000, "Fitted: Cube"), QString()); // a fit tells for two seconds too
        QCOMPARE(game.caption(7900, "Fitted: Cube"), QString());
        QCOMPARE(game.caption(8000, next), QString());
    }

    void hintShowsThePlaceOfAPieceMissedOftenEnough_data()
    {
        QTest::addColumn<Difficulty>("difficulty");
        QTest::addColumn<int>("misses"); // before the hint; 0 never
        QTest::newRow("easy") << Difficulty::Easy << 1;
        QTest::newRow("medium") << Difficulty::Medium << 3;
        QTest::newRow("hard") << Difficulty::Hard << 0;
    }

    void hintShowsThePlaceOfAPieceMissedOftenEnough()
    {
        QFETCH(Difficulty, difficulty);
        QFETCH(int, misses);
        LearningGame game;
        QVERIFY(game.start(difficulty) && game.takeTheCube());
        const QImage held = game.frame(4000);
        const QRect scene(0, 100, 400, 300); // under the caption, which tells of every miss
        for (int miss = 1; miss < (misses ? misses : 4); ++miss) {
            game.missBeside();
            QCOMPARE(changedBox(held.copy(scene), game.frame(4000).copy(scene)), QRect());
        }
        game.missBeside();
        QVERIFY(game.engine->current); // misses never fit it
        const QImage after = game.frame(4000);
        const QRect hint = changedBox(held.copy(scene), after.copy(scene)).translated(scene.topLeft());
        QCOMPARE(hint.isEmpty(), misses == 0);
        if (misses == 0)
            return;
        // Over the cube's place: its corners' box.
        QPolygonF corners;
        for (int i = 0; i < 8; ++i)
            corners << Camera().piece(P(-0.13f, 0.07f, 0.27f) + 0.06f * P(i & 1, i >> 1 & 1, i >> 2 & 1), size);
        const QRectF target = corners.boundingRect();
        const qreal off = qMax(qMax(qAbs(hint.left() - target.left()), qAbs(hint.right() - target.right())),
                               qMax(qAbs(hint.top() - target.top()), qAbs(hint.bottom() - target.bottom())));
        QVERIFY2(off < 1.5, qPrintable(QDebug::toString(hint) + " over " + QDebug::toString(target)));
        QVERIFY(differingPixels(after.copy(hint), game.frame(4750).copy(hint))
                > hint.width() * hint.height() / 4); // pulsing
    }

    void winReportStaysTenSecondsThenFadesOffTheBodyAndAClickPutsItAwayOrBack()
    {
        ViewGame game; // a cube of edge 0.2 fitted at (-0.1, 0, 0.7): the report shows under the win text
        QVERIFY(game.start(GameData::piece("part", "big.md2", -0.1f, 0, 0.7f)));
        const auto frame = [&game](int ms) { return game.frame(ms); };
        const auto click = [&game] { game.mouse(QEvent::MouseButtonPress, {200, 100}); }; // at the last frame's time
        frame(0);
        game.engine->takePiece(0);
        game.engine->tryFit(-0.1f, 0);
        const QImage won = frame(1000);   // the report goes up with the first frame after the win
        const QImage body = frame(30000); // whole seconds later: the body alone, under its red win text
        const auto green = [](QRgb c) { return qGreen(c) > 100 && qRed(c) < 30 && qBlue(c) < 30; }; // the cube
        QRect report; // where the two differ: only the report (the caption of the fit went after two seconds)
        int red = 0, hidden = 0; // "YOU WIN!", which stays; the cube's pixels under the report, seen once it has gone
        for (int i = 0; i < 400 * 400; ++i) {
            const QPoint p(i % 400, i / 400);
            report |= won.pixel(p) != body.pixel(p) ? QRect(p, p) : QRect();
            red += body.pixel(p) == qRgb(255, 0, 0);
            hidden += green(body.pixel(p)) && !green(won.pixel(p));
        }
        QVERIFY(report.width() > 200 && report.height() > 40 && report.top() > 200 && red > 1000 && hidden > 400);
        // Whole for ten seconds, fading over the next one.
        QCOMPARE(differingPixels(frame(10999).copy(report), won.copy(report)), 0);
        const QImage fading = frame(11500).copy(report);
        QVERIFY(differingPixels(fading, won.copy(report)) > 0 && differingPixels(fading, body.copy(report)) > 0);
        QCOMPARE(differingPixels(frame(12000).copy(report), body.copy(report)), 0);
        // A click brings it back for as long again; another puts it away at once.
        frame(20000);
        click();
        QCOMPARE(differingPixels(frame(29999).copy(report), won.copy(report)), 0);
        click();
        QCOMPARE(differingPixels(frame(29999).copy(report), body.copy(report)), 0);
    }

    void winReportCountsPiecesTimeAndMissesAndOldSetsStillWin_data()
    {
        QTest::addColumn<QStringList>("names");  // the cube's and the ball's elements
        QTest::addColumn<QString>("missedMost"); // the most missed first, whatever the order of fitting
        QTest::newRow("named") << QStringList{"<name>Cube</name>", "<name>Ball</name>"}
                               << "\nMissed most: Ball 2, Cube 1";
        QTest::newRow("set without names") << QStringList{"", ""} << "";
    }

    void winReportCountsPiecesTimeAndMissesAndOldSetsStillWin()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, missedMost);
        ScreenGame game(QString("<part>%1<filename>bodyparts/small.md2</filename><pos_x>0.1</pos_x></part>"
                                "<part>%2<filename>bodyparts/cube.md2</filename><pos_y>0.1</pos_y></part>")
                            .arg(names[0], names[1]),
                        1, QString());
        SinglePlayerScreen &screen = *game.screen;
        QVERIFY(game.show());
        for (const QPointF fit : {QPointF(0.1, 0), QPointF(0, 0.1)}) { // one miss with the cube, two with the ball
            screen.engine->takePiece(0);
            for (qsizetype miss = 0; miss <= screen.engine->placed.size(); ++miss)
                screen.engine->tryFit(0.5f, 0.5f);
            screen.engine->tryFit(fit.x(), fit.y());
        }
        const QString time =
            QTime::fromMSecsSinceStartOfDay(screen.shownTime).toString("mm:ss"); // the display's, stopped
        const QString text = "2 pieces in " + time + ", 3 misses";
        const QImage image = screen.view->grabFramebuffer();
        // Under "YOU WIN!", which stands on the middle of the view.
        const int top = image.height() / 2 + QFontMetrics(QFont("Sans", 72, QFont::Bold)).descent();
        QCOMPARE(inkDiffers(image, {0, top, image.width(), image.height() - top}, reportFont, text + missedMost),
                 QString());
    }
};

QTEST_MAIN(TestLearningAids)
#include "test_learningaids.moc"
