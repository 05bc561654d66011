#include "app/replace_command.h"

#include <QFileInfo>
#include <cstring>

#include "app/child_frame.h"
#include "app/doc_template.h"
#include "app/vorel_app.h"
#include "docview/ui/vorel_doc.h"
#include "docview/ui/vorel_view.h"
#include "export/image_provenance.h"
#include "export/put_back.h"
#include "export/rewrite_file.h"
#include "export/ui/picture_file.h"
#include "export/ui/save_folder.h"
#include "ui/file_dialog_service.h"
#include "ui/message_service.h"
#include "ui/wait_cursor.h"

namespace vorel::app {
namespace {

const QString kCannotReplace = QStringLiteral("ｲﾒｰｼﾞを置換できません。\n%1\nﾌｧｲﾙは変更していません。");

QString OffsetText(std::int64_t offset) {
    return QStringLiteral("0x%1").arg(offset, 8, 16, QLatin1Char('0'));
}

// A PNG exported from one image, chosen for another: titles follow the search's
// settings, so the same name may stand for another image now.
QString OtherImageReason(const PngProvenance& from, const ImageRecord& target) {
    return QStringLiteral("このﾋﾟｸﾁｬは別のｲﾒｰｼﾞから書き出されています\n"
                          "書き出し元: %1 ｵﾌｾｯﾄ %2 (%3)\nこのｲﾒｰｼﾞ: ｵﾌｾｯﾄ %4 (%5)")
        .arg(QString::fromStdString(from.sourceName), OffsetText(from.offset), QString::fromStdString(from.kind),
             OffsetText(target.fileOffset), QString::fromStdString(ImageKindText(target)));
}

void Refuse(const QString& reason) {
    Messages().ShowMessage(kCannotReplace.arg(reason), MessageIcon::Exclamation);
}

QString ReasonOf(RewriteOutcome outcome) {
    switch (outcome) {
        case RewriteOutcome::kFileChanged: return QStringLiteral("ﾌｧｲﾙが検索の後で変更されています");
        case RewriteOutcome::kNotRegularFile: return QStringLiteral("通常のﾌｧｲﾙではありません");
        case RewriteOutcome::kReadOnlyFile: return QStringLiteral("ﾌｧｲﾙは読み取り専用です");
        case RewriteOutcome::kReadOnlyFileSystem: return QStringLiteral("ﾌｧｲﾙｼｽﾃﾑが読み取り専用です");
        case RewriteOutcome::kFolderNotWritable: return QStringLiteral("ﾌｫﾙﾀﾞに新しいﾌｧｲﾙを作れません");
        case RewriteOutcome::kHardLinks: return QStringLiteral("ﾌｧｲﾙに複数の名前(ﾊｰﾄﾞﾘﾝｸ)があります");
        case RewriteOutcome::kNoSpace: return QStringLiteral("ﾃﾞｨｽｸの空き容量が足りません");
        case RewriteOutcome::kPastEndOfFile: return QStringLiteral("ｲﾒｰｼﾞがﾌｧｲﾙの終わりで切れています");
        case RewriteOutcome::kSectorNotSealable: return QStringLiteral("変更するｾｸﾀのｴﾗｰ訂正符号を計算できません");
        case RewriteOutcome::kReadFailed: return QStringLiteral("ﾌｧｲﾙを読めません");
        case RewriteOutcome::kWriteFailed: return QStringLiteral("新しいﾌｧｲﾙを書き込めません");
        case RewriteOutcome::kCheckFailed: return QStringLiteral("書き込んだｲﾒｰｼﾞが指定したﾋﾟｸﾁｬと一致しません");
        case RewriteOutcome::kAppendOnly: return QStringLiteral("ﾌｧｲﾙは追記専用か変更不可です (chattr +a, +i)");
        case RewriteOutcome::kAttributesNotCopied: return QStringLiteral("ﾌｧｲﾙの拡張属性 (ACL) を新しいﾌｧｲﾙに付けられません");
        case RewriteOutcome::kInterrupted: return QStringLiteral("中断しました");
        case RewriteOutcome::kMixedFiles:
        case RewriteOutcome::kRewritten: break;
    }
    return QStringLiteral("書き込みに失敗しました");
}

// The reason with its details: the space needed and free, or the system's own words.
QString ReasonOf(RewriteOutcome outcome, const RewriteReport& report) {
    QString reason = ReasonOf(outcome);
    if (outcome == RewriteOutcome::kNoSpace && report.needed != 0) {
        reason += QStringLiteral(" (必要: %1, 空き: %2)")
                      .arg(QString::fromStdString(ByteCountText(report.needed)),
                           QString::fromStdString(ByteCountText(report.available)));
    } else if (report.error != 0) {
        reason += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(report.error)));
    }
    return reason;
}

QString ReasonOf(RereadOutcome outcome) {
    switch (outcome) {
        case RereadOutcome::kFileChanged: return ReasonOf(RewriteOutcome::kFileChanged);
        case RereadOutcome::kReadFailed: return ReasonOf(RewriteOutcome::kReadFailed);
        case RereadOutcome::kImageGone: return QStringLiteral("ｲﾒｰｼﾞがﾌｧｲﾙにもうありません");
        case RereadOutcome::kNoMemory: return QStringLiteral("ﾒﾓﾘが足りません");
        case RereadOutcome::kOk: break;
    }
    return {};
}

// Writes `bytes` over the image `record` names; on success `record` takes the file's new stamp, and so
// does every other open document of that file that still had the old one.
bool Rewrite(CVorelApp& app, ImageRecord& record, std::vector<std::uint8_t> bytes) {
    RewriteOutcome outcome;
    RewriteReport report;
    {
        const WaitCursor wait;
        const ImagePatch patch{record, std::move(bytes)};
        outcome = RewriteImages({&patch, 1}, &report);
    }
    if (outcome != RewriteOutcome::kRewritten) {
        Refuse(ReasonOf(outcome, report));
        return false;
    }
    const FileStamp old = record.stamp;
    const FileStamp now = StampOfFile(record.path);
    record.stamp = now;
    for (CChildFrame* frame : app.DocTemplate()->Frames()) {
        CVorelDoc* other = frame->GetDocument();
        if (other && other->m_record.path == record.path && other->m_record.stamp == old) other->m_record.stamp = now;
    }
    return true;
}

// Shows the image as the file now holds it in the document's window.
void ShowFromFile(CVorelApp& app, CVorelDoc& doc) {
    SearchState state;
    const RereadOutcome again = ReadImageAgain(doc.m_record, state);
    const bool shown = again == RereadOutcome::kOk && doc.OnOpenDocument(doc.GetFilePath(), state, app.Store());
    if (!shown) {
        Messages().ShowMessage(QStringLiteral("置換したｲﾒｰｼﾞを読み直せません。\n") + ReasonOf(again),
                               MessageIcon::Exclamation);
        return;
    }
    for (CChildFrame* frame : app.DocTemplate()->Frames()) {
        if (frame->GetDocument() != &doc || !frame->GetView()) continue;
        frame->GetView()->ReapplyViewMode();
        frame->GetView()->viewport()->update();
    }
}

}  // namespace

bool CanReplaceImage(const CVorelDoc* doc) { return doc && !doc->m_record.path.empty() && !doc->m_hDIB.IsNull(); }

void ReplaceHistory::ReplaceImage(CVorelApp& app, CVorelDoc& doc) {
    if (!CanReplaceImage(&doc)) return;
    // Where the save dialogs open: the folder last saved into, else the searched file's.
    const QString start = vorel::ui::SaveDialogFolder(doc.GetFilePath());
    const std::optional<QString> chosen = FileDialogs().GetOpenFileName(
        start, QStringLiteral("ﾋﾟｸﾁｬ (PNG, BMP, TIFF)|*.png;*.bmp;*.tif;*.tiff|全ﾌｧｲﾙ(*.*)|*.*|"));
    if (!chosen || chosen->isEmpty()) return;

    PictureRgba picture;
    QString reason;
    SearchState found;
    Conversion plain;
    Conversion withPalette;
    {
        const WaitCursor wait;
        if (!vorel::ui::ReadPictureFile(*chosen, picture, reason)) {
            Refuse(reason);
            return;
        }
        if (FromAnotherImage(picture, doc.m_record)) {
            Refuse(OtherImageReason(*picture.provenance, doc.m_record));
            return;
        }
        const RereadOutcome again = ReadImageAgain(doc.m_record, found);
        if (again != RereadOutcome::kOk) {
            Refuse(ReasonOf(again));
            return;
        }
        plain = ConvertPicture(found, picture, false);
        withPalette = ConvertPicture(found, picture, true);
    }
    if (plain.outcome == ConvertOutcome::kWrongSize) {
        Refuse(QStringLiteral("ﾋﾟｸﾁｬのｻｲｽﾞ (%1 x %2) がｲﾒｰｼﾞのｻｲｽﾞ (%3 x %4) と違います")
                   .arg(picture.width).arg(picture.height).arg(doc.m_record.width).arg(doc.m_record.height));
        return;
    }
    if (plain.outcome != ConvertOutcome::kConverted) {
        Refuse(QStringLiteral("ﾋﾟｸﾁｬをｲﾒｰｼﾞに変換できません"));
        return;
    }

    QString text = QStringLiteral("次のﾋﾟｸﾁｬでｲﾒｰｼﾞを置換します。\n\nﾀｲﾄﾙ: %1\nｻｲｽﾞ: %2 x %3\n色数: %4\n")
                       .arg(doc.GetTitle()).arg(picture.width).arg(picture.height).arg(plain.colours);
    const QString paletteToo = QStringLiteral("ﾊﾟﾚｯﾄも置換する");
    if (plain.paletteSize > 0) {
        // A rewritten palette holds every colour of the picture: no pixel takes a near one.
        const QString withIt = withPalette.paletteTooSmall   ? QStringLiteral("色数がﾊﾟﾚｯﾄより多い")
                               : withPalette.paletteRewritten ? QStringLiteral("ﾊﾟﾚｯﾄを書き換える")
                                                              : QString::number(withPalette.nearest);
        text += QStringLiteral("近い色に置き換えるﾋﾟｸｾﾙ: %1 (%2: %3)\n").arg(plain.nearest).arg(paletteToo, withIt);
    }
    text += QStringLiteral("書き換えるﾌｧｲﾙ: %1\n\nよろしいですか?").arg(QString::fromStdString(doc.m_record.path));
    bool withPaletteChecked = false;
    if (Messages().AskWithCheckBox(text, paletteToo, withPaletteChecked) != MessageAnswer::Yes) return;
    const Conversion& chosenConversion = withPaletteChecked && plain.paletteSize > 0 ? withPalette : plain;
    const ByteSpan hit = found.Hit();
    if (std::equal(hit.begin(), hit.end(), chosenConversion.bytes.begin(), chosenConversion.bytes.end())) {
        Messages().ShowMessage(QStringLiteral("ﾋﾟｸﾁｬはｲﾒｰｼﾞと同じです。ﾌｧｲﾙは変更していません。"), MessageIcon::Information);
        return;
    }
    Entry entry{doc.m_record, std::vector<std::uint8_t>(hit.begin(), hit.end()), &doc};
    const FileStamp old = entry.record.stamp;
    if (!Rewrite(app, entry.record, chosenConversion.bytes)) return;
    FollowStamp(entry.record.path, old, entry.record.stamp);
    doc.m_record = entry.record;
    entries_.push_back(std::move(entry));
    ShowFromFile(app, doc);
}

void ReplaceHistory::FollowStamp(const std::string& path, const FileStamp& old, const FileStamp& now) {
    for (Entry& e : entries_)
        if (e.record.path == path && e.record.stamp == old) e.record.stamp = now;
}

void ReplaceHistory::Undo(CVorelApp& app) {
    if (entries_.empty()) return;
    Entry& last = entries_.back();
    // The file must still be as the replacement left it (its stamp says so), or nothing is written.
    const FileStamp old = last.record.stamp;
    if (!Rewrite(app, last.record, last.before)) return;
    FollowStamp(last.record.path, old, last.record.stamp);
    if (last.doc) {
        last.doc->m_record = last.record;
        ShowFromFile(app, *last.doc);
    }
    entries_.pop_back();
}

}  // namespace vorel::app
