#include "app/about_info.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <QFile>
#include <QStorageInfo>
#include <QStringList>

namespace vorel::app {
namespace {

QString Unknown() {
    return QStringLiteral("不明");
}

QString ReadSmallTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.read(64 * 1024));
}

// A value of os-release: KEY=value, KEY="value" or KEY='value'.
std::optional<QString> OsReleaseValue(const QString& text, const QString& key) {
    for (const QString& line : text.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.startsWith(key + u'=')) continue;
        QString value = trimmed.mid(key.size() + 1);
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        value.replace(QStringLiteral("\\\""), QStringLiteral("\""));
        if (!value.isEmpty()) return value;
    }
    return std::nullopt;
}

}  // namespace

QString OsLine(const SystemFigures& f) {
    if (!f.kernelName || !f.kernelRelease) return Unknown();
    QString line = *f.kernelName + u' ' + *f.kernelRelease;
    if (f.distribution) line += QStringLiteral(" (%1)").arg(*f.distribution);
    return line;
}

QString DiskLine(const SystemFigures& f) {
    if (!f.freeBytes || f.mountPoint.isEmpty()) return Unknown();
    return QStringLiteral("%1 KB (%2)").arg(*f.freeBytes / 1024).arg(f.mountPoint);
}

QString MemoryLine(const SystemFigures& f) {
    if (!f.physicalBytes) return Unknown();
    return QStringLiteral("%1 KB").arg(*f.physicalBytes / 1024);
}

std::optional<QString> DistributionFromOsRelease(const QString& text) {
    const auto name = OsReleaseValue(text, QStringLiteral("NAME"));
    const auto version = OsReleaseValue(text, QStringLiteral("VERSION_ID"));
    if (name && version) return *name + u' ' + *version;
    if (auto pretty = OsReleaseValue(text, QStringLiteral("PRETTY_NAME"))) return pretty;
    return name;
}

std::optional<std::uint64_t> MemTotalFromMeminfo(const QString& text) {
    for (const QString& line : text.split(u'\n')) {
        if (!line.startsWith(QStringLiteral("MemTotal:"))) continue;
        const QStringList parts = line.mid(9).simplified().split(u' ');
        bool ok = false;
        const qulonglong value = parts.value(0).toULongLong(&ok);
        if (!ok) return std::nullopt;
        const QString unit = parts.value(1);
        if (unit.isEmpty()) return value;
        if (unit.compare(QStringLiteral("kB"), Qt::CaseInsensitive) == 0) return std::uint64_t{value} * 1024;
        return std::nullopt;
    }
    return std::nullopt;
}

SystemFigures ReadSystemFigures(const QString& folder) {
    SystemFigures f;
    utsname names{};
    if (uname(&names) == 0) {
        f.kernelName = QString::fromLocal8Bit(names.sysname);
        f.kernelRelease = QString::fromLocal8Bit(names.release);
    }
    QString osRelease = ReadSmallTextFile(QStringLiteral("/etc/os-release"));
    if (osRelease.isEmpty()) osRelease = ReadSmallTextFile(QStringLiteral("/usr/lib/os-release"));
    f.distribution = DistributionFromOsRelease(osRelease);

    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.isReady() && storage.bytesAvailable() >= 0) {
        f.freeBytes = static_cast<std::uint64_t>(storage.bytesAvailable());
        f.mountPoint = storage.rootPath();
    }

    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) {
        f.physicalBytes = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    } else {
        f.physicalBytes = MemTotalFromMeminfo(ReadSmallTextFile(QStringLiteral("/proc/meminfo")));
    }
    return f;
}

}  // namespace vorel::app
