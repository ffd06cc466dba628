#pragma once

#include <QList>
#include <QRect>
#include <QSize>

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
//
// The layout is drawn in twips for a font of a certain size, and grows with
// the window's font as Windows' dialogs grow with theirs: every twip counts
// scale() times, the least scale of at least 1 at which each caption, the
// credit line and each entry of the default keyword table show whole.
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

    // Builds the controls on `fmTest` and lays them out at the scale its font needs.
    void setupUi(QWidget *fmTest);

    // How many times its twips the layout is drawn.
    double scale() const { return scale_; }

    // Lays the window out again to take no more than `room`: at the scale its
    // font needs where that fits; otherwise at the largest scale that fits,
    // with the window's font made smaller until its texts fit that scale.
    void fitWithin(QSize room);

    // Puts one-line labels beside "检测结果如下：", from left to right between
    // the end of its text and the panel's right edge, one caption high: each
    // as wide as its size hint, the last as wide as what is left. Layouts at
    // another scale place them again. Whoever sets their text shortens it to
    // their width.
    void placeBesideResultCaption(QList<QWidget *> lines);

private:
    void layOut(double scale);
    // The least scale from 1 up at which every text fits at the window's font.
    double fitFont();

    QWidget *window_ = nullptr;
    double scale_ = 1;
    QList<QWidget *> besideCaption_;
};

} // namespace ui
