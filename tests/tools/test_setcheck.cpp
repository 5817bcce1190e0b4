// torvane-setcheck: one line per problem naming its file, and an exit status that says so.
#include "testing/gamedata.h"
#include "testing/md2writer.h"

#include <QProcess>
#include <QVector3D>
#include <QTest>

namespace {

// A set as the game reads it, with a reachable target and the part's extra keys.
QByteArray setXml(const QString &partKeys, const QString &model = "cube.md2", const QString &icon = "small.png")
{
    return QString(
               "<set><name>Small</name><icon>%1</icon><shape><name>Body</name><filename>bodyparts/big.md2</filename>"
               "<pos_x>-0.22</pos_x><pos_y>0.02</pos_y><pos_z>0.38</pos_z></shape><part><name>Cube</name><filename>"
               "bodyparts/%2</filename><pos_y>-0.17</pos_y>%3</part></set>")
        .arg(icon, model, partKeys)
        .toUtf8();
}

// "Cube" with its target at (-0.25, 0) in the room, a second part `second` from it, the body at `body`.
QByteArray twoParts(const QString &second, QVector3D body = {-0.25f, 0, 0.5f}, const QString &extra = "")
{
    const QString at = "<pos_x>%1</pos_x><pos_y>%2</pos_y><pos_z>%3</pos_z>";
    return QString(
               "<set><name>Small</name><icon>small.png</icon>%1<shape><name>Body</name><filename>bodyparts/big.md2</"
               "filename>"
               "%2</shape><part><name>Cube</name><filename>bodyparts/cube.md2</filename>%3</part><part>%4</part></set>")
        .arg(extra, at.arg(body.x()).arg(body.y()).arg(body.z()), at.arg(-0.25f - body.x()).arg(-body.y()).arg(0),
             second)
        .toUtf8();
}

} // namespace

class TestSetcheck : public QObject
{
    Q_OBJECT

private slots:
    void eachProblemIsOneLineNamingItsFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("expected"); // empty: all is well
        const auto row = [](const char *name, const QByteArray &bytes, const char *line,
                            const char *file = "sets/small.xml") { QTest::newRow(name) << file << bytes << line; };
        Md2Writer big = Md2Writer::cube(0.1f), outside = Md2Writer::cube(0.1f);
        big.frames[0].vertices = QList<Md2Writer::Vertex>(3000, Md2Writer::Vertex{});
        outside.texCoords = {{3, 0}}; // the skin is 2 x 2
        row("a sound set", setXml(""), "");
        // The game reads these as 0 and so must the check: the piece then sits at the shape.
        row("numbers the game reads as 0", setXml("<pos_x>1e39</pos_x><rot_z>nan</rot_z>"), "");
        row("nested deeper than the game reads", setXml(QString("<a>").repeated(300) + QString("</a>").repeated(300)),
            "sets/small.xml: nested more than 256 levels deep; the game skips it");
        row("malformed XML", "<set><part>", "sets/small.xml: not well-formed XML");
        row("missing model", setXml("", "none.md2"),
            "sets/small.xml: part 1 (bodyparts/none.md2) model sets/bodyparts/none.md2 is missing");
        const char *const cube = "sets/bodyparts/cube.md2";
        row("beyond MD2 limits", big.toBytes(), "cube.md2: 3000 vertices and 12 triangles a frame, MD2 allows 2048",
            cube);
        row("texture outside the skin", outside.toBytes(), "cube.md2: 1 texture coordinates lie outside the 2 x 2 skin",
            cube);
        row("missing icon", setXml("", "cube.md2", "gone.png"), "icon sets/gone.png is missing");
        row("larger than the trough", setXml("<scale>3.3</scale>"), "more than the trough holds");
        row("target beyond the view", setXml("<pos_x>2.0</pos_x>"), "out of the player's reach");
        row("broken skin", QByteArray(100, 'x'), "tris4.pcx: not a readable 8-bit PCX", "sets/bodyparts/tris4.pcx");
        row("part without a name: a warning, still playable", setXml("").replace("<name>Cube</name>", ""),
            "sets/small.xml: warning: part 1 (bodyparts/cube.md2) has no name");
        row("no sets", QByteArray(), "sets: no puzzle set (*.xml) found");
        // Targets 1/8 apart on x: the usual tenth's boxes (2 x 0.1 = 0.2 wide) overlap.
        const QString second = "<name>Second cube</name><filename>bodyparts/cube.md2</filename><pos_x>0.125</pos_x>";
        row("one drop point fits two parts", twoParts(second),
            "sets/small.xml: one drop point fits both \"Cube\" and \"Second cube\": their targets are 0.125 apart on x "
            "and 0.000 on y");
        row("a tolerance under 0.02: a warning, still playable",
            twoParts(second, {-0.25f, 0, 0.5f}, "<tolerance>0.015</tolerance>"),
            "sets/small.xml: warning: a tolerance of 0.015 is hard to hit with a mouse");
        // The legs nearest the player stand at x -0.3 / 0.66 = -0.4545 and y -0.4 / 0.66 = -0.606 (left) or 0.606 (right),
        // 0.02 / 0.66 thick and 0.4 / 0.66 = 0.606 high; the stands' tops span x -1.076 to -0.439, y 0.591 to 0.924 (right)
        // and z 0.576 to 0.939.
        row("the ghost in a leg", twoParts(second, {-0.45f, -0.55f, 0.3f}),
            "sets/small.xml: the shape \"Body\" stands in a leg of the left stand");
        row("a part in a stand's top",
            twoParts("<name>B</name><filename>bodyparts/cube.md2</filename><pos_x>-0.15</pos_x><pos_y>0.6</pos_y>"
                     "<pos_z>0.2</pos_z>"),
            "sets/small.xml: part 2 (bodyparts/cube.md2) stands in the top of the right stand");
    }

    void eachProblemIsOneLineNamingItsFile()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, contents);
        QFETCH(QString, expected);
        GameData data;
        data.picture("sets/small.png", QSize(20, 20), Qt::red);
        data.write("sets/small.xml", setXml(""));
        data.write(file, contents);
        if (contents.isEmpty())
            QFile::remove(file);
        QProcess tool;
        tool.start(TORVANE_SETCHECK_PROGRAM, {"."});
        const int status =
            tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
        const QStringList lines = QString(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(status, expected.isEmpty() || expected.contains("warning") ? 0 : 1);
        if (expected.isEmpty())
            QCOMPARE(lines, QStringList({".: 1 sets, 1 pieces, all readable and playable"}));
        else // the problem or the warning first; after a problem only warnings, after a warning the summary
            QVERIFY2(lines.size() >= 1 + !status && lines[0].contains(expected)
                         && (status ? lines.filter(": warning: ").size() == lines.size() - 1 : lines.size() == 2),
                     qPrintable(lines.join(" | ")));
    }

    void helpIsPrintedAndNotTakenForADirectory()
    {
        QProcess tool;
        tool.start(TORVANE_SETCHECK_PROGRAM, {"--help"});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(tool.readAllStandardOutput().startsWith("usage: torvane-setcheck DIR\n"));
    }
};

QTEST_GUILESS_MAIN(TestSetcheck)
#include "test_setcheck.moc"
