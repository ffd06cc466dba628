#include "widgetviews.h"

#include <QImage>
#include <QListWidget>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

namespace {

TEST(KeywordListWidgetView, ReadsEntriesInOrder)
{
    const QStringList entries{"$ZIG", "", "#WEEK", " dclose ", "$ZIG"};
    QListWidget list;
    list.addItems(entries);
    ui::KeywordListWidgetView view(list);

    ASSERT_EQ(view.count(), entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i)
        EXPECT_EQ(view.entry(i), entries[i]) << i;
    EXPECT_EQ(view.entry(entries.size()), QString());
}

TEST(KeywordListWidgetView, SelectionMovesAndMinusOneLeavesNothingSelected)
{
    struct Step
    {
        qsizetype set;
        qsizetype expected;
    };
    // The scan selects the first entry, walks down, then clears.
    const Step steps[] = {{0, 0}, {1, 1}, {2, 2}, {-1, -1}, {1, 1}, {3, -1}, {-1, -1}};

    for (const auto mode :
         {QAbstractItemView::SingleSelection, QAbstractItemView::ExtendedSelection,
          QAbstractItemView::MultiSelection}) {
        QListWidget list;
        list.setSelectionMode(mode);
        list.addItems({"A", "B", "C"});
        list.show();
        ui::KeywordListWidgetView view(list);
        for (const Step &step : steps) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", set " << step.set);
            view.setSelection(step.set);
            EXPECT_EQ(view.selection(), step.expected);
            const QList<QListWidgetItem *> selected = list.selectedItems();
            if (step.expected < 0) {
                EXPECT_TRUE(selected.isEmpty());
                EXPECT_EQ(list.currentItem(), nullptr);
            } else {
                ASSERT_EQ(selected.size(), 1);
                EXPECT_EQ(selected.front(), list.item(int(step.expected)));
            }
        }
        list.setCurrentRow(2); // as a click would
        EXPECT_EQ(view.selection(), 2);
    }
}

TEST(ResultTextEditView, GivesBackWhatItWroteUntilTheUserEdits)
{
    QPlainTextEdit edit;
    ui::ResultTextEditView view(edit);
    EXPECT_EQ(view.text(), QString());

    // Prepending as the scan does keeps every CR LF.
    for (const char16_t *line :
         {u"发现未来函数ZIG!\r\n", u"发现未来函数!\r\n", u"发现未来函数DCLOSE!\r\n"})
        view.setText(QString::fromUtf16(line) + view.text());
    EXPECT_EQ(view.text(),
              QStringLiteral("发现未来函数DCLOSE!\r\n发现未来函数!\r\n发现未来函数ZIG!\r\n"));

    edit.selectAll();
    edit.insertPlainText(QStringLiteral("typed\nby hand"));
    EXPECT_EQ(view.text(), QStringLiteral("typed\nby hand"));
}

qsizetype PixelsOf(QWidget &widget, QColor color)
{
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    qsizetype count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == color.rgb();
    return count;
}

TEST(ResultTextEditView, TextColourCoversAllTextAlsoTypedLaterAndWhenInactive)
{
    QPlainTextEdit edit;
    edit.resize(300, 120);
    QFont font = edit.font();
    font.setPixelSize(48);
    edit.setFont(font);
    ui::ResultTextEditView view(edit);
    const QColor red(255, 0, 0);
    const QColor black(0, 0, 0);

    view.setText(QStringLiteral("WWW"));
    view.setTextColor({255, 0, 0});
    EXPECT_EQ(edit.palette().color(QPalette::Active, QPalette::Text), red);
    EXPECT_EQ(edit.palette().color(QPalette::Inactive, QPalette::Text), red);

    // Replacing everything drops any character format; only the palette stays.
    edit.selectAll();
    edit.insertPlainText(QStringLiteral("MMM"));
    EXPECT_GT(PixelsOf(edit, red), 0);

    view.setTextColor({0, 0, 0});
    EXPECT_EQ(PixelsOf(edit, red), 0);
    EXPECT_GT(PixelsOf(edit, black), 0);
}

} // namespace
