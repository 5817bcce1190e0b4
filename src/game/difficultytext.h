#pragma once

// What a difficulty gives the player, in one line for the set-up screen.

#include <QString>

#include "game/difficulty.h"

inline QString whatItGives(Difficulty difficulty)
{
    const int misses = missesBeforeHint(difficulty);
    if (!namesBeforeFit(difficulty))
        return QStringLiteral("Names only once a piece fits, then you name it; no hints");
    return QStringLiteral("Every piece named; after %1 its place is shown")
        .arg(misses == 1 ? QStringLiteral("a miss") : QStringLiteral("%1 misses").arg(misses));
}
