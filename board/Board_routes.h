#pragma once
// What the board answers to one request, decided without any network: the server only carries it.
#include <QByteArray>

namespace wk {

class Heat_store;

struct Board_request {
    QByteArray method; // as sent: "GET", "POST", ...
    QByteArray path;   // as sent, still percent-encoded, without the query
};

struct Board_answer {
    int status = 200;
    QByteArray content_type;
    QByteArray body;
    QByteArray cache = "no-store";
};

Board_answer Answer(const Board_request& request, const Heat_store& store);

// The path of the live channel; a request for it that is not an upgrade is refused.
inline constexpr char live_path[] = "/live";

} // namespace wk
