// Every image of this session's searches, in the order they were found, as a
// table of plain metadata. Thumbnails are not kept here: the views ask the
// thumbnail cache for the rows they show.
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>
#include <deque>
#include <vector>

#include "list/ui/image_list_entry.h"

namespace vorel::ui {

class CImageListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // The details view's columns, in order. A new column is one line here and
    // one case in ColumnText / EntryLess.
    enum Column { kTitle, kKind, kWidth, kHeight, kPalettes, kOffset, kFile, kDiscFile, kColumnCount };
    enum Role { kEntryIdRole = Qt::UserRole + 1, kKindRole };

    explicit CImageListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The order of `column` when sorted ascending (ties keep the order found).
    static bool EntryLess(const ImageListEntry& a, const ImageListEntry& b, int column);

    // Appends entries at the end, in one insertion, giving each its id.
    void Append(std::vector<ImageListEntry> entries);
    // Removes the given rows (any order, duplicates allowed); their windows stay.
    void RemoveRows(std::vector<int> rows);
    void Clear();

    const ImageListEntry& Entry(int row) const { return entries_[static_cast<std::size_t>(row)]; }
    // The row whose entry shows `doc`, or -1.
    int RowOfDocument(const CVorelDoc* doc) const;
    // The window opened again for a row.
    void SetDocument(int row, CVorelDoc* doc);

    // The file column's text: the file's name, and where two searched files
    // share that name, its folder after it ("pics.bin (/home/u/a)").
    QString FileText(const ImageListEntry& entry) const;

  private:
    // Counts the searched files of entries_ [first, end) under their names.
    void NoteFiles(std::size_t first);

    // A deque: appending a batch never moves the entries listed before it, so a
    // search takes as long into a list of 200,000 as into an empty one.
    std::deque<ImageListEntry> entries_;
    QHash<QString, QSet<QString>> filesByName_;  // file name -> the searched files of that name
    quint64 nextId_ = 1;
};

}  // namespace vorel::ui
