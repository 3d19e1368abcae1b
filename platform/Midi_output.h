#pragma once
// A MIDI output for short messages: the ALSA sequencer when a port that takes MIDI exists,
// otherwise a silent output that accepts everything and sends nothing, so that a machine
// without a synthesiser or MIDI cable runs the same code.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace wk::platform {

class Midi_output {
public:
    virtual ~Midi_output() = default;
    // The default output's name ("" when there is none to name).
    virtual std::string Mapper_name() = 0;
    // The output devices; device n is element n.
    virtual std::vector<std::string> Device_names() = 0;
    // Opens device n, or the default output for -1. False when it cannot be had.
    virtual bool Open(int32_t device) = 0;
    virtual void Close() = 0;
    virtual bool Is_open() const = 0;
    // Sends status + data1 x 256 + data2 x 65536. False when it was not sent.
    virtual bool Send_short(uint32_t message) = 0;
    // The text of an error code this output gave.
    virtual std::string Error_text(int32_t code) = 0;
};

// Accepts every message and plays none.
class Silent_midi_output final : public Midi_output {
public:
    std::string Mapper_name() override { return "Silent output (no MIDI port)"; }
    std::vector<std::string> Device_names() override { return {}; }
    bool Open(int32_t) override { return open_ = true; }
    void Close() override { open_ = false; }
    bool Is_open() const override { return open_; }
    bool Send_short(uint32_t) override { return open_; }
    std::string Error_text(int32_t code) override { return "MIDI error " + std::to_string(code); }

private:
    bool open_ = false;
};

// The sequencer output when the sequencer has a port to play on, else the silent one.
std::unique_ptr<Midi_output> Create_midi_output();
// Tests install their own output maker; an empty function restores the default.
void Install_midi_output_factory(std::function<std::unique_ptr<Midi_output>()> factory);

} // namespace wk::platform
