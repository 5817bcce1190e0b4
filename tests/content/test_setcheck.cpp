// torvane-setcheck against small data directories broken on purpose: each
// problem is reported on a line naming the file, and the exit code says so.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

const QString dataDir = QStringLiteral(TORVANE_BINARY_DIR "/data");
const QString setcheck = QStringLiteral(TORVANE_BINARY_DIR "/tools/setcheck/torvane-setcheck");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray setXml(const QString &partExtra, const QString &partModel = "bodyparts/heart.md2", const QString &icon = "small.png")
{
    return QString("<set><name>Small</name><icon>%1</icon>"
                   "<shape><filename>bodyparts/trunk.md2</filename><pos_x>-0.22</pos_x><pos_y>0.02</pos_y><pos_z>0.38</pos_z></shape>"
                   "<part><filename>%2</filename><pos_x>0.0</pos_x><pos_y>-0.17</pos_y>%3</part></set>")
        .arg(icon, partModel, partExtra)
        .toUtf8();
}

// An MD2 file with `vertices` vertices and one triangle, otherwise sound.
QByteArray syntheticMd2(int vertices, int s, int t)
{
    const int frameSize = 40 + 4 * vertices;
    QByteArray b(68 + 4 + 12 + frameSize, '\0');
    auto put = [&](int at, qint32 v) { qToLittleEndian<qint32>(v, b.data() + at); };
    memcpy(b.data(), "IDP2", 4);
    put(4, 8);
    put(16, frameSize);
    put(24, vertices);
    put(28, 1);
    put(32, 1);
    put(40, 1);
    put(48, 68);
    put(52, 72);
    put(56, 84);
    qToLittleEndian<qint16>(qint16(s), b.data() + 68);
    qToLittleEndian<qint16>(qint16(t), b.data() + 70);
    qToLittleEndian<quint16>(1, b.data() + 74);
    qToLittleEndian<quint16>(2, b.data() + 76);
    const float one = 1.0f;
    for (int i = 0; i < 3; ++i)
        memcpy(b.data() + 84 + 4 * i, &one, 4);
    for (int i = 0; i < vertices; ++i) {
        b[84 + 40 + 4 * i] = char(i % 7);
        b[84 + 40 + 4 * i + 1] = char(i % 5);
        b[84 + 40 + 4 * i + 2] = char(i % 3);
    }
    return b;
}

struct Result
{
    int exitCode = -1;
    QStringList lines;
};

Result check(const QString &dir)
{
    QProcess p;
    p.start(setcheck, {dir});
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)};
}

} // namespace

class TestSetcheck : public QObject
{
    Q_OBJECT

private:
    // A one-set directory built from the generated models, good as it stands.
    void makeGoodDirectory(const QString &dir)
    {
        for (const char *file : {"sets/bodyparts/tris4.pcx", "sets/bodyparts/trunk.md2", "sets/bodyparts/heart.md2"})
            write(dir + "/" + QString(file), readAll(dataDir + "/" + QString(file)));
        write(dir + "/sets/small.png", readAll(dataDir + "/sets/organs.png"));
        write(dir + "/sets/small.xml", setXml(""));
    }

private slots:
    void aSoundSetPasses()
    {
        QTemporaryDir dir;
        makeGoodDirectory(dir.path());
        const Result r = check(dir.path());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines.size(), 1);
        QVERIFY(r.lines[0].contains("1 sets, 1 pieces"));
    }

    void eachProblemIsReportedOnALineNamingItsFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("expected");

        QTest::newRow("malformed XML") << "sets/small.xml" << QByteArray("<set><name>Small</name><part>") << "sets/small.xml: not well-formed XML";
        QTest::newRow("missing model") << "sets/small.xml" << setXml("", "bodyparts/nothing.md2")
                                       << "sets/small.xml: part 1 (bodyparts/nothing.md2) model sets/bodyparts/nothing.md2 is missing";
        QTest::newRow("no model named") << "sets/small.xml" << setXml("", "") << "names no model";
        QTest::newRow("beyond MD2 limits") << "sets/bodyparts/heart.md2" << syntheticMd2(3000, 10, 10)
                                           << "sets/bodyparts/heart.md2: 3000 vertices and 1 triangles a frame, MD2 allows 2048";
        QTest::newRow("texture coordinates outside the skin") << "sets/bodyparts/heart.md2" << syntheticMd2(10, 300, 10)
                                                              << "sets/bodyparts/heart.md2: 1 texture coordinates lie outside the 256 x 256 skin";
        QTest::newRow("missing icon") << "sets/small.xml" << setXml("", "bodyparts/heart.md2", "gone.png")
                                      << "sets/small.xml: icon sets/gone.png is missing";
        QTest::newRow("piece larger than the trough") << "sets/small.xml" << setXml("<scale>2.5</scale>") << "more than the trough holds";
        QTest::newRow("rotation makes it too long") << "sets/small.xml" << setXml("<scale>1.6</scale><rot_z>90</rot_z>")
                                                    << "more than the trough holds";
        QTest::newRow("target beyond the view") << "sets/small.xml" << setXml("<pos_x>2.0</pos_x>") << "out of the player's reach";
        QTest::newRow("target in the trough") << "sets/small.xml" << setXml("<pos_x>-0.45</pos_x>") << "out of the player's reach";
        QTest::newRow("broken skin") << "sets/bodyparts/tris4.pcx" << QByteArray(100, 'x') << "sets/bodyparts/tris4.pcx: not a readable 8-bit PCX";
        QTest::newRow("not an MD2") << "sets/bodyparts/heart.md2" << QByteArray(20, 'x') << "sets/bodyparts/heart.md2: not a readable MD2 model";
    }

    void eachProblemIsReportedOnALineNamingItsFile()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, contents);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        makeGoodDirectory(dir.path());
        write(dir.path() + "/" + file, contents);
        const Result r = check(dir.path());
        QCOMPARE(r.exitCode, 1);
        bool found = false;
        for (const QString &line : r.lines)
            found = found || line.contains(expected);
        QVERIFY2(found, qPrintable(r.lines.join(" | ")));
    }

    void aDirectoryWithoutSetsFails()
    {
        QTemporaryDir dir;
        const Result r = check(dir.path());
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.lines.contains("sets: no puzzle set (*.xml) found"));
        QVERIFY(r.lines.join("\n").contains("tris4.pcx: missing"));
    }
};

QTEST_MAIN(TestSetcheck)
#include "test_setcheck.moc"
