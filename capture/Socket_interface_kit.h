#pragma once
// The simulated kit driven from outside the program over a local socket, by the kit simulator
// tool or a test. One command a line:
//   attach SERIAL | detach | in N 0|1 | pulse N MS
// Each is answered with "ok " and the command once the kit's event for it has been handled by
// the program ("pulse" once the input is off again), or with "error " and the reason.
#include "capture/Simulated_interface_kit.h"

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace wk {

class Socket_interface_kit final : public QObject, public Simulated_interface_kit {
public:
    // The socket name the program and the tool use unless WK_KITSIM_SOCKET names another.
    static QString Default_socket_name();

    explicit Socket_interface_kit(const QString& socket_name = Default_socket_name());
    ~Socket_interface_kit() override;
    bool Listening() const;
    // Runs one command line; the answer to send back, empty while a pulse is still running
    // (the socket is then answered when it ends).
    std::string Run_command(const std::string& line, QLocalSocket* answer_to = nullptr);

private:
    void Serve(QLocalSocket* client);
    QLocalServer* server_;
};

} // namespace wk
