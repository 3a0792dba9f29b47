#include "link/statedump.h"

#include <cstdio>

namespace vexa {

int DumpControllerState(CTCS_Monitor& monitor, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr)
        return 0;
    CTCS_Monitor::Exchange exchange(monitor);
    MonitorOwner* owner = monitor.document();
    if (owner != nullptr)
        owner->SetStatusText("Reading controller operating state...");
    bool written = std::fputs("      0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F", file) >= 0 &&
                   std::fputs("\n    +------------------------------------------------", file) >= 0;
    for (int address = 0; address < 256 && written; ++address) {
        if (address % 16 == 0)
            written = std::fprintf(file, "\n0x%X |", static_cast<unsigned>(address / 16)) > 0;
        int value = CTCS_Monitor::kNoData;
        std::string error;
        if (!monitor.read_RAM('f', address, value, error)) {
            std::fclose(file);
            return 0;
        }
        written = written && std::fprintf(file, " %02x", static_cast<unsigned>(value)) > 0;
    }
    // A full disk shows up at the latest when the buffer is written out.
    if (std::fclose(file) != 0 || !written)
        return 0;
    if (owner != nullptr)
        owner->SetStatusText("Controller operating state read complete");
    return 1;
}

} // namespace vexa
