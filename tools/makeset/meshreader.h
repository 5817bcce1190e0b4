#pragma once

// One mesh file (anything Assimp imports: OBJ, STL, PLY, glTF, ...) as one
// triangle mesh small enough for an MD2 frame.

#include "mesher.h"

#include <QString>
#include <vector>

namespace makeset {

struct ReadMesh
{
    Mesh mesh;               // positions in the file's own frame and units
    int sourceTriangles = 0; // before simplification
    bool coloured = false;   // the file gave a colour that means something
    int r = 0, g = 0, b = 0; // that colour, 0 to 255 a channel
};

// True when Assimp knows the file name's extension.
bool isMeshFile(const QString &path);

// Reads every mesh of the file, placed by the file's node transforms, into
// one mesh, welds it, and simplifies it to MD2's limits. False with a
// one-line `error` when the file cannot be read or holds no triangle.
bool readMesh(const QString &path, ReadMesh *out, QString *error);

// Cuts an indexed mesh (x, y, z per vertex) down to at most `maxVertices`
// and `maxTriangles` with meshoptimizer, keeping its outline; unused
// vertices are dropped. Meshes of millions of triangles first go through a
// fast clustering pass, so time and memory stay proportional to the input.
void simplifyToFit(std::vector<float> &positions, std::vector<unsigned> &indices, int maxVertices, int maxTriangles);

} // namespace makeset
