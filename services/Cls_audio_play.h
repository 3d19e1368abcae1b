#pragma once
// The MIDI player: short MIDI messages to one output device. Channels are 0 to 15; a message is
// packed as status + data1 x 256 + data2 x 65536.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wk {

namespace platform {
class Midi_output;
}

// One entry of the device list: its name and its device number (-1 the default output).
struct Midi_list_item {
    std::string name;
    int32_t item_data = 0;
};

class Cls_audio_play {
public:
    // Opens the default output with program 66, unless the program is exiting: then nothing
    // is made or opened.
    Cls_audio_play();
    ~Cls_audio_play();
    Cls_audio_play(const Cls_audio_play&) = delete;
    Cls_audio_play& operator=(const Cls_audio_play&) = delete;

    void All_sounds_off();
    static void Nibblize(int32_t value, uint8_t& high, uint8_t& low);
    void All_Notes_off(int16_t channel);
    // value is 14 bits, 0x2000 the middle.
    void Bendersub(int16_t channel, int32_t value);
    void control_change(int16_t channel, int16_t controller, int16_t value);
    void midisetrpn(int16_t status, int16_t parameter_high, int16_t parameter_low, int16_t data_high,
                    int16_t data_low);
    void note_off(int16_t channel, int16_t note);
    void Note_On(int16_t channel, int16_t note, int16_t velocity);
    void pitch_bend(int16_t channel, int16_t data1, int16_t data2);
    void program_change(int16_t channel, int16_t bank, int16_t program);
    void reset_controllers();
    // Fills the list: the default output first (item data -1), then every device by number.
    void midi_listoutdevs(std::vector<Midi_list_item>& list);
    void Midi_Out_Close();
    // Closes what is open and opens the device (-1 the default output).
    bool midi_out_open(int32_t device);
    void midi_outerr(int32_t code);
    void Midi_Outshort(int16_t status, int16_t data1, int16_t data2);
    static int32_t packdword(int16_t data2, int16_t data1, int16_t status);
    void All_sound_off() { All_sounds_off(); }
    void Play_C4();
    void Play_G4();
    void Bend(int32_t value);

    // 0 when no device is open.
    int32_t Handle() const { return handle_; }

private:
    template <class F> void Guarded(const char* member, F&& f);
    std::unique_ptr<platform::Midi_output> output_;
    int32_t handle_ = 0;
};

// The program's MIDI player; the exit releases it.
extern std::shared_ptr<Cls_audio_play> obj_Midi;

} // namespace wk
