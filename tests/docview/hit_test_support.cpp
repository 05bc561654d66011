#include "docview/hit_test_support.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "image/bytes.h"

namespace vorel::hit_support {

SearchState TimHit(std::vector<std::uint8_t> tim, int paletteIndex) {
    SearchState s;
    s.m_nSourceType = kSourceTim;
    s.m_nTimFlag = ReadLe32(tim, 4).value_or(0);
    const bool indexed = s.m_nTimFlag == 8 || s.m_nTimFlag == 9;
    std::size_t image = 8;
    if (indexed) {
        s.m_nClutBlockSize = static_cast<std::int32_t>(ReadLe32(tim, 8).value_or(0));
        s.m_nClutWidth = static_cast<std::int16_t>(ReadLe16(tim, 16).value_or(0));
        s.m_nPaletteCount = static_cast<std::int16_t>(ReadLe16(tim, 18).value_or(0));
        s.m_nClutEntries = (s.m_nClutBlockSize - 12) / 2;
        image += static_cast<std::size_t>(s.m_nClutBlockSize);
    } else {
        s.m_nPaletteCount = 1;
    }
    const int field = static_cast<std::int16_t>(ReadLe16(tim, image + 8).value_or(0));
    switch (s.m_nTimFlag) {
        case 3:
            s.m_nWidth = 2 * field / 3;
            break;
        case 8:
            s.m_nWidth = 4 * field;
            break;
        case 9:
            s.m_nWidth = 2 * field;
            break;
        default:
            s.m_nWidth = field;
            break;
    }
    s.m_nHeight = static_cast<std::int16_t>(ReadLe16(tim, image + 10).value_or(0));
    s.m_nPaletteIndex = paletteIndex;
    s.m_nHitCount = 1;
    s.m_nHitSize = tim.size();
    s.m_pHitData = std::move(tim);
    return s;
}

SearchState BitmapHit(std::vector<std::uint8_t> dib) {
    SearchState s;
    s.m_nSourceType = kSourceBmp;
    s.m_nPaletteCount = 1;
    s.m_nHitCount = 1;
    s.m_nHitSize = dib.size();
    s.m_pHitData = std::move(dib);
    return s;
}

std::vector<std::uint8_t> TimWithOnlyPalette(const std::vector<std::uint8_t>& tim, int palette) {
    const std::uint32_t clutLength = LoadLe32(tim.data() + 8);
    const std::uint16_t clutWidth = LoadLe16(tim.data() + 16);
    std::vector<std::uint8_t> out(tim.begin(), tim.begin() + 20);
    StoreLe32(out.data() + 8, 12 + 2u * clutWidth);
    StoreLe16(out.data() + 18, 1);
    const auto row = tim.begin() + 20 + 2 * clutWidth * palette;
    out.insert(out.end(), row, row + 2 * clutWidth);
    out.insert(out.end(), tim.begin() + 8 + clutLength, tim.end());
    return out;
}

RgbImage PixelsOf(const Dib& dib) {
    RgbImage out;
    if (dib.IsNull() || !dib.IsConsistent()) return out;
    out.width = dib.Width();
    out.height = dib.Height();
    const int bits = dib.BitCount();
    for (int y = 0; y < out.height; ++y) {
        const auto row = dib.StoredRow(out.height - 1 - y);
        for (int x = 0; x < out.width; ++x) {
            std::uint8_t b = 0, g = 0, r = 0;
            if (bits == 24) {
                b = row[3 * x];
                g = row[3 * x + 1];
                r = row[3 * x + 2];
            } else {
                unsigned index = 0;
                if (bits == 8) index = row[x];
                if (bits == 4) index = (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
                if (bits == 1) index = (row[x / 8] >> (7 - x % 8)) & 1;
                if (index < dib.ColorCount()) {
                    const std::uint8_t* q = dib.ColorEntry(index);
                    b = q[0];
                    g = q[1];
                    r = q[2];
                }
            }
            out.rgb.insert(out.rgb.end(), {r, g, b});
        }
    }
    return out;
}

namespace {

std::optional<RgbImage> ReadPpm(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::vector<std::uint8_t> data;
    std::uint8_t buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) data.insert(data.end(), buffer, buffer + n);
    if (pclose(pipe) != 0) return std::nullopt;

    // P6 <width> <height> <maxval> then one whitespace byte and the pixels.
    std::size_t pos = 0;
    auto token = [&]() -> std::string {
        while (pos < data.size() && std::isspace(data[pos])) ++pos;
        std::string t;
        while (pos < data.size() && !std::isspace(data[pos])) t += static_cast<char>(data[pos++]);
        return t;
    };
    if (token() != "P6") return std::nullopt;
    RgbImage image;
    image.width = std::stoi(token());
    image.height = std::stoi(token());
    if (token() != "255") return std::nullopt;
    ++pos;
    const std::size_t size =
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3;
    if (data.size() - pos != size) return std::nullopt;
    image.rgb.assign(data.begin() + static_cast<std::ptrdiff_t>(pos), data.end());
    return image;
}

}  // namespace

std::optional<RgbImage> DecodeFileWithImageMagick(const std::string& path) {
    return ReadPpm("convert '" + path + "' -depth 8 ppm:- 2>/dev/null");
}

std::optional<RgbImage> DecodeWithImageMagick(const std::vector<std::uint8_t>& bytes,
                                              const std::string& format) {
    char name[] = "/tmp/vorel_reference_XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return std::nullopt;
    const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    close(fd);
    std::optional<RgbImage> image;
    if (written) image = ReadPpm("convert " + format + ":" + name + " -depth 8 ppm:- 2>/dev/null");
    unlink(name);
    return image;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string FirstDifference(const RgbImage& actual, const RgbImage& expected) {
    std::ostringstream os;
    if (actual.width != expected.width || actual.height != expected.height) {
        os << "size " << actual.width << "x" << actual.height << " instead of " << expected.width << "x"
           << expected.height;
        return os.str();
    }
    for (std::size_t i = 0; i + 2 < actual.rgb.size() && i + 2 < expected.rgb.size(); i += 3) {
        if (actual.rgb[i] != expected.rgb[i] || actual.rgb[i + 1] != expected.rgb[i + 1] ||
            actual.rgb[i + 2] != expected.rgb[i + 2]) {
            const std::size_t p = i / 3;
            os << "pixel (" << p % static_cast<std::size_t>(actual.width) << ","
               << p / static_cast<std::size_t>(actual.width) << ") is " << int{actual.rgb[i]} << ","
               << int{actual.rgb[i + 1]} << "," << int{actual.rgb[i + 2]} << " instead of "
               << int{expected.rgb[i]} << "," << int{expected.rgb[i + 1]} << "," << int{expected.rgb[i + 2]};
            return os.str();
        }
    }
    return "no difference";
}

}  // namespace vorel::hit_support
