#include "export/tim_file.h"

namespace vorel {

BmpWriteOutcome WriteTimFile(const std::string& path, std::span<const std::uint8_t> tim, FileSync sync) {
    if (tim.empty()) return BmpWriteOutcome::NoImage;
    AtomicFile file;
    if (!file.Open(path, sync)) return BmpWriteOutcome::CreateFailed;
    if (!file.Write(tim) || !file.Commit()) return BmpWriteOutcome::BodyWriteFailed;
    return BmpWriteOutcome::Saved;
}

}  // namespace vorel
