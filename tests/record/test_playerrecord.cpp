// The player's record from a player's games, and every storage fault with play going on and nothing earlier lost.
#include "record/playerrecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString set = QStringLiteral("organs");
const QStringList pieces = {"Heart", "Liver", "Spleen", "Stomach", "Pancreas"};

struct Fit
{
    const char *piece;
    int misses;
    char answer = 0; // 'r' named right, 'w' named wrong, 0 no answer recorded
};

RecordedGame::Finish play(PlayerRecord &record, const QString &player, int difficulty, const QList<Fit> &fits, int ms,
                          bool won)
{
    RecordedGame game = record.startGame(player, set, "Organs of the trunk", difficulty);
    for (const Fit &f : fits) {
        game.fitted(f.piece, f.misses, f.misses > 0);
        if (f.answer)
            game.named(f.piece, f.answer == 'r' ? f.piece : "Spleen", f.answer == 'r');
    }
    return game.finish(ms, won);
}

// A record in `dir` holding one game: Ada won the organs on easy in 5 s.
QString recordOfOneGame(const QTemporaryDir &dir, const QString &name = "record.sqlite")
{
    PlayerRecord record(dir.filePath(name));
    play(record, "Ada", 1, {{"Heart", 0}, {"Liver", 2}}, 5000, true);
    return record.file();
}

// What the sqlite3 tool answers, as a teacher would ask it.
QString sqlite(const QString &file, const QString &sql)
{
    QProcess tool;
    tool.start("sqlite3", {file, sql});
    tool.waitForFinished(30000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QByteArray bytes(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// This test run again for one job of childMain().
void startChild(QProcess &child, const QStringList &job)
{
    child.start(QCoreApplication::applicationFilePath(), QStringList{"child"} + job);
    QVERIFY(child.waitForStarted(30000));
}

// What the child printed, and how it ended unless it ended well.
QStringList childLines(QProcess &child)
{
    child.waitForFinished(120000);
    QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        lines.append(QString("ended with %1").arg(child.exitCode()));
    return lines;
}

// Root writes through any file mode; while one of these lives, this thread
// is held to file modes as any player is (nothing changes for a player).
class AsAPlayer
{
public:
    AsAPlayer()
    {
        syscall(SYS_capget, &header, saved);
        __user_cap_data_struct lowered[2] = {saved[0], saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &header, lowered);
    }
    ~AsAPlayer() { syscall(SYS_capset, &header, saved); }

private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
};

} // namespace

class TestPlayerRecord : public QObject
{
    Q_OBJECT

private slots:
    void theRecordLivesInTheApplicationDataFolder()
    {
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        QCoreApplication::setOrganizationName("Vexa");
        QCoreApplication::setApplicationName("Torvane");
        QCOMPARE(PlayerRecord::defaultPath(), home.path() + "/Vexa/Torvane/record.sqlite");
    }

    void masteryWeaknessAndReviewFollowTheLastGamesOfEachPiece()
    {
        QTemporaryDir dir;
        PlayerRecord record(dir.filePath("record.sqlite"));
        play(record, "Ada", 1, {{"Heart", 0}, {"Liver", 2}, {"Spleen", 0}, {"Stomach", 1}}, 90000, true);
        play(record, "Ada", 3, {{"Heart", 0, 'r'}, {"Liver", 0, 'w'}, {"Spleen", 0, 'r'}}, 40000, false);
        play(record, "Ada", 3, {{"Heart", 0, 'r'}, {"Liver", 1, 'r'}, {"Spleen", 0}, {"Stomach", 0, 'r'}}, 70000, true);
        // A teacher reads the games with the sqlite3 tool.
        QCOMPARE(sqlite(record.file(), "select player, set_name, difficulty, play_ms, outcome, fits, misses, "
                                       "named_right from game_list"),
                 "Ada|Organs of the trunk|1|90000|won|4|3|0\n"
                 "Ada|Organs of the trunk|3|40000|abandoned|3|0|2\n"
                 "Ada|Organs of the trunk|3|70000|won|4|1|3\n");
        QCOMPARE(sqlite(record.file(), "select piece, chosen, correct from namings where game_id = 2"),
                 "Heart|Heart|1\nLiver|Spleen|0\nSpleen|Spleen|1\n");
        // Newest first, faults = misses + a name not given right, over the last three games:
        // Heart clean, clean, clean: mastered, 0/3. Liver 1+0, 0+1, 2: 4/3. Spleen 0+1 (no answer
        // on hard), clean, clean: 1/3. Stomach (not in game 2) clean, 1: 1/2. Pancreas never fitted.
        QCOMPARE(record.masteredCount("Ada", set, pieces), 1);
        QCOMPARE(record.weakestFirst("Ada", set, pieces),
                 QStringList({"Pancreas", "Liver", "Stomach", "Spleen", "Heart"}));
        QCOMPARE(record.toReview("Ada", set, pieces), QStringList({"Liver", "Stomach", "Spleen"}));

        // A fourth game, all clean: Liver 0, 1, 1 (game 1 falls out): 2/3; Stomach clean, clean:
        // mastered, 1/3, tied with Spleen (clean, 1, clean), which comes first in the set.
        const RecordedGame::Finish fourth =
            play(record, "Ada", 1, {{"Heart", 0}, {"Liver", 0}, {"Spleen", 0}, {"Stomach", 0}}, 85000, true);
        QCOMPARE(record.masteredCount("Ada", set, pieces), 2);
        QCOMPARE(record.weakestFirst("Ada", set, pieces),
                 QStringList({"Pancreas", "Liver", "Spleen", "Stomach", "Heart"}));
        QCOMPARE(record.toReview("Ada", set, pieces), QStringList({"Liver", "Spleen"}));
        QCOMPARE(record.masteredCount("Bo", set, pieces), 0);
        QCOMPARE(record.weakestFirst("Bo", set, pieces), pieces);

        // Best times by difficulty, won games only (game 2 was left at 40 s).
        QCOMPARE(fourth.previousBestMs, 90000);
        QVERIFY(fourth.newBest);
        QCOMPARE(record.bestTimeMs("Ada", set, 1), 85000);
        QCOMPARE(record.bestTimeMs("Ada", set, 3), 70000);
        QCOMPARE(record.bestTimeMs("Ada", set, 2), -1);
        QCOMPARE(record.bestTimeMs("Ada", "heart", 1), -1);
        // The empty name is a player too; a first win is a new best, an equal time is not.
        QVERIFY(play(record, "", 1, {{"Heart", 0}}, 60000, true).newBest);
        const RecordedGame::Finish again = play(record, "", 1, {{"Heart", 0}}, 60000, true);
        QCOMPARE(again.previousBestMs, 60000);
        QVERIFY(!again.newBest);
        QCOMPARE(record.bestTimeMs("Ada", set, 1), 85000);
    }

    void aDamagedFileIsMovedAsideAndANewOneStarted_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTemporaryDir dir;
        const QString file = dir.filePath("record.sqlite");
        {
            PlayerRecord record(file);
            RecordedGame game = record.startGame("Ada", set, "Organs", 1);
            for (int i = 0; i < 40; ++i) // a few pages
                game.fitted(QString(300, QChar('a' + i % 26)), i % 4, false);
        }
        const QByteArray whole = bytes(file);
        QTest::newRow("not a database") << QByteArray(5000, 'x');
        QTest::newRow("header cut short") << whole.left(50);
        QTest::newRow("cut in half") << whole.left(whole.size() / 2);
        sqlite(dir.filePath("other"), "create table notes (text)");
        QTest::newRow("another program's database") << bytes(dir.filePath("other"));
    }

    void aDamagedFileIsMovedAsideAndANewOneStarted()
    {
        QFETCH(QByteArray, contents);
        QTemporaryDir dir;
        const QString file = dir.filePath("record.sqlite");
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(contents) == contents.size());
        damaged.close();

        PlayerRecord record(file);
        QCOMPARE(record.mode(), PlayerRecord::Mode::Recording);
        const QStringList aside = QDir(dir.path()).entryList({"record.sqlite.damaged-*"});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(bytes(dir.filePath(aside[0])), contents);
        QCOMPARE(record.notices().size(), 1);
        QVERIFY(record.notices()[0].contains(aside[0]));
        QVERIFY(record.startGame("Ada", set, "Organs", 1).fitted("Heart", 0, false));
    }

    void aRecordItMayNotWriteIsReadButNeverWritten_data()
    {
        QTest::addColumn<QString>("readOnly"); // what is made read-only; none: a newer game's record
        QTest::addColumn<QString>("under");    // where the record is then looked for, under the data folder
        QTest::addColumn<PlayerRecord::Mode>("mode");
        QTest::addColumn<int>("best");
        QTest::newRow("read-only file") << "data/record.sqlite"
                                        << "record.sqlite" << PlayerRecord::Mode::ReadOnly << 5000;
        QTest::newRow("read-only folder") << "data"
                                          << "record.sqlite" << PlayerRecord::Mode::ReadOnly << 5000;
        QTest::newRow("no folder can be made") << "data"
                                               << "more/record.sqlite" << PlayerRecord::Mode::Off << -1;
        QTest::newRow("from a newer game") << ""
                                           << "record.sqlite" << PlayerRecord::Mode::Off << -1;
    }

    void aRecordItMayNotWriteIsReadButNeverWritten()
    {
        QFETCH(QString, readOnly);
        QFETCH(QString, under);
        QFETCH(PlayerRecord::Mode, mode);
        QFETCH(int, best);
        QTemporaryDir dir;
        recordOfOneGame(dir, "data/record.sqlite");
        const QString file = dir.filePath("data/" + under), locked = dir.filePath(readOnly);
        if (readOnly.isEmpty())
            sqlite(file, "pragma user_version = 2");
        const QByteArray before = bytes(file);
        const QFile::Permissions open = QFile::permissions(locked);
        if (!readOnly.isEmpty())
            QVERIFY(QFile::setPermissions(locked, open & ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup)));
        {
            AsAPlayer player;
            PlayerRecord record(file);
            QCOMPARE(record.mode(), mode);
            QCOMPARE(record.bestTimeMs("Ada", set, 1), best);
            RecordedGame game = record.startGame("Ada", set, "Organs", 1);
            QVERIFY(!game.recorded());
            QVERIFY(!game.fitted("Heart", 0, false));
            const RecordedGame::Finish finish = game.finish(4000, true);
            QCOMPARE(finish.previousBestMs, best);
            QCOMPARE(finish.newBest, best > 4000); // with no record read, nothing known to beat
            QCOMPARE(record.notices().size(), 1);
        }
        if (!readOnly.isEmpty())
            QVERIFY(QFile::setPermissions(locked, open));
        QCOMPARE(bytes(file), before);
    }

    void aFullDiskFailsTheWriteAndKeepsEverythingEarlier()
    {
        QTemporaryDir dir;
        const QString file = recordOfOneGame(dir);
        QProcess child;
        startChild(child, {"fill", file});
        const QStringList lines = childLines(child);
        QCOMPARE(lines.size(), 2); // said once, then the child's count
        QVERIFY2(lines[0].startsWith("torvane: could not write the record"), qPrintable(lines[0]));
        const QString stored = lines[1].section(' ', 0, 0);
        QVERIFY2(stored.toInt() < 5000, qPrintable(lines[1]));
        QCOMPARE(lines[1].section(' ', 1), "stored, and the next write failed too");

        PlayerRecord record(file);
        QCOMPARE(record.notices(), QStringList());
        QCOMPARE(sqlite(file, "select count(*) from fits where game_id = 2"), stored + "\n");
        QCOMPARE(sqlite(file, "select piece, misses from fits where game_id = 1"), "Heart|0\nLiver|2\n");
        QCOMPARE(record.bestTimeMs("Ada", set, 1), 5000);
        QVERIFY(record.startGame("Ada", set, "Organs", 1).fitted("Heart", 0, false));
    }

    void twoGamesWritingAtOnceLoseNothing()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("record.sqlite");
        QProcess first, second; // both make the file, too
        startChild(first, {"write", file, "Ada"});
        startChild(second, {"write", file, "Bo"});
        QCOMPARE(childLines(first), QStringList({"100 stored"}));
        QCOMPARE(childLines(second), QStringList({"100 stored"}));
        QCOMPARE(sqlite(file, "select player, fits, outcome from game_list order by player"),
                 "Ada|100|won\nBo|100|won\n");
    }

    void aGameKilledMidGameLeavesEveryFinishedGame()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("record.sqlite");
        QProcess child;
        startChild(child, {"play", file});
        QByteArray out;
        for (int i = 0; i < 100 && !out.contains("playing 3\n") && child.waitForReadyRead(30000); ++i)
            out += child.readAllStandardOutput();
        QCOMPARE(out, "finished 1\nfinished 2\nplaying 3\n");
        child.kill(); // SIGKILL, while the third game writes
        QVERIFY(child.waitForFinished(30000));

        PlayerRecord record(file);
        QCOMPARE(record.notices(), QStringList());
        QCOMPARE(sqlite(file, "select game, outcome, fits, misses from game_list where game < 3"),
                 "1|won|2|1\n2|won|2|2\n");
        QCOMPARE(sqlite(file, "select outcome, finished is null from games where id = 3"), "abandoned|1\n");
        QCOMPARE(sqlite(file, "pragma integrity_check"), "ok\n");
    }
};

// The jobs the test gives this program as a child process; each prints what
// it did, after anything the record says.
static int childMain(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString job = app.arguments().value(2);
    PlayerRecord record(app.arguments().value(3));
    if (job == "write") { // one game of 100 fits, as its own player
        RecordedGame game = record.startGame(app.arguments().value(4), set, "Organs", 1);
        int stored = 0;
        for (int i = 0; i < 100; ++i)
            stored += game.fitted(QString("Piece %1").arg(i), 0, false) ? 1 : 0;
        game.finish(1000, true);
        std::printf("%d stored\n", stored);
    } else if (job == "fill") { // the disk fills up: the file may grow no further
        RecordedGame game = record.startGame("Ada", set, "Organs", 1);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = rlim_t(QFileInfo(record.file()).size());
        setrlimit(RLIMIT_FSIZE, &limit);
        int stored = 0;
        while (stored < 5000 && game.fitted(QString("Piece %1").arg(stored), 0, false))
            ++stored;
        const bool next = game.fitted("Heart", 0, false);
        std::printf("%d stored, and the next write %s\n", stored, next ? "went through" : "failed too");
    } else if (job == "play") { // two whole games, then a third until killed
        for (int n = 1; n <= 2; ++n) {
            play(record, "Ada", 1, {{"Heart", 0}, {"Liver", n}}, 1000 * n, true);
            std::printf("finished %d\n", n);
            std::fflush(stdout);
        }
        RecordedGame game = record.startGame("Ada", set, "Organs", 1);
        std::printf("playing 3\n");
        std::fflush(stdout);
        for (int i = 0; i < 1000000; ++i)
            game.fitted("Spleen", i, false);
    }
    return 0;
}

int main(int argc, char **argv)
{
    if (argc > 3 && qstrcmp(argv[1], "child") == 0)
        return childMain(argc, argv);
    QCoreApplication app(argc, argv);
    TestPlayerRecord test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_playerrecord.moc"
