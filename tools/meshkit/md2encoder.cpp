#include "md2encoder.h"

#include "pieces/md2format.h"

#include <QtEndian>
#include <cstring>
#include <map>

namespace {

void put16(QByteArray &b, int offset, int value)
{
    qToLittleEndian<qint16>(qint16(value), b.data() + offset);
}
void put32(QByteArray &b, int offset, qint32 value)
{
    qToLittleEndian<qint32>(value, b.data() + offset);
}
void putFloat(QByteArray &b, int offset, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, 4);
    qToLittleEndian<quint32>(bits, b.data() + offset);
}

int nearestNormal(V3 n)
{
    int best = 0;
    float bestDot = -2;
    for (int i = 0; i < md2::normalCount; ++i) {
        const float d =
            n.x * md2::normals[i][0] + n.y * md2::normals[i][1] + n.z * md2::normals[i][2];
        if (d > bestDot)
            bestDot = d, best = i;
    }
    return best;
}

} // namespace

Md2Encoded encodeMd2Frame(const Mesh &mesh, int skinWidth, int skinHeight,
                          const std::function<Texel(int, int)> &texel)
{
    const int vertexCount = int(mesh.vertices.size());
    const int triangleCount = int(mesh.triangles.size());
    if (vertexCount > md2MaxVertices || triangleCount > md2MaxTriangles || vertexCount == 0)
        return {};

    // Texture coordinates, shared where a vertex keeps the same texel.
    std::map<std::pair<int, int>, int> texIndex;
    std::vector<std::pair<int, int>> texCoords;
    std::vector<std::array<int, 3>> triangleTex(triangleCount);
    for (int i = 0; i < triangleCount; ++i)
        for (int c = 0; c < 3; ++c) {
            const Texel tv = texel(i, c);
            const std::pair<int, int> key{int(tv.s), int(tv.t)};
            auto it = texIndex.find(key);
            if (it == texIndex.end()) {
                it = texIndex.emplace(key, int(texCoords.size())).first;
                texCoords.push_back(key);
            }
            triangleTex[i][c] = it->second;
        }

    // File axes: the file's second coordinate is the scene's z, its third y.
    auto fileAxes = [](V3 p) { return V3{p.x * 64, p.z * 64, p.y * 64}; };
    Box fileBox;
    for (const auto &v : mesh.vertices)
        fileBox.add(fileAxes(v.p));
    V3 scale = fileBox.size() * (1.0f / 255.0f);
    scale = {std::max(scale.x, 1e-4f), std::max(scale.y, 1e-4f), std::max(scale.z, 1e-4f)};

    const int headerSize = 68;
    const int frameSize = md2::frameHeaderSize + 4 * vertexCount;
    const int ofsSt = headerSize;
    const int ofsTris = ofsSt + 4 * int(texCoords.size());
    const int ofsFrames = ofsTris + md2::triangleSize * triangleCount;
    const int ofsEnd = ofsFrames + frameSize;
    QByteArray out(ofsEnd, '\0');
    std::memcpy(out.data(), "IDP2", 4);
    put32(out, 4, 8);
    put32(out, 8, skinWidth);
    put32(out, 12, skinHeight);
    put32(out, 16, frameSize);
    put32(out, 20, 0);
    put32(out, 24, vertexCount);
    put32(out, 28, int(texCoords.size()));
    put32(out, 32, triangleCount);
    put32(out, 36, 0);
    put32(out, 40, 1);
    put32(out, 44, headerSize);
    put32(out, 48, ofsSt);
    put32(out, 52, ofsTris);
    put32(out, 56, ofsFrames);
    put32(out, 60, ofsEnd);
    put32(out, 64, ofsEnd);
    for (size_t i = 0; i < texCoords.size(); ++i) {
        put16(out, ofsSt + 4 * int(i), texCoords[i].first);
        put16(out, ofsSt + 4 * int(i) + 2, texCoords[i].second);
    }
    for (int i = 0; i < triangleCount; ++i)
        for (int c = 0; c < 3; ++c) {
            put16(out, ofsTris + 12 * i + 2 * c, mesh.triangles[i][c]);
            put16(out, ofsTris + 12 * i + 6 + 2 * c, triangleTex[i][c]);
        }
    putFloat(out, ofsFrames, scale.x);
    putFloat(out, ofsFrames + 4, scale.y);
    putFloat(out, ofsFrames + 8, scale.z);
    putFloat(out, ofsFrames + 12, fileBox.lo.x);
    putFloat(out, ofsFrames + 16, fileBox.lo.y);
    putFloat(out, ofsFrames + 20, fileBox.lo.z);
    std::snprintf(out.data() + ofsFrames + 24, 16, "%s", "frame0");
    Box decoded;
    for (int i = 0; i < vertexCount; ++i) {
        const V3 f = fileAxes(mesh.vertices[i].p);
        const int q[3] = {std::clamp(int(std::lround((f.x - fileBox.lo.x) / scale.x)), 0, 255),
                          std::clamp(int(std::lround((f.y - fileBox.lo.y) / scale.y)), 0, 255),
                          std::clamp(int(std::lround((f.z - fileBox.lo.z) / scale.z)), 0, 255)};
        char *v = out.data() + ofsFrames + md2::frameHeaderSize + 4 * i;
        v[0] = char(q[0]);
        v[1] = char(q[1]);
        v[2] = char(q[2]);
        // The game takes the table entry as it stands (no axis exchange), so
        // pick it for the scene-axis normal.
        v[3] = char(nearestNormal(mesh.vertices[i].n));
        decoded.add(V3{q[0] * scale.x + fileBox.lo.x, q[2] * scale.z + fileBox.lo.z,
                       q[1] * scale.y + fileBox.lo.y}
                    * md2::unitScale);
    }
    return {out, decoded.centre(), decoded.size()};
}
