#include "fakeservices.h"
#include "messages.h"
#include "platformservices.h"
#include "tempcwd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QThread>
#include <QTimer>
#include <functional>
#include <type_traits>

// The window's tests rely on the fake standing in for every service.
static_assert(!std::is_abstract_v<FakeServices>);

namespace {

struct ClipboardCase
{
    const char *name;
    std::function<void(QClipboard &)> fill;
    QString expected;
};

TEST(SystemServices, ClipboardTextIsExactlyThePlainTextOrEmpty)
{
    const QString formula = QStringLiteral("A:=ZIG(3,5);\r\n\tB:CLOSE#WEEK;  \r\n");
    const ClipboardCase cases[] = {
        {"text", [&](QClipboard &c) { c.setText(formula); }, formula},
        {"empty text", [](QClipboard &c) { c.setText(QString()); }, QString()},
        {"image only",
         [](QClipboard &c) {
             QImage image(4, 4, QImage::Format_RGB32);
             image.fill(Qt::red);
             c.setImage(image);
         },
         QString()},
        {"html only",
         [](QClipboard &c) {
             auto *data = new QMimeData;
             data->setHtml(QStringLiteral("<b>ZIG(</b>"));
             c.setMimeData(data);
         },
         QString()},
    };
    ui::SystemServices services;
    for (const ClipboardCase &c : cases) {
        c.fill(*QGuiApplication::clipboard());
        EXPECT_EQ(services.clipboardText(), c.expected) << c.name;
    }
}

struct SeenBox
{
    bool shown = false;
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::Critical;
    qsizetype buttonCount = 0;
    QMessageBox::StandardButtons standardButtons;
};

// Shows the real box and presses its OK button as soon as it is up.
SeenBox ShowAndPressOk(const QString &title, const QString &text)
{
    SeenBox seen;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        closer.stop();
        seen = {true,        box->windowTitle(),    box->text(),           box->textFormat(),
                box->icon(), box->buttons().size(), box->standardButtons()};
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    });
    closer.start();
    ui::SystemServices().showMessage(nullptr, title, text);
    return seen;
}

TEST(SystemServices, MessageBoxShowsTheTextWithOnlyAnOkButtonAndNoIcon)
{
    const QString hint =
        QStringLiteral("带参数的函数") + QChar(0xFF0C) +
        QStringLiteral("请在前面加$,否则容易识别错误!\r\n编辑完成保存后点载入即可!");
    EXPECT_EQ(ui::EditHint(), hint);

    const QString withMarkup = QStringLiteral("无法读取 <b>/tmp/a&b</b>/code.ini");
    for (const QString &text : {hint, withMarkup}) {
        const SeenBox seen = ShowAndPressOk(QStringLiteral("未来函数检测 V1.0"), text);
        ASSERT_TRUE(seen.shown) << text.toStdString();
        EXPECT_EQ(seen.title, QStringLiteral("未来函数检测 V1.0"));
        EXPECT_EQ(seen.text, text);
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
        EXPECT_EQ(seen.buttonCount, 1);
        EXPECT_EQ(seen.standardButtons, QMessageBox::Ok);
    }
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)

// Puts a stand-in xdg-open first on PATH; it records its working directory
// and arguments, then lingers like an editor the user has not closed yet.
class RealEditor : public InTempDir
{
protected:
    void SetUp() override
    {
        InTempDir::SetUp();
        ASSERT_TRUE(bin_.isValid());
        path_ = qgetenv("PATH");
    }
    void TearDown() override
    {
        qputenv("PATH", path_);
        InTempDir::TearDown();
    }

    void InstallStandIn()
    {
        const QString script = bin_.filePath(QStringLiteral("xdg-open"));
        WriteFile(script, R"(#!/bin/sh
exec </dev/null >/dev/null 2>&1
record="$(dirname "$0")/record"
{ pwd -P; printf '%s\n' "$@"; } >"$record.tmp"
mv "$record.tmp" "$record"
sleep 5
)");
        ASSERT_TRUE(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
        qputenv("PATH", QFile::encodeName(bin_.path()) + ':' + path_);
    }

    QByteArray WaitForRecord() const
    {
        const QDeadlineTimer deadline(5000);
        while (!QFile::exists(record_) && !deadline.hasExpired())
            QThread::msleep(20);
        return ReadFile(record_);
    }

    QTemporaryDir bin_;
    const QString record_ = bin_.filePath(QStringLiteral("record"));
    QByteArray path_;
};

TEST_F(RealEditor, StartsOnTheAbsolutePathAndReturnsAtOnceEvenWithoutTheFile)
{
    InstallStandIn();
    ui::SystemServices services;
    QElapsedTimer clock;
    clock.start();
    const QString failure = services.startEditor(QStringLiteral("code.ini"));
    const qint64 elapsed = clock.elapsed();

    EXPECT_EQ(failure, QString());
    EXPECT_LT(elapsed, 1000);
    const QString dir = QDir::current().canonicalPath();
    EXPECT_EQ(WaitForRecord(), (dir + "\n" + dir + "/code.ini\n").toUtf8());
}

TEST_F(RealEditor, AnEditorThatCannotStartIsReportedByName)
{
    qputenv("PATH", QFile::encodeName(bin_.path())); // no xdg-open on it
    const QString failure = ui::SystemServices().startEditor(QStringLiteral("code.ini"));
    EXPECT_TRUE(failure.contains(QStringLiteral("xdg-open"))) << failure.toStdString();
    const QString path = QDir::toNativeSeparators(QDir::current().absoluteFilePath("code.ini"));
    EXPECT_TRUE(failure.contains(path)) << failure.toStdString();
}

#elif defined(Q_OS_WIN)
TEST(RealEditor, StartsOnTheAbsolutePathAndReturnsAtOnceEvenWithoutTheFile)
{
    GTEST_SKIP()
        << "xdg-open is Linux's: OnWindows.EditStartsNotepadOnTheAbsolutePathAndReturnsAtOnce";
}
TEST(RealEditor, AnEditorThatCannotStartIsReportedByName)
{
    GTEST_SKIP() << "xdg-open is Linux's; Windows always has Notepad";
}

#endif

} // namespace
