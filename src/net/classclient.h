#pragma once

// A student's side of a class game: joins the host with the code and a
// nickname, finds the host's set among the shipped ones or in its cache
// (else receives it and keeps it there), reports what the player does and
// hears the host's verdicts, the standings and the podium. It decides
// nothing of the game itself.

#include "net/protocol.h"
#include "net/setbundle.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

class QDomDocument;
class QTcpSocket;

class ClassClient : public QObject
{
    Q_OBJECT

public:
    enum class Phase { Idle, Joining, Fetching, Lobby, Playing, Finished, Gone };

    explicit ClassClient(QObject *parent = nullptr);
    ~ClassClient() override;

    // Where the shipped sets are (the game's working directory).
    QString dataDir = QStringLiteral(".");
    // Where received sets are kept; by default the game's cache folder.
    QString cacheDir;

    void join(const QString &host, quint16 port, const QString &code, const QString &name);
    // Leaves the game; nothing is reported after this.
    void leave();

    void take(int piece);
    void drop(int piece, float x, float y);

    Phase phase() const { return currentPhase; }
    // The set is here and loaded.
    bool isReady() const { return document != nullptr; }
    QString name() const { return playerName; }
    QString setName() const { return bundleName; }
    int difficulty() const { return level; }
    QDomDocument *set() const { return document.get(); }
    // Empty for a shipped set; the folder a received set's models are under.
    QString modelRoot() const { return root; }
    QStringList lobby() const { return lobbyNames; }
    // The class clock: what the host said last and the time since.
    qint64 clock() const;
    QList<Standing> standings() const { return standingsList; }

    // The player's game as the host sent it last.
    struct State
    {
        QList<int> placed; // pieces in the order they were fitted
        QList<int> misses; // by piece
        bool finished = false;
        qint64 time = 0; // the finish time, once finished
    };
    State state() const { return playerState; }

signals:
    void ready();
    void lobbyChanged();
    void started();
    void stateReceived();
    void verdict(int piece, bool fits);
    void standingsChanged();
    void finished();
    // Could not join (the host's reason), or the host has gone. Said once.
    void failed(const QString &why);

private:
    void connected();
    void readLines();
    void handle(const QJsonObject &message);
    void welcome(const QJsonObject &message);
    void receiveFile(const QJsonObject &message);
    void setEnd(const QJsonObject &message);
    bool useSet(const SetBundle &bundle, const QString &modelRoot);
    void readStandings(const QJsonObject &message);
    void readState(const QJsonObject &message);
    void syncClock(const QJsonObject &message);
    void send(const QJsonObject &message);
    void fail(const QString &why);
    void tick();
    // The phase the host says, kept for later while the set is on its way.
    void moveTo(Phase phase);

    QTcpSocket *socket = nullptr; // child
    LineReader reader{protocol::maxHostLine};
    QTimer timer;
    QElapsedTimer lastHeard;
    QElapsedTimer lastPing;
    QElapsedTimer sinceSync;
    qint64 clockAtSync = 0;
    Phase currentPhase = Phase::Idle;
    QString host, code, playerName, bundleName, root;
    int level = 1;
    int pieces = 0;
    std::unique_ptr<QDomDocument> document;
    QStringList lobbyNames;
    QList<Standing> standingsList;
    State playerState;
    bool welcomed = false;

    // The set as announced and as it arrives.
    QString setId, setDigest;
    qint64 setSize = 0;
    int setFiles = 0;
    QList<SetFile> received;
    qint64 fileSize = 0; // the last file's, as announced
    qint64 receivedBytes = 0;
    Phase afterSet = Phase::Lobby;
};
