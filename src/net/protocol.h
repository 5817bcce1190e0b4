#pragma once

// The class game's wire format (docs/protocol.md says it message by
// message): one JSON object a line, UTF-8, each line ending in "\n", over TCP;
// beacons are one JSON object a UDP datagram. Every limit of it lives here.

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

class QIODevice;

namespace protocol {

constexpr int version = 1;
constexpr quint16 defaultGamePort = 47820;   // TCP: the games
constexpr quint16 defaultBeaconPort = 47821; // UDP: the beacons

// Bytes of one line, its "\n" included: clients send small messages, the
// host also sends the set in pieces.
constexpr qsizetype maxClientLine = 4096;
constexpr qsizetype maxHostLine = 65536;
constexpr qsizetype maxBeacon = 512;
// Raw bytes of a set file carried by one "set-file" message (base64 makes
// 43 692 characters of them, well inside a host line).
constexpr int chunkBytes = 32768;

constexpr int codeDigits = 4;
constexpr int maxNameLength = 24;
constexpr int maxPlayers = 100;
constexpr int maxUnauthenticated = 64;
// A connection has this long to say hello with the right code.
constexpr int helloTimeoutMs = 5000;
// A player's connection that sends no complete message for this long is gone.
constexpr int silenceTimeoutMs = 10000;
// The host and the clients speak at least this often.
constexpr int pingIntervalMs = 2000;
// A client that hears nothing from its host for this long has lost it.
constexpr int hostSilenceMs = 6000;
// Output the host holds for one slow reader before it gives up on it.
constexpr qint64 maxPendingOutput = 4 << 20;
// Messages a player's connection may get wrong before it is closed.
constexpr int maxBadMessages = 3;
// A drop point further out than this is no point in the room.
constexpr double maxCoordinate = 100.0;

// The object as one line: compact JSON and "\n".
QByteArray encode(const QJsonObject &message);
// A line (without its "\n") as a JSON object with a string "type"; nothing
// when it is not one (bad UTF-8, not JSON, not an object, no type).
std::optional<QJsonObject> decode(const QByteArray &line);
QJsonObject error(const QString &reason, const QString &message);

// A nickname as the host keeps it: trimmed, 1 to maxNameLength characters,
// none of them a control or formatting character; empty when not valid.
QString validName(const QString &name);
// Exactly codeDigits ASCII digits.
bool validCode(const QString &code);
// A random code, "0000" to "9999".
QString randomCode();

// A port from the settings store: the stored number when it is one from 0
// (any free port) to 65535, else the default.
quint16 portSetting(const QVariant &stored, quint16 fallback);

// An integer field within [low, high]; nothing when absent or out of range.
std::optional<int> intField(const QJsonObject &message, const char *key, int low, int high);

} // namespace protocol

// One player's line in the standings and the report.
struct Standing
{
    int place = 0;
    QString name;
    bool connected = false;
    bool finished = false;
    int progress = 0;
    int misses = 0;
    int hints = 0;          // pieces whose place the player was shown
    qint64 timeMs = 0;      // the finish time, or the class clock while playing
    QList<int> pieceMisses; // by piece, in the set's order
};

// Cuts what arrives on a socket into lines, never holding more than the
// limit: a line that has not ended within it is refused.
class LineReader
{
public:
    explicit LineReader(qsizetype limit)
        : limit(limit)
    {
    }

    enum Result { Line, NeedMore, TooLong };
    // The next complete line without its "\n" (and a "\r" before it).
    Result next(QIODevice &device, QByteArray *line);

private:
    qsizetype limit;
    QByteArray buffer;
};
