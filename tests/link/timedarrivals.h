#pragma once
// A serial line whose bytes arrive at fixed virtual times; waiting moves the ManualClock.
#include "core/clock.h"
#include "link/bytetransport.h"

#include <deque>
#include <string>
#include <vector>

namespace vexa::testing {

// A line whose bytes arrive at fixed virtual times; waiting moves the clock.
class TimedArrivals : public ByteTransport {
public:
    TimedArrivals(ManualClock& clock, std::vector<std::int64_t> arrivalsMs) : clock_(clock) {
        for (auto at : arrivalsMs)
            arrivals_.push_back(at);
    }
    int Open(std::string&) override { return 1; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    int Read(std::uint8_t*, int) override { return 0; } // the rule must use ReadAvailable
    int ReadAvailable(std::uint8_t* destination, int max, int waitMs) override {
        const std::int64_t until = clock_.NowMs() + waitMs;
        if (arrivals_.empty() || arrivals_.front() > until) {
            clock_.Advance(until - clock_.NowMs());
            return 0;
        }
        if (arrivals_.front() > clock_.NowMs())
            clock_.Advance(arrivals_.front() - clock_.NowMs());
        int count = 0;
        while (count < max && !arrivals_.empty() && arrivals_.front() <= clock_.NowMs()) {
            destination[count++] = static_cast<std::uint8_t>('a' + delivered_++ % 26);
            arrivals_.pop_front();
        }
        return count;
    }
    int Write(const std::uint8_t*, int n) override { return n; }
    int Purge() override { return 1; }

private:
    ManualClock& clock_;
    std::deque<std::int64_t> arrivals_;
    int delivered_ = 0;
};

} // namespace vexa::testing
