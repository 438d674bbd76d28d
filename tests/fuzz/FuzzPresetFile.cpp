// The preset file reader on arbitrary bytes: it must refuse or accept without reading past the
// input, and what it accepts must write back to a file it reads the same way.
#include "Panel/UI/DriverCommon/PresetManager.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using KX::LPresetManager;
    KX::Array<KX::ParamValue> values;
    const KXRESULT r = LPresetManager::ReadPresetFile(data, size, 1, values);
    if (r != LPresetManager::kLoaded) {
        if (r < LPresetManager::kWrongDevice || r > 0 || values.GetCount() != 0)
            std::abort();
        return 0;
    }
    if (values.GetCount() != static_cast<unsigned>(kParamCount))
        std::abort();
    KX::Array<unsigned char> bytes;
    if (LPresetManager::WritePresetFile(values, bytes) != KX::S_OK)
        std::abort();
    KX::Array<KX::ParamValue> again;
    if (LPresetManager::ReadPresetFile(bytes.GetData(), bytes.GetCount(), 1, again) != LPresetManager::kLoaded)
        std::abort();
    for (int i = 0; i < kParamCount; ++i)
        if (!(again.GetAt(i).value == values.GetAt(i).value) || again.GetAt(i).descriptor.id != 1 + i)
            std::abort();
    return 0;
}
