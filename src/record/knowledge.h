#pragma once

// What the record makes of a player's fits and answers on one set: which
// pieces are mastered, which are known least and which want review. Plain
// rules over the results the record reads back, stated here exactly.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One piece in one game. A game gives a piece at most one result: its first
// recorded fit (a piece fits once a game) with the first naming answer
// recorded for the same piece in the same game.
struct PieceResult
{
    int misses = 0;           // drops that did not fit before the fit
    bool namingAsked = false; // a hard game asks the name after every fit
    bool namedRight = false;  // also false when no answer was recorded

    // Fitted without a miss and, where a name was asked, named right.
    bool clean() const { return misses == 0 && (!namingAsked || namedRight); }
    // Each miss, and one more for a name asked and not given right.
    int faults() const { return misses + (namingAsked && !namedRight ? 1 : 0); }
};

// A piece's results in the games that fitted it, newest game first. Games
// count whatever their outcome: a game left before the win still showed
// what the player knew of the pieces fitted in it.
using PieceHistory = QList<PieceResult>;
using SetHistory = QHash<QString, PieceHistory>; // by piece key

namespace Knowledge {

// The difficulty (hard) that asks the name of every piece fitted.
constexpr int namingDifficulty = 3;

// How many of a piece's latest games its weakness looks at.
constexpr int recentGames = 3;

// Mastered: the piece's last two games were both clean (so a piece needs
// two games to be mastered, and one slip undoes it until two clean ones).
bool mastered(const PieceHistory &history);

// `pieces` (a set's keys in the set's order) with the least known first:
// first the pieces never fitted, then the others by faults per game over
// their last `recentGames` games, most first. Equal pieces keep the set's
// order, so a player with no record gets the set's order back.
QStringList weakestFirst(const QStringList &pieces, const SetHistory &history);

// The pieces to look at again: not mastered, and with at least one fault in
// their last `recentGames` games; in weakest-first order.
QStringList toReview(const QStringList &pieces, const SetHistory &history);

} // namespace Knowledge
