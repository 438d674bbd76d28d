#include "Panel/UI/DriverCommon/PresetManager.h"

#include "KXFramework/DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "LogLines.h"
#include "ParamTestValues.h"
#include "PlainUser.h"
#include "PostRecorder.h"
#include "ScopedService.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace KX::Test {

namespace fs = std::filesystem;
using KX::LPresetManager;

namespace {

constexpr const char16_t* kStateChange = u"NID_PARAM_MODULE_STATE_CHANGE";
constexpr const char16_t* kPreLoad = u"NID_PRESETFILE_PRE_LOAD";
constexpr const char16_t* kPostLoad = u"NID_PRESETFILE_POST_LOAD";

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutWord(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Offset of chunk i in a preset file.
size_t ChunkOffset(int32_t index)
{
    size_t offset = 12;
    for (int32_t i = 0; i < index; ++i)
        offset += 12 + ParamValueSize(i);
    return offset;
}

KX::String Wide(const fs::path& p)
{
    return KX::String(p.string().c_str());
}

// Fails a write past a few bytes, as a full disk does (the limit binds root too), while it lives.
class FileSizeLimit {
public:
    FileSizeLimit()
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, m_old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

class PresetManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_posts = PostRecorder::Create({kStateChange, kPreLoad, kPostLoad});
        m_engine = LRootModuleEngine::Create();
        ASSERT_EQ(m_engine->Initialize(0), KX::S_OK);
        LRootModuleEngine::SetRootModuleEngine(m_engine);
        LPresetManager::Create(m_manager);
        m_posts->Deliver();
    }
    void TearDown() override
    {
        LRootModuleEngine::SetRootModuleEngine(nullptr);
        m_manager = nullptr;
        m_engine = nullptr;
        m_posts->Deliver();
        m_posts->Stop();
    }

    int32_t First() const { return m_engine->GetFirstParamID(); }

    KX::Array<KX::ParamValue> Model()
    {
        KX::Array<KX::ParamValue> values;
        EXPECT_EQ(m_engine->GetParamValues(First(), kParamCount, values), KX::S_OK);
        return values;
    }

    static bool Same(const KX::Array<KX::ParamValue>& a, const KX::Array<KX::ParamValue>& b)
    {
        if (a.GetCount() != b.GetCount())
            return false;
        for (unsigned i = 0; i < a.GetCount(); ++i)
            if (!(a.GetAt(i).descriptor == b.GetAt(i).descriptor) || !(a.GetAt(i).value == b.GetAt(i).value))
                return false;
        return true;
    }

    // The bytes of the current model saved to a file.
    Bytes SavedFile()
    {
        const fs::path path = m_dir / "saved.Kivo61PresetEditor";
        EXPECT_EQ(m_manager->Save(Wide(path)), KX::S_OK);
        Bytes bytes = ReadFile(path);
        fs::remove(path);
        return bytes;
    }

    KX::Test::TempFolder m_folder;
    const fs::path m_dir{m_folder.Path()};
    KX::RCPtr<PostRecorder> m_posts;
    KX::RCPtr<LRootModuleEngine> m_engine;
    KX::RCPtr<LPresetManager> m_manager;
};

} // namespace

TEST_F(PresetManagerTest, TheDefaultPresetFileIsByteExact)
{
    const Bytes file = SavedFile();
    ASSERT_EQ(file.size(), 2922u);
    const Bytes head = {0x01, 0x00, 0x00, 0x00, 0x2D, 0x6E, 0x00, 0x00, 0x06, 0x31, 0x00, 0x00, 0x12, 0x00, 0x00, 0x00,
                        0x01, 0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x15, 0x00,
                        0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
                        0x3C, 0x05, 0x0C, 0x15, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 64), head);
    const Bytes tail = {0x1B, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x00,
                        0x29, 0x00, 0x00, 0x7F, 0x08, 0x45, 0x51, 0x47, 0x48, 0x4A, 0x4C, 0x4D, 0x4F};
    EXPECT_EQ(Bytes(file.begin() + 0xB4F, file.end()), tail);
    for (auto [index, offset] : {std::pair{0, 12},
                                 {1, 30},
                                 {5, 114},
                                 {7, 148},
                                 {9, 184},
                                 {25, 600},
                                 {61, 1644},
                                 {97, 2292},
                                 {129, 2868},
                                 {130, 2895}})
        EXPECT_EQ(ChunkOffset(index), static_cast<size_t>(offset));
    // Push button 0's chunk carries its worked example.
    const Bytes button0 = {0x00, 0x03, 0x03, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x7F, 0x03, 0x37, 0x00};
    EXPECT_EQ(Bytes(file.begin() + 612, file.begin() + 629), button0);
}

TEST_F(PresetManagerTest, AChangedPresetComesBackUnchanged)
{
    for (int32_t i : {0, 3, 5, 8, 20, 25, 60, 61, 100, 130})
        ASSERT_EQ(m_engine->SendParamValueToDevice(First() + i, Blob(ParamValueSize(i), uint8_t(i), 1)), KX::S_OK);
    const KX::Array<KX::ParamValue> saved = Model();
    const fs::path path = m_dir / "changed.Kivo61PresetEditor";
    ASSERT_EQ(m_manager->Save(Wide(path)), KX::S_OK);
    const Bytes file = ReadFile(path);

    // Change the model again, then load the file back.
    ASSERT_EQ(m_engine->SendParamValueToDevice(First() + 61, Blob(6, 0xF0)), KX::S_OK);
    ASSERT_EQ(m_engine->SendParamValueToDevice(First(), Blob(6, 0x41)), KX::S_OK);
    m_posts->Deliver();
    ASSERT_EQ(m_manager->Load(Wide(path)), LPresetManager::kLoaded);
    EXPECT_TRUE(Same(Model(), saved));

    std::vector<PostRecorder::Post> posts = m_posts->Deliver();
    ASSERT_EQ(posts.size(), 3u);
    EXPECT_EQ(posts[0].name, kPreLoad);
    EXPECT_EQ(posts[1].name, kStateChange);
    KX::RCPtr<ParamValuesBatch> batch(posts[1].payload);
    ASSERT_TRUE(batch);
    EXPECT_EQ(batch->GetCount(), kParamCount);
    EXPECT_EQ(posts[2].name, kPostLoad);

    // Saving the loaded preset gives the same bytes.
    EXPECT_EQ(SavedFile(), file);
}

TEST_F(PresetManagerTest, ARefusedFileChangesNothing)
{
    const Bytes good = SavedFile();
    ASSERT_EQ(m_engine->SendParamValueToDevice(First() + 30, Blob(17, 1)), KX::S_OK);
    const KX::Array<KX::ParamValue> before = Model();
    m_posts->Deliver();

    struct Case {
        const char* name;
        Bytes bytes;
        KXRESULT expected;
    };
    std::vector<Case> cases;
    auto with = [&](auto change) {
        Bytes b = good;
        change(b);
        return b;
    };
    cases.push_back({"version 0", with([](Bytes& b) { PutWord(b, 0, 0); }), LPresetManager::kOlderFormat});
    cases.push_back({"version 2", with([](Bytes& b) { PutWord(b, 0, 2); }), LPresetManager::kNewerFormat});
    cases.push_back({"version 2, longer", with([](Bytes& b) {
                         PutWord(b, 0, 2);
                         b.resize(5000);
                     }),
                     LPresetManager::kNewerFormat});
    cases.push_back({"maker", with([](Bytes& b) { PutWord(b, 4, 0x6E2E); }), LPresetManager::kWrongDevice});
    cases.push_back({"product", with([](Bytes& b) { PutWord(b, 8, 0x3107); }), LPresetManager::kWrongDevice});
    cases.push_back({"cut by one", with([](Bytes& b) { b.pop_back(); }), LPresetManager::kCorrupt});
    cases.push_back({"one extra byte", with([](Bytes& b) { b.push_back(0); }), LPresetManager::kCorrupt});
    cases.push_back({"empty", Bytes(), LPresetManager::kCorrupt});
    cases.push_back({"header only", Bytes(good.begin(), good.begin() + 12), LPresetManager::kCorrupt});
    cases.push_back({"eleven bytes", Bytes(good.begin(), good.begin() + 11), LPresetManager::kCorrupt});
    cases.push_back({"button 0 with 16 bytes", with([](Bytes& b) {
                         const size_t at = ChunkOffset(25);
                         PutWord(b, at, 28);
                         b.erase(b.begin() + static_cast<long>(at + 12 + 16));
                     }),
                     LPresetManager::kCorrupt});
    cases.push_back(
        {"last chunk's length", with([](Bytes& b) { PutWord(b, ChunkOffset(130), 26); }), LPresetManager::kCorrupt});
    cases.push_back(
        {"a string chunk", with([](Bytes& b) { PutWord(b, ChunkOffset(7) + 8, 15); }), LPresetManager::kCorrupt});
    cases.push_back({"a borrowed-block chunk", with([](Bytes& b) { PutWord(b, ChunkOffset(7) + 8, 12); }),
                     LPresetManager::kCorrupt});
    // A list's bytes are not checked when read, so its record has the right length.
    cases.push_back(
        {"a list chunk", with([](Bytes& b) { PutWord(b, ChunkOffset(7) + 8, 16); }), LPresetManager::kCorrupt});
    cases.push_back(
        {"record version 2", with([](Bytes& b) { PutWord(b, ChunkOffset(50) + 4, 2); }), LPresetManager::kCorrupt});
    cases.push_back(
        {"huge length", with([](Bytes& b) { PutWord(b, ChunkOffset(3), 0xFFFFFFF0u); }), LPresetManager::kCorrupt});

    const fs::path path = m_dir / "bad.Kivo61PresetEditor";
    for (const Case& c : cases) {
        WriteFile(path, c.bytes);
        EXPECT_EQ(m_manager->Load(Wide(path)), c.expected) << c.name;
        EXPECT_TRUE(Same(Model(), before)) << c.name;
        EXPECT_TRUE(m_posts->Deliver().empty()) << c.name;
    }
    EXPECT_EQ(m_manager->Load(Wide(m_dir / "missing")), LPresetManager::kCorrupt);
    EXPECT_EQ(m_manager->Load(Wide(m_dir)), LPresetManager::kCorrupt);
    EXPECT_TRUE(Same(Model(), before));
}

TEST_F(PresetManagerTest, LegacyChunksAreRead)
{
    // A record of the old numbering: version 0, blob tag 8.
    Bytes file = SavedFile();
    const size_t at = ChunkOffset(61);
    PutWord(file, at + 4, 0);
    PutWord(file, at + 8, 8);
    file[at + 12 + 2] = 99;
    const fs::path path = m_dir / "legacy.Kivo61PresetEditor";
    WriteFile(path, file);
    ASSERT_EQ(m_manager->Load(Wide(path)), LPresetManager::kLoaded);
    KX::Variant v;
    ASSERT_EQ(m_engine->GetParamValue(First() + 61, v), KX::S_OK);
    EXPECT_EQ(v.GetData(nullptr)[2], 99);
}

TEST_F(PresetManagerTest, LoadNeedsAConnectedEngine)
{
    const fs::path path = m_dir / "p.Kivo61PresetEditor";
    WriteFile(path, SavedFile());
    LRootModuleEngine::SetRootModuleEngine(nullptr);
    EXPECT_EQ(m_manager->Load(Wide(path)), KX::E_FAIL);
    EXPECT_TRUE(m_posts->Deliver().empty());
    // A file refused for its content is reported as such even without an engine.
    WriteFile(path, Bytes(5, 0));
    EXPECT_EQ(m_manager->Load(Wide(path)), LPresetManager::kCorrupt);
}

TEST_F(PresetManagerTest, AFailedSaveLeavesTheOldFile)
{
    // 250 characters: any name the folder takes is saved.
    const fs::path path = m_dir / (std::string(231, 'p') + ".Kivo61PresetEditor");
    ASSERT_EQ(m_manager->Save(Wide(path)), KX::S_OK);
    const Bytes old = ReadFile(path);
    ASSERT_EQ(old.size(), LPresetManager::kFileSize);
    ASSERT_EQ(m_engine->SendParamValueToDevice(First() + 30, Blob(17, 1)), KX::S_OK);
    {
        FileSizeLimit full;
        EXPECT_EQ(m_manager->Save(Wide(path)), KX::E_FAIL);
    }
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);

    // Without the model's values nothing is written.
    const fs::path other = m_dir / "other.Kivo61PresetEditor";
    LRootModuleEngine::SetRootModuleEngine(LRootModuleEngine::Create());
    EXPECT_EQ(m_manager->Save(Wide(other)), KX::E_FAIL);
    LRootModuleEngine::SetRootModuleEngine(nullptr);
    EXPECT_EQ(m_manager->Save(Wide(other)), KX::E_FAIL);
    EXPECT_FALSE(fs::exists(other));
    LRootModuleEngine::SetRootModuleEngine(m_engine);
    EXPECT_EQ(m_manager->Save(Wide(m_dir / "no-such-folder" / "x")), KX::E_FAIL);
}

TEST_F(PresetManagerTest, AFailedSaveOrLoadSaysWhyInTheLogAndChangesNoFile)
{
    const Bytes good = SavedFile();
    const auto make = [&](const std::string& name, const Bytes& bytes, mode_t mode) {
        WriteFile(m_dir / name, bytes);
        ASSERT_EQ(::chmod((m_dir / name).c_str(), mode), 0);
        ASSERT_TRUE(GiveToPlainUser(m_dir / name));
    };
    ASSERT_TRUE(GiveToPlainUser(m_dir));
    ASSERT_TRUE(fs::create_directory(m_dir / "read-only"));
    make("read-only/old.Kivo61PresetEditor", good, 0644);
    ASSERT_EQ(::chmod((m_dir / "read-only").c_str(), 0555), 0);
    ASSERT_TRUE(GiveToPlainUser(m_dir / "read-only"));
    make("locked.Kivo61PresetEditor", good, 0444);
    make("full.Kivo61PresetEditor", good, 0644);
    make("secret.Kivo61PresetEditor", good, 0200);
    make("huge.Kivo61PresetEditor", Bytes((1 << 20) + 1, 0), 0644);
    ASSERT_EQ(::mkfifo((m_dir / "pipe.Kivo61PresetEditor").c_str(), 0644), 0);
    ASSERT_EQ(m_engine->SendParamValueToDevice(First() + 30, Blob(17, 1)), KX::S_OK);

    enum Action { Save, SaveOnAFullDisk, Load };
    const struct {
        const char* name;
        Action action;
        fs::path path;
        std::string cause;
    } cases[] = {
        {"a read-only folder", Save, m_dir / "read-only/old.Kivo61PresetEditor", "Permission denied"},
        {"a read-only file", Save, m_dir / "locked.Kivo61PresetEditor", "Permission denied"},
        {"a full disk", SaveOnAFullDisk, m_dir / "full.Kivo61PresetEditor", "File too large"},
        {"a missing folder", Save, m_dir / "none/new.Kivo61PresetEditor", "No such file or directory"},
        {"no read permission", Load, m_dir / "secret.Kivo61PresetEditor", "Permission denied"},
        {"a named pipe", Load, m_dir / "pipe.Kivo61PresetEditor", "not a regular file"},
        {"a missing file", Load, m_dir / "missing.Kivo61PresetEditor", "No such file or directory"},
        {"too large", Load, m_dir / "huge.Kivo61PresetEditor", "larger than 1048576 bytes"},
    };
    for (const auto& c : cases) {
        // A pipe is not read: that would block.
        const Bytes before = fs::is_regular_file(c.path) ? ReadFile(c.path) : Bytes();
        testing::internal::CaptureStderr();
        const int result = RunAsPlainUser([&] {
            if (c.action == Load)
                return m_manager->Load(Wide(c.path)) == LPresetManager::kCorrupt ? 0 : 1;
            std::optional<FileSizeLimit> full;
            if (c.action == SaveOnAFullDisk)
                full.emplace();
            return m_manager->Save(Wide(c.path)) == KX::E_FAIL ? 0 : 1;
        });
        const std::vector<std::string> lines = CapturedLogLines();
        EXPECT_EQ(result, 0) << c.name;
        const std::string line = std::string("Preset file: cannot ") + (c.action == Load ? "read " : "save ") +
                                 c.path.string() + ": " + c.cause;
        EXPECT_EQ(lines, std::vector<std::string>{line}) << c.name;
        if (fs::is_regular_file(c.path)) {
            EXPECT_EQ(ReadFile(c.path), before) << c.name;
        }
    }
    // No file was added beside them.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 6);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "read-only"), fs::directory_iterator()), 1);
}

TEST_F(PresetManagerTest, TheWriterRefusesIncompleteOrMisshapenSets)
{
    KX::Array<KX::ParamValue> values = Model();
    KX::Array<unsigned char> bytes;
    ASSERT_EQ(LPresetManager::WritePresetFile(values, bytes), KX::S_OK);
    EXPECT_EQ(bytes.GetCount(), LPresetManager::kFileSize);
    values.GetAt(40).value = Blob(16, 0);
    EXPECT_EQ(LPresetManager::WritePresetFile(values, bytes), KX::E_FAIL);
    values.SetCount(130);
    EXPECT_EQ(LPresetManager::WritePresetFile(values, bytes), KX::E_FAIL);
    EXPECT_EQ(bytes.GetCount(), LPresetManager::kFileSize);
}

TEST_F(PresetManagerTest, MessagesGoThroughTheHook)
{
    EXPECT_EQ(m_manager->ShowLoadCorruptMessage(), KX::S_OK); // no hook: logged only
    std::vector<std::u16string> texts;
    KX::Test::ScopedService<LPresetManager::MessageHook> hook(
        LPresetManager::MessageHookSlot(), [&](const char16_t* text, const char16_t* caption, uint32_t flags) {
            EXPECT_EQ(std::u16string(caption), u"SETTINGS_FILE_LOAD_CAPTION");
            EXPECT_EQ(flags, 0x10u);
            texts.push_back(text);
            return 7;
        });
    EXPECT_EQ(m_manager->ShowLoadOlderMessage(), 7);
    static_cast<void>(m_manager->ShowLoadNewerMessage());
    static_cast<void>(m_manager->ShowLoadCorruptMessage());
    static_cast<void>(m_manager->ShowLoadWrongDeviceMessage());
    static_cast<void>(m_manager->ShowTranslationFailureMessage());
    const std::vector<std::u16string> expected = {
        u"SETTINGS_FILE_LOAD_OLDER_MESSAGE", u"SETTINGS_FILE_LOAD_NEWER_MESSAGE", u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE",
        u"SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE", u"SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE"};
    EXPECT_EQ(texts, expected);
}

TEST_F(PresetManagerTest, TheManagerListensForControlPanelSettings)
{
    KX::RCPtr<KX::LNotification> n;
    ASSERT_EQ(KX::LNotification::Create(n, u"NID_GLOBAL_LOAD_CONTROL_PANEL_SETTINGS", nullptr), KX::S_OK);
    EXPECT_EQ(KX::GetDefaultNotificationCenter()->SendNotification(n), KX::S_OK);
    m_manager = nullptr; // unregisters
    ASSERT_EQ(KX::LNotification::Create(n, u"NID_GLOBAL_LOAD_CONTROL_PANEL_SETTINGS", nullptr), KX::S_OK);
    EXPECT_EQ(KX::GetDefaultNotificationCenter()->SendNotification(n), KX::S_FALSE);
}

} // namespace KX::Test
