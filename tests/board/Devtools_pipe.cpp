#include "tests/board/Devtools_pipe.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace wk::test {

namespace {

// Chromium's start-up on a loaded machine included; only a hang ever reaches it.
constexpr auto hang = std::chrono::seconds(120);

void Close(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

Devtools_pipe::Devtools_pipe(const QString& chromium, const QString& profile_folder)
{
    int in[2], out[2]; // the browser reads in[0] as fd 3 and writes out[1] as fd 4
    if (::pipe2(in, O_CLOEXEC) != 0)
        return;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]);
        return;
    }
    QDir().mkpath(profile_folder);
    log_path_ = QDir(profile_folder).filePath("chromium.log");
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setStandardErrorFile(log_path_);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", profile_folder);
    env.insert("XDG_CONFIG_HOME", profile_folder);
    env.insert("XDG_CACHE_HOME", profile_folder);
    process_.setProcessEnvironment(env);
    const int child_in = in[0], child_out = out[1];
    process_.setChildProcessModifier([child_in, child_out] {
        const int a = ::fcntl(child_in, F_DUPFD, 10), b = ::fcntl(child_out, F_DUPFD, 10);
        ::dup2(a, 3);
        ::dup2(b, 4);
    });
    process_.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                              "--no-default-browser-check", "--remote-debugging-pipe",
                              "--user-data-dir=" + QDir(profile_folder).filePath("profile"), "about:blank"});
    ::close(in[0]), ::close(out[1]);
    to_browser_ = in[1];
    from_browser_ = out[0];
    started_ = process_.waitForStarted();
}

Devtools_pipe::~Devtools_pipe()
{
    Close(to_browser_);
    Close(from_browser_);
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(30'000))
            process_.kill(), process_.waitForFinished();
    }
}

QString Devtools_pipe::Log() const
{
    QFile log(log_path_);
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll().right(4000)) : QString();
}

std::optional<QJsonObject> Devtools_pipe::Next_message()
{
    const auto deadline = std::chrono::steady_clock::now() + hang;
    for (;;) {
        if (const qsizetype end = pending_.indexOf('\0'); end >= 0) {
            const QJsonObject message = QJsonDocument::fromJson(pending_.left(end)).object();
            pending_.remove(0, end + 1);
            return message;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{from_browser_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0)
            return std::nullopt;
        char buffer[65536];
        const ssize_t n = ::read(from_browser_, buffer, sizeof buffer);
        if (n <= 0)
            return std::nullopt;
        pending_.append(buffer, n);
    }
}

QJsonObject Devtools_pipe::Call(const QString& method, const QJsonObject& params, const QString& session)
{
    const int id = next_id_++;
    QJsonObject command{{"id", id}, {"method", method}, {"params", params}};
    if (!session.isEmpty())
        command.insert("sessionId", session);
    const QByteArray bytes = QJsonDocument(command).toJson(QJsonDocument::Compact) + '\0';
    if (::write(to_browser_, bytes.constData(), size_t(bytes.size())) != bytes.size()) {
        ADD_FAILURE() << "chromium took no command " << method.toStdString();
        return {};
    }
    while (const auto message = Next_message()) {
        if (message->value("id").toInt() != id) {
            if (message->contains("method"))
                events_.push_back(*message);
            continue;
        }
        if (message->contains("error"))
            ADD_FAILURE() << method.toStdString() << ": " << QJsonDocument(message->value("error").toObject()).toJson().toStdString();
        return message->value("result").toObject();
    }
    ADD_FAILURE() << "no answer to " << method.toStdString() << "; chromium said:\n" << Log().toStdString();
    return {};
}

bool Devtools_pipe::Wait_event(const QString& method, const QString& session)
{
    for (;;) {
        for (auto it = events_.begin(); it != events_.end(); ++it)
            if (it->value("method").toString() == method && it->value("sessionId").toString() == session) {
                events_.erase(it);
                return true;
            }
        auto message = Next_message();
        if (!message)
            return false;
        if (message->contains("method"))
            events_.push_back(*message);
    }
}

QJsonValue Devtools_pipe::Value_when(const QString& session, const QString& condition, const QString& result)
{
    // Resolved by the page's own changes: nothing polls.
    const QString expression = QStringLiteral(
        "new Promise(resolve => {"
        "  let observer;"
        "  const done = () => { if (!(%1)) return false; if (observer) observer.disconnect(); resolve(%2); return true; };"
        "  observer = new MutationObserver(done);"
        "  if (!done()) observer.observe(document.documentElement,"
        "    {subtree: true, childList: true, characterData: true, attributes: true});"
        "})")
                                   .arg(condition, result);
    const QJsonObject answer =
        Call("Runtime.evaluate", {{"expression", expression}, {"awaitPromise", true}, {"returnByValue", true}}, session);
    if (answer.contains("exceptionDetails"))
        ADD_FAILURE() << QJsonDocument(answer.value("exceptionDetails").toObject()).toJson().toStdString();
    return answer.value("result").toObject().value("value");
}

} // namespace wk::test
