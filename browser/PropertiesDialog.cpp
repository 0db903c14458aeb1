#include "PropertiesDialog.h"

#include "BrowserIcons.h"
#include "DesktopApps.h"
#include "PathBytes.h"
#include "ShellListData.h"
#include "ShellNamespace.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMimeDatabase>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

QString bytesText(qint64 bytes)
{
    QString digits = QString::number(bytes);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    QString human;
    if (bytes >= (qint64(1) << 30))
        human = QString::number(double(bytes) / double(qint64(1) << 30), 'f', 2) + QStringLiteral(" GB");
    else if (bytes >= (1 << 20))
        human = QString::number(double(bytes) / double(1 << 20), 'f', 2) + QStringLiteral(" MB");
    else if (bytes >= 1024)
        human = QString::number(double(bytes) / 1024.0, 'f', 2) + QStringLiteral(" KB");
    else
        human = QString::number(bytes) + QStringLiteral(" 字节");
    return bytes >= 1024 ? human + QStringLiteral(" (%1 字节)").arg(digits) : human;
}

QString timeText(qint64 sec, qint64 nsec)
{
    if (sec <= 0)
        return QStringLiteral("未知");
    return QDateTime::fromMSecsSinceEpoch(sec * 1000 + nsec / 1000000).toString(QStringLiteral("yyyy年M月d日 HH:mm:ss"));
}

QString permissionText(mode_t mode)
{
    QString s;
    const char* rwx = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        s += (mode & (0400 >> i)) ? QChar::fromLatin1(rwx[i]) : u'-';
    return s + QStringLiteral(" (%1)").arg(mode & 07777, 4, 8, QLatin1Char('0'));
}

QString ownerText(uid_t uid, gid_t gid)
{
    QString user = QString::number(uid);
    QString group = QString::number(gid);
    struct passwd pw {};
    struct passwd* pwp = nullptr;
    std::vector<char> buf(16384);
    if (getpwuid_r(uid, &pw, buf.data(), buf.size(), &pwp) == 0 && pwp)
        user = QString::fromLocal8Bit(pw.pw_name);
    struct group gr {};
    struct group* grp = nullptr;
    if (getgrgid_r(gid, &gr, buf.data(), buf.size(), &grp) == 0 && grp)
        group = QString::fromLocal8Bit(gr.gr_name);
    return user + QStringLiteral("（组 ") + group + QStringLiteral("）");
}

void sumInto(const QByteArray& dir, FolderTotal& t, const std::atomic_bool* stop, int depth)
{
    if (depth > 512)
        return;
    DIR* d = opendir(dir.constData());
    if (!d)
        return;
    const int fd = dirfd(d);
    std::vector<QByteArray> subdirs;
    while (dirent* e = readdir(d)) {
        if (stop && stop->load(std::memory_order_relaxed)) {
            t.complete = false;
            break;
        }
        const char* n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        struct stat st {};
        if (fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            ++t.folders;
            subdirs.emplace_back(dir + '/' + n);
        } else {
            ++t.files;
            t.bytes += st.st_size;
        }
    }
    closedir(d);
    for (const QByteArray& s : subdirs) {
        if (!t.complete)
            return;
        sumInto(s, t, stop, depth + 1);
    }
}

} // namespace

FolderTotal SumFolder(const QString& path, const std::atomic_bool* stop)
{
    FolderTotal t;
    sumInto(EncodePath(path), t, stop, 0);
    return t;
}

TPropertiesDialog::TPropertiesDialog(const QString& path, QWidget* parent)
    : QDialog(parent)
    , stop_(std::make_shared<std::atomic_bool>(false))
{
    setObjectName(QStringLiteral("PropertiesDialog"));
    setFont(QFont(QStringLiteral("宋体"), 9));
    const QString norm = shellns::NormalizePath(path);
    const QString name = norm == u"/" ? norm : DisplayNameOfBytes(EncodePath(norm.mid(norm.lastIndexOf(u'/') + 1)));
    setWindowTitle(name + QStringLiteral(" 属性"));
    setMinimumWidth(380);

    auto* layout = new QVBoxLayout(this);
    auto* head = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(IconForPath(norm).pixmap(32, 32));
    head->addWidget(icon);
    auto* title = new QLabel(name, this);
    title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    head->addWidget(title, 1);
    layout->addLayout(head);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    auto add = [&](const QString& caption, const QString& value) {
        auto* l = new QLabel(value, this);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setWordWrap(true);
        form->addRow(caption, l);
        rows_.append({caption, l});
        return l;
    };

    struct statx sx {};
    const QByteArray bytes = EncodePath(norm);
    const bool ok = statx(AT_FDCWD, bytes.constData(), AT_SYMLINK_NOFOLLOW,
                          STATX_BASIC_STATS | STATX_BTIME, &sx) == 0;
    const bool isLink = ok && S_ISLNK(sx.stx_mode);
    struct stat target {};
    const bool isDir = ok && (S_ISDIR(sx.stx_mode) || (isLink && stat(bytes.constData(), &target) == 0 && S_ISDIR(target.st_mode)));

    add(QStringLiteral("名称:"), name);
    QString type;
    if (!ok)
        type = QStringLiteral("（无法读取）");
    else if (isDir)
        type = QStringLiteral("文件夹");
    else {
        QMimeDatabase db;
        const QMimeType m = db.mimeTypeForName(DesktopApps::MimeTypeOf(norm));
        type = m.comment().isEmpty() ? m.name() : m.comment() + QStringLiteral(" (") + m.name() + u')';
    }
    if (isLink)
        type = QStringLiteral("链接，指向 ") + type;
    add(QStringLiteral("类型:"), type);
    const qsizetype slash = norm.lastIndexOf(u'/');
    const QString location = slash <= 0 ? QStringLiteral("/") : norm.left(slash);
    add(QStringLiteral("位置:"), DisplayNameOfBytes(EncodePath(location)));
    size_ = add(QStringLiteral("大小:"), QString());
    if (!ok) {
        size_->setText(QStringLiteral("未知"));
        sizeDone_ = true;
    } else if (S_ISDIR(sx.stx_mode)) {
        size_->setText(QStringLiteral("正在计算……"));
        watcher_ = new QFutureWatcher<FolderTotal>(this);
        connect(watcher_, &QFutureWatcher<FolderTotal>::finished, this, [this] {
            const FolderTotal t = watcher_->result();
            size_->setText(bytesText(t.bytes) + QStringLiteral("，%1 个文件，%2 个文件夹").arg(t.files).arg(t.folders));
            sizeDone_ = true;
            emit sizeFinished();
        });
        auto stop = stop_;
        watcher_->setFuture(QtConcurrent::run([norm, stop] { return SumFolder(norm, stop.get()); }));
    } else {
        size_->setText(bytesText(qint64(sx.stx_size)));
        sizeDone_ = true;
    }
    if (ok) {
        add(QStringLiteral("创建时间:"), (sx.stx_mask & STATX_BTIME) ? timeText(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                                                                   : QStringLiteral("未知"));
        add(QStringLiteral("修改时间:"), timeText(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec));
        add(QStringLiteral("访问时间:"), timeText(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec));
        add(QStringLiteral("权限:"), permissionText(sx.stx_mode));
        add(QStringLiteral("所有者:"), ownerText(sx.stx_uid, sx.stx_gid));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

TPropertiesDialog::~TPropertiesDialog()
{
    // The sum stops at its next entry; waiting for it keeps its result from
    // arriving at a dialog that is gone.
    stop_->store(true);
    if (watcher_)
        watcher_->waitForFinished();
}

QString TPropertiesDialog::Value(const QString& caption) const
{
    for (const auto& r : rows_)
        if (r.first == caption)
            return r.second->text();
    return {};
}
