// The main window: texts, fonts, layout, first activation, settings at close,
// and the ways the window closes.

#include "TestSupport.h"

#include "Buttons.h"
#include "CADFunctions.h"
#include "DWGVIEWXLib_TLB.h"

#include <QFontInfo>
#include <QRawFont>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>
#include <csignal>
#include <fenv.h>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallSongSubstitutes(); }

    void hintsAndCaptions()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        const QList<QPair<QWidget*, QString>> hints = {
            {w.BtnView, "主菜单"}, {w.BtnHomepage, "访问主页"}, {w.BtnPan, "移动"},
            {w.BtnZoomWin, "窗口缩放"}, {w.BtnZoomAll, "完整视图"}, {w.BtnZoomOut, "缩小"},
            {w.BtnZoomIn, "放大"}, {w.BtnSysMin, "最小化"}, {w.BtnSysMax, "最大化"},
            {w.BtnLayer, "图层"}, {w.BtnPrint, "打印"}, {w.BtnSysClose, "关闭"},
            {w.BtnUp, "上一级文件夹"}, {w.BtnRefresh, "刷新"}};
        for (const auto& [widget, hint] : hints)
            QCOMPARE(widget->toolTip(), hint);

        const QList<QPair<QAction*, QString>> captions = {
            {w.PM_View->menuAction(), "查看(&V)"}, {w.PM_Report, "详细信息"}, {w.PM_List, "列表"},
            {w.PM_Thumbnail, "缩略图"}, {w.PM_Options, "设置(&O)"}, {w.PM_Homepage, "访问主页(&H)"},
            {w.PM_Exit, "退出(&X)"}, {w.PM_OpenFile, "打开(&O)"}, {w.PM_Shellopenfile, "用外部程序打开..."},
            {w.PM_MinSize, "最小化(&N)"}, {w.PM_Close, "关闭(&C)"}, {w.PM_Delete, "删除(&D)"},
            {w.PM_Rename, "重命名(&M)"}, {w.PM_Properties, "属性(&R)"}};
        for (const auto& [action, caption] : captions)
            QCOMPARE(action->text(), caption);
        QCOMPARE(w.PM_Close->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
        QCOMPARE(w.PanelWaite->text(), QString("正在打开，请稍候..."));

        // No design-time English anywhere the user can read.
        const QRegularExpression latin("[A-Za-z]{2,}");
        for (QAction* a : w.findChildren<QAction*>()) {
            QVERIFY2(!latin.match(QString(a->text()).remove("&")).hasMatch(), qPrintable(a->text()));
        }
        for (QWidget* c : w.findChildren<QWidget*>()) {
            QVERIFY2(!latin.match(c->toolTip()).hasMatch(), qPrintable(c->objectName()));
            if (auto* l = qobject_cast<QLabel*>(c))
                QVERIFY2(!latin.match(l->text()).hasMatch(), qPrintable(l->objectName()));
        }
        // The view entries form one radio group and none is checked before start-up chooses.
        QVERIFY(w.ViewGroup->isExclusive());
        QCOMPARE(w.ViewGroup->actions().size(), 3);
        QVERIFY(!w.PM_Report->isChecked() && !w.PM_List->isChecked() && !w.PM_Thumbnail->isChecked());
    }

    void titleAndEdition()
    {
        WindowFixture f;
        QCOMPARE(f.window->windowTitle(), QString("Plendor 3.1.8 免费版"));
        QCOMPARE(f.window->LabelCaption->text(), QString("3.1.8 免费版"));
        QCOMPARE(f.window->ProductTitle, QString("Plendor"));
        QCOMPARE(f.window->EditionLabel, QString("免费版"));
    }

    void chineseInASongFace()
    {
        WindowFixture f;
        const QFont font = f.window->font();
        QCOMPARE(font.family(), QString("宋体"));
        QCOMPARE(font.pointSize(), 9);
        const QString resolved = QFontInfo(font).family();
        QVERIFY2(resolved.contains("UMing") || resolved.contains("Sung") || resolved.contains("Serif CJK"),
                 qPrintable(resolved));
        const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::SimplifiedChinese);
        QVERIFY(raw.isValid());
        QVERIFY(raw.supportsCharacter(QChar(0x6587))); // 文
        QVERIFY(raw.familyName().contains("UMing") || raw.familyName().contains("Sung"));
    }

    void designGeometryAndAnchoring()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Timer1->stop(); // keep the design size for this test
        w.FirstActivate = false;
        w.resize(712, 486);
        QCoreApplication::processEvents();

        struct Row { QWidget* widget; QRect rect; };
        const QList<Row> design = {
            {w.LabelTitle, {0, 0, 712, 25}}, {w.RzSeparator1, {1, 26, 710, 1}}, {w.Image2, {12, 6, 16, 16}},
            {w.Image1, {24, 27, 220, 60}}, {w.BtnSysMin, {632, 0, 21, 25}}, {w.BtnSysMax, {653, 0, 29, 25}},
            {w.BtnSysClose, {681, 0, 31, 25}}, {w.BtnView, {256, 36, 70, 50}}, {w.BtnHomepage, {330, 36, 70, 50}},
            {w.BtnZoomAll, {465, 56, 32, 32}}, {w.BtnZoomWin, {498, 56, 32, 32}}, {w.BtnZoomOut, {531, 56, 32, 32}},
            {w.BtnZoomIn, {564, 56, 32, 32}}, {w.BtnPan, {597, 56, 32, 32}}, {w.BtnLayer, {630, 56, 32, 32}},
            {w.BtnPrint, {663, 56, 32, 32}}, {w.RzSplitter1, {6, 90, 701, 390}}};
        for (const Row& r : design)
            QCOMPARE(r.widget->geometry(), r.rect);
        QCOMPARE(w.LabelCaption->pos(), QPoint(33, 7));
        QCOMPARE(w.RzPanelMsg->height(), 16);
        const int leftWidth = w.LeftPane->width();
        QVERIFY(qAbs(leftWidth - 310) <= 2);

        w.resize(912, 586); // 200 wider, 100 higher
        QCoreApplication::processEvents();
        for (QWidget* b : {static_cast<QWidget*>(w.BtnZoomAll), static_cast<QWidget*>(w.BtnPrint),
                           static_cast<QWidget*>(w.BtnSysClose), static_cast<QWidget*>(w.BtnSysMin)}) {
            const auto it = std::find_if(design.begin(), design.end(), [b](const Row& r) { return r.widget == b; });
            QCOMPARE(b->geometry(), it->rect.translated(200, 0));
        }
        QCOMPARE(w.BtnView->geometry(), QRect(256, 36, 70, 50));
        QCOMPARE(w.BtnHomepage->geometry(), QRect(330, 36, 70, 50));
        QCOMPARE(w.Image1->geometry(), QRect(24, 27, 220, 60));
        QCOMPARE(w.RzSplitter1->geometry(), QRect(6, 90, 901, 490));
        QTRY_COMPARE(w.LeftPane->width(), leftWidth);
    }

    void firstActivationMaximisesOnce()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        w.show();
        w.activateWindow();
        QTRY_COMPARE(w.geometry(), work);
        QVERIFY(!w.FirstActivate);
        QCOMPARE(w.SavedBounds.Right - w.SavedBounds.Left, 712);

        // A later activation neither re-maximises nor re-arms the start-up.
        w.setGeometry(50, 60, 640, 480);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&w, &activate);
        QVERIFY(!w.Timer1->isActive());
        QCOMPARE(w.geometry(), QRect(50, 60, 640, 480));
    }

    void restoreGoesBackToSavedBounds()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.RestoreWindowBounds(); // nothing saved yet: ignored rather than a window without size
        QCOMPARE(w.size(), QSize(712, 486));
        w.setGeometry(40, 50, 700, 500);
        w.MaximizeToWorkArea();
        QCOMPARE(w.geometry(), QGuiApplication::primaryScreen()->availableGeometry());
        w.RestoreWindowBounds();
        QCOMPARE(w.geometry(), QRect(40, 50, 700, 500));
    }

    void closingWithoutSettingsCreatesTheFile()
    {
        WindowFixture f;
        QVERIFY(!QFile::exists(f.iniPath()));
        f.window->PM_ExitClick();
        QVERIFY(f.window->Destroyed());
        QFile ini(f.iniPath());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(ini.readAll());
        for (const char* key : {"[NORMAL]", "ViewType=0", "[OPTIONS]", "ThumbW=80", "ShowHidden=1", "BkColor=0",
                                "[LANGUAGE]", "Default=7"})
            QVERIFY2(text.contains(QLatin1String(key)), key);
        QVERIFY(text.indexOf("[NORMAL]") < text.indexOf("[OPTIONS]"));
        QVERIFY(text.indexOf("[OPTIONS]") < text.indexOf("[LANGUAGE]"));
    }

    void storedSettingsReachTheControls()
    {
        WindowFixture f("[OPTIONS]\r\nBkColor=3\r\nShowHidden=0\r\nLoadAllFile=1\r\n");
        TFrmCAD& w = *f.window;
        QCOMPARE(w.BkColor, 3);
        QCOMPARE(w.DwgViewX1->background(), short(3));
        QCOMPARE(w.RzPanelBk->palette().color(QPalette::Window), QColor(0, 128, 0));
        QVERIFY(!w.ShowHidden);
        QVERIFY(w.LoadAllFile);
    }

    void outOfRangeBackgroundIsBlack()
    {
        WindowFixture f("[OPTIONS]\r\nBkColor=12\r\n");
        QCOMPARE(f.window->BkColor, 0);
        QCOMPARE(f.window->RzPanelBk->palette().color(QPalette::Window), QColor(0, 0, 0));
    }

    void unwritableSettingsStillEndNormally()
    {
        // A folder where the file should be: no write can succeed, even as root.
        WindowFixture f;
        QVERIFY(QDir().mkdir(f.iniPath()));
        MessageBoxCatcher box;
        box.arm();
        f.window->close();
        QTRY_VERIFY(box.seen);
        QVERIFY(f.window->Destroyed());
        QVERIFY2(box.text.startsWith("Unable to write to"), qPrintable(box.text));
        QVERIFY(box.text.contains("Korvane.ini"));
    }

    void floatingPointExceptionsMaskedForTheWindowsLife()
    {
        feenableexcept(FE_DIVBYZERO);
        {
            WindowFixture f;
            QCOMPARE(fegetexcept(), 0);
            f.window->close();
            QCOMPARE(fegetexcept(), FE_DIVBYZERO);
        }
        fedisableexcept(FE_ALL_EXCEPT);
    }

    void terminationSignalClosesNormally()
    {
        WindowFixture f;
        CloseWindowOnTerminationSignals(f.window.get());
        f.window->show();
        ::raise(SIGTERM);
        QTRY_VERIFY(f.window->Destroyed());
        QVERIFY(QFile::exists(f.iniPath()));
    }

    void mainMenuOpensBelowItsButton()
    {
        WindowFixture f;
        TFrmCAD& w = *f.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Timer1->stop();
        QTest::mouseClick(w.BtnView, Qt::LeftButton);
        QTRY_VERIFY(w.PopupMenuView->isVisible());
        QCOMPARE(w.PopupMenuView->pos(), w.BtnView->mapToGlobal(QPoint(0, w.BtnView->height())));
        w.PopupMenuView->close();
    }

    void homepageOpensTheShippedGuide()
    {
        WindowFixture f;
        QStringList opened;
        const DesktopOpener previous = SetDesktopOpener([&](const QString& a) {
            opened << a;
            return true;
        });
        QTest::mouseClick(f.window->BtnHomepage, Qt::LeftButton);
        f.window->PM_Homepage->trigger();
        SetDesktopOpener(previous);
        QCOMPARE(opened.size(), 2);
        QVERIFY(opened.at(0).endsWith("plendor-guide.htm"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
