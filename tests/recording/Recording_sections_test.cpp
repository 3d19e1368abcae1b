// The sections of the recording object built alone over a fake recording: the race time of the
// frame on show, which setters store the header, the tolvex goal offset the frame supplies, the
// swing's fields and times the golf section takes from the recording, where the selection of
// fields is kept, and what the AVI section refuses to write.
#include "recording/Avi_section.h"
#include "recording/DV_Header_Record.h"
#include "recording/Golf_section.h"
#include "recording/Race_section.h"
#include "recording/Recording_file.h"
#include "recording/Recording_port.h"
#include "recording/Recording_reader.h"
#include "recording/Stream_section.h"
#include "recording/Tolvex_section.h"
#include "recording/header/Cls_XML_header.h"
#include "services/Run_time_error.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <optional>

namespace wk {
namespace {

// A reader that found what a test says: an sdv's DV header record or an XML header.
struct Fake_reader : Recording_reader {
    using Recording_reader::Recording_reader;
    bool Open() override { return true; }
    bool Read_frame(int32_t, int16_t) override { return false; }
    bool Has_XML_header() const override { return has_xml; }
    DV_Header_Record* DV_record() override { return dv_record ? &*dv_record : nullptr; }

    bool has_xml = true;
    std::optional<DV_Header_Record> dv_record;
};

// A recording reduced to what a section asks: a header, a frame record, a stamp and a field.
struct Fake_recording : Recording_port {
    Recording_file file;
    mutable Fake_reader reader{file};
    bool dv_store_works = true;
    int dv_stores = 0, fields_counted = 0;
    int32_t drive_type = 3;
    Capture_record record;
    std::optional<int32_t> stamp;
    int32_t second_field_ms = 20;
    int16_t field = 1;
    bool store_works = true;
    int stores = 0;
    int32_t field_drawn = 0;
    float time_drawn = 0, player_time = 0;
    bool keeps_swing_fields = true;
    int32_t found = 0;

    // A fresh header with the race and the tolvex sections, as a new recording gets one.
    Fake_recording()
    {
        file.Header().Tolvex(true);
        file.Header().Create_Header();
    }

    Recording_file& File() override { return file; }
    const Recording_file& File() const override { return file; }
    bool Store_header() override
    {
        ++stores;
        return store_works;
    }
    Recording_reader& Reader() const override { return reader; }
    bool Store_dv_record() override
    {
        ++dv_stores;
        return dv_store_works;
    }
    void Fields_changed() override { ++fields_counted; }
    int32_t Drive_type() const override { return drive_type; }
    Capture_record Frame_record() const override { return record; }
    bool Frame_stamp(int32_t& s) const override
    {
        s = stamp.value_or(0);
        return stamp.has_value();
    }
    int32_t Second_field_ms() const override { return second_field_ms; }
    int16_t Field_shown() const override { return field; }
    int32_t Field_drawn() const override { return field_drawn; }
    float Time_drawn() const override { return time_drawn; }
    float Avi_player_time() const override { return player_time; }
    bool Keeps_swing_fields() const override { return keeps_swing_fields; }
    const platform::Byte_file* Model_file() const override { return nullptr; }
    void Frame_found(int32_t frame) override { found = frame; }
};

TEST(Recording_sections, RaceTimeOfTheFrameOnShowComesFromItsStartStampFieldAndGoalOffset)
{
    struct Case {
        const char* what;
        int32_t header_start, frame_start;
        std::optional<int32_t> stamp;
        int16_t field, goal_offset;
        std::optional<int32_t> race_ms; // none: raises
    };
    const Case cases[] = {
        {"header start", 1000, 0, 1500, 1, 0, 500},
        {"the frame's start stands in", 0, 1000, 1500, 1, 0, 500},
        {"header start wins over the frame's", 900, 1000, 1500, 1, 0, 600},
        {"second field is later", 1000, 0, 1500, 2, 0, 520},
        {"goal offset taken off", 1000, 0, 1500, 1, 100, 400},
        {"an offset of 500 or more is not one", 1000, 0, 1500, 1, 500, 500},
        {"across the tick's change of sign", INT32_MAX - 99, 0, INT32_MIN + 100, 1, 0, 200},
        {"no start anywhere", 0, 0, 1500, 1, 0, std::nullopt},
        {"a frame without its own stamp", 1000, 0, std::nullopt, 1, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fake_recording rec;
        Race_section race(rec);
        rec.file.Header().Start_PC_mill(1, c.header_start);
        rec.record.heat_start = c.frame_start;
        rec.record.goal_offset = c.goal_offset;
        rec.stamp = c.stamp;
        rec.field = c.field;
        if (c.race_ms)
            EXPECT_EQ(race.Multi_TimeStamp(1), *c.race_ms);
        else
            EXPECT_THROW(race.Multi_TimeStamp(1), Run_time_error);
    }
}

TEST(Recording_sections, SettersThatStoreTheHeaderSayWhetherItWasStoredTheOthersStoreNothing)
{
    struct Case {
        const char* what;
        std::function<std::optional<bool>(Race_section&)> set; // none: a setter in memory only
        int stores;
    };
    const Case cases[] = {
        {"Event_name", [](Race_section& r) { return std::optional(r.Event_name("Final A")); }, 1},
        {"Lane_count", [](Race_section& r) { return std::optional(r.Lane_count(int16_t(6))); }, 1},
        {"Lanes_locked", [](Race_section& r) { return std::optional(r.Lanes_locked(true)); }, 1},
        {"Update_Heat_ID", [](Race_section& r) { return std::optional(r.Update_Heat_ID(1, "H7")); }, 1},
        {"Fix_Goal_Line", [](Race_section& r) { return std::optional(r.Fix_Goal_Line(1, 2, 3, 4)); }, 1},
        {"Heat_Start_Correction", [](Race_section& r) { return std::optional(r.Heat_Start_Correction(1, 40)); }, 1},
        {"Set_Multi_Start", [](Race_section& r) { return std::optional(r.Set_Multi_Start(1)); }, 1},
        {"Clear_Multi_Start", [](Race_section& r) { return std::optional(r.Clear_Multi_Start(1)); }, 1},
        {"Num_Lanes", [](Race_section& r) { r.Num_Lanes(6); return std::optional<bool>(); }, 0},
        {"Heat_ID", [](Race_section& r) { r.Heat_ID(1, "H7"); return std::optional<bool>(); }, 0},
        {"Heat_time", [](Race_section& r) { r.Heat_time(1, 2, 3456); return std::optional<bool>(); }, 0},
        {"Clear_Heats", [](Race_section& r) { r.Clear_Heats(); return std::optional<bool>(); }, 0},
    };
    for (const Case& c : cases) {
        for (const bool works : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (works ? " stored" : " not stored"));
            Fake_recording rec;
            Race_section race(rec);
            rec.store_works = works;
            const std::optional<bool> said = c.set(race);
            EXPECT_EQ(rec.stores, c.stores);
            if (said) EXPECT_EQ(*said, works);
        }
    }
}

TEST(Recording_sections, TolvexGoalOffsetOfZeroGivesWayToTheFramesOwn)
{
    struct Case {
        const char* header;
        int16_t frame_offset;
        const char* expected;
    };
    const Case cases[] = {{"0", 35, "35"}, {"12", 35, "12"}, {"0", 0, "0"}, {"0", -5, "0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.header) + " / " + std::to_string(c.frame_offset));
        Fake_recording rec;
        Tolvex_section tolvex(rec);
        tolvex.Tolv_Goal_compensation(c.header);
        rec.record.goal_offset = c.frame_offset;
        EXPECT_EQ(tolvex.Tolv_Goal_compensation(), c.expected);
        EXPECT_EQ(rec.stores, 0);
    }
}

TEST(Recording_sections, SwingFieldsAreKeptOnlyWhereTheFileKeepsThemButTheHeaderIsStoredEither)
{
    struct Case {
        bool keeps, works;
        int32_t impact;
    };
    const Case cases[] = {{true, true, 40001}, {true, false, 40001}, {false, true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.keeps) + std::to_string(c.works));
        Fake_recording rec;
        rec.file.Header().Golfing(true);
        rec.file.Header().Create_Header();
        Golf_section golf(rec);
        rec.keeps_swing_fields = c.keeps;
        rec.store_works = c.works;
        rec.field_drawn = 40001;
        EXPECT_EQ(golf.Set_Impact_Frame(), c.works);
        EXPECT_EQ(golf.Impact_field(), c.impact);
        EXPECT_EQ(rec.stores, 1);
    }
}

TEST(Recording_sections, SwingTimesCountFromTheBaseTimeAndAFrameFoundBecomesTheEffectiveOne)
{
    Fake_recording rec;
    Golf_section golf(rec);
    rec.time_drawn = 1234.5f;
    rec.player_time = 300;
    EXPECT_EQ(golf.Effective_time(), 1234);
    EXPECT_EQ(golf.Formatted_Time(), "1.23");
    golf.Set_Base_time(true);
    EXPECT_TRUE(golf.has_Base_Time());
    EXPECT_FLOAT_EQ(golf.Player_Time(), 0);
    EXPECT_FLOAT_EQ(golf.Player_Effective_Time(), 934.5f);
    rec.file.is_deinterlaced = true;
    rec.file.num_frames = 200;
    EXPECT_EQ(golf.Synch_percentage(25), 50);
    EXPECT_EQ(rec.found, 50);
}

TEST(Recording_sections, AnSdvKeepsItsSelectionInItsRecordWrittenAtOnceAndUnchangedWhenNotWritten)
{
    struct Case {
        const char* what;
        bool sdv, written;
        int32_t value;
        int dv_stores;
        bool raises;
        int32_t kept; // the selection start read back
    };
    const Case cases[] = {
        {"header of another kind: memory only", false, true, 70000, 0, false, 70000},
        {"sdv record written", true, true, 12, 1, false, 12},
        {"sdv record not written", true, false, 12, 1, true, 3},
        {"beyond the record's 16 bits", true, true, 40000, 0, true, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fake_recording rec;
        Stream_section streams(rec);
        if (c.sdv) rec.reader.dv_record = DV_Header_Record{.Selection_start = 3};
        rec.dv_store_works = c.written;
        if (c.raises)
            EXPECT_THROW(streams.Selection_start(c.value), Run_time_error);
        else
            streams.Selection_start(c.value);
        EXPECT_EQ(rec.dv_stores, c.dv_stores);
        EXPECT_EQ(streams.Selection_start(), c.kept);
        EXPECT_EQ(rec.stores, 0);
    }
}

TEST(Recording_sections, SelectionSettersTakeTheFieldDrawnCountTheFieldsAgainAndStoreTheHeader)
{
    struct Case {
        const char* what;
        std::function<bool(Stream_section&)> set;
        int32_t start, end;
    };
    const Case cases[] = {
        {"Set_Start_frame", [](Stream_section& s) { return s.Set_Start_frame(); }, 40001, 9},
        {"Set_End_frame", [](Stream_section& s) { return s.Set_End_frame(); }, 8, 40001},
        {"Clear_Start_Frame", [](Stream_section& s) { return s.Clear_Start_Frame(); }, 0, 9},
        {"Clear_End_Frame", [](Stream_section& s) { return s.Clear_End_Frame(); }, 8, 0},
    };
    for (const Case& c : cases) {
        for (const bool works : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (works ? " stored" : " not stored"));
            Fake_recording rec;
            Stream_section streams(rec);
            rec.file.Header().Selection_start(1, 8);
            rec.file.Header().Selection_end(1, 9);
            rec.field_drawn = 40001;
            rec.store_works = works;
            EXPECT_EQ(c.set(streams), works);
            EXPECT_EQ(rec.fields_counted, 1);
            EXPECT_EQ(rec.stores, 1);
            EXPECT_EQ(streams.Selection_start(), c.start);
            EXPECT_EQ(streams.Selection_end(), c.end);
        }
    }
    Fake_recording rec;
    Stream_section streams(rec);
    rec.reader.has_xml = false;
    rec.file.Header().Selection_start(1, 8);
    EXPECT_EQ(streams.Selection_start(), 0) << "a file without a header has no selection";
}

TEST(Recording_sections, TheAviTextIsNotRewrittenOnACdOrAReadOnlyFileAndAnotherKindHasNoAviToWrite)
{
    using Kind = Recording_problem::Kind;
    struct Case {
        int32_t drive;
        bool read_only;
        std::optional<Kind> told;
    };
    const Case cases[] = {{5, false, Kind::on_cd_rom}, {5, true, Kind::on_cd_rom}, {3, true, Kind::avi_read_only},
                          {3, false, std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.drive) + (c.read_only ? " read-only" : ""));
        Fake_recording rec;
        Avi_section avi(rec);
        rec.drive_type = c.drive;
        rec.file.read_only = c.read_only;
        EXPECT_FALSE(avi.Rewrite_Text_Buffer(1));
        const std::vector<Recording_problem> told = rec.file.problems.Take();
        ASSERT_EQ(told.size(), c.told ? 1u : 0u);
        if (c.told) EXPECT_EQ(told[0].kind, *c.told);
    }
    Fake_recording rec;
    Avi_section avi(rec);
    EXPECT_FALSE(avi.Put_Text_buffer(std::vector<uint8_t>(4, 'x')));
    EXPECT_FALSE(avi.Read_ix00_Index());
    EXPECT_FALSE(avi.Get_AVI_indexes("a.qs2"));
    EXPECT_EQ(rec.file.problems.Take().size(), 1u) << "the missing index is told";
    EXPECT_THROW(avi.AVI_Chunk_addr(8), Run_time_error);
}

} // namespace
} // namespace wk
