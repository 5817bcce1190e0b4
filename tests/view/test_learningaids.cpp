// ctest-labels: integration
// What the view teaches: names by difficulty, the hint after misses, the report at the win in the game screen.
#include "game/gameengine.h"
#include "testing/camera.h"
#include "testing/gamedata.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/singleplayerscreen.h"

#include <QDomDocument>
#include <QPainter>
#include <QTest>

namespace {

using P = QVector3D;
const QSize size(400, 400);
const QFont captionFont(QStringLiteral("Sans"), 18, QFont::Bold), reportFont(QStringLiteral("Sans"), 20, QFont::Bold);

struct SteppedView : GLEngine
{
    using GLEngine::GLEngine;
    int clockMs = 0;
    int now() const override { return clockMs; }
};

// The light text of a region (nothing else in these rooms is near white), cut to its own box.
QImage ink(const QImage &image, QRect region)
{
    QImage mask(image.size(), QImage::Format_RGB32);
    mask.fill(Qt::black);
    QRect box;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (qMin(qMin(qRed(image.pixel(x, y)), qGreen(image.pixel(x, y))), qBlue(image.pixel(x, y))) > 160) {
                mask.setPixel(x, y, qRgb(255, 255, 255));
                box |= QRect(x, y, 1, 1);
            }
    return box.isEmpty() ? QImage() : mask.copy(box);
}

// Against the same text rendered by hand; antialiased edges fall either side of the threshold, so ink within a pixel matches.
QString inkDiffers(const QImage &drawn, const QFont &font, const QString &text)
{
    QImage expected(1200, 300, QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter painter(&expected);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(10, 10, 1180, 280), Qt::AlignLeft | Qt::AlignTop, text);
    painter.end();
    const QImage want = ink(expected, expected.rect());
    const auto inkNear = [](const QImage &mask, int x, int y) {
        for (int i = 0; i < 9; ++i)
            if (mask.valid(x + i % 3 - 1, y + i / 3 - 1) && qRed(mask.pixel(x + i % 3 - 1, y + i / 3 - 1)))
                return true;
        return false;
    };
    int differing = want.size() == drawn.size() ? 0 : 1 << 20; // empty text: no ink at all
    for (int y = 0; y < want.height() && !differing; ++y)
        for (int x = 0; x < want.width(); ++x)
            differing += (qRed(want.pixel(x, y)) && !inkNear(drawn, x, y)) || (qRed(drawn.pixel(x, y)) && !inkNear(want, x, y));
    return differing ? QStringLiteral("\"%1\": %2 pixels off, drawn %3x%4").arg(text).arg(differing).arg(drawn.width()).arg(drawn.height()) : QString();
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
        document.setContent(QStringLiteral("<set><shape><filename>none.md2</filename><pos_x>0.05</pos_x><pos_y>-0.1</pos_y><pos_z>0.02</pos_z>"
                                           "</shape><part><name>Cube</name><filename>bodyparts/small.md2</filename><pos_x>-0.15</pos_x><pos_y>0.2"
                                           "</pos_y><pos_z>0.28</pos_z></part><part><name>Ball</name><filename>bodyparts/cube.md2</filename></part></set>"));
        GameEngine engine(&document);
        SteppedView view(nullptr, &engine);
        view.learning.difficulty = difficulty;
        view.setFixedSize(size);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view) && view.isValid());
        const auto frame = [&view](int ms) { view.clockMs = ms; return view.grabFramebuffer(); };
        const auto caption = [&frame](int ms) { return ink(frame(ms), QRect(0, 0, size.width(), size.height() / 4)); };
        const auto mouse = [&view](QEvent::Type type, P at) { sendMouse(&view, type, Camera().piece(at, size), Qt::LeftButton, type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton); };

        QCOMPARE(inkDiffers(caption(4000), captionFont, namedBeforeFit ? "On the trough: Cube" : ""), QString());
        mouse(QEvent::MouseButtonPress, P(-0.6f, -0.2f, 0.63f) / 0.99f); // from -0.6 at 0.1 a second to -0.2, lifted 0.03 + 0.6; picked at the camera's scale
        // Carried 0.15 beside its target on the plane z = 0.5: each miss there changes nothing but the hint.
        mouse(QEvent::MouseMove, P(0.05f, 0.1f, 0.5f));
        const QImage held = frame(4000);
        QCOMPARE(inkDiffers(caption(4000), captionFont, namedBeforeFit ? "In your hand: Cube" : ""), QString());
        for (int miss = 1; miss <= (hintAfter ? hintAfter : 4); ++miss) {
            mouse(QEvent::MouseButtonRelease, P(0.05f, 0.1f, 0.5f));
            const QImage after = frame(4000);
            QRect hint; QRectF target; // the corners of the cube of edge 0.06 at (-0.1, 0.1, 0.3)
            for (int i = 0; i < size.width() * size.height(); ++i)
                if (held.pixel(i % size.width(), i / size.width()) != after.pixel(i % size.width(), i / size.width()))
                    hint |= QRect(i % size.width(), i / size.width(), 1, 1);
            for (int i = 0; i < 8; ++i)
                target |= QRectF(Camera().piece(P(i & 1 ? -0.07f : -0.13f, i & 2 ? 0.13f : 0.07f, i & 4 ? 0.33f : 0.27f), size), QSizeF(1e-3, 1e-3));
            QCOMPARE(hint.isEmpty(), miss < hintAfter || !hintAfter);
            if (hint.isEmpty())
                continue;
            const qreal off = qMax(qMax(qAbs(hint.left() - target.left()), qAbs(hint.right() - target.right())), qMax(qAbs(hint.top() - target.top()), qAbs(hint.bottom() - target.bottom())));
            QVERIFY2(off < 1.5, qPrintable(QStringLiteral("hint %1 px off its target").arg(off)));
            QVERIFY(differingPixels(after.copy(hint), frame(4750).copy(hint)) > hint.width() * hint.height() / 4); // pulsing
        }
        QVERIFY(engine.current); // misses never fit it
        mouse(QEvent::MouseMove, P(-0.1f, 0.1f, 0.5f));
        mouse(QEvent::MouseButtonRelease, P(-0.1f, 0.1f, 0.5f));
        QCOMPARE(inkDiffers(caption(4000), captionFont, "Fitted: Cube"), QString());
        QCOMPARE(inkDiffers(caption(5900), captionFont, "Fitted: Cube"), QString()); // for two seconds
        QCOMPARE(inkDiffers(caption(6000), captionFont, namedBeforeFit ? "On the trough: Ball" : ""), QString());
    }

    void winReportCountsPiecesTimeAndMissesAndOldSetsStillWin_data()
    {
        QTest::addColumn<QString>("cubeName");
        QTest::addColumn<QString>("ballName");
        QTest::addColumn<QString>("missedMost"); // the most missed first, whatever the order of fitting
        QTest::newRow("named") << "<name>Cube</name>" << "<name>Ball</name>" << "\nMissed most: Ball 2, Cube 1";
        QTest::newRow("one named") << "" << "<name>Ball</name>" << "\nMissed most: Ball 2";
        QTest::newRow("set without names") << "" << "" << "";
    }

    void winReportCountsPiecesTimeAndMissesAndOldSetsStillWin()
    {
        QFETCH(QString, cubeName);
        QFETCH(QString, ballName);
        QFETCH(QString, missedMost);
        GameData data;
        QDomDocument document;
        document.setContent(QStringLiteral("<set><part>%1<filename>bodyparts/small.md2</filename><pos_x>0.1</pos_x></part>"
                                           "<part>%2<filename>bodyparts/cube.md2</filename><pos_y>0.1</pos_y></part></set>").arg(cubeName, ballName));
        QWidget window;
        window.resize(1024, 768);
        SinglePlayerScreen screen(&window, &document);
        window.show();
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window) && screen.view->isValid());
        const QImage start = screen.view->grabFramebuffer(); // easy, as stored by default: the trough piece named, if it has a name
        QCOMPARE(inkDiffers(ink(start, QRect(0, 0, start.width(), start.height() / 4)), captionFont, cubeName.isEmpty() ? "" : "On the trough: Cube"), QString());
        for (const QPointF fit : {QPointF(0.1, 0), QPointF(0, 0.1)}) { // one miss with the cube, two with the ball
            screen.engine->takePiece(0);
            for (qsizetype miss = 0; miss <= screen.engine->placed.size(); ++miss)
                screen.engine->tryFit(0.5f, 0.5f);
            screen.engine->tryFit(fit.x(), fit.y());
        }
        const int ms = screen.shownTime; // where the display's time stopped
        const QString text = QStringLiteral("2 pieces in %1:%2, 3 misses").arg(ms / 60000, 2, 10, QChar('0')).arg(ms / 1000 % 60, 2, 10, QChar('0'));
        const QImage image = screen.view->grabFramebuffer();
        // Under "YOU WIN!", which stands on the middle of the view.
        const int top = image.height() / 2 + QFontMetrics(QFont(QStringLiteral("Sans"), 72, QFont::Bold)).descent();
        QCOMPARE(inkDiffers(ink(image, QRect(0, top, image.width(), image.height() - top)), reportFont, text + missedMost), QString());
    }
};

QTEST_MAIN(TestLearningAids)
#include "test_learningaids.moc"
