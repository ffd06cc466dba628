#pragma once

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace ui {

// The controls of the main window, built the way Qt Designer's generated
// classes build theirs: setupUi() creates them all on the given window.
class fmTestForm
{
public:
    QPushButton *Command2 = nullptr;
    QPushButton *CMD2 = nullptr;
    QLineEdit *txtMy = nullptr;
    QFrame *Frame1 = nullptr;
    QListWidget *List1 = nullptr;
    QFrame *fmCode = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPlainTextEdit *Text1 = nullptr;
    QPlainTextEdit *txtCode = nullptr;
    QPushButton *btnTest = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label1 = nullptr;
    QFrame *Line3 = nullptr;
    // Names what the keyword list missed, beside the result's caption, while there is any.
    QPushButton *btnMissed = nullptr;
    // Says what the future functions reach, under the result, after a scan that found any.
    QLabel *lblVerdict = nullptr;

    void setupUi(QWidget *fmTest);
};

} // namespace ui
