#pragma once
// The settings interface the application uses: the fifteen functions of the ini library, taking
// and giving UTF-16 text. The library is part of the program, so loading it cannot fail; while it
// is not loaded every function fails with E_FAIL and gives its default, as a missing library would.
// Every change reaches the disk at once (written through by atomic replacement).
#include "KXFramework/ObjectBase/Mutex.h"
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <vector>

namespace KX {

class IIniFileManager : public virtual LRefCountedObject {
public:
    // 0; the path is not used. Returns 0 for the record only; callers may ignore it.
    virtual KXRESULT LoadLibrary(const String& path = String()) = 0;
    // Writes and closes every file opened through this manager; 0, for the record only; callers may ignore it.
    virtual KXRESULT UnloadLibrary() = 0;
    virtual bool IsLoaded() const = 0;

    // 0 opened or created in memory (a missing file reaches the disk with the first change);
    // S_FALSE opened with another stored version (data kept); E_FAIL unreadable, too large or not
    // a file (the file is left as it is and *handle is 0); E_INVALIDARG for an empty argument.
    [[nodiscard]] virtual KXRESULT OpenIniFile(const String& path, const String& version, const String& product,
                                               int32_t* handle) = 0;
    [[nodiscard]] virtual KXRESULT WriteIniFile(int32_t handle) = 0;
    [[nodiscard]] virtual KXRESULT CloseIniFile(int32_t handle) = 0;
    // 1 when a section or a key of that path exists, else 0.
    [[nodiscard]] virtual KXRESULT DoesNodeExist(int32_t handle, const String& path) = 0;
    // "Key" at the top level, "Some/Node/Key" in section [Some/Node]. Get: 0 when the key exists
    // (and, for Int, holds a decimal int32), else S_FALSE; the output is the default unless 0.
    [[nodiscard]] virtual KXRESULT GetIniValueInt(int32_t handle, const String& key, int32_t defaultValue,
                                                  int32_t* out) = 0;
    [[nodiscard]] virtual KXRESULT SetIniValueInt(int32_t handle, const String& key, int32_t value) = 0;
    [[nodiscard]] virtual KXRESULT GetIniValueStr(int32_t handle, const String& key, const String& defaultValue,
                                                  String& out) = 0;
    [[nodiscard]] virtual KXRESULT SetIniValueStr(int32_t handle, const String& key, const String& value) = 0;
    [[nodiscard]] virtual KXRESULT GetKeyCount(int32_t handle, const String& path, int32_t* count) = 0;
    [[nodiscard]] virtual KXRESULT GetKeyNameAt(int32_t handle, const String& path, int32_t index, String& name) = 0;
    // An array at path P is section [P] with the keys "0", "1", ….
    [[nodiscard]] virtual KXRESULT GetArrayCount(int32_t handle, const String& path, int32_t* count) = 0;
    [[nodiscard]] virtual KXRESULT SetArrayCount(int32_t handle, const String& path, int32_t count) = 0;
    [[nodiscard]] virtual KXRESULT GetArrayItemAt(int32_t handle, const String& path, int32_t index, String& value) = 0;
    [[nodiscard]] virtual KXRESULT SetArrayItemAt(int32_t handle, const String& path, int32_t index,
                                                  const String& value) = 0;
    [[nodiscard]] virtual KXRESULT RemoveArrayItemAt(int32_t handle, const String& path, int32_t index) = 0;
};

class LIniFileManager : public IIniFileManager {
public:
    LIniFileManager() = default;
    // Unloads, so that no change of the files it opened is lost.
    ~LIniFileManager() override;

    KXRESULT LoadLibrary(const String& path = String()) override;
    KXRESULT UnloadLibrary() override;
    bool IsLoaded() const override;

    [[nodiscard]] KXRESULT OpenIniFile(const String& path, const String& version, const String& product,
                                       int32_t* handle) override;
    [[nodiscard]] KXRESULT WriteIniFile(int32_t handle) override;
    [[nodiscard]] KXRESULT CloseIniFile(int32_t handle) override;
    [[nodiscard]] KXRESULT DoesNodeExist(int32_t handle, const String& path) override;
    [[nodiscard]] KXRESULT GetIniValueInt(int32_t handle, const String& key, int32_t defaultValue,
                                          int32_t* out) override;
    [[nodiscard]] KXRESULT SetIniValueInt(int32_t handle, const String& key, int32_t value) override;
    [[nodiscard]] KXRESULT GetIniValueStr(int32_t handle, const String& key, const String& defaultValue,
                                          String& out) override;
    [[nodiscard]] KXRESULT SetIniValueStr(int32_t handle, const String& key, const String& value) override;
    [[nodiscard]] KXRESULT GetKeyCount(int32_t handle, const String& path, int32_t* count) override;
    [[nodiscard]] KXRESULT GetKeyNameAt(int32_t handle, const String& path, int32_t index, String& name) override;
    [[nodiscard]] KXRESULT GetArrayCount(int32_t handle, const String& path, int32_t* count) override;
    [[nodiscard]] KXRESULT SetArrayCount(int32_t handle, const String& path, int32_t count) override;
    [[nodiscard]] KXRESULT GetArrayItemAt(int32_t handle, const String& path, int32_t index, String& value) override;
    [[nodiscard]] KXRESULT SetArrayItemAt(int32_t handle, const String& path, int32_t index,
                                          const String& value) override;
    [[nodiscard]] KXRESULT RemoveArrayItemAt(int32_t handle, const String& path, int32_t index) override;

private:
    mutable Mutex m_lock;
    bool m_loaded = false;
    // One entry per open made through this manager and not yet closed, so that unloading closes
    // exactly what this manager opened.
    std::vector<int32_t> m_openHandles;
};

} // namespace KX
