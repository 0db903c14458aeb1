#pragma once
// The thumbnail grid: an ordered list of entries (picture, tag, three texts)
// laid out row by row in cells of ThumbWidth x ThumbHeight with HorizBorder /
// VertBorder gaps. The grid draws only the pictures; everything else about a
// cell (frame, selection mark, texts) is drawn by the before-draw hook.
//
// Geometry values are kept as set (settings may hold anything) and limited
// where they are used: cell width and height to kMinThumbCell..kMaxThumbCell, gaps to
// 0..kMaxThumbGap. Positions are computed in 64 bits; scroll offsets are ints,
// so with millions of entries the far end of the grid is out of reach.

#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

constexpr int kMinThumbCell = 16;  // smaller cells would only multiply the cells a paint pass decorates
constexpr int kMaxThumbCell = 4096;
constexpr int kMaxThumbGap = 1024;

// A rectangle as the hook sees it: Right and Bottom are exclusive.
struct TThumbRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TThumbRect&) const = default;
};

// The off-screen surface of a paint pass: the painter draws on the image, and
// pixel-level routines (the shadow) read and write the image directly.
struct TCanvas {
  QImage* Bitmap = nullptr;
  QPainter* Painter = nullptr;
};

class TThumbGrid : public QAbstractScrollArea {
  Q_OBJECT
public:
  // Called once per visible cell, in index order, before its picture is drawn.
  // `left`, `top`: the cell's corner on the surface; `thumbRect` (in and out):
  // the picture rectangle relative to that corner.
  using BeforeImageDrawEx =
      std::function<void(TThumbGrid* sender, int idx, int left, int top, TCanvas& dest, TThumbRect& thumbRect)>;

  explicit TThumbGrid(QWidget* parent = nullptr);
  ~TThumbGrid() override;

  // Entries. Accessors throw std::out_of_range for an index that names none.
  int AppendImage();  // an empty entry at the end; it becomes the only selected one
  void Clear();
  int ImageCount() const { return int(entries_.size()); }
  QString ImageTopText(int i) const;
  QString ImageInfoText(int i) const;
  QString ImageBottomText(int i) const;
  int ImageTag(int i) const;
  void SetImageTopText(int i, const QString& s);
  void SetImageInfoText(int i, const QString& s);
  void SetImageBottomText(int i, const QString& s);
  void SetImageTag(int i, int tag);
  // The grid keeps its own copy, scaled down to the cell size when larger.
  void SetImage(int i, const QImage& picture);
  // `picture` as SetImage would keep it: scaled down to fit the cell.
  QImage FitToCell(const QImage& picture) const;
  QImage Image(int i) const;
  bool HasImage(int i) const { return !Image(i).isNull(); }

  void SetBeforeImageDrawEx(BeforeImageDrawEx hook) { beforeDraw_ = std::move(hook); }

  // Geometry and colours.
  int ThumbWidth() const { return thumbW_; }
  int ThumbHeight() const { return thumbH_; }
  int HorizBorder() const { return horizBorder_; }
  int VertBorder() const { return vertBorder_; }
  void SetThumbWidth(int v);
  void SetThumbHeight(int v);
  void SetHorizBorder(int v);
  void SetVertBorder(int v);
  QColor ThumbnailsBorderColor() const { return borderColor_; }
  QColor ThumbnailsBackground() const { return thumbBackground_; }
  void SetThumbnailsBorderColor(const QColor& c) { borderColor_ = c; }
  void SetThumbnailsBackground(const QColor& c) { thumbBackground_ = c; }  // no repaint
  QColor Background() const { return background_; }
  void SetBackground(const QColor& c);

  // Layout, in grid coordinates (they scroll with the view).
  int ColumnCount() const;
  QRect CellRect(int i) const;  // in viewport coordinates, i.e. moved by the scroll offsets
  int ImageAtPos(const QPoint& viewportPos) const;  // -1 in the gaps and past the entries
  bool IsVisible(int i) const;
  void EnsureVisible(int i);

  // Scroll offsets.
  int ViewX() const;
  int ViewY() const;
  void SetViewX(int v);
  void SetViewY(int v);

  // Suspends layout and repainting; nested. The outermost UnlockPaint lays
  // out and repaints once.
  void LockPaint();
  void UnlockPaint();
  int PaintLockCount() const { return lockCount_; }

  // Selection.
  bool IsSelected(int i) const;
  std::vector<int> SelectedIndexes() const;
  int SelectedImage() const { return current_; }  // the focused entry, -1 for none
  void SetSelected(int i, bool on);
  void SelectOnly(int i);
  void SelectAll();
  void DeselectNone();
  bool ViewHasFocus() const;

  // Hints.
  QString Hint() const { return hint_; }
  void SetHint(const QString& s) { hint_ = s; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on) { showHint_ = on; }

  // Renders one paint pass into an image of the viewport's size (what the
  // screen shows); tests and screenshots use it.
  QImage RenderToImage();

signals:
  void selectionChanged();
  void imageMouseMove(Qt::KeyboardModifiers modifiers, int x, int y);
  void imageMousePress(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
  void imageDoubleClick();

protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void focusInEvent(QFocusEvent*) override;
  void focusOutEvent(QFocusEvent*) override;
  bool viewportEvent(QEvent*) override;
  void scrollContentsBy(int dx, int dy) override;

private:
  struct Entry {
    QImage picture;
    QString top, info, bottom;
    int tag = 0;
    bool selected = false;
  };
  struct Metrics {
    qint64 tw, th, hb, vb;
    qint64 cols;  // entries per row (all of them when they form one row)
  };
  Metrics metrics() const;
  qint64 cellX(const Metrics& m, qint64 i) const { return m.hb + (i % m.cols) * (m.tw + m.hb); }
  qint64 cellY(const Metrics& m, qint64 i) const { return m.vb + (i / m.cols) * (m.th + m.vb); }
  const Entry& at(int i) const;
  Entry& at(int i);
  void relayout();
  void repaint_();
  void paintPass(QImage& surface);
  void setCurrent(int i, Qt::KeyboardModifiers mods);

  std::vector<Entry> entries_;
  BeforeImageDrawEx beforeDraw_;
  int thumbW_ = 80, thumbH_ = 100, horizBorder_ = 12, vertBorder_ = 12;
  QColor borderColor_ = Qt::black, thumbBackground_ = Qt::white, background_ = Qt::white;
  int lockCount_ = 0;
  bool painting_ = false;
  int current_ = -1;
  int anchor_ = -1;
  int sole_ = -1;  // the one selected entry; -1 none selected, -2 not known
  QString hint_;
  bool showHint_ = false;
  QImage surface_;
};
