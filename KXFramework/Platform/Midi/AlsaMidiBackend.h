#pragma once
// The ALSA sequencer as a MIDI backend, written directly on libasound so that SysEx reaches the caller in
// chunks rather than as whole messages.
#include "KXFramework/Platform/Midi/MidiBackend.h"

#include <memory>
#include <string>

namespace KX::Platform::Midi {

// Opens the sequencer named sequencer ("default" normally). When it cannot be opened (no /dev/snd/seq) the
// backend stays inert: no devices, every open fails with kNoDriver.
std::shared_ptr<Backend> MakeAlsaBackend(const std::string& sequencer = "default");

} // namespace KX::Platform::Midi
