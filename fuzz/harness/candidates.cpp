// The TIM and bitmap candidate tests at one position, and the conversion of
// what they accept, checked against the format's own rules.
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

#include "docview/hit_to_dib.h"
#include "docview/tim_bytes.h"
#include "docview/transparency.h"
#include "harness/check.h"
#include "harness/harness.h"
#include "harness/support.h"
#include "image/bytes.h"
#include "search/bmp_candidate.h"
#include "search/search_state.h"
#include "search/tim_candidate.h"

namespace vorel::fuzz {
namespace {

constexpr std::int64_t kSmallImagePixels = 16384;  // the octree runs on images up to this size

std::int32_t Field32(Input d, std::size_t at) {
    return static_cast<std::int32_t>(ReadLe32(d, at).value_or(0));
}
std::int32_t Field16(Input d, std::size_t at) {
    return static_cast<std::int16_t>(ReadLe16(d, at).value_or(0));
}

// The 5-bit to 8-bit expansion of a TIM colour word, written out independently.
void ExpectTimColour(const std::uint8_t* bgr, std::uint16_t word, const char* what) {
    const auto expand = [](unsigned v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); };
    Require(bgr[2] == expand(word & 31) && bgr[1] == expand((word >> 5) & 31) &&
                bgr[0] == expand((word >> 10) & 31),
            what);
}

// What the TIM rules say about an accepted header, read from the raw bytes.
void CheckTimHeaderRules(Input d, const TimHeader& h) {
    Require(h.width >= 1 && h.width <= 640 && h.height >= 1 && h.height <= 480,
            "TIM accepted outside 640 x 480");
    const std::int64_t w = h.width, ht = h.height;
    if (h.flag == kTim16 || h.flag == kTim24) {
        const std::int64_t l = Field32(d, 8);
        Require(h.paletteCount == 1, "direct-colour TIM with a palette count other than 1");
        Require(l == 12 + (h.flag == kTim16 ? 2 : 3) * w * ht,
                "direct-colour TIM: block length does not hold the pixels");
        Require(h.size == l + 8, "direct-colour TIM: size is not block length + 8");
        return;
    }
    const std::int64_t k = Field32(d, 8);
    const std::int64_t cw = Field16(d, 16);
    const std::int64_t ch = Field16(d, 18);
    Require(k >= 12 && cw > 0 && ch > 0, "indexed TIM with a CLUT shorter than its header or no palette");
    if (k < 12 || cw <= 0) return;
    Require(h.clutBlockSize == k && h.clutWidth == cw && h.paletteCount == ch,
            "indexed TIM: CLUT fields misread");
    Require(h.clutEntries == (k - 12) / 2 && (k - 12) / 2 / cw == ch,
            "indexed TIM: entries do not give the height");
    const auto image = static_cast<std::size_t>(8 + k);
    const std::int64_t l = Field32(d, image);
    const std::int64_t field = Field16(d, image + 8);
    Require(w == field * (h.flag == kTim4 ? 4 : 2) && ht == Field16(d, image + 10),
            "indexed TIM: size misread");
    Require(l == 12 + (h.flag == kTim4 ? w * ht / 2 : w * ht),
            "indexed TIM: block length does not hold the pixels");
    Require(h.size == l + k + 8, "indexed TIM: size is not both blocks + 8");
}

bool InTimLimits(std::int64_t w, std::int64_t h) {
    return w > 0 && w <= 640 && h > 0 && h <= 480;
}

// The TIM rules written out on their own, with this program's choices: a CLUT
// block shorter than its own header, or one without palettes, is no TIM; a
// 24-bit width field may count 16-bit units as the real files do. Nothing when
// a field the verdict needs lies beyond the bytes.
std::optional<bool> TimRulesAccept(Input d) {
    if (d.size() < 4) return std::nullopt;
    if (LoadLe32(d.data()) != 0x10) return false;
    if (d.size() < 8) return std::nullopt;
    const std::uint32_t flag = LoadLe32(d.data() + 4);
    if (flag != 2 && flag != 3 && flag != 8 && flag != 9) return false;
    if (d.size() < 20) return std::nullopt;
    const std::int64_t first = Field32(d, 8), w = Field16(d, 16), h = Field16(d, 18);
    if (flag == 2) return InTimLimits(w, h) && first == 12 + 2 * w * h;
    if (flag == 3) {
        return (InTimLimits(w, h) && first == 12 + 3 * w * h) ||
               (w > 0 && 2 * w % 3 == 0 && InTimLimits(2 * w / 3, h) && first == 12 + 2 * w * h);
    }
    if (first < 12 || w <= 0 || h <= 0 || (first - 12) / 2 / w != h) return false;
    const auto image = static_cast<std::uint64_t>(8 + first);
    if (image + 12 > d.size()) return std::nullopt;
    const std::int64_t length = Field32(d, image), field = Field16(d, image + 8),
                       height = Field16(d, image + 10);
    const std::int64_t width = field * (flag == 8 ? 4 : 2);
    return InTimLimits(width, height) && length == 12 + (flag == 8 ? width * height / 2 : width * height);
}

// The real-game rules written out on their own: what the strict rules accept,
// and beyond it a flag word whose mode (bits 0-2) is 0 to 3 with the CLUT bit
// (bit 3) set, or 2 or 3 without it; a CLUT of 1-1,024 x 1-512 colours whose
// block holds exactly them; an image of 1-1,024 words x 1-512 lines that shares
// video memory with its CLUT; an image block of exactly its pixels or 2 more.
std::optional<bool> WideRulesAccept(Input d) {
    const std::optional<bool> strict = TimRulesAccept(d);
    if (!strict || *strict) return strict;
    if (d.size() < 8 || LoadLe32(d.data()) != 0x10) return false;
    const std::uint32_t flag = LoadLe32(d.data() + 4);
    const std::uint32_t mode = flag % 8;
    const bool clut = (flag / 8) % 2 == 1;
    if (mode > 3 || (!clut && mode < 2)) return false;
    if (d.size() < 20) return std::nullopt;
    std::int64_t k = 0, cw = 0, ch = 0;
    if (clut) {
        k = Field32(d, 8), cw = Field16(d, 16), ch = Field16(d, 18);
        if (cw < 1 || cw > 1024 || ch < 1 || ch > 512 || k != 12 + 2 * cw * ch) return false;
    }
    const auto image = static_cast<std::uint64_t>(8 + k);
    if (image + 12 > d.size()) return std::nullopt;
    const std::int64_t l = Field32(d, image), w = Field16(d, image + 8), h = Field16(d, image + 10);
    if (w < 1 || w > 1024 || h < 1 || h > 512 || cw * ch + w * h > 1024 * 512) return false;
    if (l != 12 + 2 * w * h && l != 14 + 2 * w * h) return false;
    return clut || mode == 2 || (2 * w) % 3 == 0;
}

bool SameHeader(const TimHeader& a, const TimHeader& b) {
    return a.flag == b.flag && a.flagWord == b.flagWord && a.width == b.width && a.height == b.height &&
           a.clutBlockSize == b.clutBlockSize && a.clutWidth == b.clutWidth && a.clutEntries == b.clutEntries &&
           a.paletteCount == b.paletteCount && a.size == b.size;
}

// What the real-game rules say about a TIM that only they accept, read from its
// bytes: a 16- or 24-bit mode with a CLUT is read as 8-bit when the CLUT is 256
// or more wide, else as 4-bit; the size is the blocks' lengths as given.
void CheckWideHeaderRules(Input d, const TimHeader& h) {
    TimHeader e;
    e.flagWord = LoadLe32(d.data() + 4);
    const std::uint32_t mode = e.flagWord & 7;
    const bool clut = (e.flagWord & 8) != 0;
    const std::int32_t k = clut ? Field32(d, 8) : 0;
    const auto image = static_cast<std::size_t>(8 + k);
    const std::int32_t words = Field16(d, image + 8);
    const bool eightBit = mode == 1 || (mode >= 2 && Field16(d, 16) >= 256);
    e.flag = !clut ? (mode == 2 ? kTim16 : kTim24) : eightBit ? kTim8 : kTim4;
    e.width = !clut ? (mode == 2 ? words : 2 * words / 3) : words * (eightBit ? 2 : 4);
    e.height = Field16(d, image + 10);
    if (clut) e.clutBlockSize = k, e.clutWidth = Field16(d, 16), e.clutEntries = (k - 12) / 2, e.paletteCount = Field16(d, 18);
    e.size = 8 + std::int64_t{k} + Field32(d, image);
    Require(SameHeader(h, e), "real-game TIM: header misread");
}

// The search state the TIM scanner writes for a hit at `offset` of `file`.
SearchState TimState(const TimHeader& h, Input file, std::size_t offset) {
    SearchState s;
    s.m_nSourceType = kSourceTim;
    s.m_nFileSize = static_cast<std::int64_t>(file.size());
    s.m_nHitFileOffset = static_cast<std::int64_t>(offset);
    s.m_nTimFlag = h.flag;
    s.m_nWidth = h.width;
    s.m_nHeight = h.height;
    s.m_nPaletteCount = h.paletteCount;
    s.m_nClutBlockSize = h.clutBlockSize;
    s.m_nClutWidth = h.clutWidth;
    s.m_nClutEntries = h.clutEntries;
    s.m_nHitCount = 1;
    const auto size = static_cast<std::size_t>(h.size);
    s.m_pHitData.assign(size, 0);  // a TIM cut off by the end of the file ends in zeros
    const std::size_t have = std::min(size, file.size() - offset);
    std::memcpy(s.m_pHitData.data(), file.data() + offset, have);
    s.m_nHitSize = size;
    s.m_nHitBytesFound = have;
    return s;
}

void CheckTimDib(const SearchState& s, const Dib& dib) {
    CheckBuiltDib(dib);
    if (dib.IsNull()) return;
    const int bits = s.m_nTimFlag == kTim4 ? 4 : s.m_nTimFlag == kTim8 ? 8 : 24;
    Require(dib.Width() == s.m_nWidth && dib.Height() == s.m_nHeight && dib.BitCount() == bits,
            "TIM DIB: size or depth differs from the TIM");
    const Input hit = s.Hit();
    const std::uint8_t* top = dib.StoredRow(s.m_nHeight - 1).data();  // the TIM's first row is stored last
    if (s.m_nTimFlag == kTim16) {
        ExpectTimColour(top, LoadLe16(hit.data() + 20), "16-bit TIM: first pixel has the wrong colour");
        return;
    }
    if (bits == 24) return;
    const std::uint8_t first = hit[20 + static_cast<std::size_t>(s.m_nClutBlockSize)];
    const std::uint8_t expected = bits == 4 ? static_cast<std::uint8_t>((first << 4) | (first >> 4)) : first;
    Require(top[0] == expected, "indexed TIM: first pixel byte misplaced");
    const std::int64_t word = std::int64_t{bits == 4 ? 16 : 256} * s.m_nPaletteIndex;
    const std::uint8_t* entry0 = dib.ColorEntry(0);
    if (word < s.m_nClutEntries) {
        ExpectTimColour(entry0, LoadLe16(hit.data() + 20 + 2 * word),
                        "indexed TIM: wrong CLUT row in the table");
    } else {
        Require(entry0[0] == 0 && entry0[1] == 0 && entry0[2] == 0,
                "indexed TIM: colour past the CLUT not black");
    }
}

// The input's tail read as a search state no scanner would write: conversion
// must still stay inside the hit and build only sound DIBs.
// The transparency mask never exists without the image it stands beside, and always fits it; the TIM's own
// bytes are the hit's, only when the file supplied each one.
void CheckTransparencyAndTimBytes(const SearchState& s, const Dib& dib) {
    const Dib mask = TransparencyMaskOfHit(s);
    Require(mask.IsNull() || (!dib.IsNull() && MaskFits(mask, dib)), "transparency mask without a fitting image");
    const TimBytes tim = TimBytesOfHit(s);
    if (tim.outcome != TimBytesOutcome::kWhole) return;
    const auto hit = s.Hit();
    Require(s.m_nHitBytesFound >= hit.size() && tim.bytes.size() == hit.size() &&
                std::equal(hit.begin(), hit.end(), tim.bytes.begin()),
            "TIM bytes are not the hit found whole");
}

void CheckRawTimState(Input data) {
    if (data.size() < 24) return;
    const Input f = data.last(24);
    static constexpr std::uint32_t kFlags[] = {2, 3, 8, 9};
    SearchState s;
    s.m_nSourceType = kSourceTim;
    s.m_nTimFlag = f[0] < 250 ? kFlags[f[0] % 4] : f[0];
    s.m_nWidth = Field16(f, 2);
    s.m_nHeight = Field16(f, 4);
    s.m_nClutBlockSize = Field32(f, 6);
    s.m_nClutEntries = Field32(f, 10);
    s.m_nPaletteIndex = Field16(f, 14);
    s.m_nHitOffset = f[16] < 200 ? f[16] : Field32(f, 17);
    s.m_pHitData.assign(data.begin(), data.end() - 24);
    s.m_nHitSize = f[21] < 200 ? s.m_pHitData.size() : static_cast<std::size_t>(Field16(f, 22)) & 0xFFFF;
    s.m_nHitBytesFound = f[20] < 128 ? s.m_nHitSize : f[20];
    const Dib dib = ConvertHitToDib(s);
    CheckBuiltDib(dib);
    CheckTransparencyAndTimBytes(s, dib);
}

// The verdict under `rules`, held to the rules written out on their own and to
// the same verdict on fewer bytes.
TimTest CheckVerdict(Input data, TimRules rules, TimHeader& h) {
    const TimTest full = TestTimCandidate(data, 0, h, rules);
    // A verdict given on fewer bytes must not change when more bytes follow.
    for (std::size_t cut : {std::size_t{4}, std::size_t{8}, std::size_t{20}, data.size() / 2}) {
        if (cut > data.size()) continue;
        TimHeader partial;
        const TimTest r = TestTimCandidate(data.first(cut), 0, partial, rules);
        if (r == TimTest::kNeedMore) continue;
        Require(r == full, "TIM verdict changes when more bytes follow");
        if (r == TimTest::kAccept) Require(partial.size == h.size, "TIM size changes when more bytes follow");
    }
    const std::optional<bool> accept = rules == TimRules::kStrict ? TimRulesAccept(data) : WideRulesAccept(data);
    if (accept) {
        Require((full == TimTest::kAccept) == *accept, "TIM verdict differs from the TIM rules");
    } else {
        Require(full == TimTest::kNeedMore, "TIM verdict given without the bytes it needs");
    }
    return full;
}

void CheckAcceptedTim(Input data, const TimHeader& h) {
    SearchState s = TimState(h, data, 0);
    const std::int64_t pixels = std::int64_t{h.width} * h.height;
    const int palettes = std::min(h.paletteCount, 64);
    for (int p = -1; p <= palettes; ++p) {
        s.m_nPaletteIndex = p == palettes ? h.paletteCount : p;
        const Dib dib = ConvertHitToDib(s);
        const bool valid = s.m_nPaletteIndex >= 0 && s.m_nPaletteIndex < h.paletteCount;
        if (valid) Require(!dib.IsNull(), "accepted TIM did not become an image");
        CheckTimDib(s, dib);
        CheckTransparencyAndTimBytes(s, dib);
        if (p == 0) {
            CheckDocumentPalette(dib, 0);
            if (pixels <= kSmallImagePixels) CheckDocumentPalette(dib, 1);
        }
    }
}

}  // namespace

void CheckTimCandidate(Input data) {
    CheckRawTimState(data);
    TimHeader strict;
    TimHeader wide;
    const TimTest strictVerdict = CheckVerdict(data, TimRules::kStrict, strict);
    const TimTest wideVerdict = CheckVerdict(data, TimRules::kWide, wide);
    if (strictVerdict == TimTest::kAccept) {
        // The real-game rules find every strict TIM exactly as the strict rules do.
        Require(wideVerdict == TimTest::kAccept && SameHeader(strict, wide),
                "the real-game rules describe a strict TIM otherwise");
        CheckTimHeaderRules(data, strict);
        CheckAcceptedTim(data, strict);
        return;
    }
    if (strictVerdict == TimTest::kNeedMore) Require(wideVerdict == TimTest::kNeedMore, "the real-game rules judge what the strict rules wait for");
    if (wideVerdict != TimTest::kAccept) return;
    CheckWideHeaderRules(data, wide);
    CheckAcceptedTim(data, wide);
}

void CheckBmpCandidate(Input data) {
    BmpHeader h;
    const BmpTest verdict = TestBmpHeader(data, 0, h);
    // The header rules: biSize 40, one plane, 1, 4, 8 or 24 bits, uncompressed.
    if (data.size() < 4 || (LoadLe32(data.data()) == 40 && data.size() < 40)) {
        Require(verdict == BmpTest::kNeedMore, "bitmap verdict given without the bytes it needs");
    } else {
        const int bits = LoadLe32(data.data()) == 40 ? LoadLe16(data.data() + 14) : 0;
        const bool rules = bits != 0 && LoadLe16(data.data() + 12) == 1 && LoadLe32(data.data() + 16) == 0 &&
                           (bits == 1 || bits == 4 || bits == 8 || bits == 24);
        Require((verdict == BmpTest::kAccept) == rules, "bitmap verdict differs from the header rules");
    }
    if (verdict != BmpTest::kAccept) return;
    const std::uint32_t clrUsed = ReadLe32(data, 32).value_or(0);
    const std::int64_t rows = h.height < 0 ? -std::int64_t{h.height} : h.height;
    if (h.width > 0) {
        // The stored row length and table of a BITMAPINFOHEADER, written out independently.
        const std::uint64_t stride = (static_cast<std::uint64_t>(h.width) * h.bitCount + 31) / 32 * 4;
        // biClrUsed sizes the table at every depth: a 24-bit bitmap that names colours carries them.
        const std::uint64_t table =
            clrUsed != 0 ? 4 * std::uint64_t{clrUsed} : (h.bitCount == 24 ? 0 : 4u << h.bitCount);
        const std::uint64_t size = 40 + table + stride * static_cast<std::uint64_t>(rows);
        const std::uint64_t max = std::numeric_limits<std::int64_t>::max();
        Require(static_cast<std::uint64_t>(h.size) == std::min(size, max),
                "bitmap size is not header + table + rows");
    }
    if (h.size < 0 || h.size > static_cast<std::int64_t>(data.size()))
        return;  // not found: runs past the file

    // The bytes the scanner reads for a shown hit.
    std::int64_t bytes = h.size;
    if (h.width <= 0 || h.height == 0 || bytes > static_cast<std::int64_t>(Dib::kMaxDibBytes)) bytes = 40;
    SearchState s;
    s.m_nSourceType = kSourceBmp;
    s.m_nFileSize = static_cast<std::int64_t>(data.size());
    s.m_nPaletteCount = 1;
    s.m_nHitCount = 1;
    s.m_pHitData.assign(data.begin(), data.begin() + bytes);
    s.m_nHitSize = static_cast<std::size_t>(bytes);
    const Dib dib = ConvertHitToDib(s);
    CheckBuiltDib(dib);
    if (h.width <= 0 || h.height == 0) {
        Require(dib.IsNull(), "bitmap without width or height became an image");
        return;
    }
    Require(!dib.IsNull(), "found bitmap did not become an image");
    if (dib.IsNull()) return;
    Require(dib.Width() == h.width && dib.Height() == rows && dib.BitCount() == h.bitCount,
            "bitmap DIB: size or depth differs from the header");
    Require(std::memcmp(dib.Data() + 24, data.data() + 24, 8) == 0, "bitmap DIB: resolution not kept");
    const std::uint64_t stride = dib.Stride();
    const std::uint64_t sourceTable =
        clrUsed != 0 ? 4 * std::uint64_t{clrUsed} : (h.bitCount == 24 ? 0 : 4u << h.bitCount);
    // The bottom row is stored first: the source's first row when bottom-up, its last when top-down.
    const std::uint64_t bottom =
        40 + sourceTable + (h.height > 0 ? 0 : stride * static_cast<std::uint64_t>(rows - 1));
    Require(std::memcmp(dib.StoredRow(0).data(), data.data() + bottom, stride) == 0,
            "bitmap DIB: bottom row misplaced");
    CheckDocumentPalette(dib, 0);
    if (rows * h.width <= kSmallImagePixels) CheckDocumentPalette(dib, 1);
}

}  // namespace vorel::fuzz
