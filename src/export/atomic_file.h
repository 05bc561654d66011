// A file that appears under its name complete or not at all.
//
// The bytes go to a hidden temporary file in the target's own folder; only when
// every byte is written and flushed to disk is it renamed over the target. A
// failure at any point removes the temporary file, so an existing file of that
// name is never destroyed and a half-written file is never left behind.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vorel {

// When a finished file is flushed to the disk before it takes its name.
enum class FileSync {
    // Always: the file before the rename, the folder after it.
    Always,
    // Only when an existing file is replaced, which is what protects that file.
    // A new file replaces nothing; a command that writes thousands of them
    // flushes once at its end (SyncFileSystemOf) instead of once per file.
    WhenReplacing,
};

// Flushes everything written to the file system that holds `folder`.
void SyncFileSystemOf(const std::string& folder);

class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file next to `targetPath`. False when the target cannot be
    // written: its folder is missing or not writable, the target is a folder or another
    // non-regular file, or the existing file is not writable by this user.
    bool Open(const std::string& targetPath, FileSync sync = FileSync::Always);

    // Writes every byte (retrying interrupted and partial writes). False on any error;
    // the file is then unusable and only Abort (or destruction) is left to do.
    bool Write(std::span<const std::uint8_t> bytes);

    // Flushes the data, gives the file the permission bits it should have and renames it
    // over the target. False when any of that fails; the temporary file is removed.
    bool Commit();

    // Removes the temporary file; harmless when nothing is open.
    void Abort();

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& TempPath() const { return tempPath_; }

  private:
    int fd_ = -1;
    bool failed_ = false;
    std::string targetPath_;  // the name the finished file takes (symbolic links resolved)
    std::string tempPath_;
    bool keepMode_ = false;  // replacing a file: keep its permission bits
    FileSync sync_ = FileSync::Always;
    unsigned keptMode_ = 0;
};

}  // namespace vorel
