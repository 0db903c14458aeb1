#pragma once
// The folder combo: the current folder of the linked list inside the chain of
// its ancestors, each entry one level deeper than its parent, with the
// namespace root's entries (Home, Desktop, "/", volumes, Trash) beside it.

#include "ShellListData.h"

#include <QComboBox>

class TRzShellList;

class TRzShellCombo : public QComboBox {
    Q_OBJECT
public:
    explicit TRzShellCombo(QWidget* parent = nullptr);

    void SetShellList(TRzShellList* list);
    TRzShellList* ShellList() const { return list_; }

    // The file-system path of the selected folder; "" when it has none.
    QString SelectedFolderPath() const;
    ShellId EntryId(int index) const;
    int EntryLevel(int index) const;

private:
    void rebuild();
    void entryChosen(int index);

    TRzShellList* list_ = nullptr;
    bool filling_ = false;
};
