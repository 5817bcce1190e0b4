// Decoding MD2 meshes, good and hostile.
#include "pieces/md2format.h"
#include "testing/md2writer.h"

#include <QTest>

namespace {

// Two frames of three vertices; frame 1 is frame 0 moved by (64, 64, 64) file units.
Md2Writer twoFrames()
{
    Md2Writer md2;
    Md2Writer::Frame frame;
    frame.translate[0] = 64;
    frame.translate[1] = 128;
    frame.translate[2] = 192;
    frame.vertices = {{0, 0, 0, 0}, {128, 0, 0, 161}, {0, 64, 32, 5}};
    Md2Writer::Frame moved = frame;
    for (float &t : moved.translate)
        t += 64;
    md2.frames = {frame, moved};
    md2.triangles = {{{0, 1, 2}, {5, 6, 1}}};
    md2.texCoords = {{0, 0}, {128, 64}};
    return md2;
}

} // namespace

class TestMd2Format : public QObject
{
    Q_OBJECT

private slots:
    void decodesEveryFrameScaledSwappedAndCentred();
    void refusesHeadersThatReachOutsideTheFile_data();
    void refusesHeadersThatReachOutsideTheFile();
};

void TestMd2Format::decodesEveryFrameScaledSwappedAndCentred()
{
    const QByteArray file = twoFrames().toBytes();
    Md2Result result = decodeMd2(file, SkinInfo{true, 256, 128});
    QVERIFY2(result.ok, qPrintable(result.error));
    const Md2Model &m = result.model;
    QCOMPARE(m.frameCount, 2);
    QCOMPARE(m.vertexCount, 3);
    // Vertex 0: (0 + 64, 0 + 128, 0 + 192) / 64 = (1, 2, 3) in file axes, so
    // x 1, z 2, y 3. The box spans x 1..3, y 3..3.5, z 2..3 (vertex 1 at x 3,
    // vertex 2 at z 3, y 3.5) and the frame is centred on it.
    const Md2Box &b = result.box;
    QCOMPARE(QList<float>({b.minX, b.maxX, b.minY, b.maxY, b.minZ, b.maxZ}),
             QList<float>({2, 4, 4, 4.5f, 3, 4})); // the last frame's box: one unit further on
    const MeshVertex &v0 = m.frames[0];
    QCOMPARE(QList<float>({v0.x, v0.y, v0.z}), QList<float>({-1, -0.25f, -0.5f}));
    // Both frames centre to the same shape.
    QCOMPARE(m.frames[4].x, m.frames[1].x);
    QCOMPARE(m.frames[5].y, m.frames[2].y);
    // Normals straight from the table, unswapped: 0 and 161 are the table's ends.
    QCOMPARE(QList<float>({v0.nx, v0.ny, v0.nz}), QList<float>({-0.525731f, 0, 0.850651f}));
    QCOMPARE(QList<float>({m.frames[1].nx, m.frames[1].ny, m.frames[1].nz}), QList<float>({-0.688191f, -0.587785f, -0.425325f}));
    QCOMPARE(QList<float>({m.frames[2].nx, m.frames[2].ny, m.frames[2].nz}), QList<float>({0, 0, 1}));
    // Texture coordinates over the skin's size; triangles as stored.
    QCOMPARE(m.texCoordCount, 2);
    QCOMPARE(QList<float>({m.texCoords[1].s, m.texCoords[1].t}), QList<float>({0.5f, 0.5f}));
    QCOMPARE(QList<int>({m.triangles[0].vertexIndex[2], m.triangles[0].texCoordIndex[0], m.triangles[0].texCoordIndex[2]}),
             QList<int>({2, 5, 1}));
    QCOMPARE(QList<int>({m.currentFrame, m.firstFrame, m.lastFrame}), QList<int>({0, 0, 0}));

    // Without a skin no coordinate is kept; the identifier is never checked.
    QByteArray foreign = file;
    foreign.replace(0, 4, "JUNK");
    result = decodeMd2(foreign, SkinInfo{false, 0, 0});
    QVERIFY(result.ok);
    QCOMPARE(result.model.texCoordCount, 0);
    QVERIFY(result.model.texCoords.empty());
}

void TestMd2Format::refusesHeadersThatReachOutsideTheFile_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<qint32>("value");
    QTest::newRow("negative vertex count") << int(Md2Writer::NumVertices) << -1;
    QTest::newRow("negative triangle count") << int(Md2Writer::NumTriangles) << -5;
    QTest::newRow("frames past the end") << int(Md2Writer::NumFrames) << 3;
    QTest::newRow("absurd frame count") << int(Md2Writer::NumFrames) << 0x7FFFFFFF;
    QTest::newRow("frame smaller than its vertices") << int(Md2Writer::FrameSize) << 40;
    QTest::newRow("triangles past the end") << int(Md2Writer::OffsetTriangles) << 1000;
    QTest::newRow("triangles before the start") << int(Md2Writer::OffsetTriangles) << -12;
    QTest::newRow("coordinates past the end") << int(Md2Writer::NumTexCoords) << 100000;
    QTest::newRow("frames offset past the end") << int(Md2Writer::OffsetFrames) << 0x7FFFFFF0;
    QTest::newRow("normal index 162") << -1 << 162;
    QTest::newRow("vertex index 3 of 3") << -2 << 3;
}

void TestMd2Format::refusesHeadersThatReachOutsideTheFile()
{
    QFETCH(int, field);
    QFETCH(qint32, value);
    Md2Writer md2 = twoFrames();
    if (field == -1)
        md2.frames[1].vertices[2].normal = quint8(value);
    if (field == -2)
        md2.triangles[0].vertex[1] = quint16(value);
    QByteArray file = md2.toBytes();
    if (field >= 0)
        Md2Writer::patch(file, field, value);
    const Md2Result result = decodeMd2(file, SkinInfo{true, 256, 256});
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QVERIFY(result.model.frames.empty());

    // Every truncation of a good file cuts into its last frame.
    if (field == int(Md2Writer::NumVertices)) {
        const QByteArray good = twoFrames().toBytes();
        for (qsizetype length = 0; length < good.size(); ++length)
            QVERIFY2(!decodeMd2(good.left(length), SkinInfo{true, 256, 256}).ok, qPrintable(QString::number(length)));
    }
}

QTEST_GUILESS_MAIN(TestMd2Format)
#include "test_md2format.moc"
