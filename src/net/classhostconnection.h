#pragma once

// What the host keeps of each connection, shared by the host's lifecycle
// (net/classhost.cpp) and its handling of messages (net/classhostmessages.cpp).

#include "net/classhost.h"

#include <QTcpSocket>

namespace classhost {

constexpr int tickMs = 250;
constexpr qint64 setPumpBacklog = 256 * 1024; // set pieces queued for one reader at a time
constexpr int socketReadBuffer = 16 * 1024;

} // namespace classhost

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
    ClassGame::Player *player = nullptr; // null until the hello is accepted
    int badMessages = 0;
    bool setAsked = false;
    bool sendingSet = false;
    int setFile = 0;
    qint64 setOffset = 0;
};
