#include "makeset.h"

#include "game/datafile.h"
#include "game/datapaths.h"
#include "game/setformat.h"
#include "layout.h"
#include "md2encoder.h"
#include "meshreader.h"
#include "outline.h"
#include "pieceinfo.h"
#include "pieces/skinswatches.h"
#include "raster.h"
#include "setcheck.h"
#include "setfiles.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>

namespace makeset {
namespace {

const QString skinFile = datapath::skin;

struct Piece
{
    QString path;   // the source file as given
    QString file;   // the MD2 file's name in the set's folder
    QString name;   // the piece's "name" in the set file
    QString latin;  // its "name_la", from the manifest; empty: none
    int tissue = 0; // swatch
    QString why;    // where the tissue came from, for the progress line
    ReadMesh read;  // in the source frame
    Mesh scene;     // in the scene frame
    Md2Encoded md2;
    QString label() const { return read.name.isEmpty() ? path : path + " (" + read.name + ")"; }
};

Outcome failed(const QString &error)
{
    return {false, error, {}};
}

Mesh placed(const Mesh &source, const Layout &layout)
{
    Mesh mesh = source;
    for (auto &v : mesh.vertices) {
        v.p = layout.apply(v.p);
        v.n = {};
    }
    // One normal a vertex, the area-weighted mean of its faces'.
    for (const auto &t : mesh.triangles) {
        const V3 a = mesh.vertices[t[0]].p, b = mesh.vertices[t[1]].p, c = mesh.vertices[t[2]].p;
        const V3 n = cross(b - a, c - a);
        for (int k = 0; k < 3; ++k)
            mesh.vertices[t[k]].n = mesh.vertices[t[k]].n + n;
    }
    for (auto &v : mesh.vertices)
        v.n = normalized(v.n);
    return mesh;
}

Texel swatchTexel(int tissue)
{
    return {float(swatch::centreX(tissue)), float(swatch::centreY())};
}

Md2Encoded encode(const Mesh &mesh, int tissue)
{
    return encodeMd2Frame(mesh, swatch::skinSize, swatch::skinSize,
                          [tissue](int, int) { return swatchTexel(tissue); });
}

QString number(double v)
{
    return QString::number(v, 'g', 4);
}

setformat::Piece setPiece(const QString &id, const Piece &piece, const QString &name, V3 pos)
{
    setformat::Piece out;
    out.name = name;
    out.latinName = piece.latin;
    out.filename = "bodyparts/" + id + "/" + piece.file;
    out.pose.posX = pos.x;
    out.pose.posY = pos.y;
    out.pose.posZ = pos.z;
    return out;
}

setformat::SetFile setFile(const QString &id, const QString &name, const Piece &shape,
                           const std::vector<Piece> &pieces, const Layout &layout, double tolerance)
{
    setformat::SetFile set;
    set.comment = QString("Made by torvane-makeset. Positions are the centres of the pieces' boxes "
                          "relative to the centre\n"
                          "     of the shape, in scene units; one unit of the source meshes is %1 "
                          "of them, seen with %2.")
                      .arg(double(layout.scale), 0, 'g', 6)
                      .arg(layout.describe());
    set.name = name;
    set.icon = id + ".png";
    set.tolerance = tolerance;
    set.maker = makerName;
    set.hasShape = true;
    set.shape = setPiece(id, shape, name, shape.md2.centre);
    for (const Piece &piece : pieces)
        set.parts.append(setPiece(id, piece, piece.name, piece.md2.centre - shape.md2.centre));
    return set;
}

// The pieces' drop points exactly as the game adds them up from the set's numbers.
QList<QPointF> gameTargets(const setformat::SetFile &set)
{
    QList<QPointF> targets;
    for (const setformat::Piece &part : set.parts)
        targets.append(
            {part.pose.posX + set.shape.pose.posX, part.pose.posY + set.shape.pose.posY});
    return targets;
}

// The pieces as the chooser's icon shows the generated sets: seen from
// above, the trough's left end at the top, on the menus' card.
QByteArray iconPng(const std::vector<Piece> &pieces)
{
    QImage texture(swatch::skinSize, swatch::skinSize, QImage::Format_RGB32);
    texture.fill(Qt::black);
    for (int i = 0; i < swatch::count; ++i) {
        const swatch::Tissue &t = swatch::tissues[i];
        for (int y = swatch::top; y < swatch::top + swatch::size; ++y)
            for (int x = i * swatch::size; x < (i + 1) * swatch::size; ++x)
                texture.setPixel(x, y, qRgb(t.r, t.g, t.b));
    }
    std::vector<PlacedMesh> meshes;
    for (const Piece &piece : pieces)
        meshes.push_back(
            {&piece.scene, {}, 1.0f, [t = piece.tissue](int, int) { return swatchTexel(t); }});
    return encodePng(renderSetIcon(meshes, texture, 90.0f, 78.0f, 0.06f));
}

// Where each piece's colour comes from, in order of trust.
void chooseTissue(Piece &piece, const ManifestEntry *entry)
{
    if (entry && entry->tissue >= 0)
        piece.tissue = entry->tissue, piece.why = "manifest";
    else if ((piece.tissue = tissueFromName(piece.name)) >= 0
             || (piece.read.name.isEmpty()
                 && (piece.tissue = tissueFromName(QFileInfo(piece.path).completeBaseName())) >= 0))
        piece.why = "name";
    else if (piece.read.coloured)
        piece.tissue = tissueNearest(piece.read.r, piece.read.g, piece.read.b),
        piece.why = "colour";
    else
        piece.tissue = defaultTissue(), piece.why = "default";
}

// A mesh without area makes no piece a player could see or take.
QString unusable(const Mesh &mesh)
{
    const Box box = mesh.bounds();
    const float extent = std::max({box.size().x, box.size().y, box.size().z});
    double area = 0;
    for (const auto &t : mesh.triangles)
        area += length(cross(mesh.vertices[t[1]].p - mesh.vertices[t[0]].p,
                             mesh.vertices[t[2]].p - mesh.vertices[t[0]].p))
                / 2;
    if (!(extent > 0) || area <= double(extent) * extent * 1e-9)
        return "has no area (every triangle is flat as a line)";
    return {};
}

float sizeOf(const Mesh &mesh)
{
    const V3 s = mesh.bounds().size();
    return std::max({s.x, s.y, s.z});
}

// A piece far larger or smaller than the middle of the others.
QString outOfScaleAmong(const std::vector<Piece> &pieces)
{
    for (size_t i = 0; i < pieces.size() && pieces.size() > 1; ++i) {
        std::vector<float> others;
        for (size_t j = 0; j < pieces.size(); ++j)
            if (j != i)
                others.push_back(sizeOf(pieces[j].read.mesh));
        std::nth_element(others.begin(), others.begin() + others.size() / 2, others.end());
        const float middle = others[others.size() / 2], size = sizeOf(pieces[i].read.mesh);
        if (size * outOfScale < middle || size > middle * outOfScale)
            return QString("%1: %2 across, the other pieces about %3; is it in other units (metres "
                           "among millimetres) or "
                           "another frame? Scale it like the others or leave it out")
                .arg(pieces[i].label(), number(size), number(middle));
    }
    return {};
}

// The --shape must lie over the pieces, in their frame and units.
QString shapeAstray(const Mesh &shape, const std::vector<Piece> &pieces)
{
    Box all;
    for (const Piece &piece : pieces)
        all.add(piece.read.mesh.bounds());
    const Box box = shape.bounds();
    const V3 c = all.centre(), grown = box.size() * 0.25f;
    const bool over = c.x >= box.lo.x - grown.x && c.x <= box.hi.x + grown.x
                      && c.y >= box.lo.y - grown.y && c.y <= box.hi.y + grown.y
                      && c.z >= box.lo.z - grown.z && c.z <= box.hi.z + grown.z;
    const float ratio =
        sizeOf(shape) / std::max(1e-30f, std::max({all.size().x, all.size().y, all.size().z}));
    if (over && ratio > 0.2f && ratio < 10.0f)
        return {};
    return QString("does not lie over the pieces (it is %1 across around (%2, %3, %4), they are %5 "
                   "across around (%6, %7, %8)); "
                   "is it in another frame or unit? Without --shape the pieces' own outline is the "
                   "shape")
        .arg(number(sizeOf(shape)), number(box.centre().x), number(box.centre().y),
             number(box.centre().z))
        .arg(number(std::max({all.size().x, all.size().y, all.size().z})), number(c.x), number(c.y),
             number(c.z));
}

QString overlapping(const std::vector<Piece> &pieces, const Layout &layout)
{
    std::vector<const Mesh *> meshes;
    for (const Piece &piece : pieces)
        meshes.push_back(&piece.read.mesh);
    QStringList pairs;
    const auto found = setformat::pairsOneDropFits(targetsOf(meshes, layout), smallestTolerance);
    for (const auto &[i, j] : found)
        if (pairs.size() < 4)
            pairs << QString("\"%1\" and \"%2\"").arg(pieces[i].name, pieces[j].name);
    if (found.size() > pairs.size())
        pairs << QString("%1 more pairs").arg(found.size() - pairs.size());
    return QString(
               "pieces lie over one another seen from above, whichever side is up (best %1): %2; "
               "leave one of each pair "
               "out, split the set in two, or give --up with the axis that points up in the body")
        .arg(layout.describe(), pairs.join(", "));
}

} // namespace

bool parseAxis(const QString &text, int *axis, int *sign)
{
    QString t = text.trimmed().toLower();
    *sign = t.startsWith('-') ? -1 : 1;
    if (t.startsWith('-') || t.startsWith('+'))
        t.remove(0, 1);
    *axis = t == "x" ? 0 : t == "y" ? 1 : t == "z" ? 2 : -1;
    return *axis >= 0;
}

Outcome makeSet(const Options &options, const Report &progress, const Report &warning)
{
    const QString name = options.name.simplified();
    const QString out = QDir::cleanPath(options.out);
    const auto note = [&warning](const QString &line) {
        if (warning)
            warning(line);
    };
    QString error;
    int upAxis = -1, upSign = 1;
    if (!options.up.isEmpty() && !parseAxis(options.up, &upAxis, &upSign))
        return failed("--up takes x, y or z, with a sign where the axis points down (-y)");
    if (name.isEmpty())
        return failed("the set needs a name (--name)");
    if (!QFileInfo(out + "/" + skinFile).isFile())
        return failed(out + ": not the game's data directory (it has no " + skinFile + ")");
    { // before any mesh is read; a Ctrl-C meanwhile waits until the probe is gone
        const SignalsHeld signalsHeld;
        QTemporaryDir probe(out + "/.torvane-makeset-XXXXXX");
        if (!probe.isValid())
            return failed("cannot write into " + out + " (" + probe.errorString() + ")");
    }
    QString id;
    if (!chooseId(options, name, out, &id, &error))
        return failed(error);
    const QStringList files = filesOf(id);

    QStringList sources;
    QSet<QString> named;
    if (!collectInputs(options, &sources, &named, &error))
        return failed(error);
    Manifest manifest;
    if (!options.manifest.isEmpty() && !readManifest(options.manifest, &manifest, &error))
        return failed(error);

    std::vector<Piece> pieces;
    QSet<QString> taken = {"shape"};
    for (int i = 0; i < sources.size(); ++i) {
        const QString &path = sources[i];
        const bool byName = named.contains(QFileInfo(path).canonicalFilePath());
        if (!byName && !isMeshFile(path)) {
            note("note: " + path + ": not a mesh file; skipped");
            continue;
        }
        std::vector<ReadMesh> read;
        ReadFailure failure = ReadFailure::None;
        if (!readMeshFile(path, false, &read, &error, &failure)) {
            if (byName || isCommonMeshSuffix(path))
                return failed(error);
            note("note: " + path + ": not a mesh the importer reads; skipped");
            continue;
        }
        if (read.size() > size_t(maxObjectsInAFile))
            return failed(QString("%1: holds %2 separate meshes, more than a set can place (%3); "
                                  "export the pieces you want "
                                  "one a file")
                              .arg(path)
                              .arg(read.size())
                              .arg(maxObjectsInAFile));
        const ManifestEntry *entry = manifest.find(path);
        for (ReadMesh &mesh : read) {
            Piece piece;
            piece.path = path;
            piece.read = std::move(mesh);
            const QString problem = unusable(piece.read.mesh);
            if (!problem.isEmpty())
                return failed(piece.label() + ": " + problem);
            if (piece.read.name.isEmpty())
                piece.name = entry && !entry->name.isEmpty() ? entry->name : nameFromFile(path);
            else
                piece.name = nameFromFile(piece.read.name);
            if (piece.read.name.isEmpty() && entry)
                piece.latin = entry->latin;
            chooseTissue(piece, piece.read.name.isEmpty() ? entry : nullptr);
            QString base = slug(QFileInfo(path).completeBaseName()
                                + (read.size() > 1 ? " " + piece.read.name : ""));
            if (base.isEmpty())
                base = "piece";
            piece.file = base;
            for (int n = 2; taken.contains(piece.file); ++n)
                piece.file = base + "-" + QString::number(n);
            taken.insert(piece.file);
            piece.file += ".md2";
            if (piece.read.flatTriangles * 4 > piece.read.sourceTriangles)
                note(QString("warning: %1: %2 of its %3 triangles have no area or corners too "
                             "close to tell apart, and "
                             "were left out")
                         .arg(piece.label())
                         .arg(piece.read.flatTriangles)
                         .arg(piece.read.sourceTriangles));
            if (progress) {
                const Mesh &m = piece.read.mesh;
                QString line = QString("[%1/%2] %3: \"%4\", %5 (%6), %7 vertices, %8 triangles")
                                   .arg(i + 1)
                                   .arg(sources.size())
                                   .arg(piece.label(), piece.name,
                                        swatch::tissues[piece.tissue].name, piece.why)
                                   .arg(m.vertices.size())
                                   .arg(m.triangles.size());
                if (piece.read.sourceTriangles > int(m.triangles.size()))
                    line += QString(" (simplified from %1)").arg(piece.read.sourceTriangles);
                progress(line);
            }
            pieces.push_back(std::move(piece));
        }
    }
    if (pieces.empty())
        return failed(options.inputs.join(", ")
                      + ": no mesh files (OBJ, STL, PLY, glTF and the other formats Assimp reads)");
    for (auto it = manifest.entries.cbegin(); it != manifest.entries.cend(); ++it)
        if (!it->used)
            note(QString("warning: %1: names %2, which is not among the meshes")
                     .arg(options.manifest, it.key()));
    if (const QString odd = outOfScaleAmong(pieces); !odd.isEmpty())
        return failed(odd);

    Piece shape;
    shape.file = "shape.md2";
    // The ghost is added onto the scene at half strength: the vein's blue
    // lets the floor show through and the carried piece stand out on it.
    shape.tissue = tissueNamed("vein");
    if (!options.shape.isEmpty()) {
        shape.path = options.shape;
        std::vector<ReadMesh> read;
        if (!readMeshFile(shape.path, true, &read, &error))
            return failed(error);
        shape.read = std::move(read.front());
        QString problem = unusable(shape.read.mesh);
        if (problem.isEmpty())
            problem = shapeAstray(shape.read.mesh, pieces);
        if (!problem.isEmpty())
            return failed(shape.path + ": " + problem);
    } else {
        std::vector<const Mesh *> meshes;
        for (const Piece &piece : pieces)
            meshes.push_back(&piece.read.mesh);
        shape.read.mesh = outlineOf(meshes, outlineMargin, md2MaxVertices - 100);
        if (shape.read.mesh.vertices.empty())
            return failed("the pieces have no extent to make a shape of");
    }

    std::vector<const Mesh *> meshes;
    for (const Piece &piece : pieces)
        meshes.push_back(&piece.read.mesh);
    const Layout layout = layOut(meshes, shape.read.mesh, upAxis, upSign);
    if (!(layout.scale > 0) || !std::isfinite(layout.scale))
        return failed("the meshes have no extent");
    if (layout.tolerance < smallestTolerance)
        return failed(overlapping(pieces, layout));
    std::vector<Piece *> every{&shape};
    for (Piece &piece : pieces)
        every.push_back(&piece);
    for (Piece *piece : every) {
        piece->scene = placed(piece->read.mesh, layout);
        piece->md2 = encode(piece->scene, piece->tissue);
        if (piece->md2.bytes.isEmpty())
            return failed((piece->path.isEmpty() ? QString("the shape") : piece->label())
                          + ": does not fit an MD2 frame");
    }
    // The tolerance from the drop points the game will add up, to four
    // decimals and rounded down, so that the text read back still parts them.
    setformat::SetFile set = setFile(id, name, shape, pieces, layout, 0);
    const QList<QPointF> targets = gameTargets(set);
    double tolerance = std::min(
        largestTolerance, std::floor(setformat::widestSeparatingTolerance(targets) * 1e4) / 1e4);
    while (tolerance >= smallestTolerance
           && !setformat::pairsOneDropFits(
                   targets, setformat::readTolerance(setformat::formatNumber(float(tolerance))))
                   .isEmpty())
        tolerance -= 1e-4;
    if (tolerance < smallestTolerance)
        return failed(overlapping(pieces, layout));
    set.tolerance = tolerance;

    // Staged beside the sets, so moving it into place is a rename.
    const SignalsHeld signalsHeld;
    QTemporaryDir staging(out + "/.torvane-makeset-XXXXXX");
    if (!staging.isValid())
        return failed("cannot write into " + out + " (" + staging.errorString() + ")");
    const QString stage = staging.path();
    const QString interrupted = "interrupted; the data directory is as it was";
    for (const Piece *piece : every)
        if (signalsHeld.interrupted()
            || !writeDataFile(stage + "/" + files[0] + "/" + piece->file, piece->md2.bytes, &error))
            return failed(signalsHeld.interrupted() ? interrupted : error);
    if (!writeDataFile(stage + "/" + files[1], iconPng(pieces), &error)
        || !writeDataFile(stage + "/" + files[2], setformat::writeSet(set), &error))
        return failed(error);
    if (!QFile::link(QFileInfo(out + "/" + skinFile).absoluteFilePath(), stage + "/" + skinFile))
        return failed("cannot link the skin into " + stage);
    if (signalsHeld.interrupted())
        return failed(interrupted);
    const setcheck::Report report = setcheck::checkDataDirectory(stage);
    if (!report.problems.isEmpty())
        return failed("the set would not be playable: " + report.problems.first());
    if (signalsHeld.interrupted())
        return failed(interrupted);
    if (!moveIntoPlace(stage, out, files, &error))
        return failed(error);
    return {true,
            {},
            QString("Made \"%1\" in %2/%3: %4 pieces, seen with the meshes' %5; fit within %6; one "
                    "unit of the meshes is %7 "
                    "scene units")
                .arg(name, out, files[2])
                .arg(pieces.size())
                .arg(layout.describe())
                .arg(tolerance)
                .arg(double(layout.scale), 0, 'g', 4)};
}

} // namespace makeset
