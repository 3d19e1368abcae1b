// A heat's result as a value, without any window: the ranking into places, and the CSV, results
// XML and result sheet made from it, byte for byte as the results window has always written them.
#include "results/Heat_result.h"
#include "results/Result_export.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace wk {
namespace {

struct Lane_entry {
    int16_t lane;
    int32_t time, click;
    int16_t field = 0;
};

Heat_lane_records Lanes(std::initializer_list<Lane_entry> entries)
{
    Heat_lane_records records{};
    for (auto& r : records) r.Time = No_Time;
    for (const Lane_entry& e : entries) records[size_t(e.lane)] = {0, e.time, e.click, e.field};
    return records;
}

// "place lane time delta" per row, as shown and exported.
std::vector<std::string> Shown(const Heat_result& result)
{
    std::vector<std::string> lines;
    for (const Heat_result_row& row : result.rows) {
        const Heat_result_texts t = Row_texts(result, row);
        lines.push_back(t.rank + "|" + t.lane + "|" + t.time + "|" + t.delta);
    }
    return lines;
}

struct Ranking_case {
    const char* what;
    Heat_lane_records lanes;
    int32_t correction;
    std::vector<std::string> rows;
};

TEST(Heat_ranking, PlacesTimesCodesTiesAndCorrections)
{
    const Ranking_case cases[] = {
        {"two times and a code", Lanes({{3, 65430, 10}, {5, 66930, 11}, {7, Time_DSQ, 12}}), 0,
         {"1|3| 01:05,43|+0,00", "2|5| 01:06,93|+1,50", "3|7|DSQ|"}},
        // Lane 2 clicked after lane 4 although its tick is smaller: the tick changed sign between.
        {"a dead heat goes to the earlier click",
         Lanes({{2, 5000, -2147483000}, {4, 5000, 2147483000}, {6, 7000, 5}, {1, 7000, 5}}), 0,
         {"1|4| 00:05,00|+0,00", "2|2| 00:05,00|+0,00", "3|1| 00:07,00|+2,00", "4|6| 00:07,00|+2,00"}},
        {"codes follow times in their order of value",
         Lanes({{0, Time_DNF, 1}, {3, Time_DSQ, 1}, {8, Time_DNS, 1}, {9, 1000, 1}}), 0,
         {"1|9| 00:01,00|+0,00", "2|3|DSQ|", "3|8|DNS|", "4|0|DNF|"}},
        {"the correction shortens the shown times, not the differences",
         Lanes({{1, 62000, 1}, {2, 63500, 2}}), 2000, {"1|1| 01:00,00|+0,00", "2|2| 01:01,50|+1,50"}},
        {"a click before the corrected start shows a negative time", Lanes({{4, 500, 1}}), 1500,
         {"1|4|-00:01,00|+0,00"}},
        {"no result, no row", Lanes({}), 0, {}},
    };
    for (const Ranking_case& c : cases) {
        const Heat_result result = Rank_heat(c.lanes, c.correction, "H", "");
        EXPECT_EQ(Shown(result), c.rows) << c.what;
        EXPECT_EQ(result.ranked.size(), 16u) << c.what;
    }
}

TEST(Heat_ranking, SixteenLanesFillSixteenPlacesAndPlacesFollowLanes)
{
    Heat_lane_records lanes{};
    for (int16_t k = 0; k < 16; ++k) lanes[size_t(k)] = {0, 100000 - 1000 * k, k, int16_t(10 + k)};
    const Heat_result result = Rank_heat(lanes, 0, "16", "");
    ASSERT_EQ(result.rows.size(), 16u);
    EXPECT_EQ(result.Timed_count(), 16);
    for (int16_t k = 0; k < 16; ++k) {
        EXPECT_EQ(result.Place_of_lane(k), 16 - k) << k;
        EXPECT_EQ(result.rows[size_t(15 - k)].goal_field, 10 + k) << k;
    }
    EXPECT_EQ(result.rows.back().difference, 15000);
    EXPECT_EQ(Row_texts(result, result.rows.back()).delta, "+15,00");
}

TEST(Heat_ranking, ALanesResultInWords)
{
    const Heat_result result =
        Rank_heat(Lanes({{4, 5000, 2}, {2, 61230, 3}, {3, Time_DSQ, 1}, {8, Time_DNS, 1}, {0, Time_DNF, 1}}), 2000,
                  "", "");
    EXPECT_EQ(Lane_result_words(result, 4), "Place: 1 Time : 3,00");
    EXPECT_EQ(Lane_result_words(result, 2), "Place: 2 Time : 59,23");
    EXPECT_EQ(Lane_result_words(result, 3), "Disqualified");
    EXPECT_EQ(Lane_result_words(result, 8), "Did not start");
    EXPECT_EQ(Lane_result_words(result, 0), "Did not finish");
    EXPECT_EQ(Lane_result_words(result, 1), "");
}

Heat_result Regatta_heat()
{
    Heat_result result = Rank_heat(Lanes({{3, 65430, 10, 61}, {5, 66930, 11, 71}, {7, Time_DSQ, 12}}), 0, "12",
                                   "2010-04-18 11:11:11");
    result.event = "Regatta";
    return result;
}

TEST(Result_export_data, TheCsvByteForByte)
{
    EXPECT_EQ(Results_csv_text(Regatta_heat(), "HOST"),
              "Regatta;12;2010-04-18 11:11:11;HOST\r\n1;3; 01:05,43;+0,00\r\n2;5; 01:06,93;+1,50\r\n3;7;DSQ\r\nend\r\n");
    // Text in the file is Windows-1252, and an empty heat still has its head and end.
    Heat_result empty;
    empty.event = "Åre";
    EXPECT_EQ(Results_csv_text(empty, "h"), "\xC5re;;;h\r\nend\r\n");
}

TEST(Result_export_data, TheXmlHoldsTheRowsTrimmedAndTheHeading)
{
    Heat_result result = Regatta_heat();
    result.event = "Test Regatta";
    Class_Wakeline_result_XML xml;
    Fill_results_xml(xml, result, {"made by us", "office", "camera", "Final A", " 10:00:00 "});
    std::ostringstream out;
    xml.Document().save(out, "", pugi::format_raw);
    const std::string text = out.str();
    for (const char* part :
         {"<event>Test Regatta</event>", "<racetype>course</racetype>", "<lastfile>True</lastfile>",
          "<competitor nbr=\"3\"><elapsed_time>01:05,43</elapsed_time><delta_time>+0,00</delta_time><place>1</place>",
          "<competitor nbr=\"7\"><elapsed_time>DSQ</elapsed_time><place>3</place>", "10:00:00", "office", "camera",
          "Final A", "<!--made by us-->"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    EXPECT_EQ(xml.Count_Competitor_Nodes(), 3);
}

TEST(Result_export_data, TheSheetLinesAlignPlacesAndSayWhatACodeMeans)
{
    Heat_result result = Rank_heat(Lanes({{3, 65430, 10}, {12, 66930, 11}, {7, Time_DSQ, 12}, {9, Time_DNF, 13},
                                          {1, Time_DNS, 14}}),
                                   0, "", "");
    EXPECT_EQ(Result_sheet_lines(result),
              (std::vector<std::string>{"   1     3   01:05,43  +0,00", "   2    12   01:06,93  +1,50",
                                        "   3     7   Disqualified", "   4     1   Did not start",
                                        "   5     9   Did not finish"}));
}

} // namespace
} // namespace wk
