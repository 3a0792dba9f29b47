// Importing calibrations of the older Trellisor program: a text file, one value per line.
// The transmission type named in the file selects a definition file through a map file
// installed beside the program; the values then go into the variables and curves that
// definition declares.
#include "core/numbertext.h"
#include "core/programpaths.h"
#include "core/vlxdoc.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace vexa {

namespace {

constexpr const char* kMapFileName = "OldTypetoDef.map";
// Longest map line the older program could read; the rest of a longer line is ignored.
constexpr std::size_t kMapLineLimit = 399;

// Lines of the file after the user comment, up to the last flag.
constexpr std::size_t kLinesAfterComment = 173;
constexpr int kTables = 7;
constexpr int kLinesPerTable = 20;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::string WithoutQuotes(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[i]);
        const auto b = static_cast<unsigned char>(prefix[i]);
        if (std::tolower(a) != std::tolower(b))
            return false;
    }
    return true;
}

// "%hd": leading blanks, an optional sign and decimal digits; the value wraps to 16 bits
// as the C library stores it. Returns false (value unchanged) when no number starts the line.
bool ScanShort(const std::string& line, std::int16_t& value) {
    long long scanned = 0;
    if (!TextScanner(line).Decimal(scanned))
        return false;
    value = Wrapped<std::int16_t>(scanned);
    return true;
}

// "%f", with '.' as the decimal point whatever the locale: returns false (value unchanged)
// when no number starts the line.
bool ScanFloat(const std::string& line, float& value) {
    return TextScanner(line).Float(value);
}

// The file's lines after the first, read up front so that a file which ends early or
// whose comment never closes is refused before the document changes.
class LegacyLines {
public:
    std::string ReadAll(ByteReader& reader) {
        std::string line;
        while (reader.Line(line))
            lines_.push_back(line);

        // The comment ends with the first line whose last character is a double quote.
        std::size_t end = 0;
        while (end < lines_.size() && (lines_[end].empty() || lines_[end].back() != '"'))
            ++end;
        if (lines_.empty())
            return "the older-format file ends early, at line 2";
        if (end == lines_.size())
            return "the user comment that begins at line 2 never closes with a double quote";
        commentLines_ = end + 1;
        const std::size_t needed = commentLines_ + kLinesAfterComment;
        if (lines_.size() < needed)
            return "the older-format file ends early, at line " + std::to_string(lines_.size() + 2);
        return {};
    }

    // The comment lines joined by single spaces, every double quote removed.
    std::string Comment() const {
        std::string joined;
        for (std::size_t i = 0; i < commentLines_; ++i) {
            if (i > 0)
                joined += ' ';
            joined += lines_[i];
        }
        return WithoutQuotes(std::move(joined));
    }

    const std::string& Next() { return lines_[commentLines_ + next_++]; }
    void Skip(std::size_t n) { next_ += n; }

private:
    std::vector<std::string> lines_;
    std::size_t commentLines_ = 0;
    std::size_t next_ = 0;
};

} // namespace

int CVLXDoc::ReadMapEntry(const std::string& mapPath, const std::string& key, std::string& value) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(mapPath, ec))
        return 0;
    std::ifstream in(mapPath, std::ios::binary);
    if (!in)
        return 0;
    // An empty type would match every line; it names no definition.
    if (key.empty())
        return 1;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > kMapLineLimit)
            line.resize(kMapLineLimit);
        if (!StartsWithNoCase(line, key))
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        value = Trimmed(std::string_view(line).substr(equals + 1));
        return 1;
    }
    return 1;
}

int CVLXDoc::ImportLegacyFile(ByteReader& reader, std::string& failure) {
    LegacyLines lines;
    failure = lines.ReadAll(reader);
    if (!failure.empty())
        return -1;

    // Several values land in one variable (the SYCONFIG bits); a name the definition does
    // not declare is reported once, not once per use.
    std::set<std::string> missing;
    auto intVariable = [&](const std::string& name) -> IntVariableRef {
        if (missing.count(name))
            return {};
        IntVariableRef ref = FindIntVariable(name);
        if (!ref)
            missing.insert(name);
        return ref;
    };
    auto setInt = [&](const std::string& name, std::int16_t value) {
        if (const IntVariableRef ref = intVariable(name))
            ref.Set(value);
    };
    auto setFloat = [&](const std::string& name, float value) {
        if (missing.count(name))
            return;
        if (const FloatVariableRef ref = FindFloatVariable(name))
            ref.Set(value);
        else
            missing.insert(name);
    };
    // Replaces the bits of mask with value's; the AND works on the whole int16, so the
    // high byte is cleared as the older program did.
    auto setBits = [&](const std::string& name, std::int16_t keep, std::int16_t add) {
        if (const IntVariableRef ref = intVariable(name))
            ref.Set(static_cast<std::int16_t>((ref.Get() & keep) + add));
    };
    auto readFlag = [&]() {
        std::int16_t flag = 0;
        ScanShort(lines.Next(), flag);
        return flag != 0;
    };

    ResetDocument();
    const std::string comment = lines.Comment();
    Header[kLogicalName].clear();

    const std::string fileType = WithoutQuotes(lines.Next());
    Header[kTransmissionType] = fileType;
    std::string definitionName;
    if (ReadMapEntry(JoinStoredPath(ProgramDir, kMapFileName), Header[kTransmissionType],
                     definitionName)) {
        Header[kDefinitionFileName] = definitionName;
        LoadDefinitionFile(DefinitionFilePath());
        ReadApplicationID();
        ReadDeclarations(1);
        // The tuning bar reads the curves' conversion settings, which the curves need below.
        RefreshViews(1);
    }
    Header[kSubType] = WithoutQuotes(lines.Next());
    Header[kDescription] = WithoutQuotes(lines.Next());

    const int commentSlot = FindStringIndex("UserComment");
    if (commentSlot >= 0)
        Slot(commentSlot).name = comment;

    lines.Skip(5);
    const std::pair<const char*, float> floats[] = {
        {"AxleRatio", 3.27f}, {"TireDiam", 27.0f}, {"SSFactor", 6.0f}};
    for (const auto& [name, fallback] : floats) {
        float value = fallback;
        ScanFloat(lines.Next(), value);
        if (value > 0.0f)
            setFloat(name, value);
    }

    lines.Skip(1);
    // A point line that does not scan repeats the point before it.
    std::array<std::array<std::int16_t, kPointsPerCurve>, kTables> tables{};
    std::int16_t point = 0;
    for (auto& table : tables) {
        for (int line = 0; line < kLinesPerTable; ++line) {
            const std::string& text = lines.Next();
            if (line % 2 != 0)
                continue;
            ScanShort(text, point);
            table[static_cast<std::size_t>(line / 2)] = point;
        }
    }

    setInt("WOTTPS", 0);
    // One running value: a line that does not scan repeats the value before it.
    std::int16_t value = 40;
    ScanShort(lines.Next(), value);
    setInt("BaseTPS", value);
    for (const char* name :
         {"CCOssOn", "CCOssOff", "CCMinGear", "CCMinTpsOn", "CCMinTpsOff", "CCMaxTpsOn",
          "CCMaxTpsOff", "CCOssMinTpsOR", "MANDownshift21", "MANUpshift12"}) {
        ScanShort(lines.Next(), value);
        setInt(name, value);
    }

    setBits("SYCONFIG", 0xDF, readFlag() ? 32 : 0);
    for (const char* name : {"DriveGearTeeth", "DrivenGearTeeth"}) {
        ScanShort(lines.Next(), value);
        setInt(name, value);
    }
    setInt("PSOM", readFlag() ? 1 : 0);
    setBits("SYCONFIG", 0xF7, readFlag() ? 8 : 0);
    const bool fourWheelDrive = readFlag();
    setInt("FourWheelDrive", fourWheelDrive ? 1 : 0);
    const bool lowRangeCal = readFlag();
    setInt("LowRangeCal", lowRangeCal ? 1 : 0);

    float lowRangeRatio = 0.0f;
    ScanFloat(lines.Next(), lowRangeRatio);
    if (lowRangeRatio > 0.0f)
        setFloat("LowRangeRatio", lowRangeRatio);
    setFloat("AuxRangeRatio",
             fourWheelDrive && lowRangeCal && lowRangeRatio > 0.0f ? lowRangeRatio : 1.0f);

    // Tables 0 to 5 hold 8-bit internal values, in the order 0, 2, 4, 1, 3, 5 of the
    // curves; table 6 is copied as it is.
    for (int table = 0; table < kTables - 1; ++table) {
        const int curve = table / 3 + 2 * (table % 3);
        for (int p = 0; p < kPointsPerCurve; ++p) {
            const auto raw = static_cast<std::uint8_t>(
                static_cast<std::uint16_t>(
                    tables[static_cast<std::size_t>(table)][static_cast<std::size_t>(p)]) &
                0xFFu);
            // InternalToCurve gives 0 to 32767, so adding a half and truncating rounds half up.
            Point(curve, p) =
                static_cast<std::int16_t>(InternalToCurve(curve, raw, kIntToStore) + 0.5f);
        }
    }
    for (int p = 0; p < kPointsPerCurve; ++p)
        Point(kTables - 1, p) = tables[kTables - 1][static_cast<std::size_t>(p)];

    setBits("SYCONFIG2", 0xFD, readFlag() ? 2 : 0);
    // The file's type, or the type of the definition it was mapped to.
    const bool fourL80E = fileType.find("4L80E") != std::string::npos ||
                          Header[kTransmissionType].find("4L80E") != std::string::npos;
    setBits("SYCONFIG2", 0xFE, readFlag() || fourL80E ? 1 : 0);
    return 1;
}

} // namespace vexa
