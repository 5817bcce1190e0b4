// ctest-labels: integration
// torvane-makeset as a teacher runs it: box-shaped meshes in three formats become a set that keeps their places and is
// won by mouse in the real game screen; bad input gets one line and leaves nothing behind.

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "pieces/particle.h"
#include "pieces/skinswatches.h"
#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"
#include "testing/play.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/singleplayerscreen.h"

#include <QProcess>
#include <QtTest>

namespace {

const QString skinFile = "sets/bodyparts/tris4.pcx", generatedSkin = TORVANE_BINARY_DIR "/data/" + skinFile;

// A box from lo to hi as OBJ, STL or PLY: its eight corners, then its twelve triangles.
QByteArray box(QVector3D lo, QVector3D hi, const QString &format)
{
    QStringList v;
    for (int i = 0; i < 8; ++i)
        v << QString("%1 %2 %3").arg(i & 1 ? hi.x() : lo.x()).arg(i & 2 ? hi.y() : lo.y()).arg(i & 4 ? hi.z() : lo.z());
    QString out = format == "stl" ? "solid box\n" : format == "obj" ? "v " + v.join("\nv ") + "\n"
        : "ply\nformat ascii 1.0\nelement vertex 8\nproperty float x\nproperty float y\nproperty float z\nelement face 12\n"
          "property list uchar int vertex_indices\nend_header\n" + v.join('\n') + "\n";
    const QString face = format == "stl" ? "facet normal 0 0 0\nouter loop\nvertex %1\nvertex %2\nvertex %3\nendloop\nendfacet\n"
                       : format == "obj" ? "f %1 %2 %3\n" : "3 %1 %2 %3\n";
    const auto corner = [&](QChar i) { // OBJ counts from 1
        return format == "stl" ? v[i.digitValue()] : QString::number(i.digitValue() + (format == "obj"));
    };
    for (const QString &f : QString("023 031 457 476 015 054 267 273 046 062 137 175").split(' '))
        out += face.arg(corner(f[0]), corner(f[1]), corner(f[2]));
    return (format == "stl" ? out + "endsolid box\n" : out).toUtf8();
}

// A rippled sheet of 150 x 150 vertices: ten times the triangles an MD2 frame holds.
QByteArray sheet()
{
    QString out;
    for (int k = 0; k < 150 * 150; ++k) // vertex k is OBJ's k + 1; from the second row on each closes the square behind it
        out += QString("v %1 %2 %3\n").arg(k % 150).arg(k / 150).arg(3 * std::sin(k % 150 * 0.2))
            + (k >= 150 && k % 150 ? QString("f %1 %2 %3\nf %2 %4 %3\n").arg(k - 150).arg(k - 149).arg(k).arg(k + 1) : QString());
    return out.toUtf8();
}

// The exit code and all the tool printed (no progress: this is no terminal).
std::pair<int, QString> makeSet(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(qEnvironmentVariable("TORVANE_MAKESET", TORVANE_BINARY_DIR "/tools/makeset/torvane-makeset"),
            QStringList{"--name", "Boxes", "--out", "."} + args);
    return {p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll()};
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
        // Millimetres of a body lying along y, z up: the tool keeps z up and runs y along the trough from its left end, so
        // scene x = -x, y = -y, z = z. The body, then the pieces in the set's order (by name) with the swatch each name picks.
        const struct { const char *file, *name; QVector3D lo, hi; const char *swatch; } boxes[] = {
            {"body.obj", "", {-5, -5, -2}, {50, 65, 12}, ""},
            {"in/heart.stl", "Heart", {25, 0, 0}, {45, 30, 10}, "heart"},
            {"in/left_femur.obj", "Left femur", {0, 0, 0}, {20, 60, 10}, "bone"},
            {"in/right_lung.ply", "Right lung", {25, 35, 0}, {45, 60, 10}, "lung"}};
        for (const auto &b : boxes)
            data.write(b.file, box(b.lo, b.hi, QFileInfo(b.file).suffix()));
        const auto contents = [](QString p) { QFile f(p); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); };
        const QByteArray skin = contents(generatedSkin);
        const auto [code, text] = makeSet({"--shape", "body.obj", "in"});
        QVERIFY2(code == 0, qPrintable(text));
        QCOMPARE(contents(skinFile), skin); // every set's skin is only read
        FakeSoundScope sound;
        SetChooser chooser(nullptr);
        QVERIFY(chooser.entries.size() == 1 && chooser.entries[0].name == "Boxes" && !chooser.entries[0].icon.isNull());
        QWidget window;
        window.resize(1280, 1024);
        SinglePlayerScreen screen(&window, chooser.entries[0].document);
        screen.show();
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(screen.view->elapsed() > 0, 20000);
        QCOMPARE(screen.engine->remaining.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const auto &b = boxes[i + 1];
            const PieceRecord *piece = screen.engine->remaining[i];
            QCOMPARE(piece->name, QString(b.name)); // from the file name
            // One scale: the femur's 60 mm fill the trough's 0.30; the body's 70 x 55 x 14 mm need less (0.95/70, 0.45/55, .8/14)
            const QVector3D want = (b.lo + b.hi - boxes[0].lo - boxes[0].hi) / 2 * (0.30f / 60) * QVector3D(-1, -1, 1);
            const QVector3D d = QVector3D(piece->posX(), piece->posY(), piece->posZ()) - want;
            QVERIFY2(d.length() < 1.0f / 64 && piece->particle->model->texCoordCount > 0, b.name);
            for (const TexCoord &tc : piece->particle->model->texCoords) // each corner on its swatch of the skin's bottom 16 rows
                QVERIFY2(tc.t >= 240.0f / 256 && swatch::tissues[int(tc.s * 16) % 16].name == QString(b.swatch), b.name);
        }
        while (!screen.engine->gameWon) {
            QVERIFY(takeTroughPiece(screen.view, screen.engine));
            dropOnTarget(screen.view, screen.engine);
            QVERIFY2(!screen.engine->current, "a piece dropped on its target did not fit");
        }
        QCOMPARE(sound.playedEffects().last(), QString("won"));
    }

    void badInputGetsOneLineAndLeavesTheDataAsItWas_data()
    {
        QTest::addColumn<QStringList>("files"); // "path:content"; no content: a box
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("line");
        const QStringList in = {"in"};
        const auto withA = [](const QString &file) { return QStringList{"in/a.obj", file}; };
        QTest::newRow("unreadable mesh") << withA("in/b.stl:no mesh") << in << "in/b.stl: cannot read it as a mesh (";
        QTest::newRow("empty mesh") << withA("in/b.obj:v 0 0 0\nv 1 0 0\n") << in << "in/b.obj: holds no triangles";
        QTest::newRow("folder without meshes") << QStringList{"in/notes.txt:notes"} << in << "in: no mesh files in this folder";
        QTest::newRow("two pieces on one target") << withA("in/b.obj") << in << "in/a.obj and in/b.obj land on the same target";
        QTest::newRow("a set of that name") << QStringList{"in/a.obj"} << in << "a set named \"Boxes\" is already there";
        QTest::newRow("unknown tissue") << withA("m.txt:a.obj | Femur | bones") << QStringList{"-m", "m.txt", "in"}
                                        << "m.txt line 1: no tissue \"bones\"";
        QTest::newRow("ten times what MD2 holds: simplified") << withA("in/b.obj:sheet") << in << "";
    }

    void badInputGetsOneLineAndLeavesTheDataAsItWas()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, args);
        QFETCH(QString, line);
        GameData data; // the tool checks its set against the skin: the generated one
        QVERIFY(QFile::remove(skinFile) && QFile::link(generatedSkin, skinFile));
        for (const QString &file : files) {
            const QString path = file.section(':', 0, 0), text = file.section(':', 1);
            data.write(path, text == "sheet" ? sheet() : text.isEmpty() ? box({}, {10, 40, 8}, "obj") : text.toUtf8());
        }
        if (line.contains("already there")) // made once before
            QCOMPARE(makeSet(args).first, 0);
        const auto listing = [] { // every file and folder here with its size: what a refused run must not change
            QProcess find;
            find.start("sh", {"-c", "find . -printf '%p %s\\n' | sort"});
            return find.waitForFinished() ? find.readAll() : QByteArray();
        };
        const QByteArray before = listing();
        const auto [code, text] = makeSet(args);
        if (line.isEmpty())
            QVERIFY2(code == 0 && text.startsWith("Made \"Boxes\""), qPrintable(text));
        else
            QVERIFY2(code == 1 && text.startsWith("torvane-makeset: " + line) && text.count('\n') == 1 && listing() == before,
                     qPrintable(text));
    }
};

QTEST_MAIN(TestMakeSet)
#include "test_makeset.moc"
