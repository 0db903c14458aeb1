#pragma once
// The rename dialog: asks for a new name of one file or folder of the current
// folder and renames it itself, never replacing an existing item.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TFrmRename : public QDialog {
    Q_OBJECT
public:
    // Modal results: 1 renamed, 2 cancelled (also Esc and closing).
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    explicit TFrmRename(QWidget* owner = nullptr);

    QString RenameFolder; // ends in '/'
    QString OldName;
    bool IsFile = true;

    QLabel* LabelName = nullptr;
    QLineEdit* EditNewName = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;

    void BtnOkClick();
    void reject() override; // Esc and the window's close: result 2

    // The extension of a name: from the last '.' to the end, lower-cased in
    // the ASCII range; "" without a dot.
    static QString NameExtension(const QString& name);
};

// Returns true exactly when the item was renamed.
bool ShowRenameDialog(QWidget* owner, bool isFile, const QString& folder, const QString& oldName);
