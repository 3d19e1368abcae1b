#include "board/Heat_version.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace wk {

namespace {

constexpr qsizetype max_id_length = 128;

std::optional<std::string> Missing_field(const QJsonObject& o)
{
    for (const char* key : {"id", "event", "heat", "state", "updated"})
        if (!o.value(QLatin1String(key)).isString())
            return std::string("no text \"") + key + "\"";
    const QJsonValue revision = o.value(QLatin1String("revision"));
    if (!revision.isDouble() || revision.toDouble() < 0 || revision.toDouble() != revision.toInteger())
        return std::string("no whole \"revision\"");
    if (!o.value(QLatin1String("rows")).isArray())
        return std::string("no \"rows\" list");
    return std::nullopt;
}

} // namespace

bool Is_heat_id(const QString& text)
{
    if (text.isEmpty() || text.size() > max_id_length)
        return false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-';
        if (!ok)
            return false;
    }
    return true;
}

std::variant<Heat_version, std::string> Parse_heat_file(const QByteArray& bytes, const QString& id)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return "not JSON at byte " + std::to_string(error.offset) + ": " + error.errorString().toStdString();
    if (!doc.isObject())
        return std::string("not a JSON object");
    const QJsonObject o = doc.object();
    if (auto missing = Missing_field(o))
        return *missing;
    const QString state = o.value(QLatin1String("state")).toString();
    if (state != QLatin1String("provisional") && state != QLatin1String("official"))
        return "unknown state \"" + state.toStdString() + "\"";
    if (o.value(QLatin1String("id")).toString() != id)
        return "its id is not its file name";
    return Heat_version{id,
                        o.value(QLatin1String("event")).toString(),
                        o.value(QLatin1String("heat")).toString(),
                        state,
                        o.value(QLatin1String("revision")).toInteger(),
                        o.value(QLatin1String("updated")).toString(),
                        bytes};
}

} // namespace wk
