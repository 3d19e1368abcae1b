// A heat's result written to the results folder for the board and the results office.
#include "results/Published_heat.h"

#include "platform/Folders.h"
#include "services/Module_ini_keys.h"
#include "services/Module_utilities.h"
#include "results/Start_list.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>

namespace wk {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

template <class T> QJsonValue Or_null(const std::optional<T>& v)
{
    return v ? QJsonValue(qint64(*v)) : QJsonValue(QJsonValue::Null);
}

QJsonObject Row_json(const Published_row& r)
{
    return QJsonObject{{"place", Or_null(r.place)},   {"lane", Or_null(r.lane)},       {"bib", Q(r.bib)},
                       {"name", Q(r.name)},           {"club", Q(r.club)},             {"time_ms", Or_null(r.time_ms)},
                       {"time", Q(r.time)},           {"difference", Q(r.difference)}, {"made", Q(r.made)},
                       {"dead_heat", r.dead_heat},    {"code", Q(r.code)}};
}

QJsonArray Revisions_json(const std::vector<Result_revision>& revisions)
{
    QJsonArray a;
    for (const Result_revision& r : revisions) {
        QJsonArray changes;
        for (const Result_change& c : r.changes)
            changes.append(QJsonObject{{"lane", c.lane}, {"old", Q(c.old_text)}, {"new", Q(c.new_text)}});
        a.append(QJsonObject{{"revision", r.revision}, {"at", Q(r.at)}, {"changes", changes}});
    }
    return a;
}

std::string Line_field(const std::string& text) { return Csv_quoted(text, ','); }

// "Last, First" splits; any other name (a crew, a nation) is all last name.
std::pair<std::string, std::string> Last_and_first(const std::string& name)
{
    const size_t comma = name.find(',');
    if (comma == std::string::npos) return {name, ""};
    return {Trim_blanks(name.substr(0, comma)), Trim_blanks(name.substr(comma + 1))};
}

// Line-scan systems write a decimal point; the shown time has a comma.
std::string Point_time(std::string time)
{
    for (char& c : time)
        if (c == ',') c = '.';
    return time;
}

std::map<std::string, std::string>& Last_written()
{
    static std::map<std::string, std::string> written;
    return written;
}

} // namespace

std::string Published_id(const std::string& kind, const std::string& event, const std::string& heat)
{
    return Clean_id(kind + "-" + event + "-heat-" + heat);
}

Published_heat Canoe_heat(const Heat_result& result, const Result_record& record)
{
    Published_heat heat{Published_id("canoe", result.event, result.heat), "canoe", result.event, result.heat,
                        result.revision, "", {}, record.revisions};
    heat.precision = result.rule.digits == 3 ? "1/1000" : "1/100";
    for (const Heat_result_row& row : result.rows) {
        const Heat_result_texts texts = Row_texts(result, row);
        Published_row p;
        p.lane = row.lane;
        p.bib = row.bib;
        p.name = row.name;
        p.club = row.club;
        if (row.Timed()) {
            p.place = row.place;
            p.time_ms = int64_t(row.time) - result.correction;
            p.time = Trim_blanks(texts.time);
            p.difference = row.difference != 0 ? Trim_blanks(texts.delta) : "";
            p.dead_heat = row.dead_heat;
            p.made = Made_word(row.made);
        } else {
            p.code = Code_letters(row.time);
        }
        heat.rows.push_back(std::move(p));
    }
    return heat;
}

std::string Heat_json_text(const Published_heat& heat)
{
    QJsonArray rows;
    for (const Published_row& r : heat.rows) rows.append(Row_json(r));
    const QJsonObject o{{"id", Q(heat.id)},
                        {"kind", Q(heat.kind)},
                        {"event", Q(heat.event)},
                        {"heat", Q(heat.heat)},
                        {"state", heat.revision > 0 ? "official" : "provisional"},
                        {"revision", heat.revision},
                        {"updated", Q(heat.updated)},
                        {"precision", Q(heat.precision)},
                        {"rows", rows},
                        {"revisions", Revisions_json(heat.revisions)}};
    return QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
}

std::string Heat_line_text(const Published_heat& heat)
{
    std::string text = Line_field(heat.event) + ",1," + Line_field(heat.heat) + "," +
                       Line_field(heat.event + " " + heat.heat) + "\r\n";
    for (const Published_row& r : heat.rows) {
        const auto [last, first] = Last_and_first(r.name);
        const std::string place = r.place ? std::to_string(*r.place) : r.code;
        text += Line_field(place) + "," + Line_field(r.bib) + "," + (r.lane ? std::to_string(*r.lane) : "") + "," +
                Line_field(last) + "," + Line_field(first) + "," + Line_field(r.club) + "," +
                Line_field(Point_time(r.time)) + "\r\n";
    }
    return text;
}

std::string Write_published_heat(const std::string& folder, Published_heat heat)
{
    // What the files say apart from when: a fill that changed nothing writes nothing.
    heat.updated.clear();
    const std::string body = Heat_json_text(heat) + Heat_line_text(heat);
    const std::string json_path = platform::Join_path(folder, heat.id + ".json");
    if (Last_written()[json_path] == body && FileExists(json_path)) return {};
    if (!Folder_Exists(folder)) return "the results folder " + folder + " is not there";
    heat.updated = Utc_now_text();
    std::string problem = Replace_file_contents(platform::Join_path(folder, heat.id + ".lif"), Heat_line_text(heat));
    if (problem.empty()) problem = Replace_file_contents(json_path, Heat_json_text(heat));
    if (problem.empty()) Last_written()[json_path] = body;
    return problem;
}

std::string Results_folder()
{
    const std::string folder = Read_setting(ini::Results_folder);
    return folder == "N/A" ? "" : Trim_blanks(folder);
}

} // namespace wk
