// Writes the fuzz targets' seeds, made by the program's own writers and the test fixtures:
//   make_fuzz_seeds FOLDER  ->  FOLDER/<target>/<seed>
#include "platform/Byte_file.h"
#include "platform/Registry_store.h"
#include "recording/Cls_DVmulti_writer.h"
#include "recording/cls_AVI_handler.h"
#include "recording/header/Cls_XML_header.h"
#include "results/Marathon_file.h"
#include "results/Marathon_result_file.h"
#include "services/Module_utilities.h"
#include "tests/fixtures/DV_fixtures.h"
#include "tests/fuzz/Fuzz_support.h"

#include <QGuiApplication>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace wk;
namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& p) { return fuzz::Read_file(p.string()); }

void Write(const fs::path& p, const std::string& bytes)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::vector<test::DV_frame> Frames()
{
    auto frames = test::Make_DV_frames(2, {.start_timecode = {10, 0, 0, 0}, .start_rec = {2026, 6, 14, 10, 0, 0}});
    for (size_t k = 0; k < frames.size(); ++k)
        test::Write_DV_extra_data(frames[k], {.stamp_tick = int32_t(1000 + 40 * k), .heat_start = 900, .lap_count = 1});
    return frames;
}

std::string Own_format(const fs::path& dir, const std::vector<test::DV_frame>& frames)
{
    const fs::path p = dir / "seed.qs2";
    fs::remove(p);
    cls_AVI_handler rec;
    rec.File_name(p.string());
    rec.Create_File();
    rec.Initiate_file();
    rec.Header().Num_Lanes(3);
    rec.Write_XML_header();
    for (const auto& f : frames) rec.Append_DV_frame(f);
    rec.Close_File();
    return Read(p);
}

// A camera whose store holds the given frames, for the multi-stream writer.
class Held_frames final : public Active_capture {
public:
    explicit Held_frames(std::vector<test::DV_frame> held) : frames_(std::move(held)) {}
    void Stop_Capture() override {}
    int32_t Buff_num() override { return int32_t(frames_.size()); }
    uint8_t* get_Buffaddr(int32_t index) override
    {
        return index >= 1 && index <= Buff_num() ? frames_[size_t(index - 1)].data() : nullptr;
    }
    void Let_Goal_offset(int16_t) override {}

private:
    std::vector<test::DV_frame> frames_;
};

// An sdv file as the multi-stream writer leaves it, with a race on its record: every camera holds
// the frames given.
std::string Sdv(const fs::path& dir, const std::string& name, int cameras, const std::vector<test::DV_frame>& frames)
{
    Cls_DVmulti_writer writer;
    writer.filename((dir / name).string());
    DV_Header_Record& r = writer.DV_header();
    r.Goal_line = {310, 12, 320, 570};
    r.Lanes_flipped = -1;
    r.Lane_count = 3;
    r.Heat_start_local = 36000000;
    String_To_Bytes("Seed Regatta", r.Event_name);
    String_To_Bytes("26-06-14 10:00:00", r.Capture_time);
    for (size_t i = 0; i < r.Lanes.size(); ++i) r.Lanes[i] = {int32_t(100 + i), int32_t(50 + 40 * i)};
    writer.Heat_ID(0, "7");
    Cls_DVmulti_writer::Cameras held;
    for (int c = 0; c < cameras; ++c) held.push_back(std::make_shared<Held_frames>(frames));
    writer.Write_DV_streams2(held, false);
    return Read(dir / name);
}

// A store as the program leaves it: a registered class and the DV codec's entry.
std::string Registry(const fs::path& dir)
{
    using namespace platform;
    const fs::path p = dir / "registry.txt";
    fs::remove(p);
    Registry_store store(p.string());
    const std::string cls = "CLSID\\{A2E03420-98BB-43B2-96EE-28D0CE80CE3A}";
    store.Set_value(HKEY_CLASSES_ROOT, cls, "", Registry_store::Text_value("VideoCap4 Class"));
    store.Set_value(HKEY_CLASSES_ROOT, cls + "\\InprocServer32", "", Registry_store::Text_value("/opt/libBrixCap4.so"));
    store.Set_value(HKEY_CLASSES_ROOT, cls + "\\InprocServer32", "ThreadingModel", Registry_store::Text_value("Apartment"));
    store.Set_value(HKEY_CLASSES_ROOT, "A\\B", "n", {REG_BINARY, {0, 10, 255}});
    store.Set_value(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\DRIVERS32", "vidc.dvsd",
                    Registry_store::Text_value("dv.dll"));
    return Read(p);
}

// The calls' bytes of the registry target: four each (call, key, value name, value).
std::string Registry_calls(const std::vector<uint8_t>& calls)
{
    return std::string(1, char(calls.size())) + std::string(calls.begin(), calls.end());
}

// A marathon file as the program writes it, in the encoding named (its declaration changed,
// then filled through the file's own setters).
std::string Marathon(const std::string& encoding)
{
    Marathon_file file;
    file.Create("2010-04-18 10:00:00");
    std::string text = file.Xml_text();
    text.replace(text.find("iso-8859-1"), 10, encoding);
    file.Load_text(text);
    file.Event_name("Vasaloppet R\xC3\xA9gate");
    file.Heat_field(1, "heat_num", "101");
    file.Heat_field(1, "heat_name", "Damer \xC5\xA0koda \xE2\x82\xAC \xC5\x81\xC3\xB3" "d\xC5\xBA");
    file.Heat_field(1, "heat_start", "10:00:00");
    file.Heat_field(2, "heat_running", "f");
    return file.Xml_text();
}

// A marathon result file with finishes, one of them overridden, and a closed one.
void Marathon_results(const fs::path& work, const fs::path& seeds)
{
    Marathon_result_file results((work / "WakelineMarathon_Temp.xml").string(), work.string());
    std::string aside;
    results.Open({"Vasaloppet", "CAPTURE-PC", "OFFICE-PC", "XML file containg Wakeline result data"}, aside);
    for (int n = 1; n <= 3; ++n)
        results.Add({"1", "Damer \xC3\xA9", "10:00:00", std::to_string(n), "00:1" + std::to_string(n) + ":00,00",
                     "/data/heat1.qs2", std::to_string(100 * n)});
    results.Override({"1", "Damer", "10:00:00", "2", "00:12:30,00", "/data/heat2.qs2", "40000"});
    Write(seeds / "open", Read(results.Temp_path()));
    // The same declared ISO-8859-1, as older stations wrote them, and written back by the document.
    std::string latin1 = Read(results.Temp_path());
    latin1.replace(latin1.find("utf-8"), 5, "ISO-8859-1");
    Write(work / "latin1.xml", latin1);
    Class_Wakeline_result_XML xml;
    xml.Load_Existing_XML((work / "latin1.xml").string());
    xml.XML_Filename((work / "latin1.xml").string());
    xml.EventName("R\xC3\xA9gate \xE2\x82\xAC");
    xml.Serialize();
    Write(seeds / "latin1", Read(work / "latin1.xml"));
    const std::string closed = results.Close({2010, 4, 18, 14, 12, 33, 0}, {});
    Write(seeds / "closed", Read(closed));
}

// The journal the program writes when the recording's event is renamed: the writer's journal
// goes to a name beside it, where the rewrite's end does not remove it.
std::string Rename_journal(const fs::path& recording)
{
    const std::string seed = recording.string() + ".wkj.seed";
    fs::remove(seed);
    cls_AVI_handler rec;
    rec.Open_File(recording.string());
    platform::Install_byte_source_opener(
        [](const std::string& path, platform::Raw_file::Mode mode, int& error) -> std::unique_ptr<platform::Byte_source> {
            const bool journal = path.size() > 4 && path.compare(path.size() - 4, 4, ".wkj") == 0;
            auto file = std::make_unique<platform::Raw_file>();
            if (!file->Open(journal ? path + ".seed" : path, mode, error)) return nullptr;
            return file;
        });
    rec.Event_name("Seed regatta, renamed");
    platform::Install_byte_source_opener({});
    return Read(seed);
}

// The journal target: the first byte sets the stage (see the target), the rest is the journal.
void Journal_seeds(const fs::path& work, const fs::path& seeds)
{
    const std::string qs2 = Rename_journal(work / "seed.qs2");
    test::Write_DV_AVI(work / "journal.avi", Frames());
    {
        cls_AVI_handler rec;
        rec.Open_File((work / "journal.avi").string());
        rec.Avi().Append_XML_header();
        rec.Event_name("Seed regatta");
    }
    const std::string avi = Rename_journal(work / "journal.avi");
    // This file's identity and hash; the header area holding the old, the new or torn bytes.
    for (const auto& [name, mode] : std::vector<std::pair<std::string, int>>{
             {"old", 0x07}, {"new", 0x0B}, {"torn", 0x0F}, {"foreign", 0x00}, {"read_only_torn", 0x2F}}) {
        Write(seeds / ("qs2_" + name), std::string(1, char(mode)) + qs2);
        Write(seeds / ("avi_" + name), std::string(1, char(mode | 0x10)) + avi);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    fuzz::Quiet_program();
    const fs::path out = argv[1];
    const fs::path work = out / "work";
    fs::create_directories(work);
    const auto frames = Frames();

    test::Write_DV_AVI(work / "seed.avi", frames);
    test::Write_DV_AVI(work / "seed1.avi", frames, {.type = 1});
    test::Write_DV_file(work / "seed.dv", frames);
    const std::string avi = Read(work / "seed.avi"), avi1 = Read(work / "seed1.avi"), dv = Read(work / "seed.dv");
    const std::string qs2 = Own_format(work, frames), sdv = Sdv(work, "seed.sdv", 1, frames);
    Journal_seeds(work, out / "journal_settle");

    // The recording target: the first byte picks qs2, avi, dv or sdv.
    Write(out / "recording" / "qs2", std::string(1, '\0') + qs2);
    Write(out / "recording" / "avi", std::string(1, '\1') + avi);
    Write(out / "recording" / "avi1", std::string(1, '\1') + avi1);
    Write(out / "recording" / "dv", std::string(1, '\2') + dv);
    Write(out / "recording" / "sdv", std::string(1, '\3') + sdv);
    // The conversion target: an sdv of one stream, of two streams, and one without frames.
    Write(out / "sdv_conversion" / "one", sdv);
    Write(out / "sdv_conversion" / "two", Sdv(work, "two.sdv", 2, {frames[0]}));
    Write(out / "sdv_conversion" / "empty", Sdv(work, "empty.sdv", 1, {}));
    Write(out / "avi_parser" / "avi", avi);
    Write(out / "avi_parser" / "avi1", avi1);

    Cls_XML_header header;
    header.Create_Header();
    Write(out / "xml_header" / "template", header.Get_DOM_string());

    for (const char* encoding : {"iso-8859-1", "ISO-8859-15", "utf-8"})
        Write(out / "marathon_file" / encoding, Marathon(encoding));
    Marathon_results(work, out / "results_xml");

    Write(out / "start_list" / "csv", "Heat;Lane;Bib;Name;Club\r\n1;3;101;\"Berg, Anna\";SK\r\nA2,4,,Team,NOR\n");
    Write(out / "start_list" / "record",
          "{\"state\":\"official\",\"revision\":2,\"official\":{\"3\":\"00:46,98\"},\"revisions\":[{\"revision\":1,"
          "\"at\":\"2026-12-09T20:31:05Z\",\"changes\":[]},{\"revision\":2,\"at\":\"2026-12-09T20:32:00Z\","
          "\"changes\":[{\"lane\":3,\"old\":\"00:47,00\",\"new\":\"00:46,98\"}]}]}");
    Write(out / "dv_packs" / "frame", std::string(frames[0].begin(), frames[0].begin() + 12000));

    const std::string ini = "[Canoe]\r\nLanes=100200\r\nLane_num=5\r\n[Settings]\r\ntimingcorrection=-40\r\n";
    Write(out / "ini" / "settings", std::string("\x04\x03") + "Key1" + "abc" + ini);
    // Set, list, delete a tree, delete a key, on a sound store and on one with damaged lines.
    const std::string registry = Registry(work);
    const std::string calls = Registry_calls({0, 2, 1, 7, 6, 1, 0, 0, 5, 4, 0, 0, 4, 7, 0, 0, 0x80, 20, 3, 3, 0, 13, 0, 1});
    Write(out / "registry" / "store", calls + registry);
    Write(out / "registry" / "damaged", calls + "K 80000000\\CLSID\\{A2E03420-98BB-43B2-96EE-28D0CE80CE3A}\\\n" +
                                           "K 80000000\\A\\\\B\nV 1 6e 00\n" + registry);
    fs::remove_all(work);
    return 0;
}
