#include "UnitOptions.h"

#include "ColorComboBox.h"
#include "OptionsHost.h"
#include "SpinEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace {

const QSize kClientSize(446, 328);
const int kInnerBorder = 10;
const int kStripHeight = 33;

QLabel* rightAlignedLabel(QWidget* page, int rightEdge, int top)
{
    auto* l = new QLabel(page);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setGeometry(rightEdge - 90, top, 90, 16);
    return l;
}

QLabel* separator(QWidget* page, int x, int y, int w)
{
    auto* s = new QLabel(page);
    s->setGeometry(x, y, w, 1);
    s->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 rgb(120,120,120), stop:1 rgb(235,235,235));"));
    return s;
}

} // namespace

TFrmOptions::TFrmOptions(OptionsHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint | Qt::WindowTitleHint)
    , host_(host)
{
    setObjectName(QStringLiteral("FrmOptions"));
    setFixedSize(kClientSize);
    setModal(true);

    Tabs = new QTabWidget(this);
    // The pages are laid out to 265 pixels deep, so the tab control takes the
    // whole height above the button strip.
    Tabs->setGeometry(kInnerBorder / 2, kInnerBorder / 2, kClientSize.width() - kInnerBorder,
                      kClientSize.height() - kStripHeight - kInnerBorder / 2);
    Tabs->setStyleSheet(QStringLiteral("QTabBar::tab { height: 19px; }"));

    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    Tabs->addTab(TabSheet1, QString());
    Label2 = new QLabel(TabSheet1);
    Label2->move(16, 16);
    RzSeparator2 = separator(TabSheet1, 7, 33, 405);
    RzCheckBox1 = new QCheckBox(TabSheet1);
    RzCheckBox1->setObjectName(QStringLiteral("RzCheckBox1"));
    RzCheckBox1->setGeometry(112, 40, 193, 17);
    RzCheckBox2 = new QCheckBox(TabSheet1);
    RzCheckBox2->setObjectName(QStringLiteral("RzCheckBox2"));
    RzCheckBox2->setGeometry(112, 64, 193, 17);
    Label1 = new QLabel(TabSheet1);
    Label1->move(16, 96);
    RzSeparator1 = separator(TabSheet1, 8, 113, 404);

    Label3 = rightAlignedLabel(TabSheet1, 109, 132);
    ComboBox1 = new QComboBox(TabSheet1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(114, 128, 118, 21);
    for (int n = 50; n <= 150; n += 10)
        ComboBox1->addItem(QStringLiteral("%1 x %1").arg(n));

    Label5 = rightAlignedLabel(TabSheet1, 109, 160);
    ComboBoxBorderColor = new TColorComboBox(0, TabSheet1);
    ComboBoxBorderColor->setObjectName(QStringLiteral("ComboBoxBorderColor"));
    ComboBoxBorderColor->setGeometry(114, 156, 118, 22);
    Label6 = rightAlignedLabel(TabSheet1, 109, 188);
    ComboBoxBackColor = new TColorComboBox(16777215, TabSheet1);
    ComboBoxBackColor->setObjectName(QStringLiteral("ComboBoxBackColor"));
    ComboBoxBackColor->setGeometry(114, 184, 118, 22);

    Label7 = rightAlignedLabel(TabSheet1, 109, 216);
    SpinEdit4 = new TSpinEdit(10, 50, 10, TabSheet1);
    SpinEdit4->setObjectName(QStringLiteral("SpinEdit4"));
    SpinEdit4->setGeometry(114, 212, 118, 21);
    Label8 = rightAlignedLabel(TabSheet1, 109, 244);
    SpinEdit5 = new TSpinEdit(5, 50, 10, TabSheet1);
    SpinEdit5->setObjectName(QStringLiteral("SpinEdit5"));
    SpinEdit5->setGeometry(114, 240, 118, 21);

    RzRadioGroup1 = new QGroupBox(TabSheet1);
    RzRadioGroup1->setObjectName(QStringLiteral("RzRadioGroup1"));
    RzRadioGroup1->setGeometry(248, 124, 177 - 14, 137);
    for (int i = 0; i < 4; ++i) {
        RadioItems[i] = new QRadioButton(RzRadioGroup1);
        RadioItems[i]->setGeometry(12, 22 + i * 27, 140, 20);
        connect(RadioItems[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                RzRadioGroup1Click();
        });
    }

    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    Tabs->addTab(TabSheet2, QString());
    Label4 = rightAlignedLabel(TabSheet2, 93, 42);
    RzImageComboBox1 = new QComboBox(TabSheet2);
    RzImageComboBox1->setObjectName(QStringLiteral("RzImageComboBox1"));
    RzImageComboBox1->setGeometry(98, 38, 126, 20);
    RzImageComboBox1->setIconSize(QSize(100, 13));

    BtnClose = new QPushButton(this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    BtnClose->setAutoDefault(false);
    BtnClose->setDefault(false);
    BtnClose->setGeometry(360, kClientSize.height() - kStripHeight + 5, 75, 23);

    FormCreate();

    connect(RzCheckBox1, &QCheckBox::clicked, this, &TFrmOptions::RzCheckBox1Click);
    connect(RzCheckBox2, &QCheckBox::clicked, this, &TFrmOptions::RzCheckBox2Click);
    connect(ComboBox1, &QComboBox::currentTextChanged, this, &TFrmOptions::ComboBox1Change);
    connect(ComboBoxBorderColor, &TColorComboBox::colorChanged, this, &TFrmOptions::ComboBoxBorderColorChange);
    connect(ComboBoxBackColor, &TColorComboBox::colorChanged, this, &TFrmOptions::ComboBoxBackColorChange);
    connect(SpinEdit4, &TSpinEdit::valueChanged, this, &TFrmOptions::SpinEdit4Change);
    connect(SpinEdit5, &TSpinEdit::valueChanged, this, &TFrmOptions::SpinEdit5Change);
    connect(RzImageComboBox1, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &TFrmOptions::RzImageComboBox1Change);
    connect(BtnClose, &QPushButton::clicked, this, &TFrmOptions::BtnCloseClick);
}

void TFrmOptions::FormCreate()
{
    Loading = true;
    for (int i = 0; i < 10; ++i)
        RzImageComboBox1->addItem(QIcon(QStringLiteral(":/art/swatch_%1.png").arg(i)), QString());
    RzImageComboBox1->setCurrentIndex(0);
    ApplyOptionsText();
}

void TFrmOptions::ApplyOptionsText()
{
    setFont(QFont(QStringLiteral("宋体"), 9));
    setWindowTitle(QStringLiteral("设置"));
    Tabs->setTabText(0, QStringLiteral("浏览器栏"));
    Tabs->setTabText(1, QStringLiteral("图纸浏览器"));
    QFont bold(QStringLiteral("宋体"), 9);
    bold.setBold(true);
    Label1->setFont(bold);
    Label2->setFont(bold);
    Label1->setText(QStringLiteral("缩略图"));
    Label2->setText(QStringLiteral("文件"));
    Label1->adjustSize();
    Label2->adjustSize();
    Label3->setText(QStringLiteral("尺寸"));
    Label4->setText(QStringLiteral("背景颜色"));
    Label5->setText(QStringLiteral("边框颜色"));
    Label6->setText(QStringLiteral("背景颜色"));
    Label7->setText(QStringLiteral("列间距"));
    Label8->setText(QStringLiteral("行间距"));
    RzCheckBox1->setText(QStringLiteral("只显示CAD文件"));
    RzCheckBox2->setText(QStringLiteral("显示隐藏文件"));
    RzRadioGroup1->setTitle(QStringLiteral("边框"));
    const char* items[4] = {"无", "普通", "阴影", "圆角"};
    for (int i = 0; i < 4; ++i)
        RadioItems[i]->setText(QString::fromUtf8(items[i]));
    BtnClose->setText(QStringLiteral("关闭(&C)"));
}

void TFrmOptions::LoadOptionControls()
{
    Loading = true;
    RzCheckBox1->setChecked(!host_.OptLoadAllFile());
    RzCheckBox2->setChecked(host_.OptShowHidden());
    const QString size = QStringLiteral("%1 x %1").arg(host_.OptThumbW());
    ComboBox1->setCurrentIndex(ComboBox1->findText(size));
    ComboBoxBorderColor->setColorRef(host_.OptThumbBorderColor());
    ComboBoxBackColor->setColorRef(host_.OptThumbBackColor());
    SpinEdit4->setValue(host_.OptThumbSpaceW());
    SpinEdit5->setValue(host_.OptThumbSpaceH());
    const int type = host_.OptThumbBorderType();
    for (int i = 0; i < 4; ++i)
        RadioItems[i]->setAutoExclusive(false);
    for (int i = 0; i < 4; ++i)
        RadioItems[i]->setChecked(i == type);
    for (int i = 0; i < 4; ++i)
        RadioItems[i]->setAutoExclusive(true);
    RzImageComboBox1->setCurrentIndex(host_.OptBkColor() >= 0 && host_.OptBkColor() < 10 ? host_.OptBkColor() : -1);
    Loading = false;
}

int TFrmOptions::RadioGroupIndex() const
{
    for (int i = 0; i < 4; ++i)
        if (RadioItems[i]->isChecked())
            return i;
    return -1;
}

void TFrmOptions::RzCheckBox1Click()
{
    if (Loading)
        return;
    host_.ApplyFileFilter(RzCheckBox1->isChecked());
}

void TFrmOptions::RzCheckBox2Click()
{
    if (Loading)
        return;
    host_.ApplyShowHidden(RzCheckBox2->isChecked());
}

void TFrmOptions::ComboBox1Change()
{
    if (Loading)
        return;
    const QString text = ComboBox1->currentText();
    const qsizetype x = text.indexOf(QLatin1Char('x'));
    if (x < 0)
        return;
    bool ok = false;
    int n = text.left(x).trimmed().toInt(&ok);
    if (!ok)
        n = 80;
    host_.ApplyThumbSize(n);
}

void TFrmOptions::ComboBoxBorderColorChange()
{
    if (Loading)
        return;
    host_.ApplyThumbBorderColor(ComboBoxBorderColor->colorRef());
}

void TFrmOptions::ComboBoxBackColorChange()
{
    if (Loading)
        return;
    host_.ApplyThumbBackColor(ComboBoxBackColor->colorRef());
}

void TFrmOptions::SpinEdit4Change()
{
    if (Loading)
        return;
    host_.ApplyThumbSpaceW(SpinEdit4->value());
}

void TFrmOptions::SpinEdit5Change()
{
    if (Loading)
        return;
    host_.ApplyThumbSpaceH(SpinEdit5->value());
}

void TFrmOptions::RzRadioGroup1Click()
{
    if (Loading)
        return;
    const int i = RadioGroupIndex();
    if (i >= 0)
        host_.ApplyThumbBorderType(static_cast<std::uint8_t>(i));
}

void TFrmOptions::RzImageComboBox1Change()
{
    if (Loading)
        return;
    try {
        const int i = RzImageComboBox1->currentIndex();
        if (i < 0)
            return;
        host_.ApplyBkColor(i);
    } catch (...) {
        // A viewer that refuses the background leaves the old panel colour.
    }
}

void TFrmOptions::BtnCloseClick()
{
    close();
}

void TFrmOptions::keyPressEvent(QKeyEvent* e)
{
    // No cancel button and no key handling of its own: Escape does not close.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void ShowOptionsDialog(OptionsHost& host)
{
    TFrmOptions dialog(host);
    dialog.LoadOptionControls();
    dialog.exec();
}
