#pragma once

// How much a game helps the player. The set-up screen stores it as the
// number 1, 2 or 3 ("difficulty" in the player's settings); a store written
// by hand or by an older game may hold any other number, and the two places
// that read it give such a number different meanings, both kept here.

#include <QString>

enum class Difficulty { Easy = 1, Medium = 2, Hard = 3 };

// The stored number as a game plays it: 1 easy, 2 medium, anything else hard
// (the title says so, and nothing is given away).
constexpr Difficulty playedDifficulty(int stored)
{
    return stored == 1 ? Difficulty::Easy : stored == 2 ? Difficulty::Medium : Difficulty::Hard;
}

// The stored number as the set-up screen offers it: 2 medium, 3 hard,
// anything else easy (which the screen then stores in its place).
constexpr Difficulty offeredDifficulty(int stored)
{
    return stored == 2 ? Difficulty::Medium : stored == 3 ? Difficulty::Hard : Difficulty::Easy;
}

constexpr int storedValue(Difficulty difficulty)
{
    return int(difficulty);
}

// Put before the player's name on the game screen; each ends in a space.
inline QString titleOf(Difficulty difficulty)
{
    switch (difficulty) {
    case Difficulty::Easy:
        return QStringLiteral("B.sc.Inf ");
    case Difficulty::Medium:
        return QStringLiteral("Dr. med. ");
    case Difficulty::Hard:
        break;
    }
    return QStringLiteral("Prof. Dr. med. ");
}

// Easy and medium name the pieces from the start, hard only once they fit.
constexpr bool namesBeforeFit(Difficulty difficulty)
{
    return difficulty != Difficulty::Hard;
}

// Misses with one piece before its place is shown; 0 for never. The fit
// rule itself is the same at every level.
constexpr int missesBeforeHint(Difficulty difficulty)
{
    return difficulty == Difficulty::Easy ? 1 : difficulty == Difficulty::Medium ? 3 : 0;
}
