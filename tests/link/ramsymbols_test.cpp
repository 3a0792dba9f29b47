// RAM symbols and the state dump file.
#include "link/ramsymbols.h"
#include "link/statedump.h"
#include "recordingowner.h"
#include "scriptedpeer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace vexa {
namespace {

using testing::RecordingOwner;
using testing::ScriptedPeer;

TEST(RamSymbols, NamesAndNumbers) {
    struct Case {
        const char* text;
        int address;
    };
    const Case cases[] = {
        {"GEAR", 0x2F},   {"gear", 0x2F},      {"Gear", 0x2F},    {"\\47", 47},
        {"\\0x2F", 47},   {"\\057", 47},       {"HEDFON", 0x74},  {"CSTONDLY", 0x74},
        {"TXTPTR", 0xAF}, {"m_2_1dslo", 0xAB}, {"AUXOCTL", 0x20}, {"NOSUCH", 0},
        {"", 0},          {"\\", 0},           {"\\x", 0},        {"GEAR ", 0},
        {"\\65537", 1},   {"\\-1", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LookupRamSymbol(c.text), c.address) << c.text;
}

TEST(RamSymbols, TableHas78NamesFor75Locations) {
    std::set<std::string_view> names;
    std::set<int> addresses;
    for (const auto& symbol : kRamSymbols) {
        names.insert(symbol.name);
        addresses.insert(symbol.address);
    }
    EXPECT_EQ(names.size(), 78u);
    EXPECT_EQ(addresses.size(), 75u);
}

class SymbolTest : public ::testing::Test {
protected:
    SymbolTest() {
        auto transport = std::make_unique<ScriptedPeer>();
        peer = transport.get();
        monitor = std::make_unique<CTCS_Monitor>(std::move(transport), timers);
        monitor->set_document(&owner);
        monitor->set_connected(1);
    }
    ManualTimerService timers;
    RecordingOwner owner;
    ScriptedPeer* peer = nullptr;
    std::unique_ptr<CTCS_Monitor> monitor;
};

TEST_F(SymbolTest, ReadSymbolReadsOneRamByte) {
    peer->Echo("f2F").Reply("03");
    EXPECT_EQ(monitor->read_symbol("gear"), 3);
    EXPECT_EQ(monitor->read_symbol("NOSUCH"), -1000);
    EXPECT_EQ(peer->Written(), "f2F");
    EXPECT_EQ(monitor->is_connected(), 1);
    EXPECT_EQ(monitor->read_symbol("TPS"), -1000); // no answer
    EXPECT_EQ(monitor->is_connected(), 0);
}

std::string Hex2(int v) {
    char text[4];
    std::snprintf(text, sizeof text, "%.2X", v);
    return text;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(SymbolTest, DumpWritesTheWholeTable) {
    for (int a = 0; a < 256; ++a)
        peer->Echo("f" + Hex2(a)).Reply(Hex2(255 - a));
    const auto path = std::filesystem::path(VEXA_TEST_OUTPUT_DIR) / "RAMDump_full.txt";
    EXPECT_EQ(DumpControllerState(*monitor, path.string()), 1);
    EXPECT_TRUE(peer->Done()) << peer->mismatch;

    std::string expected = "      0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F\n"
                           "    +------------------------------------------------";
    const char* rowLabels[] = {"0", "1", "2", "3", "4", "5", "6", "7",
                               "8", "9", "A", "B", "C", "D", "E", "F"};
    for (int r = 0; r < 16; ++r) {
        expected += std::string("\n0x") + rowLabels[r] + " |";
        for (int c = 0; c < 16; ++c) {
            char cell[8];
            std::snprintf(cell, sizeof cell, " %02x", 255 - (16 * r + c));
            expected += cell;
        }
    }
#ifdef _WIN32
    // A text file for the desktop's editor: Windows ends its lines with CR LF.
    for (std::size_t at = expected.find('\n'); at != std::string::npos;
         at = expected.find('\n', at + 2))
        expected.insert(at, 1, '\r');
#endif
    const std::string file = ReadFile(path);
    EXPECT_EQ(file, expected);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 17); // 18 lines, none after the last
    EXPECT_NE(file.find("\n0xF | 0f 0e"), std::string::npos);
    EXPECT_EQ(owner.statusTexts,
              (std::vector<std::string>{"Reading controller operating state...",
                                        "Controller operating state read complete"}));
}

TEST_F(SymbolTest, DumpStopsAtTheFirstFailedRead) {
    for (int a = 0; a < 20; ++a)
        peer->Echo("f" + Hex2(a)).Reply("AB");
    const auto path = std::filesystem::path(VEXA_TEST_OUTPUT_DIR) / "RAMDump_partial.txt";
    EXPECT_EQ(DumpControllerState(*monitor, path.string()), 0);
    const std::string file = ReadFile(path);
    EXPECT_EQ(file.substr(file.rfind('\n') + 1), "0x1 | ab ab ab ab");
    EXPECT_EQ(owner.statusTexts,
              (std::vector<std::string>{"Reading controller operating state..."}));
    EXPECT_EQ(monitor->is_connected(), 0);
}

TEST_F(SymbolTest, DumpToAnUnwritablePathFailsWithoutTraffic) {
    EXPECT_EQ(DumpControllerState(*monitor, "/nonexistent-dir/RAMDump.txt"), 0);
    EXPECT_EQ(peer->Written(), "");
}

} // namespace
} // namespace vexa
