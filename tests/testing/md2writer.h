#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// Builds MD2 files in memory for tests and tools.
//
//   Md2Writer md2;
//   Md2Writer::Frame frame;                 // scale (1,1,1), translate 0
//   frame.vertices = {{0, 0, 0, 5}, {64, 0, 0, 5}, {0, 64, 64, 5}};
//   md2.frames = {frame};
//   md2.triangles = {{{0, 1, 2}, {0, 1, 2}}};
//   md2.texCoords = {{0, 0}, {128, 0}, {0, 128}};
//   QByteArray bytes = md2.toBytes();       // a valid file: "IDP2", version 8
//   Md2Writer::patch(bytes, Md2Writer::NumFrames, 1000);   // then damage it
//
// Layout written: the 68-byte header, texture coordinates, triangles, frames
// (each 40 + 4 * vertices bytes plus `framePadding`), no skins, no GL
// commands. Every frame must hold as many vertices as the first.
class Md2Writer
{
public:
    struct Vertex
    {
        quint8 x = 0, y = 0, z = 0; // packed position, file axes
        quint8 normal = 0;          // index into the 162-entry normal table
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

    // Byte offsets of the 32-bit header fields, for patch().
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
    int framePadding = 0; // extra bytes after each frame's vertices

    QByteArray toBytes() const;
    bool writeFile(const QString &path) const;

    // Overwrites one 32-bit little-endian header field (or any 32-bit word).
    static void patch(QByteArray &bytes, int offset, qint32 value);
    static qint32 field(const QByteArray &bytes, int offset);
};
