#include "testing/md2writer.h"
#include "testing/pcxwriter.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

Run inspect(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TORVANE_BINARY_DIR "/tools/assetinfo/torvane-inspect"), arguments);
    Run run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QJsonArray triple(double x, double y, double z)
{
    return QJsonArray{x, y, z};
}

} // namespace

class TestAssetInfo : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    bool write(const QString &name, const QByteArray &bytes)
    {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(QStringLiteral(TORVANE_BINARY_DIR "/tools/assetinfo/torvane-inspect")));
        QVERIFY(dir.isValid());

        Md2Writer md2;
        Md2Writer::Frame first;
        first.translate[0] = 64;
        first.vertices = {{0, 0, 0, 0}, {128, 64, 0, 1}, {0, 0, 32, 2}};
        Md2Writer::Frame last = first;
        last.scale[0] = 2;
        md2.frames = {first, last};
        md2.triangles = {{{2, 1, 0}, {1, 0, 1}}};
        md2.texCoords = {{128, 64}, {0, 0}};
        QVERIFY(md2.writeFile(path(QStringLiteral("piece.md2"))));

        PcxWriter pcx(256, 128);
        pcx.setColour(0, QColor(10, 20, 30));
        pcx.indices[1] = 3;
        pcx.setColour(3, QColor(200, 100, 0));
        QVERIFY(pcx.writeFile(path(QStringLiteral("skin.pcx"))));

        QByteArray broken = md2.toBytes();
        Md2Writer::patch(broken, Md2Writer::OffsetTriangles, 1 << 24);
        QVERIFY(write(QStringLiteral("broken.md2"), broken));
        // Xmax below Xmin: no width.
        QVERIFY(write(QStringLiteral("broken.pcx"), PcxWriter::assemble(0, 0, -1, 0, 1, "\x01\x01", QByteArray())));
    }

    void modelReportsItsDecodedGeometry()
    {
        const Run run = inspect({path(QStringLiteral("piece.md2"))});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject json = run.json();
        QCOMPARE(json.value("frames").toInt(), 2);
        QCOMPARE(json.value("vertexCount").toInt(), 3);
        QCOMPARE(json.value("triangleCount").toInt(), 1);
        QCOMPARE(json.value("texCoordCount").toInt(), 2);
        // Box of the last frame: x 1..5, y (file third) 0..0.5, z (file second) 0..1.
        QCOMPARE(json.value("minX").toDouble(), 1.0);
        QCOMPARE(json.value("maxX").toDouble(), 5.0);
        QCOMPARE(json.value("maxY").toDouble(), 0.5);
        QCOMPARE(json.value("maxZ").toDouble(), 1.0);
        QCOMPARE(json.value("halfSizeX").toDouble(), 2.0);
        QCOMPARE(json.value("halfSizeY").toDouble(), 0.25);
        QCOMPARE(json.value("halfSizeZ").toDouble(), 0.5);
        QCOMPARE(json.value("frame0").toArray(),
                 QJsonArray({triple(-1, -0.25, -0.5), triple(1, -0.25, 0.5), triple(-1, 0.25, -0.5)}));
        QCOMPARE(json.value("lastFrameFirst").toArray(), triple(-2, -0.25, -0.5));
        QCOMPARE(json.value("triangle0").toArray(), QJsonArray({2, 1, 0, 1, 0, 1}));
        QCOMPARE(json.value("texCoord0").toArray(), QJsonArray({0.5, 0.25})); // a 256 x 256 skin
    }

    void skinSizeNormalisesTextureCoordinates()
    {
        const Run run = inspect({path(QStringLiteral("piece.md2")), QStringLiteral("--skin"), path(QStringLiteral("skin.pcx"))});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.json().value("texCoord0").toArray(), QJsonArray({0.5, 0.5}));

        // An unusable skin is a skin that did not load, as in the game.
        const Run bare = inspect({path(QStringLiteral("piece.md2")), QStringLiteral("--skin"), path(QStringLiteral("broken.pcx"))});
        QCOMPARE(bare.exitCode, 0);
        QCOMPARE(bare.json().value("texCoordCount").toInt(), 0);
        QCOMPARE(bare.json().value("texCoord0").toArray(), QJsonArray());
        QCOMPARE(bare.json().value("skinLoaded").toBool(true), false);
        QVERIFY(!bare.err.isEmpty());
    }

    void skinReportsItsSizeAndWritesThePicture()
    {
        const QString png = path(QStringLiteral("skin.png"));
        const Run run = inspect({path(QStringLiteral("skin.pcx")), QStringLiteral("--png"), png});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.json(), QJsonObject({{"width", 256}, {"height", 128}}));
        const QImage image(png);
        QCOMPARE(image.size(), QSize(256, 128));
        QCOMPARE(image.pixel(0, 0), qRgb(10, 20, 30));
        QCOMPARE(image.pixel(1, 0), qRgb(200, 100, 0));
        QCOMPARE(image.pixel(255, 127), qRgb(10, 20, 30));
    }

    void unreadableFilesFailWithOneLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("damaged model") << QStringList{QStringLiteral("broken.md2")};
        QTest::newRow("damaged skin") << QStringList{QStringLiteral("broken.pcx")};
        QTest::newRow("missing model") << QStringList{QStringLiteral("nothing.md2")};
        QTest::newRow("missing skin") << QStringList{QStringLiteral("nothing.pcx"), QStringLiteral("--png"), QStringLiteral("x.png")};
        QTest::newRow("no arguments") << QStringList{};
    }

    void unreadableFilesFailWithOneLine()
    {
        QFETCH(QStringList, arguments);
        for (QString &argument : arguments)
            if (!argument.startsWith(QLatin1String("--")))
                argument = path(argument);
        const Run run = inspect(arguments);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QByteArray());
        QVERIFY(!run.err.isEmpty());
        if (!arguments.isEmpty())
            QCOMPARE(run.err.count('\n'), 1);
    }
};

QTEST_MAIN(TestAssetInfo)
#include "test_assetinfo.moc"
