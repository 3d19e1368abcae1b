#pragma once
// The simulated kit driven from outside the program over a local socket, by the kit simulator
// tool or a test. One command a line of at most 4096 bytes:
//   attach SERIAL | detach | in N 0|1 | pulse N MS
// Each is answered with "ok " and the command once the kit's event for it has been handled by
// the program ("pulse" once the input is off again), or with "error " and the reason. A client
// that does not read its answers loses those past k_Max_unsent bytes waiting for it. Only
// clients of this user are served.
#include "capture/Simulated_interface_kit.h"
#include "platform/Local_listener.h"

#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

namespace wk {

namespace platform {
class Local_client;
}

class Socket_interface_kit final : public QObject, public Simulated_interface_kit {
public:
    static constexpr qint64 k_Max_line = 4096;
    // While no descriptor is free for a new client, the waiting ones are tried again this often.
    static constexpr int k_Retry_ms = 100;
    // Answers waiting for one client beyond this are dropped.
    static constexpr qint64 k_Max_unsent = 16 * k_Max_line;

    // The socket name the program and the tool use unless WK_KITSIM_SOCKET names another.
    static QString Default_socket_name();
    // Where the socket of that name lies: an absolute name as it stands, any other in the user's
    // runtime folder. Empty, with problem set, when that folder is not the user's own.
    static std::string Socket_path(const QString& name, std::string& problem);

    explicit Socket_interface_kit(const QString& socket_name = Default_socket_name());
    ~Socket_interface_kit() override;
    bool Listening() const { return listener_.Listening(); }
    const std::string& Path() const { return path_; }
    // Why the socket could not be made, for the operator; empty once it listens.
    const std::string& Socket_problem() const { return problem_; }
    // Runs one command line; the answer to send back, empty while a pulse is still running
    // (the socket is then answered when it ends).
    std::string Run_command(const std::string& line, platform::Local_client* answer_to = nullptr);

private:
    void Listen();
    void Accept_waiting();
    void Pause(int error);
    void Take(int fd);
    void Serve(platform::Local_client* client);

    // Before path_, which is made with it.
    std::string problem_;
    std::string path_;
    platform::Local_listener listener_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* retry_ = nullptr;
    // Running out of descriptors has been told and no client has been taken since.
    bool told_ = false;
};

} // namespace wk
