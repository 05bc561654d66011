#include "export/tiff_writer.h"

#include <new>
#include <utility>
#include <vector>

#include "export/atomic_file.h"

namespace vorel {
namespace {

// Rows are gathered into blocks of about this size so that a tall image does not
// cost one system call per row.
constexpr std::size_t kStripChunkBytes = std::size_t{1} << 20;

std::vector<std::uint8_t> ColorMap(const Dib& dib, std::uint32_t entries) {
    // Three runs of 16-bit values (red, green, blue); v * 257 repeats the byte,
    // so the values read the same in either byte order.
    std::vector<std::uint8_t> map(6 * std::size_t{entries});
    const std::size_t run = 2 * std::size_t{entries};
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint8_t* rgbq = dib.ColorEntry(i);
        for (std::size_t c = 0; c < 3; ++c) {
            const std::uint8_t v = rgbq[2 - c];  // RGBQUAD holds blue, green, red
            map[c * run + 2 * i] = v;
            map[c * run + 2 * i + 1] = v;
        }
    }
    return map;
}

bool WriteStrip(AtomicFile& file, const Dib& dib, const TiffRowGeometry& rows, std::uint32_t height, bool rgb,
                std::vector<std::uint8_t>& chunk) {
    const std::uint8_t* block = dib.Data();
    std::uint64_t source = rows.pixelEnd;
    chunk.clear();
    // DIB rows are stored bottom-up and TIFF wants the top row first: walk back from the end.
    for (std::uint32_t y = 0; y < height; ++y) {
        source -= rows.stride;
        const std::uint8_t* row = block + source;
        const std::size_t at = chunk.size();
        chunk.insert(chunk.end(), row, row + rows.rowBytes);
        if (rgb) {
            for (std::size_t i = at; i + 2 < chunk.size(); i += 3) std::swap(chunk[i], chunk[i + 2]);
        }
        if (chunk.size() >= kStripChunkBytes) {
            if (!file.Write(chunk)) return false;
            chunk.clear();
        }
    }
    return chunk.empty() || file.Write(chunk);
}

}  // namespace

int WriteTiffFile(const std::string& path, const Dib& dib, TiffHeader header, int byteOrder, FileSync sync) {
    if (dib.IsNull() || dib.AllocatedSize() < kDibHeaderSize) return tiffcode::kLockFailed;

    // The limits are checked before anything touches the disk, so a refused image
    // leaves no empty file behind.
    if (header.width > kMaxTiffWidth || std::uint64_t{header.width} * header.height > kMaxTiffPixels) {
        return tiffcode::kTooLarge;
    }
    if (header.width == 0 || header.height == 0) return tiffcode::kBadImage;
    const auto rows = RowGeometryForBits(header.bitsPerSample, header.width, header.height);
    if (!rows) return tiffcode::kBadImage;
    // Every row is read from inside the block; a header claiming more rows than the
    // block holds must not make the writer read past its end.
    if (rows->pixelEnd > dib.AllocatedSize()) return tiffcode::kBadImage;

    std::uint16_t photometric = 1;                                                  // BlackIsZero
    if (header.bitsPerSample == 1 && dib.ColorEntry(0)[2] == 255) photometric = 0;  // WhiteIsZero
    if (!CompleteTiffHeader(header, byteOrder != 0, photometric)) return tiffcode::kBadImage;
    const auto layout = LayoutForBits(header.bitsPerSample);

    std::vector<std::uint8_t> head;
    std::vector<std::uint8_t> colorMap;
    std::vector<std::uint8_t> chunk;
    try {
        head = SerializeTiffHeader(header);
        colorMap = ColorMap(dib, layout->colorMapEntries);
        // Room for a full block plus the row that overflows it, so WriteStrip never reallocates.
        chunk.reserve(static_cast<std::size_t>(rows->rowBytes) + kStripChunkBytes);
    } catch (const std::bad_alloc&) {
        return tiffcode::kNoMemory;
    }

    AtomicFile file;
    if (!file.Open(path, sync)) return tiffcode::kCreateFailed;
    // Every write is checked: a short or failed write is a failed save, never a
    // truncated file reported as saved.
    if (!file.Write(head)) return tiffcode::kWriteFailed;
    if (!colorMap.empty() && !file.Write(colorMap)) return tiffcode::kWriteFailed;
    if (!WriteStrip(file, dib, *rows, header.height, header.bitsPerSample == 24, chunk)) {
        return tiffcode::kWriteFailed;
    }
    if (!file.Commit()) return tiffcode::kWriteFailed;
    return tiffcode::kWritten;
}

}  // namespace vorel
