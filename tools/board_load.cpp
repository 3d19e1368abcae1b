// board_load: runs wakeline_board on a private folder of heats and loads it over loopback: push
// clients on the live channel, a steady rate of API requests on keep-alive connections, and a
// result changed every so often. Tells the answer times, the push delays, the errors and the
// board's memory and CPU over the run.
//   board_load [--program PATH] [--clients 200] [--rate 1000] [--seconds 60] [--changes 2]
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace {

constexpr int heat_count = 20;
constexpr int api_connections = 16;

struct Settings {
    QString program;
    int clients = 200;
    int rate = 1000;
    int seconds = 60;
    int changes_per_second = 2;
};

QByteArray Heat(int n, qint64 revision)
{
    return QStringLiteral(R"({"id":"H%1","kind":"canoe","event":"K1 Men 500 m","heat":"Heat %1","state":"official",)"
                          R"("revision":%2,"updated":"2026-12-09T20:%3:00Z","precision":"1/100","rows":[)"
                          R"({"place":1,"lane":3,"bib":"17","name":"Crew %1","club":"KC","time_ms":%2,"time":"1:40,00",)"
                          R"("difference":"","made":"clicked","dead_heat":false,"code":""}],"revisions":[]})")
        .arg(n)
        .arg(revision)
        .arg(n % 60, 2, 10, QLatin1Char('0'))
        .toUtf8();
}

void Write_heat(const QString& folder, int n, qint64 revision)
{
    const QString part = QDir(folder).filePath(QStringLiteral(".H%1.part").arg(n));
    QFile file(part);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(Heat(n, revision));
    file.close();
    ::rename(part.toLocal8Bit().constData(), QDir(folder).filePath(QStringLiteral("H%1.json").arg(n)).toLocal8Bit().constData());
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// The board's resident memory (KiB) and CPU time of all its threads (s), from /proc.
std::pair<long, double> Board_usage(qint64 pid)
{
    long rss = 0;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                rss = line.mid(6).trimmed().split(' ').first().toLong();
    double cpu = 0;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (f.size() > 13)
            cpu = double(f[11].toLongLong() + f[12].toLongLong()) / double(::sysconf(_SC_CLK_TCK));
    }
    return {rss, cpu};
}

class Load {
public:
    Load(const Settings& s, const QString& folder, quint16 port) : s_(s), folder_(folder), port_(port)
    {
        clock_.start();
        push_home_.moveToThread(&push_thread_);
        push_thread_.start();
    }
    ~Load() { Close_push_clients(); }
    void Close_push_clients();
    void Open_push_clients(const std::function<void()>& all_open);
    void Run(const std::function<void()>& done);
    void Report();

private:
    struct Api_connection {
        std::unique_ptr<QTcpSocket> socket;
        QByteArray got;
        double due_ms = -1; // the request out, as it was scheduled
    };
    void Connect(Api_connection& c);
    void Tick();
    void Send_next(Api_connection& c);
    void On_answer(Api_connection& c);
    void On_push(const QString& message);
    void Change();

    Settings s_;
    QString folder_;
    quint16 port_;
    QElapsedTimer clock_;
    // The push clients have a thread of their own, so their work does not delay the answers
    // measured here, nor the other way round.
    QThread push_thread_;
    QObject push_home_;
    std::mutex push_lock_; // over written_ms_ and the push figures
    std::vector<std::unique_ptr<QWebSocket>> clients_;
    std::vector<Api_connection> api_;
    std::deque<double> queued_; // when each waiting request was due
    qint64 issued_ = 0, answered_ = 0, errors_ = 0, pushes_ = 0, push_errors_ = 0;
    std::vector<double> answer_ms_, push_ms_;
    std::map<qint64, double> written_ms_; // revision -> when its file was written
    qint64 revision_ = 1000;
    double start_ms_ = 0;
    QTimer tick_, change_;
};

void Load::Open_push_clients(const std::function<void()>& all_open)
{
    QMetaObject::invokeMethod(&push_home_, [this, all_open] {
        auto opened = std::make_shared<int>(0);
        const QUrl url(QStringLiteral("ws://127.0.0.1:%1/live").arg(port_));
        for (int i = 0; i < s_.clients; ++i) {
            auto client = std::make_unique<QWebSocket>();
            QObject::connect(client.get(), &QWebSocket::textMessageReceived, &push_home_, [this](const QString& m) { On_push(m); });
            QObject::connect(client.get(), &QWebSocket::connected, &push_home_, [this, opened, all_open] {
                if (++*opened == s_.clients)
                    QMetaObject::invokeMethod(qApp, all_open);
            });
            QObject::connect(client.get(), &QWebSocket::disconnected, &push_home_, [this] {
                std::lock_guard hold(push_lock_);
                ++push_errors_;
            });
            client->open(url);
            clients_.push_back(std::move(client));
        }
    });
}

void Load::Close_push_clients()
{
    if (!push_thread_.isRunning())
        return;
    QMetaObject::invokeMethod(&push_home_, [this] {
        for (auto& client : clients_)
            client->disconnect(&push_home_);
        clients_.clear();
    }, Qt::BlockingQueuedConnection);
    push_thread_.quit();
    push_thread_.wait();
}

void Load::Connect(Api_connection& c)
{
    c.socket = std::make_unique<QTcpSocket>();
    c.got.clear();
    c.due_ms = -1;
    QObject::connect(c.socket.get(), &QIODevice::readyRead, [this, &c] { On_answer(c); });
    QObject::connect(c.socket.get(), &QAbstractSocket::disconnected, [this, &c] {
        if (c.due_ms >= 0)
            ++errors_;
        QTimer::singleShot(0, [this, &c] { Connect(c); });
    });
    c.socket->connectToHost(QHostAddress::LocalHost, port_);
}

void Load::Run(const std::function<void()>& done)
{
    api_.resize(api_connections);
    for (Api_connection& c : api_)
        Connect(c);
    start_ms_ = clock_.nsecsElapsed() / 1e6;
    tick_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick_, &QTimer::timeout, [this] { Tick(); });
    tick_.start(2);
    QObject::connect(&change_, &QTimer::timeout, [this] { Change(); });
    change_.start(1000 / std::max(1, s_.changes_per_second));
    QTimer::singleShot(s_.seconds * 1000, [this, done] {
        tick_.stop();
        change_.stop();
        // The last requests and pushes are let in before the count.
        QTimer::singleShot(1500, done);
    });
}

// Requests are due at a steady rate whatever the answers do, so a slow answer delays the ones
// behind it and that delay is counted.
void Load::Tick()
{
    const double now = clock_.nsecsElapsed() / 1e6;
    const qint64 due = qint64((now - start_ms_) * s_.rate / 1000.0);
    for (; issued_ < due; ++issued_)
        queued_.push_back(start_ms_ + double(issued_) * 1000.0 / s_.rate);
    for (Api_connection& c : api_)
        if (c.due_ms < 0 && !queued_.empty() && c.socket->state() == QAbstractSocket::ConnectedState)
            Send_next(c);
}

void Load::Send_next(Api_connection& c)
{
    c.due_ms = queued_.front();
    queued_.pop_front();
    const quint32 pick = QRandomGenerator::global()->bounded(heat_count * 5);
    const QByteArray path = pick < heat_count ? QByteArray("/api/heats") : "/api/heats/H" + QByteArray::number(pick % heat_count);
    c.socket->write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

void Load::On_answer(Api_connection& c)
{
    c.got += c.socket->readAll();
    const qsizetype end = c.got.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    static const QRegularExpression length("content-length: *([0-9]+)", QRegularExpression::CaseInsensitiveOption);
    const auto m = length.match(QString::fromLatin1(c.got.left(end)));
    const qsizetype whole = end + 4 + (m.hasMatch() ? m.captured(1).toLongLong() : 0);
    if (c.got.size() < whole)
        return;
    if (!c.got.startsWith("HTTP/1.1 200"))
        ++errors_;
    c.got.remove(0, whole);
    answer_ms_.push_back(clock_.nsecsElapsed() / 1e6 - c.due_ms);
    ++answered_;
    c.due_ms = -1;
    if (!queued_.empty())
        Send_next(c);
}

void Load::On_push(const QString& message)
{
    static const QRegularExpression revision("\"revision\":([0-9]+)");
    const auto m = revision.match(message);
    std::lock_guard hold(push_lock_);
    auto it = m.hasMatch() ? written_ms_.find(m.captured(1).toLongLong()) : written_ms_.end();
    if (it == written_ms_.end()) {
        ++push_errors_;
        return;
    }
    ++pushes_;
    push_ms_.push_back(clock_.nsecsElapsed() / 1e6 - it->second);
}

void Load::Change()
{
    const qint64 revision = ++revision_;
    std::lock_guard hold(push_lock_);
    written_ms_[revision] = clock_.nsecsElapsed() / 1e6;
    Write_heat(folder_, int(revision % heat_count), revision);
}

void Load::Report()
{
    Close_push_clients();
    std::printf("API: %lld requests due over %d s (%.0f/s), %lld answered, %lld errors; answer ms p50 %.2f p99 %.2f max %.2f\n",
                (long long)issued_, s_.seconds, double(issued_) / s_.seconds, (long long)answered_, (long long)errors_,
                Percentile(answer_ms_, 0.5), Percentile(answer_ms_, 0.99), Percentile(answer_ms_, 1.0));
    const qint64 expected = qint64(written_ms_.size()) * s_.clients;
    std::printf("Push: %lld of %lld delivered to %d clients, %lld errors; delay ms p50 %.1f p99 %.1f max %.1f\n",
                (long long)pushes_, (long long)expected, s_.clients, (long long)push_errors_, Percentile(push_ms_, 0.5),
                Percentile(push_ms_, 0.99), Percentile(push_ms_, 1.0));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({{"program", "wakeline_board to run", "path", QStringLiteral(WAKELINE_BOARD_PROGRAM)},
                       {"clients", "push clients", "n", "200"},
                       {"rate", "API requests a second", "n", "1000"},
                       {"seconds", "length of the run", "n", "60"},
                       {"changes", "results changed a second", "n", "2"}});
    parser.process(app);
    Settings s{parser.value("program"), parser.value("clients").toInt(), parser.value("rate").toInt(),
               parser.value("seconds").toInt(), parser.value("changes").toInt()};

    QTemporaryDir folder;
    for (int n = 0; n < heat_count; ++n)
        Write_heat(folder.path(), n, 1);
    QProcess board;
    board.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    board.start(s.program, {"--listen", "127.0.0.1:0", folder.path()});
    if (!board.waitForReadyRead(30'000)) {
        std::fprintf(stderr, "board_load: %s did not start\n", qPrintable(s.program));
        return 1;
    }
    const QString line = QString::fromUtf8(board.readLine());
    const quint16 port = quint16(QRegularExpression(":([0-9]+)/").match(line).captured(1).toUInt());
    std::printf("board %s", qPrintable(line));

    Load load(s, folder.path(), port);
    QTimer sampler;
    std::vector<std::pair<long, double>> usage;
    QObject::connect(&sampler, &QTimer::timeout, [&] { usage.push_back(Board_usage(board.processId())); });
    load.Open_push_clients([&] {
        std::printf("%d push clients connected\n", s.clients);
        usage.push_back(Board_usage(board.processId()));
        sampler.start(10'000);
        load.Run([&] {
            usage.push_back(Board_usage(board.processId()));
            load.Report();
            long peak = 0;
            for (const auto& [rss, cpu] : usage)
                peak = std::max(peak, rss);
            std::printf("Board memory KiB: at start %ld, at end %ld, peak %ld; samples:", usage.front().first,
                        usage.back().first, peak);
            for (const auto& [rss, cpu] : usage)
                std::printf(" %ld", rss);
            std::printf("\nBoard CPU (all threads): %.1f s over the run\n", usage.back().second - usage.front().second);
            app.quit();
        });
    });
    const int code = app.exec();
    board.terminate();
    board.waitForFinished();
    return code;
}
