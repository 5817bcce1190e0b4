#pragma once

#include <QByteArray>
#include <QList>

// Builds MD2 files in memory: the 68-byte header ("IDP2", version 8), texture coordinates, triangles and
// frames of 40 + 4 * vertices bytes, no skins or GL commands; patch() damages a header field afterwards.
class Md2Writer
{
public:
    struct Vertex
    {
        quint8 x = 0, y = 0, z = 0, normal = 0;
    }; // file axes; normal: table index
    struct Frame
    {
        float scale[3] = {1, 1, 1};
        float translate[3] = {0, 0, 0};
        QList<Vertex> vertices;
    };
    struct Triangle
    {
        quint16 vertex[3] = {0, 0, 0}, texCoord[3] = {0, 0, 0};
    };
    struct TexCoord
    {
        qint16 s = 0, t = 0;
    };
    // Byte offsets of the 32-bit header fields.
    enum Field {
        FrameSize = 16,
        NumVertices = 24,
        NumTexCoords = 28,
        NumTriangles = 32,
        NumFrames = 40,
        OffsetTexCoords = 48,
        OffsetTriangles = 52,
        OffsetFrames = 56
    };

    QList<Frame> frames;
    QList<Triangle> triangles;
    QList<TexCoord> texCoords;
    int framePadding = 0; // bytes after each frame's vertices

    QByteArray toBytes() const;
    // A cube of the given edge in scene units from the origin up, one frame,
    // all normals pointing up (table entry 5), every corner on coordinate 0.
    static Md2Writer cube(float edge);
    static void patch(QByteArray &bytes, int offset, qint32 value);
};
