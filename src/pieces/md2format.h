#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <vector>

// MD2 keyframed meshes (little-endian throughout).
//
// Header fields we read (32-bit signed integers at these offsets); the
// identifier, version, skin size, skin list, GL commands and end offset are
// neither read nor checked:
//   16 frame size       bytes from one frame record to the next
//   24 vertices         per frame
//   28 texture coords   (s, t) pairs
//   32 triangles
//   40 frames
//   48 offset of the texture coordinates
//   52 offset of the triangles
//   56 offset of frame 0
//
// Records:
//   texture coordinate  int16 s, int16 t                             4 bytes
//   triangle            uint16 vertex[3], uint16 texCoord[3]        12 bytes
//   frame               float scale[3], float translate[3],
//                       char name[16], then per vertex
//                       uint8 x, uint8 y, uint8 z, uint8 normalIndex  4 bytes
//
// Decoding: x = b0 * scale0 + translate0, the file's second coordinate
// becomes z and its third y (the file is Z-up the other way round); then
// everything is multiplied by 1/64 and each frame is centred on its own
// bounding box. Normals come from the 162-entry table, unscaled and without
// the axis exchange.
//
// Limits: a file is refused (and the piece then behaves as if its model were
// missing) when
//   - it is shorter than the header fields above (60 bytes),
//   - a count is negative,
//   - a frame is shorter than its vertices (frame size < 40 + 4 * vertices),
//   - a frame, the triangles or (when they are read) the texture
//     coordinates reach past the end of the file or start before it,
//   - a packed vertex names a normal above 161,
//   - a triangle names a vertex at or above the vertex count.
// A triangle's texture-coordinate index is copied as it stands; the draw
// skips coordinates whose index is out of range.

namespace md2 {
constexpr int headerSize = 60; // up to and including the offset of frame 0
constexpr int frameHeaderSize = 40;
constexpr int packedVertexSize = 4;
constexpr int triangleSize = 12;
constexpr int texCoordSize = 4;
constexpr int normalCount = 162;
constexpr float unitScale = 0.015625f; // 1/64: file units to scene units

extern const float normals[normalCount][3];
} // namespace md2

struct MeshVertex
{
    float x = 0, y = 0, z = 0;
    float nx = 0, ny = 0, nz = 0;
};

struct MeshTriangle
{
    quint16 vertexIndex[3] = {0, 0, 0};
    quint16 texCoordIndex[3] = {0, 0, 0};
};

struct TexCoord
{
    float s = 0, t = 0;
};

// The decoded mesh a Particle owns and draws.
struct Md2Model
{
    int vertexCount = 0;
    std::vector<MeshVertex> frames; // frame-major: frame f, vertex i at f * vertexCount + i
    int triangleCount = 0;
    int frameCount = 0;
    std::vector<MeshTriangle> triangles;
    int texCoordCount = 0; // 0 when the skin did not load
    std::vector<TexCoord> texCoords;
    int currentFrame = 0;
    int firstFrame = 0;
    int lastFrame = 0;
};

// Box of the last frame decoded, after scaling and before centring.
struct Md2Box
{
    float maxX = 0, minX = 0, maxY = 0, minY = 0, maxZ = 0, minZ = 0;
};

// What the skin loader found; texture coordinates are normalised to it.
struct SkinInfo
{
    bool loaded = false;
    int width = 0;
    int height = 0;
};

struct Md2Result
{
    bool ok = false;
    QString error; // why the file was refused; empty when ok
    Md2Model model;
    Md2Box box;
};

// Decodes a whole MD2 file. Never reads outside `bytes`.
Md2Result decodeMd2(QByteArrayView bytes, const SkinInfo &skin);
