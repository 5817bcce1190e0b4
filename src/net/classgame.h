#pragma once

// The class's games as the host keeps them, without the network: one game
// engine a player, built from the host's set, that decides every fit with
// the rules of a game for one player; the standings, the most-missed pieces
// and the report are made from them.

#include "net/protocol.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QStringList>

#include <memory>
#include <vector>

class GameEngine;
class PieceRecord;
class QDomDocument;

class ClassGame
{
public:
    struct Player
    {
        QString name;
        std::unique_ptr<GameEngine> engine; // silent: the teacher hears no student's fit
        QList<PieceRecord *> order;         // the engine's pieces in the set's order
        bool connected = false;
        qint64 finishedAt = -1; // the class clock at the last fit
        int joinOrder = 0;
    };

    // `setXml` is the set file; `difficulty` decides when a hint counts.
    ClassGame(const QByteArray &setXml, int difficulty);
    ~ClassGame();

    ClassGame(const ClassGame &) = delete;
    ClassGame &operator=(const ClassGame &) = delete;

    // Nicknames compare without regard to case.
    Player *find(const QString &name) const;
    Player &add(const QString &name);
    void remove(const Player *player);
    const std::vector<std::unique_ptr<Player>> &players() const { return list; }
    // Somebody plays, and everybody has finished.
    bool allFinished() const;

    // The piece in the player's hand from now on (one held before goes
    // back); null when it is placed already.
    PieceRecord *takeInHand(Player &player, int piece);
    // A piece left in the hand goes back among the others in the set's order.
    void putBack(Player &player);
    // Decides a drop of the piece at (x, y); true when it fits. `now` is the
    // class clock, the player's time when it was the last piece.
    bool drop(Player &player, int piece, float x, float y, qint64 now);

    // Ranked: those finished by time (then misses), then the others by
    // progress (then misses); on a tie who joined first.
    QList<Standing> standings(qint64 now) const;
    // The pieces' names in the set's order (a model's file name for a piece
    // without a name).
    QStringList pieceNames() const { return names; }
    // The class's most-missed pieces, most first, only those missed at all.
    QList<QPair<QString, int>> mostMissed(int count) const;
    // The report as a spreadsheet reads it (CSV, UTF-8, one line a player).
    QByteArray reportCsv(qint64 now) const;

    // What the host says of them (docs/protocol.md): a player's "state",
    // and the "standings" or the "podium".
    QJsonObject stateMessage(const Player &player, qint64 now) const;
    QJsonObject standingsMessage(const char *type, qint64 now) const;

private:
    Standing standingOf(const Player &player, qint64 now) const;

    std::unique_ptr<QDomDocument> document;
    int difficulty = 1;
    QStringList names;
    std::vector<std::unique_ptr<Player>> list; // in join order
    int joins = 0;
};

// "mm:ss", as the game shows its time.
QString formatClassTime(qint64 ms);
