#pragma once

// The teacher's side of a class game. It listens for the students' games on
// TCP, answers nothing but a hello with the right code, keeps one game engine
// a student and decides every fit with it, so progress, times and the podium
// come from here alone. It calls out on UDP, once a second, what it hosts
// (never the code) so that the join screens find it. The clock runs from
// Start for everyone: a student who joins late keeps the class's time.

#include "net/classgame.h"
#include "net/protocol.h"
#include "net/setbundle.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

class ClassHost : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QHostAddress address = QHostAddress::Any;
        quint16 port = protocol::defaultGamePort; // 0: any free port
        QString code;                             // empty: a random one
        int difficulty = 1;                       // 1 easy, 2 medium, 3 hard
        QString hostName;                         // empty: this machine's name
        quint16 beaconPort = protocol::defaultBeaconPort;
        // Empty: the broadcast address of every interface that has one.
        // Tests keep every beacon on the loopback interface with 127.0.0.1.
        QList<QHostAddress> beaconTargets;
        int beaconIntervalMs = 1000;
    };
    enum class Phase { Lobby, Playing, Finished };

    ClassHost(const SetBundle &set, const Options &options, QObject *parent = nullptr);
    ~ClassHost() override;

    // Opens the game; false, with the reason, when the port cannot be had.
    bool listen(QString *why);
    quint16 port() const;
    QString code() const { return options.code; }
    QString hostName() const { return options.hostName; }
    int difficulty() const { return options.difficulty; }
    const SetBundle &set() const { return bundle; }
    Phase phase() const { return currentPhase; }
    // Milliseconds since Start; 0 before it.
    qint64 clock() const;
    int playerCount() const { return int(game.players().size()); }
    int connectionCount() const { return int(connections.size()); }
    QStringList playerNames() const;
    // The games, their standings and the report (see ClassGame).
    QList<Standing> standings() const;
    QList<QPair<QString, int>> mostMissed(int count) const { return game.mostMissed(count); }
    QByteArray reportCsv() const { return game.reportCsv(clock()); }
    bool writeReport(const QString &path, QString *why) const;
    static QString formatTime(qint64 ms) { return formatClassTime(ms); }

public slots:
    // The class starts: the clock runs from now.
    void start();
    // The game ends now for everyone; the podium goes out.
    void end();

signals:
    void joined(const QString &name, bool again);
    void left(const QString &name);
    // A connection was turned away or dropped (its address, the reason).
    void refused(const QString &peer, const QString &reason);
    // Someone's progress, misses or connection changed.
    void changed();
    // The host has decided a drop.
    void played(const QString &name, const QString &piece, bool fits, int progress);
    void playerFinished(const QString &name, qint64 ms);
    void started();
    void finished();

private:
    struct Connection;

    void accept();
    void readFrom(Connection *c);
    // False when the message closed the connection.
    bool handle(Connection *c, const QJsonObject &message);
    bool hello(Connection *c, const QJsonObject &message);
    bool play(Connection *c, const QJsonObject &message, bool drop);
    bool complain(Connection *c, const QString &reason, const QString &text);
    void close(Connection *c, const QString &reason, const QString &text, bool now = false);
    void lost(Connection *c);
    void detach(Connection *c);
    void send(Connection *c, const QJsonObject &message);
    void broadcast(const QJsonObject &message);
    void pumpSet(Connection *c);
    void tick();
    void sendBeacon();

    QJsonObject lobbyMessage() const;
    QString phaseName() const;
    QString peerOf(const Connection *c) const;

    SetBundle bundle;
    Options options;
    ClassGame game;
    QTcpServer *server = nullptr; // child
    QUdpSocket *beacon = nullptr; // child
    QTimer housekeeping;
    QTimer beaconTimer;
    QElapsedTimer classClock;
    qint64 lastPing = 0;
    QElapsedTimer sinceCreated;
    bool standingsDirty = false;
    Phase currentPhase = Phase::Lobby;
    QList<Connection *> connections; // owned
};
