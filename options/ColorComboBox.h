#pragma once
// Colour picker combo: a default entry, the 16 standard colours, the system
// colours and a custom entry that opens the colour dialog. Values are colour
// references 0x00BBGGRR; system colours are their negative codes.

#include <QComboBox>
#include <cstdint>

class TColorComboBox : public QComboBox {
    Q_OBJECT
public:
    TColorComboBox(std::int32_t defaultColor, QWidget* parent = nullptr);

    std::int32_t colorRef() const { return current_; }
    // Shows the entry of this colour; a colour without an entry goes into the custom entry.
    void setColorRef(std::int32_t c);

signals:
    void colorChanged(std::int32_t colorRef);

private:
    void onActivated(int index);
    void setCustom(std::int32_t c);
    int customIndex_ = -1;
    std::int32_t current_ = 0;
};
