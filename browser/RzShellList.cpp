#include "RzShellList.h"

#include "BrowserIcons.h"
#include "FileCommands.h"
#include "FolderModel.h"
#include "ShellNamespace.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// The wait cursor for the length of a folder read.
struct WaitCursor {
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

TRzShellList::TRzShellList(QWidget* parent)
    : QWidget(parent)
{
    EnsureIconTheme();
    model_ = new FolderModel(this);
    model_->setShowHidden(true);

    stack_ = new QStackedWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_);

    report_ = new QTreeView(stack_);
    report_->setRootIsDecorated(false);
    report_->setItemsExpandable(false);
    report_->setUniformRowHeights(true);
    report_->setAllColumnsShowFocus(true);
    report_->setModel(model_);
    report_->setSortingEnabled(true);
    report_->header()->setSortIndicator(0, Qt::AscendingOrder);
    report_->header()->setSectionsMovable(false);
    report_->header()->setStretchLastSection(false);
    report_->setColumnWidth(0, 170);
    report_->setColumnWidth(1, 70);
    report_->setColumnWidth(2, 110);
    report_->setColumnWidth(3, 120);

    list_ = new QListView(stack_);
    list_->setViewMode(QListView::ListMode);
    list_->setFlow(QListView::TopToBottom);
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setUniformItemSizes(true);
    list_->setIconSize(QSize(16, 16));
    report_->setIconSize(QSize(16, 16));
    // The list view's columns are as wide as the longest name, as in the
    // desktop's list views; recomputed when the rows change.
    auto regrid = [this] {
        if (viewStyle_ == vsList)
            updateListGrid();
    };
    connect(model_, &QAbstractItemModel::modelReset, this, regrid);
    connect(model_, &QAbstractItemModel::rowsInserted, this, regrid);
    list_->setModel(model_);
    list_->setModelColumn(0);
    selection_ = report_->selectionModel();
    QItemSelectionModel* own = list_->selectionModel();
    list_->setSelectionModel(selection_);
    delete own;

    setupView(report_);
    setupView(list_);
    stack_->addWidget(report_);
    stack_->addWidget(list_);
    stack_->setCurrentWidget(report_);
    setFocusProxy(report_);

    model_->setFolder(shellns::RootId());
}

TRzShellList::~TRzShellList() = default;

void TRzShellList::setupView(QAbstractItemView* v)
{
    v->setSelectionMode(QAbstractItemView::ExtendedSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setContextMenuPolicy(Qt::NoContextMenu);
    v->setDragEnabled(false);
    v->setAcceptDrops(false);
    v->installEventFilter(this);
    v->viewport()->installEventFilter(this);
}

void TRzShellList::updateListGrid()
{
    const QFontMetrics fm(list_->font());
    int widest = 0;
    for (int r = 0; r < model_->rowCount(); ++r) {
        widest = std::max(widest, fm.horizontalAdvance(model_->item(r)->displayName));
        if (widest >= 320)
            break;
    }
    const int text = std::clamp(widest, 60, 320);
    list_->setGridSize(QSize(16 + 6 + text + 12, std::max(fm.height(), 16) + 4));
}

QAbstractItemView* TRzShellList::ActiveView() const
{
    return viewStyle_ == vsList ? static_cast<QAbstractItemView*>(list_) : report_;
}

// ---- configuration ---------------------------------------------------------

QString TRzShellList::FileFilter() const { return model_->filterText(); }

void TRzShellList::SetFileFilter(const QString& filter)
{
    if (filter == model_->filterText())
        return;
    model_->setFilterText(filter);
    if (options_ & SloBit(sloAutoFill))
        RefillFolder();
}

void TRzShellList::SetOptions(TRzShellListOptions options)
{
    const bool hiddenChanged = ((options ^ options_) & SloBit(sloShowHidden)) != 0;
    options_ = options;
    model_->setShowHidden(options & SloBit(sloShowHidden));
    if (hiddenChanged)
        ReloadFolder();
}

void TRzShellList::SetViewStyle(int style)
{
    if (style != vsReport && style != vsList)
        return;
    const bool hadFocus = ActiveView()->hasFocus();
    viewStyle_ = style;
    if (style == vsList)
        updateListGrid();
    stack_->setCurrentWidget(ActiveView());
    setFocusProxy(ActiveView());
    if (hadFocus)
        ActiveView()->setFocus();
}

// ---- current folder --------------------------------------------------------

QString TRzShellList::CurrentFolderPath() const { return shellns::PathOfId(model_->folderId()); }
ShellId TRzShellList::CurrentFolderId() const { return model_->folderId(); }

void TRzShellList::changeFolder(const ShellId& id)
{
    if (options_ & SloBit(sloDontChangeFolder))
        return;
    {
        WaitCursor wait;
        selection_->clear();
        model_->setFolder(id);
        report_->scrollToTop();
        list_->scrollToTop();
    }
    emit FolderSet();
    emit OnFolderChanged();
}

void TRzShellList::SetFolderPath(const QString& path)
{
    changeFolder(shellns::FolderIdForPath(path));
}

void TRzShellList::SetFolderId(const ShellId& id)
{
    if (shellns::IsBrowsableFolder(id)) {
        changeFolder(id);
    } else if (shellns::IsFileId(id)) {
        TRzShellListData d;
        if (!shellns::ItemForPath(shellns::PathOfId(id), d))
            changeFolder(shellns::RootId()); // vanished meanwhile
    }
}

void TRzShellList::FolderUp(int levels)
{
    if (options_ & SloBit(sloDontChangeFolder))
        return;
    ShellId target = model_->folderId();
    for (int i = 0; i < levels; ++i) {
        const ShellId up = shellns::ParentId(target);
        if (up.isEmpty())
            break;
        target = up;
    }
    // A parent removed meanwhile: go on up to the first one that exists.
    while (!target.isEmpty() && !shellns::IsBrowsableFolder(target))
        target = shellns::ParentId(target);
    if (target.isEmpty() || target == model_->folderId())
        return;
    changeFolder(target);
}

void TRzShellList::ReloadFolder()
{
    WaitCursor wait;
    model_->reload();
}

void TRzShellList::RefillFolder()
{
    WaitCursor wait;
    selection_->clear();
    model_->refill();
}

void TRzShellList::OpenSelection()
{
    const int count = SelCount();
    if (count == 0)
        return;
    if (count == 1) {
        const TRzShellListData* d = FirstSelectedData();
        if (d && d->has(TRzShellListData::Folder) && !d->has(TRzShellListData::Broken)) {
            SetFolderId(d->id);
            return;
        }
    }
    bool handled = false;
    emit OnDblClickOpen(&handled);
    if (!handled) {
        if (const TRzShellListData* d = FirstSelectedData(); d && !d->path.isEmpty())
            OpenItemsWithDesktop(this, {d->path});
    }
}

// ---- rows and selection ----------------------------------------------------

int TRzShellList::RowCount() const { return model_->rowCount(); }

bool TRzShellList::IsRowSelected(int row) const
{
    return row >= 0 && row < RowCount() && selection_->isSelected(model_->index(row, 0));
}

int TRzShellList::SelCount() const
{
    int n = 0;
    for (const QItemSelectionRange& r : selection_->selection())
        if (r.left() == 0)
            n += r.height();
    return n;
}

const TRzShellListData* TRzShellList::ItemDataOf(int row) const { return model_->item(row); }

int TRzShellList::FirstSelectedRow() const
{
    int best = -1;
    for (const QItemSelectionRange& r : selection_->selection())
        if (r.left() == 0 && (best < 0 || r.top() < best))
            best = r.top();
    return best;
}

int TRzShellList::NextSelectedRow(int row) const
{
    int best = -1;
    for (const QItemSelectionRange& r : selection_->selection()) {
        if (r.left() != 0 || r.bottom() <= row)
            continue;
        const int candidate = std::max(r.top(), row + 1);
        if (best < 0 || candidate < best)
            best = candidate;
    }
    return best;
}

const TRzShellListData* TRzShellList::FirstSelectedData() const
{
    return model_->item(FirstSelectedRow());
}

int TRzShellList::RowAt(const QPoint& clientPos) const
{
    QAbstractItemView* v = ActiveView();
    const QModelIndex idx = v->indexAt(v->viewport()->mapFrom(this, clientPos));
    return idx.isValid() ? idx.row() : -1;
}

QRect TRzShellList::RowRect(int row) const
{
    QAbstractItemView* v = ActiveView();
    const QRect r = v->visualRect(model_->index(row, 0));
    return QRect(v->viewport()->mapTo(this, r.topLeft()), r.size());
}

int TRzShellList::RowOfCaption(const QString& caption) const
{
    for (int r = 0; r < RowCount(); ++r)
        if (model_->item(r)->displayName.compare(caption, Qt::CaseInsensitive) == 0)
            return r;
    return -1;
}

void TRzShellList::SelectRow(int row, bool add)
{
    if (row < 0 || row >= RowCount())
        return;
    const QModelIndex idx = model_->index(row, 0);
    selection_->setCurrentIndex(idx, (add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect)
                                         | QItemSelectionModel::Rows);
}

void TRzShellList::SelectAll()
{
    if (RowCount() == 0)
        return;
    selection_->select(QItemSelection(model_->index(0, 0), model_->index(RowCount() - 1, 3)),
                       QItemSelectionModel::ClearAndSelect);
}

void TRzShellList::ClearSelection() { selection_->clear(); }

QString TRzShellList::ColumnCaption(int column) const { return ::ColumnCaption(column); }

QIcon TRzShellList::ItemIcon(int row) const
{
    const TRzShellListData* d = model_->item(row);
    return d ? IconForItem(*d) : QIcon();
}

QStringList TRzShellList::SelectedItemPaths() const
{
    QStringList out;
    for (int r = FirstSelectedRow(); r >= 0; r = NextSelectedRow(r))
        if (const TRzShellListData* d = model_->item(r); d && !d->path.isEmpty())
            out.append(d->path);
    return out;
}

// ---- keyboard and mouse ----------------------------------------------------

bool TRzShellList::handleKey(QKeyEvent* e)
{
    if (!(options_ & SloBit(sloDefaultKeyHandling)))
        return false;
    const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int key = e->key();
    // Items of folders without a path (the namespace root lists the home
    // folder and "/") are never deleted, cut or pasted into.
    const bool realFolder = shellns::IsBrowsableFolder(CurrentFolderId()) && !CurrentFolderPath().isEmpty();
    if (mods == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_A: SelectAll(); return true;
        case Qt::Key_C: CopyItemsToClipboard(SelectedItemPaths(), false); return true;
        case Qt::Key_X:
            if (realFolder)
                CopyItemsToClipboard(SelectedItemPaths(), true);
            return true;
        case Qt::Key_V:
            if (realFolder) {
                PasteFromClipboard(this, CurrentFolderPath());
                ReloadFolder();
            }
            return true;
        default: return false;
        }
    }
    if (key == Qt::Key_Delete && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
        const QStringList paths = SelectedItemPaths();
        if (realFolder && !paths.isEmpty()) {
            DeleteItems(this, paths, mods == Qt::ShiftModifier);
            ReloadFolder();
        }
        return true;
    }
    if (mods != Qt::NoModifier)
        return false;
    switch (key) {
    case Qt::Key_F5: RefillFolder(); return true;
    case Qt::Key_Backspace: FolderUp(1); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: OpenSelection(); return true;
    default: return false;
    }
}

bool TRzShellList::eventFilter(QObject* watched, QEvent* event)
{
    const bool isView = watched == report_ || watched == list_;
    const bool isViewport = watched == report_->viewport() || watched == list_->viewport();
    if (isView && event->type() == QEvent::ShortcutOverride) {
        // Our keys belong to the list even when a window shortcut uses them.
        auto* k = static_cast<QKeyEvent*>(event);
        const int key = k->key();
        if (key == Qt::Key_Delete || key == Qt::Key_F5 || key == Qt::Key_Backspace
            || key == Qt::Key_Return || key == Qt::Key_Enter
            || (k->modifiers() & Qt::ControlModifier
                && (key == Qt::Key_A || key == Qt::Key_C || key == Qt::Key_X || key == Qt::Key_V))) {
            event->accept();
            return false;
        }
    }
    if (isView && event->type() == QEvent::KeyPress)
        return handleKey(static_cast<QKeyEvent*>(event));
    if (isViewport && event->type() == QEvent::MouseButtonPress) {
        auto* m = static_cast<QMouseEvent*>(event);
        const QPoint pos = static_cast<QWidget*>(watched)->mapTo(this, m->position().toPoint());
        if (m->button() == Qt::RightButton) {
            // Like the desktop's file managers: a right press on an unselected
            // row selects it alone; on a selected row the selection stays.
            ActiveView()->setFocus(Qt::MouseFocusReason);
            const int row = RowAt(pos);
            if (row >= 0 && !IsRowSelected(row))
                SelectRow(row);
            emit OnMouseDown(m->button(), m->modifiers(), pos);
            return true;
        }
        emit OnMouseDown(m->button(), m->modifiers(), pos);
        return false;
    }
    if (isViewport && event->type() == QEvent::MouseButtonDblClick) {
        auto* m = static_cast<QMouseEvent*>(event);
        if (m->button() == Qt::LeftButton) {
            const QPoint pos = static_cast<QWidget*>(watched)->mapTo(this, m->position().toPoint());
            if (RowAt(pos) >= 0)
                OpenSelection();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
