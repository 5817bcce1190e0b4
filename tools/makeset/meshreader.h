#pragma once

// Mesh files (anything Assimp imports: OBJ, STL, PLY, glTF, ...) as triangle
// meshes small enough for an MD2 frame.
//
// Importers meet files from anywhere, and Assimp can crash or allocate
// without bound on a few damaged bytes. So every file is imported by a
// child process (this program run again with importChildOption) under
// bounds of its own: an address-space limit that grows with the file's size
// and a time limit. A crash, a limit or a timeout there becomes one line
// naming the file and the cause; the tool itself never sees the importer's
// memory. Under AddressSanitizer the address space cannot be limited (the
// sanitizer reserves terabytes of shadow memory up front), so the child runs
// with the sanitizer's own allocation and resident-memory limits instead.

#include "mesher.h"

#include <QString>
#include <vector>

namespace makeset {

// The hidden option that makes the program an import child:
//   PROGRAM --import-child FILE ADDRESS_SPACE_BYTES WHOLE
// (WHOLE 1: the file's meshes as one, 0: one per named object).
inline constexpr char importChildOption[] = "--import-child";

struct ReadMesh
{
    QString name;            // the object's name in the file; empty when the file is one piece
    Mesh mesh;               // positions in the file's own frame and units
    int sourceTriangles = 0; // before welding and simplification
    int flatTriangles = 0;   // lost in welding: no area, or corners that float cannot tell apart
    bool coloured = false;   // the file gave a colour that means something
    int r = 0, g = 0, b = 0; // that colour, 0 to 255 a channel
};

enum class ReadFailure {
    None,
    NotAMesh, // the importer does not take the file: unknown or other format
    Broken,   // a mesh format, but damaged, empty, or crashing the importer
};

// Reads the file in an import child. `whole`: all its meshes as one (the
// shape); otherwise one ReadMesh per named object it holds. False with a
// one-line `error` naming the file and the cause.
bool readMeshFile(const QString &path, bool whole, std::vector<ReadMesh> *out, QString *error,
                  ReadFailure *failure = nullptr);

// The import child's work; returns its exit status. Prints the meshes on
// standard output, or a reason.
int runImportChild(int argc, char **argv);

// True when Assimp knows the file name's extension.
bool isMeshFile(const QString &path);
// True for the suffixes of the common mesh formats: a file of that kind in a
// folder is a piece, and a damaged one an error. Other files are pieces
// only when the importer reads them.
bool isCommonMeshSuffix(const QString &path);

// Cuts an indexed mesh (x, y, z per vertex) down to at most `maxVertices`
// and `maxTriangles` with meshoptimizer, keeping its outline; unused
// vertices are dropped. A mesh within both limits is left as it is. Meshes
// of millions of triangles first go through a fast clustering pass, so time
// and memory stay proportional to the input.
void simplifyToFit(std::vector<float> &positions, std::vector<unsigned> &indices, int maxVertices,
                   int maxTriangles);

} // namespace makeset
