#pragma once
// A deterministic drive that repeats every 120 s, so the live values a dashboard polls move
// the way a car's do: idle, pull away through the gears, cruise with the converter clutch
// locked, brake back down through the gears, stand. Temperatures warm up over the whole run.
#include <cstdint>

namespace vexa {

struct DriveState {
    double speedKmh = 0; // vehicle speed
    double throttle = 0; // 0..1
    int gear = 1;        // 1..4, the gear engaged
    int oldGear = 1;     // the gear engaged before the last shift
    double engineRpm = 0;
    double turbineRpm = 0;     // torque converter turbine (transmission input) speed
    bool clutchLocked = false; // torque converter clutch applied
    double linePressure = 0;   // line pressure command, 0..1
    double coolantC = 0;       // engine coolant temperature, deg C
    double oilC = 0;           // transmission oil temperature, deg C
    double batteryV = 0;
};

class DriveCycle {
public:
    static constexpr std::int64_t kPeriodMs = 120000;
    // The state at ms milliseconds after power-on (negative times count as 0).
    static DriveState At(std::int64_t ms);
};

} // namespace vexa
