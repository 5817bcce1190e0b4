#pragma once

// A miss that teaches: where a drop that did not fit landed. A drop on the
// place of another piece says whose place it is; one on no piece's place says
// so. Pure functions over the engine, so the rule is tested without a view.

#include <QString>

#include "game/difficulty.h"

class GameEngine;
class PieceRecord;

namespace missplace {

// The piece, other than the held one, whose place a drop at (x, y) fits by the
// engine's own rule and tolerance, placed or not; the nearest when several
// do. Pieces without a name are no piece's place. Null for none.
const PieceRecord *placeDroppedOn(const GameEngine &engine, float x, float y);

// What the caption says: "That is where the spleen goes" on Easy and Medium
// for a drop on another piece's place, "Not here" otherwise.
QString missText(const PieceRecord *placeOf, Difficulty difficulty);

// A name as it reads inside a sentence: "Spleen" becomes "spleen", while a
// first word in capitals or with capitals inside ("ECG", "L4", "MCP joint")
// stays as it is.
QString nameInSentence(const QString &name);

} // namespace missplace
