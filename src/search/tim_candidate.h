// Recognising a PlayStation TIM image at one byte position.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/bytes.h"

namespace vorel {

inline constexpr std::uint32_t kTimId = 0x10;
inline constexpr int kMaxTimWidth = 640;
inline constexpr int kMaxTimHeight = 480;

enum TimFlag : std::uint32_t { kTim16 = 2, kTim24 = 3, kTim4 = 8, kTim8 = 9 };

struct TimHeader {
    std::uint32_t flag = 0;
    std::int32_t width = 0;  // in pixels
    std::int32_t height = 0;
    std::int32_t clutBlockSize = 0;  // flags 8, 9
    std::int32_t clutWidth = 0;      // flags 8, 9
    std::int32_t clutEntries = 0;    // flags 8, 9
    std::int32_t paletteCount = 1;   // CLUT height, or 1 for direct colour
    std::int64_t size = 0;           // bytes from the id to the end of the image block
};

// Byte orders a TIM field can be read in. PlayStation files are little-endian
// throughout, so the scanner always reads kTimLittleEndian.
enum TimByteOrder : int { kTimLittleEndian = 0, kTimBigEndian = 1 };

// The 16- or 32-bit field at `offset` in the given byte order. Any other order
// reads nothing and gives a value with all bits set, and so does a field that
// does not lie inside `bytes`: neither can pass for a TIM id, flag or length.
std::uint16_t ReadTimWord(ByteSpan bytes, std::size_t offset, int order);
std::uint32_t ReadTimDword(ByteSpan bytes, std::size_t offset, int order);

enum class TimTest {
    kReject,
    kAccept,
    kNeedMore,  // a field lies beyond `bytes`: test again with more of the buffer
};

// Tests the bytes at `pos` as the start of a TIM. `bytes` is everything of the
// chunk buffer that may be read; a header reaching past it gives kNeedMore.
TimTest TestTimCandidate(ByteSpan bytes, std::size_t pos, TimHeader& header);

}  // namespace vorel
