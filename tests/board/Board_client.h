#pragma once
// The board as its own program, and plain HTTP spoken to it byte for byte (no client library to
// mend a path on the way).
#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTcpSocket>

namespace wk::test {

// Waits for events until done() holds; the deadline only catches a hang.
bool Wait_for(const std::function<bool()>& done);

struct Http_answer {
    int status = 0;
    QByteArray head;
    QByteArray body;
};

// Sends request on a new connection and reads one answer (status 0: the connection closed first).
Http_answer Exchange(quint16 port, const QByteArray& request);
// The answer to a GET of path.
Http_answer Get(quint16 port, const QByteArray& path);
// One whole answer at the start of bytes, if it is all there.
std::optional<Http_answer> Parse_answer(const QByteArray& bytes);

class Board_process {
public:
    explicit Board_process(const QStringList& folders);
    ~Board_process();
    quint16 port() const { return port_; }
    QString url() const { return url_; }
    // Ends it as a terminal would (SIGTERM) and gives its exit code.
    int Stop();

private:
    QProcess process_;
    quint16 port_ = 0;
    QString url_;
};

} // namespace wk::test
