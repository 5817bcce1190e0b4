#pragma once

// What the record's writing and its reading back share about its tables.

#include <QString>

namespace recordsql {

// Qt binds a null string as NULL; the empty name is a name like any other.
inline QString text(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

// The rows of one player's games on one set, for "FROM <table> x".
inline constexpr char ofPlayerAndSet[] =
    " JOIN games g ON g.id = x.game_id JOIN players p ON p.id = g.player_id"
    " JOIN sets s ON s.id = g.set_id WHERE p.name = ? AND s.key = ?";

} // namespace recordsql
