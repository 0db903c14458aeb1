// Thumbnail catalogue, painting hook and the preview loader of the main window.

#include "UnitCAD.h"

#include "BrowserIcons.h"
#include "CADFunctions.h"
#include "ImageLoadThread.h"
#include "RzShellList.h"
#include "ShellListData.h"
#include "ThumbGrid.h"
#include "ThumbInfo.h"
#include "ThumbPaint.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>

#include <climits>

namespace {
constexpr int kLargeIcon = 32;

// Ends a paint suspension on every path out of a rebuild.
struct PaintLock {
    TThumbGrid* grid;
    explicit PaintLock(TThumbGrid* g) : grid(g) { grid->LockPaint(); }
    ~PaintLock() { grid->UnlockPaint(); }
};
} // namespace

void TFrmCAD::CreateThumbControls()
{
    ShellThumbFiles = new TThumbGrid(LeftViews);
    ShellThumbFiles->setObjectName(QStringLiteral("ShellThumbFiles"));
    ShellThumbFiles->SetBackground(Qt::white);
    ShellThumbFiles->SetThumbnailsBackground(Qt::white);
    ShellThumbFiles->SetThumbnailsBorderColor(Qt::black);
    ShellThumbFiles->SetThumbWidth(80);
    ShellThumbFiles->SetThumbHeight(100);
    ShellThumbFiles->SetHorizBorder(12);
    ShellThumbFiles->SetVertBorder(12);
    ShellThumbFiles->SetShowHint(true);
    ThumbIcons = new TThumbIconCache(this);
    if (auto* grid = qobject_cast<QGridLayout*>(LeftViews->layout()))
        grid->addWidget(ShellThumbFiles, 0, 0);
    // The folder list is in front until the thumbnail view is chosen.
    if (TRzShellList* list = ThumbList())
        list->raise();

    ShellThumbFiles->SetBeforeImageDrawEx(
        [this](TThumbGrid* sender, int idx, int left, int top, TCanvas& dest, TThumbRect& thumbRect) {
            ShellThumbFilesBeforeImageDrawEx(sender, idx, left, top, dest, thumbRect);
        });
    connect(ShellThumbFiles, &TThumbGrid::imageMouseMove, this, &TFrmCAD::ShellThumbFilesMouseMove);
    connect(ShellThumbFiles, &TThumbGrid::imageDoubleClick, this, &TFrmCAD::ShellThumbFilesDblClick);
}

TRzShellList* TFrmCAD::ThumbList() const
{
    // Found by name, so this part needs nothing of the browser's part of the
    // window beyond the list itself.
    if (!thumbList_)
        thumbList_ = findChild<TRzShellList*>(QStringLiteral("ShellListFiles"));
    return thumbList_;
}

void TFrmCAD::CreateLoader()
{
    LoadQueue = new TLoadQueue;
    // Created parked at a priority one step above normal. The grid has none
    // of the behaviours the hook takes over: it never enlarges small pictures,
    // draws no texts of its own and fills no cell background.
    Loader = new TImageLoadThread(ShellThumbFiles, LoadQueue, true);
}

void TFrmCAD::StopLoader()
{
    if (Loader) {
        Loader->Terminate();
        // Waits for the thread while still serving the steps it hands over.
        delete Loader;
        Loader = nullptr;
    }
    FreeLoadQueue(LoadQueue);
}

void TFrmCAD::ApplyThumbSettings()
{
    if (!ShellThumbFiles)
        return;
    // A width near the top of the range would overflow the + 20.
    const int height = int(std::min<qint64>(qint64(ThumbW) + 20, INT_MAX));
    ShellThumbFiles->SetThumbWidth(ThumbW);
    ShellThumbFiles->SetThumbHeight(height);
    ShellThumbFiles->SetThumbnailsBorderColor(ColorFromTColor(ThumbBorderColor));
    ShellThumbFiles->SetThumbnailsBackground(ColorFromTColor(ThumbBackColor));
    ShellThumbFiles->SetHorizBorder(ThumbSpaceW);
    ShellThumbFiles->SetVertBorder(ThumbSpaceH);
    // The frame style shows at once; icon pictures already made keep their
    // background until the next rebuild.
    ShellThumbFiles->viewport()->update();
}

void TFrmCAD::RebuildThumbs()
{
    PaintLock lock(ShellThumbFiles);
    ClearThumbs();
    const TRzShellList* list = ThumbList();
    const int rows = list ? list->RowCount() : 0;
    for (int row = 0; row < rows; ++row)
        AddThumbEntry(row);
    ShellThumbFiles->DeselectNone();
    ShellThumbFiles->SetViewX(0);
    ShellThumbFiles->SetViewY(0);
}

void TFrmCAD::ClearThumbs()
{
    ShellThumbFiles->Clear();
    ThumbIcons->Clear();
}

void TFrmCAD::AddThumbEntry(int row)
{
    try {
        const TRzShellList* list = ThumbList();
        const TRzShellListData* data = list ? list->ItemDataOf(row) : nullptr;
        if (!data)
            return; // no item data: no entry for this row
        const int kind = ThumbKindOf(data);
        QString path = ItemPath(data);
        if (kind == 0 || kind == 1)
            path = AddTrailingSeparator(path);
        const int i = ShellThumbFiles->AppendImage();
        ShellThumbFiles->SetImageTopText(i, QString::number(kind));
        QString c1, c2, c3;
        ColumnText(data, 1, c1);
        ColumnText(data, 2, c2);
        ColumnText(data, 3, c3);
        ShellThumbFiles->SetImageInfoText(i, MakeThumbInfo(path, c1, c2, c3));
        ShellThumbFiles->SetImageBottomText(i, ItemDisplayName(data));
        ShellThumbFiles->SetImageTag(i, 0);
    } catch (...) {
        // One entry's failure is not reported; later rows are still added.
    }
}

int TFrmCAD::ThumbKindOf(const TRzShellListData* data) const
{
    if (!ItemIsFileSystem(data))
        return 0;
    if (ItemIsFolder(data))
        return 1;
    if (IsDwgFile(ItemPath(data)))
        return 2;
    return 3;
}

void TFrmCAD::ColumnText(const TRzShellListData* data, int column, QString& text) const
{
    text = ItemDetailText(data, column);
    if (!text.isEmpty())
        text = ColumnCaption(column) + QStringLiteral(": ") + text;
}

void TFrmCAD::ShellThumbFilesMouseMove(Qt::KeyboardModifiers, int x, int y)
{
    const int i = ShellThumbFiles->ImageAtPos(QPoint(x, y));
    if (i >= 0) {
        ShellThumbFiles->SetHint(ShellThumbFiles->ImageBottomText(i)
                                 + ThumbInfoToHint(ShellThumbFiles->ImageInfoText(i)));
        ShellThumbFiles->SetShowHint(true);
    } else {
        ShellThumbFiles->SetShowHint(false);
    }
}

void TFrmCAD::ShellThumbFilesDblClick()
{
    if (HitIndex < 0)
        return;
    try {
        TRzShellList* list = ThumbList();
        const QString kind = ShellThumbFiles->ImageTopText(HitIndex);
        const QString info = ShellThumbFiles->ImageInfoText(HitIndex);
        if (kind == QLatin1String("0")) {
            const int row = list ? list->RowOfCaption(ShellThumbFiles->ImageBottomText(HitIndex)) : -1;
            if (row >= 0)
                list->SetFolderId(ItemShellId(list->ItemDataOf(row)));
        } else if (kind == QLatin1String("1")) {
            const QString path = ThumbInfoPath(info);
            if (!path.isEmpty() && QFileInfo(path).isDir()) {
                if (list)
                    list->SetFolderPath(path);
            } else {
                QMessageBox::warning(this, QStringLiteral("警告"),
                                     QLatin1Char('"') + path + QLatin1Char('"') + QStringLiteral("\r\n")
                                         + QStringLiteral("路径不存在！"),
                                     QMessageBox::Ok);
            }
        } else {
            OpenDrawing(ThumbInfoPath(info));
        }
    } catch (...) {
        // Swallowed: a vanished entry or a failing shell call is no news to the user.
    }
}

void TFrmCAD::ShellThumbFilesBeforeImageDrawEx(TThumbGrid* sender, int idx, int left, int top, TCanvas& dest,
                                                TThumbRect& thumbRect)
{
    (void)sender;
    if (idx < 0)
        return;
    TThumbStyle style;
    style.BorderType = ThumbBorderType;
    style.BorderColor = ColorFromTColor(ThumbBorderColor);
    style.BackColor = ColorFromTColor(ThumbBackColor);
    style.Font = font();
    const QString info = ShellThumbFiles->ImageInfoText(idx);
    PaintThumbDecoration(dest, left, top, thumbRect, ShellThumbFiles->ImageTopText(idx), info,
                         ShellThumbFiles->ImageBottomText(idx), ShellThumbFiles->IsSelected(idx),
                         ShellThumbFiles->ViewHasFocus(), style);
    if (ShellThumbFiles->ImageTag(idx) != 0)
        return;

    // The item's icon: by path when it has one, else by the list row of the
    // same index, else the icon an empty path gets.
    const QString path = ThumbInfoPath(info);
    QIcon icon;
    if (!path.isEmpty())
        icon = IconForPath(path);
    else if (const TRzShellList* list = ThumbList(); list && idx < list->RowCount())
        icon = list->ItemIcon(idx);
    if (icon.isNull())
        icon = IconForPath(QString());
    if (icon.isNull())
        icon = FallbackFileIcon();
    RequestThumbPicture(ShellThumbFiles, idx, ThumbIcons->Picture(icon, style.BackColor, kLargeIcon), LoadQueue,
                        Loader);
}
