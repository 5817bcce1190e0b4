#include "md2writer.h"

#include <QFile>
#include <QtEndian>

#include <cstring>

namespace {

void appendInt32(QByteArray &out, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendInt16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void appendFloat(QByteArray &out, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, 4);
    appendInt32(out, qint32(bits));
}

} // namespace

QByteArray Md2Writer::toBytes() const
{
    const int headerSize = 68;
    const int vertexCount = frames.isEmpty() ? 0 : int(frames.first().vertices.size());
    const int frameSize = 40 + 4 * vertexCount + framePadding;
    const int offsetTexCoords = headerSize;
    const int offsetTriangles = offsetTexCoords + 4 * int(texCoords.size());
    const int offsetFrames = offsetTriangles + 12 * int(triangles.size());
    const int offsetEnd = offsetFrames + frameSize * int(frames.size());

    QByteArray out;
    out.append("IDP2", 4);
    appendInt32(out, 8);
    appendInt32(out, skinWidth);
    appendInt32(out, skinHeight);
    appendInt32(out, frameSize);
    appendInt32(out, 0); // skins
    appendInt32(out, vertexCount);
    appendInt32(out, int(texCoords.size()));
    appendInt32(out, int(triangles.size()));
    appendInt32(out, 0); // GL commands
    appendInt32(out, int(frames.size()));
    appendInt32(out, headerSize); // skins (none)
    appendInt32(out, offsetTexCoords);
    appendInt32(out, offsetTriangles);
    appendInt32(out, offsetFrames);
    appendInt32(out, offsetEnd); // GL commands (none)
    appendInt32(out, offsetEnd);

    for (const TexCoord &st : texCoords) {
        appendInt16(out, quint16(st.s));
        appendInt16(out, quint16(st.t));
    }
    for (const Triangle &triangle : triangles) {
        for (quint16 v : triangle.vertex)
            appendInt16(out, v);
        for (quint16 st : triangle.texCoord)
            appendInt16(out, st);
    }
    for (const Frame &frame : frames) {
        Q_ASSERT(frame.vertices.size() == vertexCount);
        for (float s : frame.scale)
            appendFloat(out, s);
        for (float t : frame.translate)
            appendFloat(out, t);
        out.append(frame.name.left(15).leftJustified(16, '\0'));
        for (const Vertex &v : frame.vertices) {
            out.append(char(v.x));
            out.append(char(v.y));
            out.append(char(v.z));
            out.append(char(v.normal));
        }
        out.append(QByteArray(framePadding, '\0'));
    }
    Q_ASSERT(out.size() == offsetEnd);
    return out;
}

bool Md2Writer::writeFile(const QString &path) const
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(toBytes()) >= 0;
}

void Md2Writer::patch(QByteArray &bytes, int offset, qint32 value)
{
    Q_ASSERT(offset >= 0 && offset + 4 <= bytes.size());
    qToLittleEndian(value, bytes.data() + offset);
}

qint32 Md2Writer::field(const QByteArray &bytes, int offset)
{
    Q_ASSERT(offset >= 0 && offset + 4 <= bytes.size());
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}
