#pragma once
// The hidden form that only holds the skin bitmap the main window's frame is
// painted from. It exists from just after the main window until the end.

#include <QImage>
#include <QWidget>

class TFrmFace : public QWidget {
    Q_OBJECT
public:
    explicit TFrmFace(QWidget* parent = nullptr);
    QImage ImageFace; // 100 x 50, 24 bits per pixel
};

extern TFrmFace* FrmFace;
