#pragma once
// The folder list of the browser: a report view (名称, 大小, 类型, 修改日期) or a
// plain list of one folder of the namespace, with the services the main
// window, the file commands and the thumbnails use.

#include "ShellListData.h"

#include <QPoint>
#include <QStringList>
#include <QWidget>

class FolderModel;
class QTreeView;
class QListView;
class QStackedWidget;
class QItemSelectionModel;
class QAbstractItemView;

// Members of the list's option set; member n is bit n.
enum TRzShellListOption : unsigned {
    sloAutoFill = 0,
    sloNonFilesystemAncestors,
    sloDesignInteractive,
    sloDefaultKeyHandling,
    sloContextMenus,
    sloDontChangeFolder,
    sloDontGoBelowBase,
    sloDynamicRefresh,
    sloHideFoldersWhenLinkedToTree,
    sloOleDrag,
    sloOleDrop,
    sloFolderContextMenu,
    sloShowHidden,
    sloFilesCanBeFolders,
};
using TRzShellListOptions = unsigned;
constexpr TRzShellListOptions SloBit(TRzShellListOption o) { return 1u << o; }
// The two sets the program uses: with hidden items (also the value at creation)
// and without.
constexpr TRzShellListOptions kListOptionsWithHidden = 12297;
constexpr TRzShellListOptions kListOptionsWithoutHidden = 8201;

enum TViewStyle { vsIcon = 0, vsSmallIcon = 1, vsList = 2, vsReport = 3 };

// The drawing filter of the list.
inline const QString DrawingMask = QStringLiteral("*.dwg;*.dxf;*.dwf");

class TRzShellList : public QWidget {
    Q_OBJECT
public:
    explicit TRzShellList(QWidget* parent = nullptr);
    ~TRzShellList() override;

    // ---- configuration
    QString FileFilter() const;
    void SetFileFilter(const QString& filter);  // refills when the text changes
    TRzShellListOptions Options() const { return options_; }
    void SetOptions(TRzShellListOptions options); // reloads when sloShowHidden changes
    int ViewStyle() const { return viewStyle_; }
    void SetViewStyle(int style);                 // vsReport or vsList
    bool MultiSelect() const { return true; }
    bool ReadOnly() const { return true; }

    // ---- current folder
    QString CurrentFolderPath() const;           // "" for folders without a path
    ShellId CurrentFolderId() const;
    void SetFolderPath(const QString& path);     // not a folder: the namespace root
    void SetFolderId(const ShellId& id);
    void FolderUp(int levels);
    void ReloadFolder();
    void RefillFolder();
    void OpenSelection();

    // ---- rows and selection (rows in display order)
    int RowCount() const;
    int SelCount() const;
    const TRzShellListData* ItemDataOf(int row) const;
    const TRzShellListData* FirstSelectedData() const;
    int FirstSelectedRow() const;                // -1 when nothing is selected
    int NextSelectedRow(int row) const;          // -1 after the last
    int RowAt(const QPoint& clientPos) const;    // in this widget's coordinates, -1 for none
    int RowOfCaption(const QString& caption) const; // first row, letter case ignored
    bool IsRowSelected(int row) const;
    void SelectRow(int row, bool add = false);
    void SelectAll();
    void ClearSelection();
    QRect RowRect(int row) const;                // in this widget's coordinates
    QString ColumnCaption(int column) const;     // columns 0..3 of the report view

    // The row's icon (the folder list's icon for the item, large size on demand).
    QIcon ItemIcon(int row) const;

    // Paths of the selected rows that have one, in row order.
    QStringList SelectedItemPaths() const;

    QAbstractItemView* ActiveView() const;
    FolderModel* Model() const { return model_; }

signals:
    // An open request on the selection that the list does not handle itself;
    // set *handled to stop the default (open with the desktop's program).
    void OnDblClickOpen(bool* handled);
    void OnFolderChanged();
    // A mouse press over the list, position in this widget's coordinates.
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    // The folder has been refilled; raised just before OnFolderChanged so the
    // folder combo is up to date when the main window hears of the change.
    void FolderSet();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changeFolder(const ShellId& id);
    bool handleKey(class QKeyEvent* e);
    void setupView(QAbstractItemView* v);
    void updateListGrid();

    FolderModel* model_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QTreeView* report_ = nullptr;
    QListView* list_ = nullptr;
    QItemSelectionModel* selection_ = nullptr;
    TRzShellListOptions options_ = kListOptionsWithHidden;
    int viewStyle_ = vsReport;
};
