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
    tool.start(QStringLiteral(TORVANE_INSPECT_PROGRAM), arguments);
    tool.waitForFinished(30000);
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1, tool.readAllStandardOutput(),
            tool.readAllStandardError()};
}
} // namespace

class TestAssetInfo : public QObject
{
    Q_OBJECT

private slots:
    void reportsAModelAndASkinAndRefusesDamagedFiles()
    {
        GameData data;
        Md2Writer md2 = Md2Writer::cube(0.2f); // corners at 0 and 0.2 scene units
        md2.texCoords = {{64, 32}};
        data.write("cube.md2", md2.toBytes());
        data.write("bad.md2", md2.toBytes().left(100));
        PcxWriter pcx(128, 64);
        pcx.setColour(0, QColor(10, 20, 30));
        data.write("skin.pcx", pcx.toBytes());
        Run run = inspect({"cube.md2", "--skin", "skin.pcx"});
        const QJsonObject model = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(QList<int>({run.status, model["frames"].toInt(), model["vertexCount"].toInt(),
                             model["triangleCount"].toInt()}),
                 QList<int>({0, 1, 8, 12}));
        QCOMPARE(model["frame0"].toArray()[1].toArray()[0].toDouble(), 0.1); // centred: x runs -0.1..0.1
        QCOMPARE(model["texCoord0"].toArray(), QJsonArray({0.5, 0.5}));      // (64, 32) of a 128 x 64 skin
        run = inspect({"skin.pcx", "--png", "skin.png"});
        QCOMPARE(QJsonDocument::fromJson(run.out).object(), QJsonObject({{"width", 128}, {"height", 64}}));
        QCOMPARE(QImage("skin.png").pixelColor(127, 63), QColor(10, 20, 30));
        for (const char *file : {"bad.md2", "missing.pcx"}) { // one line saying why, and status 1
            run = inspect({file});
            QVERIFY2(run.status == 1 && run.out.isEmpty() && run.err.count('\n') == 1 && run.err.contains(file),
                     run.err.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestAssetInfo)
#include "test_assetinfo.moc"
