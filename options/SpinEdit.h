#pragma once
// Integer box that applies what is typed at once, even outside its range;
// leaving the box brings an out-of-range value to the nearer bound (text that
// is not a number to the lower bound). An empty box stays empty.

#include <QAbstractSpinBox>

class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    TSpinEdit(int minimum, int maximum, int emptyValue, QWidget* parent = nullptr);

    // The value the text stands for: the typed number, emptyValue for an empty
    // box, the lower bound for text that is no number.
    int value() const;
    void setValue(int v); // clamps into the range, as a stored value must fit

    int minimum() const { return min_; }
    int maximum() const { return max_; }

    void stepBy(int steps) override;

signals:
    void valueChanged(int value);

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    int min_, max_, empty_;
};
