// The image list with 50,000 images, through the real application on the
// offscreen platform:
//   - 50,000 entries appended to the list's model (its dock, filter and both
//     views attached), and the thumbnail view laid out;
//   - a list-only search ("OpenWindows" 0) of a file of 500,000 small TIMs
//     against vorel-find --tsv on the same file, and the whole program's peak
//     resident memory after it (measured first, so nothing else raises it);
//   - a list-only search of a file of 50,000 small TIMs against vorel-find on
//     the same file, in the same run (best of three);
//   - the same search four times into a growing list (0 to 150,000 entries
//     listed before it), best of five series: each run against the first;
//     and the same with the list sorted by title;
//   - the thumbnail view scrolled top to bottom in 100 steps, each step
//     painted at once: the worst step (thumbnails are made off the GUI
//     thread; a step never waits for them);
//   - with --scan-mb, a list-only search of both kinds over a large file of
//     few images against vorel-find --tsv on the same file, with the
//     program's default thread count and with one thread.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "app/doc_template.h"
#include "bench_args.h"
#include "bench_files.h"
#include "app/main_frame.h"
#include "app/vorel_app.h"
#include "list/ui/image_list_dock.h"
#include "list/ui/image_list_filter.h"
#include "list/ui/image_list_model.h"
#include "list/ui/thumbnail_cache.h"
#include "sample_builders/sample_builders.h"
#include "search/settings.h"
#include "ui/message_service.h"

namespace {

const char kUsage[] =
    "usage: image_list_bench [--images N] [--big M] [--scan-mb S [--threads T]]\n"
    "  Appends N entries (default 50000) to the image list, runs a list-only search of a file of M\n"
    "  small TIMs (default 500000; 0 leaves it out) and one of N against vorel-find on the same file,\n"
    "  prints the peak resident memory, searches the file of N four times into a growing list, and\n"
    "  scrolls the thumbnail view top to bottom in 100 steps (offscreen); with --scan-mb, also a\n"
    "  list-only search of both kinds over an S MB file against vorel-find --tsv, with the default\n"
    "  thread count and with one thread (or with T threads only). Writes only a temporary folder\n"
    "  (under $TMPDIR; the file of M TIMs takes about M x 153 bytes).\n";

double PeakResidentMiB() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double Ms(const QElapsedTimer& clock) {
    return clock.nsecsElapsed() / 1e6;
}

std::vector<vorel::ui::ImageListEntry> MadeUpEntries(int count, const QString& file) {
    std::vector<vorel::ui::ImageListEntry> entries(static_cast<std::size_t>(count));
    const std::string path = file.toStdString();
    for (int i = 0; i < count; ++i) {
        vorel::ui::ImageListEntry& e = entries[static_cast<std::size_t>(i)];
        e.record.path = path;
        e.record.sourceType = vorel::kSourceTim;
        e.record.bitCount = 16;
        e.record.width = 8;
        e.record.height = 8;
        e.record.fileOffset = 153 * static_cast<std::int64_t>(i);
        e.record.imageNo = i + 1;
        e.title = QStringLiteral("MANY_%1").arg(i + 1, 3, 10, QLatin1Char('0'));
        e.file = file;
    }
    return entries;
}

// Writes `copies` times the file of `images` small TIMs: one file of
// copies x images TIMs, made without holding it all in memory.
bool WriteTimFile(const QString& path, int images, int copies) {
    const std::vector<std::uint8_t> bytes = vorel::samples::ManySmallTims(images);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (int i = 0; i < copies; ++i) {
        if (file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()))
            return false;
    }
    return true;
}

// vorel-find --tsv on `path`, its output thrown away; the time it took.
double FinderMs(const QString& path) {
    QProcess finder;
    finder.setStandardOutputFile(QProcess::nullDevice());
    finder.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    finder.start(QStringLiteral(VOREL_FIND_EXE),
                 {QStringLiteral("--type"), QStringLiteral("tim"), QStringLiteral("--tsv"), path});
    finder.waitForFinished(-1);
    if (finder.exitCode() != 0) std::fprintf(stderr, "vorel-find exited with %d\n", finder.exitCode());
    return Ms(clock);
}

}  // namespace

int main(int argc, char** argv) {
    const bench::Args args(argc, argv, kUsage,
                           {{"--images", "N", "how many images (default 50000)"},
                            {"--big", "M", "images of the big file, a multiple of 10 (default 500000; 0: none)"},
                            {"--scan-mb", "S",
                             "also a list-only search of both kinds over an S MB file of random bytes with images "
                             "sprinkled in, against vorel-find --tsv, paired, median of 9 (default 0: none)"},
                            {"--threads", "T",
                             "threads of that search, the window's and the finder's (default 0: the program's "
                             "default, then 1)"}});
    const int images = static_cast<int>(args.OptionNumber("--images", 50000, 1, 1000000));
    const int bigImages = static_cast<int>(args.OptionNumber("--big", 500000, 0, 5000000)) / 10 * 10;
    const long scanMb = args.OptionNumber("--scan-mb", 0, 0, 65536);
    const int scanThreads = static_cast<int>(args.OptionNumber("--threads", 0, 0, 8));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    int qtArgc = 1;
    QApplication application(qtArgc, argv);

    // The files: N TIMs of 8 x 8 pixels, 16-bit, with filler between them; and M of them.
    const QString path = QDir(dir.path()).filePath(QStringLiteral("MANY.BIN"));
    const QString bigPath = QDir(dir.path()).filePath(QStringLiteral("HUGE.BIN"));
    if (!WriteTimFile(path, images, 1) || (bigImages > 0 && !WriteTimFile(bigPath, bigImages / 10, 10))) {
        std::fprintf(stderr, "cannot write the files under %s\n", qPrintable(dir.path()));
        return 1;
    }

    vorel::ScriptedMessageService messages;
    vorel::SetMessageService(&messages);
    auto store = std::make_unique<vorel::MemorySettingsStore>();
    vorel::Write(*store, vorel::settings::kSearchType, 0);
    vorel::Write(*store, vorel::settings::kOpenWindows, 0);
    vorel::Write(*store, vorel::settings::kListVisible, 1);
    CVorelApp app(std::move(store));
    app.InitInstance({});
    app.MainFrame()->resize(1024, 768);
    QCoreApplication::processEvents();
    vorel::ui::CImageListDock& dock = *app.MainFrame()->ImageList();
    vorel::ui::CImageListModel& model = *app.ListModel();

    // 1. Appending to the model.
    auto entries = MadeUpEntries(images, path);
    QElapsedTimer clock;
    clock.start();
    model.Append(std::move(entries));
    const double appendMs = Ms(clock);
    clock.restart();
    QCoreApplication::processEvents();
    const double layoutMs = Ms(clock);
    dock.GetActions().clear->trigger();
    QCoreApplication::processEvents();

    // 2. The big file, once each, before anything else can raise the peak.
    double bigFinderMs = 0;
    double bigSearchMs = 0;
    int bigListed = 0;
    double bigPeak = 0;
    if (bigImages > 0) {
        bigFinderMs = FinderMs(bigPath);
        clock.restart();
        app.OpenDocumentFile(bigPath);
        QCoreApplication::processEvents();
        bigSearchMs = Ms(clock);
        bigListed = model.rowCount();
        bigPeak = PeakResidentMiB();
        dock.GetActions().clear->trigger();
        QCoreApplication::processEvents();
    }

    // 3. The list-only search against the finder, alternating, best of three.
    double searchMs = 1e30;
    double finderMs = 1e30;
    int listed = 0;
    for (int round = 0; round < 3; ++round) {
        finderMs = std::min(finderMs, FinderMs(path));
        if (round > 0) dock.GetActions().clear->trigger();
        clock.restart();
        app.OpenDocumentFile(path);
        QCoreApplication::processEvents();
        searchMs = std::min(searchMs, Ms(clock));
        listed = model.rowCount();
    }
    const QString closing = messages.shown.empty() ? QStringLiteral("none") : messages.shown.back().text;

    // 4. The same search four times into a growing list; the whole series
    // five times, the best of each run (the machine is shared). Then again
    // with the list sorted by title, where each search's entries go in among
    // those listed before.
    const auto growing = [&](double (&best)[4]) {
        int grown = 0;
        for (double& ms : best) ms = 1e30;
        for (int series = 0; series < 5; ++series) {
            dock.GetActions().clear->trigger();
            QCoreApplication::processEvents();
            for (double& ms : best) {
                clock.restart();
                app.OpenDocumentFile(path);
                QCoreApplication::processEvents();
                ms = std::min(ms, Ms(clock));
            }
            grown = model.rowCount();
        }
        return grown;
    };
    double growingMs[4];
    const int grownTo = growing(growingMs);
    dock.Filter()->sort(vorel::ui::CImageListModel::kTitle, Qt::AscendingOrder);
    double sortedMs[4];
    growing(sortedMs);
    dock.Filter()->sort(-1);
    const int windows = app.DocTemplate()->DocumentCount();
    const double residentAfterSearch = ResidentMiB();
    const double peakAfterSearch = PeakResidentMiB();

    // 5. Scrolling the thumbnail view top to bottom in 100 steps, each painted at once.
    dock.ShowThumbnails(true);
    QListView* view = dock.ThumbnailView();
    QCoreApplication::processEvents();
    QScrollBar* bar = view->verticalScrollBar();
    double worstMs = 0;
    double totalMs = 0;
    for (int step = 1; step <= 100; ++step) {
        clock.restart();
        bar->setValue(bar->maximum() * step / 100);
        view->viewport()->repaint();
        QCoreApplication::processEvents();
        const double ms = Ms(clock);
        worstMs = std::max(worstMs, ms);
        totalMs += ms;
    }
    dock.Thumbnails()->WaitForIdle();

    std::printf("images: %d, file %.1f MB\n", images, QFileInfo(path).size() / 1e6);
    std::printf("append %d entries to the model   %9.1f ms   (target <= 300 ms)\n", images, appendMs);
    std::printf("then lay out the thumbnail view   %9.1f ms\n", layoutMs);
    if (bigImages > 0) {
        std::printf("big file: %d images, %.1f MB\n", bigImages, QFileInfo(bigPath).size() / 1e6);
        std::printf("vorel-find --tsv, big file         %9.1f ms   (baseline)\n", bigFinderMs);
        std::printf("list-only search, big file        %9.1f ms   %.2fx the finder (target <= 1.5x), %d listed\n",
                    bigSearchMs, bigSearchMs / bigFinderMs, bigListed);
        std::printf("   whole program's peak after it: %.1f MiB (target <= 400 MB)\n", bigPeak);
    }
    std::printf("vorel-find, same file (baseline)  %9.1f ms   best of 3, a process of its own\n", finderMs);
    std::printf("list-only search                  %9.1f ms   %.2fx the finder (target <= 1.5x)\n", searchMs,
                searchMs / finderMs);
    std::printf("   images listed %d, windows opened %d, closing message \"%s\"\n", listed, windows,
                qPrintable(closing));
    for (int run = 0; run < 4; ++run)
        std::printf("into a growing list, run %d         %9.1f ms   %.2fx the first (target <= 1.1x), %d listed before\n",
                    run + 1, growingMs[run], growingMs[run] / growingMs[0], run * listed);
    for (int run = 0; run < 4; ++run)
        std::printf("the same, list sorted by title, %d   %9.1f ms   %.2fx the first (target <= 1.1x)\n", run + 1,
                    sortedMs[run], sortedMs[run] / sortedMs[0]);
    std::printf("   %d entries listed after the four runs\n", grownTo);
    std::printf("whole program after the searches: resident %.1f MiB, peak %.1f MiB\n",
                residentAfterSearch, peakAfterSearch);
    std::printf("thumbnail view %dx%d, %s, %d rows\n", view->viewport()->width(), view->viewport()->height(),
                view->isVisible() ? "shown" : "HIDDEN", view->model()->rowCount());
    std::printf("thumbnail view, 100 scroll steps: worst %.1f ms, mean %.1f ms (target: no step over 50 ms)\n",
                worstMs, totalMs / 100);
    std::printf("thumbnail cache: %.1f MiB of %.0f MiB\n", dock.Thumbnails()->CachedBytes() / 1048576.0,
                dock.Thumbnails()->MaxBytes() / 1048576.0);

    // 6. A large file of few images: the window's search against the finder's,
    // both kinds, paired rounds, after a round that brings the file into the
    // page cache. Thumbnails made for the list after a search are done before
    // the finder's next round starts, so neither shares the cores with them.
    struct ScanFigures {
        int threads = 0;  // 0: the program's default
        double finderMs = 0;
        double searchMs = 0;
        int listed = 0;
    };
    std::vector<ScanFigures> scans;
    if (scanMb > 0) {
        const QString big = QDir(dir.path()).filePath(QStringLiteral("LARGE.BIN"));
        bench::MakeFile(big.toStdString(), static_cast<std::size_t>(scanMb));
        vorel::Write(app.Store(), vorel::settings::kSearchType, 2);
        for (const int threads : scanThreads > 0 ? std::vector<int>{scanThreads} : std::vector<int>{0, 1}) {
            vorel::Write(app.Store(), vorel::settings::kScanThreads, threads);
            QStringList finderArgs{QStringLiteral("--tsv"), big};
            if (threads > 0) finderArgs = QStringList{QStringLiteral("--threads"), QString::number(threads)} + finderArgs;
            ScanFigures figures;
            figures.threads = threads;
            std::vector<double> searchTimes;
            std::vector<double> finderTimes;
            for (int round = 0; round < 10; ++round) {
                QProcess finder;
                finder.setStandardOutputFile(QProcess::nullDevice());
                finder.setStandardErrorFile(QProcess::nullDevice());
                clock.restart();
                finder.start(QStringLiteral(VOREL_FIND_EXE), finderArgs);
                finder.waitForFinished(-1);
                const double finderRound = Ms(clock);
                if (finder.exitCode() != 0) std::fprintf(stderr, "vorel-find exited with %d\n", finder.exitCode());
                dock.GetActions().clear->trigger();
                QCoreApplication::processEvents();
                clock.restart();
                app.OpenDocumentFile(big);
                QCoreApplication::processEvents();
                const double searchRound = Ms(clock);
                figures.listed = model.rowCount();
                dock.Thumbnails()->WaitForIdle();
                if (round == 0) continue;  // the first round brings the file into the page cache
                finderTimes.push_back(finderRound);
                searchTimes.push_back(searchRound);
            }
            std::sort(searchTimes.begin(), searchTimes.end());
            std::sort(finderTimes.begin(), finderTimes.end());
            figures.searchMs = searchTimes[searchTimes.size() / 2];
            figures.finderMs = finderTimes[finderTimes.size() / 2];
            scans.push_back(figures);
        }
        QFile::remove(big);
        vorel::Write(app.Store(), vorel::settings::kScanThreads, 0);
        vorel::Write(app.Store(), vorel::settings::kSearchType, 0);
    }
    vorel::SetMessageService(nullptr);
    for (const ScanFigures& f : scans) {
        const std::string threads = f.threads > 0 ? std::to_string(f.threads) : std::string("default");
        std::printf("vorel-find --tsv, %ld MB file       %9.1f ms   median of 9, a process of its own, threads %s\n",
                    scanMb, f.finderMs, threads.c_str());
        std::printf("list-only search, same file       %9.1f ms   %.2fx the finder (target <= 1.1x), %d listed\n",
                    f.searchMs, f.searchMs / f.finderMs, f.listed);
    }
    return 0;
}
