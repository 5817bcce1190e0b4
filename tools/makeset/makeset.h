#pragma once

// torvane-makeset's work: a folder of ordinary mesh files, one piece each,
// all in one coordinate frame, made into a puzzle set of the game's data
// directory:
//
//   sets/<id>.xml                  the set (name, icon, shape, parts)
//   sets/<id>.png                  its icon for the chooser
//   sets/bodyparts/<id>/*.md2      the pieces and the shape
//
// where <id> is the set's name in lower case with hyphens. The shared skin
// (sets/bodyparts/tris4.pcx) is only read: every piece points at one plain
// swatch of it (src/pieces/skinswatches.h).
//
// Lay-out: the set turns as a whole, its longest extent along the trough
// and its shortest one up (or the --up axis up), the upper end of the long
// axis to the trough's left. One scale for the whole set, the largest that
// keeps
//   - every piece within `pieceAcross` along x and y (the trough's limit),
//   - the set within `setLength` along the trough, `setWidth` across it
//     and `setHeight` up,
// and the set's box centred `setCentreY` along the trough and on the
// carrying plane (`roomcamera::dragPlaneZ`) up, its far side `setFarX` in
// front of the trough.
//
// Everything is written into a hidden folder of the data directory, checked
// as torvane-setcheck checks it, and moved into place only when it passes:
// a failure leaves the data directory as it was.

#include <QString>
#include <QStringList>

#include <functional>

#include "view/roomcamera.h"

namespace makeset {

constexpr float pieceAcross = 0.30f; // the trough takes 0.32
constexpr float setLength = 0.95f;
constexpr float setWidth = 0.45f;
constexpr float setHeight = 0.8f;
constexpr float setFarX = -0.40f;
constexpr float setCentreY = 0.03f;
constexpr float setCentreZ = roomcamera::dragPlaneZ;
// Two pieces whose drop points are this close on x and y share a target.
constexpr float sameTarget = 0.01f;
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
// `warning` what the author may want to fix but does not stop the set.
Outcome makeSet(const Options &options, const Report &progress = {}, const Report &warning = {});

// The source axis named by --up ("z", "+y", "-x"): index 0 to 2 and sign,
// false when the text names none.
bool parseAxis(const QString &text, int *axis, int *sign);

} // namespace makeset
