// What the record says back about a player and a set: the best time, the
// games played, the pieces mastered, the order weakest first and what to
// review.
#include "record/playerrecord.h"

#include "record/recordsql.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using recordsql::ofPlayerAndSet;
using recordsql::text;

int PlayerRecord::bestTimeMs(const QString &player, const QString &setKey, int difficulty) const
{
    return bestTime(player, setKey, difficulty, 0);
}

int PlayerRecord::bestTime(const QString &player, const QString &setKey, int difficulty,
                           qint64 except) const
{
    if (state == Mode::Off)
        return -1;
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare(
        QStringLiteral("SELECT min(g.play_ms) FROM games g JOIN players p ON p.id = g.player_id "
                       "JOIN sets s ON s.id = g.set_id WHERE p.name = ? AND s.key = ? "
                       "AND g.difficulty = ? AND g.outcome = 'won' AND g.id <> ?"));
    q.addBindValue(text(player));
    q.addBindValue(text(setKey));
    q.addBindValue(difficulty);
    q.addBindValue(except);
    if (!q.exec() || !q.next() || q.value(0).isNull())
        return -1;
    return q.value(0).toInt();
}

SetHistory PlayerRecord::history(const QString &player, const QString &setKey) const
{
    SetHistory result;
    if (state == Mode::Off)
        return result;
    using GamePiece = std::pair<qint64, QString>;
    QHash<GamePiece, bool> answers; // the first answer of each piece in each game
    QSqlQuery q(QSqlDatabase::database(connection, false));
    q.prepare(QStringLiteral("SELECT x.game_id, x.piece, x.correct FROM namings x")
              + QLatin1String(ofPlayerAndSet) + QStringLiteral(" ORDER BY x.id"));
    q.addBindValue(text(player));
    q.addBindValue(text(setKey));
    if (q.exec()) {
        while (q.next()) {
            const GamePiece key{q.value(0).toLongLong(), q.value(1).toString()};
            if (!answers.contains(key))
                answers.insert(key, q.value(2).toBool());
        }
    }
    q.prepare(QStringLiteral("SELECT x.game_id, x.piece, x.misses, g.difficulty FROM fits x")
              + QLatin1String(ofPlayerAndSet) + QStringLiteral(" ORDER BY x.game_id DESC, x.id"));
    q.addBindValue(text(player));
    q.addBindValue(text(setKey));
    QSet<GamePiece> seen;
    if (q.exec()) {
        while (q.next()) {
            const GamePiece key{q.value(0).toLongLong(), q.value(1).toString()};
            if (seen.contains(key))
                continue;
            seen.insert(key);
            PieceResult r;
            r.misses = q.value(2).toInt();
            r.namingAsked = q.value(3).toInt() == Knowledge::namingDifficulty;
            r.namedRight = answers.value(key, false);
            result[key.second].append(r);
        }
    }
    return result;
}

int PlayerRecord::masteredCount(const QString &player, const QString &setKey,
                                const QStringList &pieces) const
{
    const SetHistory h = history(player, setKey);
    int count = 0;
    for (const QString &piece : pieces)
        count += Knowledge::mastered(h.value(piece)) ? 1 : 0;
    return count;
}

QStringList PlayerRecord::weakestFirst(const QString &player, const QString &setKey,
                                       const QStringList &pieces) const
{
    return Knowledge::weakestFirst(pieces, history(player, setKey));
}

QStringList PlayerRecord::toReview(const QString &player, const QString &setKey,
                                   const QStringList &pieces) const
{
    return Knowledge::toReview(pieces, history(player, setKey));
}
