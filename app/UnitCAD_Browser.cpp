// Folder list, view modes, the start folder and the browser's file commands.

#include "UnitCAD.h"

#include "Buttons.h"
#include "CADFunctions.h"
#include "FileTransfer.h"
#include "IniFile.h"
#include "PathBytes.h"
#include "RzShellCombo.h"
#include "RzShellList.h"
#include "SettingsValues.h"
#include "ShellNamespace.h"
#include "ShellServices.h"
#include "ThumbGrid.h"
#include "ThumbInfo.h"
#include "UnitRename.h"

#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMenu>

#include <optional>
#include <sys/stat.h>

namespace {

std::optional<QString>& startArgumentOverride()
{
    static std::optional<QString> arg;
    return arg;
}

// The first command-line argument with its exact bytes: Qt decodes argv
// lossily, /proc/self/cmdline does not.
QString startArgument()
{
    if (startArgumentOverride())
        return *startArgumentOverride();
    QFile f(QStringLiteral("/proc/self/cmdline"));
    if (f.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> parts = f.read(1 << 20).split('\0');
        return parts.size() > 1 ? DecodePath(parts[1]) : QString();
    }
    const QStringList args = QCoreApplication::arguments();
    return args.size() > 1 ? args.at(1) : QString();
}

bool isFile(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && ::stat(EncodePath(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool isDir(const QString& path)
{
    struct stat st {};
    return !path.isEmpty() && ::stat(EncodePath(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Keeps the folder combo across the folder bar, left of the two buttons.
class FolderBarLayout : public QObject {
public:
    FolderBarLayout(QWidget* bar, QWidget* combo)
        : QObject(bar), bar_(bar), combo_(combo)
    {
        bar->installEventFilter(this);
        place();
    }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o == bar_ && e->type() == QEvent::Resize)
            place();
        return false;
    }

private:
    void place() { combo_->setGeometry(0, 0, qMax(40, bar_->width() - 49), 23); }
    QWidget* bar_;
    QWidget* combo_;
};

} // namespace

void TFrmCAD::SetStartArgumentOverride(const QString* arg)
{
    startArgumentOverride() = arg ? std::optional<QString>(*arg) : std::nullopt;
}

void TFrmCAD::CreateBrowserControls()
{
    ShellListFiles = new TRzShellList(LeftViews);
    ShellListFiles->setObjectName(QStringLiteral("ShellListFiles"));
    // The list and the thumbnail view share one cell; the one in front is seen.
    auto* views = new QGridLayout(LeftViews);
    views->setContentsMargins(0, 0, 0, 0);
    views->addWidget(ShellListFiles, 0, 0);

    ShellComboFolder = new TRzShellCombo(RzPanel2);
    ShellComboFolder->setObjectName(QStringLiteral("ShellComboFolder"));
    ShellComboFolder->SetShellList(ShellListFiles);
    new FolderBarLayout(RzPanel2, ShellComboFolder);

    connect(BtnUp, &QAbstractButton::clicked, this, &TFrmCAD::BtnUpClick);
    connect(BtnRefresh, &QAbstractButton::clicked, this, &TFrmCAD::BtnRefreshClick);
    connect(ShellListFiles, &TRzShellList::OnFolderChanged, this, &TFrmCAD::ShellListFilesFolderChanged);
    connect(ShellListFiles, &TRzShellList::OnDblClickOpen, this, &TFrmCAD::ShellListFilesDblClickOpen);
    connect(ShellListFiles, &TRzShellList::OnMouseDown, this, &TFrmCAD::ShellListFilesMouseDown);
    for (QAction* a : {PM_Report, PM_List, PM_Thumbnail})
        connect(a, &QAction::triggered, this, [this, a] { PM_ReportClick(a); });

    connect(PM_OpenFile, &QAction::triggered, this, &TFrmCAD::PM_OpenFileClick);
    connect(PM_Shellopenfile, &QAction::triggered, this, &TFrmCAD::PM_ShellopenfileClick);
    connect(PM_Delete, &QAction::triggered, this, &TFrmCAD::PM_DeleteClick);
    connect(PM_Rename, &QAction::triggered, this, &TFrmCAD::PM_RenameClick);
    connect(PM_Properties, &QAction::triggered, this, &TFrmCAD::PM_PropertiesClick);
    // The thumbnail view is made after the list; its presses are wired once
    // the window is complete.
    QMetaObject::invokeMethod(this, &TFrmCAD::ConnectThumbMouse, Qt::QueuedConnection);
}

void TFrmCAD::ConnectThumbMouse()
{
    if (ShellThumbFiles)
        connect(ShellThumbFiles, &TThumbGrid::imageMousePress, this, &TFrmCAD::ShellThumbFilesMouseDown,
                Qt::UniqueConnection);
}

void TFrmCAD::ApplyListSettings()
{
    ShellListFiles->SetFileFilter(LoadAllFile ? QString() : DrawingMask);
    ShellListFiles->SetOptions(ShowHidden ? kListOptionsWithHidden : kListOptionsWithoutHidden);
}

QString TFrmCAD::FolderPathForSettings() const
{
    return ShellComboFolder ? ShellComboFolder->SelectedFolderPath() : QString();
}

int TFrmCAD::BrowserView() const
{
    if (ThumbMode == 1)
        return 2;
    return ShellListFiles && ShellListFiles->ViewStyle() == vsList ? 1 : 0;
}

void TFrmCAD::PM_ReportClick(QAction* sender)
{
    if (!sender)
        return;
    const unsigned tag = sender->data().toUInt();
    if (tag >= 2) {
        if (tag == 2 && ThumbMode == 0) {
            ThumbMode = 1;
            RebuildThumbs();
            ShellThumbFiles->raise();
        }
        return;
    }
    if (ThumbMode == 1) {
        ThumbMode = 0;
        ShellListFiles->raise();
        QCoreApplication::processEvents(); // the list shows before the thumbnails go
        ClearThumbs();
    }
    ShellListFiles->SetViewStyle(tag == 0 ? vsReport : vsList);
}

void TFrmCAD::BtnUpClick()
{
    ShellListFiles->FolderUp(1);
}

void TFrmCAD::BtnRefreshClick()
{
    ShellListFiles->ReloadFolder();
    if (ThumbMode == 1)
        RebuildThumbs();
}

void TFrmCAD::ShellListFilesFolderChanged()
{
    if (ThumbMode == 1)
        RebuildThumbs();
}

void TFrmCAD::ShellListFilesDblClickOpen(bool* handled)
{
    if (handled)
        *handled = true;
    OpenDrawing(ItemPath(ShellListFiles->FirstSelectedData()));
}

void TFrmCAD::ApplyFileFilter(bool onlyDrawings)
{
    const int n = ShellListFiles->RowCount();
    ShellListFiles->SetFileFilter(onlyDrawings ? DrawingMask : QString());
    LoadAllFile = !onlyDrawings;
    if (ShellListFiles->RowCount() != n && ThumbMode == 1)
        RebuildThumbs();
}

void TFrmCAD::ApplyShowHidden(bool show)
{
    const int n = ShellListFiles->RowCount();
    ShellListFiles->SetOptions(show ? kListOptionsWithHidden : kListOptionsWithoutHidden);
    ShowHidden = show;
    if (ShellListFiles->RowCount() != n && ThumbMode == 1)
        RebuildThumbs();
}

void TFrmCAD::RestoreStartFolder()
{
    ConnectThumbMouse();
    QString arg = startArgument();
    QString file;
    if (!arg.isEmpty()) {
        if (isFile(arg)) {
            file = arg;
            const qsizetype slash = arg.lastIndexOf(u'/');
            arg = slash < 0 ? QString() : arg.left(slash + 1);
        } else if (!isDir(arg)) {
            arg.clear();
        }
    }
    const settings::IniFile ini(EncodePath(SettingsFilePath()).toStdString());
    const settings::StartValues start = settings::ReadStartValues(ini);
    if (!arg.isEmpty()) {
        ShellListFiles->SetFolderPath(arg);
    } else {
        const QString saved = DecodePath(QByteArray::fromStdString(start.Path));
        if (!saved.isEmpty())
            ShellListFiles->SetFolderPath(saved);
    }
    QAction* view = start.ViewType == 1 ? PM_List : start.ViewType == 2 ? PM_Thumbnail : PM_Report;
    view->setChecked(true);
    PM_ReportClick(view);
    if (!file.isEmpty())
        OpenDrawing(file);
}

// ---- context menu and file commands ------------------------------------------

QString TFrmCAD::LastPathSegment(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? path : path.mid(slash + 1);
}

QString TFrmCAD::SelectedPaths() const
{
    QString out;
    if (ThumbMode == 1) {
        for (int i : ShellThumbFiles->SelectedIndexes()) {
            QString p = ThumbInfoPath(ShellThumbFiles->ImageInfoText(i));
            if (p.size() > 1 && p.endsWith(u'/'))
                p.chop(1);
            out += p + QChar(0);
        }
    } else {
        for (int r = ShellListFiles->FirstSelectedRow(); r >= 0; r = ShellListFiles->NextSelectedRow(r))
            out += ItemPath(ShellListFiles->ItemDataOf(r)) + QChar(0);
    }
    if (!out.isEmpty())
        out += QChar(0);
    return out;
}

void TFrmCAD::ShellListFilesMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, QPoint pos)
{
    if (button != Qt::RightButton)
        return;
    const int row = ShellListFiles->RowAt(pos);
    if (row < 0)
        return;
    const TRzShellListData* data = ShellListFiles->ItemDataOf(row);
    if (!ItemIsFileSystem(data))
        return;
    const bool one = ShellListFiles->SelCount() == 1;
    const bool realFolder = isDir(ShellListFiles->CurrentFolderPath());
    PM_OpenFile->setVisible(!ItemIsFolder(data));
    PM_OpenFile->setEnabled(one);
    PM_Shellopenfile->setVisible(PM_OpenFile->isVisible());
    PM_Shellopenfile->setEnabled(one);
    PM_Delete->setVisible(realFolder);
    PM_Delete->setEnabled(true);
    PM_Rename->setVisible(realFolder);
    PM_Rename->setEnabled(one);
    PM_Properties->setVisible(true);
    PM_Properties->setEnabled(one);
    PopupSource = ShellListFiles;
    PopupMenuList->popup(ShellListFiles->mapToGlobal(pos));
}

void TFrmCAD::ShellThumbFilesMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y)
{
    HitIndex = ShellThumbFiles->ImageAtPos(QPoint(x, y));
    if (HitIndex < 0 || button != Qt::RightButton)
        return;
    if (!ShellThumbFiles->IsSelected(HitIndex))
        ShellThumbFiles->SelectOnly(HitIndex);
    const QString kind = ShellThumbFiles->ImageTopText(HitIndex);
    if (kind < QStringLiteral("1"))
        return;
    const bool one = ShellThumbFiles->SelectedIndexes().size() == 1;
    const bool realFolder = isDir(ShellListFiles->CurrentFolderPath());
    PM_OpenFile->setVisible(kind >= QStringLiteral("2"));
    PM_OpenFile->setEnabled(one);
    PM_Shellopenfile->setVisible(PM_OpenFile->isVisible());
    PM_Shellopenfile->setEnabled(one);
    PM_Delete->setVisible(realFolder);
    PM_Delete->setEnabled(true);
    PM_Rename->setVisible(realFolder);
    PM_Rename->setEnabled(one);
    PM_Properties->setVisible(true);
    PM_Properties->setEnabled(one);
    PopupSource = ShellThumbFiles;
    PopupMenuList->popup(ShellThumbFiles->viewport()->mapToGlobal(QPoint(x, y)));
}

QString TFrmCAD::ThumbTargetPath() const
{
    if (HitIndex < 0 || HitIndex >= ShellThumbFiles->ImageCount())
        return {};
    return ThumbInfoPath(ShellThumbFiles->ImageInfoText(HitIndex));
}

void TFrmCAD::PM_OpenFileClick()
{
    QCoreApplication::processEvents();
    if (PopupSource == ShellListFiles) {
        const TRzShellListData* d = ShellListFiles->FirstSelectedData();
        if (d && ItemIsFileSystem(d) && !ItemIsFolder(d))
            OpenDrawing(ItemPath(d));
    } else if (PopupSource == ShellThumbFiles && HitIndex >= 0) {
        OpenDrawing(ThumbTargetPath());
    }
}

void TFrmCAD::PM_ShellopenfileClick()
{
    QCoreApplication::processEvents();
    QString path;
    if (PopupSource == ShellListFiles) {
        const TRzShellListData* d = ShellListFiles->FirstSelectedData();
        if (d && ItemIsFileSystem(d) && !ItemIsFolder(d))
            path = ItemPath(d);
    } else if (PopupSource == ShellThumbFiles && HitIndex >= 0) {
        path = ThumbTargetPath();
    }
    if (!path.isEmpty())
        ShellOpenFile(this, path);
}

void TFrmCAD::PM_PropertiesClick()
{
    QCoreApplication::processEvents();
    if (PopupSource == ShellListFiles) {
        if (const TRzShellListData* d = ShellListFiles->FirstSelectedData(); d && !ItemPath(d).isEmpty())
            ShowFileProperties(ItemPath(d));
    } else if (PopupSource == ShellThumbFiles && HitIndex >= 0) {
        ShowFileProperties(ThumbTargetPath());
    }
}

void TFrmCAD::PM_RenameClick()
{
    if (PopupSource == ShellListFiles) {
        const TRzShellListData* d = ShellListFiles->FirstSelectedData();
        if (!d || !ItemIsFileSystem(d))
            return;
        if (ShowRenameDialog(this, !ItemIsFolder(d), ShellListFiles->CurrentFolderPath(), ItemFileName(d)))
            ShellListFiles->ReloadFolder();
    } else if (PopupSource == ShellThumbFiles && HitIndex >= 0) {
        QString path = ThumbTargetPath();
        if (path.size() > 1 && path.endsWith(u'/'))
            path.chop(1);
        const QString oldName = LastPathSegment(path);
        const bool isFileEntry = ShellThumbFiles->ImageTopText(HitIndex) >= QStringLiteral("2");
        if (ShowRenameDialog(this, isFileEntry, ShellListFiles->CurrentFolderPath(), oldName)) {
            ShellListFiles->ReloadFolder();
            RebuildThumbs();
        }
    }
}

void TFrmCAD::PM_DeleteClick()
{
    if (PopupSource != ShellListFiles && PopupSource != ShellThumbFiles)
        return;
    const QStringList paths = SelectedPaths().split(QChar(0), Qt::SkipEmptyParts);
    const bool allowUndo = !(QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier);
    ShellFileOperation(paths, allowUndo, FO_DELETE, this);
    ShellListFiles->ReloadFolder();
    if (PopupSource == ShellThumbFiles)
        RebuildThumbs();
}
