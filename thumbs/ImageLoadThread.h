#pragma once
// The background preview loader and its queue.
//
// The loader thread does no work of its own: it hands one step at a time
// (LoadNextPreview) to the GUI thread and waits until that step has run
// there, so the queue, the grid and the decoder bitmap are only ever touched
// by the GUI thread, one file per step. A step that finds the queue empty parks
// the loader; the painting hook wakes it after queueing an index.

#include <QImage>
#include <QList>
#include <QMutex>
#include <QThread>

#include <condition_variable>
#include <mutex>

class TThumbGrid;

// First-in, first-out list of thumbnail indices under its own lock. Indices may
// repeat and may name no entry any more (a rebuild leaves the queue alone).
class TLoadQueue {
public:
  QList<int>& LockList();
  void UnlockList();
  int Count();

private:
  QMutex mutex_;
  QList<int> list_;
};

void QueueThumbIndex(TLoadQueue* queue, int index);
// Removes the entry at `position`; the caller holds the lock.
void DropQueueEntry(QList<int>& list, int position);
// Empties and releases the queue; `queue` is null afterwards.
void FreeLoadQueue(TLoadQueue*& queue);

class TImageLoadThread : public QThread {
  Q_OBJECT
public:
  // Stores the grid and the queue (neither owned). With `createSuspended` the
  // thread starts parked and requests nothing until woken. The thread runs at
  // a priority one step above normal.
  TImageLoadThread(TThumbGrid* view, TLoadQueue* queue, bool createSuspended, QObject* parent = nullptr);
  // Stops the thread: sets the terminate flag, wakes it when parked, and waits
  // for its end while serving the hand-overs it still makes. Call on the GUI
  // thread.
  ~TImageLoadThread() override;

  // One step on the GUI thread: take the oldest index and, when it names a
  // visible DWG entry, give it its preview.
  void LoadNextPreview();

  bool Parked() const;
  void Wake();  // resumes a parked loader; a running one is left alone
  void Terminate();
  bool Terminated() const;

signals:
  // After each handed-over step, on the GUI thread (tests wait on it).
  void stepDone();

protected:
  void run() override;

private:
  void serveStep();  // GUI thread: runs the requested step, reports completion
  void park();

  TThumbGrid* view_;
  TLoadQueue* queue_;
  QImage bitmap_;  // decoder target, reused by every step

  mutable std::mutex m_;
  std::condition_variable cv_;
  bool terminated_ = false;
  bool parked_ = false;
  bool requested_ = false;  // a step was handed over and has not run yet
  bool finished_ = false;   // run() has returned
};
