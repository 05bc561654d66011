#include "sample_builders/encode.h"

#include <cstddef>

namespace vorel::samples {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The 12-byte header every TIM block starts with. The x/y positions are where
// the texture would sit in video memory; nothing reads them, but real files
// have them, so they hold plausible values.
void PutBlockHeader(std::vector<std::uint8_t>& out, std::uint32_t length, int x, int y, int width,
                    int height) {
    Put32(out, length);
    Put16(out, static_cast<std::uint32_t>(x));
    Put16(out, static_cast<std::uint32_t>(y));
    Put16(out, static_cast<std::uint32_t>(width));
    Put16(out, static_cast<std::uint32_t>(height));
}

void PutTimHeader(std::vector<std::uint8_t>& out, std::uint32_t flag) {
    Put32(out, 0x10);
    Put32(out, flag);
}

constexpr int kMaxTimField = 0x7FFF;  // width and height fields are signed 16-bit

bool SizeOk(int width, int height) {
    return width > 0 && height > 0 && width <= 4 * kMaxTimField && height <= kMaxTimField;
}

}  // namespace

std::uint16_t TimWord(Rgb8 c, bool semiTransparent) {
    return static_cast<std::uint16_t>((c.r >> 3) | ((c.g >> 3) << 5) | ((c.b >> 3) << 10) |
                                      (semiTransparent ? 0x8000 : 0));
}

std::vector<std::uint8_t> EncodeTim16(int width, int height, const std::vector<std::uint16_t>& words) {
    if (!SizeOk(width, height) || width > kMaxTimField) return {};
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (words.size() != count) return {};
    std::vector<std::uint8_t> out;
    out.reserve(20 + 2 * count);
    PutTimHeader(out, 2);
    PutBlockHeader(out, static_cast<std::uint32_t>(12 + 2 * count), 320, 0, width, height);
    for (std::uint16_t w : words) Put16(out, w);
    return out;
}

std::vector<std::uint8_t> EncodeTim24(int width, int height, const std::vector<Rgb8>& pixels,
                                      bool widthInUnits) {
    if (!SizeOk(width, height)) return {};
    if (widthInUnits && width % 2 != 0) return {};
    const int field = widthInUnits ? 3 * width / 2 : width;
    if (field > kMaxTimField) return {};
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (pixels.size() != count) return {};
    std::vector<std::uint8_t> out;
    out.reserve(20 + 3 * count);
    PutTimHeader(out, 3);
    PutBlockHeader(out, static_cast<std::uint32_t>(12 + 3 * count), 0, 0, field, height);
    for (const Rgb8& p : pixels) {
        out.push_back(p.r);
        out.push_back(p.g);
        out.push_back(p.b);
    }
    return out;
}

std::vector<std::uint8_t> EncodeTimIndexed(std::uint32_t flag, int width, int height,
                                           const std::vector<std::uint8_t>& indices,
                                           const std::vector<std::vector<std::uint16_t>>& cluts) {
    if (flag != 8 && flag != 9) return {};
    if (!SizeOk(width, height)) return {};
    const int unitsPerPixelGroup = flag == 8 ? 4 : 2;  // pixels per 16-bit unit
    if (width % unitsPerPixelGroup != 0 || width / unitsPerPixelGroup > kMaxTimField) return {};
    if (cluts.empty() || cluts.size() > static_cast<std::size_t>(kMaxTimField)) return {};
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (indices.size() != count) return {};

    const int clutWidth = flag == 8 ? 16 : 256;
    const std::size_t clutLength = 12 + 2 * static_cast<std::size_t>(clutWidth) * cluts.size();
    const std::size_t pixelBytes = flag == 8 ? count / 2 : count;
    std::vector<std::uint8_t> out;
    out.reserve(8 + clutLength + 12 + pixelBytes);
    PutTimHeader(out, flag);
    PutBlockHeader(out, static_cast<std::uint32_t>(clutLength), 0, 480, clutWidth,
                   static_cast<int>(cluts.size()));
    for (const auto& row : cluts) {
        for (int i = 0; i < clutWidth; ++i) {
            Put16(out, static_cast<std::size_t>(i) < row.size() ? row[static_cast<std::size_t>(i)] : 0);
        }
    }
    PutBlockHeader(out, static_cast<std::uint32_t>(12 + pixelBytes), 320, 0, width / unitsPerPixelGroup,
                   height);
    if (flag == 9) {
        out.insert(out.end(), indices.begin(), indices.end());
    } else {
        // The TIM keeps the left pixel of a byte in its low nibble.
        for (std::size_t i = 0; i < count; i += 2) {
            out.push_back(static_cast<std::uint8_t>((indices[i] & 0x0F) | ((indices[i + 1] & 0x0F) << 4)));
        }
    }
    return out;
}

std::vector<std::uint8_t> EncodeDib(const DibPicture& p) {
    const int bc = p.bitCount;
    if (bc != 1 && bc != 4 && bc != 8 && bc != 24) return {};
    if (p.width <= 0 || p.height <= 0) return {};
    const std::size_t w = static_cast<std::size_t>(p.width);
    const std::size_t h = static_cast<std::size_t>(p.height);
    if (bc == 24 ? p.rgb.size() != w * h : p.index.size() != w * h) return {};
    const std::size_t stride = ((w * static_cast<std::size_t>(bc) + 31) / 32) * 4;
    const std::size_t fullTable = bc == 24 ? 0 : (std::size_t{1} << bc);
    const std::size_t tableEntries = p.clrUsed != 0 ? p.clrUsed : fullTable;
    if (tableEntries > 65536) return {};

    std::vector<std::uint8_t> out;
    out.reserve(40 + 4 * tableEntries + stride * h);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(p.width));
    Put32(out, p.topDown ? static_cast<std::uint32_t>(-p.height) : static_cast<std::uint32_t>(p.height));
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(bc));
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(stride * h));
    Put32(out, 2835);  // 72 dots per inch
    Put32(out, 2835);
    Put32(out, p.clrUsed);
    Put32(out, 0);
    for (std::size_t i = 0; i < tableEntries; ++i) {
        const Rgb8 c = i < p.table.size() ? p.table[i] : Rgb8{};
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (std::size_t stored = 0; stored < h; ++stored) {
        const std::size_t y = p.topDown ? stored : h - 1 - stored;
        std::vector<std::uint8_t> row(stride, 0);
        for (std::size_t x = 0; x < w; ++x) {
            const std::size_t i = y * w + x;
            switch (bc) {
                case 1:
                    if (p.index[i] & 1) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
                    break;
                case 4:
                    row[x / 2] |= static_cast<std::uint8_t>((p.index[i] & 0x0F) << (x % 2 == 0 ? 4 : 0));
                    break;
                case 8:
                    row[x] = p.index[i];
                    break;
                default:
                    row[3 * x] = p.rgb[i].b;
                    row[3 * x + 1] = p.rgb[i].g;
                    row[3 * x + 2] = p.rgb[i].r;
                    break;
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::vector<std::uint8_t> WrapBmpFile(const std::vector<std::uint8_t>& dib) {
    if (dib.size() < 40) return {};
    const std::uint32_t bitCount = dib[14] | (dib[15] << 8);
    const std::uint32_t clrUsed =
        dib[32] | (dib[33] << 8) | (dib[34] << 16) | (static_cast<std::uint32_t>(dib[35]) << 24);
    const std::uint32_t full = bitCount == 24 ? 0 : (1u << bitCount);
    const std::uint32_t table = 4 * (clrUsed != 0 ? clrUsed : full);
    std::vector<std::uint8_t> out;
    out.reserve(14 + dib.size());
    out.push_back('B');
    out.push_back('M');
    Put32(out, static_cast<std::uint32_t>(14 + dib.size()));
    Put32(out, 0);
    Put32(out, 14 + 40 + table);
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

}  // namespace vorel::samples
