#pragma once
// Shared by the main-window tests: a window whose settings live in a temporary
// folder, and a helper that answers the next modal box.

#include "Application.h"
#include "UnitCAD.h"
#include "UnitFace.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

// Runs `answer` on the next modal widget as soon as one shows, so a test can
// drive code that opens a message box or a dialog.
// Returns the timer so a caller that goes away first can stop it.
inline QTimer* WhenModalShows(std::function<void(QWidget*)> answer, int timeoutMs = 10000)
{
    auto* timer = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, answer, timeoutMs] {
        *elapsed += 20;
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(w);
        } else if (*elapsed > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
    return timer;
}

// Closes the next message box and remembers its title and text.
struct MessageBoxCatcher {
    QString title;
    QString text;
    bool seen = false;
    QPointer<QTimer> timer;
    ~MessageBoxCatcher()
    {
        if (timer)
            delete timer.data();
    }
    void arm()
    {
        timer = WhenModalShows([this](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                title = box->windowTitle();
                text = box->text();
                seen = true;
                box->accept();
            } else {
                w->close();
            }
        });
    }
};

struct WindowFixture {
    QTemporaryDir dir;
    std::unique_ptr<TFrmFace> face;
    std::unique_ptr<TFrmCAD> window;

    explicit WindowFixture(const QByteArray& ini = {})
    {
        TFrmCAD::SetProgramDirOverride(dir.path());
        if (!ini.isEmpty()) {
            QFile f(dir.filePath("Korvane.ini"));
            f.open(QIODevice::WriteOnly);
            f.write(ini);
        }
        face = std::make_unique<TFrmFace>();
        window = std::make_unique<TFrmCAD>();
    }
    ~WindowFixture()
    {
        window.reset();
        face.reset();
        TFrmCAD::SetProgramDirOverride(QString());
    }
    QString iniPath() const { return dir.filePath("Korvane.ini"); }
};
