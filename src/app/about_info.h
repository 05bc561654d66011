// The three lines of system information the about box works out each time it
// opens: the operating system, the free space of the current folder's file
// system, and the installed physical memory.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace vorel::app {

struct SystemFigures {
    std::optional<QString> kernelName;     // "Linux"
    std::optional<QString> kernelRelease;  // "6.1.0-18-amd64"
    std::optional<QString> distribution;   // "Debian GNU/Linux 12"
    std::optional<std::uint64_t> freeBytes;  // available to this user
    QString mountPoint;                      // where the current folder's file system is mounted
    std::optional<std::uint64_t> physicalBytes;
};

// "Linux 6.1.0-18-amd64 (Debian GNU/Linux 12)"; without the distribution,
// "Linux 6.1.0-18-amd64"; without the kernel figures, "不明".
QString OsLine(const SystemFigures& figures);
// "%lu KB (/home)", whole kilobytes rounded down, or "不明".
QString DiskLine(const SystemFigures& figures);
// "%lu KB", whole kilobytes rounded down, or "不明".
QString MemoryLine(const SystemFigures& figures);

// From the text of /etc/os-release: NAME and VERSION_ID ("Debian GNU/Linux 12"),
// else PRETTY_NAME, else NAME; nothing when none is there.
std::optional<QString> DistributionFromOsRelease(const QString& text);
// From the text of /proc/meminfo: MemTotal in bytes.
std::optional<std::uint64_t> MemTotalFromMeminfo(const QString& text);

// The figures of this machine, the disk ones for `folder`.
SystemFigures ReadSystemFigures(const QString& folder);

}  // namespace vorel::app
