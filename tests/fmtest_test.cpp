#include "defaulttable.h"
#include "fmtest.h"
#include "tempcwd.h"

#include <QListWidget>
#include <QPlainTextEdit>

namespace {

QStringList Entries(const QListWidget *list)
{
    QStringList entries;
    for (int row = 0; row < list->count(); ++row)
        entries << list->item(row)->text();
    return entries;
}

} // namespace

using WindowLoad = InTempDir;

TEST_F(WindowLoad, FirstStartWritesTheDefaultFileAndListsItWithNothingSelected)
{
    fmTest window;
    window.load();
    EXPECT_TRUE(QFile::exists("code.ini"));
    EXPECT_EQ(Entries(window.List1), keywords::DefaultKeywordTable());
    EXPECT_EQ(window.List1->currentRow(), -1);
    EXPECT_TRUE(window.List1->selectedItems().isEmpty());
    EXPECT_TRUE(window.txtCode->toPlainText().isEmpty());
    EXPECT_TRUE(window.Text1->toPlainText().isEmpty());
}

TEST_F(WindowLoad, ListsAFullFileInFileOrder)
{
    QStringList entries;
    for (int i = 32767; i > 0; --i)
        entries << QStringLiteral("$F%1").arg(i);
    entries << ""
            << "dclose"
            << "#WEEK";
    WriteFile("code.ini", entries.join("\r\n").toLatin1() + "\r\n");
    fmTest window;
    window.load();
    EXPECT_EQ(Entries(window.List1), entries);
    EXPECT_EQ(window.List1->currentRow(), -1);
}
