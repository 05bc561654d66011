#include "export/tiff_header.h"

namespace vorel {
namespace {

constexpr std::uint32_t kResolutionUnitInch = 2;

// ImageWidth, ImageLength and RowsPerStrip fit a SHORT for every image up to
// 65,535 pixels; a taller one would be cut to its low 16 bits and describe a
// different picture, so it takes a LONG, which TIFF allows for these tags.
TiffEntry DimensionEntry(std::uint16_t tag, std::uint32_t value) {
    return {tag, value > 0xFFFF ? tifftype::kLong : tifftype::kShort, 1, value};
}

class FieldWriter {
  public:
    explicit FieldWriter(bool bigEndian) : bigEndian_(bigEndian) {}

    void Put16(std::uint16_t v) {
        if (bigEndian_) {
            bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
            bytes_.push_back(static_cast<std::uint8_t>(v));
        } else {
            bytes_.push_back(static_cast<std::uint8_t>(v));
            bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
        }
    }
    void Put32(std::uint32_t v) {
        if (bigEndian_) {
            Put16(static_cast<std::uint16_t>(v >> 16));
            Put16(static_cast<std::uint16_t>(v));
        } else {
            Put16(static_cast<std::uint16_t>(v));
            Put16(static_cast<std::uint16_t>(v >> 16));
        }
    }
    void PutEntry(const TiffEntry& e) {
        Put16(e.tag);
        Put16(e.type);
        Put32(e.count);
        // A single SHORT sits in the first two bytes of the value field, whatever the byte order.
        if (e.type == tifftype::kShort && e.count == 1) {
            Put16(static_cast<std::uint16_t>(e.value));
            Put16(0);
        } else {
            Put32(e.value);
        }
    }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

  private:
    bool bigEndian_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace

std::optional<TiffLayout> LayoutForBits(int bitsPerSample) {
    switch (bitsPerSample) {
        case 1:
            return TiffLayout{13, 170, 186, 0, 186};
        case 4:
            return TiffLayout{14, 182, 198, 16, 294};
        case 8:
            return TiffLayout{14, 182, 198, 256, 1734};
        case 24:
            return TiffLayout{13, 170, 186, 0, 192};
        default:
            return std::nullopt;
    }
}

std::optional<TiffRowGeometry> RowGeometryForBits(int bitsPerSample, std::uint32_t width,
                                                  std::uint32_t height) {
    const std::uint64_t w = width;
    const std::uint64_t h = height;
    // 64-bit throughout: width and height are at most 32 bits each, so no product overflows.
    switch (bitsPerSample) {
        case 1: {
            const std::uint64_t s = (w + 31) / 32 * 4;
            return TiffRowGeometry{(w + 7) / 8, s, 48 + s * h};
        }
        case 4: {
            const std::uint64_t s = (w + 7) / 8 * 4;
            return TiffRowGeometry{(w + 1) / 2, s, 104 + s * h};
        }
        case 8: {
            const std::uint64_t s = (w + 3) / 4 * 4;
            return TiffRowGeometry{w, s, 1064 + s * h};
        }
        case 24: {
            const std::uint64_t s = (3 * w + 3) / 4 * 4;
            return TiffRowGeometry{3 * w, s, 40 + s * h};
        }
        default:
            return std::nullopt;
    }
}

bool CompleteTiffHeader(TiffHeader& header, bool bigEndian, std::uint16_t photometric) {
    const auto layout = LayoutForBits(header.bitsPerSample);
    const auto rows = RowGeometryForBits(header.bitsPerSample, header.width, header.height);
    if (!layout || !rows) return false;
    const bool rgb = header.bitsPerSample == 24;
    const bool palette = layout->colorMapEntries != 0;

    header.bigEndian = bigEndian;
    header.version = 42;
    header.firstDirectory = 8;
    header.entryCount = layout->entryCount;
    header.nextDirectory = 0;
    header.entries = {};
    auto& e = header.entries;
    e[0] = {254, tifftype::kLong, 1, 0};
    e[1] = DimensionEntry(256, header.width);
    e[2] = DimensionEntry(257, header.height);
    e[3] = rgb ? TiffEntry{258, tifftype::kShort, 3, layout->colorMapAt}
               : TiffEntry{258, tifftype::kShort, 1, static_cast<std::uint32_t>(header.bitsPerSample)};
    e[4] = {259, tifftype::kShort, 1, header.compression};
    e[5] = {262, tifftype::kShort, 1, rgb ? 2u : palette ? 3u : photometric};
    e[6] = {273, tifftype::kLong, 1, layout->stripOffset};
    e[7] = {277, tifftype::kShort, 1, rgb ? 3u : 1u};
    e[8] = DimensionEntry(278, header.height);
    e[9] = {279, tifftype::kLong, 1, static_cast<std::uint32_t>(rows->rowBytes * header.height)};
    e[10] = {282, tifftype::kRational, 1, layout->xResolutionAt};
    e[11] = {283, tifftype::kRational, 1, layout->xResolutionAt + 8};
    e[12] = {296, tifftype::kShort, 1, kResolutionUnitInch};
    if (palette) e[13] = {320, tifftype::kShort, 3 * layout->colorMapEntries, layout->colorMapAt};
    return true;
}

std::vector<std::uint8_t> SerializeTiffHeader(const TiffHeader& header) {
    FieldWriter out(header.bigEndian);
    const std::uint8_t mark = header.bigEndian ? 'M' : 'I';
    out.Put16(static_cast<std::uint16_t>(mark << 8 | mark));
    out.Put16(header.version);
    out.Put32(header.firstDirectory);
    out.Put16(header.entryCount);
    for (std::size_t i = 0; i < header.entryCount && i < header.entries.size(); ++i)
        out.PutEntry(header.entries[i]);
    out.Put32(header.nextDirectory);
    out.Put32(header.xResolution.numerator);
    out.Put32(header.xResolution.denominator);
    out.Put32(header.yResolution.numerator);
    out.Put32(header.yResolution.denominator);
    if (header.bitsPerSample == 24) {
        for (int i = 0; i < 3; ++i) out.Put16(8);
    }
    return out.Take();
}

}  // namespace vorel
