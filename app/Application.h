#pragma once
// The application object: fonts, translations, and the one place where an
// error that no handler caught is shown to the user instead of ending the program.

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// "宋体" / "SimSun" have no fontconfig entry on Linux: map them to the Song/Ming
// faces Debian ships so Chinese text keeps its intended look.
void InstallSongSubstitutes();

// Loads Qt's own Chinese texts so standard buttons read 确定 / 取消 / 是 / 否.
void InstallChineseTranslations(QCoreApplication& app);

// SIGTERM and SIGINT close the main window the normal way, so settings are
// written and the loader is stopped as on any other close.
void CloseWindowOnTerminationSignals(QWidget* window);
