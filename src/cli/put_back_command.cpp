#include "cli/put_back_command.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

#include "cli/finder_host.h"
#include "cli/png_export.h"
#include "disc/cue_sheet.h"
#include "export/image_provenance.h"
#include "export/put_back.h"
#include "export/replacement_file.h"
#include "export/rewrite_file.h"
#include "search/image_record.h"
#include "search/search_run.h"

namespace vorel {
namespace {

constexpr int kExitDone = 0;
constexpr int kExitRefused = 2;
constexpr int kExitInterrupted = 130;  // as the listing's Ctrl+C

// Ctrl+C stops the run before anything more is written, and its exit status says
// so; SIGTERM and SIGHUP end it at once, as they would any program. Either way
// the copy being made goes with it: it has no name, or its name is removed here.
extern "C" void OnPutBackSignal(int signal) {
    RemoveReplacementNameNow();
    if (signal == SIGINT && FinderHost::cancelRequested == 0) {
        FinderHost::cancelRequested = 1;
        RequestRewriteStop();
        return;
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// The finder's own tests make a real run pause or find no space at a chosen moment of its rewrite.
std::optional<ScopedRewriteFault> TestFault() {
    const QByteArray asked = qgetenv("VOREL_TEST_REWRITE_FAULT");
    if (asked == "pause-copy") return std::optional<ScopedRewriteFault>(std::in_place, RewriteFault::kPauseWhileCopying);
    if (asked == "pause-rename") return std::optional<ScopedRewriteFault>(std::in_place, RewriteFault::kPauseBeforeRename);
    if (asked == "no-space") return std::optional<ScopedRewriteFault>(std::in_place, RewriteFault::kNoSpace);
    return std::nullopt;
}

// Keeps the record of every image the search lists, under its title.
class RecordingFinderHost : public FinderHost {
  public:
    explicit RecordingFinderHost(const ISettingsStore& store)
        : FinderHost(store, false, [this](const FoundImage& image, const Dib&, const SearchState&) { lastTitle_ = image.title; }) {}
    DocumentRef OpenDocument(const SearchState& state, std::string_view path) override {
        lastTitle_.clear();
        DocumentRef doc = FinderHost::OpenDocument(state, path);
        if (!lastTitle_.empty()) records.emplace(QString::fromStdString(lastTitle_).toLower(), RecordOfHit(state, path));
        return doc;
    }
    std::map<QString, ImageRecord> records;  // by title without case, as the exported file names

  private:
    std::string lastTitle_;
};

struct Item {
    QString title;
    QString picture;
    QString refusal;  // empty when accepted
    bool skipped = false;  // a picture of --import DIR named after no image
    bool unchanged = false;
    Conversion conversion;
    ImageRecord record;
};

struct PictureReader {
    ReadPictureFunction* read = nullptr;
    FreePictureFunction* release = nullptr;
    QString error;

    bool Load() {
        const QString binDir = QCoreApplication::applicationDirPath();
        QStringList errors;
        for (const QString& dir : {binDir, QDir::cleanPath(binDir + u'/' + QLatin1StringView(VOREL_PLUGIN_DIR_FROM_BIN))}) {
            QLibrary plugin(dir + u'/' + QLatin1StringView(kPngPluginName));
            read = reinterpret_cast<ReadPictureFunction*>(plugin.resolve(kReadPictureSymbol));
            release = reinterpret_cast<FreePictureFunction*>(plugin.resolve(kFreePictureSymbol));
            if (read != nullptr && release != nullptr) return true;  // stays loaded for the run
            errors.append(plugin.errorString());
        }
        error = QStringLiteral("pictures cannot be read: %1").arg(errors.join(QStringLiteral("; ")));
        return false;
    }

    bool Read(const QString& path, PictureRgba& out, QString& reason) const {
        PluginPicture p;
        char message[512] = {};
        if (read(QFile::encodeName(path).constData(), &p, message, sizeof message) != 0) {
            reason = QString::fromUtf8(message);
            return false;
        }
        out.width = p.width;
        out.height = p.height;
        out.pixels.assign(p.rgba, p.rgba + static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height) * 4);
        for (int i = 0; i < p.paletteSize; ++i)
            out.palette.push_back({p.palette[4 * i], p.palette[4 * i + 1], p.palette[4 * i + 2], p.palette[4 * i + 3]});
        p.provenance[sizeof p.provenance - 1] = '\0';
        if (p.provenance[0] != '\0') out.provenance = ParseProvenance(p.provenance);
        release(&p);
        return true;
    }
};

QString ConvertRefusal(const Conversion& c, const ImageRecord& r, const PictureRgba& p) {
    switch (c.outcome) {
        case ConvertOutcome::kConverted: return {};
        case ConvertOutcome::kWrongSize:
            return QStringLiteral("the picture is %1 x %2, the image %3 x %4").arg(p.width).arg(p.height).arg(r.width).arg(r.height);
        case ConvertOutcome::kBadPicture: return QStringLiteral("the picture cannot be read");
        case ConvertOutcome::kNoPalette: return QStringLiteral("the image's palette lies outside the file");
        case ConvertOutcome::kNoMemory: return QStringLiteral("out of memory");
        case ConvertOutcome::kNotAnImage: break;
    }
    return QStringLiteral("the image is no longer in the file");
}

QString RereadRefusal(RereadOutcome outcome) {
    switch (outcome) {
        case RereadOutcome::kFileChanged: return QStringLiteral("the file changed since it was searched");
        case RereadOutcome::kReadFailed: return QStringLiteral("the file could not be read");
        case RereadOutcome::kImageGone: return QStringLiteral("the image is no longer in the file");
        case RereadOutcome::kNoMemory: return QStringLiteral("out of memory");
        case RereadOutcome::kOk: break;
    }
    return {};
}

// The pictures of --import: TITLE.png, .bmp or .tif (any case) in DIR.
QList<QPair<QString, QString>> PicturesIn(const QString& folder) {
    QList<QPair<QString, QString>> out;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& info : entries) {
        const QString suffix = info.suffix().toLower();
        if (suffix == u"png" || suffix == u"bmp" || suffix == u"tif" || suffix == u"tiff")
            out.append({info.completeBaseName(), info.filePath()});
    }
    return out;
}

void PrintLine(const Item& item, const char* verb, const QString& detail) {
    std::printf("%s\t%s\t%s\t%s\n", verb, qPrintable(item.title), qPrintable(item.picture), qPrintable(detail));
}

QString Details(const Conversion& c) {
    QString text = QStringLiteral("%1 colours").arg(c.colours);
    // A rewritten palette holds every colour of the picture: no pixel took another.
    if (c.paletteSize > 0 && !c.paletteRewritten)
        text += QStringLiteral(", %1 pixels took the nearest palette colour").arg(c.nearest);
    if (c.paletteRewritten) text += QStringLiteral(", palette rewritten");
    if (c.paletteTooSmall)
        text += QStringLiteral(", palette kept (the picture has more colours than its %1)").arg(c.paletteSize);
    return text;
}

}  // namespace

int RunPutBack(const PutBackRequest& request, const ISettingsStore& store) {
    QList<QPair<QString, QString>> asked;  // title, picture
    qsizetype imported = 0;                // the last `imported` of them come from --import DIR
    for (const QString& pair : request.replacements) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq <= 0 || eq == pair.size() - 1) {
            std::fprintf(stderr, "vorel-find: --replace takes TITLE=PICTURE, not \"%s\"\n", qPrintable(pair));
            return kExitRefused;
        }
        asked.append({pair.left(eq), pair.mid(eq + 1)});
    }
    if (!request.importFolder.isEmpty()) {
        if (!QFileInfo(request.importFolder).isDir()) {
            std::fprintf(stderr, "vorel-find: %s: no such folder\n", qPrintable(request.importFolder));
            return kExitRefused;
        }
        const auto pictures = PicturesIn(request.importFolder);
        imported = pictures.size();
        asked.append(pictures);
    }
    const QFileInfo file(request.file);
    if (!file.exists() || file.isDir()) {
        std::fprintf(stderr, "vorel-find: %s: %s\n", qPrintable(request.file), file.isDir() ? "is a folder" : "no such file");
        return kExitRefused;
    }
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, OnPutBackSignal);
    const std::optional<ScopedRewriteFault> testFault = TestFault();
    PictureReader reader;
    if (!reader.Load()) {
        std::fprintf(stderr, "vorel-find: %s\n", qPrintable(reader.error));
        return kExitRefused;
    }

    // The images as listed, with their records.
    RecordingFinderHost host(store);
    for (const SearchTarget& target : PlanSearch(QFile::encodeName(request.file).toStdString())) {
        if (target.problem != SearchProblem::kNone) {
            std::fprintf(stderr, "vorel-find: %s: the cue sheet cannot be followed\n", target.path.c_str());
            return kExitRefused;
        }
        SearchState state;
        RunSearchScans(state, host, store, target);
    }
    if (FinderHost::cancelRequested != 0) {
        std::fputs("vorel-find: interrupted; nothing was written\n", stderr);
        return kExitInterrupted;
    }

    std::vector<Item> items;
    for (qsizetype i = 0; i < asked.size(); ++i) {
        const auto& [title, picture] = asked[i];
        Item item{title, picture, {}, false, false, {}, {}};
        const auto found = host.records.find(title.toLower());
        const bool twice = std::count_if(asked.begin(), asked.end(),
                                         [&](const auto& a) { return a.first.toLower() == title.toLower(); }) > 1;
        PictureRgba pixels;
        QString reason;
        if (twice) {
            item.refusal = QStringLiteral("more than one picture for this image");
        } else if (found == host.records.end() && i >= asked.size() - imported) {
            item.skipped = true;  // another file of the folder, not an exported picture
        } else if (found == host.records.end()) {
            item.refusal = QStringLiteral("no image of that title in %1").arg(request.file);
        } else if (!reader.Read(picture, pixels, reason)) {
            item.refusal = reason;
        } else if (FromAnotherImage(pixels, found->second)) {
            // Titles follow the search's settings; the offset and kind do not.
            const PngProvenance& from = *pixels.provenance;
            item.refusal = QStringLiteral("the picture was exported from another image (%1, offset %2, %3), "
                                          "not from this one (offset %4, %5)")
                               .arg(QString::fromStdString(from.sourceName))
                               .arg(from.offset)
                               .arg(QString::fromStdString(from.kind))
                               .arg(found->second.fileOffset)
                               .arg(QString::fromStdString(ImageKindText(found->second)));
        } else {
            item.record = found->second;
            SearchState state;
            const RereadOutcome again = ReadImageAgain(item.record, state);
            if (again != RereadOutcome::kOk) {
                item.refusal = RereadRefusal(again);
            } else {
                item.conversion = ConvertPicture(state, pixels, request.withPalette);
                item.refusal = ConvertRefusal(item.conversion, item.record, pixels);
                const ByteSpan hit = state.Hit();
                item.unchanged = item.refusal.isEmpty() &&
                                 std::equal(hit.begin(), hit.end(), item.conversion.bytes.begin(), item.conversion.bytes.end());
            }
        }
        items.push_back(std::move(item));
    }

    const bool anyRefused = std::any_of(items.begin(), items.end(), [](const Item& i) { return !i.refusal.isEmpty(); });
    // One rewrite per file, every picture of that file in it.
    std::map<std::string, std::vector<ImagePatch>> byFile;
    std::map<std::string, QString> failure;
    std::map<std::string, QString> interrupted;
    if (!anyRefused) {
        for (Item& item : items)
            if (!item.unchanged && !item.skipped) byFile[item.record.path].push_back({item.record, item.conversion.bytes});
        // A dry run checks all a real one checks before it writes, the free space included.
        for (const auto& [path, patches] : byFile) {
            RewriteReport report;
            const RewriteOutcome outcome = request.dryRun ? CheckRewrite(patches, &report) : RewriteImages(patches, &report);
            const QString message = QString::fromStdString(RewriteMessage(outcome, report));
            if (outcome == RewriteOutcome::kInterrupted) {
                interrupted[path] = message;
            } else if (outcome != RewriteOutcome::kRewritten) {
                failure[path] = message;
            }
        }
    }
    for (const Item& item : items) {
        if (!item.refusal.isEmpty()) {
            PrintLine(item, "refused", item.refusal);
        } else if (item.skipped) {
            PrintLine(item, "skipped", QStringLiteral("no image of that title"));
        } else if (item.unchanged) {
            PrintLine(item, "unchanged", QStringLiteral("the picture is the image as found"));
        } else if (anyRefused) {
            PrintLine(item, "not-written", QStringLiteral("another picture was refused; nothing was written"));
        } else if (const auto f = failure.find(item.record.path); f != failure.end()) {
            PrintLine(item, "refused", f->second);
        } else if (const auto i = interrupted.find(item.record.path); i != interrupted.end()) {
            PrintLine(item, "not-written", i->second);
        } else if (request.dryRun) {
            PrintLine(item, "would-replace", Details(item.conversion));
        } else {
            PrintLine(item, "replaced", Details(item.conversion));
        }
    }
    std::fflush(stdout);
    if (!interrupted.empty()) {
        std::fputs("vorel-find: interrupted\n", stderr);
        return kExitInterrupted;
    }
    return anyRefused || !failure.empty() ? kExitRefused : kExitDone;
}

}  // namespace vorel
