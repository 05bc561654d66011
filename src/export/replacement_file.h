// The new file a rewrite makes beside the file it replaces. Where the file
// system allows it has no name at all (O_TMPFILE) until just before it is
// renamed over the old file, so a run that is killed, even by SIGKILL, leaves
// nothing behind; elsewhere it has a hidden name (".NAME.xxxxxx") from the
// start. A signal handler may remove whatever name it has at any moment
// (RemoveReplacementNameNow), and a stop request makes a rewrite give up
// before its rename.
#pragma once

#include <string>

namespace vorel {

class ReplacementFile {
  public:
    ReplacementFile() = default;
    ~ReplacementFile();  // closes it and removes its name, unless it took the target's
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Makes the file, open for reading and writing, in the folder of `target`.
    // With `unnamedOnly` nothing is made where the file system cannot make an
    // unnamed file, so a dry run leaves no trace. False with errno set.
    bool Create(const std::string& target, bool allowUnnamed, bool unnamedOnly = false);

    int Fd() const { return fd_; }
    bool HasName() const { return !name_.empty(); }
    // A path that opens this very file, with a name or without (/proc/self/fd/N).
    std::string Path() const;

    // Gives the file a hidden name beside `target` when it has none. False with errno set.
    bool Name(const std::string& target);
    // Names it (when it has no name) and renames it over `target`, unless a stop
    // was requested, then flushes the folder so that the rename survives a crash.
    // False with errno set; the file then has no name again.
    bool Replace(const std::string& target);

    // Whether this user may make files in the folder of `target`; false with errno set.
    static bool FolderWritable(const std::string& target);

  private:
    int fd_ = -1;
    std::string name_;  // its hidden name, while it has one
};

// Removes the name of the replacement file being made, if it has one now.
// Safe in a signal handler; one rewrite at a time per process has its name here.
void RemoveReplacementNameNow() noexcept;

// Asks the rewrite under way to stop before its rename (and every later one to
// refuse). Safe in a signal handler.
void RequestRewriteStop() noexcept;
bool RewriteStopRequested() noexcept;
void ClearRewriteStop() noexcept;

}  // namespace vorel
