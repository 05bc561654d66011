// Recognising a PlayStation TIM image at one byte position.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/bytes.h"

namespace vorel {

inline constexpr std::uint32_t kTimId = 0x10;
inline constexpr int kMaxTimWidth = 640;
inline constexpr int kMaxTimHeight = 480;
// The console's video memory: 1,024 16-bit words a line, 512 lines. The real-game
// rules let a TIM's image and CLUT be as large as that, and no larger.
inline constexpr int kVramWords = 1024;
inline constexpr int kVramLines = 512;

// The kinds of TIM the program converts, named by the flag word a TIM of that
// kind has under the strict rules. Under the real-game rules a TIM with another
// flag word is described by the kind its pixels are read as.
enum TimFlag : std::uint32_t { kTim16 = 2, kTim24 = 3, kTim4 = 8, kTim8 = 9 };

// Which TIMs a scan accepts.
//  - kStrict: the flag word is exactly 2, 3, 8 or 9, images fit 640 x 480, and
//    every block is exactly as long as its contents (the rules of the earlier
//    versions, which number images exactly as they did).
//  - kWide: everything kStrict accepts, with the same description, and beyond
//    it what the console's own libraries load: only the mode (bits 0-2) and the
//    CLUT bit (bit 3) of the flag word count, images up to 1,024 words x 512
//    lines, an image block 2 bytes longer than its pixels, and a 16- or 24-bit
//    mode with a CLUT read as indexed pixels.
enum class TimRules { kWide, kStrict };

struct TimHeader {
    std::uint32_t flag = 0;      // the kind the pixels are read as: 2, 3, 8 or 9
    std::uint32_t flagWord = 0;  // the flag word as the file has it
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
TimTest TestTimCandidate(ByteSpan bytes, std::size_t pos, TimHeader& header,
                         TimRules rules = TimRules::kStrict);

}  // namespace vorel
