// The pseudo-terminal front end, opened from the test as a serial client would.
#include "sim/simpty.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace vexa {
namespace {

class PtyClient {
public:
    explicit PtyClient(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios attributes{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &attributes) == 0) {
            ::cfmakeraw(&attributes);
            ::tcsetattr(fd_, TCSANOW, &attributes);
        }
    }
    ~PtyClient() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }
    void Send(const std::string& text) {
        ASSERT_EQ(::write(fd_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::tcdrain(fd_);
    }
    // Reads until n bytes came or a second passed.
    std::string Receive(std::size_t n) {
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (text.size() < n && std::chrono::steady_clock::now() < deadline) {
            pollfd descriptor{fd_, POLLIN, 0};
            if (::poll(&descriptor, 1, 20) <= 0)
                continue;
            char buffer[64];
            const ssize_t got = ::read(fd_, buffer, std::min(sizeof buffer, n - text.size()));
            if (got > 0)
                text.append(buffer, static_cast<std::size_t>(got));
        }
        return text;
    }

private:
    int fd_;
};

TEST(SimPty, AnswersOnTheSlaveWithRealPacing) {
    SimOptions options;
    options.baud = 9600;
    SimPty pty(options);
    std::string error;
    ASSERT_TRUE(pty.Start(error)) << error;
    ASSERT_EQ(pty.SlavePath().rfind("/dev/", 0), 0u) << pty.SlavePath();

    {
        PtyClient client(pty.SlavePath());
        ASSERT_TRUE(client.IsOpen());
        const auto start = std::chrono::steady_clock::now();
        client.Send("v00");
        EXPECT_EQ(client.Receive(5), "v0021");
        // Six byte times at 9600 baud at the least.
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(6000));
    }
    // A second client after the first closed the port.
    PtyClient client(pty.SlavePath());
    client.Send("e1055");
    EXPECT_EQ(client.Receive(8), "e10FF55c");
    client.Send("w00");
    EXPECT_EQ(client.Receive(5), "w0034");
    pty.Stop();
}

} // namespace
} // namespace vexa
