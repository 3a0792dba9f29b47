#include "sim/simline.h"

#include <algorithm>

namespace vexa {

SimLine::SimLine(const SimOptions& options, std::int64_t startUs)
    : options_(options), controller_(options),
      byteUs_(options.baud > 0 ? (10'000'000 + options.baud / 2) / options.baud : 0),
      random_(options.seed), toControllerFreeUs_(startUs), toHostFreeUs_(startUs) {
    controller_.PowerOn(startUs);
}

std::uint64_t SimLine::NextRandom() {
    // splitmix64: the same sequence on every platform and standard library.
    std::uint64_t z = (random_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

bool SimLine::Chance(double probability) {
    const double draw = static_cast<double>(NextRandom() >> 11) * 0x1.0p-53;
    return draw < probability;
}

SimLine::Fate SimLine::Roll(std::uint8_t& value, std::int64_t& extraUs) {
    const SimFaults& faults = options_.faults;
    extraUs = 0;
    if (faults.drop > 0 && Chance(faults.drop))
        return Fate::Drop;
    if (faults.change > 0 && Chance(faults.change))
        value = static_cast<std::uint8_t>(value ^ (1u << (NextRandom() % 8)));
    if (faults.delay > 0 && faults.delayMs > 0 && Chance(faults.delay))
        extraUs = std::int64_t{faults.delayMs} * 1000;
    return Fate::Deliver;
}

void SimLine::UpdatePower(std::int64_t nowUs) {
    const SimFaults& faults = options_.faults;
    if (silentSinceUs_ >= 0 && faults.silentForMs >= 0) {
        const std::int64_t endUs = silentSinceUs_ + std::int64_t{faults.silentForMs} * 1000;
        if (nowUs >= endUs) {
            silentSinceUs_ = -1;
            controller_.PowerOn(endUs); // the watchdog restarted it
        }
    }
    if (unpluggedSinceUs_ >= 0 && faults.replugAfterMs >= 0) {
        const std::int64_t endUs = unpluggedSinceUs_ + std::int64_t{faults.replugAfterMs} * 1000;
        if (nowUs >= endUs) {
            unpluggedSinceUs_ = -1;
            controller_.PowerOn(endUs);
        }
    }
}

bool SimLine::Unplugged(std::int64_t nowUs) {
    UpdatePower(nowUs);
    return unpluggedSinceUs_ >= 0 && nowUs >= unpluggedSinceUs_;
}

void SimLine::Emit(const std::vector<TimedByte>& replies) {
    const SimFaults& faults = options_.faults;
    for (const TimedByte& reply : replies) {
        const std::int64_t departUs = std::max(reply.readyUs, toHostFreeUs_);
        if (silentSinceUs_ >= 0 || unpluggedSinceUs_ >= 0)
            return;
        if (!silenceDone_ && faults.silentAfter >= 0 && controllerSent_ >= faults.silentAfter) {
            silenceDone_ = true;
            silentSinceUs_ = departUs;
            return;
        }
        if (!unplugDone_ && faults.unplugAfter >= 0 && controllerSent_ >= faults.unplugAfter) {
            unplugDone_ = true;
            unpluggedSinceUs_ = departUs;
            return;
        }
        std::uint8_t value = reply.value;
        if (faults.flipAt >= 0 && controllerSent_ >= faults.flipAt &&
            controllerSent_ < faults.flipAt + faults.flipCount)
            value ^= 0x01;
        ++controllerSent_;
        std::int64_t extraUs = 0;
        const Fate fate = Roll(value, extraUs);
        const std::int64_t arriveUs = departUs + extraUs + byteUs_;
        toHostFreeUs_ = arriveUs;
        if (fate == Fate::Deliver)
            toHost_.push_back({arriveUs, value});
    }
}

std::int64_t SimLine::HostSend(const std::uint8_t* bytes, int n, std::int64_t nowUs) {
    if (n <= 0 || Unplugged(nowUs))
        return nowUs;
    for (int i = 0; i < n; ++i) {
        const std::int64_t departUs = std::max(nowUs, toControllerFreeUs_);
        std::uint8_t value = bytes[i];
        std::int64_t extraUs = 0;
        const Fate fate = Roll(value, extraUs);
        const std::int64_t arriveUs = departUs + extraUs + byteUs_;
        toControllerFreeUs_ = arriveUs;
        UpdatePower(arriveUs);
        const bool deaf = (silentSinceUs_ >= 0 && arriveUs >= silentSinceUs_) ||
                          (unpluggedSinceUs_ >= 0 && arriveUs >= unpluggedSinceUs_);
        if (fate == Fate::Drop || deaf)
            continue;
        replies_.clear();
        controller_.Receive(value, arriveUs, replies_);
        Emit(replies_);
    }
    return toControllerFreeUs_;
}

bool SimLine::HostReceive(std::int64_t nowUs, std::uint8_t& byte) {
    if (Unplugged(nowUs)) {
        toHost_.clear();
        return false;
    }
    if (toHost_.empty() || toHost_.front().atUs > nowUs)
        return false;
    byte = toHost_.front().value;
    toHost_.pop_front();
    return true;
}

std::int64_t SimLine::NextArrivalUs() const {
    if (toHost_.empty())
        return kNever;
    if (unpluggedSinceUs_ >= 0 && toHost_.front().atUs >= unpluggedSinceUs_)
        return kNever;
    return toHost_.front().atUs;
}

void SimLine::PurgeArrived(std::int64_t nowUs) {
    while (!toHost_.empty() && toHost_.front().atUs <= nowUs)
        toHost_.pop_front();
}

} // namespace vexa
