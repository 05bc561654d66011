// Test hook for AtomicFile: makes one chosen write or flush misbehave, so the
// handling of a full disk, an interrupted call or a partial write can be tested
// without a real broken device. Production code never sets it.
#pragma once

namespace vorel {

enum class FileFault {
    None,
    Error,        // the write fails (as on a full disk)
    Interrupted,  // the write is interrupted before anything is written
    Short,        // the write takes only half of the bytes
    Zero,         // the write returns 0 bytes written
    SyncError,    // the flush to disk before the rename fails
};

// While alive, the `nth` write call (1 = the next one) of any AtomicFile on this
// thread behaves as `fault`; for SyncError, the `nth` flush fails instead.
class ScopedFileFault {
  public:
    ScopedFileFault(int nth, FileFault fault);
    ~ScopedFileFault();
    ScopedFileFault(const ScopedFileFault&) = delete;
    ScopedFileFault& operator=(const ScopedFileFault&) = delete;
};

}  // namespace vorel
