#pragma once
// The alsa-lib sequencer calls the ALSA backend makes, one to one, so that a test can stand in for the
// kernel (which, unlike a user-space peer, refuses events to a hardware port that nobody subscribed to).
// Results are alsa-lib's: zero or more on success, a negative errno on failure.
#include "KXFramework/Platform/Midi/AlsaPortNames.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace KX::Platform::Midi {

class AlsaSequencer {
public:
    virtual ~AlsaSequencer() = default;

    // Opens the named sequencer ("default" normally), duplex and non-blocking.
    virtual int Open(const std::string& name) = 0;
    virtual int SetClientName(const std::string& name) = 0;
    virtual int SetInputBufferSize(std::size_t bytes) = 0;
    virtual int ClientId() = 0;
    virtual int CreateSimplePort(const std::string& name, unsigned capabilities, unsigned type) = 0;

    // Every port of every client, in the sequencer's order.
    virtual std::vector<SequencerPort> Ports() = 0;

    // Subscriptions between one of our ports and another client's port: from it to ours (input), or from
    // ours to it (output). Subscribed gives 0 when sender delivers to dest.
    virtual int ConnectFrom(int ownPort, int client, int port) = 0;
    virtual int DisconnectFrom(int ownPort, int client, int port) = 0;
    virtual int ConnectTo(int ownPort, int client, int port) = 0;
    virtual int DisconnectTo(int ownPort, int client, int port) = 0;
    virtual int Subscribed(snd_seq_addr_t sender, snd_seq_addr_t dest) = 0;

    virtual std::vector<pollfd> PollDescriptors(short events) = 0;
    virtual int OutputDirect(snd_seq_event_t& event) = 0;
    // The next input event, valid until the next call.
    virtual int Input(snd_seq_event_t*& event) = 0;
};

// The sequencer of this machine. libasound's own error messages go to the debug log from the first one on.
std::unique_ptr<AlsaSequencer> MakeAlsaSequencer();

} // namespace KX::Platform::Midi
