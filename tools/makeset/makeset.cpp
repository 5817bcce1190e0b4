#include "makeset.h"

#include "game/datafile.h"
#include "game/datapaths.h"
#include "game/setformat.h"
#include "game/xmlfile.h"
#include "md2encoder.h"
#include "meshreader.h"
#include "outline.h"
#include "pieceinfo.h"
#include "pieces/skinswatches.h"
#include "raster.h"
#include "setcheck.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <cmath>

namespace makeset {
namespace {

const QString skinFile = datapath::skin;
// Written into the set file: the tool that made it.
const QString makerName = QStringLiteral("torvane-makeset");

struct Piece
{
    QString path;   // the source file as given
    QString file;   // the MD2 file's name in the set's folder
    QString name;   // the piece's "name" in the set file
    int tissue = 0; // swatch
    QString why;    // where the tissue came from, for the progress line
    ReadMesh read;  // in the source frame
    Mesh scene;     // in the scene frame
    Md2Encoded md2;
};

Outcome failed(const QString &error) { return {false, error, {}}; }

float along(V3 v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
V3 unit(int axis, float sign) { return {axis == 0 ? sign : 0.0f, axis == 1 ? sign : 0.0f, axis == 2 ? sign : 0.0f}; }

// scene = scale * (turned source - centre) + place; the turn only swaps
// axes and their signs, and never mirrors.
struct Layout
{
    V3 axes[3]; // the source directions of scene x, y and z
    V3 centre;  // of the whole set, source frame
    float scale = 1;
    V3 place;   // where that centre stands in the scene

    V3 turned(V3 v) const { return {dot(axes[0], v), dot(axes[1], v), dot(axes[2], v)}; }
    V3 extent(V3 size) const
    {
        const V3 t = turned(size);
        return {std::abs(t.x), std::abs(t.y), std::abs(t.z)};
    }
    V3 apply(V3 p) const { return turned(p - centre) * scale + place; }
};

Layout layOut(const Box &all, const std::vector<Box> &pieces, int upAxis, int upSign)
{
    const V3 size = all.size();
    int up = upAxis;
    if (up < 0) {
        up = 2; // the shortest side up; z first where sides tie
        for (int a = 1; a >= 0; --a)
            if (along(size, a) < along(size, up))
                up = a;
    }
    const int a = (up + 1) % 3, b = (up + 2) % 3;
    const int length = along(size, a) >= along(size, b) ? a : b;
    Layout layout;
    layout.axes[2] = unit(up, float(upSign));
    layout.axes[1] = unit(length, -1.0f); // the upper end to the trough's left
    layout.axes[0] = cross(layout.axes[1], layout.axes[2]);
    const V3 extent = layout.extent(size);
    float widest = 0;
    for (const Box &box : pieces) {
        const V3 e = layout.extent(box.size());
        widest = std::max({widest, e.x, e.y});
    }
    float scale = widest > 0 ? pieceAcross / widest : INFINITY;
    const auto limit = [&scale](float room, float size) {
        if (size > 0)
            scale = std::min(scale, room / size);
    };
    limit(setLength, extent.y);
    limit(setWidth, extent.x);
    limit(setHeight, extent.z);
    layout.scale = scale;
    layout.centre = all.centre();
    layout.place = {setFarX + extent.x * scale * 0.5f, setCentreY, setCentreZ};
    return layout;
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

Texel swatchTexel(int tissue) { return {float(swatch::centreX(tissue)), float(swatch::centreY())}; }

Md2Encoded encode(const Mesh &mesh, int tissue)
{
    return encodeMd2Frame(mesh, swatch::skinSize, swatch::skinSize, [tissue](int, int) { return swatchTexel(tissue); });
}

QString number(float v) { return setformat::formatNumber(v); }

setformat::Piece setPiece(const QString &id, const Piece &piece, const QString &name, V3 pos)
{
    setformat::Piece out;
    out.name = name;
    out.filename = "bodyparts/" + id + "/" + piece.file;
    out.pose.posX = pos.x;
    out.pose.posY = pos.y;
    out.pose.posZ = pos.z;
    return out;
}

QByteArray setXml(const QString &id, const QString &name, const Piece &shape, const std::vector<Piece> &pieces, float scale)
{
    setformat::SetFile set;
    set.comment = QString("Made by torvane-makeset. Positions are the centres of the pieces' boxes relative to the centre\n"
                          "     of the shape, in scene units; one unit of the source meshes is %1 of them.")
                      .arg(double(scale), 0, 'g', 6);
    set.name = name;
    set.icon = id + ".png";
    set.maker = makerName;
    set.hasShape = true;
    set.shape = setPiece(id, shape, name, shape.md2.centre);
    for (const Piece &piece : pieces)
        set.parts.append(setPiece(id, piece, piece.name, piece.md2.centre - shape.md2.centre));
    return setformat::writeSet(set);
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
        meshes.push_back({&piece.scene, {}, 1.0f, [t = piece.tissue](int, int) { return swatchTexel(t); }});
    return encodePng(renderSetIcon(meshes, texture, 90.0f, 78.0f, 0.06f));
}

// The set file of another set already shown under this name, or empty.
QString setNamed(const QString &dir, const QString &name)
{
    const QDir sets(dir + "/" + datapath::sets);
    for (const QString &file : sets.entryList({datapath::setFilter}, QDir::Files, QDir::Name)) {
        QDomDocument document("set");
        if (readXmlFile(sets.filePath(file), document)
            && document.documentElement().firstChildElement("name").text().trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return datapath::setPrefix + file;
    }
    return {};
}

// The mesh files named on the command line, folders opened (not their
// subfolders), each file once, the shape and the manifest left out.
bool collectInputs(const Options &options, QStringList *files, QString *error)
{
    QSet<QString> seen;
    for (const QString &extra : {options.shape, options.manifest})
        if (!extra.isEmpty())
            seen.insert(QFileInfo(extra).canonicalFilePath());
    for (const QString &input : options.inputs) {
        const QFileInfo info(input);
        QStringList found;
        if (info.isDir()) {
            for (const QFileInfo &entry : QDir(input).entryInfoList(QDir::Files, QDir::Name))
                if (isMeshFile(entry.filePath()))
                    found << entry.filePath();
            if (found.isEmpty()) {
                *error = input + ": no mesh files in this folder (OBJ, STL, PLY, glTF and the other formats Assimp reads)";
                return false;
            }
        } else if (info.exists()) {
            found << input;
        } else {
            *error = input + ": no such file or folder";
            return false;
        }
        for (const QString &file : found) {
            const QString key = QFileInfo(file).canonicalFilePath();
            if (!seen.contains(key))
                seen.insert(key), *files << file;
        }
    }
    if (files->isEmpty())
        *error = "no piece meshes given";
    return !files->isEmpty();
}

// Where each piece's colour comes from, in order of trust.
void chooseTissue(Piece &piece, const ManifestEntry *entry)
{
    if (entry && entry->tissue >= 0)
        piece.tissue = entry->tissue, piece.why = "manifest";
    else if (piece.read.coloured)
        piece.tissue = tissueNearest(piece.read.r, piece.read.g, piece.read.b), piece.why = "colour";
    else if ((piece.tissue = tissueFromName(piece.name)) >= 0 || (piece.tissue = tissueFromName(piece.path)) >= 0)
        piece.why = "name";
    else
        piece.tissue = defaultTissue(), piece.why = "default";
}

// Moves the staged files over the data directory's, the old ones (--force)
// aside into the staging folder first; undoes every move if one fails.
bool moveIntoPlace(const QString &staging, const QString &out, const QStringList &files, QString *error)
{
    QList<QPair<QString, QString>> done;
    const auto move = [&](const QString &from, const QString &to) {
        if (!QDir().rename(from, to))
            return false;
        done.prepend({from, to});
        return true;
    };
    bool ok = QDir().mkpath(staging + "/replaced");
    for (int i = 0; ok && i < files.size(); ++i)
        if (QFileInfo::exists(out + "/" + files[i]))
            ok = move(out + "/" + files[i], staging + "/replaced/" + QString::number(i));
    for (int i = 0; ok && i < files.size(); ++i)
        ok = move(staging + "/" + files[i], out + "/" + files[i]);
    if (ok)
        return true;
    for (const auto &[from, to] : done)
        QDir().rename(to, from);
    *error = "cannot move the set into " + out + "/sets (is it writable?)";
    return false;
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
    QString error;
    int upAxis = -1, upSign = 1;
    if (!options.up.isEmpty() && !parseAxis(options.up, &upAxis, &upSign))
        return failed("--up takes x, y or z, with a sign where the axis points down (-y)");
    if (name.isEmpty())
        return failed("the set needs a name (--name)");
    if (!QFileInfo(out + "/" + skinFile).isFile())
        return failed(out + ": not the game's data directory (it has no " + skinFile + ")");
    QString id = slug(name);
    if (id.isEmpty()) // a name in another script: the same name, the same files
        id = "set-" + QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    const QStringList files = {QString(datapath::bodyparts) + "/" + id, datapath::setPrefix + id + ".png",
                               datapath::setPrefix + id + ".xml"};
    const QString namesake = setNamed(out, name);
    if (!namesake.isEmpty() && namesake != files[2])
        return failed(QString("a set named \"%1\" is already there (%2); choose another --name").arg(name, namesake));
    for (const QString &file : files)
        if (QFileInfo::exists(out + "/" + file) && !options.force)
            return failed(QString("a set named \"%1\" is already there (%2); --force replaces it").arg(name, file));

    QStringList sources;
    if (!collectInputs(options, &sources, &error))
        return failed(error);
    Manifest manifest;
    if (!options.manifest.isEmpty() && !readManifest(options.manifest, &manifest, &error))
        return failed(error);

    std::vector<Piece> pieces(sources.size());
    QSet<QString> taken = {"shape"};
    for (int i = 0; i < sources.size(); ++i) {
        Piece &piece = pieces[i];
        piece.path = sources[i];
        if (!readMesh(piece.path, &piece.read, &error))
            return failed(error);
        const ManifestEntry *entry = manifest.find(piece.path);
        piece.name = entry && !entry->name.isEmpty() ? entry->name : nameFromFile(piece.path);
        chooseTissue(piece, entry);
        QString base = slug(QFileInfo(piece.path).completeBaseName());
        if (base.isEmpty())
            base = "piece";
        piece.file = base;
        for (int n = 2; taken.contains(piece.file); ++n)
            piece.file = base + "-" + QString::number(n);
        taken.insert(piece.file);
        piece.file += ".md2";
        if (progress) {
            const Mesh &m = piece.read.mesh;
            QString line = QString("[%1/%2] %3: \"%4\", %5 (%6), %7 vertices, %8 triangles")
                               .arg(i + 1).arg(sources.size()).arg(piece.path, piece.name, swatch::tissues[piece.tissue].name, piece.why)
                               .arg(m.vertices.size()).arg(m.triangles.size());
            if (piece.read.sourceTriangles > int(m.triangles.size()))
                line += QString(" (simplified from %1)").arg(piece.read.sourceTriangles);
            progress(line);
        }
    }
    for (auto it = manifest.entries.cbegin(); it != manifest.entries.cend(); ++it)
        if (!it->used && warning)
            warning(QString("%1: names %2, which is not among the meshes").arg(options.manifest, it.key()));

    Piece shape;
    shape.file = "shape.md2";
    // The ghost is added onto the scene at half strength: the vein's blue
    // lets the floor show through and the carried piece stand out on it.
    shape.tissue = tissueNamed("vein");
    if (!options.shape.isEmpty()) {
        shape.path = options.shape;
        if (!readMesh(shape.path, &shape.read, &error))
            return failed(error);
    } else {
        std::vector<const Mesh *> meshes;
        for (const Piece &piece : pieces)
            meshes.push_back(&piece.read.mesh);
        shape.read.mesh = outlineOf(meshes, outlineMargin, md2MaxVertices - 100);
        if (shape.read.mesh.vertices.empty())
            return failed("the pieces have no extent to make a shape of");
    }

    Box all = shape.read.mesh.bounds();
    std::vector<Box> boxes;
    for (const Piece &piece : pieces) {
        boxes.push_back(piece.read.mesh.bounds());
        all.add(boxes.back());
    }
    const Layout layout = layOut(all, boxes, upAxis, upSign);
    if (!(layout.scale > 0) || !std::isfinite(layout.scale))
        return failed("the meshes have no extent");
    std::vector<Piece *> every{&shape};
    for (Piece &piece : pieces)
        every.push_back(&piece);
    for (Piece *piece : every) {
        piece->scene = placed(piece->read.mesh, layout);
        piece->md2 = encode(piece->scene, piece->tissue);
        if (piece->md2.bytes.isEmpty())
            return failed((piece->path.isEmpty() ? QString("the shape") : piece->path) + ": does not fit an MD2 frame");
    }
    for (size_t i = 0; i < pieces.size(); ++i)
        for (size_t j = i + 1; j < pieces.size(); ++j) {
            const V3 a = pieces[i].md2.centre, b = pieces[j].md2.centre;
            if (std::abs(a.x - b.x) < sameTarget && std::abs(a.y - b.y) < sameTarget)
                return failed(QString("%1 and %2 land on the same target (%3, %4); are all meshes in one coordinate frame?")
                                  .arg(pieces[i].path, pieces[j].path, number(a.x), number(a.y)));
        }

    // Staged beside the sets, so moving it into place is a rename.
    QTemporaryDir staging(out + "/.torvane-makeset-XXXXXX");
    if (!staging.isValid())
        return failed("cannot write into " + out + " (" + staging.errorString() + ")");
    const QString stage = staging.path();
    for (const Piece *piece : every)
        if (!writeDataFile(stage + "/" + files[0] + "/" + piece->file, piece->md2.bytes, &error))
            return failed(error);
    if (!writeDataFile(stage + "/" + files[1], iconPng(pieces), &error)
        || !writeDataFile(stage + "/" + files[2], setXml(id, name, shape, pieces, layout.scale), &error))
        return failed(error);
    if (!QFile::link(QFileInfo(out + "/" + skinFile).absoluteFilePath(), stage + "/" + skinFile))
        return failed("cannot link the skin into " + stage);
    const setcheck::Report report = setcheck::checkDataDirectory(stage);
    if (!report.problems.isEmpty())
        return failed("the set would not be playable: " + report.problems.first());
    if (!moveIntoPlace(stage, out, files, &error))
        return failed(error);
    return {true, {},
            QString("Made \"%1\" in %2/%3: %4 pieces; one unit of the meshes is %5 scene units")
                .arg(name, out, files[2]).arg(pieces.size()).arg(double(layout.scale), 0, 'g', 4)};
}

} // namespace makeset
