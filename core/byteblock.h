#pragma once
// Fixed-size blocks that a calibration file stores byte for byte. Fields are read and
// written little-endian at their offsets, so reserved bytes survive untouched.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vexa {

template <std::size_t N> struct ByteBlock {
    std::array<std::uint8_t, N> bytes{};

    static constexpr std::size_t size() { return N; }
    void Clear() { bytes.fill(0); }

    std::uint8_t U8(std::size_t offset) const { return bytes[offset]; }
    void SetU8(std::size_t offset, std::uint8_t value) { bytes[offset] = value; }
    std::uint16_t U16(std::size_t offset) const {
        return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
    }
    void SetU16(std::size_t offset, std::uint16_t value) {
        bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    std::int16_t I16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
    void SetI16(std::size_t offset, std::int16_t value) {
        SetU16(offset, static_cast<std::uint16_t>(value));
    }
    std::uint32_t U32(std::size_t offset) const {
        return static_cast<std::uint32_t>(U16(offset)) |
               (static_cast<std::uint32_t>(U16(offset + 2)) << 16);
    }
    void SetU32(std::size_t offset, std::uint32_t value) {
        SetU16(offset, static_cast<std::uint16_t>(value & 0xFFFF));
        SetU16(offset + 2, static_cast<std::uint16_t>(value >> 16));
    }
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    void SetI32(std::size_t offset, std::int32_t value) {
        SetU32(offset, static_cast<std::uint32_t>(value));
    }
    float F32(std::size_t offset) const {
        std::uint32_t raw = U32(offset);
        float value;
        std::memcpy(&value, &raw, sizeof value);
        return value;
    }
    void SetF32(std::size_t offset, float value) {
        std::uint32_t raw;
        std::memcpy(&raw, &value, sizeof raw);
        SetU32(offset, raw);
    }

    bool operator==(const ByteBlock&) const = default;
};

// The identity of the controller a calibration belongs to (142 bytes).
struct IdentityBlock : ByteBlock<142> {
    static constexpr std::size_t kDeviceType = 102;
    static constexpr std::size_t kHardwareVersion = 108;
    static constexpr std::size_t kFirmwareVersion = 116;
    static constexpr std::size_t kFirmwareVersionMinor = 118;
    static constexpr std::size_t kRevisionMajor = 120;
    static constexpr std::size_t kRevisionMinor = 122;
    static constexpr std::size_t kIdentityFromController = 124;
    static constexpr std::size_t kIdentityCurrent = 126;
    static constexpr std::size_t kApplyDefaultsOnReload = 128;
    static constexpr std::size_t kNumNVMTables = 130;
    static constexpr std::size_t kPackageVersion = 132;

    std::uint16_t DeviceType() const { return U16(kDeviceType); }
    std::uint16_t HardwareVersion() const { return U16(kHardwareVersion); }
    std::uint16_t FirmwareVersion() const { return U16(kFirmwareVersion); }
    std::uint16_t FirmwareVersionMinor() const { return U16(kFirmwareVersionMinor); }
    std::uint16_t RevisionMajor() const { return U16(kRevisionMajor); }
    std::uint16_t RevisionMinor() const { return U16(kRevisionMinor); }
    std::uint16_t IdentityFromController() const { return U16(kIdentityFromController); }
    std::uint16_t IdentityCurrent() const { return U16(kIdentityCurrent); }
    std::uint16_t ApplyDefaultsOnReload() const { return U16(kApplyDefaultsOnReload); }
    std::int16_t NumNVMTables() const { return I16(kNumNVMTables); }
    std::int16_t PackageVersion() const { return I16(kPackageVersion); }
};

// Display state owned by the tuning bar (136 bytes).
struct DisplayBlock : ByteBlock<136> {
    static constexpr std::size_t kTraceVisible = 51; // one byte per curve
    static constexpr std::size_t kLinkMode = 102;
    static constexpr std::size_t kSelectedNVMTable = 108; // int32

    bool TraceVisible(int curve) const {
        return U8(kTraceVisible + static_cast<std::size_t>(curve)) != 0;
    }
    void SetTraceVisible(int curve, bool visible) {
        SetU8(kTraceVisible + static_cast<std::size_t>(curve), visible ? 1 : 0);
    }
};

// The [Declarations] values and the table counts (84 bytes).
struct DeclarationsBlock : ByteBlock<84> {
    static constexpr std::size_t kTotalBlockSize = 0;
    static constexpr std::size_t kDynamicBlockSize = 4;
    static constexpr std::size_t kNumDynamicTableCells = 8;
    static constexpr std::size_t kNumDynamicTableEntries = 12;
    static constexpr std::size_t kDynamicBlockStart = 16;
    static constexpr std::size_t kDynamicBlockLayout = 20;
    static constexpr std::size_t kDynamicInterpolation = 24;
    static constexpr std::size_t kStaticBlockSize = 28;
    static constexpr std::size_t kStaticBlockStart = 32;
    static constexpr std::size_t kNVMType = 36;
    static constexpr std::size_t kVariableCount = 40;
    static constexpr std::size_t kStoreFormulaCount = 44;
    static constexpr std::size_t kLoadFormulaCount = 48;
    static constexpr std::size_t kCalBufferStart = 52;
    static constexpr std::size_t kCalNVMStart = 56;
    static constexpr std::size_t kCalNVMPageSize = 60;
    static constexpr std::size_t kCalPSVBase = 64;
    static constexpr std::size_t kFlashBlockSize = 68; // int16
    static constexpr std::size_t kCalBufferSize = 70;  // int16

    std::int32_t TotalBlockSize() const { return I32(kTotalBlockSize); }
    std::int32_t DynamicBlockStart() const { return I32(kDynamicBlockStart); }
    std::int32_t DynamicInterpolation() const { return I32(kDynamicInterpolation); }
    std::int32_t StaticBlockSize() const { return I32(kStaticBlockSize); }
    std::int32_t StaticBlockStart() const { return I32(kStaticBlockStart); }
    std::int32_t NVMType() const { return I32(kNVMType); }
    std::uint32_t VariableCount() const { return U32(kVariableCount); }
    std::uint32_t StoreFormulaCount() const { return U32(kStoreFormulaCount); }
    std::uint32_t LoadFormulaCount() const { return U32(kLoadFormulaCount); }
    void SetVariableCount(std::uint32_t n) { SetU32(kVariableCount, n); }
    void SetStoreFormulaCount(std::uint32_t n) { SetU32(kStoreFormulaCount, n); }
    void SetLoadFormulaCount(std::uint32_t n) { SetU32(kLoadFormulaCount, n); }
    std::int32_t CalBufferStart() const { return I32(kCalBufferStart); }
    std::int32_t CalNVMStart() const { return I32(kCalNVMStart); }
    std::int32_t CalNVMPageSize() const { return I32(kCalNVMPageSize); }
    std::int32_t CalPSVBase() const { return I32(kCalPSVBase); }
    std::int16_t FlashBlockSize() const { return I16(kFlashBlockSize); }
    std::int16_t CalBufferSize() const { return I16(kCalBufferSize); }
};

} // namespace vexa
