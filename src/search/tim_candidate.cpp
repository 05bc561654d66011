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

// The real-game rules for a candidate the strict rules passed over: what the
// console's libraries load. They read only the mode (bits 0-2) and the CLUT bit
// (bit 3) of the flag word; converters leave other bits set.
TimTest TestWide(ByteSpan bytes, std::size_t pos, TimHeader& h) {
    const std::uint32_t mode = h.flagWord & 7;
    const bool hasClut = (h.flagWord & 8) != 0;
    if (mode > 3) return TimTest::kReject;             // 4 to 7 name no kind of pixels a file holds
    if (!hasClut && mode < 2) return TimTest::kReject;  // indexed pixels need a colour table
    if (!InBounds(bytes.size(), pos, 20)) return TimTest::kNeedMore;

    std::int64_t clutLength = 0;
    std::int64_t clutWidth = 0;
    std::int64_t clutHeight = 0;
    if (hasClut) {
        clutLength = static_cast<std::int32_t>(Dword(bytes, pos + 8));
        clutWidth = Signed16(Word(bytes, pos + 16));
        clutHeight = Signed16(Word(bytes, pos + 18));
        if (clutWidth <= 0 || clutWidth > kVramWords) return TimTest::kReject;     // a CLUT lies in video memory
        if (clutHeight <= 0 || clutHeight > kVramLines) return TimTest::kReject;   // and has a palette at least
        if (clutLength != 12 + 2 * clutWidth * clutHeight) return TimTest::kReject;  // exactly its colours
    }

    const std::uint64_t imageHeader = static_cast<std::uint64_t>(pos) + 8 + static_cast<std::uint64_t>(clutLength);
    if (!InBounds(bytes.size(), imageHeader, 12)) return TimTest::kNeedMore;
    const auto at = static_cast<std::size_t>(imageHeader);
    const std::int64_t blockLength = static_cast<std::int32_t>(Dword(bytes, at));
    const std::int64_t words = Signed16(Word(bytes, at + 8));
    const std::int64_t height = Signed16(Word(bytes, at + 10));
    if (words <= 0 || words > kVramWords) return TimTest::kReject;     // width in 16-bit words
    if (height <= 0 || height > kVramLines) return TimTest::kReject;
    // Image and CLUT are loaded into video memory together: a TIM never asks for more.
    if (clutWidth * clutHeight + words * height > std::int64_t{kVramWords} * kVramLines) return TimTest::kReject;
    const std::int64_t pixelBytes = 2 * words * height;
    // Exactly the pixels, or 2 bytes more, as some converters (and commercial games) write it.
    if (blockLength != 12 + pixelBytes && blockLength != 14 + pixelBytes) return TimTest::kReject;

    std::int64_t width = 0;
    if (!hasClut) {
        h.flag = mode == 2 ? kTim16 : kTim24;
        if (mode == 3 && (2 * words) % 3 != 0) return TimTest::kReject;  // three words hold two 24-bit pixels
        width = mode == 2 ? words : 2 * words / 3;
    } else {
        // A 16- or 24-bit mode with a CLUT holds indexed pixels after all: a
        // CLUT of 256 colours or more says 8 bits, a narrower one 4 bits.
        const bool eightBit = mode == 1 || (mode >= 2 && clutWidth >= 256);
        h.flag = eightBit ? kTim8 : kTim4;
        width = eightBit ? 2 * words : 4 * words;
        h.clutBlockSize = static_cast<std::int32_t>(clutLength);
        h.clutWidth = static_cast<std::int32_t>(clutWidth);
        h.clutEntries = static_cast<std::int32_t>(clutWidth * clutHeight);
    }
    h.paletteCount = hasClut ? static_cast<std::int32_t>(clutHeight) : 1;
    h.width = static_cast<std::int32_t>(width);
    h.height = static_cast<std::int32_t>(height);
    h.size = 8 + clutLength + blockLength;
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

TimTest TestTimCandidate(ByteSpan bytes, std::size_t pos, TimHeader& header, TimRules rules) {
    if (!InBounds(bytes.size(), pos, 4)) return TimTest::kNeedMore;
    if (Dword(bytes, pos) != kTimId) return TimTest::kReject;
    if (!InBounds(bytes.size(), pos, 8)) return TimTest::kNeedMore;
    const std::uint32_t flagWord = Dword(bytes, pos + 4);
    header = TimHeader{};
    header.flag = flagWord;
    header.flagWord = flagWord;
    TimTest strict = TimTest::kReject;
    switch (flagWord) {
        case kTim16:
        case kTim24:
            strict = TestDirect(bytes, pos, header);
            break;
        case kTim4:
        case kTim8:
            strict = TestIndexed(bytes, pos, header);
            break;
        default:
            break;
    }
    // Whatever the strict rules find (or wait for) stays exactly as they say.
    if (strict != TimTest::kReject || rules == TimRules::kStrict) return strict;
    header = TimHeader{};
    header.flagWord = flagWord;
    return TestWide(bytes, pos, header);
}

}  // namespace vorel
