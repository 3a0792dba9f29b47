// The Qt SerialPort adapter on a pseudo-terminal, with the controller side played by a
// thread on the master end: real termios, real time-outs.
#include "link/qtserial_transport.h"
#include "link/serialport.h"
#include "link/tcs_monitor.h"
#include "sim/simpty.h"
#include "support/memorysettings.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <stdlib.h>
#include <thread>
#include <unistd.h>

namespace vexa {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "link_qt_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QCoreApplication> app_;
};
[[maybe_unused]] auto* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// The controller end of a pseudo-terminal. respond gets every byte the host sends and
// returns what to send back.
class PtyController {
public:
    using Responder = std::function<std::string(std::uint8_t)>;

    PtyController() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0)
            slave_ = ptsname(master_);
    }
    ~PtyController() {
        Stop();
        if (master_ >= 0)
            ::close(master_);
    }
    const std::string& slave() const { return slave_; }

    void Start(Responder respond) {
        thread_ = std::thread([this, respond] {
            while (!stop_) {
                pollfd fd{master_, POLLIN, 0};
                if (::poll(&fd, 1, 10) <= 0 || (fd.revents & POLLIN) == 0)
                    continue;
                std::uint8_t buffer[64];
                const ssize_t n = ::read(master_, buffer, sizeof buffer);
                for (ssize_t i = 0; i < n; ++i) {
                    received_.push_back(static_cast<char>(buffer[i]));
                    Send(respond(buffer[i]));
                }
            }
        });
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    void Send(const std::string& bytes) {
        if (!bytes.empty()) [[maybe_unused]]
            auto n = ::write(master_, bytes.data(), bytes.size());
    }
    // Only after Stop().
    const std::string& received() const { return received_; }

private:
    int master_ = -1;
    std::string slave_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::string received_;
};

std::int64_t ElapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 since)
        .count();
}

TEST(QtSerialTransport, SilentLineReadOfThreeBytesEndsAfterAbout115ms) {
    PtyController controller;
    ASSERT_FALSE(controller.slave().empty());
    QtSerialTransport port(controller.slave());
    std::string error;
    ASSERT_EQ(port.Open(error), 1) << error;
    std::uint8_t buffer[3];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Read(buffer, 3), 0);
    const auto elapsed = ElapsedMs(start);
    EXPECT_GE(elapsed, 114);
    EXPECT_LT(elapsed, 1000); // it ends by its time-out instead of hanging
}

TEST(QtSerialTransport, BufferedBytesAreTakenWithoutWaitingAndNulsDropped) {
    PtyController controller;
    QtSerialTransport port(controller.slave());
    std::string error;
    ASSERT_EQ(port.Open(error), 1) << error;
    controller.Send(std::string("a\0bc", 4));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::uint8_t buffer[3] = {};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Read(buffer, 3), 3);
    EXPECT_LT(ElapsedMs(start), 30);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), "abc");
}

TEST(QtSerialTransport, WritesAreOnTheLineWhenWriteReturns) {
    PtyController controller;
    QtSerialTransport port(controller.slave());
    std::string error;
    ASSERT_EQ(port.Open(error), 1) << error;
    const std::string command = "b05007";
    EXPECT_EQ(port.Write(reinterpret_cast<const std::uint8_t*>(command.data()), 6), 6);
    controller.Start([](std::uint8_t) { return std::string(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    controller.Stop();
    EXPECT_EQ(controller.received(), command);
}

TEST(QtSerialTransport, MissingPortGivesTheNoSuchPortText) {
    QtSerialTransport port("/dev/vexa-no-such-port");
    std::string error;
    EXPECT_EQ(port.Open(error), 0);
    EXPECT_EQ(error, SerialOpenErrorText("/dev/vexa-no-such-port", ENOENT));
}

TEST(QtSerialTransport, MonitorReadsRamThroughThePseudoTerminal) {
    PtyController controller;
    testing::MemorySettings settings;
    settings.WriteString(kCommSettingsSection, kComPortNameKey, controller.slave());
    SerialDeviceFactory factory;
    RegisterQtSerialPorts(factory);
    ManualTimerService timers;
    std::string seen;
    // Echo every byte; after the address, a NUL (dropped by the host) and the byte 3F.
    controller.Start([&seen](std::uint8_t byte) {
        seen.push_back(static_cast<char>(byte));
        std::string reply(1, static_cast<char>(byte));
        if (seen.size() >= 3 && seen.substr(seen.size() - 3) == "f45")
            reply += std::string("\0"
                                 "3F",
                                 3);
        return reply;
    });
    CTCS_Monitor monitor(std::make_unique<CSerialPort>(&settings, &factory, nullptr), timers);
    ASSERT_TRUE(monitor.transport().IsOpen());
    int value = CTCS_Monitor::kNoData;
    std::string error;
    EXPECT_EQ(monitor.read_RAM('f', 0x45, value, error), 1) << error;
    EXPECT_EQ(value, 0x3F);
    controller.Stop();
    EXPECT_EQ(controller.received(), "f45");
}

// The virtual controller at 9600 baud in real time refuses a flash write once: after the
// refusal, the abort byte's echo is still on the line when the host moves on. A few runs,
// since on a real line the timing differs from run to run.
TEST(QtSerialTransport, RefusedFlashWriteIsRetriedOnARealSpeedLine) {
    for (int run = 0; run < 3; ++run) {
        SimOptions options;
        options.baud = 9600;
        options.layout.nvmType = 1;
        options.faults.refuseFlashWrites = 1;
        SimPty pty(options);
        std::string error;
        ASSERT_TRUE(pty.Open(error) && pty.Start(error)) << error;
        testing::MemorySettings settings;
        settings.WriteString(kCommSettingsSection, kComPortNameKey, pty.SlavePath());
        SerialDeviceFactory factory;
        RegisterQtSerialPorts(factory);
        ManualTimerService timers;
        CTCS_Monitor monitor(std::make_unique<CSerialPort>(&settings, &factory, nullptr), timers);
        ASSERT_TRUE(monitor.transport().IsOpen());
        EXPECT_EQ(monitor.write_flash(0x50, 1, error), 0xFF) << run;
        EXPECT_EQ(error, "Flash memory write verification failed at address 0x1400");
        monitor.purge_line();
        EXPECT_EQ(monitor.write_flash(0x50, 1, error), 0) << run << ": " << error;
        pty.Stop();
    }
}

} // namespace
} // namespace vexa
