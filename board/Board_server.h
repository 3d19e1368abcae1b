#pragma once
// The board's HTTP side: answers each request from the heat store and carries pushes to the
// clients of the live channel. Nothing here writes anywhere but to its clients.
#include "board/Board_limits.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTimer>

#include <map>

class QWebSocket;

namespace wk {

class Board_listener;
class Heat_store;

class Board_server final : public QAbstractHttpServer {
public:
    Board_server(const Heat_store& store, const Board_limits& limits, QObject* parent = nullptr);
    ~Board_server() override;

    // Listens on address and port (0: a free one); false with the reason when it cannot.
    bool Listen(const QHostAddress& address, quint16 port, QString* why);
    quint16 Port() const;
    // Sends one text message to every push client.
    void Push(const QByteArray& message);
    int Push_clients() const { return static_cast<int>(clients_.size()); }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void Take_push_clients();
    void Drop(QWebSocket* client);
    void Ping_clients();

    const Heat_store& store_;
    Board_limits limits_;
    Board_listener* listener_ = nullptr;
    std::map<QWebSocket*, qint64> clients_; // each with when it was last heard
    QElapsedTimer clock_;
    QTimer ping_;
};

} // namespace wk
