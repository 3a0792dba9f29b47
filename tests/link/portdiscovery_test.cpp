// Port discovery and the controller finder over a scripted port list, with the monitor on
// a factory in which one port has the virtual controller behind it.
#include "link/portdiscovery.h"
#include "link/serialport.h"
#include "sim/simtransport.h"
#include "support/docfixture.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

class ScriptedLister : public PortLister {
public:
    std::vector<PortInfo> ListPorts() override { return ports; }
    std::vector<PortInfo> ports;
};

// A port that opens but where nothing ever answers.
class DeadLine : public ByteTransport {
public:
    int Open(std::string&) override { return 1; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    int Read(std::uint8_t*, int) override { return 0; }
    int ReadAvailable(std::uint8_t*, int, int) override { return 0; }
    int Write(const std::uint8_t*, int n) override { return n; }
    int Purge() override { return 1; }
};

class PortDiscovery : public ::testing::Test {
protected:
    PortDiscovery() {
        factory.Register("/dev/ttyS1", [this](const std::string&, int) {
            return std::make_unique<SimTransport>(clock);
        });
        factory.Register("/dev/ttyS0",
                         [](const std::string&, int) { return std::make_unique<DeadLine>(); });
        factory.Register("/dev/ttyS10",
                         [](const std::string&, int) { return std::make_unique<DeadLine>(); });
        factory.Register(kSimPortName, [this](const std::string&, int) {
            return std::make_unique<SimTransport>(clock);
        });
        monitor = std::make_unique<CTCS_Monitor>(
            std::make_unique<CSerialPort>(&settings, &factory, nullptr, clock), timers);
    }
    CComSelect Dialog(bool withMonitor = true) {
        return CComSelect(settings, lister, host, withMonitor ? monitor.get() : nullptr,
                          kSimPortName);
    }
    std::vector<std::string> Texts(const CComSelect& dialog) {
        std::vector<std::string> texts;
        for (const PortEntry& e : dialog.Entries())
            texts.push_back(e.text);
        return texts;
    }
    std::string Stored() { return settings.GetString(kCommSettingsSection, kComPortNameKey, "?"); }

    ManualClock clock;
    ManualTimerService timers;
    testing::MemorySettings settings;
    testing::RecordingHost host;
    SerialDeviceFactory factory;
    ScriptedLister lister;
    std::unique_ptr<CTCS_Monitor> monitor;
};

TEST_F(PortDiscovery, ListsEachPortOnceInNaturalOrder) {
    lister.ports = {{"/dev/ttyS10", ""},
                    {"/dev/ttyS1", "USB Serial"},
                    {"/dev/ttyS0", ""},
                    {"/dev/ttyS1", ""},
                    {"/dev/ttyS0", "16550A UART"}};
    settings.WriteString(kCommSettingsSection, kComPortNameKey, "/dev/ttyS10");
    CComSelect dialog = Dialog();
    dialog.FillPortList();
    EXPECT_EQ(Texts(dialog), (std::vector<std::string>{kNoPortEntryText, "/dev/ttyS0 <16550A UART>",
                                                       "/dev/ttyS1 <USB Serial>", "/dev/ttyS10",
                                                       kVirtualControllerEntryText}));
    EXPECT_EQ(dialog.Selected(), 3);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(PortDiscovery, WithoutAStoredPortTheFirstRealPortIsChosen) {
    lister.ports = {{"/dev/ttyS1", ""}, {"/dev/ttyS0", ""}};
    for (const char* stored : {"", "/dev/gone"}) {
        settings.WriteString(kCommSettingsSection, kComPortNameKey, stored);
        CComSelect dialog = Dialog();
        dialog.FillPortList();
        EXPECT_EQ(dialog.Selected(), 1) << stored;
        EXPECT_EQ(Stored(), "/dev/ttyS0");
        EXPECT_EQ(dynamic_cast<CSerialPort&>(monitor->transport()).port_name(), "/dev/ttyS0");
    }
    // The virtual controller is never chosen for the user.
    lister.ports.clear();
    settings.WriteString(kCommSettingsSection, kComPortNameKey, "");
    CComSelect dialog = Dialog();
    dialog.FillPortList();
    EXPECT_EQ(dialog.Selected(), -1);
    EXPECT_EQ(Stored(), "");
}

TEST_F(PortDiscovery, SelectionStoresAndReopens) {
    lister.ports = {{"/dev/ttyS0", ""}, {"/dev/ttyUSB7", ""}};
    CComSelect dialog = Dialog();
    dialog.FillPortList();
    dialog.OnPortSelected(2); // no device behind it
    EXPECT_EQ(Stored(), "/dev/ttyUSB7");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Communication Port Configuration Error");
    EXPECT_EQ(host.messages[0].flags, kMbIconExclamation);
    EXPECT_NE(host.messages[0].text.find("/dev/ttyUSB7"), std::string::npos);
    dialog.OnPortSelected(0);
    EXPECT_EQ(Stored(), "");
    EXPECT_EQ(host.messages.size(), 1u); // NONE is chosen silently
    dialog.OnPortSelected(3);
    EXPECT_EQ(Stored(), kSimPortName);
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(PortDiscovery, FinderFindsTheControllerPort) {
    lister.ports = {{"/dev/ttyS0", ""}, {"/dev/ttyS1", "adapter"}, {"/dev/ttyS10", ""}};
    CComSelect dialog = Dialog();
    dialog.FillPortList();
    EXPECT_EQ(dialog.FindController(), 1);
    EXPECT_EQ(dialog.Selected(), 2);
    EXPECT_EQ(Stored(), "/dev/ttyS1");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Found controller on /dev/ttyS1.");
    EXPECT_EQ(host.messages[0].caption, "Communication Setup Successful!");
}

TEST_F(PortDiscovery, FinderRestoresTheSelectionWhenNobodyAnswers) {
    lister.ports = {{"/dev/ttyS0", ""}, {"/dev/ttyS10", ""}};
    CComSelect dialog = Dialog();
    dialog.FillPortList();
    dialog.OnPortSelected(0);
    EXPECT_EQ(dialog.FindController(), 0);
    EXPECT_EQ(dialog.Selected(), 0);
    EXPECT_EQ(Stored(), "");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "No Controller Found");
    EXPECT_EQ(host.messages[0].text, "Could not find a controller on any available serial port.");
}

TEST_F(PortDiscovery, FinderWithoutPortsOrMonitor) {
    CComSelect dialog = Dialog();
    dialog.FillPortList();
    EXPECT_EQ(Texts(dialog),
              (std::vector<std::string>{kNoPortEntryText, kVirtualControllerEntryText}));
    EXPECT_EQ(dialog.FindController(), 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "No COM Port Available");

    CComSelect orphan = Dialog(false);
    orphan.FillPortList();
    EXPECT_EQ(orphan.FindController(), 0);
    EXPECT_EQ(host.messages.back().caption, "Internal Program Error");
    orphan.ShowPortHelp();
    EXPECT_EQ(host.messages.back().caption, "Help");
    EXPECT_EQ(host.messages.back().text.substr(0, 30), "This list shows all of the ser");
}

TEST(NaturalOrder, DigitRunsCompareByValue) {
    EXPECT_TRUE(NaturalLess("ttyS2", "ttyS10"));
    EXPECT_FALSE(NaturalLess("ttyS10", "ttyS2"));
    EXPECT_TRUE(NaturalLess("ttyACM0", "ttyS0"));
    EXPECT_TRUE(NaturalLess("ttyS01", "ttyS2"));
    EXPECT_FALSE(NaturalLess("ttyS1", "ttyS1"));
    EXPECT_TRUE(NaturalLess("ttyS", "ttyS0"));
}

} // namespace
} // namespace vexa
