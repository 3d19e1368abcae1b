// The start list read from the office's CSV: the layouts offices write, and every kind of line
// that must keep a whole file out.
#include "results/Start_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wk {
namespace {

struct Good_case {
    const char* what;
    std::string bytes;
    std::vector<Start_entry> entries;
};

TEST(Start_list_csv, FilesAsOfficesWriteThemGiveTheirEntries)
{
    const std::vector<Good_case> cases = {
        {"semicolons with a header", "Heat;Lane;Bib;Name;Club\n1;3;101;Anna Berg;Kanot SK\n1;4;102;Eva Lind;Nykoping\n",
         {{"1", 3, "101", "Anna Berg", "Kanot SK", 2}, {"1", 4, "102", "Eva Lind", "Nykoping", 3}}},
        {"commas without a header, CR LF, blank line", "A2,0,7,Team Nord,NOR\r\n\r\nA2,15,8,Team Syd,SWE\r\n",
         {{"A2", 0, "7", "Team Nord", "NOR", 1}, {"A2", 15, "8", "Team Syd", "SWE", 3}}},
        {"quotes, a comma in a quoted name, doubled quotes", "1,2,5,\"Berg, Anna\",\"Club \"\"Wave\"\"\"\n",
         {{"1", 2, "5", "Berg, Anna", "Club \"Wave\"", 1}}},
        {"UTF-8 with its mark, blanks around fields, empty columns at the end",
         "\xEF\xBB\xBF 1 ; 1 ; ;\xC3\x85sa \xC3\x96" "berg; SWE ;;;\n", {{"1", 1, "", "\xC3\x85sa \xC3\x96" "berg", "SWE", 1}}},
    };
    for (const Good_case& c : cases) {
        const Start_list::Read read = Start_list::Parse(c.bytes);
        ASSERT_FALSE(read.problem) << c.what << ": " << read.problem->Message();
        EXPECT_EQ(read.list.Entries(), c.entries) << c.what;
        // What is kept reads back as the same entries.
        const Start_list::Read again = Start_list::Parse(read.list.Csv_text());
        ASSERT_FALSE(again.problem) << c.what;
        ASSERT_EQ(again.list.Entries().size(), c.entries.size());
        for (size_t i = 0; i < c.entries.size(); ++i) {
            EXPECT_EQ(again.list.Entries()[i].name, c.entries[i].name) << c.what;
            EXPECT_EQ(again.list.Entries()[i].club, c.entries[i].club) << c.what;
        }
    }
}

TEST(Start_list_csv, EachKindOfBadLineIsNamedAndNothingIsTaken)
{
    struct Bad {
        std::string bytes;
        int line;
        std::string says;
    };
    const std::string good = "heat;lane;bib;name;club\n1;1;11;A;X\n";
    const std::vector<Bad> cases = {
        {good + "1;2;12;B\n", 3, "4 fields where 5"},
        {good + "1;2;12;B;X;extra\n", 3, "6 fields"},
        {good + ";2;12;B;X\n", 3, "no heat"},
        {good + "1;two;12;B;X\n", 3, "the lane \"two\""},
        {good + "1;16;12;B;X\n", 3, "from 0 to 15"},
        {good + "1;-1;12;B;X\n", 3, "lane"},
        {good + "1;2;;;X\n", 3, "neither a bib nor a name"},
        {good + "\n1;1;13;C;X\n", 4, "heat 1 lane 1 is already on line 2"},
        {good + "1;2;11;C;X\n", 3, "bib 11 is already in heat 1 on line 2"},
        {good + "1;2;12;\"B;X\n", 3, "not closed"},
        {good + "1;2;12;B\xFF;X\n", 3, "not UTF-8"},
        {good + "1;2;12;B\x01;X\n", 3, "control character"},
        {good + "1;2;12;" + std::string(201, 'n') + ";X\n", 3, "longer than 200"},
        {"heat;lane;bib;name;club\n\n", 0, "no start list lines"},
    };
    for (const Bad& c : cases) {
        const Start_list::Read read = Start_list::Parse(c.bytes);
        ASSERT_TRUE(read.problem) << c.says;
        EXPECT_EQ(read.problem->line, c.line) << c.says;
        EXPECT_NE(read.problem->Message().find(c.says), std::string::npos) << read.problem->Message();
        if (c.line > 0) {
            EXPECT_EQ(read.problem->Message().rfind("Line " + std::to_string(c.line) + ": ", 0), 0u);
        }
        EXPECT_TRUE(read.list.Empty()) << c.says;
    }
}

TEST(Start_list_csv, EntriesAreFoundByHeatWhateverItsCaseAndBlanks)
{
    const Start_list::Read read = Start_list::Parse("Final A;3;101;Anna;SK\nFinal B;3;201;Eva;NK\n");
    ASSERT_FALSE(read.problem);
    ASSERT_NE(read.list.Entry(" final a ", 3), nullptr);
    EXPECT_EQ(read.list.Entry(" final a ", 3)->bib, "101");
    EXPECT_EQ(read.list.Entry("Final B", 3)->name, "Eva");
    EXPECT_EQ(read.list.Entry("Final A", 4), nullptr);
    EXPECT_EQ(read.list.Entry("Final", 3), nullptr);
    EXPECT_EQ(Clean_id("canoe-K1 200m/Final A-heat-\xC3\x85"), "canoe-K1_200m_Final_A-heat-__");
}

} // namespace
} // namespace wk
