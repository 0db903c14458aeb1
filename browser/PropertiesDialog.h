#pragma once
// The Properties dialog of a file or folder: name, type, location, size (a
// folder's total is summed in the background), times, permissions, owner.

#include <QDialog>
#include <QFutureWatcher>

#include <atomic>
#include <memory>

class QLabel;

struct FolderTotal {
    qint64 bytes = 0;
    qint64 files = 0;
    qint64 folders = 0;
    bool complete = true; // false when stopped early
};

// Sums a folder tree without following links; stops soon after *stop is set.
FolderTotal SumFolder(const QString& path, const std::atomic_bool* stop);

class TPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPropertiesDialog(const QString& path, QWidget* parent = nullptr);
    ~TPropertiesDialog() override;

    QLabel* SizeLabel() const { return size_; }
    // Text of the value row with this caption ("名称:", "大小:", ...).
    QString Value(const QString& caption) const;
    bool SizeDone() const { return sizeDone_; }

signals:
    void sizeFinished();

private:
    QLabel* size_ = nullptr;
    QList<QPair<QString, QLabel*>> rows_;
    std::shared_ptr<std::atomic_bool> stop_;
    QFutureWatcher<FolderTotal>* watcher_ = nullptr;
    bool sizeDone_ = false;
};
