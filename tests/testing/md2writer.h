#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// Builds MD2 files in memory: the 68-byte header ("IDP2", version 8), the
// texture coordinates, the triangles and the frames (40 + 4 * vertices bytes
// each, plus `framePadding`), no skins and no GL commands. Every frame holds
// as many vertices as the first. patch() damages a header field afterwards.
class Md2Writer
{
public:
    struct Vertex
    {
        quint8 x = 0, y = 0, z = 0; // packed position, file axes
        quint8 normal = 0;          // index into the 162-entry table
    };
    struct Frame
    {
        float scale[3] = {1, 1, 1};
        float translate[3] = {0, 0, 0};
        QByteArray name = "frame";
        QList<Vertex> vertices;
    };
    struct Triangle
    {
        quint16 vertex[3] = {0, 0, 0};
        quint16 texCoord[3] = {0, 0, 0};
    };
    struct TexCoord
    {
        qint16 s = 0, t = 0;
    };

    // Byte offsets of the 32-bit header fields.
    enum Field {
        Ident = 0, Version = 4, SkinWidth = 8, SkinHeight = 12, FrameSize = 16,
        NumSkins = 20, NumVertices = 24, NumTexCoords = 28, NumTriangles = 32,
        NumGlCommands = 36, NumFrames = 40, OffsetSkins = 44, OffsetTexCoords = 48,
        OffsetTriangles = 52, OffsetFrames = 56, OffsetGlCommands = 60, OffsetEnd = 64,
    };

    QList<Frame> frames;
    QList<Triangle> triangles;
    QList<TexCoord> texCoords;
    int skinWidth = 256;
    int skinHeight = 256;
    int framePadding = 0;

    QByteArray toBytes() const;
    bool writeFile(const QString &path) const;

    // An axis-aligned cube of the given edge in scene units, one frame, all
    // normals pointing up (table entry 5), every corner on texture coordinate 0.
    static Md2Writer cube(float edge);

    static void patch(QByteArray &bytes, int offset, qint32 value);
    static qint32 field(const QByteArray &bytes, int offset);
};
