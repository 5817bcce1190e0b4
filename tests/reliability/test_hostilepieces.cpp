// ctest-labels: integration
#include "game/piecerecord.h"
#include "pieces/particle.h"
#include "testing/glwindow.h"
#include "testing/md2writer.h"
#include "testing/pcxwriter.h"
#include "view/glformat.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Piece files as they come off the disk into a Particle: skins and meshes
// whose headers lie, and paths that name directories. Each one is refused
// ("Could not load ..."), leaving an untextured or empty piece that draws
// nothing, never a crash or a read outside the file.

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(content), content.size());
}

Md2Writer triangleModel()
{
    Md2Writer md2;
    Md2Writer::Frame frame;
    frame.vertices = {{0, 0, 0, 5}, {64, 0, 0, 5}, {0, 64, 64, 5}};
    md2.frames = {frame, frame};
    md2.triangles = {{{0, 1, 2}, {0, 1, 2}}};
    md2.texCoords = {{0, 0}, {128, 0}, {0, 128}};
    return md2;
}

void verifyEmpty(const Particle &particle)
{
    QCOMPARE(particle.model->frameCount, 0);
    QCOMPARE(particle.model->vertexCount, 0);
    QCOMPARE(particle.model->triangleCount, 0);
    QVERIFY(particle.model->frames.empty());
    QVERIFY(particle.model->triangles.empty());
    QCOMPARE(particle.halfSizeX(), 0.0f);
}

} // namespace

class TestHostilePieces : public QObject
{
    Q_OBJECT

public:
    static void initMain() { useCompatibilityGlFormat(); }

private slots:
    void init()
    {
        gl = std::make_unique<GlWindow>(QSize(32, 32));
        QVERIFY2(gl->isValid(), qPrintable(gl->errorString()));
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir::setCurrent(dir->path()));
        QVERIFY(QDir().mkpath("sets/bodyparts"));
        writeFile("good.md2", triangleModel().toBytes());
        PcxWriter skin(4, 4);
        writeFile("good.pcx", skin.toBytes());
    }

    void cleanup()
    {
        QDir::setCurrent(QDir::tempPath());
        dir.reset();
        gl.reset();
    }

    void skinsWithImpossibleSizesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray run = QByteArray("\xFF\x07", 2).repeated(8);
        QTest::newRow("65535 x 65535 in 920 bytes") << PcxWriter::assemble(-32768, -32768, 32766, 32766, 0, run, {});
        QTest::newRow("65535 x 65535, stride 65535") << PcxWriter::assemble(-32768, -32768, 32766, 32766, 65535, run, {});
        QTest::newRow("end before start") << PcxWriter::assemble(0, 0, -1, -1, 0, run, {});
        QTest::newRow("header alone") << QByteArray(128, '\0');
        QTest::newRow("empty") << QByteArray();
    }

    void skinsWithImpossibleSizesAreRefused()
    {
        QFETCH(QByteArray, file);
        writeFile("bad.pcx", file);
        Particle particle("good.md2", "bad.pcx");
        QCOMPARE(particle.texture, -1);
        QCOMPARE(particle.skinWidth, 0);
        QCOMPARE(particle.skinHeight, 0);
        // The mesh still loads, without texture coordinates.
        QCOMPARE(particle.model->frameCount, 2);
        QCOMPARE(particle.model->texCoordCount, 0);
        particle.draw();
        QCOMPARE(glGetError(), GLenum(GL_NO_ERROR));
    }

    void meshesWhoseHeadersLieAreRefused_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("value");
        const int end = int(triangleModel().toBytes().size());
        QTest::newRow("frames past the end") << int(Md2Writer::NumFrames) << 1000000;
        QTest::newRow("frame offset past the end") << int(Md2Writer::OffsetFrames) << end;
        QTest::newRow("frame offset far past the end") << int(Md2Writer::OffsetFrames) << 0x7FFFFFF0;
        QTest::newRow("negative frame count") << int(Md2Writer::NumFrames) << -1;
        QTest::newRow("negative vertex count") << int(Md2Writer::NumVertices) << -3;
        QTest::newRow("negative triangle count") << int(Md2Writer::NumTriangles) << int(0x80000000);
        QTest::newRow("negative frame offset") << int(Md2Writer::OffsetFrames) << -40;
        QTest::newRow("frame smaller than its vertices") << int(Md2Writer::FrameSize) << 40 + 4 * 3 - 1;
        QTest::newRow("frame size 0") << int(Md2Writer::FrameSize) << 0;
        QTest::newRow("negative frame size") << int(Md2Writer::FrameSize) << -52;
        QTest::newRow("vertices past the frames") << int(Md2Writer::NumVertices) << (1 << 20);
        QTest::newRow("triangles past the end") << int(Md2Writer::NumTriangles) << 0x10000000;
        QTest::newRow("texture coordinates past the end") << int(Md2Writer::NumTexCoords) << 0x40000000;
    }

    void meshesWhoseHeadersLieAreRefused()
    {
        QFETCH(int, field);
        QFETCH(int, value);
        QByteArray bytes = triangleModel().toBytes();
        Md2Writer::patch(bytes, field, value);
        writeFile("bad.md2", bytes);
        Particle particle("bad.md2", "good.pcx");
        QVERIFY(particle.texture != -1);
        verifyEmpty(particle);
        particle.draw();
        particle.animate(0, 0, 0, 100);
        QCOMPARE(glGetError(), GLenum(GL_NO_ERROR));
        particle.releaseTexture();
    }

    // fopen() opens a directory on Linux and its length reads as the largest
    // file offset; the loader must refuse it rather than allocate that much.
    void directoriesAreNoPieceFiles()
    {
        QVERIFY(QDir().mkdir("skin.pcx"));
        QVERIFY(QDir().mkdir("mesh.md2"));
        Particle skinIsDirectory("good.md2", "skin.pcx");
        QCOMPARE(skinIsDirectory.texture, -1);
        QCOMPARE(skinIsDirectory.model->frameCount, 2);

        Particle meshIsDirectory("mesh.md2", "good.pcx");
        verifyEmpty(meshIsDirectory);
        meshIsDirectory.releaseTexture();
    }

    // An empty "filename" makes the model path "sets/", the sets directory itself.
    void pieceWithAnEmptyFilenameBuildsEmpty()
    {
        writeFile("sets/bodyparts/tris4.pcx", PcxWriter(4, 4).toBytes());
        QDomDocument document;
        QVERIFY(document.setContent(QByteArray("<part><filename></filename><pos_x>0.5</pos_x></part>")));
        PieceRecord piece(document.documentElement());
        QCOMPARE(piece.fileName, QString("sets/"));
        piece.build();
        QVERIFY(piece.particle);
        QVERIFY(piece.displayList != 0);
        verifyEmpty(*piece.particle);
        piece.draw();
        QCOMPARE(glGetError(), GLenum(GL_NO_ERROR));
        piece.releaseGl();
    }

private:
    std::unique_ptr<GlWindow> gl;
    std::unique_ptr<QTemporaryDir> dir;
};

QTEST_MAIN(TestHostilePieces)
#include "test_hostilepieces.moc"
