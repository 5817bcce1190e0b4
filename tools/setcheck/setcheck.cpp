#include "setcheck.h"

#include "game/datapaths.h"
#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "game/setformat.h"
#include "game/xmlfile.h"
#include "pieces/md2format.h"
#include "pieces/pcxformat.h"
#include "view/roomcamera.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <cmath>
#include <vector>

namespace setcheck {
namespace {

constexpr float pi = 3.14159265f;

struct V
{
    float x, y, z;
};

V rotX(V p, float deg)
{
    const float c = std::cos(deg * pi / 180), s = std::sin(deg * pi / 180);
    return {p.x, c * p.y - s * p.z, s * p.y + c * p.z};
}
V rotY(V p, float deg)
{
    const float c = std::cos(deg * pi / 180), s = std::sin(deg * pi / 180);
    return {c * p.x + s * p.z, p.y, -s * p.x + c * p.z};
}
V rotZ(V p, float deg)
{
    const float c = std::cos(deg * pi / 180), s = std::sin(deg * pi / 180);
    return {c * p.x - s * p.y, s * p.x + c * p.y, p.z};
}

bool powerOfTwo(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

// The room's legs and stand tops, in the frame the pieces are drawn in: the
// furniture is drawn under a scale of 1.5 and the pieces under 1.5 * 0.66,
// so a furniture unit is 1 / 0.66 piece units. Stand A stands on the
// player's left at the start, stand B on the right.
struct Furniture
{
    V centre, half;
    const char *what;
};

std::vector<Furniture> furniture()
{
    const V origin{-0.5f, -0.3f, 0.0f};
    const float k = 1.0f / 0.66f;
    std::vector<Furniture> boxes;
    const auto add = [&](float dx, float dy, float dz, V half, const char *what) {
        boxes.push_back({{(origin.x + dx) * k, (origin.y + dy) * k, (origin.z + dz) * k},
                         {half.x * k, half.y * k, half.z * k},
                         what});
    };
    for (const float dx : {-0.2f, 0.2f}) {
        for (const float dy : {-0.3f, -0.1f})
            add(dx, dy, 0.2f, {0.01f, 0.01f, 0.2f}, "a leg of the left stand");
        for (const float dy : {0.7f, 0.9f})
            add(dx, dy, 0.2f, {0.01f, 0.01f, 0.2f}, "a leg of the right stand");
    }
    add(0, -0.2f, 0.5f, {0.21f, 0.11f, 0.12f}, "the top of the left stand");
    add(0, 0.8f, 0.5f, {0.21f, 0.11f, 0.12f}, "the top of the right stand");
    return boxes;
}

// What a box centred at `centre` with half extents `half` shares a volume with.
const char *furnitureIn(V centre, V half)
{
    static const std::vector<Furniture> boxes = furniture();
    for (const Furniture &f : boxes)
        if (std::abs(centre.x - f.centre.x) < half.x + f.half.x
            && std::abs(centre.y - f.centre.y) < half.y + f.half.y
            && std::abs(centre.z - f.centre.z) < half.z + f.half.z)
            return f.what;
    return nullptr;
}

V turned(V p, const PieceRecord &piece)
{
    return rotX(rotY(rotZ(p, piece.rotZ()), piece.rotY()), piece.rotX());
}

// Half extents of a box turned as the piece's rotation turns it.
V turnedHalf(V h, const PieceRecord &piece)
{
    V out{0, 0, 0};
    for (int i = 0; i < 8; ++i) {
        const V c = turned({i & 1 ? h.x : -h.x, i & 2 ? h.y : -h.y, i & 4 ? h.z : -h.z}, piece);
        out = {std::max(out.x, std::abs(c.x)), std::max(out.y, std::abs(c.y)),
               std::max(out.z, std::abs(c.z))};
    }
    return out;
}

// A piece by its name, or by its model when it has none.
QString called(const PieceRecord &piece)
{
    return "\"" + (piece.name.isEmpty() ? piece.fileName.mid(5) : piece.name) + "\"";
}

class Checker
{
public:
    explicit Checker(const QString &dir)
        : dir(dir)
    {
    }

    Report run()
    {
        checkSkin();
        const QStringList files =
            QDir(dir + "/" + datapath::sets)
                .entryList({datapath::setFilter}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        if (files.isEmpty())
            problem(datapath::sets, "no puzzle set (*.xml) found");
        for (const QString &file : files)
            checkSet(datapath::setPrefix + file);
        return report;
    }

private:
    void problem(const QString &file, const QString &what)
    {
        report.problems << file + ": " + what;
    }
    void warning(const QString &file, const QString &what)
    {
        report.warnings << file + ": warning: " + what;
    }

    void checkSkin()
    {
        const QString name = datapath::skin;
        QFile file(dir + "/" + name);
        if (!file.open(QIODevice::ReadOnly)) {
            problem(name, "missing (every piece uses this skin)");
            return;
        }
        const PcxResult pcx = decodePcx(file.readAll());
        if (!pcx.ok) {
            problem(name, "not a readable 8-bit PCX: " + pcx.error);
            return;
        }
        if (!powerOfTwo(pcx.image.width) || !powerOfTwo(pcx.image.height))
            problem(name, QString("%1 x %2 is not a power-of-two size")
                              .arg(pcx.image.width)
                              .arg(pcx.image.height));
        skin = {true, pcx.image.width, pcx.image.height};
    }

    // Returns the piece's half extents in the piece frame (rotation and
    // scale applied) or false when the model is unusable.
    bool checkModel(const QString &setFile, const QString &label, const PieceRecord &piece, V *half)
    {
        const QString path = piece.fileName;
        if (path.isEmpty() || path.endsWith('/')) {
            problem(setFile, label + " names no model (filename)");
            return false;
        }
        QFile file(dir + "/" + path);
        if (!file.open(QIODevice::ReadOnly)) {
            problem(setFile, label + " model " + path + " is missing");
            return false;
        }
        const Md2Result md2 = decodeMd2(file.readAll(), skin);
        if (!md2.ok) {
            problem(path, "not a readable MD2 model: " + md2.error);
            return false;
        }
        const Md2Model &m = md2.model;
        bool ok = true;
        if (m.vertexCount > maxVertices || m.triangleCount > maxTriangles) {
            problem(path, QString("%1 vertices and %2 triangles a frame, MD2 allows %3 and %4")
                              .arg(m.vertexCount)
                              .arg(m.triangleCount)
                              .arg(maxVertices)
                              .arg(maxTriangles));
            ok = false;
        }
        if (m.frameCount < 1 || m.vertexCount < 1 || m.triangleCount < 1) {
            problem(path, "has no frame, vertex or triangle to draw");
            return false;
        }
        if (skin.loaded) {
            int outside = 0, badIndex = 0;
            for (const TexCoord &t : m.texCoords)
                outside += t.s < 0 || t.s > 1 || t.t < 0 || t.t > 1;
            for (const MeshTriangle &t : m.triangles)
                for (int c = 0; c < 3; ++c)
                    badIndex += t.texCoordIndex[c] >= m.texCoordCount;
            if (outside)
                problem(path, QString("%1 texture coordinates lie outside the %2 x %3 skin")
                                  .arg(outside)
                                  .arg(skin.width)
                                  .arg(skin.height));
            if (badIndex)
                problem(path,
                        QString("%1 triangle corners name a texture coordinate that does not exist")
                            .arg(badIndex));
            ok = ok && !outside && !badIndex;
        }
        // The rotated box of the model, as the display list will draw it.
        const V h{(md2.box.maxX - md2.box.minX) * 0.5f, (md2.box.maxY - md2.box.minY) * 0.5f,
                  (md2.box.maxZ - md2.box.minZ) * 0.5f};
        const V out = turnedHalf(h, piece);
        const float scale = piece.drawnScale();
        *half = {out.x * scale, out.y * scale, out.z * scale};
        return ok;
    }

    // The set as the game reads it: the chooser's file reader, then the
    // engine's pieces and shape.
    void checkSet(const QString &setFile)
    {
        QDomDocument document("set");
        QString why;
        if (!readXmlFile(dir + "/" + setFile, document, &why)) {
            problem(setFile, why + "; the game skips it");
            return;
        }
        ++report.sets;
        const setformat::SetFile set = setformat::readSet(document);
        const QString &name = set.name, &icon = set.icon;
        if (name.trimmed().isEmpty())
            problem(setFile, "has no name");
        if (icon.isEmpty())
            problem(setFile, "names no icon");
        else if (QImage(dir + "/" + datapath::setPrefix + icon).isNull())
            problem(setFile,
                    "icon " + QString(datapath::setPrefix) + icon + " is missing or not a picture");

        const GameEngine engine(&document);
        if (engine.remaining.isEmpty())
            problem(setFile, "has no part");
        V half{-1, -1, -1};
        // Nothing of the room may stand in the ghost or a piece at its place.
        const auto clearOfFurniture = [&](const QString &label, V centre) {
            if (half.x < 0)
                return; // no model to measure
            if (const char *what = furnitureIn(centre, half))
                problem(setFile, QString("%1 stands in %2 (its box reaches from (%3, %4, %5) to "
                                         "(%6, %7, %8)); move the body")
                                     .arg(label, what)
                                     .arg(centre.x - half.x, 0, 'f', 3)
                                     .arg(centre.y - half.y, 0, 'f', 3)
                                     .arg(centre.z - half.z, 0, 'f', 3)
                                     .arg(centre.x + half.x, 0, 'f', 3)
                                     .arg(centre.y + half.y, 0, 'f', 3)
                                     .arg(centre.z + half.z, 0, 'f', 3));
        };
        if (!engine.shapePiece) {
            problem(setFile, "has no shape (the ghost the pieces are fitted into)");
        } else {
            // The view turns the ghost's position with it, and its mesh once
            // more by the particle's own turn.
            const PieceRecord &shape = *engine.shapePiece;
            checkModel(setFile, "the shape", shape, &half);
            if (half.x >= 0)
                half = turnedHalf(half, shape);
            clearOfFurniture("the shape " + called(shape),
                             turned({shape.posX(), shape.posY(), shape.posZ()}, shape));
        }
        if (engine.shapePiece && engine.shapePiece->name.isEmpty())
            warning(setFile, "the shape has no name");
        const double tolerance = engine.fitTolerance();
        if (tolerance < comfortableTolerance)
            warning(setFile, QString("a tolerance of %1 is hard to hit with a mouse (under %2, "
                                     "about 12 pixels each way on a "
                                     "1280 x 1024 screen)")
                                 .arg(tolerance)
                                 .arg(comfortableTolerance));
        QList<QPointF> targets;
        for (int i = 0; i < engine.remaining.size(); ++i) {
            const PieceRecord &piece = *engine.remaining[i];
            const QString label = QString("part %1 (%2)").arg(i + 1).arg(piece.fileName.mid(5));
            ++report.pieces;
            if (piece.name.isEmpty())
                warning(setFile, label + " has no name; players will not see what it is");
            half = {-1, -1, -1};
            const bool measured = checkModel(setFile, label, piece, &half);
            clearOfFurniture(label, {piece.posX() + engine.offsetX, piece.posY() + engine.offsetY,
                                     piece.posZ() + engine.offsetZ});
            if (measured && (2 * half.x > maxPieceAcross || 2 * half.y > maxPieceAcross))
                problem(
                    setFile,
                    QString("%1 is %2 x %3 across, more than the trough holds (%4); use its scale")
                        .arg(label)
                        .arg(2 * half.x, 0, 'f', 3)
                        .arg(2 * half.y, 0, 'f', 3)
                        .arg(maxPieceAcross));
            const float tx = piece.posX() + engine.offsetX, ty = piece.posY() + engine.offsetY;
            float nx = 0, ny = 0;
            const bool visible = projectStartView(tx, ty, dragPlaneZ, &nx, &ny);
            if (!visible || std::abs(nx) > viewMargin || std::abs(ny) > viewMargin
                || tx < troughFrontX)
                problem(setFile, QString("%1 has its target at (%2, %3), out of the player's reach "
                                         "on the drag plane")
                                     .arg(label)
                                     .arg(tx, 0, 'f', 3)
                                     .arg(ty, 0, 'f', 3));
            targets.append({tx, ty});
        }
        for (const auto &[i, j] : setformat::pairsOneDropFits(targets, tolerance)) {
            const QPointF a = targets[i], b = targets[j];
            problem(setFile, QString("one drop point fits both %1 and %2: their targets are %3 "
                                     "apart on x and %4 on y, both under "
                                     "twice the tolerance of %5; lower the tolerance, enlarge or "
                                     "turn the body, or split the set")
                                 .arg(called(*engine.remaining[i]), called(*engine.remaining[j]))
                                 .arg(std::abs(a.x() - b.x()), 0, 'f', 3)
                                 .arg(std::abs(a.y() - b.y()), 0, 'f', 3)
                                 .arg(tolerance));
        }
    }

    QString dir;
    SkinInfo skin;
    Report report;
};

} // namespace

bool projectStartView(float x, float y, float z, float *ndcX, float *ndcY)
{
    using namespace roomcamera;
    const QVector4D clip =
        projection() * pieceFrame(startTurn, startTilt, startZoom) * QVector4D(x, y, z, 1);
    // The clip w is the distance in front of the eye.
    if (clip.w() <= nearPlane)
        return false;
    *ndcX = clip.x() / clip.w();
    *ndcY = clip.y() / clip.w();
    return true;
}

Report checkDataDirectory(const QString &dir)
{
    return Checker(dir).run();
}

} // namespace setcheck
