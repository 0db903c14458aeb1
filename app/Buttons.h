#pragma once
// The window's own buttons: bitmap buttons drawn from an up and a hot bitmap
// (magenta transparent), and flat tool buttons showing an image-list icon.

#include <QAbstractButton>
#include <QImage>
#include <QToolButton>

class TBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TBitmapButton(QWidget* parent = nullptr);
    // Loads <name>_up.bmp and <name>_hot.bmp from the artwork; magenta becomes transparent.
    void setArtwork(const QString& name);
    bool isHot() const { return hot_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    QSize sizeHint() const override;

private:
    QImage up_;
    QImage hot_img_;
    bool hot_ = false;
};

// Tool button with the pressed / hover gradient from RGB 245 to RGB 80 in a black frame.
class TFlatToolButton : public QToolButton {
    Q_OBJECT
public:
    explicit TFlatToolButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
};

// Magenta (255, 0, 255) pixels made transparent; the bitmaps are drawn that way.
QImage WithMagentaTransparent(const QImage& image);
