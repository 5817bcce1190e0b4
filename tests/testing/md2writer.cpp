#include "md2writer.h"

#include <QtEndian>

#include <bit>

namespace {
template<typename T>
void append(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}
} // namespace

QByteArray Md2Writer::toBytes() const
{
    const qint32 vertexCount = frames.isEmpty() ? 0 : qint32(frames.first().vertices.size());
    const qint32 frameSize = 40 + 4 * vertexCount + framePadding;
    const qint32 triangleAt = 68 + 4 * qint32(texCoords.size());
    const qint32 frameAt = triangleAt + 12 * qint32(triangles.size());
    const qint32 end = frameAt + frameSize * qint32(frames.size());
    QByteArray out("IDP2");
    for (qint32 value : {8, 256, 256, frameSize, 0, vertexCount, qint32(texCoords.size()), qint32(triangles.size()), 0,
                         qint32(frames.size()), 68, 68, triangleAt, frameAt, end, end})
        append(out, value);
    for (const TexCoord &st : texCoords)
        out.append(QByteArray(reinterpret_cast<const char *>(&st), 4)); // two little-endian shorts on our platforms
    for (const Triangle &triangle : triangles)
        out.append(QByteArray(reinterpret_cast<const char *>(&triangle), 12));
    for (const Frame &frame : frames) {
        for (float f : frame.scale)
            append(out, std::bit_cast<quint32>(f));
        for (float f : frame.translate)
            append(out, std::bit_cast<quint32>(f));
        out.append(QByteArray("frame").leftJustified(16, '\0'));
        for (const Vertex &v : frame.vertices)
            out.append(QByteArray(reinterpret_cast<const char *>(&v), 4));
        out.append(QByteArray(framePadding, '\0'));
    }
    return out;
}

Md2Writer Md2Writer::cube(float edge)
{
    Md2Writer md2;
    Frame frame;
    for (float &s : frame.scale)
        s = edge * 64.0f / 255.0f;
    for (int i = 0; i < 8; ++i)
        frame.vertices.append(Vertex{quint8(i & 1 ? 255 : 0), quint8(i & 2 ? 255 : 0), quint8(i & 4 ? 255 : 0), 5});
    md2.frames = {frame};
    const quint16 faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    for (const auto &f : faces) {
        md2.triangles.append(Triangle{{f[0], f[1], f[2]}, {0, 0, 0}});
        md2.triangles.append(Triangle{{f[0], f[2], f[3]}, {0, 0, 0}});
    }
    md2.texCoords = {{0, 0}};
    return md2;
}

void Md2Writer::patch(QByteArray &bytes, int offset, qint32 value)
{
    qToLittleEndian(value, bytes.data() + offset);
}
