// Controller identification: the version replies, the definitions of the controller's
// folder, the "HardwareProfile" record, the messages and the connection status.
#include "controllerfixture.h"
#include "core/programpaths.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using testing::ControllerFixture;

class Identification : public ::testing::Test, protected ControllerFixture {
protected:
    SimOptions Identity(int device, int hardware, int firmware, int minor) {
        SimOptions options;
        options.identity = {device, hardware, firmware, minor};
        return options;
    }
    // Swaps in a controller with another identity, as when the cable is moved.
    void ReplaceController(const SimOptions& options) {
        auto old = std::move(sim);
        sim = std::make_unique<SimTransport>(clock, options);
        std::string error;
        ASSERT_EQ(controller->ReopenPort(error), 1) << error;
    }
    std::string Profile(const char* key) {
        return std::to_string(settings.GetInt("HardwareProfile", key, -1));
    }
};

TEST_F(Identification, RepliesGiveTheIdentityFolderAndStatus) {
    Start(Identity(2, 1, 3, 4), 0, {{"eeprom.def", testing::LayoutDefinition("TypeA", 8, 0)}});
    ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
    const IdentityBlock& id = doc->Identity;
    EXPECT_EQ((std::vector<int>{id.DeviceType(), id.HardwareVersion(), id.FirmwareVersion(),
                                id.FirmwareVersionMinor()}),
              (std::vector<int>{2, 1, 3, 4}));
    EXPECT_EQ(doc->DefinitionDir, JoinStoredPath(dir.path(), "PID2/3"));
    EXPECT_EQ(id.IdentityFromController(), 1);
    EXPECT_EQ(id.IdentityCurrent(), 1);
    EXPECT_EQ(controller->Monitor().is_connected(), 1);
    ASSERT_FALSE(host.statusTexts.empty());
    EXPECT_EQ(host.statusTexts.back(),
              "VEXA Test connected: Product Version 2.1, Firmware Revision 3.4");
    EXPECT_EQ(
        (std::vector<std::string>{Profile("DeviceType"), Profile("HardwareVersion"),
                                  Profile("FirmwareVersion"), Profile("FirmwareVersionMinor")}),
        (std::vector<std::string>{"2", "1", "3", "4"}));
    // No transmission type yet: the definition text stays empty, and no profile had been
    // recorded, so nothing is shown.
    EXPECT_TRUE(doc->DefinitionText.empty());
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Identification, RejectedRepliesLeaveTheControllerDisconnected) {
    for (const SimOptions& options : {Identity(1, 0, 3, 4), Identity(0, 1, 3, 4)}) {
        Start(options, 0);
        EXPECT_EQ(doc->Controller().CheckController(0, 1), 0);
        EXPECT_EQ(controller->Monitor().is_connected(), 0);
        EXPECT_EQ(Profile("DeviceType"), "-1");
        EXPECT_NE(controller->LastError().find("is not a controller's"), std::string::npos)
            << controller->LastError();
        host.statusTexts.clear();
    }
}

TEST_F(Identification, FirmwareWithoutVersionQueryCountsAsOnePointZero) {
    SimOptions options = Identity(2, 1, 3, 4);
    options.answersFirmwareQuery = false;
    Start(options, 0);
    dir.Write("PID2/1/generic.init", testing::GenericInit(0));
    ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
    EXPECT_EQ(doc->Identity.FirmwareVersion(), 1);
    EXPECT_EQ(doc->Identity.FirmwareVersionMinor(), 0);
    EXPECT_EQ(doc->DefinitionDir, JoinStoredPath(dir.path(), "PID2/1"));
}

TEST_F(Identification, RevisionNoticeOnlyOnceAControllerWasRecorded) {
    Start(Identity(2, 1, 3, 4), 0, {{"eeprom.def", testing::LayoutDefinition("TypeA", 8, 0)}});
    ChooseType("eeprom.def");
    ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->Header[kTransmissionType], "TypeA");

    ReplaceController(Identity(2, 2, 3, 4));
    ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Controller or Software Revision Change");
    EXPECT_EQ(host.messages[0].flags, kMbIconInformation);
    EXPECT_EQ(Profile("HardwareVersion"), "2");
}

TEST_F(Identification, UnchangedIdentityReloadsAndWritesNothing) {
    Start(Identity(2, 1, 3, 4), 0, {{"eeprom.def", testing::LayoutDefinition("TypeA", 8, 0)}});
    ChooseType("eeprom.def");
    ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
    settings.WriteInt("HardwareProfile", "DeviceType", 77);
    doc->DefinitionText += "\n[Marker]";
    doc->Identity.SetU16(IdentityBlock::kIdentityCurrent, 0);
    controller->Monitor().set_connected(0);
    host.calls.clear();

    ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
    EXPECT_NE(doc->DefinitionText.find("[Marker]"), std::string::npos);
    EXPECT_EQ(Profile("DeviceType"), "77");
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(doc->Identity.IdentityCurrent(), 1);
    EXPECT_EQ(controller->Monitor().is_connected(), 1);
}

TEST_F(Identification, MissingDefinitionsForTheNewIdentity) {
    struct Case {
        bool typeChosen;
        std::string caption;
    };
    for (const Case& c : {Case{false, "Unrecognized Controller Version"},
                          Case{true, "Incompatible Controller Version"}}) {
        host.messages.clear();
        settings.WriteInt("HardwareProfile", "DeviceType", 2); // a controller was recorded
        Start(Identity(3, 1, 3, 4), 0, {{"eeprom.def", testing::LayoutDefinition("TypeA", 8, 0)}});
        if (c.typeChosen)
            ChooseType("eeprom.def");
        ASSERT_EQ(doc->Controller().CheckController(0, 1), 1);
        // Only the stop message: the revision notice is suppressed after it.
        ASSERT_EQ(host.messages.size(), 1u) << c.caption;
        EXPECT_EQ(host.messages[0].caption, c.caption);
        EXPECT_EQ(host.messages[0].flags, kMbIconStop);
        EXPECT_EQ(doc->Header[kProdName], "Controller");
        EXPECT_EQ(Profile("DeviceType"), "3");
        EXPECT_EQ(controller->Monitor().is_connected(), 1);
    }
}

TEST_F(Identification, StatusTexts) {
    EXPECT_EQ(ConnectedStatusText("VEXA", 2, 1, 3, 4),
              "VEXA connected: Product Version 2.1, Firmware Revision 3.4");
    EXPECT_EQ(ConnectedStatusText(std::string(50, 'P'), 2, 1, 3, 4),
              std::string(35, 'P') + " connected: Product Version 2.1, Firmware Revision 3.4");
}

TEST_F(Identification, DisconnectsOnFailureAndTheTimerReconnects) {
    SimOptions options = Identity(2, 1, 3, 4);
    options.faults.silentAfter = 40;
    options.faults.silentForMs = 1500;
    Start(options, 0);
    std::vector<int> states;
    controller->SetConnectionListener([&](int state) { states.push_back(state); });
    timers.Advance(1000);
    ASSERT_EQ(controller->Monitor().is_connected(), 1);
    // Checks every tick while nothing is polled, until the controller falls silent.
    for (int tick = 0; tick < 20 && controller->Monitor().is_connected(); ++tick)
        timers.Advance(controller->Monitor().timer_period());
    EXPECT_EQ(controller->Monitor().is_connected(), 0);
    EXPECT_EQ(host.statusTexts.back(), kDisconnectedStatusText);
    EXPECT_EQ(controller->Monitor().timer_period(), 1000);
    // The controller restarts; a later tick finds it again.
    for (int tick = 0; tick < 5 && !controller->Monitor().is_connected(); ++tick) {
        clock.Advance(1000);
        timers.Advance(1000);
    }
    EXPECT_EQ(controller->Monitor().is_connected(), 1);
    EXPECT_EQ(states, (std::vector<int>{1, 0, 1}));
}

} // namespace
} // namespace vexa
