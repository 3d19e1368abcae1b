// The sections of the recording object built alone over a fake recording: the race time of the
// frame on show, which setters store the header, the tolvex goal offset the frame supplies, the
// swing's fields and times the golf section takes from the recording, the trace record written
// into the frame in store as far as the recording could store it, the time the capture record
// gives its frame, where the selection of fields is kept, and what the AVI section refuses to
// write.
#include "recording/Avi_section.h"
#include "recording/DV_Header_Record.h"
#include "recording/Golf_section.h"
#include "recording/Race_section.h"
#include "recording/Recording_file.h"
#include "recording/Recording_port.h"
#include "recording/Recording_reader.h"
#include "recording/Stream_section.h"
#include "recording/Tolvex_section.h"
#include "recording/Trace_section.h"
#include "recording/header/Cls_XML_header.h"
#include "platform/Memory_bytes.h"
#include "recording/Capture_record_section.h"
#include "services/Module_error.h"
#include "services/Run_time_error.h"
#include "tests/support/Test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

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
    // Frames of stream 1 (frame f at f - 1) and the one in store, with room for a trace record
    // where `room` says; a write back stores, keeps in memory only (false) or raises.
    enum class Write { stores, memory_only, raises };
    std::vector<std::vector<uint8_t>> frames;
    std::vector<uint8_t> in_store;
    bool room = true;
    Write write = Write::stores;
    int32_t unreadable = 0; // a frame that cannot be read
    bool carries_records = true;

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
    bool Frames_carry_records() const override { return carries_records; }
    std::span<const uint8_t> Frame_bytes_read() const override { return in_store; }
    std::span<uint8_t> Frame_record_room() override { return room ? std::span<uint8_t>(in_store) : std::span<uint8_t>(); }
    bool Load_frame(int32_t f, int16_t stream) override
    {
        file.frame_in_store = 0;
        in_store.clear();
        if (f < 1 || f > int32_t(frames.size()) || f == unreadable) return false;
        in_store = frames[size_t(f - 1)];
        file.frame_in_store = f;
        file.current_stream = stream;
        return true;
    }
    bool Write_frame_back() override
    {
        if (write == Write::raises) throw Run_time_error(75, "Path/File access error");
        if (write == Write::memory_only) return false;
        frames[size_t(file.frame_in_store - 1)] = in_store;
        return true;
    }
    // An open recording of n frames, each long enough for its trace record, none traced.
    void Open_frames(int32_t n)
    {
        file.file.Attach(std::make_unique<platform::Memory_bytes>(std::vector<uint8_t>(1)));
        frames.assign(size_t(n), std::vector<uint8_t>(Trace_Record::k_Offset + Trace_Record::k_Size, 0x5A));
        file.num_frames = n;
    }
    bool Frame_traced(int32_t f) const
    {
        return std::memcmp(frames[size_t(f - 1)].data() + Trace_Record::k_Offset, "QSTD", 4) == 0;
    }
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

TEST(Recording_sections, ATracePointIsKeptAsFarAsTheRecordingCouldStoreItsFrame)
{
    using Write = Fake_recording::Write;
    struct Case {
        const char* what;
        bool room;
        Write write;
        std::optional<bool> said; // none: raises
        bool in_memory, in_file, in_copy;
    };
    const Case cases[] = {
        {"stored", true, Write::stores, true, true, true, true},
        {"kept in memory only", true, Write::memory_only, false, true, false, true},
        {"the write fails", true, Write::raises, std::nullopt, false, false, false},
        {"no room for a record", false, Write::stores, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fake_recording rec;
        Trace_section trace(rec);
        rec.Open_frames(3);
        trace.Read_Trace_Array();
        ASSERT_TRUE(rec.Load_frame(2, 1));
        rec.room = c.room;
        rec.write = c.write;
        rec.field = 2;
        if (c.said)
            EXPECT_EQ(trace.Update_Trace_Data(4, 12, -3), *c.said);
        else
            EXPECT_EQ(test::Error_number([&] { trace.Update_Trace_Data(4, 12, -3); }), 75);
        const bool in_memory = std::memcmp(rec.in_store.data() + Trace_Record::k_Offset, "QSTD", 4) == 0;
        EXPECT_EQ(in_memory, c.in_memory);
        EXPECT_EQ(rec.Frame_traced(2), c.in_file);
        EXPECT_EQ(trace.Trace_X(4), c.in_copy ? 12 : 0);
        EXPECT_EQ(trace.Trace_Array(2).y(4, 2), c.in_file ? -3 : 0) << "the list holds what the file holds";
    }
}

TEST(Recording_sections, ClearingEveryTraceEndsOnTheFrameItStartedOnWhateverHappens)
{
    using Write = Fake_recording::Write;
    struct Case {
        const char* what;
        int32_t unreadable;
        Write write;
        std::optional<bool> said; // none: raises
        bool frame_3_cleared;
    };
    const Case cases[] = {
        {"all cleared", 0, Write::stores, true, true},
        {"a frame cannot be read", 1, Write::stores, false, true},
        {"a write fails", 0, Write::raises, std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fake_recording rec;
        Trace_section trace(rec);
        rec.Open_frames(4);
        ASSERT_TRUE(rec.Load_frame(3, 1));
        ASSERT_TRUE(trace.Update_Trace_Data(1, 7, 8));
        ASSERT_TRUE(rec.Load_frame(2, 1));
        rec.unreadable = c.unreadable;
        rec.write = c.write;
        if (c.said)
            EXPECT_EQ(trace.Clear_all_Traces(), *c.said);
        else
            EXPECT_EQ(test::Error_number([&] { trace.Clear_all_Traces(); }), 75);
        EXPECT_EQ(rec.file.frame_in_store, 2);
        EXPECT_EQ(Trace_Record::From_bytes(std::span(rec.frames[2]).subspan(Trace_Record::k_Offset)).x(1, 1),
                  c.frame_3_cleared ? 0 : 7);
    }
}

TEST(Recording_sections, ACapturedFrameTakesItsPicturesTimesOrTheFrameGridLessTen)
{
    struct Case {
        const char* what;
        bool carries;
        std::optional<size_t> record_at; // none: the frame has no record
        bool picture_times;
        int32_t first, second;
        std::optional<int32_t> stamp; // none: the frame has no stamp
        int32_t second_after;
    };
    const Case cases[] = {
        {"DV on the 40 ms grid", true, 12000, false, 1265, 0, 1270, 20},
        {"the pictures' own times", true, 12000, true, 1265, 1283, 1265, 18},
        {"one picture fills both fields", true, 12000, true, 1265, 1265, 1265, 0},
        {"a partner too late is not believed", true, 12000, true, 1265, 1306, 1265, 20},
        {"a partner before is not believed", true, 12000, true, 1265, 1264, 1265, 20},
        {"across the tick's change of sign", true, 12000, true, INT32_MAX - 5, INT32_MIN + 14, INT32_MAX - 5, 20},
        {"found where it lies", true, 700, true, 1265, 1283, 1265, 18},
        {"no record", true, std::nullopt, false, 1265, 0, std::nullopt, 20},
        {"a kind whose frames carry none", false, 12000, true, 1265, 1283, std::nullopt, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fake_recording rec;
        Capture_record_section record(rec);
        rec.carries_records = c.carries;
        rec.file.frame_buffer.assign(144000, 0x33);
        Capture_record r;
        r.frame_tick = c.first;
        r.second_field_tick = c.second;
        r.picture_times = c.picture_times;
        const Capture_record::Bytes bytes = r.To_bytes();
        if (c.record_at) std::copy(bytes.begin(), bytes.end(), rec.file.frame_buffer.begin() + *c.record_at);
        record.Take_frame_time();
        EXPECT_EQ(record.Has_Frame_Time_Stamp(), c.stamp.has_value());
        EXPECT_EQ(record.Frame_Time_Stamp(), c.stamp.value_or(0));
        EXPECT_EQ(record.Second_Field_After_First(), c.second_after);
        EXPECT_EQ(record.Extra_data().size(), c.stamp ? capture_record::Size : 0u);
    }
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
