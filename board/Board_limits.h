#pragma once
// What one client may hold of the board: a client past a bound is dropped, the others go on.
#include <QtGlobal>

namespace wk {

struct Board_limits {
    int max_connections = 1024;
    qint64 max_request_bytes = 16 * 1024; // a GET is its head alone
    int idle_ms = 15'000;                 // a connection that asks nothing for this long is closed
    int ping_ms = 20'000;                 // push clients are pinged; one silent for three pings goes
    qint64 max_push_backlog = 4 << 20;    // a push client that reads nothing is dropped, not buffered for
};

} // namespace wk
