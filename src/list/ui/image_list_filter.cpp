#include "list/ui/image_list_filter.h"

#include <algorithm>

#include "list/ui/image_list_model.h"

namespace vorel::ui {

CImageListFilter::CImageListFilter(CImageListModel* model, QObject* parent)
    : QAbstractProxyModel(parent), model_(model) {
    QAbstractProxyModel::setSourceModel(model);
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { SourceRowsInserted(first, last); });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { SourceRowsAboutToBeRemoved(first, last); });
    connect(model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { SourceRowsRemoved(first, last); });
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        shown_.clear();
        rowShown_.assign(static_cast<std::size_t>(model_->rowCount()), -1);
        for (int row = 0; row < model_->rowCount(); ++row) {
            if (!Accepts(row)) continue;
            rowShown_[static_cast<std::size_t>(row)] = static_cast<int>(shown_.size());
            shown_.push_back(row);
        }
        std::sort(shown_.begin(), shown_.end(), [this](int a, int b) { return Before(a, b); });
        for (std::size_t i = 0; i < shown_.size(); ++i) rowShown_[static_cast<std::size_t>(shown_[i])] = static_cast<int>(i);
        endResetModel();
    });
    connect(model, &QAbstractItemModel::dataChanged, this, &CImageListFilter::SourceDataChanged);
    if (model_->rowCount() > 0) SourceRowsInserted(0, model_->rowCount() - 1);
}

// --- what is shown, in which order --------------------------------------------

bool CImageListFilter::Accepts(int sourceRow) const {
    const ImageListEntry& e = model_->Entry(sourceRow);
    if (minimumSize_ > 0 && (e.record.width < minimumSize_ || e.record.height < minimumSize_)) return false;
    if (!hiddenKinds_.isEmpty() && hiddenKinds_.contains(KindText(e.record))) return false;
    if (text_.isEmpty()) return true;
    return e.title.contains(text_, Qt::CaseInsensitive) || e.file.contains(text_, Qt::CaseInsensitive) ||
           e.discFile.contains(text_, Qt::CaseInsensitive);
}

bool CImageListFilter::Before(int a, int b) const {
    if (sortColumn_ >= 0) {
        const ImageListEntry& x = model_->Entry(sortOrder_ == Qt::AscendingOrder ? a : b);
        const ImageListEntry& y = model_->Entry(sortOrder_ == Qt::AscendingOrder ? b : a);
        if (CImageListModel::EntryLess(x, y, sortColumn_)) return true;
        if (CImageListModel::EntryLess(y, x, sortColumn_)) return false;
    }
    return a < b;  // ties, either way round, in the order found
}

void CImageListFilter::SetText(const QString& text) {
    if (text_ == text) return;
    text_ = text;
    Rebuild();
}

void CImageListFilter::SetKindShown(const QString& kind, bool shown) {
    if (IsKindShown(kind) == shown) return;
    if (shown)
        hiddenKinds_.remove(kind);
    else
        hiddenKinds_.insert(kind);
    Rebuild();
}

void CImageListFilter::SetMinimumSize(int size) {
    size = std::max(0, size);
    if (minimumSize_ == size) return;
    minimumSize_ = size;
    Rebuild();
}

void CImageListFilter::sort(int column, Qt::SortOrder order) {
    sortColumn_ = column >= 0 && column < CImageListModel::kColumnCount ? column : -1;
    sortOrder_ = order;
    Rebuild();
}

void CImageListFilter::Rebuild() {
    std::vector<int> shown;
    shown.reserve(static_cast<std::size_t>(model_->rowCount()));
    for (int row = 0; row < model_->rowCount(); ++row)
        if (Accepts(row)) shown.push_back(row);
    std::sort(shown.begin(), shown.end(), [this](int a, int b) { return Before(a, b); });
    ChangeOrder(std::move(shown));
}

void CImageListFilter::ChangeOrder(std::vector<int> shown) {
    // Rows only: the columns (and the header's widths) stay as they are.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // What the views hold on to (selection, current entry) follows its entry.
    const QModelIndexList from = persistentIndexList();
    std::vector<std::pair<int, int>> at;
    at.reserve(static_cast<std::size_t>(from.size()));
    for (const QModelIndex& index : from) at.emplace_back(mapToSource(index).row(), index.column());
    shown_ = std::move(shown);
    rowShown_.assign(static_cast<std::size_t>(model_->rowCount()), -1);
    for (std::size_t i = 0; i < shown_.size(); ++i) rowShown_[static_cast<std::size_t>(shown_[i])] = static_cast<int>(i);
    QModelIndexList to;
    to.reserve(from.size());
    for (const auto& [row, column] : at) {
        const int shownRow = row >= 0 ? rowShown_[static_cast<std::size_t>(row)] : -1;
        to.append(shownRow >= 0 ? index(shownRow, column) : QModelIndex());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// --- the list's model changing -----------------------------------------------

void CImageListFilter::SourceRowsInserted(int first, int last) {
    const int count = last - first + 1;
    if (first + count != model_->rowCount()) {
        // Rows put before others (the list's model only appends; kept right anyway).
        for (int& row : shown_)
            if (row >= first) row += count;
        Rebuild();
        return;
    }
    rowShown_.resize(static_cast<std::size_t>(model_->rowCount()), -1);
    std::vector<int> added;
    for (int row = first; row <= last; ++row)
        if (Accepts(row)) added.push_back(row);
    if (added.empty()) return;
    const auto before = [this](int a, int b) { return Before(a, b); };
    if (sortColumn_ >= 0) std::sort(added.begin(), added.end(), before);
    if (shown_.empty() || Before(shown_.back(), added.front())) {
        // All after the entries shown (always so in the order found): one insertion at the end.
        const int at = rowCount();
        beginInsertRows({}, at, at + static_cast<int>(added.size()) - 1);
        for (int row : added) {
            rowShown_[static_cast<std::size_t>(row)] = static_cast<int>(shown_.size());
            shown_.push_back(row);
        }
        endInsertRows();
        return;
    }
    // Among them: merged in one pass, one change of order for the views. Each
    // new entry's place is found by halving, so the entries listed before are
    // compared a few times per new entry, and otherwise only copied.
    std::vector<int> merged;
    merged.reserve(shown_.size() + added.size());
    auto from = shown_.cbegin();
    for (int row : added) {
        const auto at = std::upper_bound(from, shown_.cend(), row, before);
        merged.insert(merged.end(), from, at);
        merged.push_back(row);
        from = at;
    }
    merged.insert(merged.end(), from, shown_.cend());
    ChangeOrder(std::move(merged));
}

void CImageListFilter::SourceRowsAboutToBeRemoved(int, int) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    removingFrom_ = persistentIndexList();
    removingAt_.clear();
    for (const QModelIndex& index : removingFrom_) removingAt_.emplace_back(mapToSource(index).row(), index.column());
}

void CImageListFilter::SourceRowsRemoved(int first, int last) {
    const int count = last - first + 1;
    const auto moved = [first, last, count](int row) { return row < first ? row : row > last ? row - count : -1; };
    std::vector<int> shown;
    shown.reserve(shown_.size());
    for (int row : shown_)
        if (const int now = moved(row); now >= 0) shown.push_back(now);
    shown_ = std::move(shown);
    rowShown_.assign(static_cast<std::size_t>(model_->rowCount()), -1);
    for (std::size_t i = 0; i < shown_.size(); ++i) rowShown_[static_cast<std::size_t>(shown_[i])] = static_cast<int>(i);
    QModelIndexList to;
    to.reserve(removingFrom_.size());
    for (const auto& [row, column] : removingAt_) {
        const int now = row >= 0 ? moved(row) : -1;
        const int shownRow = now >= 0 ? rowShown_[static_cast<std::size_t>(now)] : -1;
        to.append(shownRow >= 0 ? index(shownRow, column) : QModelIndex());
    }
    changePersistentIndexList(removingFrom_, to);
    removingFrom_.clear();
    removingAt_.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CImageListFilter::SourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                         const QList<int>& roles) {
    // Neither the filter nor the order looks at what changes (an entry's
    // window, the file column's text), so the rows stay where they are.
    if (shown_.empty()) return;
    if (topLeft.row() == bottomRight.row()) {
        const QModelIndex row = mapFromSource(topLeft);
        if (row.isValid()) emit dataChanged(row, index(row.row(), bottomRight.column()), roles);
        return;
    }
    emit dataChanged(index(0, topLeft.column()), index(rowCount() - 1, bottomRight.column()), roles);
}

// --- the flat table it shows ---------------------------------------------------

QModelIndex CImageListFilter::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return {};
    return createIndex(row, column);
}

QModelIndex CImageListFilter::parent(const QModelIndex&) const {
    return {};
}

int CImageListFilter::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int CImageListFilter::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : model_->columnCount();
}

bool CImageListFilter::hasChildren(const QModelIndex& parent) const {
    return !parent.isValid() && !shown_.empty();
}

QVariant CImageListFilter::headerData(int section, Qt::Orientation orientation, int role) const {
    // The headings stay when the filter lets nothing through.
    return model_->headerData(section, orientation, role);
}

QModelIndex CImageListFilter::mapToSource(const QModelIndex& proxyIndex) const {
    if (!proxyIndex.isValid() || proxyIndex.model() != this || proxyIndex.row() >= rowCount()) return {};
    return model_->index(shown_[static_cast<std::size_t>(proxyIndex.row())], proxyIndex.column());
}

QModelIndex CImageListFilter::mapFromSource(const QModelIndex& sourceIndex) const {
    if (!sourceIndex.isValid() || sourceIndex.row() >= static_cast<int>(rowShown_.size())) return {};
    const int row = rowShown_[static_cast<std::size_t>(sourceIndex.row())];
    return row >= 0 ? index(row, sourceIndex.column()) : QModelIndex();
}

}  // namespace vorel::ui
