// Random host traffic for the virtual controller. The first line is a fault spec (and an
// identity text), the rest the host's bytes, written in pieces with reads in between, on
// virtual time. Nothing may crash or hang, and every read keeps to its count.
#include "core/clock.h"
#include "sim/simoptions.h"
#include "sim/simtransport.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size < 8192 ? size : 8192);
    const std::size_t newline = input.find('\n');
    const std::string spec = input.substr(0, newline);
    const std::string host = newline == std::string::npos ? input : input.substr(newline + 1);

    vexa::SimOptions options;
    std::string error;
    vexa::ParseIdentity(spec, options.identity, error);
    if (!vexa::ParseFaultSpec(spec, options.faults, error))
        options.faults = {};
    options.baud = host.size() % 2 == 0 ? 9600 : 0;
    options.layout.nvmType = static_cast<int>(host.size() % 3);

    vexa::ManualClock clock;
    vexa::SimTransport transport(clock, options);
    transport.Open(error);
    std::uint8_t reply[300];
    std::size_t position = 0;
    while (position < host.size()) {
        const std::size_t piece = 1 + static_cast<std::uint8_t>(host[position]) % 40;
        const std::size_t count = piece < host.size() - position ? piece : host.size() - position;
        transport.Write(reinterpret_cast<const std::uint8_t*>(host.data() + position),
                        static_cast<int>(count));
        position += count;
        const int wanted = static_cast<int>(count % 7) * 40 + 1;
        if (transport.Read(reply, wanted) > wanted)
            std::abort();
        if (position % 5 == 0)
            transport.Purge();
    }
    return 0;
}
