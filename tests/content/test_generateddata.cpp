// The data directory the build generates: complete, within the formats'
// limits, consistent with the room, and accepted by torvane-setcheck.

#include "pieces/md2format.h"
#include "pieces/pcxformat.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cmath>

namespace {

const QString dataDir = QStringLiteral(TORVANE_BINARY_DIR "/data");
const QString setcheck = QStringLiteral(TORVANE_BINARY_DIR "/tools/setcheck/torvane-setcheck");
const QString gendata = QStringLiteral(TORVANE_BINARY_DIR "/tools/gendata/torvane-gendata");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QImage picture(const QString &name) { return QImage(dataDir + "/" + name); }

struct Run
{
    int exitCode = -1;
    QString out;
};

Run runTool(const QString &program, const QStringList &args, int timeoutMs = 120000)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput())};
}

Md2Result decodeModel(const QString &path)
{
    return decodeMd2(readAll(path), SkinInfo{true, 256, 256});
}

QStringList filesUnder(const QString &root)
{
    QStringList out;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

} // namespace

class TestGeneratedData : public QObject
{
    Q_OBJECT

private slots:
    void everyFileTheGameNamesExists()
    {
        const QStringList pictures = {
            "loading.png", "logo.png", "singleplayer-up.png", "singleplayer-down.png", "multiplayer-up.png",
            "multiplayer-down.png", "exit-up.png", "exit-down.png", "difficulty.png", "name.png", "set.png",
            "easy-up.png", "easy-down.png", "medium-up.png", "medium-down.png", "hard-up.png", "hard-down.png",
            "back-up.png", "back-down.png", "start-up.png", "start-down.png", "play.png", "play-down.png", "stop.png",
            "stop-down.png", "next.png", "next-down.png", "prev.png", "prev-down.png", "mainmenu-up.png",
            "mainmenu-down.png", "x-rot.png", "y-rot.png", "rotation.png", "mover-ground.png", "slider.png",
            "bambou.png", "carpet.png", "marmor.png"};
        for (const QString &name : pictures)
            QVERIFY2(!picture(name).isNull(), qPrintable(name));
        for (const char *pair : {"singleplayer", "multiplayer", "exit", "easy", "medium", "hard", "back", "start", "mainmenu"})
            QVERIFY2(picture(QString(pair) + "-up.png") != picture(QString(pair) + "-down.png"), pair);
        QVERIFY(QFile::exists(dataDir + "/sets/bodyparts/tris4.pcx"));
        QVERIFY(QDir(dataDir + "/sets").entryList({"*.xml"}).size() >= 3);

        // The sound catalogue names the three effects, as 16-bit 44.1 kHz WAV.
        QDomDocument sounds;
        QVERIFY(sounds.setContent(readAll(dataDir + "/sound/sounds.xml")));
        QCOMPARE(sounds.documentElement().tagName(), QString("sounds"));
        QStringList names;
        for (QDomElement e = sounds.documentElement().firstChildElement("sound"); !e.isNull(); e = e.nextSiblingElement("sound")) {
            names << e.firstChildElement("name").text();
            const QByteArray wav = readAll(dataDir + "/sound/" + e.firstChildElement("file").text());
            QVERIFY(wav.size() > 44);
            QVERIFY(wav.startsWith("RIFF") && wav.mid(8, 4) == "WAVE");
            QCOMPARE(qFromLittleEndian<quint16>(wav.constData() + 20), quint16(1));
            QCOMPARE(qFromLittleEndian<quint32>(wav.constData() + 24), quint32(44100));
            QCOMPARE(qFromLittleEndian<quint16>(wav.constData() + 34), quint16(16));
        }
        names.sort();
        QCOMPARE(names, QStringList({"click", "fits", "won"}));
    }

    void picturesFitTheScreensTheyAreLaidOutOn()
    {
        // Set-up screen (800 x 600): buttons at 180, chooser 140 below easy,
        // as tall as the tallest icon + 45, back/start 50 below it.
        int tallestIcon = 0, rowWidth = 0;
        const QStringList sets = QDir(dataDir + "/sets").entryList({"*.xml"});
        for (const QString &set : sets) {
            QDomDocument doc;
            QVERIFY(doc.setContent(readAll(dataDir + "/sets/" + set)));
            const QImage icon(dataDir + "/sets/" + doc.documentElement().firstChildElement("icon").text());
            QVERIFY2(!icon.isNull(), qPrintable(set));
            tallestIcon = std::max(tallestIcon, icon.height());
            rowWidth += icon.width() + 10;
        }
        QVERIFY(rowWidth - 10 <= 780);
        const int chooserTop = 180 + picture("easy-up.png").height() + 140;
        const int backTop = chooserTop + tallestIcon + 45 + 50;
        QVERIFY2(backTop + std::max(picture("back-up.png").height(), picture("start-up.png").height()) <= 600,
                 qPrintable(QString("back/start end at %1").arg(backTop + picture("back-up.png").height())));
        const int hardRight = 100 + picture("easy-up.png").width() + 100 + picture("medium-up.png").width() + 100 +
                              picture("hard-up.png").width();
        QVERIFY(hardRight <= 800);
        QVERIFY(180 + picture("easy-up.png").height() + 60 + picture("set.png").height() <= chooserTop);
        QVERIFY(120 + picture("difficulty.png").height() <= 180);
        QVERIFY(100 + picture("name.png").width() <= 200);

        // Game screen: music buttons stay left of the view, which starts at
        // the exit button's width + 20; the logo holds three lines of text.
        for (const char *b : {"play.png", "stop.png", "next.png", "prev.png"})
            QVERIFY2(10 + picture(QString(b)).width() <= picture("mainmenu-up.png").width() + 20, b);
        QVERIFY(picture("logo.png").height() >= 110);
        QCOMPARE(picture("x-rot.png").width(), picture("rotation.png").width());
        QCOMPARE(picture("slider.png").width(), picture("mover-ground.png").width());

        // Room textures repeat, so they are powers of two.
        for (const char *t : {"bambou.png", "carpet.png", "marmor.png"}) {
            const QImage image = picture(QString(t));
            QVERIFY2((image.width() & (image.width() - 1)) == 0 && (image.height() & (image.height() - 1)) == 0, t);
        }
    }

    void musicHasThreeDistinctTracksOfAtLeastFortyFiveSeconds()
    {
        const QStringList tracks = QDir(dataDir + "/music").entryList(QDir::Files);
        QVERIFY(tracks.size() >= 3);
        QSet<QByteArray> seen;
        for (const QString &track : tracks) {
            const QByteArray ogg = readAll(dataDir + "/music/" + track);
            QVERIFY2(ogg.startsWith("OggS"), qPrintable(track));
            const int ident = ogg.indexOf("\x01vorbis");
            QVERIFY(ident > 0);
            const quint32 rate = qFromLittleEndian<quint32>(ogg.constData() + ident + 12);
            const int lastPage = ogg.lastIndexOf("OggS");
            const qint64 samples = qFromLittleEndian<qint64>(ogg.constData() + lastPage + 6);
            QVERIFY2(double(samples) / rate >= 45.0, qPrintable(track));
            seen.insert(ogg);
        }
        QCOMPARE(seen.size(), int(tracks.size()));
    }

    void modelsStayWithinMd2AndTheirNormalsFaceOut()
    {
        const QStringList models = QDir(dataDir + "/sets/bodyparts").entryList({"*.md2"});
        QVERIFY(models.size() >= 3 * 7);
        for (const QString &name : models) {
            const Md2Result md2 = decodeModel(dataDir + "/sets/bodyparts/" + name);
            QVERIFY2(md2.ok, qPrintable(name + ": " + md2.error));
            QVERIFY(md2.model.vertexCount <= 2048 && md2.model.triangleCount <= 4096);
            QVERIFY(md2.model.frameCount >= 1);
            // Normals are read without the file's axis exchange, so they only
            // agree with the faces if the generator chose them for the
            // game's axes.
            const auto &v = md2.model.frames;
            int agree = 0;
            for (const MeshTriangle &t : md2.model.triangles) {
                const MeshVertex &a = v[t.vertexIndex[0]], &b = v[t.vertexIndex[1]], &c = v[t.vertexIndex[2]];
                const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
                const float wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
                const float fx = uy * wz - uz * wy, fy = uz * wx - ux * wz, fz = ux * wy - uy * wx;
                const float nx = a.nx + b.nx + c.nx, ny = a.ny + b.ny + c.ny, nz = a.nz + b.nz + c.nz;
                agree += fx * nx + fy * ny + fz * nz > 0;
                for (const MeshVertex *m : {&a, &b, &c})
                    QVERIFY(std::abs(std::sqrt(m->nx * m->nx + m->ny * m->ny + m->nz * m->nz) - 1.0f) < 1e-3f);
            }
            QVERIFY2(agree >= 0.9 * md2.model.triangleCount,
                     qPrintable(QString("%1: %2 of %3 faces agree with their normals").arg(name).arg(agree).arg(md2.model.triangleCount)));
        }
    }

    void placedPiecesSitInsideTheirGhost()
    {
        for (const QString &set : QDir(dataDir + "/sets").entryList({"*.xml"})) {
            QDomDocument doc;
            QVERIFY(doc.setContent(readAll(dataDir + "/sets/" + set)));
            const QDomElement root = doc.documentElement();
            const Md2Result shape = decodeModel(dataDir + "/sets/" + root.firstChildElement("shape").firstChildElement("filename").text());
            QVERIFY(shape.ok);
            const float hx = (shape.box.maxX - shape.box.minX) / 2, hy = (shape.box.maxY - shape.box.minY) / 2,
                        hz = (shape.box.maxZ - shape.box.minZ) / 2;
            QList<QPointF> targets;
            for (QDomElement part = root.firstChildElement("part"); !part.isNull(); part = part.nextSiblingElement("part")) {
                const float x = part.firstChildElement("pos_x").text().toFloat();
                const float y = part.firstChildElement("pos_y").text().toFloat();
                const float z = part.firstChildElement("pos_z").text().toFloat();
                QVERIFY2(std::abs(x) < hx && std::abs(y) < hy && std::abs(z) < hz, qPrintable(set + " " + part.firstChildElement("filename").text()));
                targets << QPointF(x, y);
            }
            QVERIFY2(targets.size() >= 6 && targets.size() <= 14, qPrintable(set));
            // Most pairs of pieces need drops at different spots, or the fit
            // would be trivial (a head has few pieces, close together).
            int apart = 0;
            for (int i = 0; i < targets.size(); ++i)
                for (int j = i + 1; j < targets.size(); ++j)
                    apart += std::max(std::abs(targets[i].x() - targets[j].x()), std::abs(targets[i].y() - targets[j].y())) >= 0.1;
            QVERIFY2(apart >= 0.55 * targets.size() * (targets.size() - 1) / 2, qPrintable(set));
        }
    }

    void theSkinIsAPowerOfTwoRunLengthPcx()
    {
        const QByteArray bytes = readAll(dataDir + "/sets/bodyparts/tris4.pcx");
        const PcxResult pcx = decodePcx(bytes);
        QVERIFY2(pcx.ok, qPrintable(pcx.error));
        QCOMPARE(pcx.image.width, 256);
        QCOMPARE(pcx.image.height, 256);
        QCOMPARE(quint8(bytes[2]), quint8(1));                           // encoded
        QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 66), quint16(256)); // bytes per line
        QVERIFY(bytes.size() < 256 * 256);                               // and actually compressed
    }

    void generatedDataPassesSetcheck()
    {
        const Run run = runTool(setcheck, {dataDir});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out));
        QCOMPARE(run.out.count('\n'), 1);
        QVERIFY(run.out.contains("3 sets"));
    }

    void generatorWritesTheSameBytesEveryRun()
    {
        // One fresh run compared with the build's own: every byte the same.
        QTemporaryDir fresh;
        QVERIFY(fresh.isValid());
        const Run run = runTool(gendata, {fresh.path()}, 240000);
        QCOMPARE(run.exitCode, 0);
        const QStringList files = filesUnder(fresh.path());
        QVERIFY(files.size() > 60);
        for (const QString &file : files)
            QVERIFY2(readAll(fresh.path() + "/" + file) == readAll(dataDir + "/" + file), qPrintable(file));
    }
};

QTEST_MAIN(TestGeneratedData)
#include "test_generateddata.moc"
