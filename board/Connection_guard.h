#pragma once
// Holds one HTTP connection to the board's limits: the size of an unanswered request and the time
// a connection may sit idle. A connection that became a push client keeps only the size bound of
// its push channel (the push side pings it instead).
#include "board/Board_limits.h"

#include <QObject>
#include <QTimer>

class QTcpSocket;

namespace wk {

class Connection_guard final : public QObject {
    Q_OBJECT

public:
    Connection_guard(QTcpSocket* socket, const Board_limits& limits);
    void Become_push();

private:
    void On_ready_read();
    void On_written();
    void Refuse_too_large();

    QTcpSocket* socket_;
    QTimer idle_;
    qint64 unanswered_ = 0;
    qint64 max_request_bytes_;
};

} // namespace wk
