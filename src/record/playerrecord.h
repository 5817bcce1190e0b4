#pragma once

// The record of what each player knows: every game, every fit with the
// misses before it, every naming answer; kept in an SQLite file a teacher
// can read with the sqlite3 tool ("select * from game_list").
//
// Use: make one PlayerRecord for the run (the main window) and hand it to
// the screens by pointer; it opens its file once and says what went wrong
// at most once on opening and once more at the first failed write. A game
// screen calls startGame() and tells the RecordedGame it gets each fit and
// answer as it happens, then finish() at the win or when the player leaves.
//
// Play never depends on the record: whatever the file's state, writes
// return false instead of failing the game, and queries answer "nothing
// known" (-1, 0, the set's own order) when they cannot read. How fits and
// answers pair up, and what mastered and weakest mean: knowledge.h.
//   - Two games at once (two processes on one file): every write is one
//     short transaction taken with BEGIN IMMEDIATE; a busy file is waited
//     for (busyTimeoutMs) and a write tried up to writeAttempts times.
//   - A failed write (a full disk): that write is rolled back, so earlier
//     records stay whole; the first one is reported, later ones still tried.
//   - A read-only file or folder: opened for reading (ReadOnly): queries
//     answer, nothing is written; said once on opening.
//   - A record of a newer schema (PRAGMA user_version above schemaVersion):
//     closed at once and never touched, neither read nor written (Off): a
//     newer game's tables may mean something this one cannot know.
//   - A damaged or truncated file, or another SQLite database where the
//     record belongs: moved aside with its journal to
//     "<file>.damaged-<yyyyMMdd-hhmmss>" and a fresh record started.
//   - A folder that cannot be made, a file that cannot be opened: Off.
// Every message is one line on standard output, also kept in notices().
//
// Tables (schema version 1; times are UTC, ISO 8601 with milliseconds):
//   players(id, name)        the name exactly as typed on the set-up screen
//   sets(id, key, name)      key: the set's file base or id; name: as shown
//   games(id, player_id, set_id, difficulty, started, finished, play_ms,
//         outcome)           difficulty 1 easy, 2 medium, 3 hard; outcome
//                            "won" or "abandoned"; a game stands as
//                            abandoned, unfinished, until finish() says more
//   fits(id, game_id, piece, misses, hint_shown, at)
//   namings(id, game_id, piece, chosen, correct, at)
//   game_list                a view: one readable line per game
// Games are ordered by id, the order they were started in.
//
// The player's name and difficulty stay in the settings store; the record
// never writes there. GUI thread only.

#include "record/knowledge.h"

#include <QString>
#include <QStringList>

class PieceRecord;
class PlayerRecord;
class QSqlQuery;

// One game as the record keeps it. A default one records nothing; so does
// one started while the record cannot write. The record must outlive it.
class RecordedGame
{
public:
    RecordedGame() = default;

    // A piece fitted after `missesBefore` drops that missed; `hintShown`:
    // its place had been shown. True when stored.
    bool fitted(const QString &piece, int missesBefore, bool hintShown);
    // The naming answer after a fit on hard: the key of the piece whose
    // name the player chose, and whether it was the fitted piece's.
    bool named(const QString &piece, const QString &chosen, bool right);

    struct Finish
    {
        int previousBestMs = -1; // the best won time before this game; -1: none
        // Won faster than every earlier won game at this difficulty, or won
        // for the first time; an equal time is no new best.
        bool newBest = false;
    };
    // Once, at the win (won) or when the player leaves before it (not won),
    // with the play time the game showed. Answers from what the record can
    // read, even when nothing could be written; with the record Off, -1
    // and no new best.
    Finish finish(int playMs, bool won);

    // The game has a row in the record.
    bool recorded() const { return id > 0; }

private:
    friend class PlayerRecord;
    PlayerRecord *record = nullptr;
    QString player;
    QString setKey;
    int difficulty = 1;
    qint64 id = 0;
};

class PlayerRecord
{
public:
    enum class Mode { Recording, ReadOnly, Off };

    // The record at defaultPath().
    PlayerRecord();
    // The record in `file` (tests, tools); its folder is made when missing.
    explicit PlayerRecord(const QString &file);
    ~PlayerRecord();

    PlayerRecord(const PlayerRecord &) = delete;
    PlayerRecord &operator=(const PlayerRecord &) = delete;

    // "record.sqlite" in the application data folder (organization "Vexa",
    // application "Torvane": ~/.local/share/Vexa/Torvane/record.sqlite).
    static QString defaultPath();
    // How the record knows a piece: its English name, or its model file for
    // a piece without one. Pieces of one set with the same key are one.
    static QString pieceKey(const PieceRecord &piece);

    static constexpr int schemaVersion = 1;
    static constexpr int busyTimeoutMs = 2000;
    static constexpr int writeAttempts = 3;

    Mode mode() const { return state; }
    QString file() const { return path; }
    // What the record said on standard output, a line each.
    QStringList notices() const { return said; }

    // A new game of `player` on the set `setKey` (shown as `setName`).
    RecordedGame startGame(const QString &player, const QString &setKey, const QString &setName,
                           int difficulty);

    // The fastest won game of the player on the set at the difficulty, in
    // milliseconds; -1 when none was won.
    int bestTimeMs(const QString &player, const QString &setKey, int difficulty) const;
    // How many of `pieces` (the set's keys) are mastered (Knowledge::mastered).
    int masteredCount(const QString &player, const QString &setKey,
                      const QStringList &pieces) const;
    // `pieces` in the order the trough brings them for "weakest first".
    QStringList weakestFirst(const QString &player, const QString &setKey,
                             const QStringList &pieces) const;
    // The pieces to review after a game (Knowledge::toReview).
    QStringList toReview(const QString &player, const QString &setKey,
                         const QStringList &pieces) const;

    // Every piece's results on the set (Knowledge), newest game first.
    SetHistory history(const QString &player, const QString &setKey) const;

private:
    friend class RecordedGame;
    enum class Check { Fine, ReadOnly, Newer, Damaged, Busy, Unopenable };

    void open();
    Check connectAndCheck();
    Check inspect(QSqlQuery &query);
    Check prepareForWriting();
    bool moveAside(QString *aside) const;
    void close();
    void say(const QString &line);
    template<typename Body>
    bool write(Body body);
    // As bestTimeMs, leaving out the game `except`.
    int bestTime(const QString &player, const QString &setKey, int difficulty, qint64 except) const;

    QString path;
    QString connection; // the name of this record's Qt SQL connection
    Mode state = Mode::Off;
    bool writeFailureSaid = false;
    QString problem; // SQLite's word for what went wrong on opening
    QStringList said;
};
