#include "capture/Socket_interface_kit.h"

#include "platform/Local_client.h"
#include "platform/Private_folder.h"
#include "platform/System_info.h"

#include <QFile>
#include <QVariant>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace wk {

namespace {

const std::string k_Overlong = "error a command is at most " + std::to_string(Socket_interface_kit::k_Max_line) +
                               " bytes long";
// Set on a client whose overlong line has been refused until that line's end has been dropped.
const char* const k_Dropping = "wk_dropping_line";

// Whole answers only: one that would pass the backlog of a client that does not read is dropped,
// so the client's memory here stays bounded and what it reads later are still whole lines.
void Answer(platform::Local_client* client, const std::string& text)
{
    if (client) client->Send(QByteArray::fromStdString(text + "\n"));
}

} // namespace

QString Socket_interface_kit::Default_socket_name()
{
    const QString named = QString::fromStdString(platform::Environment("WK_KITSIM_SOCKET").value_or(""));
    return named.isEmpty() ? QStringLiteral("wakeline_kitsim") : named;
}

std::string Socket_interface_kit::Socket_path(const QString& name, std::string& problem)
{
    problem.clear();
    if (name.startsWith('/')) return QFile::encodeName(name).toStdString();
    const auto folder = platform::Runtime_folder(problem);
    return folder.empty() ? std::string() : (folder / QFile::encodeName(name).toStdString()).string();
}

Socket_interface_kit::Socket_interface_kit(const QString& socket_name)
    : path_(Socket_path(socket_name, problem_)), retry_(new QTimer(this))
{
    retry_->setSingleShot(true);
    retry_->setInterval(k_Retry_ms);
    connect(retry_, &QTimer::timeout, this, [this] {
        if (!Listening()) return Listen();
        notifier_->setEnabled(true);
        Accept_waiting();
    });
    Listen();
}

Socket_interface_kit::~Socket_interface_kit()
{
    if (!Listening()) return;
    delete notifier_;
    listener_.Close();
}

void Socket_interface_kit::Listen()
{
    if (path_.empty()) return;
    int error = 0;
    switch (listener_.Listen(path_, error)) {
    case platform::Local_listener::Result::listening: break;
    case platform::Local_listener::Result::name_too_long:
        problem_ = "The control box socket " + path_ + " cannot be made: the name is too long";
        qWarning("%s", problem_.c_str());
        return;
    case platform::Local_listener::Result::no_socket: return Pause(error);
    case platform::Local_listener::Result::cannot_listen:
        problem_ = "The control box socket " + path_ + " cannot be made (" + std::strerror(error) + ")";
        qWarning("%s", problem_.c_str());
        return;
    }
    problem_.clear();
    notifier_ = new QSocketNotifier(qintptr(listener_.Descriptor()), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &Socket_interface_kit::Accept_waiting);
}

void Socket_interface_kit::Accept_waiting()
{
    for (;;) {
        int error = 0;
        const int fd = listener_.Accept(error);
        if (fd < 0) {
            if (error != EAGAIN) Pause(error);
            return;
        }
        told_ = false;
        Take(fd);
    }
}

// Out of descriptors (or another passing failure): clients wait in the listen queue and are
// taken when the retry finds the means again; the listener itself stays.
void Socket_interface_kit::Pause(int error)
{
    if (notifier_) notifier_->setEnabled(false);
    retry_->start();
    if (told_) return;
    told_ = true;
    qWarning("Control box socket %s: cannot take a client now (%s); trying again every %d ms", path_.c_str(),
             std::strerror(error), k_Retry_ms);
}

void Socket_interface_kit::Take(int fd)
{
    // A client that sends without end waits on its own socket instead of filling our memory.
    auto* client = new platform::Local_client(fd, 4 * k_Max_line, k_Max_unsent, this);
    client->On_readable = [this, client] { Serve(client); };
    client->On_gone = [client] { client->deleteLater(); };
}

void Socket_interface_kit::Serve(platform::Local_client* client)
{
    // A command may raise a box whose event loop sees the client leave and deletes its socket.
    const QPointer<platform::Local_client> alive(client);
    while (alive && client->Available() > 0) {
        const QByteArray head = client->Peek(k_Max_line + 1);
        const qsizetype end = head.indexOf('\n');
        if (client->property(k_Dropping).toBool()) {
            client->Skip(end < 0 ? head.size() : end + 1);
            client->setProperty(k_Dropping, end < 0);
        } else if (end >= 0) {
            const std::string line = client->Read(end + 1).trimmed().toStdString();
            if (line.empty()) continue;
            const std::string answer = Run_command(line, client);
            if (alive && !answer.empty()) Answer(client, answer);
        } else if (head.size() > k_Max_line) {
            client->Skip(head.size());
            client->setProperty(k_Dropping, true);
            Answer(client, k_Overlong);
        } else {
            return; // the rest of the line is still on its way
        }
    }
}

std::string Socket_interface_kit::Run_command(const std::string& line, platform::Local_client* answer_to)
{
    if (line.size() > size_t(k_Max_line)) return k_Overlong;
    if (line.find('\0') != std::string::npos) return "error a command holds no NUL byte";
    std::istringstream words(line);
    std::string command;
    words >> command;
    int32_t a = 0, b = 0;
    if (command == "attach" && words >> a) {
        Attach(a);
    } else if (command == "detach") {
        Detach();
    } else if (command == "in" && words >> a >> b && (b == 0 || b == 1) && a >= 0 && a < k_Channels) {
        Set_input(a, b == 1);
    } else if (command == "pulse" && words >> a >> b && b >= 0 && a >= 0 && a < k_Channels) {
        Set_input(a, true);
        QPointer<platform::Local_client> client(answer_to);
        QTimer::singleShot(b, this, [this, a, line, client] {
            Set_input(a, false);
            Answer(client, "ok " + line);
        });
        return {};
    } else {
        return "error " + line + ": use attach SERIAL, detach, in N 0|1 or pulse N MS (N 0.." +
               std::to_string(k_Channels - 1) + ")";
    }
    return "ok " + line;
}

} // namespace wk
