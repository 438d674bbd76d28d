#include "MidiTestFixture.h"

#include <thread>

namespace KX::Test {
namespace {

Array<String> Names(std::initializer_list<const char16_t*> names)
{
    Array<String> out;
    for (const char16_t* name : names)
        out.Add(String(name));
    return out;
}

std::vector<std::u16string> Texts(const Array<String>& names)
{
    std::vector<std::u16string> out;
    for (unsigned i = 0; i < names.GetCount(); ++i)
        out.emplace_back(names.GetAt(i).GetData());
    return out;
}

TEST(MidiPortNames, DuplicatesAreNumberedAndMatchedByContainsOrEquality)
{
    EXPECT_EQ(Texts(LMidiComm::MakeUniquePortNames(Names({u"A", u"B", u"A"}))),
              (std::vector<std::u16string>{u"A (1)", u"A (2)", u"B"}));
    // Case counts for duplicates, so these stay as they are.
    EXPECT_EQ(Texts(LMidiComm::MakeUniquePortNames(Names({u"Kivo 61", u"kivo 61"}))),
              (std::vector<std::u16string>{u"Kivo 61", u"kivo 61"}));

    const Array<String> listed = Names({u"Kivo 61", u"MIDIIN2 (Kivo 61)", u"X (1)", u"X (2)", u"Midi Through Port-0"});
    int index = -1;
    // Equality wins over containment, ignoring case.
    EXPECT_EQ(LMidiComm::FindDeviceByName(listed, String(u"kivo 61"), index), 1);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(LMidiComm::FindDeviceByName(listed, String(u"midiin2"), index), 1);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(LMidiComm::FindDeviceByName(listed, String(u"X"), index), 2);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(LMidiComm::FindDeviceByName(listed, String(u"x (2)"), index), 1);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(LMidiComm::FindDeviceByName(listed, String(u"Nothing"), index), 0);
    EXPECT_EQ(index, -1);

    String base;
    LMidiCapturePort::SplitPortName(String(u"Synth (2)"), base, index);
    EXPECT_EQ(base, String(u"Synth"));
    EXPECT_EQ(index, 1);
    LMidiCapturePort::SplitPortName(String(u"Synth (12)"), base, index);
    EXPECT_EQ(base, String(u"Synth"));
    EXPECT_EQ(index, 11);
    LMidiCapturePort::SplitPortName(String(u"MIDIIN4 (Kivo 61)"), base, index);
    EXPECT_EQ(base, String(u"MIDIIN4 (Kivo 61)"));
    EXPECT_EQ(index, 0);
    LMidiCapturePort::SplitPortName(String(u"X (x)"), base, index);
    EXPECT_EQ(index, -1);
}

TEST(MidiPortNames, AnOccurrenceSuffixCountsOnlyDevicesOfThatName)
{
    const std::vector<std::string> xyx{"X", "Y", "X"};
    EXPECT_EQ(LMidiCapturePort::ChooseDevice(xyx, String(u"X (2)")), 2);
    EXPECT_EQ(LMidiCapturePort::ChooseDevice(xyx, String(u"x (1)")), 0);
    EXPECT_EQ(LMidiCapturePort::ChooseDevice(xyx, String(u"X (3)")), -1);
    EXPECT_EQ(LMidiCapturePort::ChooseDevice(xyx, String(u"X (x)")), -1);
    // "XY" contains "X" but is not a second "X".
    EXPECT_EQ(LMidiCapturePort::ChooseDevice({"X", "XY", "X"}, String(u"X (2)")), 2);
    // Without a suffix: the first device that contains the name.
    EXPECT_EQ(LMidiCapturePort::ChooseDevice({"Kivo 61", "MIDIIN4 (KIVO 61)"}, String(u"midiin4 (Kivo 61)")), 1);
    EXPECT_EQ(LMidiCapturePort::ChooseDevice({"Kivo 61", "MIDIIN4 (Kivo 61)"}, String(u"Kivo")), 0);
}

using MidiComm = MidiFixture;

TEST_F(MidiComm, PortsOpenByNameAmongDecoysAndDuplicates)
{
    system->AddDevice("Kivo 61", "Kivo 61");
    system->AddDevice("MIDIIN2 (Kivo 61)", "MIDIOUT2 (Kivo 61)");
    const auto kivo = system->AddDevice("MIDIIN4 (Kivo 61)", "MIDIOUT4 (Kivo 61)");
    system->AddDevice("Midi Through Port-0", "Midi Through Port-0");
    system->AddDevice("X", "X");
    system->AddDevice("XY", "XY");
    const auto secondX = system->AddDevice("X", "X");

    Array<String> names;
    EXPECT_EQ(Comm().GetInputDeviceNames(names), S_OK);
    EXPECT_EQ(Texts(names), (std::vector<std::u16string>{u"Kivo 61", u"MIDIIN2 (Kivo 61)", u"MIDIIN4 (Kivo 61)",
                                                         u"Midi Through Port-0", u"X (1)", u"X (2)", u"XY"}));

    RCPtr<LMidiCapturePort> in;
    ASSERT_EQ(comm->OpenCapturePort(String(u"midiin4 (kivo 61)"), in), S_OK);
    EXPECT_EQ(in->GetDeviceName(), String(u"MIDIIN4 (Kivo 61)"));
    RCPtr<LMidiRenderPort> out;
    ASSERT_EQ(comm->OpenRenderPort(String(u"MIDIOUT4 (Kivo 61)"), out), S_OK);
    EXPECT_EQ(out->GetDeviceName(), String(u"MIDIOUT4 (Kivo 61)"));

    // Opening the same name again gives the same port.
    RCPtr<LMidiCapturePort> again;
    ASSERT_EQ(comm->OpenCapturePort(String(u"MIDIIN4 (Kivo 61)"), again), S_OK);
    EXPECT_EQ(again.Get(), in.Get());
    RCPtr<LMidiRenderPort> outAgain;
    ASSERT_EQ(comm->OpenRenderPort(String(u"MIDIOUT4 (Kivo 61)"), outAgain), S_OK);
    EXPECT_EQ(outAgain.Get(), out.Get());

    // Render ports are kept under their device's full name: a part of it opened twice gives one port.
    RCPtr<LMidiRenderPort> byPart, byPartAgain, byFullName;
    ASSERT_EQ(comm->OpenRenderPort(String(u"midiout2"), byPart), S_OK);
    ASSERT_EQ(comm->OpenRenderPort(String(u"midiout2"), byPartAgain), S_OK);
    ASSERT_EQ(comm->OpenRenderPort(String(u"MIDIOUT2 (Kivo 61)"), byFullName), S_OK);
    EXPECT_EQ(byPartAgain.Get(), byPart.Get());
    EXPECT_EQ(byFullName.Get(), byPart.Get());
    Comm().GetRenderPortNames(names);
    EXPECT_EQ(Texts(names), (std::vector<std::u16string>{u"MIDIOUT4 (Kivo 61)", u"MIDIOUT2 (Kivo 61)"}));

    // Two names contain "X" and neither equals it.
    EXPECT_EQ(comm->OpenCapturePort(String(u"X"), again), E_INVALIDARG);
    EXPECT_FALSE(again);
    EXPECT_EQ(comm->OpenRenderPort(String(u"X"), outAgain), E_INVALIDARG);
    EXPECT_FALSE(outAgain);
    EXPECT_EQ(comm->OpenRenderPort(String(u"Nothing"), outAgain), E_FAIL);
    EXPECT_EQ(comm->OpenCapturePort(String(u"Nothing"), again), E_FAIL);

    // The second X, not XY; its input reaches the port.
    RCPtr<LMidiCapturePort> x2;
    ASSERT_EQ(comm->OpenCapturePort(String(u"X (2)"), x2), S_OK);
    system->InjectShort(secondX, 0xF8);
    system->InjectShort(kivo, 0xFA);
    ASSERT_TRUE(collector->WaitFor(2));
    const auto got = collector->Messages();
    EXPECT_EQ(got[0].portName, "X (2)");
    EXPECT_EQ(got[1].portName, "midiin4 (kivo 61)");

    Comm().GetCapturePortNames(names);
    EXPECT_EQ(Texts(names), (std::vector<std::u16string>{u"midiin4 (kivo 61)", u"X (2)"}));
    // A port leaves the list with its last client.
    in = nullptr;
    again = nullptr;
    Comm().GetCapturePortNames(names);
    EXPECT_EQ(Texts(names), (std::vector<std::u16string>{u"X (2)"}));
    EXPECT_EQ(Comm().RemoveCapturePort(in.Get()), E_FAIL);
}

TEST_F(MidiComm, AHeldPortIsReopenedWhenItsDeviceComesBack)
{
    const auto kivo = system->AddDevice("Kivo 61", "Kivo 61");
    RCPtr<LMidiCapturePort> in;
    ASSERT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), in), S_OK);
    const auto firstHandle = in->GetHandle();

    system->Unplug(kivo);
    RCPtr<LMidiCapturePort> probe;
    EXPECT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), probe), E_FAIL);
    system->Replug(kivo);
    ASSERT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), probe), S_OK);
    EXPECT_EQ(probe.Get(), in.Get());
    EXPECT_NE(in->GetHandle(), firstHandle);

    system->InjectShort(kivo, 0xF8);
    ASSERT_TRUE(collector->WaitFor(1));
}

TEST_F(MidiComm, APortReleasedWhileAnOpenHandsItOutStaysListed)
{
    system->AddDevice("Kivo 61", "Kivo 61");
    RCPtr<LMidiCapturePort> last;
    ASSERT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), last), S_OK);
    LMidiCapturePort* const port = last.Get();

    // Its last client lets go on another thread while an open on this one holds the port lock.
    Comm().GetPortLock().Lock();
    std::thread releaser([&] { last = nullptr; });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    RCPtr<LMidiCapturePort> handedOut;
    EXPECT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), handedOut), S_OK);
    Comm().GetPortLock().Unlock();
    releaser.join();

    EXPECT_EQ(handedOut.Get(), port);
    RCPtr<LMidiCapturePort> again;
    ASSERT_EQ(comm->OpenCapturePort(String(u"Kivo 61"), again), S_OK);
    EXPECT_EQ(again.Get(), port);
    // Once the new holders let go it leaves as usual.
    handedOut = nullptr;
    again = nullptr;
    Array<String> names;
    Comm().GetCapturePortNames(names);
    EXPECT_EQ(names.GetCount(), 0u);
}

// Refuses messages that begin with the byte it is given.
class RefuseFirstByte : public LIMidiFilterByIncludePrefixList {
public:
    explicit RefuseFirstByte(unsigned char refused) : m_refused(refused) {}
    bool IsIncluded(const unsigned char* bytes, unsigned count) override { return count == 0 || bytes[0] != m_refused; }

private:
    const unsigned char m_refused;
};

TEST_F(MidiComm, DispatchGoesLastRegisteredFirstAndFiltersPerSubscriber)
{
    RCPtr<CaptureCollector> second = new CaptureCollector();
    std::vector<int> order;
    collector->onReceive = [&] { order.push_back(1); };
    second->onReceive = [&] { order.push_back(2); };
    second->RegisterForNotification(RCPtr<LNotificationDistributor>(comm), NID_MIDI_DATA_CAPTURED, 0);

    RCPtr<LMidiCaptureNotificationData> data = new LMidiCaptureNotificationData(String(u"in"), nullptr);
    const unsigned char clock = 0xF8;
    data->AppendBytes(&clock, 1);
    EXPECT_EQ(comm->DispatchCapturedData(data), S_OK);
    EXPECT_EQ(order, (std::vector<int>{2, 1}));

    const auto key = reinterpret_cast<uintptr_t>(static_cast<LNotificationClient*>(second.Get()));
    EXPECT_EQ(comm->SetMidiFilter(key, RCPtr<LIMidiFilterByIncludePrefixList>(new RefuseFirstByte(0xF8))), S_OK);
    RCPtr<LIMidiFilterByIncludePrefixList> filter;
    comm->GetMidiFilter(filter, key);
    EXPECT_TRUE(filter);
    order.clear();
    EXPECT_EQ(comm->DispatchCapturedData(data), S_OK);
    EXPECT_EQ(order, (std::vector<int>{1}));

    // Removing the filter lets everything through again.
    EXPECT_EQ(comm->SetMidiFilter(key, nullptr), S_OK);
    comm->GetMidiFilter(filter, key);
    EXPECT_FALSE(filter);
    order.clear();
    EXPECT_EQ(comm->DispatchCapturedData(data), S_OK);
    EXPECT_EQ(order, (std::vector<int>{2, 1}));

    second->UnregisterForAllNotifications();
    collector->UnregisterForAllNotifications();
    EXPECT_EQ(comm->DispatchCapturedData(data), S_FALSE);
}

} // namespace
} // namespace KX::Test
