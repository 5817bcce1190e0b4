// ctest-labels: integration
// torvane-makeset as a teacher runs it: box-shaped meshes written here in
// three formats become a set that keeps their places and is won by mouse in
// the real game screen; bad input gets one line and leaves nothing behind.

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "pieces/particle.h"
#include "pieces/pcxformat.h"
#include "screens/setchooser.h"
#include "testing/fakeaudiobackend.h"
#include "view/glengine.h"
#include "view/glformat.h"
#include "widgets/singleplayerscreen.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <GL/glu.h>

namespace {

const QString generated = QStringLiteral(TORVANE_BINARY_DIR "/data");
const QString tool = QStringLiteral(TORVANE_BINARY_DIR "/tools/makeset/torvane-makeset");

struct Box
{
    float lo[3], hi[3];
    float centre(int a) const { return (lo[a] + hi[a]) / 2; }
};

QList<QVector3D> corners(const Box &b)
{
    QList<QVector3D> v;
    for (int i = 0; i < 8; ++i)
        v << QVector3D(i & 1 ? b.hi[0] : b.lo[0], i & 2 ? b.hi[1] : b.lo[1], i & 4 ? b.hi[2] : b.lo[2]);
    return v;
}
const int faces[12][3] = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                          {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};

// The box's corners, then its faces, each through its own line format.
QByteArray text(const Box &b, const QString &corner, const QString &face, int first)
{
    QByteArray out;
    for (const QVector3D &v : corners(b))
        out += corner.arg(v.x()).arg(v.y()).arg(v.z()).toUtf8();
    for (const auto &f : faces)
        out += face.arg(f[0] + first).arg(f[1] + first).arg(f[2] + first).toUtf8();
    return out;
}

QByteArray obj(const Box &b) { return text(b, "v %1 %2 %3\n", "f %1 %2 %3\n", 1); }

QByteArray stl(const Box &b)
{
    const QList<QVector3D> v = corners(b);
    QByteArray out = "solid box\n";
    for (const auto &f : faces) {
        out += "facet normal 0 0 0\nouter loop\n";
        for (int k : f)
            out += QString("vertex %1 %2 %3\n").arg(v[k].x()).arg(v[k].y()).arg(v[k].z()).toUtf8();
        out += "endloop\nendfacet\n";
    }
    return out + "endsolid box\n";
}

QByteArray ply(const Box &b)
{
    return "ply\nformat ascii 1.0\nelement vertex 8\nproperty float x\nproperty float y\nproperty float z\n"
           "element face 12\nproperty list uchar int vertex_indices\nend_header\n"
        + text(b, "%1 %2 %3\n", "3 %1 %2 %3\n", 0);
}

// A rippled sheet of 150 x 150 vertices: ten times the triangles an MD2 frame holds.
QByteArray sheet()
{
    QByteArray out;
    for (int j = 0; j < 150; ++j)
        for (int i = 0; i < 150; ++i)
            out += QString("v %1 %2 %3\n").arg(i).arg(j).arg(3 * std::sin(i * 0.2)).toUtf8();
    for (int a = 1; a < 149 * 150; ++a)
        if (a % 150)
            out += QString("f %1 %2 %3\nf %2 %4 %3\n").arg(a).arg(a + 1).arg(a + 150).arg(a + 151).toUtf8();
    return out;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// The generated data directory's pictures, sounds and skin, and no set.
QString dataDirectory(const QTemporaryDir &dir)
{
    const QString data = dir.filePath("data");
    QDir().mkpath(data + "/sets/bodyparts");
    for (const QFileInfo &entry : QDir(generated).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
        if (entry.fileName() != "sets")
            QFile::link(entry.filePath(), data + "/" + entry.fileName());
    QFile::link(generated + "/sets/bodyparts/tris4.pcx", data + "/sets/bodyparts/tris4.pcx");
    return data;
}

// The exit code and all the tool printed (no progress: this is no terminal).
std::pair<int, QString> makeSet(const QStringList &args, const QString &workDir)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(tool, args);
    const bool done = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
    return {done ? p.exitCode() : -1, p.readAll()};
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

QPoint project(GLEngine *view, float x, float y, float z)
{
    view->makeCurrent();
    GLdouble modelView[16], projection[16], wx = 0, wy = 0, wz = 0;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    view->doneCurrent();
    gluProject(x, y, z, modelView, projection, viewport, &wx, &wy, &wz);
    return QPointF(wx / view->devicePixelRatioF(), (viewport[3] - wy) / view->devicePixelRatioF()).toPoint();
}

// Presses along the trough until the gliding piece is in the hand.
bool takeTroughPiece(GLEngine *view, GameEngine *engine)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        for (float y = -0.4f; y <= 0.41f; y += 0.1f) {
            const QPoint at = project(view, -0.6f, y, engine->remaining.first()->halfSizeZ() + 0.6f);
            QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, at);
            if (engine->current)
                return true;
            QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, at);
        }
        QTest::qWait(50);
    }
    return false;
}

} // namespace

class TestMakeSet : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void meshesOfThreeFormatsBecomeASetThatKeepsTheirPlacesAndIsWonByMouse();
    void badInputGetsOneLineAndLeavesTheDataAsItWas_data();
    void badInputGetsOneLineAndLeavesTheDataAsItWas();
};

void TestMakeSet::meshesOfThreeFormatsBecomeASetThatKeepsTheirPlacesAndIsWonByMouse()
{
    QTemporaryDir dir;
    const QString data = dataDirectory(dir);
    // Millimetres of a body lying along y, z up: the tool keeps z up and runs
    // y along the trough from its left end, so scene x = -x, y = -y, z = z.
    const QList<Box> boxes = {{{0, 0, 0}, {20, 60, 10}}, {{25, 0, 0}, {45, 30, 10}}, {{25, 35, 0}, {45, 60, 10}}};
    const Box body{{-5, -5, -2}, {50, 65, 12}};
    write(dir.filePath("in/left_femur.obj"), obj(boxes[0]));
    write(dir.filePath("in/heart.stl"), stl(boxes[1]));
    write(dir.filePath("in/right_lung.ply"), ply(boxes[2]));
    write(dir.filePath("body.obj"), obj(body));
    const QByteArray skin = contents(generated + "/sets/bodyparts/tris4.pcx");
    const auto [code, text] = makeSet({"--name", "Boxes", "--shape", "body.obj", "--out", data, "in"}, dir.path());
    QVERIFY2(code == 0, qPrintable(text));
    QCOMPARE(contents(data + "/sets/bodyparts/tris4.pcx"), skin); // every set's skin is only read

    // One scale for the set: the femur's 60 mm fill the trough's 0.30; the
    // body's 70 x 55 x 14 mm need less (0.95 / 70, 0.45 / 55, 0.8 / 14).
    const float scale = 0.30f / 60;
    QVERIFY(QDir::setCurrent(data));
    FakeSoundScope sound;
    SetChooser chooser(nullptr);
    QCOMPARE(chooser.entries.size(), 1);
    QCOMPARE(chooser.entries[0].name, QString("Boxes"));
    QVERIFY(!chooser.entries[0].icon.isNull());
    QStringList names; // from the file names, in their order
    for (QDomElement e = chooser.entries[0].document->documentElement().firstChildElement("part"); !e.isNull(); e = e.nextSiblingElement("part"))
        names << e.firstChildElement("name").text();
    QCOMPARE(names, QStringList({"Heart", "Left femur", "Right lung"}));

    QWidget window;
    window.resize(1280, 1024);
    auto *screen = new SinglePlayerScreen(&window, chooser.entries[0].document);
    screen->show();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    GLEngine *view = screen->view;
    GameEngine *engine = screen->engine;
    QTRY_VERIFY_WITH_TIMEOUT(view->elapsed() > 0, 20000);
    for (int i = 0; i < 3; ++i) {
        const Box &b = boxes[QList<int>{1, 0, 2}[i]]; // heart, femur, lung
        const PieceRecord *piece = engine->remaining[i];
        QVERIFY2(std::abs(piece->posX() + (b.centre(0) - body.centre(0)) * scale) < 1.0f / 64
                     && std::abs(piece->posY() + (b.centre(1) - body.centre(1)) * scale) < 1.0f / 64
                     && std::abs(piece->posZ() - (b.centre(2) - body.centre(2)) * scale) < 1.0f / 64,
                 qPrintable(names[i]));
    }
    // Each piece shows, through the game's own decoders, the plain swatch of the shared skin its name picks.
    const PcxImage pcx = decodePcx(skin).image;
    const QImage shared(reinterpret_cast<const uchar *>(pcx.rgb.constData()), pcx.width, pcx.height, 3 * pcx.width, QImage::Format_RGB888);
    const QList<QRgb> swatches = {qRgb(196, 62, 56), qRgb(244, 236, 210), qRgb(244, 166, 176)}; // heart, bone, lung
    for (int i = 0; i < 3; ++i) {
        QVERIFY(engine->remaining[i]->particle->model->texCoordCount > 0);
        for (const TexCoord &tc : engine->remaining[i]->particle->model->texCoords)
            QCOMPARE(shared.pixel(int(tc.s * shared.width()), int(tc.t * shared.height())), swatches[i]);
    }
    while (!engine->gameWon) {
        QVERIFY(takeTroughPiece(view, engine));
        const QPoint at = project(view, engine->current->posX() + engine->offsetX, engine->current->posY() + engine->offsetY, 0.5f);
        QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY2(!engine->current, "a piece dropped on its target did not fit");
    }
    QCOMPARE(sound.playedEffects().last(), QString("won"));
    // "YOU WIN!" in red from the middle of the view rightwards.
    QTest::qWait(300);
    const QImage frame = view->grabFramebuffer();
    int red = 0;
    for (int y = frame.height() / 2 - 70; y < frame.height() / 2; ++y)
        for (int x = frame.width() / 2; x < std::min(frame.width(), frame.width() / 2 + 300); ++x)
            red += frame.pixelColor(x, y).red() > 180 && frame.pixelColor(x, y).green() < 60;
    QVERIFY2(red > 200, qPrintable(QString::number(red)));
}

void TestMakeSet::badInputGetsOneLineAndLeavesTheDataAsItWas_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("line");
    const QStringList in = {"in"}, box = {"in/a.obj"};
    QTest::newRow("unreadable mesh") << box + QStringList{"in/b.stl:no mesh"} << in << "in/b.stl: cannot read it as a mesh (";
    QTest::newRow("empty mesh") << box + QStringList{"in/b.obj:v 0 0 0\nv 1 0 0\n"} << in << "in/b.obj: holds no triangles";
    QTest::newRow("folder without meshes") << QStringList{"in/notes.txt:bones"} << in << "in: no mesh files in this folder";
    QTest::newRow("two pieces on one target") << box + QStringList{"in/b.obj"} << in << "in/a.obj and in/b.obj land on the same target";
    QTest::newRow("a set of that name") << box + QStringList{"first"} << in << "a set named \"Bones\" is already there";
    QTest::newRow("unknown tissue") << box + QStringList{"m.txt:a.obj | Femur | bones"} << QStringList{"-m", "m.txt", "in"}
                                    << "m.txt line 1: no tissue \"bones\"";
    QTest::newRow("ten times what MD2 holds: simplified") << box + QStringList{"in/b.obj:sheet"} << in << "";
}

void TestMakeSet::badInputGetsOneLineAndLeavesTheDataAsItWas()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, args);
    QFETCH(QString, line);
    QTemporaryDir dir;
    const QString data = dataDirectory(dir);
    for (const QString &file : files) {
        const QString name = file.section(':', 0, 0), content = file.section(':', 1);
        if (name == "first")
            QCOMPARE(makeSet(QStringList{"--name", "Bones", "--out", data} + args, dir.path()).first, 0);
        else
            write(dir.filePath(name), content == "sheet" ? sheet() : content.isEmpty() ? obj({{0, 0, 0}, {10, 40, 8}}) : content.toUtf8());
    }
    const QStringList before = listing(data);
    const auto [code, text] = makeSet(QStringList{"--name", "Bones", "--out", data} + args, dir.path());
    if (line.isEmpty())
        QVERIFY2(code == 0 && text.startsWith("Made \"Bones\""), qPrintable(text));
    else
        QVERIFY2(code == 1 && text.startsWith("torvane-makeset: " + line) && text.count('\n') == 1, qPrintable(text));
    if (code)
        QCOMPARE(listing(data), before);
}

QTEST_MAIN(TestMakeSet)
#include "test_makeset.moc"
