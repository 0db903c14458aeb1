#pragma once
// The rows of the folder list: one item per row, folders before files, sorted
// by the clicked column. Detail texts and icons are produced only when a view
// asks for them, so filling a folder costs one directory read and one stat per
// entry.

#include "FileMasks.h"
#include "ShellListData.h"

#include <QAbstractTableModel>
#include <vector>

class FolderModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FolderModel(QObject* parent = nullptr);

    ShellId folderId() const { return folder_; }
    // Makes a folder current and fills it; returns false when it does not exist
    // (the caller decides where to go instead).
    void setFolder(const ShellId& id);

    void setShowHidden(bool show) { showHidden_ = show; }
    bool showHidden() const { return showHidden_; }
    void setFilterText(const QString& text);
    QString filterText() const { return filterText_; }

    // Clears the rows and lists the folder afresh.
    void refill();
    // Keeps the rows of items that still exist, drops the others, adds new ones.
    void reload();

    const TRzShellListData* item(int row) const;
    int rowOfId(const ShellId& id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order) override;
    int sortColumn() const { return sortColumn_; }
    Qt::SortOrder sortOrder() const { return sortOrder_; }

private:
    bool lessThan(const TRzShellListData& a, const TRzShellListData& b) const;
    void sortItems(std::vector<TRzShellListData>& items) const;
    bool filterApplies() const;

    ShellId folder_;
    std::vector<TRzShellListData> rows_;
    bool showHidden_ = true;
    QString filterText_;
    FileMaskList masks_;
    int sortColumn_ = 0;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};
