#include "services/Cls_audio_play.h"

#include "platform/Midi_output.h"
#include "platform/State_reset.h"
#include "services/Module_error.h"
#include "services/Module_qsm_Globals.h"
#include "services/Module_trace.h"
#include "services/Run_time_error.h"
#include "services/Operator_port.h"

namespace wk {

std::shared_ptr<Cls_audio_play> obj_Midi;

namespace {
const platform::State_reset k_Forget_player{[] { obj_Midi.reset(); }};
constexpr int16_t k_Note_on = 144, k_Control_change = 176, k_Program_change = 192, k_Pitch_bend = 224;
constexpr int16_t k_All_sound_off = 120, k_Reset_controllers = 121, k_All_notes_off = 123;
} // namespace

// Every member reports its own failures; nothing raises out of the player.
template <class F> void Cls_audio_play::Guarded(const char* member, F&& f)
{
    try {
        f();
    } catch (...) {
        Report_current_exception(std::string(member) + " of Class Module Cls_audio_play");
    }
}

Cls_audio_play::Cls_audio_play()
{
    if (g_Exiting) return;
    Guarded("Class_Initialize", [this] {
        Trace_Line("*Cls_audio_play Initialize");
        output_ = platform::Create_midi_output();
        Midi_Out_Close();
        midi_out_open(-1);
        program_change(0, 0, 66);
        Trace_Line("*Cls_audio_play Initialize end");
    });
}

Cls_audio_play::~Cls_audio_play()
{
    Guarded("Class_Terminate", [this] {
        Trace_Line("*Cls_audio_play Terminate");
        All_sounds_off();
        Midi_Out_Close();
        Trace_Line("*Cls_audio_play Terminate end");
    });
}

void Cls_audio_play::All_sounds_off()
{
    Guarded("All_sounds_off", [this] {
        for (int16_t channel = 0; channel <= 15; ++channel) {
            control_change(channel, k_All_sound_off, 0);
            control_change(channel, k_All_notes_off, 0);
        }
    });
}

void Cls_audio_play::Nibblize(int32_t value, uint8_t& high, uint8_t& low)
{
    low = uint8_t(value & 127);
    high = uint8_t((value & 0x7F80) / 128);
}

void Cls_audio_play::All_Notes_off(int16_t channel)
{
    Guarded("All_Notes_off", [&] { control_change(channel, k_All_sound_off, 0); });
}

void Cls_audio_play::Bendersub(int16_t channel, int32_t value)
{
    Guarded("Bendersub", [&] {
        uint8_t high = 0, low = 0;
        Nibblize(value, high, low);
        Midi_Outshort(int16_t(k_Pitch_bend + channel), low, high);
    });
}

void Cls_audio_play::control_change(int16_t channel, int16_t controller, int16_t value)
{
    Guarded("control_change", [&] { Midi_Outshort(int16_t(k_Control_change + channel), controller, value); });
}

void Cls_audio_play::midisetrpn(int16_t status, int16_t parameter_high, int16_t parameter_low, int16_t data_high,
                                int16_t data_low)
{
    Guarded("midisetrpn", [&] {
        Midi_Outshort(status, 101, parameter_high);
        Midi_Outshort(status, 100, parameter_low);
        Midi_Outshort(status, 6, data_high);
        Midi_Outshort(status, 38, data_low);
    });
}

void Cls_audio_play::note_off(int16_t channel, int16_t note)
{
    Guarded("note_off", [&] { Midi_Outshort(int16_t(k_Note_on + channel), note, 0); });
}

void Cls_audio_play::Note_On(int16_t channel, int16_t note, int16_t velocity)
{
    Guarded("Note_On", [&] { Midi_Outshort(int16_t(k_Note_on + channel), note, velocity); });
}

void Cls_audio_play::pitch_bend(int16_t channel, int16_t data1, int16_t data2)
{
    Guarded("pitch_bend", [&] { Midi_Outshort(int16_t(k_Pitch_bend + channel), data1, data2); });
}

void Cls_audio_play::program_change(int16_t channel, int16_t bank, int16_t program)
{
    Guarded("program_change", [&] {
        control_change(channel, 0, bank);
        Midi_Outshort(int16_t(k_Program_change + channel), program, 0);
    });
}

void Cls_audio_play::reset_controllers()
{
    Guarded("reset_controllers", [this] {
        for (int16_t channel = 0; channel <= 15; ++channel) control_change(channel, k_Reset_controllers, 0);
    });
}

void Cls_audio_play::midi_listoutdevs(std::vector<Midi_list_item>& list)
{
    Guarded("midi_listoutdevs", [&] {
        list.clear();
        if (!output_) return;
        if (const std::string mapper = output_->Mapper_name(); !mapper.empty()) list.push_back({mapper, -1});
        const std::vector<std::string> names = output_->Device_names();
        for (size_t n = 0; n < names.size(); ++n) list.push_back({names[n].substr(0, 32), int32_t(n)});
    });
}

void Cls_audio_play::Midi_Out_Close()
{
    Guarded("Midi_Out_Close", [this] {
        Trace_Line("*Midi_Out_Close");
        if (output_) output_->Close();
        handle_ = 0;
        Trace_Line("*Midi_Out_Close End");
    });
}

bool Cls_audio_play::midi_out_open(int32_t device)
{
    bool opened = false;
    Guarded("midi_out_open", [&] {
        if (handle_ != 0) Midi_Out_Close();
        opened = output_ && output_->Open(device);
        handle_ = opened ? device + 2 : 0; // never 0 while open, whichever device it is
    });
    return opened;
}

void Cls_audio_play::midi_outerr(int32_t code)
{
    Guarded("midi_outerr", [&] {
        const std::string text = output_ ? output_->Error_text(code) : "MIDI error " + std::to_string(code);
        Station_operator().Notice(text.substr(0, 128));
    });
}

void Cls_audio_play::Midi_Outshort(int16_t status, int16_t data1, int16_t data2)
{
    Guarded("Midi_Outshort", [&] {
        const int32_t message = packdword(data2, data1, status);
        if (handle_ != 0 && output_) output_->Send_short(uint32_t(message));
    });
}

int32_t Cls_audio_play::packdword(int16_t data2, int16_t data1, int16_t status)
{
    const int64_t packed = int64_t(data2) * 65536 + int64_t(data1) * 256 + status;
    if (packed < INT32_MIN || packed > INT32_MAX) throw Run_time_error(err_Overflow, "Overflow", "packdword");
    return int32_t(packed);
}

void Cls_audio_play::Play_C4()
{
    Guarded("Play_C4", [this] { Note_On(0, 60, 127); });
}

void Cls_audio_play::Play_G4()
{
    Guarded("Play_G4", [this] { Note_On(0, 67, 127); });
}

void Cls_audio_play::Bend(int32_t value)
{
    Guarded("Bend", [&] { Bendersub(0, value); });
}

} // namespace wk
