#include "meshreader.h"

#include "md2encoder.h"

#include <QFile>
#include <QFileInfo>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <meshoptimizer.h>

#include <algorithm>
#include <cmath>

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

// Calls visit(mesh, transform) for every mesh the scene's nodes place.
template <typename Visit>
void forEachPlacedMesh(const aiScene *scene, const aiNode *node, const aiMatrix4x4 &parent, Visit &&visit)
{
    const aiMatrix4x4 transform = parent * node->mTransformation;
    for (unsigned m = 0; m < node->mNumMeshes; ++m)
        if (node->mMeshes[m] < scene->mNumMeshes)
            visit(scene->mMeshes[node->mMeshes[m]], transform);
    for (unsigned c = 0; c < node->mNumChildren; ++c)
        forEachPlacedMesh(scene, node->mChildren[c], transform, visit);
}

void gather(const aiScene *scene, Gathered &g)
{
    size_t vertices = 0, faces = 0;
    forEachPlacedMesh(scene, scene->mRootNode, aiMatrix4x4(), [&](const aiMesh *mesh, const aiMatrix4x4 &) {
        vertices += mesh->mNumVertices;
        faces += mesh->mNumFaces;
    });
    g.positions.reserve(3 * vertices);
    g.indices.reserve(3 * faces);
    forEachPlacedMesh(scene, scene->mRootNode, aiMatrix4x4(), [&](const aiMesh *mesh, const aiMatrix4x4 &transform) {
        const unsigned base = unsigned(g.positions.size() / 3);
        size_t triangles = 0;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace &face = mesh->mFaces[f];
            if (face.mNumIndices != 3 || std::max({face.mIndices[0], face.mIndices[1], face.mIndices[2]}) >= mesh->mNumVertices)
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
        const aiMaterial *material = mesh->mMaterialIndex < scene->mNumMaterials ? scene->mMaterials[mesh->mMaterialIndex] : nullptr;
        aiString name;
        aiColor4D colour;
        if (material && material->Get(AI_MATKEY_NAME, name) == AI_SUCCESS && name != aiString(AI_DEFAULT_MATERIAL_NAME)
            && (material->Get(AI_MATKEY_BASE_COLOR, colour) == AI_SUCCESS
                || material->Get(AI_MATKEY_COLOR_DIFFUSE, colour) == AI_SUCCESS))
            addColour(g, colour, double(triangles));
        if (mesh->HasVertexColors(0))
            for (unsigned v = 0; v < mesh->mNumVertices; ++v)
                addColour(g, mesh->mColors[0][v], double(triangles) / mesh->mNumVertices);
    });
}

// Keeps only the vertices the indices use, in the order they are used.
void compact(std::vector<float> &positions, std::vector<unsigned> &indices)
{
    std::vector<float> used(positions.size());
    const size_t count = meshopt_optimizeVertexFetch(used.data(), indices.data(), indices.size(), positions.data(),
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

} // namespace

bool isMeshFile(const QString &path)
{
    static const Assimp::Importer importer;
    const QString suffix = QFileInfo(path).suffix();
    return !suffix.isEmpty() && importer.IsExtensionSupported(("." + suffix.toLower()).toStdString());
}

void simplifyToFit(std::vector<float> &positions, std::vector<unsigned> &indices, int maxVertices, int maxTriangles)
{
    const auto fits = [&](size_t triangles, size_t vertices) {
        return triangles <= size_t(maxTriangles) && vertices <= size_t(maxVertices);
    };
    if (fits(indices.size() / 3, positions.size() / 3))
        return;
    std::vector<unsigned> out(indices.size());
    if (indices.size() / 3 > hugeTriangles) {
        out.resize(meshopt_simplifySloppy(out.data(), indices.data(), indices.size(), positions.data(), positions.size() / 3,
                                          3 * sizeof(float), 3 * roughTriangles, anyError, nullptr));
        indices.swap(out);
        compact(positions, indices);
        out.resize(indices.size());
    }
    // A closed surface has about half as many vertices as triangles; open
    // or scattered ones have more, and the target shrinks until both fit.
    const size_t vertexCount = positions.size() / 3;
    double target = std::min(double(maxTriangles), 2.0 * maxVertices) * 0.95;
    for (int attempt = 0; attempt < 24; ++attempt) {
        const size_t want = 3 * size_t(std::max(target, 1.0));
        size_t n = meshopt_simplify(out.data(), indices.data(), indices.size(), positions.data(), vertexCount,
                                    3 * sizeof(float), want, anyError, 0, nullptr);
        // Quadric simplification stops where the topology forbids another
        // collapse; clustering does not.
        if (n > want + want / 10)
            n = meshopt_simplifySloppy(out.data(), indices.data(), indices.size(), positions.data(), vertexCount,
                                       3 * sizeof(float), want, anyError, nullptr);
        const std::vector<unsigned> result(out.begin(), out.begin() + n);
        const size_t vertices = usedVertices(result, vertexCount);
        if (fits(n / 3, vertices) || attempt == 23) {
            indices = result;
            compact(positions, indices);
            return;
        }
        target *= 0.9 * std::min(1.0, double(maxVertices) / double(vertices));
    }
}

bool readMesh(const QString &path, ReadMesh *out, QString *error)
{
    if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable()) {
        *error = path + ": no such readable file";
        return false;
    }
    Gathered g;
    {
        Assimp::Importer importer;
        const aiScene *scene = importer.ReadFile(QFile::encodeName(path).constData(),
                                                 aiProcess_Triangulate);
        if (!scene || !scene->mRootNode) {
            *error = path + ": cannot read it as a mesh (" + QString::fromUtf8(importer.GetErrorString()).trimmed() + ")";
            return false;
        }
        gather(scene, g);
    } // the importer's copy of a large file goes here
    if (!std::all_of(g.positions.begin(), g.positions.end(), [](float v) { return std::isfinite(v); })) {
        *error = path + ": has coordinates that are not numbers";
        return false;
    }
    out->sourceTriangles = int(std::min<size_t>(g.indices.size() / 3, size_t(INT32_MAX)));

    // Files list a vertex once per face (STL) or per material; weld by position.
    std::vector<unsigned> remap(g.positions.size() / 3);
    const size_t unique = meshopt_generateVertexRemap(remap.data(), g.indices.data(), g.indices.size(), g.positions.data(),
                                                      g.positions.size() / 3, 3 * sizeof(float));
    meshopt_remapIndexBuffer(g.indices.data(), g.indices.data(), g.indices.size(), remap.data());
    std::vector<float> positions(unique * 3);
    meshopt_remapVertexBuffer(positions.data(), g.positions.data(), g.positions.size() / 3, 3 * sizeof(float), remap.data());
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
    if (indices.empty()) {
        *error = path + ": holds no triangles";
        return false;
    }
    compact(positions, indices);
    simplifyToFit(positions, indices, md2MaxVertices, md2MaxTriangles);

    Mesh &mesh = out->mesh;
    mesh = {};
    for (size_t i = 0; i + 2 < positions.size(); i += 3)
        mesh.vertices.push_back({{positions[i], positions[i + 1], positions[i + 2]}, {}, 0});
    double volume = 0;
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        mesh.triangles.push_back({int(indices[i]), int(indices[i + 1]), int(indices[i + 2])});
        const V3 a = mesh.vertices[indices[i]].p, b = mesh.vertices[indices[i + 1]].p, c = mesh.vertices[indices[i + 2]].p;
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
    return true;
}

} // namespace makeset
