#include "Application.h"

#include <QFont>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>
#include <QTranslator>
#include <QWidget>
#include <csignal>
#include <exception>
#include <sys/socket.h>
#include <unistd.h>

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        QMessageBox::critical(activeWindow(), QString(), QString::fromUtf8(e.what()));
    } catch (...) {
        QMessageBox::critical(activeWindow(), QString(), QStringLiteral("发生未知错误。"));
    }
    return false;
}

void InstallSongSubstitutes()
{
    const QStringList song = {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                              QStringLiteral("AR PL UMing HK"), QStringLiteral("AR PL SungtiL GB"),
                              QStringLiteral("Noto Serif CJK SC")};
    QFont::insertSubstitutions(QStringLiteral("宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
    QFont::insertSubstitutions(QStringLiteral("新宋体"), song);
}

void InstallChineseTranslations(QCoreApplication& app)
{
    auto* qt = new QTranslator(&app);
    if (qt->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qt);
    else
        delete qt;
}

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    // Only async-signal-safe work here; the GUI thread does the closing.
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}
} // namespace

void CloseWindowOnTerminationSignals(QWidget* window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
    QPointer<QWidget> target(window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [target] {
        char c;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &c, 1);
        if (target)
            target->close();
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}
