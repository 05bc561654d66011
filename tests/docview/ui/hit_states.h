// Search states for the document and view tests: a hand-made 4-bit TIM with
// two palettes, and the state a scan would give for a whole TIM file.
#pragma once

#include <cstdint>
#include <vector>

#include "search/search_state.h"

namespace vorel::testing {

inline void PutLe16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutLe32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint32_t GetLe(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
}

// 4 x 2 pixels, 4-bit, two CLUT rows of 16. Palette 1 starts red, green, blue, white.
// Top row indices 0 1 2 3, bottom row 3 2 1 0 (the TIM keeps the left pixel in the low nibble).
inline SearchState FourBitTimState(int paletteIndex, int hitCount) {
    std::vector<std::uint8_t> b(100, 0);
    PutLe32(b, 0, 0x10);
    PutLe32(b, 4, 8);
    PutLe32(b, 8, 12 + 2 * 32);  // CLUT block
    PutLe16(b, 16, 16);
    PutLe16(b, 18, 2);
    PutLe16(b, 20 + 2 * 16, 0x001F);  // palette 1: red, green, blue, white
    PutLe16(b, 20 + 2 * 17, 0x03E0);
    PutLe16(b, 20 + 2 * 18, 0x7C00);
    PutLe16(b, 20 + 2 * 19, 0x7FFF);
    PutLe32(b, 84, 12 + 4);  // image block: 1 x 2 units of 16 bits
    PutLe16(b, 92, 1);
    PutLe16(b, 94, 2);
    b[96] = 0x10;
    b[97] = 0x32;
    b[98] = 0x23;
    b[99] = 0x01;
    SearchState s;
    s.m_nSourceType = kSourceTim;
    s.m_nTimFlag = 8;
    s.m_nWidth = 4;
    s.m_nHeight = 2;
    s.m_nClutEntries = 32;
    s.m_nClutWidth = 16;
    s.m_nClutBlockSize = 12 + 2 * 32;
    s.m_nPaletteCount = 2;
    s.m_nPaletteIndex = paletteIndex;
    s.m_nHitCount = hitCount;
    s.m_nHitSize = b.size();
    s.m_pHitData = std::move(b);
    return s;
}

// The state a scan fills for a TIM file that starts at byte 0 (flags 2, 3, 8, 9).
inline SearchState StateForTimFile(std::vector<std::uint8_t> b) {
    SearchState s;
    s.m_nSourceType = kSourceTim;
    s.m_nTimFlag = GetLe(b, 4, 4);
    std::size_t image = 8;
    int unitsToPixels = 1;
    if (s.m_nTimFlag == 8 || s.m_nTimFlag == 9) {
        s.m_nClutBlockSize = static_cast<std::int32_t>(GetLe(b, 8, 4));
        s.m_nClutEntries = (s.m_nClutBlockSize - 12) / 2;
        s.m_nClutWidth = static_cast<std::int32_t>(GetLe(b, 16, 2));
        s.m_nPaletteCount = static_cast<std::int32_t>(GetLe(b, 18, 2));
        image += s.m_nClutBlockSize;
        unitsToPixels = s.m_nTimFlag == 8 ? 4 : 2;
    } else {
        s.m_nPaletteCount = 1;
    }
    const int units = static_cast<int>(GetLe(b, image + 8, 2));
    s.m_nWidth = s.m_nTimFlag == 3 ? units * 2 / 3 : units * unitsToPixels;
    s.m_nHeight = static_cast<std::int32_t>(GetLe(b, image + 10, 2));
    s.m_nHitCount = 1;
    s.m_nHitSize = b.size();
    s.m_pHitData = std::move(b);
    return s;
}

}  // namespace vorel::testing
