#include "list/ui/thumbnail_delegate.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QPainter>

#include "list/ui/image_list_model.h"
#include "list/ui/thumbnail_cache.h"
#include "list/ui/thumbnail_image.h"

namespace vorel::ui {
namespace {

constexpr int kMargin = 4;

// The list's own entry behind a view index, through the sort/filter proxy.
const ImageListEntry* EntryOf(const QModelIndex& index) {
    const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model());
    const QModelIndex source = proxy ? proxy->mapToSource(index) : index;
    const auto* model = qobject_cast<const CImageListModel*>(source.model());
    if (!model || !source.isValid()) return nullptr;
    return &model->Entry(source.row());
}

}  // namespace

CThumbnailDelegate::CThumbnailDelegate(CThumbnailCache& cache, QObject* parent)
    : QStyledItemDelegate(parent), cache_(cache) {}

QSize CThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {kThumbnailSize + 2 * kMargin, kThumbnailSize + option.fontMetrics.height() + 3 * kMargin};
}

void CThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const ImageListEntry* entry = EntryOf(index);
    if (!entry) return;
    painter->save();
    const QPalette& palette = option.palette;
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) painter->fillRect(option.rect, palette.highlight());

    const QRect box(option.rect.left() + (option.rect.width() - kThumbnailSize) / 2, option.rect.top() + kMargin,
                    kThumbnailSize, kThumbnailSize);
    // Only the rows on screen are drawn, so only they are asked for.
    const QImage* image = cache_.Find(entry->id);
    if (!image) cache_.Request(*entry);
    if (image) {
        const QRect at(QPoint(box.left() + (box.width() - image->width()) / 2,
                              box.top() + (box.height() - image->height()) / 2),
                       image->size());
        painter->drawImage(at, *image);
    } else if (cache_.StatusOf(entry->id) == CThumbnailCache::Status::kStale) {
        // The file changed since the search: a crossed box says the picture cannot be had.
        painter->fillRect(box, QColor(250, 228, 228));
        painter->setPen(QPen(QColor(176, 32, 32), 2));
        painter->drawRect(box.adjusted(1, 1, -1, -1));
        painter->drawLine(box.topLeft(), box.bottomRight());
        painter->drawLine(box.topRight(), box.bottomLeft());
        painter->drawText(box, Qt::AlignCenter, QStringLiteral("ﾌｧｲﾙ変更"));
    } else {
        painter->fillRect(box, palette.alternateBase());
        painter->setPen(palette.mid().color());
        painter->drawRect(box.adjusted(0, 0, -1, -1));
    }
    const QRect textRect(option.rect.left() + 1, box.bottom() + kMargin, option.rect.width() - 2,
                         option.fontMetrics.height());
    painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
    painter->drawText(textRect, Qt::AlignHCenter | Qt::AlignTop,
                      option.fontMetrics.elidedText(entry->title, Qt::ElideMiddle, textRect.width()));
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(palette.highlight().color(), 1, Qt::DotLine));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

}  // namespace vorel::ui
