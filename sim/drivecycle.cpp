#include "sim/drivecycle.h"

#include <algorithm>
#include <cmath>

namespace vexa {

namespace {

constexpr double kGearRatios[4] = {2.84, 1.55, 1.00, 0.70};
constexpr double kFinalDrive = 3.55;
constexpr double kTyreCircumferenceM = 2.0;
constexpr double kIdleRpm = 750;

enum class Phase { Standing, Accelerating, Cruising, Braking };

} // namespace

DriveState DriveCycle::At(std::int64_t ms) {
    ms = std::max<std::int64_t>(ms, 0);
    const bool firstCycle = ms < kPeriodMs;
    const double s = static_cast<double>(ms % kPeriodMs) / 1000.0;
    const double totalS = static_cast<double>(ms) / 1000.0;

    DriveState state;
    Phase phase = Phase::Standing;
    if (s >= 10 && s < 40) {
        const double u = (s - 10) / 30;
        phase = Phase::Accelerating;
        state.speedKmh = 100 * (1 - (1 - u) * (1 - u));
        state.throttle = 0.55 - 0.25 * u;
    } else if (s >= 40 && s < 80) {
        phase = Phase::Cruising;
        state.speedKmh = 100 + 2 * std::sin((s - 40) / 5);
        state.throttle = 0.18 + 0.03 * std::sin((s - 40) / 3);
    } else if (s >= 80 && s < 100) {
        phase = Phase::Braking;
        state.speedKmh = 100 * (1 - (s - 80) / 20);
    }

    // Up-shifts while pulling away, later down-shifts while braking (hysteresis).
    switch (phase) {
    case Phase::Standing:
        state.gear = 1;
        state.oldGear = (firstCycle && s < 10) ? 1 : 2;
        break;
    case Phase::Accelerating:
        state.gear = 1 + (state.speedKmh >= 20) + (state.speedKmh >= 45) + (state.speedKmh >= 70);
        state.oldGear = state.gear > 1 ? state.gear - 1 : (firstCycle ? 1 : 2);
        break;
    case Phase::Cruising:
        state.gear = 4;
        state.oldGear = 3;
        break;
    case Phase::Braking:
        state.gear = state.speedKmh > 55   ? 4
                     : state.speedKmh > 30 ? 3
                     : state.speedKmh > 12 ? 2
                                           : 1;
        state.oldGear = state.gear < 4 ? state.gear + 1 : 3;
        break;
    }

    const double wheelRpm = state.speedKmh * 1000 / 60 / kTyreCircumferenceM;
    state.turbineRpm = wheelRpm * kFinalDrive * kGearRatios[state.gear - 1];
    state.clutchLocked = phase == Phase::Cruising;
    if (state.clutchLocked) {
        state.engineRpm = std::max(state.turbineRpm, kIdleRpm);
    } else {
        const double slip = 0.04 + 0.25 * state.throttle;
        state.engineRpm = std::max(kIdleRpm + 1800 * state.throttle, state.turbineRpm * (1 + slip));
    }
    state.linePressure = 0.25 + 0.6 * state.throttle;
    state.coolantC = 20 + 70 * (1 - std::exp(-totalS / 240));
    state.oilC = 20 + 60 * (1 - std::exp(-totalS / 480)) + 5 * state.throttle;
    state.batteryV = 13.8 + 0.1 * std::sin(totalS / 7);
    return state;
}

} // namespace vexa
