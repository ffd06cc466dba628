#include "defaulttable.h"
#include "keywordfile.h"
#include "tempcwd.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>
#endif

using namespace keywords;

namespace {

const QString kFile = QStringLiteral("code.ini");

QStringList Load()
{
    QStringList entries;
    const FileError error = LoadKeywordList(entries);
    EXPECT_FALSE(error) << error.reason.toStdString();
    return entries;
}

} // namespace

using KeywordFile = InTempDir;

TEST_F(KeywordFile, FirstStartWritesTheDefaultTableExactly)
{
    ASSERT_FALSE(EnsureKeywordFile());
    const QByteArray expected = "$ZIG\r\n$PEAK\r\n$PEAKBARS\r\n$TROUGH\r\n$TROUGHBARS\r\n"
                                "$FLATZIG\r\n$FLATZIGA\r\n$PEAKA\r\n$PEAKBARSA\r\n$TROUGHA\r\n"
                                "$ZIGA\r\n$FFT\r\n$BACKSET\r\n$WINNER\r\n$LWINNER\r\n$COST\r\n"
                                "$DYNAINFO\r\n$FINANCE\r\n#YEAR\r\n#MONTH\r\n#WEEK\r\n"
                                "CAPITAL\r\nDCLOSE\r\nDOPEN\r\nDLOW\r\nDVOL\r\n";
    EXPECT_EQ(ReadFile(kFile), expected);
    EXPECT_EQ(Load(), DefaultKeywordTable());
    EXPECT_EQ(DefaultKeywordTable().size(), 26);
}

TEST_F(KeywordFile, ExistingFilesAreNeverRewritten)
{
    for (const QByteArray &content : {QByteArray(), QByteArray("ZIG"), QByteArray("\xff\xfe")}) {
        WriteFile(kFile, content);
        ASSERT_FALSE(EnsureKeywordFile());
        EXPECT_EQ(ReadFile(kFile), content);
    }
    WriteFile(kFile, {});
    EXPECT_EQ(Load(), QStringList());
}

TEST_F(KeywordFile, HiddenFileCountsAsExisting)
{
    // A hidden file on Windows is still a file of that name; here a read-only
    // one stands in for "present but not ordinary".
    WriteFile(kFile, "MINE\r\n");
    QFile::setPermissions(kFile, QFile::ReadOwner);
    ASSERT_FALSE(EnsureKeywordFile());
    EXPECT_EQ(ReadFile(kFile), QByteArray("MINE\r\n"));
}

TEST(KeywordParsing, LineEndsAndVerbatimEntries)
{
    struct Case
    {
        const char *bytes;
        QStringList entries;
    };
    const Case cases[] = {
        {"", {}},
        {"ZIG", {"ZIG"}},
        {"A\r\nB", {"A", "B"}},
        {"A\r\nB\r\n", {"A", "B"}},
        {"A\r\n\r\nB\r\n", {"A", "", "B"}},
        {"\r\n", {""}},
        {"A\rB\r", {"A", "B"}},
        {"A\nB\n", {"A", "B"}},
        {"A\n\rB", {"A", "", "B"}},
        {"A\r\r\nB", {"A", "", "B"}},
        {"  $zig \t\r\n$ZIG\r\n$ZIG", {"  $zig \t", "$ZIG", "$ZIG"}},
        {"\xEF\xBB\xBF", {}},
        {"\xEF\xBB\xBF$ZIG\r\n", {"$ZIG"}},
        {"\xEF\xBB\xBF\xEF\xBB\xBFX", {QString(QChar(0xFEFF)) + "X"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ParseKeywordFile(QByteArray(c.bytes)), c.entries) << c.bytes;
}

TEST(KeywordParsing, Encodings)
{
    const QString zhong = QString::fromUtf8("中文函数");
    // UTF-8 without a byte-order mark, as current Notepad saves.
    EXPECT_EQ(ParseKeywordFile(zhong.toUtf8() + "\r\n"), QStringList{zhong});
    // UTF-16 with its byte-order mark, as Notepad saves "Unicode", either way
    // round; unpaired surrogates and an odd last byte become U+FFFD.
    EXPECT_EQ(ParseKeywordFile(QByteArray("\xFF\xFE$\0Z\0\r\0\n\0-N\x87\x65", 14)),
              (QStringList{"$Z", QString::fromUtf8("中文")}));
    EXPECT_EQ(ParseKeywordFile(QByteArray("\xFE\xFF\0$\0Z\0\r\0\nN-e\x87", 14)),
              (QStringList{"$Z", QString::fromUtf8("中文")}));
    EXPECT_EQ(ParseKeywordFile(QByteArray("\xFF\xFE\x00\xD8Z\0\x00\xDC\x01\xD8\x00\xDC!", 13)),
              (QStringList{QString::fromUtf8("\uFFFDZ\uFFFD\U00010400\uFFFD")}));
    // Bytes valid in neither become replacement characters, not a crash,
    // and are not dropped. (0x80 would be the euro sign in code page 936.)
    const QStringList bad = ParseKeywordFile("A\xFF\r\n\xFFZ");
    ASSERT_EQ(bad.size(), 2);
    EXPECT_TRUE(bad[0].startsWith("A") && bad[0].contains(QChar::ReplacementCharacter));
    EXPECT_TRUE(bad[1].endsWith("Z") && bad[1].contains(QChar::ReplacementCharacter));
    EXPECT_EQ(ParseKeywordFile("\xEF\xBB\xBFZIG\xE4\xB8"), QStringList{"ZIG\uFFFD\uFFFD"});
}

using TextFileReading = InTempDir;

// The limit is above the first block, which is read on its own.
TEST_F(TextFileReading, ReadsUpToTheLimitAndRefusesMore)
{
    const qint64 limit = 100000;
    const struct
    {
        const char *what;
        QByteArray bytes;
        FileBytes::Outcome outcome;
    } cases[] = {
        {"exactly the limit", QByteArray(limit, 'A'), FileBytes::Read},
        {"one byte more", QByteArray(limit + 1, 'A'), FileBytes::Failed},
        {"NUL bytes in the first block", QByteArray(100, '\0') + "ZIG(", FileBytes::NotText},
        {"a NUL byte after it", QByteArray(limit - 1, 'A') + '\0', FileBytes::NotText},
        {"UTF-16", QByteArray("\xFF\xFEZ\0I\0G\0", 8), FileBytes::Read},
        {"empty", QByteArray(""), FileBytes::Read},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("f.txt", c.bytes);
        const FileBytes file = ReadFileBytes(QStringLiteral("f.txt"), limit, true);
        EXPECT_EQ(file.outcome, c.outcome) << file.failure.toStdString();
        EXPECT_EQ(file.bytes, c.outcome == FileBytes::Read ? c.bytes : QByteArray());
        if (c.outcome == FileBytes::Failed) {
            EXPECT_EQ(file.failure, "is larger than 98 KiB");
        }
    }
    // A file that cannot be text is still a keyword list.
    WriteFile("f.txt", QByteArray("A\0B", 3));
    EXPECT_EQ(ReadFileBytes(QStringLiteral("f.txt")).bytes, QByteArray("A\0B", 3));
    EXPECT_EQ(ReadFileBytes(QStringLiteral(".")).outcome, FileBytes::Folder);
    EXPECT_EQ(ReadFileBytes(QStringLiteral("gone.txt")).outcome, FileBytes::Missing);
}

#ifdef Q_OS_UNIX // pipes and devices by name
// Through a pipe, whose size nobody knows, from a writer that may never
// stop: the read must end at the limit, or at NUL bytes in the first block,
// without waiting for the writer.
TEST_F(TextFileReading, PipesAndDevicesEndAtTheLimit)
{
    const qint64 limit = 100000;
    const struct
    {
        const char *what;
        QByteArray bytes;
        bool endless; // the writer goes on until the reader leaves
        FileBytes::Outcome outcome;
    } cases[] = {
        {"exactly the limit", QByteArray(limit, 'A'), false, FileBytes::Read},
        {"one byte more", QByteArray(limit + 1, 'A'), false, FileBytes::Failed},
        {"endless text", QByteArray(4096, 'A'), true, FileBytes::Failed},
        {"NUL bytes, then endless text", QByteArray(10, '\0'), true, FileBytes::NotText},
    };
    std::signal(SIGPIPE, SIG_IGN); // the writer learns from EPIPE that the reader left
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(mkfifo("pipe", 0600), 0);
        std::thread writer([&] {
            QFile pipe("pipe");
            if (!pipe.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
                return;
            bool going = pipe.write(c.bytes) == c.bytes.size();
            while (going && c.endless)
                going = pipe.write(QByteArray(4096, 'A')) == 4096;
        });
        const FileBytes file = ReadFileBytes(QStringLiteral("pipe"), limit, true);
        EXPECT_EQ(file.outcome, c.outcome) << file.failure.toStdString();
        EXPECT_EQ(file.bytes, c.outcome == FileBytes::Read ? c.bytes : QByteArray());
        writer.join();
        ASSERT_TRUE(QFile::remove("pipe"));
    }
    EXPECT_EQ(ReadFileBytes(QStringLiteral("/dev/zero"), kMaxFormulaBytes, true).outcome,
              FileBytes::NotText);
}
#else
TEST_F(TextFileReading, PipesAndDevicesEndAtTheLimit)
{
    GTEST_SKIP() << "needs named pipes and /dev/zero";
}
#endif

#ifndef Q_OS_WIN // Windows reads these in the machine's own code page
TEST(KeywordParsing, ChineseCodePage)
{
    const QString zhong = QString::fromUtf8("中文函数");
    // The same text in code page 936 (GBK).
    EXPECT_EQ(ParseKeywordFile("\xD6\xD0\xCE\xC4\xBA\xAF\xCA\xFD\r\n$ZIG"),
              (QStringList{zhong, "$ZIG"}));
    // A GB18030 four-byte sequence (U+00A5 is 81 30 84 36).
    EXPECT_EQ(ParseKeywordFile("\x81\x30\x84\x36"), QStringList{QString(QChar(0x00A5))});
    // A UTF-8 sequence cut off at the end is no UTF-8: no byte is lost.
    EXPECT_EQ(ParseKeywordFile("ZIG\xE4\xB8"), QStringList{QString::fromUtf8("ZIG涓")});
}

// A file in GB18030 is decoded straight into UTF-8 for the checker, as the
// library decodes it, and each byte it cannot decode is U+FFFD.
TEST(TextFile, ChineseCodePageInUtf8)
{
    const struct
    {
        QByteArray bytes;
        const char *text;
    } cases[] = {
        {"\xD6\xD0\xCE\xC4:=ZIG(C);", "中文:=ZIG(C);"},
        {"X1:=ZIG\xD6\xD0\xCE\xC4"
         "A",
         "X1:=ZIG中文A"}, // a lead byte last in a block of eight
        {"MA(C,5);DCLOSE\x81\x40\xA1\xA4\xFE\xFE", "MA(C,5);DCLOSE丂·\uE4C5"},
        {"\xC2\xF2\x81\x30\x84\x36\xB5\xE3", "买¥点"},
        {"\xD6\xD0\x81", "中\uFFFD"},
        {"A\x81\x30\x81", "A\uFFFD0\uFFFD"},
        {"\x80\xFF\x81\x7F\xD6\xD0", "\uFFFD\uFFFD\uFFFD\x7F中"},
        {"\xFF"
         "A",
         "\uFFFDA"}, // no lead byte, before ASCII
        {"\xD6\xFF"
         "A",
         "\uFFFDA"},        // a lead byte before no trail byte
        {"\xB5\xE3", "点"}, // three bytes of UTF-8
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextAsUtf8(c.bytes), QByteArray(c.text));
        EXPECT_EQ(DecodeText(c.bytes), QString::fromUtf8(c.text));
    }
    // Chinese throughout gives half as many bytes again.
    EXPECT_EQ(TextAsUtf8(QByteArray("\xD6\xD0").repeated(600) + "DVOL"),
              QByteArray("中").repeated(600) + "DVOL");
}
#else
TEST(KeywordParsing, ChineseCodePage)
{
    GTEST_SKIP() << "Windows reads these in its own code page: "
                    "OnWindows.KeywordFileInTheAnsiCodePageIsReadThroughIt";
}
#endif

TEST_F(KeywordFile, LargeFileLoadsInFull)
{
    QByteArray bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += "K" + QByteArray::number(i) + "\r\n";
    WriteFile(kFile, bytes);
    const QStringList entries = Load();
    ASSERT_EQ(entries.size(), 100000);
    EXPECT_EQ(entries.first(), "K0");
    EXPECT_EQ(entries.at(32767), "K32767");
    EXPECT_EQ(entries.last(), "K99999");
}

TEST_F(KeywordFile, ReloadReadsEditsAndNeverCreates)
{
    QStringList entries{"kept"};
    const FileError missing = LoadKeywordList(entries);
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing.reason.contains("code.ini"));
    EXPECT_EQ(entries, QStringList{"kept"});
    EXPECT_FALSE(QFileInfo::exists(kFile));

    ASSERT_FALSE(EnsureKeywordFile());
    EXPECT_EQ(Load(), DefaultKeywordTable());
    WriteFile(kFile, "DVOL\r\n$ZIG\r\n");
    EXPECT_EQ(Load(), (QStringList{"DVOL", "$ZIG"}));
    EXPECT_EQ(Load(), (QStringList{"DVOL", "$ZIG"}));
}

TEST_F(KeywordFile, FolderNamedLikeTheFileIsReported)
{
    ASSERT_TRUE(QDir().mkdir(kFile));
    const FileError ensure = EnsureKeywordFile();
    EXPECT_TRUE(ensure);
    QStringList entries{"kept"};
    const FileError load = LoadKeywordList(entries);
    EXPECT_TRUE(load);
    EXPECT_TRUE(load.reason.contains("code.ini"));
    EXPECT_EQ(entries, QStringList{"kept"});
    EXPECT_TRUE(QFileInfo(kFile).isDir());
}

#ifdef Q_OS_UNIX // folder permissions, file size limits and root are Unix notions
TEST_F(KeywordFile, UnwritableFolderIsReported)
{
    // Root writes into read-only folders, but not into /proc.
    const QString folder = geteuid() == 0 ? QStringLiteral("/proc") : dir_.path();
    if (geteuid() != 0) {
        ASSERT_TRUE(QFile::setPermissions(".", QFile::ReadOwner | QFile::ExeOwner));
    }
    ASSERT_TRUE(QDir::setCurrent(folder));
    const FileError error = EnsureKeywordFile();
    EXPECT_FALSE(QFileInfo::exists(kFile));
    QDir::setCurrent(dir_.path());
    QFile::setPermissions(".", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(error);
    EXPECT_TRUE(error.reason.contains("code.ini"));
}

TEST_F(KeywordFile, FailedWriteRemovesThePartialFile)
{
    // A file size limit below the default table makes the write itself fail.
    signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileError error = EnsureKeywordFile();
    setrlimit(RLIMIT_FSIZE, &previous);
    EXPECT_TRUE(error);
    EXPECT_TRUE(error.reason.contains("code.ini"));
    EXPECT_FALSE(QFileInfo::exists(kFile));
}

TEST_F(KeywordFile, UnreadableFileIsReported)
{
    WriteFile(kFile, "ZIG\r\n");
    ASSERT_TRUE(QFile::setPermissions(kFile, QFile::WriteOwner));
    QStringList entries{"kept"};
    FileError error;
    if (geteuid() == 0) {
        // Root reads any file, so the load runs as the user "nobody", who
        // may pass through the folder but not read the file.
        ASSERT_TRUE(QFile::setPermissions(".", QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ExeOther));
        const uid_t nobody = 65534;
        if (seteuid(nobody) != 0)
            GTEST_SKIP() << "root cannot take another user id here";
        error = LoadKeywordList(entries);
        ASSERT_EQ(seteuid(0), 0);
    } else {
        error = LoadKeywordList(entries);
    }
    ASSERT_TRUE(error);
    EXPECT_TRUE(error.reason.contains("code.ini")) << error.reason.toStdString();
    EXPECT_TRUE(error.reason.contains("Permission denied")) << error.reason.toStdString();
    EXPECT_EQ(entries, QStringList{"kept"});
}
#elif defined(Q_OS_WIN)
// Listed as skipped, with the reason, where they cannot run.
TEST_F(KeywordFile, UnwritableFolderIsReported)
{
    GTEST_SKIP() << "folder permissions and root are Unix notions";
}
TEST_F(KeywordFile, FailedWriteRemovesThePartialFile)
{
    GTEST_SKIP() << "file size limits (RLIMIT_FSIZE) are a Unix notion";
}
TEST_F(KeywordFile, UnreadableFileIsReported)
{
    GTEST_SKIP() << "file permissions and the user nobody are Unix notions";
}
#endif

#ifdef Q_OS_LINUX
TEST_F(KeywordFile, FileThatFailsToReadIsReported)
{
    // Opens for anyone, root too, and every read from its start fails with
    // an I/O error: nothing is mapped at address 0.
    ASSERT_TRUE(QFile::link("/proc/self/mem", kFile));
    ASSERT_FALSE(EnsureKeywordFile());
    QStringList entries{"kept"};
    const FileError error = LoadKeywordList(entries);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error.reason.contains("code.ini")) << error.reason.toStdString();
    EXPECT_TRUE(error.reason.contains("Input/output error")) << error.reason.toStdString();
    EXPECT_EQ(entries, QStringList{"kept"});
}
#elif defined(Q_OS_WIN)
TEST_F(KeywordFile, FileThatFailsToReadIsReported)
{
    GTEST_SKIP() << "needs Linux's /proc/self/mem";
}
#endif
