#include "list/ui/image_list_model.h"

#include <QFileInfo>
#include <algorithm>

#include "disc/disc_map.h"
#include "export/image_provenance.h"

namespace vorel::ui {

QString KindText(const ImageRecord& record) {
    return QString::fromStdString(ImageKindText(record));
}

namespace {

QVariant ColumnText(const CImageListModel& model, const ImageListEntry& e, int column) {
    switch (column) {
        case CImageListModel::kTitle: return e.title;
        case CImageListModel::kKind: return KindText(e.record);
        case CImageListModel::kWidth: return e.record.width;
        case CImageListModel::kHeight: return e.record.height;
        case CImageListModel::kPalettes: return e.record.paletteCount;
        case CImageListModel::kOffset: return QStringLiteral("0x%1").arg(e.record.fileOffset, 8, 16, QLatin1Char('0'));
        case CImageListModel::kFile: return model.FileText(e);
        case CImageListModel::kDiscFile:
            return e.discFile.isEmpty() ? QString()
                                        : QString::fromStdString(LongDiscText(e.discFile.toStdString(), e.discOffset));
        default: return {};
    }
}

}  // namespace

bool CImageListModel::EntryLess(const ImageListEntry& a, const ImageListEntry& b, int column) {
    const ImageRecord& x = a.record;
    const ImageRecord& y = b.record;
    switch (column) {
        case kKind:
            if (x.sourceType != y.sourceType) return x.sourceType < y.sourceType;
            return x.bitCount < y.bitCount;
        case kWidth: return x.width < y.width;
        case kHeight: return x.height < y.height;
        case kPalettes: return x.paletteCount < y.paletteCount;
        case kOffset: return x.fileOffset < y.fileOffset;
        case kFile:
            if (a.file != b.file) return a.file < b.file;
            return x.fileOffset < y.fileOffset;
        case kDiscFile:
            if (a.discFile != b.discFile) return a.discFile < b.discFile;
            return a.discOffset < b.discOffset;
        default:
            // Titles are the file and the numbers: DATA_010 comes after DATA_009
            // and before DATA_1000, as the search numbered them.
            if (a.file != b.file) return a.file < b.file;
            if (x.imageNo != y.imageNo) return x.imageNo < y.imageNo;
            return x.paletteIndex < y.paletteIndex;
    }
}

CImageListModel::CImageListModel(QObject* parent) : QAbstractTableModel(parent) {}

int CImageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int CImageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CImageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ImageListEntry& e = Entry(index.row());
    switch (role) {
        case Qt::DisplayRole: return ColumnText(*this, e, index.column());
        // A screen reader names every entry after its title, in either view.
        case Qt::AccessibleTextRole: return index.column() == kTitle ? e.title : ColumnText(*this, e, index.column());
        case Qt::ToolTipRole: return e.file;
        case Qt::TextAlignmentRole:
            return index.column() == kTitle || index.column() == kFile || index.column() == kKind ||
                           index.column() == kDiscFile
                       ? QVariant()
                       : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        case kEntryIdRole: return e.id;
        case kKindRole: return KindText(e.record);
        default: return {};
    }
}

QVariant CImageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) return {};
    static const char* const kHeaders[kColumnCount] = {"ﾀｲﾄﾙ", "種類", "幅", "高さ", "ﾊﾟﾚｯﾄ", "ｵﾌｾｯﾄ", "検索ﾌｧｲﾙ", "ﾃﾞｨｽｸ内ﾌｧｲﾙ"};
    if (section < 0 || section >= kColumnCount) return {};
    return QString::fromUtf8(kHeaders[section]);
}

void CImageListModel::Append(std::vector<ImageListEntry> entries) {
    if (entries.empty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
    const std::size_t start = entries_.size();
    for (ImageListEntry& e : entries) {
        e.id = nextId_++;
        entries_.push_back(std::move(e));
    }
    NoteFiles(start);
    endInsertRows();
}

void CImageListModel::NoteFiles(std::size_t first) {
    // A search's entries share one file: look at each run of them once.
    bool newlyShared = false;
    const QString* last = nullptr;
    for (std::size_t i = first; i < entries_.size(); ++i) {
        const QString& file = entries_[i].file;
        if (last && *last == file) continue;
        last = &file;
        QSet<QString>& files = filesByName_[QFileInfo(file).fileName()];
        const qsizetype before = files.size();
        files.insert(file);
        newlyShared = newlyShared || (before == 1 && files.size() == 2);
    }
    // Entries already listed now show their folder too.
    if (newlyShared && first > 0)
        emit dataChanged(index(0, kFile), index(static_cast<int>(first) - 1, kFile), {Qt::DisplayRole});
}

QString CImageListModel::FileText(const ImageListEntry& entry) const {
    const QFileInfo info(entry.file);
    const QString name = info.fileName();
    if (filesByName_.value(name).size() < 2) return name;
    return QStringLiteral("%1 (%2)").arg(name, info.path());
}

void CImageListModel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the end, one run of neighbouring rows at a time, so each removal
    // leaves the rows still to go where they were.
    for (auto it = rows.rbegin(); it != rows.rend();) {
        const int last = *it;
        int first = last;
        while (++it != rows.rend() && *it == first - 1) first = *it;
        if (first < 0 || last >= rowCount()) continue;
        beginRemoveRows({}, first, last);
        entries_.erase(entries_.begin() + first, entries_.begin() + last + 1);
        endRemoveRows();
    }
    // A name no longer shared shows without its folder again.
    filesByName_.clear();
    NoteFiles(0);
    if (!entries_.empty()) emit dataChanged(index(0, kFile), index(rowCount() - 1, kFile), {Qt::DisplayRole});
}

void CImageListModel::Clear() {
    if (entries_.empty()) return;
    beginResetModel();
    entries_.clear();
    entries_.shrink_to_fit();
    filesByName_.clear();
    endResetModel();
}

int CImageListModel::RowOfDocument(const CVorelDoc* doc) const {
    if (!doc) return -1;
    // The newest entries are the likeliest: a window just opened or activated.
    for (std::size_t i = entries_.size(); i-- > 0;) {
        if (entries_[i].doc.data() == doc) return static_cast<int>(i);
    }
    return -1;
}

void CImageListModel::SetDocument(int row, CVorelDoc* doc) {
    if (row < 0 || row >= rowCount()) return;
    entries_[static_cast<std::size_t>(row)].doc = doc;
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

}  // namespace vorel::ui
