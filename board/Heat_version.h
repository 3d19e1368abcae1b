#pragma once
// One heat's result as a station wrote it: the bytes served as they stand, and the few fields the
// list of heats shows.
#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <variant>

namespace wk {

struct Heat_version {
    QString id;
    QString event;
    QString heat;
    QString state;
    qint64 revision = 0;
    QString updated;
    QByteArray json;
};

// A whole, well-formed heat file whose id is the one its name gives, or why it is not.
std::variant<Heat_version, std::string> Parse_heat_file(const QByteArray& bytes, const QString& id);

// Ids are file names: letters, digits, '_' and '-' only, so no id can name a path.
bool Is_heat_id(const QString& text);

} // namespace wk
