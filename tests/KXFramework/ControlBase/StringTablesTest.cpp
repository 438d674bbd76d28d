#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/ControlBase/StringTable.h"
#include "KXFramework/Notification/KeyBindingMap.h"
#include "KXFramework/Platform/Resources/Resources.h"

#include "DocumentResources.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>

namespace KX::Test {
namespace {

std::u16string Text(const String& s)
{
    return std::u16string(s.GetString(), s.GetLength());
}

// The text of key in table, or "<absent>".
std::u16string Lookup(const RCPtr<LStringTable>& table, const char16_t* key)
{
    String text(u"<absent>");
    if (table)
        table->GetString(key, text);
    return Text(text);
}

TEST(StringTable, GetKeepsTheCallersDefaultAndSetReportsAddOrReplace)
{
    LStringTable table;
    EXPECT_EQ(table.SetString(String(u"LABEL"), String(u"Send")), S_OK);
    EXPECT_EQ(table.SetString(String(u"LABEL"), String(u"Send Preset")), S_FALSE);
    EXPECT_EQ(table.SetString(String(), String(u"x")), E_INVALIDARG);
    EXPECT_EQ(table.GetEntries().size(), 1u);

    String text(u"default");
    EXPECT_FALSE(table.GetString(u"label", text));
    EXPECT_EQ(Text(text), u"default");
    EXPECT_TRUE(table.GetString(u"LABEL", text));
    EXPECT_EQ(Text(text), u"Send Preset");
}

TEST(StringTable, HotKeysLoadFromATable)
{
    KeyBindingMap map;
    EXPECT_EQ(map.LoadFromStringTable(RCPtr<LStringTable>(), String(u"GHK")), E_INVALIDARG);

    RCPtr<LStringTable> table(new LStringTable());
    ASSERT_GE(table->SetString(String(u"GHK.NID_EDIT_DELETE_REQ"), String(u"VKEY_DELETE")), 0);
    ASSERT_GE(table->SetString(String(u"GHK_WIN.NID_APP_EXIT_REQ"), String(u"Alt+VKEY_F4")), 0);
    EXPECT_EQ(map.LoadFromStringTable(table, String(u"GHK")), S_OK);
    EXPECT_TRUE(map.HasNotification(u"NID_EDIT_DELETE_REQ"));
    EXPECT_FALSE(map.HasNotification(u"NID_APP_EXIT_REQ"));
}

// Framework texts in English, German and Traditional Chinese; one key only in Estonian.
const char kFramework[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_StringTable_Definitions>
  <StringTable ID="Framework">
    <String ID="EDIT_CUT">
      <Locale LCID="0x0009">Cut</Locale>
      <Locale LCID="0x0007">Ausschneiden</Locale>
      <Locale LCID="0x7C04">&#x526A;&#x4E0B;</Locale>
    </String>
    <String ID="ESTONIAN_ONLY"><Locale LCID="0x0025">Ainult</Locale></String>
  </StringTable>
</Velmora_StringTable_Definitions>
)";

const char kApplication[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Velmora_StringTable_Definitions>
  <Application Name="PresetEditor"/>
  <StringTable ID="|PresetEditor">
    <String ID="GHK.NID_EDIT_DELETE_REQ"><Locale LCID="9">VKEY_DELETE</Locale></String>
  </StringTable>
  <StringTable ID="PresetEditor|mainControl">
    <String ID="LABEL"><Locale LCID="0x0009">Main</Locale></String>
  </StringTable>
  <StringTable ID="PresetEditor.Control.PresetSlotCombobox|comboBox">
    <String ID="ITEM.00"><Locale LCID="0x0009">RAM</Locale></String>
    <String ID="ITEM.01"><Locale LCID="0x0009">Preset 1</Locale><Locale LCID="0x0009">, again</Locale></String>
  </StringTable>
  <StringTable ID="PresetEditor|mainControl">
    <String ID="TOOLTIP"><Locale LCID="0x0009">Tip <![CDATA[<1>]]> &amp; more</Locale></String>
  </StringTable>
</Velmora_StringTable_Definitions>
)";

class StringTableLoading : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_documents.Set(u"FRAMEWORK_STRINGS", kFramework);
        m_documents.Set(u"APP_STRINGS", kApplication);
    }

    KXRESULT Load(uint32_t language)
    {
        return m_factory->LoadStringTables(String(u"::FRAMEWORK_STRINGS"), String(u"::APP_STRINGS"), language);
    }

    RCPtr<LStringTable> Framework() const
    {
        RCPtr<LStringTable> table;
        m_factory->GetFrameworkStringTable(table);
        return table;
    }

    DocumentResources m_documents;
    RCPtr<LControlFactory> m_factory{new LControlFactory(String(u"Unnamed"))};
};

struct FallbackCase {
    uint32_t user;
    const char16_t* cut;
    uint32_t settled;
};

void PrintTo(const FallbackCase& c, std::ostream* os)
{
    *os << std::hex << c.user;
}

class LanguageFallback : public StringTableLoading, public ::testing::WithParamInterface<FallbackCase> {};

TEST_P(LanguageFallback, FrameworkFallsBackToPrimaryThenEnglishAndTheApplicationFollows)
{
    ASSERT_EQ(Load(GetParam().user), S_OK);
    EXPECT_EQ(Lookup(Framework(), u"EDIT_CUT"), GetParam().cut);
    EXPECT_EQ(Lookup(Framework(), u"ESTONIAN_ONLY"), u"<absent>");
    RCPtr<LStringTable> application;
    m_factory->GetApplicationStringTable(application);
    EXPECT_EQ(Lookup(application, u"GHK.NID_EDIT_DELETE_REQ"), u"VKEY_DELETE");
    EXPECT_EQ(m_factory->GetLanguageId(), GetParam().settled);
}

INSTANTIATE_TEST_SUITE_P(StringTableLoading, LanguageFallback,
                         ::testing::Values(FallbackCase{0x0409, u"Cut", 0x0009},          // English (US): pass 2
                                           FallbackCase{0x0009, u"Cut", 0x0009},          // English: pass 1
                                           FallbackCase{0x0407, u"Ausschneiden", 0x0009}, // German: app in English
                                           FallbackCase{0x0007, u"Ausschneiden", 0x0009},
                                           FallbackCase{0x0C04, u"\u526A\u4E0B", 0x0009}, // Hong Kong: 0x7C04
                                           FallbackCase{0x0404, u"\u526A\u4E0B", 0x0009},
                                           FallbackCase{0x0804, u"Cut", 0x0009},  // Simplified: 0x0004
                                           FallbackCase{0x0816, u"Cut", 0x0009}), // Portuguese: English
                         [](const ::testing::TestParamInfo<FallbackCase>& info) {
                             char name[16];
                             std::snprintf(name, sizeof name, "Language%04X", info.param.user);
                             return std::string(name);
                         });

TEST_F(StringTableLoading, TablesAreFoundByParentClassAndNameAndHandedOutAsCopies)
{
    ASSERT_EQ(Load(0x0409), S_OK);
    EXPECT_EQ(Text(m_factory->GetApplicationName()), u"PresetEditor");

    RCPtr<LStringTable> main;
    m_factory->GetStringTable(main, String(), String(u"mainControl"));
    // A repeated table ID adds to the same table; entity and CDATA pieces are joined.
    EXPECT_EQ(Lookup(main, u"LABEL"), u"Main");
    EXPECT_EQ(Lookup(main, u"TOOLTIP"), u"Tip <1> & more");

    RCPtr<LStringTable> combo;
    m_factory->GetStringTable(combo, String(u"PresetEditor.Control.PresetSlotCombobox"), String(u"comboBox"));
    EXPECT_EQ(Lookup(combo, u"ITEM.00"), u"RAM");
    // A second matching Locale of one key appends to its text.
    EXPECT_EQ(Lookup(combo, u"ITEM.01"), u"Preset 1, again");

    ASSERT_GE(combo->SetString(String(u"ITEM.00"), String(u"changed")), 0);
    RCPtr<LStringTable> again;
    m_factory->GetStringTable(again, String(u"PresetEditor.Control.PresetSlotCombobox"), String(u"comboBox"));
    EXPECT_EQ(Lookup(again, u"ITEM.00"), u"RAM");

    RCPtr<LStringTable> none;
    m_factory->GetStringTable(none, String(u"Framework.Button"), String(u"comboBox"));
    EXPECT_FALSE(none);
}

TEST_F(StringTableLoading, MissingDocumentsLeaveEmptyTablesAndTheApplicationIsReadWithTheUsersLanguage)
{
    ASSERT_EQ(m_factory->LoadStringTables(String(u"::NOT_THERE"), String(u"::APP_STRINGS"), 0x0407), S_OK);
    EXPECT_FALSE(Framework());
    RCPtr<LStringTable> application;
    m_factory->GetApplicationStringTable(application);
    EXPECT_EQ(Lookup(application, u"GHK.NID_EDIT_DELETE_REQ"), u"VKEY_DELETE");

    RCPtr<LControlFactory> empty(new LControlFactory(String(u"PresetEditor")));
    m_documents.Set(u"EMPTY", "");
    EXPECT_EQ(empty->LoadStringTables(String(u"::EMPTY"), String(u"::MISSING"), 0x0409), S_OK);
    empty->GetApplicationStringTable(application);
    EXPECT_FALSE(application);
}

TEST_F(StringTableLoading, AMalformedDocumentKeepsWhatCameBeforeTheFault)
{
    m_documents.Set(u"FRAMEWORK_STRINGS", "<Root>\n<StringTable ID=\"Framework\">\n"
                                          "<String ID=\"EDIT_CUT\"><Locale LCID=\"9\">Cut</Locale></String>\n"
                                          "<String ID=\"EDIT_COPY\"><Locale LCID=\"9\">Co</Wrong>\n");
    ASSERT_EQ(Load(0x0009), S_OK);
    EXPECT_EQ(Lookup(Framework(), u"EDIT_CUT"), u"Cut");
    EXPECT_EQ(Lookup(Framework(), u"EDIT_COPY"), u"Co");
    EXPECT_EQ(Text(m_factory->GetLastParseError().text), u"mismatched tag");
    EXPECT_EQ(m_factory->GetLastParseError().line, 4);
}

// Entities that expand to `count` Locales of one key, each holding `piece`, then a second key.
std::string RepeatedLocales(int count, const std::string& piece)
{
    std::string text = "<!DOCTYPE R [<!ENTITY a \"<Locale LCID='9'>" + piece + "</Locale>\">";
    std::string previous = "a";
    for (int left = count; left > 1; left /= 10) {
        const std::string name = previous + "a";
        text += "<!ENTITY " + name + " \"";
        for (int i = 0; i < 10; ++i)
            text += "&" + previous + ";";
        text += "\">";
        previous = name;
    }
    return text + "]>\n<R><StringTable ID=\"Framework\"><String ID=\"MANY\">&" + previous +
           ";</String>\n<String ID=\"AFTER\"><Locale LCID=\"9\">after</Locale></String></StringTable></R>";
}

TEST_F(StringTableLoading, ManyLocalesOfOneKeyAreJoinedInOrder)
{
    m_documents.Set(u"FRAMEWORK_STRINGS", RepeatedLocales(10000, "0123456789"));
    ASSERT_EQ(Load(0x0009), S_OK);
    String text;
    ASSERT_TRUE(Framework()->GetString(u"MANY", text));
    ASSERT_EQ(text.GetLength(), 100000u);
    EXPECT_EQ(Text(text.Left(12)), u"012345678901");
    EXPECT_EQ(Text(text.Right(3)), u"789");
    EXPECT_EQ(Lookup(Framework(), u"AFTER"), u"after");
}

TEST_F(StringTableLoading, TextBeyondTheDocumentsLimitEndsItAndKeepsWhatCameBefore)
{
    // 10,000 Locales of 1,000 bytes: 10 MB of text from a document of a few kilobytes.
    m_documents.Set(u"FRAMEWORK_STRINGS", RepeatedLocales(10000, std::string(1000, 'x')));
    ASSERT_EQ(Load(0x0009), S_OK);
    EXPECT_EQ(Text(m_factory->GetLastParseError().text), u"text outgrows the document by more than 1048576 bytes");
    String text;
    ASSERT_TRUE(Framework()->GetString(u"MANY", text));
    EXPECT_GT(text.GetLength(), 1000000u);
    EXPECT_LE(text.GetLength(), XmlParser::kMaxExpandedText + 4096);
    EXPECT_EQ(Lookup(Framework(), u"AFTER"), u"<absent>");
}

TEST_F(StringTableLoading, TextThatOnlyTranscodingLengthensIsReadWhole)
{
    // Each Latin-1 byte above 0x7F is two bytes of UTF-8: 2.4 MB of text from a 1.2 MB document.
    m_documents.Set(u"FRAMEWORK_STRINGS", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><R>"
                                          "<StringTable ID=\"Framework\"><String ID=\"LONG\"><Locale LCID=\"9\">" +
                                              std::string(1200000, '\xE9') + "</Locale></String></StringTable></R>");
    ASSERT_EQ(Load(0x0009), S_OK);
    EXPECT_TRUE(m_factory->GetLastParseError().text.IsEmpty());
    String text;
    ASSERT_TRUE(Framework()->GetString(u"LONG", text));
    EXPECT_EQ(text.GetLength(), 1200000u);
    EXPECT_EQ(Text(text.Right(1)), u"\u00E9");
}

TEST_F(StringTableLoading, UTF16DocumentsWithAByteOrderMarkAreRead)
{
    const std::u16string text = u"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><R><StringTable ID=\"Framework\">"
                                u"<String ID=\"EDIT_CUT\"><Locale LCID=\"0x0009\">Coupe \u00E9\u20AC</Locale></String>"
                                u"</StringTable></R>";
    std::string bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    m_documents.Set(u"FRAMEWORK_STRINGS", bytes);
    ASSERT_EQ(Load(0x0009), S_OK);
    EXPECT_EQ(Lookup(Framework(), u"EDIT_CUT"), u"Coupe \u00E9\u20AC");
}

TEST_F(StringTableLoading, FolderSourcesReadTheDocumentFiles)
{
    TempFolder folder;
    TempFolder::WriteFile(folder / "FrameworkStrings.xml", kFramework);
    TempFolder::WriteFile(folder / "StringTables.xml", kApplication);
    const DocumentSources sources = LControlFactory::GetDocumentSources(String(folder.Path().c_str()));
    EXPECT_EQ(Text(sources.skin), Text(String((folder / "Skins.xml").c_str())));
    EXPECT_EQ(Text(sources.imagePrefix), Text(String((folder.Path() + "/").c_str())));

    ASSERT_EQ(m_factory->LoadStringTables(sources.frameworkStrings, sources.applicationStrings, 0x0407), S_OK);
    EXPECT_EQ(Lookup(Framework(), u"EDIT_CUT"), u"Ausschneiden");

    const DocumentSources resources = LControlFactory::GetDocumentSources(String(u"::"));
    EXPECT_EQ(Text(resources.frameworkStrings), u"::FRAMEWORK_STRINGS");
    EXPECT_EQ(Text(resources.applicationStrings), u"::APP_STRINGS");
    EXPECT_EQ(Text(resources.skin), u"::APP_SKINS");
    EXPECT_EQ(Text(resources.imagePrefix), u"::");
}

TEST_F(StringTableLoading, AFileBeyondTheSizeLimitIsABufferThatCannotBeHad)
{
    TempFolder folder;
    const std::string path = folder / "StringTables.xml";
    TempFolder::WriteFile(path, "");
    std::filesystem::resize_file(path, LControlFactory::kMaxDocumentSize + 1);
    EXPECT_EQ(m_factory->LoadStringTables(String((folder / "none.xml").c_str()), String(path.c_str()), 9),
              E_OUTOFMEMORY);
    EXPECT_EQ(m_factory->LoadSkin(String(path.c_str())), E_OUTOFMEMORY);
}

TEST(FrameworkStrings, TheEmbeddedTableHoldsTheFrameworkKeysInEnglish)
{
    RegisterEmbeddedResources();
    RCPtr<LControlFactory> factory(new LControlFactory(String(u"PresetEditor")));
    ASSERT_EQ(factory->LoadStringTables(String(u"::FRAMEWORK_STRINGS"), String(u"::APP_STRINGS"), 0x0411), S_OK);
    SetResourceTable(nullptr, 0);
    RCPtr<LStringTable> table;
    factory->GetFrameworkStringTable(table);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->GetEntries().size(), 35u);
    EXPECT_EQ(Lookup(table, u"EXCEPTION_ID"),
              u"The application has encountered Error ID %d.  Please contact Velmora Technical Support.");
    EXPECT_EQ(Lookup(table, u"GL_ERROR_MESSAGE_GET_PROC_ADDRESS"),
              u"wglGetProcAddress(\\\"wglGetExtensionsStringARB\\\") failed with error %d: %s.");
    EXPECT_EQ(Lookup(table, u"REMAINING"), u"Remaining");
}

} // namespace
} // namespace KX::Test
