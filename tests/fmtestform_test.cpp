#include "contrast.h"
#include "credit.h"
#include "defaulttable.h"
#include "fmtestform.h"
#include "twips.h"
#include "wholetext.h"
#include "widgetviews.h"

#include <QAccessible>
#include <QFontDatabase>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

namespace {

struct Window
{
    Window() { form.setupUi(&fmTest); }
    QWidget fmTest;
    ui::fmTestForm form;

    QWidget *control(const char *name) const
    {
        return fmTest.findChild<QWidget *>(QLatin1String(name));
    }
};

QString Text(const QWidget *widget)
{
    const QVariant text = widget->property("text");
    return text.isValid() ? text.toString() : widget->property("plainText").toString();
}

// The contrast of drawn text: the colour covering most of the picture is the
// background, the pixel that differs most from it is the core of a glyph.
double DrawnContrast(const QImage &image)
{
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    const QColor background =
        std::max_element(counts.begin(), counts.end(), [](const auto &a, const auto &b) {
            return a.second < b.second;
        })->first;
    double contrast = 1;
    for (const auto &[pixel, count] : counts)
        contrast = std::max(contrast, ContrastRatio(background, QColor(pixel)));
    return contrast;
}

// Colours of KDE's Breeze Dark: light text on dark ground, light selection text.
QPalette DarkPalette()
{
    const QColor light(0xFCFCFC), window(0x2A2E32), base(0x1B1E20), button(0x31363B);
    QPalette palette(light, button, button.lighter(), base, button.darker(), light, light, base,
                     window);
    palette.setColor(QPalette::ButtonText, light);
    palette.setColor(QPalette::Highlight, QColor(0x3DAEE9));
    palette.setColor(QPalette::HighlightedText, light);
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6E7175));
    return palette;
}

// The application palette for the lifetime of the object.
class ApplicationPalette
{
public:
    explicit ApplicationPalette(const QPalette &palette) { QApplication::setPalette(palette); }
    ~ApplicationPalette() { QApplication::setPalette(saved_); }

private:
    QPalette saved_ = QApplication::palette();
};

std::vector<QPalette> PalettesOfEveryWidget(const QWidget &window)
{
    std::vector<QPalette> palettes{window.palette()};
    for (const QWidget *child : window.findChildren<QWidget *>())
        palettes.push_back(child->palette());
    return palettes;
}

} // namespace

TEST(Twips, RoundToTheNearestPixel)
{
    const std::map<int, int> pixels{{0, 0},  {7, 0},      {8, 1},      {15, 1},     {22, 1},
                                    {23, 2}, {1600, 107}, {6750, 450}, {8025, 535}, {-8, -1}};
    for (const auto &[twips, expected] : pixels)
        EXPECT_EQ(ui::Twips(twips), expected) << twips;
}

TEST(Window, EveryControlStandsInItsContainerWithItsCaptionAndColours)
{
    const Window window;
    using P = QPalette;
    // The system colours the layout names are Windows' classic light ones.
    const QColor lavender(0xF8F5FC), grey(0x808080), darkGrey(0x404040), white(0xFFFFFF),
        black(Qt::black), grayText(0x6D6D6D);
    const QString credit = ui::Credit::FromBuild().creditLine();
    struct Row
    {
        const char *name;
        const char *className;
        const char *container;
        QRect geometry;
        QString text;
        std::vector<std::pair<P::ColorRole, QColor>> colours;
    };
    // clang-format off
    const Row rows[] = {
        {"Command2", "QPushButton",    "fmTest", {64, 464, 41, 17},   "编辑", {}},
        {"CMD2",     "QPushButton",    "fmTest", {16, 464, 41, 17},   "载入", {}},
        {"txtMy",    "QLineEdit",      "fmTest", {40, 504, 377, 17},  credit, {{P::Base, lavender}, {P::Text, grayText}}},
        {"Frame1",   "QFrame",         "fmTest", {8, 0, 441, 489},    "", {{P::Window, lavender}, {P::WindowText, grey}}},
        {"List1",    "QListWidget",    "Frame1", {0, 24, 105, 436},   "", {{P::Base, white}, {P::Text, black}}},
        {"fmCode",   "QFrame",         "Frame1", {107, 12, 329, 473}, "", {{P::Window, lavender}}},
        {"Command4", "QPushButton",    "fmCode", {128, 176, 57, 25},  "清空", {}},
        {"Command5", "QPushButton",    "fmCode", {192, 176, 57, 25},  "粘贴", {}},
        {"Text1",    "QPlainTextEdit", "fmCode", {0, 232, 313, 217},  "", {{P::Base, white}, {P::Text, black}}},
        {"txtCode",  "QPlainTextEdit", "fmCode", {0, 16, 329, 153},   "", {{P::Base, white}, {P::Text, QColor(0x0000C0)}}},
        {"btnTest",  "QPushButton",    "fmCode", {256, 176, 57, 25},  "检测", {}},
        {"Label5",   "QLabel",         "fmCode", {8, 208, 249, 17},   "检测结果如下：", {{P::Window, lavender}, {P::WindowText, black}}},
        {"Label4",   "QLabel",         "fmCode", {128, 0, 64, 20},    "公式代码", {{P::WindowText, darkGrey}}},
        {"Label1",   "QLabel",         "Frame1", {16, 8, 48, 15},     "函数列表", {{P::WindowText, darkGrey}}},
        {"Line3",    "QFrame",         "Frame1", {104, 8, 1, 480},    "", {{P::WindowText, QColor(0xC0C0C0)}}},
        {"btnMissed", "QPushButton",   "fmCode", {96, 208, 233, 17},  "", {}},
    };
    // clang-format on

    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QWidget *control = window.control(row.name);
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), row.className);
        EXPECT_EQ(control->parentWidget()->objectName(), row.container);
        EXPECT_EQ(control->geometry(), row.geometry);
        EXPECT_EQ(Text(control), row.text);
        EXPECT_TRUE(control->font().resolveMask() == 0) << "a font is set";
        const auto group = control->isEnabled() ? P::Active : P::Disabled;
        for (const auto &[role, colour] : row.colours)
            EXPECT_EQ(control->palette().color(group, role), colour) << role;
    }
}

TEST(Window, OverlappingControlsLieInLayoutOrder)
{
    Window window;
    window.fmTest.show();
    const struct
    {
        const char *upper;
        const char *lower;
        QPoint inBoth; // in window coordinates
    } pairs[] = {
        {"Command2", "Frame1", {84, 472}},
        {"CMD2", "Frame1", {36, 472}},
        {"List1", "Line3", {112, 200}},
        {"txtCode", "Label4", {265, 30}},
    };
    for (const auto &pair : pairs) {
        SCOPED_TRACE(pair.upper);
        const QWidget *upper = window.control(pair.upper);
        const QWidget *lower = window.control(pair.lower);
        const auto contains = [&](const QWidget *w) {
            const QPoint local = w->mapFrom(&window.fmTest, pair.inBoth);
            return w->rect().contains(local);
        };
        ASSERT_TRUE(contains(upper) && contains(lower));
        const QWidget *top = window.fmTest.childAt(pair.inBoth);
        EXPECT_TRUE(top == upper || upper->isAncestorOf(top)) << top->objectName().toStdString();
    }
}

TEST(Window, NothingHasTheFocusAtFirstAndTabGoesRoundInOrder)
{
    Window window;
    window.fmTest.show();
    window.fmTest.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window.fmTest));
    const QList<QPushButton *> buttons = window.fmTest.findChildren<QPushButton *>();
    ASSERT_EQ(buttons.size(), 6); // the five, and the note of what the list missed
    std::vector<std::unique_ptr<QSignalSpy>> clicks;
    for (QPushButton *button : buttons)
        clicks.push_back(std::make_unique<QSignalSpy>(button, &QPushButton::clicked));

    QWidget *start = QApplication::focusWidget();
    EXPECT_TRUE(start == nullptr || start == &window.fmTest)
        << start->objectName().toStdString() << " has the focus";
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        QTest::keyClick(&window.fmTest, key);
        EXPECT_EQ(QApplication::focusWidget(), start);
    }
    for (const auto &spy : clicks)
        EXPECT_EQ(spy->count(), 0);

    const auto &f = window.form;
    const std::vector<QWidget *> order{f.btnTest, f.txtCode,  f.CMD2,     f.List1,   f.Command2,
                                       f.Text1,   f.Command5, f.Command4, f.btnTest, f.txtCode};
    for (QWidget *expected : order) {
        QWidget *from = QApplication::focusWidget() ? QApplication::focusWidget() : &window.fmTest;
        QTest::keyClick(from, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), expected)
            << "after " << from->objectName().toStdString() << " expected "
            << expected->objectName().toStdString();
    }
    for (auto it = order.rbegin() + 1; it != order.rend(); ++it) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(QApplication::focusWidget(), *it);
    }
}

// Rows one line of text high, as a Windows list box draws them: the default
// table shows whole, with no scroll bar, even in a style that pads rows, as
// Windows' own style does.
TEST(Window, KeywordListShowsTheDefaultTableWhole)
{
    Window w;
    QListWidget &list = *w.form.List1;
    list.setStyleSheet(QStringLiteral("QListView::item { padding: 3px; }"));
    list.addItems(keywords::DefaultKeywordTable());
    w.fmTest.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.fmTest));
    EXPECT_EQ(list.visualItemRect(list.item(0)).height(), list.fontMetrics().height());
    EXPECT_TRUE(list.viewport()->rect().contains(list.visualItemRect(list.item(25))));
    EXPECT_FALSE(list.verticalScrollBar()->isVisible());
}

// A CJK desktop font is taller and wider than the font the layout was drawn
// for; the whole layout grows with it, as far as its texts need and no further.
TEST(Window, GrowsWithItsFontUntilEveryTextShowsWhole)
{
    ASSERT_TRUE(QFontDatabase::hasFamily("Noto Sans CJK SC")) << "fonts-noto-cjk is missing";
    QFont bold = QApplication::font();
    bold.setBold(true);
    const struct
    {
        const char *what;
        QFont font;
        double least, most; // scale
        QString style;
    } cases[] = {
        {"tests' font", QApplication::font(), 1, 1, "Fusion"},
        {"Noto Sans CJK SC 9 pt", QFont("Noto Sans CJK SC", 9), 1.1, 1.2, "Fusion"},
        {"Noto Sans CJK SC 12 pt", QFont("Noto Sans CJK SC", 12), 1.5, 1.7, "Fusion"},
        // Wider Latin letters: the keyword list needs the room.
        {"tests' font in bold", bold, 1.01, 1.15, "Fusion"},
        // Buttons that keep more room around their captions.
        {"tests' font in the Windows style", QApplication::font(), 1.01, 1.3, "Windows"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const auto restore =
            qScopeGuard([font = QApplication::font(), style = QApplication::style()->name()] {
                QApplication::setFont(font);
                QApplication::setStyle(style);
            });
        QApplication::setFont(c.font);
        QApplication::setStyle(c.style);
        Window w;
        const ui::fmTestForm &f = w.form;
        f.List1->addItems(keywords::DefaultKeywordTable());
        f.btnMissed->show();
        w.fmTest.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.fmTest));
        EXPECT_EQ(CutTexts(f), std::vector<std::string>());
        const double scale = f.scale();
        EXPECT_GE(scale, c.least);
        EXPECT_LE(scale, c.most);
        testing::Test::RecordProperty(std::string("scale.") + c.what, std::to_string(scale));
        // The layout keeps its proportions: a control twice as far in twips
        // is twice as far on the screen.
        EXPECT_EQ(w.fmTest.size(), QSize(ui::Twips(6750, scale), ui::Twips(8025, scale)));
        EXPECT_EQ(f.Text1->geometry(), QRect(ui::Twips(0, scale), ui::Twips(3480, scale),
                                             ui::Twips(4695, scale), ui::Twips(3255, scale)));
        // The note beside "检测结果如下：" starts past its text and ends at
        // the panel's edge, on the caption's line.
        const QRect note = f.btnMissed->geometry();
        EXPECT_GT(note.left(),
                  f.Label5->x() + f.Label5->fontMetrics().horizontalAdvance(f.Label5->text()));
        EXPECT_EQ(note.right(), f.fmCode->width() - 1);
        EXPECT_EQ(note.top(), f.Label5->y());
        EXPECT_EQ(note.height(), f.Label5->height());
    }
}

// Lines beside "检测结果如下：" share the width past its text: each but the
// last as wide as it asks, the last to the panel's edge; at any scale.
TEST(Window, LinesBesideTheResultCaptionShareItsFreeWidth)
{
    Window w;
    ui::fmTestForm &f = w.form;
    auto *verdict = new QLabel(QStringLiteral("结论：有未来函数"), f.fmCode);
    f.placeBesideResultCaption({verdict, f.btnMissed});
    for (const QSize room : {QSize(1920, 1040), QSize(910, 460)}) {
        f.fitWithin(room);
        SCOPED_TRACE(f.scale());
        const int captionEnd =
            f.Label5->x() + f.Label5->fontMetrics().horizontalAdvance(f.Label5->text());
        EXPECT_GT(verdict->x(), captionEnd);
        EXPECT_EQ(verdict->width(), verdict->sizeHint().width());
        EXPECT_GT(f.btnMissed->x(), verdict->geometry().right());
        EXPECT_EQ(f.btnMissed->geometry().right(), f.fmCode->width() - 1);
        EXPECT_EQ(verdict->y(), f.Label5->y());
        EXPECT_EQ(f.btnMissed->y(), f.Label5->y());
    }
}

TEST(Window, ShrinksWithASmallerFontToFitASmallScreen)
{
    Window w;
    ui::fmTestForm &f = w.form;
    f.List1->addItems(keywords::DefaultKeywordTable());
    const QFont before = w.fmTest.font();
    // 1366 x 768 at 150 %, less a taskbar and a title bar.
    const QSize room(910, 460);
    f.fitWithin(room);
    EXPECT_LT(f.scale(), 1);
    EXPECT_LT(w.fmTest.font().pointSizeF(), before.pointSizeF());
    EXPECT_LE(w.fmTest.height(), room.height());
    EXPECT_GE(w.fmTest.height(), room.height() - 1);
    w.fmTest.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.fmTest));
    EXPECT_EQ(CutTexts(f), std::vector<std::string>());

    // Room enough again: the platform's font and the layout as drawn.
    f.fitWithin({1920, 1040});
    EXPECT_EQ(f.scale(), 1);
    EXPECT_EQ(w.fmTest.size(), QSize(450, 535));
    EXPECT_EQ(w.fmTest.font(), before);
    EXPECT_EQ(w.fmTest.font().resolveMask(), 0u);
}

TEST(Window, HasAFixedSizeCaptionAndIcon)
{
    const Window window;
    const QWidget &w = window.fmTest;
    EXPECT_EQ(w.objectName(), "fmTest");
    EXPECT_EQ(w.minimumSize(), QSize(450, 535));
    EXPECT_EQ(w.maximumSize(), QSize(450, 535));
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(w.windowTitle(), ui::Credit::FromBuild().caption());
    EXPECT_TRUE(w.windowIcon().availableSizes().contains(QSize(32, 32)));
}

TEST(Window, CreditLineCanNeitherTakeFocusNorBeEdited)
{
    Window window;
    QLineEdit *txtMy = window.form.txtMy;
    window.fmTest.show();
    window.fmTest.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window.fmTest));
    EXPECT_FALSE(txtMy->isEnabled());
    EXPECT_TRUE(txtMy->isReadOnly());
    EXPECT_EQ(txtMy->focusPolicy(), Qt::NoFocus);
    QTest::mouseClick(txtMy, Qt::LeftButton);
    QTest::keyClicks(txtMy, "x");
    EXPECT_NE(QApplication::focusWidget(), txtMy);
    EXPECT_EQ(txtMy->text(), ui::Credit::FromBuild().creditLine());
}

TEST(Window, TextBoxesWrapLongLinesAndScrollOnlyVertically)
{
    Window window;
    window.fmTest.show();
    for (QPlainTextEdit *box : {window.form.txtCode, window.form.Text1}) {
        SCOPED_TRACE(box->objectName().toStdString());
        box->setPlainText(QString(2000, QLatin1Char('X')) + "\n" + QString(500, QChar(0x6D4B)));
        QApplication::processEvents();
        EXPECT_EQ(box->horizontalScrollBar()->maximum(), 0);
        EXPECT_FALSE(box->horizontalScrollBar()->isVisible());
        EXPECT_TRUE(box->verticalScrollBar()->isVisible());
        EXPECT_GT(box->verticalScrollBar()->maximum(), 0);
        box->clear();
        QApplication::processEvents();
        EXPECT_TRUE(box->verticalScrollBar()->isVisible()) << "even when empty";
    }
}

TEST(Window, RendersItsColours)
{
    Window window;
    window.fmTest.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window.fmTest));
    const QImage image = window.fmTest.grab().toImage();
    ASSERT_EQ(image.size(), QSize(450, 535));
    const struct
    {
        const char *what;
        QPoint at;
        QRgb colour;
    } samples[] = {
        {"window background", {4, 495}, 0xF8F5FC},
        {"window background", {445, 530}, 0xF8F5FC},
        {"red button", {376, 194}, 0xFF0000},
        {"red button", {420, 208}, 0xFF0000},
        {"formula box", {125, 40}, 0xFFFFFF},
        {"line above the list", {112, 15}, 0xC0C0C0},
        {"line below the list", {112, 475}, 0xC0C0C0},
        {"credit line background", {412, 506}, 0xF8F5FC}, // right of its text
        {"frame border", {200, 488}, 0x808080},
    };
    for (const auto &sample : samples)
        EXPECT_EQ(image.pixelColor(sample.at), QColor(sample.colour))
            << sample.what << " at " << sample.at.x() << "," << sample.at.y();
}

TEST(Window, KeepsItsColoursWhateverTheSystemPalette)
{
    const Window usual;
    const std::vector<QPalette> expected = PalettesOfEveryWidget(usual.fmTest);
    const ApplicationPalette dark(DarkPalette());
    const Window builtUnderDark;
    const struct
    {
        const char *what;
        const Window &window;
    } cases[] = {{"built under a dark palette", builtUnderDark},
                 {"open while the palette turns dark", usual}};
    for (const auto &c : cases) {
        const std::vector<QPalette> palettes = PalettesOfEveryWidget(c.window.fmTest);
        ASSERT_EQ(palettes.size(), expected.size());
        const QList<QWidget *> children = c.window.fmTest.findChildren<QWidget *>();
        for (size_t i = 0; i < palettes.size(); ++i) {
            const QWidget *widget = i == 0 ? &c.window.fmTest : children[qsizetype(i - 1)];
            EXPECT_TRUE(palettes[i] == expected[i])
                << c.what << ": " << widget->metaObject()->className() << " "
                << widget->objectName().toStdString();
        }
    }
}

TEST(Window, TextStandsOutFromItsBackgroundWhateverTheSystemPalette)
{
    using P = QPalette;
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark system palette" : "default palette");
        const ApplicationPalette system(dark ? DarkPalette() : QApplication::palette());
        Window window;
        const ui::fmTestForm &f = window.form;
        f.List1->addItems({"ZIG", "$BACKSET"});
        f.txtCode->setPlainText("X:=ZIG(C,5);");
        ui::ResultTextEditView result(*f.Text1); // in black, as after a scan without findings
        result.setTextColor({0, 0, 0});
        result.setText("没有发现未来函数！");
        f.btnMissed->setText("另有列表漏掉的未来函数：REFX");
        f.btnMissed->show();
        window.fmTest.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window.fmTest));
        const std::string prefix = dark ? "dark." : "default.";

        const struct
        {
            const char *what;
            const QWidget *widget;
            P::ColorRole text;
            const QWidget *ground; // null: the red face of "检测"
            P::ColorRole groundRole;
        } rows[] = {
            {"Label1", f.Label1, P::WindowText, f.Frame1, P::Window},
            {"Label4", f.Label4, P::WindowText, f.fmCode, P::Window},
            {"Label5", f.Label5, P::WindowText, f.Label5, P::Window},
            {"List1", f.List1, P::Text, f.List1, P::Base},
            {"List1.selected", f.List1, P::HighlightedText, f.List1, P::Highlight},
            {"txtCode", f.txtCode, P::Text, f.txtCode, P::Base},
            {"Text1", f.Text1, P::Text, f.Text1, P::Base},
            {"txtMy", f.txtMy, P::Text, f.txtMy, P::Base},
            {"CMD2", f.CMD2, P::ButtonText, f.CMD2, P::Button},
            {"Command2", f.Command2, P::ButtonText, f.Command2, P::Button},
            {"Command4", f.Command4, P::ButtonText, f.Command4, P::Button},
            {"Command5", f.Command5, P::ButtonText, f.Command5, P::Button},
            {"btnTest", f.btnTest, P::ButtonText, nullptr, P::Button},
        };
        for (const auto &row : rows) {
            const auto groups = row.widget->isEnabled()
                                    ? std::vector<P::ColorGroup>{P::Active, P::Inactive}
                                    : std::vector<P::ColorGroup>{P::Disabled};
            for (const P::ColorGroup group : groups) {
                const QColor ground = row.ground
                                          ? row.ground->palette().color(group, row.groundRole)
                                          : QColor(0xFF0000);
                const double contrast =
                    ContrastRatio(row.widget->palette().color(group, row.text), ground);
                EXPECT_GE(contrast, 4.5) << row.what << " in colour group " << group;
                if (group != P::Inactive)
                    testing::Test::RecordProperty(prefix + row.what, std::to_string(contrast));
            }
        }

        const struct
        {
            const char *what;
            QWidget *painter;
        } drawn[] = {{"List1", f.List1->viewport()},
                     {"Text1", f.Text1->viewport()},
                     {"Label5", f.Label5},
                     {"btnMissed", f.btnMissed},
                     {"txtMy", f.txtMy}};
        for (const auto &d : drawn) {
            const double contrast = DrawnContrast(d.painter->grab().toImage());
            EXPECT_GE(contrast, 4.5) << d.what << " as drawn";
            testing::Test::RecordProperty(prefix + "drawn." + d.what, std::to_string(contrast));
        }
    }
}

// Styles that paint buttons in colours of their own put the window's black
// captions on whatever they paint; each caption, as drawn, must stand out.
TEST(Window, CaptionsStandOutInEveryStyle)
{
    QStringList styles{"Fusion", "Windows"};
#ifdef Q_OS_LINUX
    styles << "Adwaita"
           << "Adwaita-Dark"
           << "Adwaita-HighContrastInverse";
#endif
    for (const QString &name : styles) {
        SCOPED_TRACE(name.toStdString());
        if (!QStyleFactory::keys().contains(name, Qt::CaseInsensitive)) {
            ADD_FAILURE() << "style not installed (adwaita-qt6)";
            continue;
        }
        const auto restore =
            qScopeGuard([saved = QApplication::style()->name()] { QApplication::setStyle(saved); });
        QApplication::setStyle(name);
        Window w;
        const ui::fmTestForm &f = w.form;
        f.List1->addItems(keywords::DefaultKeywordTable());
        w.fmTest.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.fmTest));
        std::vector<std::pair<QWidget *, QRect>> captions;
        for (QLabel *label : {f.Label1, f.Label4, f.Label5})
            captions.push_back(
                {label, QRect(label->contentsRect().topLeft(),
                              label->fontMetrics().size(Qt::TextSingleLine, label->text()))});
        for (QPushButton *button : {f.CMD2, f.Command2, f.Command4, f.Command5, f.btnTest}) {
            const QSize text = button->fontMetrics().size(Qt::TextSingleLine, button->text());
            captions.push_back({button, QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, text,
                                                            button->rect())});
        }
        captions.push_back({f.List1->viewport(), f.List1->viewport()->rect()});
        for (const auto &[control, rect] : captions) {
            const double contrast = DrawnContrast(control->grab(rect).toImage());
            const std::string what =
                (control == f.List1->viewport() ? f.List1 : control)->objectName().toStdString();
            EXPECT_GE(contrast, 4.5) << what;
            testing::Test::RecordProperty(name.toStdString() + "." + what,
                                          std::to_string(contrast));
        }
    }
}

TEST(Window, ScreenReadersHearWhatEachControlIsFor)
{
    const Window window;
    const struct
    {
        const char *control;
        QString name;
        bool described;
    } rows[] = {
        {"List1", "函数列表", false},     {"txtCode", "公式代码", true},
        {"btnTest", "检测", false},       {"Text1", "检测结果", true},
        {"Command4", "清空", false},      {"Command5", "粘贴", false},
        {"CMD2", "载入", false},          {"Command2", "编辑", false},
        {"txtMy", "提供者与主页", false},
    };
    QSet<QString> names, descriptions;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.control);
        QAccessibleInterface *control =
            QAccessible::queryAccessibleInterface(window.control(row.control));
        ASSERT_NE(control, nullptr);
        const QString name = control->text(QAccessible::Name);
        EXPECT_EQ(name, row.name);
        EXPECT_FALSE(names.contains(name)) << "named twice";
        names.insert(name);
        const QString description = control->text(QAccessible::Description);
        EXPECT_EQ(!description.isEmpty(), row.described);
        EXPECT_FALSE(row.described && descriptions.contains(description)) << "described twice";
        descriptions.insert(description);
    }
}

TEST(Credit, CaptionAndCreditLineNameTheProviderAndLeaveOutAnEmptyGroup)
{
    const struct
    {
        ui::Credit credit;
        QString caption;
        QString line;
    } cases[] = {
        {{"某社区", QUrl("https://example.com/a"), ""},
         "未来函数检测 V1.0 - 由某社区提供",
         "某社区  主页 https://example.com/a"},
        {{"某社区", QUrl("https://example.com/a"), "12345"},
         "未来函数检测 V1.0 - 由某社区提供，交流群 12345",
         "某社区  主页 https://example.com/a  交流群 12345"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.credit.caption(), c.caption);
        EXPECT_EQ(c.credit.creditLine(), c.line);
    }
    const ui::Credit built = ui::Credit::FromBuild();
    EXPECT_FALSE(built.name.isEmpty());
    EXPECT_TRUE(built.homepage.isValid());
    EXPECT_TRUE(built.homepage.scheme().startsWith("http"));
}
