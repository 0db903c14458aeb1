#pragma once
// Helpers for the browser tests: files with raw-byte names, and answering the
// next message box the code under test shows.

#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QMessageBox>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

// Creates a file by its exact bytes, bypassing Qt's name conversion.
inline bool makeRawFile(const QByteArray& path, const QByteArray& content = "x")
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    ::close(fd);
    return ok;
}

// Answers the next modal message box with `button`, remembering its text.
// Polls from a timer so the test never sleeps; gives up after ~5 s.
class MessageBoxAnswerer : public QObject {
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton button, int times = 1)
        : button_(button), remaining_(times)
    {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start();
    }
    QStringList texts;
    int shown() const { return int(texts.size()); }

private:
    void poll()
    {
        if (++ticks_ > 500 || remaining_ <= 0) {
            timer_.stop();
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        texts.append(box->text());
        --remaining_;
        if (QAbstractButton* b = box->button(button_))
            b->click();
        else
            box->reject();
    }
    QTimer timer_;
    QMessageBox::StandardButton button_;
    int remaining_;
    int ticks_ = 0;
};
