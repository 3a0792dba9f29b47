// Declarations, variable lookups, the controller memory image and the curve conversions.
#include "core/vlxdoc.h"

#include "core/numbertext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vexa {

namespace {

const char* const kIntLookupError =
    "Definition file error:\n\nCould not resolve integer variable listed above. Please "
    "contact us for assistance.";
const char* const kFloatLookupError =
    "Definition file error:\n\nCould not resolve floating point variable listed above. Please "
    "contact us for assistance.";
const char* const kStringLookupError =
    "Definition file error:\n\nCould not resolve string index listed above. Please contact us "
    "for assistance.";
const char* const kTableLookupError =
    "Definition file error:\n\nCould not resolve table index listed above. Please contact us "
    "for assistance.";

std::uint8_t TypeCodeOf(std::string_view word) {
    if (word == "I16")
        return kTypeI16;
    if (word == "I32")
        return kTypeI32;
    if (word == "F32")
        return kTypeF32;
    if (word == "STR")
        return kTypeSTR;
    if (word == "T8")
        return kTypeT8;
    return kTypeI8;
}

int SlotsFor(std::uint8_t type) {
    return type == kTypeI32 || type == kTypeSTR ? 2 : 1;
}

// Bytes a scalar takes in the memory image.
int ImageBytes(std::uint8_t type) {
    switch (type) {
    case kTypeI8:
        return 1;
    case kTypeI16:
        return 2;
    case kTypeI32:
    case kTypeF32:
        return 4;
    default:
        return 0;
    }
}

// Conversions from a formula's double that cannot overflow the integer they land in.
constexpr double kConversionLimit = 9.0e15;

long long TruncateTowardZero(double value) {
    if (!std::isfinite(value))
        return 0;
    return static_cast<long long>(std::clamp(value, -kConversionLimit, kConversionLimit));
}

long long RoundHalfUp(double value) {
    return TruncateTowardZero(value + 0.5);
}

std::uint8_t ClampByte(long long value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0LL, 255LL));
}

std::string TooManyFormulas(bool store, unsigned count) {
    char text[160];
    if (store)
        std::snprintf(text, sizeof text, "Too many store formulas (%u) for array size", count);
    else
        std::snprintf(text, sizeof text, "Too many load formulas (%u) for array size", count);
    return text;
}

} // namespace

int CVLXDoc::UsedSlots() const {
    return static_cast<int>(std::min<std::uint32_t>(Declarations.VariableCount(), kMaxVariables));
}

// --- Lookups -------------------------------------------------------------------------

int CVLXDoc::FindVariableSlot(const std::string& name, std::uint8_t kind) const {
    const int used = UsedSlots();
    for (int i = 0; i < used; ++i) {
        const VariableSlot& slot = VariableTable[static_cast<std::size_t>(i)];
        if (slot.name != name)
            continue;
        const bool matches = kind == kTypeI8   ? IsIntegerType(slot.type)
                             : kind == kTypeT8 ? IsTableType(slot.type)
                                               : slot.type == kind;
        if (matches)
            return i;
    }
    return -1;
}

IntVariableRef CVLXDoc::FindIntVariable(const std::string& name) {
    const int slot = FindVariableSlot(name, kTypeI8);
    if (slot >= 0)
        return IntVariableRef(&Slot(slot));
    if (name == "NumNVMTables")
        return IntVariableRef(&Identity);
    ShowMessage(kIntLookupError, name, kMbIconExclamation);
    return {};
}

FloatVariableRef CVLXDoc::FindFloatVariable(const std::string& name) {
    const int slot = FindVariableSlot(name, kTypeF32);
    if (slot >= 0)
        return FloatVariableRef(&Slot(slot));
    ShowMessage(kFloatLookupError, name, kMbIconExclamation);
    return {};
}

int CVLXDoc::FindStringIndex(const std::string& name) {
    const int slot = FindVariableSlot(name, kTypeSTR);
    if (slot >= 0 && slot + 1 < kMaxVariables)
        return slot + 1;
    ShowMessage(kStringLookupError, name, kMbIconExclamation);
    return -1;
}

int CVLXDoc::FindTableIndex(const std::string& name) {
    const int slot = FindVariableSlot(name, kTypeT8);
    if (slot >= 0)
        return Slot(slot).index;
    ShowMessage(kTableLookupError, name, kMbIconExclamation);
    return -1;
}

int CVLXDoc::SetIntVariable(const std::string& name, std::int16_t value) {
    const IntVariableRef ref = FindIntVariable(name);
    if (!ref)
        return 0;
    ref.Set(value);
    return 1;
}

int CVLXDoc::SetFloatVariable(const std::string& name, float value) {
    const FloatVariableRef ref = FindFloatVariable(name);
    if (!ref)
        return 0;
    ref.Set(value);
    return 1;
}

// --- Declarations --------------------------------------------------------------------

void CVLXDoc::ClearDeclarations(int level) {
    Declarations.SetStoreFormulaCount(0);
    Declarations.SetLoadFormulaCount(0);
    for (auto& formula : StoreFormulas)
        formula.clear();
    for (auto& formula : LoadFormulas)
        formula.clear();
    for (VariableSlot& slot : VariableTable) {
        slot.index = 0xFFFF;
        slot.flags = 0;
        if (level >= 1) {
            slot.name.clear();
            slot.value.Clear();
            slot.type = 0;
        }
    }
    if (level == 2) {
        for (std::size_t offset :
             {DeclarationsBlock::kTotalBlockSize, DeclarationsBlock::kDynamicBlockSize,
              DeclarationsBlock::kNumDynamicTableCells, DeclarationsBlock::kNumDynamicTableEntries,
              DeclarationsBlock::kDynamicBlockStart, DeclarationsBlock::kStaticBlockSize,
              DeclarationsBlock::kStaticBlockStart, DeclarationsBlock::kVariableCount})
            Declarations.SetI32(offset, 0);
    }
}

int CVLXDoc::ReadDeclarations(int level) {
    if (!FindSection("[Declarations]", 0))
        return 0;

    // Required sizes are read as int16 and stored as int32; nothing is stored unless all
    // of them are present.
    static constexpr std::pair<const char*, std::size_t> kRequiredShorts[] = {
        {"$TotalBlockSize", DeclarationsBlock::kTotalBlockSize},
        {"$DynamicBlockSize", DeclarationsBlock::kDynamicBlockSize},
        {"$NumDynamicTableCells", DeclarationsBlock::kNumDynamicTableCells},
        {"$NumDynamicTableEntries", DeclarationsBlock::kNumDynamicTableEntries},
        {"$DynamicBlockStart", DeclarationsBlock::kDynamicBlockStart},
        {"$DynamicBlockLayout", DeclarationsBlock::kDynamicBlockLayout},
        {"$DynamicInterpolation", DeclarationsBlock::kDynamicInterpolation},
        {"$StaticBlockSize", DeclarationsBlock::kStaticBlockSize},
        {"$StaticBlockStart", DeclarationsBlock::kStaticBlockStart},
    };
    DeclarationsBlock values = Declarations;
    for (const auto& [key, offset] : kRequiredShorts) {
        std::int16_t value = 0;
        if (ReadKeyShort(key, value, kSectionScope) != 1)
            return 0;
        values.SetI32(offset, value);
    }
    std::int32_t nvmType = 0;
    if (ReadKeyInt("$NVMType", nvmType, kSectionScope) != 1)
        return 0;
    values.SetI32(DeclarationsBlock::kNVMType, nvmType);

    static constexpr std::tuple<const char*, std::size_t, std::int32_t> kOptionalInts[] = {
        {"$CalBufferStart", DeclarationsBlock::kCalBufferStart, 0x100},
        {"$CalNVMStart", DeclarationsBlock::kCalNVMStart, 0x7000},
        {"$CalNVMPageSize", DeclarationsBlock::kCalNVMPageSize, 0x400},
        {"$CalPSVBase", DeclarationsBlock::kCalPSVBase, -1},
    };
    for (const auto& [key, offset, fallback] : kOptionalInts) {
        std::int32_t value = fallback;
        ReadKeyInt(key, value, kSectionScope, fallback);
        values.SetI32(offset, value);
    }
    static constexpr std::tuple<const char*, std::size_t, std::int16_t> kOptionalShorts[] = {
        {"$FlashBlockSize", DeclarationsBlock::kFlashBlockSize, 0x40},
        {"$CalBufferSize", DeclarationsBlock::kCalBufferSize, 0x200},
    };
    for (const auto& [key, offset, fallback] : kOptionalShorts) {
        std::int16_t value = fallback;
        ReadKeyShort(key, value, kSectionScope, fallback);
        values.SetI16(offset, value);
    }
    Declarations = values;
    controller_->SetAddressingModes(nvmType);

    // Variable lines, then the formula lists.
    bool restarted = false;
    std::string key;
    std::string value;
    int cursor = 0;
    std::array<std::string, kMaxFormulas>* formulas = nullptr;
    bool storeList = true;
    // Formulas held before this read (a loaded file's copies of the definition's) are not
    // appended a second time; otherwise every open and save cycle would repeat them.
    const std::uint32_t heldStores = Declarations.StoreFormulaCount();
    const std::uint32_t heldLoads = Declarations.LoadFormulaCount();
    auto alreadyHeld = [&](const std::string& text) {
        const auto& list = storeList ? StoreFormulas : LoadFormulas;
        const std::uint32_t held =
            std::min<std::uint32_t>(storeList ? heldStores : heldLoads, kMaxFormulas);
        return std::find(list.begin(), list.begin() + held, text) != list.begin() + held;
    };
    bool overflowReported = false;
    while (NextKeyLine(key, value, cursor, kSectionScope)) {
        if (key.empty() || key.front() == '$')
            continue;
        if (key == "StoreFormulae:" || key == "LoadFormulae:") {
            storeList = key == "StoreFormulae:";
            formulas = storeList ? &StoreFormulas : &LoadFormulas;
            overflowReported = false;
            continue;
        }
        if (formulas) {
            if (alreadyHeld(key + value))
                continue;
            const std::uint32_t count =
                storeList ? Declarations.StoreFormulaCount() : Declarations.LoadFormulaCount();
            if (count >= kMaxFormulas) {
                if (!overflowReported) {
                    ShowMessage(storeList ? "Too many store formulas for array size, truncating "
                                            "to maximum number."
                                          : "Too many load formulas for array size, truncating "
                                            "to maximum number.",
                                storeList ? "Error reading store formulas from definition file:"
                                          : "Error reading load formulas from definition file:",
                                kMbIconStop);
                    overflowReported = true;
                }
                continue;
            }
            (*formulas)[count] = key + value;
            if (storeList)
                Declarations.SetStoreFormulaCount(count + 1);
            else
                Declarations.SetLoadFormulaCount(count + 1);
            continue;
        }

        // "type first:second:text", each part optional from the back.
        std::string typeWord;
        std::int16_t first = 0;
        std::int16_t second = -1;
        std::string text;
        TextScanner scan(value);
        long long number = 0;
        if (scan.Word(typeWord, 20)) {
            scan.SkipSpace();
            if (scan.Integer(number)) {
                first = Wrapped<std::int16_t>(number);
                if (scan.Literal(":") && scan.Integer(number)) {
                    second = Wrapped<std::int16_t>(number);
                    if (scan.Literal(":"))
                        scan.Word(text, 50);
                }
            }
        }
        const std::uint8_t type = TypeCodeOf(typeWord);

        int slot = -1;
        const int used = UsedSlots();
        for (int i = 0; i < used && slot < 0; ++i) {
            const VariableSlot& candidate = Slot(i);
            if (candidate.name == key &&
                (candidate.type == type || (IsIntegerType(candidate.type) && IsIntegerType(type))))
                slot = i;
        }
        bool isNew = false;
        if (slot < 0) {
            const int needed = SlotsFor(type);
            if (used + needed > kMaxVariables) {
                if (!restarted) {
                    restarted = true;
                    ClearDeclarations(1);
                    Declarations.SetVariableCount(0);
                    level = 1;
                    cursor = 0;
                    formulas = nullptr;
                    continue;
                }
                ShowMessage("Static NVM block too large for allocated array size.  Please reboot "
                            "your computer and try again.  If this does not work, please contact "
                            "us for assistance.",
                            "Static Memory Array Error", kMbIconStop);
                Declarations.SetVariableCount(kMaxVariables);
                return 0;
            }
            slot = used;
            isNew = true;
            Declarations.SetVariableCount(static_cast<std::uint32_t>(used + needed));
        }

        VariableSlot& target = Slot(slot);
        target.name = key;
        target.type = type;
        target.flags = static_cast<std::uint8_t>(first & 0xFF);
        target.index = static_cast<std::uint16_t>(second);
        if (SlotsFor(type) == 2 && slot + 1 < kMaxVariables) {
            // A reused one-slot integer has no continuation slot of its own: the next slot
            // belongs to another variable and must not be overwritten.
            VariableSlot& next = Slot(slot + 1);
            if (isNew || next.type == kTypeContinuation) {
                next.type = kTypeContinuation;
                if (first == 2)
                    next.name = text;
            }
        }
        if (IsTableType(type)) {
            target.SetTableLayout(0xFFFF, 10, type == kTypeT16 ? 2 : 1);
            ApplyDeclarationAttribute("NVM", value, slot);
        }
        ApplyDeclarationAttribute("Fix", value, slot);
        if (level != 0 || isNew)
            ApplyDeclarationAttribute("Def", value, slot);
    }
    return 1;
}

int CVLXDoc::ApplyDeclarationAttribute(std::string_view prefix, const std::string& lineValue,
                                       int slot) {
    if (slot < 0 || slot >= kMaxVariables)
        return 0;
    const std::string marker = std::string(prefix.substr(0, 50)) + ":";
    const std::size_t found = lineValue.find(marker);
    if (found == std::string::npos)
        return 0;
    const std::string_view rest = std::string_view(lineValue).substr(found + marker.size());
    VariableSlot& target = Slot(slot);

    if (IsIntegerType(target.type)) {
        // "v" or "v:mask".
        TextScanner scan(rest);
        long long v = 0;
        long long mask = -1;
        if (!scan.Integer(v))
            return 0;
        if (scan.Literal(":"))
            scan.Integer(mask);
        const auto m = static_cast<std::uint32_t>(Wrapped<std::int32_t>(mask));
        const auto bits = static_cast<std::uint32_t>(Wrapped<std::int32_t>(v));
        const std::uint32_t old = static_cast<std::uint32_t>(target.I32());
        target.SetI32(static_cast<std::int32_t>((old & ~m) | (bits & m)));
        return 1;
    }
    if (IsTableType(target.type)) {
        if (prefix == "NVM") {
            // "cells:start:width"; at least cells and start.
            TextScanner scan(rest);
            long long cells = 10;
            long long start = -1;
            long long width = target.type == kTypeT16 ? 2 : 1;
            if (scan.Integer(cells) && scan.Literal(":") && scan.Integer(start)) {
                if (scan.Literal(":"))
                    scan.Integer(width);
                target.SetTableLayout(static_cast<std::uint16_t>(Wrapped<std::int16_t>(start)),
                                      static_cast<std::uint8_t>(Wrapped<std::int16_t>(cells)),
                                      static_cast<std::uint8_t>(Wrapped<std::int16_t>(width)));
            }
            return 1;
        }
        const int curve = target.index;
        if (curve >= kNumCurves)
            return 0;
        // Each value is meant to be followed by a comma; one without it is taken but not
        // consumed, so it repeats into the remaining points.
        const int limit = std::min<int>(target.flags, kPointsPerCurve);
        std::string_view list = rest;
        for (int point = 0; point < limit; ++point) {
            TextScanner scan(list);
            long long v = 0;
            if (!scan.Integer(v))
                break;
            Point(curve, point) = Wrapped<std::int16_t>(v);
            if (scan.Literal(","))
                list.remove_prefix(scan.Position());
        }
        return 1;
    }
    if (target.type == kTypeF32) {
        float v = 0.0f;
        if (!TextScanner(rest).Float(v))
            return 0;
        target.SetF32(v);
        return 1;
    }
    if (target.type == kTypeSTR) {
        if (slot + 1 >= kMaxVariables)
            return 0;
        // The rest of the line, as far as a C string reaches.
        Slot(slot + 1).name = std::string(rest.substr(0, rest.find('\0')));
        return 1;
    }
    return 0;
}

// --- Memory image --------------------------------------------------------------------

int CVLXDoc::RunFormulaList(bool store) {
    const std::uint32_t count =
        store ? Declarations.StoreFormulaCount() : Declarations.LoadFormulaCount();
    const auto& formulas = store ? StoreFormulas : LoadFormulas;
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(count, kMaxFormulas); ++i) {
        std::string errorText;
        ApplyFormula(formulas[i], errorText);
        if (!errorText.empty())
            ShowMessage(errorText, store ? "Error in store formula" : "Error in load formula",
                        kMbIconStop);
    }
    if (count > kMaxFormulas) {
        ShowMessage(TooManyFormulas(store, count),
                    store ? "Store formula array size exceeded"
                          : "Load formula array size exceeded",
                    kMbIconStop);
        return 0;
    }
    return 1;
}

void CVLXDoc::ApplyProxyFormulas() {
    // A proxy curve is not edited: point p is its ProxyFormula evaluated with x = the
    // stored point, references taken at position p (so T: references read point p).
    for (int curve = 0; curve < kNumCurves; ++curve) {
        const std::string& proxy = Curve(curve).ProxyFormula;
        if (!ProxyActive[static_cast<std::size_t>(curve)] || proxy.empty())
            continue;
        for (int point = 0; point < kPointsPerCurve; ++point) {
            std::string formula = proxy;
            SubstituteReferences(formula, static_cast<float>(point));
            int errorPosition = 0;
            std::string errorText;
            const double value =
                parser_.Evaluate(formula, Point(curve, point), errorPosition, errorText, 1);
            Point(curve, point) =
                static_cast<std::int16_t>(std::clamp(RoundHalfUp(value), -32768LL, 32767LL));
        }
    }
}

int CVLXDoc::ImageLayoutFits(std::size_t imageSize) const {
    const int interpolation = Declarations.DynamicInterpolation();
    const long long size = static_cast<long long>(imageSize);
    const int used = UsedSlots();
    for (int i = 0; i < used; ++i) {
        const VariableSlot& slot = VariableTable[static_cast<std::size_t>(i)];
        if (IsTableType(slot.type)) {
            if (slot.flags == 0)
                continue;
            // A negative factor would step the read-back walk out of the image.
            if (slot.index >= kNumCurves || interpolation <= 0)
                return 0;
            if (slot.TableCells() == 0)
                continue;
            // Every cell takes at least its first byte, whatever its declared width.
            const long long first = CellPosition(slot, 0);
            const long long last =
                CellPosition(slot, slot.TableCells() - 1) + std::max<int>(slot.TableWidth(), 1);
            if (first < 0 || last > size)
                return 0;
        } else if (slot.flags == 1) {
            if (slot.index >= Declarations.StaticBlockSize())
                return 0;
            const long long position = ScalarPosition(slot);
            if (ImageBytes(slot.type) > 0 &&
                (position < 0 || position + ImageBytes(slot.type) > size))
                return 0;
        }
    }
    return 1;
}

long long CVLXDoc::CellPosition(const VariableSlot& slot, int cell) const {
    return static_cast<long long>(Declarations.DynamicBlockStart()) + slot.TableStart() +
           static_cast<long long>(slot.TableWidth()) * cell;
}

long long CVLXDoc::ScalarPosition(const VariableSlot& slot) const {
    return static_cast<long long>(Declarations.StaticBlockStart()) + slot.index;
}

int CVLXDoc::BuildMemoryImage(std::vector<std::uint8_t>& image) {
    // Proxy curves enter the image as their formula's result, but the stored points stay
    // as they were: a proxy that reads its own point would otherwise grow on every build.
    struct RestorePoints {
        CVLXDoc& doc;
        const decltype(CVLXDoc::CurveTable) saved;
        ~RestorePoints() { doc.CurveTable = saved; }
    } restore{*this, CurveTable};
    ApplyProxyFormulas();
    if (!RunFormulaList(true))
        return 0;
    // A layout that does not fit the image is refused before anything is written.
    if (!ImageLayoutFits(image.size()))
        return 0;
    const int interpolation = Declarations.DynamicInterpolation();
    const int used = UsedSlots();
    for (int i = 0; i < used; ++i) {
        const VariableSlot& slot = Slot(i);
        if (IsTableType(slot.type) && slot.flags != 0) {
            const int curve = slot.index;
            for (int cell = 0; cell < slot.TableCells(); ++cell) {
                // Cells past the curve's last point repeat the last point.
                const int point = std::min(cell / interpolation, kPointsPerCurve - 1);
                const int nextPoint = std::min(point + 1, kPointsPerCurve - 1);
                const float x = static_cast<float>(cell) / static_cast<float>(interpolation);
                const float value =
                    cell % interpolation == 0
                        ? static_cast<float>(PadPoint(curve, point, 0))
                        : static_cast<float>(
                              (PadPoint(curve, point, 0) + PadPoint(curve, nextPoint, 0)) / 2.0);
                auto* cellBytes = image.data() + CellPosition(slot, cell);
                cellBytes[0] = CurveToInternal(curve, value, kStoreToInt, 0, x);
                if (slot.TableWidth() > 1)
                    std::fill(cellBytes + 1, cellBytes + slot.TableWidth(), std::uint8_t{0});
            }
        } else if (!IsTableType(slot.type) && slot.flags == 1) {
            // A string takes no bytes, and its index need not lie inside the image.
            const auto bytes = static_cast<std::size_t>(ImageBytes(slot.type));
            if (bytes == 0)
                continue;
            std::copy_n(slot.value.bytes.begin(), bytes, image.begin() + ScalarPosition(slot));
        }
    }
    return 1;
}

int CVLXDoc::ApplyMemoryImage(const std::vector<std::uint8_t>& image) {
    // Checked whole first, so a layout that does not fit changes nothing.
    if (!ImageLayoutFits(image.size()))
        return 0;
    const int interpolation = Declarations.DynamicInterpolation();
    const int used = UsedSlots();
    for (int i = 0; i < used; ++i) {
        VariableSlot& slot = Slot(i);
        if (IsTableType(slot.type) && slot.flags != 0) {
            const int curve = slot.index;
            for (int cell = 0; cell < slot.TableCells(); cell += interpolation) {
                const int point = cell / interpolation;
                if (point >= kPointsPerCurve)
                    break;
                const std::uint8_t raw = image[static_cast<std::size_t>(CellPosition(slot, cell))];
                Point(curve, point) = static_cast<std::int16_t>(
                    RoundHalfUp(InternalToCurve(curve, raw, kIntToStore)));
                Point(curve, point) = PadPoint(curve, point, 1);
            }
        } else if (!IsTableType(slot.type) && slot.flags == 1) {
            const auto bytes = static_cast<std::size_t>(ImageBytes(slot.type));
            if (bytes == 0)
                continue;
            slot.value.Clear();
            std::copy_n(image.begin() + ScalarPosition(slot), bytes, slot.value.bytes.begin());
        }
    }
    return RunFormulaList(false);
}

// --- Curve settings and conversions --------------------------------------------------

int CVLXDoc::ReadGraphElementSettings(int curve) {
    if (!graph_ || curve < 0 || curve >= kNumCurves)
        return 0;
    CurveSettings& settings = Curve(curve);
    ProxyActive[static_cast<std::size_t>(curve)] = 0;
    ReadKeyInt("TraceMode", settings.TraceMode, kBlockScope);
    std::int32_t link = curve;
    ReadKeyInt("Link", link, kBlockScope, curve);
    graph_->SetLink(curve, link);
    const std::pair<const char*, std::string*> texts[] = {
        {"StoreToIntFormula", &settings.StoreToIntFormula},
        {"IntToStoreFormula", &settings.IntToStoreFormula},
        {"DispToIntFormula", &settings.DispToIntFormula},
        {"IntToDispFormula", &settings.IntToDispFormula},
        {"ProxyFormula", &settings.ProxyFormula},
        {"PadEnable", &settings.PadEnable},
    };
    for (const auto& [key, text] : texts) {
        text->clear();
        ReadKeyString(key, *text, kBlockScope);
    }
    std::string table;
    ReadKeyText("ConvTable", table, 400, kBlockScope);
    if (!table.empty()) {
        // A pair without its comma is not consumed, so it fills every remaining pair.
        std::string_view cursor = table;
        auto& pairs = ConvTable[static_cast<std::size_t>(curve)];
        for (ConvPair& pair : pairs) {
            TextScanner scan(cursor);
            long long raw = 0;
            float value = 0.0f;
            if (!scan.Decimal(raw))
                break;
            scan.SkipSpace();
            if (!scan.Float(value))
                break;
            pair.raw = Wrapped<std::int32_t>(raw);
            pair.value = value;
            if (scan.Literal(","))
                cursor.remove_prefix(scan.Position());
        }
    }
    return 1;
}

int CVLXDoc::ResetGraphElement(int curve) {
    if (curve < 0 || curve >= kNumCurves)
        return 0;
    CurveSettings& settings = Curve(curve);
    settings.StoreToIntFormula.clear();
    settings.IntToStoreFormula.clear();
    settings.DispToIntFormula.clear();
    settings.IntToDispFormula.clear();
    settings.ProxyFormula.clear();
    settings.TraceMode = 0;
    ConvTable[static_cast<std::size_t>(curve)].fill(ConvPair{});
    if (!graph_)
        return 0;
    graph_->SetLink(curve, curve);
    return 1;
}

const std::string& CVLXDoc::CurveFormula(int curve, int slot) {
    CurveSettings& settings = Curve(curve);
    switch (slot) {
    case kStoreToInt:
        return settings.StoreToIntFormula;
    case kIntToStore:
        return settings.IntToStoreFormula;
    case kDispToInt:
        return settings.DispToIntFormula;
    default:
        return settings.IntToDispFormula;
    }
}

double CVLXDoc::EvaluateCurveFormula(int curve, int slot, double x, float referenceX) {
    std::string formula = CurveFormula(curve, slot);
    SubstituteReferences(formula, referenceX);
    int errorPosition = 0;
    std::string errorText;
    return parser_.Evaluate(formula, x, errorPosition, errorText, 1);
}

std::uint8_t CVLXDoc::CurveToInternal(int curve, float value, int formulaSlot, std::int16_t offset,
                                      float x) {
    if (curve < 0 || curve >= kNumCurves)
        return 0;
    long long converted = 0;
    switch (Curve(curve).TraceMode) {
    case 1:
        converted = TruncateTowardZero(EvaluateCurveFormula(curve, formulaSlot, value, x));
        break;
    case 2:
    case 3:
        converted = RoundHalfUp(value);
        break;
    default:
        return 0;
    }
    return ClampByte(converted + offset);
}

float CVLXDoc::InternalToCurve(int curve, std::uint8_t raw, int formulaSlot) {
    if (curve < 0 || curve >= kNumCurves)
        return 0.0f;
    double value = 0.0;
    switch (Curve(curve).TraceMode) {
    case 1:
        value = EvaluateCurveFormula(curve, formulaSlot, raw, 0.0f);
        break;
    case 2:
    case 3:
        value = raw;
        break;
    default:
        return 0.0f;
    }
    if (!(value > 0.0)) // also NaN
        return 0.0f;
    return static_cast<float>(std::min(value, 32767.0));
}

std::int16_t CVLXDoc::PadPoint(int curve, int point, int mode) {
    if (curve < 0 || curve >= kNumCurves || point < 0 || point >= kPointsPerCurve)
        return 0;
    const std::int16_t stored = Point(curve, point);
    const std::string& pad = Curve(curve).PadEnable;
    // "enable:curve:variable point point ...".
    TextScanner scan(pad);
    long long enable = 0;
    long long padCurve = 0;
    std::string name;
    if (!(scan.Integer(enable) && scan.Literal(":") && scan.Integer(padCurve) &&
          scan.Literal(":") && scan.Word(name, 70)))
        return stored;
    if (Wrapped<std::int16_t>(enable) != 1 || Wrapped<std::int16_t>(padCurve) < 0 ||
        Wrapped<std::int16_t>(padCurve) >= kNumCurves)
        return stored;
    const IntVariableRef offset = FindIntVariable(name);
    if (!offset)
        return stored;
    long long listed = 0;
    while (scan.Integer(listed)) {
        if (Wrapped<std::int16_t>(listed) == point)
            return static_cast<std::int16_t>(mode == 0 ? stored + offset.Get()
                                                       : stored - offset.Get());
    }
    return stored;
}

float CVLXDoc::AdjustCurvePoint(int curve, int point, float value, std::int16_t& delta) {
    if (curve < 0 || curve >= kNumCurves || point < 0 || point >= kPointsPerCurve)
        return 0.0f;
    SetModifiedFlag();
    const float stored = Point(curve, point);
    std::uint8_t raw;
    if (delta == 0) {
        raw = CurveToInternal(curve, value, kDispToInt, 0, 0.0f);
        delta =
            static_cast<std::int16_t>(raw - CurveToInternal(curve, stored, kStoreToInt, 0, 0.0f));
    } else {
        raw = CurveToInternal(curve, stored, kStoreToInt, delta, 0.0f);
    }
    Point(curve, point) =
        static_cast<std::int16_t>(RoundHalfUp(InternalToCurve(curve, raw, kIntToStore)));
    return InternalToCurve(curve, raw, kIntToDisp);
}

float CVLXDoc::CurveDisplayValue(int curve, int point) {
    if (curve < 0 || curve >= kNumCurves || point < 0 || point >= kPointsPerCurve)
        return 0.0f;
    const std::uint8_t raw = CurveToInternal(curve, Point(curve, point), kStoreToInt, 0, 0.0f);
    return InternalToCurve(curve, raw, kIntToDisp);
}

void CVLXDoc::LoadCurvesIntoGraph() {
    if (!graph_)
        return;
    for (int curve = 0; curve < kNumCurves; ++curve)
        LoadCurveIntoGraph(curve);
}

void CVLXDoc::LoadCurveIntoGraph(int curve) {
    if (!graph_ || curve < 0 || curve >= kNumCurves)
        return;
    for (int point = 0; point < kPointsPerCurve; ++point)
        graph_->SetValue(curve, point, CurveDisplayValue(curve, point));
    graph_->UpdateTraceRange(curve);
}

std::string CVLXDoc::CurveName(int curve) const {
    return graph_ ? graph_->TraceName(curve) : std::string();
}

float CVLXDoc::SetCurvePointValue(int curve, int point, float value) {
    if (curve < 0 || curve >= kNumCurves || point < 0 || point >= kPointsPerCurve)
        return 0.0f;
    // The display-to-internal conversion truncates, so a value the curve holds exactly
    // could land one step low; the nearest of the neighbouring steps is taken instead.
    const int current = CurveToInternal(curve, Point(curve, point), kStoreToInt, 0, 0.0f);
    const int guess = CurveToInternal(curve, value, kDispToInt, 0, 0.0f);
    int best = guess;
    double bestDistance =
        std::fabs(InternalToCurve(curve, static_cast<std::uint8_t>(guess), kIntToDisp) -
                  static_cast<double>(value));
    for (int candidate : {guess - 1, guess + 1}) {
        if (candidate < 0 || candidate > 255)
            continue;
        const double distance =
            std::fabs(InternalToCurve(curve, static_cast<std::uint8_t>(candidate), kIntToDisp) -
                      static_cast<double>(value));
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    std::int16_t delta = static_cast<std::int16_t>(best - current);
    if (delta == 0) {
        const std::uint8_t raw = static_cast<std::uint8_t>(current);
        return InternalToCurve(curve, raw, kIntToDisp);
    }
    return AdjustCurvePoint(curve, point, 0.0f, delta);
}

int CVLXDoc::SetCurvePoints(std::string name, std::span<const CurvePointValue> values) {
    ChangeScope step(*this, std::move(name), ChangeNaming::kPoints);
    std::array<bool, kNumCurves> touched{};
    int changed = 0;
    for (const CurvePointValue& target : values) {
        if (target.curve < 0 || target.curve >= kNumCurves || target.point < 0 ||
            target.point >= kPointsPerCurve || !std::isfinite(target.value))
            continue;
        const std::int16_t before = Point(target.curve, target.point);
        const float limited = static_cast<float>(std::clamp(target.value, -1e30, 1e30));
        const float shown = SetCurvePointValue(target.curve, target.point, limited);
        if (graph_)
            graph_->SetValue(target.curve, target.point, shown);
        touched[static_cast<std::size_t>(target.curve)] = true;
        if (Point(target.curve, target.point) != before)
            ++changed;
    }
    if (graph_) {
        for (int curve = 0; curve < kNumCurves; ++curve) {
            if (touched[static_cast<std::size_t>(curve)])
                graph_->UpdateTraceRange(curve);
        }
    }
    if (host_->HasFrame())
        host_->RedrawView();
    return changed;
}

} // namespace vexa
