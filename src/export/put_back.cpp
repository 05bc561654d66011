#include "export/put_back.h"

#include <algorithm>
#include <limits>
#include <new>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "docview/hit_to_dib.h"
#include "image/bytes.h"
#include "image/dib.h"
#include "image/palette.h"

namespace vorel {
namespace {

constexpr std::uint64_t kTimPixelStart = 20;  // id, flag word, 12-byte block header
constexpr std::uint32_t kTransparentKey = 0xFF000000u;

enum class PixelKind { kTim16, kTim24, kBmp24, kIndexed };

// Where an image keeps its pixels (and palette) inside its hit.
struct Layout {
    PixelKind kind = PixelKind::kIndexed;
    bool tim = false;
    int bits = 0;                 // bits per pixel
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint64_t pixelStart = 0;
    std::uint64_t rowBytes = 0;
    bool bottomUp = false;        // a bitmap stored bottom row first
    std::uint64_t paletteStart = 0;
    std::int64_t paletteEntries = 0;  // entries of the chosen palette that the file holds

    std::uint64_t RowStart(std::int32_t topRow) const {
        const std::int32_t stored = bottomUp ? height - 1 - topRow : topRow;
        return pixelStart + rowBytes * static_cast<std::uint64_t>(stored);
    }
};

bool Fits(std::size_t size, std::uint64_t offset, std::uint64_t length) {
    return offset <= size && length <= size - offset;
}

std::optional<Layout> TimLayout(const SearchState& s, std::size_t hitSize) {
    Layout l;
    l.tim = true;
    l.width = s.m_nWidth;
    l.height = s.m_nHeight;
    if (l.width <= 0 || l.height <= 0) return std::nullopt;
    const auto w = static_cast<std::uint64_t>(l.width);
    switch (s.m_nTimFlag) {
        case 2: l.kind = PixelKind::kTim16; l.bits = 16; l.rowBytes = 2 * w; l.pixelStart = kTimPixelStart; break;
        case 3: l.kind = PixelKind::kTim24; l.bits = 24; l.rowBytes = 3 * w; l.pixelStart = kTimPixelStart; break;
        case 8:
        case 9: {
            if (s.m_nClutBlockSize < 12 || s.m_nClutEntries < 0 || s.m_nPaletteIndex < 0) return std::nullopt;
            l.kind = PixelKind::kIndexed;
            l.bits = s.m_nTimFlag == 8 ? 4 : 8;
            l.rowBytes = l.bits == 4 ? (w + 1) / 2 : w;
            l.pixelStart = kTimPixelStart + static_cast<std::uint64_t>(s.m_nClutBlockSize);
            const std::int64_t perPalette = l.bits == 4 ? 16 : 256;
            const std::int64_t first = perPalette * s.m_nPaletteIndex;
            const std::int64_t end = std::min<std::int64_t>(first + perPalette, s.m_nClutEntries);
            l.paletteStart = kTimPixelStart + 2 * static_cast<std::uint64_t>(first);
            l.paletteEntries = std::max<std::int64_t>(0, end - first);
            if (!Fits(hitSize, l.paletteStart, 2 * static_cast<std::uint64_t>(l.paletteEntries))) return std::nullopt;
            break;
        }
        default:
            return std::nullopt;
    }
    const auto total = CheckedMul(l.rowBytes, static_cast<std::uint64_t>(l.height));
    if (!total || !Fits(hitSize, l.pixelStart, *total)) return std::nullopt;
    return l;
}

std::optional<Layout> BitmapLayout(ByteSpan hit) {
    if (hit.size() < kDibHeaderSize) return std::nullopt;
    const std::uint8_t* p = hit.data();
    const std::uint16_t bitCount = LoadLe16(p + dibfield::kBitCount);
    const auto width = static_cast<std::int32_t>(LoadLe32(p + dibfield::kWidth));
    const auto height = static_cast<std::int32_t>(LoadLe32(p + dibfield::kHeight));
    const std::uint32_t clrUsed = LoadLe32(p + dibfield::kClrUsed);
    if (LoadLe32(p + dibfield::kSize) != kDibHeaderSize || LoadLe16(p + dibfield::kPlanes) != 1 ||
        LoadLe32(p + dibfield::kCompression) != 0)
        return std::nullopt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return std::nullopt;
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) return std::nullopt;
    Layout l;
    l.bits = bitCount;
    l.kind = bitCount == 24 ? PixelKind::kBmp24 : PixelKind::kIndexed;
    l.width = width;
    l.height = height < 0 ? -height : height;
    l.bottomUp = height > 0;
    l.rowBytes = DibStride(width, bitCount);
    const std::uint64_t full = bitCount == 24 ? 0 : (std::uint64_t{1} << bitCount);
    const std::uint64_t stored = clrUsed != 0 ? clrUsed : full;
    l.paletteStart = kDibHeaderSize;
    l.paletteEntries = static_cast<std::int64_t>(std::min(stored, full));
    l.pixelStart = kDibHeaderSize + 4 * stored;
    const auto total = CheckedMul(l.rowBytes, static_cast<std::uint64_t>(l.height));
    if (!total || !Fits(hit.size(), l.pixelStart, *total)) return std::nullopt;
    return l;
}

std::uint32_t RgbKey(Rgb c) { return (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue; }
Rgb RgbOfKey(std::uint32_t key) {
    return {static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key)};
}

// A picture colour as the image can tell it apart: TIMs know transparency, bitmaps do not.
std::uint32_t ColourKey(const std::uint8_t* rgba, bool tim) {
    if (tim && rgba[3] < kOpaqueAlpha) return kTransparentKey;
    return RgbKey({rgba[0], rgba[1], rgba[2]});
}

int GetIndex(const std::uint8_t* row, std::int64_t x, const Layout& l) {
    if (l.bits == 8) return row[x];
    if (l.tim) return (row[x / 2] >> (x % 2 == 0 ? 0 : 4)) & 0x0F;  // left pixel in the low nibble
    const std::uint64_t bit = static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(l.bits);
    const int shift = 8 - l.bits - static_cast<int>(bit % 8);
    return (row[bit / 8] >> shift) & ((1 << l.bits) - 1);
}

void SetIndex(std::uint8_t* row, std::int64_t x, const Layout& l, int value) {
    if (l.bits == 8) {
        row[x] = static_cast<std::uint8_t>(value);
        return;
    }
    int shift = 0;
    std::uint8_t* byte = nullptr;
    if (l.tim) {
        byte = row + x / 2;
        shift = x % 2 == 0 ? 0 : 4;
    } else {
        const std::uint64_t bit = static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(l.bits);
        byte = row + bit / 8;
        shift = 8 - l.bits - static_cast<int>(bit % 8);
    }
    const int mask = ((1 << l.bits) - 1) << shift;
    *byte = static_cast<std::uint8_t>((*byte & ~mask) | ((value << shift) & mask));
}

// The chosen palette as the file holds it now (in `bytes`). A picture that
// shows transparency tells a transparent entry (word 0x0000) from black, so
// its opaque pixels never take one; a picture without it sees such an entry as
// the black it shows.
struct PaletteView {
    std::vector<Rgb> colours;
    std::vector<bool> clear;  // the entry's TIM word is 0x0000
    // A 0x0000 entry that the picture shows as opaque black where a pixel was left as it was.
    std::vector<bool> clearShowsBlack;
    int transparent = -1;     // the lowest such entry
    std::unordered_map<std::uint32_t, int> lowest;  // colour -> lowest index an opaque pixel may take
    std::vector<int> nearestIndex;                  // entries of `nearest` -> palette index
    Palette nearest;

    bool Shows(int index, std::uint32_t key) const {
        if (index >= static_cast<int>(colours.size())) return key == 0;  // past the palette: black
        const auto i = static_cast<std::size_t>(index);
        if (key == kTransparentKey) return clear[i];
        if (clear[i]) return clearShowsBlack[i] && key == 0;
        return RgbKey(colours[i]) == key;
    }
};

PaletteView ReadPalette(const std::vector<std::uint8_t>& bytes, const Layout& l, bool seesTransparency) {
    PaletteView v;
    v.colours.resize(static_cast<std::size_t>(l.paletteEntries));
    v.clear.resize(static_cast<std::size_t>(l.paletteEntries));
    v.clearShowsBlack.assign(static_cast<std::size_t>(l.paletteEntries), !seesTransparency);
    std::vector<PaletteEntry> entries;
    for (std::int64_t i = 0; i < l.paletteEntries; ++i) {
        const std::uint8_t* e = bytes.data() + l.paletteStart + (l.tim ? 2 : 4) * static_cast<std::uint64_t>(i);
        Rgb c;
        if (l.tim) {
            const std::uint16_t word = LoadLe16(e);
            c = TimColor(word);
            v.clear[static_cast<std::size_t>(i)] = word == 0;
            if (word == 0 && v.transparent < 0) v.transparent = static_cast<int>(i);
        } else {
            c = {e[2], e[1], e[0]};
        }
        v.colours[static_cast<std::size_t>(i)] = c;
        if (seesTransparency && v.clear[static_cast<std::size_t>(i)]) continue;
        v.lowest.emplace(RgbKey(c), static_cast<int>(i));
        entries.push_back({c.red, c.green, c.blue, 0});
        v.nearestIndex.push_back(static_cast<int>(i));
    }
    v.nearest = Palette(std::move(entries));
    return v;
}

// Index of a pixel that its old index does not show: transparency, then the
// lowest exact colour, then the nearest one.
struct IndexChoice {
    int index = 0;
    bool nearest = false;
};

IndexChoice ChooseIndex(std::uint32_t key, const PaletteView& v) {
    if (key == kTransparentKey) {
        if (v.transparent >= 0) return {v.transparent, false};
        key = 0;  // no transparent colour: black is what the picture shows
    }
    if (const auto it = v.lowest.find(key); it != v.lowest.end()) return {it->second, false};
    const Rgb c = RgbOfKey(key);
    const int n = v.nearest.NearestIndex(c.red, c.green, c.blue);
    if (n < 0) return {v.transparent < 0 ? 0 : v.transparent, true};  // only transparent entries
    return {v.nearestIndex[static_cast<std::size_t>(n)], true};
}

bool HoldsEvery(const PaletteView& v, const std::unordered_set<std::uint32_t>& used) {
    return std::all_of(used.begin(), used.end(), [&](std::uint32_t key) {
        return key == kTransparentKey ? v.transparent >= 0 : v.lowest.count(key) != 0;
    });
}

// Rewrites the palette with the picture's colours; false when they do not fit.
bool RewritePalette(std::vector<std::uint8_t>& bytes, const Layout& l, const PictureRgba& picture,
                    const std::vector<std::uint32_t>& firstSeen, const std::unordered_set<std::uint32_t>& used,
                    bool seesTransparency) {
    std::vector<std::uint32_t> order;
    if (!picture.palette.empty()) {
        for (const auto& e : picture.palette) order.push_back(ColourKey(e.data(), l.tim));
        if (static_cast<std::int64_t>(order.size()) > l.paletteEntries) {
            // Only the colours in use, still in the file's own order.
            std::vector<std::uint32_t> inUse;
            std::unordered_set<std::uint32_t> taken;
            for (const std::uint32_t k : order)
                if (used.count(k) != 0 && taken.insert(k).second) inUse.push_back(k);
            order = std::move(inUse);
        }
        const std::unordered_set<std::uint32_t> listed(order.begin(), order.end());
        for (const std::uint32_t k : firstSeen)
            if (listed.count(k) == 0) order.push_back(k);
    } else {
        order = firstSeen;
    }
    if (static_cast<std::int64_t>(order.size()) > l.paletteEntries) return false;
    for (std::size_t i = 0; i < order.size(); ++i) {
        std::uint8_t* e = bytes.data() + l.paletteStart + (l.tim ? 2 : 4) * i;
        const std::uint32_t key = order[i];
        if (l.tim) {
            const std::uint16_t old = LoadLe16(e);
            const bool keep = key == kTransparentKey
                                  ? old == 0
                                  : RgbKey(TimColor(old)) == key && !(seesTransparency && old == 0);
            if (keep) continue;  // the same colour keeps its word, semi-transparency bit and all
            const Rgb c = RgbOfKey(key);
            StoreLe16(e, TimWordOf(c.red, c.green, c.blue, key == kTransparentKey ? 0 : 255));
        } else {
            const Rgb c = RgbOfKey(key);
            if (e[0] == c.blue && e[1] == c.green && e[2] == c.red) continue;
            e[0] = c.blue;
            e[1] = c.green;
            e[2] = c.red;
            e[3] = 0;
        }
    }
    return true;
}

// How the picture shows a pixel that was left as it was: an entry of word 0x0000 as
// the export that wrote the picture showed it, when the picture says which export
// that was (an entry that only a rewritten palette made 0x0000 holds the picture's
// transparency); else as the picture itself suggests (black unless some pixel is
// transparent).
struct UntouchedLook {
    bool known = false;                // the picture carries its export's provenance
    bool clearTransparent = false;     // that export gave word 0x0000 alpha 0
    std::vector<bool> clearInFound;    // palette entries of word 0x0000 in the image as found
};

void PutIndexed(std::vector<std::uint8_t>& bytes, const Layout& l, const PictureRgba& picture,
                bool seesTransparency, const UntouchedLook& look, Conversion& out) {
    PaletteView v = ReadPalette(bytes, l, seesTransparency);
    if (look.known) {
        for (std::size_t i = 0; i < v.clearShowsBlack.size(); ++i)
            v.clearShowsBlack[i] = !look.clearTransparent && i < look.clearInFound.size() && look.clearInFound[i];
    }
    std::unordered_map<std::uint32_t, IndexChoice> chosen;
    const std::uint8_t* px = picture.pixels.data();
    for (std::int32_t y = 0; y < l.height; ++y) {
        std::uint8_t* row = bytes.data() + l.RowStart(y);
        for (std::int64_t x = 0; x < l.width; ++x, px += 4) {
            std::uint32_t key = ColourKey(px, l.tim);
            if (key == kTransparentKey && v.transparent < 0) key = 0;  // nothing transparent: black
            if (v.Shows(GetIndex(row, x, l), key)) continue;
            auto it = chosen.find(key);
            if (it == chosen.end()) it = chosen.emplace(key, ChooseIndex(key, v)).first;
            if (it->second.nearest) ++out.nearest;
            SetIndex(row, x, l, it->second.index);
        }
    }
}

void PutDirect(std::vector<std::uint8_t>& bytes, const Layout& l, const PictureRgba& picture, bool clearTransparent) {
    const std::uint8_t* px = picture.pixels.data();
    for (std::int32_t y = 0; y < l.height; ++y) {
        std::uint8_t* row = bytes.data() + l.RowStart(y);
        for (std::int64_t x = 0; x < l.width; ++x, px += 4) {
            switch (l.kind) {
                case PixelKind::kTim16: {
                    std::uint8_t* at = row + 2 * x;
                    const std::uint16_t old = LoadLe16(at);
                    // A pixel that looks as the word showed keeps it, semi-transparency bit and all;
                    // word 0x0000 showed either as transparent or as opaque black.
                    const bool opaque = px[3] >= kOpaqueAlpha;
                    const bool same = old == 0 ? (clearTransparent ? !opaque : opaque && px[0] == 0 && px[1] == 0 && px[2] == 0)
                                               : opaque && TimColor(old) == Rgb{px[0], px[1], px[2]};
                    if (same) break;
                    StoreLe16(at, TimWordOf(px[0], px[1], px[2], px[3]));
                    break;
                }
                case PixelKind::kTim24:
                    std::copy(px, px + 3, row + 3 * x);
                    break;
                case PixelKind::kBmp24:
                    row[3 * x] = px[2];
                    row[3 * x + 1] = px[1];
                    row[3 * x + 2] = px[0];
                    break;
                case PixelKind::kIndexed:
                    break;
            }
        }
    }
}

}  // namespace

std::uint16_t TimWordOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha) {
    if (alpha < kOpaqueAlpha) return 0x0000;
    if (red == 0 && green == 0 && blue == 0) return 0x8000;
    return static_cast<std::uint16_t>((red >> 3) | ((green >> 3) << 5) | ((blue >> 3) << 10));
}

Conversion ConvertPicture(const SearchState& found, const PictureRgba& picture, bool paletteToo) {
    Conversion out;
    const ByteSpan hit = found.Hit();
    std::optional<Layout> layout;
    if (found.m_nSourceType == kSourceTim) layout = TimLayout(found, hit.size());
    if (found.m_nSourceType == kSourceBmp) layout = BitmapLayout(hit);
    if (!layout) return out;
    const Layout& l = *layout;
    if (picture.width != l.width || picture.height != l.height) {
        out.outcome = ConvertOutcome::kWrongSize;
        return out;
    }
    const auto pixelCount = static_cast<std::uint64_t>(l.width) * static_cast<std::uint64_t>(l.height);
    if (picture.pixels.size() / 4 != pixelCount || picture.pixels.size() % 4 != 0) {
        out.outcome = ConvertOutcome::kBadPicture;
        return out;
    }
    if (l.kind == PixelKind::kIndexed && l.paletteEntries == 0) {
        out.outcome = ConvertOutcome::kNoPalette;
        return out;
    }
    try {
        out.bytes.assign(hit.begin(), hit.end());
        std::unordered_set<std::uint32_t> used;
        std::vector<std::uint32_t> firstSeen;
        for (std::size_t i = 0; i < picture.pixels.size(); i += 4) {
            const std::uint32_t key = ColourKey(picture.pixels.data() + i, l.tim);
            if (used.insert(key).second) firstSeen.push_back(key);
        }
        out.colours = static_cast<std::int64_t>(used.size());
        // A picture from an export that gave word 0x0000 alpha 0 tells transparency from
        // black even where none of its pixels is left transparent.
        const std::optional<PngProvenance>& from = picture.provenance;
        const bool seesTransparency = used.count(kTransparentKey) != 0 || (from && from->alpha);
        const bool clearTransparent = from ? from->alpha : seesTransparency;
        if (l.kind == PixelKind::kIndexed) {
            out.paletteSize = l.paletteEntries;
            UntouchedLook look;
            if (from) look = {true, from->alpha, ReadPalette(out.bytes, l, seesTransparency).clear};
            // A palette that already holds every colour of the picture stays as it is: the
            // picture comes out exactly either way, and the fewest bytes change.
            if (paletteToo && !HoldsEvery(ReadPalette(out.bytes, l, seesTransparency), used)) {
                out.paletteRewritten = RewritePalette(out.bytes, l, picture, firstSeen, used, seesTransparency);
                out.paletteTooSmall = !out.paletteRewritten;
            }
            PutIndexed(out.bytes, l, picture, seesTransparency, look, out);
        } else {
            PutDirect(out.bytes, l, picture, clearTransparent);
        }
    } catch (const std::bad_alloc&) {
        out = Conversion{};
        out.outcome = ConvertOutcome::kNoMemory;
        return out;
    }
    out.outcome = ConvertOutcome::kConverted;
    return out;
}

}  // namespace vorel
