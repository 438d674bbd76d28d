// The preset file reader on arbitrary bytes: it must refuse or accept without reading past the
// input, and what it accepts must write back to a file it reads the same way. Random bytes rarely
// get past the header, so each input is also read as patches to a sound file: pairs of a 16-bit
// offset and a byte, with a final odd byte that cuts the file short.
#include "Panel/UI/DriverCommon/PresetManager.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using KX::LPresetManager;

void Check(const uint8_t* data, size_t size)
{
    KX::Array<KX::ParamValue> values;
    const KXRESULT r = LPresetManager::ReadPresetFile(data, size, 1, values);
    if (r != LPresetManager::kLoaded) {
        if (r < LPresetManager::kWrongDevice || r > 0 || values.GetCount() != 0)
            std::abort();
        return;
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
}

const std::vector<uint8_t>& SoundFile()
{
    static const std::vector<uint8_t> file = [] {
        KX::Array<KX::ParamValue> values;
        values.SetCount(kParamCount);
        for (int i = 0; i < kParamCount; ++i) {
            values.GetAt(i).descriptor = KX::ParamDescriptor(1 + i);
            values.GetAt(i).value = ParamDefaultValue(i);
        }
        KX::Array<unsigned char> bytes;
        if (LPresetManager::WritePresetFile(values, bytes) != KX::S_OK)
            std::abort();
        return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }();
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Check(data, size);

    std::vector<uint8_t> file = SoundFile();
    size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const size_t offset = (static_cast<size_t>(data[i]) | static_cast<size_t>(data[i + 1]) << 8) % file.size();
        file[offset] = data[i + 2];
    }
    if (i < size)
        file.resize(file.size() - data[i] % 16);
    Check(file.data(), file.size());
    return 0;
}
