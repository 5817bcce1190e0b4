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

bool powerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

class Checker
{
public:
    explicit Checker(const QString &dir) : dir(dir) {}

    Report run()
    {
        checkSkin();
        const QStringList files = QDir(dir + "/" + datapath::sets).entryList({datapath::setFilter}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        if (files.isEmpty())
            problem(datapath::sets, "no puzzle set (*.xml) found");
        for (const QString &file : files)
            checkSet(datapath::setPrefix + file);
        return report;
    }

private:
    void problem(const QString &file, const QString &what) { report.problems << file + ": " + what; }
    void warning(const QString &file, const QString &what) { report.warnings << file + ": warning: " + what; }

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
            problem(name, QString("%1 x %2 is not a power-of-two size").arg(pcx.image.width).arg(pcx.image.height));
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
                              .arg(m.vertexCount).arg(m.triangleCount).arg(maxVertices).arg(maxTriangles));
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
                problem(path, QString("%1 texture coordinates lie outside the %2 x %3 skin").arg(outside).arg(skin.width).arg(skin.height));
            if (badIndex)
                problem(path, QString("%1 triangle corners name a texture coordinate that does not exist").arg(badIndex));
            ok = ok && !outside && !badIndex;
        }
        // The rotated box of the model, as the display list will draw it.
        const V h{(md2.box.maxX - md2.box.minX) * 0.5f, (md2.box.maxY - md2.box.minY) * 0.5f, (md2.box.maxZ - md2.box.minZ) * 0.5f};
        V out{0, 0, 0};
        for (int i = 0; i < 8; ++i) {
            V c{i & 1 ? h.x : -h.x, i & 2 ? h.y : -h.y, i & 4 ? h.z : -h.z};
            c = rotX(rotY(rotZ(c, piece.rotZ()), piece.rotY()), piece.rotX());
            out = {std::max(out.x, std::abs(c.x)), std::max(out.y, std::abs(c.y)), std::max(out.z, std::abs(c.z))};
        }
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
            problem(setFile, "icon " + QString(datapath::setPrefix) + icon + " is missing or not a picture");

        const GameEngine engine(&document);
        if (engine.remaining.isEmpty())
            problem(setFile, "has no part");
        V half;
        if (!engine.shapePiece)
            problem(setFile, "has no shape (the ghost the pieces are fitted into)");
        else
            checkModel(setFile, "the shape", *engine.shapePiece, &half);
        if (engine.shapePiece && engine.shapePiece->name.isEmpty())
            warning(setFile, "the shape has no name");
        for (int i = 0; i < engine.remaining.size(); ++i) {
            const PieceRecord &piece = *engine.remaining[i];
            const QString label = QString("part %1 (%2)").arg(i + 1).arg(piece.fileName.mid(5));
            ++report.pieces;
            if (piece.name.isEmpty())
                warning(setFile, label + " has no name; players will not see what it is");
            if (checkModel(setFile, label, piece, &half) && (2 * half.x > maxPieceAcross || 2 * half.y > maxPieceAcross))
                problem(setFile, QString("%1 is %2 x %3 across, more than the trough holds (%4); use its scale")
                                     .arg(label).arg(2 * half.x, 0, 'f', 3).arg(2 * half.y, 0, 'f', 3).arg(maxPieceAcross));
            const float tx = piece.posX() + engine.offsetX, ty = piece.posY() + engine.offsetY;
            float nx = 0, ny = 0;
            const bool visible = projectStartView(tx, ty, dragPlaneZ, &nx, &ny);
            if (!visible || std::abs(nx) > viewMargin || std::abs(ny) > viewMargin || tx < troughFrontX)
                problem(setFile, QString("%1 has its target at (%2, %3), out of the player's reach on the drag plane")
                                     .arg(label).arg(tx, 0, 'f', 3).arg(ty, 0, 'f', 3));
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
    const QVector4D clip = projection() * pieceFrame(startTurn, startTilt, startZoom) * QVector4D(x, y, z, 1);
    // The clip w is the distance in front of the eye.
    if (clip.w() <= nearPlane)
        return false;
    *ndcX = clip.x() / clip.w();
    *ndcY = clip.y() / clip.w();
    return true;
}

Report checkDataDirectory(const QString &dir) { return Checker(dir).run(); }

} // namespace setcheck
