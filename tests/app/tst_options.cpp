// The options dialog driving the real main window.

#include "TestSupport.h"

#include "ColorComboBox.h"
#include "DWGVIEWXLib_TLB.h"
#include "RzShellList.h"
#include "SpinEdit.h"
#include "ThumbGrid.h"
#include "UnitOptions.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

namespace {

struct Fields {
    int thumbW, border, back, spaceW, spaceH, type, bk;
    bool all, hidden;
    bool operator==(const Fields&) const = default;
};

Fields fieldsOf(const TFrmCAD& w)
{
    return {w.ThumbW, w.ThumbBorderColor, w.ThumbBackColor, w.ThumbSpaceW, w.ThumbSpaceH, w.ThumbBorderType,
            w.BkColor, w.LoadAllFile, w.ShowHidden};
}

// Clicks a check box or radio button on its indicator, where a user clicks.
void clickIndicator(QAbstractButton* b)
{
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

struct OpenDialog {
    TFrmOptions dialog;
    explicit OpenDialog(TFrmCAD& w)
        : dialog(w)
    {
        dialog.LoadOptionControls();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
};

} // namespace

class TestOptions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallSongSubstitutes(); }

    void openAndCloseChangesNothing()
    {
        WindowFixture f("[OPTIONS]\r\nThumbW=77\r\nThumbSpaceW=3\r\nThumbSpaceH=99\r\n");
        const Fields before = fieldsOf(*f.window);
        WhenModalShows([](QWidget* w) {
            auto* dialog = qobject_cast<TFrmOptions*>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString("设置"));
            QCOMPARE(dialog->size(), QSize(446, 328));
            // Values no control can show stay as they are.
            QCOMPARE(dialog->ComboBox1->currentIndex(), -1);
            QCOMPARE(dialog->SpinEdit4->value(), 10);
            QCOMPARE(dialog->SpinEdit5->value(), 50);
            QTest::mouseClick(dialog->BtnClose, Qt::LeftButton);
        });
        f.window->PM_Options->trigger();
        QCOMPARE(fieldsOf(*f.window), before);
        QCOMPARE(f.window->ThumbW, 77);
        QCOMPARE(f.window->ThumbSpaceH, 99);
    }

    void textsOfBothPages()
    {
        WindowFixture f;
        OpenDialog d(*f.window);
        TFrmOptions& o = d.dialog;
        QCOMPARE(o.Tabs->tabText(0), QString("浏览器栏"));
        QCOMPARE(o.Tabs->tabText(1), QString("图纸浏览器"));
        QCOMPARE(o.Tabs->currentIndex(), 0);
        QCOMPARE(o.RzCheckBox1->text(), QString("只显示CAD文件"));
        QCOMPARE(o.RzCheckBox2->text(), QString("显示隐藏文件"));
        QCOMPARE(o.RzRadioGroup1->title(), QString("边框"));
        QCOMPARE(o.BtnClose->text(), QString("关闭(&C)"));
        QCOMPARE(o.ComboBox1->count(), 11);
        QCOMPARE(o.ComboBox1->itemText(7), QString("120 x 120"));
        QCOMPARE(o.RzImageComboBox1->count(), 10);
        QVERIFY(o.Label1->font().bold() && o.Label2->font().bold());
        QCOMPARE(o.font().family(), QString("宋体"));
    }

    void controlsReflectTheFields()
    {
        WindowFixture f("[OPTIONS]\r\nBkColor=0\r\nThumbBorderType=1\r\nThumbW=90\r\nLoadAllFile=0\r\nShowHidden=1\r\n");
        OpenDialog d(*f.window);
        TFrmOptions& o = d.dialog;
        QCOMPARE(o.RzImageComboBox1->currentIndex(), 0);
        QVERIFY(o.RadioItems[1]->isChecked());
        QCOMPARE(o.RadioItems[1]->text(), QString("普通"));
        QCOMPARE(o.ComboBox1->currentText(), QString("90 x 90"));
        QVERIFY(o.RzCheckBox1->isChecked());
        QVERIFY(o.RzCheckBox2->isChecked());
        QCOMPARE(o.ComboBoxBackColor->colorRef(), 16777215);
        QVERIFY(!o.Loading);
    }

    void sizeChoiceApplies()
    {
        WindowFixture f;
        OpenDialog d(*f.window);
        d.dialog.ComboBox1->setCurrentIndex(d.dialog.ComboBox1->findText("120 x 120"));
        QCOMPARE(f.window->ThumbW, 120);
        QCOMPARE(f.window->ShellThumbFiles->ThumbWidth(), 120);
        QCOMPARE(f.window->ShellThumbFiles->ThumbHeight(), 140);
    }

    void drawingOnlyBothWays()
    {
        WindowFixture f;
        OpenDialog d(*f.window);
        QVERIFY(d.dialog.RzCheckBox1->isChecked());
        QCOMPARE(f.window->ShellListFiles->FileFilter(), QString("*.dwg;*.dxf;*.dwf"));
        clickIndicator(d.dialog.RzCheckBox1);
        QVERIFY(f.window->LoadAllFile);
        QCOMPARE(f.window->ShellListFiles->FileFilter(), QString());
        clickIndicator(d.dialog.RzCheckBox1);
        QVERIFY(!f.window->LoadAllFile);
        QCOMPARE(f.window->ShellListFiles->FileFilter(), QString("*.dwg;*.dxf;*.dwf"));
        clickIndicator(d.dialog.RzCheckBox2);
        QVERIFY(!f.window->ShowHidden);
    }

    void swatchThreeColoursTheViewer()
    {
        WindowFixture f;
        OpenDialog d(*f.window);
        d.dialog.Tabs->setCurrentIndex(1);
        d.dialog.RzImageComboBox1->setCurrentIndex(3);
        QCOMPARE(f.window->BkColor, 3);
        QCOMPARE(f.window->DwgViewX1->background(), short(3));
        QCOMPARE(f.window->RzPanelBk->palette().color(QPalette::Window), QColor(0, 128, 0));
    }

    void frameStyleAndColours()
    {
        WindowFixture f;
        OpenDialog d(*f.window);
        clickIndicator(d.dialog.RadioItems[3]);
        QCOMPARE(int(f.window->ThumbBorderType), 3);
        d.dialog.ComboBoxBorderColor->setColorRef(0x0000FF);
        emit d.dialog.ComboBoxBorderColor->colorChanged(0x0000FF);
        QCOMPARE(f.window->ThumbBorderColor, 0x0000FF);
        QCOMPARE(f.window->ShellThumbFiles->ThumbnailsBorderColor(), QColor(255, 0, 0));
        d.dialog.ComboBoxBackColor->setColorRef(0x00FF00);
        emit d.dialog.ComboBoxBackColor->colorChanged(0x00FF00);
        QCOMPARE(f.window->ShellThumbFiles->ThumbnailsBackground(), QColor(0, 255, 0));
    }

    void spacingWhileTypingAndOnLeaving()
    {
        WindowFixture f;
        OpenDialog d(*f.window);
        TSpinEdit* spin = d.dialog.SpinEdit4;
        QLineEdit* edit = spin->findChild<QLineEdit*>();
        spin->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QCOMPARE(edit->text(), QString());
        QCOMPARE(f.window->ThumbSpaceW, 10);

        QTest::keyClicks(edit, "7");
        QCOMPARE(f.window->ThumbSpaceW, 7);
        QTest::keyClicks(edit, "0");
        QCOMPARE(f.window->ThumbSpaceW, 70);
        d.dialog.SpinEdit5->setFocus();
        QTRY_COMPARE(f.window->ThumbSpaceW, 50);
        QCOMPARE(edit->text(), QString("50"));
        QCOMPARE(f.window->ShellThumbFiles->HorizBorder(), 50);
    }

    void escapeDoesNotClose()
    {
        WindowFixture f;
        OpenDialog d(*f.window);
        QTest::keyClick(&d.dialog, Qt::Key_Escape);
        QTest::keyClick(d.dialog.ComboBox1, Qt::Key_Escape);
        QVERIFY(d.dialog.isVisible());
    }

    void changesReachTheFileAndComeBack()
    {
        QTemporaryDir keep;
        {
            WindowFixture f;
            {
                OpenDialog d(*f.window);
                d.dialog.ComboBox1->setCurrentIndex(d.dialog.ComboBox1->findText("120 x 120"));
                d.dialog.RzImageComboBox1->setCurrentIndex(7);
                clickIndicator(d.dialog.RadioItems[2]);
            }
            f.window->close();
            QVERIFY(QFile::copy(f.iniPath(), keep.filePath("Korvane.ini")));
        }
        QFile saved(keep.filePath("Korvane.ini"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        WindowFixture again(saved.readAll());
        QCOMPARE(again.window->ThumbW, 120);
        QCOMPARE(again.window->BkColor, 7);
        QCOMPARE(int(again.window->ThumbBorderType), 2);
        OpenDialog d(*again.window);
        QCOMPARE(d.dialog.ComboBox1->currentText(), QString("120 x 120"));
        QCOMPARE(d.dialog.RzImageComboBox1->currentIndex(), 7);
        QVERIFY(d.dialog.RadioItems[2]->isChecked());
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
