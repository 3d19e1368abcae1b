#include "board/Board_listener.h"

#include "board/Connection_guard.h"

#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace wk {

Board_listener::Board_listener(const Board_limits& limits, QObject* parent) : QTcpServer(parent), limits_(limits)
{
    setListenBacklogSize(std::max(50, limits.max_connections / 2));
    setMaxPendingConnections(limits.max_connections);
}

int Board_listener::Open_connections()
{
    std::erase_if(open_, [](const QPointer<QTcpSocket>& s) { return s.isNull() || s->state() == QAbstractSocket::UnconnectedState; });
    return static_cast<int>(open_.size());
}

void Board_listener::incomingConnection(qintptr descriptor)
{
    if (Open_connections() >= limits_.max_connections) {
        Refuse_busy(descriptor);
        return;
    }
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    new Connection_guard(socket, limits_);
    open_.emplace_back(socket);
    addPendingConnection(socket);
}

void Board_listener::Refuse_busy(qintptr descriptor)
{
    auto* socket = new QTcpSocket(this);
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    socket->write("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
    // A peer that never reads must not keep it either.
    QTimer::singleShot(limits_.idle_ms, socket, &QObject::deleteLater);
}

void Board_listener::Become_push(const QHostAddress& peer, quint16 peer_port)
{
    for (const QPointer<QTcpSocket>& s : open_)
        if (s && s->peerPort() == peer_port && s->peerAddress() == peer)
            if (auto* guard = s->findChild<Connection_guard*>(QString(), Qt::FindDirectChildrenOnly))
                guard->Become_push();
}

} // namespace wk
