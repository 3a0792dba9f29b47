// Callout formats come from definition files: the checker must never crash, and a format
// it accepts must format the engine's five arguments without overrunning the buffer.
#include "graph/graphengine.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string format(reinterpret_cast<const char*>(data), size);
    if (!vexa::IsCalloutFormatSafe(format))
        return 0;
    char text[64];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(text, sizeof text, format.c_str(), "trace", 1.5, "unit", 3, 4);
#pragma GCC diagnostic pop
    return 0;
}
