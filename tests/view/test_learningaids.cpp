// ctest-labels: integration
// What the view teaches: names by difficulty, the hint after misses, the report at the win in the game screen.
#include "game/gameengine.h"
#include "testing/camera.h"
#include "testing/gamedata.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/singleplayerscreen.h"

#include <QDomDocument>
#include <QTest>

namespace {

using P = QVector3D;
const QSize size(400, 400);
const QFont captionFont("Sans", 18, QFont::Bold), reportFont("Sans", 20, QFont::Bold);

struct SteppedView : GLEngine { using GLEngine::GLEngine; int clockMs = 0; int now() const override { return clockMs; } };

// The light ink of a region (nothing else in these rooms is near white) against the same text drawn by hand, both moved to
// the origin; ink within a pixel matches (antialiased edges fall either side of the threshold).
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
    const QRegion want = ink(textPicture({1200, 300}, {10, 10, 1180, 280}, font, Qt::AlignLeft, text), {0, 0, 1200, 300});
    const auto grown = [](const QRegion &r) { // by a pixel each way
        const QRegion wide = r + r.translated(1, 0) + r.translated(-1, 0);
        return wide + wide.translated(0, 1) + wide.translated(0, -1);
    };
    const QRegion off = (want - grown(drawn)) + (drawn - grown(want));
    const bool same = drawn.boundingRect().size() == want.boundingRect().size() && off.isEmpty();
    return same ? QString() : QString("\"%1\": %2 of %3 ink patches off").arg(text).arg(off.rectCount()).arg(want.rectCount());
}

} // namespace

class TestLearningAids : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void namesAndHintFollowTheDifficulty_data()
    {
        QTest::addColumn<int>("difficulty");
        QTest::addColumn<int>("hintAfter"); // misses; 0 never
        QTest::addColumn<bool>("namedBeforeFit");
        QTest::newRow("easy") << 1 << 1 << true;
        QTest::newRow("medium") << 2 << 3 << true;
        QTest::newRow("hard") << 3 << 0 << false;
        QTest::newRow("stored 7 plays hard") << 7 << 0 << false;
    }

    void namesAndHintFollowTheDifficulty()
    {
        QFETCH(int, difficulty);
        QFETCH(int, hintAfter);
        QFETCH(bool, namedBeforeFit);
        GameData data;
        QDomDocument document; // the shape has no model: it draws nothing but moves the cube's target to (-0.1, 0.1, 0.3)
        document.setContent("<set>" + GameData::piece("shape", "none.md2", 0.05f, -0.1f, 0.02f) + "<part><name>Cube</name>"
            "<filename>bodyparts/small.md2</filename><pos_x>-0.15</pos_x><pos_y>0.2</pos_y><pos_z>0.28</pos_z></part>"
            "<part><name>Ball</name><filename>bodyparts/cube.md2</filename></part></set>");
        GameEngine engine(&document);
        SteppedView view(nullptr, &engine);
        view.setDifficulty(playedDifficulty(difficulty));
        view.setFixedSize(size);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view) && view.isValid());
        const auto frame = [&view](int ms) { view.clockMs = ms; return view.grabFramebuffer(); };
        const auto caption = [&](int ms, const QString &s) { return inkDiffers(frame(ms), {0, 0, 400, 100}, captionFont, s); };
        const auto mouse = [&view](QEvent::Type type, P at, Qt::MouseButtons held = Qt::LeftButton) {
            sendMouse(&view, type, Camera().piece(at, size), Qt::LeftButton, held);
        };
        QPolygonF corners; // of the cube of edge 0.06 at (-0.1, 0.1, 0.3)
        for (int i = 0; i < 8; ++i)
            corners << Camera().piece(P(-0.13f, 0.07f, 0.27f) + 0.06f * P(i & 1, i >> 1 & 1, i >> 2 & 1), size);
        const QRectF target = corners.boundingRect();

        QCOMPARE(caption(4000, namedBeforeFit ? "On the trough: Cube" : ""), QString());
        // The cube glides from -0.6 at 0.1 a second to -0.2, lifted 0.03 + 0.6, and is picked at the camera's scale.
        mouse(QEvent::MouseButtonPress, P(-0.6f, -0.2f, 0.63f) / 0.99f);
        // Carried 0.15 beside its target on the plane z = 0.5: each miss there changes nothing but the hint.
        mouse(QEvent::MouseMove, P(0.05f, 0.1f, 0.5f));
        const QImage held = frame(4000);
        QCOMPARE(caption(4000, namedBeforeFit ? "In your hand: Cube" : ""), QString());
        for (int miss = 1; miss <= (hintAfter ? hintAfter : 4); ++miss) {
            mouse(QEvent::MouseButtonRelease, P(0.05f, 0.1f, 0.5f), Qt::NoButton);
            const QImage after = frame(4000);
            QRect hint;
            for (int i = 0; i < 400 * 400; ++i)
                if (const QPoint p(i % 400, i / 400); held.pixel(p) != after.pixel(p))
                    hint |= QRect(p, p);
            QCOMPARE(hint.isEmpty(), miss < hintAfter || !hintAfter);
            if (hint.isEmpty())
                continue;
            QVERIFY(qAbs(hint.left() - target.left()) < 1.5 && qAbs(hint.right() - target.right()) < 1.5
                    && qAbs(hint.top() - target.top()) < 1.5 && qAbs(hint.bottom() - target.bottom()) < 1.5);
            QVERIFY(differingPixels(after.copy(hint), frame(4750).copy(hint)) > hint.width() * hint.height() / 4); // pulsing
        }
        QVERIFY(engine.current); // misses never fit it
        mouse(QEvent::MouseMove, P(-0.1f, 0.1f, 0.5f));
        mouse(QEvent::MouseButtonRelease, P(-0.1f, 0.1f, 0.5f), Qt::NoButton);
        QCOMPARE(caption(4000, "Fitted: Cube"), QString());
        QCOMPARE(caption(5900, "Fitted: Cube"), QString()); // for two seconds
        QCOMPARE(caption(6000, namedBeforeFit ? "On the trough: Ball" : ""), QString());
    }

    void winReportCountsPiecesTimeAndMissesAndOldSetsStillWin_data()
    {
        QTest::addColumn<QStringList>("names"); // the cube's and the ball's elements
        QTest::addColumn<QString>("missedMost"); // the most missed first, whatever the order of fitting
        QTest::newRow("named") << QStringList{"<name>Cube</name>", "<name>Ball</name>"} << "\nMissed most: Ball 2, Cube 1";
        QTest::newRow("one named") << QStringList{"", "<name>Ball</name>"} << "\nMissed most: Ball 2";
        QTest::newRow("set without names") << QStringList{"", ""} << "";
    }

    void winReportCountsPiecesTimeAndMissesAndOldSetsStillWin()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, missedMost);
        GameData data;
        QDomDocument document;
        document.setContent(QString("<set><part>%1<filename>bodyparts/small.md2</filename><pos_x>0.1</pos_x></part>"
            "<part>%2<filename>bodyparts/cube.md2</filename><pos_y>0.1</pos_y></part></set>").arg(names[0], names[1]));
        QWidget window;
        window.resize(1024, 768);
        SinglePlayerScreen screen(&window, &document);
        window.show();
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window) && screen.view->isValid());
        const QImage start = screen.view->grabFramebuffer(); // easy by default: the trough piece named if it has a name
        QCOMPARE(inkDiffers(start, {0, 0, 1024, 192}, captionFont, names[0].isEmpty() ? "" : "On the trough: Cube"), QString());
        for (const QPointF fit : {QPointF(0.1, 0), QPointF(0, 0.1)}) { // one miss with the cube, two with the ball
            screen.engine->takePiece(0);
            for (qsizetype miss = 0; miss <= screen.engine->placed.size(); ++miss)
                screen.engine->tryFit(0.5f, 0.5f);
            screen.engine->tryFit(fit.x(), fit.y());
        }
        const QString time = QTime::fromMSecsSinceStartOfDay(screen.shownTime).toString("mm:ss"); // the display's, stopped
        const QString text = "2 pieces in " + time + ", 3 misses";
        const QImage image = screen.view->grabFramebuffer();
        // Under "YOU WIN!", which stands on the middle of the view.
        const int top = image.height() / 2 + QFontMetrics(QFont("Sans", 72, QFont::Bold)).descent();
        QCOMPARE(inkDiffers(image, {0, top, image.width(), image.height() - top}, reportFont, text + missedMost), QString());
    }
};

QTEST_MAIN(TestLearningAids)
#include "test_learningaids.moc"
