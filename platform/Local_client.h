#pragma once
// One connected local stream socket served on the GUI thread: what it sends is read into a
// bounded buffer (past that the client waits on its own socket), what it is sent is queued up to
// a bound and written as it takes it. Our own rather than QLocalSocket, so that the program does
// not load Qt's network library and the ones that pulls in before `main`.
#include <QByteArray>
#include <QObject>

#include <functional>

class QSocketNotifier;

namespace wk::platform {

class Local_client final : public QObject {
    Q_OBJECT
public:
    // Takes over fd (connected, non-blocking) and closes it when the client is gone or this goes.
    Local_client(int fd, qsizetype max_buffered, qsizetype max_unsent, QObject* parent = nullptr);
    ~Local_client() override;
    Local_client(const Local_client&) = delete;
    Local_client& operator=(const Local_client&) = delete;

    // New bytes were read. Not called again while it runs (a box it raises runs the loop); what
    // comes meanwhile is buffered for it to find.
    std::function<void()> On_readable;
    // The client left or its socket failed; called once. What was read stays to be taken.
    std::function<void()> On_gone;

    bool Connected() const { return fd_ >= 0; }
    qsizetype Available() const { return in_.size(); }
    QByteArray Peek(qsizetype most) const { return in_.left(most); }
    QByteArray Read(qsizetype most);
    void Skip(qsizetype most);
    // Bytes sent and not yet taken by the client.
    qsizetype Unsent() const { return out_.size(); }
    // Queues bytes whole, or not at all (false) when the client is gone or they would pass the
    // bound of what waits for it.
    bool Send(const QByteArray& bytes);

private:
    void Read_waiting();
    void Write_waiting();
    void Gone();

    int fd_;
    const qsizetype max_buffered_;
    const qsizetype max_unsent_;
    QByteArray in_;
    QByteArray out_;
    QSocketNotifier* reader_;
    QSocketNotifier* writer_;
    bool reading_ = false;
};

} // namespace wk::platform
