// The order and the filter both views show: sorting by any column, and the
// filter row's text (title or file), kinds and smallest size.
#pragma once

#include <QSet>
#include <QSortFilterProxyModel>
#include <QString>

namespace vorel::ui {

class CImageListModel;

class CImageListFilter : public QSortFilterProxyModel {
    Q_OBJECT
  public:
    explicit CImageListFilter(CImageListModel* model, QObject* parent = nullptr);

    // Entries whose title or file holds `text` (case-insensitive); empty: all.
    void SetText(const QString& text);
    // Shows or hides one kind ("TIM4" ... "BMP24"); every kind shows at first.
    void SetKindShown(const QString& kind, bool shown);
    bool IsKindShown(const QString& kind) const { return !hiddenKinds_.contains(kind); }
    // Hides images narrower or lower than `size` pixels; 0 hides none.
    void SetMinimumSize(int size);

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

  private:
    CImageListModel* model_;
    QString text_;
    QSet<QString> hiddenKinds_;
    int minimumSize_ = 0;
};

}  // namespace vorel::ui
