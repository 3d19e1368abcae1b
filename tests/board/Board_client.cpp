#include "tests/board/Board_client.h"

#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace wk::test {

namespace {
constexpr int hang_ms = 60'000;
}

bool Wait_for(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, hang_ms);
}

std::optional<Http_answer> Parse_answer(const QByteArray& bytes)
{
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    if (end < 0)
        return std::nullopt;
    Http_answer answer;
    answer.head = bytes.left(end);
    answer.status = answer.head.mid(9, 3).toInt();
    static const QRegularExpression length("\r\ncontent-length: *([0-9]+)", QRegularExpression::CaseInsensitiveOption);
    const auto match = length.match(QString::fromLatin1(answer.head));
    const qsizetype size = match.hasMatch() ? match.captured(1).toLongLong() : 0;
    if (bytes.size() < end + 4 + size)
        return std::nullopt;
    answer.body = bytes.mid(end + 4, size);
    return answer;
}

Http_answer Exchange(quint16 port, const QByteArray& request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QByteArray got;
    QObject::connect(&socket, &QIODevice::readyRead, [&] { got += socket.readAll(); });
    socket.write(request);
    Wait_for([&] { return Parse_answer(got) || socket.state() == QAbstractSocket::UnconnectedState; });
    return Parse_answer(got).value_or(Http_answer{});
}

Http_answer Get(quint16 port, const QByteArray& path)
{
    return Exchange(port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

Board_process::Board_process(const QStringList& folders)
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(WAKELINE_BOARD_PROGRAM), QStringList{"--listen", "127.0.0.1:0"} + folders);
    QByteArray out;
    static const QRegularExpression line("^listening on (http://127\\.0\\.0\\.1:([0-9]+)/)\n");
    Wait_for([&] {
        out += process_.readAllStandardOutput();
        return out.contains('\n') || process_.state() == QProcess::NotRunning;
    });
    const auto match = line.match(QString::fromUtf8(out));
    EXPECT_TRUE(match.hasMatch()) << "the board said: " << out.toStdString();
    url_ = match.captured(1);
    port_ = static_cast<quint16>(match.captured(2).toUInt());
}

Board_process::~Board_process()
{
    if (process_.state() != QProcess::NotRunning)
        Stop();
}

int Board_process::Stop()
{
    process_.terminate();
    Wait_for([&] { return process_.state() == QProcess::NotRunning; });
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished();
        return -1;
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

} // namespace wk::test
