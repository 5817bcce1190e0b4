// The host with real students on loopback: podium, report, late joins, hostile clients, forty players.
#include "testing/classroom.h"
#include "testing/fakeaudiobackend.h"

#include <QJsonDocument>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

namespace {

QStringList names(const QList<Standing> &list)
{
    QStringList out;
    for (const Standing &s : list)
        out << s.name;
    return out;
}

bool allIn(const std::initializer_list<Student *> &students, ClassClient::Phase phase)
{
    return QTest::qWaitFor(
        [&] {
            return std::all_of(students.begin(), students.end(),
                               [&](Student *s) { return s->client.phase() == phase; });
        },
        5000);
}

} // namespace

class TestClassHost : public QObject
{
    Q_OBJECT

private slots:
    void classOfThreePlaysToThePodiumAndTheReportSaysWhatEachDid()
    {
        FakeSoundScope sound; // the teacher's machine must stay quiet
        Classroom room(1);    // easy: a piece's place is shown after one miss
        Student ann(room, "Ann"), ben(room, "Ben"), cy(room, "Cy");
        QVERIFY(ann.ready() && ben.ready() && cy.ready());
        QTRY_COMPARE(ann.client.lobby(), QStringList({"Ann", "Ben", "Cy"}));
        room.host->start();
        QVERIFY(allIn({&ann, &ben, &cy}, ClassClient::Phase::Playing));
        // Ben misses Bone twice, 0.15 either side (outside a tenth), then fits it 0.05 off, and finishes first.
        for (auto [piece, dx] : {std::pair(0, 0.0f), {1, 0.15f}, {1, -0.15f}, {1, 0.05f}, {2, 0.0f}})
            QVERIFY(ben.drop(piece, dx));
        QCOMPARE(ben.verdicts, (QList<std::pair<int, bool>>{{0, true}, {1, false}, {1, false}, {1, true}, {2, true}}));
        QTest::qWait(20);
        for (int piece : {2, 0, 1}) // any order
            QVERIFY(ann.drop(piece));
        QVERIFY(cy.drop(0, 0.15f) && cy.drop(0) && cy.drop(2)); // stops at two of three
        const QList<Standing> standings = room.host->standings();
        QCOMPARE(names(standings), QStringList({"Ben", "Ann", "Cy"})); // by time, misses or not; the unfinished last
        QCOMPARE(QList<int>({standings[0].progress, standings[1].progress, standings[2].progress}),
                 QList<int>({100, 100, 66}));
        QVERIFY(standings[0].timeMs < standings[1].timeMs);
        QCOMPARE(room.host->mostMissed(3), (QList<QPair<QString, int>>{{"Bone", 2}, {"Aorta", 1}}));
        QCOMPARE(room.host->phase(), ClassHost::Phase::Playing); // Cy has not finished
        room.host->end();
        QVERIFY(allIn({&ann, &ben, &cy}, ClassClient::Phase::Finished));
        QCOMPARE(names(cy.client.standings()), QStringList({"Ben", "Ann", "Cy"}));

        const QByteArray csv = room.host->reportCsv();
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        const QList<QByteArray> lines = csv.mid(3).split('\n');
        QCOMPARE(lines[0],
                 "Place,Player,Finished,Time,Seconds,Progress,Misses,Hints,Aorta misses,Bone misses,Colon misses\r");
        // Time and seconds stand between the finish flag and the progress: "00:00" to "00:09" and "0.0" to "9.9".
        const QRegularExpression row("^(\\d,\\w+,\\w+),(\\d\\d:\\d\\d)?,(\\d+\\.\\d)?,(.*)\r$");
        QStringList rows;
        for (const QByteArray &line : lines.mid(1, 3)) {
            const auto m = row.match(QString::fromUtf8(line));
            QVERIFY2(m.hasMatch(), line);
            rows << m.captured(1) + " " + m.captured(4);
        }
        QCOMPARE(rows, QStringList({"1,Ben,yes 100,2,1,0,2,0", "2,Ann,yes 100,0,0,0,0,0", "3,Cy,no 66,1,1,1,0,0"}));
        QCOMPARE(lines.size(), 5); // three players and the end of the last line
        QVERIFY(sound.playedEffects().isEmpty());
    }

    void lateAndReturningPlayersGetTheirGamesAsTheyStand()
    {
        Classroom room(2); // medium: hints after three misses
        auto ann = std::make_unique<Student>(room, "Ann");
        room.host->start();
        QVERIFY(allIn({ann.get()}, ClassClient::Phase::Playing));
        QVERIFY(ann->drop(0) && ann->drop(1, 0.15f));
        QTest::qWait(300);
        Student late(room, "=Late()"); // joins on the class clock, with a game of its own
        QVERIFY(late.ready() && late.client.phase() == ClassClient::Phase::Playing);
        QVERIFY(late.client.clock() >= 300);
        QVERIFY(late.client.state().placed.isEmpty());
        ann.reset();                                             // the machine is gone; the game is kept
        QTRY_VERIFY(!room.host->standings().value(0).connected); // Ann, a piece ahead of the newcomer
        QCOMPARE(room.host->playerCount(), 2);
        Student again(room, " ann "); // the same nickname, any case, brings it back
        QVERIFY(again.ready());
        QCOMPARE(again.client.name(), QStringLiteral("Ann"));
        QCOMPARE(again.client.state().placed, QList<int>({0}));
        QCOMPARE(again.client.state().misses, QList<int>({0, 1, 0}));
        Student twin(room, "ANN"); // while Ann plays, nobody else is Ann
        QVERIFY(twin.failure.contains("already"));
        QVERIFY(again.drop(1) && again.drop(2) && late.drop(0) && late.drop(1));
        QCOMPARE(room.host->phase(), ClassHost::Phase::Playing);
        QVERIFY(late.drop(2)); // the last one to finish ends the game for all
        QVERIFY(allIn({&again, &late}, ClassClient::Phase::Finished));
        QCOMPARE(names(late.client.standings()), QStringList({"Ann", "=Late()"}));
        Student newcomer(room, "Zed"); // too late for a game that is over
        QVERIFY(newcomer.failure.contains("over"));
        // A name a spreadsheet would take for a formula stays text.
        QVERIFY(room.host->reportCsv().contains("\r\n2,\"'=Late()\",yes,"));
    }

    void hostileConnectionsAreDroppedAndChangeNothingForTheClass()
    {
        Classroom room;
        Student ann(room, "Ann");
        room.host->start();
        QVERIFY(allIn({&ann}, ClassClient::Phase::Playing));
        const auto hello = [](const char *version, const char *code, const char *name) {
            return QStringLiteral("{\"type\":\"hello\",\"version\":%1,\"code\":\"%2\",\"name\":\"%3\"}\n")
                .arg(version, code, name)
                .toUtf8();
        };
        const QList<std::pair<QByteArray, QString>> attacks = {
            {"this is no json\n", "bad-message"},
            {"{\"type\":\"take\",\"piece\":0}\n", "hello-expected"},
            {QByteArray(5000, '{'), "too-long"},
            {hello("2", "4321", "Eve"), "version"},
            {hello("1", "1234", "Eve"), "code"},
            {hello("1", "4321", "\\u0007"), "name"},
            {hello("1", "4321", "ann"), "name-taken"},
            {hello("1", "4321", "Mal") + "{\"type\":\"drop\",\"piece\":0,\"x\":\"nan\",\"y\":0}\n" // wrong three times
                 + "{\"type\":\"jump\"}\n{\"type\":\"take\",\"piece\":9}\n",
             "bad-message"},
            {hello("1", "4321", "Gar") + "\x01\x02\n", "bad-message"},
            {"{\"type\":\"hel", "timeout"}, // half a message, the rest trickling in too slowly
        };
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        for (const auto &[bytes, reason] : attacks) {
            sockets.push_back(rawConnection(room.host->port()));
            sockets.back()->write(bytes);
        }
        QTimer trickle; // one byte every 300 ms into the half message
        connect(&trickle, &QTimer::timeout, this, [&] { sockets.back()->write("l"); });
        trickle.start(300);
        QVERIFY(ann.drop(0)); // the class plays on meanwhile
        for (qsizetype i = 0; i < attacks.size(); ++i) {
            const QList<QJsonObject> lines = linesUntilClosed(*sockets[i], 8000);
            QVERIFY2(!lines.isEmpty() && sockets[i]->state() == QAbstractSocket::UnconnectedState,
                     qPrintable(attacks[i].second));
            QCOMPARE(lines.last().value("reason").toString(), attacks[i].second);
        }
        QCOMPARE(room.host->playerNames(), QStringList({"Ann", "Mal", "Gar"})); // those who did say hello keep a game
        QVERIFY(ann.drop(1) && ann.drop(2));
        QCOMPARE(ann.verdicts.size(), 3);
        QVERIFY(ann.failure.isEmpty() && ann.client.state().finished);

        // 200 connections at once: 64 may wait for their hello (5 s), the rest are turned away at once.
        std::vector<std::unique_ptr<QTcpSocket>> flood;
        for (int i = 0; i < 200; ++i) {
            flood.push_back(std::make_unique<QTcpSocket>());
            flood.back()->connectToHost(QHostAddress::LocalHost, room.host->port());
        }
        QMap<QString, int> reasons;
        for (auto &socket : flood) {
            const QList<QJsonObject> lines = linesUntilClosed(*socket, 8000);
            ++reasons[lines.isEmpty() ? "none" : lines.last().value("reason").toString()];
        }
        QCOMPARE(reasons, (QMap<QString, int>{{"busy", 136}, {"timeout", 64}}));
        QCOMPARE(room.host->connectionCount(), 1); // Ann's
        Student bob(room, "Bob");
        QVERIFY(bob.ready() && bob.drop(0));
        QVERIFY(ann.failure.isEmpty());
    }

    void fortyPlayersFinishAndTheStandingsFollowTheirFinishingOrder()
    {
        Classroom room(3);
        std::vector<std::unique_ptr<Student>> students;
        for (int i = 0; i < 40; ++i) {
            students.push_back(std::make_unique<Student>(room, QStringLiteral("P%1").arg(i)));
            QVERIFY(students.back()->ready());
        }
        room.host->start();
        QTRY_VERIFY(std::all_of(students.begin(), students.end(),
                                [](auto &s) { return s->client.phase() == ClassClient::Phase::Playing; }));
        // In turn: player i misses the aorta i % 3 times, then fits all three.
        QStringList expected;
        for (int i = 0; i < 40; ++i) {
            Student &s = *students[size_t(i)];
            for (int miss = 0; miss < i % 3; ++miss)
                QVERIFY(s.drop(0, 0.2f));
            QVERIFY(s.drop(0) && s.drop(1) && s.drop(2));
            expected << QStringLiteral("P%1").arg(i);
            QTest::qWait(2); // finish times apart
        }
        QTRY_VERIFY(std::all_of(students.begin(), students.end(),
                                [](auto &s) { return s->client.phase() == ClassClient::Phase::Finished; }));
        const QList<Standing> standings = room.host->standings();
        QCOMPARE(names(standings), expected);
        QCOMPARE(names(students.front()->client.standings()), expected);
        for (int i = 0; i < 40; ++i) {
            QCOMPARE(standings[i].place, i + 1);
            QCOMPARE(standings[i].misses, i % 3);
            QCOMPARE(standings[i].hints, 0); // hard: no place shown
            QVERIFY(standings[i].finished && (i == 0 || standings[i].timeMs > standings[i - 1].timeMs));
        }
    }

    void beaconsOfTwoGamesAreHeardAndBrokenOnesIgnored()
    {
        Classroom room;
        ClassHost::Options options = room.options(1);
        options.hostName = QStringLiteral("Room 14");
        ClassHost second(room.host->set(), options); // a second game on the same network
        QVERIFY(second.listen(nullptr));
        QUdpSocket(this).writeDatagram("{\"type\":\"torvane-game\",\"port\":1", QHostAddress::LocalHost,
                                       room.finder.port());
        QUdpSocket(this).writeDatagram("{\"type\":\"torvane-game\",\"port\":2,\"host\":\"" + QByteArray(600, 'x')
                                           + "\"}",
                                       QHostAddress::LocalHost, room.finder.port());
        QTRY_COMPARE(room.finder.games().size(), 2);
        const GameFinder::Game a = room.finder.games()[0], b = room.finder.games()[1];
        QCOMPARE(QStringList({a.hostName, b.hostName}), QStringList({"Room 12", "Room 14"}));
        QCOMPARE(QList<quint16>({a.port, b.port}), QList<quint16>({room.host->port(), second.port()}));
        QCOMPARE(QStringList({a.setName, a.setId, a.phase}), QStringList({"Class set", "class", "lobby"}));
    }
};

QTEST_GUILESS_MAIN(TestClassHost)
#include "test_classhost.moc"
