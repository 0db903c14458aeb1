#include "ImageLoadThread.h"

#include "DwgPreview.h"
#include "ThumbGrid.h"
#include "ThumbInfo.h"

#include <QMetaObject>

QList<int>& TLoadQueue::LockList() {
  mutex_.lock();
  return list_;
}

void TLoadQueue::UnlockList() { mutex_.unlock(); }

int TLoadQueue::Count() {
  QMutexLocker lock(&mutex_);
  return int(list_.size());
}

namespace {
// Holds the queue's lock for one operation and releases it on every path.
class QueueLock {
public:
  explicit QueueLock(TLoadQueue* q) : q_(q), list_(q->LockList()) {}
  ~QueueLock() { q_->UnlockList(); }
  QList<int>& list() { return list_; }

private:
  TLoadQueue* q_;
  QList<int>& list_;
};
}  // namespace

void QueueThumbIndex(TLoadQueue* queue, int index) {
  if (!queue) return;
  QueueLock lock(queue);
  lock.list().append(index);
}

void DropQueueEntry(QList<int>& list, int position) {
  if (position >= 0 && position < list.size()) list.removeAt(position);
}

void FreeLoadQueue(TLoadQueue*& queue) {
  if (!queue) return;
  {
    QueueLock lock(queue);
    lock.list().clear();
  }
  delete queue;
  queue = nullptr;
}

TImageLoadThread::TImageLoadThread(TThumbGrid* view, TLoadQueue* queue, bool createSuspended, QObject* parent)
    : QThread(parent), view_(view), queue_(queue), parked_(createSuspended) {
  start(QThread::HighPriority);
}

TImageLoadThread::~TImageLoadThread() {
  {
    std::lock_guard l(m_);
    terminated_ = true;
    parked_ = false;
  }
  cv_.notify_all();
  // Keep serving hand-overs until the thread has ended: a step it requested
  // just before must not block this wait.
  for (;;) {
    std::unique_lock l(m_);
    cv_.wait(l, [this] { return requested_ || finished_; });
    if (!requested_) break;
    l.unlock();
    serveStep();
  }
  wait();
  bitmap_ = QImage();
}

bool TImageLoadThread::Parked() const {
  std::lock_guard l(m_);
  return parked_;
}

void TImageLoadThread::Wake() {
  {
    std::lock_guard l(m_);
    if (!parked_ || terminated_) return;
    parked_ = false;
  }
  cv_.notify_all();
}

void TImageLoadThread::Terminate() {
  {
    std::lock_guard l(m_);
    terminated_ = true;
  }
  cv_.notify_all();
}

bool TImageLoadThread::Terminated() const {
  std::lock_guard l(m_);
  return terminated_;
}

void TImageLoadThread::park() {
  std::lock_guard l(m_);
  if (!terminated_) parked_ = true;
}

void TImageLoadThread::run() {
  for (;;) {
    {
      std::unique_lock l(m_);
      cv_.wait(l, [this] { return terminated_ || !parked_; });
      if (terminated_) break;
      requested_ = true;
    }
    cv_.notify_all();
    QMetaObject::invokeMethod(this, [this] { serveStep(); }, Qt::QueuedConnection);
    std::unique_lock l(m_);
    cv_.wait(l, [this] { return !requested_; });
  }
  {
    std::lock_guard l(m_);
    finished_ = true;
  }
  cv_.notify_all();
}

void TImageLoadThread::serveStep() {
  bool stopping;
  {
    std::lock_guard l(m_);
    if (!requested_) return;  // already served during shutdown
    stopping = terminated_;
  }
  // Once stopping, a step returns at once: it neither parks the loader again
  // nor touches the bitmap that is about to go.
  if (!stopping) {
    try {
      LoadNextPreview();
    } catch (...) {
      // An error ends this step only; the loader goes on with the next.
    }
  }
  {
    std::lock_guard l(m_);
    requested_ = false;
  }
  cv_.notify_all();
  if (!stopping) emit stepDone();
}

void TImageLoadThread::LoadNextPreview() {
  if (Terminated()) return;
  int i;
  {
    QueueLock lock(queue_);
    QList<int>& list = lock.list();
    if (list.isEmpty()) {
      park();
      return;
    }
    i = list.front();
    DropQueueEntry(list, 0);
  }
  if (i < 0 || i >= view_->ImageCount()) return;  // names no entry any more
  if (!view_->IsVisible(i)) {
    // Scrolled away before its turn: the next paint queues it again.
    view_->SetImageTag(i, 0);
    return;
  }
  if (view_->ImageTopText(i) != QLatin1String("2")) return;
  struct MarkDone {
    TThumbGrid* v;
    int i;
    ~MarkDone() {
      try {
        v->SetImageTag(i, 2);
      } catch (...) {
      }
    }
  } done{view_, i};
  const QString path = ThumbInfoPath(view_->ImageInfoText(i));
  if (LoadDwgPreviewBitmap(bitmap_, path)) {
    // 24 bits per pixel, converted after the scaling to the cell: the same
    // picture, at a fraction of the work for large previews.
    view_->SetImage(i, view_->FitToCell(bitmap_).convertToFormat(QImage::Format_RGB888));
  }
}
