#include "capture/Socket_interface_kit.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <sstream>

namespace wk {

namespace {

void Answer(QLocalSocket* client, const std::string& text)
{
    if (!client || client->state() != QLocalSocket::ConnectedState) return;
    client->write((text + "\n").c_str());
    client->flush();
}

} // namespace

QString Socket_interface_kit::Default_socket_name()
{
    const QString named = qEnvironmentVariable("WK_KITSIM_SOCKET");
    return named.isEmpty() ? QStringLiteral("wakeline_kitsim") : named;
}

Socket_interface_kit::Socket_interface_kit(const QString& socket_name) : server_(new QLocalServer(this))
{
    // A socket left by a program that ended badly would block the name.
    QLocalServer::removeServer(socket_name);
    server_->listen(socket_name);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] { Serve(client); });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
}

Socket_interface_kit::~Socket_interface_kit() = default;

bool Socket_interface_kit::Listening() const { return server_->isListening(); }

void Socket_interface_kit::Serve(QLocalSocket* client)
{
    while (client->canReadLine()) {
        const std::string line = client->readLine().trimmed().toStdString();
        if (line.empty()) continue;
        const std::string answer = Run_command(line, client);
        if (!answer.empty()) Answer(client, answer);
    }
}

std::string Socket_interface_kit::Run_command(const std::string& line, QLocalSocket* answer_to)
{
    std::istringstream words(line);
    std::string command;
    words >> command;
    int32_t a = 0, b = 0;
    if (command == "attach" && words >> a) {
        Attach(a);
    } else if (command == "detach") {
        Detach();
    } else if (command == "in" && words >> a >> b && (b == 0 || b == 1) && a >= 0 && a < k_Channels) {
        Set_input(a, b == 1);
    } else if (command == "pulse" && words >> a >> b && b >= 0 && a >= 0 && a < k_Channels) {
        Set_input(a, true);
        QPointer<QLocalSocket> client(answer_to);
        QTimer::singleShot(b, this, [this, a, line, client] {
            Set_input(a, false);
            Answer(client, "ok " + line);
        });
        return {};
    } else {
        return "error " + line + ": use attach SERIAL, detach, in N 0|1 or pulse N MS (N 0.." +
               std::to_string(k_Channels - 1) + ")";
    }
    return "ok " + line;
}

} // namespace wk
