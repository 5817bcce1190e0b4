#include "net/classhost.h"

#include "game/gameengine.h"
#include "game/piecerecord.h"
#include "game/xmlfile.h"
#include "view/learningaids.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkInterface>
#include <QSaveFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <algorithm>
#include <cmath>

namespace {

constexpr int tickMs = 250;
constexpr qint64 setPumpBacklog = 256 * 1024; // set pieces queued for one reader at a time
constexpr int socketReadBuffer = 16 * 1024;

QJsonArray toArray(const QList<int> &values)
{
    QJsonArray array;
    for (int v : values)
        array.append(v);
    return array;
}

// A spreadsheet field: quoted when it must be, and never taken for a formula
// (a nickname such as "=HYPERLINK(...)" stays text).
QString csvField(QString text, bool isText = true)
{
    if (isText && !text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
        || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) || text.startsWith(QLatin1Char('\'')))
        text = QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return text;
}

} // namespace

struct ClassHost::Player
{
    QString name;
    std::unique_ptr<GameEngine> engine;
    QList<PieceRecord *> order; // the engine's pieces in the set's order
    Connection *connection = nullptr;
    qint64 finishedAt = -1;
    int joinOrder = 0;
};

struct ClassHost::Connection
{
    explicit Connection(QTcpSocket *socket)
        : socket(socket)
    {
    }
    QTcpSocket *socket; // deleted once closed
    LineReader reader{protocol::maxClientLine};
    qint64 openedAt = 0;
    qint64 lastHeard = 0;
    Player *player = nullptr; // null until the hello is accepted
    int badMessages = 0;
    bool setAsked = false;
    bool sendingSet = false;
    int setFile = 0;
    qint64 setOffset = 0;
};

ClassHost::ClassHost(const SetBundle &set, const Options &options, QObject *parent)
    : QObject(parent)
    , bundle(set)
    , options(options)
    , document(std::make_unique<QDomDocument>(QStringLiteral("set")))
{
    if (!protocol::validCode(this->options.code))
        this->options.code = protocol::randomCode();
    if (this->options.hostName.isEmpty())
        this->options.hostName = QHostInfo::localHostName();
    this->options.hostName = this->options.hostName.left(64);
    if (const SetFile *xml = bundle.file(bundle.xmlName()); xml && !nestsTooDeep(xml->bytes))
        document->setContent(xml->bytes);
    const GameEngine engine(document.get());
    for (const PieceRecord *record : std::as_const(engine.remaining))
        names << (record->name.isEmpty() ? QFileInfo(record->fileName).completeBaseName() : record->name);
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
            *why = QStringLiteral("cannot listen on port %1: %2").arg(options.port).arg(server->errorString());
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
    for (const auto &p : players)
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
            send(c, stateOf(*c->player));
        }
    standingsDirty = true;
    emit started();
    if (!players.empty() && std::all_of(players.begin(), players.end(), [](const auto &p) { return p->engine->gameWon; }))
        end(); // a set without pieces
}

void ClassHost::end()
{
    if (currentPhase == Phase::Finished)
        return;
    if (currentPhase == Phase::Lobby)
        classClock.start();
    currentPhase = Phase::Finished;
    const qint64 now = clock();
    for (const auto &p : players)
        if (p->engine->gameWon && p->finishedAt < 0)
            p->finishedAt = now;
    broadcast(standingsMessage("podium"));
    emit changed();
    emit finished();
}

// --- Connections ---------------------------------------------------------

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
            close(c, QStringLiteral("busy"), QStringLiteral("Too many connections are waiting; try again."), true);
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
            close(c, QStringLiteral("too-long"),
                  QStringLiteral("A message is longer than %1 bytes.").arg(protocol::maxClientLine));
            return;
        case LineReader::Line:
            break;
        }
        c->lastHeard = sinceCreated.elapsed();
        const auto message = protocol::decode(line);
        if (!message) {
            close(c, QStringLiteral("bad-message"), QStringLiteral("A line is not a JSON object with a type."));
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
            return complain(c, QStringLiteral("bad-message"), QStringLiteral("The set has been asked for."));
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
    return complain(c, QStringLiteral("unknown-type"), QStringLiteral("No such message: %1").arg(type.left(40)));
}

bool ClassHost::hello(Connection *c, const QJsonObject &message)
{
    const auto version = protocol::intField(message, "version", 0, 1 << 30);
    if (version != protocol::version) {
        close(c, QStringLiteral("version"),
              QStringLiteral("This host speaks version %1 of the class game.").arg(protocol::version));
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
    Player *p = find(name);
    if (p && p->connection) {
        close(c, QStringLiteral("name-taken"), QStringLiteral("Someone plays as %1 already.").arg(p->name));
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
    if (!p) {
        auto player = std::make_unique<Player>();
        player->name = name;
        player->engine = std::make_unique<GameEngine>(document.get());
        player->engine->silent = true; // the teacher's machine hears no student's fit
        player->order = player->engine->remaining;
        player->joinOrder = joins++;
        p = player.get();
        players.push_back(std::move(player));
    }
    p->connection = c;
    c->player = p;
    send(c, {{"type", "welcome"},
             {"version", protocol::version},
             {"name", p->name},
             {"rejoined", again},
             {"phase", phaseName()},
             {"difficulty", options.difficulty},
             {"pieces", int(p->order.size())},
             {"set", QJsonObject{{"id", bundle.id}, {"name", bundle.name}, {"digest", bundle.digest()},
                                 {"size", bundle.size()}, {"files", int(bundle.files.size())}}}});
    if (currentPhase == Phase::Lobby) {
        broadcast(lobbyMessage());
    } else {
        if (currentPhase == Phase::Playing)
            send(c, {{"type", "start"}, {"time", clock()}});
        send(c, stateOf(*p));
        send(c, standingsMessage(currentPhase == Phase::Finished ? "podium" : "standings"));
    }
    standingsDirty = true;
    emit joined(p->name, again);
    emit changed();
    return true;
}

bool ClassHost::play(Connection *c, const QJsonObject &message, bool drop)
{
    Player &p = *c->player;
    const auto piece = protocol::intField(message, "piece", 0, int(p.order.size()) - 1);
    const QJsonValue x = message.value(QLatin1String("x")), y = message.value(QLatin1String("y"));
    const auto inRoom = [](const QJsonValue &v) {
        return v.isDouble() && std::isfinite(v.toDouble()) && std::abs(v.toDouble()) <= protocol::maxCoordinate;
    };
    if (!piece || (drop && (!inRoom(x) || !inRoom(y))))
        return complain(c, QStringLiteral("bad-message"),
                        drop ? QStringLiteral("A drop names a piece and a point x, y.")
                             : QStringLiteral("A take names a piece."));
    if (currentPhase != Phase::Playing || p.engine->gameWon) {
        send(c, protocol::error(QStringLiteral("not-playing"), QStringLiteral("There is nothing to play now.")));
        return true;
    }
    PieceRecord *record = takeInHand(p, *piece);
    if (!record) {
        send(c, protocol::error(QStringLiteral("piece"), QStringLiteral("That piece is placed already.")));
        send(c, stateOf(p));
        return true;
    }
    standingsDirty = true; // the piece in the hand counts in no one's progress
    if (!drop)
        return true;

    p.engine->tryFit(float(x.toDouble()), float(y.toDouble()));
    const bool fits = !p.engine->current;
    if (p.engine->gameWon)
        p.finishedAt = clock();
    send(c, {{"type", "verdict"},
             {"piece", *piece},
             {"fits", fits},
             {"progress", p.engine->progress()},
             {"misses", p.engine->missCount()},
             {"time", clock()},
             {"finished", p.engine->gameWon},
             {"finishTime", p.finishedAt}});
    standingsDirty = true;
    emit played(p.name, names.value(*piece), fits, p.engine->progress());
    emit changed();
    if (p.engine->gameWon) {
        emit playerFinished(p.name, p.finishedAt);
        if (std::all_of(players.begin(), players.end(), [](const auto &q) { return q->engine->gameWon; }))
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
    if (Player *p = c->player) {
        p->connection = nullptr;
        putBack(*p);
        const QString name = p->name;
        if (currentPhase == Phase::Lobby) {
            // No game yet: whoever leaves the lobby is simply not in the class.
            players.erase(std::find_if(players.begin(), players.end(), [p](const auto &q) { return q.get() == p; }));
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
        broadcast(standingsMessage("standings"));
    }
}

void ClassHost::sendBeacon()
{
    const QJsonObject message{{"type", "torvane-game"}, {"version", protocol::version}, {"host", options.hostName},
                              {"set", bundle.name.left(100)}, {"setId", bundle.id}, {"port", int(port())},
                              {"players", playerCount()}, {"phase", phaseName()}};
    const QByteArray datagram = QJsonDocument(message).toJson(QJsonDocument::Compact);
    QList<QHostAddress> targets = options.beaconTargets;
    if (targets.isEmpty()) {
        for (const QNetworkInterface &interface : QNetworkInterface::allInterfaces()) {
            const auto flags = interface.flags();
            if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning)
                || !(flags & QNetworkInterface::CanBroadcast) || (flags & QNetworkInterface::IsLoopBack))
                continue;
            for (const QNetworkAddressEntry &entry : interface.addressEntries())
                if (!entry.broadcast().isNull())
                    targets << entry.broadcast();
        }
    }
    for (const QHostAddress &target : std::as_const(targets))
        beacon->writeDatagram(datagram, target, options.beaconPort);
}

// --- Games and standings ---------------------------------------------------

ClassHost::Player *ClassHost::find(const QString &name) const
{
    for (const auto &p : players)
        if (p->name.compare(name, Qt::CaseInsensitive) == 0)
            return p.get();
    return nullptr;
}

PieceRecord *ClassHost::takeInHand(Player &p, int piece)
{
    PieceRecord *record = p.order.at(piece);
    GameEngine &engine = *p.engine;
    if (engine.current == record)
        return record;
    if (!engine.remaining.contains(record))
        return nullptr;
    putBack(p);
    engine.takePiece(int(engine.remaining.indexOf(record)));
    return record;
}

void ClassHost::putBack(Player &p)
{
    // A piece left in the hand goes back among the others in the set's order.
    GameEngine &engine = *p.engine;
    if (!engine.current)
        return;
    const qsizetype at = p.order.indexOf(engine.current);
    qsizetype position = 0;
    while (position < engine.remaining.size() && p.order.indexOf(engine.remaining.at(position)) < at)
        ++position;
    engine.remaining.insert(position, engine.current);
    engine.current = nullptr;
}

Standing ClassHost::standingOf(const Player &p) const
{
    LearningAids rules;
    rules.difficulty = options.difficulty;
    const int hintAfter = rules.missesBeforeHint();
    Standing s;
    s.name = p.name;
    s.connected = p.connection != nullptr;
    s.finished = p.engine->gameWon;
    s.progress = p.engine->progress();
    s.misses = p.engine->missCount();
    s.timeMs = p.finishedAt >= 0 ? p.finishedAt : clock();
    for (const PieceRecord *record : p.order) {
        const int n = p.engine->misses.value(record);
        s.pieceMisses << n;
        s.hints += hintAfter > 0 && n >= hintAfter;
    }
    return s;
}

QList<Standing> ClassHost::standings() const
{
    QList<std::pair<Standing, int>> ranked;
    for (const auto &p : players)
        ranked.append({standingOf(*p), p->joinOrder});
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto &a, const auto &b) {
        const Standing &s = a.first, &t = b.first;
        if (s.finished != t.finished)
            return s.finished;
        if (s.finished && s.timeMs != t.timeMs)
            return s.timeMs < t.timeMs;
        if (!s.finished && s.progress != t.progress)
            return s.progress > t.progress;
        if (s.misses != t.misses)
            return s.misses < t.misses;
        return a.second < b.second;
    });
    QList<Standing> list;
    for (auto &[s, order] : ranked) {
        s.place = int(list.size()) + 1;
        list << s;
    }
    return list;
}

QStringList ClassHost::pieceNames() const
{
    return names;
}

QList<QPair<QString, int>> ClassHost::mostMissed(int count) const
{
    const QStringList names = pieceNames();
    QList<QPair<QString, int>> totals;
    for (qsizetype i = 0; i < names.size(); ++i) {
        int sum = 0;
        for (const auto &p : players)
            sum += p->engine->misses.value(p->order.value(i));
        if (sum > 0)
            totals.append({names.at(i), sum});
    }
    std::stable_sort(totals.begin(), totals.end(), [](const auto &a, const auto &b) { return a.second > b.second; });
    return totals.mid(0, count);
}

QByteArray ClassHost::reportCsv() const
{
    QStringList header{"Place", "Player", "Finished", "Time", "Seconds", "Progress", "Misses", "Hints"};
    for (const QString &piece : pieceNames())
        header << csvField(piece + QStringLiteral(" misses"));
    QString csv = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const Standing &s : standings()) {
        QStringList row{QString::number(s.place), csvField(s.name), s.finished ? "yes" : "no",
                        s.finished ? formatTime(s.timeMs) : QString(),
                        s.finished ? QString::number(s.timeMs / 1000.0, 'f', 1) : QString(),
                        QString::number(s.progress), QString::number(s.misses), QString::number(s.hints)};
        for (int n : std::as_const(s.pieceMisses))
            row << QString::number(n);
        csv += row.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    // The mark lets a spreadsheet read the names as UTF-8.
    return "\xEF\xBB\xBF" + csv.toUtf8();
}

bool ClassHost::writeReport(const QString &path, QString *why) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(reportCsv()) < 0 || !file.commit()) {
        if (why)
            *why = file.errorString();
        return false;
    }
    return true;
}

QString ClassHost::formatTime(qint64 ms)
{
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2").arg(ms / 60000, 2, 10, zero).arg(ms / 1000 % 60, 2, 10, zero);
}

QJsonObject ClassHost::stateOf(const Player &p) const
{
    QList<int> placed, misses;
    for (const PieceRecord *record : std::as_const(p.engine->placed))
        placed << int(p.order.indexOf(record));
    for (const PieceRecord *record : p.order)
        misses << p.engine->misses.value(record);
    return {{"type", "state"},
            {"placed", toArray(placed)},
            {"misses", toArray(misses)},
            {"progress", p.engine->progress()},
            {"time", clock()},
            {"finished", p.engine->gameWon},
            {"finishTime", p.finishedAt}};
}

QJsonObject ClassHost::standingsMessage(const char *type) const
{
    QJsonArray list;
    for (const Standing &s : standings())
        list.append(QJsonObject{{"place", s.place},
                                {"name", s.name},
                                {"progress", s.progress},
                                {"misses", s.misses},
                                {"time", s.timeMs},
                                {"finished", s.finished},
                                {"connected", s.connected}});
    return {{"type", QLatin1String(type)}, {"time", clock()}, {"players", list}};
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
