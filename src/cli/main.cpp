// vorel-find: lists every image Vorel would open in each file, without a display.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <csignal>
#include <optional>
#include <cstdio>
#include <unistd.h>

#include "cli/disc_files.h"
#include "cli/exporter.h"
#include "cli/finder_host.h"
#include "cli/put_back_command.h"
#include "disc/cue_sheet.h"
#include "platform/qsettings_store.h"
#include "search/file_reader.h"
#include "search/search_run.h"

namespace {

using vorel::FoundImage;

constexpr int kExitFound = 0;
constexpr int kExitNone = 1;
constexpr int kExitError = 2;
constexpr int kExitInterrupted = 130;  // as a shell reports a program stopped by Ctrl+C

void OnInterrupt(int) {
    vorel::FinderHost::cancelRequested = 1;
    // A second Ctrl+C does not wait for the next progress point.
    std::signal(SIGINT, SIG_DFL);
}

void PrintTableHeader(bool tsv) {
    if (tsv) {
        std::printf("title\tnumber\tpalette\toffset\tkind\twidth\theight\tpalettes%s\n",
                    vorel::DiscColumnsHeader(tsv).c_str());
    } else {
        std::printf("%-32s %6s %7s %12s %-5s %6s %6s %8s%s\n", "TITLE", "NUMBER", "PALETTE", "OFFSET", "KIND",
                    "WIDTH", "HEIGHT", "PALETTES", vorel::DiscColumnsHeader(tsv).c_str());
    }
}

void PrintImage(const FoundImage& image, bool tsv) {
    if (tsv) {
        std::printf("%s\t%d\t%d\t%lld\t%s\t%d\t%d\t%d%s\n", image.title.c_str(), image.number, image.palette,
                    static_cast<long long>(image.offset), image.kind.c_str(), image.width, image.height,
                    image.palettes, vorel::DiscColumns(image, tsv).c_str());
    } else {
        std::printf("%-32s %6d %7d %12lld %-5s %6d %6d %8d%s\n", image.title.c_str(), image.number, image.palette,
                    static_cast<long long>(image.offset), image.kind.c_str(), image.width, image.height,
                    image.palettes, vorel::DiscColumns(image, tsv).c_str());
    }
    std::fflush(stdout);
}

bool IsDigits(const QString& text) {
    if (text.isEmpty()) return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

QString ProblemText(vorel::SearchProblem problem) {
    switch (problem) {
        case vorel::SearchProblem::kSheetUnreadable: return QStringLiteral("the cue sheet cannot be read");
        case vorel::SearchProblem::kSheetTooLarge:
            return QStringLiteral("not a cue sheet (larger than 1,000,000 bytes)");
        case vorel::SearchProblem::kSheetNamesNoFile: return QStringLiteral("the cue sheet names no data file");
        case vorel::SearchProblem::kFileMissing: return QStringLiteral("named by the cue sheet, but no such file");
        case vorel::SearchProblem::kSheetTooManyFiles: return QStringLiteral("not a cue sheet (names more than 99 files)");
        case vorel::SearchProblem::kNamesItself: return QStringLiteral("the cue sheet names itself");
        case vorel::SearchProblem::kNone: break;
    }
    return {};
}

int Fail(const QString& message) {
    std::fprintf(stderr, "vorel-find: %s\n", qPrintable(message));
    return kExitError;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Talvard"));
    QCoreApplication::setApplicationName(QStringLiteral("Vorel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VOREL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists every PlayStation TIM texture and headerless Windows bitmap that Vorel finds in each FILE.\n"
        "Options override the saved search settings for this run only.\n"
        "Exit status: 0 images found, 1 none found, 2 error, 130 interrupted."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption tsvOption(QStringLiteral("tsv"), QStringLiteral("Tab-separated output with a header line."));
    const QCommandLineOption typeOption(QStringLiteral("type"), QStringLiteral("What to look for: tim, bmp or both."),
                                        QStringLiteral("tim|bmp|both"));
    const QCommandLineOption palettesOption(QStringLiteral("palettes"),
                                            QStringLiteral("One image per palette of a many-palette TIM."));
    const QCommandLineOption chunkOption(QStringLiteral("chunk"),
                                         QStringLiteral("Read the file in chunks of MB million bytes (1 to 10)."),
                                         QStringLiteral("MB"));
    const QCommandLineOption pageOption(QStringLiteral("page"),
                                        QStringLiteral("Divided search: show page P (from 0) of --per-page images."),
                                        QStringLiteral("P"));
    const QCommandLineOption perPageOption(QStringLiteral("per-page"),
                                           QStringLiteral("Divided search: images per page."), QStringLiteral("N"));
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("Write every image found into DIR, one file per image, named by "
                                                      "its title (an existing file of that name is replaced)."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("File format for --out: bmp (default), tif, png, or tim "
                                                         "(each TIM's own bytes; bitmaps are passed over)."),
                                          QStringLiteral("bmp|tif|png|tim"));
    const QCommandLineOption alphaOption(QStringLiteral("alpha"),
                                         QStringLiteral("PNG files: TIM pixels of colour word 0x0000 get alpha 0."));
    const QCommandLineOption sectorsOption(
        QStringLiteral("sectors"),
        QStringLiteral("How to read 2,352-byte CD sectors: auto (raw when the file looks like a raw CD image), "
                       "raw (always) or plain (never)."),
        QStringLiteral("auto|raw|plain"));
    const QCommandLineOption treeOption(
        QStringLiteral("tree"), QStringLiteral("With --out: write each image under DIR/<disc folder>/<disc file>/, "
                                               "mirroring the CD image's files."));
    const QCommandLineOption filesOption(
        QStringLiteral("files"), QStringLiteral("List the files of each CD image (path, first sector, size, images "
                                                "found in it, kind) instead of the images."));
    const QCommandLineOption strictTimOption(
        QStringLiteral("strict-tim"),
        QStringLiteral("Judge TIMs by the strict rules only (flag word exactly 2, 3, 8 or 9, at most 640 x 480): "
                       "images are numbered as in earlier versions, but TIMs that real games ship are passed over."));
    parser.addOptions({tsvOption, typeOption, palettesOption, chunkOption, pageOption, perPageOption, outOption,
                       formatOption, alphaOption, sectorsOption, treeOption, filesOption, strictTimOption});
    const QCommandLineOption threadsOption(
        QStringLiteral("threads"),
        QStringLiteral("Test the bytes with N threads (1 to 8; 1 searches on one thread alone). "
                       "Default: one per processor core, at most 4."),
        QStringLiteral("N"));
    parser.addOption(threadsOption);
    // Putting edited pictures back (see put_back_command.h).
    const QCommandLineOption replaceOption(
        QStringLiteral("replace"), QStringLiteral("Put PICTURE (PNG, BMP or TIFF) back into FILE as the image TITLE."),
        QStringLiteral("TITLE=PICTURE"));
    const QCommandLineOption importOption(
        QStringLiteral("import"), QStringLiteral("Put back every DIR/TITLE.png, .bmp or .tif that differs from its image."),
        QStringLiteral("DIR"));
    const QCommandLineOption dryRunOption(QStringLiteral("dry-run"), QStringLiteral("Say what would change; write nothing."));
    const QCommandLineOption withPaletteOption(
        QStringLiteral("with-palette"), QStringLiteral("Rewrite an indexed image's palette with the picture's colours."));
    parser.addOptions({replaceOption, importOption, dryRunOption, withPaletteOption});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Files to search."), QStringLiteral("FILE..."));
    if (!parser.parse(QCoreApplication::arguments())) return Fail(parser.errorText());
    // Qt's own answer, which adds its options and ends the program.
    if (parser.isSet(QStringLiteral("help-all"))) parser.process(QCoreApplication::arguments());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return kExitFound;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("vorel-find %s\n", VOREL_VERSION);
        return kExitFound;
    }
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) return Fail(QStringLiteral("no FILE given (see --help)"));

    vorel::QSettingsStore userStore;
    vorel::OverlaySettingsStore store(userStore);
    if (parser.isSet(typeOption)) {
        const QString type = parser.value(typeOption);
        const int value = type == u"tim" ? 0 : type == u"bmp" ? 1 : type == u"both" ? 2 : -1;
        if (value < 0) return Fail(QStringLiteral("--type must be tim, bmp or both, not \"%1\"").arg(type));
        vorel::Write(store, vorel::settings::kSearchType, value);
    }
    if (parser.isSet(palettesOption)) vorel::Write(store, vorel::settings::kPaletteImage, 1);
    if (parser.isSet(strictTimOption)) vorel::Write(store, vorel::settings::kStrictTim, 1);
    if (parser.isSet(sectorsOption)) {
        const QString sectors = parser.value(sectorsOption);
        const int value = sectors == u"auto" ? 0 : sectors == u"raw" ? 1 : sectors == u"plain" ? 2 : -1;
        if (value < 0) return Fail(QStringLiteral("--sectors must be auto, raw or plain, not \"%1\"").arg(sectors));
        vorel::Write(store, vorel::settings::kRawSectors, value);
    }
    if (parser.isSet(chunkOption)) {
        const QString mb = parser.value(chunkOption);
        if (!IsDigits(mb) || mb.size() > 2 || mb.toInt() < 1 || mb.toInt() > 10)
            return Fail(QStringLiteral("--chunk must be a whole number from 1 to 10, not \"%1\"").arg(mb));
        vorel::Write(store, vorel::settings::kReadMemorySize, mb.toStdString());
    }
    if (parser.isSet(threadsOption)) {
        const QString n = parser.value(threadsOption);
        if (!IsDigits(n) || n.size() > 1 || n.toInt() < 1 || n.toInt() > 8)
            return Fail(QStringLiteral("--threads must be a whole number from 1 to 8, not \"%1\"").arg(n));
        vorel::Write(store, vorel::settings::kScanThreads, n.toInt());
    }
    if (parser.isSet(pageOption) || parser.isSet(perPageOption)) {
        const QString page = parser.value(pageOption);
        const QString perPage = parser.value(perPageOption);
        bool pageOk = false;
        bool perPageOk = false;
        const int p = page.isEmpty() ? 0 : page.toInt(&pageOk);
        const int n = perPage.isEmpty() ? 50 : perPage.toInt(&perPageOk);
        if ((!page.isEmpty() && (!IsDigits(page) || !pageOk)) || (!perPage.isEmpty() && (!IsDigits(perPage) || !perPageOk)))
            return Fail(QStringLiteral("--page and --per-page take whole numbers of 0 or more"));
        vorel::Write(store, vorel::settings::kDivideSearch, 1);
        vorel::Write(store, vorel::settings::kDivideNum, n);
        vorel::Write(store, vorel::settings::kDividePos, p);
    }

    if (parser.isSet(replaceOption) || parser.isSet(importOption)) {
        if (files.size() != 1) return Fail(QStringLiteral("--replace and --import take exactly one FILE"));
        if (parser.isSet(outOption)) return Fail(QStringLiteral("--out cannot be used with --replace or --import"));
        const vorel::PutBackRequest request{files.front(), parser.values(replaceOption), parser.value(importOption),
                                            parser.isSet(dryRunOption), parser.isSet(withPaletteOption)};
        return vorel::RunPutBack(request, store);
    }
    if (parser.isSet(dryRunOption) || parser.isSet(withPaletteOption))
        return Fail(QStringLiteral("--dry-run and --with-palette go with --replace or --import"));

    std::optional<vorel::Exporter> exporter;
    if ((parser.isSet(formatOption) || parser.isSet(alphaOption)) && !parser.isSet(outOption))
        return Fail(QStringLiteral("--format and --alpha need --out DIR"));
    if (parser.isSet(treeOption) && !parser.isSet(outOption)) return Fail(QStringLiteral("--tree needs --out DIR"));
    if (parser.isSet(outOption)) {
        const QString format = parser.isSet(formatOption) ? parser.value(formatOption).toLower() : QStringLiteral("bmp");
        vorel::ExportFormat kind = vorel::ExportFormat::kBmp;
        if (format == u"tif" || format == u"tiff") {
            kind = vorel::ExportFormat::kTiff;
        } else if (format == u"png" || format == u"tim") {
            kind = format == u"png" ? vorel::ExportFormat::kPng : vorel::ExportFormat::kTim;
        } else if (format != u"bmp") {
            return Fail(QStringLiteral("--format must be bmp, tif, png or tim, not \"%1\"").arg(format));
        }
        if (parser.isSet(alphaOption) && kind != vorel::ExportFormat::kPng)
            return Fail(QStringLiteral("--alpha is for PNG files (--out DIR --format png)"));
        exporter.emplace(parser.value(outOption), kind, parser.isSet(alphaOption), parser.isSet(treeOption));
        QString reason;
        if (!exporter->Prepare(reason)) return Fail(reason);
    }

    const bool tsv = parser.isSet(tsvOption);
    const bool listFiles = parser.isSet(filesOption);
    const bool showProgress = ::isatty(STDERR_FILENO) != 0;
    std::signal(SIGINT, OnInterrupt);

    int images = 0;
    bool failed = false;
    if (listFiles) {
        vorel::PrintDiscFilesHeader(tsv);
    } else {
        PrintTableHeader(tsv);
    }
    std::fflush(stdout);
    for (const QString& file : files) {
        // A cue sheet stands for the files it names; anything else for itself.
        for (const vorel::SearchTarget& target : vorel::PlanSearch(QFile::encodeName(file).toStdString())) {
            const QString name = QFile::decodeName(QByteArray::fromStdString(target.path));
            if (target.problem != vorel::SearchProblem::kNone) {
                Fail(QStringLiteral("%1: %2").arg(name, ProblemText(target.problem)));
                failed = true;
                continue;
            }
            {
                // The scanners stay silent about files they cannot read; the finder says why.
                vorel::FileReader probe;
                if (!probe.Open(target.path)) {
                    const QFileInfo info(name);
                    const QString reason = !info.exists()  ? QStringLiteral("no such file")
                                           : info.isDir()  ? QStringLiteral("is a folder")
                                           : !info.isFile() ? QStringLiteral("not a regular file")
                                                            : QStringLiteral("cannot be read");
                    Fail(QStringLiteral("%1: %2").arg(name, reason));
                    failed = true;
                    continue;
                }
            }
            vorel::DiscMap disc;
            vorel::LoadDiscFiles(disc, target, store, name);
            vorel::SearchState state;
            vorel::FinderHost host(store, showProgress, [&](const FoundImage& image, const vorel::Dib& dib,
                                                            const vorel::SearchState& hit) {
                if (!listFiles) PrintImage(image, tsv);
                if (exporter) exporter->Write(image, dib, hit, target.path);
            });
            host.SetDiscMap(&disc);
            vorel::RunSearchScans(state, host, store, target);
            if (listFiles) vorel::PrintDiscFiles(disc, host.ImagesPerDiscFile(), tsv);
            images += host.ImagesFound();
            std::fprintf(stderr, "%s: %s\n", qPrintable(name), vorel::ClosingMessage(state, store).c_str());
            if (vorel::FinderHost::cancelRequested != 0) break;
        }
        if (vorel::FinderHost::cancelRequested != 0) break;
    }
    if (exporter) {
        std::fprintf(stderr, "%d files written to %s", exporter->Written(), qPrintable(parser.value(outOption)));
        if (exporter->PassedOver() != 0) std::fprintf(stderr, ", %d passed over", exporter->PassedOver());
        if (exporter->Failed() != 0) std::fprintf(stderr, ", %d failed", exporter->Failed());
        std::fputc('\n', stderr);
        failed = failed || exporter->Failed() != 0;
    }
    if (vorel::FinderHost::cancelRequested != 0) {
        std::fputs("vorel-find: interrupted\n", stderr);
        return kExitInterrupted;
    }
    if (failed) return kExitError;
    return images > 0 ? kExitFound : kExitNone;
}
