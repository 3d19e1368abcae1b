#include "board/Connection_guard.h"

#include <QTcpSocket>

#include <sys/socket.h>

namespace wk {

Connection_guard::Connection_guard(QTcpSocket* socket, const Board_limits& limits)
    : QObject(socket), socket_(socket), max_request_bytes_(limits.max_request_bytes)
{
    // Made before the HTTP server sees the socket, so this is the first to hear of new bytes.
    connect(socket, &QIODevice::readyRead, this, &Connection_guard::On_ready_read);
    connect(socket, &QIODevice::bytesWritten, this, &Connection_guard::On_written);
    idle_.setSingleShot(true);
    idle_.setInterval(limits.idle_ms);
    connect(&idle_, &QTimer::timeout, socket, &QAbstractSocket::abort);
    idle_.start();
}

void Connection_guard::Become_push()
{
    idle_.stop();
}

// Each burst is counted as it arrives, before the server reads it; the count starts again when an
// answer goes out. A request that grows past the bound is refused and its connection closed.
void Connection_guard::On_ready_read()
{
    unanswered_ += socket_->bytesAvailable();
    if (unanswered_ > max_request_bytes_)
        Refuse_too_large();
}

void Connection_guard::On_written()
{
    unanswered_ = 0;
    if (idle_.isActive())
        idle_.start();
}

void Connection_guard::Refuse_too_large()
{
    // The server is not to parse what is left: its reading ends here.
    disconnect(socket_, &QIODevice::readyRead, nullptr, nullptr);
    disconnect(socket_, &QIODevice::bytesWritten, this, nullptr);
    if (socket_->isTransactionStarted())
        socket_->commitTransaction();
    // Closing on bytes not read resets the connection, and the client could lose the answer with
    // it: what it still sends is read and dropped until it closes, or until the idle time is up.
    connect(socket_, &QIODevice::readyRead, this, [this] { socket_->skip(socket_->bytesAvailable()); });
    connect(socket_, &QIODevice::bytesWritten, this, [this] {
        if (socket_->bytesToWrite() == 0)
            ::shutdown(int(socket_->socketDescriptor()), SHUT_WR);
    });
    socket_->skip(socket_->bytesAvailable());
    socket_->write("HTTP/1.1 413 Content Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    idle_.start();
}

} // namespace wk
