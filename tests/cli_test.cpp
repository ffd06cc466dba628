// future-check-cli as a user or a script runs it: the built program in a
// process of its own, in a folder of its own.
#include "futurefunctions.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using Files = std::map<QString, QByteArray>;

struct Outcome
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class CommandLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        work_ = dir_.path();
    }

    void Write(const Files &files)
    {
        for (const auto &[name, bytes] : files) {
            if (bytes.isNull()) {
                ASSERT_TRUE(QDir(work_).mkdir(name));
                continue;
            }
            QFile file(QDir(work_).filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(bytes), bytes.size());
        }
    }
    QStringList Listing() const
    {
        return QDir(work_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
    Outcome Run(const QStringList &arguments, const QByteArray &input = {},
                const QString &output = {})
    {
        QProcess process;
        process.setWorkingDirectory(work_);
        if (!output.isEmpty())
            process.setStandardOutputFile(output);
        // The thread sanitizer build's checker runs these tests from here.
        QString program =
            qEnvironmentVariable("FUTURE_CHECK_CLI", QStringLiteral(FUTURE_CHECK_CLI));
#ifdef Q_OS_UNIX
        // Root reads any file: a test of unreadable ones runs the checker as
        // the user "nobody", who may pass through the test's folder, and runs
        // a copy there, since the build may lie where nobody may not go.
        if (asNobody_ && geteuid() == 0) {
            EXPECT_TRUE(QFile::setPermissions(work_, QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::ReadOther |
                                                         QFile::ExeOther));
            const QString copy = QDir(work_).filePath(QStringLiteral(".checker"));
            EXPECT_TRUE(QFile::exists(copy) || QFile::copy(program, copy));
            program = copy;
            process.setChildProcessModifier([] {
                if (setgid(65534) != 0 || setuid(65534) != 0)
                    _exit(99);
            });
        }
#endif
        if (merged_)
            process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForStarted());
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    QTemporaryDir dir_;
    // Where the checker runs: a folder of its own for each case of a table,
    // since Windows may not yet let go of one a program has just left.
    QString work_;
    bool asNobody_ = false;
    bool merged_ = false; // both streams into one, as "> log 2>&1" has them
};

// Text that puts a key after Chinese text, on the second line.
QByteArray Lines(const char *lineEnd)
{
    return QByteArray("公式:=MA(C,5);") + lineEnd + "买点:=ZIG(C,5);" + lineEnd;
}

QByteArray Utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

// What the system says of a file that is not there.
QString NoSuchFile()
{
    QFile file(QDir::temp().filePath(QStringLiteral("future-check-cli-test-gone")));
    file.open(QIODevice::ReadOnly);
    return file.errorString();
}

} // namespace

TEST_F(CommandLine, ReportsFindingsStatusesAndFailures)
{
    struct Case
    {
        const char *what;
        Files files; // a null QByteArray makes a folder

        QStringList arguments;
        QByteArray input;
        int status;
        QByteArray out;
        QStringList errorMentions;
    };
    const QByteArray zigAtTwoFive = "f.txt:2:5: 发现未来函数ZIG!\n";
    const Case cases[] = {
        {"clean file", {{"f.txt", "MA(C,5);"}}, {"f.txt"}, {}, 0, {}, {}},
        {"LF", {{"f.txt", Lines("\n")}}, {"f.txt"}, {}, 1, zigAtTwoFive, {}},
        {"CR LF", {{"f.txt", Lines("\r\n")}}, {"f.txt"}, {}, 1, zigAtTwoFive, {}},
        {"CR", {{"f.txt", Lines("\r")}}, {"f.txt"}, {}, 1, zigAtTwoFive, {}},
#ifndef Q_OS_WIN // the ANSI code page of Windows is the machine's own
        {"GB18030",
         {{"f.txt", "\xC2\xF2\xB5\xE3:=\x81\x30\x84\x36zig(C);"}}, // 买点:=¥zig(C);
         {"f.txt"},
         {},
         1,
         "f.txt:1:6: 发现未来函数ZIG!\n",
         {}},
#endif
        {"UTF-8 byte-order mark: not a column of line 1",
         {{"f.txt", "\xEF\xBB\xBFZIG(C);\r\n\xEF\xBB\xBFZIG(C);"}},
         {"f.txt"},
         {},
         1,
         "f.txt:1:1: 发现未来函数ZIG!\nf.txt:2:2: 发现未来函数ZIG!\n",
         {}},
        {"lines and columns thousands in",
         {{"f.txt", QByteArray(5000, '\n') + QByteArray(5000, 'x') + "ZIG("}},
         {"f.txt"},
         {},
         1,
         "f.txt:5001:5001: 发现未来函数ZIG!\n",
         {}},
        {"a clean file after one with findings",
         {{"dirty.txt", "DVOL"}, {"clean.txt", "MA(C,5);"}},
         {"dirty.txt", "clean.txt"},
         {},
         1,
         "dirty.txt:1:1: 发现未来函数DVOL!\n",
         {}},
        {"UTF-16 LE and BE",
         {{"le.txt", Utf16(QString::fromUtf8(Lines("\r\n")), false)},
          {"be.txt", Utf16(QString::fromUtf8("𝐀#week"), true)}},
         {"le.txt", "be.txt"},
         {},
         1,
         "le.txt:2:5: 发现未来函数ZIG!\nbe.txt:1:2: 发现未来函数#WEEK!\n",
         {}},
        {"every occurrence, overlapping ones too, entries listed twice once",
         {{"code.ini", "$ZIG\r\n$FLATZIG\r\n$ZIG\r\n"}, {"f.txt", "flatzig(zig("}},
         {"f.txt"},
         {},
         1,
         "f.txt:1:1: 发现未来函数FLATZIG!\nf.txt:1:5: 发现未来函数ZIG!\nf.txt:1:9: "
         "发现未来函数ZIG!\n",
         {}},
        {"standard input", {}, {}, "X:=DCLOSE;", 1, "-:1:4: 发现未来函数DCLOSE!\n", {}},
        {"- among files",
         {{"f.txt", "DVOL"}},
         {"-", "f.txt"},
         "DLOW",
         1,
         "-:1:1: 发现未来函数DLOW!\nf.txt:1:1: 发现未来函数DVOL!\n",
         {}},
        {"code.ini here is used",
         {{"code.ini", "DVOL\r\n"}, {"f.txt", "ZIG(C) DVOL"}},
         {"f.txt"},
         {},
         1,
         "f.txt:1:8: 发现未来函数DVOL!\n",
         {}},
        {"--keywords before code.ini",
         {{"code.ini", "DVOL\r\n"}, {"list.txt", "$ZIG\n"}, {"f.txt", "ZIG(C) DVOL"}},
         {"-k", "list.txt", "f.txt"},
         {},
         1,
         "f.txt:1:1: 发现未来函数ZIG!\n",
         {}},
        {"missing --keywords file",
         {{"code.ini", "DVOL\r\n"}, {"f.txt", "DVOL"}},
         {"--keywords", "gone.ini", "f.txt"},
         {},
         2,
         {},
         {"gone.ini", NoSuchFile()}},
        {"code.ini that is a folder",
         {{"code.ini", {}}, {"f.txt", "DVOL"}},
         {"f.txt"},
         {},
         2,
         {},
         {"code.ini", "folder"}},
        {"missing and unreadable files among good ones",
         {{"a.txt", "DVOL"}, {"bin.txt", QByteArray("DVOL\0", 5)}, {"b.txt", "DLOW"}},
         {"a.txt", "gone.txt", "bin.txt", "b.txt"},
         {},
         2,
         "a.txt:1:1: 发现未来函数DVOL!\nb.txt:1:1: 发现未来函数DLOW!\n",
         {"gone.txt: " + NoSuchFile(), "bin.txt: is not a text file"}},
        {"bad option", {{"f.txt", "DVOL"}}, {"--colour", "f.txt"}, {}, 2, {}, {"colour"}},
        {"--missed: what the list missed, in text order among the findings",
         {{"f.txt", "ZIG (C,5);X:=ZIG(C,1);refx(c,5);C#SEASON"}},
         {"--missed", "f.txt"},
         {},
         1,
         "f.txt:1:1: 发现列表漏掉的未来函数ZIG!\nf.txt:1:14: 发现未来函数ZIG!\n"
         "f.txt:1:23: 发现列表漏掉的未来函数REFX!\nf.txt:1:34: 发现列表漏掉的未来函数#SEASON!\n",
         {}},
        {"missed functions count only with --missed",
         {{"f.txt", "REFX(C,1)"}},
         {"f.txt"},
         {},
         0,
         {},
         {}},
        {"--code-only leaves out comments, strings and longer names",
         {{"f.txt", "{ZIG(C)}'DCLOSE' MYDCLOSE:=FLATZIG(C,1);"}},
         {"--code-only", "f.txt"},
         {},
         1,
         "f.txt:1:28: 发现未来函数FLATZIG!\n",
         {}},
        {"--code-only: a file of findings all left out is clean",
         {{"f.txt", "{ZIG(C)}"}},
         {"--code-only", "--missed", "f.txt"},
         {},
         0,
         {},
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        work_ = dir_.filePath(QString::number(&c - cases));
        ASSERT_TRUE(QDir().mkpath(work_));
        Write(c.files);
        const QStringList before = Listing();
        const Outcome outcome = Run(c.arguments, c.input);
        EXPECT_EQ(outcome.status, c.status) << outcome.err.toStdString();
        EXPECT_EQ(outcome.out, c.out);
        for (const QString &mention : c.errorMentions) {
            EXPECT_TRUE(QString::fromUtf8(outcome.err).contains(mention))
                << outcome.err.toStdString();
        }
        if (c.errorMentions.isEmpty()) {
            EXPECT_EQ(outcome.err, QByteArray());
        }
        EXPECT_EQ(Listing(), before); // nothing created, code.ini least of all
    }
}

// A folder is checked with every file in it and its subfolders, in name
// order, save hidden ones; what is no text is passed over, what cannot be
// read is reported and the walk goes on.
TEST_F(CommandLine, WalksFoldersInNameOrder)
{
    Write({{"f", {}},
           {"f/b.txt", "DVOL"},
           {"f/a.txt", "x DLOW"},
           {"f/sub", {}},
           {"f/sub/c.txt", "ZIG(1)"},
           {"f/sub.txt", "DOPEN"},
           {"f/公式", {}},
           {"f/公式/买点.txt", "DLOW"},
           {"f/.hidden.txt", "DVOL"},
           {"f/.git", {}},
           {"f/.git/x.txt", "DVOL"},
           {"f/bin.dat", QByteArray("DVOL\0", 5)},
           {"f/empty", {}},
           {"clean", {}},
           {"clean/x.txt", "MA(C,5)"}});
    const auto line = [](const char *path, const char *place, const char *name) {
        return (QDir::toNativeSeparators(path) + ':' + place + ": 发现未来函数" + name + "!\n")
            .toUtf8();
    };
    QByteArray expected = line("f/a.txt", "1:3", "DLOW") + line("f/b.txt", "1:1", "DVOL") +
                          line("f/sub/c.txt", "1:1", "ZIG") + line("f/sub.txt", "1:1", "DOPEN") +
                          line("f/公式/买点.txt", "1:1", "DLOW");
    Outcome outcome = Run({"f"});
    EXPECT_EQ(outcome.status, 1) << outcome.err.toStdString();
    EXPECT_EQ(outcome.out, expected);
    EXPECT_EQ(outcome.err, QByteArray());
    EXPECT_EQ(Run({"clean"}).status, 0);
    const QJsonObject json = QJsonDocument::fromJson(Run({"--json", "clean"}).out).object();
    EXPECT_EQ(json, (QJsonObject{{"file", QDir::toNativeSeparators("clean/x.txt")},
                                 {"findings", QJsonArray()},
                                 {"missed", QJsonArray()},
                                 {"verdict", "none"}}));

#ifdef Q_OS_UNIX
    // Links to folders are not followed, links to files are; devices and
    // pipes are passed over; a folder and a file that cannot be read are
    // reported.
    ASSERT_TRUE(QFile::link("sub", dir_.filePath("f/link-dir")));
    ASSERT_TRUE(QFile::link("a.txt", dir_.filePath("f/link-file")));
    ASSERT_TRUE(QFile::link("gone.txt", dir_.filePath("f/link-gone")));
    ASSERT_EQ(mkfifo(QFile::encodeName(dir_.filePath("f/pipe")).constData(), 0644), 0);
    Write({{"f/locked", {}}, {"f/locked/x.txt", "DVOL"}, {"f/unreadable.txt", "DVOL"}});
    ASSERT_TRUE(QFile::setPermissions(dir_.filePath("f/locked"), {}));
    ASSERT_TRUE(QFile::setPermissions(dir_.filePath("f/unreadable.txt"), {}));
    asNobody_ = true;
    outcome = Run({"f"});
    // So that the folder can be removed.
    QFile::setPermissions(dir_.filePath("f/locked"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(outcome.status, 2) << outcome.err.toStdString();
    EXPECT_EQ(outcome.out,
              line("f/a.txt", "1:3", "DLOW") + line("f/b.txt", "1:1", "DVOL") +
                  line("f/link-file", "1:3", "DLOW") + line("f/sub/c.txt", "1:1", "ZIG") +
                  line("f/sub.txt", "1:1", "DOPEN") + line("f/公式/买点.txt", "1:1", "DLOW"));
    for (const char *mention : {"f/link-gone: No such file", "f/locked: Permission denied",
                                "f/unreadable.txt: Permission"})
        EXPECT_TRUE(outcome.err.contains(mention)) << outcome.err.toStdString();
#endif
}

#ifdef Q_OS_UNIX // devices and sparse files
// What can be no formula is refused at once, without reading it whole; the
// files after it are still checked.
TEST_F(CommandLine, RefusesWhatIsNoFormulaQuickly)
{
    Write({{"f.txt", "DVOL"}});
    QFile big(dir_.filePath("big.txt"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(qint64(3) << 30));
    big.close();
    QElapsedTimer clock;
    clock.start();
    const Outcome outcome = Run({"/dev/zero", "big.txt", "f.txt"});
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "f.txt:1:1: 发现未来函数DVOL!\n");
    for (const char *mention : {"/dev/zero: is not a text file", "big.txt: is larger than 64 MiB"})
        EXPECT_TRUE(outcome.err.contains(mention)) << outcome.err.toStdString();
    // The keyword list too.
    const Outcome list = Run({"--keywords", "big.txt", "f.txt"});
    EXPECT_EQ(list.status, 2);
    EXPECT_TRUE(list.err.contains("big.txt: is larger than 64 MiB")) << list.err.toStdString();
}
#elif defined(Q_OS_WIN)
TEST_F(CommandLine, RefusesWhatIsNoFormulaQuickly)
{
    GTEST_SKIP() << "needs /dev/zero and sparse files";
}
#endif

#ifdef Q_OS_LINUX // /dev/full and the size of children
// A write that fails, as to a full disk, must not pass for a clean run, be
// it at the end or in the middle of the output.
TEST_F(CommandLine, FailedWriteEndsWithAnError)
{
    Write({{"one.txt", "DVOL"}, {"many.txt", QByteArray("DVOL ").repeated(100000)}});
    for (const QStringList &arguments :
         {QStringList{"one.txt"}, QStringList{"many.txt"},
          QStringList{"-j", "4", "many.txt", "one.txt", "many.txt"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Outcome outcome = Run(arguments, {}, "/dev/full");
        EXPECT_EQ(outcome.status, 2);
        EXPECT_TRUE(outcome.err.contains("could not write to standard output"))
            << outcome.err.toStdString();
    }
    // The first write that fails ends the run: no file after it is read.
    const Outcome stopped = Run({"-j", "1", "many.txt", "missing.txt"}, {}, "/dev/full");
    EXPECT_EQ(stopped.status, 2);
    EXPECT_FALSE(stopped.err.contains("missing.txt")) << stopped.err.toStdString();
}

// Keys that overlap themselves occur far more often than the text is long;
// the checker writes each occurrence as it finds it instead of holding them.
TEST_F(CommandLine, WritesFindingsWithoutHoldingThem)
{
    QByteArray list;
    for (int n = 1; n <= 40; ++n)
        list += QByteArray(n, 'a') + "\r\n";
    Write({{"code.ini", list},
           {"small.txt", QByteArray(100, 'A')},
           {"big.txt", QByteArray(20000, 'A')}});
    const auto peakMegabytes = [] {
        rusage usage;
        getrusage(RUSAGE_CHILDREN, &usage);
        return usage.ru_maxrss / 1024;
    };
    ASSERT_EQ(Run({"small.txt"}, {}, QProcess::nullDevice()).status, 1);
    const long before = peakMegabytes();
    // The second file waits on another thread while the first is written.
    // Both run before the test reads what they wrote: a child's peak counts
    // this process's own at the moment it starts the child.
    const QList<QStringList> runs{{"big.txt"}, {"-j", "2", "big.txt", "big.txt"}};
    for (qsizetype i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(runs[i].join(' ').toStdString());
        ASSERT_EQ(Run(runs[i], {}, dir_.filePath(QString::number(i))).status, 1);
        // Each of their 799,220 occurrences would take more than 60 bytes.
        EXPECT_LT(peakMegabytes() - before, 10);
    }
    for (qsizetype i = 0; i < runs.size(); ++i) {
        QFile written(dir_.filePath(QString::number(i)));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readLine(), "big.txt:1:1: 发现未来函数a!\n");
        EXPECT_EQ(written.readLine(), "big.txt:1:1: 发现未来函数aa!\n");
        qsizetype lines = 2;
        while (!written.atEnd())
            lines += written.readLine().isEmpty() ? 0 : 1;
        EXPECT_EQ(lines, 799220 * runs[i].count("big.txt"));
    }
}
#elif defined(Q_OS_WIN)
TEST_F(CommandLine, FailedWriteEndsWithAnError)
{
    GTEST_SKIP() << "needs Linux's /dev/full";
}
TEST_F(CommandLine, WritesFindingsWithoutHoldingThem)
{
    GTEST_SKIP() << "needs getrusage() for the peak size of a child";
}
#endif

// Checked on several threads, the output is that of one, byte for byte, run
// after run: no line out of order or lost, no file's lines split by another's,
// and an error on a line of its own after all that came before it, in a log
// that takes both streams.
TEST_F(CommandLine, ManyThreadsWriteWhatOneWrites)
{
    QStringList names;
    QByteArray expected;
    Files files;
    for (int i = 0; i < 200; ++i) {
        if (i % 10 == 7) {
            const QString name = QStringLiteral("gone%1.txt").arg(i);
            names.append(name);
            expected += "future-check-cli: " + name.toUtf8() + ": " + NoSuchFile().toUtf8() + '\n';
            continue;
        }
        // A few findings or none, and now and then more than a file may hold back.
        const int findings = i % 20 == 3 ? 2000 + i : i % 3;
        const QString name = QStringLiteral("f%1.txt").arg(i, 3, 10, QChar(u'0'));
        names.append(name);
        files[name] = QByteArray("DVOL ").repeated(findings);
        for (int k = 0; k < findings; ++k)
            expected +=
                name.toUtf8() + ":1:" + QByteArray::number(5 * k + 1) + ": 发现未来函数DVOL!\n";
    }
    Write(files);
    merged_ = true;
    for (const char *threads : {"1", "4"}) {
        for (int run = 0; run < (threads[0] == '1' ? 1 : 10); ++run) {
            const Outcome outcome = Run(QStringList{"-j", threads} + names);
            ASSERT_EQ(outcome.status, 2);
            ASSERT_EQ(outcome.out, expected) << threads << " threads, run " << run;
        }
    }
    merged_ = false;
    Write({{"f003.txt", "{DVOL} ZIG(C,1) REFX(C,1) 'DVOL'"}, {"f013.txt", "PEAK(1,2,3)"}});
    const auto finding = [](const char *name, int column, const char *context) {
        return QJsonObject{{"name", name}, {"line", 1}, {"column", column}, {"context", context}};
    };
    const QJsonArray all{finding("DVOL", 2, "comment"), finding("ZIG", 8, "code"),
                         finding("DVOL", 28, "string")};
    const QJsonArray missed{QJsonObject{{"name", "REFX"}, {"line", 1}, {"column", 17}}};
    const struct
    {
        QStringList options;
        QJsonArray findings; // of f003.txt, without what the table says
    } jsonRuns[] = {
        {{"--json"}, all},
        {{"--json", "--missed", "--code-only"}, QJsonArray{all[1]}},
        {{"--missed"}, {}},
    };
    for (const auto &[options, findings] : jsonRuns) {
        SCOPED_TRACE(options.join(' ').toStdString());
        const Outcome one = Run(QStringList{"-j", "1"} + options + names);
        EXPECT_EQ(one.status, 2);
        for (int run = 0; run < 5; ++run)
            ASSERT_EQ(Run(QStringList{"-j", "4"} + options + names).out, one.out);
        if (!options.contains("--json"))
            continue;
        // The values themselves, not only the same bytes twice.
        const QList<QByteArray> lines = one.out.split('\n');
        const auto f003 = std::find_if(lines.cbegin(), lines.cend(), [](const QByteArray &line) {
            return line.contains("\"f003.txt\"");
        });
        ASSERT_NE(f003, lines.cend());
        QJsonObject object = QJsonDocument::fromJson(*f003).object();
        for (const char *array : {"findings", "missed"}) {
            QJsonArray stripped;
            for (const QJsonValue value : object[array].toArray()) {
                QJsonObject entry = value.toObject();
                for (const char *told : {"class", "why", "key", "reaches"})
                    entry.remove(told);
                stripped.append(entry);
            }
            object[array] = stripped;
        }
        EXPECT_EQ(object, (QJsonObject{{"file", "f003.txt"},
                                       {"findings", findings},
                                       {"missed", missed},
                                       {"verdict", "line"}}));
    }
}

TEST_F(CommandLine, WritesJsonLinesForEveryFile)
{
    Write({{"clean.txt", "MA(C,5)"}, {"f.txt", Lines("\r\n") + "D:=dclose;{zig(C)}R:=REFX(C,1);"}});
    const Outcome outcome = Run({"--json", "clean.txt", "f.txt", "gone.txt"});
    EXPECT_EQ(outcome.status, 2);
    const QList<QByteArray> lines = outcome.out.split('\n');
    ASSERT_EQ(lines.size(), 4) << outcome.out.toStdString();
    EXPECT_TRUE(lines[3].isEmpty());
    const auto why = [](const char16_t *name) {
        const auto *function = language::FindFutureFunction(name);
        return QJsonObject{{"class", QString(language::ClassId(function->futureClass))},
                           {"why", function->why.toString()}};
    };
    const auto finding = [&](const char *name, const char *key, int line, int column,
                             const char *context, const char16_t *function) {
        QJsonObject object = why(function);
        for (const auto &[field, value] : {std::pair<const char *, QJsonValue>{"name", name},
                                           {"key", key},
                                           {"line", line},
                                           {"column", column},
                                           {"context", context},
                                           {"reaches", QJsonArray()}})
            object.insert(field, value);
        return object;
    };
    QJsonObject missed = why(u"REFX");
    missed.insert("name", "REFX");
    missed.insert("line", 3);
    missed.insert("column", 22);
    missed.insert("reaches", QJsonArray());
    // Only variables: what they compute is shown nowhere.
    const QJsonObject expected[] = {
        {{"file", "clean.txt"},
         {"findings", QJsonArray()},
         {"missed", QJsonArray()},
         {"verdict", "none"}},
        {{"file", "f.txt"},
         {"findings", QJsonArray{finding("ZIG", "ZIG(", 2, 5, "code", u"ZIG"),
                                 finding("DCLOSE", "DCLOSE", 3, 4, "code", u"DCLOSE"),
                                 finding("ZIG", "ZIG(", 3, 12, "comment", u"ZIG")}},
         {"missed", QJsonArray{missed}},
         {"verdict", "unused"}},
        {{"file", "gone.txt"}, {"error", NoSuchFile()}},
    };
    for (int i = 0; i < 3; ++i) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(lines[i], &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << lines[i].toStdString();
        EXPECT_EQ(document.object(), expected[i]) << lines[i].toStdString();
    }
}

TEST_F(CommandLine, HelpAndVersionSayWhatTheyShould)
{
    const Outcome help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char *mention : {"--keywords", "--json", "--missed", "--code-only", "--threads",
                                "code.ini", "Exit status"})
        EXPECT_TRUE(help.out.contains(mention)) << mention;
    const Outcome version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "future-check-cli " FUTURE_CHECK_VERSION "\n");
    // A thread count that is no number, none, or more than a machine starts.
    for (const char *count : {"x", "0", "5000"}) {
        const Outcome refused = Run({"-j", count, "-"});
        EXPECT_EQ(refused.status, 2) << count;
        EXPECT_TRUE(refused.err.contains("--threads takes a number from 1 to 1024")) << count;
    }
}
