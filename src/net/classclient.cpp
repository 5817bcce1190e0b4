#include "net/classclient.h"

#include "game/xmlfile.h"

#include <QDomDocument>
#include <QJsonArray>
#include <QStandardPaths>
#include <QTcpSocket>

#include <cmath>

namespace {

constexpr int tickMs = 500;

QList<int> intList(const QJsonValue &value, int low, int high, qsizetype most)
{
    QList<int> list;
    const QJsonArray array = value.toArray();
    for (qsizetype i = 0; i < array.size() && i < most; ++i) {
        const double n = array.at(i).toDouble(-1);
        if (n != std::floor(n) || n < low || n > high)
            return {};
        list << int(n);
    }
    return list;
}

} // namespace

ClassClient::ClassClient(QObject *parent)
    : QObject(parent)
{
    cacheDir =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/sets");
    timer.setInterval(tickMs);
    connect(&timer, &QTimer::timeout, this, &ClassClient::tick);
}

ClassClient::~ClassClient() = default;

void ClassClient::join(const QString &hostName, quint16 port, const QString &gameCode,
                       const QString &name)
{
    if (currentPhase != Phase::Idle)
        return;
    currentPhase = Phase::Joining;
    host = hostName.trimmed();
    code = gameCode.trimmed();
    playerName = protocol::validName(name);
    if (!protocol::validCode(code)) {
        QTimer::singleShot(0, this, [this] { fail(QStringLiteral("The code has four digits.")); });
        return;
    }
    if (playerName.isEmpty()) {
        QTimer::singleShot(0, this, [this] {
            fail(QStringLiteral("A nickname has 1 to %1 letters.").arg(protocol::maxNameLength));
        });
        return;
    }
    socket = new QTcpSocket(this);
    connect(socket, &QTcpSocket::connected, this, &ClassClient::connected);
    connect(socket, &QTcpSocket::readyRead, this, &ClassClient::readLines);
    connect(socket, &QTcpSocket::disconnected, this, [this] { fail(QString()); });
    connect(socket, &QTcpSocket::errorOccurred, this, [this] { fail(QString()); });
    lastHeard.start();
    lastPing.start();
    timer.start();
    socket->connectToHost(host, port);
}

void ClassClient::leave()
{
    if (currentPhase == Phase::Gone || currentPhase == Phase::Idle)
        return;
    currentPhase = Phase::Gone;
    timer.stop();
    if (socket) {
        socket->disconnect(this);
        if (welcomed)
            socket->write(protocol::encode({{"type", "leave"}}));
        socket->disconnectFromHost();
    }
}

void ClassClient::take(int piece)
{
    if (currentPhase == Phase::Playing)
        send({{"type", "take"}, {"piece", piece}});
}

void ClassClient::drop(int piece, float x, float y)
{
    if (currentPhase == Phase::Playing)
        send({{"type", "drop"}, {"piece", piece}, {"x", double(x)}, {"y", double(y)}});
}

qint64 ClassClient::clock() const
{
    if (currentPhase == Phase::Finished || !sinceSync.isValid())
        return clockAtSync;
    return clockAtSync + sinceSync.elapsed();
}

void ClassClient::connected()
{
    send({{"type", "hello"}, {"version", protocol::version}, {"code", code}, {"name", playerName}});
}

void ClassClient::readLines()
{
    QByteArray line;
    while (socket && currentPhase != Phase::Gone) {
        switch (reader.next(*socket, &line)) {
        case LineReader::NeedMore:
            return;
        case LineReader::TooLong:
            fail(QStringLiteral("The host sent a message that is too long."));
            return;
        case LineReader::Line:
            lastHeard.restart();
            // A line that is no message is passed over; the next one may be.
            if (const auto message = protocol::decode(line))
                handle(*message);
            break;
        }
    }
}

void ClassClient::handle(const QJsonObject &message)
{
    const QString type = message.value(QLatin1String("type")).toString();
    if (type == QLatin1String("error")) {
        // Before the welcome an error is the host's no; after it, the state
        // that follows puts things right.
        if (!welcomed)
            fail(message.value(QLatin1String("message")).toString().left(200));
        return;
    }
    if (type == QLatin1String("welcome")) {
        if (!welcomed)
            welcome(message);
        return;
    }
    if (!welcomed)
        return;
    if (type == QLatin1String("set-file")) {
        receiveFile(message);
    } else if (type == QLatin1String("set-end")) {
        setEnd(message);
    } else if (type == QLatin1String("lobby")) {
        lobbyNames.clear();
        const QJsonArray names = message.value(QLatin1String("players")).toArray();
        for (qsizetype i = 0; i < names.size() && i < protocol::maxPlayers; ++i)
            lobbyNames << names.at(i).toString().left(protocol::maxNameLength * 2);
        emit lobbyChanged();
    } else if (type == QLatin1String("start")) {
        syncClock(message);
        moveTo(Phase::Playing);
        emit started();
    } else if (type == QLatin1String("state")) {
        readState(message);
    } else if (type == QLatin1String("verdict")) {
        const auto piece = protocol::intField(message, "piece", 0, pieces - 1);
        if (!piece)
            return;
        syncClock(message);
        if (message.value(QLatin1String("finished")).toBool()) {
            playerState.finished = true;
            playerState.time =
                std::max<qint64>(0, message.value(QLatin1String("finishTime")).toInteger());
        }
        emit verdict(*piece, message.value(QLatin1String("fits")).toBool());
    } else if (type == QLatin1String("standings")) {
        syncClock(message);
        readStandings(message);
    } else if (type == QLatin1String("podium")) {
        syncClock(message);
        readStandings(message);
        moveTo(Phase::Finished);
        emit finished();
    } else if (type == QLatin1String("ping")) {
        syncClock(message);
    }
}

void ClassClient::welcome(const QJsonObject &message)
{
    const QJsonObject set = message.value(QLatin1String("set")).toObject();
    setId = set.value(QLatin1String("id")).toString();
    setDigest = set.value(QLatin1String("digest")).toString();
    setSize = set.value(QLatin1String("size")).toInteger(-1);
    setFiles = set.value(QLatin1String("files")).toInt(-1);
    bundleName = set.value(QLatin1String("name")).toString().left(100);
    const auto count = protocol::intField(message, "pieces", 0, setlimits::maxFiles);
    if (!SetBundle::validId(setId) || setDigest.size() != 64 || setSize < 0
        || setSize > setlimits::maxSetBytes || setFiles < 1 || setFiles > setlimits::maxFiles
        || !count) {
        fail(QStringLiteral("The host offers a set this game cannot take."));
        return;
    }
    welcomed = true;
    pieces = *count;
    playerName = message.value(QLatin1String("name")).toString(playerName);
    level = protocol::intField(message, "difficulty", 1, 3).value_or(1);
    const QString phase = message.value(QLatin1String("phase")).toString();
    currentPhase = phase == QLatin1String("playing")    ? Phase::Playing
                   : phase == QLatin1String("finished") ? Phase::Finished
                                                        : Phase::Lobby;

    // The shipped set when it is the very same, else one received before.
    const auto shipped = SetBundle::read(dataDir, setId, nullptr);
    if (shipped && shipped->digest() == setDigest && useSet(*shipped, QString()))
        return;
    const QString cached = cacheDir + QLatin1Char('/') + setDigest;
    const auto kept = SetBundle::read(cached, setId, nullptr);
    if (kept && kept->digest() == setDigest && useSet(*kept, cached))
        return;
    // Where the game stands is kept for when the set is here.
    afterSet = currentPhase;
    currentPhase = Phase::Fetching;
    received.clear();
    receivedBytes = 0;
    send({{"type", "get-set"}});
}

void ClassClient::moveTo(Phase phase)
{
    if (currentPhase == Phase::Fetching)
        afterSet = phase;
    else
        currentPhase = phase;
}

void ClassClient::receiveFile(const QJsonObject &message)
{
    if (currentPhase != Phase::Fetching)
        return;
    const QString name = message.value(QLatin1String("name")).toString();
    const qint64 size = message.value(QLatin1String("size")).toInteger(-1);
    const qint64 offset = message.value(QLatin1String("offset")).toInteger(-1);
    const auto data =
        QByteArray::fromBase64Encoding(message.value(QLatin1String("data")).toString().toLatin1(),
                                       QByteArray::AbortOnBase64DecodingErrors);
    // A file comes whole, in order, before the next one begins.
    const bool continues = !received.isEmpty() && received.last().name == name && fileSize == size
                           && received.last().bytes.size() == offset;
    const bool begins = offset == 0 && received.size() < setFiles
                        && (received.isEmpty() || received.last().bytes.size() == fileSize)
                        && std::none_of(received.begin(), received.end(),
                                        [&](const SetFile &f) { return f.name == name; });
    if (!SetBundle::validFileName(name) || size < 0 || size > setlimits::maxFileBytes || !data
        || (!continues && !begins) || offset + data.decoded.size() > size
        || receivedBytes + data.decoded.size() > std::min(setSize, setlimits::maxSetBytes)) {
        fail(QStringLiteral("The set from the host is damaged."));
        return;
    }
    if (!continues) {
        received.append({name, QByteArray()});
        fileSize = size;
    }
    received.last().bytes += data.decoded;
    receivedBytes += data.decoded.size();
}

void ClassClient::setEnd(const QJsonObject &)
{
    if (currentPhase != Phase::Fetching)
        return;
    QString why;
    auto bundle = SetBundle::fromFiles(setId, received, &why);
    received.clear();
    if (!bundle || bundle->digest() != setDigest) {
        fail(QStringLiteral("The set from the host is damaged%1.")
                 .arg(why.isEmpty() ? QString() : QStringLiteral(": ") + why));
        return;
    }
    // Stored, then read back from the cache through the same checks as any.
    const QString cached = cacheDir + QLatin1Char('/') + setDigest;
    const auto kept =
        bundle->store(cached, &why) ? SetBundle::read(cached, setId, &why) : std::nullopt;
    if (!kept || kept->digest() != setDigest) {
        fail(QStringLiteral("The set could not be kept: %1").arg(why));
        return;
    }
    currentPhase = afterSet;
    useSet(*kept, cached);
}

bool ClassClient::useSet(const SetBundle &bundle, const QString &modelRoot)
{
    const SetFile *xml = bundle.file(bundle.xmlName());
    auto parsed = std::make_unique<QDomDocument>(QStringLiteral("set"));
    if (!xml || nestsTooDeep(xml->bytes) || !parsed->setContent(xml->bytes))
        return false;
    document = std::move(parsed);
    root = modelRoot;
    if (bundleName.isEmpty())
        bundleName = bundle.name;
    emit ready();
    return true;
}

void ClassClient::readStandings(const QJsonObject &message)
{
    standingsList.clear();
    const QJsonArray players = message.value(QLatin1String("players")).toArray();
    for (qsizetype i = 0; i < players.size() && i < protocol::maxPlayers; ++i) {
        const QJsonObject p = players.at(i).toObject();
        Standing s;
        s.place = p.value(QLatin1String("place")).toInt();
        s.name = p.value(QLatin1String("name")).toString().left(protocol::maxNameLength * 2);
        s.progress = std::clamp(p.value(QLatin1String("progress")).toInt(), 0, 100);
        s.misses = std::max(0, p.value(QLatin1String("misses")).toInt());
        s.timeMs = std::max<qint64>(0, p.value(QLatin1String("time")).toInteger());
        s.finished = p.value(QLatin1String("finished")).toBool();
        s.connected = p.value(QLatin1String("connected")).toBool();
        standingsList << s;
    }
    emit standingsChanged();
}

void ClassClient::readState(const QJsonObject &message)
{
    State s;
    s.placed = intList(message.value(QLatin1String("placed")), 0, pieces - 1, pieces);
    s.misses = intList(message.value(QLatin1String("misses")), 0, 1 << 30, pieces);
    s.finished = message.value(QLatin1String("finished")).toBool();
    s.time = std::max<qint64>(0, message.value(QLatin1String("finishTime")).toInteger());
    playerState = s;
    syncClock(message);
    emit stateReceived();
}

void ClassClient::syncClock(const QJsonObject &message)
{
    const QJsonValue time = message.value(QLatin1String("time"));
    if (!time.isDouble())
        return;
    clockAtSync = std::max<qint64>(0, time.toInteger());
    sinceSync.start();
}

void ClassClient::send(const QJsonObject &message)
{
    if (socket && socket->state() == QAbstractSocket::ConnectedState)
        socket->write(protocol::encode(message));
}

void ClassClient::fail(const QString &why)
{
    if (currentPhase == Phase::Gone)
        return;
    const bool joined = welcomed;
    currentPhase = Phase::Gone;
    timer.stop();
    if (socket) {
        socket->disconnect(this);
        socket->abort();
    }
    QString text = why;
    if (text.isEmpty())
        text = joined ? QStringLiteral("The host has gone.")
                      : QStringLiteral("Could not reach a game at %1.").arg(host);
    emit failed(text);
}

void ClassClient::tick()
{
    if (lastHeard.elapsed() > protocol::hostSilenceMs) {
        fail(welcomed ? QStringLiteral("The host has gone.")
                      : QStringLiteral("Could not reach a game at %1.").arg(host));
        return;
    }
    if (welcomed && lastPing.elapsed() >= protocol::pingIntervalMs) {
        lastPing.restart();
        send({{"type", "ping"}});
    }
}
