#include "KXFramework/Application/IniFileManager.h"

#include "KXFramework/Platform/Ini/IniLibrary.h"

#include <algorithm>
#include <string>

namespace KX {

namespace Ini = Platform::Ini;

namespace {

std::string Utf8(const String& text)
{
    return text.ToNarrow().GetString();
}

String FromUtf8(const std::string& text)
{
    String result;
    result.Assign(text.c_str(), static_cast<unsigned>(text.size()));
    return result;
}

} // namespace

LIniFileManager::~LIniFileManager()
{
    UnloadLibrary();
}

KXRESULT LIniFileManager::LoadLibrary(const String&)
{
    MutexLock lock(m_lock);
    m_loaded = true;
    return S_OK;
}

KXRESULT LIniFileManager::UnloadLibrary()
{
    MutexLock lock(m_lock);
    // A close whose write fails keeps the file open with its data in the library; nothing more
    // can be done for it here.
    for (int32_t handle : m_openHandles)
        static_cast<void>(Ini::CloseIniFile(handle));
    m_openHandles.clear();
    m_loaded = false;
    return S_OK;
}

bool LIniFileManager::IsLoaded() const
{
    MutexLock lock(m_lock);
    return m_loaded;
}

KXRESULT LIniFileManager::OpenIniFile(const String& path, const String& version, const String& product, int32_t* handle)
{
    MutexLock lock(m_lock);
    if (!m_loaded) {
        if (handle)
            *handle = 0;
        return E_FAIL;
    }
    const KXRESULT r = Ini::OpenIniFile(Utf8(path), Utf8(version), Utf8(product), handle);
    if (r >= 0 && handle && *handle > 0)
        m_openHandles.push_back(*handle);
    return r;
}

KXRESULT LIniFileManager::WriteIniFile(int32_t handle)
{
    if (!IsLoaded())
        return E_FAIL;
    return Ini::WriteIniFile(handle);
}

KXRESULT LIniFileManager::CloseIniFile(int32_t handle)
{
    MutexLock lock(m_lock);
    if (!m_loaded)
        return E_FAIL;
    const KXRESULT r = Ini::CloseIniFile(handle);
    if (r == S_OK) {
        const auto it = std::find(m_openHandles.begin(), m_openHandles.end(), handle);
        if (it != m_openHandles.end())
            m_openHandles.erase(it);
    }
    return r;
}

KXRESULT LIniFileManager::DoesNodeExist(int32_t handle, const String& path)
{
    if (!IsLoaded())
        return E_FAIL;
    return Ini::DoesNodeExist(handle, Utf8(path));
}

KXRESULT LIniFileManager::GetIniValueInt(int32_t handle, const String& key, int32_t defaultValue, int32_t* out)
{
    if (!IsLoaded()) {
        if (out)
            *out = defaultValue;
        return E_FAIL;
    }
    return Ini::GetIniValueInt(handle, Utf8(key), defaultValue, out);
}

KXRESULT LIniFileManager::SetIniValueInt(int32_t handle, const String& key, int32_t value)
{
    if (!IsLoaded())
        return E_FAIL;
    return Ini::SetIniValueInt(handle, Utf8(key), value);
}

KXRESULT LIniFileManager::GetIniValueStr(int32_t handle, const String& key, const String& defaultValue, String& out)
{
    if (!IsLoaded()) {
        out = defaultValue;
        return E_FAIL;
    }
    std::string value;
    const KXRESULT r = Ini::GetIniValueStr(handle, Utf8(key), Utf8(defaultValue), value);
    out = FromUtf8(value);
    return r;
}

KXRESULT LIniFileManager::SetIniValueStr(int32_t handle, const String& key, const String& value)
{
    if (!IsLoaded())
        return E_FAIL;
    return Ini::SetIniValueStr(handle, Utf8(key), Utf8(value));
}

KXRESULT LIniFileManager::GetKeyCount(int32_t handle, const String& path, int32_t* count)
{
    if (!IsLoaded()) {
        if (count)
            *count = 0;
        return E_FAIL;
    }
    return Ini::GetKeyCount(handle, Utf8(path), count);
}

KXRESULT LIniFileManager::GetKeyNameAt(int32_t handle, const String& path, int32_t index, String& name)
{
    if (!IsLoaded()) {
        name.Clear();
        return E_FAIL;
    }
    std::string text;
    const KXRESULT r = Ini::GetKeyNameAt(handle, Utf8(path), index, text);
    name = FromUtf8(text);
    return r;
}

KXRESULT LIniFileManager::GetArrayCount(int32_t handle, const String& path, int32_t* count)
{
    if (!IsLoaded()) {
        if (count)
            *count = 0;
        return E_FAIL;
    }
    return Ini::GetArrayCount(handle, Utf8(path), count);
}

KXRESULT LIniFileManager::SetArrayCount(int32_t handle, const String& path, int32_t count)
{
    if (!IsLoaded())
        return E_FAIL;
    return Ini::SetArrayCount(handle, Utf8(path), count);
}

KXRESULT LIniFileManager::GetArrayItemAt(int32_t handle, const String& path, int32_t index, String& value)
{
    if (!IsLoaded()) {
        value.Clear();
        return E_FAIL;
    }
    std::string text;
    const KXRESULT r = Ini::GetArrayItemAt(handle, Utf8(path), index, text);
    value = FromUtf8(text);
    return r;
}

KXRESULT LIniFileManager::SetArrayItemAt(int32_t handle, const String& path, int32_t index, const String& value)
{
    if (!IsLoaded())
        return E_FAIL;
    return Ini::SetArrayItemAt(handle, Utf8(path), index, Utf8(value));
}

KXRESULT LIniFileManager::RemoveArrayItemAt(int32_t handle, const String& path, int32_t index)
{
    if (!IsLoaded())
        return E_FAIL;
    return Ini::RemoveArrayItemAt(handle, Utf8(path), index);
}

} // namespace KX
