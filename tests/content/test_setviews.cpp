// ctest-labels: integration
// Every generated set through the real puzzle view: the ghost, the trough
// piece and, once solved, the placed pieces are on screen. The frames are
// saved (unsolved and solved) for a look by eye.

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "view/glengine.h"
#include "view/glformat.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QtTest>

namespace {

const QString dataDir = QStringLiteral(TORVANE_BINARY_DIR "/data");

// Share of pixels that differ clearly between two frames.
double changed(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            count += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) > 60;
        }
    return double(count) / (a.width() * a.height());
}

} // namespace

class TestSetViews : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(dataDir)); }

    void eachSetShowsItsGhostAndEveryPieceFitsInView_data()
    {
        QTest::addColumn<QString>("set");
        for (const QString &file : QDir("sets").entryList({"*.xml"}))
            QTest::newRow(qPrintable(file)) << file;
    }

    void eachSetShowsItsGhostAndEveryPieceFitsInView()
    {
        QFETCH(QString, set);
        QFile file("sets/" + set);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QDomDocument document("set");
        QVERIFY(document.setContent(&file));
        GameEngine engine(&document);
        QVERIFY(engine.shapePiece);
        QVERIFY(engine.remaining.size() >= 6);

        GLEngine view(nullptr, &engine);
        view.resize(1024, 768);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::qWait(400);
        const QImage unsolved = view.grabFramebuffer();

        // The ghost must stand out from an empty room.
        QImage black(unsolved.size(), unsolved.format());
        black.fill(Qt::black);
        QVERIFY(changed(unsolved, black) > 0.3);

        // Fit every piece by dropping it on its target, as the mouse would.
        while (!engine.remaining.isEmpty()) {
            engine.takePiece(0);
            PieceRecord *piece = engine.current;
            QVERIFY(piece);
            engine.tryFit(piece->posX() + engine.offsetX, piece->posY() + engine.offsetY);
            QVERIFY2(!engine.current, qPrintable(piece->fileName));
        }
        QVERIFY(engine.gameWon);
        QTest::qWait(300);
        const QImage solved = view.grabFramebuffer();
        // The placed pieces cover a good part of the ghost.
        QVERIFY2(changed(unsolved, solved) > 0.02, qPrintable(QString::number(changed(unsolved, solved))));

        const QString shots = qEnvironmentVariable("TORVANE_SCREENSHOTS");
        if (!shots.isEmpty()) {
            QDir().mkpath(shots);
            const QString base = shots + "/" + QFileInfo(set).baseName();
            QVERIFY(unsolved.save(base + "-unsolved.png"));
            QVERIFY(solved.save(base + "-solved.png"));
        }
    }
};

QTEST_MAIN(TestSetViews)
#include "test_setviews.moc"
