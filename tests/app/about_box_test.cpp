// The about box's lines from stubbed figures and from this machine, and its
// version against the one the headless finder prints.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProcess>
#include <QRegularExpression>

#include "app/about_box.h"
#include "app/about_info.h"

namespace vorel::app {
namespace {

TEST(AboutInfoTest, LinesFromFigures) {
    SystemFigures all;
    all.kernelName = QStringLiteral("Linux");
    all.kernelRelease = QStringLiteral("6.1.0-18-amd64");
    all.distribution = QStringLiteral("Debian GNU/Linux 12");
    all.freeBytes = 10ull * 1024 * 1024 * 1024 + 1023;  // a byte short of another kilobyte
    all.mountPoint = QStringLiteral("/home");
    all.physicalBytes = 8ull * 1024 * 1024 * 1024 + 512;
    SystemFigures noDistribution = all;
    noDistribution.distribution.reset();
    SystemFigures nothing;
    SystemFigures noMount = all;
    noMount.mountPoint.clear();
    struct Case {
        const char* name;
        SystemFigures figures;
        const char* os;
        const char* disk;
        const char* memory;
    };
    const Case cases[] = {
        {"all", all, "Linux 6.1.0-18-amd64 (Debian GNU/Linux 12)", "10485760 KB (/home)", "8388608 KB"},
        {"no os-release", noDistribution, "Linux 6.1.0-18-amd64", "10485760 KB (/home)", "8388608 KB"},
        {"no mount point", noMount, "Linux 6.1.0-18-amd64 (Debian GNU/Linux 12)", "不明", "8388608 KB"},
        {"nothing known", nothing, "不明", "不明", "不明"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OsLine(c.figures), QString::fromUtf8(c.os)) << c.name;
        EXPECT_EQ(DiskLine(c.figures), QString::fromUtf8(c.disk)) << c.name;
        EXPECT_EQ(MemoryLine(c.figures), QString::fromUtf8(c.memory)) << c.name;
    }
}

TEST(AboutInfoTest, OsReleaseAndMeminfo) {
    const QString debian = QStringLiteral(
        "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"
        "VERSION=\"12 (bookworm)\"\nID=debian\n");
    EXPECT_EQ(DistributionFromOsRelease(debian), QStringLiteral("Debian GNU/Linux 12"));
    EXPECT_EQ(DistributionFromOsRelease(QStringLiteral("PRETTY_NAME='Arch Linux'\nNAME=Arch\n")),
              QStringLiteral("Arch Linux"));
    EXPECT_EQ(DistributionFromOsRelease(QStringLiteral("NAME=Gentoo\n")), QStringLiteral("Gentoo"));
    EXPECT_EQ(DistributionFromOsRelease(QString()), std::nullopt);
    EXPECT_EQ(MemTotalFromMeminfo(QStringLiteral("MemTotal:       16318480 kB\nMemFree: 1 kB\n")),
              std::optional<std::uint64_t>(16318480ull * 1024));
    EXPECT_EQ(MemTotalFromMeminfo(QStringLiteral("MemFree: 1 kB\n")), std::nullopt);
    EXPECT_EQ(MemTotalFromMeminfo(QStringLiteral("MemTotal: lots kB\n")), std::nullopt);
}

TEST(AboutBoxTest, ShowsTheStubbedFiguresAndTheFindersVersion) {
    SystemFigures f;
    f.kernelName = QStringLiteral("Linux");
    f.kernelRelease = QStringLiteral("5.10.0");
    f.physicalBytes = 4096;
    CAboutBox box(nullptr, [f] { return f; });
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Vorel(Vorel)ﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(box.OsLabel()->text(), QStringLiteral("Linux 5.10.0"));
    EXPECT_EQ(box.DiskLabel()->text(), QStringLiteral("不明"));
    EXPECT_EQ(box.MemoryLabel()->text(), QStringLiteral("4 KB"));

    QProcess finder;
    finder.start(QStringLiteral(VOREL_FIND_EXE), {QStringLiteral("--version")});
    ASSERT_TRUE(finder.waitForFinished(30000));
    const QString printed = QString::fromUtf8(finder.readAllStandardOutput()).trimmed();  // "vorel-find X"
    ASSERT_TRUE(printed.startsWith(QStringLiteral("vorel-find "))) << printed.toStdString();
    EXPECT_EQ(CAboutBox::VersionLine(), QStringLiteral("Vorel   Version ") + printed.mid(11));
    QStringList texts;
    for (const QLabel* label : box.findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains(CAboutBox::VersionLine()));
    EXPECT_TRUE(texts.contains(QStringLiteral("Disk")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Memory")));
}

TEST(AboutBoxTest, ThisMachinesFiguresHaveTheirShapes) {
    const SystemFigures f = ReadSystemFigures(QStringLiteral("/"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\S+ \\S+( \\(.+\\))?$")).match(OsLine(f)).hasMatch())
        << OsLine(f).toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+ KB \\(/\\)$")).match(DiskLine(f)).hasMatch())
        << DiskLine(f).toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[1-9]\\d* KB$")).match(MemoryLine(f)).hasMatch())
        << MemoryLine(f).toStdString();
}

}  // namespace
}  // namespace vorel::app
