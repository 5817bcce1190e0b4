// A student's client against hosts that misbehave or say no: one message to the player, nothing outside the cache.
#include "testing/classroom.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

// A host that answers every hello with the welcome for the classroom's set and then the given lines.
struct FakeHost
{
    QTcpServer server;
    QList<QTcpSocket *> sockets;

    explicit FakeHost(const QByteArray &lines, const QJsonObject &welcome = {})
    {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, lines, welcome] {
            QTcpSocket *socket = server.nextPendingConnection();
            sockets << socket;
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, lines, welcome] {
                if (socket->readAll().contains("hello"))
                    socket->write(QJsonDocument(welcome).toJson(QJsonDocument::Compact) + "\n" + lines);
            });
        });
    }
};

QJsonObject welcomeFor(const SetBundle &set)
{
    return {{"type", "welcome"},
            {"version", 1},
            {"name", "Eve"},
            {"phase", "lobby"},
            {"difficulty", 2},
            {"pieces", 3},
            {"set", QJsonObject{{"id", set.id},
                                {"name", set.name},
                                {"digest", set.digest()},
                                {"size", set.size()},
                                {"files", int(set.files.size())}}}};
}

QByteArray line(const QJsonObject &message)
{
    return QJsonDocument(message).toJson(QJsonDocument::Compact) + "\n";
}

QByteArray fileMessage(const QString &name, qint64 size, qint64 offset, const QByteArray &data)
{
    return line(
        {{"type", "set-file"}, {"name", name}, {"size", size}, {"offset", offset}, {"data", QString(data.toBase64())}});
}

// What a student joining at `port` is told; `ready`: whether it has a set to play all the same.
QString failureJoining(quint16 port, const QString &code, const QString &name, const QString &cacheDir,
                       const QString &dataDir = ".", int ms = 5000, bool *ready = nullptr)
{
    ClassClient client;
    client.cacheDir = cacheDir;
    client.dataDir = dataDir;
    QString failure;
    QObject::connect(&client, &ClassClient::failed, &client, [&](const QString &why) { failure = why; });
    client.join("127.0.0.1", port, code, name);
    (void)QTest::qWaitFor([&] { return !failure.isEmpty(); }, ms);
    if (ready)
        *ready = client.isReady();
    return failure;
}

// Every file under `dir`, relative to it.
QStringList filesUnder(const QString &dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir).relativeFilePath(it.next());
    return files;
}

} // namespace

class TestClassClient : public QObject
{
    Q_OBJECT

private slots:
    void aDamagedSetFromTheHostIsRefusedAndNothingIsKept_data()
    {
        QTest::addColumn<QString>("damage");
        for (const char *row :
             {"a name up and out", "a gap in a file", "more than the file's size", "more than the set's size",
              "a file the set does not name", "a digest that does not match", "a line past 64 KiB"})
            QTest::newRow(row) << row;
    }

    void aDamagedSetFromTheHostIsRefusedAndNothingIsKept()
    {
        QFETCH(QString, damage);
        Classroom room;
        const SetBundle set = room.host->set();
        QJsonObject welcome = welcomeFor(set);
        QByteArray lines;
        for (const SetFile &f : set.files) {
            const QByteArray bytes = f.bytes;
            if (damage == "a gap in a file" && f.name.endsWith(".xml"))
                lines += fileMessage(f.name, bytes.size(), 0, bytes.left(10))
                         + fileMessage(f.name, bytes.size(), 11, bytes.mid(11));
            else if (damage == "more than the file's size" && f.name.endsWith(".xml"))
                lines += fileMessage(f.name, 10, 0, bytes);
            else
                lines += fileMessage(f.name, bytes.size(), 0, bytes);
        }
        if (damage == "a name up and out")
            lines.prepend(fileMessage("sets/../../evil", 4, 0, "evil"));
        if (damage == "a file the set does not name")
            lines += fileMessage("sets/extra.md2", 1, 0, "x");
        QJsonObject announced = welcome["set"].toObject();
        if (damage == "more than the set's size")
            announced["size"] = set.size() - 1;
        if (damage == "a digest that does not match")
            announced["digest"] = QString(64, 'a');
        welcome["set"] = announced;
        if (damage == "a line past 64 KiB")
            lines = QByteArray(70000, ' ') + "\n";
        FakeHost host(lines + line({{"type", "set-end"}}), welcome);
        QTemporaryDir empty; // a game without the set
        bool ready = true;
        const QString failure = failureJoining(host.server.serverPort(), "4321", "Eve", room.cache.filePath("cache"),
                                               empty.path(), 5000, &ready);
        QVERIFY2(!ready && (failure.contains("damaged") || failure.contains("too long")), qPrintable(failure));
        QCOMPARE(filesUnder(room.cache.path()), QStringList()); // nothing kept, nothing outside
        QCOMPARE(filesUnder(empty.path()), QStringList());
    }

    void theStudentIsToldWhyTheHostSaysNoOrWhenItHasGone()
    {
        Classroom room;
        const auto failureOf = [&](quint16 port, const QString &code, const QString &name, int ms = 5000) {
            return failureJoining(port, code, name, room.cache.path(), ".", ms);
        };
        QCOMPARE(failureOf(room.host->port(), "1234", "Eve"), QStringLiteral("That is not the game's code."));
        QCOMPARE(failureOf(room.host->port(), "12a4", "Eve"), QStringLiteral("The code has four digits."));
        QCOMPARE(failureOf(room.host->port(), "4321", "   "), QStringLiteral("A nickname has 1 to 24 letters."));
        QTcpServer nothing; // a port where no game is
        nothing.listen(QHostAddress::LocalHost, 0);
        const quint16 closed = nothing.serverPort();
        nothing.close();
        QCOMPARE(failureOf(closed, "4321", "Eve"), QStringLiteral("Could not reach a game at 127.0.0.1."));

        FakeHost silent({}, welcomeFor(room.host->set())); // welcomes, then never speaks again: gone after 6 s
        QCOMPARE(failureOf(silent.server.serverPort(), "4321", "Eve", 9000), QStringLiteral("The host has gone."));
    }
};

QTEST_GUILESS_MAIN(TestClassClient)
#include "test_classclient.moc"
