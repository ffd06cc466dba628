#include "fmtestform.h"

#include "contrastratio.h"
#include "credit.h"
#include "defaulttable.h"
#include "twips.h"

#include <QApplication>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <utility>
#include <vector>

namespace ui {
namespace {

// Where a control stands in its container, in twips.
struct TwipsRect
{
    int left;
    int top;
    int width;
    int height;
};

constexpr int kWindowWidth = 6750;
constexpr int kWindowHeight = 8025;
// Between the result's caption and a line beside it.
constexpr int kBesideCaptionGap = 60;
// Each control keeps its rect in twips here, to be laid out at any scale.
constexpr char kTwipsProperty[] = "twips";

// Colours are written &H00BBGGRR: blue, green and red bytes.
QColor Bgr(quint32 bgr)
{
    return QColor(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff);
}

constexpr quint32 kWindowBackground = 0x00FCF5F8;

// The classic light Windows system colours, in every colour group. The layout
// names system colours and puts them on its own light backgrounds; taken from a
// dark system theme they would draw white text on white.
QPalette ClassicLightPalette()
{
    const QColor black(Qt::black), white(Qt::white), buttonFace(0xF0F0F0), grayText(0x6D6D6D),
        highlight(0x0067C0); // Windows 11's; white on Windows 10's 0078D7 is under 4.5:1
    const std::pair<QPalette::ColorRole, QColor> colours[] = {
        {QPalette::WindowText, black},
        {QPalette::Button, buttonFace},
        {QPalette::Light, white},
        {QPalette::Midlight, QColor(0xE3E3E3)},
        {QPalette::Dark, QColor(0xA0A0A0)},
        {QPalette::Mid, QColor(0xA0A0A0)},
        {QPalette::Text, black},
        {QPalette::BrightText, white},
        {QPalette::ButtonText, black},
        {QPalette::Base, white},
        {QPalette::Window, buttonFace},
        {QPalette::Shadow, QColor(0x696969)},
        {QPalette::Highlight, highlight},
        {QPalette::HighlightedText, white},
        {QPalette::Link, QColor(0x0066CC)},
        {QPalette::LinkVisited, QColor(0x800080)},
        {QPalette::AlternateBase, QColor(0xF7F7F7)},
        {QPalette::ToolTipBase, QColor(0xFFFFE1)},
        {QPalette::ToolTipText, black},
        {QPalette::PlaceholderText, grayText},
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        {QPalette::Accent, highlight},
#endif
    };
    QPalette palette;
    for (const auto &[role, colour] : colours)
        palette.setColor(role, colour);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, grayText);
    palette.setColor(QPalette::Disabled, QPalette::Base, buttonFace);
    return palette;
}

// Sets the colour in every colour group, so a disabled control keeps it too.
void SetColor(QWidget *widget, QPalette::ColorRole role, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

template <class Widget> Widget *Create(QWidget *container, const char *name, TwipsRect rect)
{
    auto *widget = new Widget(container);
    widget->setObjectName(QLatin1String(name));
    widget->setProperty(kTwipsProperty, QRect(rect.left, rect.top, rect.width, rect.height));
    // Controls are created in layout order, and earlier ones lie above later
    // ones where they overlap.
    widget->lower();
    return widget;
}

QPushButton *CreateButton(QWidget *container, const char *name, TwipsRect rect,
                          const QString &caption)
{
    auto *button = Create<QPushButton>(container, name, rect);
    button->setText(caption);
    return button;
}

// Styles shade a button's palette colour into a gradient; a style sheet keeps
// the face the exact colour, with raised edges in shades of it. Style sheets
// take unnamed colours and palette() from the application's palette, not the
// button's, so the text and focus colours are spelt out.
void SetButtonColor(QPushButton *button, const QColor &face)
{
    const QPalette palette = button->palette();
    button->setStyleSheet(
        QStringLiteral("QPushButton { color: %2; background-color: %1; border: 2px outset %1; }"
                       "QPushButton:pressed { border-style: inset; }"
                       "QPushButton:focus { border: 2px solid %3; }")
            .arg(face.name(), palette.color(QPalette::ButtonText).name(),
                 palette.color(QPalette::Highlight).name()));
}

QLabel *CreateLabel(QWidget *container, const char *name, TwipsRect rect, const QString &caption)
{
    auto *label = Create<QLabel>(container, name, rect);
    label->setText(caption);
    // Caption text starts at the top, so a control overlapping a label's lower
    // edge covers no text.
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// A line of text that acts when clicked, as a link does, over the unused
// width of the result's caption; hidden until there is something to say.
QPushButton *CreateMissedNote(QWidget *container, const char *name)
{
    auto *note = new QPushButton(container);
    note->setObjectName(QLatin1String(name));
    note->setCursor(Qt::PointingHandCursor);
    // On the caption's own background, which it covers.
    note->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: %2; border: none; "
                                       "padding: 0; text-align: left; }"
                                       "QPushButton:focus { text-decoration: underline; }")
                            .arg(Bgr(0x000000A0).name(), Bgr(kWindowBackground).name()));
    note->setAccessibleDescription(QStringLiteral("按下选中公式中下一处列表漏掉的未来函数"));
    note->hide();
    return note;
}

QFrame *CreatePanel(QWidget *container, const char *name, TwipsRect rect, QFrame::Shape border)
{
    auto *panel = Create<QFrame>(container, name, rect);
    panel->setFrameStyle(border | QFrame::Plain);
    panel->setAutoFillBackground(true);
    SetColor(panel, QPalette::Window, Bgr(kWindowBackground));
    return panel;
}

QPlainTextEdit *CreateTextBox(QWidget *container, const char *name, TwipsRect rect)
{
    auto *box = Create<QPlainTextEdit>(container, name, rect);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab moves on to the next control, as in multi-line text boxes on Windows.
    box->setTabChangesFocus(true);
    return box;
}

// Rows as a Windows list box draws them: a line of text high, and the
// selection in the highlight colour whether or not the list has the focus.
// Windows' own style pads each row and draws the selection from the system
// theme, pale grey without the focus: 24 of the 26 default entries showed,
// and a selection was hard to see.
class ListBoxRows : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), option.fontMetrics.height()};
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem row = option;
        initStyleOption(&row, index);
        if (row.state & QStyle::State_Selected) {
            painter->fillRect(row.rect, row.palette.brush(QPalette::Active, QPalette::Highlight));
            row.state &= ~QStyle::State_Selected;
            row.palette.setColor(QPalette::Text,
                                 row.palette.color(QPalette::Active, QPalette::HighlightedText));
        }
        const QWidget *view = row.widget;
        QStyle *style = view ? view->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &row, painter, view);
    }
};

QListWidget *CreateList(QWidget *container, const char *name, TwipsRect rect)
{
    auto *list = Create<QListWidget>(container, name, rect);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSortingEnabled(false);
    // Keeps tens of thousands of entries quick to add and to scroll.
    list->setUniformItemSizes(true);
    list->setItemDelegate(new ListBoxRows(list));
    const QPalette system = list->palette();
    SetColor(list, QPalette::Base, system.color(QPalette::HighlightedText));
    SetColor(list, QPalette::Text, system.color(QPalette::ButtonText));
    return list;
}

QLineEdit *CreateCreditLine(QWidget *container, const char *name, TwipsRect rect)
{
    auto *line = Create<QLineEdit>(container, name, rect);
    line->setText(Credit::FromBuild().creditLine());
    line->setCursorPosition(0); // a line too long for the box shows its start
    line->setFrame(false);
    line->setReadOnly(true);
    line->setEnabled(false);
    line->setFocusPolicy(Qt::NoFocus);
    SetColor(line, QPalette::Base, Bgr(kWindowBackground));
    // Windows' grey for disabled text; a lighter grey is hard to read on the
    // lavender background (3.7:1).
    SetColor(line, QPalette::Text, Bgr(0x006D6D6D));
    return line;
}

// A one-pixel (15 twips) horizontal or vertical line between two points in
// twips; the end point itself is not drawn.
QFrame *CreateLine(QWidget *container, const char *name, QPoint from, QPoint to, quint32 color)
{
    Q_ASSERT(from.x() == to.x() || from.y() == to.y());
    const bool vertical = from.x() == to.x();
    const int left = std::min(from.x(), to.x());
    const int top = std::min(from.y(), to.y());
    const TwipsRect rect = vertical ? TwipsRect{left, top, 15, std::abs(to.y() - from.y())}
                                    : TwipsRect{left, top, std::abs(to.x() - from.x()), 15};
    auto *line = Create<QFrame>(container, name, rect);
    line->setFrameStyle((vertical ? QFrame::VLine : QFrame::HLine) | QFrame::Plain);
    line->setLineWidth(1);
    SetColor(line, QPalette::WindowText, Bgr(color));
    return line;
}

// Tab visits the controls in this order and goes round. At first the window
// itself holds the focus, so Enter or Space does nothing until the user picks a
// control, and the first Tab goes to the first control of the order.
void SetTabOrder(QWidget *window, std::initializer_list<QWidget *> order)
{
    // setTabOrder() links only widgets that take the focus; the window does for
    // the moment it is linked to the first control.
    window->setFocusPolicy(Qt::ClickFocus);
    QWidget *previous = window;
    for (QWidget *next : order) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    }
    window->setFocusPolicy(Qt::NoFocus);
    window->setFocus();
}

void SetUpWindow(QWidget *fmTest)
{
    fmTest->setObjectName(QStringLiteral("fmTest"));
    fmTest->setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    fmTest->setAutoFillBackground(true);
    // Every control inherits it, its scroll bars too.
    fmTest->setPalette(ClassicLightPalette());
    SetColor(fmTest, QPalette::Window, Bgr(kWindowBackground));
    fmTest->setWindowTitle(Credit::FromBuild().caption());
    fmTest->setWindowIcon(QIcon(QStringLiteral(":/icons/fmtest.png")));
}

// A style that paints buttons in colours of its own, as Adwaita-Dark paints
// a dark bevel, would put the palette's black captions on them; there the
// window and its controls take Fusion, which paints with the palette.
void KeepCaptionsReadable(QWidget *window)
{
    const QColor face = window->style()->standardPalette().color(QPalette::Button);
    if (ContrastRatio(window->palette().color(QPalette::ButtonText), face) >= 4.5)
        return;
    QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    fusion->setParent(window);
    window->setStyle(fusion);
    for (QWidget *control : window->findChildren<QWidget *>())
        control->setStyle(fusion);
}

// The part of `room` that no control stacked above `control` covers from
// below, as the formula box covers the lower edge of "公式代码".
QRect Uncovered(const QWidget *control, QRect room)
{
    const QObjectList &siblings = control->parentWidget()->children();
    for (qsizetype i = siblings.indexOf(control) + 1; i < siblings.size(); ++i) {
        const auto *above = qobject_cast<const QWidget *>(siblings[i]);
        if (!above || above->isHidden())
            continue;
        const QRect over = above->geometry().translated(-control->pos());
        if (over.top() > room.top() && over.left() <= room.right() && over.right() >= room.left())
            room.setBottom(std::min(room.bottom(), over.top() - 1));
    }
    return room;
}

// Where a control draws its text, in its own coordinates.
QRect TextRoom(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QPushButton *>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return Uncovered(control, button->style()->subElementRect(QStyle::SE_PushButtonContents,
                                                                  &option, button));
    }
    if (const auto *line = qobject_cast<const QLineEdit *>(control))
        return line->contentsRect().adjusted(2, 0, -2, 0); // QLineEdit's margin beside its text
    if (const auto *list = qobject_cast<const QListWidget *>(control)) {
        // Item views keep this much beside an entry's text.
        const int margin =
            list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
        return QRect(QPoint(), list->maximumViewportSize()).adjusted(margin, 0, -margin, 0);
    }
    return Uncovered(control, control->contentsRect());
}

QSize TextSize(const QWidget *control, const QString &text)
{
    const QFontMetrics metrics = control->fontMetrics();
    return {metrics.horizontalAdvance(text), metrics.height()};
}

// A text the layout shows whole, and the control that shows it.
struct Caption
{
    const QWidget *control;
    QSize text;
};

// The list's rows are a line high, and the default table is shown without
// scrolling.
std::vector<Caption> Captions(const fmTestForm &f)
{
    std::vector<Caption> captions;
    for (const QLabel *label : {f.Label1, f.Label4, f.Label5})
        captions.push_back({label, TextSize(label, label->text())});
    for (const QPushButton *button : {f.CMD2, f.Command2, f.Command4, f.Command5, f.btnTest})
        captions.push_back({button, TextSize(button, button->text())});
    captions.push_back({f.txtMy, TextSize(f.txtMy, f.txtMy->text())});
    const QStringList &table = keywords::DefaultKeywordTable();
    QSize entries(0, f.List1->fontMetrics().height() * int(table.size()));
    for (const QString &entry : table)
        entries.setWidth(std::max(entries.width(), TextSize(f.List1, entry).width()));
    captions.push_back({f.List1, entries});
    return captions;
}

bool Fit(const std::vector<Caption> &captions)
{
    return std::all_of(captions.begin(), captions.end(), [](const Caption &caption) {
        const QSize room = TextRoom(caption.control).size();
        return caption.text.width() <= room.width() && caption.text.height() <= room.height();
    });
}

} // namespace

void fmTestForm::setupUi(QWidget *fmTest)
{
    SetUpWindow(fmTest);

    Command2 = CreateButton(fmTest, "Command2", {960, 6960, 615, 255}, QStringLiteral("编辑"));
    CMD2 = CreateButton(fmTest, "CMD2", {240, 6960, 615, 255}, QStringLiteral("载入"));
    txtMy = CreateCreditLine(fmTest, "txtMy", {600, 7560, 5655, 255});
    Frame1 = CreatePanel(fmTest, "Frame1", {120, 0, 6615, 7335}, QFrame::Box);
    SetColor(Frame1, QPalette::WindowText, Bgr(0x00808080));

    List1 = CreateList(Frame1, "List1", {0, 360, 1575, 6540});
    fmCode = CreatePanel(Frame1, "fmCode", {1600, 180, 4935, 7095}, QFrame::NoFrame);
    // The panel's own text keeps the system colour, not the frame's grey.
    SetColor(fmCode, QPalette::WindowText, fmTest->palette().color(QPalette::WindowText));

    Command4 = CreateButton(fmCode, "Command4", {1920, 2640, 855, 375}, QStringLiteral("清空"));
    Command5 = CreateButton(fmCode, "Command5", {2880, 2640, 855, 375}, QStringLiteral("粘贴"));
    Text1 = CreateTextBox(fmCode, "Text1", {0, 3480, 4695, 3255});
    txtCode = CreateTextBox(fmCode, "txtCode", {0, 240, 4935, 2295});
    SetColor(txtCode, QPalette::Base, Bgr(0x00FFFFFF));
    SetColor(txtCode, QPalette::Text, Bgr(0x00C00000));
    btnTest = CreateButton(fmCode, "btnTest", {3840, 2640, 855, 375}, QStringLiteral("检测"));
    SetButtonColor(btnTest, Bgr(0x000000FF));
    Label5 =
        CreateLabel(fmCode, "Label5", {120, 3120, 3735, 255}, QStringLiteral("检测结果如下："));
    Label5->setAutoFillBackground(true);
    SetColor(Label5, QPalette::Window, Bgr(kWindowBackground));
    btnMissed = CreateMissedNote(fmCode, "btnMissed");
    // In the strip below the result box, which nothing else uses.
    lblVerdict = CreateLabel(fmCode, "lblVerdict", {0, 6780, 4695, 255}, QString());
    lblVerdict->hide();
    Label4 = CreateLabel(fmCode, "Label4", {1920, 0, 960, 300}, QStringLiteral("公式代码"));
    SetColor(Label4, QPalette::WindowText, Bgr(0x00404040));

    Label1 = CreateLabel(Frame1, "Label1", {240, 120, 720, 225}, QStringLiteral("函数列表"));
    SetColor(Label1, QPalette::WindowText, Bgr(0x00404040));
    Line3 = CreateLine(Frame1, "Line3", {1560, 120}, {1560, 7320}, 0x00C0C0C0);

    // What screen readers say: the purpose of each control, and for the two
    // boxes what goes in and what comes out.
    List1->setAccessibleName(QStringLiteral("函数列表"));
    txtCode->setAccessibleName(QStringLiteral("公式代码"));
    txtCode->setAccessibleDescription(
        QStringLiteral("在此输入或粘贴指标公式，然后按“检测”查找其中的未来函数"));
    btnTest->setAccessibleName(QStringLiteral("检测"));
    Text1->setAccessibleName(QStringLiteral("检测结果"));
    Text1->setAccessibleDescription(
        QStringLiteral("按“检测”后在此列出公式中发现的未来函数，或显示“没有发现未来函数！”"));
    Command4->setAccessibleName(QStringLiteral("清空"));
    Command5->setAccessibleName(QStringLiteral("粘贴"));
    CMD2->setAccessibleName(QStringLiteral("载入"));
    Command2->setAccessibleName(QStringLiteral("编辑"));
    txtMy->setAccessibleName(QStringLiteral("提供者与主页"));

    SetTabOrder(fmTest,
                {btnTest, txtCode, CMD2, List1, Command2, Text1, btnMissed, Command5, Command4});

    window_ = fmTest;
    KeepCaptionsReadable(fmTest);
    besideCaption_ = {btnMissed};
    fitFont();
}

void fmTestForm::fitWithin(QSize room)
{
    const double limit = std::max(
        0.25, std::min(room.width() * 15.0 / kWindowWidth, room.height() * 15.0 / kWindowHeight));
    window_->setFont(QFont()); // the platform's
    if (fitFont() <= limit)
        return;
    QFont font = window_->font();
    const auto smaller = [&font] {
        if (font.pointSizeF() > 0) {
            font.setPointSizeF(font.pointSizeF() - 0.5);
            return font.pointSizeF() >= 5;
        }
        font.setPixelSize(font.pixelSize() - 1);
        return font.pixelSize() >= 7;
    };
    while (smaller()) {
        window_->setFont(font);
        layOut(limit);
        if (Fit(Captions(*this)))
            return;
    }
    layOut(limit); // on a screen this small, texts are cut rather than the window
}

double fmTestForm::fitFont()
{
    const std::vector<Caption> captions = Captions(*this);
    const auto fitsAt = [&](double scale) {
        layOut(scale);
        return Fit(captions);
    };
    if (fitsAt(1))
        return 1;
    // Texts fit at every scale above the least one, up to rounding to pixels.
    double low = 1, high = 2;
    while (!fitsAt(high) && high < 8) {
        low = high;
        high *= 2;
    }
    while (high - low > 1.0 / 256) {
        const double middle = (low + high) / 2;
        (fitsAt(middle) ? high : low) = middle;
    }
    layOut(high);
    return high;
}

void fmTestForm::layOut(double scale)
{
    scale_ = scale;
    window_->setFixedSize(Twips(kWindowWidth, scale), Twips(kWindowHeight, scale));
    for (QWidget *control : window_->findChildren<QWidget *>()) {
        const QVariant twips = control->property(kTwipsProperty);
        if (!twips.isValid())
            continue;
        const QRect rect = twips.toRect();
        control->setGeometry(Twips(rect.left(), scale), Twips(rect.top(), scale),
                             Twips(rect.width(), scale), Twips(rect.height(), scale));
    }
    placeBesideResultCaption(besideCaption_);
}

void fmTestForm::placeBesideResultCaption(QList<QWidget *> lines)
{
    besideCaption_ = std::move(lines);
    const QRect caption = Label5->geometry();
    const int gap = Twips(kBesideCaptionGap, scale_);
    const int right = fmCode->width();
    int left = caption.left() + Label5->contentsRect().left() +
               Label5->fontMetrics().horizontalAdvance(Label5->text()) + gap;
    for (qsizetype i = 0; i < besideCaption_.size(); ++i) {
        QWidget *line = besideCaption_[i];
        const int rest = std::max(0, right - left);
        const int width =
            i + 1 < besideCaption_.size() ? std::min(line->sizeHint().width(), rest) : rest;
        line->setGeometry(left, caption.top(), width, caption.height());
        line->raise();
        left += width + gap;
    }
}

} // namespace ui
