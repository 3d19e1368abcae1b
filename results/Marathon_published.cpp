// A marathon heat out to the results folder.
#include "results/Marathon_published.h"

#include "results/Start_list.h"
#include "services/Module_utilities.h"

#include <algorithm>
#include <cctype>

namespace wk {
namespace {

const Start_entry* Entry_by_bib(const Start_list& list, const std::string& heat, const std::string& bib)
{
    const Start_entry* any = nullptr;
    for (const Start_entry& e : list.Entries()) {
        if (e.bib != bib) continue;
        if (e.heat == heat) return &e;
        if (!any) any = &e;
    }
    return any;
}

pugi::xpath_node_set Competitors_of(const Class_Wakeline_result_XML& doc, const std::string& heat_id)
{
    pugi::xpath_variable_set vars;
    vars.set("id", heat_id.c_str());
    return doc.Document().select_nodes(pugi::xpath_query("//result[@id=$id]/competitor", &vars));
}

} // namespace

std::optional<int64_t> Elapsed_ms(const std::string& text)
{
    const std::string t = Trim_blanks(text);
    int64_t parts[3] = {0, 0, 0};
    int count = 0, hundredths = -1, digits = 0;
    int64_t value = 0;
    for (const char c : t) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            if (++digits > 6) return std::nullopt;
            value = value * 10 + (c - '0');
        } else if (c == ':' && hundredths < 0 && digits > 0 && count < 2) {
            parts[count++] = value;
            value = digits = 0;
        } else if (c == ',' && hundredths < 0 && digits > 0) {
            parts[count++] = value;
            value = digits = 0;
            hundredths = 0;
        } else {
            return std::nullopt;
        }
    }
    if (hundredths < 0 || digits != 2 || count < 2) return std::nullopt;
    const int64_t h = count == 3 ? parts[0] : 0, m = parts[count - 2], s = parts[count - 1];
    if (m > 59 && count == 3) return std::nullopt;
    if (s > 59) return std::nullopt;
    return ((h * 60 + m) * 60 + s) * 1000 + value * 10;
}

Published_heat Marathon_heat(const Class_Wakeline_result_XML& doc, const std::string& heat_id)
{
    const std::string event = Trim_blanks(doc.Document().select_node("//event").node().text().get());
    Published_heat heat{Published_id("marathon", event, heat_id), "marathon", event, heat_id, 0, "", {}, {}};
    const Start_list names = Load_start_list(event).list;
    for (const pugi::xpath_node& n : Competitors_of(doc, heat_id)) {
        Published_row r;
        r.bib = n.node().attribute("nbr").value();
        r.time = Trim_blanks(n.node().child_value("elapsed_time"));
        r.time_ms = Elapsed_ms(r.time);
        if (const Start_entry* e = Entry_by_bib(names, heat_id, r.bib)) {
            r.name = e->name;
            r.club = e->club;
        }
        heat.rows.push_back(std::move(r));
    }
    // Fastest first; a time that cannot be read goes last, in the order entered.
    std::stable_sort(heat.rows.begin(), heat.rows.end(), [](const Published_row& a, const Published_row& b) {
        if (!a.time_ms || !b.time_ms) return a.time_ms.has_value() && !b.time_ms.has_value();
        return *a.time_ms < *b.time_ms;
    });
    for (size_t i = 0; i < heat.rows.size(); ++i) {
        Published_row& r = heat.rows[i];
        if (!r.time_ms) continue;
        r.place = int32_t(i + 1);
        const int64_t behind = *r.time_ms - *heat.rows[0].time_ms;
        if (behind > 0) r.difference = "+" + Display_Mill_Time(int32_t(std::min<int64_t>(behind, INT32_MAX)), true);
        r.dead_heat = (i > 0 && heat.rows[i - 1].time_ms == r.time_ms) ||
                      (i + 1 < heat.rows.size() && heat.rows[i + 1].time_ms == r.time_ms);
    }
    return heat;
}

std::string Publish_marathon_heat(const Class_Wakeline_result_XML& doc, const std::string& heat_id)
{
    const std::string folder = Results_folder();
    return folder.empty() ? "" : Write_published_heat(folder, Marathon_heat(doc, heat_id));
}

} // namespace wk
