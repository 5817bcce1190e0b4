#include "record/knowledge.h"

#include <algorithm>

namespace {

// Faults over games in a piece's recent games; games 0 for a piece never
// fitted.
struct Weakness
{
    int faults = 0;
    int games = 0;
};

Weakness weakness(const PieceHistory &history)
{
    Weakness w;
    for (const PieceResult &r : history.mid(0, Knowledge::recentGames)) {
        w.faults += r.faults();
        ++w.games;
    }
    return w;
}

// Unknown before known; then the larger faults/games, compared without
// division so that 1/3 and 2/6 tie exactly.
bool weaker(const Weakness &a, const Weakness &b)
{
    if ((a.games == 0) != (b.games == 0))
        return a.games == 0;
    return qint64(a.faults) * b.games > qint64(b.faults) * a.games;
}

} // namespace

bool Knowledge::mastered(const PieceHistory &history)
{
    return history.size() >= 2 && history[0].clean() && history[1].clean();
}

QStringList Knowledge::weakestFirst(const QStringList &pieces, const SetHistory &history)
{
    QList<std::pair<QString, Weakness>> ranked;
    for (const QString &piece : pieces)
        ranked.append({piece, weakness(history.value(piece))});
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto &a, const auto &b) { return weaker(a.second, b.second); });
    QStringList order;
    for (const auto &entry : ranked)
        order.append(entry.first);
    return order;
}

QStringList Knowledge::toReview(const QStringList &pieces, const SetHistory &history)
{
    QStringList review;
    for (const QString &piece : weakestFirst(pieces, history)) {
        const PieceHistory h = history.value(piece);
        if (!mastered(h) && weakness(h).faults > 0)
            review.append(piece);
    }
    return review;
}
