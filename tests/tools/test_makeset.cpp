// ctest-labels: integration
// torvane-makeset as a teacher runs it: box-shaped meshes in three formats become a set that keeps their
// places and is won by mouse in the real game screen; bad input gets one line and leaves nothing behind.

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "pieces/particle.h"
#include "pieces/pcxformat.h"
#include "screens/setchooser.h"
#include "testing/camera.h"
#include "testing/fakeaudiobackend.h"
#include "testing/play.h"
#include "testing/gamedata.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/singleplayerscreen.h"

#include <QDirIterator>
#include <QProcess>
#include <QtTest>

namespace {

const QString skinFile = "sets/bodyparts/tris4.pcx", generatedSkin = TORVANE_BINARY_DIR "/data/" + skinFile;

// A box from lo to hi as OBJ, STL or PLY: its eight corners, then its twelve triangles.
QByteArray box(QVector3D lo, QVector3D hi, const QString &format)
{
    const int faces[12][3] = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4}, {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
    QStringList v;
    for (int i = 0; i < 8; ++i)
        v << QString("%1 %2 %3").arg(i & 1 ? hi.x() : lo.x()).arg(i & 2 ? hi.y() : lo.y()).arg(i & 4 ? hi.z() : lo.z());
    const int first = format == "obj"; // OBJ counts vertices from 1
    QString out = format == "stl" ? "solid box\n" : format == "obj" ? "v " + v.join("\nv ") + "\n"
        : "ply\nformat ascii 1.0\nelement vertex 8\nproperty float x\nproperty float y\nproperty float z\nelement face 12\n"
          "property list uchar int vertex_indices\nend_header\n" + v.join('\n') + "\n";
    for (const auto &f : faces)
        out += format == "stl" ? QString("facet normal 0 0 0\nouter loop\nvertex %1\nvertex %2\nvertex %3\nendloop\nendfacet\n").arg(v[f[0]], v[f[1]], v[f[2]])
                               : QString(format == "obj" ? "f %1 %2 %3\n" : "3 %1 %2 %3\n").arg(f[0] + first).arg(f[1] + first).arg(f[2] + first);
    return (format == "stl" ? out + "endsolid box\n" : out).toUtf8();
}

// A rippled sheet of 150 x 150 vertices: ten times the triangles an MD2 frame holds.
QByteArray sheet()
{
    QString out;
    for (int k = 1; k <= 150 * 150; ++k) // OBJ counts from 1; each vertex closes the square behind it
        out += QString("v %1 %2 %3\n").arg((k - 1) % 150).arg((k - 1) / 150).arg(3 * std::sin((k - 1) % 150 * 0.2))
            + (k > 150 && (k - 1) % 150 ? QString("f %1 %2 %3\nf %2 %4 %3\n").arg(k - 151).arg(k - 150).arg(k - 1).arg(k) : QString());
    return out.toUtf8();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The exit code and all the tool printed (no progress: this is no terminal).
std::pair<int, QString> makeSet(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(qEnvironmentVariable("TORVANE_MAKESET", TORVANE_BINARY_DIR "/tools/makeset/torvane-makeset"), QStringList{"--name", "Boxes", "--out", "."} + args);
    return {p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll()};
}

// Every file under `dir` with its size: what a refused run must not change.
QStringList listing(const QString &dir)
{
    QStringList files;
    for (QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories); it.hasNext();)
        files << it.next() + " " + QString::number(it.fileInfo().size());
    files.sort();
    return files;
}

} // namespace

class TestMakeSet : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void meshesOfThreeFormatsBecomeASetThatKeepsTheirPlacesAndIsWonByMouse()
    {
        GameData data; // with the generated skin, whose swatches the pieces show
        QVERIFY(QFile::remove(skinFile) && QFile::link(generatedSkin, skinFile));
        // Millimetres of a body lying along y, z up: the tool keeps z up and runs y along the
        // trough from its left end, so scene x = -x, y = -y, z = z. The body, then the pieces in
        // the set's order (by name), each with the swatch its name picks: heart, bone, lung.
        const struct { const char *file, *name; QVector3D lo, hi; QRgb swatch; } boxes[] = {
            {"body.obj", "", {-5, -5, -2}, {50, 65, 12}, 0},
            {"in/heart.stl", "Heart", {25, 0, 0}, {45, 30, 10}, qRgb(196, 62, 56)},
            {"in/left_femur.obj", "Left femur", {0, 0, 0}, {20, 60, 10}, qRgb(244, 236, 210)},
            {"in/right_lung.ply", "Right lung", {25, 35, 0}, {45, 60, 10}, qRgb(244, 166, 176)}};
        for (const auto &b : boxes)
            data.write(b.file, box(b.lo, b.hi, QFileInfo(b.file).suffix()));
        const QByteArray skin = contents(generatedSkin);
        const auto [code, text] = makeSet({"--shape", "body.obj", "in"});
        QVERIFY2(code == 0, qPrintable(text));
        QCOMPARE(contents(skinFile), skin); // every set's skin is only read
        FakeSoundScope sound;
        SetChooser chooser(nullptr);
        QCOMPARE(chooser.entries.size(), 1);
        QVERIFY(chooser.entries[0].name == "Boxes" && !chooser.entries[0].icon.isNull());
        QWidget window;
        window.resize(1280, 1024);
        auto *screen = new SinglePlayerScreen(&window, chooser.entries[0].document);
        screen->show();
        window.show();
        GLEngine *view = screen->view;
        GameEngine *engine = screen->engine;
        QTRY_VERIFY_WITH_TIMEOUT(view->elapsed() > 0, 20000);
        QCOMPARE(engine->remaining.size(), 3);
        const PcxImage pcx = decodePcx(skin).image;
        const QImage shared(reinterpret_cast<const uchar *>(pcx.rgb.constData()), pcx.width, pcx.height, 3 * pcx.width, QImage::Format_RGB888);
        QDomElement part = chooser.entries[0].document->documentElement().firstChildElement("part");
        for (int i = 0; i < 3; ++i, part = part.nextSiblingElement("part")) {
            const auto &b = boxes[i + 1];
            QCOMPARE(part.firstChildElement("name").text(), QString(b.name)); // from the file name
            const PieceRecord *piece = engine->remaining[i];
            // One scale for the set: the femur's 60 mm fill the trough's 0.30; the
            // body's 70 x 55 x 14 mm need less (0.95 / 70, 0.45 / 55, 0.8 / 14).
            const QVector3D d = QVector3D(piece->posX(), piece->posY(), piece->posZ()) - (b.lo + b.hi - boxes[0].lo - boxes[0].hi) / 2 * (0.30f / 60) * QVector3D(-1, -1, 1);
            QVERIFY2(qMax(qAbs(d.x()), qMax(qAbs(d.y()), qAbs(d.z()))) < 1.0f / 64 && piece->particle->model->texCoordCount > 0, b.name);
            // Through the game's own decoders, every corner shows the plain swatch of the shared skin.
            for (const TexCoord &tc : piece->particle->model->texCoords)
                QCOMPARE(shared.pixel(int(tc.s * shared.width()), int(tc.t * shared.height())), b.swatch);
        }
        while (!engine->gameWon) {
            QVERIFY(takeTroughPiece(view, engine));
            dropOnTarget(view, engine);
            QVERIFY2(!engine->current, "a piece dropped on its target did not fit");
        }
        QCOMPARE(sound.playedEffects().last(), QString("won"));
    }

    void badInputGetsOneLineAndLeavesTheDataAsItWas_data()
    {
        QTest::addColumn<QStringList>("files"); // "path:content"; no content: a box; "first": a set made before
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("line");
        const QStringList in = {"in"}, one = {"in/a.obj"};
        QTest::newRow("unreadable mesh") << one + QStringList{"in/b.stl:no mesh"} << in << "in/b.stl: cannot read it as a mesh (";
        QTest::newRow("empty mesh") << one + QStringList{"in/b.obj:v 0 0 0\nv 1 0 0\n"} << in << "in/b.obj: holds no triangles";
        QTest::newRow("folder without meshes") << QStringList{"in/notes.txt:no meshes here"} << in << "in: no mesh files in this folder";
        QTest::newRow("two pieces on one target") << one + QStringList{"in/b.obj"} << in << "in/a.obj and in/b.obj land on the same target";
        QTest::newRow("a set of that name") << one + QStringList{"first"} << in << "a set named \"Boxes\" is already there";
        QTest::newRow("unknown tissue") << one + QStringList{"m.txt:a.obj | Femur | bones"} << QStringList{"-m", "m.txt", "in"} << "m.txt line 1: no tissue \"bones\"";
        QTest::newRow("ten times what MD2 holds: simplified") << one + QStringList{"in/b.obj:sheet"} << in << "";
    }

    void badInputGetsOneLineAndLeavesTheDataAsItWas()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, args);
        QFETCH(QString, line);
        GameData data; // the tool checks its set against the skin: the generated one
        QVERIFY(QFile::remove(skinFile) && QFile::link(generatedSkin, skinFile));
        for (const QString &file : files) {
            const QString name = file.section(':', 0, 0), content = file.section(':', 1);
            if (name == "first")
                QCOMPARE(makeSet(args).first, 0);
            else
                data.write(name, content == "sheet" ? sheet() : content.isEmpty() ? box({0, 0, 0}, {10, 40, 8}, "obj") : content.toUtf8());
        }
        const QStringList before = listing(".");
        const auto [code, text] = makeSet(args);
        if (line.isEmpty())
            QVERIFY2(code == 0 && text.startsWith("Made \"Boxes\""), qPrintable(text));
        else
            QVERIFY2(code == 1 && text.startsWith("torvane-makeset: " + line) && text.count('\n') == 1 && listing(".") == before, qPrintable(text));
    }
};

QTEST_MAIN(TestMakeSet)
#include "test_makeset.moc"
