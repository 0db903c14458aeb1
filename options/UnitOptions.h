#pragma once
// The options dialog: every change applies at once to the main window; there
// is no OK and no Cancel, closing keeps every change.

#include <QDialog>

class OptionsHost;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TColorComboBox;
class TSpinEdit;

class TFrmOptions : public QDialog {
    Q_OBJECT
public:
    explicit TFrmOptions(OptionsHost& host, QWidget* parent = nullptr);

    bool Loading = false;

    QTabWidget* Tabs = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* RzSeparator1 = nullptr;
    QLabel* RzSeparator2 = nullptr;
    QCheckBox* RzCheckBox1 = nullptr;
    QCheckBox* RzCheckBox2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    TColorComboBox* ComboBoxBorderColor = nullptr;
    TColorComboBox* ComboBoxBackColor = nullptr;
    TSpinEdit* SpinEdit4 = nullptr;
    TSpinEdit* SpinEdit5 = nullptr;
    QGroupBox* RzRadioGroup1 = nullptr;
    QRadioButton* RadioItems[4] = {};
    QComboBox* RzImageComboBox1 = nullptr;
    QPushButton* BtnClose = nullptr;

    void FormCreate();
    void ApplyOptionsText();
    void LoadOptionControls();
    int RadioGroupIndex() const;

    void RzCheckBox1Click();
    void RzCheckBox2Click();
    void ComboBox1Change();
    void ComboBoxBorderColorChange();
    void ComboBoxBackColorChange();
    void SpinEdit4Change();
    void SpinEdit5Change();
    void RzRadioGroup1Click();
    void RzImageComboBox1Change();
    void BtnCloseClick();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    OptionsHost& host_;
};

// Creates the dialog, fills it from the main window, shows it modally, frees it.
void ShowOptionsDialog(OptionsHost& host);
