// What a scanner tells the document it opens about the current hit, and the
// counters of a search run. The windowed program keeps one of these in its
// application object; the finder and the tests keep their own.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorel {

enum SourceType : std::int32_t { kSourceTim = 1, kSourceBmp = 3 };

struct SearchState {
    std::int32_t m_nSourceType = 0;     // 1 TIM, 3 BMP
    std::int64_t m_nFileSize = 0;       // size of the searched file
    std::int64_t m_nHitOffset = 0;      // offset of the image inside m_pHitData once read (always 0)
    std::int64_t m_nHitFileOffset = 0;  // file offset of the current hit (TIM id or BITMAPINFOHEADER)
    std::int64_t m_nHitStreamOffset = 0;  // the same place in the scanned bytes (differs in a raw CD image)
    std::int64_t m_nFileModifiedNs = 0;   // modification time of the searched file when its scan began
    bool m_bRawSectors = false;           // the file is read as 2,352-byte CD sectors
    bool m_bPaletteImages = false;        // a TIM scan shows one image per palette
    bool m_bStrictTim = false;            // a TIM scan judges by the strict rules only (TimRules)
    std::uint32_t m_nTimFlag = 0;       // 2, 3, 8 or 9: the kind the pixels are read as
    std::int32_t m_nWidth = 0;          // TIM pixel width
    std::int32_t m_nHeight = 0;         // TIM height
    std::int32_t m_nClutEntries = 0;    // (CLUT block length - 12) / 2
    std::int32_t m_nClutWidth = 0;      // colours per palette
    std::int32_t m_nClutBlockSize = 0;  // CLUT block length
    std::int32_t m_nPaletteCount = 0;   // CLUT height, or 1
    std::int32_t m_nPaletteIndex = 0;   // palette of the document being opened
    std::int32_t m_nHitCount = 0;       // image number of the current hit
    std::int32_t m_nShownCount = 0;     // hits inside the divided-search window
    std::int32_t m_nPaletteImageCount = 0;

    // The hit buffer: its size is its capacity, which only grows during a scan.
    // The current hit occupies the first m_nHitSize bytes; bytes a file could not
    // supply (a TIM cut off by the end of the file) are zero.
    std::vector<std::uint8_t> m_pHitData;
    std::size_t m_nHitSize = 0;
    // How many of the hit's first bytes the file supplied (fewer than m_nHitSize for a cut-off TIM).
    std::size_t m_nHitBytesFound = 0;

    std::span<const std::uint8_t> Hit() const {
        return std::span<const std::uint8_t>(m_pHitData).first(std::min(m_nHitSize, m_pHitData.size()));
    }
};

}  // namespace vorel
