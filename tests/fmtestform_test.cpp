#include "credit.h"
#include "fmtestform.h"
#include "twips.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>

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
    const auto system = [](P::ColorRole role) { return QApplication::palette().color(role); };
    const QColor lavender(0xF8F5FC), grey(0x808080), darkGrey(0x404040), white(0xFFFFFF);
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
        {"txtMy",    "QLineEdit",      "fmTest", {40, 504, 377, 17},  credit, {{P::Base, lavender}, {P::Text, grey}}},
        {"Frame1",   "QFrame",         "fmTest", {8, 0, 441, 489},    "", {{P::Window, lavender}, {P::WindowText, grey}}},
        {"List1",    "QListWidget",    "Frame1", {0, 24, 105, 436},   "", {{P::Base, system(P::HighlightedText)},
                                                                           {P::Text, system(P::ButtonText)}}},
        {"fmCode",   "QFrame",         "Frame1", {107, 12, 329, 473}, "", {{P::Window, lavender}}},
        {"Command4", "QPushButton",    "fmCode", {128, 176, 57, 25},  "清空", {}},
        {"Command5", "QPushButton",    "fmCode", {192, 176, 57, 25},  "粘贴", {}},
        {"Text1",    "QPlainTextEdit", "fmCode", {0, 232, 313, 217},  "", {{P::Base, system(P::Base)}, {P::Text, system(P::Text)}}},
        {"txtCode",  "QPlainTextEdit", "fmCode", {0, 16, 329, 153},   "", {{P::Base, white}, {P::Text, QColor(0x0000C0)}}},
        {"btnTest",  "QPushButton",    "fmCode", {256, 176, 57, 25},  "检测", {}},
        {"Label5",   "QLabel",         "fmCode", {8, 208, 249, 17},   "检测结果如下：", {{P::Window, lavender},
                                                                                     {P::WindowText, system(P::WindowText)}}},
        {"Label4",   "QLabel",         "fmCode", {128, 0, 64, 20},    "公式代码", {{P::WindowText, darkGrey}}},
        {"Label1",   "QLabel",         "Frame1", {16, 8, 48, 15},     "函数列表", {{P::WindowText, darkGrey}}},
        {"Line3",    "QFrame",         "Frame1", {104, 8, 1, 480},    "", {{P::WindowText, QColor(0xC0C0C0)}}},
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
    ASSERT_EQ(buttons.size(), 5);
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
        {"credit line background", {45, 506}, 0xF8F5FC},
        {"frame border", {200, 488}, 0x808080},
    };
    for (const auto &sample : samples)
        EXPECT_EQ(image.pixelColor(sample.at), QColor(sample.colour))
            << sample.what << " at " << sample.at.x() << "," << sample.at.y();
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
