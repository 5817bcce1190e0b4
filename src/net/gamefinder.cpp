#include "net/gamefinder.h"

#include <QJsonDocument>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>

#include <algorithm>

QList<QHostAddress> broadcastAddresses()
{
    QList<QHostAddress> targets;
    for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
            || !(flags & QNetworkInterface::CanBroadcast)
            || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries())
            if (!entry.broadcast().isNull())
                targets << entry.broadcast();
    }
    return targets;
}

GameFinder::GameFinder(QObject *parent)
    : QObject(parent)
{
    clock.start();
    sweep.setInterval(1000);
    connect(&sweep, &QTimer::timeout, this, &GameFinder::forget);
}

bool GameFinder::listen(quint16 port)
{
    delete socket;
    socket = new QUdpSocket(this);
    // Shared, so that a second game on the same machine hears the beacons too.
    if (!socket->bind(QHostAddress::AnyIPv4, port,
                      QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        return false;
    connect(socket, &QUdpSocket::readyRead, this, &GameFinder::readBeacons);
    sweep.start();
    return true;
}

quint16 GameFinder::port() const
{
    return socket ? socket->localPort() : 0;
}

void GameFinder::readBeacons()
{
    bool changes = false;
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram(protocol::maxBeacon + 1);
        const QByteArray data = datagram.data();
        if (data.size() > protocol::maxBeacon)
            continue;
        const QJsonObject beacon = QJsonDocument::fromJson(data).object();
        const auto port = protocol::intField(beacon, "port", 1, 65535);
        if (beacon.value(QLatin1String("type")) != QLatin1String("torvane-game") || !port)
            continue;
        Game game;
        game.address = QHostAddress(datagram.senderAddress().toIPv4Address());
        game.port = quint16(*port);
        game.hostName = beacon.value(QLatin1String("host")).toString().left(64);
        game.setName = beacon.value(QLatin1String("set")).toString().left(100);
        game.setId = beacon.value(QLatin1String("setId")).toString().left(64);
        game.players = protocol::intField(beacon, "players", 0, 100000).value_or(0);
        game.phase = beacon.value(QLatin1String("phase")).toString().left(16);
        game.version = protocol::intField(beacon, "version", 0, 1 << 30).value_or(0);
        game.heardAt = clock.elapsed();
        const auto same = std::find_if(found.begin(), found.end(), [&](const Game &g) {
            return g.address == game.address && g.port == game.port;
        });
        if (same != found.end()) {
            changes = changes || same->hostName != game.hostName || same->setName != game.setName
                      || same->players != game.players || same->phase != game.phase;
            *same = game;
        } else if (found.size() < maxGames) {
            found.append(game);
            changes = true;
        }
    }
    if (!changes)
        return;
    std::stable_sort(found.begin(), found.end(), [](const Game &a, const Game &b) {
        return std::pair(a.hostName.toLower(), a.setName.toLower())
               < std::pair(b.hostName.toLower(), b.setName.toLower());
    });
    emit changed();
}

void GameFinder::forget()
{
    const qint64 now = clock.elapsed();
    const auto old = std::remove_if(found.begin(), found.end(), [now](const Game &g) {
        return now - g.heardAt > forgetAfterMs;
    });
    if (old == found.end())
        return;
    found.erase(old, found.end());
    emit changed();
}
