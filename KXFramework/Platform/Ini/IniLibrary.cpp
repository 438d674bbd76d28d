#include "KXFramework/Platform/Ini/IniLibrary.h"

#include "KXFramework/Platform/DebugLog/LogOutput.h"
#include "KXFramework/Platform/Files/FileAccess.h"
#include "KXFramework/Platform/Ini/IniDocument.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <mutex>

namespace KX::Platform::Ini {

namespace {

struct OpenFile {
    std::string path;
    IniDocument doc;
    int32_t references = 1;
    bool dirty = false;
    bool failing = false; // its last write failed, which the debug log has said
};

struct Library {
    std::mutex mutex;
    std::map<int32_t, OpenFile> files;
    int32_t nextHandle = 1;
};

// Never destroyed: an application object that lives until the end of the process closes its files
// in its destructor, which may run after this library's statics would have gone.
Library& GetLibrary()
{
    static auto* library = new Library;
    return *library;
}

std::string AbsolutePath(std::string_view path)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::path(path), ec);
    if (ec)
        p = std::filesystem::absolute(std::filesystem::path(path), ec).lexically_normal();
    return ec ? std::string(path) : p.string();
}

bool HasNul(std::string_view text)
{
    return text.find('\0') != std::string_view::npos;
}

// A whole decimal int32, with an optional sign, after trimming spaces and tabs.
bool ParseInt32(std::string_view text, int32_t& out)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1)
            return false;
    }
    value = negative ? -value : value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return false;
    out = static_cast<int32_t>(value);
    return true;
}

KXRESULT Flush(OpenFile& file)
{
    if (!file.dirty)
        return S_OK;
    const std::string text = file.doc.Serialize();
    if (Files::WriteAtomically(file.path, text.data(), text.size()) != S_OK) {
        // Once until a write succeeds again: every later change retries.
        if (!file.failing)
            DebugLog::WriteLine("Settings: cannot write " + file.path + ": " + std::strerror(errno) +
                                "; kept in memory and tried again at the next change");
        file.failing = true;
        return E_FAIL;
    }
    file.dirty = false;
    file.failing = false;
    return S_OK;
}

// Writes a change through. A file left dirty by an earlier failed write is retried as well.
KXRESULT Commit(OpenFile& file, IniDocument::Change change)
{
    if (change == IniDocument::Change::TooLarge)
        return E_OUTOFMEMORY;
    if (change == IniDocument::Change::Made)
        file.dirty = true;
    return Flush(file);
}

// Runs `body` on the open file of the handle under the library lock; E_INVALIDARG for a bad one.
template <class Body>
KXRESULT WithFile(int32_t handle, Body body)
{
    Library& library = GetLibrary();
    std::lock_guard lock(library.mutex);
    const auto it = library.files.find(handle);
    if (it == library.files.end())
        return E_INVALIDARG;
    return body(it->second);
}

KXRESULT SetValue(int32_t handle, std::string_view path, std::string_view value)
{
    const auto split = SplitNodePath(path);
    const std::string_view section = split.first, key = split.second;
    if (!IsStorableKey(key) || !IsStorableSection(section) || HasNul(value))
        return E_INVALIDARG;
    return WithFile(handle, [&](OpenFile& file) { return Commit(file, file.doc.SetValue(section, key, value)); });
}

} // namespace

KXRESULT OpenIniFile(std::string_view path, std::string_view version, std::string_view product, int32_t* handle)
{
    if (handle == nullptr)
        return E_INVALIDARG;
    *handle = 0;
    if (path.empty() || version.empty() || product.empty() || HasNul(path) || HasNul(version) || HasNul(product))
        return E_INVALIDARG;

    const std::string absolute = AbsolutePath(path);
    Library& library = GetLibrary();
    std::lock_guard lock(library.mutex);
    auto versionResult = [&](const IniDocument& doc) {
        const auto stored = doc.GetMetadata("version");
        return stored && *stored != version ? S_FALSE : S_OK;
    };
    for (auto& [h, file] : library.files) {
        if (file.path == absolute) {
            ++file.references;
            *handle = h;
            return versionResult(file.doc);
        }
    }
    if (library.nextHandle == std::numeric_limits<int32_t>::max())
        return E_FAIL;

    OpenFile file;
    file.path = absolute;
    std::string text;
    switch (Files::ReadWholeFile(absolute, IniDocument::kMaxBytes, text)) {
    case Files::ReadStatus::Ok:
        if (!file.doc.Parse(text))
            return E_FAIL;
        break;
    case Files::ReadStatus::NotFound:
        file.doc = IniDocument::CreateNew(product, version);
        break;
    default:
        return E_FAIL;
    }
    const KXRESULT result = versionResult(file.doc);
    *handle = library.nextHandle++;
    library.files.emplace(*handle, std::move(file));
    return result;
}

KXRESULT WriteIniFile(int32_t handle)
{
    return WithFile(handle, [](OpenFile& file) { return Flush(file); });
}

KXRESULT CloseIniFile(int32_t handle)
{
    Library& library = GetLibrary();
    std::lock_guard lock(library.mutex);
    const auto it = library.files.find(handle);
    if (it == library.files.end())
        return E_INVALIDARG;
    if (it->second.references > 1) {
        --it->second.references;
        return S_OK;
    }
    if (Flush(it->second) != S_OK)
        return E_FAIL;
    library.files.erase(it);
    return S_OK;
}

KXRESULT CloseAllIniFiles()
{
    Library& library = GetLibrary();
    std::lock_guard lock(library.mutex);
    KXRESULT result = S_OK;
    for (auto& [h, file] : library.files)
        if (Flush(file) != S_OK)
            result = E_FAIL;
    library.files.clear();
    return result;
}

KXRESULT DoesNodeExist(int32_t handle, std::string_view path)
{
    return WithFile(handle, [&](OpenFile& file) -> KXRESULT {
        if (path.empty())
            return 0;
        const auto split = SplitNodePath(path);
        return file.doc.HasSection(path) || file.doc.GetValue(split.first, split.second) ? 1 : 0;
    });
}

KXRESULT GetIniValueInt(int32_t handle, std::string_view key, int32_t defaultValue, int32_t* out)
{
    if (out == nullptr)
        return E_INVALIDARG;
    *out = defaultValue;
    std::string text;
    const KXRESULT result = GetIniValueStr(handle, key, std::string_view(), text);
    if (result != S_OK)
        return result;
    return ParseInt32(text, *out) ? S_OK : S_FALSE;
}

KXRESULT GetIniValueStr(int32_t handle, std::string_view key, std::string_view defaultValue, std::string& out)
{
    out.assign(defaultValue);
    if (key.empty())
        return E_INVALIDARG;
    return WithFile(handle, [&](OpenFile& file) {
        const auto split = SplitNodePath(key);
        const auto value = file.doc.GetValue(split.first, split.second);
        if (!value)
            return S_FALSE;
        out = *value;
        return S_OK;
    });
}

KXRESULT SetIniValueInt(int32_t handle, std::string_view key, int32_t value)
{
    return SetValue(handle, key, std::to_string(value));
}

KXRESULT SetIniValueStr(int32_t handle, std::string_view key, std::string_view value)
{
    return SetValue(handle, key, value);
}

KXRESULT GetKeyCount(int32_t handle, std::string_view path, int32_t* count)
{
    if (count == nullptr)
        return E_INVALIDARG;
    *count = 0;
    return WithFile(handle, [&](OpenFile& file) {
        *count = static_cast<int32_t>(file.doc.GetKeyNames(path).size());
        return S_OK;
    });
}

KXRESULT GetKeyNameAt(int32_t handle, std::string_view path, int32_t index, std::string& name)
{
    name.clear();
    return WithFile(handle, [&](OpenFile& file) {
        const auto names = file.doc.GetKeyNames(path);
        if (index < 0 || static_cast<size_t>(index) >= names.size())
            return E_INVALIDARG;
        name = names[static_cast<size_t>(index)];
        return S_OK;
    });
}

KXRESULT GetArrayCount(int32_t handle, std::string_view path, int32_t* count)
{
    if (count == nullptr)
        return E_INVALIDARG;
    *count = 0;
    return WithFile(handle, [&](OpenFile& file) {
        *count = file.doc.GetArrayCount(path);
        return S_OK;
    });
}

KXRESULT SetArrayCount(int32_t handle, std::string_view path, int32_t count)
{
    if (count < 0 || count > IniDocument::kMaxArrayCount || !IsStorableSection(path))
        return E_INVALIDARG;
    return WithFile(handle, [&](OpenFile& file) { return Commit(file, file.doc.SetArrayCount(path, count)); });
}

KXRESULT GetArrayItemAt(int32_t handle, std::string_view path, int32_t index, std::string& value)
{
    value.clear();
    return WithFile(handle, [&](OpenFile& file) {
        if (index < 0 || index >= file.doc.GetArrayCount(path))
            return E_INVALIDARG;
        value = file.doc.GetValue(path, std::to_string(index)).value_or(std::string());
        return S_OK;
    });
}

KXRESULT SetArrayItemAt(int32_t handle, std::string_view path, int32_t index, std::string_view value)
{
    if (index < 0 || index >= IniDocument::kMaxArrayCount || !IsStorableSection(path) || HasNul(value))
        return E_INVALIDARG;
    return WithFile(handle, [&](OpenFile& file) {
        if (index > file.doc.GetArrayCount(path))
            return E_INVALIDARG;
        return Commit(file, file.doc.SetValue(path, std::to_string(index), value));
    });
}

KXRESULT RemoveArrayItemAt(int32_t handle, std::string_view path, int32_t index)
{
    return WithFile(handle, [&](OpenFile& file) {
        if (index < 0 || index >= file.doc.GetArrayCount(path))
            return E_INVALIDARG;
        file.doc.RemoveArrayItem(path, index);
        return Commit(file, IniDocument::Change::Made);
    });
}

} // namespace KX::Platform::Ini
