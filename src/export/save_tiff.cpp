#include "export/save_tiff.h"

#include "export/tiff_writer.h"
#include "image/bytes.h"

namespace vorel {
namespace {

int BitsForColorCount(std::uint16_t colors) {
    switch (colors) {
        case 0:
            return 24;
        case 2:
            return 1;
        case 16:
            return 4;
        case 256:
            return 8;
        default:
            return 0;
    }
}

}  // namespace

std::uint32_t TiffDotsPerInch(std::int32_t pelsPerMeter) {
    const auto dpi = static_cast<std::int64_t>(static_cast<double>(pelsPerMeter) * 0.025400050800101603);
    return dpi <= 0 ? 72u : static_cast<std::uint32_t>(dpi);
}

TiffPrepared PrepareTiffHeader(const Dib& dib, int compression) {
    TiffPrepared prepared;
    if (dib.IsNull() || dib.AllocatedSize() < kDibHeaderSize) {
        prepared.failure = TiffPrepareFailure::LockFailed;
        return prepared;
    }
    const int bits = BitsForColorCount(dib.ColorCount());
    // A colour count that disagrees with the bit depth (an 8-bit DIB with biClrUsed 16,
    // a 24-bit one with a table) would make the writer read the rows at the wrong depth
    // and store a scrambled picture; such a DIB is refused like an unknown count.
    if (bits == 0 || bits != dib.BitCount()) {
        prepared.failure = TiffPrepareFailure::UnknownColorCount;
        return prepared;
    }
    TiffHeader header;
    const std::uint8_t* h = dib.Data();
    header.xResolution = {TiffDotsPerInch(static_cast<std::int32_t>(LoadLe32(h + dibfield::kXPelsPerMeter))),
                          1};
    header.yResolution = {TiffDotsPerInch(static_cast<std::int32_t>(LoadLe32(h + dibfield::kYPelsPerMeter))),
                          1};
    // A width or height that is not positive describes no picture; 0 lets the writer refuse it.
    header.width = dib.Width() > 0 ? static_cast<std::uint32_t>(dib.Width()) : 0;
    header.height = dib.Height() > 0 ? static_cast<std::uint32_t>(dib.Height()) : 0;
    header.compression = static_cast<std::uint16_t>(compression);
    header.bitsPerSample = bits;
    prepared.header = header;
    return prepared;
}

SaveTiffResult SaveTiff(const std::string& path, const Dib& dib, int byteOrder, int compression,
                        bool showResult, FileSync sync) {
    const TiffPrepared prepared = PrepareTiffHeader(dib, compression);
    if (!prepared.header) return {-1, TiffPrepareMessageFor(prepared.failure), -1};
    const int code = WriteTiffFile(path, dib, *prepared.header, byteOrder, sync);
    if (showResult) return {0, TiffCodeMessageFor(code), code};
    return {code, std::nullopt, code};
}

}  // namespace vorel
