#include "docview/hit_to_dib.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include "image/bytes.h"

namespace vorel {
namespace {

constexpr std::uint64_t kTimPixelStart = 20;  // id, flag word, 12-byte block header

// The `length` bytes at `offset` of the hit, or nothing when they are not all there.
std::optional<ByteSpan> Slice(ByteSpan bytes, std::uint64_t offset, std::uint64_t length) {
    if (offset > bytes.size() || length > bytes.size() - offset) return std::nullopt;
    return bytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
}

// The hit's bytes: m_nHitOffset into the buffer, m_nHitSize of them, never past the buffer.
ByteSpan HitBytes(const SearchState& state) {
    const ByteSpan all(state.m_pHitData);
    if (state.m_nHitOffset < 0 || static_cast<std::uint64_t>(state.m_nHitOffset) > all.size()) return {};
    const ByteSpan from = all.subspan(static_cast<std::size_t>(state.m_nHitOffset));
    return from.first(std::min(state.m_nHitSize, from.size()));
}

void PutBgr(std::uint8_t* out, Rgb c) {
    out[0] = c.blue;
    out[1] = c.green;
    out[2] = c.red;
}

// Flags 2 and 3: direct colour becomes a 24-bit DIB, top source row stored last.
Dib ConvertTimDirect(ByteSpan hit, std::uint32_t flag, std::int32_t w, std::int32_t h) {
    const std::uint64_t bytesPerPixel = flag == 2 ? 2 : 3;
    const auto rowBytes = CheckedMul(bytesPerPixel, static_cast<std::uint64_t>(w));
    if (!rowBytes) return {};
    const auto total = CheckedMul(*rowBytes, static_cast<std::uint64_t>(h));
    if (!total) return {};
    const auto pixels = Slice(hit, kTimPixelStart, *total);
    if (!pixels) return {};
    Dib dib = Dib::Create(w, h, 24);
    if (dib.IsNull()) return dib;
    for (std::int32_t r = 0; r < h; ++r) {
        const ByteSpan src =
            pixels->subspan(static_cast<std::size_t>(*rowBytes * static_cast<std::uint64_t>(r)),
                            static_cast<std::size_t>(*rowBytes));
        std::uint8_t* out = dib.StoredRow(h - 1 - r).data();
        for (std::size_t j = 0; j < static_cast<std::size_t>(w); ++j) {
            if (flag == 2) {
                PutBgr(out + 3 * j, TimColor(LoadLe16(src.data() + 2 * j)));
            } else {
                // The real files keep red, green, blue in that order, every pixel whole.
                PutBgr(out + 3 * j, Rgb{src[3 * j], src[3 * j + 1], src[3 * j + 2]});
            }
        }
    }
    return dib;
}

// Flags 8 and 9: the CLUT row of the chosen palette becomes the colour table.
Dib ConvertTimIndexed(const SearchState& state, ByteSpan hit, std::int32_t w, std::int32_t h) {
    const bool fourBit = state.m_nTimFlag == 8;
    const std::int64_t clutWidth = fourBit ? 16 : 256;
    // A CLUT block shorter than its own header puts the image block nowhere sensible.
    if (state.m_nClutBlockSize < 12 || state.m_nClutEntries < 0 || state.m_nPaletteIndex < 0) return {};

    const std::uint64_t rowBytes =
        fourBit ? (static_cast<std::uint64_t>(w) + 1) / 2 : static_cast<std::uint64_t>(w);
    const auto total = CheckedMul(rowBytes, static_cast<std::uint64_t>(h));
    if (!total) return {};
    const auto pixels =
        Slice(hit, kTimPixelStart + static_cast<std::uint64_t>(state.m_nClutBlockSize), *total);
    if (!pixels) return {};

    // Only the words before m_nClutEntries belong to the CLUT; the rest of the table stays black.
    const std::int64_t first = clutWidth * state.m_nPaletteIndex;
    const std::int64_t end = std::min<std::int64_t>(first + clutWidth, state.m_nClutEntries);
    std::optional<ByteSpan> words;
    if (end > first) {
        words = Slice(hit, kTimPixelStart + 2 * static_cast<std::uint64_t>(first),
                      2 * static_cast<std::uint64_t>(end - first));
        if (!words) return {};
    }

    Dib dib = Dib::Create(w, h, fourBit ? 4 : 8);
    if (dib.IsNull()) return dib;
    for (std::int64_t i = 0; first + i < end; ++i) {
        const Rgb c = TimColor(LoadLe16(words->data() + 2 * i));
        std::uint8_t* quad = dib.ColorEntry(static_cast<std::size_t>(i));
        PutBgr(quad, c);
    }
    for (std::int32_t r = 0; r < h; ++r) {
        const ByteSpan src =
            pixels->subspan(static_cast<std::size_t>(rowBytes * static_cast<std::uint64_t>(r)),
                            static_cast<std::size_t>(rowBytes));
        std::uint8_t* out = dib.StoredRow(h - 1 - r).data();
        if (!fourBit) {
            std::memcpy(out, src.data(), src.size());
            continue;
        }
        // The TIM keeps the left pixel in the low nibble, the DIB in the high one.
        for (std::size_t j = 0; j < src.size(); ++j) {
            out[j] = static_cast<std::uint8_t>((src[j] << 4) | (src[j] >> 4));
        }
        if (w % 2 != 0) out[src.size() - 1] &= 0xF0;  // the nibble past the last pixel is not a pixel
    }
    return dib;
}

Dib ConvertBitmap(ByteSpan hit) {
    const auto header = Slice(hit, 0, kDibHeaderSize);
    if (!header) return {};
    const std::uint8_t* p = header->data();
    const std::uint32_t headerSize = LoadLe32(p + dibfield::kSize);
    const auto width = static_cast<std::int32_t>(LoadLe32(p + dibfield::kWidth));
    const auto height = static_cast<std::int32_t>(LoadLe32(p + dibfield::kHeight));
    const std::uint16_t planes = LoadLe16(p + dibfield::kPlanes);
    const std::uint16_t bitCount = LoadLe16(p + dibfield::kBitCount);
    const std::uint32_t compression = LoadLe32(p + dibfield::kCompression);
    const std::uint32_t clrUsed = LoadLe32(p + dibfield::kClrUsed);

    if (headerSize != kDibHeaderSize || planes != 1 || compression != 0) return {};
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return {};
    if (width <= 0) return {};
    if (height == 0) return {};
    const std::int64_t rows64 = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (rows64 > std::numeric_limits<std::int32_t>::max()) return {};  // -2^31 cannot be turned round
    const auto rows = static_cast<std::int32_t>(rows64);

    const std::uint64_t stride = DibStride(width, bitCount);
    const std::uint64_t fullTable = bitCount == 24 ? 0 : 4 * (std::uint64_t{1} << bitCount);
    const std::uint64_t sourceTable = clrUsed != 0 ? 4 * std::uint64_t{clrUsed} : fullTable;
    const auto pixelBytes = CheckedMul(stride, static_cast<std::uint64_t>(rows));
    if (!pixelBytes) return {};
    const auto pixels = Slice(hit, kDibHeaderSize + sourceTable, *pixelBytes);
    if (!pixels) return {};

    Dib dib = Dib::Create(width, rows, bitCount);
    if (dib.IsNull()) return dib;
    std::uint8_t* out = dib.Data();
    std::memcpy(out + dibfield::kXPelsPerMeter, p + dibfield::kXPelsPerMeter, 8);  // resolution as found
    const std::uint64_t tableBytes = std::min(sourceTable, fullTable);
    std::memcpy(out + kDibHeaderSize, hit.data() + kDibHeaderSize, static_cast<std::size_t>(tableBytes));

    if (height > 0) {
        std::memcpy(out + dib.PixelOffset(), pixels->data(), static_cast<std::size_t>(*pixelBytes));
    } else {
        for (std::int32_t i = 0; i < rows; ++i) {
            std::memcpy(dib.StoredRow(rows - 1 - i).data(),
                        pixels->data() + stride * static_cast<std::uint64_t>(i),
                        static_cast<std::size_t>(stride));
        }
    }
    return dib;
}

}  // namespace

Rgb TimColor(std::uint16_t word) {
    const auto expand = [](unsigned v) { return static_cast<std::uint8_t>(v * 8 + v / 4); };
    return {expand(word & 0x1Fu), expand((word >> 5) & 0x1Fu), expand((word >> 10) & 0x1Fu)};
}

Dib ConvertHitToDib(const SearchState& state) {
    const ByteSpan hit = HitBytes(state);
    if (state.m_nSourceType == kSourceBmp) return ConvertBitmap(hit);
    if (state.m_nSourceType != kSourceTim) return {};
    const std::int32_t w = state.m_nWidth;
    const std::int32_t h = state.m_nHeight;
    if (w <= 0 || h <= 0) return {};
    switch (state.m_nTimFlag) {
        case 2:
        case 3:
            return ConvertTimDirect(hit, state.m_nTimFlag, w, h);
        case 8:
        case 9:
            return ConvertTimIndexed(state, hit, w, h);
        default:
            return {};
    }
}

}  // namespace vorel
