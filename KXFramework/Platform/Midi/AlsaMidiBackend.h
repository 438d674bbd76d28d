#pragma once
// The ALSA sequencer as a MIDI backend, written directly on libasound so that SysEx reaches the caller in
// chunks rather than as whole messages.
#include "KXFramework/Platform/Midi/MidiBackend.h"

#include <memory>
#include <string>

namespace KX::Platform::Midi {

class AlsaSequencer;

// Opens the sequencer named sequencer ("default" normally). When it cannot be opened (no /dev/snd/seq, no
// permission) the backend says why in the debug log and stays inert: no devices, every open fails with
// Status::NoDriver.
std::shared_ptr<Backend> MakeAlsaBackend(const std::string& sequencer = "default");
// The same over the given sequencer calls.
std::shared_ptr<Backend> MakeAlsaBackend(std::unique_ptr<AlsaSequencer> seq, const std::string& sequencer);

} // namespace KX::Platform::Midi
