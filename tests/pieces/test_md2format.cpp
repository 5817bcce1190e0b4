// Decoding MD2 meshes, good and hostile.
#include "pieces/md2format.h"
#include "testing/md2writer.h"

#include <QTest>

namespace {

// Two frames of three vertices; frame 1 is frame 0 moved by (64, 64, 64) file units.
Md2Writer twoFrames()
{
    Md2Writer md2;
    const Md2Writer::Frame frame{{1, 1, 1}, {64, 128, 192}, {{0, 0, 0, 0}, {128, 0, 0, 161}, {0, 64, 32, 5}}};
    md2.frames = {frame, {{1, 1, 1}, {128, 192, 256}, frame.vertices}};
    md2.triangles = {{{0, 1, 2}, {5, 6, 1}}};
    md2.texCoords = {{0, 0}, {128, 64}};
    return md2;
}

} // namespace

class TestMd2Format : public QObject
{
    Q_OBJECT

private slots:
    void decodesEveryFrameScaledSwappedAndCentred()
    {
        const QByteArray file = twoFrames().toBytes();
        Md2Result result = decodeMd2(file, SkinInfo{true, 256, 128});
        QVERIFY2(result.ok, qPrintable(result.error));
        const Md2Model &m = result.model;
        QCOMPARE(QList<int>({m.frameCount, m.vertexCount, m.texCoordCount, m.currentFrame, m.firstFrame, m.lastFrame}),
                 QList<int>({2, 3, 2, 0, 0, 0}));
        // Vertex 0: (0 + 64, 0 + 128, 0 + 192) / 64 = (1, 2, 3) in file axes, so x 1, z 2, y 3. With vertex 1
        // at x 3 and vertex 2 at z 3, y 3.5, the box spans x 1..3, y 3..3.5, z 2..3, and the frame is centred on it.
        const Md2Box &b = result.box;
        QCOMPARE(QList<float>({b.minX, b.maxX, b.minY, b.maxY, b.minZ, b.maxZ}),
                 QList<float>({2, 4, 4, 4.5f, 3, 4})); // the last frame's box: one unit further on
        const auto vertex = [&m](int i) {
            const auto &v = m.frames[i];
            return QList<float>{v.x, v.y, v.z, v.nx, v.ny, v.nz};
        };
        // Normals straight from the table, unswapped: 0 and 161 are the table's ends, 5 points up.
        QCOMPARE(vertex(0), QList<float>({-1, -0.25f, -0.5f, -0.525731f, 0, 0.850651f}));
        QCOMPARE(vertex(1), QList<float>({1, -0.25f, -0.5f, -0.688191f, -0.587785f, -0.425325f}));
        QCOMPARE(vertex(2), QList<float>({-1, 0.25f, 0.5f, 0, 0, 1}));
        for (int i = 0; i < 3; ++i) // both frames centre to the same shape
            QCOMPARE(vertex(3 + i), vertex(i));
        // Texture coordinates over the skin's size; triangles as stored.
        QCOMPARE(QList<float>({m.texCoords[1].s, m.texCoords[1].t}), QList<float>({0.5f, 0.5f}));
        const MeshTriangle &t = m.triangles[0];
        QCOMPARE(QList<int>({t.vertexIndex[0], t.vertexIndex[1], t.vertexIndex[2], t.texCoordIndex[0],
                             t.texCoordIndex[1], t.texCoordIndex[2]}),
                 QList<int>({0, 1, 2, 5, 6, 1}));
        for (qsizetype length = 0; length < file.size(); ++length) // every truncation cuts into the last frame
            QVERIFY2(!decodeMd2(file.left(length), SkinInfo{true, 256, 128}).ok, qPrintable(QString::number(length)));
        // Without a skin no coordinate is kept; the identifier is never checked.
        QByteArray foreign = file;
        result = decodeMd2(foreign.replace(0, 4, "JUNK"), SkinInfo{false, 0, 0});
        QVERIFY(result.ok && result.model.texCoordCount == 0 && result.model.texCoords.empty());
    }

    void refusesHeadersThatReachOutsideTheFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        const auto patched = [](Md2Writer::Field field, qint32 value) {
            QByteArray file = twoFrames().toBytes();
            Md2Writer::patch(file, field, value);
            return file;
        };
        Md2Writer normal = twoFrames(), vertex = twoFrames();
        normal.frames[1].vertices[2].normal = 162;
        vertex.triangles[0].vertex[1] = 3;
        QTest::newRow("negative vertex count") << patched(Md2Writer::NumVertices, -1);
        QTest::newRow("frames past the end") << patched(Md2Writer::NumFrames, 3);
        QTest::newRow("frame smaller than its vertices") << patched(Md2Writer::FrameSize, 40);
        QTest::newRow("triangles past the end") << patched(Md2Writer::OffsetTriangles, 1000);
        QTest::newRow("coordinates past the end") << patched(Md2Writer::NumTexCoords, 100000);
        QTest::newRow("normal index 162") << normal.toBytes();
        QTest::newRow("vertex index 3 of 3") << vertex.toBytes();
    }

    void refusesHeadersThatReachOutsideTheFile()
    {
        QFETCH(QByteArray, file);
        const Md2Result result = decodeMd2(file, SkinInfo{true, 256, 256});
        QVERIFY(!result.ok && !result.error.isEmpty() && result.model.frames.empty());
    }
};

QTEST_GUILESS_MAIN(TestMd2Format)
#include "test_md2format.moc"
