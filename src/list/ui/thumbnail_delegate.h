// Draws one entry of the thumbnail view: its picture (or a placeholder while
// it is made, or the mark of a changed file) above its title.
#pragma once

#include <QStyledItemDelegate>

namespace vorel::ui {

class CImageListModel;
class CThumbnailCache;

class CThumbnailDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    CThumbnailDelegate(CThumbnailCache& cache, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    CThumbnailCache& cache_;
};

}  // namespace vorel::ui
