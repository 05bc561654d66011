// A TIM file written from the TIM's own bytes, through a temporary file and a
// rename like every other save, so a failed save leaves the old file whole.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "export/atomic_file.h"
#include "export/bmp_writer.h"

namespace vorel {

// The outcomes read as the BMP writer's, so the saving commands show the same
// words: NoImage for no bytes, CreateFailed when the file cannot be made,
// BodyWriteFailed when writing, flushing or the rename fails.
BmpWriteOutcome WriteTimFile(const std::string& path, std::span<const std::uint8_t> tim,
                             FileSync sync = FileSync::Always);

}  // namespace vorel
