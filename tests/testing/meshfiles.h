#pragma once

#include <QByteArray>
#include <QString>
#include <QVector3D>

// Mesh files as teachers have them, for torvane-makeset's tests.

// A box from lo to hi as "obj", "stl" or "ply": its eight corners and twelve triangles, wound outwards.
QByteArray boxMesh(QVector3D lo, QVector3D hi, const QString &format);
// A rippled OBJ sheet of columns * rows vertices, all used, and 2 * (columns - 1) * (rows - 1) - dropped triangles.
QByteArray rippledSheet(int columns, int rows, int dropped = 0);
// A few damaged bytes of a format whose importer once crashed or ran away on such files: "ply", "off",
// "stl" or "obj".
QByteArray damagedMesh(const QString &format);
