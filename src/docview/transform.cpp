#include "docview/transform.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "image/bytes.h"

namespace vorel {
namespace {

TransformOutcome CheckReadable(const Dib& dib) {
    if (dib.IsNull()) return TransformOutcome::NoImage;
    if (!dib.IsConsistent()) return TransformOutcome::Unreadable;
    return TransformOutcome::Done;
}

// Pixel j of a 1- or 4-bit row: the leftmost pixel sits in the highest bits of a byte.
unsigned ReadPacked(const std::uint8_t* row, std::size_t j, int bits) {
    const std::size_t perByte = 8u / static_cast<unsigned>(bits);
    const unsigned shift = static_cast<unsigned>(8 - bits) - static_cast<unsigned>(j % perByte) * bits;
    return (row[j / perByte] >> shift) & ((1u << bits) - 1u);
}

void WritePacked(std::uint8_t* row, std::size_t j, int bits, unsigned value) {
    const std::size_t perByte = 8u / static_cast<unsigned>(bits);
    const unsigned shift = static_cast<unsigned>(8 - bits) - static_cast<unsigned>(j % perByte) * bits;
    row[j / perByte] = static_cast<std::uint8_t>(row[j / perByte] | (value << shift));
}

// New stored row j, pixel i takes old (stored row, pixel) = source(i, j).
template <typename Source>
TransformOutcome Rotate(Dib& dib, Source source) {
    if (const auto check = CheckReadable(dib); check != TransformOutcome::Done) return check;
    const int bits = dib.BitCount();
    if (bits != 8 && bits != 24) return TransformOutcome::Unsupported;
    const std::int32_t w = dib.Width();
    const std::int32_t h = dib.Height();
    const std::size_t bytesPerPixel = bits / 8u;
    const std::uint64_t oldStride = dib.Stride();
    const std::uint64_t newStride = DibStride(h, bits);
    const std::size_t head = dib.PixelOffset();
    const auto rows = CheckedMul(newStride, static_cast<std::uint64_t>(w));
    if (!rows || *rows > 0xFFFFFFFFu) return TransformOutcome::OutOfMemory;
    const auto total = CheckedAdd(head, *rows);
    if (!total || *total > Dib::kMaxDibBytes) return TransformOutcome::OutOfMemory;

    std::vector<std::uint8_t> turned;
    try {
        turned.assign(static_cast<std::size_t>(*total), 0);
    } catch (const std::bad_alloc&) {
        return TransformOutcome::OutOfMemory;
    }
    const std::uint8_t* old = dib.Data();
    std::memcpy(turned.data(), old, head);
    StoreLe32(turned.data() + dibfield::kWidth, static_cast<std::uint32_t>(h));
    StoreLe32(turned.data() + dibfield::kHeight, static_cast<std::uint32_t>(w));
    StoreLe32(turned.data() + dibfield::kSizeImage, static_cast<std::uint32_t>(*rows));

    const std::uint8_t* oldPixels = old + head;
    std::uint8_t* newPixels = turned.data() + head;
    for (std::int32_t j = 0; j < w; ++j) {
        std::uint8_t* out = newPixels + newStride * static_cast<std::uint64_t>(j);
        for (std::int32_t i = 0; i < h; ++i) {
            const auto [row, pixel] = source(i, j, w, h);
            const std::uint8_t* in =
                oldPixels + oldStride * static_cast<std::uint64_t>(row) + bytesPerPixel * static_cast<std::size_t>(pixel);
            std::memcpy(out + bytesPerPixel * static_cast<std::size_t>(i), in, bytesPerPixel);
        }
    }
    dib.Assign(std::move(turned));
    return TransformOutcome::Done;
}

struct Coord {
    std::int32_t row;
    std::int32_t pixel;
};

}  // namespace

TransformOutcome RotateLeft(Dib& dib) {
    return Rotate(dib, [](std::int32_t i, std::int32_t j, std::int32_t, std::int32_t h) {
        return Coord{h - 1 - i, j};
    });
}

TransformOutcome RotateRight(Dib& dib) {
    return Rotate(dib, [](std::int32_t i, std::int32_t j, std::int32_t w, std::int32_t) {
        return Coord{i, w - 1 - j};
    });
}

TransformOutcome FlipVertical(Dib& dib) {
    if (const auto check = CheckReadable(dib); check != TransformOutcome::Done) return check;
    const std::int32_t h = dib.Height();
    for (std::int32_t i = 0; i < h / 2; ++i) {
        const auto a = dib.StoredRow(i);
        const auto b = dib.StoredRow(h - 1 - i);
        std::swap_ranges(a.begin(), a.end(), b.begin());
    }
    return TransformOutcome::Done;
}

TransformOutcome Mirror(Dib& dib) {
    if (const auto check = CheckReadable(dib); check != TransformOutcome::Done) return check;
    const int bits = dib.BitCount();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return TransformOutcome::Done;
    const auto w = static_cast<std::size_t>(dib.Width());
    std::vector<std::uint8_t> buffer;
    try {
        buffer.resize(static_cast<std::size_t>(dib.Stride()));
    } catch (const std::bad_alloc&) {
        return TransformOutcome::OutOfMemory;
    }
    for (std::int32_t r = 0; r < dib.Height(); ++r) {
        const auto row = dib.StoredRow(r);
        std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
        if (bits >= 8) {
            const std::size_t bytesPerPixel = static_cast<std::size_t>(bits) / 8;
            for (std::size_t j = 0; j < w; ++j)
                std::memcpy(&buffer[(w - 1 - j) * bytesPerPixel], &row[j * bytesPerPixel], bytesPerPixel);
        } else {
            for (std::size_t j = 0; j < w; ++j) WritePacked(buffer.data(), w - 1 - j, bits, ReadPacked(row.data(), j, bits));
        }
        std::copy(buffer.begin(), buffer.end(), row.begin());
    }
    return TransformOutcome::Done;
}

TransformOutcome TransformWithMask(TransformOutcome (*transform)(Dib&), Dib& image, Dib& mask) {
    if (mask.IsNull()) return transform(image);
    // The mask is turned on a copy first, so a failure of either leaves both as they were.
    Dib turnedMask = DuplicateDib(mask);
    if (turnedMask.IsNull()) return TransformOutcome::OutOfMemory;
    if (const auto outcome = transform(turnedMask); outcome != TransformOutcome::Done) return outcome;
    if (const auto outcome = transform(image); outcome != TransformOutcome::Done) return outcome;
    mask = std::move(turnedMask);
    return TransformOutcome::Done;
}

}  // namespace vorel
