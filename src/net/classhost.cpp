#include "net/classhost.h"

#include "game/gameengine.h"
#include "net/classhostconnection.h"
#include "net/gamefinder.h"

#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <algorithm>
#include <cmath>

using namespace classhost;

ClassHost::ClassHost(const SetBundle &set, const Options &options, QObject *parent)
    : QObject(parent)
    , bundle(set)
    , options(options)
    , game(set.file(set.xmlName()) ? set.file(set.xmlName())->bytes : QByteArray(),
           options.difficulty)
{
    if (!protocol::validCode(this->options.code))
        this->options.code = protocol::randomCode();
    if (this->options.hostName.isEmpty())
        this->options.hostName = QHostInfo::localHostName();
    this->options.hostName = this->options.hostName.left(64);
    sinceCreated.start();
    housekeeping.setInterval(tickMs);
    connect(&housekeeping, &QTimer::timeout, this, &ClassHost::tick);
    beaconTimer.setInterval(options.beaconIntervalMs);
    connect(&beaconTimer, &QTimer::timeout, this, &ClassHost::sendBeacon);
}

ClassHost::~ClassHost()
{
    for (Connection *c : std::as_const(connections)) {
        c->socket->disconnect(this);
        c->socket->abort();
        delete c->socket;
        delete c;
    }
    connections.clear();
}

bool ClassHost::listen(QString *why)
{
    server = new QTcpServer(this);
    // A class joins within seconds; the connections it makes at once wait here.
    server->setListenBacklogSize(128);
    if (!server->listen(options.address, options.port)) {
        if (why)
            *why = QStringLiteral("cannot listen on port %1: %2")
                       .arg(options.port)
                       .arg(server->errorString());
        return false;
    }
    connect(server, &QTcpServer::newConnection, this, &ClassHost::accept);
    beacon = new QUdpSocket(this);
    housekeeping.start();
    beaconTimer.start();
    sendBeacon();
    return true;
}

quint16 ClassHost::port() const
{
    return server ? server->serverPort() : 0;
}

qint64 ClassHost::clock() const
{
    return classClock.isValid() ? classClock.elapsed() : 0;
}

QStringList ClassHost::playerNames() const
{
    QStringList names;
    for (const auto &p : game.players())
        names << p->name;
    return names;
}

void ClassHost::start()
{
    if (currentPhase != Phase::Lobby)
        return;
    currentPhase = Phase::Playing;
    classClock.start();
    for (Connection *c : std::as_const(connections))
        if (c->player) {
            send(c, {{"type", "start"}, {"time", 0}});
            send(c, game.stateMessage(*c->player, clock()));
        }
    standingsDirty = true;
    emit started();
    if (game.allFinished())
        end();
}

void ClassHost::end()
{
    if (currentPhase == Phase::Finished)
        return;
    if (currentPhase == Phase::Lobby)
        classClock.start();
    currentPhase = Phase::Finished;
    broadcast(game.standingsMessage("podium", clock()));
    emit changed();
    emit finished();
}

void ClassHost::tick()
{
    const qint64 now = sinceCreated.elapsed();
    const bool ping = now - lastPing >= protocol::pingIntervalMs;
    if (ping)
        lastPing = now;
    const QList<Connection *> all = connections;
    for (Connection *c : all) {
        if (!c->player && now - c->openedAt > protocol::helloTimeoutMs)
            close(c, QStringLiteral("timeout"), QStringLiteral("No hello in time."));
        else if (c->player && now - c->lastHeard > protocol::silenceTimeoutMs)
            close(c, QStringLiteral("timeout"), QStringLiteral("Nothing heard for too long."));
        else if (c->socket->bytesToWrite() > protocol::maxPendingOutput)
            close(c, QStringLiteral("slow"), QStringLiteral("Messages are read too slowly."));
        else if (ping && c->player)
            send(c, {{"type", "ping"}, {"time", clock()}});
    }
    if (standingsDirty && currentPhase == Phase::Playing) {
        standingsDirty = false;
        broadcast(game.standingsMessage("standings", clock()));
    }
}

void ClassHost::sendBeacon()
{
    const QJsonObject message{{"type", "torvane-game"},   {"version", protocol::version},
                              {"host", options.hostName}, {"set", bundle.name.left(100)},
                              {"setId", bundle.id},       {"port", int(port())},
                              {"players", playerCount()}, {"phase", phaseName()}};
    const QByteArray datagram = QJsonDocument(message).toJson(QJsonDocument::Compact);
    const QList<QHostAddress> targets =
        options.beaconTargets.isEmpty() ? broadcastAddresses() : options.beaconTargets;
    for (const QHostAddress &target : targets)
        beacon->writeDatagram(datagram, target, options.beaconPort);
}

QList<Standing> ClassHost::standings() const
{
    return game.standings(clock());
}

bool ClassHost::writeReport(const QString &path, QString *why) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(game.reportCsv(clock())) < 0
        || !file.commit()) {
        if (why)
            *why = file.errorString();
        return false;
    }
    return true;
}

QJsonObject ClassHost::lobbyMessage() const
{
    return {{"type", "lobby"}, {"players", QJsonArray::fromStringList(playerNames())}};
}

QString ClassHost::phaseName() const
{
    switch (currentPhase) {
    case Phase::Lobby:
        return QStringLiteral("lobby");
    case Phase::Playing:
        return QStringLiteral("playing");
    case Phase::Finished:
        break;
    }
    return QStringLiteral("finished");
}

QString ClassHost::peerOf(const Connection *c) const
{
    return c->socket->peerAddress().toString();
}
