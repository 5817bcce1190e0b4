#pragma once

// What a piece is called and which tissue swatch of the shared skin colours
// it: from the set author's manifest, or guessed from the mesh file.
//
// The manifest is a small text file, one piece a line:
//
//   # file              | name shown          | tissue (optional) | Latin name (optional)
//   left_femur.obj      | Left femur          | bone              | Femur sinistrum
//   FJ3155.stl          | Left ventricle      | heart
//   liver.ply           | Liver               |                   | Hepar
//
// Blank lines and lines starting with '#' are skipped; the file is matched
// by its name (or its path as given on the command line). A JSON object
// works as well: {"left_femur.obj": "Left femur",
//                 "FJ3155.stl": {"name": "Left ventricle", "tissue": "heart",
//                                "latin": "Ventriculus sinister"}}.
// Tissues are the swatch names of src/pieces/skinswatches.h. The manifest is
// UTF-8, with or without a byte-order mark, or UTF-16 with one; anything
// else, and a file named twice, is refused.

#include <QHash>
#include <QString>

namespace makeset {

struct ManifestEntry
{
    QString name;    // empty: from the file name
    QString latin;   // the Latin name; empty: none
    int tissue = -1; // swatch index, -1: guessed
    bool used = false;
};

struct Manifest
{
    QHash<QString, ManifestEntry> entries; // by the file as written
    // The entry for a mesh file, or null; marks it used.
    ManifestEntry *find(const QString &path);
};

// False with a one-line `error` (file and line) when the manifest cannot be
// read, is in another encoding, names a file twice or names a tissue that
// has no swatch.
bool readManifest(const QString &path, Manifest *manifest, QString *error);

// "left_femur.obj" gives "Left femur".
QString nameFromFile(const QString &path);
// Lower-case ASCII letters, digits and hyphens: "The heart" gives "the-heart".
QString slug(const QString &text);

// Swatch index of a tissue name, or -1.
int tissueNamed(const QString &name);
// The swatch nearest to a colour (0 to 255 a channel).
int tissueNearest(int r, int g, int b);
// The swatch a whole word of the piece's name names ("ventricle" gives
// heart, "trapezium" bone, "trapezius" muscle), or -1.
int tissueFromName(const QString &name);
// Pieces nothing says anything about: skin, a pale swatch, not a guess.
int defaultTissue();

} // namespace makeset
