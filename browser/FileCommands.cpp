#include "FileCommands.h"

#include "FileClipboard.h"
#include "FileTransfer.h"
#include "FreedesktopTrash.h"
#include "PathBytes.h"
#include "ShellServices.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>

namespace {

QString shownName(const QString& path)
{
    return DisplayNameOfBytes(EncodePath(path.mid(path.lastIndexOf(u'/') + 1)));
}

void reportFailures(QWidget* owner, const QString& head, const QStringList& errors)
{
    if (errors.isEmpty())
        return;
    QStringList lines = errors.mid(0, 10);
    if (errors.size() > 10)
        lines.append(QStringLiteral("……共 %1 项失败").arg(errors.size()));
    QMessageBox::critical(owner, QStringLiteral("错误"), head + QStringLiteral("\n\n") + lines.join(u'\n'));
}

} // namespace

bool DeleteItems(QWidget* owner, const QStringList& paths, bool permanent)
{
    if (paths.isEmpty())
        return false;
    const QString question = permanent
        ? QStringLiteral("确实要永久删除这 %1 项吗？删除后无法恢复。").arg(paths.size())
        : QStringLiteral("确实要把这 %1 项移到回收站吗？").arg(paths.size());
    const auto answer = QMessageBox::question(owner, permanent ? QStringLiteral("删除") : QStringLiteral("移到回收站"),
                                              question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return false;
    QStringList errors;
    int done = 0;
    for (const QString& p : paths) {
        QString err;
        bool ok;
        if (permanent) {
            ok = FileTransfer::DeletePermanently(p, &err);
        } else {
            const FreedesktopTrash::Result r = FreedesktopTrash::MoveToTrash(p);
            ok = r.ok;
            err = r.error;
        }
        if (ok)
            ++done;
        else
            errors.append(err);
    }
    reportFailures(owner, permanent ? QStringLiteral("以下项目未能删除：") : QStringLiteral("以下项目未能移到回收站："),
                   errors);
    return done == paths.size();
}

void CopyItemsToClipboard(const QStringList& paths, bool cut)
{
    if (paths.isEmpty())
        return;
    QGuiApplication::clipboard()->setMimeData(FileClipboard::Encode(paths, cut));
}

int PasteFromClipboard(QWidget* owner, const QString& folder)
{
    QStringList sources;
    bool cut = false;
    if (folder.isEmpty() || !FileClipboard::Decode(QGuiApplication::clipboard()->mimeData(), &sources, &cut))
        return 0;
    const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
    QStringList errors;
    int pasted = 0;
    bool replaceAll = false;
    for (const QString& src : sources) {
        if (!FileTransfer::Exists(src)) {
            errors.append(src + QStringLiteral("：") + FileTransfer::ErrorText(ENOENT));
            continue;
        }
        const QString name = src.mid(src.lastIndexOf(u'/') + 1);
        QString dst = base + name;
        QString err;
        bool ok;
        if (dst == src) {
            if (cut)
                continue; // moved onto itself: nothing to do
            dst = base + FileTransfer::FreeCopyName(folder, name);
            ok = FileTransfer::Copy(src, dst, &err);
        } else if (FileTransfer::Exists(dst)) {
            if (FileTransfer::IsInside(dst, src)) {
                errors.append(src + QStringLiteral("：不能放到它自己里面"));
                continue;
            }
            QMessageBox::StandardButton answer = QMessageBox::YesToAll;
            if (!replaceAll) {
                answer = QMessageBox::question(
                    owner, QStringLiteral("确认替换"),
                    QStringLiteral("此位置已经有名为“%1”的项目。\n要用粘贴的项目替换它吗？").arg(shownName(dst)),
                    QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::Cancel,
                    QMessageBox::No);
            }
            if (answer == QMessageBox::Cancel)
                break;
            if (answer == QMessageBox::No)
                continue;
            if (answer == QMessageBox::YesToAll)
                replaceAll = true;
            ok = FileTransfer::Replace(src, dst, cut, &err);
        } else {
            ok = cut ? FileTransfer::Move(src, dst, &err) : FileTransfer::Copy(src, dst, &err);
        }
        if (ok)
            ++pasted;
        else
            errors.append(err);
    }
    if (cut && pasted > 0 && errors.isEmpty())
        QGuiApplication::clipboard()->clear(); // a cut is pasted once
    reportFailures(owner, QStringLiteral("以下项目未能粘贴："), errors);
    return pasted;
}

void OpenItemsWithDesktop(QWidget* owner, const QStringList& paths)
{
    for (const QString& p : paths)
        ShellOpenFile(owner, p);
}
