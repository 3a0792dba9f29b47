#include "sim/simpty.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace vexa {

namespace {

// A controller's transmit buffer is small; a client that never reads loses what overflows.
constexpr std::size_t kMaxPending = 64 * 1024;

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

SimPty::SimPty(const SimOptions& options) : line_(options, NowUs()) {}

SimPty::~SimPty() {
    Stop();
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
}

std::int64_t SimPty::NowUs() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool SimPty::Open(std::string& error) {
    if (master_ >= 0)
        return true;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = ErrnoText("posix_openpt");
        return false;
    }
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        error = ErrnoText("grantpt/unlockpt");
        ::close(master);
        return false;
    }
    const char* name = ::ptsname(master);
    if (name == nullptr) {
        error = ErrnoText("ptsname");
        ::close(master);
        return false;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        error = ErrnoText("open slave");
        ::close(master);
        return false;
    }
    // Raw: no echo by the terminal, no line editing, no CR/LF translation, 8 bits.
    termios attributes{};
    if (::tcgetattr(slave, &attributes) != 0) {
        error = ErrnoText("tcgetattr");
        ::close(slave);
        ::close(master);
        return false;
    }
    ::cfmakeraw(&attributes);
    ::cfsetispeed(&attributes, B9600);
    ::cfsetospeed(&attributes, B9600);
    if (::tcsetattr(slave, TCSANOW, &attributes) != 0) {
        error = ErrnoText("tcsetattr");
        ::close(slave);
        ::close(master);
        return false;
    }
    const int flags = ::fcntl(master, F_GETFL);
    ::fcntl(master, F_SETFL, flags | O_NONBLOCK);
    master_ = master;
    slave_ = slave;
    slavePath_ = name;
    return true;
}

void SimPty::Serve(const std::atomic<bool>& stop) {
    if (master_ < 0)
        return;
    std::uint8_t buffer[512];
    while (!stop.load()) {
        // Hand over what has reached the host by now.
        std::uint8_t byte = 0;
        const std::int64_t now = NowUs();
        while (line_.HostReceive(now, byte)) {
            if (pending_.size() < kMaxPending)
                pending_.push_back(static_cast<char>(byte));
        }
        while (!pending_.empty()) {
            const ssize_t written = ::write(master_, pending_.data(), pending_.size());
            if (written <= 0)
                break;
            pending_.erase(0, static_cast<std::size_t>(written));
        }

        int timeoutMs = 50;
        const std::int64_t next = line_.NextArrivalUs();
        if (next != SimLine::kNever)
            timeoutMs =
                static_cast<int>(std::clamp<std::int64_t>((next - NowUs() + 999) / 1000, 0, 50));
        if (!pending_.empty())
            timeoutMs = std::min(timeoutMs, 5);
        pollfd descriptor{master_, POLLIN, 0};
        const int ready = ::poll(&descriptor, 1, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (ready > 0 && (descriptor.revents & (POLLERR | POLLNVAL)) != 0)
            return;
        if (ready > 0 && (descriptor.revents & POLLIN) != 0) {
            const ssize_t got = ::read(master_, buffer, sizeof buffer);
            if (got > 0)
                line_.HostSend(buffer, static_cast<int>(got), NowUs());
        }
    }
}

bool SimPty::Start(std::string& error) {
    if (thread_.joinable())
        return true;
    if (!Open(error))
        return false;
    stop_ = false;
    thread_ = std::thread([this] { Serve(stop_); });
    return true;
}

void SimPty::Stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

} // namespace vexa
