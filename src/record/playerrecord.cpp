#include "record/playerrecord.h"

#include "game/piecerecord.h"
#include "record/recordsql.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <cstdio>

using recordsql::text;

namespace {

// SQLite's primary result codes; the driver may hand over extended ones,
// which keep the primary code in their low byte.
enum SqliteCode { Busy = 5, Locked = 6, Corrupt = 11, NotADatabase = 26 };

int sqliteCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : -1;
}

bool isBusy(const QSqlError &error)
{
    const int code = sqliteCode(error);
    return code == Busy || code == Locked;
}

bool isDamage(const QSqlError &error)
{
    const int code = sqliteCode(error);
    return code == Corrupt || code == NotADatabase;
}

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

const char *const schema[] = {
    "CREATE TABLE players (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)",
    "CREATE TABLE sets (id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE, name TEXT NOT NULL)",
    "CREATE TABLE games (id INTEGER PRIMARY KEY, player_id INTEGER NOT NULL REFERENCES players,"
    " set_id INTEGER NOT NULL REFERENCES sets, difficulty INTEGER NOT NULL, started TEXT NOT NULL,"
    " finished TEXT, play_ms INTEGER, outcome TEXT NOT NULL DEFAULT 'abandoned')",
    "CREATE INDEX games_by_player_set ON games (player_id, set_id)",
    "CREATE TABLE fits (id INTEGER PRIMARY KEY, game_id INTEGER NOT NULL REFERENCES games,"
    " piece TEXT NOT NULL, misses INTEGER NOT NULL, hint_shown INTEGER NOT NULL, at TEXT NOT NULL)",
    "CREATE INDEX fits_by_game ON fits (game_id)",
    "CREATE TABLE namings (id INTEGER PRIMARY KEY, game_id INTEGER NOT NULL REFERENCES games,"
    " piece TEXT NOT NULL, chosen TEXT NOT NULL, correct INTEGER NOT NULL, at TEXT NOT NULL)",
    "CREATE INDEX namings_by_game ON namings (game_id)",
    "CREATE VIEW game_list AS SELECT g.id AS game, p.name AS player, s.name AS set_name, "
    "g.difficulty,"
    " g.started, g.play_ms, g.outcome, (SELECT count(*) FROM fits f WHERE f.game_id = g.id) AS "
    "fits,"
    " (SELECT coalesce(sum(f.misses), 0) FROM fits f WHERE f.game_id = g.id) AS misses,"
    " (SELECT count(*) FROM namings n WHERE n.game_id = g.id AND n.correct) AS named_right"
    " FROM games g JOIN players p ON p.id = g.player_id JOIN sets s ON s.id = g.set_id",
};

} // namespace

PlayerRecord::PlayerRecord()
    : PlayerRecord(defaultPath())
{
}

PlayerRecord::PlayerRecord(const QString &file)
    : path(file)
{
    static int opened = 0;
    connection = QStringLiteral("torvane-record-%1").arg(++opened);
    open();
}

PlayerRecord::~PlayerRecord()
{
    close();
}

QString PlayerRecord::defaultPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/record.sqlite");
}

QString PlayerRecord::pieceKey(const PieceRecord &piece)
{
    return piece.name.isEmpty() ? piece.fileName : piece.name;
}

void PlayerRecord::open()
{
    if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath())) {
        say(QStringLiteral("torvane: no folder for the record %1; games are not recorded")
                .arg(path));
        return;
    }
    Check check = connectAndCheck();
    // Another game writing without a pause can hold the file longer than
    // one wait.
    for (int attempt = 1; check == Check::Busy && attempt < writeAttempts; ++attempt) {
        close();
        check = connectAndCheck();
    }
    if (check == Check::Damaged) {
        close();
        QString aside;
        if (!moveAside(&aside)) {
            say(QStringLiteral(
                    "torvane: the record %1 is damaged and cannot be moved aside; games are not "
                    "recorded")
                    .arg(path));
            return;
        }
        say(QStringLiteral(
                "torvane: the record %1 was damaged (%2); it is kept as %3 and a new one started")
                .arg(path, problem, aside));
        check = connectAndCheck();
    }
    switch (check) {
    case Check::Fine:
        state = Mode::Recording;
        break;
    case Check::ReadOnly:
        state = Mode::ReadOnly;
        say(QStringLiteral("torvane: the record %1 cannot be written (%2); games are not recorded")
                .arg(path, problem));
        break;
    case Check::Newer:
        close();
        say(QStringLiteral(
                "torvane: the record %1 comes from a newer Torvane and is left as it is; games "
                "are not recorded")
                .arg(path));
        break;
    case Check::Damaged: // a fresh file damaged at once: nothing more to try
    case Check::Busy:
    case Check::Unopenable:
        close();
        say(QStringLiteral("torvane: the record %1 cannot be opened (%2); games are not recorded")
                .arg(path, problem));
        break;
    }
}

PlayerRecord::Check PlayerRecord::connectAndCheck()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!db.open()) {
        problem = db.lastError().text();
        return Check::Unopenable;
    }
    QSqlQuery q(db);
    q.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    q.exec(QStringLiteral("PRAGMA synchronous = FULL"));
    const Check check = inspect(q);
    q.finish();
    q.exec(QStringLiteral("ROLLBACK"));
    return check == Check::Fine ? prepareForWriting() : check;
}

// Every look in one read transaction, so that all see the file at one
// moment: another game may be making the tables meanwhile.
PlayerRecord::Check PlayerRecord::inspect(QSqlQuery &q)
{
    const auto failed = [&] {
        problem = q.lastError().text();
        if (isDamage(q.lastError()))
            return Check::Damaged;
        return isBusy(q.lastError()) ? Check::Busy : Check::Unopenable;
    };
    // The first read also plays back the journal of a game killed mid-write.
    if (!q.exec(QStringLiteral("BEGIN")) || !q.exec(QStringLiteral("PRAGMA user_version"))
        || !q.next())
        return failed();
    const int version = q.value(0).toInt();
    if (version > schemaVersion)
        return Check::Newer;
    if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next())
        return failed();
    if (q.value(0).toString() != QLatin1String("ok")) {
        problem = q.value(0).toString();
        return Check::Damaged;
    }
    // An empty file is a new record; tables without our version are some
    // other program's database, which is not ours to write into.
    if (version == 0) {
        if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !q.next())
            return failed();
        if (q.value(0).toInt() != 0) {
            problem = QStringLiteral("not a Torvane record");
            return Check::Damaged;
        }
    }
    return Check::Fine;
}

PlayerRecord::Check PlayerRecord::prepareForWriting()
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        problem = q.lastError().text();
        // A file another game keeps busy is still a file to write to.
        return isBusy(q.lastError()) ? Check::Fine : Check::ReadOnly;
    }
    // Read again under the lock: another game may have made the tables.
    bool ok = q.exec(QStringLiteral("PRAGMA user_version")) && q.next();
    const int version = ok ? q.value(0).toInt() : 0;
    q.finish();
    Check check = Check::ReadOnly;
    if (ok && version > schemaVersion) {
        check = Check::Newer;
    } else if (ok && version == 0) {
        for (const char *statement : schema)
            ok = ok && q.exec(QLatin1String(statement));
        ok = ok && q.exec(QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion))
             && q.exec(QStringLiteral("COMMIT"));
        if (ok)
            return Check::Fine;
    } else if (ok) {
        // Writing the version it has, then rolling it back, changes nothing
        // but needs the file and its journal written: a read-only file or
        // folder shows now, not at the first fit.
        ok = q.exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
        if (ok)
            check = Check::Fine;
    }
    if (!ok)
        problem = q.lastError().text();
    q.exec(QStringLiteral("ROLLBACK"));
    return check;
}

bool PlayerRecord::moveAside(QString *aside) const
{
    const QString base = path + QStringLiteral(".damaged-")
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name) && n < 100; ++n)
        name = base + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(path, name))
        return false;
    // A journal beside a fresh file would be played back into it.
    for (const char *suffix : {"-journal", "-wal", "-shm"}) {
        if (QFileInfo::exists(path + QLatin1String(suffix)))
            QFile::rename(path + QLatin1String(suffix), name + QLatin1String(suffix));
    }
    *aside = name;
    return true;
}

void PlayerRecord::close()
{
    if (!QSqlDatabase::contains(connection))
        return;
    QSqlDatabase::database(connection, false).close();
    QSqlDatabase::removeDatabase(connection);
}

void PlayerRecord::say(const QString &line)
{
    QString flat = line;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    said.append(flat);
    std::fputs(qPrintable(flat + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// One transaction: `body` runs its statements on the query it is given and
// says whether they all succeeded; anything less is rolled back.
template<typename Body>
bool PlayerRecord::write(Body body)
{
    if (state != Mode::Recording)
        return false;
    QSqlError error;
    for (int attempt = 0; attempt < writeAttempts; ++attempt) {
        QSqlQuery q(QSqlDatabase::database(connection, false));
        if (q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            if (body(q) && q.exec(QStringLiteral("COMMIT")))
                return true;
            error = q.lastError();
            q.exec(QStringLiteral("ROLLBACK"));
        } else {
            error = q.lastError();
        }
        if (!isBusy(error))
            break;
    }
    if (!writeFailureSaid) {
        writeFailureSaid = true;
        say(QStringLiteral("torvane: could not write the record %1 (%2); the game goes on")
                .arg(path, error.text()));
    }
    return false;
}

RecordedGame PlayerRecord::startGame(const QString &player, const QString &setKey,
                                     const QString &setName, int difficulty)
{
    RecordedGame game;
    game.record = this;
    game.player = text(player);
    game.setKey = text(setKey);
    game.difficulty = difficulty;
    const bool stored = write([&](QSqlQuery &q) {
        q.prepare(
            QStringLiteral("INSERT INTO players (name) VALUES (?) ON CONFLICT (name) DO NOTHING"));
        q.addBindValue(game.player);
        if (!q.exec())
            return false;
        q.prepare(QStringLiteral("INSERT INTO sets (key, name) VALUES (?, ?) "
                                 "ON CONFLICT (key) DO UPDATE SET name = excluded.name"));
        q.addBindValue(game.setKey);
        q.addBindValue(text(setName));
        if (!q.exec())
            return false;
        q.prepare(QStringLiteral("INSERT INTO games (player_id, set_id, difficulty, started) "
                                 "SELECT p.id, s.id, ?, ? FROM players p, sets s "
                                 "WHERE p.name = ? AND s.key = ?"));
        q.addBindValue(difficulty);
        q.addBindValue(now());
        q.addBindValue(game.player);
        q.addBindValue(game.setKey);
        if (!q.exec())
            return false;
        game.id = q.lastInsertId().toLongLong();
        return game.id > 0;
    });
    if (!stored)
        game.id = 0;
    return game;
}

bool RecordedGame::fitted(const QString &piece, int missesBefore, bool hintShown)
{
    return recorded() && record->write([&](QSqlQuery &q) {
        q.prepare(QStringLiteral("INSERT INTO fits (game_id, piece, misses, hint_shown, at) "
                                 "VALUES (?, ?, ?, ?, ?)"));
        q.addBindValue(id);
        q.addBindValue(text(piece));
        q.addBindValue(missesBefore);
        q.addBindValue(hintShown ? 1 : 0);
        q.addBindValue(now());
        return q.exec();
    });
}

bool RecordedGame::named(const QString &piece, const QString &chosen, bool right)
{
    return recorded() && record->write([&](QSqlQuery &q) {
        q.prepare(QStringLiteral("INSERT INTO namings (game_id, piece, chosen, correct, at) "
                                 "VALUES (?, ?, ?, ?, ?)"));
        q.addBindValue(id);
        q.addBindValue(text(piece));
        q.addBindValue(text(chosen));
        q.addBindValue(right ? 1 : 0);
        q.addBindValue(now());
        return q.exec();
    });
}

RecordedGame::Finish RecordedGame::finish(int playMs, bool won)
{
    Finish result;
    if (!record || record->mode() == PlayerRecord::Mode::Off)
        return result; // nothing known, so no best to beat
    result.previousBestMs = record->bestTime(player, setKey, difficulty, id);
    result.newBest = won && (result.previousBestMs < 0 || playMs < result.previousBestMs);
    if (recorded()) {
        record->write([&](QSqlQuery &q) {
            q.prepare(QStringLiteral(
                "UPDATE games SET finished = ?, play_ms = ?, outcome = ? WHERE id = ?"));
            q.addBindValue(now());
            q.addBindValue(playMs);
            q.addBindValue(won ? QStringLiteral("won") : QStringLiteral("abandoned"));
            q.addBindValue(id);
            return q.exec();
        });
    }
    return result;
}
