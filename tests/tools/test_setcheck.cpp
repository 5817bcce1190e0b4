// torvane-setcheck on small data directories, good and broken on purpose:
// one line per problem naming its file, and an exit status that says so.
#include "testing/gamedata.h"
#include "testing/md2writer.h"

#include <QProcess>
#include <QTest>

namespace {

// A set as the game reads it, with a reachable target and the part's extra keys.
QByteArray setXml(const QString &partKeys, const QString &model = "cube.md2", const QString &icon = "small.png")
{
    return QStringLiteral("<set><name>Small</name><icon>%1</icon><shape><name>Body</name><filename>bodyparts/big.md2</filename>"
                          "<pos_x>-0.22</pos_x><pos_y>0.02</pos_y><pos_z>0.38</pos_z></shape><part><name>Cube</name><filename>"
                          "bodyparts/%2</filename><pos_y>-0.17</pos_y>%3</part></set>")
        .arg(icon, model, partKeys)
        .toUtf8();
}

QStringList check(int *status)
{
    QProcess tool;
    tool.start(QStringLiteral(TORVANE_BINARY_DIR "/tools/setcheck/torvane-setcheck"), {QStringLiteral(".")});
    tool.waitForFinished(60000);
    *status = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    return QString::fromUtf8(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

class TestSetcheck : public QObject
{
    Q_OBJECT

private slots:
    void eachProblemIsOneLineNamingItsFile_data();
    void eachProblemIsOneLineNamingItsFile();
};

void TestSetcheck::eachProblemIsOneLineNamingItsFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("expected"); // empty: all is well
    Md2Writer big = Md2Writer::cube(0.1f);
    big.frames[0].vertices = QList<Md2Writer::Vertex>(3000, Md2Writer::Vertex{});
    Md2Writer outside = Md2Writer::cube(0.1f);
    outside.texCoords = {{3, 0}}; // the skin is 2 x 2
    QTest::newRow("a sound set") << "sets/small.xml" << setXml("") << "";
    // The game reads these as 0 and so must the check: the piece then sits at the shape.
    QTest::newRow("numbers the game reads as 0") << "sets/small.xml" << setXml("<pos_x>1e39</pos_x><rot_z>nan</rot_z>") << "";
    QTest::newRow("nested deeper than the game reads")
        << "sets/small.xml" << setXml("<x>" + QString("<a>").repeated(300) + QString("</a>").repeated(300) + "</x>")
        << "sets/small.xml: nested more than 256 levels deep; the game skips it";
    QTest::newRow("malformed XML") << "sets/small.xml" << QByteArray("<set><part>") << "sets/small.xml: not well-formed XML";
    QTest::newRow("missing model") << "sets/small.xml" << setXml("", "none.md2")
                                   << "sets/small.xml: part 1 (bodyparts/none.md2) model sets/bodyparts/none.md2 is missing";
    QTest::newRow("no model named") << "sets/small.xml" << setXml("", "") << "names no model";
    QTest::newRow("beyond MD2 limits") << "sets/bodyparts/cube.md2" << big.toBytes()
                                       << "sets/bodyparts/cube.md2: 3000 vertices and 12 triangles a frame, MD2 allows 2048";
    QTest::newRow("texture outside the skin") << "sets/bodyparts/cube.md2" << outside.toBytes()
                                              << "sets/bodyparts/cube.md2: 1 texture coordinates lie outside the 2 x 2 skin";
    QTest::newRow("missing icon") << "sets/small.xml" << setXml("", "cube.md2", "gone.png") << "icon sets/gone.png is missing";
    QTest::newRow("larger than the trough") << "sets/small.xml" << setXml("<scale>3.3</scale>") << "more than the trough holds";
    QTest::newRow("turned too long") << "sets/small.xml" << setXml("<scale>2.3</scale><rot_z>45</rot_z>") << "more than the trough holds";
    QTest::newRow("target beyond the view") << "sets/small.xml" << setXml("<pos_x>2.0</pos_x>") << "out of the player's reach";
    QTest::newRow("target in the trough") << "sets/small.xml" << setXml("<pos_x>-0.25</pos_x>") << "out of the player's reach";
    QTest::newRow("broken skin") << "sets/bodyparts/tris4.pcx" << QByteArray(100, 'x') << "tris4.pcx: not a readable 8-bit PCX";
    QTest::newRow("part without a name: a warning, still playable") << "sets/small.xml" << setXml("").replace("<name>Cube</name>", "")
                                                                    << "sets/small.xml: warning: part 1 (bodyparts/cube.md2) has no name";
    QTest::newRow("no sets") << "sets/small.xml" << QByteArray() << "sets: no puzzle set (*.xml) found";
}

void TestSetcheck::eachProblemIsOneLineNamingItsFile()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, contents);
    QFETCH(QString, expected);
    GameData data;
    data.picture(QStringLiteral("sets/small.png"), QSize(20, 20), Qt::red);
    data.write(QStringLiteral("sets/small.xml"), setXml(""));
    data.write(file, contents);
    if (contents.isEmpty())
        QFile::remove(file);
    int status = 0;
    const QStringList lines = check(&status);
    QCOMPARE(status, expected.isEmpty() || expected.contains("warning") ? 0 : 1);
    if (expected.isEmpty())
        QCOMPARE(lines, QStringList({".: 1 sets, 1 pieces, all readable and playable"}));
    else
        QVERIFY2(lines.size() == 1 + !status && lines[0].contains(expected), qPrintable(lines.join(" | ")));
}

QTEST_GUILESS_MAIN(TestSetcheck)
#include "test_setcheck.moc"
