#pragma once
// The board's listening socket: every connection it accepts gets a guard, and one past the
// connection bound is told the board is busy and closed.
#include "board/Board_limits.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>

#include <vector>

class QTcpSocket;

namespace wk {

class Board_listener final : public QTcpServer {
public:
    explicit Board_listener(const Board_limits& limits, QObject* parent = nullptr);
    // The connection from that peer now carries pushes.
    void Become_push(const QHostAddress& peer, quint16 peer_port);
    int Open_connections();

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void Refuse_busy(qintptr descriptor);

    Board_limits limits_;
    std::vector<QPointer<QTcpSocket>> open_;
};

} // namespace wk
