// The marathon file and the heat rows without a window: the file's tree and bytes, the elapsed
// rule of the clock, and what selecting, starting, stopping and editing write into the file.
#include "results/Marathon_rows.h"
#include "tests/support/File_size_limit.h"
#include "tests/support/Test_support.h"

#include <filesystem>
#include <string>
#include <vector>

namespace wk {
namespace {

namespace fs = std::filesystem;

// Element names under a node, the line-break text nodes left out.
std::vector<std::string> Elements(pugi::xml_node n)
{
    std::vector<std::string> names;
    for (pugi::xml_node c : n.children())
        if (c.type() == pugi::node_element) names.push_back(c.name());
    return names;
}

class Marathon_file_test : public ::testing::Test {
protected:
    std::string Path(const std::string& name) { return (home.path() / name).string(); }
    test::Temp_home home;
};

TEST_F(Marathon_file_test, ANewFileHasThirtyRunningHeatsInOrderAndTheRaceName)
{
    Marathon_file file;
    file.Create("2010-04-18 14:12:33");
    ASSERT_TRUE(file.Event_name("Vasaloppet"));
    std::string problem;
    ASSERT_TRUE(file.Save(Path("marathon.xml"), problem)) << problem;

    const std::string bytes = test::Read_file(Path("marathon.xml"));
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<Wakeline_marathon_file>", 0), 0u);
    EXPECT_NE(bytes.find("<!--XML file containing Wakeline marathon file, created at: 2010-04-18 14:12:33-->\r\n"
                         "<event_name>Vasaloppet</event_name>\r\n<event_date/>\r\n<event_day/>\r\n<heat id=\"1\">"),
              std::string::npos);
    // Heats follow one another directly; inside each, every element ends its line.
    EXPECT_NE(bytes.find("<heat_running>t</heat_running>\r\n<heat_start/>\r\n</heat><heat id=\"2\">"),
              std::string::npos);

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(Path("marathon.xml").c_str()));
    pugi::xml_node root = doc.child("Wakeline_marathon_file");
    std::vector<std::string> expected{"event_name", "event_date", "event_day"};
    expected.insert(expected.end(), 30, "heat");
    EXPECT_EQ(Elements(root), expected);
    int id = 0;
    for (pugi::xml_node heat : root.children("heat")) {
        EXPECT_EQ(heat.attribute("id").value(), std::to_string(++id));
        EXPECT_EQ(Elements(heat),
                  (std::vector<std::string>{"heat_num", "heat_name", "heat_time", "heat_running", "heat_start"}));
        EXPECT_STREQ(heat.child_value("heat_running"), "t");
        EXPECT_STREQ(heat.child_value("heat_start"), "");
    }
    EXPECT_EQ(id, 30);
}

TEST_F(Marathon_file_test, TextIsStoredAsLatin1WithReferencesAndReadsBackTheSame)
{
    Marathon_file file;
    file.Create("now");
    const std::string name = "\xC3\x85sa \xE2\x82\xAC \xC5\x81\xC3\xB3" "d\xC5\xBA <&>"; // Åsa € Łódź <&>
    ASSERT_TRUE(file.Heat_field(7, "heat_name", name));
    std::string problem;
    ASSERT_TRUE(file.Save(Path("m.xml"), problem));
    const std::string bytes = test::Read_file(Path("m.xml"));
    // Å and ó are Latin-1 bytes; the euro sign, which Windows-1252 and ISO-8859-1 disagree on, and
    // the Polish letters, which neither has, are references.
    EXPECT_NE(bytes.find("<heat_name>\xC5sa &#8364; &#321;\xF3" "d&#378; &lt;&amp;&gt;</heat_name>"),
              std::string::npos);
    for (unsigned char c : bytes) EXPECT_FALSE(c >= 0x80 && c <= 0x9F);

    Marathon_file back;
    ASSERT_TRUE(back.Load(Path("m.xml"), &problem)) << problem;
    EXPECT_EQ(back.Heat_field(7, "heat_name"), name);
    EXPECT_EQ(back.Xml_text(), file.Xml_text());
}

TEST_F(Marathon_file_test, AFileFromElsewhereIsReadByItsEncodingAndWrittenBackInIt)
{
    const std::string heat = "<heat id=\"1\"><heat_num>12</heat_num><heat_name>Damer \x80</heat_name>"
                             "<heat_running>f</heat_running><heat_start>09:00:00</heat_start></heat>";
    // Windows-1252 bytes under an ISO-8859-1 declaration, as Windows tools write them.
    test::Write_file(Path("ansi.xml"), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Wakeline_marathon_file>"
                                       "<event_name>Lopp</event_name>" + heat + "</Wakeline_marathon_file>");
    Marathon_file file;
    ASSERT_TRUE(file.Load(Path("ansi.xml")));
    EXPECT_EQ(file.Heat_field(1, "heat_name"), "Damer \xE2\x82\xAC");
    EXPECT_EQ(file.Heat_field(1, "heat_running"), "f");
    EXPECT_EQ(file.Heat_field(2, "heat_num"), std::nullopt);
    // The euro sign goes back as a reference, which a strict ISO-8859-1 reader also understands.
    EXPECT_NE(file.Xml_text().find("<heat_name>Damer &#8364;</heat_name>"), std::string::npos);
    EXPECT_EQ(file.Xml_text().rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n", 0), 0u);

    test::Write_file(Path("utf8.xml"), "<?xml version=\"1.0\" encoding=\"utf-8\"?><Wakeline_marathon_file>"
                                       "<event_name>\xC3\x85re \xC5\x81\xC3\xB3" "d\xC5\xBA</event_name>"
                                       "</Wakeline_marathon_file>");
    ASSERT_TRUE(file.Load(Path("utf8.xml")));
    EXPECT_EQ(file.Event_name(), "\xC3\x85re \xC5\x81\xC3\xB3" "d\xC5\xBA");
    EXPECT_EQ(file.Xml_text().rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n", 0), 0u);
    EXPECT_NE(file.Xml_text().find("<event_name>\xC3\x85re \xC5\x81\xC3\xB3" "d\xC5\xBA</event_name>"),
              std::string::npos);
}

// Names are written as the bytes they were read from: a C1 byte in an ISO-8859-1 file, letters
// beyond Latin-1 in a UTF-8 file. A reference in their place would leave a file that no longer
// loads.
TEST_F(Marathon_file_test, NamesWithC1BytesOrLettersBeyondLatin1LoadAgainAfterASave)
{
    const std::string heats = "<heat id=\"1\"><heat_num>1</heat_num><heat_name>x</heat_name></heat>";
    const std::pair<std::string, std::string> files[] = {
        {"iso-8859-1", "<extra\x80\x81 note\x8D=\"a\xE9\">Gr\xFC\xDF</extra\x80\x81>"},
        {"iso-8859-15", "<extra\x80\xA4 note\xA6=\"\xA4\">\xE9</extra\x80\xA4>"},
        {"utf-8", "<\xC5\x81\xC3\xB3" "d\xC5\xBA m\xE2\x82\xAC=\"1\">\xCE\xA9</\xC5\x81\xC3\xB3" "d\xC5\xBA>"}};
    for (const auto& [encoding, extra] : files) {
        const std::string bytes = "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\r\n<Wakeline_marathon_file>" +
                                  extra + heats + "</Wakeline_marathon_file>\r\n";
        test::Write_file(Path("names.xml"), bytes);
        Marathon_file file;
        std::string problem;
        ASSERT_TRUE(file.Load(Path("names.xml"), &problem)) << encoding << ": " << problem;
        ASSERT_TRUE(file.Heat_field(1, "heat_name", "renamed"));
        ASSERT_TRUE(file.Save(Path("names.xml"), problem)) << problem;
        const std::string saved = test::Read_file(Path("names.xml"));
        EXPECT_NE(saved.find(extra), std::string::npos) << encoding << ": " << saved;

        Marathon_file again;
        ASSERT_TRUE(again.Load(Path("names.xml"), &problem)) << encoding << ": " << problem;
        EXPECT_EQ(again.Heat_field(1, "heat_name"), "renamed");
        EXPECT_EQ(again.Xml_text(), saved);
    }
}

TEST_F(Marathon_file_test, AFileTheProgramCannotKeepAsItIsIsRefusedAtLoadSayingWhy)
{
    Marathon_file file;
    std::string problem;
    // An encoding the program does not know: bytes past ASCII have no meaning to it.
    test::Write_file(Path("cp1250.xml"), "<?xml version=\"1.0\" encoding=\"windows-1250\"?>"
                                         "<Wakeline_marathon_file><event_name>\xB9</event_name></Wakeline_marathon_file>");
    EXPECT_FALSE(file.Load(Path("cp1250.xml"), &problem));
    EXPECT_NE(problem.find("windows-1250"), std::string::npos) << problem;
    EXPECT_TRUE(file.Empty());
    // In plain ASCII it reads, and stays as it is.
    test::Write_file(Path("cp1250.xml"), "<?xml version=\"1.0\" encoding=\"windows-1250\"?>"
                                         "<Wakeline_marathon_file><event_name>Praha</event_name></Wakeline_marathon_file>");
    ASSERT_TRUE(file.Load(Path("cp1250.xml"), &problem)) << problem;
    ASSERT_TRUE(file.Event_name("Br\xC3\xBCnn"));
    EXPECT_NE(file.Xml_text().find("<event_name>Br&#252;nn</event_name>"), std::string::npos);

    // A declaration after other nodes would be read one way and written another.
    test::Write_file(Path("late.xml"), "<?xml-stylesheet href=\"a\"?><?xml version=\"1.0\" encoding=\"iso-8859-1\"?>"
                                       "<Wakeline_marathon_file/>");
    EXPECT_FALSE(file.Load(Path("late.xml"), &problem));
    EXPECT_NE(problem.find("declaration"), std::string::npos) << problem;
}

// ISO-8859-15 has the euro sign at 0xA4 and S with caron at 0xA6, where ISO-8859-1 has other
// signs; a line break before the declaration is allowed. Either way the letters go back as the
// file had them.
// Found by fuzzing: a "<" in the declared encoding's name is written as "&lt;", and the name must
// then read the same before the file is decoded as after.
TEST_F(Marathon_file_test, AnEncodingNameThatMustBeEscapedReadsTheSameAfterASave)
{
    test::Write_file(Path("odd.xml"), "<?xml version=\"1.0\" encoding=\"is-8-<9o51\"?>\r\n<Wakeline_marathon_file>"
                                      "<event_name/><heat id=\"1\"><heat_name/></heat></Wakeline_marathon_file>");
    Marathon_file file;
    std::string problem;
    ASSERT_TRUE(file.Load(Path("odd.xml"), &problem)) << problem;
    ASSERT_TRUE(file.Heat_field(1, "heat_name", "\xC5\x81\xC3\xB3" "d\xC5\xBA"));
    ASSERT_TRUE(file.Save(Path("odd.xml"), problem)) << problem;
    // An encoding the program does not know takes ASCII only.
    EXPECT_NE(test::Read_file(Path("odd.xml")).find("encoding=\"is-8-&lt;9o51\"?>\r\n<Wakeline_marathon_file>"
                                                    "<event_name/><heat id=\"1\"><heat_name>&#321;&#243;d&#378;</heat_name>"),
              std::string::npos);
    Marathon_file again;
    ASSERT_TRUE(again.Load(Path("odd.xml"), &problem)) << problem;
    EXPECT_EQ(again.Heat_field(1, "heat_name"), "\xC5\x81\xC3\xB3" "d\xC5\xBA");
}

// Found by fuzzing: a character reference beyond Unicode comes out of the parser as bytes in a
// longer form than UTF-8 allows; written back as a reference it read as another text. A one-byte
// file that holds one is refused; a UTF-8 file keeps the bytes as they are.
TEST_F(Marathon_file_test, AReferenceBeyondUnicodeIsRefusedInAOneByteFileAndKeptInAUtf8One)
{
    const std::string body = "\r\n<Wakeline_marathon_file><event_name>a&#836999999999999994;b</event_name>"
                             "</Wakeline_marathon_file>";
    test::Write_file(Path("ref.xml"), "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>" + body);
    Marathon_file file;
    std::string problem;
    EXPECT_FALSE(file.Load(Path("ref.xml"), &problem));
    EXPECT_NE(problem.find("not a Unicode character"), std::string::npos) << problem;

    test::Write_file(Path("ref.xml"), "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + body);
    ASSERT_TRUE(file.Load(Path("ref.xml"), &problem)) << problem;
    const std::string read = file.Event_name();
    ASSERT_TRUE(file.Save(Path("ref.xml"), problem)) << problem;
    Marathon_file again;
    ASSERT_TRUE(again.Load(Path("ref.xml"), &problem)) << problem;
    EXPECT_EQ(again.Event_name(), read);
}

TEST_F(Marathon_file_test, AnIso885915FileOrOneWithALineBreakBeforeItsDeclarationKeepsItsLetters)
{
    const std::string cafe = "Caf\xC3\xA9 \xE2\x82\xAC \xC5\xA0koda"; // Café € Škoda
    const std::pair<std::string, std::string> files[] = {
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?>", "Caf\xE9 \xA4 \xA6koda"},
        {"\r\n<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?>", "Caf\xE9 \xA4 \xA6koda"},
        {"\r\n<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>", "Caf\xE9 \x80 \x8Akoda"}};
    for (const auto& [declaration, name] : files) {
        test::Write_file(Path("15.xml"), declaration + "\r\n<Wakeline_marathon_file>\r\n<event_name>" + name +
                                             "</event_name>\r\n<heat id=\"1\"><heat_name>" + name +
                                             "</heat_name>\r\n<heat_start/>\r\n</heat></Wakeline_marathon_file>");
        Marathon_file file;
        std::string problem;
        ASSERT_TRUE(file.Load(Path("15.xml"), &problem)) << problem;
        EXPECT_EQ(file.Event_name(), cafe);
        EXPECT_EQ(file.Heat_field(1, "heat_name"), cafe);
        // A start is stamped and saved; the names are not touched.
        ASSERT_TRUE(file.Heat_field(1, "heat_start", "10:00:00"));
        ASSERT_TRUE(file.Save(Path("15.xml"), problem)) << problem;

        const std::string saved = test::Read_file(Path("15.xml"));
        EXPECT_EQ(saved.rfind(declaration.substr(declaration.find('<')) + "\r\n<Wakeline_marathon_file>", 0), 0u);
        // ISO-8859-1 lacks the euro sign and S with caron: they go as references there.
        const std::string stored = name[5] == '\xA4' ? name : "Caf\xE9 &#8364; &#352;koda";
        EXPECT_NE(saved.find("<event_name>" + stored + "</event_name>"), std::string::npos) << saved;
        EXPECT_NE(saved.find("<heat_name>" + stored + "</heat_name>\r\n<heat_start>10:00:00</heat_start>"),
                  std::string::npos);
        EXPECT_EQ(saved.find('?', saved.find("?>") + 2), std::string::npos) << saved;

        Marathon_file again;
        ASSERT_TRUE(again.Load(Path("15.xml"), &problem)) << problem;
        EXPECT_EQ(again.Heat_field(1, "heat_name"), cafe);
    }
}

TEST_F(Marathon_file_test, ASaveThatFailsPartWayLeavesTheOldFileWhole)
{
    Marathon_file file;
    file.Create("2010-04-18 14:12:33");
    ASSERT_TRUE(file.Event_name("First"));
    std::string problem;
    ASSERT_TRUE(file.Save(Path("marathon.xml"), problem)) << problem;
    const std::string before = test::Read_file(Path("marathon.xml"));
    ASSERT_GT(before.size(), 1000u);

    ASSERT_TRUE(file.Event_name("Second"));
    {
        test::File_size_limit disk_full(1000);
        EXPECT_FALSE(file.Save(Path("marathon.xml"), problem));
    }
    EXPECT_FALSE(problem.empty());
    EXPECT_EQ(test::Read_file(Path("marathon.xml")), before);
    for (const auto& e : fs::directory_iterator(home.path()))
        EXPECT_EQ(e.path().filename().string().find(".writing"), std::string::npos) << "left behind: " << e.path();
    Marathon_file back;
    ASSERT_TRUE(back.Load(Path("marathon.xml")));
    EXPECT_EQ(back.Event_name(), "First");

    ASSERT_TRUE(file.Save(Path("marathon.xml"), problem)) << problem;
    ASSERT_TRUE(back.Load(Path("marathon.xml")));
    EXPECT_EQ(back.Event_name(), "Second");
}

TEST_F(Marathon_file_test, BrokenOrForeignFilesAreRefusedAndAnEmptyDocumentIsNeverWritten)
{
    Marathon_file file;
    std::string problem;
    test::Write_file(Path("cut.xml"), "<?xml version=\"1.0\"?><Wakeline_marathon_file><heat id=\"1\">");
    EXPECT_FALSE(file.Load(Path("cut.xml"), &problem));
    EXPECT_FALSE(problem.empty());
    EXPECT_TRUE(file.Empty());
    test::Write_file(Path("other.xml"), "<race><heats/></race>");
    EXPECT_FALSE(file.Load(Path("other.xml"), &problem));
    EXPECT_NE(problem.find("Wakeline_marathon_file"), std::string::npos);
    EXPECT_FALSE(file.Load(Path("missing.xml"), &problem));

    problem = "x";
    EXPECT_FALSE(file.Save(Path("empty.xml"), problem));
    EXPECT_TRUE(problem.empty());
    EXPECT_FALSE(fs::exists(Path("empty.xml")));

    // A folder that is not there is a failed write, said as such.
    file.Create("now");
    EXPECT_FALSE(file.Save(Path("no/such/folder/m.xml"), problem));
    EXPECT_FALSE(problem.empty());
}

TEST(Marathon_elapsed, TheClockShowsTheTimeSinceTheStartAcrossMidnightAndNothingForStoppedHeats)
{
    const int32_t t140327 = 14 * 3600 + 3 * 60 + 27;
    EXPECT_EQ(Elapsed_of("14:03:32", true, t140327).text, "-00:00:05");
    EXPECT_EQ(Elapsed_of("14:03:32", true, t140327).look, Elapsed_look::not_started);
    EXPECT_EQ(Elapsed_of("14:03:27", true, t140327 + 3661).text, "01:01:01");
    EXPECT_EQ(Elapsed_of("14:03:27", true, t140327 + 3661).look, Elapsed_look::running);
    EXPECT_EQ(Elapsed_of("14:03:27", true, t140327).text, "00:00:00");
    EXPECT_EQ(Elapsed_of("14:03:27", false, t140327 + 3661).text, "");
    EXPECT_EQ(Elapsed_of("", true, t140327).text, "");
    EXPECT_EQ(Elapsed_of("   ", true, t140327).look, Elapsed_look::none);
    EXPECT_EQ(Elapsed_of("half past two", true, t140327).text, "--:--:--");
    // Longer than a 16-bit count of seconds holds (9:06:07).
    EXPECT_EQ(Elapsed_of("02:00:00", true, 12 * 3600 + 1).text, "10:00:01");
    // A heat started before midnight is timed on after it, and one due just after midnight
    // counts down before it.
    EXPECT_EQ(Elapsed_of("23:50:00", true, 10 * 60).text, "00:20:00");
    EXPECT_EQ(Elapsed_of("00:00:05", true, 86400 - 5).text, "-00:00:10");
    EXPECT_EQ(Elapsed_of("00:00:00", true, 12 * 3600).text, "12:00:00");
}

TEST(Marathon_elapsed, OnlyATimeOfDayIsAStart)
{
    EXPECT_EQ(Seconds_of_day("14:03:27"), 50607);
    EXPECT_EQ(Seconds_of_day(" 9:05:00 "), 32700);
    EXPECT_EQ(Seconds_of_day("00:00:00"), 0);
    EXPECT_EQ(Seconds_of_day("23:59:59"), 86399);
    for (const char* bad : {"24:00:00", "12:60:00", "12:00:60", "14:03", "14:03:27:00", "-1:00:00", "1:2:", "abc", ""})
        EXPECT_EQ(Seconds_of_day(bad), std::nullopt) << bad;
}

class Marathon_rows_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        rows.File().Create("now");
        rows.File_present(true);
        rows.Row_changed = [this](int index) { changes.push_back(index); };
    }
    std::string Field(int id, const char* element) { return rows.File().Heat_field(id, element).value_or("?"); }
    Marathon_rows rows;
    std::vector<int> changes;
};

TEST_F(Marathon_rows_test, StartStampsTheSelectedHeatsOnlyAndStopMarksThemStopped)
{
    rows.Select_Heat(2, true);
    rows.Select_Heat(5, true);
    ASSERT_TRUE(rows.Start_selected("14:03:27"));
    for (int id = 1; id <= 30; ++id) {
        const bool started = id == 2 || id == 5;
        EXPECT_EQ(Field(id, "heat_start"), started ? "14:03:27" : "") << id;
        EXPECT_EQ(rows.Row(id - 1).start, started ? "14:03:27" : "") << id;
        EXPECT_EQ(Field(id, "heat_running"), "t") << id;
    }
    ASSERT_TRUE(rows.Stop_selected());
    EXPECT_EQ(Field(2, "heat_running"), "f");
    EXPECT_EQ(Field(5, "heat_running"), "f");
    EXPECT_EQ(Field(3, "heat_running"), "t");
    EXPECT_EQ(Field(5, "heat_start"), "14:03:27"); // the start is kept
    EXPECT_FALSE(rows.Row(4).running);
    rows.Tick(14 * 3600 + 10 * 60);
    EXPECT_EQ(rows.Row(4).elapsed.text, "");
    // Started again: running again, from the new time.
    ASSERT_TRUE(rows.Start_selected("14:05:00"));
    EXPECT_EQ(Field(5, "heat_running"), "t");
    rows.Tick(14 * 3600 + 10 * 60);
    EXPECT_EQ(rows.Row(4).elapsed.text, "00:05:00");
    EXPECT_EQ(rows.Row(0).elapsed.text, "");
    EXPECT_FALSE(changes.empty());
}

TEST_F(Marathon_rows_test, TheCurrentHeatIsTheLastSelectedAndNoneAfterDeselecting)
{
    EXPECT_EQ(rows.Selected_Heat(), 0);
    EXPECT_EQ(rows.Selected_start(), "");
    rows.Select_Heat(3, true);
    rows.Select_Heat(9, true);
    EXPECT_EQ(rows.Selected_Heat(), 9);
    rows.Edit(8, Marathon_rows::Column::heat_start, " 9:05:00");
    EXPECT_EQ(rows.Selected_start(), " 9:05:00"); // as typed
    rows.Edit(8, Marathon_rows::Column::heat_start, "soon");
    EXPECT_EQ(rows.Selected_start(), "");
    rows.Select_Heat(9, false);
    EXPECT_EQ(rows.Selected_Heat(), 0);
    EXPECT_TRUE(rows.Row(2).selected);
    rows.Deselect_all_Heats();
    for (int k = 0; k < 30; ++k) EXPECT_FALSE(rows.Row(k).selected);
    // Ids outside the 30 heats change nothing.
    rows.Select_Heat(0, true);
    rows.Select_Heat(31, true);
    EXPECT_EQ(rows.Selected_Heat(), 0);
}

TEST_F(Marathon_rows_test, EditsAndTheRunningToggleGoIntoTheFileOnlyWhileThereIsOne)
{
    ASSERT_TRUE(rows.Edit(0, Marathon_rows::Column::heat_num, "101"));
    ASSERT_TRUE(rows.Edit(0, Marathon_rows::Column::heat_name, "Herrar 42 km"));
    ASSERT_TRUE(rows.Edit(29, Marathon_rows::Column::heat_start, "10:00:00"));
    EXPECT_EQ(Field(1, "heat_num"), "101");
    EXPECT_EQ(Field(1, "heat_name"), "Herrar 42 km");
    EXPECT_EQ(Field(30, "heat_start"), "10:00:00");
    ASSERT_TRUE(rows.Toggle_running(29));
    EXPECT_EQ(Field(30, "heat_running"), "f");
    ASSERT_TRUE(rows.Toggle_running(29));
    EXPECT_EQ(Field(30, "heat_running"), "t");

    rows.File_present(false);
    rows.Select_Heat(1, true);
    EXPECT_FALSE(rows.Edit(0, Marathon_rows::Column::heat_num, "999"));
    EXPECT_FALSE(rows.Toggle_running(0));
    EXPECT_FALSE(rows.Start_selected("11:00:00"));
    EXPECT_FALSE(rows.Stop_selected());
    EXPECT_EQ(Field(1, "heat_num"), "101");
    EXPECT_EQ(Field(1, "heat_start"), "");
    EXPECT_EQ(Field(1, "heat_running"), "t");
    EXPECT_FALSE(rows.Edit(30, Marathon_rows::Column::heat_num, "x"));
}

TEST_F(Marathon_rows_test, LoadingSkipsWhatIsMissingAndReadsTheRest)
{
    rows.Edit(3, Marathon_rows::Column::heat_name, "kept");
    test::Temp_home home;
    const std::string path = (home.path() / "m.xml").string();
    test::Write_file(path, "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><Wakeline_marathon_file><event_name/>"
                           "<heat id=\"4\"><heat_num>44</heat_num><heat_running>x</heat_running>"
                           "<heat_start>08:00:00</heat_start></heat></Wakeline_marathon_file>");
    ASSERT_TRUE(rows.File().Load(path));
    rows.Load_Form_Data();
    EXPECT_EQ(rows.Row(3).heat_num, "44");
    EXPECT_EQ(rows.Row(3).heat_name, "kept");
    EXPECT_EQ(rows.Row(3).start, "08:00:00");
    EXPECT_FALSE(rows.Row(3).running); // anything but "t" is stopped
    EXPECT_TRUE(rows.Row(4).running);
}

} // namespace
} // namespace wk
