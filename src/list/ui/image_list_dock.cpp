#include "list/ui/image_list_dock.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "list/ui/image_list_filter.h"
#include "list/ui/image_list_filter_bar.h"
#include "list/ui/image_list_model.h"
#include "list/ui/list_file_watcher.h"
#include "list/ui/thumbnail_cache.h"
#include "list/ui/thumbnail_delegate.h"

namespace vorel::ui {

CImageListDock::CImageListDock(CImageListModel& model, QWidget* parent)
    : QDockWidget(QStringLiteral("ｲﾒｰｼﾞ一覧"), parent), model_(model) {
    setObjectName(QStringLiteral("ImageListDock"));
    setAccessibleName(windowTitle());
    filter_ = new CImageListFilter(&model_, this);
    cache_ = new CThumbnailCache(64 * 1024 * 1024, this);
    watcher_ = new CListFileWatcher(model_, *cache_, this);

    thumbnails_ = new QListView;
    thumbnails_->setObjectName(QStringLiteral("ImageListThumbnails"));
    thumbnails_->setAccessibleName(QStringLiteral("ｻﾑﾈｲﾙ"));
    thumbnails_->setViewMode(QListView::IconMode);
    thumbnails_->setMovement(QListView::Static);
    thumbnails_->setResizeMode(QListView::Adjust);
    thumbnails_->setWrapping(true);
    // Every entry has the same size, so the view never asks each one.
    thumbnails_->setUniformItemSizes(true);
    // QListView lays every item out again whenever rows are inserted; in
    // batches, a search appending to a long list pays for one batch per
    // progress point, and the rest is laid out once the search is over.
    thumbnails_->setLayoutMode(QListView::Batched);
    thumbnails_->setBatchSize(2000);
    thumbnails_->setItemDelegate(new CThumbnailDelegate(*cache_, thumbnails_));
    thumbnails_->setModel(filter_);

    details_ = new QTreeView;
    details_->setObjectName(QStringLiteral("ImageListDetails"));
    details_->setAccessibleName(QStringLiteral("詳細"));
    details_->setRootIsDecorated(false);
    details_->setUniformRowHeights(true);
    details_->setAllColumnsShowFocus(true);
    details_->setModel(filter_);
    QItemSelectionModel* own = details_->selectionModel();
    details_->setSelectionModel(thumbnails_->selectionModel());
    delete own;
    // No column is sorted at first: the entries stand in the order found.
    details_->header()->setSortIndicator(-1, Qt::AscendingOrder);
    details_->setSortingEnabled(true);
    // The columns fit their contents while the details are on screen (see eventFilter).
    details_->header()->setSectionResizeMode(QHeaderView::Interactive);
    details_->header()->setStretchLastSection(true);
    details_->installEventFilter(this);
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(thumbnails_),
                                    static_cast<QAbstractItemView*>(details_)})
        SetUpView(view);

    connect(cache_, &CThumbnailCache::thumbnailReady, thumbnails_->viewport(), [this] {
        if (thumbnails_->isVisible()) thumbnails_->viewport()->update();
    });

    stack_ = new QStackedWidget;
    stack_->addWidget(thumbnails_);
    stack_->addWidget(details_);
    filterBar_ = new CImageListFilterBar(*filter_);
    createActions();

    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(createViewSwitch());
    layout->addWidget(filterBar_);
    layout->addWidget(stack_, 1);
    count_ = new QLabel(body);
    count_->setObjectName(QStringLiteral("ImageListCount"));
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(count_);
    setWidget(body);
    // Counted when rows come or go, not per row: a search appends in batches.
    for (QAbstractItemModel* m : {static_cast<QAbstractItemModel*>(&model_), static_cast<QAbstractItemModel*>(filter_)}) {
        connect(m, &QAbstractItemModel::rowsInserted, this, &CImageListDock::UpdateCount);
        connect(m, &QAbstractItemModel::rowsRemoved, this, &CImageListDock::UpdateCount);
        connect(m, &QAbstractItemModel::modelReset, this, &CImageListDock::UpdateCount);
        connect(m, &QAbstractItemModel::layoutChanged, this, &CImageListDock::UpdateCount);
    }
    UpdateCount();
}

void CImageListDock::UpdateCount() {
    const QString text = QStringLiteral("%1 / %2").arg(filter_->rowCount()).arg(model_.rowCount());
    if (count_->text() == text) return;
    count_->setText(text);
    count_->setAccessibleName(text);
    count_->setToolTip(QStringLiteral("表示中のｲﾒｰｼﾞ / 一覧のｲﾒｰｼﾞ"));
}

bool CImageListDock::eventFilter(QObject* watched, QEvent* event) {
    // Fitting the columns measures the text of every entry (up to a thousand)
    // each time rows come, a cost worth paying only for a view on screen:
    // hidden, the columns keep their widths; shown, they fit the contents again.
    if (watched == details_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        const bool shown = event->type() == QEvent::Show;
        details_->header()->setSectionResizeMode(shown ? QHeaderView::ResizeToContents : QHeaderView::Interactive);
    }
    return QDockWidget::eventFilter(watched, event);
}

void CImageListDock::closeEvent(QCloseEvent* event) {
    QDockWidget::closeEvent(event);
    if (event->isAccepted()) emit closedByUser();
}

QAbstractItemView* CImageListDock::CurrentView() const {
    return ShowsThumbnails() ? static_cast<QAbstractItemView*>(thumbnails_) : details_;
}

CImageListDock::~CImageListDock() = default;

void CImageListDock::SetUpView(QAbstractItemView* view) {
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Double-click or Enter.
    connect(view, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (index.isValid()) emit openRequested({filter_->mapToSource(index).row()});
    });
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
        UpdateActions();
        menu_->popup(view->viewport()->mapToGlobal(at));
    });
}

QWidget* CImageListDock::createViewSwitch() {
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    auto* group = new QButtonGroup(bar);
    for (QToolButton** button : {&thumbnailButton_, &detailsButton_}) {
        *button = new QToolButton(bar);
        (*button)->setCheckable(true);
        (*button)->setAutoRaise(true);
        group->addButton(*button);
        row->addWidget(*button);
    }
    thumbnailButton_->setText(QStringLiteral("ｻﾑﾈｲﾙ"));
    detailsButton_->setText(QStringLiteral("詳細"));
    for (QToolButton* button : {thumbnailButton_, detailsButton_}) button->setAccessibleName(button->text());
    row->addStretch(1);
    thumbnailButton_->setChecked(true);
    connect(thumbnailButton_, &QToolButton::toggled, this, [this](bool on) { ShowThumbnails(on); });
    return bar;
}

void CImageListDock::createActions() {
    menu_ = new QMenu(this);
    const auto make = [this](const char* text, auto handler) {
        QAction* action = menu_->addAction(QString::fromUtf8(text));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    actions_.open = make("開く(&O)", [this] { emit openRequested(SelectedRows()); });
    actions_.close = make("閉じる(&C)", [this] { emit closeRequested(SelectedRows()); });
    actions_.save = make("保存(&S)...", [this] { emit saveRequested(SelectedRows()); });
    menu_->addSeparator();
    actions_.remove = make("一覧から削除(&D)", [this] { RemoveSelected(); });
    actions_.clear = make("一覧をｸﾘｱ(&L)", [this] { ClearList(); });
    actions_.remove->setShortcut(QKeySequence::Delete);
    actions_.remove->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(actions_.remove);
}

void CImageListDock::UpdateActions() {
    const bool selection = thumbnails_->selectionModel()->hasSelection();
    for (QAction* action : {actions_.open, actions_.close, actions_.save, actions_.remove})
        action->setEnabled(selection);
    actions_.clear->setEnabled(model_.rowCount() > 0);
}

QList<int> CImageListDock::SelectedRows() const {
    QModelIndexList selected = thumbnails_->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QList<int> rows;
    rows.reserve(selected.size());
    for (const QModelIndex& index : selected) rows.append(filter_->mapToSource(index).row());
    return rows;
}

void CImageListDock::SelectRow(int modelRow) {
    if (modelRow < 0 || modelRow >= model_.rowCount()) return;
    const QModelIndex index = filter_->mapFromSource(model_.index(modelRow, 0));
    if (!index.isValid()) return;  // filtered out: the selection stays as it was
    // Within a selection (its windows opened together) the selection stays.
    QItemSelectionModel* selection = thumbnails_->selectionModel();
    selection->setCurrentIndex(index, selection->isSelected(index)
                                          ? QItemSelectionModel::NoUpdate
                                          : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (isVisible()) CurrentView()->scrollTo(index);
}

void CImageListDock::ShowThumbnails(bool thumbnails) {
    stack_->setCurrentWidget(thumbnails ? static_cast<QWidget*>(thumbnails_) : details_);
    (thumbnails ? thumbnailButton_ : detailsButton_)->setChecked(true);
}

bool CImageListDock::ShowsThumbnails() const {
    return stack_->currentWidget() == thumbnails_;
}

void CImageListDock::RemoveSelected() {
    const QList<int> rows = SelectedRows();
    std::vector<int> sourceRows(rows.begin(), rows.end());
    for (int row : sourceRows) cache_->Forget(model_.Entry(row).id);
    model_.RemoveRows(std::move(sourceRows));
}

void CImageListDock::ClearList() {
    cache_->Clear();
    model_.Clear();
}

}  // namespace vorel::ui
