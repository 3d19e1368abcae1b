// Drives the simulated control box of a running capture window (started with
// WK_CONTROL_BOX=kitsim) over its local socket. Each argument is one command:
//   wakeline_kitsim "attach 1234" "in 1 1" "in 0 1" "in 5 1" "in 5 0" "pulse 2 200" detach
// Without arguments the commands are read from standard input, one a line. Every answer is
// printed as it comes; the tool waits for each before it sends the next, so a script needs no
// sleeps. The exit code is 1 when any command was refused or the program could not be reached.
#include "capture/Socket_interface_kit.h"

#include <QCoreApplication>
#include <QLocalSocket>

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::string> commands(argv + 1, argv + argc);
    if (commands.empty())
        for (std::string line; std::getline(std::cin, line);)
            if (!line.empty()) commands.push_back(line);
    std::string problem;
    const std::string path = wk::Socket_interface_kit::Socket_path(wk::Socket_interface_kit::Default_socket_name(), problem);
    if (path.empty()) {
        std::cerr << "wakeline_kitsim: " << problem << "\n";
        return 1;
    }
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(path));
    if (!socket.waitForConnected(3000)) {
        std::cerr << "wakeline_kitsim: no capture window listens (" << socket.errorString().toStdString() << ")\n";
        return 1;
    }
    // Only this user's program is driven: a server another user runs at the name is not ours.
    if (!wk::platform::Local_listener::Peer_is_this_user(int(socket.socketDescriptor()))) {
        std::cerr << "wakeline_kitsim: the socket " << path << " is served by another user's program\n";
        return 1;
    }
    int code = 0;
    for (const std::string& command : commands) {
        socket.write((command + "\n").c_str());
        socket.flush();
        // A pulse is answered when it ends; allow it its length and some.
        while (!socket.canReadLine())
            if (!socket.waitForReadyRead(60000)) {
                std::cerr << "wakeline_kitsim: no answer to " << command << "\n";
                return 1;
            }
        const std::string answer = socket.readLine().trimmed().toStdString();
        std::cout << answer << std::endl;
        if (answer.rfind("ok ", 0) != 0) code = 1;
    }
    return code;
}
