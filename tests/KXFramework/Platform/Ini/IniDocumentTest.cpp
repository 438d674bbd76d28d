#include "KXFramework/Platform/Ini/IniDocument.h"

#include <gtest/gtest.h>

namespace KX::Test {

namespace {

using KX::Platform::Ini::IniDocument;
using Change = IniDocument::Change;

IniDocument Parsed(std::string_view text)
{
    IniDocument doc;
    EXPECT_TRUE(doc.Parse(text));
    return doc;
}

TEST(IniDocument, AwkwardValuesSurviveARoundTrip)
{
    const std::string values[] = {
        "",
        " leading",
        "trailing ",
        "  both  ",
        "a=b=c",
        "#not a comment",
        ";nor this",
        "back\\slash\\",
        "\\n stays literal",
        "line\nbreak\r\nand\ttab",
        "Grüße, 日本語 ✓",
        "[x]",
        "\\",
        " ",
    };
    IniDocument doc = IniDocument::CreateNew("Kivo 61 Preset Editor", "1_0_0");
    int i = 0;
    for (const std::string& value : values)
        ASSERT_EQ(doc.SetValue("Section/Sub", "k" + std::to_string(i++), value), Change::Made) << value;

    const IniDocument reread = Parsed(doc.Serialize());
    i = 0;
    for (const std::string& value : values)
        EXPECT_EQ(reread.GetValue("section/sub", "K" + std::to_string(i++)), value);
    EXPECT_EQ(reread.GetMetadata("product"), "Kivo 61 Preset Editor");
    EXPECT_EQ(reread.GetMetadata("version"), "1_0_0");
}

TEST(IniDocument, LinesNoChangeTouchesAreKeptByteForByte)
{
    const std::string text = "\xEF\xBB\xBF# comment=1\r\n"
                             "; another=2\r\n"
                             "  ;x=3\r\n"
                             "not a pair\r\n"
                             "  Spaced Key  =  \\svalue\\s  \r\n"
                             "bad=\xFF\xFE bytes\r\n"
                             "\r\n"
                             "[Recent]\r\n"
                             "0=a\r\n"
                             "\t[ weird header ] \r\n"
                             "x = 1 ; not a comment\r\n"
                             "trailing line without ending";
    IniDocument doc = Parsed(text);
    EXPECT_EQ(doc.Serialize(), text);
    EXPECT_EQ(doc.GetValue("", "spaced key"), " value ");
    EXPECT_EQ(doc.GetValue("", "bad"), "\xEF\xBF\xBD\xEF\xBF\xBD bytes");
    EXPECT_EQ(doc.GetValue("weird header", "x"), "1 ; not a comment");
    // Comment lines are not keys, whatever they hold.
    EXPECT_EQ(doc.GetKeyNames(""), (std::vector<std::string>{"Spaced Key", "bad"}));

    // Only the changed line is rewritten; its key spelling and line ending stay.
    ASSERT_EQ(doc.SetValue("RECENT", "0", "b"), Change::Made);
    std::string expected = text;
    expected.replace(expected.find("0=a"), 3, "0=b");
    EXPECT_EQ(doc.Serialize(), expected);
    EXPECT_EQ(doc.SetValue("Recent", "0", "b"), Change::None);

    ASSERT_EQ(doc.SetValue("", "Spaced Key", "v"), Change::Made);
    const std::string oldLine = "  Spaced Key  =  \\svalue\\s  ";
    expected.replace(expected.find(oldLine), oldLine.size(), "  Spaced Key  =v");
    EXPECT_EQ(doc.Serialize(), expected);
}

TEST(IniDocument, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEndOfTheFile)
{
    IniDocument doc = Parsed("# head\n@version=1\nA=1\n\n[S]\nB=2\n# tail of S\n\n[T]\nC=3");
    ASSERT_EQ(doc.SetValue("", "Top", "t"), Change::Made);
    ASSERT_EQ(doc.SetValue("s", "B2", "b"), Change::Made);
    ASSERT_EQ(doc.SetValue("T", "D", "d"), Change::Made);
    ASSERT_EQ(doc.SetValue("New/Node", "E", "e"), Change::Made);
    EXPECT_EQ(doc.Serialize(), "# head\n@version=1\nA=1\nTop=t\n\n[S]\nB=2\nB2=b\n# tail of S\n\n[T]\nC=3\nD=d\n"
                               "\n[New/Node]\nE=e\n");

    // A file with no key at the top level gets its first one before the first section.
    IniDocument sectionsOnly = Parsed("# only\n\n[S]\nB=2\n");
    ASSERT_EQ(sectionsOnly.SetValue("", "CurrentSkinIndex", "0"), Change::Made);
    EXPECT_EQ(sectionsOnly.Serialize(), "# only\nCurrentSkinIndex=0\n\n[S]\nB=2\n");
}

// What every section of interest holds, as a reader sees it.
std::string Reading(const IniDocument& doc)
{
    std::string out;
    for (const char* section : {"", "s", "t", "]=[", "new"}) {
        if (!doc.HasSection(section))
            continue;
        out += std::string("[") + section + "]";
        for (const std::string& key : doc.GetKeyNames(section))
            out += " " + key + "=" + doc.GetValue(section, key).value_or("?");
        out += "\n";
    }
    return out;
}

TEST(IniDocument, WritingNeverChangesHowExistingLinesRead)
{
    // Every line ending, mixed, with and without one at the end; a CR of its own ends some lines.
    const std::string documents[] = {
        "\n[]=[]\r",
        "a=1\r",
        "[s]\r",
        "a=1\nb=2\n",
        "a=1\r\nb=2\r\n",
        "a=1\nb=2",
        "a=1\rb=2\r",
        "a=1\r\n[s]\rb=2\n[t]\r\nc=3\r",
        "[s]\nb=2\r",
        "[s]\r\nb=2\r\n\r",
        "\r",
        "\r\n\r",
    };
    for (const std::string& text : documents)
        for (const char* section : {"", "s", "new"}) {
            IniDocument doc = Parsed(text);
            ASSERT_EQ(doc.Serialize(), text);
            const IniDocument original = doc;
            ASSERT_EQ(doc.SetValue(section, "FuzzKey", ""), Change::Made);
            const IniDocument reread = Parsed(doc.Serialize());
            EXPECT_EQ(reread.GetValue(section, "FuzzKey"), "") << testing::PrintToString(text) << " in " << section;
            // Apart from the new key, the file reads as before.
            const std::string before = Reading(original);
            std::string after = Reading(reread);
            const size_t added = after.find(" FuzzKey=");
            ASSERT_NE(added, std::string::npos);
            after.erase(added, 9);
            if (!original.HasSection(section))
                after.erase(after.find(std::string("[") + section + "]\n"), std::string(section).size() + 3);
            EXPECT_EQ(after, before) << testing::PrintToString(text) << " in " << section;
        }
}

TEST(IniDocument, NamesIgnoreCaseAndTheFirstOfADuplicatedKeyWins)
{
    IniDocument doc = Parsed("[Sec]\nKey=first\nkey=second\n[sec]\nOther=x\n[Empty]\n");
    EXPECT_EQ(doc.GetValue("SEC", "KEY"), "first");
    EXPECT_EQ(doc.GetKeyNames("sec"), (std::vector<std::string>{"Key", "Other"}));
    EXPECT_TRUE(doc.HasSection("empty"));
    EXPECT_FALSE(doc.HasSection("missing"));
    EXPECT_EQ(doc.GetValue("missing", "Key"), std::nullopt);
    ASSERT_EQ(doc.SetValue("sec", "KEY", "changed"), Change::Made);
    EXPECT_EQ(doc.Serialize(), "[Sec]\nKey=changed\nkey=second\n[sec]\nOther=x\n[Empty]\n");
    // Metadata is not a key, and "@" lines inside a section are not metadata.
    IniDocument meta = Parsed("@version=2\n[S]\n@version=3\n");
    EXPECT_EQ(meta.GetMetadata("version"), "2");
    EXPECT_TRUE(meta.GetKeyNames("").empty());
}

TEST(IniDocument, ArraysAppendTruncateAndRenumber)
{
    IniDocument doc = Parsed("[List]\n0=a\n1 =  b  \n2=c\n# note\n4=not in the run\n");
    EXPECT_EQ(doc.GetArrayCount("list"), 3);
    EXPECT_EQ(doc.GetArrayCount("missing"), 0);

    doc.RemoveArrayItem("List", 0);
    EXPECT_EQ(doc.Serialize(), "[List]\n0=  b  \n1 =c\n# note\n4=not in the run\n");
    EXPECT_EQ(doc.GetArrayCount("List"), 2);

    ASSERT_EQ(doc.SetArrayCount("List", 4), Change::Made);
    EXPECT_EQ(doc.GetArrayCount("List"), 5); // the new item 3 joins the old "4"
    ASSERT_EQ(doc.SetArrayCount("List", 1), Change::Made);
    EXPECT_EQ(doc.Serialize(), "[List]\n0=  b  \n# note\n");
    EXPECT_EQ(doc.SetArrayCount("List", 1), Change::None);

    ASSERT_EQ(doc.SetArrayCount("Fresh", 2), Change::Made);
    EXPECT_EQ(doc.GetValue("Fresh", "1"), "");
    EXPECT_EQ(doc.GetArrayCount("Fresh"), 2);
}

TEST(IniDocument, RefusesTextThatIsNotASettingsFile)
{
    IniDocument doc;
    EXPECT_FALSE(doc.Parse(std::string_view("A=1\n\0binary", 12)));
    EXPECT_FALSE(doc.Parse(std::string(IniDocument::kMaxBytes + 1, 'a')));
    EXPECT_FALSE(doc.Parse(std::string(IniDocument::kMaxLines + 1, '\n')));
    EXPECT_TRUE(doc.Parse(std::string(IniDocument::kMaxLines, '\n')));
    EXPECT_TRUE(doc.Parse(""));
    EXPECT_EQ(doc.Serialize(), "");

    // Nor does it grow into one: a change that would make the file unreadable is refused.
    ASSERT_TRUE(doc.Parse(std::string(IniDocument::kMaxLines - 1, '\n')));
    EXPECT_EQ(doc.SetValue("S", "K", "v"), Change::TooLarge);
    EXPECT_EQ(doc.SetArrayCount("", 2), Change::TooLarge);
}

TEST(IniDocument, StorableNames)
{
    using KX::Platform::Ini::IsStorableKey;
    using KX::Platform::Ini::IsStorableSection;
    for (const char* key : {"CurrentSkinIndex", "0", "a b", "ключ"})
        EXPECT_TRUE(IsStorableKey(key)) << key;
    for (const char* key : {"", "#a", ";a", "[a", "@a", "a=b", "a\nb", "a\rb", " a", "a\t"})
        EXPECT_FALSE(IsStorableKey(key)) << key;
    EXPECT_FALSE(IsStorableKey(std::string_view("a\0b", 3)));
    EXPECT_TRUE(IsStorableSection(""));
    EXPECT_TRUE(IsStorableSection("Some/Node"));
    EXPECT_FALSE(IsStorableSection(" S"));
    EXPECT_FALSE(IsStorableSection("a\nb"));
}

} // namespace

} // namespace KX::Test
