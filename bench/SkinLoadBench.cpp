// Loading a skin the size of the editor's (about 4,400 controls, 1,000 looks) with its string
// tables for an English (US) user, beside expat's own parse of the same bytes with empty handlers. The goal is a whole
// load within twice expat's time; "heldBytes" is the heap the loaded descriptors and tables keep.
// The editor's own generated skin and string tables are timed the same way, as a ratio in one run.
#include "KXFramework/ControlBase/ControlFactory.h"
#include "KXFramework/Platform/Resources/Resources.h"

#include <benchmark/benchmark.h>
#include <expat.h>
#include <malloc.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace {

std::string Attribute(const char* name, const std::string& value)
{
    return std::string(" ") + name + "=\"" + value + "\"";
}

void AddControls(std::string& out, int depth, int& remaining, int& serial)
{
    for (int i = 0; i < (depth == 0 ? 8 : 5) && remaining > 0; ++i) {
        --remaining;
        const std::string name = "control" + std::to_string(serial++);
        out += "<SubControl" + Attribute("Class", "PresetEditor.Panel" + std::to_string(serial % 40)) +
               Attribute("Name", name) + Attribute("LayoutOrder", std::to_string(serial % 7)) +
               Attribute("TabStop", std::to_string(serial % 5)) + Attribute("ClipToParent", "True") +
               Attribute("XPositionToControl", "Client") + Attribute("XPositionRel", "0.5") +
               Attribute("XPositionAbs", "12") + Attribute("YPositionAbs", "40") + Attribute("XSizeAbs", "120") +
               Attribute("YSizeAbs", "24") + Attribute("YSizeToControl", "Client") + Attribute("YSizeRel", "1") +
               Attribute("FontName", "Arial") + Attribute("FontSize", "9.75") + Attribute("FontStyle", "0") + ">";
        if (serial % 3 == 0)
            out += "<CreateParamList><CreateParam ID=\"NOT_FOCUSABLE\" Type=\"Boolean\">True</CreateParam>"
                   "<CreateParam ID=\"USE_PARENT_TOOLTIP\" Type=\"Boolean\">True</CreateParam></CreateParamList>";
        out +=
            "<Skin" + Attribute("Name", "s" + name) + Attribute("LookList", "list" + std::to_string(serial % 68)) + ">";
        if (depth < 5)
            AddControls(out, depth + 1, remaining, serial);
        out += "</Skin></SubControl>\n";
    }
}

std::string MakeSkin()
{
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Velmora_Skin_Definitions>"
                      "<Application Name=\"PresetEditor\">\n<Colorizers>\n";
    for (int i = 0; i < 42; ++i)
        out += "<Colorizer" + Attribute("Name", "c" + std::to_string(i)) + Attribute("ColorType", "SolidFill") +
               Attribute("Color", "0xFF20408" + std::to_string(i % 10)) + "/>\n";
    out += "</Colorizers>\n<Parts>\n";
    for (int i = 0; i < 349; ++i)
        out += "<Part" + Attribute("Name", "p" + std::to_string(i)) + Attribute("Width", "16") +
               Attribute("Height", "16") + Attribute("ResizeType", "Stretch") +
               Attribute("ColorizerName", "c" + std::to_string(i % 42)) + "/>\n";
    out += "</Parts>\n<Looks>\n";
    for (int i = 0; i < 1000; ++i) {
        const std::string part = "p" + std::to_string(i % 349);
        out += "<Look" + Attribute("Name", "look" + std::to_string(i)) + ">" + "<ClientPart" + Attribute("Name", part) +
               " OffsetLeft=\"1\" OffsetTop=\"1\" OffsetRight=\"-1\" OffsetBottom=\"-1\"/>"
               "<NonClientParts Name=\"n\"><NonClientPart" +
               Attribute("Name", part) + " OffsetLeft=\"0\" OffsetTop=\"0\" OffsetBottom=\"0\" Width=\"1\"/>" +
               "</NonClientParts><TextProperties TextLeftRel=\"0\" TextLeftAbs=\"4\" TextRightRel=\"1\" "
               "TextRightAbs=\"-4\" TextHAlign=\"0.5\" TextTopRel=\"0\" TextTopAbs=\"0\" TextBottomRel=\"1\" "
               "TextBottomAbs=\"0\" TextVAlign=\"0.5\"" +
               Attribute("TextForegroundPart", part) + "/></Look>\n";
    }
    out += "</Looks>\n<LookLists>\n";
    for (int i = 0; i < 68; ++i) {
        out += "<LookList" + Attribute("Name", "list" + std::to_string(i)) + " NumLooks=\"14\">";
        for (int j = 0; j < 8; ++j)
            out += "<Look" + Attribute("Name", "look" + std::to_string((i * 8 + j) % 1000)) +
                   Attribute("Index", std::to_string(j)) + "/>";
        out += "</LookList>\n";
    }
    out += "</LookLists>\n<Skins><Skin Name=\"Skin1\" FontName=\"Arial\" FontSize=\"9\" FontStyle=\"0\">\n";
    int remaining = 4400;
    int serial = 0;
    while (remaining > 0)
        AddControls(out, 0, remaining, serial);
    return out + "</Skin></Skins></Application></Velmora_Skin_Definitions>\n";
}

std::string MakeStringTables()
{
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Velmora_StringTable_Definitions>"
                      "<Application Name=\"PresetEditor\"/>\n";
    for (int i = 0; i < 137; ++i) {
        out += "<StringTable" + Attribute("ID", "PresetEditor.Panel" + std::to_string(i) + "|control") + ">";
        for (int j = 0; j < 8; ++j)
            out += "<String" + Attribute("ID", "ITEM.0" + std::to_string(j)) + "><Locale LCID=\"0x0009\">Item " +
                   std::to_string(j) + "</Locale></String>";
        out += "</StringTable>\n";
    }
    return out + "</Velmora_StringTable_Definitions>\n";
}

// The framework's own table: 35 keys in nine languages.
std::string MakeFrameworkStrings()
{
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Velmora_StringTable_Definitions>"
                      "<StringTable ID=\"Framework\">\n";
    for (int i = 0; i < 35; ++i) {
        out += "<String" + Attribute("ID", "KEY_" + std::to_string(i)) + ">";
        for (const char* language :
             {"0x0009", "0x000A", "0x0007", "0x0011", "0x000C", "0x0010", "0x0012", "0x7C04", "0x0004"})
            out += "<Locale" + Attribute("LCID", language) + ">Text of key " + std::to_string(i) + "</Locale>";
        out += "</String>\n";
    }
    return out + "</StringTable></Velmora_StringTable_Definitions>\n";
}

struct Documents {
    std::string skin = MakeSkin();
    std::string strings = MakeStringTables();
    std::string framework = MakeFrameworkStrings();
    KX::ResourceEntry entries[3] = {
        {u"KXXML", u"APP_SKINS", reinterpret_cast<const unsigned char*>(skin.data()), skin.size()},
        {u"KXXML", u"APP_STRINGS", reinterpret_cast<const unsigned char*>(strings.data()), strings.size()},
        {u"KXXML", u"FRAMEWORK_STRINGS", reinterpret_cast<const unsigned char*>(framework.data()), framework.size()}};
};

Documents& TheDocuments()
{
    static Documents documents;
    KX::SetResourceTable(documents.entries, 3);
    return documents;
}

void XMLCALL IgnoreStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL IgnoreEnd(void*, const XML_Char*) {}
void XMLCALL IgnoreText(void*, const XML_Char*, int) {}

void ExpatParse(const std::string& bytes)
{
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetElementHandler(parser, IgnoreStart, IgnoreEnd);
    XML_SetCharacterDataHandler(parser, IgnoreText);
    if (XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) != XML_STATUS_OK)
        std::abort();
    XML_ParserFree(parser);
}

void BM_ExpatParseOnly(benchmark::State& state)
{
    const Documents& documents = TheDocuments();
    for (auto _ : state) {
        ExpatParse(documents.framework);
        ExpatParse(documents.strings);
        ExpatParse(documents.skin);
    }
    state.counters["skinBytes"] = static_cast<double>(documents.skin.size());
}
BENCHMARK(BM_ExpatParseOnly)->Unit(benchmark::kMillisecond);

void BM_LoadStringTablesAndSkin(benchmark::State& state)
{
    TheDocuments();
    size_t held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const size_t before = mallinfo2().uordblks;
        state.ResumeTiming();
        KX::RCPtr<KX::LControlFactory> factory(new KX::LControlFactory(KX::String(u"PresetEditor")));
        if (factory->LoadStringTables(KX::String(u"::FRAMEWORK_STRINGS"), KX::String(u"::APP_STRINGS"), 0x0409) !=
                KX::S_OK ||
            factory->LoadSkin(KX::String(u"::APP_SKINS")) != KX::S_OK)
            std::abort();
        state.PauseTiming();
        held = mallinfo2().uordblks - before;
        factory = nullptr;
        state.ResumeTiming();
    }
    state.counters["heldBytes"] = static_cast<double>(held);
}
BENCHMARK(BM_LoadStringTablesAndSkin)->Unit(benchmark::kMillisecond);

std::string ReadGenerated(const char* name)
{
    std::ifstream in(std::string(KIVO_RESOURCE_FOLDER) + "/" + name, std::ios::binary);
    if (!in)
        std::abort();
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct GeneratedDocuments {
    std::string skin = ReadGenerated("Skins.xml");
    std::string strings = ReadGenerated("StringTables.xml");
    std::string framework = ReadGenerated("FrameworkStrings.xml");
    KX::ResourceEntry entries[3] = {
        {u"KXXML", u"APP_SKINS", reinterpret_cast<const unsigned char*>(skin.data()), skin.size()},
        {u"KXXML", u"APP_STRINGS", reinterpret_cast<const unsigned char*>(strings.data()), strings.size()},
        {u"KXXML", u"FRAMEWORK_STRINGS", reinterpret_cast<const unsigned char*>(framework.data()), framework.size()}};
};

// Mean seconds of one call over 20 calls.
double Mean(const std::function<void()>& call)
{
    constexpr int kRounds = 20;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i)
        call();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRounds;
}

void BM_GeneratedSkinOverExpat(benchmark::State& state)
{
    static GeneratedDocuments documents;
    KX::SetResourceTable(documents.entries, 3);
    for (auto _ : state) {
        const double load = Mean([] {
            KX::RCPtr<KX::LControlFactory> factory(new KX::LControlFactory(KX::String(u"PresetEditor")));
            if (factory->LoadStringTables(KX::String(u"::FRAMEWORK_STRINGS"), KX::String(u"::APP_STRINGS"), 0x0409) !=
                    KX::S_OK ||
                factory->LoadSkin(KX::String(u"::APP_SKINS")) != KX::S_OK)
                std::abort();
        });
        const double expat = Mean([] {
            ExpatParse(documents.framework);
            ExpatParse(documents.strings);
            ExpatParse(documents.skin);
        });
        state.counters["load_ms"] = load * 1e3;
        state.counters["expat_ms"] = expat * 1e3;
        state.counters["load_over_expat"] = load / expat;
    }
    state.counters["skinBytes"] = static_cast<double>(documents.skin.size());
}
BENCHMARK(BM_GeneratedSkinOverExpat)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
