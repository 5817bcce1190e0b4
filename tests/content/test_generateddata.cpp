// The data directory the build generates: complete, the same bytes every run, every piece named and within
// MD2's limits, the skin's swatch row as sets made outside the generator expect it, passed by torvane-setcheck.

#include "pieces/md2format.h"
#include "pieces/pcxformat.h"
#include "pieces/skinswatches.h"

#include <QDomDocument>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QVector3D>
#include <QtTest>

static const QString dataDir = QStringLiteral(TORVANE_BINARY_DIR "/data/");

static QByteArray read(QString path) { QFile f(dataDir + path); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }

class TestGeneratedData : public QObject
{
    Q_OBJECT

private slots:
    void everyPictureSoundAndTrackIsThereAndASecondRunWritesTheSameBytes()
    {
        const QString pictures = "loading logo difficulty name set play play-down stop stop-down next next-down prev prev-down "
            "x-rot y-rot rotation mover-ground slider bambou carpet marmor singleplayer- multiplayer- exit- easy- medium- hard- "
            "back- start- mainmenu- host- join- open- connect- end- hostgame joingame"; // the buttons ("-") with an up and a down picture each
        for (const QString &name : pictures.split(' '))
            for (const QString &picture : name.endsWith('-') ? QStringList{name + "up", name + "down"} : QStringList{name})
                QVERIFY2(!QImage(dataDir + picture + ".png").isNull(), qPrintable(picture));
        QDomDocument sounds;
        QVERIFY(sounds.setContent(read("sound/sounds.xml")));
        QStringList effects; // each with its file
        for (QDomElement e = sounds.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
            effects << e.firstChildElement("name").text()
                    + (read("sound/" + e.firstChildElement("file").text()).isEmpty() ? " (no file)" : "");
        QCOMPARE(effects, QStringList({"click", "fits", "won"}));
        const QStringList tracks = QDir(dataDir + "music").entryList(QDir::Files);
        QVERIFY(!tracks.isEmpty() && read("music/" + tracks.first()).startsWith("OggS")); // the game plays every file there
        QTemporaryDir fresh;
        QCOMPARE(QProcess::execute(TORVANE_BINARY_DIR "/tools/gendata/torvane-gendata", {fresh.path()}), 0);
        QCOMPARE(QProcess::execute("diff", {"-rq", fresh.path(), dataDir}), 0);
    }

    void sixSetsOfNamedPiecesWithNormalsFacingOutOnASkinOfTissueSwatchesPassSetcheck()
    {
        // Icons, MD2 limits and reach are setcheck's; names only warn there.
        QProcess setcheck;
        setcheck.start(TORVANE_BINARY_DIR "/tools/setcheck/torvane-setcheck", {dataDir});
        QVERIFY(setcheck.waitForFinished(240000) && setcheck.exitStatus() == QProcess::NormalExit);
        const QByteArray out = setcheck.readAllStandardOutput();
        QVERIFY2(out.contains(": 6 sets") && setcheck.exitCode() == 0, out);
        for (const QString &set : QDir(dataDir + "sets").entryList({"*.xml"})) {
            QDomDocument document;
            QVERIFY(document.setContent(read("sets/" + set)));
            QStringList names;
            const QDomNodeList models = document.elementsByTagName("filename"); // the shape's and every part's
            for (int i = 0; i < models.size(); ++i) {
                const QString model = models.at(i).toElement().text();
                names << models.at(i).parentNode().firstChildElement("name").text().trimmed();
                const Md2Result md2 = decodeMd2(read("sets/" + model), SkinInfo{true, 256, 256});
                QVERIFY2(md2.ok, qPrintable(model + md2.error));
                int agree = 0; // the game lights a vertex with its table normal as it stands: it must point out of the faces
                for (const MeshTriangle &t : md2.model.triangles) {
                    const MeshVertex &a = md2.model.frames[t.vertexIndex[0]], &b = md2.model.frames[t.vertexIndex[1]];
                    const MeshVertex &c = md2.model.frames[t.vertexIndex[2]];
                    const QVector3D ab(b.x - a.x, b.y - a.y, b.z - a.z), ac(c.x - a.x, c.y - a.y, c.z - a.z);
                    const QVector3D normal(a.nx + b.nx + c.nx, a.ny + b.ny + c.ny, a.nz + b.nz + c.nz);
                    agree += QVector3D::dotProduct(QVector3D::crossProduct(ab, ac), normal) > 0;
                }
                QVERIFY2(agree >= 0.9 * md2.model.triangleCount, qPrintable(model + ": normals face in"));
            }
            QVERIFY2(names.removeDuplicates() == 0 && !names.contains("") && names.size() >= 7, // the shape and 6 pieces or more
                     qPrintable(set + ": " + names.join(", ")));
        }
        const PcxResult pcx = decodePcx(read("sets/bodyparts/tris4.pcx"));
        QVERIFY2(pcx.ok && pcx.image.width == 256 && pcx.image.height == 256, qPrintable(pcx.error));
        const QImage skin(reinterpret_cast<const uchar *>(pcx.image.rgb.constData()), 256, 256, 3 * 256, QImage::Format_RGB888);
        QCOMPARE(skin.pixel(56, 248), qRgb(196, 62, 56)); // "heart", the fourth: centred at x 3 * 16 + 8, y 240 + 8
        for (int p = 0; p < 256 * 16; ++p) { // x across the row, y down its 16 pixels
            const swatch::Tissue &t = swatch::tissues[p % 256 / 16];
            QVERIFY2(skin.pixel(p % 256, 240 + p / 256) == qRgb(t.r, t.g, t.b), t.name);
        }
    }
};

QTEST_MAIN(TestGeneratedData)
#include "test_generateddata.moc"
