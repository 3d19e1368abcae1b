#include "reading/Finish_reader.h"
#include "tests/support/Test_support.h"
#include "tools/Demo_heat.h"
#include "tools/Finish_heat.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <map>

namespace wk {
namespace {

QByteArray Digest(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

struct Tool_run {
    int exit_code = -1;
    QByteArray out, err;
};

Tool_run Read_tool(const QStringList& arguments)
{
    QProcess p;
    p.start(WK_READ_TOOL, arguments);
    Tool_run r;
    // The deadline only catches a hang.
    if (!p.waitForFinished(600000)) return r;
    r.exit_code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

class Finish_reader : public ::testing::Test {
protected:
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    std::string Path(const std::string& name) const { return (home.path() / name).string(); }
    void Read_against_truth(std::initializer_list<std::pair<finish_heat::Kind, finish_heat::Style>> heats, int& finishing);
};
// The longest reads are suites of their own, so that they run side by side.
using Finish_reader_held_out = Finish_reader;
using Finish_reader_long = Finish_reader;

// Heats that are hard in one way each, read against their truth: a lane that finishes is read
// within one field and offered at the field nearest its crossing, a lane that does not has no
// time, dead heats are marked. The shares within 2 ms and inside the stated uncertainty are
// measured over many heats by the reading benchmark, not judged on these few lanes.
void Finish_reader::Read_against_truth(std::initializer_list<std::pair<finish_heat::Kind, finish_heat::Style>> heats,
                                       int& finishing)
{
    for (const auto& [kind, style] : heats) {
        const std::string name = finish_heat::Kind_name(kind) + "_" + finish_heat::Style_name(style);
        const std::string path = Path(name + ".qs2");
        const finish_heat::Truth truth =
            finish_heat::Make_finish_heat(path, {.seed = 1, .kind = kind, .lanes = 4, .style = style});
        const Finish_reading reading = Read_finish(path);
        ASSERT_EQ(reading.lanes.size(), truth.lanes.size()) << path;
        for (size_t i = 0; i < truth.lanes.size(); ++i) {
            const finish_heat::Lane_truth& t = truth.lanes[i];
            const Lane_proposal& p = reading.lanes[i];
            SCOPED_TRACE(name + " lane " + std::to_string(t.lane) + ": " + p.why);
            EXPECT_EQ(p.lane, t.lane);
            EXPECT_GE(p.confidence, 0);
            EXPECT_LE(p.confidence, 1);
            if (t.kind != finish_heat::Lane_kind::finish) {
                EXPECT_FALSE(p.time_ms);
                continue;
            }
            ASSERT_TRUE(p.time_ms);
            const double error = std::abs(*p.time_ms - t.time_ms);
            EXPECT_LE(error, 20.0);
            // The field offered to the operator is the one nearest the crossing.
            EXPECT_LE(std::abs((2 * p.frame + p.field) - (2 * t.frame + t.field)), 1);
            EXPECT_GT(p.uncertainty_ms, 0);
            ++finishing;
        }
        for (const auto& pair : truth.dead_heats)
            EXPECT_NE(std::find(reading.dead_heats.begin(), reading.dead_heats.end(), pair), reading.dead_heats.end())
                << pair.first << "," << pair.second;
    }
}

TEST_F(Finish_reader, GeneratedHeatsAreReadWithinTheirTruthsTolerances)
{
    using finish_heat::Kind;
    const finish_heat::Style own = finish_heat::Style::own;
    int finishing = 0;
    Read_against_truth({{Kind::blade, own}, {Kind::slanted, own}, {Kind::reversed, own}, {Kind::dead_heat, own},
                        {Kind::empty, own}, {Kind::stopper, own}},
                       finishing);
    EXPECT_GT(finishing, 10);
}

// Blades and slanted lines in the held-out look: boats and water the reader was not made on.
TEST_F(Finish_reader_held_out, HeatsInTheHeldOutLookAreReadWithinTheirTruthsTolerances)
{
    using finish_heat::Kind;
    const finish_heat::Style held_out = finish_heat::Style::held_out;
    int finishing = 0;
    Read_against_truth({{Kind::blade, held_out}, {Kind::slanted, held_out}}, finishing);
    EXPECT_GT(finishing, 4);
}

// A boat that eases off and lies at the line through the frames before its stretch, where the
// water is looked for: what the reader then takes for the water is the hull. No lane of the heat
// may give a time far outside the uncertainty it states.
TEST_F(Finish_reader_held_out, BoatLyingAtTheLineGivesNoConfidentWrongTime)
{
    const std::string path = Path("eased.qs2");
    const finish_heat::Truth truth = finish_heat::Make_finish_heat(
        path, {.seed = 7002, .kind = finish_heat::Kind::mixed, .lanes = 9, .style = finish_heat::Style::held_out});
    const Finish_reading reading = Read_finish(path);
    ASSERT_EQ(reading.lanes.size(), truth.lanes.size());
    for (size_t i = 0; i < truth.lanes.size(); ++i) {
        const Lane_proposal& p = reading.lanes[i];
        SCOPED_TRACE("lane " + std::to_string(truth.lanes[i].lane) + ": " + p.why);
        if (truth.lanes[i].kind != finish_heat::Lane_kind::finish || !p.time_ms) continue;
        EXPECT_LE(std::abs(*p.time_ms - truth.lanes[i].time_ms), 2 * p.uncertainty_ms + 20);
    }
}

// A heat recorded as real ones are, long before the first boat and after the last: every
// finishing lane is read, and none claims to know its instant better than it does. Its water is
// read far from the crossings, and two of its hulls are saturated colours barely brighter than
// the water once the colour is worked back into brightness.
TEST_F(Finish_reader_long, LongHeatIsReadInEveryLaneWithAnHonestUncertainty)
{
    const std::string path = Path("long.qs2");
    const finish_heat::Truth truth = finish_heat::Make_finish_heat(
        path, {.seed = 22, .kind = finish_heat::Kind::mixed, .lanes = 9, .lead_ms = 20000, .tail_ms = 5000});
    const Finish_reading reading = Read_finish(path);
    ASSERT_EQ(reading.lanes.size(), truth.lanes.size());
    int finishing = 0, within_a_field = 0;
    for (size_t i = 0; i < truth.lanes.size(); ++i) {
        const finish_heat::Lane_truth& t = truth.lanes[i];
        const Lane_proposal& p = reading.lanes[i];
        SCOPED_TRACE("lane " + std::to_string(t.lane) + ": " + p.why);
        if (t.kind != finish_heat::Lane_kind::finish) {
            EXPECT_FALSE(p.time_ms);
            continue;
        }
        ++finishing;
        ASSERT_TRUE(p.time_ms);
        const double error = std::abs(*p.time_ms - t.time_ms);
        EXPECT_LE(error, p.uncertainty_ms);
        within_a_field += error <= 20 ? 1 : 0;
    }
    EXPECT_GE(finishing, 7);
    EXPECT_GE(within_a_field, finishing - 1);
}

// However many threads decode and read, the proposals are the same to the last bit: the frames
// the lanes are read in are decoded ahead on some threads while the fields' times are taken on
// another, and a lane finds whatever another thread decoded for it.
TEST_F(Finish_reader, ProposalsDoNotDependOnTheNumberOfThreads)
{
    const std::string path = Path("mixed.qs2");
    finish_heat::Make_finish_heat(path, {.seed = 7, .kind = finish_heat::Kind::mixed, .lanes = 9});
    const Finish_reading alone = Read_finish(path, {.workers = 1});
    ASSERT_EQ(alone.lanes.size(), 9u);
    EXPECT_GE(std::count_if(alone.lanes.begin(), alone.lanes.end(), [](auto& p) { return p.time_ms.has_value(); }), 5);
    for (const int workers : {2, 3, 8}) {
        const Finish_reading r = Read_finish(path, {.workers = workers});
        ASSERT_EQ(r.lanes.size(), alone.lanes.size()) << workers;
        for (size_t i = 0; i < r.lanes.size(); ++i) {
            const Lane_proposal &a = alone.lanes[i], &b = r.lanes[i];
            SCOPED_TRACE(std::to_string(workers) + " threads, lane " + std::to_string(a.lane));
            EXPECT_EQ(b.time_ms, a.time_ms);
            EXPECT_EQ(b.uncertainty_ms, a.uncertainty_ms);
            EXPECT_EQ(std::pair(b.frame, b.field), std::pair(a.frame, a.field));
            EXPECT_EQ(b.confidence, a.confidence);
            EXPECT_EQ(b.why, a.why);
        }
        EXPECT_EQ(r.dead_heats, alone.dead_heats) << workers;
    }
}

// The command on a demo heat: one JSON object whose lanes lie within a field of the crossings the
// demo painted; the recording is the same, byte for byte, after it was read.
TEST_F(Finish_reader, CommandPrintsEveryLaneAsJson)
{
    const std::string path = Path("demo.qs2");
    const demo::Result demo = demo::Make_demo_heat(path, {.lanes = 5, .line_over_boats = false});
    const QByteArray before = Digest(path);
    const Tool_run run = Read_tool({QString::fromStdString(path), "--json"});
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(Digest(path), before);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    const QJsonArray lanes = doc.object()["lanes"].toArray();
    ASSERT_EQ(lanes.size(), qsizetype(demo.crossings.size()));
    for (const demo::Crossing& c : demo.crossings) {
        const QJsonObject lane = lanes[c.lane - 1].toObject();
        EXPECT_EQ(lane["lane"].toInt(), c.lane);
        ASSERT_TRUE(lane["time_ms"].isDouble()) << c.lane;
        EXPECT_LE(std::abs(lane["time_ms"].toDouble() - c.race_time), 20.0) << c.lane;
        EXPECT_GT(lane["uncertainty_ms"].toDouble(), 0);
        EXPECT_TRUE(lane["field"].toInt() == 1 || lane["field"].toInt() == 2);
        EXPECT_TRUE(lane["why"].isString());
    }
    EXPECT_TRUE(doc.object()["dead_heats"].isArray());
}

// A recording that cannot be read: a message on standard error naming it, a failing exit code,
// nothing on standard output, and the file left as it was.
TEST_F(Finish_reader, DamagedRecordingGivesMessageAndExitCode)
{
    const std::string good = Path("good.qs2");
    demo::Make_demo_heat(good, {.lanes = 2, .line_over_boats = false});
    std::ifstream in(good, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    struct Case {
        const char* name;
        std::string content;
    };
    std::string bad_magic = bytes;
    bad_magic.replace(0, 4, "XXXX");
    std::string bad_length = bytes;
    bad_length.replace(12, 4, std::string("\xff\xff\xff\x7f", 4));
    for (const Case& c : {Case{"cut.qs2", bytes.substr(0, 60)}, Case{"magic.qs2", bad_magic},
                          Case{"length.qs2", bad_length}, Case{"text.qs2", std::string(5000, 'a')}}) {
        const std::string path = Path(c.name);
        std::ofstream(path, std::ios::binary) << c.content;
        const QByteArray before = Digest(path);
        const Tool_run run = Read_tool({QString::fromStdString(path), "--json"});
        EXPECT_NE(run.exit_code, 0) << c.name;
        EXPECT_NE(run.exit_code, -1) << c.name << ": crashed or hung";
        EXPECT_TRUE(run.err.startsWith("wakeline_read: ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.name)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << c.name;
        EXPECT_EQ(Digest(path), before) << c.name;
        EXPECT_THROW(Read_finish(path), Run_time_error) << c.name;
    }
    const Tool_run missing = Read_tool({QString::fromStdString(Path("none.qs2"))});
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_TRUE(missing.err.contains("none.qs2"));
}

} // namespace
} // namespace wk
