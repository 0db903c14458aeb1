// The main window's own frame, driven through the real window: resize zones
// and their cursors, moving by the title band, the maximise / restore toggle,
// the window buttons and the system menu. Offscreen there is no window
// manager, so the manual drag fallbacks are what moves and resizes here.

#include "TestSupport.h"

#include "Buttons.h"
#include "SkinFrame.h"

#include <QScreen>
#include <QWindow>
#include <QtTest>

namespace {

// A shown window at design size, away from the screen's corner, with the
// start-up maximise switched off so the test decides the geometry.
struct FramedWindow : WindowFixture {
    TFrmCAD& w;
    FramedWindow() : w(*window)
    {
        w.FirstActivate = false;
        w.setGeometry(40, 30, 712, 486);
        w.show();
    }
    QPoint global(QPoint p) const { return w.mapToGlobal(p); }
};

QRect workArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

QRect boundsRect(const TFrmCAD::TBounds& b) { return QRect(b.Left, b.Top, b.Right - b.Left, b.Bottom - b.Top); }

// Sends a mouse event with explicit positions, as a drag that leaves the
// window would deliver them to the widget holding the implicit grab.
void send(QWidget* to, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButton button,
          Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(local), QPointF(local), QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(to, &e);
}

// Press at a window point on whatever widget lies there, drag by delta, release.
void drag(TFrmCAD& w, QPoint at, QPoint delta, Qt::MouseButton button = Qt::LeftButton)
{
    QWidget* target = w.childAt(at) ? w.childAt(at) : &w;
    const QPoint local = target->mapFrom(&w, at);
    const QPoint global = w.mapToGlobal(at);
    send(target, QEvent::MouseButtonPress, local, global, button, button);
    send(target, QEvent::MouseMove, local + delta / 2, global + delta / 2, Qt::NoButton, button);
    send(target, QEvent::MouseMove, local + delta, global + delta, Qt::NoButton, button);
    send(target, QEvent::MouseButtonRelease, local + delta, global + delta, button, Qt::NoButton);
}

} // namespace

class TestFrameWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallSongSubstitutes(); }
    void zonesAtDesignLayout_data();
    void zonesAtDesignLayout();
    void zoneCursorFollowsTheMouse();
    void edgeDragsResize();
    void titleBandMovesWithAnyButton();
    void captionAndIconDoNotMove();
    void doubleClickTogglesMaximise();
    void maximiseRemembersBoundsAfterResize();
    void iconOpensSystemMenuBelowIt();
    void windowButtonsAndMenuItems();
    void paintsTheFrame();
};

void TestFrameWindow::zonesAtDesignLayout_data()
{
    QTest::addColumn<QPoint>("p");
    QTest::addColumn<int>("code");
    QTest::newRow("outermost top-left, over the title label") << QPoint(0, 0) << int(HTTOPLEFT);
    QTest::newRow("top, over the title label") << QPoint(300, 3) << int(HTTOP);
    QTest::newRow("top over the icon") << QPoint(15, 7) << int(HTTOP);
    QTest::newRow("right margin beside the splitter") << QPoint(711, 300) << int(HTRIGHT);
    QTest::newRow("inside the splitter near the right") << QPoint(703, 300) << int(HTCLIENT);
    QTest::newRow("left margin") << QPoint(3, 300) << int(HTLEFT);
    QTest::newRow("bottom margin") << QPoint(356, 483) << int(HTBOTTOM);
    QTest::newRow("bottom-right margin") << QPoint(710, 484) << int(HTBOTTOMRIGHT);
    QTest::newRow("over BtnSysClose") << QPoint(708, 3) << int(HTCLIENT);
    QTest::newRow("over BtnSysMin") << QPoint(640, 5) << int(HTCLIENT);
    QTest::newRow("title band below the zone") << QPoint(300, 15) << int(HTCLIENT);
    QTest::newRow("outside the window") << QPoint(800, 300) << int(HTNOWHERE);
}

void TestFrameWindow::zonesAtDesignLayout()
{
    QFETCH(QPoint, p);
    QFETCH(int, code);
    FramedWindow f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    QCOMPARE(f.w.FrameHitTest(f.global(p)), code);
}

void TestFrameWindow::zoneCursorFollowsTheMouse()
{
    FramedWindow f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    QWindow* win = f.w.windowHandle();
    QTest::mouseMove(&f.w, QPoint(711, 300));
    QCOMPARE(win->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(&f.w, QPoint(1, 1));   // over the title label (a null point means the centre)
    QCOMPARE(win->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mouseMove(&f.w, QPoint(1, 484));
    QCOMPARE(win->cursor().shape(), Qt::SizeBDiagCursor);
    QTest::mouseMove(&f.w, QPoint(711, 1));  // the top-right zone lies under BtnSysClose
    QCOMPARE(win->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(&f.w, QPoint(250, 40)); // the window itself, outside every zone
    QCOMPARE(win->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(&f.w, QPoint(356, 484));
    QCOMPARE(win->cursor().shape(), Qt::SizeVerCursor);
    QTest::mouseMove(&f.w, QPoint(100, 60)); // the logo keeps its hand
    QCOMPARE(win->cursor().shape(), Qt::PointingHandCursor);
}

void TestFrameWindow::edgeDragsResize()
{
    FramedWindow f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    drag(f.w, QPoint(710, 484), QPoint(30, 20));
    QCOMPARE(f.w.geometry(), QRect(40, 30, 742, 506));

    // Top-left corner through the title label: grows up and left, the
    // bottom-right corner stays, the label does not move the window instead.
    drag(f.w, QPoint(1, 1), QPoint(-10, -5));
    QCOMPARE(f.w.geometry(), QRect(30, 25, 752, 511));

    drag(f.w, QPoint(3, 300), QPoint(25, 0));
    QCOMPARE(f.w.geometry(), QRect(55, 25, 727, 511));

    // A press over BtnSysClose does not resize.
    const QRect before = f.w.geometry();
    const QPoint onClose = f.w.BtnSysClose->geometry().topLeft() + QPoint(20, 2);
    QWidget* close = f.w.BtnSysClose;
    const QPoint g = f.global(onClose);
    send(close, QEvent::MouseButtonPress, close->mapFrom(&f.w, onClose), g, Qt::LeftButton, Qt::LeftButton);
    send(close, QEvent::MouseMove, close->mapFrom(&f.w, onClose) + QPoint(0, 30), g + QPoint(0, 30), Qt::NoButton,
         Qt::LeftButton);
    send(close, QEvent::MouseButtonRelease, close->mapFrom(&f.w, onClose) + QPoint(0, 30), g + QPoint(0, 30),
         Qt::LeftButton, Qt::NoButton);
    QCOMPARE(f.w.geometry(), before);
    QVERIFY(f.w.isVisible());   // released outside the button: no click
}

void TestFrameWindow::titleBandMovesWithAnyButton()
{
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        FramedWindow f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.w));
        drag(f.w, QPoint(300, 15), QPoint(50, 40), button);
        QCOMPARE(f.w.geometry(), QRect(90, 70, 712, 486));
    }
}

void TestFrameWindow::captionAndIconDoNotMove()
{
    FramedWindow f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    const QPoint onCaption = f.w.LabelCaption->geometry().center() + QPoint(0, 2);
    QVERIFY(onCaption.y() >= 10);
    QCOMPARE(f.w.childAt(onCaption), f.w.LabelCaption);
    drag(f.w, onCaption, QPoint(50, 40), Qt::RightButton);
    QCOMPARE(f.w.pos(), QPoint(40, 30));
    drag(f.w, QPoint(20, 15), QPoint(50, 40), Qt::RightButton);   // the icon
    QCOMPARE(f.w.pos(), QPoint(40, 30));
}

void TestFrameWindow::doubleClickTogglesMaximise()
{
    FramedWindow f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    QVERIFY(workArea().width() > 712 && workArea().height() > 486);

    // Smaller than the work area: fills it.
    QTest::mouseDClick(f.w.LabelTitle, Qt::LeftButton, {}, QPoint(300, 15));
    QTRY_COMPARE(f.w.geometry(), workArea());
    QCOMPARE(boundsRect(f.w.SavedBounds), QRect(40, 30, 712, 486));

    // Filling the work area: back to the bounds before the maximise.
    QTest::mouseDClick(f.w.LabelTitle, Qt::LeftButton, {}, QPoint(300, 15));
    QTRY_COMPARE(f.w.geometry(), QRect(40, 30, 712, 486));
}

void TestFrameWindow::maximiseRemembersBoundsAfterResize()
{
    FramedWindow f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    f.w.MaximizeToWorkArea();
    QCOMPARE(f.w.geometry(), workArea());

    // The user drags the maximised window's bottom-right corner inwards.
    drag(f.w, QPoint(f.w.width() - 2, f.w.height() - 2), QPoint(-150, -100));
    const QRect smaller(workArea().topLeft(), workArea().size() - QSize(150, 100));
    QCOMPARE(f.w.geometry(), smaller);

    QTest::mouseClick(f.w.BtnSysMax, Qt::LeftButton);
    QCOMPARE(f.w.geometry(), workArea());
    QCOMPARE(boundsRect(f.w.SavedBounds), smaller);
    QTest::mouseClick(f.w.BtnSysMax, Qt::LeftButton);
    QCOMPARE(f.w.geometry(), smaller);
}

void TestFrameWindow::iconOpensSystemMenuBelowIt()
{
    FramedWindow f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    QTest::mouseClick(f.w.Image2, Qt::LeftButton, {}, QPoint(8, 12));
    QTRY_VERIFY(f.w.PopupMenuSys->isVisible());
    QCOMPARE(f.w.PopupMenuSys->pos(), f.w.mapToGlobal(QPoint(12, 6 + 16)));
    f.w.PopupMenuSys->hide();

    // The right button on the icon neither opens the menu nor moves the window.
    QTest::mouseClick(f.w.Image2, Qt::RightButton, {}, QPoint(8, 12));
    QTest::qWait(0);
    QVERIFY(!f.w.PopupMenuSys->isVisible());
}

void TestFrameWindow::windowButtonsAndMenuItems()
{
    {
        FramedWindow f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.w));
        QTest::mouseClick(f.w.BtnSysMin, Qt::LeftButton);
        QTRY_VERIFY(f.w.isMinimized());
        f.w.showNormal();
        QTRY_VERIFY(!f.w.isMinimized());
        f.w.PM_MinSize->trigger();
        QTRY_VERIFY(f.w.isMinimized());
    }
    {
        FramedWindow f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.w));
        QTest::mouseClick(f.w.BtnSysClose, Qt::LeftButton);
        QTRY_VERIFY(!f.w.isVisible());
        QVERIFY(f.w.Destroyed());
        QVERIFY(QFile::exists(f.iniPath()));   // closing runs the shutdown
    }
    {
        FramedWindow f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.w));
        f.w.PM_Close->trigger();
        QTRY_VERIFY(!f.w.isVisible());
        QVERIFY(f.w.Destroyed());
    }
}

void TestFrameWindow::paintsTheFrame()
{
    FramedWindow f;
    QVERIFY(QTest::qWaitForWindowExposed(&f.w));
    const QImage img = f.w.grab().toImage();
    QCOMPARE(img.size(), QSize(712, 486));
    auto grey = [&](int x, int y) { return qRed(img.pixel(x, y)); };
    QCOMPARE(grey(400, 1), qGreen(img.pixel(400, 1)));
    QVERIFY(grey(400, 1) >= 131 && grey(400, 1) <= 136);   // light line through the transparent title label
    QVERIFY(grey(400, 5) >= 54 && grey(400, 5) <= 64);
    QVERIFY(grey(711, 300) < 10);                        // outer column
    QCOMPARE(grey(710, 300), 41);                         // outline
    QCOMPARE(grey(708, 300), 6);                          // body beside the splitter
    QCOMPARE(grey(356, 484), 41);
    QVERIFY(grey(356, 485) < 10);
}

QTEST_MAIN(TestFrameWindow)
#include "tst_framewindow.moc"
