// The order and the filter both views show: sorting by any column, and the
// filter row's text (title or file), kinds and smallest size.
//
// A flat proxy of its own rather than QSortFilterProxyModel: a search appends
// its entries in batches, and into a sorted list Qt's proxy inserts each run
// of neighbouring rows on its own, rebuilding its whole mapping every time,
// so a search slowed with every entry already listed. Here a batch is
// filtered, sorted and merged into the order shown in one pass.
#pragma once

#include <QAbstractProxyModel>
#include <QSet>
#include <QString>
#include <vector>

namespace vorel::ui {

class CImageListModel;

class CImageListFilter : public QAbstractProxyModel {
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

    // Sorts by `column`, ties in the order found; -1 gives the order found back.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;

  private:
    bool Accepts(int sourceRow) const;
    // True when source row `a` comes before `b` in the order shown.
    bool Before(int a, int b) const;
    // Filters and sorts every entry again, keeping what is selected and current.
    void Rebuild();
    // Replaces the order shown (views told as for a new sort), keeping persistent indexes.
    void ChangeOrder(std::vector<int> shown);
    void SourceRowsInserted(int first, int last);
    void SourceRowsAboutToBeRemoved(int first, int last);
    void SourceRowsRemoved(int first, int last);
    void SourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);

    CImageListModel* model_;
    QString text_;
    QSet<QString> hiddenKinds_;
    int minimumSize_ = 0;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    std::vector<int> shown_;     // row shown -> source row
    std::vector<int> rowShown_;  // source row -> row shown, -1 when filtered out
    // Persistent indexes as source positions while the source removes rows.
    QModelIndexList removingFrom_;
    std::vector<std::pair<int, int>> removingAt_;  // source row and column
};

}  // namespace vorel::ui
