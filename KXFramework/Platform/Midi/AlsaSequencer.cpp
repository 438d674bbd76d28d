#include "KXFramework/Platform/Midi/AlsaSequencer.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace KX::Platform::Midi {

namespace {

// libasound writes its messages to standard error unless given a handler; a user whose keyboard is not
// found reads them in the debug log instead.
void LogAlsaError(const char* file, int line, const char* function, int err, const char* format, ...)
{
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format ? format : "", args);
    va_end(args);
    std::string text = "ALSA lib " + std::string(file ? file : "?") + ":" + std::to_string(line) + " (" +
                       (function ? function : "?") + ") " + message;
    if (err != 0)
        text += std::string(": ") + snd_strerror(err);
    DebugLog::WriteLine(text);
}

class SystemSequencer final : public AlsaSequencer {
public:
    ~SystemSequencer() override
    {
        if (m_seq)
            snd_seq_close(m_seq);
    }

    int Open(const std::string& name) override
    {
        static std::once_flag handler;
        std::call_once(handler, [] { snd_lib_error_set_handler(LogAlsaError); });
        const int r = snd_seq_open(&m_seq, name.c_str(), SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
        if (r < 0)
            m_seq = nullptr;
        return r;
    }
    int SetClientName(const std::string& name) override { return snd_seq_set_client_name(m_seq, name.c_str()); }
    int SetInputBufferSize(std::size_t bytes) override { return snd_seq_set_input_buffer_size(m_seq, bytes); }
    int ClientId() override { return snd_seq_client_id(m_seq); }
    int CreateSimplePort(const std::string& name, unsigned capabilities, unsigned type) override
    {
        return snd_seq_create_simple_port(m_seq, name.c_str(), capabilities, type);
    }

    std::vector<SequencerPort> Ports() override
    {
        std::vector<SequencerPort> ports;
        snd_seq_client_info_t* client;
        snd_seq_port_info_t* port;
        snd_seq_client_info_alloca(&client);
        snd_seq_port_info_alloca(&port);
        snd_seq_client_info_set_client(client, -1);
        while (snd_seq_query_next_client(m_seq, client) >= 0) {
            const int id = snd_seq_client_info_get_client(client);
            const std::string clientName = snd_seq_client_info_get_name(client);
            snd_seq_port_info_set_client(port, id);
            snd_seq_port_info_set_port(port, -1);
            while (snd_seq_query_next_port(m_seq, port) >= 0) {
                const unsigned caps = snd_seq_port_info_get_capability(port);
                const unsigned read = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
                const unsigned write = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
                ports.push_back({id, clientName, snd_seq_port_info_get_port(port), (caps & read) == read,
                                 (caps & write) == write, (caps & SND_SEQ_PORT_CAP_NO_EXPORT) == 0,
                                 snd_seq_port_info_get_name(port)});
            }
        }
        return ports;
    }

    int ConnectFrom(int ownPort, int client, int port) override
    {
        return snd_seq_connect_from(m_seq, ownPort, client, port);
    }
    int DisconnectFrom(int ownPort, int client, int port) override
    {
        return snd_seq_disconnect_from(m_seq, ownPort, client, port);
    }
    int ConnectTo(int ownPort, int client, int port) override
    {
        return snd_seq_connect_to(m_seq, ownPort, client, port);
    }
    int DisconnectTo(int ownPort, int client, int port) override
    {
        return snd_seq_disconnect_to(m_seq, ownPort, client, port);
    }
    int Subscribed(snd_seq_addr_t sender, snd_seq_addr_t dest) override
    {
        snd_seq_port_subscribe_t* subscription;
        snd_seq_port_subscribe_alloca(&subscription);
        snd_seq_port_subscribe_set_sender(subscription, &sender);
        snd_seq_port_subscribe_set_dest(subscription, &dest);
        return snd_seq_get_port_subscription(m_seq, subscription);
    }

    std::vector<pollfd> PollDescriptors(short events) override
    {
        std::vector<pollfd> fds(static_cast<std::size_t>(std::max(0, snd_seq_poll_descriptors_count(m_seq, events))));
        const int n = snd_seq_poll_descriptors(m_seq, fds.data(), static_cast<unsigned>(fds.size()), events);
        fds.resize(static_cast<std::size_t>(std::max(0, n)));
        return fds;
    }
    int OutputDirect(snd_seq_event_t& event) override { return snd_seq_event_output_direct(m_seq, &event); }
    int Input(snd_seq_event_t*& event) override { return snd_seq_event_input(m_seq, &event); }

private:
    snd_seq_t* m_seq = nullptr;
};

} // namespace

std::unique_ptr<AlsaSequencer> MakeAlsaSequencer()
{
    return std::make_unique<SystemSequencer>();
}

} // namespace KX::Platform::Midi
