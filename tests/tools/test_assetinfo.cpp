// torvane-inspect: what a set author learns about a model or a skin.
#include "testing/gamedata.h"
#include "testing/md2writer.h"
#include "testing/pcxwriter.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

namespace {
struct Run
{
    int status = -1;
    QByteArray out, err;
};

Run inspect(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(TORVANE_BINARY_DIR "/tools/assetinfo/torvane-inspect"), arguments);
    tool.waitForFinished(30000);
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1, tool.readAllStandardOutput(), tool.readAllStandardError()};
}
} // namespace

class TestAssetInfo : public QObject
{
    Q_OBJECT

private slots:
    void reportsAModelAndASkinAndRefusesDamagedFiles();
};

void TestAssetInfo::reportsAModelAndASkinAndRefusesDamagedFiles()
{
    GameData data;
    Md2Writer md2 = Md2Writer::cube(0.2f); // 64 * 0.2 / 255 a step: corners at 0 and 0.2
    md2.texCoords = {{64, 32}};
    data.write(QStringLiteral("cube.md2"), md2.toBytes());
    PcxWriter pcx(128, 64);
    pcx.setColour(0, QColor(10, 20, 30));
    data.write(QStringLiteral("skin.pcx"), pcx.toBytes());

    Run run = inspect({QStringLiteral("cube.md2"), QStringLiteral("--skin"), QStringLiteral("skin.pcx")});
    QCOMPARE(run.status, 0);
    const QJsonObject model = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(model.value("frames").toInt(), 1);
    QCOMPARE(model.value("vertexCount").toInt(), 8);
    QCOMPARE(model.value("triangleCount").toInt(), 12);
    QVERIFY(qAbs(model.value("maxX").toDouble() - 0.2) < 1e-6 && qAbs(model.value("halfSizeZ").toDouble() - 0.1) < 1e-6);
    QCOMPARE(model.value("frame0").toArray().at(1).toArray().at(0).toDouble(), 0.1); // centred: x runs -0.1..0.1
    QCOMPARE(model.value("texCoord0").toArray().at(0).toDouble(), 0.5); // 64 of a 128-wide skin
    QCOMPARE(model.value("texCoord0").toArray().at(1).toDouble(), 0.5);

    run = inspect({QStringLiteral("skin.pcx"), QStringLiteral("--png"), QStringLiteral("skin.png")});
    QCOMPARE(run.status, 0);
    const QJsonObject skin = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(QSize(skin.value("width").toInt(), skin.value("height").toInt()), QSize(128, 64));
    QCOMPARE(QImage(QStringLiteral("skin.png")).pixelColor(127, 63), QColor(10, 20, 30));

    data.write(QStringLiteral("bad.md2"), md2.toBytes().left(100));
    for (const QString &file : {QStringLiteral("bad.md2"), QStringLiteral("missing.pcx")}) {
        run = inspect({file});
        QCOMPARE(run.status, 1);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.contains(file.toUtf8()), run.err.constData());
    }
}

QTEST_GUILESS_MAIN(TestAssetInfo)
#include "test_assetinfo.moc"
