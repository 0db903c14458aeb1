#pragma once
// The Open With dialog: the applications that declare the file's type first,
// then all other installed applications, each with its icon and name.

#include "DesktopApps.h"

#include <QDialog>

class QListWidget;
class QLabel;

class TOpenWithDialog : public QDialog {
    Q_OBJECT
public:
    TOpenWithDialog(const QString& path, const QList<DesktopApp>& forType, const QList<DesktopApp>& others,
                    QWidget* parent = nullptr);
    // The chosen application; empty id when none.
    DesktopApp Chosen() const;
    QListWidget* AppList() const { return list_; }

private:
    QListWidget* list_ = nullptr;
    QList<DesktopApp> apps_; // by the row's data index
};

// Shows the dialog for `path` and starts the chosen program. Returns true when
// a program was started; failures are reported in a message box.
bool ShowOpenWithDialog(QWidget* owner, const QString& path);
