#pragma once

#include "game/piecerecord.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QString>

class QDomDocument;

// Puzzle set files: sets/<base>.xml, UTF-8 XML, one set each.
//
//   <set>                               the root; its tag is not examined
//     <name>The heart</name>            shown under the chooser's icon row
//     <icon>heart.png</icon>            picture, relative to "sets/"
//     <tolerance>0.04</tolerance>       optional: how close a drop must be
//     <maker>torvane-makeset</maker>    optional: the tool that made the set
//     <towards_head>-y</towards_head>   optional: where the body lies in the
//     <towards_left>-x</towards_left>   room (see below)
//     <shape> piece keys </shape>       the body the pieces are fitted into
//     <part> piece keys </part>         one puzzle piece; any number
//   </set>
//
// Reading rules, for the game and every tool alike:
//   - Only the root's direct children are read, in document order; text,
//     comments and elements of any other tag are skipped. Tags are compared
//     exactly (case-sensitive); attributes are never read; a value is the
//     element's whole text.
//   - A child given twice: the last one counts ("name", "icon", "tolerance",
//     "maker", "towards_head", "towards_left", "shape"); every "part" is a
//     piece, in document order, which is the order they come by on the
//     trough. The chooser adds every icon's width to its row but shows the
//     last.
//   - "icon" loads "sets/" + text; absent: no picture (no width in the row).
//   - "tolerance", in world units: a drop at (x, y) fits a part whose target
//     is (tx, ty) when x - t < tx < x + t and y - t < ty < y + t, strictly,
//     whatever the heights. Read as a double (so "0.1" is exactly the
//     default). Absent, not a number, not finite, zero or negative: 0.1.
//   - "towards_head" and "towards_left": the room's axis ("+x", "-x", "+y",
//     "-y", "+z" or "-z"; z is up) along which the body's head (superior)
//     and the body's own left point from its centre. A body lying on its
//     back along the trough with its head to the player's left: "-y" and
//     "-x". Absent, any other text, or both along one axis (no body lies
//     so): unknown, and the game marks neither.
//   - "maker" is not read by the game. torvane-makeset writes its own name
//     there and replaces (--force) only sets that carry it.
//   - No "shape": no ghost and a zero offset. No "part": a game without
//     pieces, never won.
//
// Piece keys (children of "part" and "shape"; a key given twice: the last
// counts; unknown children are skipped):
//   key        content                 default  meaning
//   filename   path relative to sets/  none     the MD2 model, loaded from
//                                               "sets/" + text; without it
//                                               the piece cannot load
//   name       text                    empty    what the player is told the
//                                               piece is; runs of white space
//                                               read as one space
//   name_la    text                    empty    the same piece's Latin
//                                               anatomical name ("Hepar"),
//                                               shown when the player asks
//                                               for Latin names; read like
//                                               "name", written just after it
//   rot_x/y/z  degrees                 0        turns about x, then y, then z
//                                               axes of the piece
//   pos_x/y/z  world units             0        a part's target relative to
//                                               the shape's position; the
//                                               shape's position in the room
//   scale      factor                  1        uniform; 0 also means 1
//
// Numbers are read with QString::toFloat (C locale): plain or exponent
// notation with a decimal point and an optional sign ("0.5", "-1.25e-2").
// A decimal comma, other text, "nan", "inf" and values beyond float read
// as 0. The target of a part in the room is its position plus the shape's
// (world units; meshes are 1/64 of their MD2 units).
//
// The tools write the same layout: two-space indentation, one child a
// line, numbers in their shortest form that reads back as the same float.

namespace setformat {
// The designed fit box: ±0.1 world units on x and y.
constexpr double defaultTolerance = 0.1;
inline constexpr char tolerance[] = "tolerance";
inline constexpr char maker[] = "maker";
inline constexpr char towardsHead[] = "towards_head";
inline constexpr char towardsLeft[] = "towards_left";

// A piece key's number as the game reads it: 0 for anything but a finite float.
float readNumber(const QString &text);
// The "tolerance" text as the game reads it: defaultTolerance unless a finite positive number.
double readTolerance(const QString &text);
// A direction as the set file gives it: "+x" ... "-z", surrounding white
// space dropped; empty for anything else.
QString readDirection(const QString &text);
// The shortest plain-notation text that QString::toFloat reads back as exactly `value` ("0.1", "-12.5", "0").
QString formatNumber(float value);

struct Piece
{
    QString filename; // relative to sets/; empty: the key is absent
    QString name;
    PieceRecord::Pose pose;
    QString latinName; // "name_la"
};

struct SetFile
{
    QString comment; // written at the top; not read back
    QString name;
    QString icon;
    // Read: the tolerance the game plays with. Written when not 0 (0: no key, the game uses 0.1).
    double tolerance = 0;
    QString maker;
    // Read: "+x" ... "-z", or empty when unknown (see above). Written when not empty.
    QString towardsHead;
    QString towardsLeft;
    bool hasShape = false;
    Piece shape;
    QList<Piece> parts;
};

// The set as the game reads it (the engine's pieces, the chooser's name and icon).
SetFile readSet(const QDomDocument &document);
// The set as UTF-8 XML; pos_x/y/z always, rotations and scale only when not their defaults.
QByteArray writeSet(const SetFile &set);

// Pairs (i, j), i < j, of targets that one drop point fits at this
// tolerance: both |dx| and |dy| below 2 * tolerance. Targets are in the room
// (piece position plus the shape's).
QList<QPair<int, int>> pairsOneDropFits(const QList<QPointF> &targets, double tolerance);
// The largest tolerance at which no drop point fits two of the targets:
// half the smallest Chebyshev distance between two of them; infinity for
// fewer than two targets.
double widestSeparatingTolerance(const QList<QPointF> &targets);
} // namespace setformat
