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
        // Lane 2 clicked after lane 4 although its tick is smaller: the tick changed sign between.
        {"a dead heat shares its place, listed by the earlier click; the next place is skipped",
         Lanes({{2, 5000, -2147483000}, {4, 5000, 2147483000}, {6, 7000, 5}, {1, 7000, 5}, {9, 8000, 6}}), 0,
         {"1=|4| 00:05,00|+0,00", "1=|2| 00:05,00|+0,00", "3=|1| 00:07,00|+2,00", "3=|6| 00:07,00|+2,00",
          "5|9| 00:08,00|+3,00"}},
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

struct Rule_case {
    const char* what;
    Result_time_rule rule;
    Heat_lane_records lanes;
    std::vector<std::string> rows;
};

TEST(Heat_ranking, TheTimeRuleSetsDigitsRoundingAndWhichTimesTie)
{
    using R = Result_time_rule::Rounding;
    const Rule_case cases[] = {
        {"hundredths cut down, as always: 12.341 and 12.349 tie", {2, R::down},
         Lanes({{1, 12341, 1}, {2, 12349, 2}}), {"1=|1| 00:12,34|+0,00", "1=|2| 00:12,34|+0,00"}},
        {"thousandths part them", {3, R::down}, Lanes({{1, 12341, 1}, {2, 12349, 2}}),
         {"1|1| 00:12,341|+0,000", "2|2| 00:12,349|+0,008"}},
        {"up to the next hundredth: 12.341 is 12.35, 12.340 stays", {2, R::up},
         Lanes({{1, 12340, 1}, {2, 12341, 2}}), {"1|1| 00:12,34|+0,00", "2|2| 00:12,35|+0,01"}},
        {"to the nearest hundredth, a half goes up", {2, R::nearest}, Lanes({{1, 12344, 1}, {2, 12345, 2}}),
         {"1|1| 00:12,34|+0,00", "2|2| 00:12,35|+0,01"}},
        {"rounding up carries into the seconds", {2, R::up}, Lanes({{3, 59991, 1}}), {"1|3| 01:00,00|+0,00"}},
        {"a code never ties", {3, R::down}, Lanes({{1, Time_DSQ, 1}, {2, Time_DSQ, 2}}), {"1|1|DSQ|", "2|2|DSQ|"}},
    };
    for (const Rule_case& c : cases) EXPECT_EQ(Shown(Rank_heat(c.lanes, 0, "H", "", c.rule)), c.rows) << c.what;
}

TEST(Heat_ranking, TheSettingsTextsGiveTheRuleAndUnknownOnesKeepHundredthsCutDown)
{
    using R = Result_time_rule::Rounding;
    EXPECT_EQ(Parse_result_time_rule("1/1000", "up"), (Result_time_rule{3, R::up}));
    EXPECT_EQ(Parse_result_time_rule("1/100", "nearest"), (Result_time_rule{2, R::nearest}));
    EXPECT_EQ(Parse_result_time_rule("N/A", "N/A"), (Result_time_rule{2, R::down}));
    EXPECT_EQ(Parse_result_time_rule("1/10", "sideways"), (Result_time_rule{2, R::down}));
}

TEST(Heat_ranking, HowATimeWasMadeGoesIntoTheResultsXmlAndAClickLeavesNoMark)
{
    Heat_lane_records lanes = Lanes({{1, 10000, 1}, {2, 11000, 2}, {3, 12000, 3}});
    lanes[2].Made = Result_made::confirmed;
    lanes[3].Made = Result_made::overridden;
    Heat_result result = Rank_heat(lanes, 0, "7", "");
    result.event = "E";
    Class_Wakeline_result_XML xml;
    Fill_results_xml(xml, result, {});
    const pugi::xml_document& doc = xml.Document();
    EXPECT_STREQ(doc.select_node("//competitor[@nbr='2']").node().attribute("made").value(), "confirmed");
    EXPECT_STREQ(doc.select_node("//competitor[@nbr='3']").node().attribute("made").value(), "overridden");
    EXPECT_TRUE(doc.select_node("//competitor[@nbr='1']").node());
    EXPECT_FALSE(doc.select_node("//competitor[@nbr='1']").node().attribute("made"));
    for (const Heat_result_row& row : result.rows) EXPECT_EQ(Made_from_word(Made_word(row.made)), row.made);
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

Heat_lane_records Sixteen_lanes()
{
    Heat_lane_records lanes{};
    for (int16_t k = 0; k < 16; ++k) lanes[size_t(k)] = {0, 100000 - 1000 * k, k, int16_t(10 + k)};
    return lanes;
}

// What the results window wrote for these heats from its labels, before the files were made from
// the result: the CSV, the sheet's lines and the results XML's results, byte for byte.
struct Written_heat {
    const char* what;
    const char* heat;
    Heat_lane_records lanes;
    int32_t correction;
    std::string csv;
    std::vector<std::string> sheet_lines;
    std::string xml_results;
};

TEST(Result_export_data, TheFilesOfKnownHeatsAreAsTheWindowWroteThem)
{
    const Written_heat heats[] = {
        {"placed lanes and a disqualification", "A", Lanes({{3, 65430, 10, 61}, {5, 66930, 11, 71}, {7, Time_DSQ, 12}}), 0,
         "Regatta;A;2010-04-18 11:11:11;vm\r\n1;3; 01:05,43;+0,00\r\n2;5; 01:06,93;+1,50\r\n3;7;DSQ\r\nend\r\n",
         {"   1     3   01:05,43  +0,00", "   2     5   01:06,93  +1,50", "   3     7   Disqualified"},
         "<results><result id=\"A\">\r\n<competitor nbr=\"3\"><elapsed_time>01:05,43</elapsed_time><delta_time>+0,00</delta_time><place>1</place></competitor>\r\n<competitor nbr=\"5\"><elapsed_time>01:06,93</elapsed_time><delta_time>+1,50</delta_time><place>2</place></competitor>\r\n<competitor nbr=\"7\"><elapsed_time>DSQ</elapsed_time><place>3</place></competitor></result></results>"},
        {"a correction, a dead heat and two codes", "B", Lanes({{1, 62000, 1, 10}, {2, 63500, 2, 11}, {4, 63500, 1, 12}, {6, Time_DNS, 3}, {0, Time_DNF, 4}}), 2000,
         "Regatta;B;2010-04-18 11:11:11;vm\r\n1;1; 01:00,00;+0,00\r\n2=;4; 01:01,50;+1,50\r\n2=;2; 01:01,50;+1,50\r\n4;6;DNS\r\n5;0;DNF\r\nend\r\n",
         {"   1     1   01:00,00  +0,00", "  2=     4   01:01,50  +1,50", "  2=     2   01:01,50  +1,50", "   4     6   Did not start", "   5     0   Did not finish"},
         "<results><result id=\"B\">\r\n<competitor nbr=\"1\"><elapsed_time>01:00,00</elapsed_time><delta_time>+0,00</delta_time><place>1</place></competitor>\r\n<competitor nbr=\"4\"><elapsed_time>01:01,50</elapsed_time><delta_time>+1,50</delta_time><place>2=</place></competitor>\r\n<competitor nbr=\"2\"><elapsed_time>01:01,50</elapsed_time><delta_time>+1,50</delta_time><place>2=</place></competitor>\r\n<competitor nbr=\"6\"><elapsed_time>DNS</elapsed_time><place>4</place></competitor>\r\n<competitor nbr=\"0\"><elapsed_time>DNF</elapsed_time><place>5</place></competitor></result></results>"},
        {"sixteen lanes", "C", Sixteen_lanes(), 0,
         "Regatta;C;2010-04-18 11:11:11;vm\r\n1;15; 01:25,00;+0,00\r\n2;14; 01:26,00;+1,00\r\n3;13; 01:27,00;+2,00\r\n4;12; 01:28,00;+3,00\r\n5;11; 01:29,00;+4,00\r\n6;10; 01:30,00;+5,00\r\n7;9; 01:31,00;+6,00\r\n8;8; 01:32,00;+7,00\r\n9;7; 01:33,00;+8,00\r\n10;6; 01:34,00;+9,00\r\n11;5; 01:35,00;+10,00\r\n12;4; 01:36,00;+11,00\r\n13;3; 01:37,00;+12,00\r\n14;2; 01:38,00;+13,00\r\n15;1; 01:39,00;+14,00\r\n16;0; 01:40,00;+15,00\r\nend\r\n",
         {"   1    15   01:25,00  +0,00", "   2    14   01:26,00  +1,00", "   3    13   01:27,00  +2,00", "   4    12   01:28,00  +3,00", "   5    11   01:29,00  +4,00", "   6    10   01:30,00  +5,00", "   7     9   01:31,00  +6,00", "   8     8   01:32,00  +7,00", "   9     7   01:33,00  +8,00", "  10     6   01:34,00  +9,00", "  11     5   01:35,00  +10,00", "  12     4   01:36,00  +11,00", "  13     3   01:37,00  +12,00", "  14     2   01:38,00  +13,00", "  15     1   01:39,00  +14,00", "  16     0   01:40,00  +15,00"},
         "<results><result id=\"C\">\r\n<competitor nbr=\"15\"><elapsed_time>01:25,00</elapsed_time><delta_time>+0,00</delta_time><place>1</place></competitor>\r\n<competitor nbr=\"14\"><elapsed_time>01:26,00</elapsed_time><delta_time>+1,00</delta_time><place>2</place></competitor>\r\n<competitor nbr=\"13\"><elapsed_time>01:27,00</elapsed_time><delta_time>+2,00</delta_time><place>3</place></competitor>\r\n<competitor nbr=\"12\"><elapsed_time>01:28,00</elapsed_time><delta_time>+3,00</delta_time><place>4</place></competitor>\r\n<competitor nbr=\"11\"><elapsed_time>01:29,00</elapsed_time><delta_time>+4,00</delta_time><place>5</place></competitor>\r\n<competitor nbr=\"10\"><elapsed_time>01:30,00</elapsed_time><delta_time>+5,00</delta_time><place>6</place></competitor>\r\n<competitor nbr=\"9\"><elapsed_time>01:31,00</elapsed_time><delta_time>+6,00</delta_time><place>7</place></competitor>\r\n<competitor nbr=\"8\"><elapsed_time>01:32,00</elapsed_time><delta_time>+7,00</delta_time><place>8</place></competitor>\r\n<competitor nbr=\"7\"><elapsed_time>01:33,00</elapsed_time><delta_time>+8,00</delta_time><place>9</place></competitor>\r\n<competitor nbr=\"6\"><elapsed_time>01:34,00</elapsed_time><delta_time>+9,00</delta_time><place>10</place></competitor>\r\n<competitor nbr=\"5\"><elapsed_time>01:35,00</elapsed_time><delta_time>+10,00</delta_time><place>11</place></competitor>\r\n<competitor nbr=\"4\"><elapsed_time>01:36,00</elapsed_time><delta_time>+11,00</delta_time><place>12</place></competitor>\r\n<competitor nbr=\"3\"><elapsed_time>01:37,00</elapsed_time><delta_time>+12,00</delta_time><place>13</place></competitor>\r\n<competitor nbr=\"2\"><elapsed_time>01:38,00</elapsed_time><delta_time>+13,00</delta_time><place>14</place></competitor>\r\n<competitor nbr=\"1\"><elapsed_time>01:39,00</elapsed_time><delta_time>+14,00</delta_time><place>15</place></competitor>\r\n<competitor nbr=\"0\"><elapsed_time>01:40,00</elapsed_time><delta_time>+15,00</delta_time><place>16</place></competitor></result></results>"},
        {"a finish before the corrected start", "D", Lanes({{4, 500, 1, 3}}), 1500,
         "Regatta;D;2010-04-18 11:11:11;vm\r\n1;4;-00:01,00;+0,00\r\nend\r\n",
         {"   1     4  -00:01,00  +0,00"},
         "<results><result id=\"D\">\r\n<competitor nbr=\"4\"><elapsed_time>-00:01,00</elapsed_time><delta_time>+0,00</delta_time><place>1</place></competitor></result></results>"},
    };
    for (const Written_heat& h : heats) {
        Heat_result result = Rank_heat(h.lanes, h.correction, h.heat, "2010-04-18 11:11:11");
        result.event = "Regatta";
        EXPECT_EQ(Results_csv_text(result, "vm"), h.csv) << h.what;
        EXPECT_EQ(Result_sheet_lines(result), h.sheet_lines) << h.what;
        result.event = "Test Regatta";
        Class_Wakeline_result_XML xml;
        Fill_results_xml(xml, result, {});
        std::ostringstream out;
        xml.Document().save(out, "", pugi::format_raw);
        const std::string text = out.str();
        const size_t from = text.find("<results>"), to = text.find("</results>");
        ASSERT_NE(to, std::string::npos) << h.what;
        EXPECT_EQ(text.substr(from, to + 10 - from), h.xml_results) << h.what;
    }
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

TEST(Result_export_data, NamesOfAStartListGoIntoTheCsvAndXmlBesideTheirLanes)
{
    Heat_result result = Regatta_heat();
    result.event = "Test Regatta";
    result.rows[0].bib = "101";
    result.rows[0].name = "Berg; Anna";
    result.rows[0].club = "SK";
    const std::string csv = Results_csv_text(result, "pc");
    // Every row keeps its difference column, so the names stand in one column; ";" in a name
    // would move them and becomes ",".
    EXPECT_NE(csv.find("\r\n1;3; 01:05,43;+0,00;101;Berg, Anna;SK\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\n3;7;DSQ;;;;\r\n"), std::string::npos) << csv;
    Class_Wakeline_result_XML xml;
    Fill_results_xml(xml, result, {"", "", "", "", ""});
    std::ostringstream out;
    xml.Document().save(out, "", pugi::format_raw);
    EXPECT_NE(out.str().find("<place>1</place><bib>101</bib><name>Berg; Anna</name><club>SK</club></competitor>"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(out.str().find("<bib></bib>"), std::string::npos);
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
