#include "KXFramework/Platform/Midi/AlsaPortNames.h"

#include <algorithm>
#include <tuple>

namespace KX::Platform::Midi {

std::string SynthesizePortName(const std::string& clientName, int k, bool isInput)
{
    if (k <= 1)
        return clientName;
    return (isInput ? "MIDIIN" : "MIDIOUT") + std::to_string(k) + " (" + clientName + ")";
}

std::vector<ListedPort> ListPorts(std::vector<SequencerPort> ports, int ownClient, bool inputs)
{
    std::sort(ports.begin(), ports.end(), [](const SequencerPort& a, const SequencerPort& b) {
        return std::tie(a.client, a.port) < std::tie(b.client, b.port);
    });
    std::vector<ListedPort> listed;
    int client = -1;
    int k = 0;
    for (const SequencerPort& p : ports) {
        if (p.client == 0 || p.client == ownClient || !p.exported || !(inputs ? p.readable : p.writable))
            continue;
        k = p.client == client ? k + 1 : 1;
        client = p.client;
        listed.push_back({p.client, p.port, SynthesizePortName(p.clientName, k, inputs)});
    }
    return listed;
}

} // namespace KX::Platform::Midi
