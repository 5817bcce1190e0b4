// The data directory the build generates: complete, the same every run, passed by setcheck, the skin's swatches
// where made sets expect them, one piece at most fitting any drop point, and the body's head and left told truly.

#include "pieces/md2format.h"
#include "pieces/pcxformat.h"
#include "pieces/skinswatches.h"

#include <QDomDocument>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QVector3D>

#include <cmath>
#include <QtTest>

static const QString dataDir = QStringLiteral(TORVANE_BINARY_DIR "/data/");

static QByteArray read(QString path)
{
    QFile f(dataDir + path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A generated set as the game places its pieces: each part's target in the room by name (its position plus the
// shape's, summed in float as the game sums them), the fit tolerance and the root's other children.
struct PlacedSet
{
    QDomElement root;
    double tolerance = 0.1;
    QMap<QString, QVector3D> targets;

    explicit PlacedSet(const QString &file)
    {
        QDomDocument document;
        document.setContent(read("sets/" + file));
        root = document.documentElement();
        const auto at = [](const QDomElement &e) {
            return QVector3D(e.firstChildElement("pos_x").text().toFloat(),
                             e.firstChildElement("pos_y").text().toFloat(),
                             e.firstChildElement("pos_z").text().toFloat());
        };
        if (!root.firstChildElement("tolerance").isNull())
            tolerance = root.firstChildElement("tolerance").text().toDouble();
        for (QDomElement part = root.firstChildElement("part"); !part.isNull(); part = part.nextSiblingElement("part"))
            targets[part.firstChildElement("name").text()] = at(part) + at(root.firstChildElement("shape"));
    }
    QString text(const char *child) const { return root.firstChildElement(child).text(); }
};

class TestGeneratedData : public QObject
{
    Q_OBJECT

private slots:
    void everyPictureSoundAndTrackIsThereAndASecondRunWritesTheSameBytes()
    {
        const QString pictures =
            "loading logo difficulty name set play play-down stop stop-down next next-down prev prev-down "
            "x-rot y-rot rotation mover-ground slider bambou carpet marmor singleplayer- multiplayer- exit- easy- "
            "medium- hard- "
            "back- start- mainmenu- host- join- open- connect- end- hostgame joingame"; // the buttons ("-") with an up and a down picture each
        for (const QString &name : pictures.split(' '))
            for (const QString &picture :
                 name.endsWith('-') ? QStringList{name + "up", name + "down"} : QStringList{name})
                QVERIFY2(!QImage(dataDir + picture + ".png").isNull(), qPrintable(picture));
        QDomDocument sounds;
        QVERIFY(sounds.setContent(read("sound/sounds.xml")));
        QStringList effects; // each with its file
        for (QDomElement e = sounds.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
            effects << e.firstChildElement("name").text()
                           + (read("sound/" + e.firstChildElement("file").text()).isEmpty() ? " (no file)" : "");
        QCOMPARE(effects, QStringList({"click", "fits", "won"}));
        const QStringList tracks = QDir(dataDir + "music").entryList(QDir::Files);
        QVERIFY(!tracks.isEmpty()
                && read("music/" + tracks.first()).startsWith("OggS")); // the game plays every file there
        QTemporaryDir fresh;
        QCOMPARE(QProcess::execute(TORVANE_GENDATA_PROGRAM, {fresh.path()}), 0);
        QCOMPARE(QProcess::execute("diff", {"-rq", fresh.path(), dataDir}), 0);
    }

    void twelveSetsOfNamedPiecesWithNormalsFacingOutOnASkinOfTissueSwatchesPassSetcheck()
    {
        // Icons, MD2 limits and reach are setcheck's; names only warn there.
        QProcess setcheck;
        setcheck.start(TORVANE_SETCHECK_PROGRAM, {dataDir});
        QVERIFY(setcheck.waitForFinished(240000) && setcheck.exitStatus() == QProcess::NormalExit);
        const QByteArray out = setcheck.readAllStandardOutput();
        QVERIFY2(out.contains(": 12 sets") && setcheck.exitCode() == 0 && !out.contains("warning"), out);
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
                int agree =
                    0; // the game lights a vertex with its table normal as it stands: it must point out of the faces
                for (const MeshTriangle &t : md2.model.triangles) {
                    const MeshVertex &a = md2.model.frames[t.vertexIndex[0]], &b = md2.model.frames[t.vertexIndex[1]];
                    const MeshVertex &c = md2.model.frames[t.vertexIndex[2]];
                    const QVector3D ab(b.x - a.x, b.y - a.y, b.z - a.z), ac(c.x - a.x, c.y - a.y, c.z - a.z);
                    const QVector3D normal(a.nx + b.nx + c.nx, a.ny + b.ny + c.ny, a.nz + b.nz + c.nz);
                    agree += QVector3D::dotProduct(QVector3D::crossProduct(ab, ac), normal) > 0;
                }
                QVERIFY2(agree >= 0.9 * md2.model.triangleCount, qPrintable(model + ": normals face in"));
            }
            QVERIFY2(names.removeDuplicates() == 0 && !names.contains("")
                         && names.size() >= 4, // the shape and 3 pieces or more
                     qPrintable(set + ": " + names.join(", ")));
        }
        const PcxResult pcx = decodePcx(read("sets/bodyparts/tris4.pcx"));
        QVERIFY2(pcx.ok && pcx.image.width == 256 && pcx.image.height == 256, qPrintable(pcx.error));
        const QImage skin(reinterpret_cast<const uchar *>(pcx.image.rgb.constData()), 256, 256, 3 * 256,
                          QImage::Format_RGB888);
        QCOMPARE(skin.pixel(56, 248), qRgb(196, 62, 56)); // "heart", the fourth: centred at x 3 * 16 + 8, y 240 + 8
        QCOMPARE(skin.pixel(56, 232),
                 qRgb(161, 51, 46)); // its darker shade above: 196, 62, 56 times 0.825, rounded down
        QCOMPARE(skin.pixel(104, 216), qRgb(177, 155, 86)); // "fat", the seventh, darkest: 246, 216, 120 times 0.72
        for (int p = 0; p < 256 * 16 * swatch::shadeCount;
             ++p) { // x across each row, y down its 16 pixels, the rows upwards
            const int i = p % 256 / 16, shade = p / (256 * 16);
            const swatch::Colour c = swatch::colour(i, shade);
            QVERIFY2(skin.pixel(p % 256, 240 - 16 * shade + p / 256 % 16) == qRgb(c.r, c.g, c.b),
                     swatch::tissues[i].name);
        }
    }

    void noDropPointFitsTwoPiecesOfASetEveryBoxIsComfortableAndTheBodysAxesAreGiven()
    {
        // The rule: two targets share a drop point when they are less than twice the tolerance apart on both x and y.
        const QRegularExpression axis("^[-+][xyz]$");
        for (const QString &file : QDir(dataDir + "sets").entryList({"*.xml"})) {
            const PlacedSet set(file);
            QVERIFY2(set.tolerance >= 0.02, qPrintable(file)); // about 12 pixels each way at the starting camera
            const QString head = set.text("towards_head"), left = set.text("towards_left"); // two axes of the room
            QVERIFY2(axis.match(head).hasMatch() && axis.match(left).hasMatch() && head[1] != left[1],
                     qPrintable(file));
            for (auto a = set.targets.begin(); a != set.targets.end(); ++a)
                for (auto b = std::next(a); b != set.targets.end(); ++b)
                    QVERIFY2(std::abs(a->x() - b->x()) >= 2 * set.tolerance
                                 || std::abs(a->y() - b->y()) >= 2 * set.tolerance,
                             qPrintable(file + ": " + a.key() + " and " + b.key()));
        }
    }

    void theBodyLiesAsItsSetSays_data()
    {
        QTest::addColumn<QString>("direction"); // "head" or "left"
        QTest::addColumn<QString>("first");     // set:piece lying further that way
        QTest::addColumn<QString>("second");
        const auto row = [](const char *direction, const char *first, const char *second) {
            QTest::newRow(qPrintable(QString("%1: %2, %3").arg(direction, first, second)))
                << direction << first << second;
        };
        row("head", "organs:Heart", "organs:Small intestine"); // lying on the back
        row("head", "spine:Vertebral column", "spine:Sacrum and coccyx");
        row("head", "head:Left cerebral hemisphere", "head:Brain stem"); // upright
        row("head", "heart:Superior vena cava", "heart:Inferior vena cava");
        row("left", "organs:Left lung", "organs:Right lung");
        row("left", "head:Left eye and optic nerve", "head:Right eye and optic nerve");
        // The halves of the heart and of the (right) arm lie where their whole would: the left atrium to the body's left
        // of the right one, the ulna on the inner side of the radius, towards the body's left.
        row("left", "heart-left:Left atrium", "heart:Right atrium");
        row("left", "arm:Ulna", "hand:Radius");
    }

    void theBodyLiesAsItsSetSays()
    {
        QFETCH(QString, direction);
        QFETCH(QString, first);
        QFETCH(QString, second);
        const PlacedSet a(first.section(':', 0, 0) + ".xml"), b(second.section(':', 0, 0) + ".xml");
        const QString way = a.text(direction == "head" ? "towards_head" : "towards_left");
        QCOMPARE(b.text(direction == "head" ? "towards_head" : "towards_left"), way);
        const int axis = QString("xyz").indexOf(way[1]), sign = way[0] == '-' ? -1 : 1;
        QVERIFY(axis >= 0
                && sign * a.targets.value(first.section(':', 1))[axis]
                       > sign * b.targets.value(second.section(':', 1))[axis]);
    }
};

QTEST_MAIN(TestGeneratedData)
#include "test_generateddata.moc"
