#include "docview/transparency.h"

#include <algorithm>

#include "image/bytes.h"

namespace vorel {
namespace {

constexpr std::uint64_t kTimPixelStart = 20;  // id, flag word, 12-byte block header

// The hit's bytes, never past the buffer (as the DIB conversion takes them).
ByteSpan HitBytes(const SearchState& state) {
    const ByteSpan all(state.m_pHitData);
    if (state.m_nHitOffset < 0 || static_cast<std::uint64_t>(state.m_nHitOffset) > all.size()) return {};
    const ByteSpan from = all.subspan(static_cast<std::size_t>(state.m_nHitOffset));
    return from.first(std::min(state.m_nHitSize, from.size()));
}

// The little-endian word at `offset`, or nothing when it is not all in `bytes`.
bool WordAt(ByteSpan bytes, std::uint64_t offset, std::uint16_t& word) {
    if (offset > bytes.size() || bytes.size() - offset < 2) return false;
    word = LoadLe16(bytes.data() + offset);
    return true;
}

// An 8-bit DIB with a two-entry colour table: every open TIM window keeps one,
// and the 256-entry table Dib::Create writes would cost a kilobyte each.
Dib MaskDib(std::int32_t w, std::int32_t h) {
    const auto rows = CheckedMul(DibStride(w, 8), static_cast<std::uint64_t>(h));
    if (!rows || *rows > 0xFFFFFFFFu) return {};
    const auto total = CheckedAdd(kDibHeaderSize + 8, *rows);
    if (!total || *total > Dib::kMaxDibBytes) return {};
    Dib mask = Dib::Allocate(static_cast<std::size_t>(*total));
    if (mask.IsNull()) return mask;
    std::uint8_t* p = mask.Data();
    StoreLe32(p + dibfield::kSize, kDibHeaderSize);
    StoreLe32(p + dibfield::kWidth, static_cast<std::uint32_t>(w));
    StoreLe32(p + dibfield::kHeight, static_cast<std::uint32_t>(h));
    StoreLe16(p + dibfield::kPlanes, 1);
    StoreLe16(p + dibfield::kBitCount, 8);
    StoreLe32(p + dibfield::kSizeImage, static_cast<std::uint32_t>(*rows));
    StoreLe32(p + dibfield::kClrUsed, 2);
    p[kDibHeaderSize + 4] = p[kDibHeaderSize + 5] = p[kDibHeaderSize + 6] = 0xFF;  // 1 shows white
    return mask;
}

}  // namespace

Dib TransparencyMaskOfHit(const SearchState& state) {
    if (state.m_nSourceType != kSourceTim) return {};
    const std::uint32_t flag = state.m_nTimFlag;
    if (flag != 2 && flag != 8 && flag != 9) return {};
    const std::int32_t w = state.m_nWidth;
    const std::int32_t h = state.m_nHeight;
    if (w <= 0 || h <= 0) return {};
    const ByteSpan hit = HitBytes(state);

    // Which indices of the chosen palette are the word 0x0000.
    bool clearIndex[256] = {};
    std::uint64_t pixelStart = kTimPixelStart;
    std::uint64_t rowBytes = 0;
    if (flag == 2) {
        rowBytes = 2 * static_cast<std::uint64_t>(w);
    } else {
        if (state.m_nClutBlockSize < 12 || state.m_nClutEntries < 0 || state.m_nPaletteIndex < 0) return {};
        const std::int64_t clutWidth = flag == 8 ? 16 : 256;
        const std::int64_t first = clutWidth * state.m_nPaletteIndex;
        const std::int64_t end = std::min<std::int64_t>(first + clutWidth, state.m_nClutEntries);
        for (std::int64_t i = first; i < end; ++i) {
            std::uint16_t word = 0;
            if (!WordAt(hit, kTimPixelStart + 2 * static_cast<std::uint64_t>(i), word)) return {};
            clearIndex[i - first] = word == 0;
        }
        pixelStart += static_cast<std::uint64_t>(state.m_nClutBlockSize);
        rowBytes = flag == 8 ? (static_cast<std::uint64_t>(w) + 1) / 2 : static_cast<std::uint64_t>(w);
    }
    const auto total = CheckedMul(rowBytes, static_cast<std::uint64_t>(h));
    if (!total || pixelStart > hit.size() || *total > hit.size() - pixelStart) return {};

    Dib mask = MaskDib(w, h);
    if (mask.IsNull()) return mask;
    const std::uint8_t* pixels = hit.data() + pixelStart;
    for (std::int32_t r = 0; r < h; ++r) {
        const std::uint8_t* src = pixels + rowBytes * static_cast<std::uint64_t>(r);
        std::uint8_t* out = mask.StoredRow(h - 1 - r).data();
        for (std::size_t x = 0; x < static_cast<std::size_t>(w); ++x) {
            bool clear = false;
            switch (flag) {
                case 2:
                    clear = LoadLe16(src + 2 * x) == 0;
                    break;
                case 8:  // the left pixel of a byte is its low nibble
                    clear = clearIndex[(src[x / 2] >> (x % 2 == 0 ? 0 : 4)) & 0x0F];
                    break;
                default:
                    clear = clearIndex[src[x]];
                    break;
            }
            out[x] = clear ? 1 : 0;
        }
    }
    return mask;
}

bool MaskFits(const Dib& mask, const Dib& image) {
    return !mask.IsNull() && mask.IsConsistent() && mask.BitCount() == 8 && mask.Width() == image.Width() &&
           mask.Height() == image.Height();
}

}  // namespace vorel
