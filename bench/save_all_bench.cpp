// How fast Save All writes many images: 3,000 open 64 x 64 8-bit images saved
// into an empty folder as BMP, TIFF and PNG through the program's own Save All
// run (settings, folder check, names, writers, temporary file and rename,
// progress box), on the offscreen platform. The baseline writes the very same
// bytes to the same number of files with plain open/write/close calls, in the
// same run, on the same disk.
//
// A second baseline writes each file under a temporary name and renames it,
// the least any save can do that never leaves a half-written file behind.
// Prints, per format, the best of three rounds of each, the ratios, and the
// time per file. Options: --images N, --rounds N, --dir PATH (--help).
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench_args.h"
#include "docview/ui/vorel_doc.h"
#include "export/ui/save_all.h"
#include "search/settings.h"
#include "ui/message_service.h"

namespace {

int kImages = 3000;

// A 64 x 64 8-bit picture that differs from image to image.
vorel::Dib MakeImage(int n) {
    vorel::Dib dib = vorel::Dib::Create(64, 64, 8);
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* entry = dib.ColorEntry(static_cast<std::size_t>(i));
        entry[0] = static_cast<std::uint8_t>(i);
        entry[1] = static_cast<std::uint8_t>(255 - i);
        entry[2] = static_cast<std::uint8_t>(i * 7 + n);
    }
    for (int y = 0; y < 64; ++y) {
        auto row = dib.StoredRow(y);
        for (int x = 0; x < 64; ++x) row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>((x * y + n) & 0xFF);
    }
    return dib;
}

// Every phase starts on a quiet disk: what the last one wrote is flushed, and
// the file system's own bookkeeping after the flush has had time to finish.
void Settle() {
    ::sync();
    ::usleep(1'000'000);
}

std::vector<QByteArray> ReadFiles(const QStringList& paths) {
    std::vector<QByteArray> contents;
    contents.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        contents.push_back(file.readAll());
    }
    return contents;
}

// The baseline: each file created, written in one call and closed. With
// `renamed`, each is written under a temporary name and renamed into place,
// the least a save that never leaves a half-written file can do.
double PlainWrites(const QString& folder, const QStringList& names, const std::vector<QByteArray>& contents,
                   bool renamed) {
    Settle();
    QElapsedTimer clock;
    clock.start();
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QByteArray path = QFile::encodeName(QDir(folder).filePath(names.at(i)));
        const QByteArray written = renamed ? QFile::encodeName(QDir(folder).filePath(u'.' + names.at(i))) : path;
        const int fd = ::open(written.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) return -1;
        const QByteArray& bytes = contents[static_cast<std::size_t>(i)];
        if (::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) != bytes.size()) return -1;
        ::close(fd);
        if (renamed && ::rename(written.constData(), path.constData()) != 0) return -1;
    }
    return clock.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::Args args(argc, argv,
                           "How fast Save All writes many images, against plain writes of the same bytes.\n"
                           "usage: save_all_bench [--images N] [--rounds N] [--dir PATH]\n",
                           {{"--images", "N", "how many images, 1 to 100000 (default 3000)"},
                            {"--rounds", "N", "rounds of each way, the best counts, 1 to 100 (default 3)"},
                            {"--dir", "PATH", "where the folders are made (default: the temporary folder)"}});
    kImages = static_cast<int>(args.OptionNumber("--images", 3000, 1, 100000));
    const int rounds = static_cast<int>(args.OptionNumber("--rounds", 3, 1, 100));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication application(argc, argv);
    const QString root = args.Has("--dir") ? QString::fromLocal8Bit(args.Value("--dir")) : QDir::tempPath();

    std::vector<std::unique_ptr<CVorelDoc>> documents;
    QList<CVorelDoc*> list;
    for (int n = 1; n <= kImages; ++n) {
        auto doc = std::make_unique<CVorelDoc>();
        doc->m_hDIB = MakeImage(n);
        doc->SetTitle(QStringLiteral("DATA_%1").arg(n, 3, 10, QLatin1Char('0')));
        list.append(doc.get());
        documents.push_back(std::move(doc));
    }

    vorel::ScriptedMessageService messages;
    vorel::SetMessageService(&messages);
    vorel::MemorySettingsStore store;
    QTemporaryDir work(QDir(root).filePath(QStringLiteral("vorel-save-bench-XXXXXX")));
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(root));
        return 1;
    }

    const struct {
        const char* name;
        int imageType;
    } formats[] = {{"BMP", 0}, {"TIFF", 1}, {"PNG", 2}};
    // A shared disk makes single timings jump; each figure is the best of
    // `rounds`, every round into fresh folders, formats and ways taking turns first.
    struct Best {
        double save = 1e300, plain = 1e300, renamed = 1e300;
        int written = 0;
        bool unexpectedMessages = false;
    };
    Best best[3];
    for (int round = 0; round < rounds; ++round) {
        for (int turnOfFormat = 0; turnOfFormat < 3; ++turnOfFormat) {
            const int f = (turnOfFormat + round) % 3;
            const QString base = QDir(work.path()).filePath(QStringLiteral("%1-%2").arg(formats[f].name).arg(round));
            const QString saved = base + QStringLiteral("-saveall");
            QDir().mkpath(saved);
            vorel::Write(store, vorel::settings::kFolder, (saved + u'/').toStdString());
            vorel::Write(store, vorel::settings::kImageType, formats[f].imageType);
            vorel::Write(store, vorel::settings::kOverwriteMessage, 0);

            // Save All first (its files are the bytes the baselines write), then the baselines.
            messages.shown.clear();
            Settle();
            QElapsedTimer clock;
            clock.start();
            const vorel::ui::SaveAllSummary summary = vorel::ui::RunSaveAll(store, list, nullptr);
            const double saveMs = clock.nsecsElapsed() / 1e6;
            best[f].save = std::min(best[f].save, saveMs);
            best[f].written = summary.written;
            best[f].unexpectedMessages |= messages.shown.size() != 1;

            const QStringList names = QDir(saved).entryList(QDir::Files, QDir::Name);
            QStringList paths;
            for (const QString& name : names) paths << QDir(saved).filePath(name);
            const std::vector<QByteArray> contents = ReadFiles(paths);
            for (int turn = 0; turn < 2; ++turn) {
                const bool renamed = (turn + round) % 2 == 0;
                const QString folder = base + (renamed ? QStringLiteral("-renamed") : QStringLiteral("-plain"));
                QDir().mkpath(folder);
                const double ms = PlainWrites(folder, names, contents, renamed);
                double& slot = renamed ? best[f].renamed : best[f].plain;
                slot = std::min(slot, ms);
            }
        }
        // The next round starts from an empty work folder, as the first did.
        for (const QString& entry : QDir(work.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            QDir(QDir(work.path()).filePath(entry)).removeRecursively();
    }

    std::printf("Save All of %d open 64 x 64 8-bit images into %s (best of %d rounds)\n", kImages,
                qPrintable(root), rounds);
    std::printf("%-6s %12s %14s %8s %16s %8s %12s %6s\n", "format", "Save All ms", "plain write ms", "ratio",
                "write+rename ms", "ratio", "per file us", "files");
    for (int f = 0; f < 3; ++f) {
        const Best& b = best[f];
        std::printf("%-6s %12.1f %14.1f %7.2fx %16.1f %7.2fx %12.1f %6d%s\n", formats[f].name, b.save, b.plain,
                    b.save / b.plain, b.renamed, b.save / b.renamed, 1000.0 * b.save / kImages, b.written,
                    b.unexpectedMessages ? "  (unexpected messages)" : "");
    }
    vorel::SetMessageService(nullptr);
    return 0;
}
