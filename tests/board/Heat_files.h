#pragma once
// Heat files as a station writes them, for the board's tests.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace wk::test {

struct Heat_text {
    QString id = "H1";
    QString state = "provisional";
    int revision = 1;
    QString updated = "2026-12-09T20:31:05Z";
    QString name = "Anna Berg";
    QString time = "2:03,46";
};

inline QByteArray Heat_json(const Heat_text& h)
{
    return QStringLiteral(R"({"id":"%1","kind":"canoe","event":"K1 Women 200 m","heat":"Final A","state":"%2",)"
                          R"("revision":%3,"updated":"%4","precision":"1/100","rows":[{"place":1,"lane":3,)"
                          R"("bib":"17","name":"%5","club":"KC Nord","time_ms":123456,"time":"%6","difference":"",)"
                          R"("made":"clicked","dead_heat":false,"code":""}],"revisions":[]})")
        .arg(h.id, h.state)
        .arg(h.revision)
        .arg(h.updated, h.name, h.time)
        .toUtf8();
}

// Replaced whole by a rename, as the station replaces its results files.
inline void Write_heat(const QString& folder, const QString& id, const QByteArray& bytes)
{
    const QString part = QDir(folder).filePath("." + id + ".part");
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + part.toStdString());
    file.close();
    if (::rename(part.toLocal8Bit().constData(), QDir(folder).filePath(id + ".json").toLocal8Bit().constData()) != 0)
        throw std::runtime_error("cannot rename " + part.toStdString());
}

} // namespace wk::test
