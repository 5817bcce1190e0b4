#include "pieces/md2format.h"
#include "testing/md2writer.h"

#include <QTest>

#include <cmath>

namespace {

const SkinInfo skin256{true, 256, 256};

Md2Writer::Frame frame(std::initializer_list<Md2Writer::Vertex> vertices, float tx = 0, float ty = 0, float tz = 0)
{
    Md2Writer::Frame f;
    f.translate[0] = tx;
    f.translate[1] = ty;
    f.translate[2] = tz;
    f.vertices = vertices;
    return f;
}

// Three vertices, one triangle, three texture coordinates, one frame.
Md2Writer triangleModel()
{
    Md2Writer md2;
    md2.frames = {frame({{0, 0, 0, 5}, {128, 0, 0, 5}, {0, 64, 32, 5}})};
    md2.triangles = {{{0, 1, 2}, {0, 1, 2}}};
    md2.texCoords = {{0, 0}, {128, 0}, {0, 64}};
    return md2;
}

} // namespace

class TestMd2Format : public QObject
{
    Q_OBJECT

private slots:
    void normalTableHoldsUnitVectors()
    {
        QCOMPARE(md2::normals[0][0], -0.525731f);
        QCOMPARE(md2::normals[0][1], 0.0f);
        QCOMPARE(md2::normals[0][2], 0.850651f);
        for (int i = 0; i < md2::normalCount; ++i) {
            const float *n = md2::normals[i];
            const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            QVERIFY2(std::fabs(length - 1.0f) < 1e-4f, qPrintable(QString::number(i)));
            for (int j = 0; j < i; ++j) {
                const float *m = md2::normals[j];
                QVERIFY2(n[0] != m[0] || n[1] != m[1] || n[2] != m[2], qPrintable(QStringLiteral("%1 = %2").arg(i).arg(j)));
            }
        }
    }

    void positionsSwapAxesAndScaleToSceneUnits()
    {
        // (0, 0, 0) with translation (64, 128, 192) is (1, 3, 2) before centring.
        Md2Writer md2;
        md2.frames = {frame({{0, 0, 0, 0}}, 64, 128, 192)};
        const Md2Result result = decodeMd2(md2.toBytes(), skin256);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.box.minX, 1.0f);
        QCOMPARE(result.box.minY, 3.0f);
        QCOMPARE(result.box.minZ, 2.0f);
        // A single vertex is its own box centre.
        const MeshVertex &v = result.model.frames[0];
        QCOMPARE(v.x, 0.0f);
        QCOMPARE(v.y, 0.0f);
        QCOMPARE(v.z, 0.0f);
    }

    void framesAreCentredOnTheirOwnBox()
    {
        Md2Writer md2;
        Md2Writer::Frame f = frame({{0, 10, 0, 0}, {128, 0, 20, 0}, {32, 40, 0, 0}}, 64, 0, 0);
        f.scale[1] = 2; // file y: 0..80
        md2.frames = {f};
        const Md2Result result = decodeMd2(md2.toBytes(), skin256);
        QVERIFY(result.ok);
        QCOMPARE(result.box.minX, 1.0f);
        QCOMPARE(result.box.maxX, 3.0f);
        QCOMPARE(result.box.minZ, 0.0f);
        QCOMPARE(result.box.maxZ, 80 / 64.0f);
        QCOMPARE(result.box.maxY, 20 / 64.0f);
        const std::vector<MeshVertex> &v = result.model.frames;
        QCOMPARE(v[0].x, -1.0f);
        QCOMPARE(v[1].x, 1.0f);
        QCOMPARE(v[2].x, -0.5f);
        QCOMPARE(v[0].z, (20 - 40) / 64.0f);
        QCOMPARE(v[2].z, (80 - 40) / 64.0f);
        QCOMPARE(v[1].y, 10 / 64.0f);
        QCOMPARE(v[0].y, -10 / 64.0f);
    }

    void translatedFramesDecodeAlikeAndTheLastBoxStays()
    {
        Md2Writer md2;
        md2.frames = {frame({{0, 0, 0, 3}, {64, 32, 16, 7}}), frame({{0, 0, 0, 3}, {64, 32, 16, 7}}, 128, 64, 0)};
        const Md2Result result = decodeMd2(md2.toBytes(), skin256);
        QVERIFY(result.ok);
        QCOMPARE(result.model.frameCount, 2);
        QCOMPARE(result.model.vertexCount, 2);
        for (int i = 0; i < 2; ++i) {
            const MeshVertex &a = result.model.frames[i];
            const MeshVertex &b = result.model.frames[2 + i];
            QCOMPARE(a.x, b.x);
            QCOMPARE(a.y, b.y);
            QCOMPARE(a.z, b.z);
        }
        QCOMPARE(result.box.minX, 2.0f);
        QCOMPARE(result.box.maxX, 3.0f);
        QCOMPARE(result.box.minZ, 1.0f);
        QCOMPARE(result.box.maxZ, 1.5f);
    }

    void normalsComeFromTheTableUnswapped()
    {
        Md2Writer md2;
        md2.frames = {frame({{0, 0, 0, 0}, {1, 1, 1, 161}, {2, 2, 2, 32}})};
        const Md2Result result = decodeMd2(md2.toBytes(), skin256);
        QVERIFY(result.ok);
        for (int i = 0; i < 3; ++i) {
            const int n = i == 0 ? 0 : i == 1 ? 161 : 32;
            QCOMPARE(result.model.frames[i].nx, md2::normals[n][0]);
            QCOMPARE(result.model.frames[i].ny, md2::normals[n][1]);
            QCOMPARE(result.model.frames[i].nz, md2::normals[n][2]);
        }
    }

    void textureCoordinatesFollowTheSkin()
    {
        Md2Writer md2 = triangleModel();
        md2.texCoords = {{128, 64}, {-32, 256}};
        const Md2Result result = decodeMd2(md2.toBytes(), SkinInfo{true, 256, 128});
        QVERIFY(result.ok);
        QCOMPARE(result.model.texCoordCount, 2);
        QCOMPARE(result.model.texCoords[0].s, 0.5f);
        QCOMPARE(result.model.texCoords[0].t, 0.5f);
        QCOMPARE(result.model.texCoords[1].s, -0.125f);
        QCOMPARE(result.model.texCoords[1].t, 2.0f);

        // Without a skin there are none, whatever the header claims.
        QByteArray bytes = md2.toBytes();
        Md2Writer::patch(bytes, Md2Writer::NumTexCoords, 1 << 30);
        const Md2Result bare = decodeMd2(bytes, SkinInfo{});
        QVERIFY2(bare.ok, qPrintable(bare.error));
        QCOMPARE(bare.model.texCoordCount, 0);
        QVERIFY(bare.model.texCoords.empty());
    }

    void trianglesAreCopiedUnchanged()
    {
        Md2Writer md2;
        md2.frames = {frame({{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}})};
        md2.triangles = {{{0, 1, 2}, {5, 6, 7}}, {{2, 0, 1}, {0, 65535, 1}}};
        const Md2Result result = decodeMd2(md2.toBytes(), skin256);
        QVERIFY(result.ok);
        QCOMPARE(result.model.triangleCount, 2);
        const MeshTriangle &t = result.model.triangles[0];
        QCOMPARE(QList<int>({t.vertexIndex[0], t.vertexIndex[1], t.vertexIndex[2], t.texCoordIndex[0],
                             t.texCoordIndex[1], t.texCoordIndex[2]}),
                 QList<int>({0, 1, 2, 5, 6, 7}));
        QCOMPARE(int(result.model.triangles[1].texCoordIndex[1]), 65535);
        QCOMPARE(result.model.currentFrame, 0);
        QCOMPARE(result.model.firstFrame, 0);
        QCOMPARE(result.model.lastFrame, 0);
    }

    void identifierAndVersionAreNotChecked()
    {
        QByteArray bytes = triangleModel().toBytes();
        bytes.replace(0, 4, "XXXX");
        Md2Writer::patch(bytes, Md2Writer::Version, 99);
        Md2Writer::patch(bytes, Md2Writer::OffsetEnd, -1);
        QVERIFY(decodeMd2(bytes, skin256).ok);
    }

    void framePaddingIsSkipped()
    {
        Md2Writer md2 = triangleModel();
        md2.frames.append(frame({{0, 0, 0, 1}, {64, 0, 0, 1}, {0, 0, 64, 1}}));
        md2.framePadding = 24;
        const Md2Result result = decodeMd2(md2.toBytes(), skin256);
        QVERIFY(result.ok);
        QCOMPARE(result.box.maxX - result.box.minX, 1.0f);
        QCOMPARE(result.box.maxY - result.box.minY, 1.0f);
        QCOMPARE(result.model.frames[3].nx, md2::normals[1][0]);
    }

    void emptyModelsDecode()
    {
        const Md2Result result = decodeMd2(Md2Writer().toBytes(), skin256);
        QVERIFY(result.ok);
        QCOMPARE(result.model.frameCount, 0);
        QCOMPARE(result.model.vertexCount, 0);
        QVERIFY(result.model.frames.empty());
    }

    void refusesHostileFiles_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("value");

        const QByteArray good = triangleModel().toBytes();
        const int end = int(good.size());
        QTest::newRow("negative vertex count") << int(Md2Writer::NumVertices) << -1;
        QTest::newRow("negative frame count") << int(Md2Writer::NumFrames) << -3;
        QTest::newRow("negative triangle count") << int(Md2Writer::NumTriangles) << -1;
        QTest::newRow("negative texture coordinate count") << int(Md2Writer::NumTexCoords) << -1;
        QTest::newRow("frame size below its vertices") << int(Md2Writer::FrameSize) << 40 + 4 * 3 - 1;
        QTest::newRow("negative frame size") << int(Md2Writer::FrameSize) << -52;
        QTest::newRow("more vertices than the frame holds") << int(Md2Writer::NumVertices) << 4;
        QTest::newRow("huge vertex count") << int(Md2Writer::NumVertices) << 0x7fffffff;
        QTest::newRow("frames past the end") << int(Md2Writer::NumFrames) << 2;
        QTest::newRow("huge frame count") << int(Md2Writer::NumFrames) << 0x7fffffff;
        QTest::newRow("frame offset past the end") << int(Md2Writer::OffsetFrames) << end;
        QTest::newRow("negative frame offset") << int(Md2Writer::OffsetFrames) << -8;
        QTest::newRow("frame offset overflowing") << int(Md2Writer::OffsetFrames) << 0x7ffffff0;
        QTest::newRow("triangles past the end") << int(Md2Writer::NumTriangles) << 1000;
        QTest::newRow("triangle offset past the end") << int(Md2Writer::OffsetTriangles) << end - 11;
        QTest::newRow("negative triangle offset") << int(Md2Writer::OffsetTriangles) << -12;
        QTest::newRow("texture coordinates past the end") << int(Md2Writer::NumTexCoords) << (1 << 20);
        QTest::newRow("texture coordinate offset past the end") << int(Md2Writer::OffsetTexCoords) << end - 3;
    }

    void refusesHostileFiles()
    {
        QFETCH(int, field);
        QFETCH(int, value);
        QByteArray bytes = triangleModel().toBytes();
        Md2Writer::patch(bytes, field, value);
        const Md2Result result = decodeMd2(bytes, skin256);
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(result.model.frames.empty());
        QVERIFY(result.model.triangles.empty());
    }

    void refusesIndicesOutsideTheirTables()
    {
        Md2Writer badNormal = triangleModel();
        badNormal.frames[0].vertices[1].normal = 162;
        QVERIFY(!decodeMd2(badNormal.toBytes(), skin256).ok);
        badNormal.frames[0].vertices[1].normal = 255;
        QVERIFY(!decodeMd2(badNormal.toBytes(), skin256).ok);

        Md2Writer badVertex = triangleModel();
        badVertex.triangles[0].vertex[2] = 3;
        QVERIFY(!decodeMd2(badVertex.toBytes(), skin256).ok);
        badVertex.triangles[0].vertex[2] = 65535;
        QVERIFY(!decodeMd2(badVertex.toBytes(), skin256).ok);
    }

    void shortFilesAreRefusedOrDecodedInBounds()
    {
        const QByteArray whole = triangleModel().toBytes();
        for (qsizetype n = 0; n < whole.size(); ++n) {
            const QByteArray cut = whole.left(n);
            const Md2Result result = decodeMd2(QByteArrayView(cut), skin256);
            QVERIFY2(!result.ok, qPrintable(QStringLiteral("%1 bytes accepted").arg(n)));
        }
        QVERIFY(decodeMd2(whole, skin256).ok);
    }
};

QTEST_MAIN(TestMd2Format)
#include "test_md2format.moc"
