// Program entry: the main window, the hidden skin holder, the message loop.

#include "Application.h"
#include "UnitCAD.h"
#include "UnitFace.h"

#include <QLocale>
#include <QScreen>

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    // Type names, dates and standard dialogs in Chinese, whatever the session's language.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    InstallSongSubstitutes();
    InstallChineseTranslations(app);
    QGuiApplication::setApplicationDisplayName(QString());

    // The face must exist before the main window's first paint.
    TFrmFace face;
    TFrmCAD frmCAD;
    CloseWindowOnTerminationSignals(&frmCAD);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    frmCAD.move(screen.center() - QPoint(frmCAD.width() / 2, frmCAD.height() / 2));
    frmCAD.show();
    frmCAD.activateWindow();
    return app.exec();
}
