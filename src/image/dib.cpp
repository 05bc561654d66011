#include "image/dib.h"

#include <cstring>
#include <new>
#include <utility>

#include "image/bytes.h"

namespace vorel {

std::uint64_t DibStride(std::int64_t width, int bitCount) {
    if (width <= 0 || bitCount <= 0) return 0;
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount);
    return ((bits + 31) / 32) * 4;
}

std::uint16_t DibColorCount(std::span<const std::uint8_t> header) {
    const auto size = ReadLe32(header, dibfield::kSize);
    if (!size) return 0;
    std::uint16_t bitCount = 0;
    if (*size == 12) {
        const auto core = ReadLe16(header, 10);
        if (!core) return 0;
        bitCount = *core;
    } else {
        const auto clrUsed = ReadLe32(header, dibfield::kClrUsed);
        const auto bits = ReadLe16(header, dibfield::kBitCount);
        if (!clrUsed || !bits) return 0;
        if (*clrUsed != 0) return static_cast<std::uint16_t>(*clrUsed);
        bitCount = *bits;
    }
    switch (bitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

Dib Dib::Allocate(std::size_t bytes) {
    Dib dib;
    if (bytes == 0 || bytes > kMaxDibBytes) return dib;
    try {
        dib.bytes_.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        dib.bytes_.clear();
    }
    return dib;
}

Dib Dib::Create(std::int32_t width, std::int32_t height, int bitCount) {
    if (width <= 0 || height <= 0) return {};
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return {};
    const std::uint64_t stride = DibStride(width, bitCount);
    const std::uint64_t colors = bitCount == 24 ? 0 : (std::uint64_t{1} << bitCount);
    const auto rows = CheckedMul(stride, static_cast<std::uint64_t>(height));
    if (!rows || *rows > 0xFFFFFFFFu) return {};
    const auto total = CheckedAdd(kDibHeaderSize + 4 * colors, *rows);
    if (!total || *total > kMaxDibBytes) return {};
    Dib dib = Allocate(static_cast<std::size_t>(*total));
    if (dib.IsNull()) return dib;
    std::uint8_t* h = dib.Data();
    StoreLe32(h + dibfield::kSize, 40);
    StoreLe32(h + dibfield::kWidth, static_cast<std::uint32_t>(width));
    StoreLe32(h + dibfield::kHeight, static_cast<std::uint32_t>(height));
    StoreLe16(h + dibfield::kPlanes, 1);
    StoreLe16(h + dibfield::kBitCount, static_cast<std::uint16_t>(bitCount));
    StoreLe32(h + dibfield::kSizeImage, static_cast<std::uint32_t>(*rows));
    return dib;
}

std::int32_t Dib::Width() const {
    const auto v = ReadLe32(bytes_, dibfield::kWidth);
    return v ? static_cast<std::int32_t>(*v) : 0;
}

std::int32_t Dib::Height() const {
    const auto v = ReadLe32(bytes_, dibfield::kHeight);
    return v ? static_cast<std::int32_t>(*v) : 0;
}

int Dib::BitCount() const {
    const auto v = ReadLe16(bytes_, dibfield::kBitCount);
    return v ? *v : 0;
}

bool Dib::IsConsistent() const {
    if (bytes_.size() < kDibHeaderSize) return false;
    if (Width() <= 0 || Height() <= 0) return false;
    const auto rows = CheckedMul(Stride(), static_cast<std::uint64_t>(Height()));
    if (!rows) return false;
    const auto total = CheckedAdd(PixelOffset(), *rows);
    return total && *total <= bytes_.size();
}

std::span<std::uint8_t> Dib::StoredRow(std::int32_t storedRow) {
    const auto row = std::as_const(*this).StoredRow(storedRow);
    return {const_cast<std::uint8_t*>(row.data()), row.size()};
}

std::span<const std::uint8_t> Dib::StoredRow(std::int32_t storedRow) const {
    if (storedRow < 0 || storedRow >= Height()) return {};
    const std::uint64_t stride = Stride();
    const std::uint64_t start = PixelOffset() + stride * static_cast<std::uint64_t>(storedRow);
    if (!InBounds(bytes_.size(), start, stride)) return {};
    return std::span<const std::uint8_t>(bytes_).subspan(start, stride);
}

Dib DuplicateDib(const Dib& source) {
    if (source.IsNull()) return {};
    Dib copy = Dib::Allocate(source.AllocatedSize());
    if (copy.IsNull()) return copy;
    std::memcpy(copy.Data(), source.Data(), source.AllocatedSize());
    return copy;
}

}  // namespace vorel
