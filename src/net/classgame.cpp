#include "net/classgame.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "game/xmlfile.h"
#include "game/difficulty.h"

#include <QDomDocument>
#include <QFileInfo>
#include <QJsonArray>

#include <algorithm>

namespace {

// A spreadsheet field: quoted when it must be, and never taken for a formula
// (a nickname such as "=HYPERLINK(...)" stays text).
QString csvField(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
        || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))
        || text.startsWith(QLatin1Char('\'')))
        text = QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\""))
               + QLatin1Char('"');
    return text;
}

QJsonArray toArray(const QList<int> &values)
{
    QJsonArray array;
    for (int v : values)
        array.append(v);
    return array;
}

} // namespace

ClassGame::ClassGame(const QByteArray &setXml, int difficulty)
    : document(std::make_unique<QDomDocument>(QStringLiteral("set")))
    , difficulty(difficulty)
{
    if (!nestsTooDeep(setXml))
        document->setContent(setXml);
    const GameEngine engine(document.get());
    for (const PieceRecord *record : std::as_const(engine.remaining))
        names << (record->name.isEmpty() ? QFileInfo(record->fileName).completeBaseName()
                                         : record->name);
}

ClassGame::~ClassGame() = default;

ClassGame::Player *ClassGame::find(const QString &name) const
{
    for (const auto &p : list)
        if (p->name.compare(name, Qt::CaseInsensitive) == 0)
            return p.get();
    return nullptr;
}

ClassGame::Player &ClassGame::add(const QString &name)
{
    auto player = std::make_unique<Player>();
    player->name = name;
    player->engine = std::make_unique<GameEngine>(document.get());
    player->engine->silent = true;
    player->order = player->engine->remaining;
    player->joinOrder = joins++;
    list.push_back(std::move(player));
    return *list.back();
}

void ClassGame::remove(const Player *player)
{
    list.erase(std::remove_if(list.begin(), list.end(),
                              [player](const auto &p) { return p.get() == player; }),
               list.end());
}

bool ClassGame::allFinished() const
{
    return !list.empty() && std::all_of(list.begin(), list.end(), [](const auto &p) {
        return p->engine->gameWon;
    });
}

PieceRecord *ClassGame::takeInHand(Player &p, int piece)
{
    PieceRecord *record = p.order.at(piece);
    GameEngine &engine = *p.engine;
    if (engine.current == record)
        return record;
    if (!engine.remaining.contains(record))
        return nullptr;
    putBack(p);
    engine.takePiece(int(engine.remaining.indexOf(record)));
    return record;
}

void ClassGame::putBack(Player &p)
{
    GameEngine &engine = *p.engine;
    if (!engine.current)
        return;
    const qsizetype at = p.order.indexOf(engine.current);
    qsizetype position = 0;
    while (position < engine.remaining.size()
           && p.order.indexOf(engine.remaining.at(position)) < at)
        ++position;
    engine.remaining.insert(position, engine.current);
    engine.current = nullptr;
}

bool ClassGame::drop(Player &p, int piece, float x, float y, qint64 now)
{
    if (!takeInHand(p, piece))
        return false;
    // The engine's own fit test: the same rule as a game for one player.
    p.engine->tryFit(x, y);
    if (p.engine->gameWon && p.finishedAt < 0)
        p.finishedAt = now;
    return !p.engine->current;
}

Standing ClassGame::standingOf(const Player &p, qint64 now) const
{
    const int hintAfter = missesBeforeHint(playedDifficulty(difficulty));
    Standing s;
    s.name = p.name;
    s.connected = p.connected;
    s.finished = p.engine->gameWon;
    s.progress = p.engine->progress();
    s.misses = p.engine->missCount();
    s.timeMs = p.finishedAt >= 0 ? p.finishedAt : now;
    for (const PieceRecord *record : p.order) {
        const int n = p.engine->misses.value(record);
        s.pieceMisses << n;
        s.hints += hintAfter > 0 && n >= hintAfter;
    }
    return s;
}

QList<Standing> ClassGame::standings(qint64 now) const
{
    QList<std::pair<Standing, int>> ranked;
    for (const auto &p : list)
        ranked.append({standingOf(*p, now), p->joinOrder});
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto &a, const auto &b) {
        const Standing &s = a.first, &t = b.first;
        if (s.finished != t.finished)
            return s.finished;
        if (s.finished && s.timeMs != t.timeMs)
            return s.timeMs < t.timeMs;
        if (!s.finished && s.progress != t.progress)
            return s.progress > t.progress;
        if (s.misses != t.misses)
            return s.misses < t.misses;
        return a.second < b.second;
    });
    QList<Standing> result;
    for (auto &[s, order] : ranked) {
        s.place = int(result.size()) + 1;
        result << s;
    }
    return result;
}

QList<QPair<QString, int>> ClassGame::mostMissed(int count) const
{
    QList<QPair<QString, int>> totals;
    for (qsizetype i = 0; i < names.size(); ++i) {
        int sum = 0;
        for (const auto &p : list)
            sum += p->engine->misses.value(p->order.value(i));
        if (sum > 0)
            totals.append({names.at(i), sum});
    }
    std::stable_sort(totals.begin(), totals.end(),
                     [](const auto &a, const auto &b) { return a.second > b.second; });
    return totals.mid(0, count);
}

QByteArray ClassGame::reportCsv(qint64 now) const
{
    QStringList header{"Place",   "Player",   "Finished", "Time",
                       "Seconds", "Progress", "Misses",   "Hints"};
    for (const QString &piece : names)
        header << csvField(piece + QStringLiteral(" misses"));
    QString csv = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const Standing &s : standings(now)) {
        QStringList row{QString::number(s.place),
                        csvField(s.name),
                        s.finished ? "yes" : "no",
                        s.finished ? formatClassTime(s.timeMs) : QString(),
                        s.finished ? QString::number(s.timeMs / 1000.0, 'f', 1) : QString(),
                        QString::number(s.progress),
                        QString::number(s.misses),
                        QString::number(s.hints)};
        for (int n : std::as_const(s.pieceMisses))
            row << QString::number(n);
        csv += row.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    // The mark lets a spreadsheet read the names as UTF-8.
    return "\xEF\xBB\xBF" + csv.toUtf8();
}

QJsonObject ClassGame::stateMessage(const Player &p, qint64 now) const
{
    QList<int> placed, misses;
    for (const PieceRecord *record : std::as_const(p.engine->placed))
        placed << int(p.order.indexOf(record));
    for (const PieceRecord *record : p.order)
        misses << p.engine->misses.value(record);
    return {{"type", "state"},
            {"placed", toArray(placed)},
            {"misses", toArray(misses)},
            {"progress", p.engine->progress()},
            {"time", now},
            {"finished", p.engine->gameWon},
            {"finishTime", p.finishedAt}};
}

QJsonObject ClassGame::standingsMessage(const char *type, qint64 now) const
{
    QJsonArray players;
    for (const Standing &s : standings(now))
        players.append(QJsonObject{{"place", s.place},
                                   {"name", s.name},
                                   {"progress", s.progress},
                                   {"misses", s.misses},
                                   {"time", s.timeMs},
                                   {"finished", s.finished},
                                   {"connected", s.connected}});
    return {{"type", QLatin1String(type)}, {"time", now}, {"players", players}};
}

QString formatClassTime(qint64 ms)
{
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2").arg(ms / 60000, 2, 10, zero).arg(ms / 1000 % 60, 2, 10, zero);
}
