// Random controller replies fed to every monitor command through the serial port's COM
// time-out rule on virtual time: no crash, no hang, every call returns.
#include "core/clock.h"
#include "core/timerservice.h"
#include "link/serialport.h"
#include "link/tcs_monitor.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

// A line that answers with the fuzz input: each ReadAvailable takes a chunk whose size the
// next input byte chooses; an empty input is silence, which only moves the clock.
class FuzzLine : public vexa::ByteTransport {
public:
    FuzzLine(vexa::ManualClock& clock, const std::uint8_t* data, std::size_t size)
        : clock_(clock), data_(data), size_(size) {}
    int Open(std::string&) override { return 1; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    int Read(std::uint8_t* destination, int n) override { return ReadAvailable(destination, n, 0); }
    int ReadAvailable(std::uint8_t* destination, int max, int waitMs) override {
        if (pos_ >= size_) {
            clock_.Advance(waitMs);
            return 0;
        }
        const int chunk = 1 + data_[pos_++] % 8;
        int count = 0;
        while (count < max && count < chunk && pos_ < size_) {
            if (data_[pos_] != 0) // the line drops NULs
                destination[count++] = data_[pos_];
            ++pos_;
        }
        clock_.Advance(count == 0 ? waitMs : 1);
        return count;
    }
    int Write(const std::uint8_t*, int n) override { return n; }
    int Purge() override { return 1; }

private:
    vexa::ManualClock& clock_;
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class Settings : public vexa::SettingsStore {
public:
    int GetInt(std::string_view, std::string_view, int d) const override { return d; }
    std::string GetString(std::string_view, std::string_view, std::string_view) const override {
        return "fuzz";
    }
    bool WriteInt(std::string_view, std::string_view, int) override { return true; }
    bool WriteString(std::string_view, std::string_view, std::string_view) override { return true; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    vexa::ManualClock clock;
    vexa::ManualTimerService timers;
    Settings settings;
    vexa::SerialDeviceFactory factory;
    factory.SetDefault([&](const std::string&, int) {
        return std::make_unique<FuzzLine>(clock, data + 1, size - 1);
    });
    vexa::CTCS_Monitor monitor(
        std::make_unique<vexa::CSerialPort>(&settings, &factory, nullptr, clock), timers);
    monitor.set_addressing_modes(data[0] % 4);
    monitor.set_connected(1);

    std::string text;
    int value = vexa::CTCS_Monitor::kNoData;
    std::uint16_t word = 0;
    std::vector<std::uint8_t> block(300, 0x77);
    for (int round = 0; round < 2; ++round) {
        monitor.set_connected(1);
        monitor.read_RAM('f', 0x45, value, text);
        monitor.write_RAM('f', 0x44, 0x09, text);
        monitor.write_NVM('e', 0x10, 0x5A, text);
        monitor.set_connected(1);
        monitor.read_NVM('e', 0x20, word, text);
        monitor.enable_EEPROM_write();
        monitor.disable_EEPROM_write();
        std::uint16_t a = 1, b = 1, c = 1, d = 1;
        monitor.read_version(&a, &b, &c, &d);
        monitor.read_symbol("GEAR");
        monitor.write_block(block, 0, 0x200, 256, data[0] % 3, text);
        monitor.read_block(block, 10, 0x200, 256, text);
        monitor.write_flash(0x50, 8, text);
        monitor.read_flash(0x50, 8, text);
        timers.Advance(2500);
    }
    return 0;
}
