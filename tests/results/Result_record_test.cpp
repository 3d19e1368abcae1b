// A heat's state and revisions beside its recording, and the files the results folder gets: made
// official, changed into revision 2 with the old value kept, a failed or killed write leaving the
// previous revision readable, and the JSON and line file a board reads.
#include "results/Marathon_published.h"
#include "results/Marathon_result_file.h"
#include "results/Published_heat.h"
#include "results/Result_desk.h"
#include "results/Result_record.h"
#include "services/Module_ini_keys.h"
#include "tests/support/Failing_disk.h"
#include "tests/support/Test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace wk {
namespace {

namespace fs = std::filesystem;

// Lanes 3 and 5 timed, lane 7 did not finish.
Heat_result Heat(int32_t lane3 = 123460, int32_t lane5 = 123980)
{
    Heat_lane_records lanes{};
    for (auto& r : lanes) r.Time = No_Time;
    lanes[3] = {0, lane3, 10, 40};
    lanes[5] = {0, lane5, 11, 41};
    lanes[7] = {0, Time_DNF, 12, 0};
    Heat_result r = Rank_heat(lanes, 0, "A1", "09-12-26 10:00:00");
    r.event = "Sprint 200";
    return r;
}

class Result_record_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(home.App_data());
        test::Write_file(home.App_data() / "Wakeline.ini", "[Canoe]\r\n");
    }
    test::Temp_home home;
    const std::string recording = (home.path() / "Heat_A1.qs2").string();
    const std::string results = (home.path() / "results").string();

    Taken_result Take(const Heat_result& r) { return Take_heat_result(r, recording, "Sprint 200"); }
    Result_record Kept()
    {
        std::string problem;
        const std::optional<Result_record> record = Load_record(recording, problem);
        EXPECT_TRUE(record) << problem;
        return record.value_or(Result_record{});
    }
    QJsonObject Json(const std::string& id)
    {
        return QJsonDocument::fromJson(QByteArray::fromStdString(test::Read_file(fs::path(results) / (id + ".json"))))
            .object();
    }
};

TEST_F(Result_record_test, AChangeAfterOfficialIsRevisionTwoWithTheOldValueKept)
{
    EXPECT_EQ(Take(Heat()).result.revision, 0);
    EXPECT_FALSE(fs::exists(Record_path(recording))) << "a provisional heat needs no record";
    ASSERT_EQ(Make_heat_official(Heat(), recording), "");
    EXPECT_EQ(Take(Heat()).result.State_text(), "Official, revision 1");

    const Taken_result changed = Take(Heat(123410));
    EXPECT_EQ(changed.result.State_text(), "Official, revision 2");
    const Result_record kept = Kept();
    ASSERT_EQ(kept.revisions.size(), 2u);
    EXPECT_EQ(kept.revisions[1].revision, 2);
    EXPECT_EQ(kept.revisions[1].changes, (std::vector<Result_change>{{3, "02:03,46", "02:03,41"}}));
    EXPECT_EQ(kept.revisions[0].revision, 1);
    EXPECT_EQ(kept.revisions[0].at.size(), 20u) << kept.revisions[0].at;
    // Ranked again unchanged: no further revision. Making it official again changes nothing.
    EXPECT_EQ(Take(Heat(123410)).result.revision, 2);
    EXPECT_EQ(Make_heat_official(Heat(123410), recording), "");
    EXPECT_EQ(Kept(), kept);
    // A lane cleared is a change too: its new text is empty.
    Heat_lane_records none{};
    for (auto& r : none) r.Time = No_Time;
    Heat_result cleared_heat = Rank_heat(none, 0, "A1", "");
    cleared_heat.event = "Sprint 200";
    const Taken_result cleared = Take(cleared_heat);
    EXPECT_EQ(cleared.result.revision, 3);
    EXPECT_EQ(Kept().revisions[2].changes.size(), 3u);
}

TEST_F(Result_record_test, AFailedOrKilledWriteLeavesThePreviousRevisionReadable)
{
    ASSERT_EQ(Make_heat_official(Heat(), recording), "");
    const Result_record official = Kept();
    test::Fail_each_write(
        {1},
        [&](test::Failing_disk& disk, int failing, bool half) {
            disk.Fail_write(failing, ENOSPC, half);
            const Taken_result taken = Take(Heat(123410));
            EXPECT_NE(taken.problem.find("could not be kept"), std::string::npos) << taken.problem;
            EXPECT_EQ(taken.result.revision, 1);
        },
        [&] { EXPECT_EQ(Kept(), official); });
    const std::string base = (home.path() / "official.json").string();
    fs::copy_file(Record_path(recording), base);
    const Result_record revised = *Revised(official, Heat(123410), "2026-12-09T20:31:05Z");
    const int writes = test::Kill_at_every_write(
        base, Record_path(recording),
        [&](const std::string& path) {
            Save_record(path.substr(0, path.size() - std::string(".result.json").size()), revised);
        },
        [&](bool all_written) { EXPECT_EQ(Kept(), all_written ? revised : official); });
    EXPECT_GE(writes, 1);
    // Once the disk takes it again, the next ranking makes the revision that was lost.
    fs::remove(Record_path(recording));
    ASSERT_EQ(Save_record(recording, official), "");
    EXPECT_EQ(Take(Heat(123410)).result.revision, 2);
}

TEST_F(Result_record_test, ADamagedRecordIsToldAndNeitherOverwrittenNorPublished)
{
    Write_setting(ini::Results_folder, results);
    fs::create_directories(results);
    test::Write_file(Record_path(recording), "{\"revision\": 2, \"official\": [1,");
    const Taken_result taken = Take(Heat());
    EXPECT_NE(taken.problem.find(Record_path(recording)), std::string::npos) << taken.problem;
    EXPECT_EQ(test::Read_file(Record_path(recording)), "{\"revision\": 2, \"official\": [1,");
    EXPECT_TRUE(fs::is_empty(results));
}

TEST_F(Result_record_test, TheResultsFolderGetsTheHeatAsJsonAndLineFileWithNames)
{
    Write_setting(ini::Results_folder, results);
    fs::create_directories(results);
    test::Write_file(home.path() / "start.csv", "heat;lane;bib;name;club\nA1;3;101;Berg, Anna;Kanot SK\n"
                                                "A1;5;102;Team \"Nord\";NOR\nA1;7;103;Lind;SWE\n");
    ASSERT_FALSE(Import_start_list((home.path() / "start.csv").string(), "Sprint 200"));
    ASSERT_EQ(Make_heat_official(Heat(), recording), "");
    const Taken_result taken = Take(Heat(123460, 123460));
    EXPECT_EQ(taken.problem, "");

    const std::string id = "canoe-Sprint_200-heat-A1";
    const QJsonObject o = Json(id);
    EXPECT_EQ(o["id"].toString(), QString::fromStdString(id));
    EXPECT_EQ(o["kind"].toString(), "canoe");
    EXPECT_EQ(o["state"].toString(), "official");
    EXPECT_EQ(o["revision"].toInt(), 2);
    EXPECT_EQ(o["precision"].toString(), "1/100");
    EXPECT_TRUE(o["updated"].toString().endsWith('Z'));
    const QJsonArray rows = o["rows"].toArray();
    ASSERT_EQ(rows.size(), 3);
    // Whole rows, as the board reads them: the dead heat marked on both, a code without place or time.
    const auto row = [&](int i) { return QJsonDocument(rows[i].toObject()).toJson(QJsonDocument::Compact).toStdString(); };
    EXPECT_EQ(row(0), R"({"bib":"101","club":"Kanot SK","code":"","dead_heat":true,"difference":"","lane":3,)"
                      R"("made":"clicked","name":"Berg, Anna","place":1,"time":"02:03,46","time_ms":123460})");
    EXPECT_EQ(row(1).substr(0, 65), R"({"bib":"102","club":"NOR","code":"","dead_heat":true,"difference")");
    EXPECT_EQ(row(2), R"({"bib":"103","club":"SWE","code":"DNF","dead_heat":false,"difference":"","lane":7,)"
                      R"("made":"clicked","name":"Lind","place":null,"time":"","time_ms":null})");
    const QJsonArray changes = o["revisions"].toArray()[1].toObject()["changes"].toArray();
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0].toObject()["old"].toString(), "02:03,98");
    EXPECT_EQ(changes[0].toObject()["new"].toString(), "02:03,46");

    EXPECT_EQ(test::Read_file(fs::path(results) / (id + ".lif")),
              "Sprint 200,1,A1,Sprint 200 A1\r\n"
              "1,101,3,Berg,Anna,Kanot SK,02:03.46\r\n"
              "1,102,5,\"Team \"\"Nord\"\"\",,NOR,02:03.46\r\n"
              "DNF,103,7,Lind,,SWE,\r\n");
    // Nothing but the two files, no temporary left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(results), fs::directory_iterator()), 2);
}

TEST_F(Result_record_test, AMarathonHeatGoesOutRankedByTime)
{
    Class_Wakeline_result_XML doc;
    doc.Initialize_DOM();
    doc.EventName("City Run");
    doc.Create_Heat_node("3", "Men", "10:00:00");
    doc.Create_Result_Node("3");
    doc.Create_Competitor_Node("3", "17", "1:02:03,45", "", "", "a.qs2", "10");
    doc.Create_Competitor_Node("3", "4", "00:46,98", "", "", "a.qs2", "11");
    doc.Create_Competitor_Node("3", "9", "??", "", "", "a.qs2", "12");
    const Published_heat heat = Marathon_heat(doc, "3");
    EXPECT_EQ(heat.id, "marathon-City_Run-heat-3");
    EXPECT_EQ(heat.kind, "marathon");
    ASSERT_EQ(heat.rows.size(), 3u);
    EXPECT_EQ(heat.rows[0].bib, "4");
    EXPECT_EQ(heat.rows[0].time_ms, 46980);
    EXPECT_EQ(heat.rows[1].bib, "17");
    EXPECT_EQ(heat.rows[1].place, 2);
    EXPECT_EQ(heat.rows[1].time_ms, 3723450);
    EXPECT_EQ(heat.rows[1].difference, "+1:01:16,47");
    EXPECT_FALSE(heat.rows[1].lane);
    EXPECT_FALSE(heat.rows[2].place);
    EXPECT_FALSE(Elapsed_ms("12:60,00"));
    EXPECT_FALSE(Elapsed_ms("46,9"));

    // Each finish entered goes out at once, with the competitor's name from the start list.
    Write_setting(ini::Results_folder, results);
    fs::create_directories(results);
    test::Write_file(home.path() / "start.csv", "3;0;17;Berg, Anna;Kanot SK\n");
    ASSERT_FALSE(Import_start_list((home.path() / "start.csv").string(), "City Run"));
    Marathon_result_file file((home.path() / "marathon.xml").string(), home.path().string());
    ASSERT_TRUE(file.Start_new({"City Run", "cam", "office", ""}));
    ASSERT_TRUE(file.Add({"3", "Men", "10:00:00", "17", "00:50,00", "a.qs2", "10"}));
    const QJsonArray rows = Json("marathon-City_Run-heat-3")["rows"].toArray();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].toObject()["bib"].toString(), "17");
    EXPECT_EQ(rows[0].toObject()["name"].toString(), "Berg, Anna");
    EXPECT_EQ(rows[0].toObject()["time_ms"].toInteger(), 50000);
    EXPECT_EQ(Json("marathon-City_Run-heat-3")["kind"].toString(), "marathon");
}

} // namespace
} // namespace wk
