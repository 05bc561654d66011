// How fast the windowed program opens image windows, and what each costs in
// memory: one search over a file of 3,000 small TIMs, through the real
// application, document template and main window, on the offscreen platform.
// The baseline is QMdiArea itself: 3,000 empty sub-windows added and shown
// the plain way, in the same run.
//
// Prints the time for each 1,000 windows, the ratio of the last 1,000 to the
// first, the ratio of the whole to the baseline, and the memory each open
// image costs beyond its DIB.
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <vector>

#include "app/child_frame.h"
#include "bench_args.h"
#include "app/doc_template.h"
#include "app/main_frame.h"
#include "ui/message_service.h"
#include "app/vorel_app.h"
#include "docview/ui/vorel_doc.h"
#include "sample_builders/sample_builders.h"
#include "search/settings.h"

namespace {

// Bytes handed out by malloc and not yet freed.
long HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

int kWindows = 3000;
int kBatch = 1000;

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

long g_baselineHeapPerWindow = 0;

// Times of each batch of `kBatch`, in milliseconds.
std::vector<double> BaselineBatches() {
    QMainWindow window;
    auto* area = new QMdiArea(&window);
    window.setCentralWidget(area);
    window.resize(1024, 768);
    window.show();
    QCoreApplication::processEvents();
    std::vector<double> batches;
    const long heapBefore = HeapInUse();
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= kWindows; ++i) {
        QMdiSubWindow* sub = area->addSubWindow(new QWidget);
        sub->show();
        // The search lets the event loop run 50 times a scan; do the same here.
        if (i % (kWindows / 50) == 0) QCoreApplication::processEvents();
        if (i % kBatch == 0) batches.push_back(clock.nsecsElapsed() / 1e6), clock.restart();
    }
    QCoreApplication::processEvents();
    g_baselineHeapPerWindow = (HeapInUse() - heapBefore) / kWindows;
    return batches;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::Args args(argc, argv,
                           "How fast the windowed program opens image windows, against QMdiArea alone.\n"
                           "usage: open_windows_bench [--windows N] [--no-baseline]\n",
                           {{"--windows", "N", "how many windows, 150 to 30000, rounded down to a multiple of 3 "
                                               "(default 3000)"},
                            {"--no-baseline", nullptr, "skip the plain QMdiArea run (for profiling)"}});
    kWindows = static_cast<int>(args.OptionNumber("--windows", 3000, 150, 30000)) / 3 * 3;
    kBatch = kWindows / 3;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    QApplication application(argc, argv);

    // The file: 3,000 TIMs of 8 x 8 pixels, 16-bit, with filler between them.
    const std::vector<std::uint8_t> bytes = vorel::samples::ManySmallTims(kWindows);
    const QString path = QDir(dir.path()).filePath(QStringLiteral("MANY.BIN"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    file.close();

    const bool withBaseline = !args.Has("--no-baseline");
    const std::vector<double> baseline = withBaseline ? BaselineBatches() : std::vector<double>{};

    vorel::ScriptedMessageService messages;
    vorel::SetMessageService(&messages);
    auto store = std::make_unique<vorel::MemorySettingsStore>();
    vorel::Write(*store, vorel::settings::kSearchType, 0);
    CVorelApp app(std::move(store));
    app.InitInstance({});
    app.MainFrame()->resize(1024, 768);
    QCoreApplication::processEvents();

    std::vector<double> batches;
    QElapsedTimer clock;
    QObject::connect(app.DocTemplate(), &CVorelDocTemplate::documentCountChanged, [&](int count) {
        if (count > 0 && count % kBatch == 0 && static_cast<int>(batches.size()) < count / kBatch) {
            batches.push_back(clock.nsecsElapsed() / 1e6);
            clock.restart();
        }
    });
    const long rssBefore = ResidentBytes();
    const long heapBefore = HeapInUse();
    QElapsedTimer total;
    total.start();
    clock.start();
    app.OpenDocumentFile(path);
    const double searchMs = total.nsecsElapsed() / 1e6;
    QCoreApplication::processEvents();
    const long rssAfter = ResidentBytes();
    const long heapAfter = HeapInUse();

    long dibBytes = 0;
    for (const CChildFrame* frame : app.DocTemplate()->Frames()) {
        dibBytes += static_cast<long>(frame->GetDocument()->m_hDIB.AllocatedSize());
    }
    const int opened = app.DocTemplate()->DocumentCount();

    QElapsedTimer closing;
    closing.start();
    app.OnCloseAllWindows();
    QCoreApplication::processEvents();
    const double closeMs = closing.nsecsElapsed() / 1e6;

    double baselineTotal = 0;
    for (double ms : baseline) baselineTotal += ms;
    // Without the baseline run its column shows "-".
    auto column = [withBaseline](double value) {
        return withBaseline ? QString::asprintf("%10.1f", value) : QStringLiteral("%1").arg("-", 10);
    };
    std::printf("windows opened: %d (closing message: %s)\n", opened,
                messages.shown.empty() ? "none" : qPrintable(messages.shown.back().text));
    std::printf("%-28s %10s %10s\n", "", "baseline", "vorel");
    for (std::size_t i = 0; i < batches.size(); ++i) {
        std::printf("windows %4zu-%4zu (ms)       %s %10.1f\n", i * kBatch + 1, (i + 1) * kBatch,
                    qPrintable(column(i < baseline.size() ? baseline[i] : 0.0)), batches[i]);
    }
    std::printf("whole search (ms)            %s %10.1f\n", qPrintable(column(baselineTotal)), searchMs);
    if (!batches.empty()) {
        std::printf("last batch / first batch     %s %9.2fx\n",
                    qPrintable(withBaseline ? QString::asprintf("%9.2fx", baseline.back() / baseline.front())
                                            : QStringLiteral("%1").arg("-", 10)),
                    batches.back() / batches.front());
    }
    if (withBaseline)
        std::printf("vorel / baseline (whole)                  %9.2fx\n", searchMs / baselineTotal);
    std::printf("close all windows (ms)                  %10.1f\n", closeMs);
    if (opened > 0) {
        std::printf("heap per open image: %.0f bytes = DIB %.0f + constant %.0f\n",
                    double(heapAfter - heapBefore) / opened, double(dibBytes) / opened,
                    double(heapAfter - heapBefore - dibBytes) / opened);
        if (withBaseline)
            std::printf("heap per plain QMdiArea window (baseline): %ld bytes\n", g_baselineHeapPerWindow);
        if (withBaseline) {
            std::printf(
                "resident memory per open image: see --no-baseline (the baseline's freed memory is "
                "reused)\n");
        } else {
            std::printf("resident memory per open image: %.0f bytes (includes the allocator's slack)\n",
                        double(rssAfter - rssBefore) / opened);
        }
    }
    vorel::SetMessageService(nullptr);
    return 0;
}
