// The rename dialog, the desktop applications (associations, Exec lines,
// launching), the Open With and Properties dialogs.
#include "BrowserTestUtil.h"
#include "DesktopApps.h"
#include "OpenWithDialog.h"
#include "PathBytes.h"
#include "PropertiesDialog.h"
#include "ShellServices.h"
#include "UnitRename.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sys/stat.h>

namespace {

void write(const QString& path, const QByteArray& content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

// Runs `steps` one after the other, each once the given kind of window is
// the active modal one; used to drive dialogs that block in exec().
class ModalScript : public QObject {
public:
    using Step = std::function<void(QWidget* modal)>;
    explicit ModalScript(QList<Step> steps) : steps_(std::move(steps))
    {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (++ticks_ > 800) {
                // A step failed or never came: close what is open so the test ends.
                if (w)
                    w->close();
                return;
            }
            if (steps_.isEmpty()) {
                timer_.stop();
                return;
            }
            if (!w || w == last_)
                return;
            last_ = w;
            steps_.takeFirst()(w);
            ++done_;
        });
        timer_.start();
    }
    int done() const { return done_; }

private:
    QTimer timer_;
    QList<Step> steps_;
    QWidget* last_ = nullptr;
    int ticks_ = 0;
    int done_ = 0;
};

// Types a name into the rename dialog and presses OK.
ModalScript::Step typeAndOk(const QString& name)
{
    return [name](QWidget* w) {
        auto* dlg = qobject_cast<TFrmRename*>(w);
        QVERIFY(dlg);
        dlg->EditNewName->setText(name);
        QMetaObject::invokeMethod(dlg->BtnOk, "click", Qt::QueuedConnection);
    };
}

ModalScript::Step answer(QMessageBox::StandardButton b, QString* text = nullptr)
{
    return [b, text](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        if (text)
            *text = box->text();
        QMetaObject::invokeMethod(box->button(b), "click", Qt::QueuedConnection);
    };
}

ModalScript::Step cancelRename()
{
    return [](QWidget* w) {
        auto* dlg = qobject_cast<TFrmRename*>(w);
        QVERIFY(dlg);
        QMetaObject::invokeMethod(dlg->BtnCancel, "click", Qt::QueuedConnection);
    };
}

} // namespace

class TestShellServices : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void renameLayoutAndTexts();
    void renameWithoutQuestion_data();
    void renameWithoutQuestion();
    void renameExtensionQuestion();
    void renameUnchangedOrRefused();
    void execLines_data();
    void execLines();
    void associations();
    void launchPassesExactBytesWithoutShell();
    void openFileFallsBackToOpenWith();
    void propertiesOfFileAndFolder();

private:
    void installApp(const QString& id, const QString& body);
    QTemporaryDir* dir_ = nullptr;
    QTemporaryDir* xdg_ = nullptr;
    QTemporaryDir sys_;
};

void TestShellServices::initTestCase()
{
    QVERIFY(QFile::exists(QStringLiteral("/bin/sh")));
    // The system's MIME database stays reachable, its applications do not.
    QVERIFY(QFile::link(QStringLiteral("/usr/share/mime"), sys_.filePath(QStringLiteral("mime"))));
}

void TestShellServices::init()
{
    dir_ = new QTemporaryDir;
    xdg_ = new QTemporaryDir;
    // Only the applications of this test exist.
    qputenv("XDG_DATA_HOME", xdg_->filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_DATA_DIRS", sys_.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", xdg_->filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_CONFIG_DIRS", xdg_->filePath(QStringLiteral("sysconfig")).toUtf8());
    qunsetenv("XDG_CURRENT_DESKTOP");
    QDir().mkpath(xdg_->filePath(QStringLiteral("data/applications")));

    QDir().mkpath(xdg_->filePath(QStringLiteral("config")));
}

void TestShellServices::cleanup()
{
    delete dir_;
    delete xdg_;
}

void TestShellServices::installApp(const QString& id, const QString& body)
{
    write(xdg_->filePath(QStringLiteral("data/applications/")) + id,
          ("[Desktop Entry]\nType=Application\n" + body + "\n").toUtf8());
}

void TestShellServices::renameLayoutAndTexts()
{
    TFrmRename dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("重命名"));
    QCOMPARE(dlg.size(), QSize(312, 146));
    QCOMPARE(dlg.LabelName->text(), QStringLiteral("新名称:"));
    QCOMPARE(dlg.BtnOk->text(), QStringLiteral("确定(&O)"));
    QCOMPARE(dlg.BtnCancel->text(), QStringLiteral("取消(&C)"));
    QCOMPARE(dlg.EditNewName->geometry(), QRect(24, 48, 265, 21));
    QVERIFY(dlg.BtnOk->isDefault());
    QCOMPARE(dlg.font().family(), QStringLiteral("宋体"));
}

void TestShellServices::renameWithoutQuestion_data()
{
    QTest::addColumn<bool>("isFile");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("newName");
    QTest::newRow("extension case only") << true << "readme.TXT" << "readme.txt";
    QTest::newRow("same extension") << true << "plan.dwg" << "总图.DWG";
    QTest::newRow("folder gains a dot") << false << "plans" << "plans.old";
}

void TestShellServices::renameWithoutQuestion()
{
    QFETCH(bool, isFile);
    QFETCH(QString, oldName);
    QFETCH(QString, newName);
    if (isFile)
        write(dir_->filePath(oldName), "x");
    else
        QVERIFY(QDir(dir_->path()).mkdir(oldName));
    ModalScript script({typeAndOk(newName)});
    QVERIFY(ShowRenameDialog(nullptr, isFile, dir_->path(), oldName));
    QCOMPARE(script.done(), 1); // no message box came up
    QVERIFY(QFileInfo::exists(dir_->filePath(newName)));
    QVERIFY(!QFileInfo::exists(dir_->filePath(oldName)));
}

void TestShellServices::renameExtensionQuestion()
{
    write(dir_->filePath(QStringLiteral("drawing.dwg")), "x");
    QString question;
    // No keeps the dialog open with the typed name; Yes then renames.
    ModalScript script({typeAndOk(QStringLiteral("drawing.dxf")), answer(QMessageBox::No, &question),
                        [](QWidget* w) {
                            auto* dlg = qobject_cast<TFrmRename*>(w);
                            QVERIFY(dlg);
                            QCOMPARE(dlg->EditNewName->text(), QStringLiteral("drawing.dxf"));
                            QMetaObject::invokeMethod(dlg->BtnOk, "click", Qt::QueuedConnection);
                        },
                        answer(QMessageBox::Yes)});
    QVERIFY(ShowRenameDialog(nullptr, true, dir_->path() + QStringLiteral("/"), QStringLiteral("drawing.dwg")));
    QCOMPARE(script.done(), 4);
    QCOMPARE(question, QStringLiteral("文件后缀被修改，确定吗？"));
    QVERIFY(QFile::exists(dir_->filePath(QStringLiteral("drawing.dxf"))));

    // Dropping and adding an extension both ask.
    for (const auto& [from, to] : {std::pair{"drawing.dxf", "drawing"}, std::pair{"drawing", "drawing.dwg"}}) {
        ModalScript s({typeAndOk(QLatin1String(to)), answer(QMessageBox::Yes)});
        QVERIFY(ShowRenameDialog(nullptr, true, dir_->path(), QLatin1String(from)));
        QCOMPARE(s.done(), 2);
    }
    QVERIFY(QFile::exists(dir_->filePath(QStringLiteral("drawing.dwg"))));
    QCOMPARE(TFrmRename::NameExtension(QStringLiteral("a.B.DwG")), QStringLiteral(".dwg"));
    QCOMPARE(TFrmRename::NameExtension(QStringLiteral("noext")), QString());
}

void TestShellServices::renameUnchangedOrRefused()
{
    write(dir_->filePath(QStringLiteral("a.dwg")), "a");
    write(dir_->filePath(QStringLiteral("b.dwg")), "b");
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("sub")));
    {
        ModalScript s({typeAndOk(QStringLiteral("a.dwg"))});
        QVERIFY(!ShowRenameDialog(nullptr, true, dir_->path(), QStringLiteral("a.dwg")));
    }
    // An existing name and a name with '/' are refused; the dialog stays.
    QString error1, error2;
    ModalScript s({typeAndOk(QStringLiteral("b.dwg")), answer(QMessageBox::Ok, &error1),
                   typeAndOk(QStringLiteral("sub/a.dwg")), answer(QMessageBox::Ok, &error2), cancelRename()});
    QVERIFY(!ShowRenameDialog(nullptr, true, dir_->path(), QStringLiteral("a.dwg")));
    QCOMPARE(s.done(), 5);
    QCOMPARE(error1, QStringLiteral("重命名错误"));
    QCOMPARE(error2, QStringLiteral("重命名错误"));
    QFile a(dir_->filePath(QStringLiteral("a.dwg"))), b(dir_->filePath(QStringLiteral("b.dwg")));
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    QCOMPARE(a.readAll(), QByteArray("a"));
    QCOMPARE(b.readAll(), QByteArray("b"));
    QVERIFY(!QFile::exists(dir_->filePath(QStringLiteral("sub/a.dwg"))));

    // A name with raw bytes renames to its exact bytes.
    const QByteArray raw = EncodePath(dir_->path()) + "/\xc9\xe8\xbc\xc6.dwg";
    ModalScript r({typeAndOk(DecodePath("\xc9\xe8\xbc\xc6.dwg"))});
    QVERIFY(ShowRenameDialog(nullptr, true, dir_->path(), QStringLiteral("a.dwg")));
    QCOMPARE(::access(raw.constData(), F_OK), 0);
    ::unlink(raw.constData());
}

void TestShellServices::execLines_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("args");
    const QString p = QStringLiteral("/tmp/a b/图.dwg");
    const QString u = QStringLiteral("file:///tmp/a%20b/%E5%9B%BE.dwg");
    QTest::newRow("%f") << "viewer %f" << QStringList{"viewer", p};
    QTest::newRow("%F") << "viewer --new %F" << QStringList{"viewer", "--new", p};
    QTest::newRow("%U") << "viewer %U" << QStringList{"viewer", u};
    QTest::newRow("%u inside an argument") << "viewer --open=%u" << QStringList{"viewer", "--open=" + u};
    QTest::newRow("quoted program") << "\"/opt/my app/v\" %f" << QStringList{"/opt/my app/v", p};
    QTest::newRow("quoted escapes") << "sh -c \"echo \\\"\\$x\\\"\" %f" << QStringList{"sh", "-c", "echo \"$x\"", p};
    QTest::newRow("%% and dropped codes") << "v %% %d %m %f" << QStringList{"v", "%", p};
    QTest::newRow("icon and name") << "v %i %c %f" << QStringList{"v", "--icon", "ic", "App", p};
    QTest::newRow("no file code") << "v --flag" << QStringList{"v", "--flag", p};
    QTest::newRow("code in quotes is literal") << "v \"%f\"" << QStringList{"v", "%f", p};
    QTest::newRow("unbalanced quote") << "v \"%f" << QStringList{};
}

void TestShellServices::execLines()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, args);
    DesktopApp app;
    app.exec = exec;
    app.icon = QStringLiteral("ic");
    app.name = QStringLiteral("App");
    QString error;
    QCOMPARE(DesktopApps::ExpandExec(app, QStringLiteral("/tmp/a b/图.dwg"), &error), args);
    QCOMPARE(error.isEmpty(), !args.isEmpty());
}

void TestShellServices::associations()
{
    installApp(QStringLiteral("declares.desktop"), QStringLiteral("Name=Declares\nName[zh_CN]=声明者\nExec=a %f\nMimeType=image/vnd.dwg;"));
    installApp(QStringLiteral("chosen.desktop"), QStringLiteral("Name=Chosen\nExec=b %f\nMimeType=text/plain;"));
    installApp(QStringLiteral("removed.desktop"), QStringLiteral("Name=Removed\nExec=c %f\nMimeType=image/vnd.dwg;"));
    installApp(QStringLiteral("hidden.desktop"), QStringLiteral("Name=H\nExec=d %f\nHidden=true\nMimeType=image/vnd.dwg;"));
    installApp(QStringLiteral("missing.desktop"), QStringLiteral("Name=M\nExec=e %f\nTryExec=/nonexistent/e\nMimeType=image/vnd.dwg;"));
    QCOMPARE(DesktopApps::DefaultFor(QStringLiteral("image/vnd.dwg")).id, QStringLiteral("declares.desktop"));
    QCOMPARE(DesktopApps::DefaultFor(QStringLiteral("image/vnd.dwg")).name, QStringLiteral("声明者"));
    QVERIFY(DesktopApps::DefaultFor(QStringLiteral("application/x-nothing-here")).id.isEmpty());

    write(xdg_->filePath(QStringLiteral("config/mimeapps.list")),
          "[Default Applications]\nimage/vnd.dwg=gone.desktop;chosen.desktop;\n"
          "[Removed Associations]\nimage/vnd.dwg=removed.desktop;\n");
    const QList<DesktopApp> apps = DesktopApps::ForMimeType(QStringLiteral("image/vnd.dwg"));
    QStringList ids;
    for (const DesktopApp& a : apps)
        ids.append(a.id);
    QCOMPARE(ids, (QStringList{"chosen.desktop", "declares.desktop"}));
    // A type's parent counts: text/x-csrc is text/plain too.
    QCOMPARE(DesktopApps::DefaultFor(QStringLiteral("text/x-csrc")).id, QStringLiteral("chosen.desktop"));
}

void TestShellServices::launchPassesExactBytesWithoutShell()
{
    const QString out = dir_->filePath(QStringLiteral("args.txt"));
    const QString script = dir_->filePath(QStringLiteral("record.sh"));
    write(script, QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1.tmp'\nmv '%1.tmp' '%1'\n").arg(out).toUtf8());
    QVERIFY(::chmod(EncodePath(script).constData(), 0755) == 0);
    DesktopApp app;
    app.id = QStringLiteral("rec.desktop");
    app.exec = u'"' + script + QStringLiteral("\" --x %f");
    // A name a shell would mangle, with bytes that are not UTF-8.
    const QString path = DecodePath(EncodePath(dir_->path()) + "/$(touch pwned) \xb8\xc4;.dwg");
    QString error;
    QVERIFY2(DesktopApps::Launch(app, path, &error), qPrintable(error));
    QTRY_VERIFY(QFile::exists(out));
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), "--x\n" + EncodePath(path) + "\n");
    QVERIFY(!QFile::exists(QStringLiteral("pwned")));

    app.exec = QStringLiteral("/nonexistent/program %f");
    QVERIFY(!DesktopApps::Launch(app, path, &error));
    QVERIFY(!error.isEmpty());
    app.exec = QStringLiteral("no-such-program-plendor %f");
    QVERIFY(!DesktopApps::Launch(app, path, &error));
}

void TestShellServices::openFileFallsBackToOpenWith()
{
    const QString out = dir_->filePath(QStringLiteral("opened.txt"));
    const QString script = dir_->filePath(QStringLiteral("open.sh"));
    write(script, QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1.tmp'; mv '%1.tmp' '%1'\n").arg(out).toUtf8());
    QVERIFY(::chmod(EncodePath(script).constData(), 0755) == 0);
    installApp(QStringLiteral("other.desktop"), QStringLiteral("Name=Other\nExec=\"%1\" %f").arg(script));
    const QString file = dir_->filePath(QStringLiteral("plan.dwg"));
    write(file, "x");

    // No program for the type: the Open With dialog, declaring apps none,
    // the others listed; choosing one starts it.
    bool sawDialog = false;
    ModalScript choose({[&](QWidget* w) {
        auto* dlg = qobject_cast<TOpenWithDialog*>(w);
        QVERIFY(dlg);
        sawDialog = true;
        QListWidget* list = dlg->AppList();
        QCOMPARE(list->item(0)->text(), QStringLiteral("其他程序"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("Other"));
        list->setCurrentRow(1);
        QMetaObject::invokeMethod(dlg, "accept", Qt::QueuedConnection);
    }});
    ShellOpenFile(nullptr, file);
    QVERIFY(sawDialog);
    QTRY_VERIFY(QFile::exists(out));
    QFile::remove(out);

    // With an associated program it starts directly; no dialog.
    installApp(QStringLiteral("dwgviewer.desktop"),
               QStringLiteral("Name=DWG\nExec=\"%1\" %f\nMimeType=image/vnd.dwg;").arg(script));
    ShellOpenFile(nullptr, file);
    QTRY_VERIFY(QFile::exists(out));
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), file.toUtf8());

    // The dialog puts the declaring applications first.
    TOpenWithDialog dlg(file, DesktopApps::ForMimeType(QStringLiteral("image/vnd.dwg")), DesktopApps::All());
    QCOMPARE(dlg.AppList()->item(0)->text(), QStringLiteral("推荐的程序"));
    QCOMPARE(dlg.AppList()->item(1)->text(), QStringLiteral("DWG"));
    QCOMPARE(dlg.Chosen().id, QStringLiteral("dwgviewer.desktop"));
}

void TestShellServices::propertiesOfFileAndFolder()
{
    const QString file = dir_->filePath(QStringLiteral("a.dwg"));
    write(file, "12345");
    QVERIFY(::chmod(EncodePath(file).constData(), 0640) == 0);
    {
        TPropertiesDialog dlg(file);
        QCOMPARE(dlg.Value(QStringLiteral("名称:")), QStringLiteral("a.dwg"));
        QCOMPARE(dlg.Value(QStringLiteral("位置:")), dir_->path());
        QCOMPARE(dlg.Value(QStringLiteral("大小:")), QStringLiteral("5 字节"));
        QCOMPARE(dlg.Value(QStringLiteral("权限:")), QStringLiteral("rw-r----- (0640)"));
        QVERIFY(dlg.Value(QStringLiteral("类型:")).contains(QStringLiteral("image/vnd.dwg")));
        QVERIFY(!dlg.Value(QStringLiteral("修改时间:")).isEmpty());
        QVERIFY(!dlg.Value(QStringLiteral("所有者:")).isEmpty());
    }
    const QString folder = dir_->filePath(QStringLiteral("f"));
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/g")));
    write(folder + QStringLiteral("/x"), QByteArray(1000, 'x'));
    write(folder + QStringLiteral("/g/y"), QByteArray(2000, 'y'));
    QVERIFY(::symlink("/usr", EncodePath(folder + QStringLiteral("/g/link")).constData()) == 0);
    TPropertiesDialog dlg(folder);
    QCOMPARE(dlg.Value(QStringLiteral("类型:")), QStringLiteral("文件夹"));
    QTRY_VERIFY(dlg.SizeDone());
    // The link counts as an item, its target is not walked.
    QVERIFY(dlg.Value(QStringLiteral("大小:")).startsWith(QStringLiteral("2.93 KB (3,004 字节)")));
    QVERIFY2(dlg.Value(QStringLiteral("大小:")).contains(QStringLiteral("3 个文件，1 个文件夹")),
             qPrintable(dlg.Value(QStringLiteral("大小:"))));
    // Closing while the sum runs does not wait for the whole tree.
    std::atomic_bool stop(true);
    QVERIFY(!SumFolder(QStringLiteral("/usr"), &stop).complete);
}

QTEST_MAIN(TestShellServices)
#include "tst_shell_services.moc"
