#include "meshreader.h"

#include "md2encoder.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFileInfo>
#include <QProcess>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <new>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace makeset {
namespace {

// Past this many triangles a clustering pass comes first; it takes the mesh
// to about `roughTriangles` in one linear sweep.
constexpr size_t hugeTriangles = 200000;
constexpr size_t roughTriangles = 100000;
// meshoptimizer stops at its error bound; ours is the triangle budget alone.
constexpr float anyError = 1.0e6f;

struct Gathered
{
    std::vector<float> positions;
    std::vector<unsigned> indices;
    double colour[3] = {0, 0, 0};
    double colourWeight = 0;
};

bool meaningful(const aiColor4D &c)
{
    // Assimp's stand-in material and exporters' default greys say nothing
    // about the tissue.
    const auto channel = [](float v) { return int(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
    return std::abs(channel(c.r) - channel(c.g)) > 2 || std::abs(channel(c.g) - channel(c.b)) > 2;
}

void addColour(Gathered &g, const aiColor4D &c, double weight)
{
    if (!meaningful(c))
        return;
    g.colour[0] += c.r * weight;
    g.colour[1] += c.g * weight;
    g.colour[2] += c.b * weight;
    g.colourWeight += weight;
}

// Calls visit(node, mesh, transform) for every mesh the scene's nodes place.
// Damaged files can nest nodes without end; a body is never that deep.
template<typename Visit>
void forEachPlacedMesh(const aiScene *scene, const aiNode *node, const aiMatrix4x4 &parent,
                       Visit &&visit, int depth = 0)
{
    if (!node || depth > 64)
        return;
    const aiMatrix4x4 transform = parent * node->mTransformation;
    for (unsigned m = 0; m < node->mNumMeshes; ++m)
        if (node->mMeshes[m] < scene->mNumMeshes && scene->mMeshes[node->mMeshes[m]])
            visit(node, scene->mMeshes[node->mMeshes[m]], transform);
    for (unsigned c = 0; c < node->mNumChildren; ++c)
        forEachPlacedMesh(scene, node->mChildren[c], transform, visit, depth + 1);
}

// Keeps only the vertices the indices use, in the order they are used.
void compact(std::vector<float> &positions, std::vector<unsigned> &indices)
{
    std::vector<float> used(positions.size());
    const size_t count =
        meshopt_optimizeVertexFetch(used.data(), indices.data(), indices.size(), positions.data(),
                                    positions.size() / 3, 3 * sizeof(float));
    used.resize(count * 3);
    positions = std::move(used);
}

size_t usedVertices(const std::vector<unsigned> &indices, size_t vertexCount)
{
    std::vector<bool> used(vertexCount);
    size_t count = 0;
    for (const unsigned i : indices)
        if (!used[i])
            used[i] = true, ++count;
    return count;
}

bool triangle(const aiMesh *mesh, const aiFace &face)
{
    return face.mNumIndices == 3 && face.mIndices
           && std::max({face.mIndices[0], face.mIndices[1], face.mIndices[2]}) < mesh->mNumVertices;
}

// One object's meshes into `g`, placed by their transforms.
void gather(const aiScene *scene, const aiMesh *mesh, const aiMatrix4x4 &transform, Gathered &g)
{
    const unsigned base = unsigned(g.positions.size() / 3);
    size_t triangles = 0;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace &face = mesh->mFaces[f];
        if (!triangle(mesh, face))
            continue; // points, lines and broken faces
        for (int k = 0; k < 3; ++k)
            g.indices.push_back(base + face.mIndices[k]);
        ++triangles;
    }
    if (triangles == 0)
        return;
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
        const aiVector3D p = transform * mesh->mVertices[v];
        g.positions.insert(g.positions.end(), {p.x, p.y, p.z});
    }
    const aiMaterial *material = mesh->mMaterialIndex < scene->mNumMaterials
                                     ? scene->mMaterials[mesh->mMaterialIndex]
                                     : nullptr;
    aiString name;
    aiColor4D colour;
    if (material && material->Get(AI_MATKEY_NAME, name) == AI_SUCCESS
        && name != aiString(AI_DEFAULT_MATERIAL_NAME)
        && (material->Get(AI_MATKEY_BASE_COLOR, colour) == AI_SUCCESS
            || material->Get(AI_MATKEY_COLOR_DIFFUSE, colour) == AI_SUCCESS))
        addColour(g, colour, double(triangles));
    if (mesh->HasVertexColors(0))
        for (unsigned v = 0; v < mesh->mNumVertices; ++v)
            addColour(g, mesh->mColors[0][v], double(triangles) / mesh->mNumVertices);
}

struct Object
{
    QString name;
    Gathered g;
};

// The file's objects: one per node that places triangles, or all as one.
std::vector<Object> objectsOf(const aiScene *scene, bool whole)
{
    std::vector<const aiNode *> nodes;
    forEachPlacedMesh(scene, scene->mRootNode, aiMatrix4x4(),
                      [&](const aiNode *node, const aiMesh *mesh, const aiMatrix4x4 &) {
                          bool any = false;
                          for (unsigned f = 0; f < mesh->mNumFaces && !any; ++f)
                              any = triangle(mesh, mesh->mFaces[f]);
                          if (any && std::find(nodes.begin(), nodes.end(), node) == nodes.end())
                              nodes.push_back(node);
                      });
    whole = whole || nodes.size() < 2;
    std::vector<Object> objects(whole ? 1 : nodes.size());
    forEachPlacedMesh(scene, scene->mRootNode, aiMatrix4x4(),
                      [&](const aiNode *node, const aiMesh *mesh, const aiMatrix4x4 &transform) {
                          const auto at = std::find(nodes.begin(), nodes.end(), node);
                          if (at == nodes.end())
                              return;
                          Object &object = objects[whole ? 0 : at - nodes.begin()];
                          if (!whole && object.name.isEmpty())
                              object.name =
                                  QString::fromUtf8(node->mName.length ? node->mName.C_Str()
                                                                       : mesh->mName.C_Str())
                                      .simplified();
                          gather(scene, mesh, transform, object.g);
                      });
    return objects;
}

QString number(double v)
{
    return QString::number(v, 'g', 4);
}

// Welds, cleans and simplifies one object into `out`. Empty when it has
// triangles left, else why not.
QString finish(Gathered &g, ReadMesh *out)
{
    // A float has 24 bits: far from the origin, few of them are left for the
    // mesh's own size, and its corners fall onto one another.
    float far = 0, lo[3] = {INFINITY, INFINITY, INFINITY},
          hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (size_t i = 0; i < g.positions.size(); ++i) {
        far = std::max(far, std::abs(g.positions[i]));
        lo[i % 3] = std::min(lo[i % 3], g.positions[i]);
        hi[i % 3] = std::max(hi[i % 3], g.positions[i]);
    }
    const float extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2], 0.0f});
    if (far > 0 && double(extent) / far * (1 << 23) < 100)
        return QString("has coordinates near %1 for a mesh %2 across, beyond what single precision "
                       "keeps apart; "
                       "move it near the origin")
            .arg(number(far), number(extent));
    out->sourceTriangles = int(std::min<size_t>(g.indices.size() / 3, size_t(INT32_MAX)));
    // Files list a vertex once per face (STL) or per material; weld by position.
    std::vector<unsigned> remap(g.positions.size() / 3);
    const size_t unique =
        meshopt_generateVertexRemap(remap.data(), g.indices.data(), g.indices.size(),
                                    g.positions.data(), g.positions.size() / 3, 3 * sizeof(float));
    meshopt_remapIndexBuffer(g.indices.data(), g.indices.data(), g.indices.size(), remap.data());
    std::vector<float> positions(unique * 3);
    meshopt_remapVertexBuffer(positions.data(), g.positions.data(), g.positions.size() / 3,
                              3 * sizeof(float), remap.data());
    std::vector<float>().swap(g.positions);
    std::vector<unsigned>().swap(remap);
    std::vector<unsigned> indices;
    indices.reserve(g.indices.size());
    for (size_t i = 0; i + 2 < g.indices.size(); i += 3) {
        const unsigned a = g.indices[i], b = g.indices[i + 1], c = g.indices[i + 2];
        if (a != b && b != c && a != c)
            indices.insert(indices.end(), {a, b, c});
    }
    std::vector<unsigned>().swap(g.indices);
    out->flatTriangles = out->sourceTriangles - int(indices.size() / 3);
    if (indices.empty())
        return QStringLiteral("holds no triangles");
    compact(positions, indices);
    simplifyToFit(positions, indices, md2MaxVertices, md2MaxTriangles);

    Mesh &mesh = out->mesh;
    for (size_t i = 0; i + 2 < positions.size(); i += 3)
        mesh.vertices.push_back({{positions[i], positions[i + 1], positions[i + 2]}, {}, 0});
    double volume = 0;
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        mesh.triangles.push_back({int(indices[i]), int(indices[i + 1]), int(indices[i + 2])});
        const V3 a = mesh.vertices[indices[i]].p, b = mesh.vertices[indices[i + 1]].p,
                 c = mesh.vertices[indices[i + 2]].p;
        volume += dot(a, cross(b, c));
    }
    // Faces wound inside out would be lit from behind.
    if (volume < 0)
        for (auto &t : mesh.triangles)
            std::swap(t[1], t[2]);
    out->coloured = g.colourWeight > 0;
    if (out->coloured) {
        out->r = int(std::lround(std::clamp(g.colour[0] / g.colourWeight, 0.0, 1.0) * 255));
        out->g = int(std::lround(std::clamp(g.colour[1] / g.colourWeight, 0.0, 1.0) * 255));
        out->b = int(std::lround(std::clamp(g.colour[2] / g.colourWeight, 0.0, 1.0) * 255));
    }
    return {};
}

// The child's answer on standard output: a status byte, then the meshes or a reason.
enum Status : quint8 { Meshes = 'M', Refused = 'R', NotMesh = 'N' };
constexpr int childRefused = 3;

int answer(Status status, const QByteArray &payload)
{
    std::fputc(status, stdout);
    std::fwrite(payload.constData(), 1, size_t(payload.size()), stdout);
    std::fflush(stdout);
    return status == Meshes ? 0 : childRefused;
}

bool outOfMemory = false;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool addressSanitizer = true;
#else
constexpr bool addressSanitizer = false;
#endif
#else
constexpr bool addressSanitizer = false;
#endif

QString signalName(int number)
{
    switch (number) {
    case SIGSEGV:
        return QStringLiteral("a segmentation fault");
    case SIGABRT:
        return QStringLiteral("an abort");
    case SIGBUS:
        return QStringLiteral("a bus error");
    case SIGFPE:
        return QStringLiteral("an arithmetic fault");
    case SIGILL:
        return QStringLiteral("an illegal instruction");
    case SIGKILL:
        return QStringLiteral("being killed");
    case SIGXCPU:
        return QStringLiteral("its processor-time limit");
    default:
        return QStringLiteral("signal %1").arg(number);
    }
}

} // namespace

bool isMeshFile(const QString &path)
{
    static const Assimp::Importer importer;
    const QString suffix = QFileInfo(path).suffix();
    return !suffix.isEmpty()
           && importer.IsExtensionSupported(("." + suffix.toLower()).toStdString());
}

bool isCommonMeshSuffix(const QString &path)
{
    static const QStringList common = {
        "obj",   "stl", "ply", "off", "gltf", "glb", "fbx", "dae",     "3ds", "x3d", "3mf",
        "blend", "lwo", "lws", "ase", "ms3d", "md2", "md3", "md5mesh", "smd", "x",   "ac"};
    return common.contains(QFileInfo(path).suffix().toLower());
}

void simplifyToFit(std::vector<float> &positions, std::vector<unsigned> &indices, int maxVertices,
                   int maxTriangles)
{
    const auto fits = [&](size_t triangles, size_t vertices) {
        return triangles <= size_t(maxTriangles) && vertices <= size_t(maxVertices);
    };
    if (fits(indices.size() / 3, positions.size() / 3))
        return;
    std::vector<unsigned> out(indices.size());
    if (indices.size() / 3 > hugeTriangles) {
        out.resize(meshopt_simplifySloppy(out.data(), indices.data(), indices.size(),
                                          positions.data(), positions.size() / 3, 3 * sizeof(float),
                                          3 * roughTriangles, anyError, nullptr));
        indices.swap(out);
        compact(positions, indices);
        out.resize(indices.size());
    }
    // A closed surface has about half as many vertices as triangles; open
    // or scattered ones have more. The first target keeps the triangles a
    // vertex has now, with the vertices cut to the budget; it shrinks until
    // both fit. The simplifiers take no target above the mesh they are given.
    const size_t vertexCount = positions.size() / 3, triangleCount = indices.size() / 3;
    const double perVertex = double(triangleCount) / double(std::max<size_t>(vertexCount, 1));
    double target =
        std::min({double(maxTriangles), perVertex * maxVertices, double(triangleCount)}) * 0.95;
    for (int attempt = 0; attempt < 24; ++attempt) {
        const size_t want = std::min(3 * size_t(std::max(target, 1.0)), indices.size());
        size_t n = meshopt_simplify(out.data(), indices.data(), indices.size(), positions.data(),
                                    vertexCount, 3 * sizeof(float), want, anyError, 0, nullptr);
        // Quadric simplification stops where the topology forbids another
        // collapse; clustering does not.
        if (n > want + want / 10)
            n = meshopt_simplifySloppy(out.data(), indices.data(), indices.size(), positions.data(),
                                       vertexCount, 3 * sizeof(float), want, anyError, nullptr);
        const std::vector<unsigned> result(out.begin(), out.begin() + n);
        const size_t vertices = usedVertices(result, vertexCount);
        if (fits(n / 3, vertices) || attempt == 23) {
            indices = result;
            compact(positions, indices);
            return;
        }
        target = std::min(target, double(n / 3)) * 0.9
                 * std::min(1.0, double(maxVertices) / double(vertices));
    }
}

int runImportChild(int argc, char **argv)
{
    // The parent's end is what matters: a child left behind by a killed
    // parent goes with it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (argc != 5)
        return 2;
    const qint64 limit = QByteArray(argv[3]).toLongLong();
    if (!addressSanitizer && limit > 0) {
        const rlimit space{rlim_t(limit), rlim_t(limit)};
        setrlimit(RLIMIT_AS, &space);
    }
    std::set_new_handler([] {
        outOfMemory = true;
        std::set_new_handler(nullptr);
        throw std::bad_alloc();
    });
    const bool whole = QByteArray(argv[4]) == "1";
    std::vector<ReadMesh> meshes;
    try {
        Assimp::Importer importer;
        const aiScene *scene = importer.ReadFile(argv[2], aiProcess_Triangulate);
        if (outOfMemory)
            return answer(Refused, "needs more memory than a mesh file of its size may take");
        if (!scene || !scene->mRootNode) {
            const QByteArray why = QByteArray(importer.GetErrorString()).trimmed();
            // Assimp's words when no importer takes the file at all.
            const bool unknown = why.contains("No suitable reader")
                                 || why.contains("Unable to open file") || why.isEmpty();
            return answer(unknown ? NotMesh : Refused,
                          "cannot read it as a mesh (" + why.left(200) + ")");
        }
        std::vector<Object> objects = objectsOf(scene, whole);
        importer.FreeScene(); // the importer's copy of a large file goes here
        for (Object &object : objects) {
            ReadMesh mesh;
            mesh.name = object.name;
            const QString why = finish(object.g, &mesh);
            if (why.isEmpty())
                meshes.push_back(std::move(mesh));
            else if (why.startsWith("has coordinates"))
                return answer(Refused, why.toUtf8());
        }
    } catch (const std::bad_alloc &) {
        return answer(Refused, "needs more memory than a mesh file of its size may take");
    }
    if (meshes.empty())
        return answer(Refused, "holds no triangles");
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out << quint32(meshes.size());
    for (const ReadMesh &m : meshes) {
        out << m.name << qint32(m.sourceTriangles) << qint32(m.flatTriangles) << m.coloured
            << qint32(m.r) << qint32(m.g) << qint32(m.b) << quint32(m.mesh.vertices.size())
            << quint32(m.mesh.triangles.size());
        for (const MeshVertex3 &v : m.mesh.vertices)
            out << v.p.x << v.p.y << v.p.z;
        for (const auto &t : m.mesh.triangles)
            out << qint32(t[0]) << qint32(t[1]) << qint32(t[2]);
    }
    return answer(Meshes, payload);
}

bool readMeshFile(const QString &path, bool whole, std::vector<ReadMesh> *out, QString *error,
                  ReadFailure *failure)
{
    const auto fail = [&](ReadFailure kind, const QString &why) {
        if (failure)
            *failure = kind;
        *error = path + ": " + why;
        return false;
    };
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return fail(ReadFailure::Broken, "no such readable file");
    // Room for the importer's own code and libraries, and then for a mesh
    // of the file's size (an OBJ takes a few times its size in memory while
    // it is read), but never more than most of the machine has.
    const qint64 physical = qint64(sysconf(_SC_PHYS_PAGES)) * qint64(sysconf(_SC_PAGE_SIZE));
    const qint64 limit =
        std::min<qint64>(std::max<qint64>(physical * 3 / 4, qint64(3) << 30),
                         (qint64(2) << 30) + std::min<qint64>(info.size(), qint64(1) << 30) * 40);
    const int seconds = 15 + int(std::min<qint64>(info.size() >> 20, 600));

    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    if (addressSanitizer) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString mb = QString::number(limit >> 20);
        environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS")
                                               + ":allocator_may_return_null=1:detect_leaks=0"
                                                 ":max_allocation_size_mb="
                                               + mb + ":hard_rss_limit_mb=" + mb);
        child.setProcessEnvironment(environment);
    }
    child.start(
        QCoreApplication::applicationFilePath(),
        {importChildOption, info.absoluteFilePath(), QString::number(limit), whole ? "1" : "0"});
    if (!child.waitForStarted(10000))
        return fail(ReadFailure::Broken, "cannot start the importer (" + child.errorString() + ")");
    if (!child.waitForFinished(seconds * 1000)) {
        child.kill();
        child.waitForFinished(5000);
        return fail(
            ReadFailure::Broken,
            QString("importing it took longer than %1 s; is it a damaged file?").arg(seconds));
    }
    const QByteArray bytes = child.readAllStandardOutput();
    if (child.exitStatus() != QProcess::NormalExit) {
        // Qt gives the signal's number as the exit code of a crashed process.
        return fail(ReadFailure::Broken, "the importer ended with " + signalName(child.exitCode())
                                             + " on it; is it a damaged file?");
    }
    if (bytes.isEmpty() || (child.exitCode() != 0 && child.exitCode() != childRefused))
        return fail(ReadFailure::Broken,
                    QString("the importer failed on it (exit status %1); is it a damaged file?")
                        .arg(child.exitCode()));
    const Status status = Status(quint8(bytes[0]));
    if (status != Meshes)
        return fail(status == NotMesh ? ReadFailure::NotAMesh : ReadFailure::Broken,
                    QString::fromUtf8(bytes.mid(1)));
    QDataStream in(bytes.mid(1));
    quint32 count = 0;
    in >> count;
    out->clear();
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        ReadMesh m;
        qint32 source, flat, r, g, b;
        quint32 vertices, triangles;
        in >> m.name >> source >> flat >> m.coloured >> r >> g >> b >> vertices >> triangles;
        if (vertices > quint32(md2MaxVertices) || triangles > quint32(md2MaxTriangles))
            break;
        m.sourceTriangles = source, m.flatTriangles = flat, m.r = r, m.g = g, m.b = b;
        m.mesh.vertices.resize(vertices);
        for (MeshVertex3 &v : m.mesh.vertices)
            in >> v.p.x >> v.p.y >> v.p.z;
        m.mesh.triangles.resize(triangles);
        for (auto &t : m.mesh.triangles)
            in >> t[0] >> t[1] >> t[2];
        out->push_back(std::move(m));
    }
    if (in.status() != QDataStream::Ok || out->size() != count)
        return fail(ReadFailure::Broken, "the importer's answer was cut short");
    return true;
}

} // namespace makeset
