// Prints the trace lines the program sends: listens on the tracer socket and writes each
// datagram as one line (converted from Windows-1252).
#include "platform/Private_folder.h"
#include "platform/Text_codec.h"
#include "services/Module_trace.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
std::string g_path;
void On_signal(int) { unlink(g_path.c_str()); _exit(0); }
} // namespace

int main(int argc, char** argv)
{
    g_path = argc > 1 ? argv[1] : wk::Tracer_socket_path();
    if (g_path.empty()) {
        std::string problem;
        wk::platform::Runtime_folder(problem);
        std::fprintf(stderr, "no tracer socket: %s\n", problem.c_str());
        return 1;
    }
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (fd < 0 || g_path.size() >= sizeof addr.sun_path) { std::perror("socket"); return 1; }
    std::memcpy(addr.sun_path, g_path.c_str(), g_path.size() + 1);
    unlink(g_path.c_str());
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) { std::perror("bind"); return 1; }
    std::signal(SIGINT, On_signal);
    std::signal(SIGTERM, On_signal);
    std::fprintf(stderr, "tracer listening on %s\n", g_path.c_str());
    std::string buf(65536, '\0');
    for (;;) {
        const ssize_t n = recv(fd, buf.data(), buf.size(), 0);
        if (n < 0) continue;
        std::string line = wk::platform::Ansi_to_utf8(std::string_view(buf.data(), size_t(n)));
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
}
