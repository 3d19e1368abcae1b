#pragma once
// A connected local datagram socket: where trace lines go when a tracer listens.
#include <string>
#include <string_view>

namespace wk::platform {

class Datagram_socket {
public:
    Datagram_socket() = default;
    ~Datagram_socket() { Close(); }
    Datagram_socket(const Datagram_socket&) = delete;
    Datagram_socket& operator=(const Datagram_socket&) = delete;

    // True when something listens at the path (the socket is then connected to it). A socket
    // another user made there is not spoken to: the lines would be theirs to read.
    bool Connect(const std::string& path);
    bool Is_connected() const { return fd_ >= 0; }
    // Sends one datagram without waiting; a full or gone listener loses it.
    void Send(std::string_view bytes) const;
    void Close();

private:
    int fd_ = -1;
};

} // namespace wk::platform
