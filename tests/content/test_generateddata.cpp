// The data directory the build generates: complete, the same bytes every run, every piece named and within
// MD2's limits, the skin's swatch row as sets made outside the generator expect it, passed by torvane-setcheck.

#include "pieces/md2format.h"
#include "pieces/pcxformat.h"
#include "pieces/skinswatches.h"

#include <QDirIterator>
#include <QDomDocument>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

static const QString dataDir = QStringLiteral(TORVANE_BINARY_DIR "/data");

static QByteArray read(const QString &path, const QString &root = dataDir)
{
    QFile f(root + "/" + path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

static QByteArray runTool(const QString &tool, const QString &dir) // its output and how it ended: "exit 0" when all went well
{
    QProcess p;
    p.start(QStringLiteral(TORVANE_BINARY_DIR "/tools/") + tool, {dir});
    const bool ended = p.waitForFinished(240000) && p.exitStatus() == QProcess::NormalExit;
    return p.readAllStandardOutput() + (ended ? "exit " + QByteArray::number(p.exitCode()) : "crashed or hung");
}

class TestGeneratedData : public QObject
{
    Q_OBJECT

private slots:
    void everyPictureSoundAndTrackTheGameNamesIsThere()
    {
        QStringList files = {"sets/bodyparts/tris4.pcx"};
        for (const QString &name : QStringLiteral("loading logo difficulty name set play play-down stop stop-down next next-down "
                                                  "prev prev-down x-rot y-rot rotation mover-ground slider bambou carpet marmor")
                                       .split(' '))
            files << name + ".png";
        for (const QString &button : QStringLiteral("singleplayer multiplayer exit easy medium hard back start mainmenu").split(' '))
            files << button + "-up.png" << button + "-down.png";
        QDomDocument sounds;
        QVERIFY(sounds.setContent(read("sound/sounds.xml")));
        QStringList effects;
        for (QDomElement e = sounds.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
            effects << e.firstChildElement("name").text(), files << "sound/" + e.firstChildElement("file").text();
        QCOMPARE(effects, QStringList({"click", "fits", "won"}));
        for (const QString &file : files)
            QVERIFY2(file.endsWith(".png") ? !QImage(dataDir + "/" + file).isNull() : !read(file).isEmpty(), qPrintable(file));
        const QStringList tracks = QDir(dataDir + "/music").entryList(QDir::Files);
        QVERIFY(!tracks.isEmpty() && read("music/" + tracks.first()).startsWith("OggS")); // the game plays every file there
    }

    void sixSetsWithIconsAndNamedPiecesWhoseModelsFitMd2WithNormalsFacingOut()
    {
        const QStringList sets = QDir(dataDir + "/sets").entryList({"*.xml"});
        QCOMPARE(sets.size(), 6);
        for (const QString &set : sets) {
            QDomDocument document;
            QVERIFY(document.setContent(read("sets/" + set)));
            QVERIFY2(!QImage(dataDir + "/sets/" + document.documentElement().firstChildElement("icon").text()).isNull(), qPrintable(set));
            QSet<QString> names;
            const QDomNodeList models = document.elementsByTagName("filename"); // the shape's and every part's
            for (int i = 0; i < models.size(); ++i) {
                const QString model = models.at(i).toElement().text(), name = models.at(i).parentNode().firstChildElement("name").text();
                QVERIFY2(!name.trimmed().isEmpty() && !names.contains(name), qPrintable(set + ": " + model + " named '" + name + "'"));
                names.insert(name);
                const Md2Result md2 = decodeMd2(read("sets/" + model), SkinInfo{true, 256, 256});
                QVERIFY2(md2.ok && md2.model.vertexCount <= 2048 && md2.model.triangleCount <= 4096, qPrintable(model + md2.error));
                // The game lights a vertex with its table normal as it stands
                // (no axis exchange), so that must point out of the faces.
                int agree = 0;
                for (const MeshTriangle &t : md2.model.triangles) {
                    const MeshVertex &a = md2.model.frames[t.vertexIndex[0]], &b = md2.model.frames[t.vertexIndex[1]],
                                     &c = md2.model.frames[t.vertexIndex[2]];
                    const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
                    agree += (uy * wz - uz * wy) * (a.nx + b.nx + c.nx) + (uz * wx - ux * wz) * (a.ny + b.ny + c.ny) +
                                 (ux * wy - uy * wx) * (a.nz + b.nz + c.nz) > 0;
                }
                QVERIFY2(agree >= 0.9 * md2.model.triangleCount, qPrintable(model + ": normals face in"));
            }
            QVERIFY2(names.size() >= 7, qPrintable(set)); // the shape and at least six pieces
        }
    }

    void theSkinEndsInSixteenPlainTissueSwatches()
    {
        const PcxResult pcx = decodePcx(read("sets/bodyparts/tris4.pcx"));
        QVERIFY2(pcx.ok && pcx.image.width == 256 && pcx.image.height == 256, qPrintable(pcx.error));
        const auto *pixels = reinterpret_cast<const uchar *>(pcx.image.rgb.constData());
        auto rgb = [&](int x, int y) { const uchar *p = pixels + (y * 256 + x) * 3; return qRgb(p[0], p[1], p[2]); };
        QCOMPARE(rgb(56, 248), qRgb(196, 62, 56)); // "heart", the fourth: centred at x 3 * 16 + 8, y 240 + 8
        for (int i = 0; i < swatch::count; ++i)
            for (int p = 0; p < 16 * 16; ++p)
                QVERIFY2(rgb(i * 16 + p % 16, 240 + p / 16) == qRgb(swatch::tissues[i].r, swatch::tissues[i].g, swatch::tissues[i].b),
                         swatch::tissues[i].name);
    }

    void setcheckPassesEverySet()
    {
        const QByteArray out = runTool("setcheck/torvane-setcheck", dataDir);
        QVERIFY2(out.contains("6 sets") && out.endsWith("exit 0"), out);
    }

    void aSecondRunWritesTheSameBytes()
    {
        QTemporaryDir fresh;
        QCOMPARE(runTool("gendata/torvane-gendata", fresh.path()), "exit 0");
        int files = 0;
        for (QDirIterator it(fresh.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext(); ++files) {
            const QString file = QDir(fresh.path()).relativeFilePath(it.next());
            QVERIFY2(read(file, fresh.path()) == read(file), qPrintable(file));
        }
        QVERIFY(files > 100);
    }
};

QTEST_MAIN(TestGeneratedData)
#include "test_generateddata.moc"
