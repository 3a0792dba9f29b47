// Rewrites the generated tables of sim/simpresets.cpp: the memory images of new calibrations
// of the preset controllers' transmission types, built by the document itself from the
// shipped definitions, and the calibration values the firmware mirrors into RAM.
//
//   vexa_presetgen [sim/simpresets.cpp] && clang-format -i sim/simpresets.cpp
//
// Run it after changing a definition the presets use; tests/data fails until then.
#include "datafixture.h"
#include "link/ramsymbols.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

using vexa::testing::DataDoc;
using vexa::testing::Family;

struct PresetSource {
    const char* symbol; // kTcs2 ...
    Family family;
    const char* tables[2];
    std::uint8_t fill;
};

const PresetSource kSpecs[] = {
    {"kTcs2", {2, 3}, {"4l60e.def", "4r70w.def"}, 0x00},
    {"kTcs3", {3, 1}, {"4l80e.def", "e4od.def"}, 0xFF},
};

// RAM symbol, the calibration variable the firmware copies into it after power-on.
const std::pair<const char*, const char*> kRamMirror[] = {
    {"BASETPS", "BaseTPS"},          {"VSSCCON", "CCOssOn"},
    {"VSSCCOFF", "CCOssOff"},        {"MNTCCON", "CCMinTpsOn"},
    {"MNTCCOFF", "CCMinTpsOff"},     {"MXTCCON", "CCMaxTpsOn"},
    {"MXTCCOFF", "CCMaxTpsOff"},     {"MNTCCOR", "CCOssMinTpsOR"},
    {"MAN21TH", "MANDownshift21"},   {"MAN12TH", "MANUpshift12"},
    {"SYCONFIG", "SYCONFIG"},        {"MLPSADJ", "LinePressureAdj"},
    {"FTDSTEPR", "FTDownshiftRate"}, {"PTDSTEPR", "PTDownshiftRate"},
    {"UPSTEPRT", "UpshiftRate"},     {"MNCCGEAR", "CCMinGear"},
    {"CCCOLDLO", "TCCColdLockout"},  {"SYCNFIG2", "SYCONFIG2"},
    {"CCDELAY", "TCCDelay"},
};

// Runs of bytes that differ from fill; gaps shorter than four bytes stay inside a run.
void WriteRuns(std::ostream& out, const std::string& name,
               const std::vector<std::pair<int, std::uint8_t>>& bytes, std::uint8_t fill) {
    out << "constexpr SimMemoryRun " << name << "[] = {\n";
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (bytes[i].second == fill) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        for (std::size_t j = i + 1; j < bytes.size() && j < end + 4; ++j) {
            if (bytes[j].second != fill && bytes[j].first == bytes[j - 1].first + 1)
                end = j + 1;
            else if (bytes[j].first != bytes[j - 1].first + 1)
                break;
        }
        char address[16];
        std::snprintf(address, sizeof address, "0x%03X", bytes[i].first);
        out << "    {" << address << ",";
        for (std::size_t k = i; k < end; ++k) {
            if ((k - i) % 32 == 0)
                out << (k == i ? " \"" : "\"\n     \"");
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", bytes[k].second);
            out << hex;
        }
        out << "\"},\n";
        i = end;
    }
    out << "};\n";
}

} // namespace

int main(int argc, char** argv) {
    const std::string path =
        argc > 1 ? argv[1] : std::string(VEXA_SOURCE_DIR) + "/sim/simpresets.cpp";
    std::ostringstream generated;
    for (const PresetSource& source : kSpecs) {
        for (int table = 0; table < 2; ++table) {
            DataDoc data(source.family);
            if (!data.NewOfType(source.tables[table])) {
                std::cerr << source.tables[table] << ": not in " << source.family.Folder() << "\n";
                return 1;
            }
            const std::vector<std::uint8_t> image = data.Image();
            if (image.empty() || !data.host.messages.empty()) {
                std::cerr << source.tables[table] << ": the image does not build cleanly\n";
                return 1;
            }
            std::vector<std::pair<int, std::uint8_t>> bytes;
            for (std::size_t i = 0; i < image.size(); ++i)
                bytes.emplace_back(static_cast<int>(i), image[i]);
            WriteRuns(generated, std::string(source.symbol) + "Table" + std::to_string(table + 1),
                      bytes, source.fill);
            if (table != 0)
                continue;
            std::vector<std::pair<int, std::uint8_t>> ram;
            for (const auto& [symbol, variable] : kRamMirror) {
                ram.emplace_back(
                    vexa::LookupRamSymbol(symbol),
                    static_cast<std::uint8_t>(data.doc->FindIntVariable(variable).Get() & 0xFF));
            }
            std::sort(ram.begin(), ram.end());
            // RAM starts cleared: every mirrored byte is a run of its own unless adjacent.
            WriteRuns(generated, std::string(source.symbol) + "Ram", ram, 0x00);
        }
    }

    std::ifstream in(path);
    std::stringstream whole;
    whole << in.rdbuf();
    std::string text = whole.str();
    const std::string begin = "// BEGIN GENERATED";
    const std::string end = "// END GENERATED";
    const std::size_t from = text.find('\n', text.find(begin));
    const std::size_t to = text.find(end);
    if (text.find(begin) == std::string::npos || to == std::string::npos || to < from) {
        std::cerr << path << ": no generated region\n";
        return 1;
    }
    text.replace(from + 1, to - from - 1, generated.str());
    std::ofstream(path, std::ios::binary) << text;
    std::cout << "wrote " << path << "\n";
    return 0;
}
