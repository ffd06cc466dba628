#include "fakeservices.h"
#include "fmtest.h"
#include "formuladrop.h"
#include "tempcwd.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

namespace {

class FormulaDropOnWindow : public InTempDir
{
protected:
    void SetUp() override
    {
        InTempDir::SetUp();
        window_ = std::make_unique<fmTest>(services_);
        window_->load();
        window_->txtCode->setPlainText("OLD");
    }

    // Drags `data` over the formula box and drops it with Shift held, which
    // proposes a move, as file managers do; what the box took it as.
    Qt::DropAction Drop(const QMimeData &data)
    {
        QWidget *target = window_->txtCode->viewport();
        const QPoint at = target->rect().center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDropEvent drop(at, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
        EXPECT_EQ(drop.proposedAction(), Qt::MoveAction);
        QCoreApplication::sendEvent(target, &drop);
        QCoreApplication::processEvents();
        return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }

    FakeServices services_;
    std::unique_ptr<fmTest> window_;
};

} // namespace

TEST_F(FormulaDropOnWindow, OneTextFileReplacesTheFormulaAndAnythingElseIsRefused)
{
    struct Case
    {
        const char *what;
        QStringList dropped;  // files in the current directory
        QString formula;      // afterwards
        QStringList mentions; // in the message; none: no message
    };
    const Case cases[] = {
#ifndef Q_OS_WIN // the ANSI code page of Windows is the machine's own
        {"GBK file", {"gbk.txt"}, QString::fromUtf8("买点:=ZIG(C,5);\n"), {}},
#endif
        {"UTF-8 file", {"utf8.txt"}, QString::fromUtf8("买点:=ZIG(C,5);"), {}},
        {"folder", {"formulas"}, "OLD", {"formulas", "folder"}},
        {"two files", {"utf8.txt", "gbk.txt"}, "OLD", {"utf8.txt", "gbk.txt", "one file"}},
        {"file over 64 MiB", {"big.txt"}, "OLD", {"big.txt", "64 MiB"}},
        {"binary file", {"binary.txt"}, "OLD", {"binary.txt", "not a text file"}},
        {"missing file", {"gone.txt"}, "OLD", {"gone.txt"}},
    };
    WriteFile("gbk.txt", "\xC2\xF2\xB5\xE3:=ZIG(C,5);\r\n");
    WriteFile("utf8.txt", "买点:=ZIG(C,5);");
    WriteFile("binary.txt", QByteArray("ZIG(\0", 5));
    ASSERT_TRUE(QDir().mkdir("formulas"));
    QFile big("big.txt");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(FormulaDrop::kMaxBytes + 1));
    big.close();

    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        window_->txtCode->setPlainText("OLD");
        services_.messages.clear();
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &name : c.dropped)
            urls.append(QUrl::fromLocalFile(QDir::current().absoluteFilePath(name)));
        data.setUrls(urls);
        // Never a move: the source would delete the file.
        EXPECT_EQ(Drop(data), Qt::CopyAction);
        EXPECT_EQ(window_->txtCode->toPlainText(), c.formula);
        if (c.mentions.isEmpty()) {
            EXPECT_TRUE(services_.messages.isEmpty());
            continue;
        }
        ASSERT_EQ(services_.messages.size(), 1);
        for (const QString &mention : c.mentions) {
            EXPECT_TRUE(services_.messages[0].text.contains(mention))
                << services_.messages[0].text.toStdString();
        }
    }
}

TEST_F(FormulaDropOnWindow, DroppedTextIsInsertedAsBefore)
{
    QMimeData data;
    data.setText("DVOL");
    EXPECT_NE(Drop(data), Qt::IgnoreAction);
    EXPECT_TRUE(window_->txtCode->toPlainText().contains("DVOL"));
    EXPECT_TRUE(window_->txtCode->toPlainText().contains("OLD"));
    EXPECT_TRUE(services_.messages.isEmpty());
}
