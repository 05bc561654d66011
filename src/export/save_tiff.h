// The TIFF save used by Save As, Save All and the joined image: reads what the
// writer needs from the DIB, writes the file and says which message to show.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "export/atomic_file.h"
#include "export/save_messages.h"
#include "export/tiff_header.h"
#include "image/dib.h"

namespace vorel {

struct SaveTiffResult {
    // What the caller gets back: -1 for a failure met before writing; 0 when the
    // result is shown; otherwise WriteTiffFile's code.
    int value;
    // The one message to show, if any.
    std::optional<SaveMessage> message;
    // WriteTiffFile's code, or -1 when it was not called.
    int writeCode;
};

// Byte order 0 writes "II", 1 "MM"; compression goes unchanged into the
// Compression entry. With showResult the outcome comes back as a message and
// value is 0; without it only the failures met before writing carry a message.
SaveTiffResult SaveTiff(const std::string& path, const Dib& dib, int byteOrder, int compression,
                        bool showResult, FileSync sync = FileSync::Always);

// Dots per inch for a DIB resolution: pixels per metre / 39.37, truncated; 72 when
// that is not positive.
std::uint32_t TiffDotsPerInch(std::int32_t pelsPerMeter);

// The header record's image fields for `dib`, or the failure that stops the save:
// bits per sample follow the colour count (0 -> RGB, 2 -> 1, 16 -> 4, 256 -> 8).
struct TiffPrepared {
    std::optional<TiffHeader> header;
    TiffPrepareFailure failure = TiffPrepareFailure::LockFailed;
};
TiffPrepared PrepareTiffHeader(const Dib& dib, int compression);

}  // namespace vorel
