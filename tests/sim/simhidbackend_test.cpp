// The HID front end: the device it presents and the layout of its reports.
#include "sim/simhidbackend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexa {
namespace {

using Report = std::vector<std::uint8_t>;

Report OutputReport(const std::string& payload) {
    Report report(kSimHidReportLength, 0);
    std::copy(payload.begin(), payload.end(), report.begin() + 1);
    return report;
}

// The stream bytes of an input report: after the id byte, up to the NUL.
std::string Payload(const Report& report) {
    std::string text;
    for (std::size_t i = 1; i < report.size() && report[i] != 0; ++i)
        text.push_back(static_cast<char>(report[i]));
    return text;
}

struct Device {
    explicit Device(const SimOptions& options = {}) : backend(clock, options) {
        EXPECT_TRUE(backend.Open(kSimHidPath));
    }
    int Write(const std::string& payload) {
        const Report report = OutputReport(payload);
        return backend.WriteReport(report.data(), static_cast<int>(report.size()));
    }
    Report Read(int timeoutMs = 300) {
        Report report(kSimHidReportLength, 0xCC);
        const int got = backend.ReadReport(report.data(), kSimHidReportLength, timeoutMs);
        report.resize(static_cast<std::size_t>(std::max(got, 0)));
        return report;
    }
    ManualClock clock;
    SimHidBackend backend;
};

TEST(SimHidBackend, PresentsTheControllerIds) {
    ManualClock clock;
    SimHidBackend backend(clock);
    const auto devices = backend.Enumerate();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].vendorId, kControllerVendorId);
    EXPECT_EQ(devices[0].productId, 0x0001);
    EXPECT_EQ(devices[0].inputReportLength, 64);
    EXPECT_EQ(devices[0].outputReportLength, 64);
    EXPECT_FALSE(backend.Open("/dev/hidraw0"));
    EXPECT_EQ(backend.WriteReport(OutputReport("v00").data(), 64), -1); // not open
    EXPECT_TRUE(backend.Open(devices[0].path));
}

TEST(SimHidBackend, ReportIsIdZeroPayloadNulAndPadding) {
    Device device;
    // Bytes behind the output payload's NUL are not part of the stream.
    Report report = OutputReport("v00");
    report[5] = 'f';
    EXPECT_EQ(device.backend.WriteReport(report.data(), 64), 64);
    const Report input = device.Read();
    ASSERT_EQ(input.size(), 64u);
    Report expected(64, 0);
    const std::string answer = "v0021";
    std::copy(answer.begin(), answer.end(), expected.begin() + 1);
    EXPECT_EQ(input, expected);
}

TEST(SimHidBackend, LongRepliesComeInReportsOfAtMost62Bytes) {
    Device device;
    for (int i = 0; i < 256; ++i)
        device.backend.Controller().SetRam(0x300 + i, static_cast<std::uint8_t>('A' + i % 26));
    ASSERT_EQ(device.Write("d300FF"), 64);
    // Echo 6, data 256, end marker 2, checksum 2, `c`: 267 bytes.
    std::string stream;
    std::vector<std::size_t> sizes;
    for (Report report = device.Read(); !report.empty() && Payload(report) != "";
         report = device.Read()) {
        sizes.push_back(Payload(report).size());
        stream += Payload(report);
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{62, 62, 62, 62, 19}));
    EXPECT_EQ(stream.substr(0, 8), "d300FFAB");
    EXPECT_EQ(stream.back(), 'c');
}

TEST(SimHidBackend, SilentDeviceTimesOutAndUnpluggedOneFails) {
    SimOptions options;
    options.faults.unplugAfter = 5;
    Device device(options);
    const std::int64_t start = device.clock.NowMs();
    EXPECT_EQ(device.Read(300).size(), 0u);
    EXPECT_EQ(device.clock.NowMs() - start, 300);

    device.Write("v00");
    EXPECT_EQ(Payload(device.Read()), "v0021");
    device.Write("v00"); // the sixth byte unplugs it
    Report buffer(64);
    EXPECT_EQ(device.backend.ReadReport(buffer.data(), 64, 300), -1);
    EXPECT_TRUE(device.backend.Enumerate().empty());
    EXPECT_FALSE(device.backend.Open(kSimHidPath));
}

} // namespace
} // namespace vexa
