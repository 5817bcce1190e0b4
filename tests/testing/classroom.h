#pragma once

#include "net/classclient.h"
#include "net/classhost.h"
#include "net/gamefinder.h"
#include "testing/gamedata.h"

#include <QTemporaryDir>

#include <memory>
#include <vector>

// A class on the loopback interface: the set "class" in a game data folder (the shape at (0, 0.2, 0),
// the pieces "Aorta", "Bone" and "Colon" at (0.1, 0.1), (-0.2, 0.3), (-0.1, -0.1): targets (0.1, 0.3),
// (-0.2, 0.5), (-0.1, 0.1)), a host on a free port with the code 4321 that sends its beacons to
// 127.0.0.1 only, where the classroom's own finder listens on a free port.
struct Classroom
{
    static constexpr float targets[3][2] = {{0.1f, 0.3f}, {-0.2f, 0.5f}, {-0.1f, 0.1f}};

    GameData data;
    QTemporaryDir cache; // the students' cache folders
    GameFinder finder;
    std::unique_ptr<ClassHost> host;

    explicit Classroom(int difficulty = 1);
    ClassHost::Options options(int difficulty);
    // The set "class" into a game data folder.
    static void writeSet(GameData &data);
};

// A student's game without a screen: a real client that drops where it is told.
struct Student
{
    ClassClient client;
    QList<std::pair<int, bool>> verdicts;
    QString failure;

    // Joins and waits until the set is loaded or joining failed; `dataDir` holds the shipped sets.
    Student(Classroom &room, const QString &name, const QString &code = QStringLiteral("4321"),
            const QString &dataDir = QStringLiteral("."));
    Student(quint16 port, const QString &cacheDir, const QString &name, const QString &code);
    bool ready() const { return client.isReady() && failure.isEmpty(); }
    // Drops the piece `dx` along x from its target and waits for the verdict.
    bool drop(int piece, float dx = 0);

private:
    void start(quint16 port, const QString &name, const QString &code);
};

// Starts a fresh socket on the host; connected or not within two seconds.
std::unique_ptr<class QTcpSocket> rawConnection(quint16 port);
// Every line the socket gets until it closes or `ms` pass.
QList<QJsonObject> linesUntilClosed(QTcpSocket &socket, int ms);
