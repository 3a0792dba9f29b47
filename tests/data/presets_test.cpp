// The virtual controller's presets present the shipped controllers: their identity selects a
// definition folder, their layout is the one its definitions transfer with, and each
// calibration table is a calibration of the type it claims, recognised by TransReadback.sig.
#include "datafixture.h"
#include "link/ramsymbols.h"
#include "signaturefile.h"
#include "sim/simpresets.h"

#include <gtest/gtest.h>

namespace vexa::testing {
namespace {

TEST(SimPresets, TablesAreNewCalibrationsOfTheirTypes) {
    ASSERT_EQ(SimPresets().size(), 2u);
    for (const SimPreset& preset : SimPresets()) {
        SCOPED_TRACE(std::string(preset.name));
        const Family family{preset.identity.deviceType, preset.identity.firmwareVersion};
        for (int table = 0; table < 2; ++table) {
            const SimPresetTable& expected = preset.tables[static_cast<std::size_t>(table)];
            SCOPED_TRACE(std::string(expected.definition));
            DataDoc data(family);
            ASSERT_TRUE(data.NewOfType(std::string(expected.definition)));

            // The layout the definitions transfer with.
            const DeclarationsBlock& d = data.doc->Declarations;
            EXPECT_EQ(preset.layout.nvmType, d.NVMType());
            EXPECT_EQ(preset.tableSize, d.TotalBlockSize());
            if (d.NVMType() == 0) {
                EXPECT_EQ(preset.fill, 0x00);
                EXPECT_EQ(expected.address, 0);
                EXPECT_GE(preset.layout.eepromTableSize, d.TotalBlockSize());
            } else {
                EXPECT_EQ(preset.fill, 0xFF);
                EXPECT_EQ(expected.address, d.CalNVMStart() + table * d.CalNVMPageSize());
                EXPECT_EQ(preset.layout.bufferStart, d.CalBufferStart());
                EXPECT_EQ(preset.layout.bufferSize, d.CalBufferSize());
                EXPECT_EQ(preset.layout.flashBlockSize, d.FlashBlockSize());
                EXPECT_LE(expected.address + preset.tableSize, preset.layout.flashSize);
            }

            // The bytes a read would bring back: the image of a new calibration of the type
            // (run vexa_presetgen when a definition changed), recognised as that type.
            const std::vector<std::uint8_t> bytes = SimPresetTableBytes(preset, table);
            EXPECT_EQ(bytes, data.Image()) << "regenerate with vexa_presetgen";
            const SignatureMatch match =
                DetectTransmission(data.doc->DefinitionDir + "/TransReadback.sig", bytes);
            ASSERT_TRUE(match.matched);
            if (match.result == "*")
                EXPECT_EQ(std::count(match.choices.begin(), match.choices.end(),
                                     std::string(expected.definition)),
                          1);
            else
                EXPECT_EQ(match.result, expected.definition);
            EXPECT_TRUE(data.host.messages.empty());
        }
    }
}

TEST(SimPresets, LoadFillsTheControllersMemories) {
    for (const SimPreset& preset : SimPresets()) {
        SCOPED_TRACE(std::string(preset.name));
        SimOptions options;
        options.seed = 7;
        ApplySimPreset(preset, options);
        EXPECT_EQ(options.seed, 7u);
        EXPECT_EQ(options.identity.deviceType, preset.identity.deviceType);
        VirtualController controller(options);
        LoadSimPresetMemory(preset, controller);
        for (int table = 0; table < 2; ++table) {
            const std::vector<std::uint8_t> bytes = SimPresetTableBytes(preset, table);
            const auto start =
                static_cast<std::ptrdiff_t>(preset.tables[static_cast<std::size_t>(table)].address);
            const std::vector<std::uint8_t>& memory =
                preset.layout.nvmType == 0 ? controller.Eeprom(table) : controller.Flash();
            ASSERT_GE(memory.size(), static_cast<std::size_t>(start) + bytes.size());
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), memory.begin() + start))
                << "table " << table + 1;
        }
        // The firmware's RAM copy of table 1.
        DataDoc data({preset.identity.deviceType, preset.identity.firmwareVersion});
        ASSERT_TRUE(data.NewOfType(std::string(preset.tables[0].definition)));
        EXPECT_EQ(controller.Ram(LookupRamSymbol("VSSCCON")),
                  data.doc->FindIntVariable("CCOssOn").Get());
        EXPECT_EQ(controller.Ram(LookupRamSymbol("SYCONFIG")),
                  data.doc->FindIntVariable("SYCONFIG").Get() & 0xFF);
    }
    EXPECT_EQ(FindSimPreset("tcs3"), &SimPresets()[1]);
    EXPECT_EQ(FindSimPreset("TCS3"), nullptr);
}

} // namespace
} // namespace vexa::testing
