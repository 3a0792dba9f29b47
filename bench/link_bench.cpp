// Calibration transfers against the virtual controller on a pseudo-terminal paced at 9600
// baud, through the Qt serial adapter and CSerialPort as the program uses them. Each case
// reports "wire_ratio": the time taken over the time the bytes that crossed the line (both
// directions) need at 9600 baud (10 bits a byte), so 1.0 would be a line never idle.
#include "core/vlxdoc.h"
#include "link/qtserial_transport.h"
#include "link/serialport.h"
#include "link/vlxcontroller.h"
#include "sim/simpty.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

namespace {

using namespace vexa;

class Settings : public SettingsStore {
public:
    int GetInt(std::string_view, std::string_view, int defaultValue) const override {
        return defaultValue;
    }
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const override {
        auto it = values.find(std::string(section) + "/" + std::string(key));
        return it == values.end() ? std::string(defaultValue) : it->second;
    }
    bool WriteInt(std::string_view, std::string_view, int) override { return true; }
    bool WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override {
        values[std::string(section) + "/" + std::string(key)] = std::string(value);
        return true;
    }
    std::map<std::string, std::string> values;
};

// Counts the bytes that cross the line.
class Counting : public ByteTransport {
public:
    Counting(std::unique_ptr<ByteTransport> inner, long& bytes)
        : inner_(std::move(inner)), bytes_(bytes) {}
    int Open(std::string& error) override { return inner_->Open(error); }
    void Close() override { inner_->Close(); }
    bool IsOpen() const override { return inner_->IsOpen(); }
    int Read(std::uint8_t* d, int n) override { return Count(inner_->Read(d, n)); }
    int ReadAvailable(std::uint8_t* d, int max, int waitMs) override {
        return Count(inner_->ReadAvailable(d, max, waitMs));
    }
    int Write(const std::uint8_t* s, int n) override { return Count(inner_->Write(s, n)); }
    int Purge() override { return inner_->Purge(); }

private:
    int Count(int n) {
        bytes_ += n > 0 ? n : 0;
        return n;
    }
    std::unique_ptr<ByteTransport> inner_;
    long& bytes_;
};

struct Rig {
    explicit Rig(int nvmType) {
        static int argc = 1;
        static char name[] = "link_bench";
        static char* argv[] = {name, nullptr};
        static QCoreApplication application(argc, argv);
        SimOptions options;
        options.baud = 9600;
        options.layout.nvmType = nvmType;
        pty = std::make_unique<SimPty>(options);
        std::string error;
        if (!pty->Open(error) || !pty->Start(error))
            std::abort();
        settings.WriteString(kCommSettingsSection, kComPortNameKey, pty->SlavePath());
        factory.Register(pty->SlavePath(), [this](const std::string& path, int baud) {
            return std::make_unique<Counting>(std::make_unique<QtSerialTransport>(path, baud),
                                              bytes);
        });
        directory =
            std::filesystem::temp_directory_path() / ("vexa-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory);
        doc = std::make_unique<CVLXDoc>(CVLXDocServices{&settings, directory.string(), nullptr});
        DeclarationsBlock& d = doc->Declarations;
        d.SetI32(DeclarationsBlock::kNVMType, nvmType);
        d.SetI32(DeclarationsBlock::kCalNVMStart, 4096);
        d.SetI32(DeclarationsBlock::kCalNVMPageSize, 4096);
        d.SetI32(DeclarationsBlock::kCalBufferStart, 0x200);
        d.SetI16(DeclarationsBlock::kFlashBlockSize, 64);
        d.SetI16(DeclarationsBlock::kCalBufferSize, 512);
        auto link = std::make_unique<CVLXController>(
            *doc, std::make_unique<CSerialPort>(&settings, &factory, nullptr), timers);
        controller = link.get();
        doc->SetControllerLink(std::move(link));
        controller->Monitor().set_connected(1);
    }
    ~Rig() {
        doc.reset();
        pty->Stop();
        std::error_code ec;
        std::filesystem::remove_all(directory, ec);
    }
    void Report(benchmark::State& state, double seconds) {
        const double wire = static_cast<double>(bytes) * 10.0 / 9600.0;
        state.counters["bytes"] = static_cast<double>(bytes);
        state.counters["wire_s"] = wire;
        state.counters["wire_ratio"] = seconds / wire;
    }

    Settings settings;
    ManualTimerService timers;
    SerialDeviceFactory factory;
    std::unique_ptr<SimPty> pty;
    std::filesystem::path directory;
    std::unique_ptr<CVLXDoc> doc;
    CVLXController* controller = nullptr;
    long bytes = 0;
};

template <typename Work> void Timed(benchmark::State& state, Rig& rig, Work work) {
    double total = 0.0;
    for (auto _ : state) {
        rig.bytes = 0;
        const auto start = std::chrono::steady_clock::now();
        if (!work())
            state.SkipWithError("transfer failed");
        total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    rig.Report(state, total);
}

std::vector<std::uint8_t> Pattern(int size) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
}

void EepromTableWrite(benchmark::State& state) {
    Rig rig(0);
    std::vector<std::uint8_t> image = Pattern(256);
    std::string error;
    Timed(state, rig,
          [&] { return rig.controller->TransferTableEeprom(image, 256, 0, error, 1) == 1; });
}

void EepromByteWrites256(benchmark::State& state) {
    Rig rig(0);
    rig.controller->Monitor().enable_EEPROM_write();
    std::string error;
    int round = 0;
    Timed(state, rig, [&] {
        ++round;
        for (int i = 0; i < 256; ++i) {
            if (!rig.controller->Monitor().write_NVM('e', i, (i + round) & 0xFF, error))
                return false;
        }
        return true;
    });
}

void FlashWrite4k(benchmark::State& state) {
    Rig rig(1);
    std::vector<std::uint8_t> image = Pattern(4096);
    std::string error;
    Timed(state, rig,
          [&] { return rig.controller->TransferTableFlash(image, 4096, 0, error, 1) == 1; });
}

// A read takes the table twice and compares; the single pass beside it is what a read
// cost before, so the two give the price of the check as a ratio.
void FlashRead4k(benchmark::State& state) {
    Rig rig(1);
    std::vector<std::uint8_t> image(4096);
    std::string error;
    Timed(state, rig,
          [&] { return rig.controller->TransferTableFlash(image, 4096, 0, error, 0) == 1; });
}

void FlashRead4kOnePass(benchmark::State& state) {
    Rig rig(1);
    std::vector<std::uint8_t> image(4096);
    std::string error;
    Timed(state, rig, [&] { return rig.controller->ReadTablePass(image, 4096, 0, error) == 1; });
}

void EepromTableRead(benchmark::State& state) {
    Rig rig(0);
    std::vector<std::uint8_t> image(256);
    std::string error;
    Timed(state, rig,
          [&] { return rig.controller->TransferTableEeprom(image, 256, 0, error, 0) == 1; });
}

void EepromTableReadOnePass(benchmark::State& state) {
    Rig rig(0);
    std::vector<std::uint8_t> image(256);
    std::string error;
    Timed(state, rig, [&] { return rig.controller->ReadTablePass(image, 256, 0, error) == 1; });
}

void BlockRoundTrip256(benchmark::State& state) {
    Rig rig(1);
    rig.controller->Monitor().set_addressing_modes(1);
    std::vector<std::uint8_t> out = Pattern(256);
    std::vector<std::uint8_t> in(256);
    std::string status;
    Timed(state, rig, [&] {
        return rig.controller->Monitor().write_block(out, 0, 0x200, 256, 1, status) == 0 &&
               rig.controller->Monitor().read_block(in, 0, 0x200, 256, status) == 0 && in == out;
    });
}

BENCHMARK(EepromTableWrite)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(EepromByteWrites256)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(FlashWrite4k)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(FlashRead4k)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(FlashRead4kOnePass)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(EepromTableRead)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(EepromTableReadOnePass)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BlockRoundTrip256)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
