#include "board/Board_server.h"

#include "board/Board_listener.h"
#include "board/Board_routes.h"
#include "board/Heat_store.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QWebSocket>

namespace wk {

namespace {

constexpr qint64 max_push_message = 4096; // clients have nothing to say on the live channel

QByteArray Method_name(QHttpServerRequest::Method method)
{
    return method == QHttpServerRequest::Method::Get ? QByteArray("GET") : QByteArray("OTHER");
}

} // namespace

Board_server::Board_server(const Heat_store& store, const Board_limits& limits, QObject* parent)
    : QAbstractHttpServer(parent), store_(store), limits_(limits)
{
    clock_.start();
    connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &Board_server::Take_push_clients);
    connect(&ping_, &QTimer::timeout, this, &Board_server::Ping_clients);
    ping_.start(limits_.ping_ms);
}

Board_server::~Board_server()
{
    for (auto& [client, heard] : clients_) {
        client->disconnect(this);
        delete client;
    }
}

bool Board_server::Listen(const QHostAddress& address, quint16 port, QString* why)
{
    auto* listener = new Board_listener(limits_, this);
    if (!listener->listen(address, port)) {
        *why = listener->errorString();
        delete listener;
        return false;
    }
    bind(listener);
    listener_ = listener;
    return true;
}

quint16 Board_server::Port() const
{
    return listener_ ? listener_->serverPort() : 0;
}

bool Board_server::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    const Board_request asked{Method_name(request.method()), request.url().path(QUrl::FullyEncoded).toUtf8()};
    // The server makes a push client of an upgrade that a handler takes; one to another path is
    // left to missingHandler, which refuses it.
    if (request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0)
        return asked.method == "GET" && asked.path == live_path;
    const Board_answer answer = Answer(asked, store_);
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(answer.status));
    responder.writeHeader("Content-Type", answer.content_type);
    responder.writeHeader("Content-Length", QByteArray::number(answer.body.size()));
    responder.writeHeader("Cache-Control", answer.cache);
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Content-Security-Policy", "default-src 'self'; connect-src 'self' ws: wss:");
    if (answer.status == 405)
        responder.writeHeader("Allow", "GET");
    // An answer to HEAD has no body, or the connection's next answer would start inside it.
    responder.writeBody(request.method() == QHttpServerRequest::Method::Head ? QByteArray() : answer.body);
    return true;
}

void Board_server::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    makeResponder(request, socket).write("No such channel.\n", "text/plain", QHttpServerResponder::StatusCode::NotFound);
}

void Board_server::Take_push_clients()
{
    while (hasPendingWebSocketConnections()) {
        QWebSocket* client = nextPendingWebSocketConnection().release();
        if (client == nullptr)
            return;
        client->setParent(this);
        client->setMaxAllowedIncomingFrameSize(max_push_message);
        client->setMaxAllowedIncomingMessageSize(max_push_message);
        connect(client, &QWebSocket::disconnected, this, [this, client] { Drop(client); });
        if (client->requestUrl().path() != QLatin1String(live_path)) {
            client->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("no such channel"));
            continue;
        }
        listener_->Become_push(client->peerAddress(), client->peerPort());
        const auto heard = [this, client] {
            if (auto it = clients_.find(client); it != clients_.end())
                it->second = clock_.elapsed();
        };
        connect(client, &QWebSocket::pong, this, heard);
        connect(client, &QWebSocket::textMessageReceived, this, heard);
        clients_.emplace(client, clock_.elapsed());
    }
}

void Board_server::Drop(QWebSocket* client)
{
    clients_.erase(client);
    client->disconnect(this);
    client->deleteLater();
}

void Board_server::Push(const QByteArray& message)
{
    const QString text = QString::fromUtf8(message);
    std::vector<QWebSocket*> stuck;
    for (auto& [client, heard] : clients_) {
        if (client->bytesToWrite() > limits_.max_push_backlog)
            stuck.push_back(client);
        else
            client->sendTextMessage(text);
    }
    for (QWebSocket* client : stuck)
        client->abort();
}

void Board_server::Ping_clients()
{
    const qint64 now = clock_.elapsed();
    std::vector<QWebSocket*> silent;
    for (auto& [client, heard] : clients_) {
        if (now - heard > 3 * qint64(limits_.ping_ms))
            silent.push_back(client);
        else
            client->ping();
    }
    for (QWebSocket* client : silent)
        client->abort();
}

} // namespace wk
