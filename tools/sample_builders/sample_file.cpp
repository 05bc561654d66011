#include "sample_builders/sample_file.h"

#include <algorithm>
#include <cstdint>
#include <sstream>

#include "sample_builders/encode.h"
#include "sample_builders/pictures.h"

namespace vorel::samples {
namespace {

constexpr char kIntroduction[] =
    "VOREL SAMPLE FILE - open this file in Vorel. It holds PlayStation TIM textures and Windows bitmaps "
    "without any directory: Vorel finds each of them by testing every byte position, and shows each in a "
    "window of its own. The 4-bit smiley has four palettes; switch on palette images to see all four moods. "
    "See samples/README.md for the offsets.\r\n";

// Filler bytes: a xorshift stream with no zero byte. Every image start Vorel
// looks for (a TIM id 10 00 00 00, a header size 28 00 00 00) needs three zero
// bytes in a row, so the filler can never begin an image by itself.
class Filler {
  public:
    void Append(std::vector<unsigned char>& out, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            state_ ^= state_ << 13;
            state_ ^= state_ >> 17;
            state_ ^= state_ << 5;
            const auto byte = static_cast<unsigned char>(state_ >> 24);
            out.push_back(byte == 0 ? 0x5A : byte);
        }
    }

  private:
    std::uint32_t state_ = 0x1234567u;
};

std::uint32_t Le32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// Every position whose first bytes look like a TIM (id and flag word) or a
// BITMAPINFOHEADER (size, planes, bit count, compression). A superset of what
// a search accepts: if this finds only the placed images, a search finds no others.
std::vector<std::size_t> ImageLikeStarts(const std::vector<unsigned char>& b) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i + 8 <= b.size(); ++i) {
        const std::uint32_t first = Le32(b, i);
        if (first == 0x10) {
            const std::uint32_t flag = Le32(b, i + 4);
            if (flag == 2 || flag == 3 || flag == 8 || flag == 9) starts.push_back(i);
        } else if (first == 40 && i + 20 <= b.size()) {
            const unsigned planes = b[i + 12] | (b[i + 13] << 8);
            const unsigned bits = b[i + 14] | (b[i + 15] << 8);
            const bool bitsOk = bits == 1 || bits == 4 || bits == 8 || bits == 24;
            if (planes == 1 && bitsOk && Le32(b, i + 16) == 0) starts.push_back(i);
        }
    }
    return starts;
}

template <typename Picture>
DibPicture AsDib(const Picture& p, int bitCount) {
    DibPicture d;
    d.bitCount = bitCount;
    d.width = p.width;
    d.height = p.height;
    return d;
}

}  // namespace

SampleFile BuildSampleFile() {
    SampleFile file;
    Filler filler;
    std::vector<unsigned char>& out = file.bytes;
    out.assign(kIntroduction, kIntroduction + sizeof kIntroduction - 1);

    int gap = 0;
    // Odd gaps put the images at unaligned offsets, as they are in real files.
    const auto place = [&](std::vector<std::uint8_t> bytes, std::size_t headerAt, std::string kind, int width,
                           int height, std::string picture) {
        filler.Append(out, 1500 + 733 * static_cast<std::size_t>(gap++) % 2048 + 1);
        file.images.push_back({out.size() + headerAt, std::move(kind), width, height, std::move(picture)});
        out.insert(out.end(), bytes.begin(), bytes.end());
    };

    const IndexedPicture smiley = DrawSmiley(128);
    place(EncodeTimIndexed(8, smiley.width, smiley.height, smiley.index, SmileyCluts()), 0,
          "TIM 4-bit, 4 CLUTs of 16", smiley.width, smiley.height,
          "smiley in four moods (sunny, night, alien, pink), one per palette");

    const IndexedPicture checker = DrawCheckerGradient(160, 120, 20);
    place(EncodeTimIndexed(9, checker.width, checker.height, checker.index, {CheckerGradientClut()}), 0,
          "TIM 8-bit, 1 CLUT of 256", checker.width, checker.height,
          "checkerboard: dark squares blue to magenta across, light squares cream to sky blue down");

    const RgbPicture bars = DrawColourBars(192, 128);
    std::vector<std::uint16_t> words;
    for (const Rgb8& c : bars.pixels) words.push_back(TimWord(c));
    place(EncodeTim16(bars.width, bars.height, words), 0, "TIM 16-bit", bars.width, bars.height,
          "television colour bars over a rainbow and a grey ramp");

    const RgbPicture banner = DrawVorelBanner(240, 80);
    place(EncodeTim24(banner.width, banner.height, banner.pixels, true), 0,
          "TIM 24-bit (width field in 16-bit units)", banner.width, banner.height,
          "the word VOREL in bevelled letters against an evening sky");

    const IndexedPicture word = DrawVorelWord(122, 36);
    DibPicture wordDib = AsDib(word, 1);
    wordDib.index = word.index;
    wordDib.table = {{16, 32, 72}, {255, 222, 120}};
    place(EncodeDib(wordDib), 0, "bitmap 1-bit", word.width, word.height, "the word VOREL, gold on navy");

    const IndexedPicture land = DrawLandscape(120, 80);
    DibPicture landDib = AsDib(land, 4);
    landDib.index = land.index;
    landDib.table = LandscapeColours();
    landDib.clrUsed = static_cast<std::uint32_t>(landDib.table.size());
    place(EncodeDib(landDib), 0, "bitmap 4-bit, biClrUsed 12", land.width, land.height,
          "landscape: sun, cloud, hills, a tree and water");

    const IndexedPicture rings = DrawRings(96, 96);
    DibPicture ringsDib = AsDib(rings, 8);
    ringsDib.index = rings.index;
    ringsDib.table = RingColours();
    ringsDib.topDown = true;
    place(EncodeDib(ringsDib), 0, "bitmap 8-bit, top-down (negative height)", rings.width, rings.height,
          "concentric rainbow rings");

    const RgbPicture field = DrawHueField(128, 64);
    DibPicture fieldDib = AsDib(field, 24);
    fieldDib.rgb = field.pixels;
    place(EncodeDib(fieldDib), 0, "bitmap 24-bit", field.width, field.height,
          "every hue across, from white at the top to black at the bottom");

    const RgbPicture discs = DrawColourDiscs(96);
    DibPicture discsDib = AsDib(discs, 24);
    discsDib.rgb = discs.pixels;
    place(WrapBmpFile(EncodeDib(discsDib)), 14, "bitmap 24-bit inside a .bmp file (\"BM\" 14 bytes earlier)",
          discs.width, discs.height, "red, green and blue discs mixing into cyan, magenta, yellow and white");

    filler.Append(out, 1029);

    std::vector<std::size_t> placed;
    for (const auto& image : file.images) placed.push_back(image.offset);
    const std::vector<std::size_t> found = ImageLikeStarts(out);
    if (found != placed) {
        std::ostringstream why;
        why << "image-like starts at";
        for (std::size_t at : found) {
            if (std::find(placed.begin(), placed.end(), at) == placed.end()) why << " " << at;
        }
        why << " besides the placed images";
        file.problem = why.str();
        file.bytes.clear();
    }
    return file;
}

std::string SampleTableMarkdown(const std::vector<SampleImage>& images) {
    std::ostringstream md;
    md << "| # | offset | hex | kind | size | picture |\n|---|---|---|---|---|---|\n";
    int n = 0;
    for (const auto& image : images) {
        md << "| " << ++n << " | " << image.offset << " | 0x" << std::hex << image.offset << std::dec << " | "
           << image.kind << " | " << image.width << " x " << image.height << " | " << image.picture << " |\n";
    }
    return md.str();
}

}  // namespace vorel::samples
