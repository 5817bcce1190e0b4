// The host's side of each connection: accepting it, reading its lines, the
// hello, moves and set requests, and closing it.
#include "net/classhostconnection.h"

#include "game/gameengine.h"
#include "net/gamefinder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>

#include <algorithm>

using namespace classhost;

void ClassHost::accept()
{
    while (QTcpSocket *socket = server->nextPendingConnection()) {
        const qsizetype waiting = std::count_if(connections.begin(), connections.end(),
                                                [](const Connection *c) { return !c->player; });
        auto *c = new Connection(socket);
        c->openedAt = c->lastHeard = sinceCreated.elapsed();
        connections.append(c);
        socket->setReadBufferSize(socketReadBuffer);
        connect(socket, &QTcpSocket::readyRead, this, [this, c] { readFrom(c); });
        connect(socket, &QTcpSocket::disconnected, this, [this, c] { lost(c); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, c] { pumpSet(c); });
        // A flood is turned away at once: its sockets must not pile up while they close.
        if (waiting >= protocol::maxUnauthenticated)
            close(c, QStringLiteral("busy"),
                  QStringLiteral("Too many connections are waiting; try again."), true);
    }
}

void ClassHost::readFrom(Connection *c)
{
    QByteArray line;
    for (;;) {
        switch (c->reader.next(*c->socket, &line)) {
        case LineReader::NeedMore:
            return;
        case LineReader::TooLong:
            close(
                c, QStringLiteral("too-long"),
                QStringLiteral("A message is longer than %1 bytes.").arg(protocol::maxClientLine));
            return;
        case LineReader::Line:
            break;
        }
        c->lastHeard = sinceCreated.elapsed();
        const auto message = protocol::decode(line);
        if (!message) {
            close(c, QStringLiteral("bad-message"),
                  QStringLiteral("A line is not a JSON object with a type."));
            return;
        }
        if (!handle(c, *message))
            return;
    }
}

bool ClassHost::handle(Connection *c, const QJsonObject &message)
{
    const QString type = message.value(QLatin1String("type")).toString();
    if (!c->player) {
        if (type != QLatin1String("hello")) {
            close(c, QStringLiteral("hello-expected"), QStringLiteral("Say hello first."));
            return false;
        }
        return hello(c, message);
    }
    if (type == QLatin1String("ping"))
        return true;
    if (type == QLatin1String("get-set")) {
        // Once a connection: the set is large, and one copy is enough.
        if (c->setAsked)
            return complain(c, QStringLiteral("bad-message"),
                            QStringLiteral("The set has been asked for."));
        c->setAsked = c->sendingSet = true;
        pumpSet(c);
        return true;
    }
    if (type == QLatin1String("take") || type == QLatin1String("drop"))
        return play(c, message, type == QLatin1String("drop"));
    if (type == QLatin1String("leave")) {
        close(c, QString(), QString());
        return false;
    }
    if (type == QLatin1String("hello"))
        return complain(c, QStringLiteral("bad-message"), QStringLiteral("Hello has been said."));
    return complain(c, QStringLiteral("unknown-type"),
                    QStringLiteral("No such message: %1").arg(type.left(40)));
}

bool ClassHost::hello(Connection *c, const QJsonObject &message)
{
    const auto version = protocol::intField(message, "version", 0, 1 << 30);
    if (version != protocol::version) {
        close(c, QStringLiteral("version"),
              QStringLiteral("This host speaks version %1 of the class game.")
                  .arg(protocol::version));
        return false;
    }
    if (message.value(QLatin1String("code")).toString() != options.code) {
        close(c, QStringLiteral("code"), QStringLiteral("That is not the game's code."));
        return false;
    }
    const QString name = protocol::validName(message.value(QLatin1String("name")).toString());
    if (name.isEmpty()) {
        close(c, QStringLiteral("name"),
              QStringLiteral("A nickname has 1 to %1 characters, none of them control characters.")
                  .arg(protocol::maxNameLength));
        return false;
    }
    ClassGame::Player *p = game.find(name);
    if (p && p->connected) {
        close(c, QStringLiteral("name-taken"),
              QStringLiteral("Someone plays as %1 already.").arg(p->name));
        return false;
    }
    if (!p && currentPhase == Phase::Finished) {
        close(c, QStringLiteral("over"), QStringLiteral("This game is over."));
        return false;
    }
    if (!p && playerCount() >= protocol::maxPlayers) {
        close(c, QStringLiteral("full"), QStringLiteral("The class is full."));
        return false;
    }
    const bool again = p != nullptr;
    if (!p)
        p = &game.add(name);
    p->connected = true;
    c->player = p;
    send(c, {{"type", "welcome"},
             {"version", protocol::version},
             {"name", p->name},
             {"rejoined", again},
             {"phase", phaseName()},
             {"difficulty", options.difficulty},
             {"pieces", int(p->order.size())},
             {"set", QJsonObject{{"id", bundle.id},
                                 {"name", bundle.name},
                                 {"digest", bundle.digest()},
                                 {"size", bundle.size()},
                                 {"files", int(bundle.files.size())}}}});
    if (currentPhase == Phase::Lobby) {
        broadcast(lobbyMessage());
    } else {
        if (currentPhase == Phase::Playing)
            send(c, {{"type", "start"}, {"time", clock()}});
        send(c, game.stateMessage(*p, clock()));
        send(c, game.standingsMessage(currentPhase == Phase::Finished ? "podium" : "standings",
                                      clock()));
    }
    standingsDirty = true;
    emit joined(p->name, again);
    emit changed();
    return true;
}

bool ClassHost::play(Connection *c, const QJsonObject &message, bool drop)
{
    ClassGame::Player &p = *c->player;
    const auto piece = protocol::intField(message, "piece", 0, int(p.order.size()) - 1);
    const QJsonValue x = message.value(QLatin1String("x")), y = message.value(QLatin1String("y"));
    const auto inRoom = [](const QJsonValue &v) {
        return v.isDouble() && std::isfinite(v.toDouble())
               && std::abs(v.toDouble()) <= protocol::maxCoordinate;
    };
    if (!piece || (drop && (!inRoom(x) || !inRoom(y))))
        return complain(c, QStringLiteral("bad-message"),
                        drop ? QStringLiteral("A drop names a piece and a point x, y.")
                             : QStringLiteral("A take names a piece."));
    if (currentPhase != Phase::Playing || p.engine->gameWon) {
        send(c, protocol::error(QStringLiteral("not-playing"),
                                QStringLiteral("There is nothing to play now.")));
        return true;
    }
    if (!game.takeInHand(p, *piece)) {
        send(c, protocol::error(QStringLiteral("piece"),
                                QStringLiteral("That piece is placed already.")));
        send(c, game.stateMessage(p, clock()));
        return true;
    }
    standingsDirty = true; // the piece in the hand counts in no one's progress
    if (!drop)
        return true;

    const bool fits = game.drop(p, *piece, float(x.toDouble()), float(y.toDouble()), clock());
    send(c, {{"type", "verdict"},
             {"piece", *piece},
             {"fits", fits},
             {"progress", p.engine->progress()},
             {"misses", p.engine->missCount()},
             {"time", clock()},
             {"finished", p.engine->gameWon},
             {"finishTime", p.finishedAt}});
    standingsDirty = true;
    emit played(p.name, game.pieceNames().value(*piece), fits, p.engine->progress());
    emit changed();
    if (p.engine->gameWon) {
        emit playerFinished(p.name, p.finishedAt);
        if (game.allFinished())
            end();
    }
    return true;
}

bool ClassHost::complain(Connection *c, const QString &reason, const QString &text)
{
    if (++c->badMessages >= protocol::maxBadMessages) {
        close(c, reason, text);
        return false;
    }
    send(c, protocol::error(reason, text));
    return true;
}

void ClassHost::close(Connection *c, const QString &reason, const QString &text, bool now)
{
    QTcpSocket *socket = c->socket;
    if (!reason.isEmpty()) {
        socket->write(protocol::encode(protocol::error(reason, text)));
        emit refused(peerOf(c), reason);
    }
    detach(c);
    socket->disconnect(this);
    socket->flush();
    if (now)
        socket->abort(); // what flush() handed to the system still goes out
    else
        socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState) {
        socket->deleteLater();
        return;
    }
    // A peer that reads nothing would keep the socket forever.
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(2000, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
}

void ClassHost::lost(Connection *c)
{
    c->socket->disconnect(this);
    c->socket->deleteLater();
    detach(c);
}

void ClassHost::detach(Connection *c)
{
    connections.removeOne(c);
    if (ClassGame::Player *p = c->player) {
        p->connected = false;
        game.putBack(*p);
        const QString name = p->name;
        if (currentPhase == Phase::Lobby) {
            // No game yet: whoever leaves the lobby is simply not in the class.
            game.remove(p);
            broadcast(lobbyMessage());
        }
        standingsDirty = true;
        emit left(name);
        emit changed();
    }
    delete c;
}

void ClassHost::send(Connection *c, const QJsonObject &message)
{
    c->socket->write(protocol::encode(message));
}

void ClassHost::broadcast(const QJsonObject &message)
{
    const QByteArray line = protocol::encode(message);
    for (Connection *c : std::as_const(connections))
        if (c->player)
            c->socket->write(line);
}

void ClassHost::pumpSet(Connection *c)
{
    // The set goes out a piece at a time as the reader takes it, so a slow
    // reader holds a little of it, never the whole set.
    while (c->sendingSet && c->socket->bytesToWrite() < setPumpBacklog) {
        if (c->setFile >= bundle.files.size()) {
            send(c, {{"type", "set-end"}, {"id", bundle.id}, {"digest", bundle.digest()}});
            c->sendingSet = false;
            return;
        }
        const SetFile &file = bundle.files.at(c->setFile);
        const QByteArray piece = file.bytes.mid(c->setOffset, protocol::chunkBytes);
        send(c, {{"type", "set-file"},
                 {"name", file.name},
                 {"size", file.bytes.size()},
                 {"offset", c->setOffset},
                 {"data", QString::fromLatin1(piece.toBase64())}});
        c->setOffset += piece.size();
        if (c->setOffset >= file.bytes.size()) {
            ++c->setFile;
            c->setOffset = 0;
        }
    }
}
