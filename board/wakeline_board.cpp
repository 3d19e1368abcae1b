// wakeline_board [--listen ADDRESS:PORT] FOLDER...
// Serves the heats in stations' results folders to browsers and results software: a JSON API, a
// live channel that pushes each changed heat, and the board page. Read-only.
#include "board/Board_server.h"
#include "board/Folder_watch.h"
#include "board/Heat_store.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int rescan_ms = 1000;
int quit_fds[2] = {-1, -1};

struct Options {
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 8080;
    std::vector<std::filesystem::path> folders;
};

void Usage(FILE* to)
{
    std::fprintf(to, "usage: wakeline_board [--listen ADDRESS:PORT] FOLDER...\n"
                     "  Serves the results in the stations' results folders on http://ADDRESS:PORT/\n"
                     "  (default 127.0.0.1:8080; port 0 takes a free port).\n");
}

bool Parse_listen(const QString& text, Options& options)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535 || !options.address.setAddress(host))
        return false;
    options.port = static_cast<quint16>(port);
    return true;
}

std::optional<Options> Parse(const QStringList& args)
{
    Options options;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--listen") && i + 1 < args.size()) {
            if (!Parse_listen(args[++i], options)) {
                std::fprintf(stderr, "wakeline_board: not an ADDRESS:PORT: %s\n", qPrintable(args[i]));
                return std::nullopt;
            }
        } else if (args[i].startsWith(QLatin1String("-"))) {
            return std::nullopt;
        } else {
            options.folders.emplace_back(args[i].toStdString());
        }
    }
    if (options.folders.empty())
        return std::nullopt;
    return options;
}

void Tell(const wk::Store_changes& changes, wk::Board_server& server)
{
    for (const std::string& problem : changes.problems)
        std::fprintf(stderr, "wakeline_board: %s\n", problem.c_str());
    for (const wk::Heat_version* heat : changes.changed)
        server.Push(heat->json);
    for (const QString& id : changes.removed)
        server.Push(QJsonDocument(QJsonObject{{"removed", id}}).toJson(QJsonDocument::Compact));
}

QString Url(const QHostAddress& address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol ? "[" + address.toString() + "]"
                                                                             : address.toString();
    return QStringLiteral("http://%1:%2/").arg(host).arg(port);
}

// SIGTERM and SIGINT end the event loop, so the board closes its connections on the way out.
void Quit_on_signals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, quit_fds) != 0)
        return;
    auto* notifier = new QSocketNotifier(quit_fds[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action {};
    action.sa_handler = [](int) { [[maybe_unused]] auto n = ::write(quit_fds[0], "q", 1); };
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

// Every connection is a file descriptor: the bound on connections stays below what the process
// may open, so the board refuses a connection rather than fail to accept it.
wk::Board_limits Limits()
{
    wk::Board_limits limits;
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0) {
        files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(files.rlim_max, 4096));
        ::setrlimit(RLIMIT_NOFILE, &files);
        ::getrlimit(RLIMIT_NOFILE, &files);
        constexpr rlim_t kept_for_files = 64;
        if (files.rlim_cur < rlim_t(limits.max_connections) + kept_for_files)
            limits.max_connections = int(std::max<rlim_t>(files.rlim_cur, 2 * kept_for_files) - kept_for_files);
    }
    return limits;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = Parse(app.arguments());
    if (!options) {
        Usage(stderr);
        return 2;
    }
    wk::Heat_store store(options->folders);
    wk::Board_server server(store, Limits());
    QString why;
    if (!server.Listen(options->address, options->port, &why)) {
        std::fprintf(stderr, "wakeline_board: cannot listen on %s:%u: %s\n", qPrintable(options->address.toString()),
                     options->port, qPrintable(why));
        return 1;
    }
    wk::Folder_watch watch(store, [&server](const wk::Store_changes& changes) { Tell(changes, server); }, rescan_ms);
    watch.Rescan();
    std::printf("listening on %s\n", qPrintable(Url(options->address, server.Port())));
    std::fflush(stdout);
    Quit_on_signals(app);
    return app.exec();
}
