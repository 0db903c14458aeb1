#pragma once
// The main window: a borderless window with the browser on the left and the
// drawing viewer on the right. Handlers keep the names of the controls and
// events they serve; each subsystem defines its handlers in its own
// UnitCAD_<Area>.cpp.

#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QLabel>
#include <QList>
#include <QMenu>
#include <QRect>
#include <QSplitter>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "OptionsHost.h"

class TBitmapButton;
class TFlatToolButton;
class TDwgViewX;

class TFrmCAD : public QWidget, public OptionsHost {
    Q_OBJECT
public:
    explicit TFrmCAD(QWidget* parent = nullptr);
    ~TFrmCAD() override;

    // ---- Main-window state ------------------------------------------------
    bool FirstActivate = true;
    int HitIndex = -1;
    struct TBounds {
        int Left = 0, Top = 0, Right = 0, Bottom = 0; // right and bottom exclusive
        bool isEmpty() const { return Right <= Left || Bottom <= Top; }
    };
    TBounds SavedBounds; // the bounds before the last maximise
    bool DrawingOpen = false;
    QString HomepageAddress;
    QString EditionLabel;
    QString ProductTitle;
    int ThumbMode = 0;

    // Settings fields; the options dialog changes them live, they reach the
    // settings file when the window is destroyed.
    int32_t ThumbW = 80;
    int32_t ThumbBorderColor = 0;       // 0x00BBGGRR
    int32_t ThumbBackColor = 16777215;  // 0x00BBGGRR
    uint8_t ThumbBorderType = 1;
    int32_t ThumbSpaceW = 12;
    int32_t ThumbSpaceH = 12;
    bool LoadAllFile = false;
    bool ShowHidden = true;
    int32_t BkColor = 0;
    uint8_t LanguageIndex = 7;

    QString ProgramDir; // the executable's folder, ending in '/'
    // Korvane.ini beside the executable, or in the user's config folder when
    // the program folder is read-only.
    QString SettingsFilePath() const;
    // Tests point the program folder elsewhere so they never touch real settings.
    static void SetProgramDirOverride(const QString& dir);

    // ---- Controls ----------------------------------------------------------
    QLabel* LabelTitle = nullptr;
    QLabel* RzSeparator1 = nullptr;
    QLabel* LabelCaption = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Image1 = nullptr;
    TBitmapButton* BtnSysMin = nullptr;
    TBitmapButton* BtnSysMax = nullptr;
    TBitmapButton* BtnSysClose = nullptr;
    TBitmapButton* BtnView = nullptr;
    TBitmapButton* BtnHomepage = nullptr;
    TBitmapButton* BtnZoomAll = nullptr;
    TBitmapButton* BtnZoomWin = nullptr;
    TBitmapButton* BtnZoomOut = nullptr;
    TBitmapButton* BtnZoomIn = nullptr;
    TBitmapButton* BtnPan = nullptr;
    TBitmapButton* BtnLayer = nullptr;
    TBitmapButton* BtnPrint = nullptr;
    QSplitter* RzSplitter1 = nullptr;
    QWidget* LeftPane = nullptr;
    QWidget* RightPane = nullptr;
    QWidget* RzPanel2 = nullptr;
    TFlatToolButton* BtnUp = nullptr;
    TFlatToolButton* BtnRefresh = nullptr;
    QWidget* LeftViews = nullptr; // the rectangle the list and the thumbnails share
    QWidget* RzPanelBk = nullptr;
    TDwgViewX* DwgViewX1 = nullptr;
    QLabel* RzPanelDis = nullptr;
    QLabel* PanelWaite = nullptr;
    QLabel* RzPanelMsg = nullptr;
    QTimer* Timer1 = nullptr;
    QList<QIcon> ImageList1;

    QMenu* PopupMenuView = nullptr;
    QMenu* PM_View = nullptr;
    QActionGroup* ViewGroup = nullptr;
    QAction* PM_Report = nullptr;
    QAction* PM_List = nullptr;
    QAction* PM_Thumbnail = nullptr;
    QAction* PM_Options = nullptr;
    QAction* PM_Homepage = nullptr;
    QAction* PM_Exit = nullptr;
    QMenu* PopupMenuList = nullptr;
    QAction* PM_OpenFile = nullptr;
    QAction* PM_Shellopenfile = nullptr;
    QAction* PM_Delete = nullptr;
    QAction* PM_Rename = nullptr;
    QAction* PM_Properties = nullptr;
    QMenu* PopupMenuSys = nullptr;
    QAction* PM_MinSize = nullptr;
    QAction* PM_Close = nullptr;

    // ---- Start-up, shutdown, window state ----------------------------------
    void FormCreate();
    void FormActivate();
    void Timer1Timer();
    void FormDestroy();
    void MaximizeToWorkArea();
    void RestoreWindowBounds();
    void ApplyInterfaceText();
    void LoadSettings();
    void SaveSettings();
    void BtnViewClick();
    void PM_HomepageClick();
    void PM_ExitClick();
    void PM_OptionsClick();
    bool Destroyed() const { return destroyed_; }

    // ---- Options dialog: the fields it shows and the changes it applies ----
    bool OptLoadAllFile() const override { return LoadAllFile; }
    bool OptShowHidden() const override { return ShowHidden; }
    std::int32_t OptThumbW() const override { return ThumbW; }
    std::int32_t OptThumbBorderColor() const override { return ThumbBorderColor; }
    std::int32_t OptThumbBackColor() const override { return ThumbBackColor; }
    std::int32_t OptThumbSpaceW() const override { return ThumbSpaceW; }
    std::int32_t OptThumbSpaceH() const override { return ThumbSpaceH; }
    std::uint8_t OptThumbBorderType() const override { return ThumbBorderType; }
    std::int32_t OptBkColor() const override { return BkColor; }
    void ApplyThumbSize(std::int32_t n) override;
    void ApplyThumbBorderColor(std::int32_t colorRef) override;
    void ApplyThumbBackColor(std::int32_t colorRef) override;
    void ApplyThumbSpaceW(std::int32_t v) override;
    void ApplyThumbSpaceH(std::int32_t v) override;
    void ApplyThumbBorderType(std::uint8_t type) override;
    void ApplyBkColor(std::int32_t index) override;

    // ---- Viewer --------------------------------------------------------------
    void OpenDrawing(const QString& path);
    void ReportOpenFailure(const QString& path, const QString& text);
    void ApplyBackground(int index);
    void BtnPanClick();
    void BtnZoomWinClick();
    void BtnZoomAllClick();
    void BtnZoomInClick();
    void BtnZoomOutClick();
    void BtnLayerClick();
    void BtnPrintClick();

    // ==== Browser section (folder list, view modes, file commands) ===========
    // BEGIN browser
    class TRzShellList* ShellListFiles = nullptr;
    class TRzShellCombo* ShellComboFolder = nullptr;
    QObject* PopupSource = nullptr; // the view PopupMenuList was last opened from
    void CreateBrowserControls();
    void ConnectThumbMouse();          // ShellThumbFiles' presses to ShellThumbFilesMouseDown
    void ApplyFileFilter(bool onlyDrawings) override;
    void ApplyShowHidden(bool show) override;
    void ApplyListSettings();          // filter and hidden items from the settings fields
    QString FolderPathForSettings() const; // the combo's folder path; empty without one
    int BrowserView() const;
    void RestoreStartFolder();
    // Tests: the first command-line argument as RestoreStartFolder sees it
    // (nullptr: the real command line).
    static void SetStartArgumentOverride(const QString* arg);
    void PM_ReportClick(QAction* sender);
    void BtnUpClick();
    void BtnRefreshClick();
    void ShellListFilesFolderChanged();
    void ShellListFilesDblClickOpen(bool* handled);
    void ShellListFilesMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
    void ShellThumbFilesMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void PM_OpenFileClick();
    void PM_ShellopenfileClick();
    void PM_DeleteClick();
    void PM_RenameClick();
    void PM_PropertiesClick();
    // The selection of the view in front: each path followed by NUL, one more
    // NUL at the end; empty for no selection.
    QString SelectedPaths() const;
    static QString LastPathSegment(const QString& path);
    QString ThumbTargetPath() const;   // the path of entry HitIndex
    // END browser

    // ==== Thumbnails section (catalogue, painting, preview loader) ===========
    // BEGIN thumbs
    class TThumbGrid* ShellThumbFiles = nullptr;
    class TLoadQueue* LoadQueue = nullptr;
    class TImageLoadThread* Loader = nullptr;
    class TThumbIconCache* ThumbIcons = nullptr; // icon pictures shared by the entries
    class TRzShellList* ThumbList() const;       // the folder list the entries mirror
    mutable class TRzShellList* thumbList_ = nullptr;
    void CreateThumbControls();
    void CreateLoader();               // queue, parked loader, view behaviours
    void ApplyThumbSettings();         // size, gaps, colours from the settings fields
    void StopLoader();                 // stop and release the loader, free the queue
    void RebuildThumbs();
    void ClearThumbs();
    void AddThumbEntry(int row);
    int ThumbKindOf(const class TRzShellListData* data) const;
    void ColumnText(const class TRzShellListData* data, int column, QString& text) const;
    void ShellThumbFilesMouseMove(Qt::KeyboardModifiers shift, int x, int y);
    void ShellThumbFilesDblClick();
    void ShellThumbFilesBeforeImageDrawEx(class TThumbGrid* sender, int idx, int left, int top,
                                          struct TCanvas& dest, struct TThumbRect& thumbRect);
    // END thumbs

    // ==== Frame section (skinned frame, window buttons) =======================
    // BEGIN frame
    void CreateFrameBehaviour();
    void FormPaint(QPainter& canvas);      // the frame from FrmFace's skin
    void FormResize();
    // Resize-zone code (SkinFrame.h) for a screen position; the controls that
    // are windows of their own (buttons, splitter) answer for themselves.
    int FrameHitTest(const QPoint& globalPos) const;
    void LabelTitleMouseDown(QMouseEvent* e);
    void BtnSysMaxClick();
    void BtnSysMinClick();
    void BtnSysCloseClick();
    void Image2Click();
    class TFrameMouse* FrameMouse = nullptr; // cursors and drags of the frame
    // END frame

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void createControls();
    void createMenus();
    void layoutControls();
    void createViewerControls();
    void configureViewer();
    void layoutViewerPanels();
    struct Placed {
        QWidget* widget;
        QRect design;
        unsigned anchors;
    };
    QList<Placed> placed_;
    bool destroyed_ = false;
};

// The executable's folder, ending in '/'.
QString GetProgramDir();
