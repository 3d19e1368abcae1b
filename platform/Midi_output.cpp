#include "platform/Midi_output.h"

#include "platform/Alsa_library.h"

#include <array>
#include <memory>

namespace wk::platform {
namespace {

struct Port_address {
    int client = 0;
    int port = 0;
    std::string name;
};

// The sequencer's ports that take MIDI from others, the system's own announce ports left out.
std::vector<Port_address> Writable_ports(const Alsa_library& alsa, snd_seq_t* seq)
{
    std::vector<Port_address> ports;
    snd_seq_client_info_t* client_made = nullptr;
    snd_seq_port_info_t* port_made = nullptr;
    alsa.snd_seq_client_info_malloc(&client_made);
    alsa.snd_seq_port_info_malloc(&port_made);
    const std::unique_ptr<snd_seq_client_info_t, decltype(alsa.snd_seq_client_info_free)> client(
        client_made, alsa.snd_seq_client_info_free);
    const std::unique_ptr<snd_seq_port_info_t, decltype(alsa.snd_seq_port_info_free)> port(
        port_made, alsa.snd_seq_port_info_free);
    if (!client || !port) return ports;
    alsa.snd_seq_client_info_set_client(client.get(), -1);
    const int self = alsa.snd_seq_client_id(seq);
    while (alsa.snd_seq_query_next_client(seq, client.get()) >= 0) {
        const int id = alsa.snd_seq_client_info_get_client(client.get());
        if (id == SND_SEQ_CLIENT_SYSTEM || id == self) continue;
        alsa.snd_seq_port_info_set_client(port.get(), id);
        alsa.snd_seq_port_info_set_port(port.get(), -1);
        while (alsa.snd_seq_query_next_port(seq, port.get()) >= 0) {
            const unsigned caps = alsa.snd_seq_port_info_get_capability(port.get());
            const unsigned wanted = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
            if ((caps & wanted) != wanted) continue;
            // The device list shows names in a 32-character field.
            std::string name = std::string(alsa.snd_seq_client_info_get_name(client.get())) + ":" +
                               alsa.snd_seq_port_info_get_name(port.get());
            ports.push_back({id, alsa.snd_seq_port_info_get_port(port.get()), name.substr(0, 32)});
        }
    }
    return ports;
}

// Bytes a short message of this status carries: program change and channel pressure have one
// data byte, the other channel messages two.
size_t Message_length(uint8_t status)
{
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

class Sequencer_output final : public Midi_output {
public:
    Sequencer_output(const Alsa_library& alsa, snd_seq_t* seq, std::vector<Port_address> ports)
        : alsa_(alsa), seq_(seq), ports_(std::move(ports))
    {
        alsa_.snd_seq_set_client_name(seq_, "Wakeline");
        alsa_.snd_midi_event_new(16, &parser_);
    }
    ~Sequencer_output() override
    {
        Close();
        if (parser_) alsa_.snd_midi_event_free(parser_);
        alsa_.snd_seq_close(seq_);
    }
    std::string Mapper_name() override { return "Default MIDI output (" + ports_.front().name + ")"; }
    std::vector<std::string> Device_names() override
    {
        std::vector<std::string> names;
        for (const auto& p : ports_) names.push_back(p.name);
        return names;
    }
    bool Open(int32_t device) override
    {
        Close();
        if (device < -1 || device >= int32_t(ports_.size())) return false;
        const Port_address& to = ports_[size_t(device < 0 ? 0 : device)];
        own_port_ = alsa_.snd_seq_create_simple_port(seq_, "Wakeline MIDI out",
                                                     SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                                     SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        if (own_port_ < 0) return false;
        if (alsa_.snd_seq_connect_to(seq_, own_port_, to.client, to.port) < 0) {
            Close();
            return false;
        }
        return true;
    }
    void Close() override
    {
        if (own_port_ >= 0) alsa_.snd_seq_delete_simple_port(seq_, own_port_);
        own_port_ = -1;
    }
    bool Is_open() const override { return own_port_ >= 0; }
    bool Send_short(uint32_t message) override
    {
        if (own_port_ < 0 || !parser_) return false;
        const std::array<uint8_t, 3> bytes{uint8_t(message), uint8_t(message >> 8), uint8_t(message >> 16)};
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        alsa_.snd_midi_event_reset_encode(parser_);
        if (alsa_.snd_midi_event_encode(parser_, bytes.data(), long(Message_length(bytes[0])), &ev) <= 0 ||
            ev.type == SND_SEQ_EVENT_NONE)
            return false;
        snd_seq_ev_set_source(&ev, own_port_);
        snd_seq_ev_set_subs(&ev);
        snd_seq_ev_set_direct(&ev);
        return alsa_.snd_seq_event_output_direct(seq_, &ev) >= 0;
    }
    std::string Error_text(int32_t code) override { return alsa_.snd_strerror(code < 0 ? code : -code); }

private:
    const Alsa_library& alsa_;
    snd_seq_t* seq_;
    std::vector<Port_address> ports_;
    snd_midi_event_t* parser_ = nullptr;
    int own_port_ = -1;
};

std::function<std::unique_ptr<Midi_output>()>& Factory()
{
    static std::function<std::unique_ptr<Midi_output>()> f;
    return f;
}

} // namespace

std::unique_ptr<Midi_output> Create_midi_output()
{
    if (Factory()) return Factory()();
    const Alsa_library* alsa = Alsa_library::Get();
    snd_seq_t* seq = nullptr;
    if (!alsa || alsa->snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0)
        return std::make_unique<Silent_midi_output>();
    std::vector<Port_address> ports = Writable_ports(*alsa, seq);
    if (ports.empty()) {
        alsa->snd_seq_close(seq);
        return std::make_unique<Silent_midi_output>();
    }
    return std::make_unique<Sequencer_output>(*alsa, seq, std::move(ports));
}

void Install_midi_output_factory(std::function<std::unique_ptr<Midi_output>()> factory)
{
    Factory() = std::move(factory);
}

} // namespace wk::platform
