#include "UnitCAD.h"

#include "Anchors.h"
#include "Buttons.h"
#include "CADFunctions.h"
#include "IniFile.h"
#include "PathBytes.h"
#include "UnitFace.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QVBoxLayout>
#include <cfenv>

namespace {

const QSize kDesignSize(712, 486);
const QColor kPaneGrey(190, 190, 190);

QString& programDirOverride()
{
    static QString dir;
    return dir;
}

// The floating-point environment the process had before the main window masked
// every exception; it is put back when the window is destroyed.
std::fenv_t savedFenv;

} // namespace

QString GetProgramDir()
{
    if (!programDirOverride().isEmpty())
        return AddTrailingSeparator(programDirOverride());
    return AddTrailingSeparator(QCoreApplication::applicationDirPath());
}

void TFrmCAD::SetProgramDirOverride(const QString& dir)
{
    programDirOverride() = dir;
}

QString TFrmCAD::SettingsFilePath() const
{
    return DecodePath(QByteArray::fromStdString(settings::SettingsFilePath(EncodePath(ProgramDir).toStdString())));
}

TFrmCAD::TFrmCAD(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(kDesignSize);
    createControls();
    createMenus();
    CreateBrowserControls();
    CreateThumbControls();
    CreateFrameBehaviour();
    layoutControls();
    FormCreate();
}

TFrmCAD::~TFrmCAD()
{
    if (!destroyed_)
        FormDestroy();
}

void TFrmCAD::createControls()
{
    auto place = [this](QWidget* w, int x, int y, int cw, int ch, unsigned anchors) {
        w->setGeometry(x, y, cw, ch);
        placed_.append({w, QRect(x, y, cw, ch), anchors});
    };

    for (int i = 0; i < 11; ++i)
        ImageList1.append(QIcon(QStringLiteral(":/art/imagelist_%1.png").arg(i, 2, 10, QLatin1Char('0'))));

    LabelTitle = new QLabel(this);
    LabelTitle->setObjectName(QStringLiteral("LabelTitle"));
    LabelTitle->setAttribute(Qt::WA_TranslucentBackground);
    place(LabelTitle, 0, 0, 712, 25, AnchorLeft | AnchorTop | AnchorRight);

    RzSeparator1 = new QLabel(this);
    RzSeparator1->setObjectName(QStringLiteral("RzSeparator1"));
    RzSeparator1->setStyleSheet(QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 black, stop:0.5 rgb(190,190,190), stop:1 black);"));
    place(RzSeparator1, 1, 26, 710, 1, AnchorLeft | AnchorTop | AnchorRight);

    LabelCaption = new QLabel(this);
    LabelCaption->setObjectName(QStringLiteral("LabelCaption"));
    QFont captionFont(QStringLiteral("Tahoma"), 8);
    captionFont.setBold(true);
    LabelCaption->setFont(captionFont);
    LabelCaption->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    LabelCaption->move(33, 7);
    placed_.append({LabelCaption, QRect(33, 7, 0, 0), AnchorLeft | AnchorTop});

    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(QPixmap(QStringLiteral(":/art/icon16.png")));
    place(Image2, 12, 6, 16, 16, AnchorLeft | AnchorTop);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/art/logo.png")));
    Image1->setCursor(Qt::PointingHandCursor);
    place(Image1, 24, 27, 220, 60, AnchorLeft | AnchorTop);

    auto bitmapButton = [&](TBitmapButton*& b, const char* name, const char* art, int x, int y, int w, int h,
                            unsigned anchors) {
        b = new TBitmapButton(this);
        b->setObjectName(QLatin1String(name));
        b->setArtwork(QLatin1String(art));
        place(b, x, y, w, h, anchors);
    };
    const unsigned topRight = AnchorTop | AnchorRight;
    const unsigned topLeft = AnchorTop | AnchorLeft;
    bitmapButton(BtnSysMin, "BtnSysMin", "btn_sysmin", 632, 0, 21, 25, topRight);
    bitmapButton(BtnSysMax, "BtnSysMax", "btn_sysmax", 653, 0, 29, 25, topRight);
    bitmapButton(BtnSysClose, "BtnSysClose", "btn_sysclose", 681, 0, 31, 25, topRight);
    bitmapButton(BtnView, "BtnView", "btn_view", 256, 36, 70, 50, topLeft);
    bitmapButton(BtnHomepage, "BtnHomepage", "btn_homepage", 330, 36, 70, 50, topLeft);
    bitmapButton(BtnZoomAll, "BtnZoomAll", "btn_zoomall", 465, 56, 32, 32, topRight);
    bitmapButton(BtnZoomWin, "BtnZoomWin", "btn_zoomwin", 498, 56, 32, 32, topRight);
    bitmapButton(BtnZoomOut, "BtnZoomOut", "btn_zoomout", 531, 56, 32, 32, topRight);
    bitmapButton(BtnZoomIn, "BtnZoomIn", "btn_zoomin", 564, 56, 32, 32, topRight);
    bitmapButton(BtnPan, "BtnPan", "btn_pan", 597, 56, 32, 32, topRight);
    bitmapButton(BtnLayer, "BtnLayer", "btn_layer", 630, 56, 32, 32, topRight);
    bitmapButton(BtnPrint, "BtnPrint", "btn_print", 663, 56, 32, 32, topRight);

    RzSplitter1 = new QSplitter(Qt::Horizontal, this);
    RzSplitter1->setObjectName(QStringLiteral("RzSplitter1"));
    RzSplitter1->setHandleWidth(3);
    RzSplitter1->setChildrenCollapsible(false);
    RzSplitter1->setStyleSheet(QStringLiteral(
        "QSplitter#RzSplitter1 { background: rgb(190,190,190); border: 1px solid rgb(120,120,120); border-radius: 3px; }"
        "QSplitter#RzSplitter1::handle { background: black; }"));
    place(RzSplitter1, 6, 90, 701, 390, AnchorAll);

    auto pane = [&](const char* name) {
        auto* w = new QWidget;
        w->setObjectName(QLatin1String(name));
        w->setAutoFillBackground(true);
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, kPaneGrey);
        w->setPalette(pal);
        w->setContentsMargins(1, 1, 1, 1);
        return w;
    };
    LeftPane = pane("LeftPane");
    RightPane = pane("RightPane");
    RzSplitter1->addWidget(LeftPane);
    RzSplitter1->addWidget(RightPane);
    RzSplitter1->setStretchFactor(0, 0);
    RzSplitter1->setStretchFactor(1, 1);
    RzSplitter1->setSizes({310, 388});

    auto* leftLayout = new QVBoxLayout(LeftPane);
    leftLayout->setContentsMargins(1, 1, 1, 1);
    leftLayout->setSpacing(0);
    RzPanel2 = new QWidget;
    RzPanel2->setObjectName(QStringLiteral("RzPanel2"));
    RzPanel2->setFixedHeight(28);
    leftLayout->addWidget(RzPanel2);
    LeftViews = new QWidget;
    LeftViews->setObjectName(QStringLiteral("LeftViews"));
    leftLayout->addWidget(LeftViews, 1);

    BtnUp = new TFlatToolButton(RzPanel2);
    BtnUp->setObjectName(QStringLiteral("BtnUp"));
    BtnUp->setIcon(ImageList1.value(0));
    BtnRefresh = new TFlatToolButton(RzPanel2);
    BtnRefresh->setObjectName(QStringLiteral("BtnRefresh"));
    BtnRefresh->setIcon(ImageList1.value(10));

    auto* rightLayout = new QVBoxLayout(RightPane);
    rightLayout->setContentsMargins(1, 1, 1, 1);
    rightLayout->setSpacing(0);
    RzPanelBk = new QWidget;
    RzPanelBk->setObjectName(QStringLiteral("RzPanelBk"));
    RzPanelBk->setAutoFillBackground(true);
    rightLayout->addWidget(RzPanelBk, 1);
    RzPanelMsg = new QLabel;
    RzPanelMsg->setObjectName(QStringLiteral("RzPanelMsg"));
    RzPanelMsg->setFixedHeight(16);
    RzPanelMsg->setFont(QFont(QStringLiteral("Tahoma"), 8));
    RzPanelMsg->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    RzPanelMsg->setStyleSheet(QStringLiteral("QLabel { background: black; color: white; }"));
    rightLayout->addWidget(RzPanelMsg);

    createViewerControls();

    RzPanelDis = new QLabel(RzPanelBk);
    RzPanelDis->setObjectName(QStringLiteral("RzPanelDis"));
    RzPanelDis->setStyleSheet(QStringLiteral("QLabel { background: black; }"));
    RzPanelDis->setGeometry(0, 0, 382, 368);

    PanelWaite = new QLabel(RzPanelBk);
    PanelWaite->setObjectName(QStringLiteral("PanelWaite"));
    PanelWaite->setAlignment(Qt::AlignCenter);
    PanelWaite->setStyleSheet(QStringLiteral("QLabel { background: black; color: white; border: 2px solid white; }"));
    PanelWaite->setGeometry(114, 44, 185, 41);
    PanelWaite->hide();
    RzPanelBk->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TFrmCAD::Timer1Timer);

    connect(BtnView, &QAbstractButton::clicked, this, &TFrmCAD::BtnViewClick);
    connect(BtnHomepage, &QAbstractButton::clicked, this, &TFrmCAD::PM_HomepageClick);
    connect(BtnZoomAll, &QAbstractButton::clicked, this, &TFrmCAD::BtnZoomAllClick);
    connect(BtnZoomWin, &QAbstractButton::clicked, this, &TFrmCAD::BtnZoomWinClick);
    connect(BtnZoomOut, &QAbstractButton::clicked, this, &TFrmCAD::BtnZoomOutClick);
    connect(BtnZoomIn, &QAbstractButton::clicked, this, &TFrmCAD::BtnZoomInClick);
    connect(BtnPan, &QAbstractButton::clicked, this, &TFrmCAD::BtnPanClick);
    connect(BtnLayer, &QAbstractButton::clicked, this, &TFrmCAD::BtnLayerClick);
    connect(BtnPrint, &QAbstractButton::clicked, this, &TFrmCAD::BtnPrintClick);
}

void TFrmCAD::createMenus()
{
    PopupMenuView = new QMenu(this);
    PopupMenuView->setObjectName(QStringLiteral("PopupMenuView"));
    PM_View = PopupMenuView->addMenu(QString());
    PM_View->setObjectName(QStringLiteral("PM_View"));
    ViewGroup = new QActionGroup(this);
    ViewGroup->setExclusive(true);
    auto viewItem = [&](QAction*& a, const char* name, int tag) {
        a = PM_View->addAction(QString());
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        a->setData(tag);
        ViewGroup->addAction(a);
    };
    viewItem(PM_Report, "PM_Report", 0);
    viewItem(PM_List, "PM_List", 1);
    viewItem(PM_Thumbnail, "PM_Thumbnail", 2);
    PopupMenuView->addSeparator();
    PM_Options = PopupMenuView->addAction(QString());
    PM_Options->setObjectName(QStringLiteral("PM_Options"));
    PM_Homepage = PopupMenuView->addAction(QString());
    PM_Homepage->setObjectName(QStringLiteral("PM_Homepage"));
    PopupMenuView->addSeparator();
    PM_Exit = PopupMenuView->addAction(QString());
    PM_Exit->setObjectName(QStringLiteral("PM_Exit"));
    connect(PM_Options, &QAction::triggered, this, &TFrmCAD::PM_OptionsClick);
    connect(PM_Homepage, &QAction::triggered, this, &TFrmCAD::PM_HomepageClick);
    connect(PM_Exit, &QAction::triggered, this, &TFrmCAD::PM_ExitClick);

    PopupMenuList = new QMenu(this);
    PopupMenuList->setObjectName(QStringLiteral("PopupMenuList"));
    PM_OpenFile = PopupMenuList->addAction(QString());
    PM_OpenFile->setObjectName(QStringLiteral("PM_OpenFile"));
    PM_Shellopenfile = PopupMenuList->addAction(QString());
    PM_Shellopenfile->setObjectName(QStringLiteral("PM_Shellopenfile"));
    PopupMenuList->addSeparator();
    PM_Delete = PopupMenuList->addAction(ImageList1.value(8), QString());
    PM_Delete->setObjectName(QStringLiteral("PM_Delete"));
    PM_Rename = PopupMenuList->addAction(QString());
    PM_Rename->setObjectName(QStringLiteral("PM_Rename"));
    PopupMenuList->addSeparator();
    PM_Properties = PopupMenuList->addAction(ImageList1.value(9), QString());
    PM_Properties->setObjectName(QStringLiteral("PM_Properties"));

    PopupMenuSys = new QMenu(this);
    PopupMenuSys->setObjectName(QStringLiteral("PopupMenuSys"));
    PM_MinSize = PopupMenuSys->addAction(ImageList1.value(1), QString());
    PM_MinSize->setObjectName(QStringLiteral("PM_MinSize"));
    PopupMenuSys->addSeparator();
    PM_Close = PopupMenuSys->addAction(ImageList1.value(2), QString());
    PM_Close->setObjectName(QStringLiteral("PM_Close"));
    PM_Close->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    PM_Close->setShortcutVisibleInContextMenu(true);
}

void TFrmCAD::layoutControls()
{
    for (const Placed& p : placed_) {
        if (p.design.isEmpty()) // sized to its content; only its position is fixed
            continue;
        p.widget->setGeometry(AnchoredRect(p.design, kDesignSize, size(), p.anchors));
    }
    // Folder bar: combo stretches, the two tool buttons keep to the right.
    const int barW = RzPanel2->width();
    BtnUp->setGeometry(barW - 48, 0, 23, 23);
    BtnRefresh->setGeometry(barW - 24, 0, 23, 23);
}

void TFrmCAD::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    layoutControls();
}

bool TFrmCAD::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(e);
}

void TFrmCAD::closeEvent(QCloseEvent* e)
{
    if (!destroyed_)
        FormDestroy();
    e->accept();
}

void TFrmCAD::ApplyInterfaceText()
{
    HomepageAddress = GetProgramDir() + QStringLiteral("plendor-guide.htm");
    EditionLabel = QStringLiteral("免费版");
    ProductTitle = QStringLiteral("Plendor");

    setFont(QFont(QStringLiteral("宋体"), 9));
    PanelWaite->setFont(QFont(QStringLiteral("宋体"), 9));
    PanelWaite->setText(QStringLiteral("正在打开，请稍候..."));

    BtnView->setToolTip(QStringLiteral("主菜单"));
    BtnHomepage->setToolTip(QStringLiteral("访问主页"));
    BtnPan->setToolTip(QStringLiteral("移动"));
    BtnZoomWin->setToolTip(QStringLiteral("窗口缩放"));
    BtnZoomAll->setToolTip(QStringLiteral("完整视图"));
    BtnZoomOut->setToolTip(QStringLiteral("缩小"));
    BtnZoomIn->setToolTip(QStringLiteral("放大"));
    BtnSysMin->setToolTip(QStringLiteral("最小化"));
    BtnSysMax->setToolTip(QStringLiteral("最大化"));
    BtnLayer->setToolTip(QStringLiteral("图层"));
    BtnPrint->setToolTip(QStringLiteral("打印"));
    BtnSysClose->setToolTip(QStringLiteral("关闭"));
    BtnUp->setToolTip(QStringLiteral("上一级文件夹"));
    BtnRefresh->setToolTip(QStringLiteral("刷新"));

    PM_View->setTitle(QStringLiteral("查看(&V)"));
    PM_Report->setText(QStringLiteral("详细信息"));
    PM_List->setText(QStringLiteral("列表"));
    PM_Thumbnail->setText(QStringLiteral("缩略图"));
    PM_Options->setText(QStringLiteral("设置(&O)"));
    PM_Homepage->setText(QStringLiteral("访问主页(&H)"));
    PM_Exit->setText(QStringLiteral("退出(&X)"));
    PM_OpenFile->setText(QStringLiteral("打开(&O)"));
    PM_Shellopenfile->setText(QStringLiteral("用外部程序打开..."));
    PM_MinSize->setText(QStringLiteral("最小化(&N)"));
    PM_Close->setText(QStringLiteral("关闭(&C)"));
    PM_Delete->setText(QStringLiteral("删除(&D)"));
    PM_Rename->setText(QStringLiteral("重命名(&M)"));
    PM_Properties->setText(QStringLiteral("属性(&R)"));
}

void TFrmCAD::FormCreate()
{
    std::fegetenv(&savedFenv);
    std::feclearexcept(FE_ALL_EXCEPT);
    std::fenv_t masked;
    std::feholdexcept(&masked); // clears the flags and masks every exception

    ApplyInterfaceText();
    ProgramDir = GetProgramDir();
    const QString title = ProductTitle + QLatin1Char(' ') + QStringLiteral("3.1.8") + QLatin1Char(' ') + EditionLabel;
    setWindowTitle(title);
    QGuiApplication::setApplicationDisplayName(QString());
    LabelCaption->setText(QStringLiteral("3.1.8 ") + EditionLabel);
    LabelCaption->adjustSize();

    FirstActivate = true;
    DrawingOpen = false;
    HitIndex = -1;
    ThumbMode = 0;

    CreateLoader();
    try {
        LoadSettings();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, windowTitle(), QString::fromUtf8(e.what()));
    }
    configureViewer();
}

void TFrmCAD::FormActivate()
{
    if (!FirstActivate)
        return;
    FirstActivate = false;
    Timer1->start();
}

void TFrmCAD::Timer1Timer()
{
    Timer1->stop();
    MaximizeToWorkArea();
    RestoreStartFolder();
}

void TFrmCAD::MaximizeToWorkArea()
{
    const QRect g = geometry();
    SavedBounds = {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    setGeometry(work);
}

void TFrmCAD::RestoreWindowBounds()
{
    // Before the first maximise there is nothing to go back to.
    if (SavedBounds.isEmpty())
        return;
    setGeometry(SavedBounds.Left, SavedBounds.Top, SavedBounds.Right - SavedBounds.Left,
                SavedBounds.Bottom - SavedBounds.Top);
}

void TFrmCAD::FormDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    Timer1->stop();
    StopLoader();
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, windowTitle(), QString::fromUtf8(e.what()));
    }
    std::fesetenv(&savedFenv);
}

void TFrmCAD::BtnViewClick()
{
    PopupMenuView->popup(BtnView->mapToGlobal(QPoint(0, BtnView->height())));
}

void TFrmCAD::PM_HomepageClick()
{
    OpenWithShell(HomepageAddress);
}

void TFrmCAD::PM_ExitClick()
{
    close();
}
