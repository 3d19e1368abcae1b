// A heat's state and revisions, kept beside its recording as a small JSON file.
#include "results/Result_record.h"

#include "platform/Byte_file.h"
#include "services/Module_utilities.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>
#include <fstream>
#include <iterator>

namespace wk {
namespace {

constexpr size_t k_Max_record_bytes = 1u << 20;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QJsonObject Lanes_json(const Lane_texts& lanes)
{
    QJsonObject o;
    for (const auto& [lane, text] : lanes) o.insert(QString::number(lane), Q(text));
    return o;
}

QJsonArray Changes_json(const std::vector<Result_change>& changes)
{
    QJsonArray a;
    for (const Result_change& c : changes)
        a.append(QJsonObject{{"lane", c.lane}, {"old", Q(c.old_text)}, {"new", Q(c.new_text)}});
    return a;
}

bool Valid_lane(int lane) { return lane >= 0 && lane < k_Heat_lanes; }

std::optional<Lane_texts> Lanes_from(const QJsonValue& value)
{
    if (!value.isObject()) return std::nullopt;
    Lane_texts lanes;
    const QJsonObject o = value.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
        bool ok = false;
        const int lane = it.key().toInt(&ok);
        if (!ok || !Valid_lane(lane) || !it.value().isString()) return std::nullopt;
        lanes[int16_t(lane)] = it.value().toString().toStdString();
    }
    return lanes;
}

std::optional<Result_revision> Revision_from(const QJsonValue& value)
{
    const QJsonObject o = value.toObject();
    if (!o.value("revision").isDouble() || !o.value("at").isString() || !o.value("changes").isArray())
        return std::nullopt;
    Result_revision r{o.value("revision").toInt(), o.value("at").toString().toStdString(), {}};
    for (const QJsonValue& c : o.value("changes").toArray()) {
        const QJsonObject change = c.toObject();
        const int lane = change.value("lane").toInt(-1);
        if (!Valid_lane(lane) || !change.value("old").isString() || !change.value("new").isString())
            return std::nullopt;
        r.changes.push_back({int16_t(lane), change.value("old").toString().toStdString(),
                             change.value("new").toString().toStdString()});
    }
    return r;
}

std::vector<Result_change> Changes(const Lane_texts& before, const Lane_texts& after)
{
    std::vector<Result_change> changes;
    for (int16_t lane = 0; lane < k_Heat_lanes; ++lane) {
        const auto old_at = before.find(lane), new_at = after.find(lane);
        const std::string old_text = old_at == before.end() ? "" : old_at->second;
        const std::string new_text = new_at == after.end() ? "" : new_at->second;
        if (old_text != new_text) changes.push_back({lane, old_text, new_text});
    }
    return changes;
}

} // namespace

Lane_texts Lane_result_texts(const Heat_result& result)
{
    Lane_texts lanes;
    for (const Heat_result_row& row : result.rows) lanes[row.lane] = Trim_blanks(Row_texts(result, row).time);
    return lanes;
}

Result_record Made_official(Result_record record, const Heat_result& result, const std::string& at)
{
    if (record.revision > 0) return record;
    record.revision = 1;
    record.official = Lane_result_texts(result);
    record.revisions = {{1, at, {}}};
    return record;
}

std::optional<Result_record> Revised(const Result_record& record, const Heat_result& result, const std::string& at)
{
    if (record.revision == 0) return std::nullopt;
    const Lane_texts now = Lane_result_texts(result);
    std::vector<Result_change> changes = Changes(record.official, now);
    if (changes.empty()) return std::nullopt;
    Result_record next = record;
    next.revision = record.revision + 1;
    next.official = now;
    next.revisions.push_back({next.revision, at, std::move(changes)});
    return next;
}

std::string Record_text(const Result_record& record)
{
    QJsonArray revisions;
    for (const Result_revision& r : record.revisions)
        revisions.append(QJsonObject{{"revision", r.revision}, {"at", Q(r.at)}, {"changes", Changes_json(r.changes)}});
    const QJsonObject o{{"state", record.revision > 0 ? "official" : "provisional"},
                        {"revision", record.revision},
                        {"official", Lanes_json(record.official)},
                        {"revisions", revisions}};
    return QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
}

std::optional<Result_record> Parse_record(std::string_view bytes, std::string& problem)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(bytes.data(), qsizetype(bytes.size())), &error);
    if (!doc.isObject()) {
        problem = "not a result record: " + error.errorString().toStdString();
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    Result_record record;
    record.revision = o.value("revision").toInt(-1);
    const std::optional<Lane_texts> official = Lanes_from(o.value("official"));
    if (record.revision < 0 || !official || !o.value("revisions").isArray()) {
        problem = "a result record without its state, revision or lanes";
        return std::nullopt;
    }
    record.official = *official;
    for (const QJsonValue& v : o.value("revisions").toArray()) {
        const std::optional<Result_revision> r = Revision_from(v);
        if (!r) {
            problem = "a result record with a damaged revision";
            return std::nullopt;
        }
        record.revisions.push_back(*r);
    }
    return record;
}

std::string Record_path(const std::string& recording) { return recording + ".result.json"; }

std::optional<Result_record> Load_record(const std::string& recording, std::string& problem)
{
    const std::string path = Record_path(recording);
    if (!FileExists(path)) return Result_record{};
    std::ifstream in(path, std::ios::binary);
    std::string bytes(k_Max_record_bytes + 1, '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    if (in.bad() || !in.eof()) {
        problem = "the result record " + path + " cannot be read";
        return std::nullopt;
    }
    bytes.resize(size_t(in.gcount()));
    std::optional<Result_record> record = Parse_record(bytes, problem);
    if (!record) problem = path + ": " + problem;
    return record;
}

std::string Save_record(const std::string& recording, const Result_record& record)
{
    return Replace_file_contents(Record_path(recording), Record_text(record));
}

std::string Move_record(const std::string& from_recording, const std::string& to_recording)
{
    const std::string from = Record_path(from_recording);
    if (!FileExists(from)) return {};
    const int error = platform::Rename_no_replace(from, Record_path(to_recording));
    return error ? "the result record " + from + " could not be renamed: " + std::strerror(error) : "";
}

std::string Utc_now_text()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
}

} // namespace wk
