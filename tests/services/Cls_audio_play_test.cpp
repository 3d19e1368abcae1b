// The MIDI player through an output that records what reaches it.
#include "platform/Midi_output.h"
#include "services/Cls_audio_play.h"
#include "services/Module_canoe.h"
#include "services/Operator_boxes.h"
#include "services/Module_qsm_Globals.h"
#include "tests/support/Test_support.h"

namespace wk {
namespace {

// What the outputs made during a test saw, kept beyond their life.
struct Midi_log {
    int made = 0;
    std::vector<int32_t> opened;
    int closes = 0;
    std::vector<uint32_t> sent;
    std::vector<std::string> devices{"Synth port 0", "A port whose name is longer than thirty-two characters"};
};

class Recording_output final : public platform::Midi_output {
public:
    explicit Recording_output(Midi_log& log) : log_(log) { ++log_.made; }
    std::string Mapper_name() override { return "Default"; }
    std::vector<std::string> Device_names() override { return log_.devices; }
    bool Open(int32_t device) override
    {
        log_.opened.push_back(device);
        return open_ = true;
    }
    void Close() override
    {
        ++log_.closes;
        open_ = false;
    }
    bool Is_open() const override { return open_; }
    bool Send_short(uint32_t message) override
    {
        log_.sent.push_back(message);
        return true;
    }
    std::string Error_text(int32_t code) override { return "error " + std::to_string(code) + std::string(200, '.'); }

private:
    Midi_log& log_;
    bool open_ = false;
};

class Midi_player : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::Install_midi_output_factory([this] { return std::make_unique<Recording_output>(log); });
    }
    void TearDown() override
    {
        obj_Midi.reset();
        g_Exiting = false;
        platform::Install_midi_output_factory(nullptr);
    }
    // A player made and opened, with what its creation sent forgotten.
    std::unique_ptr<Cls_audio_play> Player()
    {
        auto p = std::make_unique<Cls_audio_play>();
        log.sent.clear();
        return p;
    }
    Midi_log log;
    test::Temp_home home;
    test::Scripted_dialogs dialogs;
    test::Captured_reports reports;
};

uint32_t Control(int channel, int controller, int value)
{
    return uint32_t(0xB0 + channel) | uint32_t(controller) << 8 | uint32_t(value) << 16;
}

TEST_F(Midi_player, CreationOpensTheDefaultOutputAndSelectsProgram66InBankZero)
{
    Cls_audio_play player;
    EXPECT_EQ(log.opened, std::vector<int32_t>{-1});
    EXPECT_NE(player.Handle(), 0);
    EXPECT_EQ(log.sent, (std::vector<uint32_t>{Control(0, 0, 0), 0xC0u | 66u << 8}));
}

TEST_F(Midi_player, CreationWhileTheProgramExitsMakesAndOpensNothingAndSendsNothing)
{
    g_Exiting = true;
    {
        Cls_audio_play player;
        player.Play_C4();
        EXPECT_EQ(player.Handle(), 0);
    }
    EXPECT_EQ(log.made, 0);
    EXPECT_TRUE(log.opened.empty());
    EXPECT_TRUE(log.sent.empty());
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(Midi_player, AllSoundsOffSendsBothControlsToEverySixteenChannelsInTurn)
{
    auto player = Player();
    player->All_sounds_off();
    ASSERT_EQ(log.sent.size(), 32u);
    for (uint32_t ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(log.sent[2 * ch], 0x78B0u + ch);
        EXPECT_EQ(log.sent[2 * ch + 1], 0x7BB0u + ch);
    }
    log.sent.clear();
    player->reset_controllers();
    ASSERT_EQ(log.sent.size(), 16u);
    EXPECT_EQ(log.sent[15], Control(15, 121, 0));
}

TEST_F(Midi_player, PitchBendIsSplitIntoTwoSevenBitBytesLowFirst)
{
    uint8_t high = 0, low = 0;
    Cls_audio_play::Nibblize(0x3FFF, high, low);
    EXPECT_EQ(high, 127);
    EXPECT_EQ(low, 127);
    Cls_audio_play::Nibblize(0x2000, high, low);
    EXPECT_EQ(high, 0x40);
    EXPECT_EQ(low, 0x00);
    Cls_audio_play::Nibblize(0x0081, high, low);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(low, 1);

    auto player = Player();
    player->Bendersub(3, 0x2000);
    player->Bend(0x3FFF);
    EXPECT_EQ(log.sent, (std::vector<uint32_t>{0xE3u | 0x00u << 8 | 0x40u << 16, 0xE0u | 0x7Fu << 8 | 0x7Fu << 16}));
}

TEST_F(Midi_player, NotesProgramsAndParameterNumbersGoOutAsPackedShortMessages)
{
    EXPECT_EQ(Cls_audio_play::packdword(0x40, 60, 0x90), 0x403C90);
    auto player = Player();
    player->Play_C4();
    player->Play_G4();
    player->note_off(2, 60);
    player->program_change(1, 5, 12);
    player->midisetrpn(0xB4, 1, 2, 3, 4);
    player->All_Notes_off(9);
    EXPECT_EQ(log.sent, (std::vector<uint32_t>{0x7F3C90, 0x7F4390, 0x003C92, Control(1, 0, 5), 0x0CC1,
                                               Control(4, 101, 1), Control(4, 100, 2), Control(4, 6, 3),
                                               Control(4, 38, 4), Control(9, 120, 0)}));
}

TEST_F(Midi_player, NothingIsSentOnceTheDeviceIsClosedAndReopeningClosesFirst)
{
    auto player = Player();
    player->Midi_Out_Close();
    EXPECT_EQ(player->Handle(), 0);
    player->Play_C4();
    EXPECT_TRUE(log.sent.empty());
    const int closes = log.closes;
    EXPECT_TRUE(player->midi_out_open(1));
    EXPECT_TRUE(player->midi_out_open(0));
    EXPECT_EQ(log.closes, closes + 1);
    EXPECT_EQ(log.opened.back(), 0);
}

TEST_F(Midi_player, DestructionSilencesEveryChannelAndClosesTheDevice)
{
    auto player = Player();
    const int closes = log.closes;
    player.reset();
    EXPECT_EQ(log.sent.size(), 32u);
    EXPECT_EQ(log.closes, closes + 1);
}

TEST_F(Midi_player, TheDeviceListStartsWithTheDefaultOutputAndCutsNamesAt32Characters)
{
    auto player = Player();
    std::vector<Midi_list_item> list{{"stale", 7}};
    player->midi_listoutdevs(list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "Default");
    EXPECT_EQ(list[0].item_data, -1);
    EXPECT_EQ(list[1].item_data, 0);
    EXPECT_EQ(list[2].name, log.devices[1].substr(0, 32));
    EXPECT_EQ(list[2].item_data, 1);
}

TEST_F(Midi_player, AnErrorTextIsShownCutTo128CharactersAndABadMessageIsReportedNotSent)
{
    auto player = Player();
    dialogs.Expect_message("error 5");
    player->midi_outerr(5);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].size() - dialogs.shown[0].find('|') - 1, 128u);

    player->Midi_Outshort(0x90, 0x7FFF, 0x7FFF); // past 32 bits when packed
    EXPECT_TRUE(log.sent.empty());
    ASSERT_EQ(reports.reports.size(), 1u);
    EXPECT_NE(reports.reports[0].find("Midi_Outshort of Class Module Cls_audio_play"), std::string::npos);
}

TEST_F(Midi_player, TheExitReleasesTheProgramsPlayer)
{
    obj_Midi = std::make_shared<Cls_audio_play>();
    log.sent.clear();
    g_Compiled = false;
    Wakeline_exit(Operator_boxes_of_windows());
    g_Compiled = true;
    EXPECT_FALSE(obj_Midi);
    EXPECT_EQ(log.sent.size(), 32u);
}

TEST(Silent_midi_output, TakesMessagesOnlyWhileOpenAndPlaysNone)
{
    platform::Silent_midi_output out;
    EXPECT_FALSE(out.Send_short(0x7F3C90));
    EXPECT_TRUE(out.Open(-1));
    EXPECT_TRUE(out.Send_short(0x7F3C90));
    EXPECT_TRUE(out.Device_names().empty());
    out.Close();
    EXPECT_FALSE(out.Is_open());
    // Whatever this machine offers, the default output is there to open.
    auto machine = platform::Create_midi_output();
    ASSERT_TRUE(machine);
    EXPECT_FALSE(machine->Mapper_name().empty());
}

} // namespace
} // namespace wk
