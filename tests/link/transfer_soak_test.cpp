// Transfers on a faulty line paced at 9600 baud, replayed from a seed: every write ends in
// success with the controller holding the image or in a message; every read ends in
// success with the document holding the controller's table, or in a message with the
// document unchanged. A changed EEPROM digit, or two changed frame bytes that cancel in the
// checksum, pass one read unseen; reads are taken twice, so none may be wrong.
// VEXA_SOAK_COUNT sets the number of rounds (a few run in ctest), VEXA_SOAK_SEED the seed,
// VEXA_SOAK_DROP_PPM / _CHANGE_PPM / _DELAY_PPM the faults; VEXA_SOAK_VERBOSE prints each
// failure. Run by hand with thousands of rounds, for example
//   VEXA_SOAK_COUNT=3000 build/bin/link2_tests --gtest_filter='TransferSoak.*'
// The line's time spent per successful read is printed too.
#include "controllerfixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>

namespace vexa {
namespace {

int EnvInt(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

struct SoakTally {
    int writesOk = 0, writesFailed = 0, writesWrongUnseen = 0;
    int readsOk = 0, readsFailed = 0, readsWrongUnseen = 0;
    int tableChangedByNoise = 0;
    std::int64_t readMs = 0; // virtual time of the successful reads
};

class TransferSoak : public ::testing::Test, protected testing::ControllerFixture {
protected:
    static void PrintDifferences(int round, const char* what, const std::vector<std::uint8_t>& held,
                                 const std::vector<std::uint8_t>& got) {
        for (std::size_t k = 0; k < got.size() && k < held.size(); ++k) {
            if (got[k] != held[k])
                std::cout << "  round " << round << " " << what << ", byte " << k << ": "
                          << int{held[k]} << " came out as " << int{got[k]} << "\n";
        }
    }

    // nvmType 0 (EEPROM, 64 bytes) or 1 (flash, 600 bytes).
    SoakTally Run(int nvmType, int rounds) {
        SimOptions options =
            nvmType == 0 ? testing::EepromController() : testing::FlashController();
        options.seed = static_cast<std::uint64_t>(EnvInt("VEXA_SOAK_SEED", 7));
        options.faults.drop = EnvInt("VEXA_SOAK_DROP_PPM", 200) / 1e6;
        options.faults.change = EnvInt("VEXA_SOAK_CHANGE_PPM", 400) / 1e6;
        options.faults.delay = EnvInt("VEXA_SOAK_DELAY_PPM", 500) / 1e6;
        options.faults.delayMs = 40;
        const int size = nvmType == 0 ? 64 : 600;
        Start(
            options, nvmType,
            {{"soak.def", testing::LayoutDefinition("SoakBox", size, nvmType,
                                                    nvmType ? testing::FlashDeclarations() : "")}});
        ChooseType("soak.def");
        std::mt19937 random(static_cast<unsigned>(options.seed));
        auto bytes = [&] {
            std::vector<std::uint8_t> b(static_cast<std::size_t>(size));
            for (auto& v : b)
                v = static_cast<std::uint8_t>(random() & 0xFF);
            return b;
        };
        auto table = [&](int t) {
            return nvmType == 0 ? EepromTable(t, size) : FlashAt(4096 + 1024 * t, size);
        };
        SoakTally tally;
        const auto wallStart = std::chrono::steady_clock::now();
        for (int round = 0; round < rounds; ++round) {
            const int t = round % 2;
            SelectTable(t);

            SetVariables(bytes());
            const std::vector<std::uint8_t> image = DocImage();
            host.messages.clear();
            const std::int64_t before = clock.NowMs();
            if (controller->TransferCalibration(1)) {
                ++tally.writesOk;
                // A success may follow the messages of an attempt that was retried.
                if (table(t) != image) {
                    ++tally.writesWrongUnseen;
                    if (std::getenv("VEXA_SOAK_VERBOSE") != nullptr)
                        PrintDifferences(round, "written", image, table(t));
                }
            } else {
                ++tally.writesFailed;
                EXPECT_FALSE(host.messages.empty()) << round;
                if (std::getenv("VEXA_SOAK_VERBOSE") != nullptr && !host.messages.empty())
                    std::cout << "  round " << round << " write: " << host.messages.back().text
                              << "\n";
            }
            // Time-outs are bounded: no transfer takes more than a few virtual minutes.
            EXPECT_LT(clock.NowMs() - before, 5 * 60 * 1000) << round;

            const std::vector<std::uint8_t> stored = bytes();
            if (nvmType == 0)
                std::copy(stored.begin(), stored.end(), sim->Controller().Eeprom(t).begin());
            else
                std::copy(stored.begin(), stored.end(),
                          sim->Controller().Flash().begin() + 4096 + 1024 * t);
            const std::vector<std::uint8_t> document = DocImage();
            host.messages.clear();
            const std::int64_t readStart = clock.NowMs();
            if (controller->TransferCalibration(0)) {
                ++tally.readsOk;
                tally.readMs += clock.NowMs() - readStart;
                // Compared with the table as the controller now holds it: a changed command
                // letter ('r' and 'b' differ in one bit) can reprogram flash on its own.
                if (table(t) != stored)
                    ++tally.tableChangedByNoise;
                if (DocImage() != table(t)) {
                    ++tally.readsWrongUnseen;
                    if (std::getenv("VEXA_SOAK_VERBOSE") != nullptr)
                        PrintDifferences(round, "read", table(t), DocImage());
                }
            } else {
                ++tally.readsFailed;
                if (std::getenv("VEXA_SOAK_VERBOSE") != nullptr && !host.messages.empty())
                    std::cout << "  round " << round << " read: " << host.messages.back().text
                              << "\n";
                EXPECT_FALSE(host.messages.empty()) << round;
                EXPECT_EQ(DocImage(), document) << round;
            }
        }
        const auto seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        EXPECT_LT(seconds, 60.0 + rounds * 0.5);
        std::cout << (nvmType == 0 ? "EEPROM" : "flash") << " soak, " << rounds
                  << " rounds: writes " << tally.writesOk << " ok (" << tally.writesWrongUnseen
                  << " wrong unseen), " << tally.writesFailed << " failed; reads " << tally.readsOk
                  << " ok (" << tally.readsWrongUnseen << " wrong unseen), " << tally.readsFailed
                  << " failed; table changed by line noise " << tally.tableChangedByNoise << "; "
                  << (tally.readsOk > 0 ? tally.readMs / tally.readsOk : 0)
                  << " ms of line time per read\n";
        RecordProperty("readsWrongUnseen", tally.readsWrongUnseen);
        return tally;
    }
};

// Writes are verified by reading back (EEPROM) or by the controller (flash); reads by
// reading twice: nothing may end wrong without a word.
TEST_F(TransferSoak, Eeprom) {
    const SoakTally tally = Run(0, EnvInt("VEXA_SOAK_COUNT", 12));
    EXPECT_EQ(tally.writesWrongUnseen, 0);
    EXPECT_EQ(tally.readsWrongUnseen, 0);
    EXPECT_GT(tally.writesOk + tally.readsOk, 0);
}

TEST_F(TransferSoak, Flash) {
    const SoakTally tally = Run(1, EnvInt("VEXA_SOAK_COUNT", 12));
    EXPECT_EQ(tally.writesWrongUnseen, 0);
    EXPECT_EQ(tally.readsWrongUnseen, 0);
    EXPECT_GT(tally.writesOk + tally.readsOk, 0);
}

} // namespace
} // namespace vexa
