#pragma once
// How sequencer ports become device lists. Pure functions, so that the naming can be tested without a
// sequencer.
#include <string>
#include <vector>

namespace KX::Platform::Midi {

// One port as the sequencer describes it.
struct SequencerPort {
    int client = 0;
    std::string clientName;
    int port = 0;
    bool readable = false;  // others may read and subscribe to read: a MIDI input for us
    bool writable = false;  // others may write and subscribe to write: a MIDI output for us
    bool exported = true;   // false for ports that ask not to be listed
    std::string portName{}; // as the port calls itself; for the debug log
};

// One entry of a device list: the port's address and its product name.
struct ListedPort {
    int client = 0;
    int port = 0;
    std::string name;
};

// The product name of a client's k-th port (from 1) of one direction: the client's name for its first port,
// "MIDIIN<k> (<client>)" or "MIDIOUT<k> (<client>)" for the others, as the keyboard's driver names them.
std::string SynthesizePortName(const std::string& clientName, int k, bool isInput);

// The inputs (readable ports) or outputs (writable ports) in (client, port) order, leaving out the system
// client 0, our own client and ports that are not exported.
std::vector<ListedPort> ListPorts(std::vector<SequencerPort> ports, int ownClient, bool inputs);

} // namespace KX::Platform::Midi
