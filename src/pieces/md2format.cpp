#include "pieces/md2format.h"

#include <QtEndian>

#include <cstring>

namespace {

qint32 readInt(const char *at)
{
    return qFromLittleEndian<qint32>(at);
}

float readFloat(const char *at)
{
    const quint32 bits = qFromLittleEndian<quint32>(at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// True when count records of `size` bytes starting at `offset` lie inside
// a buffer of `length` bytes. 64-bit arithmetic: the header fields are
// 32-bit and may be anything.
bool fits(qint64 offset, qint64 count, qint64 size, qint64 length)
{
    return offset >= 0 && count >= 0 && offset <= length && count * size <= length - offset;
}

Md2Result refuse(const QString &why)
{
    Md2Result result;
    result.error = why;
    return result;
}

} // namespace

Md2Result decodeMd2(QByteArrayView bytes, const SkinInfo &skin)
{
    const qint64 length = bytes.size();
    const char *data = bytes.data();
    if (length < md2::headerSize)
        return refuse(QStringLiteral("file too short for an MD2 header (%1 bytes)").arg(length));

    const qint64 frameSize = readInt(data + 16);
    const qint64 vertexCount = readInt(data + 24);
    const qint64 texCoordCount = readInt(data + 28);
    const qint64 triangleCount = readInt(data + 32);
    const qint64 frameCount = readInt(data + 40);
    const qint64 texCoordOffset = readInt(data + 48);
    const qint64 triangleOffset = readInt(data + 52);
    const qint64 frameOffset = readInt(data + 56);

    if (vertexCount < 0 || texCoordCount < 0 || triangleCount < 0 || frameCount < 0)
        return refuse(QStringLiteral("negative count in the header"));

    if (frameCount > 0) {
        const qint64 frameBytes = md2::frameHeaderSize + md2::packedVertexSize * vertexCount;
        if (frameSize < frameBytes)
            return refuse(QStringLiteral("frame size %1 too small for %2 vertices")
                              .arg(frameSize)
                              .arg(vertexCount));
        // Every frame but the last needs frameSize bytes, the last only its vertices.
        if (!fits(frameOffset, frameCount - 1, frameSize, length)
            || !fits(frameOffset + (frameCount - 1) * frameSize, 1, frameBytes, length))
            return refuse(QStringLiteral("frames reach past the end of the file"));
    }
    if (triangleCount > 0 && !fits(triangleOffset, triangleCount, md2::triangleSize, length))
        return refuse(QStringLiteral("triangles reach past the end of the file"));
    // The coordinates are only read when there is a skin to normalise them to.
    if (skin.loaded && texCoordCount > 0
        && !fits(texCoordOffset, texCoordCount, md2::texCoordSize, length))
        return refuse(QStringLiteral("texture coordinates reach past the end of the file"));

    Md2Result result;
    Md2Model &model = result.model;
    Md2Box &box = result.box;
    model.vertexCount = int(vertexCount);
    model.frameCount = int(frameCount);
    model.frames.resize(size_t(frameCount) * size_t(frameCount > 0 ? vertexCount : 0));

    for (qint64 f = 0; f < frameCount; ++f) {
        const char *frame = data + frameOffset + f * frameSize;
        const float scale[3] = {readFloat(frame), readFloat(frame + 4), readFloat(frame + 8)};
        const float translate[3] = {readFloat(frame + 12), readFloat(frame + 16),
                                    readFloat(frame + 20)};
        const unsigned char *packed =
            reinterpret_cast<const unsigned char *>(frame + md2::frameHeaderSize);
        MeshVertex *out = model.frames.data() + f * vertexCount;

        for (qint64 i = 0; i < vertexCount; ++i) {
            const unsigned char *v = packed + i * md2::packedVertexSize;
            if (v[3] >= md2::normalCount)
                return refuse(
                    QStringLiteral("normal index %1 out of range in frame %2").arg(v[3]).arg(f));
            MeshVertex &vertex = out[i];
            // The file's second coordinate is our z, its third our y.
            vertex.x = (v[0] * scale[0] + translate[0]) * md2::unitScale;
            vertex.z = (v[1] * scale[1] + translate[1]) * md2::unitScale;
            vertex.y = (v[2] * scale[2] + translate[2]) * md2::unitScale;
            vertex.nx = md2::normals[v[3]][0];
            vertex.ny = md2::normals[v[3]][1];
            vertex.nz = md2::normals[v[3]][2];

            if (i == 0) {
                box.maxX = box.minX = vertex.x;
                box.maxY = box.minY = vertex.y;
                box.maxZ = box.minZ = vertex.z;
            }
            if (vertex.x > box.maxX)
                box.maxX = vertex.x;
            if (vertex.x < box.minX)
                box.minX = vertex.x;
            if (vertex.y > box.maxY)
                box.maxY = vertex.y;
            if (vertex.y < box.minY)
                box.minY = vertex.y;
            if (vertex.z > box.maxZ)
                box.maxZ = vertex.z;
            if (vertex.z < box.minZ)
                box.minZ = vertex.z;
        }

        // Each frame sits centred on its own box; the box keeps its place.
        const float cx = (box.minX + box.maxX) * 0.5f;
        const float cy = (box.minY + box.maxY) * 0.5f;
        const float cz = (box.minZ + box.maxZ) * 0.5f;
        for (qint64 i = 0; i < vertexCount; ++i) {
            out[i].x -= cx;
            out[i].y -= cy;
            out[i].z -= cz;
        }
    }

    if (skin.loaded) {
        model.texCoordCount = int(texCoordCount);
        model.texCoords.resize(size_t(texCoordCount));
        for (qint64 i = 0; i < texCoordCount; ++i) {
            const char *st = data + texCoordOffset + i * md2::texCoordSize;
            model.texCoords[i].s = float(qFromLittleEndian<qint16>(st)) / float(skin.width);
            model.texCoords[i].t = float(qFromLittleEndian<qint16>(st + 2)) / float(skin.height);
        }
    }

    model.triangleCount = int(triangleCount);
    model.triangles.resize(size_t(triangleCount));
    for (qint64 i = 0; i < triangleCount; ++i) {
        const char *record = data + triangleOffset + i * md2::triangleSize;
        MeshTriangle &triangle = model.triangles[i];
        for (int k = 0; k < 3; ++k) {
            triangle.vertexIndex[k] = qFromLittleEndian<quint16>(record + 2 * k);
            triangle.texCoordIndex[k] = qFromLittleEndian<quint16>(record + 6 + 2 * k);
            if (triangle.vertexIndex[k] >= vertexCount)
                return refuse(QStringLiteral("triangle %1 names vertex %2 of %3")
                                  .arg(i)
                                  .arg(triangle.vertexIndex[k])
                                  .arg(vertexCount));
        }
    }

    result.ok = true;
    return result;
}
