#include "classroom.h"

#include <QTcpSocket>
#include <QTest>

Classroom::Classroom(int difficulty)
{
    writeSet(data);
    finder.listen(0);
    const auto set = SetBundle::read(data.path(), QStringLiteral("class"), nullptr);
    host = std::make_unique<ClassHost>(*set, options(difficulty));
    host->listen(nullptr);
}

void Classroom::writeSet(GameData &data)
{
    data.set(
        "class", "Class set", QSize(40, 40),
        "<shape><filename>bodyparts/big.md2</filename><pos_y>0.2</pos_y></shape>"
        "<part><name>Aorta</name><filename>bodyparts/cube.md2</filename><pos_x>0.1</pos_x><pos_y>0.1</pos_y></part>"
        "<part><name>Bone</name><filename>bodyparts/small.md2</filename><pos_x>-0.2</pos_x><pos_y>0.3</pos_y></part>"
        "<part><name>Colon</name><filename>bodyparts/cube.md2</filename><pos_x>-0.1</pos_x><pos_y>-0.1</pos_y></part>");
}

ClassHost::Options Classroom::options(int difficulty)
{
    ClassHost::Options o;
    o.address = QHostAddress::LocalHost;
    o.port = 0;
    o.code = QStringLiteral("4321");
    o.difficulty = difficulty;
    o.hostName = QStringLiteral("Room 12");
    o.beaconPort = finder.port();
    o.beaconTargets = {QHostAddress::LocalHost};
    return o;
}

Student::Student(Classroom &room, const QString &name, const QString &code, const QString &dataDir)
{
    client.dataDir = dataDir;
    client.cacheDir = room.cache.filePath(name.isEmpty() ? QStringLiteral("nobody") : name);
    start(room.host->port(), name, code);
}

Student::Student(quint16 port, const QString &cacheDir, const QString &name, const QString &code)
{
    client.cacheDir = cacheDir;
    start(port, name, code);
}

void Student::start(quint16 port, const QString &name, const QString &code)
{
    QObject::connect(&client, &ClassClient::verdict, &client, [this](int piece, bool fits) {
        verdicts.append({piece, fits});
    });
    QObject::connect(&client, &ClassClient::failed, &client, [this](const QString &why) { failure = why; });
    client.join(QStringLiteral("127.0.0.1"), port, code, name);
    (void)QTest::qWaitFor([this] { return client.isReady() || !failure.isEmpty(); }, 10000);
}

bool Student::drop(int piece, float dx)
{
    const qsizetype before = verdicts.size();
    client.take(piece);
    client.drop(piece, Classroom::targets[piece][0] + dx, Classroom::targets[piece][1]);
    return QTest::qWaitFor([&] { return verdicts.size() > before; }, 5000);
}

std::unique_ptr<QTcpSocket> rawConnection(quint16 port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, port);
    socket->waitForConnected(2000);
    return socket;
}

QList<QJsonObject> linesUntilClosed(QTcpSocket &socket, int ms)
{
    (void)QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, ms);
    QList<QJsonObject> lines;
    for (const QByteArray &line : socket.readAll().split('\n'))
        if (const auto message = protocol::decode(line))
            lines << *message;
    return lines;
}
