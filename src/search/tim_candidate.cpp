#include "search/tim_candidate.h"

namespace vorel {
namespace {

std::int32_t Signed16(std::uint16_t v) {
    return static_cast<std::int16_t>(v);
}

// Every field of a TIM header is little-endian.
std::uint16_t Word(ByteSpan bytes, std::size_t offset) {
    return ReadTimWord(bytes, offset, kTimLittleEndian);
}
std::uint32_t Dword(ByteSpan bytes, std::size_t offset) {
    return ReadTimDword(bytes, offset, kTimLittleEndian);
}

bool InTimLimits(std::int64_t width, std::int64_t height) {
    return width > 0 && width <= kMaxTimWidth && height > 0 && height <= kMaxTimHeight;
}

// Flag 2 and 3: the image block follows the 8-byte TIM header directly.
TimTest TestDirect(ByteSpan bytes, std::size_t pos, TimHeader& h) {
    if (!InBounds(bytes.size(), pos, 20)) return TimTest::kNeedMore;
    const std::int64_t blockLength = static_cast<std::int32_t>(Dword(bytes, pos + 8));
    const std::int64_t field = Signed16(Word(bytes, pos + 16));
    const std::int64_t height = Signed16(Word(bytes, pos + 18));
    h.paletteCount = 1;
    h.height = static_cast<std::int32_t>(height);
    std::int64_t width = 0;
    if (h.flag == kTim16) {
        if (!InTimLimits(field, height) || blockLength != 12 + 2 * field * height) return TimTest::kReject;
        width = field;
    } else if (InTimLimits(field, height) && blockLength == 12 + 3 * field * height) {
        width = field;  // width field counting pixels
    } else if (field > 0 && (2 * field) % 3 == 0 && InTimLimits(2 * field / 3, height) &&
               blockLength == 12 + 2 * field * height) {
        // Real 24-bit TIMs count the width in 16-bit units, like every other kind:
        // three units hold two pixels.
        width = 2 * field / 3;
    } else {
        return TimTest::kReject;
    }
    h.width = static_cast<std::int32_t>(width);
    h.size = blockLength + 8;
    return TimTest::kAccept;
}

// Flag 8 and 9: a CLUT block, then the image block.
TimTest TestIndexed(ByteSpan bytes, std::size_t pos, TimHeader& h) {
    if (!InBounds(bytes.size(), pos, 20)) return TimTest::kNeedMore;
    const std::int32_t clutLength = static_cast<std::int32_t>(Dword(bytes, pos + 8));
    const std::int32_t clutWidth = Signed16(Word(bytes, pos + 16));
    const std::int32_t clutHeight = Signed16(Word(bytes, pos + 18));
    if (clutLength < 12) return TimTest::kReject;  // shorter than its own header
    if (clutWidth <= 0) return TimTest::kReject;   // no colours per palette
    if (clutHeight <= 0) return TimTest::kReject;  // no palette to show
    const std::int32_t entries = (clutLength - 12) / 2;
    if (entries / clutWidth != clutHeight) return TimTest::kReject;  // table must hold the palettes

    // The image block header lies right after the CLUT block.
    const std::uint64_t imageHeader =
        static_cast<std::uint64_t>(pos) + 8 + static_cast<std::uint64_t>(clutLength);
    if (!InBounds(bytes.size(), imageHeader, 12)) return TimTest::kNeedMore;
    const auto at = static_cast<std::size_t>(imageHeader);
    const std::int64_t blockLength = static_cast<std::int32_t>(Dword(bytes, at));
    const std::int64_t field = Signed16(Word(bytes, at + 8));
    const std::int64_t height = Signed16(Word(bytes, at + 10));
    const std::int64_t width = h.flag == kTim4 ? field * 4 : field * 2;
    if (!InTimLimits(width, height)) return TimTest::kReject;
    const std::int64_t pixelBytes = h.flag == kTim4 ? (width * height) / 2 : width * height;
    if (blockLength != 12 + pixelBytes) return TimTest::kReject;

    h.clutBlockSize = clutLength;
    h.clutWidth = clutWidth;
    h.clutEntries = entries;
    h.paletteCount = clutHeight;
    h.width = static_cast<std::int32_t>(width);
    h.height = static_cast<std::int32_t>(height);
    h.size = blockLength + clutLength + 8;
    return TimTest::kAccept;
}

}  // namespace

std::uint16_t ReadTimWord(ByteSpan bytes, std::size_t offset, int order) {
    if (order != kTimLittleEndian && order != kTimBigEndian) return 0xFFFF;
    const std::optional<std::uint16_t> value = ReadLe16(bytes, offset);
    if (!value) return 0xFFFF;
    return order == kTimBigEndian ? __builtin_bswap16(*value) : *value;
}

std::uint32_t ReadTimDword(ByteSpan bytes, std::size_t offset, int order) {
    if (order != kTimLittleEndian && order != kTimBigEndian) return 0xFFFFFFFFu;
    const std::optional<std::uint32_t> value = ReadLe32(bytes, offset);
    if (!value) return 0xFFFFFFFFu;
    return order == kTimBigEndian ? __builtin_bswap32(*value) : *value;
}

TimTest TestTimCandidate(ByteSpan bytes, std::size_t pos, TimHeader& header) {
    if (!InBounds(bytes.size(), pos, 4)) return TimTest::kNeedMore;
    if (Dword(bytes, pos) != kTimId) return TimTest::kReject;
    if (!InBounds(bytes.size(), pos, 8)) return TimTest::kNeedMore;
    header = TimHeader{};
    header.flag = Dword(bytes, pos + 4);
    switch (header.flag) {
        case kTim16:
        case kTim24:
            return TestDirect(bytes, pos, header);
        case kTim4:
        case kTim8:
            return TestIndexed(bytes, pos, header);
        default:
            return TimTest::kReject;
    }
}

}  // namespace vorel
