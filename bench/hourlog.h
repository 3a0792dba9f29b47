#pragma once
// A one-hour data log for the benchmarks: 72 000 rows at 20 rows a second, 12 channels (a
// gear column among them), numbers with the digits the writer gives them. Written once per
// run into the temporary folder.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace vexa::bench {

constexpr int kRows = 72000;
constexpr int kChannels = 12;

inline std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("vexa-bench-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

inline const std::string& HourLog() {
    static const std::string path = [] {
        const std::string file = TempPath("hour.csv");
        std::ofstream out(file, std::ios::binary);
        out << "# VEXA Transmission Control 3.30c data log; controller: VEXA TCS-2 2.1/3.4; "
               "calibration: a.gvr; definition: 4l60e.def\nTime";
        for (int c = 0; c < kChannels; ++c)
            out << (c == 2 ? ",Gear" : ",Channel " + std::to_string(c));
        out << "\n";
        static const char* gears[] = {"1st", "2nd", "3rd", "4th"};
        char field[64];
        for (int row = 0; row < kRows; ++row) {
            std::snprintf(field, sizeof field, "%d.%03d", row / 20, row % 20 * 50);
            out << field;
            for (int c = 0; c < kChannels; ++c) {
                if (c == 2) {
                    out << "," << gears[row / 600 % 4];
                    continue;
                }
                std::snprintf(field, sizeof field, ",%.10g",
                              100.0 * (c + 1) + 50.0 * std::sin(row * 0.001 * (c + 1)));
                out << field;
            }
            out << "\n";
        }
        return file;
    }();
    return path;
}

} // namespace vexa::bench
