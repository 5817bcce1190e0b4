#include "meshfiles.h"

#include <QStringList>

#include <cmath>

namespace {
QStringList corners(QVector3D lo, QVector3D hi)
{
    QStringList v;
    for (int i = 0; i < 8; ++i)
        v << QString("%1 %2 %3")
                 .arg(i & 1 ? hi.x() : lo.x(), 0, 'g', 10)
                 .arg(i & 2 ? hi.y() : lo.y(), 0, 'g', 10)
                 .arg(i & 4 ? hi.z() : lo.z(), 0, 'g', 10);
    return v;
}
// The twelve triangles by corner (bit 0: x, 1: y, 2: z), counter-clockwise seen from outside.
const QStringList faces = QString("023 031 457 476 015 054 267 273 046 062 137 175").split(' ');
} // namespace

QByteArray boxMesh(QVector3D lo, QVector3D hi, const QString &format)
{
    const QStringList v = corners(lo, hi);
    QString out = format == "stl"   ? "solid box\n"
                  : format == "obj" ? "v " + v.join("\nv ") + "\n"
                                    : "ply\nformat ascii 1.0\nelement vertex 8\nproperty float x\nproperty float "
                                      "y\nproperty float z\nelement face 12\n"
                                      "property list uchar int vertex_indices\nend_header\n"
                                          + v.join('\n') + "\n";
    const QString face = format == "stl"
                             ? "facet normal 0 0 0\nouter loop\nvertex %1\nvertex %2\nvertex %3\nendloop\nendfacet\n"
                         : format == "obj" ? "f %1 %2 %3\n"
                                           : "3 %1 %2 %3\n";
    const auto corner = [&](QChar i) { // OBJ counts from 1
        return format == "stl" ? v[i.digitValue()] : QString::number(i.digitValue() + (format == "obj"));
    };
    for (const QString &f : faces)
        out += face.arg(corner(f[0]), corner(f[1]), corner(f[2]));
    return (format == "stl" ? out + "endsolid box\n" : out).toUtf8();
}

QByteArray rippledSheet(int columns, int rows, int dropped)
{
    QString out;
    for (int k = 0; k < columns * rows; ++k)
        out += QString("v %1 %2 %3\n")
                   .arg(k % columns)
                   .arg(k / columns)
                   .arg(3 * std::sin(k % columns * 0.2 + k / columns * 0.3));
    // Square (c, r): corners a, a + 1, a + columns, a + columns + 1; its second triangle may go while the next uses the last.
    const int squares = (columns - 1) * (rows - 1), spare = (columns - 2) * (rows - 1);
    for (int s = 0, skipped = 0; s < squares; ++s) {
        const int c = s % (columns - 1), r = s / (columns - 1), a = r * columns + c + 1; // OBJ counts from 1
        out += QString("f %1 %2 %3\n").arg(a).arg(a + 1).arg(a + columns);
        const int slot = r * (columns - 2) + c; // among the squares that may lose one
        if (c < columns - 2 && skipped < dropped && slot * dropped / spare >= skipped) {
            ++skipped; // evenly spread
            continue;
        }
        out += QString("f %1 %2 %3\n").arg(a + 1).arg(a + columns + 1).arg(a + columns);
    }
    return out.toUtf8();
}

QByteArray damagedMesh(const QString &format)
{
    if (format == "ply") // a binary box cut off in its third vertex: 210 bytes that end the importer by a crash
        return "ply\nformat binary_little_endian 1.0\nelement vertex 8\nproperty float x\nproperty float y\n"
               "property float z\nelement face 12\nproperty list uchar int vertex_indices\nend_header\n"
               + QByteArray(40, '\0');
    if (format == "off") // a billion vertices and faces announced in a few bytes: the importer asks for gigabytes
        return "OFF\n1000000000 1000000000 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n4 0 1 999999999 2\n";
    if (format == "stl") // binary: 80-byte header, a facet count far past the end of the file
        return QByteArray(80, 'x') + QByteArray("\xff\xff\xff\x0f", 4) + QByteArray(20, '\0');
    return "v 0 0 0\nv 1 0 0\nf 1 2 3\nf -7 2 1\nf 2 3 4000000000\nv 1e40 nan\nf 1/\n"; // OBJ: vertices not there, a line cut short
}
