#include "export/bmp_writer.h"

#include "export/atomic_file.h"
#include "image/bytes.h"

namespace vorel {

static_assert(Dib::kMaxDibBytes <= 0xFFFFFFFFu - 14, "bfSize must hold 14 + the largest block");

std::array<std::uint8_t, 14> BmpFileHeader(const Dib& dib) {
    std::array<std::uint8_t, 14> header{};
    const std::uint32_t biSize = LoadLe32(dib.Data() + dibfield::kSize);
    header[0] = 'B';
    header[1] = 'M';
    StoreLe32(&header[2], static_cast<std::uint32_t>(14 + dib.AllocatedSize()));
    // Wraps like the 32-bit field it fills for a nonsense biSize; the block itself is
    // written unchanged either way, so a reader sees what the source held.
    StoreLe32(&header[10], 14u + biSize + 4u * dib.ColorCount());
    return header;
}

BmpWriteOutcome WriteBmpFile(const std::string& path, const Dib& dib, FileSync sync) {
    if (dib.IsNull()) return BmpWriteOutcome::NoImage;
    if (dib.AllocatedSize() < kDibHeaderSize) return BmpWriteOutcome::LockFailed;

    AtomicFile file;
    if (!file.Open(path, sync)) return BmpWriteOutcome::CreateFailed;
    const auto header = BmpFileHeader(dib);
    if (!file.Write(header)) return BmpWriteOutcome::HeaderWriteFailed;
    if (!file.Write(dib.Bytes())) return BmpWriteOutcome::BodyWriteFailed;
    // Until the rename the old file is still in place; a failed flush or rename means the
    // new bytes never reached their name, which the caller hears as a failed write.
    if (!file.Commit()) return BmpWriteOutcome::BodyWriteFailed;
    return BmpWriteOutcome::Saved;
}

}  // namespace vorel
