#pragma once

// Discovery: a host's beacons go to the broadcast addresses of the local
// network; the finder listens for them and keeps the list of games heard
// within the last few seconds.

#include "net/protocol.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

class QUdpSocket;

// The broadcast address of every network interface that is up and has one,
// the loopback interface aside: where a host's beacons go.
QList<QHostAddress> broadcastAddresses();

class GameFinder : public QObject
{
    Q_OBJECT

public:
    struct Game
    {
        QHostAddress address; // where the beacon came from
        quint16 port = 0;     // the game's TCP port
        QString hostName;
        QString setName;
        QString setId;
        int players = 0;
        QString phase; // "lobby", "playing" or "finished"
        int version = 0;
        qint64 heardAt = 0;
    };

    // Beacons unheard for this long drop their game from the list.
    static constexpr int forgetAfterMs = 5000;
    static constexpr int maxGames = 32;

    explicit GameFinder(QObject *parent = nullptr);

    // Binds the beacon port (0: any free port); false when it cannot.
    bool listen(quint16 port = protocol::defaultBeaconPort);
    quint16 port() const;
    // By host name, then set: the list stands still while beacons come in.
    QList<Game> games() const { return found; }

signals:
    void changed();

private:
    void readBeacons();
    void forget();

    QUdpSocket *socket = nullptr; // child
    QList<Game> found;
    QElapsedTimer clock;
    QTimer sweep;
};
