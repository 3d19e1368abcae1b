#pragma once
// Headless Chromium driven through its DevTools protocol on a pipe: commands out, answers and
// events back, each message a JSON text ended by a NUL byte.
#include <QJsonObject>
#include <QProcess>
#include <QString>

#include <deque>
#include <optional>

namespace wk::test {

class Devtools_pipe {
public:
    Devtools_pipe(const QString& chromium, const QString& profile_folder);
    ~Devtools_pipe();
    bool started() const { return started_; }
    // What chromium said on stderr, to tell why something failed.
    QString Log() const;

    // Sends a command and waits for its answer ("result"; empty with a test failure on an error
    // or a hang). Events that come meanwhile are kept for Wait_event.
    QJsonObject Call(const QString& method, const QJsonObject& params = {}, const QString& session = {});
    bool Wait_event(const QString& method, const QString& session);
    // Waits in the page until condition holds, then gives the value of result.
    QJsonValue Value_when(const QString& session, const QString& condition, const QString& result);

private:
    std::optional<QJsonObject> Next_message();

    QProcess process_;
    QString log_path_;
    int to_browser_ = -1;
    int from_browser_ = -1;
    bool started_ = false;
    int next_id_ = 1;
    QByteArray pending_;
    std::deque<QJsonObject> events_;
};

} // namespace wk::test
