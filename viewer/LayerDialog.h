#pragma once
// Modal list of the drawing's layers: colour swatch, name and an on/off
// check box. Each change is applied at once through `changed`.

#include <QDialog>

#include <functional>

#include "cad/render/Primitives.h"

class QListWidget;

class LayerDialog : public QDialog {
    Q_OBJECT
public:
    LayerDialog(cad::render::ResolvedDrawing* drawing, cad::render::Rgb background,
                std::function<void()> changed, QWidget* parent = nullptr);
    QListWidget* list() const { return list_; }

private:
    void setAll(bool on);

    cad::render::ResolvedDrawing* drawing_;
    std::function<void()> changed_;
    QListWidget* list_;
    bool filling_ = false;
};
