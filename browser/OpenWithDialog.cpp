#include "OpenWithDialog.h"

#include "BrowserIcons.h"
#include "PathBytes.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kAppIndexRole = Qt::UserRole + 1;

QIcon appIcon(const QString& icon)
{
    EnsureIconTheme();
    if (icon.startsWith(u'/'))
        return QIcon(icon);
    if (!icon.isEmpty() && QIcon::hasThemeIcon(icon))
        return QIcon::fromTheme(icon);
    if (QIcon::hasThemeIcon(QStringLiteral("application-x-executable")))
        return QIcon::fromTheme(QStringLiteral("application-x-executable"));
    return FallbackFileIcon();
}

} // namespace

TOpenWithDialog::TOpenWithDialog(const QString& path, const QList<DesktopApp>& forType,
                                 const QList<DesktopApp>& others, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("OpenWithDialog"));
    setWindowTitle(QStringLiteral("打开方式"));
    setFont(QFont(QStringLiteral("宋体"), 9));
    resize(380, 420);
    auto* layout = new QVBoxLayout(this);
    const QString name = DisplayNameOfBytes(EncodePath(path.mid(path.lastIndexOf(u'/') + 1)));
    auto* label = new QLabel(QStringLiteral("选择用来打开“%1”的程序：").arg(name), this);
    label->setWordWrap(true);
    layout->addWidget(label);
    list_ = new QListWidget(this);
    list_->setIconSize(QSize(24, 24));
    layout->addWidget(list_, 1);

    auto heading = [&](const QString& text) {
        auto* item = new QListWidgetItem(text, list_);
        QFont f = item->font();
        f.setBold(true);
        item->setFont(f);
        item->setFlags(Qt::NoItemFlags);
    };
    auto addApp = [&](const DesktopApp& a) {
        auto* item = new QListWidgetItem(appIcon(a.icon), a.name, list_);
        item->setData(kAppIndexRole, int(apps_.size()));
        item->setToolTip(a.exec);
        apps_.append(a);
    };
    if (!forType.isEmpty()) {
        heading(QStringLiteral("推荐的程序"));
        for (const DesktopApp& a : forType)
            addApp(a);
    }
    QList<DesktopApp> rest;
    for (const DesktopApp& a : others) {
        bool listed = false;
        for (const DesktopApp& f : forType)
            listed = listed || f.id == a.id;
        if (!listed && !a.noDisplay && !a.terminal)
            rest.append(a);
    }
    std::sort(rest.begin(), rest.end(),
              [](const DesktopApp& x, const DesktopApp& y) { return x.name.localeAwareCompare(y.name) < 0; });
    if (!rest.isEmpty()) {
        heading(QStringLiteral("其他程序"));
        for (const DesktopApp& a : rest)
            addApp(a);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    connect(list_, &QListWidget::currentItemChanged, this, [this, ok](QListWidgetItem* cur) {
        ok->setEnabled(cur && cur->data(kAppIndexRole).isValid());
    });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item->data(kAppIndexRole).isValid())
            accept();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->data(kAppIndexRole).isValid()) {
            list_->setCurrentRow(i);
            break;
        }
}

DesktopApp TOpenWithDialog::Chosen() const
{
    const QListWidgetItem* item = list_->currentItem();
    if (!item || !item->data(kAppIndexRole).isValid())
        return {};
    const int i = item->data(kAppIndexRole).toInt();
    return i >= 0 && i < apps_.size() ? apps_[i] : DesktopApp();
}

bool ShowOpenWithDialog(QWidget* owner, const QString& path)
{
    const QString mime = DesktopApps::MimeTypeOf(path);
    TOpenWithDialog dlg(path, DesktopApps::ForMimeType(mime), DesktopApps::All(), owner);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    const DesktopApp app = dlg.Chosen();
    if (app.id.isEmpty())
        return false;
    QString error;
    if (DesktopApps::Launch(app, path, &error))
        return true;
    QMessageBox::critical(owner, QStringLiteral("错误"), error);
    return false;
}
