#include "platform/Local_client.h"

#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace wk::platform {

Local_client::Local_client(int fd, qsizetype max_buffered, qsizetype max_unsent, QObject* parent)
    : QObject(parent), fd_(fd), max_buffered_(max_buffered), max_unsent_(max_unsent),
      reader_(new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this)),
      writer_(new QSocketNotifier(qintptr(fd), QSocketNotifier::Write, this))
{
    writer_->setEnabled(false);
    connect(reader_, &QSocketNotifier::activated, this, &Local_client::Read_waiting);
    connect(writer_, &QSocketNotifier::activated, this, &Local_client::Write_waiting);
}

Local_client::~Local_client()
{
    reader_->setEnabled(false);
    writer_->setEnabled(false);
    if (fd_ >= 0) ::close(fd_);
}

QByteArray Local_client::Read(qsizetype most)
{
    QByteArray taken = in_.left(most);
    Skip(most);
    return taken;
}

void Local_client::Skip(qsizetype most)
{
    in_.remove(0, std::min(most, in_.size()));
    // Room again: what waits in the socket is read on the loop's next turn.
    if (Connected() && in_.size() < max_buffered_) reader_->setEnabled(true);
}

bool Local_client::Send(const QByteArray& bytes)
{
    if (!Connected() || out_.size() + bytes.size() > max_unsent_) return false;
    out_.append(bytes);
    Write_waiting();
    return true;
}

void Local_client::Read_waiting()
{
    const qsizetype had = in_.size();
    if (!Connected() || had >= max_buffered_) return reader_->setEnabled(false);
    in_.resize(max_buffered_);
    const ssize_t got = ::recv(fd_, in_.data() + had, size_t(max_buffered_ - had), 0);
    const int error = errno;
    in_.resize(had + std::max<qsizetype>(got, 0));
    if (got == 0 || (got < 0 && error != EAGAIN && error != EWOULDBLOCK && error != EINTR)) return Gone();
    if (got < 0) return;
    if (in_.size() >= max_buffered_) reader_->setEnabled(false);
    if (reading_ || !On_readable) return;
    // The callback may run the loop, in which this client can be deleted.
    const QPointer<Local_client> alive(this);
    reading_ = true;
    On_readable();
    if (alive) reading_ = false;
}

void Local_client::Write_waiting()
{
    while (Connected() && !out_.isEmpty()) {
        const ssize_t sent = ::send(fd_, out_.constData(), size_t(out_.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            out_.remove(0, sent);
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return writer_->setEnabled(true);
        } else if (sent == 0 || errno != EINTR) {
            return Gone();
        }
    }
    writer_->setEnabled(false);
}

void Local_client::Gone()
{
    if (!Connected()) return;
    reader_->setEnabled(false);
    writer_->setEnabled(false);
    ::close(fd_);
    fd_ = -1;
    out_.clear();
    if (On_gone) On_gone();
}

} // namespace wk::platform
