#include "UnitRename.h"

#include "FileTransfer.h"
#include "PathBytes.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

TFrmRename::TFrmRename(QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("FrmRename"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(312, 146);
    setFont(QFont(QStringLiteral("宋体"), 9));
    setWindowTitle(QStringLiteral("重命名"));

    LabelName = new QLabel(QStringLiteral("新名称:"), this);
    LabelName->move(24, 28);
    LabelName->adjustSize();

    EditNewName = new QLineEdit(this);
    EditNewName->setGeometry(24, 48, 265, 21);
    QPalette pal = EditNewName->palette();
    pal.setColor(QPalette::Base, QColor(245, 244, 247));
    EditNewName->setPalette(pal);

    BtnOk = new QPushButton(QStringLiteral("确定(&O)"), this);
    BtnOk->setGeometry(133, 110, 75, 23);
    BtnOk->setDefault(true);
    BtnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    BtnCancel->setGeometry(213, 110, 75, 23);
    setTabOrder(EditNewName, BtnOk);
    setTabOrder(BtnOk, BtnCancel);

    connect(BtnOk, &QPushButton::clicked, this, &TFrmRename::BtnOkClick);
    connect(BtnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

void TFrmRename::reject() { done(mrCancel); }

QString TFrmRename::NameExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || name.indexOf(u'/', dot) >= 0)
        return {};
    QString ext = name.mid(dot);
    for (QChar& c : ext)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return ext;
}

void TFrmRename::BtnOkClick()
{
    const QString fresh = EditNewName->text();
    if (fresh == OldName) {
        done(mrCancel);
        return;
    }
    if (IsFile && NameExtension(OldName) != NameExtension(fresh)) {
        const auto answer = QMessageBox::warning(this, QStringLiteral("警告"), QStringLiteral("文件后缀被修改，确定吗？"),
                                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    const QString name = EditNewName->text();
    // A name is one path component: a '/' would move the item elsewhere.
    const bool valid = !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/')
        && !name.contains(QChar(0));
    if (valid && FileTransfer::RenameNoReplace(RenameFolder + OldName, RenameFolder + name) == 0) {
        done(mrOk);
        return;
    }
    QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("重命名错误"));
}

bool ShowRenameDialog(QWidget* owner, bool isFile, const QString& folder, const QString& oldName)
{
    TFrmRename dlg(owner);
    dlg.RenameFolder = folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
    dlg.OldName = oldName;
    dlg.IsFile = isFile;
    dlg.EditNewName->setText(oldName);
    // Select the name without its extension, ready to be typed over.
    const qsizetype dot = isFile ? oldName.lastIndexOf(u'.') : -1;
    dlg.EditNewName->setSelection(0, dot > 0 ? dot : oldName.size());
    return dlg.exec() == TFrmRename::mrOk;
}
