// The dock "ｲﾒｰｼﾞ一覧": the filter row and two views of the one image list,
// thumbnails and details, sharing their order and their selection. Opening,
// closing and saving entries is the application's business: the dock asks
// for it with the rows of the list's model.
#pragma once

#include <QDockWidget>
#include <QList>

class QAbstractItemView;
class QAction;
class QLabel;
class QListView;
class QMenu;
class QStackedWidget;
class QToolButton;
class QTreeView;

namespace vorel::ui {

class CImageListFilter;
class CImageListFilterBar;
class CImageListModel;
class CListFileWatcher;
class CThumbnailCache;

class CImageListDock : public QDockWidget {
    Q_OBJECT
  public:
    struct Actions {
        QAction* open = nullptr;    // "開く": activate or reopen the selected windows
        QAction* close = nullptr;   // "閉じる": close their windows, keeping the entries
        QAction* save = nullptr;    // "保存": as Save All, for the selection only
        QAction* remove = nullptr;  // "一覧から削除"
        QAction* clear = nullptr;   // "一覧をｸﾘｱ"
    };

    CImageListDock(CImageListModel& model, QWidget* parent = nullptr);
    ~CImageListDock() override;

    // Rows of the model that are selected, in the order the views show them.
    QList<int> SelectedRows() const;
    // Selects one row of the model and scrolls it into view (a window became active).
    void SelectRow(int modelRow);
    void ShowThumbnails(bool thumbnails);
    bool ShowsThumbnails() const;

    CImageListModel& Model() const { return model_; }
    CImageListFilter* Filter() const { return filter_; }
    CImageListFilterBar* FilterBar() const { return filterBar_; }
    CThumbnailCache* Thumbnails() const { return cache_; }
    CListFileWatcher* FileWatcher() const { return watcher_; }
    QListView* ThumbnailView() const { return thumbnails_; }
    QTreeView* DetailsView() const { return details_; }
    QMenu* ContextMenu() const { return menu_; }
    // "111 / 50000": entries the filter lets through, and entries listed.
    QLabel* CountLabel() const { return count_; }
    // The view shown now (thumbnails or details), which takes the focus.
    QAbstractItemView* CurrentView() const;
    const Actions& GetActions() const { return actions_; }
    void UpdateActions();

  signals:
    void openRequested(const QList<int>& rows);
    void closeRequested(const QList<int>& rows);
    void saveRequested(const QList<int>& rows);
    // The dock's own close button (or a close from the window manager) hid it.
    void closedByUser();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void createActions();
    QWidget* createViewSwitch();
    void SetUpView(QAbstractItemView* view);
    void RemoveSelected();
    void ClearList();
    void UpdateCount();

    CImageListModel& model_;
    CImageListFilter* filter_ = nullptr;
    CImageListFilterBar* filterBar_ = nullptr;
    CThumbnailCache* cache_ = nullptr;
    CListFileWatcher* watcher_ = nullptr;
    QListView* thumbnails_ = nullptr;
    QTreeView* details_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QToolButton* thumbnailButton_ = nullptr;
    QToolButton* detailsButton_ = nullptr;
    QMenu* menu_ = nullptr;
    QLabel* count_ = nullptr;
    Actions actions_;
};

}  // namespace vorel::ui
