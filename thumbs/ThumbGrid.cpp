#include "ThumbGrid.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace {
qint64 clampInt(qint64 v) { return std::clamp<qint64>(v, 0, INT_MAX); }
}  // namespace

TThumbGrid::TThumbGrid(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  // Always on, so the column count never depends on whether the bar is shown.
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  relayout();
}

TThumbGrid::~TThumbGrid() = default;

const TThumbGrid::Entry& TThumbGrid::at(int i) const {
  if (i < 0 || i >= ImageCount()) throw std::out_of_range("thumbnail index out of range");
  return entries_[size_t(i)];
}
TThumbGrid::Entry& TThumbGrid::at(int i) {
  if (i < 0 || i >= ImageCount()) throw std::out_of_range("thumbnail index out of range");
  return entries_[size_t(i)];
}

int TThumbGrid::AppendImage() {
  // Appending selects the new entry alone; a rebuild appends thousands, so
  // avoid a pass over all entries when one entry alone is known selected.
  if (sole_ >= 0 && sole_ < ImageCount()) entries_[size_t(sole_)].selected = false;
  else if (sole_ != -1) for (Entry& e : entries_) e.selected = false;
  entries_.push_back({});
  entries_.back().selected = true;
  current_ = anchor_ = sole_ = ImageCount() - 1;
  relayout();
  repaint_();
  return current_;
}

void TThumbGrid::Clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  current_ = anchor_ = sole_ = -1;
  relayout();
  repaint_();
}

QString TThumbGrid::ImageTopText(int i) const { return at(i).top; }
QString TThumbGrid::ImageInfoText(int i) const { return at(i).info; }
QString TThumbGrid::ImageBottomText(int i) const { return at(i).bottom; }
int TThumbGrid::ImageTag(int i) const { return at(i).tag; }
void TThumbGrid::SetImageTopText(int i, const QString& s) { at(i).top = s; }
void TThumbGrid::SetImageInfoText(int i, const QString& s) { at(i).info = s; }
void TThumbGrid::SetImageBottomText(int i, const QString& s) { at(i).bottom = s; }
void TThumbGrid::SetImageTag(int i, int tag) { at(i).tag = tag; }
QImage TThumbGrid::Image(int i) const { return at(i).picture; }

QImage TThumbGrid::FitToCell(const QImage& picture) const {
  const Metrics m = metrics();
  if (!picture.isNull() && (picture.width() > m.tw || picture.height() > m.th))
    return picture.scaled(int(m.tw), int(m.th), Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return picture;
}

void TThumbGrid::SetImage(int i, const QImage& picture) {
  Entry& e = at(i);
  e.picture = FitToCell(picture);
  // During a paint pass the picture is drawn by that same pass.
  if (!painting_ && IsVisible(i)) repaint_();
}

void TThumbGrid::SetThumbWidth(int v) { thumbW_ = v; relayout(); repaint_(); }
void TThumbGrid::SetThumbHeight(int v) { thumbH_ = v; relayout(); repaint_(); }
void TThumbGrid::SetHorizBorder(int v) { horizBorder_ = v; relayout(); repaint_(); }
void TThumbGrid::SetVertBorder(int v) { vertBorder_ = v; relayout(); repaint_(); }
void TThumbGrid::SetBackground(const QColor& c) { background_ = c; repaint_(); }

TThumbGrid::Metrics TThumbGrid::metrics() const {
  Metrics m;
  m.tw = std::clamp(thumbW_, kMinThumbCell, kMaxThumbCell);
  m.th = std::clamp(thumbH_, kMinThumbCell, kMaxThumbCell);
  m.hb = std::clamp(horizBorder_, 0, kMaxThumbGap);
  m.vb = std::clamp(vertBorder_, 0, kMaxThumbGap);
  const qint64 cols = (qint64(viewport()->width()) - m.hb) / (m.hb + m.tw);
  m.cols = cols >= 1 ? cols : std::max<qint64>(1, ImageCount());
  return m;
}

int TThumbGrid::ColumnCount() const { return int(std::min<qint64>(metrics().cols, INT_MAX)); }

QRect TThumbGrid::CellRect(int i) const {
  at(i);
  const Metrics m = metrics();
  const qint64 x = cellX(m, i) - ViewX();
  const qint64 y = cellY(m, i) - ViewY();
  return QRect(int(std::clamp<qint64>(x, INT_MIN / 2, INT_MAX / 2)),
               int(std::clamp<qint64>(y, INT_MIN / 2, INT_MAX / 2)), int(m.tw), int(m.th));
}

int TThumbGrid::ImageAtPos(const QPoint& p) const {
  if (entries_.empty()) return -1;
  const Metrics m = metrics();
  const qint64 x = qint64(p.x()) + ViewX() - m.hb;
  const qint64 y = qint64(p.y()) + ViewY() - m.vb;
  if (x < 0 || y < 0) return -1;
  const qint64 col = x / (m.tw + m.hb), row = y / (m.th + m.vb);
  if (x % (m.tw + m.hb) >= m.tw || y % (m.th + m.vb) >= m.th) return -1;
  if (col >= m.cols) return -1;
  const qint64 i = row * m.cols + col;
  return i < ImageCount() ? int(i) : -1;
}

bool TThumbGrid::IsVisible(int i) const {
  if (i < 0 || i >= ImageCount()) return false;
  const Metrics m = metrics();
  const qint64 x = cellX(m, i) - ViewX(), y = cellY(m, i) - ViewY();
  // The cell against (0, 0)-(width - 1, height - 1), both inclusive.
  return x <= viewport()->width() - 1 && x + m.tw - 1 >= 0 && y <= viewport()->height() - 1 &&
         y + m.th - 1 >= 0;
}

void TThumbGrid::EnsureVisible(int i) {
  if (i < 0 || i >= ImageCount()) return;
  const Metrics m = metrics();
  const qint64 x = cellX(m, i), y = cellY(m, i);
  const int w = viewport()->width(), h = viewport()->height();
  // With the gap when it fits; a cell larger than the view shows its top/left.
  if (y - m.vb < ViewY()) SetViewY(int(clampInt(y - m.vb)));
  else if (y + m.th + m.vb > qint64(ViewY()) + h) SetViewY(int(clampInt(std::min(y + m.th + m.vb - h, y))));
  if (x - m.hb < ViewX()) SetViewX(int(clampInt(x - m.hb)));
  else if (x + m.tw + m.hb > qint64(ViewX()) + w) SetViewX(int(clampInt(std::min(x + m.tw + m.hb - w, x))));
}

int TThumbGrid::ViewX() const { return horizontalScrollBar()->value(); }
int TThumbGrid::ViewY() const { return verticalScrollBar()->value(); }
void TThumbGrid::SetViewX(int v) { horizontalScrollBar()->setValue(v); }
void TThumbGrid::SetViewY(int v) { verticalScrollBar()->setValue(v); }

void TThumbGrid::LockPaint() {
  if (lockCount_++ == 0) viewport()->setUpdatesEnabled(false);
}

void TThumbGrid::UnlockPaint() {
  if (lockCount_ == 0) return;
  if (--lockCount_ == 0) {
    relayout();
    viewport()->setUpdatesEnabled(true);
    viewport()->update();
  }
}

void TThumbGrid::relayout() {
  if (lockCount_ > 0) return;
  const Metrics m = metrics();
  const qint64 n = ImageCount();
  const qint64 rows = n == 0 ? 0 : (n + m.cols - 1) / m.cols;
  const qint64 cols = std::min<qint64>(n, m.cols);
  const qint64 contentW = m.hb + cols * (m.tw + m.hb);
  const qint64 contentH = m.vb + rows * (m.th + m.vb);
  const QSize vp = viewport()->size();
  horizontalScrollBar()->setRange(0, int(clampInt(contentW - vp.width())));
  horizontalScrollBar()->setPageStep(std::max(1, vp.width()));
  horizontalScrollBar()->setSingleStep(int(std::max<qint64>(1, (m.tw + m.hb) / 4)));
  verticalScrollBar()->setRange(0, int(clampInt(contentH - vp.height())));
  verticalScrollBar()->setPageStep(std::max(1, vp.height()));
  verticalScrollBar()->setSingleStep(int(std::max<qint64>(1, (m.th + m.vb) / 4)));
}

void TThumbGrid::repaint_() {
  if (lockCount_ == 0 && !painting_) viewport()->update();
}

void TThumbGrid::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  relayout();
}

void TThumbGrid::scrollContentsBy(int, int) { viewport()->update(); }

void TThumbGrid::paintPass(QImage& surface) {
  surface.fill(background_);
  if (entries_.empty()) return;
  const Metrics m = metrics();
  const qint64 vx = ViewX(), vy = ViewY();
  const qint64 w = surface.width(), h = surface.height();
  // Candidate rows and columns that may intersect the surface.
  const qint64 rowStep = m.th + m.vb, colStep = m.tw + m.hb;
  const qint64 firstRow = std::max<qint64>(0, (vy - m.vb - m.th) / rowStep);
  const qint64 lastRow = std::max<qint64>(0, (vy + h - m.vb) / rowStep);
  const qint64 firstCol = std::max<qint64>(0, (vx - m.hb - m.tw) / colStep);
  const qint64 lastCol = std::min<qint64>(m.cols - 1, std::max<qint64>(0, (vx + w - m.hb) / colStep));

  QPainter p(&surface);
  TCanvas canvas{&surface, &p};
  painting_ = true;
  for (qint64 r = firstRow; r <= lastRow; ++r) {
    for (qint64 c = firstCol; c <= lastCol; ++c) {
      const qint64 i = r * m.cols + c;
      if (i >= ImageCount()) break;
      if (!IsVisible(int(i))) continue;
      const int left = int(cellX(m, i) - vx), top = int(cellY(m, i) - vy);
      TThumbRect rect{0, 0, int(m.tw), int(m.th)};
      if (beforeDraw_) {
        p.save();
        // An error must not unwind through the paint event; the cell then
        // shows its picture without decoration.
        try {
          beforeDraw_(this, int(i), left, top, canvas, rect);
        } catch (...) {
        }
        p.restore();
      }
      if (i >= ImageCount()) break;  // the hook may not, but must not break us
      const QImage& pic = entries_[size_t(i)].picture;
      const int rw = rect.Right - rect.Left, rh = rect.Bottom - rect.Top;
      if (pic.isNull() || rw <= 0 || rh <= 0) continue;
      QSize s = pic.size();
      if (s.width() > rw || s.height() > rh) s.scale(rw, rh, Qt::KeepAspectRatio);
      const QRect target(left + rect.Left + (rw - s.width()) / 2, top + rect.Top + (rh - s.height()) / 2,
                         s.width(), s.height());
      p.setRenderHint(QPainter::SmoothPixmapTransform, s != pic.size());
      p.drawImage(target, pic);
    }
  }
  painting_ = false;
}

QImage TThumbGrid::RenderToImage() {
  QImage img(viewport()->size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  paintPass(img);
  return img;
}

void TThumbGrid::paintEvent(QPaintEvent*) {
  const QSize size = viewport()->size().expandedTo(QSize(1, 1));
  if (surface_.size() != size) surface_ = QImage(size, QImage::Format_RGB32);
  paintPass(surface_);
  QPainter(viewport()).drawImage(0, 0, surface_);
}

bool TThumbGrid::IsSelected(int i) const { return at(i).selected; }

std::vector<int> TThumbGrid::SelectedIndexes() const {
  std::vector<int> out;
  for (int i = 0; i < ImageCount(); ++i)
    if (entries_[size_t(i)].selected) out.push_back(i);
  return out;
}

void TThumbGrid::SetSelected(int i, bool on) {
  if (at(i).selected == on) return;
  at(i).selected = on;
  sole_ = -2;
  repaint_();
  emit selectionChanged();
}

void TThumbGrid::SelectOnly(int i) {
  at(i);
  for (Entry& e : entries_) e.selected = false;
  entries_[size_t(i)].selected = true;
  current_ = anchor_ = sole_ = i;
  repaint_();
  emit selectionChanged();
}

void TThumbGrid::SelectAll() {
  for (Entry& e : entries_) e.selected = true;
  sole_ = -2;
  repaint_();
  emit selectionChanged();
}

void TThumbGrid::DeselectNone() {
  for (Entry& e : entries_) e.selected = false;
  current_ = anchor_ = sole_ = -1;
  repaint_();
  emit selectionChanged();
}

bool TThumbGrid::ViewHasFocus() const { return hasFocus(); }

// Moves the focused entry; Shift extends from the anchor, Ctrl moves without
// touching the selection, nothing else selects the entry alone.
void TThumbGrid::setCurrent(int i, Qt::KeyboardModifiers mods) {
  if (entries_.empty()) return;
  i = std::clamp(i, 0, ImageCount() - 1);
  current_ = i;
  sole_ = -2;
  if (mods & Qt::ShiftModifier) {
    if (anchor_ < 0 || anchor_ >= ImageCount()) anchor_ = i;
    if (!(mods & Qt::ControlModifier))
      for (Entry& e : entries_) e.selected = false;
    const int lo = std::min(anchor_, i), hi = std::max(anchor_, i);
    for (int k = lo; k <= hi; ++k) entries_[size_t(k)].selected = true;
  } else if (!(mods & Qt::ControlModifier)) {
    for (Entry& e : entries_) e.selected = false;
    entries_[size_t(i)].selected = true;
    anchor_ = sole_ = i;
  }
  EnsureVisible(i);
  repaint_();
  emit selectionChanged();
}

void TThumbGrid::mousePressEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  const int i = ImageAtPos(pos);
  const auto mods = e->modifiers();
  if (i >= 0) {
    if (mods & Qt::ControlModifier && !(mods & Qt::ShiftModifier)) {
      entries_[size_t(i)].selected = !entries_[size_t(i)].selected;
      current_ = anchor_ = i;
      sole_ = -2;
      repaint_();
      emit selectionChanged();
    } else if (mods & Qt::ShiftModifier) {
      setCurrent(i, mods);
    } else if (!(e->button() == Qt::RightButton && entries_[size_t(i)].selected)) {
      // A right click on a selected entry keeps the selection for its menu.
      setCurrent(i, Qt::NoModifier);
    }
  } else if (!(mods & (Qt::ControlModifier | Qt::ShiftModifier)) && !SelectedIndexes().empty()) {
    for (Entry& en : entries_) en.selected = false;
    sole_ = -1;
    repaint_();
    emit selectionChanged();
  }
  emit imageMousePress(e->button(), mods, pos.x(), pos.y());
}

void TThumbGrid::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  emit imageMouseMove(e->modifiers(), pos.x(), pos.y());
}

void TThumbGrid::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) emit imageDoubleClick();
}

void TThumbGrid::keyPressEvent(QKeyEvent* e) {
  if (e->matches(QKeySequence::SelectAll)) {
    SelectAll();
    return;
  }
  if (entries_.empty()) {
    QAbstractScrollArea::keyPressEvent(e);
    return;
  }
  const Metrics m = metrics();
  const int cols = int(std::min<qint64>(m.cols, INT_MAX));
  const int cur = current_ < 0 ? 0 : current_;
  const int rowsPerPage = int(std::max<qint64>(1, viewport()->height() / (m.th + m.vb)));
  const qint64 page = std::min<qint64>(qint64(rowsPerPage) * cols, INT_MAX);
  const int last = ImageCount() - 1;
  int next = -1;
  switch (e->key()) {
    case Qt::Key_Left: next = current_ < 0 ? 0 : std::max(0, cur - 1); break;
    case Qt::Key_Right: next = current_ < 0 ? 0 : std::min(last, cur + 1); break;
    case Qt::Key_Up: next = current_ < 0 ? 0 : (cur >= cols ? cur - cols : cur); break;
    case Qt::Key_Down: next = current_ < 0 ? 0 : (qint64(cur) + cols <= last ? cur + cols : cur); break;
    case Qt::Key_Home: next = 0; break;
    case Qt::Key_End: next = last; break;
    case Qt::Key_PageUp: next = int(std::max<qint64>(cur % cols, cur - page)); break;
    case Qt::Key_PageDown: {
      qint64 n = cur + page;
      while (n > last) n -= cols;  // stay in the same column where possible
      next = int(std::max<qint64>(n, cur));
      break;
    }
    default: QAbstractScrollArea::keyPressEvent(e); return;
  }
  setCurrent(next, e->modifiers());
}

void TThumbGrid::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  viewport()->update();
}
void TThumbGrid::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  viewport()->update();
}

bool TThumbGrid::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* he = static_cast<QHelpEvent*>(e);
    // The hint keeps its CR LF line breaks; a tool tip wants plain LF.
    if (showHint_ && !hint_.isEmpty())
      QToolTip::showText(he->globalPos(), QString(hint_).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                         viewport());
    else QToolTip::hideText();
    return true;
  }
  return QAbstractScrollArea::viewportEvent(e);
}
