// The packed device-independent bitmap every part of Vorel passes around:
// a 40-byte BITMAPINFOHEADER, the colour table (RGBQUAD: blue, green, red, 0)
// and the pixel rows, bottom row first, each padded to a multiple of 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorel {

inline constexpr std::size_t kDibHeaderSize = 40;

// Header field offsets inside a packed DIB.
namespace dibfield {
inline constexpr std::size_t kSize = 0;
inline constexpr std::size_t kWidth = 4;
inline constexpr std::size_t kHeight = 8;
inline constexpr std::size_t kPlanes = 12;
inline constexpr std::size_t kBitCount = 14;
inline constexpr std::size_t kCompression = 16;
inline constexpr std::size_t kSizeImage = 20;
inline constexpr std::size_t kXPelsPerMeter = 24;
inline constexpr std::size_t kYPelsPerMeter = 28;
inline constexpr std::size_t kClrUsed = 32;
inline constexpr std::size_t kClrImportant = 36;
}  // namespace dibfield

// Bytes per stored row: ((width * bitCount + 31) / 32) * 4. 0 for width <= 0.
std::uint64_t DibStride(std::int64_t width, int bitCount);

// Colour-table length of a header (needs at least 16 bytes, 36 unless the first
// word is 12): a BITMAPCOREHEADER takes its bit count from byte 10; otherwise a
// non-zero biClrUsed (low 16 bits) wins; otherwise 1 -> 2, 4 -> 16, 8 -> 256, else 0.
// A header too short to hold the fields gives 0.
std::uint16_t DibColorCount(std::span<const std::uint8_t> header);

// A packed DIB that owns its bytes. The allocated size may exceed
// header + table + rows; copies and the BMP writer keep it whole.
class Dib {
public:
    Dib() = default;

    // A zero-filled block of `bytes` bytes (no header written).
    static Dib Allocate(std::size_t bytes);
    // A zero-filled block with a header for width x height at bitCount (1, 4, 8, 24),
    // full colour table for indexed images, biSizeImage = stride * height.
    // A null Dib when the size does not fit in memory limits (see kMaxDibBytes).
    static Dib Create(std::int32_t width, std::int32_t height, int bitCount);

    // Blocks are refused above this size (the largest image a TIM or a sane bitmap gives is far below).
    static constexpr std::size_t kMaxDibBytes = std::size_t{1} << 31;

    bool IsNull() const { return bytes_.empty(); }
    std::size_t AllocatedSize() const { return bytes_.size(); }
    std::uint8_t* Data() { return bytes_.data(); }
    const std::uint8_t* Data() const { return bytes_.data(); }
    std::span<std::uint8_t> Bytes() { return bytes_; }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }

    // Header fields (0 for a null or too-short block).
    std::int32_t Width() const;
    std::int32_t Height() const;
    int BitCount() const;
    std::uint16_t ColorCount() const { return DibColorCount(bytes_); }
    std::uint64_t Stride() const { return DibStride(Width(), BitCount()); }
    // Offset of the first pixel row: 40 + 4 * colour count.
    std::size_t PixelOffset() const { return kDibHeaderSize + 4u * ColorCount(); }
    // True when header, table and rows lie inside the allocated size.
    bool IsConsistent() const;

    // Pixel row `storedRow` (0 = bottom row as stored); empty span when out of range.
    std::span<std::uint8_t> StoredRow(std::int32_t storedRow);
    std::span<const std::uint8_t> StoredRow(std::int32_t storedRow) const;

    // Colour-table entry i as blue, green, red, reserved; precondition i < ColorCount().
    std::uint8_t* ColorEntry(std::size_t i) { return bytes_.data() + kDibHeaderSize + 4 * i; }
    const std::uint8_t* ColorEntry(std::size_t i) const { return bytes_.data() + kDibHeaderSize + 4 * i; }

    // Replaces the block's bytes (transforms resize the block behind the same Dib).
    void Assign(std::vector<std::uint8_t> bytes) { bytes_ = std::move(bytes); }

    friend bool operator==(const Dib&, const Dib&) = default;

private:
    std::vector<std::uint8_t> bytes_;
};

// A copy with the same allocated size and bytes; null for a null source.
Dib DuplicateDib(const Dib& source);

}  // namespace vorel
