#include "list/ui/image_list_filter.h"

#include <algorithm>

#include "list/ui/image_list_model.h"

namespace vorel::ui {

CImageListFilter::CImageListFilter(CImageListModel* model, QObject* parent)
    : QSortFilterProxyModel(parent), model_(model) {
    setSourceModel(model);
    // Entries found while a sorted or filtered list is shown go to their place.
    setDynamicSortFilter(true);
}

void CImageListFilter::SetText(const QString& text) {
    if (text_ == text) return;
    text_ = text;
    invalidateFilter();
}

void CImageListFilter::SetKindShown(const QString& kind, bool shown) {
    if (IsKindShown(kind) == shown) return;
    if (shown)
        hiddenKinds_.remove(kind);
    else
        hiddenKinds_.insert(kind);
    invalidateFilter();
}

void CImageListFilter::SetMinimumSize(int size) {
    if (minimumSize_ == size) return;
    minimumSize_ = std::max(0, size);
    invalidateFilter();
}

bool CImageListFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    const ImageListEntry& e = model_->Entry(sourceRow);
    if (minimumSize_ > 0 && (e.record.width < minimumSize_ || e.record.height < minimumSize_)) return false;
    if (!hiddenKinds_.isEmpty() && hiddenKinds_.contains(KindText(e.record))) return false;
    if (text_.isEmpty()) return true;
    return e.title.contains(text_, Qt::CaseInsensitive) || e.file.contains(text_, Qt::CaseInsensitive) ||
           e.discFile.contains(text_, Qt::CaseInsensitive);
}

bool CImageListFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    return CImageListModel::EntryLess(model_->Entry(left.row()), model_->Entry(right.row()), left.column());
}

}  // namespace vorel::ui
