#include "SpinEdit.h"

#include <QLineEdit>
#include <algorithm>

TSpinEdit::TSpinEdit(int minimum, int maximum, int emptyValue, QWidget* parent)
    : QAbstractSpinBox(parent)
    , min_(minimum)
    , max_(maximum)
    , empty_(emptyValue)
{
    setKeyboardTracking(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    lineEdit()->setText(QString::number(minimum));
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] { emit valueChanged(value()); });
}

int TSpinEdit::value() const
{
    const QString t = lineEdit()->text().trimmed();
    if (t.isEmpty())
        return empty_;
    bool ok = false;
    const int v = t.toInt(&ok);
    return ok ? v : min_;
}

void TSpinEdit::setValue(int v)
{
    v = std::clamp(v, min_, max_);
    const QString t = QString::number(v);
    if (lineEdit()->text() != t)
        lineEdit()->setText(t);
}

void TSpinEdit::stepBy(int steps)
{
    const int v = std::clamp(value() + steps, min_, max_);
    lineEdit()->setText(QString::number(v));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const
{
    StepEnabled e;
    if (value() > min_)
        e |= StepDownEnabled;
    if (value() < max_)
        e |= StepUpEnabled;
    return e;
}

QValidator::State TSpinEdit::validate(QString& input, int&) const
{
    // Digits and a leading minus while typing; range is enforced on leaving.
    for (int i = 0; i < input.size(); ++i) {
        const QChar ch = input.at(i);
        if (!(ch.isDigit() || (i == 0 && ch == QLatin1Char('-'))))
            return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

void TSpinEdit::focusOutEvent(QFocusEvent* e)
{
    const QString t = lineEdit()->text().trimmed();
    if (!t.isEmpty()) {
        bool ok = false;
        int v = t.toInt(&ok);
        v = ok ? std::clamp(v, min_, max_) : min_;
        const QString fixed = QString::number(v);
        if (fixed != lineEdit()->text())
            lineEdit()->setText(fixed); // fires valueChanged once more
    }
    QAbstractSpinBox::focusOutEvent(e);
}
