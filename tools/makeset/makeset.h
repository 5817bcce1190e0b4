#pragma once

// torvane-makeset's work: a folder of ordinary mesh files, one piece each,
// all in one coordinate frame, made into a puzzle set of the game's data
// directory:
//
//   sets/<id>.xml                  the set (name, icon, shape, parts)
//   sets/<id>.png                  its icon for the chooser
//   sets/bodyparts/<id>/*.md2      the pieces and the shape
//
// where <id> is the set's name in lower case with hyphens, or that with a
// number added when another set already has those files. The shared skin
// (sets/bodyparts/tris4.pcx) is only read: every piece points at one plain
// swatch of it (src/pieces/skinswatches.h). How the set lies in the room and
// how close a drop must come: layout.h.
//
// Everything is written into a hidden folder of the data directory, checked
// as torvane-setcheck checks it, and moved into place only when it passes:
// a failure, or Ctrl-C, leaves the data directory as it was.

#include <QString>
#include <QStringList>

#include <functional>

namespace makeset {

// The set file's "maker": --force replaces only sets that carry it.
inline constexpr char makerName[] = "torvane-makeset";
// A piece this many times larger or smaller than the others' middle size
// is in other units (metres among millimetres) or another frame.
constexpr float outOfScale = 25.0f;
// A file of more objects than this is no piece of anatomy a set can place.
constexpr int maxObjectsInAFile = 60;
// The outline made when no shape is given stands this far (of the
// pieces' longest extent) off them.
constexpr float outlineMargin = 0.035f;

struct Options
{
    QString name;       // shown under the icon
    QString out;        // the game's data directory
    QString shape;      // mesh of the whole body; empty: made from the pieces
    QString manifest;   // names and tissues; empty: none
    QString up;         // "x", "-z", ...: the source axis that points up
    QStringList inputs; // mesh files and folders of them
    bool force = false; // replace a set of the same name
};

struct Outcome
{
    bool ok = false;
    QString error;   // one line, when not ok
    QString summary; // one line, when ok
};

using Report = std::function<void(const QString &)>;

// `progress` (may be empty) hears one line per piece as it is read,
// `warning` what the author may want to fix but does not stop the set
// ("warning: ..." or "note: ...").
Outcome makeSet(const Options &options, const Report &progress = {}, const Report &warning = {});

// The source axis named by --up ("z", "+y", "-x"): index 0 to 2 and sign,
// false when the text names none.
bool parseAxis(const QString &text, int *axis, int *sign);

} // namespace makeset
