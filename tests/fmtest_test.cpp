#include "credit.h"
#include "defaulttable.h"
#include "fakeservices.h"
#include "fmtest.h"
#include "messages.h"
#include "tempcwd.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

const QString kFile = QStringLiteral("code.ini");

QStringList Entries(const QListWidget *list)
{
    QStringList entries;
    for (int row = 0; row < list->count(); ++row)
        entries << list->item(row)->text();
    return entries;
}

void Click(QPushButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

QColor TextColor(const QPlainTextEdit *edit)
{
    return edit->palette().color(QPalette::Text);
}

// The window as the user meets it, with the platform faked.
class WindowActions : public InTempDir
{
protected:
    void Start()
    {
        window_ = std::make_unique<fmTest>(services_);
        window_->load();
    }
    void Detect(const QString &formula)
    {
        window_->txtCode->setPlainText(formula);
        Click(window_->btnTest);
    }
    QString Result() const { return window_->Text1->toPlainText(); }

    FakeServices services_;
    std::unique_ptr<fmTest> window_;
};

} // namespace

TEST_F(WindowActions, FirstStartWritesTheDefaultFileAndListsItWithNothingSelected)
{
    Start();
    EXPECT_TRUE(QFile::exists(kFile));
    EXPECT_EQ(Entries(window_->List1), keywords::DefaultKeywordTable());
    EXPECT_EQ(window_->List1->currentRow(), -1);
    EXPECT_TRUE(window_->List1->selectedItems().isEmpty());
    EXPECT_TRUE(window_->txtCode->toPlainText().isEmpty());
    EXPECT_TRUE(Result().isEmpty());
    EXPECT_TRUE(services_.messages.isEmpty());
    EXPECT_TRUE(services_.openedUrls.isEmpty()); // setting the credit line is no change
}

TEST_F(WindowActions, ListsAFullFileInFileOrder)
{
    QStringList entries;
    for (int i = 32767; i > 0; --i)
        entries << QStringLiteral("$F%1").arg(i);
    entries << ""
            << "dclose"
            << "#WEEK";
    WriteFile(kFile, entries.join("\r\n").toLatin1() + "\r\n");
    Start();
    EXPECT_EQ(Entries(window_->List1), entries);
    EXPECT_EQ(window_->List1->currentRow(), -1);
}

TEST_F(WindowActions, DetectWritesFindingsInRedAndClearsTheSelection)
{
    Start();
    Detect("A:=FLATZIG(C,3); B:=PEAKBARS(1,5,1);");
    EXPECT_EQ(Result(), "发现未来函数FLATZIG!\n发现未来函数PEAKBARS!\n发现未来函数ZIG!\n");
    EXPECT_EQ(TextColor(window_->Text1), QColor(255, 0, 0));
    EXPECT_EQ(window_->List1->currentRow(), -1);
    EXPECT_TRUE(window_->List1->selectedItems().isEmpty());

    // Detect, clear, detect again: nothing left to find, in black.
    Click(window_->Command4);
    EXPECT_TRUE(window_->txtCode->toPlainText().isEmpty());
    Click(window_->btnTest);
    EXPECT_EQ(Result(), "没有发现未来函数！");
    EXPECT_EQ(TextColor(window_->Text1), QColor(0, 0, 0));
}

// At the limits the matcher's build costs more than the pass over the
// formula: a list that has not changed is not built again.
TEST_F(WindowActions, DetectBuildsTheMatcherOnlyForAChangedList)
{
    WriteFile(kFile, "$ZIG\r\nDVOL\r\n");
    Start();
    Detect("ZIG(C,5)");
    Detect("ZIG(C,5)+DVOL");
    EXPECT_EQ(Result(), "发现未来函数DVOL!\n发现未来函数ZIG!\n");
    EXPECT_EQ(window_->scanner().builds(), 1);
    WriteFile(kFile, "$ZIG\r\n");
    Click(window_->CMD2);
    Detect("ZIG(C,5)+DVOL");
    EXPECT_EQ(Result(), "发现未来函数ZIG!\n");
    EXPECT_EQ(window_->scanner().builds(), 2);
}

TEST_F(WindowActions, ClearEmptiesOnlyTheFormula)
{
    Start();
    Detect("X:=ZIG(CLOSE,5);");
    const QString result = Result();
    services_.clipboard = "Y:=DCLOSE;"; // so a clear that pastes shows
    Click(window_->Command4);
    EXPECT_TRUE(window_->txtCode->toPlainText().isEmpty());
    EXPECT_EQ(Result(), result);
    EXPECT_EQ(TextColor(window_->Text1), QColor(255, 0, 0));
    EXPECT_EQ(Entries(window_->List1), keywords::DefaultKeywordTable());
    Click(window_->Command4); // an empty box stays empty
    EXPECT_TRUE(window_->txtCode->toPlainText().isEmpty());
}

TEST_F(WindowActions, PasteReplacesTheFormulaWithTheClipboardText)
{
    Start();
    window_->txtCode->setPlainText("OLD TEXT");
    window_->txtCode->moveCursor(QTextCursor::End);
    services_.clipboard = "X:=ZIG(C,5);\nY:=DCLOSE;";
    Click(window_->Command5);
    EXPECT_EQ(window_->txtCode->toPlainText(), services_.clipboard);

    services_.clipboard.clear(); // a clipboard without text
    Click(window_->Command5);
    EXPECT_TRUE(window_->txtCode->toPlainText().isEmpty());
}

TEST_F(WindowActions, EditShowsTheHintThenStartsTheEditorAndReloadShowsTheEdit)
{
    Start();
    bool editorStartedBeforeOk = true;
    services_.whileMessageShown = [&](const FakeServices::Message &) {
        editorStartedBeforeOk = !services_.editorStarts.isEmpty();
    };
    Click(window_->Command2);
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_EQ(services_.messages[0].title, ui::ApplicationTitle());
    EXPECT_EQ(services_.messages[0].text, "带参数的函数，请在前面加$,否则容易识别错误!\r\n"
                                          "编辑完成保存后点载入即可!");
    EXPECT_FALSE(editorStartedBeforeOk);
    EXPECT_EQ(services_.editorStarts, QStringList{kFile});

    WriteFile(kFile, "DVOL\r\n$ZIG\r\n");
    EXPECT_EQ(Entries(window_->List1), keywords::DefaultKeywordTable());
    window_->List1->setCurrentRow(1);
    Click(window_->CMD2);
    EXPECT_EQ(Entries(window_->List1), (QStringList{"DVOL", "$ZIG"}));
    EXPECT_EQ(window_->List1->currentRow(), -1);
    Click(window_->CMD2);
    EXPECT_EQ(Entries(window_->List1), (QStringList{"DVOL", "$ZIG"}));
    EXPECT_EQ(window_->List1->currentRow(), -1);
    EXPECT_TRUE(window_->List1->selectedItems().isEmpty());
    EXPECT_EQ(services_.messages.size(), 1);
}

TEST_F(WindowActions, CreditLineChangeOpensTheHomepage)
{
    Start();
    EXPECT_TRUE(services_.openedUrls.isEmpty());
    window_->txtMy->setText("changed");
    EXPECT_EQ(services_.openedUrls, QList<QUrl>{ui::Credit::FromBuild().homepage});
}

TEST_F(WindowActions, UnusableKeywordFileAtStartUpFallsBackToTheDefaultTable)
{
    ASSERT_TRUE(QDir().mkdir(kFile));
    Start();
    EXPECT_EQ(Entries(window_->List1), keywords::DefaultKeywordTable());
    ASSERT_EQ(services_.messages.size(), 1);
    const QString text = services_.messages[0].text;
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(QDir::current().absoluteFilePath(kFile))))
        << text.toStdString();
    EXPECT_TRUE(text.contains("folder")) << text.toStdString();
    EXPECT_TRUE(text.contains("默认")) << text.toStdString();
    Detect("X:=ZIG(C,5);");
    EXPECT_EQ(Result(), "发现未来函数ZIG!\n");
}

#ifdef Q_OS_LINUX
TEST_F(WindowActions, UnwritableFolderAtStartUpFallsBackToTheDefaultTable)
{
    // Not even root may create files in /proc.
    ASSERT_TRUE(QDir::setCurrent("/proc"));
    Start();
    QDir::setCurrent(dir_.path());
    EXPECT_EQ(Entries(window_->List1), keywords::DefaultKeywordTable());
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_TRUE(services_.messages[0].text.contains("/proc/code.ini"));
}
#elif defined(Q_OS_WIN)
TEST_F(WindowActions, UnwritableFolderAtStartUpFallsBackToTheDefaultTable)
{
    GTEST_SKIP() << "needs Linux's /proc, where not even root creates files";
}
#endif

TEST_F(WindowActions, FailedReloadKeepsTheListAndSaysWhy)
{
    WriteFile(kFile, "DVOL\r\n");
    Start();
    ASSERT_TRUE(QFile::remove(kFile));
    Click(window_->CMD2);
    EXPECT_EQ(Entries(window_->List1), QStringList{"DVOL"});
    ASSERT_EQ(services_.messages.size(), 1);
    EXPECT_TRUE(services_.messages[0].text.contains(kFile));
    EXPECT_FALSE(QFile::exists(kFile)); // reload never creates the file
}

// Started with a file, as "打开方式" starts it: its text in the formula box,
// read as a dropped file is, GBK too; more than one argument, an option or a
// file that cannot be read is refused by name, and the formula stays empty.
// code.ini stays as it was, and the file as it was.
TEST_F(WindowActions, OpensTheFileItIsStartedWithAndRefusesAnythingElse)
{
    const QByteArray gbk = "\xB2\xA8\xB6\xCE:=ZIG(C,5);";
    WriteFile("波段.txt", gbk);
    WriteFile("买点.txt", "买点:=REFX(C,1);");
    Start();
    const QByteArray list = ReadFile(kFile);
    window_->openArguments({"波段.txt"});
    EXPECT_EQ(window_->txtCode->toPlainText(), "波段:=ZIG(C,5);");
    window_->openArguments({"买点.txt"});
    EXPECT_EQ(window_->txtCode->toPlainText(), "买点:=REFX(C,1);");
    EXPECT_TRUE(services_.messages.isEmpty());
    EXPECT_EQ(ReadFile("波段.txt"), gbk);
    EXPECT_EQ(ReadFile(kFile), list);

    const struct
    {
        QStringList arguments;
        QString mention;
    } refused[] = {
        {{"波段.txt", "买点.txt"}, "波段.txt, 买点.txt: open one file at a time"},
        {{"--help"}, "--help: the program takes no options"},
        {{"gone.txt"}, "gone.txt: "},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        window_->txtCode->clear();
        services_.messages.clear();
        window_->openArguments(c.arguments);
        ASSERT_EQ(services_.messages.size(), 1);
        EXPECT_TRUE(services_.messages[0].text.startsWith("无法载入公式文件 " + c.mention))
            << services_.messages[0].text.toStdString();
        EXPECT_TRUE(window_->txtCode->toPlainText().isEmpty());
    }
}

TEST_F(WindowActions, EditorOrBrowserThatCannotStartIsReported)
{
    Start();
    services_.editorFailure = "无法启动编辑器 notepad";
    services_.browserFailure = "无法在浏览器中打开 https://example.org/";
    Click(window_->Command2);
    window_->txtMy->setText("changed");
    ASSERT_EQ(services_.messages.size(), 3);
    EXPECT_EQ(services_.messages[1].text, services_.editorFailure);
    EXPECT_EQ(services_.messages[2].text, services_.browserFailure);
    Detect("DCLOSE"); // and the program goes on
    EXPECT_EQ(Result(), "发现未来函数DCLOSE!\n");
}
